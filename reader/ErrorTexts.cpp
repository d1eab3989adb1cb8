#include "reader/ErrorTexts.h"

#include <vorex/vorex_errors.h>

#include <cstdio>

namespace vorex::reader {

namespace {

struct Entry {
    int error;
    const char* name;
    const char* text;
};

constexpr Entry kErrors[] = {
    {VOREX_ERR_NONE, "none", "no error"},
    {VOREX_ERR_UNKNOWN_HANDLE, "unknown_handle", "the handle names no open connection"},
    {VOREX_ERR_TIMEOUT, "timeout", "no answer from the reader in time (timeout)"},
    {VOREX_ERR_BUFFER_TOO_SMALL, "buffer_too_small", "the answer is longer than expected"},
    {VOREX_ERR_WRONG_COUNT, "wrong_count", "the inventory answer ended before all slots"},
    {VOREX_ERR_BAD_PARAMETER, "bad_parameter", "wrong parameters"},
    {VOREX_ERR_NO_REQUEST, "no_request", "no data to send"},
    {VOREX_ERR_SHORT_ANSWER, "short_answer", "the reader's answer is too short"},
    {VOREX_ERR_CHECKSUM, "checksum", "the checksum of the reader's answer is wrong"},
    {VOREX_ERR_NO_READER, "no_reader", "no reader connected"},
    {VOREX_ERR_NOTHING_RECEIVED, "nothing_received", "nothing received from the reader"},
    {VOREX_ERR_BAD_MODE, "bad_mode", "reader mode outside 0-3"},
    {VOREX_ERR_BAUD_NOT_SETTABLE, "baud_not_settable", "the baud rate of this link cannot be set"},
    {VOREX_ERR_BLOCK_NUMBER, "block_number", "block number outside 0-255"},
    {VOREX_ERR_UNEXPECTED_STATUS, "unexpected_status",
     "the reader answered with an unexpected status"},
    {VOREX_ERR_STATUS_88, "status_88", "the reader answered with status 0x88"},
    {VOREX_ERR_NO_VALUE, "no_value", "no value information in the block"},
    {VOREX_ERR_WRONG_COUNT_SENT, "wrong_count_sent", "the reader received a wrong number of bytes"},
    {VOREX_ERR_NO_TRANSPONDER, "no_transponder", "no valid transponder in the field"},
    {VOREX_ERR_COLLISION, "collision", "collision: more than one transponder answered"},
    {VOREX_ERR_UNKNOWN_COMMAND, "unknown_command", "the reader does not know the command"},
    {VOREX_ERR_ISO_NOT_SUPPORTED, "iso_not_supported", "ISO error 0x01: command not supported"},
    {VOREX_ERR_ISO_NOT_RECOGNISED, "iso_not_recognised", "ISO error 0x02: command not recognised"},
    {VOREX_ERR_ISO_OPTION, "iso_option", "ISO error 0x03: command option not supported"},
    {VOREX_ERR_ISO_GENERAL, "iso_general", "ISO error 0x0F: general error"},
    {VOREX_ERR_ISO_NO_BLOCK, "iso_no_block", "ISO error 0x10: block not available"},
    {VOREX_ERR_ISO_LOCKED_ALREADY, "iso_locked_already", "ISO error 0x11: block already locked"},
    {VOREX_ERR_ISO_BLOCK_LOCKED, "iso_block_locked",
     "ISO error 0x12: block is locked and cannot be changed"},
    {VOREX_ERR_ISO_PROGRAMMING, "iso_programming", "ISO error 0x13: block programming failed"},
    {VOREX_ERR_ISO_LOCKING, "iso_locking", "ISO error 0x14: block locking failed"},
    {VOREX_ERR_ISO_OTHER, "iso_other", "ISO error with a code the standard does not define"},
    {VOREX_ERR_ISO_ANSWER, "iso_answer", "ISO answer without data or error code"},
    {VOREX_ERR_SYSTEM_INFO_LENGTH, "system_info_length",
     "the tag's system information has an unexpected length"},
    {VOREX_ERR_ISO_FRAMING, "iso_framing", "ISO 15693 framing error"},
    {VOREX_ERR_NOT_WRITABLE, "not_writable", "the block cannot be written"},
    {VOREX_ERR_NOT_AUTHENTICATED, "not_authenticated",
     "not authenticated: no key opened the sector"},
};

const Entry* Find(int error) {
    for (const Entry& e : kErrors)
        if (e.error == error)
            return &e;
    return nullptr;
}

// Reader status bytes 0xE0-0xFF without an entry of their own: the desktop program
// shows them as "no valid transponder".
bool IsReaderStatus(int error) {
    return error >= 0xE0 && error <= 0xFF;
}

bool IsIsoCustom(int error) {
    return error >= VOREX_ERR_ISO_CUSTOM_FIRST && error <= VOREX_ERR_ISO_CUSTOM_LAST;
}

} // namespace

std::string ErrorName(int error) {
    if (const Entry* e = Find(error))
        return e->name;
    if (IsIsoCustom(error))
        return "iso_custom";
    if (IsReaderStatus(error))
        return "no_transponder";
    return "unknown";
}

std::string EnglishErrorText(int error) {
    if (const Entry* e = Find(error))
        return e->text;
    char text[64];
    if (IsIsoCustom(error))
        std::snprintf(text, sizeof text, "ISO error 0x%02X (tag-specific)", error);
    else if (IsReaderStatus(error))
        std::snprintf(text, sizeof text, "no valid transponder in the field (reader status 0x%02X)",
                      error);
    else
        std::snprintf(text, sizeof text, "unknown error %d", error);
    return text;
}

} // namespace vorex::reader
