// Start-up of the desktop program (offscreen): time until the main window is shown and
// until the reader is identified, through the program's own start-up order.
//
//  shown, silent port  the saved port leads to a stand-in reader that never answers;
//                      baseline: the same start-up identifying before it shows the
//                      window (the former order, which waits for the whole baud-rate
//                      search first). Goal: shown <= 0.3 s.
//  identified          a reader on the saved port at 19200 with the wire-time model;
//                      baselines: the former order, and VOREX_OpenPort,
//                      VOREX_GetVersion and VOREX_ClosePort without any window.
//                      Goal: not slower than the former order.
// Prints seconds and ratios; each figure is the median of several runs.
#include "bench/OffscreenApp.h"
#include "shell/App.h"
#include "shell/MainFrame.h"
#include "shell/ProgrammerView.h"
#include "sim/DeviceCommands.h"
#include "sim/PtyServer.h"
#include "sim/ReaderModel.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vorex::ui;
using namespace vorex::shell;

namespace {

class NoMessages : public IMessages {
public:
    void Show(QWidget*, const QString&, Icon) override {}
    bool AskYesNo(QWidget*, const QString&, Icon) override { return false; }
};

struct Reader {
    explicit Reader(bool silent) : model(Config()), server(model) {
        model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
        if (silent)
            model.InjectFault({.kind = vsim::Fault::Kind::NoAnswer, .times = -1});
        if (!server.Start())
            std::abort();
    }
    static vsim::ReaderConfig Config() {
        vsim::ReaderConfig c;
        c.baud = 19200;
        c.wireTime = true;
        return c;
    }
    vsim::ReaderModel model;
    vsim::PtyServer server;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Seconds(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// Start-up to the window on the screen; the queued identification is dropped with the
// window before it can run.
double Shown(ShellEnv& env) {
    QElapsedTimer t;
    t.start();
    CMainFrame frame(env);
    ShowThenIdentify(frame);
    return Seconds(t);
}

// The former order: identify (and search the baud rates), then show the window.
double FormerOrderShown(ShellEnv& env) {
    QElapsedTimer t;
    t.start();
    CMainFrame frame(env);
    frame.View()->OnInitialUpdate();
    frame.show();
    frame.repaint();
    return Seconds(t);
}

double Identified(ShellEnv& env) {
    QElapsedTimer t;
    t.start();
    CMainFrame frame(env);
    ShowThenIdentify(frame);
    while (frame.View()->DeviceType() == 0 && t.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return Seconds(t);
}

double BareIdentification(const std::string& path) {
    QElapsedTimer t;
    t.start();
    const int handle = VOREX_OpenPort((path + ":1").c_str(), 19200, 500);
    unsigned char id[4];
    VOREX_GetVersion(handle, id, 4);
    VOREX_ClosePort(handle);
    return Seconds(t);
}

} // namespace

int main(int argc, char** argv) {
    const vbench::COffscreenApp app(argc, argv, QStringLiteral("VorexProgrammer"));
    NoMessages messages;
    ShellEnv env;
    env.messages = &messages;
    env.watchDevices = false;
    env.FillDefaults();
    constexpr int kRuns = 7;

    Reader silent(true);
    WriteProfileString("Port", "Name", QString::fromStdString(silent.server.SlavePath()));
    std::vector<double> shown;
    for (int i = 0; i < kRuns; ++i)
        shown.push_back(Shown(env));
    const double formerSilent = FormerOrderShown(env); // one run: it takes the whole search

    Reader reader(false);
    WriteProfileString("Port", "Name", QString::fromStdString(reader.server.SlavePath()));
    std::vector<double> identified, former, direct;
    for (int i = 0; i < kRuns; ++i) {
        direct.push_back(BareIdentification(reader.server.SlavePath()));
        former.push_back(FormerOrderShown(env));
        identified.push_back(Identified(env));
    }

    const double s = Median(shown), id = Median(identified), f = Median(former), d = Median(direct);
    std::printf("start-up -> window shown, silent port:      %.3f s  (goal <= 0.3 s)\n", s);
    std::printf("  former order (identify, then show):        %.3f s\n", formerSilent);
    std::printf("  ratio shown / former order:                %.4f\n", s / formerSilent);
    std::printf("start-up -> reader identified:              %.3f s\n", id);
    std::printf("  former order (identified and shown):       %.3f s\n", f);
    std::printf("  ratio identified / former order:           %.2f  (goal <= 1)\n", id / f);
    std::printf("  bare open + version + close, no window:    %.3f s\n", d);
    return 0;
}
