#include "engine/links/ftdi/FTD2xxPort.h"

#include "engine/DebugOutput.h"

#include <algorithm>
#include <cstring>

namespace ftdi = vorex::ftdi;

void CFTD2xxPort::LoadFtdi() {
    if (library_.Loaded() || !library_.Load("Ftd2xx.dll"))
        return;
    // The functions this system calls, and the ones it binds without calling, in the
    // library's binding order: a library lacking one says so.
    library_.Bind("FT_SetBaudRate");
    library_.BindTo(setLatencyTimer_, "FT_SetLatencyTimer");
    library_.Bind("FT_SetUSBParameters");
    library_.Bind("FT_ListDevices");
    library_.BindTo(createDeviceInfoList_, "FT_CreateDeviceInfoList");
    library_.BindTo(getDeviceInfoList_, "FT_GetDeviceInfoList");
    library_.Bind("FT_GetDeviceInfoDetail");
    library_.Bind("FT_ResetDevice");
    library_.BindTo(createFile_, "FT_W32_CreateFile");
    library_.BindTo(closeHandle_, "FT_W32_CloseHandle");
    library_.BindTo(readFile_, "FT_W32_ReadFile");
    library_.BindTo(writeFile_, "FT_W32_WriteFile");
    library_.BindTo(getLastError_, "FT_W32_GetLastError");
    library_.Bind("FT_W32_GetOverlappedResult");
    library_.BindTo(clearCommBreak_, "FT_W32_ClearCommBreak");
    library_.BindTo(clearCommError_, "FT_W32_ClearCommError");
    library_.Bind("FT_W32_EscapeCommFunction");
    library_.BindTo(getCommModemStatus_, "FT_W32_GetCommModemStatus");
    library_.BindTo(getCommState_, "FT_W32_GetCommState");
    library_.Bind("FT_W32_GetCommTimeouts");
    library_.BindTo(purgeComm_, "FT_W32_PurgeComm");
    library_.BindTo(setCommBreak_, "FT_W32_SetCommBreak");
    library_.BindTo(setCommMask_, "FT_W32_SetCommMask");
    library_.BindTo(setCommState_, "FT_W32_SetCommState");
    library_.BindTo(setCommTimeouts_, "FT_W32_SetCommTimeouts");
    library_.Bind("FT_W32_SetupComm");
    library_.Bind("FT_W32_WaitCommEvent");
}

CFTD2xxPort::FT_STATUS CFTD2xxPort::FT_CreateDeviceInfoList(DWORD* count) {
    LoadFtdi();
    if (createDeviceInfoList_ == nullptr) {
        vorex::DebugOutput("FT_CreateDeviceInfoList ist nicht vorhanden!\n");
        return 1;
    }
    return createDeviceInfoList_(count);
}

CFTD2xxPort::FT_STATUS CFTD2xxPort::FT_GetDeviceInfoList(ftdi::FT_DEVICE_LIST_INFO_NODE* nodes,
                                                         DWORD* count) {
    LoadFtdi();
    if (getDeviceInfoList_ == nullptr) {
        vorex::DebugOutput("FT_GetDeviceInfoList ist nicht vorhanden!\n");
        return 1;
    }
    return getDeviceInfoList_(nodes, count);
}

CFTD2xxPort::FT_HANDLE CFTD2xxPort::FT_W32_CreateFile(const std::string& serialNumber) {
    LoadFtdi();
    if (createFile_ == nullptr)
        return ftdi::InvalidHandle();
    return createFile_(serialNumber.c_str(), ftdi::kGenericRead | ftdi::kGenericWrite, 0, nullptr,
                       ftdi::kOpenExisting, ftdi::kOpenBySerialNumber, nullptr);
}

CFTD2xxPort::FT_STATUS CFTD2xxPort::FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) {
    return setLatencyTimer_ ? setLatencyTimer_(handle, ms) : 1;
}

