"""LAN and Bluetooth searches against the stand-in reader (loopback only)."""

from __future__ import annotations

import pytest

import vorex


@pytest.fixture
def lan_sim(start_sim, monkeypatch):
    sim = start_sim("demo", "--tcp", "127.0.0.1:0", "--udp", "0")
    monkeypatch.setenv("VOREX_LAN_ADAPTERS", "127.0.0.1/8")
    monkeypatch.setenv("VOREX_LAN_UDP_PORT", sim.extra.split()[1])
    return sim


def test_lan_search_config_and_open(lan_sim):
    found = vorex.search_lan(own_only=False)
    assert lan_sim.port in [r.identity for r in found]
    entry = next(r for r in found if r.identity == lan_sim.port)
    assert entry.address == "127.0.0.1" and entry.port == int(lan_sim.port.split("-")[1])
    assert isinstance(entry, tuple) and entry._fields == ("identity", "name", "address", "port")
    assert vorex.test_lan_connection(entry) is True
    config = vorex.get_lan_config(entry)
    assert config.mask == "255.255.255.0" and config.gateway == "0.0.0.0"
    assert config.name.startswith("[VOREXSIM]")
    vorex.set_lan_config(entry, entry.identity, "255.255.0.0", "127.0.0.254")
    assert vorex.get_lan_config(entry).gateway == "127.0.0.254"
    with vorex.Reader(entry.identity) as reader:
        assert reader.version() == b"165J"


def test_lan_search_of_own_readers_and_a_reader_that_does_not_answer(lan_sim, monkeypatch):
    own = vorex.search_lan()
    assert [r.address for r in own] == ["127.0.0.1"]
    assert vorex.test_lan_connection("127.0.0.9-1") is False
    with pytest.raises(vorex.VorexError) as caught:
        vorex.get_lan_config("127.0.0.9-1")
    assert caught.value.number == 4


def test_bluetooth_ports_search_and_connect(start_sim, monkeypatch):
    sim = start_sim("demo", "--bt-module")
    assert sim.port.endswith(" BT")
    monkeypatch.setenv("VOREX_BT_MODULES", sim.port[: -len(" BT")])
    assert sim.port in vorex.list_bluetooth_ports()
    with vorex.Reader(sim.port, timeout=2000) as reader:
        devices = reader.bluetooth_search(timeout=3000)
        assert devices == [
            vorex.BluetoothDevice("01:00:00:C0:A8:E0", bytes.fromhex("010000C0A8E0"), "VX-F74BT PN7711#0001")
        ]
        reader.bluetooth_connect(devices[0])
        assert reader.version() == b"165J"
        with pytest.raises(ValueError):
            reader.bluetooth_connect("01:02")


def test_bluetooth_calls_on_a_serial_connection_fail_cleanly(reader):
    with pytest.raises(vorex.VorexError):
        reader.bluetooth_search(timeout=100)
