#!/usr/bin/env python3
"""bench/plot.py: times `zolkdf plot` of a 2,000,000-point spectrum to an SVG picture.

Usage: python3 bench/plot.py ZOLKDF [--runs N] [--points N] [--dir FOLDER]

ZOLKDF is a Release build of the program. The spectrum is made up (a sum of peaks over a slope,
with a little noise) and written once as an XY file and once as a CSV file in FOLDER (by default
in memory, /dev/shm, where there is such a folder). Each figure is the median wall time of N runs,
with the size of the picture written; reading the file alone (`zolkdf info`) is timed beside it,
to tell the drawing's share.
"""
import argparse
import math
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time


def median_time(argv, cwd, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        r = subprocess.run(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        times.append(time.perf_counter() - start)
        if r.returncode != 0:
            sys.exit(f'{argv[:3]} failed: {r.stderr.decode()[:300]}')
    return statistics.median(times)


def write_spectrum(path, points, separator):
    rng = random.Random(28)
    with open(path, 'w') as f:
        if separator == ',':
            f.write('x,y\n')
        for i in range(points):
            x = 400.0 + 3600.0 * i / (points - 1)
            y = 0.1 + x * 1e-5 + rng.random() * 0.01
            for centre, width, height in ((1000, 20, 1.0), (1700, 8, 0.6), (2900, 40, 0.8)):
                y += height * math.exp(-((x - centre) / width) ** 2)
            f.write(f'{x:.6f}{separator}{y:.6f}\n')


def main():
    p = argparse.ArgumentParser()
    p.add_argument('zolkdf')
    p.add_argument('--runs', type=int, default=5)
    p.add_argument('--points', type=int, default=2_000_000)
    p.add_argument('--dir', default='/dev/shm' if os.path.isdir('/dev/shm') else None)
    a = p.parse_args()
    zolkdf = os.path.abspath(a.zolkdf)
    with tempfile.TemporaryDirectory(dir=a.dir) as work:
        for name, separator in (('big.xy', ' '), ('big.csv', ',')):
            write_spectrum(os.path.join(work, name), a.points, separator)
            read = median_time([zolkdf, 'info', name], work, a.runs)
            drawn = median_time([zolkdf, 'plot', name, '-o', 'big.svg'], work, a.runs)
            size = os.path.getsize(os.path.join(work, 'big.svg'))
            print(f'{name}: {a.points} points: plot to SVG {drawn:.3f} s (info alone {read:.3f} s),'
                  f' SVG {size / 1024:.0f} KiB')


if __name__ == '__main__':
    main()
