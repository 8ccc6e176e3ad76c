"""Program and monitor 56800/56800E controllers through the Quobin POD."""

import os
from typing import Any, Callable, Iterable, Iterator, Optional, Union

__version__: str

StrPath = Union[str, os.PathLike[str]]
Value = Union[int, float, str]

class Error(Exception):
    """A failure of Quobin's; message holds quobin-cli's words for it."""

    message: str
    code: Optional[int]

class NoAnswer(Error):
    """The POD did not answer within the time-out."""

class LinkLost(Error):
    """The POD is not attached, could not be opened, or the connection to it was lost."""

class ErrorReply(Error):
    """The POD refused the command; code is its error code."""

class NoTarget(ErrorReply):
    """Nothing on the POD's cable answered (error 07): no target, or it has no power."""

class ValueRefused(Error, ValueError):
    """The value cannot be written to the item (its kind, range or characters)."""

class UsageError(Error, ValueError):
    """An argument names nothing or does not fit, as quobin-cli would refuse it."""

class Symbol:
    """A data symbol of the map."""

    @property
    def name(self) -> str:
        """Its name, or a member's or element's path."""
    @property
    def address(self) -> int:
        """Word address."""
    @property
    def size(self) -> int:
        """Size in 16-bit words."""
    @property
    def view(self) -> str:
        """The view type it is read with."""
    @property
    def type(self) -> Optional[str]:
        """Its C type when an ELF gave one, else None."""
    @property
    def children(self) -> list[Symbol]:
        """Members, elements and bit fields (from an ELF), by path name."""
    def __repr__(self) -> str:
        """The symbol's name."""

def symbols(map_path: StrPath, mcu: str = "MC56F8367", elf: Optional[StrPath] = None) -> list[Symbol]:
    """The data symbols of a linker map (.xMAP) in name order; types when an ELF is given."""

def devices(
    simulate: bool = False, driver: Optional[str] = None, sim: Optional[dict[str, object]] = None
) -> list[dict[str, object]]:
    """Every FTDI device attached: index, description, serial, and whether it is the POD."""

class Watch:
    """Items read every interval; iterate for (time_ms, {item: value})."""

    def __iter__(self) -> Iterator[tuple[int, dict[str, Value]]]:
        """The watch itself."""
    def __next__(self) -> tuple[int, dict[str, Value]]:
        """The next cycle: (time_ms, {item: value})."""
    def close(self) -> None:
        """Stops reading; iteration ends."""
    def __enter__(self) -> Watch:
        """The watch itself."""
    def __exit__(self, *args: object) -> None:
        """Stops reading."""

class Monitor:
    """Reads, writes and watches target variables through the POD."""

    def read(self, item: str) -> Value:
        """The item's value: an int, a float for FLOAT and the fractions, a str for ASCII."""
    def write(self, item: str, value: Value) -> None:
        """Writes a value and reads it back; raises quobin.Error when it does not stick."""
    def watch(
        self,
        items: list[str],
        interval_ms: int = 100,
        count: Optional[int] = None,
        duration_s: Optional[float] = None,
    ) -> Watch:
        """Reads the items every interval_ms until count cycles or duration_s seconds."""
    def record(
        self,
        items: list[str],
        samples: int = 512,
        divider: int = 1,
        trigger: Optional[str] = None,
        edge: str = "rising",
        level: float = 0.0,
        pretrigger: int = 0,
        loop_hz: int = 10000,
        interval_ms: int = 100,
    ) -> dict[str, Any]:
        """Captures the items with the firmware's recorder at the control loop's own rate."""
    def _core_read_us(self, item: str, count: int) -> float:
        """Microseconds per read of the item in the core (for the benchmark)."""

class ProgramResult:
    """The result of Pod.program()."""

    @property
    def ok(self) -> bool:
        """The run did all it was asked."""
    @property
    def interrupted(self) -> bool:
        """The run was stopped (Ctrl+C or a callback that raised)."""
    @property
    def message(self) -> str:
        """The run's last message, as Quobin's window shows it."""
    @property
    def elapsed_s(self) -> float:
        """Seconds the run took."""
    @property
    def words(self) -> dict[str, int]:
        """Words sent per region."""
    def __repr__(self) -> str:
        """The result's message."""

class Pod:
    """The POD, opened by its first command and closed by close() or a with block."""

    def __init__(
        self,
        simulate: bool = False,
        serial: Optional[str] = None,
        driver: Optional[str] = None,
        sim: Optional[dict[str, object]] = None,
        trace: Optional[StrPath] = None,
        records: Optional[StrPath] = None,
        station: str = "",
        operator: str = "",
    ) -> None:
        """The POD with this serial number, or the built-in emulator when simulate is true;
        with records every program() is recorded there (a SQLite file or postgresql://...)."""
    def version(self) -> str:
        """The POD's firmware version: "POD Version V1.1"."""
    def reset(self, polarity: str = "low", delay_ms: int = 1, mcu: str = "MC56F8367") -> None:
        """Resets the target."""
    def program(
        self,
        path: StrPath,
        mcu: str = "MC56F8367",
        regions: Optional[Union[str, Iterable[str]]] = None,
        mode: str = "write-verify",
        progress: Optional[Callable[[int, int], object]] = None,
        unit: str = "",
    ) -> ProgramResult:
        """Programs an S file on the target, or stores it in the POD (the pod-* modes)."""
    def monitor(
        self,
        map: Optional[StrPath] = None,
        mcu: str = "MC56F8367",
        baud: int = 38400,
        elf: Optional[StrPath] = None,
    ) -> Monitor:
        """Opens the POD for monitoring; map names the symbols (types when an ELF is given)."""
    def close(self) -> None:
        """Closes the POD; the next command opens it again."""
    def __enter__(self) -> Pod:
        """The POD itself."""
    def __exit__(self, *args: object) -> None:
        """Closes the POD."""
