#pragma once
// The LAN link kind at the reader-link seam: the reader protocol over a TCP connection
// kept by a CTCPSocketThread (connect, reconnect after a drop, one worker thread).
#include "engine/links/ReaderLink.h"

namespace vorex::links {

// Opens a connection to "a.b.c.d", "a.b.c.d-port" or "[name]-port" (the name found by
// discovery on the adapters of the environment). Null with openResult -1 when no
// connection comes about.
std::unique_ptr<ReaderLink> OpenLanLink(const LinkRequest& request, ReceiveSink& sink,
                                        int& openResult);

} // namespace vorex::links
