#pragma once
// A report grid whose cells are edited in place. Column 0 usually labels the row; each
// column has an edit length (0 = read-only). Enter moves the edit down, Tab and
// Shift+Tab along the row; after every edit the owner hears editEnded(row, column) so
// that it can check the text. The owner may draw cells itself through a callback. The
// grid knows nothing about what its cells mean.
#include <QTableWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>

namespace vorex::ui {

class CInPlaceEdit;

// One cell to draw: the owner returns true when it drew the cell itself.
struct CellPaint {
    QPainter* painter;
    QRect rect;
    int row;
    int column;
    QString text;
};
using DrawCallback = std::function<bool(const CellPaint&)>;

class CEditableListCtrl : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kMaxColumns = 33;
    explicit CEditableListCtrl(QWidget* parent = nullptr);
    ~CEditableListCtrl() override;

    // Column edit settings.
    void ResetColumns();
    void DisableColumns();
    void SetColumnEdit(int column, int length);
    void SetColumnReadOnly(int column);
    int ColumnEditLength(int column) const;
    void SetDrawCallback(DrawCallback callback);
    // Paints one cell through the callback; false when the grid draws it.
    bool DrawThroughCallback(const CellPaint& cell) const;

    int GetColumnCount() const { return columnCount(); }
    // The cell's rectangle in viewport coordinates.
    QRect GetCellRect(int row, int column) const;
    // Row and column under a viewport point; row -1 when there is none.
    std::pair<int, int> HitTestEx(const QPoint& point) const;
    // Makes row the focused and selected row in place of the focused one.
    void SelectRow(int row);
    // Opens the edit at the first editable column from `column` on: direction 1 to the
    // right, 2 to the left, else only that column. False when none is editable.
    bool EditCell(int row, int column, int direction);
    void EditSubLabel(int row, int column);

    QString CellText(int row, int column) const;
    void SetCellText(int row, int column, const QString& text);
    // Appends a row whose column 0 shows label.
    int AppendRow(const QString& label);
    // The open edit box, if any.
    CInPlaceEdit* ActiveEdit() const { return edit_; }

signals:
    // An in-place edit of the cell ended (also when cancelled with Esc).
    void editEnded(int row, int column);
    // A key went down on the grid itself (not in an edit box).
    void keyDown(int key);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void OnEditEnded(int row, int column, const QString& text, bool cancelled, int exitFlags);

    std::array<uint8_t, kMaxColumns> editLength_{};
    DrawCallback draw_;
    CInPlaceEdit* edit_ = nullptr;
    // Only an Enter pressed on the grid itself opens an edit when released (not the
    // release of an Enter that ended an edit box).
    bool enterPressed_ = false;
};

} // namespace vorex::ui
