#pragma once
// Which link kinds this build has: one row per kind, with the first connection handle
// of the kind and its open function. How to add a kind: see ReaderLink.h.
#include "engine/PortNameGrammar.h"
#include "engine/links/ReaderLink.h"

namespace vorex::links {

struct LinkEntry {
    LinkKind kind;   // as the port-name grammar selects it
    int firstHandle; // handles of the kind: the smallest free number from here
    OpenLinkFn open;
};

// The row of a link kind, or null when this build has no such link.
const LinkEntry* FindLink(LinkKind kind);

} // namespace vorex::links
