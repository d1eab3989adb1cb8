// vorexctl keys: MIFARE Classic key dictionaries merged and converted between the forms
// of MIFARE Classic Tool (.keys), the Proxmark3 (.dic, key .bin) and the Flipper.
#include "cli/DumpFileCli.h"
#include "dumpfiles/KeyFiles.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace vorexctl {

namespace {

namespace vd = vorex::dumpfiles;

bool LoadKeys(const std::string& path, vd::KeyList& keys, std::string& error) {
    std::string content;
    if (!ReadFile(path, content, error, 16 << 20))
        return false;
    vd::KeyReadResult r = vd::ReadKeys(path, content);
    if (!r.keys) {
        error = r.error;
        return false;
    }
    keys = std::move(*r.keys);
    for (const auto& n : keys.notes)
        std::fprintf(stderr, "vorexctl: %s: %s\n", path.c_str(), n.c_str());
    return true;
}

// Reads every input, merges them and writes the list to `out`.
int MergeInto(const GlobalOptions& o, const std::vector<std::string>& inputs,
              const std::string& out, const Args& a) {
    std::string error;
    std::optional<vd::KeyFormat> format;
    if (a.Has("--format")) {
        format = vd::KeyFormatNamed(a.One("--format"));
        if (!format)
            return UsageError(o, "--format must be mct, pm3, flipper or bin");
    } else {
        format = vd::KeyFormatOfPath(out);
        if (!format)
            return UsageError(o, "the file name tells no key format: give --format "
                              "mct|pm3|flipper|bin");
    }
    vd::KeyList all;
    size_t read = 0;
    for (const auto& in : inputs) {
        vd::KeyList keys;
        if (!LoadKeys(in, keys, error))
            return Refuse(o, error);
        read += keys.KeyCount();
        all.Merge(keys);
    }
    if (!WriteFile(out, vd::WriteKeys(all, *format), error))
        return Refuse(o, error);
    if (o.json)
        PrintJson({{"ok", true}, {"out", out}, {"keys", all.KeyCount()}, {"keys_read", read}});
    else
        std::printf("%zu keys written to %s (%zu read, repeated ones dropped)\n", all.KeyCount(),
                    out.c_str(), read);
    return 0;
}

// A card's Proxmark3 key file from a MIFARE Classic dump.
int SectorKeyFile(const GlobalOptions& o, const std::string& in, const std::string& out,
                  const Args& a) {
    std::string content, error;
    if (!ReadFile(in, content, error, 4 << 20))
        return Refuse(o, error);
    const vd::ReadResult r = vd::ReadDump(in, content);
    if (!r.dump)
        return Refuse(o, r.error);
    const auto* m = std::get_if<vd::ClassicMemory>(&*r.dump);
    if (!m)
        return Refuse(o, in + ": a " + vd::FamilyName(*r.dump) +
                             " dump, not of a MIFARE "
                             "Classic card");
    std::optional<uint8_t> fill;
    if (!FillOption(a, fill, error))
        return UsageError(o, error);
    vd::Filler filler(fill);
    const std::string keys = vd::WriteSectorKeys(*m, filler);
    if (filler.Filled() && !fill)
        return Refuse(o, in + ": " + std::to_string(filler.Filled() / 6) +
                             " keys are unknown and a key file cannot mark them; --fill FF "
                             "writes them as FFFFFFFFFFFF, as the Proxmark3 does");
    if (!WriteFile(out, keys, error))
        return Refuse(o, error);
    if (o.json)
        PrintJson({{"ok", true},
                   {"out", out},
                   {"sectors", m->Sectors()},
                   {"filled_keys", filler.Filled() / 6}});
    else
        std::printf("keys of %d sectors written to %s\n", m->Sectors(), out.c_str());
    return 0;
}

int Merge(const GlobalOptions& o, const std::vector<std::string>& words) {
    Args a;
    std::string error;
    if (!a.Parse(words, {{"--out", "--format"}, {}, {}}, error))
        return UsageError(o, error);
    if (a.Words().empty() || !a.Has("--out"))
        return UsageError(o, "keys merge needs FILE... --out FILE");
    return MergeInto(o, a.Words(), a.One("--out"), a);
}

int Convert(const GlobalOptions& o, const std::vector<std::string>& words) {
    Args a;
    std::string error;
    if (!a.Parse(words, {{"--format", "--fill"}, {}, {}}, error))
        return UsageError(o, error);
    if (a.Words().size() != 2)
        return UsageError(o, "keys convert needs IN and OUT");
    if (a.One("--format") == "pm3-sectors")
        return SectorKeyFile(o, a.Words()[0], a.Words()[1], a);
    return MergeInto(o, {a.Words()[0]}, a.Words()[1], a);
}

const char kHelp[] =
    "vorexctl [--json] keys SUBCOMMAND ...\n"
    "  merge FILE... --out FILE [--format F]  keys of every file, each once, comments kept\n"
    "  convert IN OUT [--format F]            one key file (or the keys of a MIFARE\n"
    "                                         Classic dump) in another form\n"
    "  convert DUMP OUT --format pm3-sectors [--fill FF]\n"
    "                                         a card's Proxmark3 key file: Key A of every\n"
    "                                         sector, then Key B; unknown keys need --fill\n"
    "  F: mct (.keys), pm3 (.dic), flipper (.nfc dictionary) or bin (6-byte keys back to\n"
    "  back); by default the extension of the output tells it. A key file with one bad\n"
    "  line is refused whole, as MIFARE Classic Tool does.\n";

} // namespace

int RunKeys(const GlobalOptions& o, const std::vector<std::string>& args) {
    static const std::vector<Command> table = {
        {"merge", "merge key files", kHelp, Merge},
        {"convert", "convert a key file", kHelp, Convert},
    };
    return Dispatch("keys", table, kHelp, o, args);
}

} // namespace vorexctl
