#pragma once
// Plain C++ rules of the LAN dialogs: the reader list of the address search (both
// searches merged), and the address settings form (reading a reader's texts into the
// form, building the address text it sends).
#include <string>
#include <vector>

namespace vorex::shell {

// ---- Reader list (address search) ----
struct LanListItem {
    std::string text;
    bool verified = false; // false: found only by the unverified search
};
// Verified entries first, in their order; an unverified entry whose key (the entry, or
// its "[name]" part) equals a listed item replaces that item's text and keeps it
// verified; the others are appended as unverified. Empty entries are skipped.
std::vector<LanListItem> MergeLanSearches(const std::vector<std::string>& verified,
                                          const std::vector<std::string>& unverified);
// The address the dialog returns for the selected item: its text when verified, else
// empty (an unverified reader cannot be chosen).
std::string ChosenAddress(const LanListItem& item);

// ---- Address settings form ----
enum class LanMode { Automatic = 0, Fixed = 1 };
struct LanForm {
    LanMode mode = LanMode::Automatic;
    std::string address;  // a.b.c.d, for the fixed mode
    std::string dhcpName; // at most 16 characters, as the reader stores them
    int port = 10001;
    std::string mask;
    std::string gateway;
};
// The reader keeps 16 name characters; a shorter limit would rename a reader whose
// name is full on an OK without edits.
constexpr size_t kDhcpNameMax = 16;
// The form of a reader's texts as VOREX_GetLanConfig gives them.
LanForm FormFromReader(const std::string& nameText, const std::string& addressText,
                       const std::string& mask, const std::string& gateway);
// The address text to send: "a.b.c.d-port" (fixed) or "[name]-port" (automatic). Empty
// when the fixed address is blank or 0.0.0.0 (message 10128).
std::string NewAddressText(const LanForm& form);

} // namespace vorex::shell
