# python/tests/test_documents.py: documents made from arrays written to every format and read back
# with what the format holds; failures raised as the command line reports them.
import datetime
import os
import subprocess

import numpy as np
import pytest

import zolkdf

# Values that every format holds exactly: floats, and within the fixed fields of Y, XY and 6XY.
X = np.linspace(1800.0, 1450.0, 8)
Y = np.array([0.125, 0.5, 1.25, 2.0, 1.5, 0.75, 0.25, 0.0625])
TEXTS = {"title": "Drying film", "date": datetime.datetime(2026, 3, 14, 9, 30),
         "origin": "Lab 4", "owner": "ACME", "instrument": "FTIR-1", "resolution": "4",
         "experiment": "INFRARED SPECTRUM", "log": "dried at 40 C"}
# How the field names that formats() gives name the attributes.
ATTRIBUTES = {"title": "title", "date": "date", "origin": "origin", "owner": "owner",
              "instrument": "instrument", "resolution": "resolution", "log": "log",
              "x unit": "x_unit", "y unit": "y_unit"}


def test_a_document_of_arrays_reads_back_from_every_format(tmp_path):
    made = zolkdf.Document([zolkdf.Spectrum(X, Y)], x_unit="1/CM", y_unit="ABSORBANCE", **TEXTS)
    assert made.x_unit == "Wavenumber (cm-1)" and made.format is None
    for f in (f for f in zolkdf.formats() if f["writes"]):
        path = tmp_path / ("out" + f["extensions"][0])
        zolkdf.write(made, path)
        back = zolkdf.read(path)
        assert back.format == f["name"] or f["name"] == "spc-old", f["name"]
        assert np.array_equal(back[0].x, X) and np.array_equal(back[0].y, Y), f["name"]
        for field, attribute in ATTRIBUTES.items():
            if field in f["holds"]:
                # A log is read as lines, each with its line end.
                got, wanted = getattr(back, attribute), getattr(made, attribute)
                assert got == wanted or got == wanted + "\r\n", (f["name"], field)
        assert zolkdf.loads(zolkdf.dumps(made, f["name"]))[0].y.tobytes() == Y.tobytes()


def test_several_spectra_go_whole_where_a_format_holds_them(tmp_path):
    spectra = [zolkdf.Spectrum(X, Y * k, z=k, title=f"t{k}") for k in (1, 2, 3)]
    doc = zolkdf.Document(spectra, x_unit="1/CM", y_unit="ABSORBANCE", z_unit="Minutes")
    zolkdf.write(doc, tmp_path / "all.spc")
    back = zolkdf.read(tmp_path / "all.spc")
    assert [s.z for s in back] == [1, 2, 3] and back.z_unit == "Minutes"
    assert back.to_pandas().shape == (8, 3) if _has_pandas() else True
    with pytest.raises(ValueError, match="holds one spectrum a file"):
        zolkdf.write(doc, tmp_path / "all.xy")
    written = zolkdf.convert(tmp_path / "all.spc", tmp_path / "part.xy")
    assert written == [str(tmp_path / f"part-{k}.xy") for k in (1, 2, 3)]
    assert np.array_equal(zolkdf.read(written[2])[0].y, Y * 3)


def _has_pandas():
    try:
        import pandas  # noqa: F401
        return True
    except ImportError:
        return False


@pytest.mark.parametrize("name, data, line, reason", [
    ("bad.xy", b"1 2\n3 x\n", 2, "invalid real"),
    ("empty.xy", b"", None, "no points"),
    ("what.dat", b"\x01\x02\x03", None, "cannot tell the format of {}; give -f"),
    ("short.spc", b"K\x4b" + bytes(30), None, None),
])
def test_errors_carry_path_line_and_reason_as_the_program_reports_them(
        tmp_path, zolkdf_binary, name, data, line, reason):
    path = tmp_path / name
    path.write_bytes(data)
    with pytest.raises(zolkdf.Error) as e:
        zolkdf.read(path)
    program = subprocess.run([zolkdf_binary, "info", str(path)], capture_output=True, text=True)
    assert str(e.value) == program.stderr.rstrip("\n")
    assert isinstance(e.value, ValueError) and e.value.path == str(path) and e.value.line == line
    assert reason is None or e.value.reason == reason.format(path)
    with pytest.raises(zolkdf.Error) as from_bytes:
        zolkdf.loads(data, name=str(path))
    assert str(from_bytes.value) == str(e.value)


def test_the_systems_refusals_are_oserrors(tmp_path):
    with pytest.raises(FileNotFoundError) as e:
        zolkdf.read(tmp_path / "none.spc")
    assert e.value.filename == str(tmp_path / "none.spc")
    with pytest.raises(IsADirectoryError):
        zolkdf.read(tmp_path)
    doc = zolkdf.Document([zolkdf.Spectrum(X, Y)])
    with pytest.raises(PermissionError if os.path.isdir("/sys/kernel") else OSError):
        zolkdf.write(doc, "/sys/kernel/zolkdf.xy")
    with pytest.raises(ValueError, match="give format="):
        zolkdf.dumps(doc)
