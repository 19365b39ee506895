#!/usr/bin/env python3
"""bench/command_line.py: times `zolkdf convert` against list-file runs of the dialogue.

Usage: python3 bench/command_line.py ZOLKDF [--runs N] [--files N] [--dir FOLDER]

ZOLKDF is a Release build of the program. Each figure is the median wall time of N runs. The
files are made in FOLDER, by default in memory (/dev/shm) where there is such a folder: every
output reaches the disk before it takes its name, and on a disk the time of those flushes, the
same for both ways of converting, varies more from run to run than the conversions take.
- batch: N copies of a 1842-point SPC file (BENZENE.SPC from the shared samples when present,
  else one the program writes from a made-up XY file) converted to XY by `zolkdf convert -j 1`,
  by `-j 2`, and by one list-file run of N entries;
- several spectra: the 350-spectrum LCDIODE.SPC (shared samples) to 350 XY files, against 350
  single-spectrum conversions from XY files by one list-file run;
- JCAMP-DX: a 16384-point DIF-compressed file to XY against the same conversion from XY, and
  writing JCAMP-DX against writing XY.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SHARED = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'shared')


def median_time(argv, cwd, runs, stdin=None, before=None):
    times = []
    for _ in range(runs):
        if before:
            before()
        start = time.perf_counter()
        r = subprocess.run(argv, cwd=cwd, input=stdin, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE)
        times.append(time.perf_counter() - start)
        if r.returncode != 0:
            sys.exit(f'{argv[:3]} failed: {r.stderr.decode()[:300]}')
    return statistics.median(times)


def write_list(work, entries):
    """A list file of (input, in code, output, out code) entries; the keys that run it."""
    lines = [str(len(entries))]
    for name_in, code_in, name_out, code_out in entries:
        lines += [name_in, str(code_in), name_out, str(code_out)]
    with open(os.path.join(work, 'bench.lst'), 'w') as f:
        f.write('\r\n'.join(lines) + '\r\n')
    return b'F\nbench.lst\n'


def interleaved(commands, runs):
    """Median wall times of (argv, cwd, stdin) commands, run in turn, so that a machine's slow
    moments fall on each of them alike."""
    times = [[] for _ in commands]
    for _ in range(runs):
        for k, (argv, cwd, stdin) in enumerate(commands):
            times[k].append(median_time(argv, cwd, 1, stdin=stdin))
    return [statistics.median(t) for t in times]


def xy_text(points, uneven=False):
    rows = []
    for i in range(points):
        x = 4000.0 - i * (0.5 + (0.001 * i if uneven else 0.0))
        rows.append(f'{x:11.5f}  {((i * 7919) % 1000) / 1000.0 + 0.01:14.7E}\r\n')
    return ''.join(rows)


def batch(zolkdf, work, files, runs):
    spc = os.path.join(work, 'one.spc')
    sample = os.path.join(SHARED, 'spc_samples', 'BENZENE.SPC')
    if os.path.exists(sample):
        shutil.copy(sample, spc)
    else:
        with open(os.path.join(work, 'one.xy'), 'w') as f:
            f.write(xy_text(1842))
        subprocess.run([zolkdf, 'convert', 'one.xy', '-o', 'one.spc'], cwd=work, check=True)
    inputs = os.path.join(work, 'in')
    os.makedirs(inputs)
    for i in range(files):
        shutil.copy(spc, os.path.join(inputs, f's{i:04d}.spc'))
    # The list run's files lie apart, so that its outputs are not inputs of the others.
    listed_inputs = os.path.join(work, 'listed')
    shutil.copytree(inputs, listed_inputs)
    keys = write_list(listed_inputs, [(f's{i:04d}.spc', 6, f's{i:04d}.xy', 2)
                                      for i in range(files)])
    one, two, listed = interleaved(
        [([zolkdf, 'convert', '-q', '-j', '1', 'in', '-d', 'out1', '-t', 'xy'], work, None),
         ([zolkdf, 'convert', '-q', '-j', '2', 'in', '-d', 'out2', '-t', 'xy'], work, None),
         ([zolkdf], listed_inputs, keys)], runs)
    print(f'{files} SPC -> XY: convert -j 1 {one:.3f} s, -j 2 {two:.3f} s, list file {listed:.3f} s')
    print(f'  -j 1 / list file = {one / listed:.2f} (at most 1.1); -j 1 / -j 2 = {one / two:.2f}'
          ' (at least 1.7)')


def several_spectra(zolkdf, work, runs):
    sample = os.path.join(SHARED, 'spc_samples', 'LCDIODE.SPC')
    if not os.path.exists(sample):
        print('several spectra: skipped, no shared samples')
        return
    shutil.copy(sample, os.path.join(work, 'lc.spc'))
    subprocess.run([zolkdf, 'convert', 'lc.spc', '-d', 'parts', '-t', 'xy'], cwd=work, check=True)
    parts = sorted(os.listdir(os.path.join(work, 'parts')))
    singles = os.path.join(work, 'singles')
    os.makedirs(singles)
    for i, name in enumerate(parts):
        shutil.copy(os.path.join(work, 'parts', name), os.path.join(singles, f'p{i:03d}.xy'))
    keys = write_list(singles, [(f'p{i:03d}.xy', 2, f'q{i:03d}.xy', 2) for i in range(len(parts))])
    whole, listed = interleaved(
        [([zolkdf, 'convert', '-q', 'lc.spc', '-d', 'parts', '-t', 'xy'], work, None),
         ([zolkdf], singles, keys)], runs)
    print(f'350 spectra: one SPC file {whole:.3f} s, {len(parts)} XY files by list {listed:.3f} s,'
          f' ratio {whole / listed:.2f} (at most 2)')


def jcamp(zolkdf, work, runs):
    with open(os.path.join(work, 'j.xy'), 'w') as f:
        f.write(xy_text(16384))
    r = subprocess.run([zolkdf, 'convert', 'j.xy', '-o', 'j.jdx'], cwd=work, capture_output=True)
    if r.returncode != 0:
        print('JCAMP-DX: skipped, the program writes no JCAMP-DX')
        return
    from_jcamp, from_xy, to_jcamp = interleaved(
        [([zolkdf, 'convert', 'j.jdx', '-o', 'a.xy'], work, None),
         ([zolkdf, 'convert', 'j.xy', '-o', 'b.xy'], work, None),
         ([zolkdf, 'convert', 'j.xy', '-o', 'c.jdx'], work, None)], 4 * runs)
    print(f'16384 points: JCAMP-DX -> XY {from_jcamp:.4f} s, XY -> XY {from_xy:.4f} s, ratio '
          f'{from_jcamp / from_xy:.2f} (at most 1.5); XY -> JCAMP-DX {to_jcamp:.4f} s, ratio '
          f'{to_jcamp / from_xy:.2f} (at most 1)')


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit(__doc__)
    zolkdf = os.path.abspath(args[0])
    runs = int(args[args.index('--runs') + 1]) if '--runs' in args else 5
    files = int(args[args.index('--files') + 1]) if '--files' in args else 2000
    folder = args[args.index('--dir') + 1] if '--dir' in args else (
        '/dev/shm' if os.path.isdir('/dev/shm') else None)
    work = tempfile.mkdtemp(prefix='zolkdf-bench-', dir=folder)
    try:
        for name, measure in (('batch', lambda w: batch(zolkdf, w, files, runs)),
                              ('several', lambda w: several_spectra(zolkdf, w, runs)),
                              ('jcamp', lambda w: jcamp(zolkdf, w, runs))):
            os.makedirs(os.path.join(work, name))
            measure(os.path.join(work, name))
    finally:
        shutil.rmtree(work)


if __name__ == '__main__':
    main()
