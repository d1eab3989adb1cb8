#pragma once
// Request parsing and answer encoding on the reader's side of the wire.
#include "sim/ReaderModel.h"

namespace vsim {

enum class ParseResult {
    NeedMore, // the buffer holds the start of a frame
    Parsed,   // `out` holds a request for this reader; its bytes were consumed
    Skipped,  // bytes that are no frame of this variant (or for another address) were dropped
};

// Looks for one request frame of `variant` at the start of `buffer`.
ParseResult ParseRequest(Bytes& buffer, int variant, uint8_t address, Request& out);

// Maps a translated command of variants 2 and 3 back to the reader command and its
// parameters.
void UntranslateRequest(Request& request);

// Status byte of the variant for a reply status.
uint8_t StatusByte(int status, int variant, uint8_t wireCommand);

// The answer frame for the reply. badChecksum spoils the check bytes (variants 0, 1).
Bytes EncodeAnswer(const Reply& reply, const Request& request, int variant, uint8_t address,
                   bool badChecksum);

uint16_t ModbusCrc(const uint8_t* data, size_t count);

} // namespace vsim
