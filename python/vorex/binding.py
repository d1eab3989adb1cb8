"""The thin binding: every VOREX_ function of <vorex/vorex.h> with its C prototype.

``FUNCTIONS`` lists each function's result and argument types as the header
declares them; :func:`bind` puts them on the loaded library, so that
``lib.VOREX_OpenPort(b"/dev/ttyUSB0", 19200, 500)`` is the C call itself.
Byte and character buffers travel as ``c_char_p`` (``bytes`` in,
``ctypes.create_string_buffer`` out).
"""

from __future__ import annotations

import ctypes
from ctypes import POINTER, c_char_p, c_int, c_uint, c_ushort, c_void_p

#: Version of the C call surface this binding was written for (222 means 2.22).
SDK_VERSION = 222

_HOOK_FN = ctypes.CFUNCTYPE(None, c_void_p)


class WaitHook(ctypes.Structure):
    """struct VOREX_WaitHook: begin, pump, end (each ``void (*)(void*)``) and context."""

    _fields_ = [
        ("begin", _HOOK_FN),
        ("pump", _HOOK_FN),
        ("end", _HOOK_FN),
        ("context", c_void_p),
    ]


#: Callback type of the wait hook's three functions.
HookFunction = _HOOK_FN

_BUF = c_char_p  # char* / unsigned char*, in or out
_H = c_int  # handle

#: name -> (result type, argument types), in the header's order.
FUNCTIONS: dict[str, tuple[object, list[object]]] = {
    # Receive-wait hook
    "VOREX_SetWaitHook": (None, [POINTER(WaitHook)]),
    "VOREX_CancelWait": (None, []),
    # Connections
    "VOREX_OpenPort": (c_int, [c_char_p, c_int, c_int]),
    "VOREX_ClosePort": (c_int, [_H]),
    "VOREX_GetLastError": (c_int, [_H]),
    "VOREX_GetSdkVersion": (c_int, []),
    "VOREX_GetVersion": (c_int, [_H, _BUF, c_int]),
    "VOREX_GetDeviceName": (c_int, [_H, _BUF, c_int]),
    "VOREX_GetDeviceType": (c_int, [_H]),
    "VOREX_IsProgrammer": (c_int, [_H]),
    "VOREX_IsUsbLink": (c_int, [_H]),
    "VOREX_SetBackgroundMode": (c_int, [_H, c_int]),
    "VOREX_GetFrameVariant": (c_int, [_H]),
    "VOREX_ListComPorts": (c_int, [_BUF, c_int]),
    # USB readers
    "VOREX_CheckUsbDrivers": (c_int, []),
    "VOREX_IsCdcDriverAvailable": (c_int, []),
    "VOREX_ListUsbDevices": (c_int, [_BUF, c_int]),
    # LAN readers
    "VOREX_SearchLan": (c_int, [_BUF, c_int]),
    "VOREX_SearchLanEx": (c_int, [_BUF, c_int]),
    "VOREX_TestLanConnection": (c_int, [c_char_p]),
    "VOREX_GetLanConfig": (c_int, [c_char_p, _BUF, _BUF, _BUF, _BUF, c_int]),
    "VOREX_SetLanConfig": (c_int, [c_char_p, c_char_p, c_char_p, c_char_p]),
    # Bluetooth readers
    "VOREX_ListBluetoothPorts": (c_int, [_BUF, c_int]),
    "VOREX_SearchBluetooth": (c_int, [_H, _BUF, c_int, c_int, c_uint]),
    "VOREX_ConnectBluetooth": (c_int, [_H, _BUF, c_int, c_int]),
    # Error texts
    "VOREX_GetErrorStringId": (c_int, [c_int]),
    "VOREX_GetErrorText": (c_int, [c_int, _BUF, c_int]),
    # Reader configuration
    "VOREX_SetBaudrate": (c_int, [_H, c_int, c_int]),
    "VOREX_SetReaderMode": (c_int, [_H, c_int]),
    "VOREX_SetHostMode": (c_int, [_H, c_int]),
    "VOREX_SendCommandF6": (c_int, [_H, c_int, c_int]),
    "VOREX_WriteSettings": (c_int, [_H, _BUF, c_int]),
    "VOREX_ReadSettings": (c_int, [_H, _BUF, c_int]),
    "VOREX_FactoryReset": (c_int, [_H]),
    "VOREX_SetUsbMode": (c_int, [_H, c_int]),
    # ISO 15693
    "VOREX_Iso15693Inventory": (c_int, [_H, _BUF, c_int, c_uint]),
    "VOREX_Iso15693GetSystemInfo": (c_int, [_H, _BUF, c_int, _BUF, c_int, c_uint]),
    "VOREX_Iso15693GetMemorySize": (
        c_int,
        [_H, _BUF, c_int, POINTER(c_int), POINTER(c_int), POINTER(c_int), c_uint],
    ),
    "VOREX_Iso15693ReadBlock": (c_int, [_H, c_int, _BUF, c_int, _BUF, c_int, c_uint]),
    "VOREX_Iso15693ReadMultipleBlocks": (
        c_int,
        [_H, c_int, c_int, _BUF, c_int, _BUF, c_int, c_uint],
    ),
    "VOREX_Iso15693WriteBlock": (c_int, [_H, c_int, _BUF, c_int, _BUF, c_int, c_uint]),
    "VOREX_Iso15693LockBlock": (c_int, [_H, c_int, _BUF, c_int, c_uint]),
    # ISO 14443A / MIFARE / NFC Type 2
    "VOREX_MifareRequest": (c_int, [_H, POINTER(c_ushort)]),
    "VOREX_MifareSelect": (c_int, [_H, _BUF, c_int, _BUF]),
    "VOREX_MifareAuthenticate": (c_int, [_H, _BUF, c_int, c_int, c_int, c_int]),
    "VOREX_MifareReadBlock": (c_int, [_H, c_int, _BUF, c_int]),
    "VOREX_MifareWriteBlock": (c_int, [_H, c_int, _BUF, c_int]),
    "VOREX_MifareValue": (c_int, [_H, c_int, c_int, c_int]),
    "VOREX_MifareSelectedSector": (c_int, [_H]),
    "VOREX_MifareStoreKey": (c_int, [_H, c_int, c_int, _BUF, c_int]),
}


def bind(lib: ctypes.CDLL) -> ctypes.CDLL:
    """Sets result and argument types of every function in FUNCTIONS on ``lib``.

    Raises ImportError when the library lacks one of them (an older libvorex)."""
    missing = []
    for name, (restype, argtypes) in FUNCTIONS.items():
        try:
            fn = getattr(lib, name)
        except AttributeError:
            missing.append(name)
            continue
        fn.restype = restype
        fn.argtypes = argtypes
    if missing:
        raise ImportError(
            f"vorex: the loaded libvorex lacks {', '.join(missing)}; install a libvorex2 "
            f"that matches this package (SDK {SDK_VERSION})"
        )
    return lib
