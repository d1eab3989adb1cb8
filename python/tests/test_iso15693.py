"""ISO 15693 calls against the demo reader's tags."""

from __future__ import annotations

import pytest

import vorex

SLIX = bytes.fromhex("E004015012345671")
ST = bytes.fromhex("E0022C0048159E07")


def test_inventory_returns_tags_with_uid_manufacturer_and_geometry(reader):
    tags = {t.uid_hex: t for t in reader.iso15693_inventory()}
    assert len(tags) == 10
    slix = tags["E004015012345671"]
    assert (slix.uid, slix.manufacturer, slix.manufacturer_name) == (SLIX, 0x04, "NXP Semiconductors")
    assert (slix.block_count, slix.block_size, slix.size) == (28, 4, 112)
    assert (tags["E0022C0048159E07"].block_count, tags["E0080100000A55B9"].block_size) == (2048, 8)
    assert tags["E00780001D4C9903"].manufacturer_name == "Texas Instruments"
    assert str(slix) == "E004015012345671 NXP Semiconductors 28 x 4"
    bare = reader.iso15693_inventory(geometry=False)
    assert {t.uid for t in bare} == {t.uid for t in tags.values()}
    assert all(t.block_count is None for t in bare)


def test_inventory_of_an_empty_field_and_requests_to_no_tag(sim, reader):
    sim.command("tags none")
    assert reader.iso15693_inventory() == []
    with pytest.raises(vorex.TransponderError) as caught:
        reader.iso15693_read_block(SLIX, 0)
    assert caught.value.number == 21


def test_read_blocks_addressed_and_unaddressed(sim, reader):
    assert reader.iso15693_read_block(SLIX, 1) == b"x De"
    assert reader.iso15693_read_block(SLIX, 0, flags=vorex.OPTION_FLAG) == b"\x01Vore"
    assert reader.iso15693_read_blocks(SLIX, 0, 3) == b"Vorex Demo\x00\x00"
    tag = vorex.Iso15693Tag(SLIX)
    assert reader.iso15693_read_block(tag, 2) == b"mo\x00\x00"
    sim.command("tags slix")
    assert reader.iso15693_read_block(None, 1) == b"x De"
    info = reader.iso15693_system_info(SLIX)
    assert SLIX[::-1] in info
    assert reader.iso15693_memory_size(SLIX) == vorex.MemorySize(28, 4, 0x04)


def test_write_and_lock(reader):
    reader.iso15693_write_block(SLIX, 5, b"\x01\x02\x03\x04")
    assert reader.iso15693_read_block(SLIX, 5) == b"\x01\x02\x03\x04"
    reader.iso15693_write_block(SLIX, 6, bytearray(b"abcd"))
    reader.iso15693_lock_block(SLIX, 5)
    with pytest.raises(vorex.TagError) as caught:
        reader.iso15693_write_block(SLIX, 5, b"\x00\x00\x00\x00")
    assert caught.value.name == "VOREX_ERR_ISO_BLOCK_LOCKED"
    with pytest.raises(vorex.TagError) as caught:
        reader.iso15693_write_block(SLIX, 200, b"\x00\x00\x00\x00")
    assert caught.value.name == "VOREX_ERR_ISO_NO_BLOCK"
    assert reader.iso15693_read_all(SLIX)[5] == vorex.Block(b"\x01\x02\x03\x04", True)


def test_read_all_blocks(reader):
    blocks = reader.iso15693_read_all(SLIX)
    assert len(blocks) == 28
    assert blocks[:3] == [
        vorex.Block(b"Vore", True), vorex.Block(b"x De", False), vorex.Block(b"mo\x00\x00", False)
    ]
    st = reader.iso15693_read_all(ST)  # two-byte block numbers
    assert len(st) == 2048 and all(b.data == bytes(4) for b in st)
    myd = reader.iso15693_read_all(bytes.fromhex("E00545660120331A"))  # block by block
    assert myd[1].data == bytes([0x11] * 8)


@pytest.mark.parametrize("uid", [b"\x01\x02", b"", bytes(9)])
def test_a_uid_of_the_wrong_length_is_refused_before_the_call(reader, uid):
    with pytest.raises(ValueError):
        reader.iso15693_read_block(uid, 0)
