# python/tests/test_samples.py: every shared sample read from Python as the program reads it: the
# same doubles as its CSV output, the same failure, the same info; from bytes and from threads.
import concurrent.futures
import csv
import json
import subprocess

import numpy as np
import pytest

import zolkdf

FOLDERS = ("spc_samples", "jcamp_samples", "instrument_samples")


def samples(shared):
    return [p for f in FOLDERS if (shared / f).is_dir()
            for p in sorted((shared / f).iterdir()) if p.is_file() and p.suffix != ".md"]


def program_spectra(zolkdf_binary, path, folder):
    """The spectra as `zolkdf convert -t csv --split` writes them: (x, y) of doubles each; or the
    program's message when it cannot read the file."""
    r = subprocess.run([zolkdf_binary, "convert", "-q", "--split", "-t", "csv", "-d", folder,
                        str(path)], capture_output=True, text=True)
    if r.returncode != 0:
        return r.stderr.splitlines()[-1]
    spectra = []
    for name in sorted(folder.iterdir()):
        with open(name, newline="") as f:
            rows = list(csv.reader(f))[1:]
        spectra.append((np.array([float(r[0]) for r in rows]), np.array([float(r[1]) for r in rows])))
    return spectra


def test_every_sample_reads_as_the_program_reads_it(shared, zolkdf_binary, tmp_path):
    for i, path in enumerate(samples(shared)):
        expected = program_spectra(zolkdf_binary, path, tmp_path / str(i))
        if isinstance(expected, str):
            with pytest.raises((zolkdf.Error, OSError)) as e:
                zolkdf.read(path)
            assert str(e.value) == expected, path
            continue
        doc = zolkdf.read(path)
        assert len(doc.spectra) == len(expected), path
        for s, (x, y) in zip(doc.spectra, expected):
            # Bit for bit: the CSV text of a double reads back as that double.
            assert s.x.tobytes() == x.tobytes() and s.y.tobytes() == y.tobytes(), path
        # loads of the same bytes is read, and info the program's JSON.
        again = zolkdf.loads(path.read_bytes(), name=path.name)
        assert [s.y.tobytes() for s in again] == [s.y.tobytes() for s in doc]
        assert again.metadata == doc.metadata
        shown = subprocess.run([zolkdf_binary, "info", "--json", str(path)], capture_output=True)
        assert zolkdf.info(path) == json.loads(shown.stdout)[0], path


def test_arrays_are_read_only_views_of_the_document(shared):
    doc = zolkdf.read(shared / "spc_samples" / "m_evenz.spc")
    s = doc.spectra[3]
    assert s.x.base is s and not s.x.flags.owndata and not s.y.flags.writeable
    assert np.shares_memory(s.y, doc[3].y)  # two views of one memory, no copy
    with pytest.raises(ValueError):
        s.y[0] = 1.0
    writable = s.y.copy()
    writable[0] = 1.0
    del doc
    assert s.x.dtype == np.float64 and len(s.x) == len(s)  # the spectrum keeps its memory


def test_threads_read_as_one_does(shared):
    paths = samples(shared) * 3

    def read(path):
        try:
            return [s.y.tobytes() for s in zolkdf.read(path)]
        except (zolkdf.Error, OSError) as e:
            return str(e)

    alone = [read(p) for p in paths]
    with concurrent.futures.ThreadPoolExecutor(8) as pool:
        assert list(pool.map(read, paths)) == alone
