/*
 * Vorex reader engine: the flat C call surface.
 *
 * Conventions: functions returning 0/-1 give 0 on success and -1 on failure;
 * length functions return the number of bytes copied or -1. After -1 ask
 * VOREX_GetLastError(handle) for the engine error number. Handles come from
 * VOREX_OpenPort and are > 0. All functions are meant to be called from one
 * thread (the user-interface thread of the host program).
 * Include it as <vorex/vorex.h>; the error numbers are named in <vorex/vorex_errors.h>.
 */
#ifndef VOREX_H
#define VOREX_H

#include "vorex_errors.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VOREX_SDK_VERSION 222

/* Marks the functions libvorex.so exports; everything else in it is hidden. */
#if defined(__GNUC__)
#define VOREX_API __attribute__((visibility("default")))
#else
#define VOREX_API
#endif

/* ---- Receive-wait hook -------------------------------------------------
 * While an exchange waits for the reader, the engine calls begin() once,
 * pump() every few milliseconds and end() once. A GUI host disables its
 * active window in begin(), processes events in pump() and restores in end().
 * begin/end are skipped while the connection is in background mode.
 * Passing NULL removes the hook. The engine keeps a copy of the struct.
 * pump() may call the engine: open or close connections (closing the one being
 * waited on ends that wait: its call fails, the handle is gone) and change or
 * remove the hook; the end() that follows belongs to the hook that began. */
typedef struct VOREX_WaitHook {
    void (*begin)(void* context);
    void (*pump)(void* context);
    void (*end)(void* context);
    void* context;
} VOREX_WaitHook;
VOREX_API void VOREX_SetWaitHook(const VOREX_WaitHook* hook);
/* Ends the receive wait that is running now, for a host's cancel button: call it
 * from inside pump(). The wait fails as a timeout (error 4), and a VOREX_OpenPort in
 * progress makes no further identification tries and returns -11. Calls started
 * afterwards are not affected. */
VOREX_API void VOREX_CancelWait(void);

/* ---- Connections ------------------------------------------------------- */
/* Opens and identifies a reader. name: "COM3", "COM3:5" (bus address 5),
 * "/dev/ttyUSB0", any path of a serial device or of a link to one (such as
 * /dev/serial/by-id/...), an FTDI serial number, a LAN address, a HID or BT entry.
 * baudCode: baud rate + format (0 8N1, 1 8E1, 2 8O1, 3 8N2), e.g. 115201 (115200 baud 8E1).
 * Returns a handle > 0, or -1 (link failed), -2 (negative timeout),
 * -11 (reader did not identify), -13 (HID preparation failed). */
VOREX_API int VOREX_OpenPort(const char* name, int baudCode, int timeoutMs);
/* Closes a connection: 0, or -1 for an unknown handle. */
VOREX_API int VOREX_ClosePort(int handle);
/* Engine error number of the connection's last operation; 3 for an unknown handle. */
VOREX_API int VOREX_GetLastError(int handle);
/* Engine version number (222 means 2.22). */
VOREX_API int VOREX_GetSdkVersion(void);
/* Identification payload (device type digits and revision character): length or -1. */
VOREX_API int VOREX_GetVersion(int handle, unsigned char* buffer, int capacity);
/* Model name of the reader; buffer may be NULL. Copies at most capacity-1 characters
 * (NUL-filled) and returns the full length of the name. */
VOREX_API int VOREX_GetDeviceName(int handle, char* buffer, int capacity);
/* Device type code (12 bits, from the identification) of the reader; -1 for an unknown
 * handle. */
VOREX_API int VOREX_GetDeviceType(int handle);
/* 1 when the reader writes transponders, 0 when it only reads, -1 for an unknown handle. */
VOREX_API int VOREX_IsProgrammer(int handle);
/* 1 when the connection runs over HID or an FTDI device, else 0; -1 unknown handle. */
VOREX_API int VOREX_IsUsbLink(int handle);
/* Background mode: the receive wait leaves windows and focus alone. 1, or -1. */
VOREX_API int VOREX_SetBackgroundMode(int handle, int flag);
/* Frame variant (0-3) the reader was found to speak; -1 for an unknown handle. */
VOREX_API int VOREX_GetFrameVariant(int handle);
/* Serial ports present, as a name list (each name NUL-terminated, one more NUL after
 * the last). Returns the bytes used including the closing NUL. */
VOREX_API int VOREX_ListComPorts(char* buffer, int capacity);

/* ---- USB readers -------------------------------------------------------
 * The maker's readers on USB: FTDI-based readers (through libftd2xx.so when it is
 * installed), HID readers, and the virtual COM port (a serial port, see above). */
/* Bit set of attached readers that lack their driver: 1 an FTDI-based reader
 * (USB 0403:D7A4), 2 a virtual-COM reader (USB 2E5B:0C2D); 0 when nothing is missing. */
