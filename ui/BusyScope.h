#pragma once
// For the length of an operation: the wait cursor, and the given window (the main
// window behind a modal workbench) disabled; both restored at the end.
#include <QPointer>
#include <QWidget>

namespace vorex::ui {

class CBusyScope {
public:
    explicit CBusyScope(QWidget* window = nullptr);
    ~CBusyScope();
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

private:
    QPointer<QWidget> disabled_;
};

} // namespace vorex::ui
