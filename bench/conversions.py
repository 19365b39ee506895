#!/usr/bin/env python3
"""bench/conversions.py: the instructions of each `zolkdf convert` between formats, as callgrind
counts them, for comparing two builds of the program.

Usage: python3 bench/conversions.py ZOLKDF [BASELINE_ZOLKDF]

Makes a 131072-point XY file of random values, and from it with ZOLKDF the same spectrum as Y,
6XY, CSV, JCAMP-DX and both SPC variants. Then counts the instructions of each conversion listed
below, once with each program given, and prints them with the change from the baseline.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

CONVERSIONS = [('in.xy', 'xy'), ('in.y', 'xy'), ('in.6xy', 'xy'), ('in.spc', 'xy'),
               ('old.spc', 'xy'), ('in.csv', 'xy'), ('in.jdx', 'xy'), ('in.xy', 'spc'),
               ('in.xy', 'spc-old'), ('in.xy', 'y'), ('in.xy', '6xy'), ('in.xy', 'csv'),
               ('in.xy', 'jcamp'), ('in.spc', 'spc'), ('old.spc', 'spc-old'), ('in.spc', 'jcamp'),
               ('in.spc', 'csv'), ('in.jdx', 'jcamp')]


def instructions(argv, cwd):
    r = subprocess.run(['valgrind', '--tool=callgrind', '--callgrind-out-file=/dev/null'] + argv,
                       cwd=cwd, capture_output=True)
    for line in r.stderr.decode().splitlines():
        if 'Collected' in line:
            return int(line.split(':')[1].replace(',', '').strip())
    sys.exit(f'{argv} gave no count: {r.stderr.decode()[-300:]}')


def main():
    programs = [os.path.abspath(p) for p in sys.argv[1:3]]
    if not programs:
        sys.exit(__doc__)
    work = tempfile.mkdtemp(prefix='zolkdf-conversions-', dir='/dev/shm' if os.path.isdir('/dev/shm') else None)
    try:
        random.seed(7)
        with open(os.path.join(work, 'in.xy'), 'w', newline='') as f:
            for i in range(131072):
                y = random.uniform(-1, 1) * 10 ** random.randint(-3, 3)
                f.write(' %10.5f    %.7E\r\n' % (4000 - i * 0.0305, y))
        for name, form in [('in.spc', 'spc'), ('old.spc', 'spc-old'), ('in.y', 'y'),
                           ('in.6xy', '6xy'), ('in.csv', 'csv'), ('in.jdx', 'jcamp')]:
            subprocess.run([programs[0], 'convert', 'in.xy', '-t', form, '-o', name, '-q'],
                           cwd=work, check=True)
        print(f'{"conversion":22} ' + ' '.join(f'{label:>14}' for label in
                                                ['ZOLKDF', 'BASELINE'][:len(programs)]))
        for name, form in CONVERSIONS:
            counts = [instructions([p, 'convert', name, '-t', form, '-o', 'out.' + form, '-q'],
                                   work) for p in programs]
            change = f'  {100.0 * (counts[0] - counts[1]) / counts[1]:+.1f} %' if len(counts) > 1 else ''
            print(f'{name + " -> " + form:22} ' + ' '.join(f'{c:14,}' for c in counts) + change)
    finally:
        shutil.rmtree(work)


if __name__ == '__main__':
    main()
