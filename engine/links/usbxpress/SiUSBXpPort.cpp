#include "engine/links/usbxpress/SiUSBXpPort.h"

namespace {

constexpr CSiUSBXpPort::SI_STATUS kMissing = 1;

} // namespace

void CSiUSBXpPort::LoadUsbXpress() {
    if (library_.Loaded() || !library_.Load("SiUSBXp.dll"))
        return;
    // In the order of the binding table; the functions the system never calls are
    // looked up as well, so that a library lacking them says so.
    library_.BindTo(getNumDevices_, "SI_GetNumDevices");
    library_.BindTo(getProductString_, "SI_GetProductString");
    library_.BindTo(open_, "SI_Open");
    library_.BindTo(close_, "SI_Close");
    library_.BindTo(read_, "SI_Read");
    library_.BindTo(write_, "SI_Write");
    library_.Bind("SI_DeviceIOControl");
    library_.BindTo(flushBuffers_, "SI_FlushBuffers");
    library_.BindTo(setTimeouts_, "SI_SetTimeouts");
    library_.Bind("SI_GetTimeouts");
    library_.BindTo(checkRXQueue_, "SI_CheckRXQueue");
    library_.BindTo(setBaudRate_, "SI_SetBaudRate");
    library_.Bind("SI_SetBaudDivisor");
    library_.BindTo(setLineControl_, "SI_SetLineControl");
    library_.BindTo(setFlowControl_, "SI_SetFlowControl");
    library_.Bind("SI_GetModemStatus");
    library_.BindTo(setBreak_, "SI_SetBreak");
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
