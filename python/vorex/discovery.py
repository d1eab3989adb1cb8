"""Readers and ports present: serial, USB, LAN and Bluetooth."""

from __future__ import annotations

import ctypes
import re

from . import _ENGINE
from .errors import VorexError
from .records import LanConfig, LanReader

_LAN_ENTRY = re.compile(r"^(?:\[(?P<name>[^\]]*)\])?(?:(?P<address>[0-9.]+)(?:-(?P<port>\d+))?)?$")


def list_ports() -> list[str]:
    """Serial ports present (device paths)."""
    return _ENGINE.name_list(_ENGINE.lib.VOREX_ListComPorts)


def list_usb_devices() -> list[str]:
    """USB readers present: FTDI serial numbers, then "<serial> HID" entries."""
    return _ENGINE.name_list(_ENGINE.lib.VOREX_ListUsbDevices)


def check_usb_drivers() -> int:
    """Bit set of attached readers lacking their driver: 1 FTDI-based, 2 virtual COM."""
    return _ENGINE.lib.VOREX_CheckUsbDrivers()


def is_cdc_driver_available() -> bool:
    """True when the virtual-COM (CDC) driver can be used."""
    return _ENGINE.lib.VOREX_IsCdcDriverAvailable() == 1


def list_bluetooth_ports() -> list[str]:
    """Bluetooth adapters ("<serial> BT", "<path> BT" for modules in $VOREX_BT_MODULES)."""
    return _ENGINE.name_list(_ENGINE.lib.VOREX_ListBluetoothPorts)


def parse_lan_entry(entry: str) -> LanReader:
    """A search entry ("a.b.c.d-port", "[name]a.b.c.d-port", "[name]") as a LanReader."""
    m = _LAN_ENTRY.match(entry)
    if not m:
        return LanReader(entry, None, None, None)
    port = m.group("port")
    return LanReader(entry, m.group("name"), m.group("address"), int(port) if port else None)


def search_lan(own_only: bool = True) -> list[LanReader]:
    """Readers on the network. ``own_only`` keeps the system's own readers (model
    "VX-...") and lists those with an automatic address by name; False lists every
    reader that answers, by address. Adapters and port: $VOREX_LAN_ADAPTERS,
    $VOREX_LAN_UDP_PORT."""
    fn = _ENGINE.lib.VOREX_SearchLanEx if own_only else _ENGINE.lib.VOREX_SearchLan
    return [parse_lan_entry(entry) for entry in _ENGINE.name_list(fn)]


def _identity(reader: LanReader | str) -> bytes:
    return (reader.identity if isinstance(reader, LanReader) else str(reader)).encode()


def test_lan_connection(reader: LanReader | str) -> bool:
    """True when the reader of the identity answers."""
    result = _ENGINE.lib.VOREX_TestLanConnection(_identity(reader))
    _ENGINE.raise_pending()
    return result == 1


def get_lan_config(reader: LanReader | str) -> LanConfig:
    """The reader's network settings; VorexError (timeout) when it does not answer."""
    texts = [ctypes.create_string_buffer(64) for _ in range(4)]
    result = _ENGINE.lib.VOREX_GetLanConfig(_identity(reader), *texts, 64)
    _ENGINE.raise_pending()
    if result != 0:
        raise _lan_error("VOREX_GetLanConfig", reader)
    return LanConfig(*(t.value.decode("ascii", "replace") for t in texts))


def set_lan_config(
    reader: LanReader | str, address: str, mask: str | None = None, gateway: str | None = None
) -> None:
    """Changes the reader's network settings. ``address`` "a.b.c.d-port", or
    "[name]-port" for an automatic address; ``mask`` None keeps it; ``gateway`` None
    means 0.0.0.0."""
    result = _ENGINE.lib.VOREX_SetLanConfig(
        _identity(reader),
        address.encode(),
        mask.encode() if mask else None,
        gateway.encode() if gateway else None,
    )
    _ENGINE.raise_pending()
    if result != 0:
        raise _lan_error("VOREX_SetLanConfig", reader)


def _lan_error(function: str, reader: LanReader | str) -> VorexError:
    from .errors import TimeoutError

    name = reader.identity if isinstance(reader, LanReader) else reader
    return TimeoutError(4, f"the reader {name} did not answer or refused", function)
