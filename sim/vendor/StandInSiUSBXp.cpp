// Stand-in USBXpress library (libSiUSBXp.so) for the tests: its devices are the
// pseudo-terminals named in VOREX_STANDIN_SIUSBXP (see StandInDevices.h). Only the
// functions the system calls do something; the others exist so that the binding finds
// every name.
#include "engine/links/usbxpress/SiUSBXpApi.h"
#include "sim/vendor/StandInDevices.h"

#include <algorithm>
#include <cstring>

using namespace vorex::usbxpress;

namespace {

vstandin::OpenDevices& Open() {
    static vstandin::OpenDevices devices;
    return devices;
}

int g_readTimeoutMs = 1000;

std::vector<vstandin::DeviceEntry> Devices() {
    return vstandin::DevicesFromEnv("VOREX_STANDIN_SIUSBXP");
}

} // namespace

#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))

STANDIN_EXPORT SI_STATUS SI_GetNumDevices(DWORD* count) {
    if (count == nullptr)
        return SI_INVALID_PARAMETER;
    *count = static_cast<DWORD>(Devices().size());
    return SI_SUCCESS;
}

STANDIN_EXPORT SI_STATUS SI_GetProductString(DWORD device, void* text, DWORD flags) {
    const auto devices = Devices();
    if (device >= devices.size())
        return SI_DEVICE_NOT_FOUND;
    if (text == nullptr)
        return SI_INVALID_PARAMETER;
    const std::string value =
        flags == SI_RETURN_SERIAL_NUMBER ? devices[device].serial : "Stand-in USBXpress device";
    const size_t n = std::min<size_t>(value.size(), SI_MAX_DEVICE_STRLEN - 1);
    std::memcpy(text, value.data(), n);
    static_cast<char*>(text)[n] = '\0';
    return SI_SUCCESS;
}

STANDIN_EXPORT SI_STATUS SI_Open(DWORD device, HANDLE* handle) {
    const auto devices = Devices();
    if (device >= devices.size() || handle == nullptr)
        return SI_DEVICE_NOT_FOUND;
    *handle = Open().Open(devices[device]);
    return *handle ? SI_SUCCESS : SI_DEVICE_NOT_FOUND;
}

STANDIN_EXPORT SI_STATUS SI_Close(HANDLE handle) {
    return Open().Close(handle) ? SI_SUCCESS : SI_INVALID_HANDLE;
}

STANDIN_EXPORT SI_STATUS SI_Read(HANDLE handle, void* buffer, DWORD count, DWORD* read, void*) {
    auto* device = Open().Find(handle);
    if (device == nullptr || read == nullptr)
        return SI_INVALID_HANDLE;
    const long n = device->Read(buffer, count, device->Queued() ? 0 : g_readTimeoutMs);
    *read = n > 0 ? static_cast<DWORD>(n) : 0;
    return n < 0 ? SI_READ_ERROR : SI_SUCCESS;
}

STANDIN_EXPORT SI_STATUS SI_Write(HANDLE handle, void* buffer, DWORD count, DWORD* written, void*) {
    auto* device = Open().Find(handle);
    if (device == nullptr || written == nullptr)
        return SI_INVALID_HANDLE;
    const long n = device->Write(buffer, count);
    *written = n > 0 ? static_cast<DWORD>(n) : 0;
    return n == static_cast<long>(count) ? SI_SUCCESS : SI_WRITE_ERROR;
}

STANDIN_EXPORT SI_STATUS SI_FlushBuffers(HANDLE handle, BYTE, BYTE receive) {
    auto* device = Open().Find(handle);
    if (device == nullptr)
        return SI_INVALID_HANDLE;
    if (receive)
        device->DropInput();
    return SI_SUCCESS;
}

STANDIN_EXPORT SI_STATUS SI_SetTimeouts(DWORD readMs, DWORD) {
    g_readTimeoutMs = static_cast<int>(std::min<DWORD>(readMs, 60000));
    return SI_SUCCESS;
}

STANDIN_EXPORT SI_STATUS SI_CheckRXQueue(HANDLE handle, DWORD* queued, DWORD* status) {
    auto* device = Open().Find(handle);
    if (device == nullptr || queued == nullptr)
        return SI_INVALID_HANDLE;
    *queued = static_cast<DWORD>(device->Queued());
    if (status)
        *status = *queued ? 2 : 0; // SI_RX_READY, SI_RX_EMPTY
    return SI_SUCCESS;
}

// Line settings mean nothing to a pseudo-terminal: accepted for an open device.
STANDIN_EXPORT SI_STATUS SI_SetBaudRate(HANDLE handle, DWORD) {
    return Open().Find(handle) ? SI_SUCCESS : SI_INVALID_HANDLE;
}
STANDIN_EXPORT SI_STATUS SI_SetLineControl(HANDLE handle, WORD) {
    return Open().Find(handle) ? SI_SUCCESS : SI_INVALID_HANDLE;
}
STANDIN_EXPORT SI_STATUS SI_SetFlowControl(HANDLE handle, BYTE, BYTE, BYTE, BYTE, BYTE, BOOL) {
    return Open().Find(handle) ? SI_SUCCESS : SI_INVALID_HANDLE;
}
STANDIN_EXPORT SI_STATUS SI_SetBreak(HANDLE handle, WORD) {
    return Open().Find(handle) ? SI_SUCCESS : SI_INVALID_HANDLE;
}

// Never called by the system; present so that the binding finds every name.
STANDIN_EXPORT SI_STATUS SI_DeviceIOControl() {
    return SI_INVALID_PARAMETER;
}
STANDIN_EXPORT SI_STATUS SI_GetTimeouts() {
    return SI_INVALID_PARAMETER;
}
STANDIN_EXPORT SI_STATUS SI_SetBaudDivisor() {
    return SI_INVALID_PARAMETER;
}
STANDIN_EXPORT SI_STATUS SI_GetModemStatus() {
    return SI_INVALID_PARAMETER;
}
STANDIN_EXPORT SI_STATUS SI_ReadLatch() {
    return SI_INVALID_PARAMETER;
}
STANDIN_EXPORT SI_STATUS SI_WriteLatch() {
    return SI_INVALID_PARAMETER;
}
STANDIN_EXPORT SI_STATUS SI_GetPartNumber() {
    return SI_INVALID_PARAMETER;
}
STANDIN_EXPORT SI_STATUS SI_GetDLLVersion() {
    return SI_INVALID_PARAMETER;
}
STANDIN_EXPORT SI_STATUS SI_GetDriverVersion() {
    return SI_INVALID_PARAMETER;
}
