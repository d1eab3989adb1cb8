#include "ErrorText.h"

#include "StringTable.h"

namespace vorex {

int ErrorStringId(int error) {
    switch (error) {
    case 4:
        return 104;
    case 5:
        return 165;
    case 6:
        return 112;
    case 7:
        return 189;
    case 8:
        return 188;
    case 11:
        return 129;
    case 19:
        return 177;
    case 20:
        return 113;
    case 21:
        return 220;
    case 23:
        return 124;
    case 24:
        return 176;
    case 42:
        return 215;
    case 44:
        return 231;
    case 241:
        return 245;
    case 246:
        return 244;
    default:
        break;
    }
    if (error >= 32 && error <= 40)
        return 206 + (error - 32);
    if (error >= 224 && error <= 255)
        return 220;
    return 117;
}

std::string ErrorText(int error) {
    std::string text = GermanString(ErrorStringId(error));
    const size_t at = text.find("%d");
    if (at != std::string::npos)
        text.replace(at, 2, std::to_string(error));
    return text;
}

} // namespace vorex
