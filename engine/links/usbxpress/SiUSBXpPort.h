#pragma once
// Binding of the USBXpress library (libSiUSBXp.so), loaded when first needed and bound
// by name. Base of the Bluetooth link class for the maker's USB Bluetooth adapter.
// Each wrapper calls the library; when the function is missing it returns the fixed
// value the callers expect of a missing library (1, "not successful"), so that opening
// a device simply fails.
#include "engine/links/VendorLibrary.h"
#include "engine/links/usbxpress/SiUSBXpApi.h"

class CSiUSBXpPort {
public:
    using SI_STATUS = vorex::usbxpress::SI_STATUS;
    using DWORD = vorex::usbxpress::DWORD;
    using WORD = vorex::usbxpress::WORD;
    using BYTE = vorex::usbxpress::BYTE;
    using HANDLE = vorex::usbxpress::HANDLE;

    CSiUSBXpPort() = default;
    virtual ~CSiUSBXpPort() = default; // unloads the library
    CSiUSBXpPort(const CSiUSBXpPort&) = delete;
    CSiUSBXpPort& operator=(const CSiUSBXpPort&) = delete;

    // These two load the library first.
    SI_STATUS SI_GetNumDevices(DWORD* count);
    SI_STATUS SI_Open(DWORD device, HANDLE* handle);
    // These use the library only when it is already loaded.
    SI_STATUS SI_GetProductString(DWORD device, void* text, DWORD flags);
    SI_STATUS SI_Close(HANDLE handle);
    SI_STATUS SI_Read(HANDLE handle, void* buffer, DWORD count, DWORD* read);
    SI_STATUS SI_Write(HANDLE handle, const void* buffer, DWORD count, DWORD* written);
    SI_STATUS SI_FlushBuffers(HANDLE handle, BYTE transmit, BYTE receive);
    SI_STATUS SI_SetTimeouts(DWORD readMs, DWORD writeMs);
    SI_STATUS SI_CheckRXQueue(HANDLE handle, DWORD* queued, DWORD* status);
    SI_STATUS SI_SetBaudRate(HANDLE handle, DWORD baud);
    SI_STATUS SI_SetLineControl(HANDLE handle, WORD lineControl);
    SI_STATUS SI_SetFlowControl(HANDLE handle, BYTE cts, BYTE rts, BYTE dtr, BYTE dsr, BYTE dcd,
                                int xonXoff);
    SI_STATUS SI_SetBreak(HANDLE handle, WORD state);

    bool UsbXpressLoaded() const { return library_.Loaded(); }

private:
    // Loads the library and binds every function once; nothing when already loaded.
    void LoadUsbXpress();

    vorex::links::VendorLibrary library_{"libSiUSBXp.so"};
    vorex::usbxpress::SI_GetNumDevices_t* getNumDevices_ = nullptr;
    vorex::usbxpress::SI_GetProductString_t* getProductString_ = nullptr;
    vorex::usbxpress::SI_Open_t* open_ = nullptr;
    vorex::usbxpress::SI_Close_t* close_ = nullptr;
    vorex::usbxpress::SI_Read_t* read_ = nullptr;
    vorex::usbxpress::SI_Write_t* write_ = nullptr;
    vorex::usbxpress::SI_FlushBuffers_t* flushBuffers_ = nullptr;
    vorex::usbxpress::SI_SetTimeouts_t* setTimeouts_ = nullptr;
    vorex::usbxpress::SI_CheckRXQueue_t* checkRXQueue_ = nullptr;
    vorex::usbxpress::SI_SetBaudRate_t* setBaudRate_ = nullptr;
    vorex::usbxpress::SI_SetLineControl_t* setLineControl_ = nullptr;
    vorex::usbxpress::SI_SetFlowControl_t* setFlowControl_ = nullptr;
    vorex::usbxpress::SI_SetBreak_t* setBreak_ = nullptr;
};
