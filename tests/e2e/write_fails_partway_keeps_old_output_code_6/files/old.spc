The spectrum written last month
