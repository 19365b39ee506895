first
last
NaN
