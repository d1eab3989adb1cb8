#include "ui/EditableListCtrl.h"

#include "ui/InPlaceEdit.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace vorex::ui {

namespace {

// Hands each cell to the owner's draw callback first.
class CCellDelegate : public QStyledItemDelegate {
public:
    explicit CCellDelegate(CEditableListCtrl* grid) : QStyledItemDelegate(grid), grid_(grid) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const CellPaint cell{painter, option.rect, index.row(), index.column(),
                             index.data().toString()};
        if (!grid_->DrawThroughCallback(cell))
            QStyledItemDelegate::paint(painter, option, index);
    }

private:
    CEditableListCtrl* grid_;
};

} // namespace

CEditableListCtrl::CEditableListCtrl(QWidget* parent) : QTableWidget(parent) {
    editLength_.fill(255);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    setItemDelegate(new CCellDelegate(this));
    // Scrolling ends an open edit first.
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        connect(bar, &QScrollBar::actionTriggered, this, [this] { setFocus(); });
}

CEditableListCtrl::~CEditableListCtrl() {
    // An edit box still open goes without reporting to a grid that is going.
    if (edit_)
        edit_->disconnect(this);
}

void CEditableListCtrl::ResetColumns() {
    editLength_.fill(255);
}

void CEditableListCtrl::DisableColumns() {
    editLength_.fill(0);
}

void CEditableListCtrl::SetColumnEdit(int column, int length) {
    if (column >= 0 && column < kMaxColumns)
        editLength_[static_cast<size_t>(column)] = static_cast<uint8_t>(std::clamp(length, 1, 255));
}

void CEditableListCtrl::SetColumnReadOnly(int column) {
    if (column >= 0 && column < kMaxColumns)
        editLength_[static_cast<size_t>(column)] = 0;
}

int CEditableListCtrl::ColumnEditLength(int column) const {
    return column >= 0 && column < kMaxColumns ? editLength_[static_cast<size_t>(column)] : 0;
}

void CEditableListCtrl::SetDrawCallback(DrawCallback callback) {
    draw_ = std::move(callback);
    viewport()->update();
}

bool CEditableListCtrl::DrawThroughCallback(const CellPaint& cell) const {
    return draw_ && draw_(cell);
}

QRect CEditableListCtrl::GetCellRect(int row, int column) const {
    return visualRect(model()->index(row, column));
}

std::pair<int, int> CEditableListCtrl::HitTestEx(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    if (!index.isValid())
        return {-1, -1};
    return {index.row(), index.column()};
}

void CEditableListCtrl::SelectRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    QItemSelectionModel* selection = selectionModel();
    const int focused = currentRow();
    if (focused >= 0 && focused != row)
        selection->select(model()->index(focused, 0),
                          QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    selection->setCurrentIndex(model()->index(row, 0),
                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    scrollTo(model()->index(row, 0));
}

bool CEditableListCtrl::EditCell(int row, int column, int direction) {
    const int count = columnCount();
    auto open = [&](int c) {
        if (c < 0 || c >= count || ColumnEditLength(c) == 0)
            return false;
        EditSubLabel(row, c);
        return true;
    };
    if (direction == 1) {
        for (int c = std::max(column, 0); c < count; ++c)
            if (open(c))
                return true;
        return false;
    }
    if (direction == 2) {
        for (int c = std::min(column, count - 1); c >= 0; --c)
            if (open(c))
                return true;
        return false;
    }
    return open(column);
}

void CEditableListCtrl::EditSubLabel(int row, int column) {
    if (row < 0 || row >= rowCount())
        return;
    if (column < 0 || column >= columnCount() || columnWidth(column) <= 4)
        return;
    const QModelIndex index = model()->index(row, column);
    // A partly hidden cell is scrolled into view first.
    scrollTo(index);
    QRect rect = GetCellRect(row, column);
    if (rect.left() < 0 || rect.left() > viewport()->width()) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + rect.left());
        rect = GetCellRect(row, column);
    }
    Qt::Alignment align = Qt::AlignLeft;
    if (const QTableWidgetItem* header = horizontalHeaderItem(column)) {
        const int a = header->textAlignment();
        if (a & Qt::AlignRight)
            align = Qt::AlignRight;
        else if (a & Qt::AlignHCenter)
            align = Qt::AlignHCenter;
    }
    rect.setLeft(rect.left() + 4);
    rect.setRight(std::min(rect.right(), viewport()->width() - 1));
    auto* edit = new CInPlaceEdit(row, column, CellText(row, column), ColumnEditLength(column),
                                  viewport(), this);
    edit->setAlignment(align | Qt::AlignVCenter);
    edit->setFont(font());
    edit->setGeometry(rect);
    connect(edit, &CInPlaceEdit::editEnded, this, &CEditableListCtrl::OnEditEnded);
    connect(edit, &QObject::destroyed, this, [this, edit] {
        if (edit_ == edit)
            edit_ = nullptr;
    });
    edit_ = edit;
    edit->show();
    edit->setFocus();
    edit->selectAll();
}

void CEditableListCtrl::OnEditEnded(int row, int column, const QString& text, bool cancelled,
                                    int exitFlags) {
    if (edit_ && edit_ == sender())
        edit_ = nullptr;
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    if (!cancelled)
        SetCellText(row, column, text);
    const bool lastRow = row == rowCount() - 1;
    if (exitFlags & CInPlaceEdit::kEnter) {
        if (lastRow) {
            SelectRow(row);
        } else {
            SelectRow(row + 1);
            EditCell(row + 1, column, 1);
        }
    } else if ((exitFlags & CInPlaceEdit::kTab) && !(exitFlags & CInPlaceEdit::kShift)) {
        if (!EditCell(row, column + 1, 1)) {
            if (lastRow) {
                SelectRow(row);
            } else {
                SelectRow(row + 1);
                EditCell(row + 1, 0, 1);
            }
        }
    } else if (exitFlags & CInPlaceEdit::kTab) {
        if (!EditCell(row, column - 1, 2) && row > 0) {
            SelectRow(row - 1);
            EditCell(row - 1, columnCount() - 1, 2);
        }
    }
    emit editEnded(row, column);
}

QString CEditableListCtrl::CellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CEditableListCtrl::SetCellText(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
    else
        setItem(row, column, new QTableWidgetItem(text));
}

int CEditableListCtrl::AppendRow(const QString& label) {
    const int row = rowCount();
    insertRow(row);
    auto* cell = new QTableWidgetItem(label);
    cell->setTextAlignment(Qt::AlignCenter);
    setItem(row, 0, cell);
    return row;
}

void CEditableListCtrl::mousePressEvent(QMouseEvent* event) {
    setFocus(); // an open edit ends first
    const int focused = currentRow();
    QTableWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const auto [row, column] = HitTestEx(event->position().toPoint());
    // A click on another row only selects it; a click on the focused row edits.
    if (row < 0 || row != focused)
        return;
    if (ColumnEditLength(column) != 0)
        EditSubLabel(row, column);
}

void CEditableListCtrl::keyPressEvent(QKeyEvent* event) {
    emit keyDown(event->key());
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter)
        enterPressed_ = true;
    // Enter opens an edit on release; it is not passed on to the dialog's default button.
    if (event->key() == Qt::Key_Space || enter) {
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void CEditableListCtrl::keyReleaseEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !event->isAutoRepeat() && enterPressed_) {
        enterPressed_ = false;
        EditCell(currentRow(), 0, 1);
    }
    QTableWidget::keyReleaseEvent(event);
}

} // namespace vorex::ui
