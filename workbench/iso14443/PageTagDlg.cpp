#include "workbench/iso14443/PageTagDlg.h"

#include "cards/Type2Tag.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "workbench/common/ByteText.h"
#include "workbench/common/SingleByteText.h"
#include "workbench/common/TextIds.h"
#include "workbench/iso14443/PageTagRules.h"
#include <vorex/vorex.h>

namespace vorex::wb::nfc {

CPageTagDlg::CPageTagDlg(ui::ShellEnv& env, QWidget* parent) : CWorkbenchDlg(parent), env_(env) {
    env_.FillDefaults();
}

QString CPageTagDlg::UidText(const std::vector<uint8_t>& uid) {
    return QString::fromStdString(wb::UidText(uid, UidOrder::CardOrder));
}

void CPageTagDlg::BeforeFirstShow() {
    HostModeOn();
}

CPageTagDlg::Unencodable
CPageTagDlg::FindUnencodable(const std::vector<std::pair<int, QString>>& pages) const {
    if (DisplayMode() == kAscii)
        for (const auto& [page, text] : pages)
            if (const SingleByteText bytes = ToSingleByte(text.toStdString()); bytes.refused)
                return {page, RefusalText(*bytes.refused)};
    return {};
}

bool CPageTagDlg::AsciiWritable(const std::vector<std::pair<int, QString>>& pages) {
    const Unencodable found = FindUnencodable(pages);
    if (found.page < 0)
        return true;
    const QString why = Text(
        {kTextWritePageFailed, {std::to_string(found.page), Text(found.refusal).toStdString()}});
    AddStatus(why);
    env_.messages->Show(this, why, ui::IMessages::Icon::Warning);
    return false;
}

bool CPageTagDlg::AsciiSwitchable(const std::vector<std::pair<int, QString>>& pages) {
    const Unencodable found = FindUnencodable(pages);
    if (found.page < 0)
        return true;
    AddStatus(
        Text({kTextAsciiKept,
              {std::to_string(found.page), found.refusal.args.at(0), found.refusal.args.at(1)}}));
    ShowDisplay();
    return false;
}

bool CPageTagDlg::SelectForWrite(cards::mifare::CardInfo& card) {
    if (!cards::mifare::Activate(Handle(), card))
        card.uid.clear();
    const BindingCheck check = binding_.Check(card.uid);
    if (!check.write) {
        // No tag, or another one: the engine's reason first where it has one.
        if (card.uid.empty() && VOREX_GetLastError(Handle()) != 0)
            AddStatus(LastErrorText());
        const QString why = Text(check.refusal);
        AddStatus(why);
        env_.messages->Show(this, why, ui::IMessages::Icon::Warning);
        return false;
    }
    return !ShowRefusal(RefusalTextId(card.sak), card.sak);
}

bool CPageTagDlg::WriteOnePage(int page, const std::vector<uint8_t>& data, WriteReport& report) {
    const cards::type2::PageWriteResult result =
        cards::type2::WritePages(Handle(), page, data.data(), 1);
    if (result.failedPage < 0) {
        report.Written(page);
        return true;
    }
    NotWritten(page,
               result.problem == "verify"
                   ? ui::S(kTextPageReadBackDiffers)
                   : EngineErrorText(WriteErrorCode(VOREX_GetLastError(Handle()))),
               report);
    return false;
}

void CPageTagDlg::NotWritten(int page, const QString& cause, WriteReport& report) {
    AddStatus(Text(report.Failed(page, cause.toStdString())));
}

void CPageTagDlg::EndWrite(const WriteReport& report, bool successBox) {
    const TextRef summary = report.Summary();
    if (summary.id == 0)
        return;
    const QString text = Text(summary);
    AddStatus(text);
    if (report.AnyFailed())
        env_.messages->Show(this, text, ui::IMessages::Icon::Warning);
    else if (successBox)
        env_.messages->Show(this, text, ui::IMessages::Icon::Information);
}

// ---- Unwritten edits ----

bool CPageTagDlg::MayDiscardEdits(GridAction action) {
    const PendingEdits edits = Pending();
    if (edits.Before(action) != PendingVerdict::Ask)
        return true;
    return env_.messages->AskYesNo(this, Text(edits.Question()), ui::IMessages::Icon::Question);
}

void CPageTagDlg::NoteKeptEdits(bool present, const std::vector<uint8_t>& shown,
                                const std::vector<uint8_t>& inField) {
    // Pages typed for a blank tag (nothing read): no tag can take them away.
    TextRef note;
    if (!shown.empty() && !present)
        note = {kTextTagGoneEditsKept, {wb::UidText(shown, UidOrder::CardOrder)}};
    else if (!shown.empty() && inField != shown)
        note = {
            kTextOtherTagEditsKept,
            {wb::UidText(shown, UidOrder::CardOrder), wb::UidText(inField, UidOrder::CardOrder)}};
    if (note == keptNote_)
        return;
    keptNote_ = note;
    if (note.id != 0)
        AddStatus(Text(note));
}

} // namespace vorex::wb::nfc
