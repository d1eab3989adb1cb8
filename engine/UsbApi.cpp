// The VOREX_ calls of the USB side: driver check and the list of USB readers.
#include "links/usb/UsbDiscovery.h"
#include <vorex/vorex.h>

int VOREX_CheckUsbDrivers(void) {
    return vorex::links::CheckUsbDriversIn("/sys");
}

int VOREX_IsCdcDriverAvailable(void) {
    return 1;
}
