#include "cards/IcManufacturer.h"

namespace vorex::cards {

const char* IcManufacturerName(int code) {
    switch (code) {
    case 0x02:
        return "STMicroelectronics";
    case 0x04:
        return "NXP Semiconductors";
    case 0x05:
        return "Infineon";
    case 0x07:
        return "Texas Instruments";
    case 0x08:
        return "Fujitsu";
    case 0x12:
        return "INSIDE";
    case 0x15:
        return "Atmel";
    case 0x16:
        return "EM Microelectronic";
    case 0x17:
        return "KSW Microtec GmbH";
    case 0x39:
        return "Silicon Craft";
    case 0x3D:
        return "HID Global";
    default:
        return "Unknown";
    }
}

} // namespace vorex::cards
