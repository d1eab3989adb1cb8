"""vorex.Reader: one open connection to a reader."""

from __future__ import annotations

import ctypes
import warnings
from collections.abc import Iterable
from typing import Union

from ._engine import Engine
from .errors import BluetoothError, HandleError, OpenError, UsageError, VorexError
from .records import Block, BluetoothDevice, Card, Iso15693Tag, MemorySize, TransmitPower

#: Tag, UID bytes (most significant first, as printed) or None (unaddressed request).
TagLike = Union[Iso15693Tag, bytes, bytearray, None]

# ISO 15693 request flags and engine flags (the low byte goes to the tag).
OPTION_FLAG = 0x40
PROTOCOL_EXTENSION = 0x08
INFINEON = 0x100
_ST, _INFINEON_CODE = 0x02, 0x05
# Payload bytes of one reader answer.
_MAX_ANSWER = 254
_INVENTORY_RECORD = 11
_BT_RECORD = 38


def _uid_lsb(tag: TagLike) -> tuple[bytes | None, int]:
    """The UID as the engine takes it (least significant byte first) and its length."""
    if tag is None:
        return None, 0
    uid = tag.uid if isinstance(tag, Iso15693Tag) else bytes(tag)
    if len(uid) != 8:
        raise ValueError(f"an ISO 15693 UID has 8 bytes, not {len(uid)}")
    return uid[::-1], 8


def _as_bytes(data: bytes | bytearray | memoryview | Iterable[int], what: str) -> bytes:
    try:
        return bytes(data)
    except (TypeError, ValueError) as error:
        raise TypeError(f"{what} must be bytes, not {type(data).__name__}") from error


def _key_type(key_type: str | int) -> int:
    if key_type in ("A", "a", 0):
        return 0
    if key_type in ("B", "b", 1):
        return 1
    raise ValueError(f"key_type is 'A' or 'B', not {key_type!r}")


