#!/usr/bin/env python3
"""Writes a URL as an NDEF message to an NTAG (NFC Forum Type 2 tag).

    python3 ntag_url.py PORT URL

The message (one URI record in an NDEF TLV, then the terminator TLV) is written page
by page from page 4 and read back. Against the stand-in reader: start
``vorex-sim --scenario demo``, type ``card ntag216`` on its stdin to put the NTAG216
into the field, then ``python3 ntag_url.py /dev/pts/N https://vorex.example/``.
"""

from __future__ import annotations

import argparse
import sys

import vorex

# URI identifier codes of the NFC Forum URI record type: the prefix the code stands for.
URI_PREFIXES = [
    (0x04, "https://"), (0x03, "http://"), (0x02, "https://www."), (0x01, "http://www."),
    (0x05, "tel:"), (0x06, "mailto:"),
]
FIRST_PAGE = 4


def uri_record(url: str) -> bytes:
    """A short NDEF record (MB, ME, SR, TNF 1) of type "U"."""
    code, rest = 0, url
    for candidate, prefix in sorted(URI_PREFIXES, key=lambda p: -len(p[1])):
        if url.startswith(prefix):
            code, rest = candidate, url[len(prefix):]
            break
    payload = bytes([code]) + rest.encode("utf-8")
    if len(payload) > 255:
        raise ValueError("the URL is too long for a short record")
    return bytes([0xD1, 1, len(payload)]) + b"U" + payload


def ndef_tlv(message: bytes) -> bytes:
    """The NDEF message TLV (one- or three-byte length) and the terminator TLV."""
    if len(message) < 0xFF:
        head = bytes([0x03, len(message)])
    else:
        head = bytes([0x03, 0xFF]) + len(message).to_bytes(2, "big")
    return head + message + b"\xFE"


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("port")
    parser.add_argument("url")
    parser.add_argument("--baud", type=int, default=19200)
    args = parser.parse_args()
    try:
        data = ndef_tlv(uri_record(args.url))
    except ValueError as error:
        parser.error(str(error))
    data += bytes(-len(data) % 4)  # whole pages
    try:
        with vorex.Reader(args.port, baud=args.baud) as reader:
            reader.mifare_request()
            card = reader.mifare_select()
            if card.sak != 0:
                print(f"error: the card {card.uid_hex} is no NFC Type 2 tag (SAK {card.sak:02X})",
                      file=sys.stderr)
                return 1
            cc = reader.type2_read_pages(3)[:4]
            if cc[0] != 0xE1:
                print(f"error: page 3 holds no NDEF capability container ({cc.hex()})", file=sys.stderr)
                return 1
            if len(data) > cc[2] * 8:
                print(f"error: {len(data)} bytes do not fit the tag's {cc[2] * 8}", file=sys.stderr)
                return 1
            pages = [data[i:i + 4] for i in range(0, len(data), 4)]
            for n, page in enumerate(pages):
                reader.type2_write_page(FIRST_PAGE + n, page)
            back = b"".join(reader.type2_read_pages(FIRST_PAGE + n)[:16]
                            for n in range(0, len(pages), 4))[:len(data)]
            if back != data:
                print("error: the tag reads back different data", file=sys.stderr)
                return 1
            print(f"wrote {args.url} to {card.uid_hex} ({len(pages)} pages from page {FIRST_PAGE})")
    except vorex.VorexError as error:
        print(f"error: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
