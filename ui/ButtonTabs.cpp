#include "ui/ButtonTabs.h"

#include <QGridLayout>
#include <QPushButton>

namespace vorex::ui {

CButtonTabs::CButtonTabs(int count, int perRow, QSize tabSize, QWidget* parent)
    : QWidget(parent), count_(count) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(1);
    group_.setExclusive(true);
    for (int i = 0; i < count; ++i) {
        auto* tab = new QPushButton(this);
        tab->setObjectName(QStringLiteral("tab%1").arg(i));
        tab->setCheckable(true);
        tab->setFixedSize(tabSize);
        tab->setFocusPolicy(Qt::TabFocus);
        tab->setStyleSheet(QStringLiteral(
            "QPushButton { text-align: left; padding: 0 3px; border: 1px solid #9aa3ad;"
            " border-radius: 0; background: #e4e8ec; }"
            "QPushButton:checked { background: white; border: 2px solid #3a7bd5; }"));
        group_.addButton(tab, i);
        grid->addWidget(tab, i / perRow, i % perRow);
    }
    if (count > 0)
        group_.button(0)->setChecked(true);
    // Only a click on another tab changes the selection.
    connect(&group_, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == shown_)
            return;
        shown_ = id;
        emit currentChanged(id);
    });
}

int CButtonTabs::currentIndex() const {
    return group_.checkedId();
}

void CButtonTabs::setCurrentIndex(int index) {
    if (QAbstractButton* tab = group_.button(index)) {
        tab->setChecked(true);
        shown_ = index;
    }
}

QString CButtonTabs::tabText(int index) const {
    const QAbstractButton* tab = group_.button(index);
    return tab ? tab->text() : QString();
}

void CButtonTabs::setTabText(int index, const QString& text) {
    if (QAbstractButton* tab = group_.button(index)) {
        tab->setText(text);
        tab->setToolTip(text.trimmed());
    }
}

} // namespace vorex::ui
