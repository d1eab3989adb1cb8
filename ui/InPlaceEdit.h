#pragma once
// The edit box a block grid opens over one cell. Esc, Enter, Tab and Shift+Tab end the
// edit and say how it ended; so does losing the focus. It reports once and then
// deletes itself.
#include <QLineEdit>

namespace vorex::ui {

class CInPlaceEdit : public QLineEdit {
    Q_OBJECT
public:
    // Exit-key flags of the report.
    static constexpr int kTab = 0x1000;
    static constexpr int kShift = 0x2000;
    static constexpr int kEnter = 0x4000;

    // parent: the grid's viewport; grid: takes the focus when a key ends the edit.
    CInPlaceEdit(int row, int column, const QString& text, int maxLength, QWidget* parent,
                 QWidget* grid);

    int Row() const { return row_; }
    int Column() const { return column_; }

signals:
    // text is null when the edit was cancelled with Esc.
    void editEnded(int row, int column, const QString& text, bool cancelled, int exitFlags);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void EndByKey();
    void Finish();
    void WidenToText();

    int row_;
    int column_;
    QString initial_;
    QWidget* grid_;
    bool cancelled_ = false;
    bool enter_ = false;
    bool shift_ = false;
    bool tab_ = false;
    bool finished_ = false;
};

} // namespace vorex::ui
