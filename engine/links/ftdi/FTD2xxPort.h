#pragma once
// Binding of the FTDI D2XX library (libftd2xx.so), loaded when first needed and bound
// by name; base of CUSBSerialPort, whose FTDI mode drives a reader through it. Each
// wrapper calls the library; when the function is missing it returns the fixed value
// its callers take for "failed" (or does nothing), so that opening simply fails.
#include "engine/links/VendorLibrary.h"
#include "engine/links/ftdi/FTD2xxApi.h"

#include <string>
#include <vector>

class CFTD2xxPort {
public:
    using FT_STATUS = vorex::ftdi::FT_STATUS;
    using FT_HANDLE = vorex::ftdi::FT_HANDLE;
    using DWORD = vorex::ftdi::DWORD;
    using BOOL = vorex::ftdi::BOOL;

    CFTD2xxPort() = default;
    virtual ~CFTD2xxPort() = default; // unloads the library
    CFTD2xxPort(const CFTD2xxPort&) = delete;
    CFTD2xxPort& operator=(const CFTD2xxPort&) = delete;

    // These three load the library first.
    FT_STATUS FT_CreateDeviceInfoList(DWORD* count);
    FT_STATUS FT_GetDeviceInfoList(vorex::ftdi::FT_DEVICE_LIST_INFO_NODE* nodes, DWORD* count);
    FT_HANDLE FT_W32_CreateFile(const std::string& serialNumber);
    // These use the library only when it is already loaded.
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms);
    BOOL FT_W32_CloseHandle(FT_HANDLE handle);
    BOOL FT_W32_ReadFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* read);
    BOOL FT_W32_WriteFile(FT_HANDLE handle, const void* buffer, DWORD count, DWORD* written);
    DWORD FT_W32_GetLastError(FT_HANDLE handle);
    BOOL FT_W32_ClearCommError(FT_HANDLE handle, DWORD* errors, vorex::ftdi::FTCOMSTAT* status);
    BOOL FT_W32_GetCommModemStatus(FT_HANDLE handle, DWORD* status);
    BOOL FT_W32_GetCommState(FT_HANDLE handle, vorex::ftdi::FTDCB* dcb);
    BOOL FT_W32_SetCommState(FT_HANDLE handle, vorex::ftdi::FTDCB* dcb);
    BOOL FT_W32_SetCommMask(FT_HANDLE handle, DWORD mask);
    BOOL FT_W32_SetCommTimeouts(FT_HANDLE handle, vorex::ftdi::FTTIMEOUTS* timeouts);
    void FT_W32_PurgeComm(FT_HANDLE handle, DWORD flags);
    void FT_W32_SetCommBreak(FT_HANDLE handle);
    void FT_W32_ClearCommBreak(FT_HANDLE handle);

    // Appends the serial numbers of the attached FTDI devices that no program has open.
    void ListFtdiDevices(std::vector<std::string>& list);

    bool FtdiLoaded() const { return library_.Loaded(); }

private:
    // Loads the library and binds every function once; nothing when already loaded.
    void LoadFtdi();

    vorex::links::VendorLibrary library_{"libftd2xx.so"};
    vorex::ftdi::FT_CreateDeviceInfoList_t* createDeviceInfoList_ = nullptr;
    vorex::ftdi::FT_GetDeviceInfoList_t* getDeviceInfoList_ = nullptr;
    vorex::ftdi::FT_SetLatencyTimer_t* setLatencyTimer_ = nullptr;
    vorex::ftdi::FT_W32_CreateFile_t* createFile_ = nullptr;
    vorex::ftdi::FT_W32_CloseHandle_t* closeHandle_ = nullptr;
    vorex::ftdi::FT_W32_ReadFile_t* readFile_ = nullptr;
    vorex::ftdi::FT_W32_WriteFile_t* writeFile_ = nullptr;
    vorex::ftdi::FT_W32_GetLastError_t* getLastError_ = nullptr;
    vorex::ftdi::FT_W32_CommBreak_t* clearCommBreak_ = nullptr;
    vorex::ftdi::FT_W32_ClearCommError_t* clearCommError_ = nullptr;
    vorex::ftdi::FT_W32_GetCommModemStatus_t* getCommModemStatus_ = nullptr;
    vorex::ftdi::FT_W32_GetCommState_t* getCommState_ = nullptr;
    vorex::ftdi::FT_W32_PurgeComm_t* purgeComm_ = nullptr;
    vorex::ftdi::FT_W32_CommBreak_t* setCommBreak_ = nullptr;
    vorex::ftdi::FT_W32_SetCommMask_t* setCommMask_ = nullptr;
    vorex::ftdi::FT_W32_SetCommState_t* setCommState_ = nullptr;
    vorex::ftdi::FT_W32_SetCommTimeouts_t* setCommTimeouts_ = nullptr;
};
