#pragma once
// The tag tabs of the ISO 15693 workbench: always 16 fixed-width tabs in rows of four,
// one per tag slot, exactly one selected.
#include <QButtonGroup>
#include <QWidget>

namespace vorex::iso {

class CTagTabs : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTabs = 16;
    explicit CTagTabs(QWidget* parent = nullptr);

    int count() const { return kTabs; }
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
    int shown_ = 0;
};

} // namespace vorex::iso
