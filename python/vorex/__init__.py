"""vorex: Python access to Vorex RFID readers through the reader engine libvorex.

Open a reader with :class:`Reader` (a context manager); errors are raised as
:class:`VorexError` subclasses carrying the engine error number and its name.
The C call surface itself is :data:`lib` (prototypes in :mod:`vorex.binding`).

The library is ``$VOREX_LIBRARY`` when set; from the source tree the newest
``build/*/engine/libvorex.so`` of a tree built without sanitizers; else the
system's ``libvorex.so.2`` (Debian package libvorex2).
"""

from __future__ import annotations

from ._engine import Engine, HookCallable

_ENGINE = Engine()

#: The loaded libvorex with every VOREX_ prototype set (see vorex.binding).
lib = _ENGINE.lib
#: Where the library was loaded from.
library_path: str = _ENGINE.path

from .discovery import (  # noqa: E402
    check_usb_drivers,
    get_lan_config,
    is_cdc_driver_available,
    list_bluetooth_ports,
    list_ports,
    list_usb_devices,
    search_lan,
    set_lan_config,
    test_lan_connection,
)
from .errors import (  # noqa: E402
    AccessError,
    BluetoothError,
    HandleError,
    OpenError,
    ProtocolError,
    ReaderError,
    TagError,
    TimeoutError,
    TransponderError,
    UsageError,
    VorexError,
    error_name,
)
from .reader import (  # noqa: E402
    OPTION_FLAG,
    PROTOCOL_EXTENSION,
    Reader,
    classic_sector_blocks,
    decode_value_block,
)
from .records import (  # noqa: E402
    Block,
    BluetoothDevice,
    Card,
    Iso15693Tag,
    LanConfig,
    LanReader,
    MemorySize,
    TransmitPower,
    manufacturer_name,
)


def sdk_version() -> int:
    """The engine's version number (222 means 2.22)."""
    return lib.VOREX_GetSdkVersion()


def error_text(number: int) -> str:
    """The engine's (German) display text for an error number."""
    return _ENGINE.error_text(number)


def error_string_id(number: int) -> int:
    """String-table id of the display text for an error number."""
    return lib.VOREX_GetErrorStringId(number)


def set_wait_hook(
    pump: HookCallable | None = None,
    *,
    begin: HookCallable | None = None,
    end: HookCallable | None = None,
) -> None:
    """Installs Python callables as the engine's receive-wait hook: ``begin()`` once
    when an exchange starts waiting, ``pump()`` every few milliseconds, ``end()`` once.
    Called with no functions, it removes the hook.

    An exception raised in one of them does not reach the engine: it ends the wait
    (the call fails as a timeout would) and is raised from the call that waited."""
    _ENGINE.set_wait_hook(pump, begin, end)


def cancel_wait() -> None:
    """Ends the receive wait running now (call it from the wait hook's pump)."""
    lib.VOREX_CancelWait()


__all__ = [
    "AccessError", "Block", "BluetoothDevice", "BluetoothError", "Card", "HandleError",
    "Iso15693Tag", "LanConfig", "LanReader", "MemorySize", "OPTION_FLAG", "OpenError",
    "PROTOCOL_EXTENSION", "ProtocolError", "Reader", "ReaderError", "TagError",
    "TimeoutError", "TransmitPower", "TransponderError", "UsageError", "VorexError",
    "cancel_wait", "check_usb_drivers", "classic_sector_blocks", "decode_value_block",
    "error_name", "error_string_id", "error_text", "get_lan_config",
    "is_cdc_driver_available", "lib", "library_path", "list_bluetooth_ports", "list_ports",
    "list_usb_devices", "manufacturer_name", "sdk_version", "search_lan", "set_lan_config",
    "set_wait_hook", "test_lan_connection",
]
