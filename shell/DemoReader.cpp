#include "shell/DemoReader.h"

#include "sim/FieldControl.h"
#include "sim/Iso14443Commands.h"
#include "sim/Iso15693Tags.h"
#include "sim/PtyServer.h"
#include "sim/Scenario.h"
#include "sim/ScenarioFiles.h"

#include <algorithm>

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
    if (!model_ || vsim::ApplyFieldCommand(*model_, command).rfind("ok ", 0) != 0)
        return false;
    if (command == "empty")
        tags_ = "none";
    else if (command.rfind("tags ", 0) == 0)
        tags_ = command.substr(5);
    return true;
}

namespace {

// A card's name in field commands: the name it was given, else its index.
std::string NameOf(vsim::Iso14443Commands& cards, size_t index) {
    return cards.CardName(index).empty() ? std::to_string(index) : cards.CardName(index);
}

} // namespace

std::vector<std::string> CDemoReader::CardNames() const {
    std::vector<std::string> names;
    if (!model_)
        return names;
    auto lock = model_->Lock();
    if (auto* cards = model_->FindCommandSet<vsim::Iso14443Commands>())
        for (size_t i = 0; i < cards->CardCount(); ++i)
            names.push_back(NameOf(*cards, i));
    return names;
}

std::vector<std::string> CDemoReader::TagSetNames() const {
    std::vector<std::string> names;
    if (!model_)
        return names;
    auto lock = model_->Lock();
    if (auto* tags = model_->FindCommandSet<vsim::Iso15693Commands>()) {
        names = {"all"};
        for (const auto& set : tags->Sets())
            names.push_back(set.first);
        names.push_back("none");
    }
    return names;
}

std::string CDemoReader::CardInField() const {
    if (!model_)
        return {};
    auto lock = model_->Lock();
    auto* cards = model_->FindCommandSet<vsim::Iso14443Commands>();
    if (!cards || cards->Field() < 0)
        return {};
    return NameOf(*cards, static_cast<size_t>(cards->Field()));
}

namespace {

// The card types a workbench works with, the one to put in the field first.
std::vector<std::string> FittingTypes(int command) {
    switch (command) {
    case 40002:
        return {"classic1k"};
    case 40003:
        return {"classic4k"};
    case 40004:
        return {"ultralight"};
    case 40005:
        return {"ntag213", "ntag215", "ntag216", "type2", "ultralight"};
    default:
        return {};
    }
}

} // namespace

void CDemoReader::FitFieldFor(int command) {
    if (!model_)
        return;
    if (command == 40001) {
        if (tags_ == "none")
            ChangeField("tags all");
        return;
    }
    const std::vector<std::string> types = FittingTypes(command);
    if (types.empty())
        return;
    auto lock = model_->Lock();
    auto* cards = model_->FindCommandSet<vsim::Iso14443Commands>();
    if (!cards)
        return;
    auto typeOf = [cards](int index) { return cards->Card(static_cast<size_t>(index)).TypeName(); };
    auto fits = [&](int index, size_t upTo) {
        return index >= 0 && std::find(types.begin(), types.begin() + static_cast<long>(upTo),
                                       typeOf(index)) != types.begin() + static_cast<long>(upTo);
    };
    if (fits(cards->Field(), types.size()))
        return;
    // The first card of the preferred type, else of any fitting type.
    for (size_t upTo = 1; upTo <= types.size(); ++upTo)
        for (int i = 0; i < static_cast<int>(cards->CardCount()); ++i)
            if (fits(i, upTo)) {
                cards->SetField(i);
                return;
            }
}

} // namespace vorex::shell
