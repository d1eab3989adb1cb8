"""Finding and loading libvorex.so.

Order: the file named by ``$VOREX_LIBRARY``; when the package runs from the
source tree (``<repo>/python/vorex``), the newest ``<repo>/build/*/engine/libvorex.so``
of a tree built without sanitizers; then the system's library (``libvorex2``).
"""

from __future__ import annotations

import ctypes
import ctypes.util
import os
from pathlib import Path

SONAME = "libvorex.so.2"

_INSTALL_HINT = (
    "install the Debian package libvorex2 (sudo apt install libvorex2), "
    "build the source tree (cmake --build build/dev --target vorex), "
    "or name the library in VOREX_LIBRARY"
)


def _sanitized(tree: Path) -> bool:
    """True for build trees whose library needs a sanitizer runtime loaded first:
    loading such a library into an ordinary Python aborts the process."""
    try:
        cache = (tree / "CMakeCache.txt").read_text(errors="replace")
    except OSError:
        return False
    return any(
        line.split("=", 1)[1].strip().upper() in ("ON", "TRUE", "1", "YES")
        for line in cache.splitlines()
        if line.startswith(("VOREX_SANITIZE:", "VOREX_BUILD_FUZZ:"))
    )


def build_tree_candidates(package_dir: Path) -> list[Path]:
    """Libraries of the build trees beside the source tree the package lives in,
    newest first."""
    repo = package_dir.resolve().parent.parent
    if not (repo / "engine" / "include" / "vorex" / "vorex.h").is_file():
        return []
    found = []
    for lib in (repo / "build").glob("*/engine/libvorex.so"):
        if not _sanitized(lib.parent.parent):
            try:
                found.append((lib.stat().st_mtime, lib))
            except OSError:
                continue
    return [lib for _, lib in sorted(found, reverse=True)]


def candidates() -> list[str]:
    """Where the library is looked for, in order."""
    env = os.environ.get("VOREX_LIBRARY")
    if env:
        return [env]
    found = [str(p) for p in build_tree_candidates(Path(__file__).parent)]
    system = ctypes.util.find_library("vorex")
    if system:
        found.append(system)
    found.append(SONAME)  # plain dlopen: LD_LIBRARY_PATH and the loader's cache
    return found


def load() -> tuple[ctypes.CDLL, str]:
    """The loaded library and the name it was loaded from; ImportError when there is
    none."""
    tried = []
    for name in candidates():
        try:
            return ctypes.CDLL(name), name
        except OSError as error:
            tried.append(f"{name}: {error}")
    if os.environ.get("VOREX_LIBRARY"):
        raise ImportError(
            f"vorex: VOREX_LIBRARY names a library that does not load ({tried[0]}); "
            f"point it at libvorex.so or unset it"
        )
    raise ImportError(f"vorex: the reader engine library libvorex.so was not found; {_INSTALL_HINT}")
