"""Where the package finds libvorex, and what it says when there is none."""

from __future__ import annotations

import ctypes.util
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

import pytest

import vorex
from vorex import _library

PACKAGE = Path(vorex.__file__).parent


def run_import(env_changes: dict, package_parent: Path) -> subprocess.CompletedProcess:
    env = {k: v for k, v in os.environ.items() if k not in ("VOREX_LIBRARY", "LD_LIBRARY_PATH")}
    env.update(env_changes, PYTHONPATH=str(package_parent), PYTHONDONTWRITEBYTECODE="1")
    return subprocess.run(
        [sys.executable, "-c", "import vorex; print(vorex.library_path)"],
        env=env, capture_output=True, text=True, timeout=60, cwd=package_parent,
    )


def test_vorex_library_names_the_library(tmp_path):
    link = tmp_path / "libvorex-copy.so"
    link.symlink_to(Path(vorex.library_path).resolve())
    result = run_import({"VOREX_LIBRARY": str(link)}, PACKAGE.parent)
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() == str(link)


def test_a_vorex_library_that_does_not_load_is_one_clear_import_error(tmp_path):
    result = run_import({"VOREX_LIBRARY": str(tmp_path / "nothing.so")}, PACKAGE.parent)
    assert result.returncode == 1
    assert "ImportError: vorex: VOREX_LIBRARY names a library that does not load" in result.stderr


def test_no_library_anywhere_says_what_to_install(tmp_path):
    if ctypes.util.find_library("vorex"):
        pytest.skip("libvorex is installed on this system")
    shutil.copytree(PACKAGE, tmp_path / "vorex", ignore=shutil.ignore_patterns("__pycache__"))
    result = run_import({}, tmp_path)
    assert result.returncode == 1
    last = result.stderr.strip().splitlines()[-1]
    assert last.startswith("ImportError: vorex: the reader engine library libvorex.so was not found")
    assert "libvorex2" in last and "VOREX_LIBRARY" in last


def test_build_trees_newest_first_without_sanitizer_trees(tmp_path):
    repo = tmp_path / "repo"
    (repo / "engine/include/vorex").mkdir(parents=True)
    (repo / "engine/include/vorex/vorex.h").write_text("")
    (repo / "python/vorex").mkdir(parents=True)
    now = time.time()
    for age, (tree, cache) in enumerate(
        [("asan", "VOREX_SANITIZE:BOOL=ON"), ("release", "VOREX_SANITIZE:BOOL=OFF"),
         ("fuzz", "VOREX_BUILD_FUZZ:BOOL=ON"), ("dev", "")]
    ):
        lib = repo / "build" / tree / "engine" / "libvorex.so"
        lib.parent.mkdir(parents=True)
        lib.write_text("")
        (repo / "build" / tree / "CMakeCache.txt").write_text(cache + "\n")
        os.utime(lib, (now - age * 10, now - age * 10))
    found = _library.build_tree_candidates(repo / "python" / "vorex")
    assert [p.parent.parent.name for p in found] == ["release", "dev"]
    # An installed package (no source tree around it) looks at no build folder.
    assert _library.build_tree_candidates(tmp_path / "dist-packages" / "vorex") == []
