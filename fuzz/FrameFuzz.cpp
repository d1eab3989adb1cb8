// Answer frames of every variant: the completeness scan of the receive wait and the
// check-and-unpack step must never read outside the bytes received, and must agree
// with each other on the length of a complete frame.
#include "engine/FrameCodec.h"
#include "engine/IsoAnswer.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t variant = data[0] & 3;
    const uint8_t lastCommand = data[1];
    const std::vector<uint8_t> frame(data + 2, data + size);
    // Scanning each prefix models bytes arriving one by one.
    for (size_t n = 0; n <= frame.size(); ++n)
        (void)vorex::frame::AnswerComplete(frame.data(), n, variant);
    std::vector<uint8_t> payload = frame;
    int error = 0;
    if (vorex::frame::TakeAnswer(payload, variant, lastCommand, error)) {
        if (payload.size() > frame.size())
            std::abort();
        int isoError = 0;
        (void)vorex::iso::EvaluateIsoAnswer(payload, variant, isoError);
    }
    return 0;
}
