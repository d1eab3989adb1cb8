/*
 * Vorex reader engine: the engine error numbers that VOREX_GetLastError reports.
 * Reader status bytes not listed here are passed on as they are (224-255 mean "no
 * valid transponder"), and ISO 15693 custom error codes 0xA0-0xDF arrive as the code.
 */
#ifndef VOREX_ERRORS_H
#define VOREX_ERRORS_H

enum VOREX_ErrorNumber {
    VOREX_ERR_NONE = 0,
    VOREX_ERR_UNKNOWN_HANDLE = 3,      /* the handle names no open connection */
    VOREX_ERR_TIMEOUT = 4,             /* no complete answer in time */
    VOREX_ERR_BUFFER_TOO_SMALL = 5,    /* payload longer than the caller's buffer */
    VOREX_ERR_WRONG_COUNT = 6,         /* inventory answer ended before all slots */
    VOREX_ERR_BAD_PARAMETER = 7,       /* e.g. a read-multiple count outside 1-256 */
    VOREX_ERR_NO_REQUEST = 8,          /* empty request */
    VOREX_ERR_SHORT_ANSWER = 9,        /* answer payload too short */
    VOREX_ERR_CHECKSUM = 10,           /* answer checksum wrong */
    VOREX_ERR_NO_READER = 11,          /* reader status */
    VOREX_ERR_NOTHING_RECEIVED = 12,   /* nothing received */
    VOREX_ERR_BAD_MODE = 13,           /* reader mode outside 0-3 */
    VOREX_ERR_BAUD_NOT_SETTABLE = 14,  /* the link's baud rate cannot be set */
    VOREX_ERR_BLOCK_NUMBER = 15,       /* ISO 15693 block number outside 0-255 */
    VOREX_ERR_UNEXPECTED_STATUS = 16,  /* frame variants 2 and 3 */
    VOREX_ERR_STATUS_88 = 17,          /* frame variants 2 and 3: status 0x88 */
    VOREX_ERR_NO_VALUE = 19,           /* no value information in the block */
    VOREX_ERR_WRONG_COUNT_SENT = 20,   /* reader status: wrong number of bytes sent */
    VOREX_ERR_NO_TRANSPONDER = 21,     /* no valid transponder */
    VOREX_ERR_COLLISION = 23,          /* collision */
    VOREX_ERR_UNKNOWN_COMMAND = 24,    /* the reader does not know the command */
    VOREX_ERR_ISO_NOT_SUPPORTED = 32,  /* ISO 15693 error code 0x01 */
    VOREX_ERR_ISO_NOT_RECOGNISED = 33, /* 0x02 */
    VOREX_ERR_ISO_OPTION = 34,         /* 0x03 */
    VOREX_ERR_ISO_GENERAL = 35,        /* 0x0F */
    VOREX_ERR_ISO_NO_BLOCK = 36,       /* 0x10 block not available */
    VOREX_ERR_ISO_LOCKED_ALREADY = 37, /* 0x11 */
    VOREX_ERR_ISO_BLOCK_LOCKED = 38,   /* 0x12 block locked, cannot be changed */
    VOREX_ERR_ISO_PROGRAMMING = 39,    /* 0x13 */
    VOREX_ERR_ISO_LOCKING = 40,        /* 0x14 */
    VOREX_ERR_ISO_OTHER = 41,          /* any other ISO error code */
    VOREX_ERR_ISO_ANSWER = 42,         /* ISO answer without payload or error code */
    VOREX_ERR_SYSTEM_INFO_LENGTH = 43, /* system information of an unexpected length */
    VOREX_ERR_ISO_FRAMING = 44,        /* frame variant 0 status 7 */
    VOREX_ERR_ISO_CUSTOM_FIRST = 0xA0, /* ISO custom error codes, passed on */
    VOREX_ERR_ISO_CUSTOM_LAST = 0xDF,
    VOREX_ERR_NOT_WRITABLE = 241,     /* reader status: block cannot be written */
    VOREX_ERR_NOT_AUTHENTICATED = 246 /* reader status: authentication missing */
};

#endif /* VOREX_ERRORS_H */
