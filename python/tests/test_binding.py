"""The binding against the headers: every VOREX_ function with its argument list, and
every named error number."""

from __future__ import annotations

import ctypes
import os
import re
from pathlib import Path

import pytest

from vorex import binding, errors

HEADERS = Path(os.environ.get("VOREX_INCLUDE_DIR", Path(__file__).resolve().parents[2] / "engine" / "include")) / "vorex"

_DECL = re.compile(r"VOREX_API\s+([\w\s\*]+?)\s*\b(VOREX_\w+)\s*\(([^)]*)\)\s*;", re.S)


def parse_header(text: str) -> dict[str, tuple[str, list[str]]]:
    """name -> (result type, argument types) of every VOREX_API declaration."""
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    found = {}
    for result, name, args in _DECL.findall(text):
        params = [" ".join(a.split()) for a in args.split(",")] if args.strip() not in ("", "void") else []
        # Drop the parameter name, keep the type.
        types = [re.sub(r"\s*\b\w+$", "", p).replace(" *", "*") for p in params]
        found[name] = (" ".join(result.split()), types)
    return found


_C_TYPES = {
    "void": None,
    "int": ctypes.c_int,
    "unsigned": ctypes.c_uint,
    "const char*": ctypes.c_char_p,
    "char*": ctypes.c_char_p,
    "unsigned char*": ctypes.c_char_p,
    "const unsigned char*": ctypes.c_char_p,
    "int*": ctypes.POINTER(ctypes.c_int),
    "unsigned short*": ctypes.POINTER(ctypes.c_ushort),
    "const VOREX_WaitHook*": ctypes.POINTER(binding.WaitHook),
}


def differences(header: dict[str, tuple[str, list[str]]], table: dict) -> list[str]:
    """What the binding's table gets wrong about the header."""
    problems = []
    for name, (result, args) in header.items():
        if name not in table:
            problems.append(f"{name} is missing from the binding")
            continue
        restype, argtypes = table[name]
        if len(argtypes) != len(args):
            problems.append(f"{name}: {len(argtypes)} arguments in the binding, {len(args)} in the header")
            continue
        expected = [_C_TYPES.get(a, f"unknown C type {a}") for a in [result, *args]]
        if expected != [restype, *argtypes]:
            problems.append(f"{name}: types {[restype, *argtypes]} differ from {[result, *args]}")
    problems += [f"{name} is not in the header" for name in table if name not in header]
    return problems


def test_binding_matches_the_header():
    header = parse_header((HEADERS / "vorex.h").read_text())
    assert len(header) > 40  # the parser found the declarations
    assert differences(header, binding.FUNCTIONS) == []


def test_the_check_catches_a_function_added_to_the_header_or_a_changed_argument_list():
    text = (HEADERS / "vorex.h").read_text()
    added = text.replace(
        "#ifdef __cplusplus\n}", "VOREX_API int VOREX_NewCall(int handle,\n    unsigned flags);\n#ifdef __cplusplus\n}"
    )
    assert differences(parse_header(added), binding.FUNCTIONS) == ["VOREX_NewCall is missing from the binding"]
    changed = text.replace("VOREX_ClosePort(int handle)", "VOREX_ClosePort(int handle, int flags)")
    assert differences(parse_header(changed), binding.FUNCTIONS) == [
        "VOREX_ClosePort: 1 arguments in the binding, 2 in the header"
    ]


def test_sdk_version_of_the_binding_is_the_headers_and_the_librarys():
    import vorex

    version = int(re.search(r"#define VOREX_SDK_VERSION (\d+)", (HEADERS / "vorex.h").read_text())[1])
    assert binding.SDK_VERSION == version == vorex.sdk_version()


def test_error_names_match_vorex_errors_h():
    text = (HEADERS / "vorex_errors.h").read_text()
    named = {name: int(value, 0) for name, value in re.findall(r"\b(VOREX_ERR_\w+)\s*=\s*(\w+)", text)}
    first, last = named.pop("VOREX_ERR_ISO_CUSTOM_FIRST"), named.pop("VOREX_ERR_ISO_CUSTOM_LAST")
    assert {number: name for name, number in named.items()} == errors.ERROR_NAMES
    assert errors.ISO_CUSTOM_RANGE == range(first, last + 1)


@pytest.mark.parametrize(
    "number, cls, name",
    [
        (3, errors.HandleError, "VOREX_ERR_UNKNOWN_HANDLE"),
        (4, errors.TimeoutError, "VOREX_ERR_TIMEOUT"),
        (7, errors.UsageError, "VOREX_ERR_BAD_PARAMETER"),
        (10, errors.ProtocolError, "VOREX_ERR_CHECKSUM"),
        (21, errors.TransponderError, "VOREX_ERR_NO_TRANSPONDER"),
        (38, errors.TagError, "VOREX_ERR_ISO_BLOCK_LOCKED"),
        (0xA3, errors.TagError, "VOREX_ERR_ISO_CUSTOM_A3"),
        (0xE0, errors.TransponderError, "READER_STATUS_E0"),
        (246, errors.AccessError, "VOREX_ERR_NOT_AUTHENTICATED"),
        (99, errors.ReaderError, "ENGINE_ERROR_99"),
    ],
)
def test_every_error_number_has_a_family_and_a_name(number, cls, name):
    error = errors.error_class(number)(number, "text", "VOREX_Something")
    assert isinstance(error, cls) and isinstance(error, errors.VorexError)
    assert (error.number, error.name) == (number, name)
    assert name in str(error) and "VOREX_Something" in str(error)


def test_every_named_error_maps_to_a_family_other_than_the_fallback():
    unmapped = [n for n in errors.ERROR_NAMES if n and errors.error_class(n) is errors.ReaderError and n not in (11, 20, 24)]
    assert unmapped == []
