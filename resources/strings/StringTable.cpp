#include "resources/strings/StringTable.h"

#include <map>
#include <sstream>

namespace vorex {
namespace {

constexpr const char* kTable =
#include "strings_de.inc"
    ;

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        switch (s[++i]) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        default:
            out += s[i];
            break;
        }
    }
    return out;
}

std::map<int, std::string> Parse() {
    std::map<int, std::string> table;
    std::istringstream in(kTable);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos)
            continue;
        try {
            table[std::stoi(line.substr(0, tab))] = Unescape(line.substr(tab + 1));
        } catch (...) {
        }
    }
    return table;
}

} // namespace

const std::string& GermanString(int id) {
    static const std::map<int, std::string> table = Parse();
    static const std::string empty;
    const auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

} // namespace vorex
