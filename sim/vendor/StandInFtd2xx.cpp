// Stand-in FTDI D2XX library (libftd2xx.so) for the tests: its devices are the
// pseudo-terminals named in VOREX_STANDIN_FTDI (see StandInDevices.h). Built a second
// time without FT_SetLatencyTimer (VOREX_STANDIN_NO_LATENCY) for the test of a library
// that lacks it. Only the functions the system calls do something; the others exist so
// that the binding finds every name.
#include "engine/links/ftdi/FTD2xxApi.h"
#include "sim/vendor/StandInDevices.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace vorex::ftdi;

namespace {

vstandin::OpenDevices& Open() {
    static vstandin::OpenDevices devices;
    return devices;
}

std::vector<vstandin::DeviceEntry> Devices() {
    return vstandin::DevicesFromEnv("VOREX_STANDIN_FTDI");
}

// What FT_GetDeviceInfoList shows for a device another program holds.
FT_HANDLE BusyHandle() {
    static int marker;
    return &marker;
}

} // namespace

#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))

STANDIN_EXPORT FT_STATUS FT_CreateDeviceInfoList(DWORD* count) {
    if (count == nullptr)
        return FT_INVALID_HANDLE;
    *count = static_cast<DWORD>(Devices().size());
    return FT_OK;
}

STANDIN_EXPORT FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* nodes, DWORD* count) {
    if (nodes == nullptr || count == nullptr)
        return FT_INVALID_HANDLE;
    const auto devices = Devices();
    const size_t n = std::min<size_t>(*count, devices.size());
    for (size_t i = 0; i < n; ++i) {
        FT_DEVICE_LIST_INFO_NODE& node = nodes[i];
        std::memset(&node, 0, sizeof node);
        node.ID = 0x0403D7A4;
        node.LocId = static_cast<DWORD>(0x1000 + i);
        std::strncpy(node.SerialNumber, devices[i].serial.c_str(), sizeof node.SerialNumber - 1);
        std::strncpy(node.Description, "Stand-in reader", sizeof node.Description - 1);
        if (devices[i].busy || Open().IsOpen(devices[i].serial))
            node.ftHandle = BusyHandle();
    }
    *count = static_cast<DWORD>(n);
    return FT_OK;
}

STANDIN_EXPORT FT_HANDLE FT_W32_CreateFile(const char* name, DWORD, DWORD, void*, DWORD,
                                           DWORD flags, void*) {
    if (name == nullptr || flags != kOpenBySerialNumber)
        return InvalidHandle();
    for (const auto& device : Devices())
        if (device.serial == name) {
            void* handle = Open().Open(device);
            return handle ? handle : InvalidHandle();
        }
    return InvalidHandle();
}

STANDIN_EXPORT BOOL FT_W32_CloseHandle(FT_HANDLE handle) {
    return Open().Close(handle) ? 1 : 0;
}

STANDIN_EXPORT BOOL FT_W32_ReadFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* read,
                                    void*) {
    auto* device = Open().Find(handle);
    if (device == nullptr || read == nullptr)
        return 0;
    const long n = device->Read(buffer, count, 0);
    *read = n > 0 ? static_cast<DWORD>(n) : 0;
    // A faulty library: VOREX_STANDIN_FTDI_OVERREAD=N adds N to every read count
    // that is not zero.
    if (const char* extra = std::getenv("VOREX_STANDIN_FTDI_OVERREAD"); extra && *read > 0)
        *read += static_cast<DWORD>(std::strtoul(extra, nullptr, 10));
    return n < 0 ? 0 : 1;
}

STANDIN_EXPORT BOOL FT_W32_WriteFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* written,
                                     void*) {
    auto* device = Open().Find(handle);
    if (device == nullptr || written == nullptr)
        return 0;
    const long n = device->Write(buffer, count);
    *written = n > 0 ? static_cast<DWORD>(n) : 0;
    return n < 0 ? 0 : 1;
}

