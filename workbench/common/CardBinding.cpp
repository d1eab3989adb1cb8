#include "workbench/common/CardBinding.h"

#include "workbench/common/TextIds.h"

#include <algorithm>
#include <cstdio>

namespace vorex::wb {

std::string UidText(const std::vector<uint8_t>& uid, UidOrder order) {
    std::string text;
    char pair[3];
    auto put = [&](uint8_t b) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    };
    if (order == UidOrder::LsbFirst)
        std::for_each(uid.rbegin(), uid.rend(), put);
    else
        std::for_each(uid.begin(), uid.end(), put);
    return text;
}

BindingCheck CardBinding::Check(const std::vector<uint8_t>& present) const {
    if (present.empty()) {
        if (!Bound())
            return {false, {kTextNoCardInField, {}}};
        return {false, {kTextBoundCardMissing, {UidText(uid_, order_)}}};
    }
    if (!Bound() || present == uid_)
        return {true, {}};
    return {false, {kTextOtherCardInField, {UidText(uid_, order_), UidText(present, order_)}}};
}

BindingCheck CardBinding::CheckInventory(const std::vector<std::vector<uint8_t>>& field) const {
    if (!Bound())
        return field.empty() ? Check({}) : BindingCheck{true, {}};
    const bool there = std::find(field.begin(), field.end(), uid_) != field.end();
    return Check(there ? uid_ : std::vector<uint8_t>{});
}

} // namespace vorex::wb
