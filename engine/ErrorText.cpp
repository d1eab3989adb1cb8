#include "engine/ErrorText.h"

#include "resources/strings/StringTable.h"
#include <vorex/vorex_errors.h>

namespace vorex {

int ErrorStringId(int error) {
    switch (error) {
    case VOREX_ERR_TIMEOUT:
        return 104;
    case VOREX_ERR_BUFFER_TOO_SMALL:
        return 165;
    case VOREX_ERR_WRONG_COUNT:
        return 112;
    case VOREX_ERR_BAD_PARAMETER:
        return 189;
    case VOREX_ERR_NO_REQUEST:
        return 188;
    case VOREX_ERR_NO_READER:
        return 129;
    case VOREX_ERR_NO_VALUE:
        return 177;
    case VOREX_ERR_WRONG_COUNT_SENT:
        return 113;
    case VOREX_ERR_NO_TRANSPONDER:
        return 220;
    case VOREX_ERR_COLLISION:
        return 124;
    case VOREX_ERR_UNKNOWN_COMMAND:
        return 176;
    case VOREX_ERR_ISO_ANSWER:
        return 215;
    case VOREX_ERR_ISO_FRAMING:
        return 231;
    case VOREX_ERR_NOT_WRITABLE:
        return 245;
    case VOREX_ERR_NOT_AUTHENTICATED:
        return 244;
    default:
        break;
    }
    if (error >= VOREX_ERR_ISO_NOT_SUPPORTED && error <= VOREX_ERR_ISO_LOCKING)
        return 206 + (error - VOREX_ERR_ISO_NOT_SUPPORTED);
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
