"""Engine errors as Python exceptions.

Every failed call raises a subclass of :class:`VorexError` chosen by the engine
error number (``VOREX_GetLastError``); the exception carries that number, its
name from <vorex/vorex_errors.h> and the engine's display text.
"""

from __future__ import annotations

import builtins

#: Engine error numbers and their names in <vorex/vorex_errors.h>.
ERROR_NAMES: dict[int, str] = {
    0: "VOREX_ERR_NONE",
    3: "VOREX_ERR_UNKNOWN_HANDLE",
    4: "VOREX_ERR_TIMEOUT",
    5: "VOREX_ERR_BUFFER_TOO_SMALL",
    6: "VOREX_ERR_WRONG_COUNT",
    7: "VOREX_ERR_BAD_PARAMETER",
    8: "VOREX_ERR_NO_REQUEST",
    9: "VOREX_ERR_SHORT_ANSWER",
    10: "VOREX_ERR_CHECKSUM",
    11: "VOREX_ERR_NO_READER",
    12: "VOREX_ERR_NOTHING_RECEIVED",
    13: "VOREX_ERR_BAD_MODE",
    14: "VOREX_ERR_BAUD_NOT_SETTABLE",
    15: "VOREX_ERR_BLOCK_NUMBER",
    16: "VOREX_ERR_UNEXPECTED_STATUS",
    17: "VOREX_ERR_STATUS_88",
    19: "VOREX_ERR_NO_VALUE",
    20: "VOREX_ERR_WRONG_COUNT_SENT",
    21: "VOREX_ERR_NO_TRANSPONDER",
    23: "VOREX_ERR_COLLISION",
    24: "VOREX_ERR_UNKNOWN_COMMAND",
    32: "VOREX_ERR_ISO_NOT_SUPPORTED",
    33: "VOREX_ERR_ISO_NOT_RECOGNISED",
    34: "VOREX_ERR_ISO_OPTION",
    35: "VOREX_ERR_ISO_GENERAL",
    36: "VOREX_ERR_ISO_NO_BLOCK",
    37: "VOREX_ERR_ISO_LOCKED_ALREADY",
    38: "VOREX_ERR_ISO_BLOCK_LOCKED",
    39: "VOREX_ERR_ISO_PROGRAMMING",
    40: "VOREX_ERR_ISO_LOCKING",
    41: "VOREX_ERR_ISO_OTHER",
    42: "VOREX_ERR_ISO_ANSWER",
    43: "VOREX_ERR_SYSTEM_INFO_LENGTH",
    44: "VOREX_ERR_ISO_FRAMING",
    241: "VOREX_ERR_NOT_WRITABLE",
    246: "VOREX_ERR_NOT_AUTHENTICATED",
}

#: ISO 15693 custom error codes, passed on as they are
#: (VOREX_ERR_ISO_CUSTOM_FIRST .. VOREX_ERR_ISO_CUSTOM_LAST).
ISO_CUSTOM_RANGE = range(0xA0, 0xDF + 1)
#: Reader status bytes meaning "no valid transponder".
NO_VALID_TRANSPONDER_RANGE = range(224, 256)


def error_name(number: int) -> str:
    """The name of an engine error number, also for the numbers the header gives as a
    range or passes on unnamed."""
    if number in ERROR_NAMES:
        return ERROR_NAMES[number]
    if number in ISO_CUSTOM_RANGE:
        return f"VOREX_ERR_ISO_CUSTOM_{number:02X}"
    if number in NO_VALID_TRANSPONDER_RANGE:
        return f"READER_STATUS_{number:02X}"
    return f"ENGINE_ERROR_{number}"


class VorexError(Exception):
    """A failed engine call.

    Attributes: ``number`` (engine error number), ``name`` (its name in
    <vorex/vorex_errors.h>), ``text`` (the engine's display text), ``function``
    (the VOREX_ function that failed)."""

    def __init__(self, number: int, text: str = "", function: str = "") -> None:
        self.number = number
        self.name = error_name(number)
        self.text = text
        self.function = function
        where = f"{function}: " if function else ""
        detail = f" - {text}" if text else ""
        super().__init__(f"{where}{self.name} ({number}){detail}")


class OpenError(VorexError, builtins.ConnectionError):
    """VOREX_OpenPort failed. ``number`` is its negative result: -1 the link could not
    be opened, -2 negative timeout, -11 the reader did not identify, -13 HID
    preparation failed."""

    NAMES = {
        -1: "OPEN_LINK_FAILED",
        -2: "OPEN_NEGATIVE_TIMEOUT",
        -11: "OPEN_NO_READER",
        -13: "OPEN_HID_PREPARATION_FAILED",
    }

    def __init__(self, number: int, port: str) -> None:
        super().__init__(number, f"cannot open {port!r}", "VOREX_OpenPort")
        self.name = self.NAMES.get(number, f"OPEN_FAILED_{-number}")
        self.port = port
        self.args = (f"VOREX_OpenPort: {self.name} ({number}) - cannot open {port!r}",)


class HandleError(VorexError):
    """The handle names no open connection (the reader was closed)."""


class TimeoutError(VorexError, builtins.TimeoutError):
    """No (complete) answer from the reader in time."""


class UsageError(VorexError, builtins.ValueError):
    """The engine refused the arguments: buffer, count, mode, block number, baud rate."""


class ProtocolError(VorexError):
    """The reader's answer was malformed or unexpected (checksum, length, status)."""


class ReaderError(VorexError):
    """The reader reported a status: no reader, wrong byte count, unknown command."""


class TransponderError(VorexError):
    """No card or tag answered, or several collided."""


class AccessError(VorexError):
    """The card refused: authentication missing, block not writable, no value block."""


class TagError(VorexError):
    """An ISO 15693 tag answered with an error code (block locked, not available, ...)."""


class BluetoothError(VorexError):
    """A Bluetooth connect failed; ``number`` is the adapter's status (1: the adapter
    did not answer in time)."""

    def __init__(self, number: int, address: str) -> None:
        super().__init__(number, f"cannot connect to {address}", "VOREX_ConnectBluetooth")
        self.name = f"BLUETOOTH_STATUS_{number}"
        self.args = (f"VOREX_ConnectBluetooth: {self.name} ({number}) - cannot connect to {address}",)


_FAMILIES: dict[int, type[VorexError]] = {
    3: HandleError,
    4: TimeoutError,
    12: TimeoutError,
    5: UsageError,
    7: UsageError,
    8: UsageError,
    13: UsageError,
    14: UsageError,
    15: UsageError,
    6: ProtocolError,
    9: ProtocolError,
    10: ProtocolError,
    16: ProtocolError,
    17: ProtocolError,
    42: ProtocolError,
    43: ProtocolError,
    44: ProtocolError,
    11: ReaderError,
    20: ReaderError,
    24: ReaderError,
    21: TransponderError,
    23: TransponderError,
    19: AccessError,
    241: AccessError,
    246: AccessError,
}


def error_class(number: int) -> type[VorexError]:
    """The exception class of an engine error number."""
    if number in _FAMILIES:
        return _FAMILIES[number]
    if 32 <= number <= 41 or number in ISO_CUSTOM_RANGE:
        return TagError
    if number in NO_VALID_TRANSPONDER_RANGE:
        return TransponderError
    return ReaderError  # reader status bytes passed on as they are
