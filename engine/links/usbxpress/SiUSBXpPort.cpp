#include "SiUSBXpPort.h"

namespace {

constexpr CSiUSBXpPort::SI_STATUS kMissing = 1;

// Looks up an entry point into a typed pointer (null when missing).
template <typename F>
void BindTo(const vorex::links::VendorLibrary& library, F*& slot, const char* name) {
    slot = reinterpret_cast<F*>(library.Bind(name));
}

} // namespace

void CSiUSBXpPort::LoadUsbXpress() {
    if (library_.Loaded() || !library_.Load("SiUSBXp.dll"))
        return;
    // In the order of the binding table; the functions the system never calls are
    // looked up as well, so that a library lacking them says so.
    BindTo(library_, getNumDevices_, "SI_GetNumDevices");
    BindTo(library_, getProductString_, "SI_GetProductString");
    BindTo(library_, open_, "SI_Open");
    BindTo(library_, close_, "SI_Close");
    BindTo(library_, read_, "SI_Read");
    BindTo(library_, write_, "SI_Write");
    library_.Bind("SI_DeviceIOControl");
    BindTo(library_, flushBuffers_, "SI_FlushBuffers");
    BindTo(library_, setTimeouts_, "SI_SetTimeouts");
    library_.Bind("SI_GetTimeouts");
    BindTo(library_, checkRXQueue_, "SI_CheckRXQueue");
    BindTo(library_, setBaudRate_, "SI_SetBaudRate");
    library_.Bind("SI_SetBaudDivisor");
    BindTo(library_, setLineControl_, "SI_SetLineControl");
    BindTo(library_, setFlowControl_, "SI_SetFlowControl");
    library_.Bind("SI_GetModemStatus");
    BindTo(library_, setBreak_, "SI_SetBreak");
    for (const char* unused : {"SI_ReadLatch", "SI_WriteLatch", "SI_GetPartNumber",
                               "SI_GetDLLVersion", "SI_GetDriverVersion"})
        library_.Bind(unused);
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_GetNumDevices(DWORD* count) {
    LoadUsbXpress();
    return getNumDevices_ ? getNumDevices_(count) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_Open(DWORD device, HANDLE* handle) {
    LoadUsbXpress();
    return open_ ? open_(device, handle) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_GetProductString(DWORD device, void* text, DWORD flags) {
    return getProductString_ ? getProductString_(device, text, flags) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_Close(HANDLE handle) {
    return close_ ? close_(handle) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_Read(HANDLE handle, void* buffer, DWORD count,
                                              DWORD* read) {
    return read_ ? read_(handle, buffer, count, read, nullptr) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_Write(HANDLE handle, const void* buffer, DWORD count,
                                               DWORD* written) {
    // The library takes a non-const buffer but only reads it.
    return write_ ? write_(handle, const_cast<void*>(buffer), count, written, nullptr) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_FlushBuffers(HANDLE handle, BYTE transmit, BYTE receive) {
    return flushBuffers_ ? flushBuffers_(handle, transmit, receive) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_SetTimeouts(DWORD readMs, DWORD writeMs) {
    return setTimeouts_ ? setTimeouts_(readMs, writeMs) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_CheckRXQueue(HANDLE handle, DWORD* queued, DWORD* status) {
    return checkRXQueue_ ? checkRXQueue_(handle, queued, status) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_SetBaudRate(HANDLE handle, DWORD baud) {
    return setBaudRate_ ? setBaudRate_(handle, baud) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_SetLineControl(HANDLE handle, WORD lineControl) {
    return setLineControl_ ? setLineControl_(handle, lineControl) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_SetFlowControl(HANDLE handle, BYTE cts, BYTE rts, BYTE dtr,
                                                        BYTE dsr, BYTE dcd, int xonXoff) {
    return setFlowControl_ ? setFlowControl_(handle, cts, rts, dtr, dsr, dcd, xonXoff) : kMissing;
}

CSiUSBXpPort::SI_STATUS CSiUSBXpPort::SI_SetBreak(HANDLE handle, WORD state) {
    return setBreak_ ? setBreak_(handle, state) : kMissing;
}
