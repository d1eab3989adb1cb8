// Fuzzes the update check's reading of a downloaded version file: the first line of the
// input is the reader's firmware code and model, the rest the file text. Every verdict
// and offer must come out without a crash, whatever the server sends.
#include "update/UpdateSource.h"
#include "update/VersionRules.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string head = input.substr(0, newline);
    const std::string text =
        newline == std::string::npos ? std::string() : input.substr(newline + 1);

    vorex::update::CUpdateSource program("RFIDVersionsHF.txt", "VorexProgrammer");
    program.SetFetched(text);
    (void)program.ProgramVerdict(head, head);
    (void)vorex::update::InstallerFileName(program.ProgramOffer("1.0", "").installer);

    vorex::update::CUpdateSource reader("RFIDDeviceVersions.txt", "");
    reader.SetFetched(text);
    reader.DeviceIdentified(head.substr(0, 4), head.size() > 4 ? head.substr(4) : std::string());
    (void)reader.ReaderVerdict();
    (void)vorex::update::InstallerFileName(reader.ReaderOffer().installer);
    (void)reader.GetLatestVersion();
    (void)vorex::update::VersionNumber(head);
    (void)vorex::update::CompareVersions(head, text.substr(0, 64));
    return 0;
}
