#!/usr/bin/env python3
"""bench/batch_durability.py: the time that a batch's flushes cost, on a disk against memory.

Usage: python3 bench/batch_durability.py ZOLKDF [BASELINE_ZOLKDF] [--runs N] [--files N]
                                          [--disk FOLDER]

Makes N copies (2000 unless --files says otherwise) of one SPC file of 3632 points, which ZOLKDF
writes from a made-up XY file, in memory (/dev/shm). Then times `zolkdf convert IN -t xy -d OUT
-j 2` with OUT on the disk (a folder made in FOLDER, by default the current folder) and with OUT
in memory, each the best of N runs (5 unless --runs says otherwise), each run into a folder of its
own, the disks flushed (`sync`) before it and every output removed at the end; the processor time (user and system) is the least of the
N runs too, steadier than wall time on a shared machine. The runs of the programs and places
alternate, so that a machine's slow moments fall on each alike. Prints the seconds, the files a
second and the ratio of disk to memory for each program, with the file systems named; with a
baseline, the change of each wall time from the baseline's.
"""
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

POINTS = 3632


def file_system(folder):
    """The type of the file system that holds folder, and its device, as findmnt names them."""
    r = subprocess.run(['findmnt', '-no', 'FSTYPE,SOURCE', '-T', folder], capture_output=True,
                       text=True)
    lines = r.stdout.splitlines()
    return ' on '.join(lines[0].split()) if r.returncode == 0 and lines else 'unknown'


def processor_seconds():
    """The user and system time of the children that have ended so far."""
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    return used.ru_utime + used.ru_stime


def timed_batch(zolkdf, inputs, outputs):
    """The wall and processor seconds of one batch into a fresh outputs folder, after the disks are
    flushed. Each run writes to a folder of its own, and the outputs of earlier runs are removed
    only at the end: ext4 passes over the inodes of files removed in the last half minute when it
    makes new ones, which would charge the batch that follows a removal with work of the removal's
    making."""
    outputs = tempfile.mkdtemp(prefix='out-', dir=outputs)
    subprocess.run(['sync'], check=True)
    processor = processor_seconds()
    start = time.perf_counter()
    r = subprocess.run([zolkdf, 'convert', inputs, '-t', 'xy', '-d', outputs, '-j', '2', '-q'],
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    took = time.perf_counter() - start
    if r.returncode != 0:
        sys.exit(f'{zolkdf} failed: {r.stderr.decode()[:300]}')
    return took, processor_seconds() - processor


def main():
    args = sys.argv[1:]
    options = {}
    for name in ('--runs', '--files', '--disk'):
        if name in args:
            at = args.index(name)
            options[name] = args[at + 1]
            del args[at:at + 2]
    programs = [os.path.abspath(p) for p in args[:2]]
    if not programs:
        sys.exit(__doc__)
    runs = int(options.get('--runs', 5))
    files = int(options.get('--files', 2000))
    memory = tempfile.mkdtemp(prefix='zolkdf-durability-', dir='/dev/shm')
    disk = tempfile.mkdtemp(prefix='zolkdf-durability-', dir=options.get('--disk', '.'))
    try:
        with open(os.path.join(memory, 'one.xy'), 'w', newline='') as f:
            for i in range(POINTS):
                y = ((i * 7919) % 1000) / 1000.0 + 0.01
                f.write(f'{4000.0 - i * 0.964:11.5f}  {y:14.7E}\r\n')
        subprocess.run([programs[0], 'convert', 'one.xy', '-t', 'spc', '-o', 'one.spc', '-q'],
                       cwd=memory, check=True)
        inputs = os.path.join(memory, 'in')
        os.makedirs(inputs)
        for i in range(files):
            shutil.copy(os.path.join(memory, 'one.spc'), os.path.join(inputs, f's{i:04d}.spc'))
        places = [('disk', disk), ('memory', memory)]
        best, cpu = {}, {}
        for _ in range(runs):
            for program in programs:
                for place, outputs in places:
                    took, used = timed_batch(program, inputs, outputs)
                    best[program, place] = min(best.get((program, place), took), took)
                    cpu[program, place] = min(cpu.get((program, place), used), used)
        print(f'{files} SPC files of {POINTS} points to XY, -j 2, best of {runs}; inputs in memory')
        print(f'  disk:   {file_system(disk)}')
        print(f'  memory: {file_system(memory)}')
        for k, program in enumerate(programs):
            on_disk, in_memory = best[program, 'disk'], best[program, 'memory']
            line = (f'{program}: disk {on_disk:.3f} s ({files / on_disk:.0f} files/s, processor '
                    f'{cpu[program, "disk"]:.3f} s), memory {in_memory:.3f} s '
                    f'({files / in_memory:.0f} files/s, processor {cpu[program, "memory"]:.3f} s),'
                    f' disk / memory {on_disk / in_memory:.2f}')
            if k > 0:
                base = programs[0]
                line += (f'; {programs[0]} against it: disk '
                         f'{100.0 * (best[base, "disk"] / on_disk - 1):+.1f} %, memory '
                         f'{100.0 * (best[base, "memory"] / in_memory - 1):+.1f} %')
            print(line)
    finally:
        shutil.rmtree(memory)
        shutil.rmtree(disk)


if __name__ == '__main__':
    main()
