#include "TagTabs.h"

#include <QGridLayout>
#include <QPushButton>

namespace vorex::iso {

CTagTabs::CTagTabs(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(1);
    group_.setExclusive(true);
    for (int i = 0; i < kTabs; ++i) {
        auto* tab = new QPushButton(this);
        tab->setObjectName(QStringLiteral("tab%1").arg(i));
        tab->setCheckable(true);
        tab->setFixedSize(196, 22);
        tab->setFocusPolicy(Qt::TabFocus);
        tab->setStyleSheet(QStringLiteral(
            "QPushButton { text-align: left; padding: 0 4px; border: 1px solid #9aa3ad;"
            " border-radius: 0; background: #e4e8ec; }"
            "QPushButton:checked { background: white; font-weight: bold; }"));
        group_.addButton(tab, i);
        grid->addWidget(tab, i / 4, i % 4);
    }
    group_.button(0)->setChecked(true);
    connect(&group_, &QButtonGroup::idClicked, this, &CTagTabs::currentChanged);
}

int CTagTabs::currentIndex() const {
    return group_.checkedId();
}

void CTagTabs::setCurrentIndex(int index) {
    if (QAbstractButton* tab = group_.button(index))
        tab->setChecked(true);
}

QString CTagTabs::tabText(int index) const {
    const QAbstractButton* tab = group_.button(index);
    return tab ? tab->text() : QString();
}

void CTagTabs::setTabText(int index, const QString& text) {
    if (QAbstractButton* tab = group_.button(index)) {
        tab->setText(text);
        tab->setToolTip(text.trimmed());
    }
}

} // namespace vorex::iso