STANDIN_EXPORT DWORD FT_W32_GetLastError(FT_HANDLE handle) {
    return Open().Find(handle) ? 0 : 6; // ERROR_INVALID_HANDLE
}

// A pseudo-terminal whose reader went away reads as an error: the device is gone.
STANDIN_EXPORT BOOL FT_W32_ClearCommError(FT_HANDLE handle, DWORD* errors, FTCOMSTAT* status) {
    auto* device = Open().Find(handle);
    if (device == nullptr || !device->Alive())
        return 0;
    if (errors)
        *errors = 0;
    if (status) {
        std::memset(status, 0, sizeof *status);
        status->cbInQue = static_cast<DWORD>(device->Queued());
    }
    return 1;
}

STANDIN_EXPORT BOOL FT_W32_GetCommModemStatus(FT_HANDLE handle, DWORD* status) {
    if (Open().Find(handle) == nullptr || status == nullptr)
        return 0;
    *status = kMsCtsOn | kMsDsrOn;
    return 1;
}

STANDIN_EXPORT BOOL FT_W32_GetCommState(FT_HANDLE handle, FTDCB* dcb) {
    if (Open().Find(handle) == nullptr || dcb == nullptr)
        return 0;
    std::memset(dcb, 0, sizeof *dcb);
    dcb->DCBlength = sizeof *dcb;
    dcb->BaudRate = 9600;
    dcb->ByteSize = 8;
    return 1;
}

STANDIN_EXPORT BOOL FT_W32_SetCommState(FT_HANDLE handle, FTDCB* dcb) {
    return Open().Find(handle) != nullptr && dcb != nullptr && dcb->ByteSize >= 5 &&
                   dcb->ByteSize <= 8
               ? 1
               : 0;
}

STANDIN_EXPORT BOOL FT_W32_SetCommMask(FT_HANDLE handle, DWORD) {
    return Open().Find(handle) ? 1 : 0;
}

STANDIN_EXPORT BOOL FT_W32_SetCommTimeouts(FT_HANDLE handle, FTTIMEOUTS* timeouts) {
    return Open().Find(handle) && timeouts ? 1 : 0;
}

STANDIN_EXPORT BOOL FT_W32_PurgeComm(FT_HANDLE handle, DWORD flags) {
    auto* device = Open().Find(handle);
    if (device == nullptr)
        return 0;
    if (flags & kPurgeRxClear)
        device->DropInput();
    return 1;
}

STANDIN_EXPORT BOOL FT_W32_SetCommBreak(FT_HANDLE handle) {
    return Open().Find(handle) ? 1 : 0;
}

STANDIN_EXPORT BOOL FT_W32_ClearCommBreak(FT_HANDLE handle) {
    return Open().Find(handle) ? 1 : 0;
}

#ifndef VOREX_STANDIN_NO_LATENCY
STANDIN_EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, BYTE) {
    return Open().Find(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

// Never called by the system; present so that the binding finds every name.
STANDIN_EXPORT FT_STATUS FT_SetBaudRate() {
    return FT_INVALID_HANDLE;
}
STANDIN_EXPORT FT_STATUS FT_SetUSBParameters() {
    return FT_INVALID_HANDLE;
}
STANDIN_EXPORT FT_STATUS FT_ListDevices() {
    return FT_INVALID_HANDLE;
}
STANDIN_EXPORT FT_STATUS FT_GetDeviceInfoDetail() {
    return FT_INVALID_HANDLE;
}
STANDIN_EXPORT FT_STATUS FT_ResetDevice() {
    return FT_INVALID_HANDLE;
}
STANDIN_EXPORT BOOL FT_W32_GetOverlappedResult() {
    return 0;
}
STANDIN_EXPORT BOOL FT_W32_EscapeCommFunction() {
    return 0;
}
STANDIN_EXPORT BOOL FT_W32_GetCommTimeouts() {
    return 0;
}
STANDIN_EXPORT BOOL FT_W32_SetupComm() {
    return 0;
}
STANDIN_EXPORT BOOL FT_W32_WaitCommEvent() {
    return 0;
}
