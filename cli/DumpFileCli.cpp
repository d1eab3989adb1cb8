#include "cli/DumpFileCli.h"

#include <cstdio>

namespace vorexctl {

namespace vd = vorex::dumpfiles;

bool LoadDump(const std::string& path, vd::TagDump& dump, vd::Format& format, std::string& error) {
    std::string content;
    if (!ReadFile(path, content, error, 4 << 20))
        return false;
    vd::ReadResult r = vd::ReadDump(path, content);
    if (!r.dump) {
        error = r.error;
        return false;
    }
    dump = std::move(*r.dump);
    format = r.format;
    return true;
}

bool FillOption(const Args& a, std::optional<uint8_t>& fill, std::string& error) {
    if (!a.Has("--fill"))
        return true;
    std::vector<uint8_t> b;
    if (!ParseHexBytes({a.One("--fill")}, b) || b.size() != 1) {
        error = "--fill needs one byte in hex (e.g. 00)";
        return false;
    }
    fill = b[0];
    return true;
}

bool DumpFormatOption(const Args& a, const std::string& path, std::optional<vd::Format> fallback,
                      vd::Format& format, std::string& error) {
    std::optional<vd::Format> f;
    if (a.Has("--format")) {
        f = vd::FormatNamed(a.One("--format"));
        if (!f || *f == vd::Format::Eml) {
            error = "--format must be own, pm3, mct, flipper or bin";
            return false;
        }
    } else if (!path.empty()) {
        f = vd::FormatOfPath(path);
    }
    if (!f)
        f = fallback;
    if (!f) {
        error = "the file name tells no format: give --format own|pm3|mct|flipper|bin";
        return false;
    }
    format = *f;
    return true;
}

bool SaveDump(const std::string& path, const vd::TagDump& dump, vd::Format format,
              std::optional<uint8_t> fill, size_t& filled, std::string& error) {
    const vd::WriteResult w = vd::WriteDump(format, dump, fill);
    if (!w.error.empty()) {
        error = path + ": " + w.error;
        return false;
    }
    filled = w.filled;
    return WriteFile(path, w.content, error);
}

std::optional<vd::Format> LibraryFormat(const Args& a) {
    const std::string f = a.One("--format");
    if (f == "own" || f == "pm3" || f == "mct" || f == "flipper")
        return vd::FormatNamed(f);
    return std::nullopt;
}

bool WritesLibraryByDefault(const GlobalOptions& o, const Args& a) {
    if (a.Has("--format"))
        return false;
    if (!a.Has("--out"))
        return !o.json;
    const auto f = vd::FormatOfPath(a.One("--out"));
    return f && (*f == vd::Format::Own || *f == vd::Format::Mct || *f == vd::Format::Flipper);
}

vd::Format DefaultLibraryFormat(const Args& a) {
    return vd::FormatOfPath(a.One("--out")).value_or(vd::Format::Own);
}

int EmitDump(const GlobalOptions& o, const Args& a, const vd::TagDump& dump, vd::Format format,
             std::optional<uint8_t> fill, nlohmann::json summary, const std::string& line) {
    std::string error;
    size_t filled = 0;
    if (!a.Has("--out")) {
        const vd::WriteResult w = vd::WriteDump(format, dump, fill);
        if (!w.error.empty())
            return Refuse(o, w.error);
        std::fwrite(w.content.data(), 1, w.content.size(), stdout);
        filled = w.filled;
    } else if (!SaveDump(a.One("--out"), dump, format, fill, filled, error)) {
        return Refuse(o, error);
    } else if (o.json) {
        summary["ok"] = true;
        summary["file"] = a.One("--out");
        summary["format"] = vd::FormatName(format);
        summary["filled"] = filled;
        PrintJson(summary);
    } else {
        std::printf("%s\n", line.c_str());
    }
    if (filled)
        std::fprintf(stderr, "vorexctl: %zu unknown bytes written as %02X\n", filled, *fill);
    return 0;
}

} // namespace vorexctl
