#include "shell/core/LanDialogRules.h"

#include <algorithm>
#include <cstdlib>

namespace vorex::shell {

namespace {

// The number after the first "-" of `text`, or `def` when there is none.
int PortAfterDash(const std::string& text, size_t from, int def) {
    const size_t dash = text.find('-', from);
    if (dash == std::string::npos)
        return def;
    return std::atoi(text.c_str() + dash + 1);
}

} // namespace

std::vector<LanListItem> MergeLanSearches(const std::vector<std::string>& verified,
                                          const std::vector<std::string>& unverified) {
    std::vector<LanListItem> items;
    for (const auto& v : verified)
        if (!v.empty())
            items.push_back({v, true});
    for (const auto& u : unverified) {
        if (u.empty())
            continue;
        std::string key = u;
        if (u[0] == '[') {
            const size_t close = u.find(']');
            if (close != std::string::npos)
                key = u.substr(0, close + 1);
        }
        auto it = std::find_if(items.begin(), items.end(),
                               [&](const LanListItem& i) { return i.text == key; });
        if (it != items.end())
            *it = {u, true};
        else
            items.push_back({u, false});
    }
    return items;
}

std::string ChosenAddress(const LanListItem& item) {
    return item.verified ? item.text : std::string();
}

LanForm FormFromReader(const std::string& nameText, const std::string& addressText,
                       const std::string& mask, const std::string& gateway) {
    LanForm f;
    f.mask = mask;
    f.gateway = gateway;
    if (!addressText.empty()) {
        f.mode = LanMode::Fixed;
        f.port = PortAfterDash(addressText, 0, 10001);
        f.address = addressText.substr(0, addressText.find('-'));
    }
    const size_t close = nameText.find(']');
    if (!nameText.empty() && nameText[0] == '[' && close != std::string::npos) {
        f.dhcpName = nameText.substr(1, close - 1);
        if (f.mode == LanMode::Automatic && close + 1 < nameText.size() &&
            nameText[close + 1] == '-')
            f.port = PortAfterDash(nameText, close + 1, f.port);
    } else {
        f.dhcpName = nameText;
    }
    if (f.dhcpName.size() > kDhcpNameMax)
        f.dhcpName.resize(kDhcpNameMax);
    return f;
}

std::string NewAddressText(const LanForm& form) {
    std::string text;
    if (form.mode == LanMode::Fixed) {
        if (form.address.empty() || form.address == "0.0.0.0")
            return {};
        text = form.address;
    } else {
        text = "[" + form.dhcpName + "]";
    }
    return text + "-" + std::to_string(form.port);
}

} // namespace vorex::shell
