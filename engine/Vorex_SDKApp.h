#pragma once
// The engine object: owns every open reader connection, opens and identifies them,
// finds them by handle and closes them.
#include "Vorex_Port.h"
#include <vorex/vorex.h>

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

    // Opens a connection from a port name; handle > 0 or a negative open code.
    int OpenPort(const std::string& name, int baudCode, int timeoutMs);
    // 0, or -1 when the handle names no open connection.
    int ClosePort(int handle);
    // Connection lookup: the open connection of the handle, or null. Drops connections
    // whose link was lost on the way.
    CVorex_Port* Find(int handle);
    void CloseAll();

    void SetWaitHook(const VOREX_WaitHook* hook);
    const VOREX_WaitHook* WaitHook() const {
        return hook_.begin || hook_.pump || hook_.end ? &hook_ : nullptr;
    }

private:
    struct Connection;
    std::unique_ptr<CVorex_Port> NewPort();
    bool Identify(CVorex_Port& port);
    int NextSerialHandle() const;

    std::vector<std::unique_ptr<CVorex_Port>> connections_; // in opening order
    std::mutex listLock_;
    std::mutex openLock_;
    VOREX_WaitHook hook_{};
};

// The one engine object of the process.
CVorex_SDKApp& VorexEngine();
