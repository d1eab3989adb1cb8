"""The receive-wait hook with Python callables."""

from __future__ import annotations

import pytest

import vorex

SLOW_VERSION = [{"kind": "delay", "ms": 150, "command": "F0", "skip": 1, "times": -1}]


@pytest.fixture
def slow_reader(start_sim):
    """A reader whose identification answers (after the open) take 150 ms."""
    sim = start_sim(faults=SLOW_VERSION)
    with vorex.Reader(sim.port, timeout=2000) as reader:
        yield reader
    vorex.set_wait_hook()


def test_begin_pump_end_are_called(slow_reader):
    calls = []
    vorex.set_wait_hook(lambda: calls.append("pump"), begin=lambda: calls.append("begin"),
                        end=lambda: calls.append("end"))
    assert slow_reader.version() == b"165J"
    assert calls[0] == "begin" and calls[-1] == "end" and calls.count("pump") >= 3
    vorex.set_wait_hook()
    calls.clear()
    slow_reader.version()
    assert calls == []


def test_an_exception_in_the_hook_is_raised_from_the_call_and_ends_the_wait(slow_reader):
    class Stop(Exception):
        pass

    def pump():
        raise Stop("from the hook")

    vorex.set_wait_hook(pump)
    with pytest.raises(Stop, match="from the hook"):
        slow_reader.version()
    vorex.set_wait_hook()
    assert slow_reader.version() == b"165J"  # the process and the connection go on


def test_an_exception_in_end_after_a_successful_call_is_raised_too(slow_reader):
    def end():
        raise KeyError("end")

    vorex.set_wait_hook(begin=lambda: None, end=end)
    with pytest.raises(KeyError):
        slow_reader.version()


def test_cancel_wait_from_pump_is_a_timeout(slow_reader):
    vorex.set_wait_hook(vorex.cancel_wait)
    with pytest.raises(vorex.TimeoutError) as caught:
        slow_reader.version()
    assert caught.value.number == 4


def test_hook_functions_must_be_callable():
    with pytest.raises(TypeError):
        vorex.set_wait_hook(42)