class Reader:
    """A reader connection, opened and identified on construction.

    ``port`` is a device path (``/dev/ttyUSB0``, the stand-in's ``/dev/pts/N``),
    ``COMn``, optionally with a bus address (``/dev/ttyUSB0:5``), a LAN identity
    from :func:`vorex.search_lan`, or a Bluetooth adapter (``"... BT"``).
    ``baud`` is the baud code: baud rate plus format (0 8N1, 1 8E1, 2 8O1, 3 8N2),
    e.g. 115201. ``timeout`` is the answer timeout in milliseconds.

    Use it as a context manager; the connection is closed on leaving the block,
    also when an exception leaves it::

        with vorex.Reader("/dev/ttyUSB0") as reader:
            for tag in reader.iso15693_inventory():
                print(tag.uid_hex, reader.iso15693_read_block(tag, 0).hex())

    Failed calls raise a :class:`vorex.VorexError` subclass with the engine's error
    number and name. All calls are meant for one thread. Data goes in and comes out
    as ``bytes``; ISO 15693 UIDs are written most significant byte first (``E0`` ...).
    """

    def __init__(self, port: str, baud: int = 19200, timeout: int = 500) -> None:
        from . import _ENGINE  # the package's one engine instance

        self._engine: Engine = _ENGINE
        self._lib = _ENGINE.lib
        self._handle = 0
        self.port = port
        if not isinstance(port, str):
            raise TypeError(f"port must be a str, not {type(port).__name__}")
        result = self._lib.VOREX_OpenPort(port.encode(), int(baud), int(timeout))
        _ENGINE.raise_pending()
        if result <= 0:
            raise OpenError(result, port)
        self._handle = result
        self._buffer = ctypes.create_string_buffer(4096)

    # ---- connection ----
    @property
    def handle(self) -> int:
        """The engine's handle of the connection (0 once closed)."""
        return self._handle

    @property
    def closed(self) -> bool:
        return self._handle == 0

    def close(self) -> None:
        """Closes the connection; closing twice is harmless."""
        handle, self._handle = self._handle, 0
        if handle:
            self._lib.VOREX_ClosePort(handle)

    def __enter__(self) -> Reader:
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.close()

    def __del__(self) -> None:
        if getattr(self, "_handle", 0):
            try:
                warnings.warn(f"unclosed vorex.Reader {self.port!r}", ResourceWarning, stacklevel=1)
            except Exception:  # noqa: BLE001 - interpreter shutdown
                pass
            self.close()

    def __repr__(self) -> str:
        state = "closed" if self.closed else f"handle {self._handle}"
        return f"<vorex.Reader {self.port!r} {state}>"

    def _check(self, result: int, function: str) -> int:
        """Raises for a failed call (-1), and the wait hook's exception if any."""
        if result < 0:
            raise self._engine.fail(self._handle, function)
        if self._engine.hook.pending is not None:
            self._engine.raise_pending()
        return result

    def _out(self, size: int) -> ctypes.Array[ctypes.c_char]:
        if size > len(self._buffer):
            self._buffer = ctypes.create_string_buffer(size)
        return self._buffer

    @property
    def last_error(self) -> int:
        """Engine error number of the connection's last operation (3 once closed)."""
        return self._lib.VOREX_GetLastError(self._handle)

    # ---- identification ----
    def version(self) -> bytes:
        """Asks the reader for its identification payload (device type digits and
        revision character), e.g. ``b"165J"``."""
        buf = self._out(256)
        n = self._check(self._lib.VOREX_GetVersion(self._handle, buf, 256), "VOREX_GetVersion")
        return buf.raw[:n]

    @property
    def device_name(self) -> str:
        """Model name of the reader ("VX-B75")."""
        buf = self._out(256)
        n = self._lib.VOREX_GetDeviceName(self._handle, buf, 256)
        return buf.raw[: min(n, 255)].split(b"\0")[0].decode("utf-8", "replace")

    @property
    def device_type(self) -> int:
        """Device type code from the identification (12 bits)."""
        return self._check(self._lib.VOREX_GetDeviceType(self._handle), "VOREX_GetDeviceType")

    @property
    def is_programmer(self) -> bool:
        """True when the reader writes transponders, False when it only reads."""
        return self._check(self._lib.VOREX_IsProgrammer(self._handle), "VOREX_IsProgrammer") == 1

    @property
    def is_usb_link(self) -> bool:
        """True when the connection runs over HID or an FTDI device."""
        return self._check(self._lib.VOREX_IsUsbLink(self._handle), "VOREX_IsUsbLink") == 1

    @property
    def frame_variant(self) -> int:
        """The frame variant (0-3) the reader speaks."""
        return self._check(self._lib.VOREX_GetFrameVariant(self._handle), "VOREX_GetFrameVariant")

    def set_background_mode(self, on: bool) -> None:
        """Background mode: the receive wait skips the wait hook's begin and end."""
        self._check(
            self._lib.VOREX_SetBackgroundMode(self._handle, int(bool(on))), "VOREX_SetBackgroundMode"
        )

    # ---- reader configuration ----
    def set_baudrate(self, baud: int, format: int = 0) -> None:
        """Switches the reader (and the connection) to ``baud`` (2400 ... 1382400)
        with serial format 0-3; serial connections only."""
        self._check(self._lib.VOREX_SetBaudrate(self._handle, baud, format), "VOREX_SetBaudrate")

    def set_reader_mode(self, mode: int) -> None:
        """Operating mode 0-3 (bit 7 may be set)."""
        self._check(self._lib.VOREX_SetReaderMode(self._handle, mode), "VOREX_SetReaderMode")

    def set_host_mode(self, on: bool) -> None:
        self._check(self._lib.VOREX_SetHostMode(self._handle, int(bool(on))), "VOREX_SetHostMode")

    def send_command_f6(self, a: int, b: int) -> None:
        """The two-byte command F6 a b (sent after a USB mode change)."""
        self._check(self._lib.VOREX_SendCommandF6(self._handle, a, b), "VOREX_SendCommandF6")

    def read_settings(self) -> bytes:
        """The reader's settings block."""
        buf = self._out(256)
        n = self._check(self._lib.VOREX_ReadSettings(self._handle, buf, 256), "VOREX_ReadSettings")
        return buf.raw[:n]

    def write_settings(self, settings: bytes) -> None:
        """Replaces the reader's settings block."""
        data = _as_bytes(settings, "settings")
        self._check(
            self._lib.VOREX_WriteSettings(self._handle, data, len(data)), "VOREX_WriteSettings"
        )

    def transmit_power(self) -> TransmitPower | None:
        """Transmit power of both air interfaces from the settings block; None when the
        block does not hold it."""
        block = self.read_settings()
        if len(block) < 2 or not block[0] & 1:
            return None
        return TransmitPower(
            "half" if block[1] & 1 else "full", "half" if block[1] & 2 else "full"
        )

    def set_transmit_power(self, iso15693: str = "full", iso14443: str = "full") -> None:
        """Sets the transmit power of both air interfaces ("full" or "half") by writing
        the settings block."""
        for value in (iso15693, iso14443):
            if value not in ("full", "half"):
                raise ValueError(f"transmit power is 'full' or 'half', not {value!r}")
        power = (iso15693 == "half") | (iso14443 == "half") << 1
        self.write_settings(bytes([0x03, power, 0x80]))

    def factory_reset(self) -> None:
        """Restores the reader's factory settings."""
        self._check(self._lib.VOREX_FactoryReset(self._handle), "VOREX_FactoryReset")

    def set_usb_mode(self, mode: int) -> None:
        """USB interface mode: 1 HID, 2 virtual COM port."""
        self._check(self._lib.VOREX_SetUsbMode(self._handle, mode), "VOREX_SetUsbMode")

    # ---- ISO 15693 ----
    def iso15693_inventory(self, flags: int = 0, geometry: bool = True) -> list[Iso15693Tag]:
        """The ISO 15693 tags in the field. With ``geometry`` each tag's block count and
        size are asked too (None for a tag that does not tell them)."""
        capacity = 64 * 16 * _INVENTORY_RECORD
        buf = self._out(capacity)
        n = self._check(
            self._lib.VOREX_Iso15693Inventory(self._handle, buf, capacity, flags),
            "VOREX_Iso15693Inventory",
        )
        raw = buf.raw[:n]
        tags = []
        for at in range(0, n - _INVENTORY_RECORD + 1, _INVENTORY_RECORD):
            record = raw[at : at + _INVENTORY_RECORD]
            tags.append(Iso15693Tag(uid=record[3:11][::-1], dsfid=record[2]))
        if geometry:
            tags = [self._with_geometry(tag, flags) for tag in tags]
        return tags

    def _with_geometry(self, tag: Iso15693Tag, flags: int) -> Iso15693Tag:
        try:
            size = self.iso15693_memory_size(tag, flags & ~0xFF)
        except (HandleError, UsageError):
            raise
        except VorexError:  # the tag does not tell its memory size
            return tag
        return Iso15693Tag(tag.uid, tag.dsfid, size.block_count, size.block_size)

    def iso15693_system_info(self, tag: TagLike = None, flags: int = 0) -> bytes:
        """The tag's Get System Information payload."""
        uid, uid_len = _uid_lsb(tag)
        buf = self._out(256)
        n = self._check(
            self._lib.VOREX_Iso15693GetSystemInfo(self._handle, buf, 256, uid, uid_len, flags),
            "VOREX_Iso15693GetSystemInfo",
        )
        return buf.raw[:n]

    def iso15693_memory_size(self, tag: TagLike = None, flags: int = 0) -> MemorySize:
        """Block count, block size and manufacturer code of the tag."""
        uid, uid_len = _uid_lsb(tag)
        count, size, maker = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
        self._check(
            self._lib.VOREX_Iso15693GetMemorySize(
                self._handle, uid, uid_len, ctypes.byref(count), ctypes.byref(size),
                ctypes.byref(maker), flags,
            ),
            "VOREX_Iso15693GetMemorySize",
        )
        return MemorySize(count.value, size.value, maker.value)

    def iso15693_read_block(self, tag: TagLike, block: int, flags: int = 0) -> bytes:
        """One block's data (preceded by its security status byte when ``flags`` has
        the option flag 0x40)."""
        uid, uid_len = _uid_lsb(tag)
        buf = self._out(256)
        n = self._check(
            self._lib.VOREX_Iso15693ReadBlock(self._handle, block, buf, 256, uid, uid_len, flags),
            "VOREX_Iso15693ReadBlock",
        )
        return buf.raw[:n]

    def iso15693_read_blocks(self, tag: TagLike, first: int, count: int, flags: int = 0) -> bytes:
        """Read Multiple Blocks: ``count`` (1-256) blocks from ``first`` on, as one
        ``bytes`` (each block preceded by its security status with the option flag)."""
        uid, uid_len = _uid_lsb(tag)
        capacity = max(count, 1) * 33
        buf = self._out(capacity)
        n = self._check(
            self._lib.VOREX_Iso15693ReadMultipleBlocks(
                self._handle, first, count, buf, capacity, uid, uid_len, flags
            ),
            "VOREX_Iso15693ReadMultipleBlocks",
        )
        return buf.raw[:n]

    def iso15693_write_block(self, tag: TagLike, block: int, data: bytes, flags: int = 0) -> None:
        """Writes one block (``data`` of the tag's block size)."""
        uid, uid_len = _uid_lsb(tag)
        data = _as_bytes(data, "data")
        self._check(
            self._lib.VOREX_Iso15693WriteBlock(
                self._handle, block, data, len(data), uid, uid_len, flags
            ),
            "VOREX_Iso15693WriteBlock",
        )

    def iso15693_lock_block(self, tag: TagLike, block: int, flags: int = 0) -> None:
        """Locks one block for good."""
        uid, uid_len = _uid_lsb(tag)
        self._check(
            self._lib.VOREX_Iso15693LockBlock(self._handle, block, uid, uid_len, flags),
            "VOREX_Iso15693LockBlock",
        )

    def iso15693_read_all(self, tag: TagLike, flags: int = 0) -> list[Block]:
        """Every block of the tag with its lock state.

        Reads with Read Multiple Blocks in chunks as large as one reader answer holds;
        tags or readers that refuse it (and Infineon tags) are read block by block.
        ST tags of more than 256 blocks get the protocol extension flag."""
        count, size, maker = self.iso15693_memory_size(tag, flags)
        if count <= 0 or size <= 0:
            return []
        if maker == _ST and count > 256:
            flags |= PROTOCOL_EXTENSION
        chunk = max(1, min((_MAX_ANSWER - 1) // (size + 1), 256))
        multiple = chunk > 1 and not flags & INFINEON and maker != _INFINEON_CODE
        blocks: list[Block] = []
        while len(blocks) < count:
            first = len(blocks)
            n = min(chunk, count - first)
            if multiple and n > 1:
                try:
                    raw = self.iso15693_read_blocks(tag, first, n, flags | OPTION_FLAG)
                except HandleError:
                    raise
                except VorexError:  # refused: read block by block
                    raw = b""
                if len(raw) in (n * (size + 1), n * size):
                    step = size + 1 if len(raw) == n * (size + 1) else size
                    for at in range(0, len(raw), step):
                        if step > size:
                            blocks.append(Block(raw[at + 1 : at + step], raw[at] != 0))
                        else:
                            blocks.append(Block(raw[at : at + step], None))
                    continue
                multiple = False
            for b in range(first, first + n):
                raw = self.iso15693_read_block(tag, b, flags | OPTION_FLAG)
                if len(raw) == size + 1:
                    blocks.append(Block(raw[1:], raw[0] != 0))
                else:
                    blocks.append(Block(raw, None))
        return blocks

    # ---- ISO 14443A: MIFARE Classic ----
    def mifare_request(self) -> int:
        """Wakes the card in the field; returns its ATQA."""
        answer = ctypes.c_ushort()
        self._check(
            self._lib.VOREX_MifareRequest(self._handle, ctypes.byref(answer)), "VOREX_MifareRequest"
        )
        return answer.value

    def mifare_select(self) -> Card:
        """Selects the card in the field (after :meth:`mifare_request`)."""
        buf = self._out(16)
        sak = ctypes.create_string_buffer(1)
        n = self._check(
            self._lib.VOREX_MifareSelect(self._handle, buf, 16, sak), "VOREX_MifareSelect"
        )
        return Card(buf.raw[:n], sak.raw[0])

    def mifare_authenticate(
        self,
        block: int,
        key: bytes | None = None,
        key_type: str = "A",
        key_number: int = 0,
    ) -> None:
        """Authenticates the sector of ``block`` with Key A or B: with the 6 ``key``
        bytes, or with the reader's stored key ``key_number`` when ``key`` is None."""
        kt = _key_type(key_type)
        if key is not None:
            key = _as_bytes(key, "key")
            if len(key) != 6:
                raise ValueError(f"a MIFARE Classic key has 6 bytes, not {len(key)}")
        self._check(
            self._lib.VOREX_MifareAuthenticate(
                self._handle, key, len(key) if key else 0, kt, key_number, block
            ),
            "VOREX_MifareAuthenticate",
        )

    def mifare_read_block(self, block: int) -> bytes:
        """Reads a 16-byte block (authenticated before)."""
        buf = self._out(16)
        n = self._check(
            self._lib.VOREX_MifareReadBlock(self._handle, block, buf, 16), "VOREX_MifareReadBlock"
        )
        return buf.raw[:n]

    def mifare_write_block(self, block: int, data: bytes) -> None:
        """Writes a 16-byte block (authenticated before)."""
        data = _as_bytes(data, "data")
        self._check(
            self._lib.VOREX_MifareWriteBlock(self._handle, block, data, len(data)),
            "VOREX_MifareWriteBlock",
        )

    def mifare_increment(self, block: int, value: int) -> None:
        """Adds ``value`` to a value block."""
        self._check(self._lib.VOREX_MifareValue(self._handle, block, 1, value), "VOREX_MifareValue")

    def mifare_decrement(self, block: int, value: int) -> None:
        """Subtracts ``value`` from a value block."""
        self._check(self._lib.VOREX_MifareValue(self._handle, block, 0, value), "VOREX_MifareValue")

    def mifare_read_value(self, block: int) -> int:
        """Reads a value block and returns its value; ValueError when the block does
        not hold the value block format."""
        return decode_value_block(self.mifare_read_block(block))

    def mifare_store_key(self, key_type: str, key_number: int, key: bytes) -> None:
        """Stores a 6-byte key in the reader's key store (slot ``key_number``)."""
        key = _as_bytes(key, "key")
        self._check(
            self._lib.VOREX_MifareStoreKey(
                self._handle, _key_type(key_type), key_number, key, len(key)
            ),
            "VOREX_MifareStoreKey",
        )

    # ---- MIFARE Ultralight / NTAG / NFC Type 2 ----
    def type2_read_pages(self, page: int) -> bytes:
        """Reads four pages (16 bytes) from ``page`` on. Bits above the low byte of
        ``page`` select the Type 2 sector."""
        return self.mifare_read_block(page)

    def type2_write_page(self, page: int, data: bytes) -> None:
        """Writes one 4-byte page."""
        data = _as_bytes(data, "data")
        if len(data) != 4:
            raise ValueError(f"a page has 4 bytes, not {len(data)}")
        self.mifare_write_block(page, data)

    def type2_authenticate(self, password: bytes) -> None:
        """NTAG password authentication (PWD_AUTH) with the 4-byte password."""
        password = _as_bytes(password, "password")
        if len(password) != 4:
            raise ValueError(f"an NTAG password has 4 bytes, not {len(password)}")
        self._check(
            self._lib.VOREX_MifareAuthenticate(self._handle, password, 4, 0, 0, 0),
            "VOREX_MifareAuthenticate",
        )

    @property
    def type2_selected_sector(self) -> int:
        """The NFC Type 2 sector selected last on the connection."""
        return self._check(
            self._lib.VOREX_MifareSelectedSector(self._handle), "VOREX_MifareSelectedSector"
        )

    # ---- Bluetooth (connections to a Bluetooth adapter) ----
    def bluetooth_search(self, timeout: int = 20000, device_class: int = 0) -> list[BluetoothDevice]:
        """Searches for Bluetooth devices in range (``timeout`` in ms). ``device_class``
        0 takes every device, else only the first of that class."""
        capacity = 64 * _BT_RECORD
        buf = self._out(capacity)
        n = self._check(
            self._lib.VOREX_SearchBluetooth(self._handle, buf, capacity, timeout, device_class),
            "VOREX_SearchBluetooth",
        )
        raw = buf.raw[:n]
        found = []
        for at in range(0, n - _BT_RECORD + 1, _BT_RECORD):
            address = raw[at : at + 6]
            name = raw[at + 6 : at + _BT_RECORD].split(b"\0")[0].decode("utf-8", "replace")
            found.append(BluetoothDevice(":".join(f"{b:02X}" for b in address), address, name))
        return found

    def bluetooth_connect(
        self, device: BluetoothDevice | str | bytes, parameter: int = 1, timeout: int = 3000
    ) -> None:
        """Connects the adapter to a device (a search result, "11:22:33:44:55:66" or
        its 6 bytes); BluetoothError with the adapter's status when it fails."""
        address = parse_bluetooth_address(device)
        text = ":".join(f"{b:02X}" for b in address)
        result = self._lib.VOREX_ConnectBluetooth(self._handle, address, parameter, timeout)
        self._engine.raise_pending()
        if result == 1:
            return
        if result < 0:
            raise self._engine.fail(self._handle, "VOREX_ConnectBluetooth")
        raise BluetoothError(self._lib.VOREX_GetLastError(self._handle), text)


def parse_bluetooth_address(device: BluetoothDevice | str | bytes) -> bytes:
    """Six address bytes from a search result, "11:22:33:44:55:66" or bytes."""
    if isinstance(device, BluetoothDevice):
        return device.address_bytes
    if isinstance(device, str):
        parts = device.split(":")
        try:
            raw = bytes(int(p, 16) for p in parts) if len(parts) == 6 else bytes.fromhex(device)
        except ValueError:
            raw = b""
        if len(raw) != 6 or any(len(p) != 2 for p in parts if len(parts) == 6):
            raise ValueError(f"not a Bluetooth address: {device!r}")
        return raw
    raw = _as_bytes(device, "address")
    if len(raw) != 6:
        raise ValueError(f"a Bluetooth address has 6 bytes, not {len(raw)}")
    return raw


def decode_value_block(block: bytes) -> int:
    """The value of a MIFARE Classic value block (value, inverted value, value, then
    the address byte four times as a, ~a, a, ~a); ValueError for other contents."""
    if len(block) != 16:
        raise ValueError(f"a value block has 16 bytes, not {len(block)}")
    v, inv, v2 = block[0:4], block[4:8], block[8:12]
    a = block[12:16]
    if (
        v != v2
        or any(x ^ y != 0xFF for x, y in zip(v, inv))
        or a[0] != a[2]
        or a[1] != a[3]
        or a[0] ^ a[1] != 0xFF
    ):
        raise ValueError(f"not a value block: {block.hex().upper()}")
    return int.from_bytes(v, "little", signed=True)


def classic_sector_blocks(sector: int) -> range:
    """The block numbers of a MIFARE Classic sector: 4 blocks each in sectors 0-31,
    16 in sectors 32-39 (4K); the last is the sector trailer."""
    if 0 <= sector < 32:
        return range(4 * sector, 4 * sector + 4)
    if 32 <= sector < 40:
        first = 128 + 16 * (sector - 32)
        return range(first, first + 16)
    raise ValueError(f"MIFARE Classic sectors are 0-39, not {sector}")
