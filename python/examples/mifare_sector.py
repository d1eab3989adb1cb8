#!/usr/bin/env python3
"""Reads one sector of a MIFARE Classic card and prints its blocks.

    python3 mifare_sector.py PORT SECTOR [--key HEX | --key-number N] [--key-type A|B]

Without --key the reader's stored key --key-number (default 0) is used. Against the
stand-in reader (``vorex-sim --scenario demo``, MIFARE Classic 4K in the field):
``python3 mifare_sector.py /dev/pts/N 1 --key A0A1A2A3A4A5``.
"""

from __future__ import annotations

import argparse
import sys

import vorex


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("port")
    parser.add_argument("sector", type=int)
    parser.add_argument("--key", type=bytes.fromhex, help="6 key bytes as hex")
    parser.add_argument("--key-number", type=int, default=0, help="stored key to use")
    parser.add_argument("--key-type", choices=["A", "B"], default="A")
    parser.add_argument("--baud", type=int, default=19200)
    args = parser.parse_args()
    try:
        blocks = vorex.classic_sector_blocks(args.sector)
    except ValueError as error:
        parser.error(str(error))
    try:
        with vorex.Reader(args.port, baud=args.baud) as reader:
            reader.mifare_request()
            card = reader.mifare_select()
            print(f"card {card.uid_hex}, SAK {card.sak:02X}")
            reader.mifare_authenticate(
                blocks[0], key=args.key, key_type=args.key_type, key_number=args.key_number
            )
            for block in blocks:
                data = reader.mifare_read_block(block)
                kind = "trailer" if block == blocks[-1] else "data"
                text = "".join(chr(b) if 32 <= b < 127 else "." for b in data)
                print(f"{block:3d}  {data.hex(' ').upper()}  {text}  {kind}")
    except vorex.VorexError as error:
        print(f"error: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
