// The VOREX_ call surface for connections, identification, error texts and the
// reader configuration commands.
#include "engine/ApiSupport.h"
#include "engine/ConfigCommands.h"
#include "engine/DeviceTable.h"
#include "engine/ErrorText.h"
#include "engine/PortNameGrammar.h"
#include "engine/ReaderIdentity.h"
#include "engine/Trace.h"
#include "engine/Vorex_SDKApp.h"
#include "engine/links/serial/USBSerialPort.h"
#include <vorex/vorex.h>

#include <cstring>

using vorex::CopyText;
using vorex::Result;

extern "C" {

void VOREX_SetWaitHook(const VOREX_WaitHook* hook) {
    VorexEngine().SetWaitHook(hook);
}

void VOREX_CancelWait(void) {
    VorexEngine().CancelWait();
}

int VOREX_OpenPort(const char* name, int baudCode, int timeoutMs) {
    if (name == nullptr)
        return -1;
    vorex::Trace("VOREX_OpenPort(%s,%d,%d)", name, baudCode, timeoutMs);
    if (!vorex::KeepsBaudCode(name))
        baudCode = 19200;
    const int result = VorexEngine().OpenPort(name, baudCode, timeoutMs);
    vorex::Trace(" = %d\r\n", result);
    return result;
}

int VOREX_ClosePort(int handle) {
    vorex::Trace("VOREX_ClosePort(%d)\r\n", handle);
    return VorexEngine().ClosePort(handle);
}

int VOREX_GetLastError(int handle) {
    auto port = VorexEngine().Find(handle);
    return port ? port->LastError() : VOREX_ERR_UNKNOWN_HANDLE;
}

int VOREX_GetSdkVersion(void) {
    return VOREX_SDK_VERSION;
}

int VOREX_GetVersion(int handle, unsigned char* buffer, int capacity) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    std::vector<uint8_t> id;
    if (!vorex::ReadIdentification(*port, id))
        return -1;
    // A connection taken for a preset type at open (Bluetooth) is named by the reader's
    // own answer from now on, so that its type and name agree with this identification.
    uint32_t type = 0;
    uint8_t revision = 0;
    if (port->Link() && port->Link()->PresetDeviceType() != 0 &&
        vorex::ParseIdentification(id, type, revision) && type != 0) {
        port->SetDeviceType(type);
        port->SetRevision(revision);
    }
    return vorex::CopyOut(*port, id, buffer, capacity);
}

int VOREX_GetDeviceName(int handle, char* buffer, int capacity) {
    auto port = VorexEngine().Find(handle);
    return CopyText(vorex::DeviceName(port ? port->DeviceType() : 0), buffer, capacity);
}

int VOREX_GetDeviceType(int handle) {
    auto port = VorexEngine().Find(handle);
    return port ? static_cast<int>(port->DeviceType()) : -1;
}

int VOREX_IsProgrammer(int handle) {
    auto port = VorexEngine().Find(handle);
    return port ? static_cast<int>(port->DeviceType() & 1) : -1;
}

int VOREX_IsUsbLink(int handle) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return port->Link() && port->Link()->IsUsb() ? 1 : 0;
}

int VOREX_SetBackgroundMode(int handle, int flag) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    port->SetBackground(flag != 0);
    return 1;
}

int VOREX_GetFrameVariant(int handle) {
    auto port = VorexEngine().Find(handle);
    return port ? port->Variant() : -1;
}

int VOREX_ListComPorts(char* buffer, int capacity) {
    std::vector<std::string> ports;
    CUSBSerialPort::ListComPorts(ports);
    return vorex::WriteNameList(ports, buffer, capacity);
}

int VOREX_GetErrorStringId(int error) {
    return vorex::ErrorStringId(error);
}

int VOREX_GetErrorText(int error, char* buffer, int capacity) {
    return CopyText(vorex::ErrorText(error), buffer, capacity);
}

int VOREX_SetBaudrate(int handle, int baud, int format) {
    auto port = VorexEngine().Find(handle);
    return port ? Result(vorex::SetBaudrate(*port, baud, format)) : -1;
}

int VOREX_SetReaderMode(int handle, int mode) {
    auto port = VorexEngine().Find(handle);
    return port ? Result(vorex::SetReaderMode(*port, mode)) : -1;
}

int VOREX_SetHostMode(int handle, int on) {
    auto port = VorexEngine().Find(handle);
    return port ? Result(vorex::SetHostMode(*port, on)) : -1;
}

int VOREX_SendCommandF6(int handle, int a, int b) {
    auto port = VorexEngine().Find(handle);
    return port ? Result(vorex::SendCommandF6(*port, a, b)) : -1;
}

int VOREX_WriteSettings(int handle, const unsigned char* bytes, int count) {
    auto port = VorexEngine().Find(handle);
    return port ? Result(vorex::WriteSettings(*port, bytes, count)) : -1;
}

int VOREX_ReadSettings(int handle, unsigned char* buffer, int capacity) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    std::vector<uint8_t> settings;
    if (!vorex::ReadSettings(*port, settings))
        return -1;
    return vorex::CopyOut(*port, settings, buffer, capacity);
}

int VOREX_FactoryReset(int handle) {
    auto port = VorexEngine().Find(handle);
    return port ? Result(vorex::FactoryReset(*port)) : -1;
}

int VOREX_SetUsbMode(int handle, int mode) {
    auto port = VorexEngine().Find(handle);
    return port ? Result(vorex::SetUsbMode(*port, mode)) : -1;
}

} // extern "C"
