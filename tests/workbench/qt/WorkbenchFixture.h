#pragma once
// What the workbench Qt tests share: a stand-in reader on a pseudo-terminal with an
// open connection to it and what it was sent, and a workbench dialog opened on that
// connection as the view opens it, its controls found by object name.
#include "sim/ReaderModel.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "tests/support/TestSupport.h"
#include <vorex/vorex.h>

#include <QAbstractButton>
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
};

} // namespace vtest
