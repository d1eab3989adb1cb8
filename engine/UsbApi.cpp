// The VOREX_ calls of the USB side: driver check and the list of USB readers.
#include "engine/ApiSupport.h"
#include "engine/Vorex_SDKApp.h"
#include "engine/links/ftdi/FTD2xxPort.h"
#include "engine/links/hid/HidLink.h"
#include "engine/links/usb/UsbDiscovery.h"
#include <vorex/vorex.h>

int VOREX_CheckUsbDrivers(void) {
    return vorex::links::CheckUsbDriversIn("/sys");
}

int VOREX_IsCdcDriverAvailable(void) {
    return 1;
}

int VOREX_ListUsbDevices(char* buffer, int capacity) {
    std::vector<std::string> names;
    CFTD2xxPort ftdi;
    ftdi.ListFtdiDevices(names);
    CHidLink hid(VorexEngine().HidDevices());
    hid.ListHidDevices(names);
    return vorex::WriteNameList(vorex::links::KeepMakerArticles(names), buffer, capacity);
}
