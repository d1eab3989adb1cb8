#include "sim/FieldControl.h"

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
    if (!extra.empty() || (verb == "empty") != what.empty())
        return "error usage: card NAME|INDEX|none, tags SET|all|none or empty";
    auto lock = model.Lock();
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
    return "error unknown command \"" + verb + "\" (card, tags or empty)";
}

} // namespace vsim
