#pragma once
// Changes what is in the stand-in reader's field while it runs, one command per line
// (vorex-sim reads them on its standard input):
//   card NAME|INDEX|none   puts that ISO 14443 card in front of the reader, or none
//   tags SET|all|none      puts exactly the ISO 15693 tags of that set in the field
//   empty                  takes every card and tag out of the field
//   next                   the conveyor's tag leaves and its next one enters
#include "sim/ReaderModel.h"

#include <string>

namespace vsim {

// Applies one command line to the model (taking its lock) and returns the answer:
// "ok <command>" or "error <reason>". Empty lines and lines starting with # give "".
std::string ApplyFieldCommand(ReaderModel& model, const std::string& line);

} // namespace vsim
