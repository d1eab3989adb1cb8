"""Reader against the stand-in reader: identification, configuration, connection life."""

from __future__ import annotations

import pytest

import vorex


def test_identification(reader):
    assert reader.version() == b"165J"
    assert reader.device_name == "VX-B75"
    assert reader.device_type == 0x165
    assert reader.is_programmer is True
    assert reader.is_usb_link is False
    assert reader.frame_variant == 0
    reader.set_background_mode(True)
    reader.set_background_mode(False)
    assert reader.last_error == 0
    assert repr(reader).startswith(f"<vorex.Reader '{reader.port}' handle ")


def test_module_functions():
    assert vorex.sdk_version() == 222
    assert vorex.error_text(4) == "Timeout"  # without the line end the engine adds
    assert vorex.error_string_id(4) > 0
    assert isinstance(vorex.list_ports(), list)
    assert isinstance(vorex.list_usb_devices(), list)
    assert vorex.check_usb_drivers() in (0, 1, 2, 3)
    assert vorex.is_cdc_driver_available() is True


def test_settings_and_transmit_power(reader):
    assert reader.read_settings() == bytes.fromhex("010080")
    assert reader.transmit_power() == vorex.TransmitPower("full", "full")
    reader.set_transmit_power(iso15693="half", iso14443="full")
    assert reader.transmit_power() == vorex.TransmitPower("half", "full")
    assert reader.read_settings() == bytes.fromhex("030180")
    reader.write_settings(b"\x00\x00\x80")
    assert reader.transmit_power() is None  # the block does not hold the power
    with pytest.raises(ValueError):
        reader.set_transmit_power(iso15693="low")


def test_reader_commands(reader):
    reader.set_reader_mode(1)
    reader.set_host_mode(True)
    reader.set_host_mode(False)
    reader.send_command_f6(1, 2)
    reader.set_usb_mode(2)
    reader.factory_reset()
    reader.set_baudrate(38400)
    assert reader.version() == b"165J"  # the connection followed the reader


@pytest.mark.parametrize(
    "call, cls, number",
    [
        (lambda r: r.set_reader_mode(9), vorex.UsageError, 13),
        (lambda r: r.set_baudrate(12345), vorex.UsageError, 7),
        (lambda r: r.iso15693_read_blocks(None, 0, 300), vorex.UsageError, 7),
        (lambda r: r.mifare_read_block(4), vorex.TransponderError, 21),  # nothing selected
    ],
)
def test_engine_errors_raise_their_family_with_number_and_name(reader, call, cls, number):
    with pytest.raises(cls) as caught:
        call(reader)
    assert caught.value.number == number
    assert caught.value.name == vorex.error_name(number)
    assert caught.value.text  # the engine's display text


def test_context_manager_closes_also_on_an_exception(sim):
    with pytest.raises(RuntimeError):
        with vorex.Reader(sim.port) as reader:
            handle = reader.handle
            raise RuntimeError("inside the block")
    assert reader.closed and vorex.lib.VOREX_GetDeviceType(handle) == -1
    with pytest.raises(vorex.HandleError) as caught:
        reader.version()
    assert caught.value.name == "VOREX_ERR_UNKNOWN_HANDLE"
    reader.close()  # twice is harmless


def test_open_errors(start_sim, tmp_path):
    with pytest.raises(vorex.OpenError) as caught:
        vorex.Reader(str(tmp_path / "no-such-port"))
    assert (caught.value.number, caught.value.name) == (-1, "OPEN_LINK_FAILED")
    silent = start_sim(faults=[{"kind": "no_answer", "times": -1}])
    with pytest.raises(vorex.OpenError) as caught:
        vorex.Reader(silent.port, timeout=50)
    assert (caught.value.number, caught.value.name) == (-11, "OPEN_NO_READER")
    with pytest.raises(TypeError):
        vorex.Reader(b"/dev/pts/0")


def test_timeout_maps_to_timeout_error(start_sim):
    sim = start_sim(faults=[{"kind": "no_answer", "command": "F0", "skip": 1, "times": 1}])
    with vorex.Reader(sim.port, timeout=100) as reader:
        with pytest.raises(vorex.TimeoutError) as caught:
            reader.version()
        assert caught.value.number == 4
        assert isinstance(caught.value, TimeoutError)  # also the built-in one
        assert reader.version() == b"165J"


def test_a_reader_dropped_without_close_is_closed_with_a_warning(sim):
    reader = vorex.Reader(sim.port)
    handle = reader.handle
    with pytest.warns(ResourceWarning, match="unclosed vorex.Reader"):
        del reader
        import gc

        gc.collect()
    assert vorex.lib.VOREX_GetDeviceType(handle) == -1
