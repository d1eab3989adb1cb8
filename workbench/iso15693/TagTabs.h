#pragma once
// The tag tabs of the ISO 15693 workbench: always 16 fixed-width tabs in rows of four,
// one per tag slot, exactly one selected.
#include "ui/ButtonTabs.h"

namespace vorex::wb::iso {

class CTagTabs : public ui::CButtonTabs {
    Q_OBJECT
public:
    static constexpr int kTabs = 16;
    // Wide enough for "16 - ICode SLIX2 S26 - 0123456789AB".
    explicit CTagTabs(QWidget* parent = nullptr) : CButtonTabs(kTabs, 4, QSize(238, 22), parent) {}
};

} // namespace vorex::wb::iso
