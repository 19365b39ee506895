#!/usr/bin/env python3
"""bench/run.py: times every conversion path of zolkdf on maximum-size spectra.

Usage: python3 bench/run.py [BUILD_DIR] [--runs N] [--no-callgrind]

BUILD_DIR holds a Release build with the benchmark's I/O floor program (configure with
-DZOLKDF_BENCH=ON). For each path it generates the input (131072 points; 131070 for 6XY),
converts it through the real binary in list-file mode, and prints the median wall time of N
runs, the instructions counted by callgrind, the peak resident memory, and the ratio of the
wall time to the I/O floor's (a program that only reads the input and writes as many bytes).
"""
import os
import random
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

POINTS = 131072


def run_measured(argv, cwd, stdin_bytes):
    """Runs argv; returns (wall seconds, exit status)."""
    start = time.perf_counter()
    r = subprocess.run(argv, cwd=cwd, input=stdin_bytes, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    return time.perf_counter() - start, r.returncode


def peak_memory(argv, cwd, stdin_bytes):
    """The peak resident memory of argv in KiB, as GNU time reports it (the child's own, not
    the memory of the process that started it)."""
    report = os.path.join(cwd, 'time.out')
    subprocess.run(['/usr/bin/time', '-f', '%M', '-o', report] + argv, cwd=cwd,
                   input=stdin_bytes, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(report) as f:
        kib = int(f.read().split()[-1])
    os.remove(report)
    return kib


def instructions(argv, cwd, stdin_bytes):
    out = os.path.join(cwd, 'callgrind.out')
    r = subprocess.run(['valgrind', '--tool=callgrind', '--callgrind-out-file=' + out] + argv,
                       cwd=cwd, input=stdin_bytes, capture_output=True)
    os.remove(out)
    for line in r.stderr.decode().splitlines():
        if 'Collected' in line:
            return int(line.split(':')[1].replace(',', '').strip())
    return None


def convert(zolkdf, work, entries):
    """Writes a list file of (input, in code, output, out code) entries and runs it once."""
    lines = [str(len(entries))]
    for name_in, code_in, name_out, code_out in entries:
        lines.append(f'{name_in} {code_in} {name_out} {code_out}')
        if code_out in (5, 6):
            lines.append('benchmark')
    with open(os.path.join(work, 'prep.lst'), 'w') as f:
        f.write('\n'.join(lines) + '\n')
    subprocess.run([zolkdf], cwd=work, input=b'F\nprep.lst\n', check=True,
                   stdout=subprocess.DEVNULL)


def main():
    args = [a for a in sys.argv[1:] if not a.startswith('--')]
    build = os.path.abspath(args[0] if args else 'build')
    runs = 5
    if '--runs' in sys.argv:
        runs = int(sys.argv[sys.argv.index('--runs') + 1])
    use_callgrind = '--no-callgrind' not in sys.argv and shutil.which('valgrind')
    has_time = os.path.exists('/usr/bin/time')
    zolkdf = os.path.join(build, 'zolkdf')
    floor = os.path.join(build, 'bench', 'io_floor')
    for program in (zolkdf, floor):
        if not os.path.exists(program):
            sys.exit(f'{program} is missing: build with -DCMAKE_BUILD_TYPE=Release -DZOLKDF_BENCH=ON')

    work = tempfile.mkdtemp(prefix='zolkdf-bench-')
    random.seed(7)
    with open(os.path.join(work, 'max.xy'), 'w') as f:
        for i in range(POINTS):
            f.write(' %10.5f  %14s\r\n' % (4000.0 - i * 0.025, '%.7E' % random.uniform(-2, 2)))
    with open(os.path.join(work, 'max6.xy'), 'w') as f:  # 6XY holds at most 131070 points
        for i in range(POINTS - 2):
            f.write(' %10.5f  %14s\r\n' % (4000.0 - i * 0.025, '%.7E' % random.uniform(-2, 2)))
    convert(zolkdf, work, [('max.xy', 2, 'max.y', 1), ('max6.xy', 2, 'max.6xy', 3),
                           ('max.xy', 2, 'maxnew.spc', 6), ('max.xy', 2, 'maxold.spc', 5)])

    paths = [('XY->XY', 'max.xy', 2, 'out.xy', 2), ('Y->XY', 'max.y', 1, 'out.xy', 2),
             ('6XY->XY', 'max.6xy', 3, 'out.xy', 2), ('XY->Y', 'max.xy', 2, 'out.y', 1),
             ('XY->6XY', 'max.xy', 2, 'out.6xy', 3), ('XY->SPC new', 'max.xy', 2, 'out.spc', 6),
             ('XY->SPC old', 'max.xy', 2, 'out.spc', 5),
             ('SPC new->XY', 'maxnew.spc', 6, 'out.xy', 2),
             ('SPC old->XY', 'maxold.spc', 5, 'out.xy', 2),
             ('SPC->SPC', 'maxnew.spc', 6, 'out.spc', 6)]
    print(f'{"path":<12} {"wall ms":>8} {"floor ms":>8} {"ratio":>6} {"instructions":>14} '
          f'{"peak KiB":>9}')
    for label, name_in, code_in, name_out, code_out in paths:
        memo = 'benchmark\n' if code_out in (5, 6) else ''
        with open(os.path.join(work, 'one.lst'), 'w') as f:
            f.write(f'1\n{name_in} {code_in} {name_out} {code_out}\n{memo}')
        keys = b'F\none.lst\n'
        walls = []
        for _ in range(runs):
            wall, status = run_measured([zolkdf], work, keys)
            if status != 0:
                sys.exit(f'{label}: zolkdf exited with {status}')
            walls.append(wall)
            # The floor runs beside it, so that both see the machine in the same state.
        size = os.path.getsize(os.path.join(work, name_out))
        floors = [run_measured([floor, name_in, 'floor.out', str(size)], work, b'')[0]
                  for _ in range(runs)]
        peak = peak_memory([zolkdf], work, keys) if has_time else '-'
        wall, floor_wall = statistics.median(walls), statistics.median(floors)
        count = instructions([zolkdf], work, keys) if use_callgrind else None
        print(f'{label:<12} {wall * 1e3:8.1f} {floor_wall * 1e3:8.1f} {wall / floor_wall:6.2f} '
              f'{count if count is not None else "-":>14} {peak:>9}')

    # A thousand small conversions in one list file: time and memory stay those of one.
    with open(os.path.join(work, 'small.xy'), 'w') as f:
        for i in range(1024):
            f.write(' %10.5f  %14s\r\n' % (4000.0 - i, '%.7E' % random.uniform(-2, 2)))
    with open(os.path.join(work, 'many.lst'), 'w') as f:
        f.write('1000\n' + ''.join(f'small.xy 2 s{i % 10}.xy 2\n' for i in range(1000)))
    walls = [run_measured([zolkdf], work, b'F\nmany.lst\n')[0] for _ in range(runs)]
    peak = peak_memory([zolkdf], work, b'F\nmany.lst\n') if has_time else '-'
    print(f'{"1000 x 1024":<12} {statistics.median(walls) * 1e3:8.1f} {"":>8} {"":>6} '
          f'{"":>14} {peak:>9}')
    shutil.rmtree(work)


if __name__ == '__main__':
    main()
