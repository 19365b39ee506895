# python/tests/conftest.py: where the tests find the program, the shared samples and the sources.
import os
import pathlib

import pytest

SOURCE = pathlib.Path(__file__).resolve().parents[2]


@pytest.fixture(scope="session")
def zolkdf_binary():
    """The program built beside the module, whose output the module's must equal."""
    return os.environ["ZOLKDF_BINARY"]


@pytest.fixture(scope="session")
def shared():
    """The folder of shared samples; a test that needs it is skipped where it is absent."""
    folder = pathlib.Path(os.environ.get("ZOLKDF_SHARED_DIR", SOURCE.parent / "shared"))
    if not folder.is_dir():
        pytest.skip(f"no shared samples at {folder}")
    return folder
