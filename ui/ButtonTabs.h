#pragma once
// Tabs in several rows: a fixed number of fixed-size checkable buttons ("tab0",
// "tab1", ...), so many per row, exactly one selected. The workbenches use them where
// a tab control of the platform would wrap its tabs into rows.
#include <QButtonGroup>
#include <QWidget>

namespace vorex::ui {

class CButtonTabs : public QWidget {
    Q_OBJECT
public:
    CButtonTabs(int count, int perRow, QSize tabSize, QWidget* parent = nullptr);

    int count() const { return count_; }
    int currentIndex() const;
    // Selects a tab without announcing it (like selecting a tab from code).
    void setCurrentIndex(int index);
    QString tabText(int index) const;
    void setTabText(int index, const QString& text);

signals:
    // The operator chose another tab.
    void currentChanged(int index);

private:
    QButtonGroup group_;
    int count_;
    int shown_ = 0;
};

} // namespace vorex::ui