VOREX_API int VOREX_CheckUsbDrivers(void);
/* 1 when the virtual-COM (CDC) driver can be used: always, the kernel brings it. */
VOREX_API int VOREX_IsCdcDriverAvailable(void);
/* USB readers present, as a name list (see VOREX_ListComPorts): the serial numbers of
 * FTDI-based readers no program has open, then the HID readers ("<serial> HID", or
 * "4019-???? HID" for one without serial number); only the maker's article numbers
 * (the first four characters). Returns the bytes used including the closing NUL. */
VOREX_API int VOREX_ListUsbDevices(char* buffer, int capacity);

/* ---- LAN readers -------------------------------------------------------
 * Readers on the network answer a datagram protocol. The adapters searched are the
 * IPv4 interfaces that are up, or those listed in $VOREX_LAN_ADAPTERS
 * ("ADDR/MASK,ADDR/MASK", e.g. "127.0.0.1/8"); the readers' datagram port is 30718,
 * or $VOREX_LAN_UDP_PORT. An identity is a search entry: "a.b.c.d-port", "a.b.c.d",
 * "[name]" or "[name]a.b.c.d-port". */
/* Readers on every adapter, as a name list (see VOREX_ListComPorts): "a.b.c.d-port"
 * for a reader at its configured address, "[name]a.b.c.d-port" for one that obtained
 * its address automatically. Returns the bytes used including the closing NUL. */
VOREX_API int VOREX_SearchLan(char* buffer, int capacity);
/* As VOREX_SearchLan, keeping only the system's own readers (model "VX-..."), and
 * listing readers that obtained their address automatically as "[name]". */
VOREX_API int VOREX_SearchLanEx(char* buffer, int capacity);
/* 1 when the reader of the identity answers, else 0. */
VOREX_API int VOREX_TestLanConnection(const char* identity);
/* A reader's network settings: name "[name]-port", address "a.b.c.d-port" (empty when
 * the reader obtains its address automatically), mask and gateway "a.b.c.d". Each
 * buffer may be NULL and takes at most capacity bytes including the NUL (32 is
 * enough). 0, or -1 when the reader does not answer. */
VOREX_API int VOREX_GetLanConfig(const char* identity, char* name, char* address, char* mask,
                                 char* gateway, int capacity);
/* Changes a reader's settings. address: "a.b.c.d-port", or "[name]-port" to obtain
 * the address automatically and be known by that name; mask may be NULL or "" (kept);
 * gateway NULL or "" means 0.0.0.0. 0, or -1 when the texts do not parse or the
 * reader does not answer or take the settings. */
VOREX_API int VOREX_SetLanConfig(const char* identity, const char* address, const char* mask,
                                 const char* gateway);

/* ---- Bluetooth readers -------------------------------------------------
 * A port name ending in " BT" opens a Bluetooth adapter: a module on a serial port
 * ("COM5 BT", "/dev/ttyUSB0 BT"). The connection is not identified (device type 0x125)
 * until a reader was found and connected through it. */
/* The Bluetooth adapters, as a name list (see VOREX_ListComPorts): the modules on the
 * serial ports in $VOREX_BT_MODULES (device paths separated by commas), each as
 * "<path> BT". Returns the bytes used including the closing NUL. */
VOREX_API int VOREX_ListBluetoothPorts(char* buffer, int capacity);
/* Searches for devices: records of 38 bytes (6-byte address, 32-byte name, zero-padded)
 * as long as they fit into capacity. filter 0 takes every device, else only the first
 * of that class of device. Bytes written, or -1 when the adapter did not answer within
 * timeoutMs (or for an unknown handle or a connection without Bluetooth). */
VOREX_API int VOREX_SearchBluetooth(int handle, unsigned char* buffer, int capacity, int timeoutMs,
                                    unsigned filter);
/* Connects to the device with the 6-byte address. 1 when connected; 0 on failure, with
 * the last error set to the adapter's status (1 when it did not answer within
 * timeoutMs); -1 for an unknown handle or a connection without Bluetooth. */
VOREX_API int VOREX_ConnectBluetooth(int handle, const unsigned char* address, int parameter,
                                     int timeoutMs);

/* ---- Error texts ------------------------------------------------------- */
/* String-table id of the display text for an engine error number. */
VOREX_API int VOREX_GetErrorStringId(int error);
/* German display text for an engine error number, formatted with the number.
 * Copies at most capacity-1 bytes (UTF-8) and returns the full length. */
VOREX_API int VOREX_GetErrorText(int error, char* buffer, int capacity);

/* ---- Reader configuration ---------------------------------------------- */
/* baud: 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600 or
 * 1382400 (another rate: error 7, nothing sent); format 0-3 as in the baud code.
 * Serial connections only. */
