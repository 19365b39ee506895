#!/usr/bin/env python3
"""bench/wdf_map.py: times a Raman map in a .wdf file converted to JCAMP-DX against the same
spectra converted from one wide CSV table.

Usage: python3 bench/wdf_map.py [BUILD_DIR] [--runs N] [--no-callgrind] [--keep DIR]

BUILD_DIR holds a Release build (cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release). The
benchmark writes map.wdf: 2,205 spectra on a 49 x 45 grid, each with its X and Y position and
time, 1,015 points each (a few Raman bands on a sloping background, with noise). It converts
map.wdf to map.csv with `zolkdf convert -t csv` (one wide table), then times `zolkdf convert
map.wdf -t jcamp` and `zolkdf convert map.csv -t jcamp`: the median wall time of N runs each,
the instructions counted by callgrind where valgrind is present, and the ratio of the two.
"""
import math
import os
import random
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

COLUMNS, ROWS, POINTS = 49, 45, 1015
SPECTRA = COLUMNS * ROWS
TICKS_1970 = 116444736000000000  # 100 ns ticks from 1601 to 1970
MICRON, RAMAN_SHIFT, COUNTS, FILE_TIME = 5, 1, 6, 24
SPATIAL_X, SPATIAL_Y, TIME, SPECTRAL = 3, 4, 11, 1


def block(name, payload):
    """A block: its id, a number, its size with its 16-byte head, then the payload."""
    return name + struct.pack('<IQ', 0, 16 + len(payload)) + payload


def header(start):
    """The 512-byte header block of a map of SPECTRA spectra of POINTS points."""
    h = bytearray(512)
    struct.pack_into('<4sIQ', h, 0, b'WDF1', 1, 512)
    struct.pack_into('<IQQIIII', h, 60, POINTS, SPECTRA, SPECTRA, 1, 1, POINTS, 3)
    struct.pack_into('<24s4H', h, 96, b'bench', 1, 0, 0, 0)
    struct.pack_into('<IIQQIf', h, 128, 3, 3, start, start + SPECTRA * 10_000_000, COUNTS,
                     15797.96)
    struct.pack_into('<32s160s', h, 208, b'bench', b'Benchmark map 49 x 45')
    return bytes(h)


def map_file():
    """The bytes of the map: header, data, x list, origins (X, Y, time) and the map's area."""
    rng = random.Random(27)
    start = TICKS_1970 + 1_700_000_000 * 10_000_000
    shift = [3200 - 3000 * (i / (POINTS - 1)) ** 1.05 for i in range(POINTS)]
    bands = [(520, 8, 1800), (1000, 12, 600), (1580, 20, 900), (2900, 35, 400)]
    shape = [sum(h * math.exp(-((s - c) / w) ** 2) for c, w, h in bands) for s in shift]
    data = bytearray()
    for k in range(SPECTRA):
        scale = 0.5 + rng.random()
        data += struct.pack(f'<{POINTS}f', *(200 + 0.02 * s + scale * v + rng.gauss(0, 6)
                                             for s, v in zip(shift, shape)))
    x_list = struct.pack('<II', SPECTRAL, RAMAN_SHIFT) + struct.pack(f'<{POINTS}f', *shift)
    y_list = struct.pack('<IIf', 0, 0, 0.0)
    lists = struct.pack('<I', 3)
    for kind, unit, name, values, form in (
            (SPATIAL_X | 0x80000000, MICRON, b'X', [-24 + k % COLUMNS for k in range(SPECTRA)], 'd'),
            (SPATIAL_Y, MICRON, b'Y', [-22 + k // COLUMNS for k in range(SPECTRA)], 'd'),
            (TIME, FILE_TIME, b'Time', [start + k * 10_000_000 for k in range(SPECTRA)], 'Q')):
        lists += struct.pack('<II16s', kind, unit, name) + struct.pack(f'<{SPECTRA}{form}', *values)
    area = struct.pack('<II3f3f3II', 0, 0, -24, -22, 0, 1, 1, 1, COLUMNS, ROWS, 1, 0)
    return (header(start) + block(b'DATA', bytes(data)) + block(b'YLST', y_list) +
            block(b'XLST', x_list) + block(b'ORGN', lists) + block(b'WMAP', area) +
            block(b'TEXT', b'A map written by the benchmark.\0'))


def timed(argv, cwd):
    start = time.perf_counter()
    subprocess.run(argv, cwd=cwd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def instructions(argv, cwd):
    r = subprocess.run(['valgrind', '--tool=callgrind', '--callgrind-out-file=/dev/null'] + argv,
                       cwd=cwd, capture_output=True, check=True)
    for line in r.stderr.decode().splitlines():
        if 'Collected' in line:
            return int(line.split(':')[1].replace(',', '').strip())
    return None


def main():
    args = sys.argv[1:]
    runs = int(args[args.index('--runs') + 1]) if '--runs' in args else 5
    keep = args[args.index('--keep') + 1] if '--keep' in args else None
    build = next((a for i, a in enumerate(args)
                  if not a.startswith('--') and (i == 0 or args[i - 1] not in ('--runs', '--keep'))),
                 'build-rel')
    zolkdf = os.path.abspath(os.path.join(build, 'zolkdf'))
    use_callgrind = '--no-callgrind' not in args and shutil.which('valgrind')
    work = keep or tempfile.mkdtemp(prefix='zolkdf-wdf-')
    os.makedirs(work, exist_ok=True)
    try:
        with open(os.path.join(work, 'map.wdf'), 'wb') as f:
            f.write(map_file())
        subprocess.run([zolkdf, 'convert', 'map.wdf', '-t', 'csv'], cwd=work,
                       check=True, stdout=subprocess.DEVNULL)
        results = {}
        for source in ('map.wdf', 'map.csv'):
            argv = [zolkdf, 'convert', source, '-t', 'jcamp', '-o', 'out.jdx']
            wall = statistics.median(timed(argv, work) for _ in range(runs))
            count = instructions(argv, work) if use_callgrind else None
            results[source] = (wall, count)
            shown = f'{count:,} instructions' if count else 'no callgrind'
            print(f'{source} -> JCAMP-DX ({SPECTRA} spectra): {wall * 1000:.1f} ms, {shown}')
        (w_wall, w_count), (c_wall, c_count) = results['map.wdf'], results['map.csv']
        ratio = f'{w_wall / c_wall:.2f}'
        if w_count and c_count:
            ratio += f' (instructions {w_count / c_count:.2f})'
        print(f'ratio .wdf / CSV: {ratio}; the goal is at most 2')
    finally:
        if not keep:
            shutil.rmtree(work)


if __name__ == '__main__':
    main()
