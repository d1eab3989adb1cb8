#include "engine/links/serial/SerialLink.h"

namespace vorex::links {

SerialLink::~SerialLink() {
    // The worker calls OnReceiveChars: stop it while this object is still whole.
    ClosePort();
}

std::unique_ptr<SerialLink> SerialLink::Open(const LinkRequest& request, ReceiveSink& sink) {
    auto link = std::make_unique<SerialLink>(sink);
    if (!link->InitPort(request.name, request.baud, request.parity, 8, request.stopBits, 0, 9,
                        512) ||
        !link->StartMonitoring())
        return nullptr;
    return link;
}

bool SerialLink::Send(const uint8_t* bytes, size_t count) {
    return WriteToPort(bytes, static_cast<int>(count));
}

void SerialLink::OnReceiveChars(const uint8_t* bytes, size_t count) {
    sink_.OnLinkBytes(bytes, count);
}

std::unique_ptr<ReaderLink> OpenSerialLink(const LinkRequest& request, ReceiveSink& sink,
                                           int& openResult) {
    auto link = SerialLink::Open(request, sink);
    openResult = link ? 0 : -1;
    return link;
}

} // namespace vorex::links
