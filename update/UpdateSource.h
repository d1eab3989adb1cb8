#pragma once
// One version file of the update check and what it offers: the program file (section
// "VorexProgrammer") or the reader file (section found through "Alias" by the reader's
// device code, optionally refined by a model section "<family>-<model>").
// Plain C++: the network side hands in the fetched text or the failure.
#include "update/IniEx.h"

#include <string>

namespace vorex::update {

enum class FetchState {
    None,    // not fetched (yet)
    Failed,  // no connection, TLS failure, too large, ...
    Fetched, // the server answered; the text may still hold no usable version file
};

// What a section offers.
struct Offer {
    bool available = false;
    std::string version;   // the offered version
    std::string build;     // its build date (program file)
    std::string installer; // URL of the installer
};

// What the about box shows for a source.
enum class Verdict {
    Empty,        // reader: no reader identified
    NoConnection, // the file could not be fetched
    NoFile,       // fetched, but without the needed values
    Update,       // a newer version is offered
    Current,      // nothing newer
};

class CUpdateSource {
public:
    CUpdateSource(std::string fileName, std::string sectionName);

    const std::string& FileName() const { return fileName_; }
    const std::string& SectionName() const { return sectionName_; }
    const std::string& ModelName() const { return modelName_; }
    const std::string& DeviceCodeText() const { return deviceCode_; }
    const std::string& CurrentVersion() const { return currentVersion_; }

    // The reader was identified: its firmware code (type digits and revision character)
    // and model name.
    void DeviceIdentified(const std::string& firmwareCode, const std::string& model);

    void SetFetched(const std::string& text);
    void SetFailed(const std::string& error);
    FetchState State() const { return state_; }
    const std::string& Text() const { return text_; }
    const std::string& Error() const { return error_; }

    // Reader file: section "Alias", key = device code; a non-empty answer becomes the
    // section name (true).
    bool LookupAlias();
    // The program (own version and build date) or the reader (its current version).
    Offer ProgramOffer(const std::string& ownVersion, const std::string& ownBuild) const;
    Offer ReaderOffer() const;
    bool IsUpdateAvailable(const std::string& ownVersion, const std::string& ownBuild) const;
    // The model section's "Version" when there is one, else the section's.
    std::string GetLatestVersion() const;

    Verdict ProgramVerdict(const std::string& ownVersion, const std::string& ownBuild) const;
    // Looks the alias up first.
    Verdict ReaderVerdict();

    std::string Value(const std::string& section, const std::string& key) const;

private:
    std::string ModelSection() const;
    // The section's offer for a current version and build.
    Offer Newer(const std::string& section, const std::string& current,
                const std::string& currentBuild) const;

    std::string fileName_;
    std::string initialSection_;
    std::string sectionName_;
    std::string modelName_;
    std::string deviceCode_;
    std::string currentVersion_;
    FetchState state_ = FetchState::None;
    std::string text_;
    std::string error_;
    CPrivateProfile ini_;
};

} // namespace vorex::update
