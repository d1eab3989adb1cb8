#pragma once
// What the MIFARE Ultralight and NFC Type 2 workbenches do alike around a write: the
// tag is selected and must be the one whose pages the dialog shows, ASCII texts must
// have a single-byte code for every character, each page is written with its
// read-back, and the end message names every page that was not written.
#include "cards/ClassicCard.h"
#include "workbench/common/CardBinding.h"
#include "workbench/common/PendingEdits.h"
#include "workbench/common/WorkbenchDlg.h"
#include "workbench/common/WriteReport.h"

#include <optional>
#include <utility>
#include <vector>

namespace vorex::ui {
struct ShellEnv;
}

namespace vorex::wb::nfc {

class CPageTagDlg : public CWorkbenchDlg {
    Q_OBJECT
public:
    // The UID of the tag whose pages are shown (empty when none), for tests.
    const std::vector<uint8_t>& BoundUid() const { return binding_.Uid(); }

protected:
    CPageTagDlg(ui::ShellEnv& env, QWidget* parent);

    ui::ShellEnv& Env() { return env_; }
    CardBinding& Binding() { return binding_; }
    // The UID as vorexctl shows it: hexadecimal in the order of the select answer.
    static QString UidText(const std::vector<uint8_t>& uid);

    // Host mode on before the window appears.
    void BeforeFirstShow() override;

    // Before a write, in ASCII mode: the texts of the pages to be written (page, text).
    // False, with the page and the character named, when a character has no single-byte
    // code; nothing may be written then.
    bool AsciiWritable(const std::vector<std::pair<int, QString>>& pages);
    // Before the display leaves ASCII mode: false, with the page and character named
    // and the radios set back, when a text would lose a character that has no
    // single-byte code (it would turn into "?").
    bool AsciiSwitchable(const std::vector<std::pair<int, QString>>& pages);
    // Selects the tag for a write: false, with the reason shown, when no tag answers,
    // when it is another tag than the one whose pages are shown (both UIDs named), or
    // when it is no page tag. `card` is the tag that answered.
    bool SelectForWrite(cards::mifare::CardInfo& card);
    // Writes one page with its read-back check: true when written, else false with the
    // page and the cause in the status pane and the report.
    bool WriteOnePage(int page, const std::vector<uint8_t>& data, WriteReport& report);
    // A page that was to be written but was not (cause shown in the status pane).
    void NotWritten(int page, const QString& cause, WriteReport& report);
    // The end message: nothing when nothing was tried; a box naming every page not
    // written and why; success in the status pane, and also in a box when successBox.
    void EndWrite(const WriteReport& report, bool successBox);

    // The edits not written yet (the texts shown taken first).
    virtual PendingEdits Pending() = 0;
    // Before an operator's action that replaces the pages shown: true when there are no
    // unwritten edits or the operator agrees to discard them (default No).
    bool MayDiscardEdits(GridAction action);
    // Closing asks before unwritten edits go.
    bool MayClose() override { return MayDiscardEdits(GridAction::Close); }
    // A cyclic read while edits wait leaves the pages shown: a tag that left (`present`
    // false) or another tag in the field than `shown` is said once.
    void NoteKeptEdits(bool present, const std::vector<uint8_t>& shown,
                       const std::vector<uint8_t>& inField);
    void ForgetKeptEditsNote() { keptNote_ = {}; }

private:
    // The first page text with a character without single-byte code, in ASCII mode.
    struct Unencodable {
        int page = -1;
        TextRef refusal; // RefusalText of the character
    };
    Unencodable FindUnencodable(const std::vector<std::pair<int, QString>>& pages) const;

    ui::ShellEnv& env_;
    CardBinding binding_{UidOrder::CardOrder};
    TextRef keptNote_;
};

} // namespace vorex::wb::nfc
