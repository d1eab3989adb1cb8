#pragma once
// The tag tabs of the ISO 15693 workbench: always 16 fixed-width tabs in rows of four,
// one per tag slot, exactly one selected.
#include "ui/ButtonTabs.h"

#include <QApplication>
#include <QFontMetrics>
#include <algorithm>

namespace vorex::wb::iso {

class CTagTabs : public ui::CButtonTabs {
    Q_OBJECT
public:
    static constexpr int kTabs = 16;
    explicit CTagTabs(QWidget* parent = nullptr) : CButtonTabs(kTabs, 4, TabSize(), parent) {}

private:
    // Wide enough for the longest caption in the program's font (the widest digits,
    // plus the tab's padding and checked border), never narrower than 238 pixels.
    static QSize TabSize() {
        const QFontMetrics metrics(QApplication::font());
        const int text = std::max(
            metrics.horizontalAdvance(QStringLiteral("16 - ICode SLIX2 S26 - DDDDDDDDDDDD")),
            metrics.horizontalAdvance(QStringLiteral("16 - Unknown: 255 - DDDDDDDDDDDD")));
        return {std::max(238, text + 2 * (3 + 2) + 6), 22};
    }
};

} // namespace vorex::wb::iso
