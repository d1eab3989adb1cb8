"""The values the reader's calls return: tags, cards, blocks, search results."""

from __future__ import annotations

from dataclasses import dataclass
from typing import NamedTuple

#: IC manufacturer codes (ISO/IEC 7816-6) of ISO 15693 tags, UID byte 6.
MANUFACTURERS: dict[int, str] = {
    0x01: "Motorola",
    0x02: "STMicroelectronics",
    0x03: "Hitachi",
    0x04: "NXP Semiconductors",
    0x05: "Infineon Technologies",
    0x06: "Cylink",
    0x07: "Texas Instruments",
    0x08: "Fujitsu",
    0x09: "Matsushita",
    0x0A: "NEC",
    0x0B: "Oki Electric",
    0x0C: "Toshiba",
    0x0D: "Mitsubishi Electric",
    0x0E: "Samsung Electronics",
    0x0F: "Hynix",
    0x10: "LG Semiconductors",
    0x12: "INSIDE Technology",
    0x15: "Atmel",
    0x16: "EM Microelectronic-Marin",
    0x1A: "Sony",
}


def manufacturer_name(code: int | None) -> str:
    """The maker's name for an IC manufacturer code, "unknown (0xNN)" otherwise."""
    if code is None:
        return "unknown"
    return MANUFACTURERS.get(code, f"unknown (0x{code:02X})")


@dataclass(frozen=True)
class Iso15693Tag:
    """An ISO 15693 tag found by an inventory.

    ``uid`` is the UID as printed and written on tags: most significant byte first
    (``E0``, manufacturer code, ...). ``block_count`` and ``block_size`` are None when
    the tag did not tell its memory size."""

    uid: bytes
    dsfid: int = 0
    block_count: int | None = None
    block_size: int | None = None

    @property
    def uid_hex(self) -> str:
        """The UID as 16 upper-case hex digits ("E004015012345671")."""
        return self.uid.hex().upper()

    @property
    def manufacturer(self) -> int:
        """IC manufacturer code (the byte after E0)."""
        return self.uid[1]

    @property
    def manufacturer_name(self) -> str:
        return manufacturer_name(self.manufacturer)

    @property
    def size(self) -> int | None:
        """User memory in bytes, when known."""
        if self.block_count is None or self.block_size is None:
            return None
        return self.block_count * self.block_size

    def __str__(self) -> str:
        geometry = f"{self.block_count} x {self.block_size}" if self.size is not None else "?"
        return f"{self.uid_hex} {self.manufacturer_name} {geometry}"


class MemorySize(NamedTuple):
    """An ISO 15693 tag's memory: block count, block size, manufacturer code."""

    block_count: int
    block_size: int
    manufacturer: int


class Block(NamedTuple):
    """An ISO 15693 block's data and lock state (None: the tag did not report it)."""

    data: bytes
    locked: bool | None


class Card(NamedTuple):
    """An ISO 14443A card answering a select: UID (as the reader gives it) and SAK."""

    uid: bytes
    sak: int

    @property
    def uid_hex(self) -> str:
        return self.uid.hex().upper()


class TransmitPower(NamedTuple):
    """Transmit power per air interface: "full" or "half"."""

    iso15693: str
    iso14443: str


class LanReader(NamedTuple):
    """A reader found on the network. ``identity`` opens it (``Reader(identity)``);
    ``name`` is set for readers that obtained their address automatically."""

    identity: str
    name: str | None
    address: str | None
    port: int | None


class LanConfig(NamedTuple):
    """A LAN reader's network settings, as the reader reports them."""

    name: str
    address: str
    mask: str
    gateway: str


class BluetoothDevice(NamedTuple):
    """A device found by a Bluetooth search: address ("01:00:00:C0:A8:E0", byte 0
    first), its six bytes, and the remote name."""

    address: str
    address_bytes: bytes
    name: str
