#include "engine/links/lan/LanLink.h"

#include "engine/links/lan/TCPSocketThread.h"

namespace vorex::links {
namespace {

class LanLink final : public ReaderLink {
public:
    explicit LanLink(ReceiveSink& sink) : thread_(lan::LanEnvironment::FromSystem()) {
        thread_.SetReceiver(
            [&sink](const uint8_t* bytes, size_t count) { sink.OnLinkBytes(bytes, count); });
    }
    ~LanLink() override { thread_.StopWorker(); }

    bool Open(const std::string& name) { return thread_.OpenConnection(name); }

    bool Send(const uint8_t* bytes, size_t count) override {
        return thread_.QueueSend(bytes, count);
    }
    bool ReadsInWait() const override { return true; }
    void WaitForInput(std::chrono::steady_clock::time_point until) override {
        thread_.WaitForInput(until);
    }
    void InterruptWait() override { thread_.InterruptWait(); }
    void DiscardInput() override { thread_.DiscardInput(); }
    // The worker keeps the connection and reconnects after the reader dropped it; it
    // ends only when a connect fails, and then the connection is of no more use.
    bool IsOpen() const override { return thread_.Running(); }
    bool DropWhenLost() const override { return true; }
    void Close() override { thread_.StopWorker(); }

private:
    lan::CTCPSocketThread thread_;
};

} // namespace

std::unique_ptr<ReaderLink> OpenLanLink(const LinkRequest& request, ReceiveSink& sink,
                                        int& openResult) {
    auto link = std::make_unique<LanLink>(sink);
    if (!link->Open(request.name)) {
        openResult = -1;
        return nullptr;
    }
    return link;
}

} // namespace vorex::links
