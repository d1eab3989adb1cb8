#pragma once
// The engine object: owns every open reader connection, opens and identifies them,
// finds them by handle and closes them.
#include "engine/IdentifyMemory.h"
#include "engine/Vorex_Port.h"
#include "engine/links/hid/HidBackend.h"
#include <vorex/vorex.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CVorex_SDKApp {
public:
    CVorex_SDKApp();
    ~CVorex_SDKApp(); // closes all connections
    CVorex_SDKApp(const CVorex_SDKApp&) = delete;
    CVorex_SDKApp& operator=(const CVorex_SDKApp&) = delete;

    // Opens a connection from a port name; handle > 0 or a negative open code. May be
    // called again from inside a wait of an open (the wait hook runs events).
    int OpenPort(const std::string& name, int baudCode, int timeoutMs);
    // 0, or -1 when the handle names no open connection. A connection closed while
    // one of its exchanges waits (from the wait hook) leaves the list at once; the
    // wait ends with error 3 and the object lives until the waiting call returns.
    int ClosePort(int handle);
    // Connection lookup: the open connection of the handle, or null. Callers hold the
    // result for the whole of their call. Connections met on the way whose link is gone
    // and says so (ReaderLink::DropWhenLost) leave the list; a serial connection stays
    // until it is closed, also after its device was lost (its exchanges time out).
    std::shared_ptr<CVorex_Port> Find(int handle);
    void CloseAll();

    void SetWaitHook(const VOREX_WaitHook* hook);
    const VOREX_WaitHook* WaitHook() const {
        return hook_.begin || hook_.pump || hook_.end ? &hook_ : nullptr;
    }
    // Ends the running receive wait; a running open makes no further identification tries.
    void CancelWait() { cancel_.store(true); }
    // Drops the remembered frame variants (another reader now sits on a known port name).
    void ForgetIdentifications() { identified_.Clear(); }
    // The HID devices HID links open and list: hidapi's, unless a test set others.
    std::shared_ptr<vorex::links::HidBackend> HidDevices() const { return hid_; }
    void SetHidDevices(std::shared_ptr<vorex::links::HidBackend> hid) { hid_ = std::move(hid); }

private:
    enum class Identified { Yes, NoAnswer, Unusable };
    Identified Identify(CVorex_Port& port);
    // The smallest handle from `first` up that no connection uses.
    int NextHandle(int first) const;
    void Remove(const CVorex_Port* port);

    std::vector<std::shared_ptr<CVorex_Port>> connections_; // in opening order
    std::mutex listLock_;
    // Held for the whole of an open; the owning thread may enter again from a wait.
    std::recursive_mutex openLock_;
    VOREX_WaitHook hook_{};
    std::atomic<bool> cancel_{false};
    vorex::IdentifyMemory identified_;
    std::shared_ptr<vorex::links::HidBackend> hid_;
};

// The one engine object of the process.
CVorex_SDKApp& VorexEngine();
