#include "Vorex_SDKApp.h"

#include "BaudCode.h"
#include "PortNameGrammar.h"
#include "ReaderIdentity.h"

#include <algorithm>

namespace {

constexpr int kIdentifyTimeoutCapMs = 300;

} // namespace

CVorex_SDKApp::CVorex_SDKApp() = default;

CVorex_SDKApp::~CVorex_SDKApp() {
    CloseAll();
}

CVorex_SDKApp& VorexEngine() {
    static CVorex_SDKApp engine;
    return engine;
}

void CVorex_SDKApp::SetWaitHook(const VOREX_WaitHook* hook) {
    hook_ = hook ? *hook : VOREX_WaitHook{};
}

int CVorex_SDKApp::NextSerialHandle() const {
    for (int h = 1;; ++h) {
        const bool used = std::any_of(connections_.begin(), connections_.end(),
                                      [h](const auto& c) { return c->SerialHandle() == h; });
        if (!used)
            return h;
    }
}

int CVorex_SDKApp::OpenPort(const std::string& fullName, int baudCode, int timeoutMs) {
    std::lock_guard<std::mutex> open(openLock_);
    if (timeoutMs < 0)
        return -2;
    cancel_.store(false); // a cancel ends only the open that runs when it is given
    uint32_t address = 1;
    const std::string name = vorex::SplitBusAddress(fullName, address);
    const vorex::LinkKind kind = vorex::SelectLink(name);
    if (kind != vorex::LinkKind::Serial)
        return -1; // LAN, HID and Bluetooth links are not available in this build
    const vorex::SerialFormat format = vorex::DecodeBaudCode(baudCode);

    CVorex_Port* port = nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto fresh = std::make_unique<CVorex_Port>();
        fresh->SetTimeoutMs(timeoutMs);
        fresh->SetBusAddress(address);
        fresh->SetWaitHook(&hook_);
        fresh->SetCancelFlag(&cancel_);
        if (!fresh->InitPort(name, format.baud, format.parity, 8, format.stopBits, 0, 9, 512) ||
            !fresh->StartMonitoring())
            return -1;
        {
            std::lock_guard<std::mutex> list(listLock_);
            fresh->SetSerialHandle(NextSerialHandle());
            port = fresh.get();
            connections_.push_back(std::move(fresh));
        }
        port->SetTimeoutMs(std::min(timeoutMs, kIdentifyTimeoutCapMs));
        // The variant that last identified here is tried first, then the full order.
        const auto known = attempt == 0 ? identified_.Recall(fullName, baudCode) : std::nullopt;
        if (known) {
            port->SetVariant(*known);
            if (Identify(*port))
                break;
        }
        if (!cancel_.load() && known != uint8_t{0}) {
            port->SetVariant(0);
            if (Identify(*port))
                break;
        }
        if (attempt == 0 && !cancel_.load()) {
            // The first try may have met a reader still busy with something else:
            // open the link anew and try once more before changing the variant.
            const int handle = port->SerialHandle();
            std::lock_guard<std::mutex> list(listLock_);
            std::erase_if(connections_,
                          [handle](const auto& c) { return c->SerialHandle() == handle; });
            port = nullptr;
            continue;
        }
        bool found = false;
        for (uint8_t variant = 1; variant <= 3 && !found && !cancel_.load(); ++variant) {
            port->SetVariant(variant);
            found = Identify(*port);
        }
        if (!found) {
            std::lock_guard<std::mutex> list(listLock_);
            std::erase_if(connections_, [port](const auto& c) { return c.get() == port; });
            return -11;
        }
    }
    port->SetTimeoutMs(timeoutMs);
    identified_.Remember(fullName, baudCode, port->Variant());
    return port->SerialHandle();
}

bool CVorex_SDKApp::Identify(CVorex_Port& port) {
    std::vector<uint8_t> id;
    if (!vorex::ReadIdentification(port, id))
        return false;
    uint32_t type = 0;
    uint8_t revision = 0;
    if (!vorex::ParseIdentification(id, type, revision))
        return false;
    port.SetDeviceType(type);
    port.SetRevision(revision);
    return true;
}

CVorex_Port* CVorex_SDKApp::Find(int handle) {
    if (handle == 0)
        return nullptr;
    std::lock_guard<std::mutex> list(listLock_);
    for (auto& c : connections_)
        if (c->SerialHandle() == handle)
            return c.get();
    return nullptr;
}

int CVorex_SDKApp::ClosePort(int handle) {
    std::unique_ptr<CVorex_Port> closing;
    {
        std::lock_guard<std::mutex> list(listLock_);
        auto it = std::find_if(connections_.begin(), connections_.end(), [handle](const auto& c) {
            return handle != 0 && c->SerialHandle() == handle;
        });
        if (it == connections_.end())
            return -1;
        closing = std::move(*it);
        connections_.erase(it);
    }
    closing->ClosePort();
    return 0;
}

void CVorex_SDKApp::CloseAll() {
    std::lock_guard<std::mutex> list(listLock_);
    while (!connections_.empty()) {
        connections_.front()->ClosePort();
        connections_.erase(connections_.begin());
    }
}
