#pragma once
// Start-up of the program: vorex-programmer [--demo] [--screenshot DIR]
namespace vorex::ui {

int RunProgram(int argc, char** argv);

} // namespace vorex::ui
