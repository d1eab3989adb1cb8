#pragma once
// The seam between a reader connection (CVorex_Port: frames, receive buffer, receive
// wait) and the transport its bytes travel over. Each link kind implements ReaderLink
// and has one open function in the link table (LinkTable.cpp).
//
// The link kinds are the rows of the link table: serial (also FTDI-based readers,
// through the ftdi/ folder), hid, lan and bluetooth (with its adapters, one of them
// through the usbxpress/ folder). The folders usb/, ftdi/ and usbxpress/ hold no link
// kind of their own: USB device discovery and the vendor libraries the kinds use.
//
// Adding a link kind:
//   1. A folder engine/links/<kind>/ with its sources: a class derived from ReaderLink
//      and an open function of the OpenLinkFn shape. Its own build needs (a library,
//      pkg-config module) go in engine/links/<kind>/link.cmake, which may append to
//      VOREX_LINK_LIBRARIES and VOREX_LINK_INCLUDES.
//   2. One row in the table of LinkTable.cpp: the LinkKind that the port-name grammar
//      (PortNameGrammar.h) selects for the kind's names, the first connection handle
//      of the kind and the open function.
//   3. The folder's name in VOREX_LINK_KINDS in engine/CMakeLists.txt (helper folders
//      without a row go in VOREX_LINK_SUPPORT).
//
// Receiving: a link with a worker thread hands what it receives to the sink (the
// connection's receive buffer) from that thread; a polled link says so (IsPolled) and
// hands it over from Poll(), which the receive wait calls on every pass, every few
// milliseconds; a link that the waiting thread can read itself says so (ReadsInWait)
// and blocks in WaitForInput, handing what arrived to the sink on the waiting thread,
// which spares a thread hand-off per answer. The wait does everything else (timeouts,
// frames, the wait hook).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vorex::links::bt {
class CBluetoothLink;
}

namespace vorex::links {

class HidBackend;

// Where a link delivers received bytes; may be called from any one thread.
class ReceiveSink {
public:
    virtual void OnLinkBytes(const uint8_t* bytes, size_t count) = 0;

protected:
    ~ReceiveSink() = default;
};

// What VOREX_OpenPort asks of a link: the port name (bus-address suffix removed) and
// the serial line settings of the baud code (links without a line ignore them).
struct LinkRequest {
    std::string name;
    uint32_t baud = 19200;
    char parity = 'N';
    int stopBits = 1;
    std::shared_ptr<HidBackend> hid; // the HID devices of the engine (HID links)
};

// What a link does with new line settings (VOREX_SetBaudrate).
enum class LineChange {
    Applied,          // the link took them itself; the reader is not told (Bluetooth adapter)
    ReaderMustFollow, // the line runs to the reader: tell the reader first, then SwitchLine
    Unsupported,      // there is no line this side can change
};

class ReaderLink {
public:
    virtual ~ReaderLink() = default;

    // Hands a whole frame to the transport. The exchange does not examine the result:
    // a frame that was not sent shows as a timeout.
    virtual bool Send(const uint8_t* bytes, size_t count) = 0;
    // Forgets what earlier sends left unsent; called before every new frame.
    virtual void DiscardUnsent() {}
    // Polled links read what is waiting and hand it to the sink.
    virtual bool IsPolled() const { return false; }
    virtual void Poll() {}
    // Links read by the waiting thread: WaitForInput blocks until bytes arrived and
    // were handed to the sink, InterruptWait was called or `until` passed; it may return
    // early. InterruptWait (any thread) comes when the connection is being closed; the
    // link need not be usable afterwards.
    virtual bool ReadsInWait() const { return false; }
    virtual void WaitForInput(std::chrono::steady_clock::time_point until) { (void)until; }
    virtual void InterruptWait() {}
    // Reads and drops input still waiting in the transport; called before every new
    // frame, after the receive buffer was cleared.
    virtual void DiscardInput() {}
    // True while the transport is usable.
    virtual bool IsOpen() const = 0;
    // True when the connection leaves the list once the link is gone (links whose
    // handle dies with them). Serial connections stay until they are closed.
    virtual bool DropWhenLost() const { return false; }
    // True for links over USB (HID, FTDI), as VOREX_IsUsbLink reports.
    virtual bool IsUsb() const { return false; }
    // New line settings: baud rate and format (0 8N1, 1 8E1, 2 8O1, 3 8N2; other
    // formats keep parity and stop bits). Says what the link did or what must happen.
    virtual LineChange ChangeLine(int baud, int format) {
        (void)baud;
        (void)format;
        return LineChange::Unsupported;
    }
    // After ReaderMustFollow and once the reader took the settings: this side switches
    // to them. False when the transport refused them.
    virtual bool SwitchLine(int baud, int format) {
        (void)baud;
        (void)format;
        return false;
    }
    // The Bluetooth link behind it (device search and connect), else null.
    virtual bt::CBluetoothLink* Bluetooth() { return nullptr; }
    // Non-zero for links whose reader is not identified at open: the connection takes
    // this device type instead (revision 0).
    virtual uint32_t PresetDeviceType() const { return 0; }
    // Ends the transport: no more bytes reach the sink, sends fail.
    virtual void Close() = 0;
};

// Opens a link for a request, delivering to `sink`. On failure: null, with
// openResult set to the VOREX_OpenPort code (-1, or -13 for a HID preparation).
using OpenLinkFn = std::unique_ptr<ReaderLink> (*)(const LinkRequest& request, ReceiveSink& sink,
                                                   int& openResult);

} // namespace vorex::links
