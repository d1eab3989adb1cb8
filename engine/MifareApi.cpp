// The ISO 14443A / MIFARE part of the C call surface: connection lookup, then the
// operation of MifareCommands.
#include "engine/MifareCommands.h"
#include "engine/Vorex_SDKApp.h"
#include <vorex/vorex.h>

namespace mf = vorex::mifare;

extern "C" {

int VOREX_MifareRequest(int handle, unsigned short* answer) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return mf::Request(*port, answer) ? 0 : -1;
}

int VOREX_MifareSelect(int handle, unsigned char* buffer, int capacity, unsigned char* first) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return mf::Select(*port, buffer, capacity, first);
}

int VOREX_MifareAuthenticate(int handle, const unsigned char* key, int keyLength, int keyType,
                             int keyNumber, int block) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return mf::Authenticate(*port, key, keyLength, keyType, keyNumber, block) ? 0 : -1;
}

int VOREX_MifareReadBlock(int handle, int block, unsigned char* buffer, int capacity) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return mf::ReadBlock(*port, block, buffer, capacity);
}

int VOREX_MifareWriteBlock(int handle, int block, const unsigned char* data, int count) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return mf::WriteBlock(*port, block, data, count) ? 0 : -1;
}

int VOREX_MifareValue(int handle, int block, int operation, int value) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return mf::Value(*port, block, operation, value) ? 0 : -1;
}

int VOREX_MifareSelectedSector(int handle) {
    auto port = VorexEngine().Find(handle);
    return port ? port->SectorCache() : -1;
}

int VOREX_MifareStoreKey(int handle, int keyType, int keyNumber, const unsigned char* key,
                         int keyLength) {
    auto port = VorexEngine().Find(handle);
    if (!port)
        return -1;
    return mf::StoreKey(*port, keyType, keyNumber, key, keyLength) ? 0 : -1;
}

} // extern "C"
