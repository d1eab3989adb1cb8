// vorexctl convert: a dump file into another format, without a reader.
#include "cli/DumpFileCli.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace vorexctl {

int RunConvert(const GlobalOptions& o, const std::vector<std::string>& words) {
    namespace vd = vorex::dumpfiles;
    Args a;
    std::string error;
    if (!a.Parse(words, {{"--format", "--fill"}, {}, {}}, error))
        return UsageError(o, error);
    if (a.Words().size() != 2)
        return UsageError(o, "convert needs IN and OUT");
    const std::string& in = a.Words()[0];
    const std::string& out = a.Words()[1];
    std::optional<uint8_t> fill;
    vd::Format to, from;
    vd::TagDump dump;
    if (!FillOption(a, fill, error) || !DumpFormatOption(a, out, std::nullopt, to, error))
        return UsageError(o, error);
    size_t filled = 0;
    if (!LoadDump(in, dump, from, error) || !SaveDump(out, dump, to, fill, filled, error))
        return Refuse(o, error);
    if (o.json) {
        PrintJson({{"ok", true},
                   {"in", in},
                   {"from", vd::FormatName(from)},
                   {"out", out},
                   {"format", vd::FormatName(to)},
                   {"family", vd::FamilyName(dump)},
                   {"filled", filled}});
    } else {
        std::printf("%s (%s, %s) written to %s (%s)\n", in.c_str(), vd::FormatName(from).c_str(),
                    vd::FamilyName(dump).c_str(), out.c_str(), vd::FormatName(to).c_str());
    }
    if (filled)
        std::fprintf(stderr, "vorexctl: %zu unknown bytes written as %02X\n", filled, *fill);
    return 0;
}

} // namespace vorexctl