CFTD2xxPort::BOOL CFTD2xxPort::FT_W32_CloseHandle(FT_HANDLE handle) {
    return closeHandle_ ? closeHandle_(handle) : 0;
}

CFTD2xxPort::BOOL CFTD2xxPort::FT_W32_ReadFile(FT_HANDLE handle, void* buffer, DWORD count,
                                               DWORD* read) {
    return readFile_ ? readFile_(handle, buffer, count, read, nullptr) : 0;
}

CFTD2xxPort::BOOL CFTD2xxPort::FT_W32_WriteFile(FT_HANDLE handle, const void* buffer, DWORD count,
                                                DWORD* written) {
    // The library takes a non-const buffer but only reads it.
    return writeFile_ ? writeFile_(handle, const_cast<void*>(buffer), count, written, nullptr) : 0;
}

CFTD2xxPort::DWORD CFTD2xxPort::FT_W32_GetLastError(FT_HANDLE handle) {
    return getLastError_ ? getLastError_(handle) : 0;
}

CFTD2xxPort::BOOL CFTD2xxPort::FT_W32_ClearCommError(FT_HANDLE handle, DWORD* errors,
                                                     ftdi::FTCOMSTAT* status) {
    return clearCommError_ ? clearCommError_(handle, errors, status) : 0;
}

CFTD2xxPort::BOOL CFTD2xxPort::FT_W32_GetCommModemStatus(FT_HANDLE handle, DWORD* status) {
    return getCommModemStatus_ ? getCommModemStatus_(handle, status) : 0;
}

CFTD2xxPort::BOOL CFTD2xxPort::FT_W32_GetCommState(FT_HANDLE handle, ftdi::FTDCB* dcb) {
    return getCommState_ ? getCommState_(handle, dcb) : 0;
}

CFTD2xxPort::BOOL CFTD2xxPort::FT_W32_SetCommState(FT_HANDLE handle, ftdi::FTDCB* dcb) {
    return setCommState_ ? setCommState_(handle, dcb) : 0;
}

CFTD2xxPort::BOOL CFTD2xxPort::FT_W32_SetCommMask(FT_HANDLE handle, DWORD mask) {
    return setCommMask_ ? setCommMask_(handle, mask) : 0;
}

CFTD2xxPort::BOOL CFTD2xxPort::FT_W32_SetCommTimeouts(FT_HANDLE handle,
                                                      ftdi::FTTIMEOUTS* timeouts) {
    return setCommTimeouts_ ? setCommTimeouts_(handle, timeouts) : 0;
}

void CFTD2xxPort::FT_W32_PurgeComm(FT_HANDLE handle, DWORD flags) {
    if (purgeComm_)
        purgeComm_(handle, flags);
}

void CFTD2xxPort::FT_W32_SetCommBreak(FT_HANDLE handle) {
    if (setCommBreak_)
        setCommBreak_(handle);
}

void CFTD2xxPort::FT_W32_ClearCommBreak(FT_HANDLE handle) {
    if (clearCommBreak_)
        clearCommBreak_(handle);
}

void CFTD2xxPort::ListFtdiDevices(std::vector<std::string>& list) {
    DWORD count = 0;
    if (FT_CreateDeviceInfoList(&count) != ftdi::FT_OK || count == 0)
        return;
    // A library that reports absurd counts gets no more than this many nodes.
    constexpr DWORD kMaxDevices = 1024;
    count = std::min(count, kMaxDevices);
    std::vector<ftdi::FT_DEVICE_LIST_INFO_NODE> nodes(count);
    if (FT_GetDeviceInfoList(nodes.data(), &count) != ftdi::FT_OK)
        return;
    for (DWORD i = 0; i < std::min<DWORD>(count, static_cast<DWORD>(nodes.size())); ++i) {
        const auto& node = nodes[i];
        // The serial number field need not end in a NUL.
        const std::string serial(node.SerialNumber,
                                 strnlen(node.SerialNumber, sizeof node.SerialNumber));
        if (node.ftHandle == nullptr && !serial.empty())
            list.push_back(serial);
    }
}
