#include "sim/FieldControl.h"

#include "sim/Conveyor.h"
#include "sim/Iso14443Commands.h"
#include "sim/Iso15693Tags.h"

#include <sstream>

namespace vsim {

std::string ApplyFieldCommand(ReaderModel& model, const std::string& line) {
    std::istringstream in(line);
    std::string verb, what, extra;
    in >> verb >> what >> extra;
    if (verb.empty() || verb[0] == '#')
        return "";
    const bool bare = verb == "empty" || verb == "next";
    if (!extra.empty() || bare != what.empty())
        return "error usage: card NAME|INDEX|none, tags SET|all|none, empty or next";
    auto lock = model.Lock();
    if (verb == "next") {
        auto* conveyor = model.FindCommandSet<Conveyor>();
        return conveyor ? conveyor->Next(model) : "error the scenario has no conveyor";
    }
    auto* cards = model.FindCommandSet<Iso14443Commands>();
    auto* tags = model.FindCommandSet<Iso15693Commands>();
    if (verb == "empty") {
        if (cards)
            cards->SetField(-1);
        if (tags)
            tags->PutSetInField("none");
        return "ok empty";
    }
    if (verb == "card") {
        if (!cards)
            return "error the scenario has no iso14443 section";
        const int index = what == "none" ? -1 : cards->FindCard(what);
        if (index < 0 && what != "none")
            return "error no card \"" + what + "\"";
        cards->SetField(index);
        return "ok card " + what;
    }
    if (verb == "tags") {
        if (!tags)
            return "error the scenario has no iso15693 section";
        if (!tags->PutSetInField(what))
            return "error no tag set \"" + what + "\"";
        return "ok tags " + what;
    }
    return "error unknown command \"" + verb + "\" (card, tags, empty or next)";
}

} // namespace vsim
