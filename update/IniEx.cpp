#include "update/IniEx.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

CIniEx::CIniEx(int growBy) : sections_(1), growBy_(growBy) {
    (void)fileOpen_;
    (void)spare_;
    (void)growBy_;
}

bool CIniEx::Same(const std::string& a, const std::string& b) const {
    if (!noCase_)
        return a == b;
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void CIniEx::AddLine(const std::string& raw) {
    std::string line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == '\t'))
        line.pop_back();
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        ++current_;
        if (sections_.size() <= current_)
            sections_.resize(current_ + 1);
        sections_[current_].name = line.substr(1, line.size() - 2);
        return;
    }
    CSection& s = sections_[current_];
    const size_t eq = line.find('=');
    if (!line.empty() && line[0] == ';') {
        s.keys.push_back(line);
        s.values.emplace_back();
    } else if (eq != std::string::npos) {
        std::string key = line.substr(0, eq);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        const size_t start = line.find_first_not_of(' ', eq + 1);
        s.keys.push_back(key);
        s.values.push_back(start == std::string::npos ? std::string() : line.substr(start));
    } else {
        s.keys.push_back(line);
        s.values.emplace_back();
    }
}

bool CIniEx::Parse(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        const size_t stop = end == std::string::npos ? text.size() : end;
        if (stop > pos)
            AddLine(text.substr(pos, stop - pos));
        pos = stop + 1;
    }
    return true;
}

int CIniEx::FindSection(const std::string& name) const {
    for (size_t i = 0; i < sections_.size(); ++i)
        if (Same(sections_[i].name, name))
            return static_cast<int>(i);
    return -1;
}

std::string CIniEx::Text::Resolve(const std::function<std::string(int)>& loader) const {
    if (!isId_)
        return text_;
    return loader ? loader(id_) : std::string();
}

std::string CIniEx::GetValue(const Text& sectionArg, const Text& keyArg, const Text& defArg) const {
    const std::string key = keyArg.Resolve(loader_);
    const int index = FindSection(sectionArg.Resolve(loader_));
    if (index >= 0) {
        const CSection& s = sections_[static_cast<size_t>(index)];
        for (size_t i = s.keys.size(); i-- > 0;)
            if (Same(s.keys[i], key))
                return s.values[i];
    }
    return defArg.Resolve(loader_);
}

void CIniEx::SetValue(const std::string& section, const std::string& key,
                      const std::string& value) {
    int index = FindSection(section);
    if (index < 0) {
        sections_.push_back(CSection{section, {}, {}});
        index = static_cast<int>(sections_.size() - 1);
    }
    CSection& s = sections_[static_cast<size_t>(index)];
    modified_ = true;
    for (size_t i = s.keys.size(); i-- > 0;)
        if (Same(s.keys[i], key)) {
            s.values[i] = value;
            return;
        }
    s.keys.push_back(key);
    s.values.push_back(value);
}

// "<file>.NNN" with NNN one above the largest number that ends a name starting like
// the file (without its extension) in the file's folder.
std::string CIniEx::NextBackupName() const {
    const fs::path file(path_);
    const std::string stem = file.stem().string();
    fs::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    int largest = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(stem, 0) != 0 || name.find('.') == std::string::npos)
            continue;
        const std::string tail = name.size() >= 3 ? name.substr(name.size() - 3) : name;
        int number = 0;
        for (char c : tail) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                break;
            number = number * 10 + (c - '0');
        }
        largest = std::max(largest, number);
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, ".%.3d", largest + 1);
    return path_ + buffer;
}

std::string CIniEx::Save(bool makeBackup) {
    if (!modified_ || path_.empty())
        return {};
    std::string backup;
    if (makeBackup) {
        if (backupName_.empty())
            backupName_ = NextBackupName();
        std::error_code ec;
        if (fs::exists(path_, ec))
            fs::copy_file(path_, backupName_, fs::copy_options::overwrite_existing, ec);
        backup = backupName_;
    }
    std::ofstream out(path_, std::ios::trunc);
    if (!out)
        return backup;
    for (const CSection& s : sections_) {
        if (!s.name.empty())
            out << '[' << s.name << "]\n";
        for (size_t i = 0; i < s.keys.size(); ++i) {
            const std::string& key = s.keys[i];
            if (!key.empty() && key[0] == ';')
                out << key << '\n';
            else
                out << key << (key.empty() ? "" : "=") << s.values[i] << '\n';
        }
    }
    out.close();
    if (out)
        modified_ = false;
    return backup;
}
