"""MIFARE Classic and NFC Type 2 calls against the demo reader's cards."""

from __future__ import annotations

import pytest

import vorex

KEY_A1 = bytes.fromhex("A0A1A2A3A4A5")


def select(reader):
    atqa = reader.mifare_request()
    return atqa, reader.mifare_select()


def test_request_and_select(reader):
    atqa, card = select(reader)
    assert atqa == 0x0042
    assert card == vorex.Card(bytes.fromhex("045A3C219B6E80"), 0x18)
    assert card.uid_hex == "045A3C219B6E80"


@pytest.mark.parametrize(
    "auth",
    [
        {"key": KEY_A1},
        {"key_number": 1},
        {"key": bytes.fromhex("B0B1B2B3B4B5"), "key_type": "B"},
        {"key_number": 1, "key_type": "b"},
    ],
)
def test_authenticate_with_key_bytes_or_stored_key(reader, auth):
    select(reader)
    reader.mifare_authenticate(4, **auth)
    assert reader.mifare_read_block(4) == b"Vorex demo 4K\x00\x00\x00"


def test_wrong_key_and_missing_authentication(reader):
    select(reader)
    with pytest.raises(vorex.AccessError) as caught:
        reader.mifare_authenticate(4, key=bytes(6))
    assert caught.value.name == "VOREX_ERR_NOT_AUTHENTICATED"
    with pytest.raises(ValueError):
        reader.mifare_authenticate(4, key=b"\x01\x02")
    with pytest.raises(ValueError):
        reader.mifare_authenticate(4, key=KEY_A1, key_type="C")


def test_write_block(reader):
    select(reader)
    reader.mifare_authenticate(4, key=KEY_A1)
    reader.mifare_write_block(6, bytes(range(16)))
    assert reader.mifare_read_block(6) == bytes(range(16))


def test_value_operations(reader):
    select(reader)
    reader.mifare_authenticate(8, key=bytes.fromhex("B0B1B2B3B4B5"), key_type="B")
    assert reader.mifare_read_value(10) == 1000
    reader.mifare_increment(10, 25)
    assert reader.mifare_read_value(10) == 1025
    reader.mifare_decrement(10, 1100)
    assert reader.mifare_read_value(10) == -75
    with pytest.raises(ValueError):
        vorex.decode_value_block(reader.mifare_read_block(8))
    with pytest.raises(vorex.AccessError) as caught:
        reader.mifare_decrement(8, 1)  # the access conditions forbid it
    assert caught.value.name == "VOREX_ERR_NOT_WRITABLE"
    select(reader)  # a refused command sends the card back to idle
    reader.mifare_authenticate(4, key=KEY_A1)
    with pytest.raises(vorex.AccessError) as caught:
        reader.mifare_decrement(5, 1)  # allowed, but a data block
    assert caught.value.name == "VOREX_ERR_NO_VALUE"


def test_store_key_then_authenticate_with_it(reader):
    reader.mifare_store_key("A", 5, bytes.fromhex("4D3A99C351DD"))
    select(reader)
    reader.mifare_authenticate(16, key_number=5)
    assert reader.mifare_read_block(16) == b"NDEF keys sector"


def test_sector_blocks():
    assert vorex.classic_sector_blocks(1) == range(4, 8)
    assert vorex.classic_sector_blocks(33) == range(144, 160)
    with pytest.raises(ValueError):
        vorex.classic_sector_blocks(40)


def test_type2_pages(sim, reader):
    sim.command("card ntag213")
    atqa, card = select(reader)
    assert (atqa, card.sak, card.uid_hex) == (0x0044, 0, "048F2D6AE15280")
    assert reader.type2_read_pages(4)[:4] == bytes.fromhex("0312D101")
    reader.type2_write_page(10, b"\x01\x02\x03\x04")
    assert reader.type2_read_pages(10)[:4] == b"\x01\x02\x03\x04"
    with pytest.raises(vorex.AccessError) as caught:
        reader.type2_write_page(0, b"\x00\x00\x00\x00")
    assert caught.value.name == "VOREX_ERR_NOT_WRITABLE"
    with pytest.raises(ValueError):
        reader.type2_write_page(5, b"\x00")
    assert reader.type2_selected_sector == 0


def test_type2_password(sim, reader):
    sim.command("card ntag215-password")
    select(reader)
    with pytest.raises(vorex.AccessError):
        reader.type2_read_pages(0x10)
    select(reader)
    reader.type2_authenticate(b"VORX")
    assert reader.type2_read_pages(0x10)[:9] == b"PROTECTED"
