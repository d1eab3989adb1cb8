#pragma once
// Display texts of the engine error numbers.
#include <string>

namespace vorex {

// String-table id of the text shown for an engine error number.
int ErrorStringId(int error);
// The German text for the error, with the number in place of %d.
std::string ErrorText(int error);

} // namespace vorex
