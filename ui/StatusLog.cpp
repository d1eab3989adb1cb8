#include "ui/StatusLog.h"

#include <algorithm>

namespace vorex::ui {

namespace {
constexpr long kMaxLogLines = 500;

std::string UnixBreaks(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}
} // namespace

std::string StampStatus(const std::string& message, const std::string& time) {
    return message.empty() ? message : time + " -> " + message;
}

std::string MoveIntoLog(std::string log, const std::string& previous) {
    if (previous.empty())
        return log;
    std::string line = UnixBreaks(previous);
    if (previous.size() >= 2 && line.back() != '\n' && line.back() != '\r')
        line += '\n';
    if (std::count(log.begin(), log.end(), '\n') + 1 > kMaxLogLines)
        log.clear();
    const size_t lastLine = log.rfind('\n');
    log.erase(lastLine == std::string::npos ? 0 : lastLine + 1);
    return log + line;
}

} // namespace vorex::ui
