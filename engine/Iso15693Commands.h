#pragma once
// ISO 15693 pass-through commands: the reader forwards request 0x20 (ISO flags, ISO
// command code, parameters) to the transponders and hands back their response.
// Manufacturer-specific detours (Infineon custom commands, EM read-multiple, ST
// two-byte block numbers, synthesised system information, TI option flag) live here.
#include "engine/Vorex_Port.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorex::iso {

// Flags word: the low byte is sent as the ISO request flags, the rest steers the engine.
enum Flag : uint32_t {
    kTwoSubcarriers = 0x01,
    kHighDataRate = 0x02,
    kInventoryFlag = 0x04,
    kProtocolExtension = 0x08,
    kSelectFlag = 0x10,    // with kInventoryFlag: AFI present
    kAddressedFlag = 0x20, // with kInventoryFlag: one slot
    kOptionFlag = 0x40,
    kUseInfineon = 0x100,
    kLockWithoutOption = 0x200,
    kOptionForWriteLock = 0x400,
    kReadViaMultiple = 0x800,
    kOneSubcarrier = 0x2000,
    kRaw = 0x8000,
};

// IC manufacturer codes the engine treats specially (UID byte 6).
enum Manufacturer : int {
    kNoManufacturer = -1,
    kST = 0x02,
    kNXP = 0x04,
    kInfineon = 0x05,
    kTexasInstruments = 0x07,
    kFujitsu = 0x08,
    kEM = 0x16,
};

constexpr size_t kRecordSize = 11;       // slot status, response flags, DSFID, UID
constexpr int kMaxMaskLength = 60;       // deepest mask the anticollision asks with
constexpr int kMaxInventoryRounds = 256; // requests one inventory may send in all
constexpr int kInventoryTimeoutMs = 1000;

// The flags and UID after flag preparation.
struct Prepared {
    uint32_t flags = 0;
    int manufacturer = kNoManufacturer;
    bool hasUid = false;
    std::array<uint8_t, 8> uid{};
};

// Unless kRaw is set, an 8-byte UID adds the addressed flag and names the manufacturer;
// kOneSubcarrier or a Fujitsu UID clears the two-subcarrier flag. Any other UID length
// means "no UID".
Prepared PrepareFlags(uint32_t flags, const uint8_t* uid, int uidLength);

// --- Inventory answer evaluation (pure, no I/O) --------------------------------------

// Turns a reader's inventory payload into slot blocks: a variant-2 one-byte payload is a
// reader status (1 -> 21, 2 -> 23, 8 -> 10), a variant-3 ten-byte payload is a single
// record without its slot status. False with `error` set when the payload is a failure.
bool NormalizeInventoryPayload(std::vector<uint8_t>& payload, uint8_t variant, uint32_t flags,
                               int& error);

struct SlotEvent {
    bool collision = false;
    uint8_t slot = 0;
    size_t offset = 0; // record: offset of its 11 bytes in the payload
};

struct SlotWalk {
    std::vector<SlotEvent> events; // records and collisions in slot order
    int error = 0;                 // 0, 23 (collision in one-slot mode) or 6 (slots missing)
};

// Walks the slot blocks (L + L bytes each) of an inventory payload. Never reads outside
// payload[0..size).
SlotWalk WalkInventorySlots(const uint8_t* payload, size_t size, uint8_t variant, bool oneSlot);

// The mask bytes an inventory request carries for a mask length.
size_t MaskByteCount(int maskLength);

// --- Commands ------------------------------------------------------------------------

// 16-slot (or one-slot) inventory with recursive collision resolution; `records` gets
// whole 11-byte records.
bool Inventory(CVorex_Port& port, uint32_t flags, std::vector<uint8_t>& records);

bool GetSystemInfo(CVorex_Port& port, const uint8_t* uid, int uidLength, uint32_t flags,
                   std::vector<uint8_t>& info);

// Outputs are written only when the system information tells them; each may be null.
bool GetMemorySize(CVorex_Port& port, const uint8_t* uid, int uidLength, uint32_t flags,
                   int* blockCount, int* blockSize, int* manufacturer);

// Block data, preceded by the block security status when the option flag is set.
bool ReadBlock(CVorex_Port& port, int block, const uint8_t* uid, int uidLength, uint32_t flags,
               std::vector<uint8_t>& data);

// Read Multiple Blocks: `count` blocks (1-256, else error 7 and nothing sent) from
// `block` on.
bool ReadMultipleBlocks(CVorex_Port& port, int block, int count, const uint8_t* uid, int uidLength,
                        uint32_t flags, std::vector<uint8_t>& data);

bool WriteBlock(CVorex_Port& port, int block, const uint8_t* data, size_t count, const uint8_t* uid,
                int uidLength, uint32_t flags);

bool LockBlock(CVorex_Port& port, int block, const uint8_t* uid, int uidLength, uint32_t flags);

// Number of blocks minus one that an Infineon my-d tag has, from UID byte 5.
uint8_t InfineonBlocksMinusOne(uint8_t uidByte5);

} // namespace vorex::iso
