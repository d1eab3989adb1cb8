#include "shell/DemoReader.h"

#include "sim/FieldControl.h"
#include "sim/PtyServer.h"
#include "sim/Scenario.h"
#include "sim/ScenarioFiles.h"

namespace vorex::shell {

CDemoReader::CDemoReader() = default;

CDemoReader::~CDemoReader() {
    if (server_)
        server_->Stop();
}

QString CDemoReader::ScenarioPath() {
    return QString::fromStdString(vsim::FindScenarioFile("demo.json"));
}

bool CDemoReader::Start(QString& error) {
    const QString path = ScenarioPath();
    if (path.isEmpty()) {
        error = QStringLiteral("demo.json not found");
        return false;
    }
    std::string why;
    model_ = vsim::LoadScenarioFile(path.toStdString(), why);
    if (!model_) {
        error = QString::fromStdString(why);
        return false;
    }
    server_ = std::make_unique<vsim::PtyServer>(*model_);
    if (!server_->Start()) {
        error = QString::fromStdString(server_->Error());
        server_.reset();
        return false;
    }
    return true;
}

QString CDemoReader::Path() const {
    return server_ ? QString::fromStdString(server_->SlavePath()) : QString();
}

int CDemoReader::BaudCode() const {
    if (!model_)
        return 19200;
    auto lock = model_->Lock();
    const auto& c = model_->Config();
    return (c.baud != 0 ? static_cast<int>(c.baud) : 19200) + c.format;
}

int CDemoReader::Address() const {
    if (!model_)
        return 1;
    auto lock = model_->Lock();
    return model_->Config().address;
}

bool CDemoReader::ChangeField(const std::string& command) {
    return model_ && vsim::ApplyFieldCommand(*model_, command).rfind("ok ", 0) == 0;
}

} // namespace vorex::shell
