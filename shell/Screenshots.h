#pragma once
// Screenshots of the main window and the dialogs for an unattended run:
// vorex-programmer --screenshot DIR (offscreen, no display needed).
#include "ui/ShellEnv.h"

#include <QString>

namespace vorex::shell {

class CDemoReader;
class CMainFrame;

// Messages of an unattended run go to stderr instead of blocking.
class CLoggedMessages : public ui::IMessages {
public:
    void Show(QWidget*, const QString& text, Icon) override;
    bool AskYesNo(QWidget*, const QString& text, Icon) override;
};

// Writes the main window, the dialogs and the workbenches (on the demo reader's tags and
// cards) into `folder` as PNG files. 0 when every picture was written, else 1.
int TakeScreenshots(CMainFrame& frame, ui::ShellEnv& env, CDemoReader& demo, const QString& folder);

} // namespace vorex::shell
