#pragma once
// The tag log file: where it goes by default (the user's data folder, as XDG says)
// and the appending of lines: opened for appending (created when missing, never
// truncated) only for the write. A file that cannot be created or written gets
// nothing and the caller gets the reason to show.
#include "workbench/common/TextRef.h"

#include <string>
#include <vector>

namespace vorex::wb::iso {

// The folder for tag logs: <XDG_DATA_HOME>/<app> when XDG_DATA_HOME is an absolute
// path, else <HOME>/.local/share/<app>; empty when neither is usable. Pass
// getenv("XDG_DATA_HOME"), getenv("HOME") (either may be null) and the program's
// data subfolder ("organisation/application", as QStandardPaths names it).
std::string DefaultTagLogFolder(const char* xdgDataHome, const char* home, const std::string& app);
// The path the file chooser starts with: the stored one when it is an absolute path
// whose folder exists, else "taglog.pos" in `defaultFolder` (a path kept from another
// system, e.g. "C:\test", is never used).
std::string InitialTagLogPath(const std::string& stored, const std::string& defaultFolder);
// Creates `folder` with its parents; the text to show when it cannot (id 0: it exists).
TextRef PrepareTagLogFolder(const std::string& folder);

// Appends the lines; id 0, or the text naming the file and why it could not be
// created or written.
TextRef AppendTagLogLines(const std::string& path, const std::vector<std::string>& lines);
// False when the file could not be opened or written completely.
bool AppendTagLog(const std::string& path, const std::vector<std::string>& lines);

} // namespace vorex::wb::iso
