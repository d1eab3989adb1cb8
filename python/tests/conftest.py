"""Fixtures: the stand-in reader vorex-sim, started per test and stopped afterwards.

The program is $VOREX_SIM, else sim/vorex-sim of the build tree the loaded library
comes from. Scenarios are given by name (demo) or as a dict written to a file."""

from __future__ import annotations

import json
import os
import select
import subprocess
from collections.abc import Iterator
from pathlib import Path

import pytest

import vorex

SOURCE = Path(__file__).resolve().parents[2]
DEMO = SOURCE / "sim" / "scenarios" / "demo.json"


def sim_program() -> Path:
    path = os.environ.get("VOREX_SIM")
    if path:
        return Path(path)
    return Path(vorex.library_path).resolve().parent.parent / "sim" / "vorex-sim"


class Sim:
    """A running vorex-sim: ``port`` (what to open), the other lines it printed, and
    ``command()`` for its stdin commands (card NAME, tags SET, ...)."""

    def __init__(self, scenario: str | Path, *args: str) -> None:
        program = sim_program()
        if not program.exists():
            pytest.fail(f"vorex-sim not found at {program}; set VOREX_SIM")
        self.process = subprocess.Popen(
            [str(program), "--scenario", str(scenario), *args],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            bufsize=0,
        )
        self.port = self._line()
        self.extra = self._line() if "--udp" in args else ""

    def _line(self, timeout: float = 10.0) -> str:
        """One line of its stdout, read unbuffered so that select sees the rest."""
        line = b""
        while not line.endswith(b"\n"):
            ready, _, _ = select.select([self.process.stdout], [], [], timeout)
            byte = os.read(self.process.stdout.fileno(), 1) if ready else b""
            if not byte:
                self.stop()
                pytest.fail(f"vorex-sim printed no line (so far {line!r})")
            line += byte
        return line.decode().strip()

    def command(self, line: str) -> str:
        self.process.stdin.write(line.encode() + b"\n")
        answer = self._line()
        assert answer.startswith("ok"), answer
        return answer

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            stream.close()


@pytest.fixture
def start_sim(tmp_path: Path) -> Iterator:
    """start_sim(scenario="demo", *args, faults=None): starts a vorex-sim; ``faults``
    are added to the demo scenario. All are stopped after the test."""
    started: list[Sim] = []

    def start(scenario: str | dict = "demo", *args: str, faults: list | None = None) -> Sim:
        if faults is not None:
            scenario = dict(json.loads(DEMO.read_text()), faults=faults)
        if isinstance(scenario, dict):
            path = tmp_path / f"scenario{len(started)}.json"
            path.write_text(json.dumps(scenario))
            scenario = str(path)
        sim = Sim(scenario, *args)
        started.append(sim)
        return sim

    yield start
    for sim in started:
        sim.stop()


@pytest.fixture
def sim(start_sim) -> Sim:
    """The demo reader."""
    return start_sim()


@pytest.fixture
def reader(sim: Sim) -> Iterator[vorex.Reader]:
    """The demo reader, opened."""
    with vorex.Reader(sim.port, timeout=2000) as r:
        yield r


@pytest.fixture(autouse=True, scope="session")
def no_handle_left_open() -> Iterator[None]:
    """After the suite no connection may be left open (handles are the lowest free
    numbers, so a leak shows among the first ones)."""
    yield
    vorex.set_wait_hook()
    left = [h for h in range(1, 256) if vorex.lib.VOREX_GetDeviceType(h) != -1]
    assert not left, f"handles left open: {left}"
