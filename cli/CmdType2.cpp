// vorexctl mifare ultralight|ntag: MIFARE Ultralight and NFC Type 2 page tags, dumped
// whole (their size is found by reading), written page by page with read-back, and
// their NDEF message read and written.
#include "cards/ClassicCard.h"
#include "cards/Ndef.h"
#include "cards/PageMemory.h"
#include "cards/Type2Tag.h"
#include "cli/DumpFileCli.h"
#include "cli/MifareCli.h"

#include <vorex/vorex.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

namespace vorexctl {
namespace {

using nlohmann::json;
namespace t2 = vorex::cards::type2;
namespace md = vorex::cards::mifare;
namespace nd = vorex::cards::ndef;

nd::Message ParseNdef(const std::vector<t2::Page>& pages) {
    const std::string bytes = t2::PagesToBinary(pages);
    return nd::Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// --password: 4 bytes for an NTAG's PWD_AUTH.
bool PasswordOption(const Args& a, std::optional<t2::Password>& out, std::string& error) {
    if (!a.Has("--password"))
        return true;
    std::vector<uint8_t> b;
    if (!ParseHexBytes({a.One("--password")}, b) || b.size() != 4) {
        error = "--password needs 4 bytes in hex";
        return false;
    }
    out.emplace();
    std::copy(b.begin(), b.end(), out->begin());
    return true;
}

int OpenPageTag(const GlobalOptions& o, int h, md::CardInfo& card,
                const std::optional<t2::Password>& password) {
    if (!md::Activate(h, card))
        return ReportFailure(o, h, "select");
    if (card.sak != 0x00)
        return Refuse(o, "the card in the field is no Ultralight or Type 2 tag (" +
                             md::CardTypeName(card.sak) + ")");
    if (!t2::Unlock(h, password))
        return ReportFailure(o, h, "password");
    return 0;
}

// --password parsed and the tag opened with it; 0 or the exit code. `help` names the
// command for usage errors.
int OpenWithPassword(const GlobalOptions& o, int h, const Args& a, const char* help,
                     std::optional<t2::Password>& password) {
    std::string error;
    if (!PasswordOption(a, password, error))
        return UsageError(o, error, help);
    md::CardInfo card;
    return OpenPageTag(o, h, card, password);
}

// The problem of a page write as an exit code, or 0 when there was none.
int PageWriteProblem(const GlobalOptions& o, int h, const t2::PageWriteResult& r) {
    const std::string at = std::to_string(r.failedPage);
    if (r.problem == "write")
        return ReportFailure(o, h, "write page " + at);
    if (r.problem == "read")
        return ReportFailure(o, h, "read back page " + at);
    if (r.problem == "verify")
        return Refuse(o, "page " + at + " reads back differently");
    return 0;
}

int CmdPageDump(const GlobalOptions& o, int h, const Args& a, bool ultralight) {
    std::string error, format;
    std::optional<t2::Password> password;
    const auto other = LibraryFormat(a);
    std::optional<uint8_t> fill;
    if ((!other && !OutputFormat(a, format, error)) || !FillOption(a, fill, error) ||
        !PasswordOption(a, password, error))
        return UsageError(o, error);
    md::CardInfo card;
    if (const int rc = OpenPageTag(o, h, card, password))
        return rc;
    t2::PageScan scan;
    {
        ProgressBar bar("read", o);
        if (!t2::ReadPages(h, ultralight ? 16 : 256 * 256, scan, std::ref(bar), password))
            return ReportFailure(o, h, "read");
    }
    // A tag whose capability container announces more than an Ultralight holds (an
    // NTAG, another Type 2 tag) is dumped whole.
    if (ultralight && scan.end == t2::PagesEnd::Limit && t2::AnnouncedEnd(scan.pages) > 16) {
        if (!o.json)
            std::fprintf(stderr,
                         "vorexctl: this is no Ultralight (its capability container "
                         "announces %zu pages): dumped whole, as ntag dump does\n",
                         t2::AnnouncedEnd(scan.pages));
        ProgressBar bar("read", o);
        if (!md::Activate(h, card) || !t2::Unlock(h, password) ||
            !t2::ReadPages(h, 256 * 256, scan, std::ref(bar), password))
            return ReportFailure(o, h, "read");
    }
    const auto& pages = scan.pages;
    const bool hidden = t2::StoppedInsideDataArea(scan);
    const std::string type = t2::TagName(pages, hidden);
    if (hidden && !o.json)
        std::fprintf(stderr,
                     "vorexctl: pages from %zu on are read-protected (the tag announces data "
                     "up to page %zu): the dump is incomplete, --password unlocks them\n",
                     pages.size(), t2::AnnouncedEnd(pages) - 1);
    if (other) {
        // Pages the tag hid count as unknown, up to the size its type names.
        vorex::cards::type2::PageMemory m;
        m.type = t2::TypeForTagName(type, pages.size());
        for (const auto& p : pages)
            m.bytes.insert(m.bytes.end(), p.begin(), p.end());
        if (hidden)
            m.bytes.resize(std::max(m.bytes.size(), 4 * t2::PagesOfType(m.type)));
        json summary{{"type", type}, {"uid", ToHex(card.uid, "")}, {"page_count", pages.size()}};
        if (hidden)
            summary["protected_from"] = pages.size();
        return EmitDump(o, a, m, *other, fill, summary,
                        type + " " + ToHex(card.uid, "") + ": " + std::to_string(pages.size()) +
                            " pages dumped to " + a.One("--out"));
    }
    const std::string text = t2::PagesToJson(type, card.uid, pages, hidden);
    if (a.Has("--out")) {
        if (!WriteFile(a.One("--out"), format == "json" ? text : t2::PagesToBinary(pages), error))
            return Refuse(o, error);
        if (o.json) {
            json out{{"ok", true},
                     {"file", a.One("--out")},
                     {"type", type},
                     {"uid", ToHex(card.uid, "")},
                     {"page_count", pages.size()}};
            if (hidden)
                out["protected_from"] = pages.size();
            PrintJson(out);
        } else
            std::printf("%s %s: %zu pages dumped to %s\n", type.c_str(),
                        ToHex(card.uid, "").c_str(), pages.size(), a.One("--out").c_str());
    } else if (o.json) {
        json out = json::parse(text);
        out["ok"] = true;
        out["ndef"] = nd::ToJson(ParseNdef(pages));
        PrintJson(out);
    } else {
        std::printf("%s UID %s, %zu pages\n", type.c_str(), ToHex(card.uid).c_str(), pages.size());
        for (size_t p = 0; p < pages.size(); ++p)
            std::printf("%03zu  %s\n", p, ToHex(pages[p].data(), 4).c_str());
        const nd::Message ndef = ParseNdef(pages);
        if (ndef.status != nd::Status::Ok)
            std::printf("NDEF: %s (%s)\n",
                        ndef.status == nd::Status::NotNdef ? "not NDEF" : "damaged",
                        ndef.error.c_str());
        for (const nd::Record& r : ndef.records)
            std::printf("NDEF: %s\n", Printable(nd::Describe(r)).c_str());
    }
    return 0;
}

int CmdPageWrite(const GlobalOptions& o, int h, const Args& a) {
    long page = -1;
    std::string error;
    if (!a.Has("--page") || !a.Int("--page", 0, 0xFFFF, page, error))
        return UsageError(o, error.empty() ? "--page N is needed" : error);
    std::vector<uint8_t> data;
    if (!a.Has("--data") || !ParseHexBytes(a.All("--data"), data) || data.empty() ||
        data.size() % 4 != 0)
        return UsageError(o, "--data needs a multiple of 4 bytes in hex");
    const long count = static_cast<long>(data.size() / 4);
    if (page < 2)
        return Refuse(o, "pages 0 and 1 hold the UID and are never written");
    if (page <= 3 && !a.Has("--yes"))
        return Refuse(o, "pages 2 and 3 hold lock and one-time bits that can never be "
                         "cleared: confirm with --yes");
    std::optional<t2::Password> password;
    if (const int rc = OpenWithPassword(o, h, a, "mifare ntag write", password))
        return rc;
    const t2::PageWriteResult r =
        t2::WritePages(h, static_cast<int>(page), data.data(), static_cast<int>(count));
    if (const int rc = PageWriteProblem(o, h, r))
        return rc;
    if (o.json) {
        PrintJson({{"ok", true},
                   {"written", r.written.size()},
                   {"written_pages", r.written},
                   {"unverified", r.unverified}});
    } else if (r.unverified.empty()) {
        std::printf("%ld page(s) from %ld written and verified\n", count, page);
    } else {
        std::string pages;
        for (int p : r.unverified)
            pages += (pages.empty() ? "" : ", ") + std::to_string(p);
        std::printf("%ld page(s) from %ld written; password page(s) %s always read as zeros "
                    "and cannot be verified\n",
                    count, page, pages.c_str());
    }
    return 0;
}

int CmdNdefWrite(const GlobalOptions& o, int h, const Args& a) {
    if (a.Has("--uri") == a.Has("--text"))
        return UsageError(o, "give --uri U or --text T", "mifare ntag ndef write");
    if (a.Has("--lang") && !a.Has("--text"))
        return UsageError(o, "--lang goes with --text", "mifare ntag ndef write");
    const std::vector<uint8_t> message =
        a.Has("--uri") ? nd::UriMessage(a.One("--uri"))
                       : nd::TextMessage(a.One("--text"), a.Has("--lang") ? a.One("--lang") : "en");
    std::vector<uint8_t> bytes = nd::MessageTlv(message);
    std::optional<t2::Password> password;
    if (const int rc = OpenWithPassword(o, h, a, "mifare ntag ndef write", password))
        return rc;
    // The capability container tells the size of the data area from page 4 on.
    unsigned char cc[16];
    if (VOREX_MifareReadBlock(h, 3, cc, 16) != 16)
        return ReportFailure(o, h, "read the capability container (page 3)");
    if (cc[0] != 0xE1)
        return Refuse(o, "the tag has no NFC capability container in page 3 (not NDEF formatted)");
    const size_t capacity = size_t{cc[2]} * 8;
    if (bytes.size() > capacity)
        return Refuse(o, "the NDEF message takes " + std::to_string(bytes.size()) +
                             " bytes, the tag holds " + std::to_string(capacity));
    bytes.resize((bytes.size() + 3) / 4 * 4, 0x00);
    const t2::PageWriteResult r =
        t2::WritePages(h, 4, bytes.data(), static_cast<int>(bytes.size() / 4));
    if (const int rc = PageWriteProblem(o, h, r))
        return rc;
    if (o.json)
        PrintJson({{"ok", true},
                   {"written", r.written.size()},
                   {"written_pages", r.written},
                   {"bytes", bytes.size()}});
    else
        std::printf("NDEF message written: %zu bytes in pages 4-%zu\n", bytes.size(),
                    3 + bytes.size() / 4);
    return 0;
}

int CmdNdefRead(const GlobalOptions& o, int h, const Args& a) {
    std::optional<t2::Password> password;
    if (const int rc = OpenWithPassword(o, h, a, "mifare ntag ndef read", password))
        return rc;
    t2::PageScan scan;
    {
        ProgressBar bar("read", o);
        if (!t2::ReadPages(h, 256 * 256, scan, std::ref(bar), password))
            return ReportFailure(o, h, "read");
    }
    const nd::Message ndef = ParseNdef(scan.pages);
    if (o.json) {
        json out = nd::ToJson(ndef);
        out["ok"] = ndef.status == nd::Status::Ok;
        PrintJson(out);
    } else {
        if (ndef.status != nd::Status::Ok)
            std::printf("NDEF: %s (%s)\n",
                        ndef.status == nd::Status::NotNdef ? "not NDEF" : "damaged",
                        Printable(ndef.error).c_str());
        for (const nd::Record& r : ndef.records)
            std::printf("%s\n", Printable(nd::Describe(r)).c_str());
    }
    return ndef.status == nd::Status::Ok ? 0 : 1;
}

int RunNdef(const GlobalOptions& o, const std::vector<std::string>& args) {
    using Spec = Args::Spec;
    static const std::vector<Command> kTable = {
        {"read", "the records of the tag's NDEF message", "",
         [](const GlobalOptions& g, const std::vector<std::string>& w) {
             return RunOnCard(g, w, CmdNdefRead, true);
         },
         "[--password HEX]", Spec{{"--password"}, {}, {}}},
        {"write", "write an NDEF message of one URI or Text record from page 4 on", "",
         [](const GlobalOptions& g, const std::vector<std::string>& w) {
             return RunOnCard(g, w, CmdNdefWrite, true);
         },
         "--uri U | --text T [--lang LANG] [--password HEX]",
         Spec{{"--uri", "--text", "--lang", "--password"}, {}, {}}},
    };
    return Dispatch("mifare ntag ndef", kTable, "", o, args);
}

std::vector<Command> PageCommands(bool ultralight) {
    using Spec = Args::Spec;
    return {
        {"dump", "all pages (JSON, the pages back to back with --format bin, or own|pm3|flipper)", "",
         ultralight ? +[](const GlobalOptions& o, const std::vector<std::string>& w) {
             return RunOnCard(
                 o, w,
                 [](const GlobalOptions& g, int h, const Args& x) {
                     return CmdPageDump(g, h, x, true);
                 },
                 true);
         }
                    : +[](const GlobalOptions& o, const std::vector<std::string>& w) {
                          return RunOnCard(
                              o, w,
                              [](const GlobalOptions& g, int h, const Args& x) {
                                  return CmdPageDump(g, h, x, false);
                              },
                              true);
                      },
         "[--out FILE] [--format json|bin|own|pm3|flipper] [--fill XX] [--password HEX]",
         Spec{{"--out", "--format", "--fill", "--password"}, {}, {}}},
        {"write",
         "write pages from --page on (a multiple of 4 bytes; pages 2-3 need --yes), read back",
         "",
         [](const GlobalOptions& o, const std::vector<std::string>& w) {
             return RunOnCard(o, w, CmdPageWrite, true);
         },
         "--page N --data HEX [--password HEX] [--yes]",
         Spec{{"--page", "--password"}, {"--data"}, {"--yes"}}},
    };
}

} // namespace

int RunUltralight(const GlobalOptions& o, const std::vector<std::string>& args) {
    return Dispatch("mifare ultralight", PageCommands(true),
                    "--password HEX (4 bytes) unlocks an NTAG's protected pages first.\n", o, args);
}

int RunNtag(const GlobalOptions& o, const std::vector<std::string>& args) {
    std::vector<Command> table = PageCommands(false);
    table.push_back({"ndef",
                     "NDEF message: read, write --uri U | --text T (see mifare ntag ndef --help)",
                     "", RunNdef});
    return Dispatch("mifare ntag", table,
                    "--password HEX (4 bytes) unlocks an NTAG's protected pages first.\n", o, args);
}

} // namespace vorexctl
