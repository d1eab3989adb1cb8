#pragma once
// The FTDI D2XX library's call shapes as this system binds them (libftd2xx.so), with
// the Win32-style structures of its FT_W32 functions. Shared by the binding and the
// stand-in library built with the tests.
#include <cstdint>

namespace vorex::ftdi {

using FT_STATUS = uint32_t;
using FT_HANDLE = void*;
using DWORD = uint32_t;
using WORD = uint16_t;
using BYTE = uint8_t;
using BOOL = int;

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
inline FT_HANDLE InvalidHandle() {
    return reinterpret_cast<FT_HANDLE>(static_cast<intptr_t>(-1));
}

constexpr DWORD kGenericRead = 0x80000000u;
constexpr DWORD kGenericWrite = 0x40000000u;
constexpr DWORD kOpenExisting = 3;
constexpr DWORD kOpenBySerialNumber = 1;
constexpr DWORD kPurgeTxClear = 0x04;
constexpr DWORD kPurgeRxClear = 0x08;
// Modem status bits of FT_W32_GetCommModemStatus.
constexpr DWORD kMsCtsOn = 0x10, kMsDsrOn = 0x20, kMsRingOn = 0x40, kMsRlsdOn = 0x80;

// One device of FT_GetDeviceInfoList.
struct FT_DEVICE_LIST_INFO_NODE {
    uint32_t Flags;
    uint32_t Type;
    uint32_t ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle; // non-null while some program has the device open
};

// The device control block of FT_W32_GetCommState / FT_W32_SetCommState. The single-bit
// fields of the Win32 DCB are the bits of `flags` (below).
struct FTDCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD flags;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;   // 0 none, 1 odd, 2 even
    BYTE StopBits; // 0 one, 2 two
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
namespace dcb {
constexpr DWORD kBinary = 1u << 0;
constexpr DWORD kParity = 1u << 1;
constexpr DWORD kOutxCtsFlow = 1u << 2;
constexpr DWORD kOutxDsrFlow = 1u << 3;
constexpr DWORD kDtrControlMask = 3u << 4, kDtrControlEnable = 1u << 4;
constexpr DWORD kDsrSensitivity = 1u << 6;
constexpr DWORD kTxContinueOnXoff = 1u << 7;
constexpr DWORD kOutX = 1u << 8;
constexpr DWORD kInX = 1u << 9;
constexpr DWORD kNull = 1u << 11;
constexpr DWORD kRtsControlMask = 3u << 12, kRtsControlEnable = 1u << 12,
                kRtsControlHandshake = 2u << 12;
constexpr DWORD kAbortOnError = 1u << 14;
} // namespace dcb

struct FTCOMSTAT {
    DWORD flags;
    DWORD cbInQue;
    DWORD cbOutQue;
};

struct FTTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

extern "C" {
using FT_CreateDeviceInfoList_t = FT_STATUS(DWORD* count);
using FT_GetDeviceInfoList_t = FT_STATUS(FT_DEVICE_LIST_INFO_NODE* nodes, DWORD* count);
using FT_SetLatencyTimer_t = FT_STATUS(FT_HANDLE handle, BYTE ms);
using FT_W32_CreateFile_t = FT_HANDLE(const char* name, DWORD access, DWORD share, void* security,
                                      DWORD create, DWORD flags, void* templateFile);
using FT_W32_CloseHandle_t = BOOL(FT_HANDLE handle);
using FT_W32_ReadFile_t = BOOL(FT_HANDLE handle, void* buffer, DWORD count, DWORD* read,
                               void* overlapped);
using FT_W32_WriteFile_t = BOOL(FT_HANDLE handle, void* buffer, DWORD count, DWORD* written,
                                void* overlapped);
using FT_W32_GetLastError_t = DWORD(FT_HANDLE handle);
using FT_W32_ClearCommError_t = BOOL(FT_HANDLE handle, DWORD* errors, FTCOMSTAT* status);
using FT_W32_GetCommModemStatus_t = BOOL(FT_HANDLE handle, DWORD* status);
using FT_W32_GetCommState_t = BOOL(FT_HANDLE handle, FTDCB* dcb);
using FT_W32_SetCommState_t = BOOL(FT_HANDLE handle, FTDCB* dcb);
using FT_W32_SetCommMask_t = BOOL(FT_HANDLE handle, DWORD mask);
using FT_W32_SetCommTimeouts_t = BOOL(FT_HANDLE handle, FTTIMEOUTS* timeouts);
using FT_W32_PurgeComm_t = BOOL(FT_HANDLE handle, DWORD flags);
using FT_W32_CommBreak_t = BOOL(FT_HANDLE handle);
}

} // namespace vorex::ftdi
