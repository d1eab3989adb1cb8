// The block grid's in-place editing: opening an edit, moving it with Enter, Tab and
// Shift+Tab, Esc, the end-of-edit notification, clicks and the owner's draw callback.
#include "ui/EditableListCtrl.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "ui/InPlaceEdit.h"

#include <QHeaderView>
#include <QPainter>
#include <QSignalSpy>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace editable_list_ctrl_test {

using vorex::ui::CEditableListCtrl;
using vorex::ui::CInPlaceEdit;

namespace {

// Three rows, a read-only label column and three data columns of 11 characters.
struct Grid {
    QWidget window;
    CEditableListCtrl* grid;
    QList<QPair<int, int>> ended;
    Grid() {
        window.resize(500, 300);
        grid = new CEditableListCtrl(&window);
        grid->setGeometry(0, 0, 500, 300);
        grid->setColumnCount(4);
        for (int c = 0; c < 4; ++c)
            grid->setColumnWidth(c, 100);
        for (const char* label : {"00 - 02", "03 - 05", "06 - 08"}) {
            const int row = grid->AppendRow(label);
            for (int c = 1; c < 4; ++c)
                grid->SetCellText(row, c, QString("%1%2").arg(row).arg(c));
        }
        grid->DisableColumns();
        for (int c = 1; c < 4; ++c)
            grid->SetColumnEdit(c, 11);
        QObject::connect(grid, &CEditableListCtrl::editEnded,
                         [this](int r, int c) { ended << qMakePair(r, c); });
        window.show();
        QApplication::setActiveWindow(&window);
        (void)QTest::qWaitForWindowActive(&window);
    }
    CInPlaceEdit* Edit() const { return grid->ActiveEdit(); }
    // The cell of the open edit box, or (-1, -1).
    QPair<int, int> Editing() const {
        return Edit() ? qMakePair(Edit()->Row(), Edit()->Column()) : qMakePair(-1, -1);
    }
    void Type(const QString& text, Qt::Key end, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        CInPlaceEdit* edit = Edit();
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, end, mods);
    }
};

} // namespace

