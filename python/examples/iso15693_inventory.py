#!/usr/bin/env python3
"""Lists the ISO 15693 tags in a reader's field and dumps each one's blocks as JSON.

    python3 iso15693_inventory.py PORT [--out FILE]

Against the stand-in reader: start ``vorex-sim --scenario demo`` and pass the path it
prints (``/dev/pts/N``) as PORT.
"""

from __future__ import annotations

import argparse
import json
import sys

import vorex


def dump_tag(reader: vorex.Reader, tag: vorex.Iso15693Tag) -> dict:
    entry = {
        "uid": tag.uid_hex,
        "manufacturer": tag.manufacturer_name,
        "block_count": tag.block_count,
        "block_size": tag.block_size,
    }
    try:
        blocks = reader.iso15693_read_all(tag)
    except vorex.VorexError as error:
        entry["error"] = f"{error.name}: {error.text}"
        return entry
    entry["blocks"] = [
        {"block": n, "data": b.data.hex().upper(), "locked": b.locked} for n, b in enumerate(blocks)
    ]
    return entry


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("port", help="reader port, e.g. /dev/ttyUSB0 or the stand-in's /dev/pts/N")
    parser.add_argument("--baud", type=int, default=19200, help="baud code (default 19200)")
    parser.add_argument("--out", help="write the JSON here instead of stdout")
    args = parser.parse_args()
    try:
        with vorex.Reader(args.port, baud=args.baud, timeout=1000) as reader:
            tags = reader.iso15693_inventory()
            for tag in tags:
                print(tag, file=sys.stderr)
            result = {"reader": reader.device_name, "tags": [dump_tag(reader, t) for t in tags]}
    except vorex.VorexError as error:
        print(f"error: {error}", file=sys.stderr)
        return 1
    text = json.dumps(result, indent=2)
    if args.out:
        with open(args.out, "w", encoding="utf-8") as out:
            out.write(text + "\n")
    else:
        print(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
