// vorexctl update-check: what the update server offers for this program and for the
// connected reader's firmware, found with the program's own update check.
#include "cli/Cli.h"
#include "update/UpdateService.h"

#include <vorex/vorex.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace vorexctl {
namespace {

namespace up = vorex::update;
using nlohmann::json;

const char* StatusName(up::Verdict verdict) {
    switch (verdict) {
    case up::Verdict::Update:
        return "update";
    case up::Verdict::Current:
        return "current";
    case up::Verdict::NoFile:
        return "no-file";
    case up::Verdict::NoConnection:
        return "no-connection";
    case up::Verdict::Empty:
        break;
    }
    return "none";
}

json Describe(up::Verdict verdict, const up::Offer& offer, const up::CUpdateCheck& check) {
    json j{{"status", StatusName(verdict)}, {"file", check.Url().toString().toStdString()}};
    if (verdict == up::Verdict::Update)
        j["offer"] = {
            {"version", offer.version}, {"build", offer.build}, {"installer", offer.installer}};
    if (verdict == up::Verdict::NoConnection)
        j["error"] = check.Source().Error();
    return j;
}

void PrintText(const char* what, const std::string& current, const json& j) {
    std::printf("%-8s %s: %s", what, current.c_str(), j["status"].get<std::string>().c_str());
    if (j.contains("offer")) {
        const json& offer = j["offer"];
        std::printf(" -> %s", Printable(offer["version"].get<std::string>()).c_str());
        if (!offer["build"].get<std::string>().empty())
            std::printf(" (%s)", Printable(offer["build"].get<std::string>()).c_str());
        std::printf(" %s", Printable(offer["installer"].get<std::string>()).c_str());
    }
    if (j.contains("error"))
        std::printf(" (%s)", Printable(j["error"].get<std::string>()).c_str());
    std::printf("\n");
}

// Firmware code (type digits and revision character) and model of the reader at --port;
// false after printing why it could not be identified.
bool IdentifyReader(const GlobalOptions& o, std::string& code, std::string& model) {
    ReaderHandle h(o);
    if (!h)
        return false;
    unsigned char id[4];
    if (VOREX_GetVersion(h.get(), id, sizeof id) != 4) {
        ReportLastError(o, h.get(), "identification");
        return false;
    }
    code.assign(reinterpret_cast<const char*>(id), 4);
    char name[64] = {};
    model = VOREX_GetDeviceName(h.get(), name, sizeof name) > 0 ? name : "";
    return true;
}

} // namespace

int RunUpdateCheck(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (!args.empty())
        return UsageError(o, "update-check takes no arguments");
    std::string code;
    std::string model;
    const bool withReader = !o.port.empty();
    if (withReader && !IdentifyReader(o, code, model))
        return 1;

    int argc = 1;
    char name[] = "vorexctl";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    up::CUpdateService updates;
    if (withReader)
        updates.DeviceIdentified(QString::fromStdString(code), QString::fromStdString(model),
                                 false);
    QEventLoop loop;
    auto quitWhenDone = [&] {
        if (!updates.Program().IsRunning() && !updates.Reader().IsRunning())
            loop.quit();
    };
    QObject::connect(&updates.Program(), &up::CUpdateCheck::finished, &loop, quitWhenDone);
    QObject::connect(&updates.Reader(), &up::CUpdateCheck::finished, &loop, quitWhenDone);
    updates.StartProgram(false);
    if (withReader)
        updates.StartReader();
    if (updates.Program().IsRunning() || updates.Reader().IsRunning())
        loop.exec();

    const up::Verdict programVerdict = updates.ProgramVerdict();
    const json program = Describe(programVerdict, updates.ProgramOffer(), updates.Program());
    const std::string programText = "Vorex Programmer " + updates.OwnVersion().toStdString() +
                                    " (" + updates.OwnBuild().toStdString() + ")";
    json reader = nullptr;
    up::Verdict readerVerdict = up::Verdict::Empty;
    up::CUpdateSource& source = updates.Reader().Source();
    if (withReader) {
        readerVerdict = source.ReaderVerdict();
        reader = Describe(readerVerdict, source.ReaderOffer(), updates.Reader());
        reader["model"] = model;
        reader["device_type"] = code.substr(0, 3);
        reader["firmware"] = source.CurrentVersion();
    }
    const bool failed =
        programVerdict == up::Verdict::NoConnection || readerVerdict == up::Verdict::NoConnection;
    if (o.json) {
        PrintJson({{"ok", !failed},
                   {"program",
                    {{"version", updates.OwnVersion().toStdString()},
                     {"build", updates.OwnBuild().toStdString()}}},
                   {"program_check", program},
                   {"reader", reader}});
    } else {
        PrintText("program", programText, program);
        if (withReader)
            PrintText("reader", model + " V" + source.CurrentVersion(), reader);
    }
    return failed ? 1 : 0;
}

} // namespace vorexctl