class EditableListCtrlTest : public QObject {
    Q_OBJECT

private slots:
    void keysMoveTheEdit_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("nextRow");
        QTest::addColumn<int>("nextColumn");
        QTest::addColumn<int>("selectedRow");
        // Enter: same column one row down; in the last row the edit ends.
        QTest::newRow("enter") << 0 << 2 << int(Qt::Key_Return) << 0 << 1 << 2 << 1;
        QTest::newRow("enter last row") << 2 << 2 << int(Qt::Key_Return) << 0 << -1 << -1 << 2;
        // Tab: next editable column, at the row's end the next row's first editable one.
        QTest::newRow("tab") << 0 << 1 << int(Qt::Key_Tab) << 0 << 0 << 2 << -1;
        QTest::newRow("tab row end") << 0 << 3 << int(Qt::Key_Tab) << 0 << 1 << 1 << 1;
        QTest::newRow("tab last cell") << 2 << 3 << int(Qt::Key_Tab) << 0 << -1 << -1 << 2;
        // Shift+Tab: to the left, at the row's start the previous row's last cell.
        QTest::newRow("backtab") << 1 << 2 << int(Qt::Key_Tab) << 1 << 1 << 1 << -1;
        QTest::newRow("backtab row start") << 1 << 1 << int(Qt::Key_Tab) << 1 << 0 << 3 << 0;
        QTest::newRow("backtab first cell") << 0 << 1 << int(Qt::Key_Tab) << 1 << -1 << -1 << -1;
    }

    void keysMoveTheEdit() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, key);
        QFETCH(int, shift);
        QFETCH(int, nextRow);
        QFETCH(int, nextColumn);
        QFETCH(int, selectedRow);
        Grid g;
        g.grid->SelectRow(row);
        g.grid->EditSubLabel(row, column);
        QCOMPARE(g.Editing(), qMakePair(row, column));
        g.Type("AB", Qt::Key(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(g.grid->CellText(row, column), QString("AB"));
        QCOMPARE(g.ended, (QList<QPair<int, int>>{qMakePair(row, column)}));
        QCOMPARE(g.Editing(), qMakePair(nextRow, nextColumn));
        if (selectedRow >= 0)
            QCOMPARE(g.grid->currentRow(), selectedRow);
        QCOMPARE(g.grid->rowCount(), 3); // Enter in the last row adds nothing
        if (nextRow >= 0) {
            // The next edit shows that cell's text, all selected.
            QCOMPARE(g.Edit()->text(), g.grid->CellText(nextRow, nextColumn));
            QCOMPARE(g.Edit()->selectedText(), g.Edit()->text());
        }
    }

    void escKeepsTheTextButNotifies() {
        Grid g;
        g.grid->EditSubLabel(1, 2);
        g.Type("ZZ", Qt::Key_Escape);
        QCOMPARE(g.grid->CellText(1, 2), QString("12"));
        QCOMPARE(g.ended, (QList<QPair<int, int>>{qMakePair(1, 2)}));
        QCOMPARE(g.Editing(), qMakePair(-1, -1));
    }

    void editLengthLimitsTheText() {
        Grid g;
        g.grid->SetColumnEdit(2, 3);
        g.grid->EditSubLabel(0, 2);
        g.Type("123456", Qt::Key_Return);
        QCOMPARE(g.grid->CellText(0, 2), QString("123"));
    }

    void readOnlyColumnsAreSkipped() {
        Grid g;
        // Enter on the grid starts at column 0, which is read-only: column 1 opens.
        g.grid->SelectRow(1);
        g.grid->setFocus();
        QTest::keyClick(g.grid, Qt::Key_Return);
        QCOMPARE(g.Editing(), qMakePair(1, 1));
        QTest::keyClick(g.Edit(), Qt::Key_Escape);
        g.grid->SetColumnReadOnly(3);
        QVERIFY(!g.grid->EditCell(0, 3, 0));
        QVERIFY(g.grid->EditCell(0, 3, 2));
        QCOMPARE(g.Editing(), qMakePair(0, 2));
        QTest::keyClick(g.Edit(), Qt::Key_Escape);
        g.grid->DisableColumns();
        QVERIFY(!g.grid->EditCell(0, 0, 1));
        QVERIFY(g.Edit() == nullptr);
        // Cells outside the grid open nothing.
        g.grid->ResetColumns();
        g.grid->EditSubLabel(7, 1);
        g.grid->EditSubLabel(0, 9);
        QVERIFY(g.Edit() == nullptr);
        g.grid->horizontalHeader()->setMinimumSectionSize(0);
        g.grid->setColumnWidth(2, 4);
        g.grid->EditSubLabel(0, 2);
        QVERIFY(g.Edit() == nullptr);
    }

    void clickSelectsThenEdits() {
        Grid g;
        g.grid->SelectRow(0);
        const QPoint cell = g.grid->GetCellRect(2, 2).center();
        QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(g.grid->currentRow(), 2);
        QVERIFY(g.Edit() == nullptr);
        QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(g.Editing(), qMakePair(2, 2));
        // A click elsewhere ends the edit (and notifies).
        QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, {},
                          g.grid->GetCellRect(0, 1).center());
        QTRY_COMPARE(g.ended, (QList<QPair<int, int>>{qMakePair(2, 2)}));
    }

    void longTextWidensUpToTheGridEdge() {
        Grid g;
        g.grid->SetColumnEdit(3, 200);
        g.grid->EditSubLabel(0, 3);
        const int start = g.Edit()->width();
        QTest::keyClicks(g.Edit(), QString(80, 'W'));
        QVERIFY(g.Edit()->width() > start);
        QVERIFY(g.Edit()->geometry().right() < g.grid->viewport()->width());
    }

    void drawCallbackTakesOverCells() {
        Grid g;
        QList<QPair<int, int>> drawn;
        g.grid->SetDrawCallback([&](const vorex::ui::CellPaint& cell) {
            drawn << qMakePair(cell.row, cell.column);
            if (cell.row == 1 && cell.column == 1) {
                cell.painter->fillRect(cell.rect, Qt::yellow);
                return true;
            }
            return false;
        });
        const QImage shot = g.grid->viewport()->grab().toImage();
        QVERIFY(drawn.contains(qMakePair(1, 1)));
        QVERIFY(drawn.contains(qMakePair(0, 0)));
        const QRect own = g.grid->GetCellRect(1, 1);
        QCOMPARE(shot.pixelColor(own.center()), QColor(Qt::yellow));
        QVERIFY(shot.pixelColor(g.grid->GetCellRect(1, 2).center()) != QColor(Qt::yellow));
    }
};

VOREX_QTEST_REGISTER(EditableListCtrlTest)
} // namespace editable_list_ctrl_test
#include "EditableListCtrlTest.moc"