VOREX_API int VOREX_SetBaudrate(int handle, int baud, int format);
/* Operating mode 0-3 (bit 7 may be set); error 13 otherwise. */
VOREX_API int VOREX_SetReaderMode(int handle, int mode);
/* Host mode on (1) or off (0). */
VOREX_API int VOREX_SetHostMode(int handle, int on);
/* Two-byte command F6 a b, sent after a USB mode change. */
VOREX_API int VOREX_SendCommandF6(int handle, int a, int b);
/* Writes the settings block. */
VOREX_API int VOREX_WriteSettings(int handle, const unsigned char* bytes, int count);
/* Reads the settings block: length or -1 (error 5 when larger than capacity). */
VOREX_API int VOREX_ReadSettings(int handle, unsigned char* buffer, int capacity);
/* Restores the reader's factory settings (waits up to 1000 ms for the answer). */
VOREX_API int VOREX_FactoryReset(int handle);
/* USB interface mode: 1 HID, 2 virtual COM port. */
VOREX_API int VOREX_SetUsbMode(int handle, int mode);

/* ---- ISO 15693 ----------------------------------------------------------
 * uid: 8 bytes, least significant first (byte 6 manufacturer, byte 7 0xE0);
 * any other uidLength means "no UID". flags: low byte = ISO request flags,
 * higher bits steer the engine (0x100 Infineon, 0x200 lock without option,
 * 0x400 option for write/lock, 0x800 read via Read Multiple, 0x2000 one
 * subcarrier, 0x8000 raw). */
/* Inventory: whole 11-byte records (slot status, response flags, DSFID, UID). */
VOREX_API int VOREX_Iso15693Inventory(int handle, unsigned char* buffer, int capacity,
                                      unsigned flags);
/* System information payload: length or -1. */
VOREX_API int VOREX_Iso15693GetSystemInfo(int handle, unsigned char* buffer, int capacity,
                                          const unsigned char* uid, int uidLength, unsigned flags);
/* Block count, block size and manufacturer code; each pointer may be NULL. */
VOREX_API int VOREX_Iso15693GetMemorySize(int handle, const unsigned char* uid, int uidLength,
                                          int* blockCount, int* blockSize, int* manufacturer,
                                          unsigned flags);
/* Block data (preceded by the security status byte when the option flag is set). */
VOREX_API int VOREX_Iso15693ReadBlock(int handle, int block, unsigned char* buffer, int capacity,
                                      const unsigned char* uid, int uidLength, unsigned flags);
/* Read Multiple Blocks: count (1-256, else error 7) blocks from block on, each preceded
 * by its security status byte when the option flag is set. Returns the bytes copied. */
VOREX_API int VOREX_Iso15693ReadMultipleBlocks(int handle, int block, int count,
                                               unsigned char* buffer, int capacity,
                                               const unsigned char* uid, int uidLength,
                                               unsigned flags);
VOREX_API int VOREX_Iso15693WriteBlock(int handle, int block, const unsigned char* data, int count,
                                       const unsigned char* uid, int uidLength, unsigned flags);
VOREX_API int VOREX_Iso15693LockBlock(int handle, int block, const unsigned char* uid,
                                      int uidLength, unsigned flags);

/* ---- ISO 14443A / MIFARE / NFC Type 2 ----------------------------------- */
/* Request: the 2-byte answer (ATQA), first byte low. */
VOREX_API int VOREX_MifareRequest(int handle, unsigned short* answer);
/* Select: *first receives the SAK, buffer the UID; returns the UID length or -1. */
VOREX_API int VOREX_MifareSelect(int handle, unsigned char* buffer, int capacity,
                                 unsigned char* first);
/* Authenticate with the given key, or with the reader's key store when key is NULL. */
VOREX_API int VOREX_MifareAuthenticate(int handle, const unsigned char* key, int keyLength,
                                       int keyType, int keyNumber, int block);
/* Reads a block (or four pages); a longer answer is cut to capacity. Bits above the
 * low byte of block select the Type 2 sector. */
VOREX_API int VOREX_MifareReadBlock(int handle, int block, unsigned char* buffer, int capacity);
VOREX_API int VOREX_MifareWriteBlock(int handle, int block, const unsigned char* data, int count);
/* Value operation: 1 increment, 0 decrement. */
VOREX_API int VOREX_MifareValue(int handle, int block, int operation, int value);
/* The NFC Type 2 sector selected last on the connection (0 after request and select;
 * a failed sector select keeps the previous one), or -1 for an unknown handle. A read
 * or write of a block whose bits above the low byte differ from it went to this
 * sector instead. */
VOREX_API int VOREX_MifareSelectedSector(int handle);
/* Stores a key in the reader's key store: keyType 0 = A, 1 = B. */
VOREX_API int VOREX_MifareStoreKey(int handle, int keyType, int keyNumber, const unsigned char* key,
                                   int keyLength);

#ifdef __cplusplus
}
#endif

#endif /* VOREX_H */
