#!/usr/bin/env python3
"""Python package vs C surface: the same exchanges against the stand-in reader (no wire
time), timed in the same run.

    bench/python_exchange.py BUILD_DIR

BUILD_DIR holds engine/libvorex.so, sim/vorex-sim and bench/vorex_c_exchange (a
Release tree, e.g. build/bench of bench/run). Prints Python time / C time for a single
identification exchange (goal <= 1.5) and for reading all 2048 blocks of the demo's
ST M24LR64 (goal <= 1.05). Exchanges without wire time cost tens of microseconds and
scatter with the scheduler, so both sides run in short alternating rounds; printed are
the median of the per-round ratios and the ratio of the fastest rounds.
"""

from __future__ import annotations

import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
ST_UID = "E0022C0048159E07"
ROUNDS = 15


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    build = Path(sys.argv[1]).resolve()
    os.environ["VOREX_LIBRARY"] = str(build / "engine" / "libvorex.so")
    sys.path.insert(0, str(ROOT / "python"))
    import vorex

    sim = subprocess.Popen([str(build / "sim" / "vorex-sim"), "--scenario", "demo"],
                           stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)
    try:
        port = sim.stdout.readline().strip()
        c_program = str(build / "bench" / "vorex_c_exchange")

        def c_time(mode: str, n: int, *extra: str) -> float:
            out = subprocess.run([c_program, port, mode, str(n), *extra],
                                 check=True, capture_output=True, text=True)
            return float(out.stdout)

        def py_time(mode: str, n: int) -> float:
            with vorex.Reader(port, timeout=2000) as reader:
                uid = bytes.fromhex(ST_UID)
                call = reader.version if mode == "version" else lambda: reader.iso15693_read_all(uid)
                call()  # the first call outside the timing, as the C side's open
                start = time.perf_counter()
                for _ in range(n):
                    call()
                return (time.perf_counter() - start) / n

        figures = {}
        for mode, n, extra in (("version", 1000, ()), ("readall", 5, (ST_UID,))):
            c, py = [], []
            for round in range(ROUNDS):  # alternating which side goes first
                if round % 2:
                    py.append(py_time(mode, n))
                    c.append(c_time(mode, n, *extra))
                else:
                    c.append(c_time(mode, n, *extra))
                    py.append(py_time(mode, n))
            figures[mode] = (statistics.median(p / q for p, q in zip(py, c)), min(py), min(c))
    finally:
        sim.terminate()
        sim.wait()
    for mode, label, goal in (("version", "single exchange (identification)", 1.5),
                              ("readall", "ISO 15693 read of 2048 blocks", 1.05)):
        ratio, py, c = figures[mode]
        print(f"Python / C, {label}: {ratio:.3f}   (goal <= {goal}; median of the rounds)")
        print(f"  fastest rounds: Python {py * 1e6:.1f} us, C {c * 1e6:.1f} us, ratio {py / c:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
