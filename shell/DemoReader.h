#pragma once
// The stand-in reader of the demo mode, served in-process on a pseudo-terminal.
#include <QString>
#include <memory>
#include <string>
#include <vector>

namespace vsim {
class ReaderModel;
class PtyServer;
} // namespace vsim

namespace vorex::shell {

class CDemoReader {
public:
    CDemoReader();
    ~CDemoReader();
    // Loads the demo scenario and starts serving; false with `error` set on failure.
    bool Start(QString& error);
    QString Path() const;
    int BaudCode() const;
    int Address() const;
    // Changes what is in the reader's field ("card NAME", "tags SET", "empty"); false
    // when the reader does not run or refuses the command.
    bool ChangeField(const std::string& command);

    // What the demo scenario can put in the field: its ISO 14443 cards by name, and
    // its ISO 15693 tag sets with "all" and "none".
    std::vector<std::string> CardNames() const;
    std::vector<std::string> TagSetNames() const;
    // The card in the field ("" for none) and the tag set last put there.
    std::string CardInField() const;
    const std::string& TagsInField() const { return tags_; }
    // Before a workbench (menu command id) opens: unless the field already holds a card
    // or tags it works with, puts the first fitting one of the scenario there.
    void FitFieldFor(int command);

    // The demo scenario file: the installed one, else the source tree's.
    static QString ScenarioPath();

private:
    std::unique_ptr<vsim::ReaderModel> model_;
    std::unique_ptr<vsim::PtyServer> server_;
    std::string tags_ = "all";
};

} // namespace vorex::shell
