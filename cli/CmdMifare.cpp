// vorexctl mifare: ISO 14443A cards on the reader. The MIFARE Classic subcommands are
// in CmdMifareClassic.cpp, the Ultralight and NFC Type 2 ones in CmdType2.cpp.
#include "cards/ClassicCard.h"
#include "cli/MifareCli.h"
#include "reader/ReaderFacts.h"

#include <vorex/vorex.h>

namespace vorexctl {

int RunOnCard(const GlobalOptions& o, const std::vector<std::string>& words, CardCommandFn fn,
              bool noWords) {
    // Every option of the mifare subcommands; Dispatch has refused those a subcommand
    // does not take.
    static const Args::Spec kSpec{{"--block", "--key-type", "--key-index", "--by", "--type",
                                   "--index", "--key", "--out", "--in", "--format", "--page",
                                   "--password", "--uri", "--text", "--lang", "--fill"},
                                  {"--data"},
                                  {"--yes"}};
    Args a;
    std::string error;
    if (!a.Parse(words, kSpec, error))
        return UsageError(o, error);
    if (noWords && !a.Words().empty())
        return UsageError(o, "unexpected \"" + a.Words()[0] + "\"");
    ReaderHandle h(o);
    if (!h)
        return 1;
    return fn(o, h.get(), a);
}

bool OutputFormat(const Args& a, std::string& format, std::string& error) {
    format = a.One("--format");
    if (format.empty())
        format = EndsWith(a.One("--out"), ".json") || !a.Has("--out") ? "json" : "bin";
    if (format == "mfd")
        format = "bin";
    if (format != "json" && format != "bin") {
        error = "--format must be json or mfd";
        return false;
    }
    return true;
}

int KeySlots(int handle) {
    return vorex::cards::mifare::KeyStoreSlots(
        vorex::reader::HasSmallKeyStore(VOREX_GetDeviceType(handle)));
}

int RunMifare(const GlobalOptions& o, const std::vector<std::string>& args) {
    std::vector<Command> table = ClassicCommands();
    table.push_back({"ultralight",
                     "Ultralight page tags: dump, write (see mifare ultralight --help)", "",
                     RunUltralight});
    table.push_back({"ntag", "NTAG and NFC Type 2 page tags: dump, write (see mifare ntag --help)",
                     "", RunNtag});
    return Dispatch("mifare", table,
                    "KEY: --key-type A|B (A) --key-index I (0) from the key store, or --key HEX.\n"
                    "dump --format defaults to own (the versioned JSON of this program) for a\n"
                    ".json file and stdout, mct/flipper for .mct/.nfc, mfd (binary) for other\n"
                    "file names; --format json writes the earlier JSON layout.\n",
                    o, args);
}

} // namespace vorexctl
