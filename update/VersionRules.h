#pragma once
// Rules of the update check that need no network: version numbers, the reader's firmware
// version, and the local name of a downloaded installer.
#include <string>

namespace vorex::update {

// "major.minor" as major * 1000 + minor; each part by its leading digits, no "." gives
// minor 0. "2.16" is 2016, "2.9" is 2009, "" is 0.
long VersionNumber(const std::string& text);
// Dotted versions compared part by part, each part by its leading digits; missing parts
// count 0: "1.0.1" > "1.0" == "1.0.0", "2.16" > "2.9", "1.12beta" == "1.12".
// Negative, zero or positive as `a` is older than, equal to or newer than `b`.
int CompareVersions(const std::string& a, const std::string& b);

// The three leading characters of a reader's firmware code (its device code).
std::string DeviceCode(const std::string& firmwareCode);
// "1.%02d" of the fourth firmware character read as a base-62 digit ('0'-'9' 0-9,
// 'A'-'Z' 10-35, 'a'-'z' 36-61, anything else or missing 0).
std::string FirmwareVersion(const std::string& firmwareCode);

// The program version as the about box shows it: "-.--" when missing, empty or longer
// than 19 characters; a text shorter than 4 characters gets one space appended.
std::string OwnVersionText(const std::string& productVersion);

// The local file name for an installer URL: the part after the last "/" (the whole URL
// without one), without query or fragment and without path separators. Names that
// are empty, "." or "..", or begin with "-" become `fallback`.
std::string InstallerFileName(const std::string& url,
                              const std::string& fallback = "vorex-update-installer");

} // namespace vorex::update
