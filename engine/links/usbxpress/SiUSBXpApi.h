#pragma once
// The USBXpress library's call shapes as this system binds them (libSiUSBXp.so).
// Shared by the binding and the stand-in library built with the tests.
#include <cstdint>

namespace vorex::usbxpress {

using SI_STATUS = int;
using DWORD = uint32_t;
using WORD = uint16_t;
using BYTE = uint8_t;
using BOOL = int;
using HANDLE = void*;

constexpr SI_STATUS SI_SUCCESS = 0x00;
constexpr SI_STATUS SI_DEVICE_NOT_FOUND = 0xFF;
constexpr SI_STATUS SI_INVALID_HANDLE = 0x01;
constexpr SI_STATUS SI_READ_ERROR = 0x02;
constexpr SI_STATUS SI_WRITE_ERROR = 0x04;
constexpr SI_STATUS SI_INVALID_PARAMETER = 0x11;
constexpr DWORD SI_RETURN_SERIAL_NUMBER = 0x00;
constexpr DWORD SI_RETURN_DESCRIPTION = 0x01;
constexpr int SI_MAX_DEVICE_STRLEN = 256;

extern "C" {
using SI_GetNumDevices_t = SI_STATUS(DWORD* count);
using SI_GetProductString_t = SI_STATUS(DWORD device, void* text, DWORD flags);
using SI_Open_t = SI_STATUS(DWORD device, HANDLE* handle);
using SI_Close_t = SI_STATUS(HANDLE handle);
using SI_Read_t = SI_STATUS(HANDLE handle, void* buffer, DWORD count, DWORD* read,
                            void* overlapped);
using SI_Write_t = SI_STATUS(HANDLE handle, void* buffer, DWORD count, DWORD* written,
                             void* overlapped);
using SI_FlushBuffers_t = SI_STATUS(HANDLE handle, BYTE transmit, BYTE receive);
using SI_SetTimeouts_t = SI_STATUS(DWORD readMs, DWORD writeMs);
using SI_CheckRXQueue_t = SI_STATUS(HANDLE handle, DWORD* queued, DWORD* status);
using SI_SetBaudRate_t = SI_STATUS(HANDLE handle, DWORD baud);
using SI_SetLineControl_t = SI_STATUS(HANDLE handle, WORD lineControl);
using SI_SetFlowControl_t = SI_STATUS(HANDLE handle, BYTE cts, BYTE rts, BYTE dtr, BYTE dsr,
                                      BYTE dcd, BOOL xonXoff);
using SI_SetBreak_t = SI_STATUS(HANDLE handle, WORD state);
}

} // namespace vorex::usbxpress
