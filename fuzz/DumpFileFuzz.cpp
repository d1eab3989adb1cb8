// Fuzz harness for the dump file readers (our own JSON and its earlier layouts,
// Proxmark3 JSON/.bin/.eml, MIFARE Classic Tool, Flipper), reached through the reader
// that tells the format by content; the seed corpus holds a file of each. A refusal
// says why; an accepted dump is consistent, our own format writes it and reads it
// back unchanged, and every other writer writes it (with a fill byte) or refuses it
// with a reason, never both.
#include "dumpfiles/DumpFiles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorex::dumpfiles;
    const std::string content(reinterpret_cast<const char*>(data), size);
    const ReadResult r = ReadDump("f", content);
    if (!r.dump) {
        if (r.error.rfind("f: ", 0) != 0)
            std::abort();
        return 0;
    }
    const TagDump& dump = *r.dump;
    if (const auto* m = std::get_if<ClassicMemory>(&dump))
        if (m->bytes.size() != static_cast<size_t>(m->Blocks()) * 16)
            std::abort();
    if (const auto* t = std::get_if<Iso15693Memory>(&dump))
        if (t->blockSize < 1 || t->bytes.size() % static_cast<size_t>(t->blockSize) != 0 ||
            t->locks.size() != static_cast<size_t>(t->Blocks()))
            std::abort();
    const WriteResult own = WriteDump(Format::Own, dump, std::nullopt);
    const ReadResult back = ReadDump("own", own.content);
    if (!own.error.empty() || !back.dump || !(*back.dump == dump))
        std::abort();
    for (Format f : {Format::Pm3, Format::Mct, Format::Flipper, Format::Bin}) {
        const WriteResult w = WriteDump(f, dump, 0x00);
        if (w.error.empty() == w.content.empty())
            std::abort();
        if (w.error.empty() && !ReadDump("again", w.content).dump &&
            ReadDump("again", w.content).error.empty())
            std::abort();
    }
    return 0;
}
