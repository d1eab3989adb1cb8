#pragma once
// Start-up of the program: vorex-programmer [--demo] [--screenshot DIR]
namespace vorex::update {
class CUpdateService;
}

namespace vorex::shell {

class CMainFrame;

int RunProgram(int argc, char** argv);
// The windows' icon: the program's icon from the icon theme (named by the desktop
// file name), else the built-in logo.
void SetProgramIcon();
// The start-up update checks (reader and program file), only with automatic checking
// on: otherwise the program contacts no server until the operator asks.
void StartUpdateChecks(vorex::update::CUpdateService& updates);
// The window comes first: shows the main window at once and queues the opening
// identification of the reader, which then runs with the window on the screen.
void ShowThenIdentify(CMainFrame& frame);

} // namespace vorex::shell
