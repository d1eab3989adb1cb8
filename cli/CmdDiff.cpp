// vorexctl diff: two dump files of any format compared block by block. Exits 0 when
// they are the same, 1 when they differ, 2 when they cannot be read or compared.
#include "cli/DumpFileCli.h"
#include "dumpfiles/DumpDiff.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace vorexctl {

namespace {

int CannotCompare(const GlobalOptions& o, const std::string& message) {
    if (o.json)
        PrintJson({{"ok", false}, {"message", message}});
    else
        std::fprintf(stderr, "vorexctl: %s\n", message.c_str());
    return 2;
}

} // namespace

int RunDiff(const GlobalOptions& o, const std::vector<std::string>& words) {
    namespace vd = vorex::dumpfiles;
    Args a;
    std::string error;
    if (!a.Parse(words, {{}, {}, {}}, error))
        return UsageError(o, error);
    if (a.Words().size() != 2)
        return UsageError(o, "diff needs two dump files");
    vd::TagDump x, y;
    vd::Format fx, fy;
    if (!LoadDump(a.Words()[0], x, fx, error) || !LoadDump(a.Words()[1], y, fy, error))
        return CannotCompare(o, error);
    const vd::DumpComparison c = vd::CompareDumps(x, y);
    if (!c.error.empty())
        return CannotCompare(o, "cannot compare " + c.error);
    int differing = 0, halfUnknown = 0;
    for (const auto& d : c.blocks) {
        differing += d.differing;
        halfUnknown += d.unknownOnOneSide;
    }
    const bool classic = std::holds_alternative<vd::ClassicMemory>(x);
    const char* unit = std::holds_alternative<vd::PageMemory>(x) ? "page" : "block";
    if (o.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& d : c.blocks) {
            nlohmann::json j{{unit, d.block},
                             {"a", d.a},
                             {"b", d.b},
                             {"differing", d.differing},
                             {"unknown_on_one_side", d.unknownOnOneSide}};
            if (classic)
                j["sector"] = d.sector;
            list.push_back(j);
        }
        PrintJson({{"ok", true},
                   {"same", c.Same()},
                   {"family", vd::FamilyName(x)},
                   {"fields", c.fields},
                   {"differences", list},
                   {unit + std::string("s"), c.blockCount},
                   {"unknown_a", c.unknownA},
                   {"unknown_b", c.unknownB}});
        return c.Same() ? 0 : 1;
    }
    int sector = -1;
    for (const auto& d : c.blocks) {
        if (classic && d.sector != sector)
            std::printf("sector %d\n", sector = d.sector);
        std::printf("%s%s %d\n  A %s\n  B %s\n", classic ? "  " : "", unit, d.block, d.a.c_str(),
                    d.b.c_str());
    }
    for (const auto& f : c.fields)
        std::printf("%s differs\n", f.c_str());
    std::printf("%s: %zu of %d %ss differ (%d bytes differ, %d known on one side only); "
                "unknown bytes: A %d, B %d\n",
                c.Same() ? "same" : "different", c.blocks.size(), c.blockCount, unit, differing,
                halfUnknown, c.unknownA, c.unknownB);
    return c.Same() ? 0 : 1;
}

} // namespace vorexctl
