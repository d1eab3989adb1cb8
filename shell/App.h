#pragma once
// Start-up of the program: vorex-programmer [--demo] [--screenshot DIR]
namespace vorex::ui {

class CMainFrame;

int RunProgram(int argc, char** argv);
// The window comes first: shows the main window at once and queues the opening
// identification of the reader, which then runs with the window on the screen.
void ShowThenIdentify(CMainFrame& frame);

} // namespace vorex::ui
