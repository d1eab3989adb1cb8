// The VOREX_ call surface of the ISO 15693 command set.
#include "engine/ApiSupport.h"
#include "engine/Iso15693Commands.h"
#include "engine/Vorex_SDKApp.h"
#include <vorex/vorex.h>

#include <algorithm>
#include <cstring>

using vorex::CopyOut;
using vorex::Result;

extern "C" {

int VOREX_Iso15693Inventory(int handle, unsigned char* buffer, int capacity, unsigned flags) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    std::vector<uint8_t> records;
    if (!vorex::iso::Inventory(*port, flags, records))
        return -1;
    // A small buffer gets as many whole records as fit.
    size_t n = records.size();
    if (buffer == nullptr || capacity <= 0)
        n = 0;
    else
        n = std::min(n, static_cast<size_t>(capacity) / vorex::iso::kRecordSize *
                            vorex::iso::kRecordSize);
    if (n > 0)
        std::memcpy(buffer, records.data(), n);
    return static_cast<int>(n);
}

int VOREX_Iso15693GetSystemInfo(int handle, unsigned char* buffer, int capacity,
                                const unsigned char* uid, int uidLength, unsigned flags) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    std::vector<uint8_t> info;
    if (!vorex::iso::GetSystemInfo(*port, uid, uidLength, flags, info))
        return -1;
    return CopyOut(*port, info, buffer, capacity);
}

int VOREX_Iso15693GetMemorySize(int handle, const unsigned char* uid, int uidLength,
                                int* blockCount, int* blockSize, int* manufacturer,
                                unsigned flags) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return Result(vorex::iso::GetMemorySize(*port, uid, uidLength, flags, blockCount, blockSize,
                                            manufacturer));
}

int VOREX_Iso15693ReadBlock(int handle, int block, unsigned char* buffer, int capacity,
                            const unsigned char* uid, int uidLength, unsigned flags) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    std::vector<uint8_t> data;
    if (!vorex::iso::ReadBlock(*port, block, uid, uidLength, flags, data))
        return -1;
    return CopyOut(*port, data, buffer, capacity);
}

int VOREX_Iso15693ReadMultipleBlocks(int handle, int block, int count, unsigned char* buffer,
                                     int capacity, const unsigned char* uid, int uidLength,
                                     unsigned flags) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    std::vector<uint8_t> data;
    if (!vorex::iso::ReadMultipleBlocks(*port, block, count, uid, uidLength, flags, data))
        return -1;
    return CopyOut(*port, data, buffer, capacity);
}

int VOREX_Iso15693WriteBlock(int handle, int block, const unsigned char* data, int count,
                             const unsigned char* uid, int uidLength, unsigned flags) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    if (count < 0) {
        port->SetLastError(VOREX_ERR_BAD_PARAMETER);
        return -1;
    }
    return Result(vorex::iso::WriteBlock(*port, block, data, static_cast<size_t>(count), uid,
                                         uidLength, flags));
}

int VOREX_Iso15693LockBlock(int handle, int block, const unsigned char* uid, int uidLength,
                            unsigned flags) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return Result(vorex::iso::LockBlock(*port, block, uid, uidLength, flags));
}

} // extern "C"
