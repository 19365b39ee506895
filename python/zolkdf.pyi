# python/zolkdf.pyi: the types of the module zolkdf, for editors and type checkers.
import datetime
import os
from typing import Any, Iterator, Sequence

import numpy
import numpy.typing

__version__: str

_Path = str | bytes | os.PathLike[str] | os.PathLike[bytes]
_Values = Sequence[float] | numpy.typing.ArrayLike

class Error(ValueError):
    """A file that cannot be read or written as its format."""

    path: str | None
    line: int | None
    offset: int | None
    reason: str

class Spectrum:
    """One spectrum: y against x, in double precision."""

    def __init__(
        self,
        x: _Values,
        y: _Values,
        x_unit: str = "",
        y_unit: str = "",
        z: float = 0.0,
        title: str = "",
    ) -> None: ...
    @property
    def x(self) -> numpy.typing.NDArray[numpy.float64]: ...
    @property
    def y(self) -> numpy.typing.NDArray[numpy.float64]: ...
    z: float
    title: str
    x_unit: str
    y_unit: str
    def __len__(self) -> int: ...
    def to_pandas(self) -> Any: ...

class Document:
    """A whole file: its spectra, their units and its texts."""

    def __init__(
        self,
        spectra: Sequence[Spectrum],
        *,
        title: str = "",
        date: datetime.datetime | None = None,
        origin: str = "",
        owner: str = "",
        instrument: str = "",
        resolution: str | None = None,
        experiment: str = "",
        log: str = "",
        x_unit: str | None = None,
        y_unit: str | None = None,
        z_unit: str = "",
    ) -> None: ...
    @property
    def spectra(self) -> list[Spectrum]: ...
    @property
    def format(self) -> str | None: ...
    @property
    def variant(self) -> str: ...
    @property
    def metadata(self) -> dict[str, Any]: ...
    title: str
    date: datetime.datetime | None
    origin: str
    owner: str
    instrument: str
    resolution: str | None
    experiment: str
    log: str
    x_unit: str
    y_unit: str
    z_unit: str
    labels: list[tuple[str, str]]
    def __len__(self) -> int: ...
    def __getitem__(self, index: int) -> Spectrum: ...
    def __iter__(self) -> Iterator[Spectrum]: ...
    def to_pandas(self) -> Any: ...

def read(
    path: _Path,
    format: str | None = None,
    *,
    columns: tuple[int, int] | None = None,
    max_points: int | None = None,
) -> Document: ...
def loads(
    data: bytes,
    format: str | None = None,
    *,
    name: str = "<bytes>",
    columns: tuple[int, int] | None = None,
    max_points: int | None = None,
) -> Document: ...
def write(
    what: Document | Spectrum,
    path: _Path,
    format: str | None = None,
    *,
    jcamp_form: str | None = None,
    memo: str | None = None,
) -> None: ...
def dumps(
    what: Document | Spectrum,
    format: str | None = None,
    *,
    jcamp_form: str | None = None,
    memo: str | None = None,
) -> bytes: ...
def convert(
    source: _Path, target: _Path, to: str | None = None, *, from_format: str | None = None
) -> list[str]: ...
def info(path: _Path, format: str | None = None) -> dict[str, Any]: ...
def formats() -> list[dict[str, Any]]: ...
