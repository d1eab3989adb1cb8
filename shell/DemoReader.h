#pragma once
// The stand-in reader of the demo mode, served in-process on a pseudo-terminal.
#include <QString>
#include <memory>
#include <string>

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

    // The demo scenario file: the installed one, else the source tree's.
    static QString ScenarioPath();

private:
    std::unique_ptr<vsim::ReaderModel> model_;
    std::unique_ptr<vsim::PtyServer> server_;
};

} // namespace vorex::shell
