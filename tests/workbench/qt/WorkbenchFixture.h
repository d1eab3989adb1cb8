#pragma once
// What the workbench Qt tests share: a stand-in reader on a pseudo-terminal with an
// open connection to it and what it was sent, and a workbench dialog opened on that
// connection as the view opens it, its controls found by object name.
#include "sim/ReaderModel.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "tests/support/TestSupport.h"
#include <vorex/vorex.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QtTest>
#include <functional>
#include <memory>

namespace vtest {

struct ReaderField {
    std::unique_ptr<SimReader> sim;
    int handle = 0;

    explicit ReaderField(std::unique_ptr<SimReader> reader) : sim(std::move(reader)) {}
    ~ReaderField() {
        if (handle > 0)
            VOREX_ClosePort(handle);
    }
    ReaderField(const ReaderField&) = delete;
    ReaderField& operator=(const ReaderField&) = delete;

    // Opens the connection the dialog works on (once the reader's cards are in place).
    void Connect() { handle = VOREX_OpenPort(sim->Path().c_str(), 19200, 500); }

    // Requests the reader was sent that match.
    int Count(const std::function<bool(const vsim::Request&)>& match) {
        int n = 0;
        for (const vsim::Request& r : sim->Model().Requests())
            n += match(r) ? 1 : 0;
        return n;
    }
    int Requests(uint8_t command) {
        return Count([command](const vsim::Request& r) { return r.command == command; });
    }
    bool HostMode() {
        auto lock = sim->Model().Lock();
        return sim->Model().Config().hostMode;
    }
};

// A workbench dialog with the shell's settings and texts and a message sink.
template <typename Dlg> struct WorkbenchBench {
    ShellRig rig;
    std::unique_ptr<Dlg> dlg;

    // Hands the dialog its connection (and what else the view passes) and shows it.
    template <typename... Extra>
    void Open(std::unique_ptr<Dlg> made, int handle, Extra... connection) {
        dlg = std::move(made);
        dlg->SetConnection(handle, connection...);
        dlg->show();
    }
    template <typename W> W* Find(const QString& name) const {
        W* w = dlg->template findChild<W*>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    // Clicks as the operator does, near the left edge: check boxes take clicks only on
    // their box and text.
    void Click(const QString& name) const {
        QAbstractButton* button = Find<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    // Clicks without the mouse, also on a control that is not shown.
    void Press(const QString& name) const { Find<QAbstractButton>(name)->click(); }
    // Every control the operator works with (placed on the dialog or in one of its
    // group boxes) has an object name no other control has, and a name that a screen
    // reader says.
    void ExpectNamedControls() const {
        for (QWidget* w : dlg->template findChildren<QWidget*>()) {
            QWidget* parent = w->parentWidget();
            if (parent != dlg.get() && !qobject_cast<QGroupBox*>(parent))
                continue;
            if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) &&
                !qobject_cast<QComboBox*>(w) && !qobject_cast<QPlainTextEdit*>(w) &&
                !qobject_cast<QAbstractItemView*>(w) && !qobject_cast<QProgressBar*>(w))
                continue;
            const QString name = w->objectName();
            const QByteArray what = (w->metaObject()->className() + (" " + name)).toUtf8();
            QVERIFY2(!name.isEmpty(), what.constData());
            QCOMPARE(dlg->template findChildren<QWidget*>(name).size(), 1);
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
            QVERIFY2(accessible && !accessible->text(QAccessible::Name).isEmpty(),
                     what.constData());
        }
    }
};

} // namespace vtest
