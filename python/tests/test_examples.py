"""The examples in python/examples, run end to end against the demo reader."""

from __future__ import annotations

import json
import os
import subprocess
import sys
from pathlib import Path

import vorex

EXAMPLES = Path(__file__).resolve().parents[1] / "examples"


def run(example: str, *args: str) -> subprocess.CompletedProcess:
    env = dict(os.environ, PYTHONPATH=str(Path(vorex.__file__).parents[1]), PYTHONDONTWRITEBYTECODE="1")
    env.setdefault("VOREX_LIBRARY", vorex.library_path)
    return subprocess.run([sys.executable, str(EXAMPLES / example), *args], env=env,
                          capture_output=True, text=True, timeout=120)


def test_inventory_dump_to_json(sim, tmp_path):
    out = tmp_path / "tags.json"
    result = run("iso15693_inventory.py", sim.port, "--out", str(out))
    assert result.returncode == 0, result.stderr
    dump = json.loads(out.read_text())
    assert dump["reader"] == "VX-B75"
    tags = {t["uid"]: t for t in dump["tags"]}
    assert len(tags) == 10
    slix = tags["E004015012345671"]
    assert slix["manufacturer"] == "NXP Semiconductors" and slix["block_count"] == 28
    assert slix["blocks"][0] == {"block": 0, "data": "566F7265", "locked": True}
    assert len(tags["E0022C0048159E07"]["blocks"]) == 2048
    assert "E004015012345671 NXP Semiconductors 28 x 4" in result.stderr


def test_classic_sector_read(sim):
    result = run("mifare_sector.py", sim.port, "1", "--key", "A0A1A2A3A4A5")
    assert result.returncode == 0, result.stderr
    lines = result.stdout.splitlines()
    assert lines[0] == "card 045A3C219B6E80, SAK 18"
    assert lines[1].startswith("  4  56 6F 72 65 78") and "Vorex demo 4K" in lines[1]
    assert len(lines) == 5 and lines[4].endswith("trailer")
    stored = run("mifare_sector.py", sim.port, "33", "--key-number", "1")
    assert stored.returncode == 0 and len(stored.stdout.splitlines()) == 17
    wrong = run("mifare_sector.py", sim.port, "1", "--key", "000000000000")
    assert wrong.returncode == 1 and "VOREX_ERR_NOT_AUTHENTICATED" in wrong.stderr


def test_ndef_url_to_ntag(sim):
    refused = run("ntag_url.py", sim.port, "https://vorex.example/")
    assert refused.returncode == 1 and "no NFC Type 2 tag" in refused.stderr  # Classic 4K in the field
    sim.command("card ntag216")
    result = run("ntag_url.py", sim.port, "https://vorex.example/python")
    assert result.returncode == 0, result.stderr
    with vorex.Reader(sim.port) as reader:
        reader.mifare_request()
        reader.mifare_select()
        pages = reader.type2_read_pages(4) + reader.type2_read_pages(8)
    record = b"\xD1\x01\x15U\x04vorex.example/python"
    assert pages[: 2 + len(record) + 1] == b"\x03" + bytes([len(record)]) + record + b"\xFE"
