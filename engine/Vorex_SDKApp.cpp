#include "engine/Vorex_SDKApp.h"

#include "engine/BaudCode.h"
#include "engine/PortNameGrammar.h"
#include "engine/ReaderIdentity.h"
#include "engine/links/LinkTable.h"

#include <algorithm>

namespace {

constexpr int kIdentifyTimeoutCapMs = 300;

} // namespace

CVorex_SDKApp::CVorex_SDKApp() : hid_(vorex::links::MakeSystemHidBackend()) {}

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

int CVorex_SDKApp::NextHandle(int first) const {
    for (int h = first;; ++h) {
        const bool used = std::any_of(connections_.begin(), connections_.end(),
                                      [h](const auto& c) { return c->Handle() == h; });
        if (!used)
            return h;
    }
}

void CVorex_SDKApp::Remove(const CVorex_Port* port) {
    std::lock_guard<std::mutex> list(listLock_);
    std::erase_if(connections_, [port](const auto& c) { return c.get() == port; });
}

int CVorex_SDKApp::OpenPort(const std::string& fullName, int baudCode, int timeoutMs) {
    std::lock_guard<std::recursive_mutex> open(openLock_);
    if (timeoutMs < 0)
        return -2;
    cancel_.store(false); // a cancel ends only the open that runs when it is given
    uint32_t address = 1;
    const std::string name = vorex::SplitBusAddress(fullName, address);
    // A kind without a row (not built, or a refused Bluetooth name) does not open.
    const vorex::links::LinkEntry* entry = vorex::links::FindLink(vorex::SelectLink(name));
    if (entry == nullptr)
        return -1;
    const vorex::SerialFormat format = vorex::DecodeBaudCode(baudCode);
    const vorex::links::LinkRequest request{name, format.baud, format.parity, format.stopBits,
                                            hid_};

    // Held here as well as in the list: a close from inside an identification wait
    // must not destroy the object under this open.
    std::shared_ptr<CVorex_Port> port;
    for (int attempt = 0; attempt < 2; ++attempt) {
        port = std::make_shared<CVorex_Port>();
        port->SetTimeoutMs(timeoutMs);
        port->SetBusAddress(address);
        port->SetWaitHook(&hook_);
        port->SetCancelFlag(&cancel_);
        int openResult = -1;
        if (!port->AttachLink(entry->open(request, *port, openResult)))
            return openResult < 0 ? openResult : -1;
        {
            std::lock_guard<std::mutex> list(listLock_);
            port->SetHandle(NextHandle(entry->firstHandle));
            connections_.push_back(port);
        }
        if (const uint32_t preset = port->Link()->PresetDeviceType()) {
            port->SetDeviceType(preset);
            port->SetRevision(0);
            port->SetTimeoutMs(timeoutMs);
            return port->Handle();
        }
        port->SetTimeoutMs(std::min(timeoutMs, kIdentifyTimeoutCapMs));
        // The variant that last identified under this name is tried first, then the
        // full order.
        const auto known = attempt == 0 ? identified_.Recall(fullName, baudCode) : std::nullopt;
        Identified result = Identified::NoAnswer;
        if (known) {
            port->SetVariant(*known);
            result = Identify(*port);
        }
        if (result == Identified::NoAnswer && known != uint8_t{0} && !cancel_.load() &&
            !port->Closed()) {
            port->ForgetTimeout();
            port->SetVariant(0);
            result = Identify(*port);
        }
        if (result == Identified::NoAnswer && attempt == 0 && !port->Closed() && !cancel_.load()) {
            // The first try may have met a reader still busy with something else:
            // open the link anew and try once more before changing the variant.
            Remove(port.get());
            continue;
        }
        // A reader that answered in one variant does not speak another: an unusable
        // identification ends the trial at once.
        for (uint8_t variant = 1; variant <= 3 && result == Identified::NoAnswer; ++variant) {
            if (port->Closed() || cancel_.load())
                break;
            port->SetVariant(variant);
            // A late answer in the previous variant's form is no answer in this one.
            port->ForgetTimeout();
            result = Identify(*port);
        }
        if (port->Closed())
            return -1; // closed from inside its own identification
        if (result != Identified::Yes) {
            Remove(port.get());
            port->SetDeviceType(0);
            return -11;
        }
        break;
    }
    port->SetTimeoutMs(timeoutMs);
    identified_.Remember(fullName, baudCode, port->Variant());
    return port->Handle();
}

CVorex_SDKApp::Identified CVorex_SDKApp::Identify(CVorex_Port& port) {
    std::vector<uint8_t> id;
    if (!vorex::ReadIdentification(port, id))
        return Identified::NoAnswer;
    uint32_t type = 0;
    uint8_t revision = 0;
    if (!vorex::ParseIdentification(id, type, revision))
        return Identified::Unusable;
    port.SetDeviceType(type);
    port.SetRevision(revision);
    return Identified::Yes;
}

std::shared_ptr<CVorex_Port> CVorex_SDKApp::Find(int handle) {
    if (handle == 0)
        return nullptr;
    std::shared_ptr<CVorex_Port> found;
    std::vector<std::shared_ptr<CVorex_Port>> lost;
    {
        std::lock_guard<std::mutex> list(listLock_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->Handle() == handle) {
                found = *it;
                break;
            }
            const auto* link = (*it)->Link();
            if (link && link->DropWhenLost() && !link->IsOpen()) {
                lost.push_back(std::move(*it));
                it = connections_.erase(it);
                continue;
            }
            ++it;
        }
    }
    for (auto& c : lost) {
        c->MarkClosed();
        c->CloseLink();
    }
    return found;
}

int CVorex_SDKApp::ClosePort(int handle) {
    std::shared_ptr<CVorex_Port> closing;
    {
        std::lock_guard<std::mutex> list(listLock_);
        auto it = std::find_if(connections_.begin(), connections_.end(), [handle](const auto& c) {
            return handle != 0 && c->Handle() == handle;
        });
        if (it == connections_.end())
            return -1;
        closing = std::move(*it);
        connections_.erase(it);
    }
    closing->MarkClosed();
    closing->CloseLink();
    return 0;
}

void CVorex_SDKApp::CloseAll() {
    std::vector<std::shared_ptr<CVorex_Port>> closing;
    {
        std::lock_guard<std::mutex> list(listLock_);
        closing.swap(connections_);
    }
    for (auto& c : closing) {
        c->MarkClosed();
        c->CloseLink();
    }
}
