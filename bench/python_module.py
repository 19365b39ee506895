#!/usr/bin/env python3
"""bench/python_module.py: times reads through the Python module against the same reads inside
the C++ program, and against jcampconverter, the npm JCAMP-DX converter, under Node.js.

Usage: /usr/bin/python3 bench/python_module.py BUILD [--runs N]

Run it with the Python that the module was built for (Debian's, with NumPy). BUILD is a Release
build configured with -DZOLKDF_BENCH=ON, holding the module (BUILD/python), BUILD/zolkdf and
BUILD/bench/file_reads. Every time is taken inside the process that reads, so that starting
Python, Node.js or a program counts for none of them; the runs alternate, so that the machine's
slow moments fall on each alike, and each figure is the median of N runs. Both this process and
the ones it starts keep the memory that glibc's malloc has had (GLIBC_TUNABLES, set here): else
whether it gives a read's memory back to the system, to fault it in again on the next read,
depends on what else the process holds, and that costs more than the reading of some files.
- SPC: every shared SPC sample (../shared/spc_samples) that the program reads, each read 100
  times with zolkdf.read in this process, against the same reads by formats::load in
  BUILD/bench/file_reads;
- JCAMP-DX: the 16384-point file of bench/command_line.py, already in memory, read with
  zolkdf.loads in this process, against jcampconverter's convert of the same text in Node.js
  (bench/jcamp_node_reads.mjs, with the jcampconverter of tests/node_readers), both after a warm-up.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from command_line import SHARED, xy_text

HERE = os.path.dirname(os.path.abspath(__file__))
# No part of the heap given back to the system, nor any block mapped apart, up to 32 MiB.
HEAP_KEPT = 'glibc.malloc.trim_threshold=1073741824:glibc.malloc.mmap_threshold=33554432'
SPC_TIMES = 100
JCAMP_TIMES, JCAMP_WARMUP = 500, 50


def alternating(measures, runs):
    """The median of each measure (a function giving seconds) over runs, the measures taken in
    turn and in the other order every second run."""
    times = [[] for _ in measures]
    for r in range(runs):
        for k in (range(len(measures)) if r % 2 == 0 else reversed(range(len(measures)))):
            times[k].append(measures[k]())
    return [statistics.median(t) for t in times]


def program_words(argv):
    """The words that a program prints, which ends the benchmark when it fails."""
    r = subprocess.run(argv, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(f'{os.path.basename(argv[0])} failed: {r.stderr.strip()[:300]}')
    return r.stdout.split()


def python_reads(zolkdf, paths, times):
    """Seconds for reading each path times times with zolkdf.read, after one untimed read each,
    as BUILD/bench/file_reads does."""
    for path in paths:
        zolkdf.read(path)
    start = time.perf_counter()
    for path in paths:
        for _ in range(times):
            zolkdf.read(path)
    return time.perf_counter() - start


def spc(zolkdf, build, runs):
    folder = os.path.join(SHARED, 'spc_samples')
    if not os.path.isdir(folder):
        print(f'SPC: skipped, no shared samples in {os.path.normpath(folder)}')
        return
    paths, left_out = [], []
    for name in sorted(os.listdir(folder)):
        if name.lower().endswith('.spc'):
            try:
                zolkdf.read(os.path.join(folder, name))
                paths.append(os.path.join(folder, name))
            except zolkdf.Error as e:
                left_out.append(f'{name} left out: {e.reason}')
    reads = [os.path.join(build, 'bench', 'file_reads'), str(SPC_TIMES)] + paths
    cpp, python = alternating([lambda: float(program_words(reads)[0]),
                               lambda: python_reads(zolkdf, paths, SPC_TIMES)], runs)
    print(f'SPC: {len(paths)} shared samples, each read {SPC_TIMES} times'
          f'{"".join("; " + s for s in left_out)}; each side timed in its own process, '
          f'median of {runs} alternating runs:')
    print(f'  C++ formats::load {cpp:.4f} s, Python zolkdf.read {python:.4f} s, ratio '
          f'{python / cpp:.2f} (at most 1.3)')


def python_loads(zolkdf, data):
    """Seconds for one zolkdf.loads of data, the mean of JCAMP_TIMES after JCAMP_WARMUP untimed;
    and the points of its first spectrum."""
    for _ in range(JCAMP_WARMUP):
        zolkdf.loads(data)
    start = time.perf_counter()
    for _ in range(JCAMP_TIMES):
        doc = zolkdf.loads(data)
    return (time.perf_counter() - start) / JCAMP_TIMES, len(doc.spectra[0].y)


def jcamp(zolkdf, build, work, runs):
    node = shutil.which('node')
    if node is None:
        print('JCAMP-DX: skipped, Node.js (node) is not on the PATH')
        return
    if not os.path.isdir(os.path.join(HERE, '..', 'tests', 'node_readers', 'node_modules',
                                      'jcampconverter')):
        print('JCAMP-DX: skipped, jcampconverter is not installed (npm ci in tests/node_readers)')
        return
    with open(os.path.join(work, 'j.xy'), 'w') as f:
        f.write(xy_text(16384))
    subprocess.run([os.path.join(build, 'zolkdf'), 'convert', 'j.xy', '-o', 'j.jdx'], cwd=work,
                   check=True)
    file = os.path.join(work, 'j.jdx')
    with open(file, 'rb') as f:
        data = f.read()
    points = {}

    def measure(side, seconds_and_points):
        seconds, count = seconds_and_points
        points[side] = int(count)
        return float(seconds)

    node_argv = [node, os.path.join(HERE, 'jcamp_node_reads.mjs'), file, str(JCAMP_TIMES),
                 str(JCAMP_WARMUP)]
    reads = [os.path.join(build, 'bench', 'file_reads'), str(JCAMP_TIMES), file]
    ours, theirs, cpp = alternating(
        [lambda: measure('zolkdf', python_loads(zolkdf, data)),
         lambda: measure('jcampconverter', program_words(node_argv)),
         lambda: float(program_words(reads)[0]) / JCAMP_TIMES], runs)
    if set(points.values()) != {16384}:
        sys.exit(f'JCAMP-DX: the points read differ from 16384: {points}')
    print(f'JCAMP-DX, 16384 points: both timed in-process, the file already in memory, '
          f'{JCAMP_TIMES} reads after {JCAMP_WARMUP} untimed, median of {runs} alternating runs:')
    print(f'  zolkdf.loads {ours * 1e3:.3f} ms, jcampconverter convert under Node.js '
          f'{theirs * 1e3:.3f} ms a read: zolkdf {theirs / ours:.1f} times faster (at least 10)')
    print(f'  (formats::load in C++, from the file: {cpp * 1e3:.3f} ms a read)')


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit(__doc__)
    if os.environ.get('GLIBC_TUNABLES') != HEAP_KEPT:
        # The allocator reads its settings when a process starts: this one starts again.
        os.environ['GLIBC_TUNABLES'] = HEAP_KEPT
        os.execv(sys.executable, [sys.executable] + sys.argv)
    build = os.path.abspath(args[0])
    runs = int(args[args.index('--runs') + 1]) if '--runs' in args else 7
    sys.path.insert(0, os.path.join(build, 'python'))
    try:
        import zolkdf
    except ImportError as e:
        sys.exit(f'cannot import zolkdf from {build}/python with {sys.executable}: {e}')
    folder = '/dev/shm' if os.path.isdir('/dev/shm') else None
    work = tempfile.mkdtemp(prefix='zolkdf-bench-', dir=folder)
    try:
        spc(zolkdf, build, runs)
        jcamp(zolkdf, build, work, runs)
    finally:
        shutil.rmtree(work)


if __name__ == '__main__':
    main()
