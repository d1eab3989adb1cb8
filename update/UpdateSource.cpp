#include "update/UpdateSource.h"

#include "update/VersionRules.h"

namespace vorex::update {

CUpdateSource::CUpdateSource(std::string fileName, std::string sectionName)
    : fileName_(std::move(fileName)), initialSection_(std::move(sectionName)),
      sectionName_(initialSection_) {}

void CUpdateSource::DeviceIdentified(const std::string& firmwareCode, const std::string& model) {
    modelName_ = model;
    sectionName_ = initialSection_; // the alias of an earlier reader no longer applies
    deviceCode_ = DeviceCode(firmwareCode);
    currentVersion_ = FirmwareVersion(firmwareCode);
}

void CUpdateSource::SetFetched(const std::string& text) {
    state_ = FetchState::Fetched;
    text_ = text;
    error_.clear();
    ini_ = CPrivateProfile();
    if (!text_.empty())
        ini_.Parse(text_);
}

void CUpdateSource::SetFailed(const std::string& error) {
    state_ = FetchState::Failed;
    text_.clear();
    error_ = error;
    ini_ = CPrivateProfile();
}

std::string CUpdateSource::Value(const std::string& section, const std::string& key) const {
    return ini_.GetValue(section, key, "");
}

bool CUpdateSource::LookupAlias() {
    if (state_ != FetchState::Fetched || deviceCode_.empty())
        return false;
    const std::string alias = Value("Alias", deviceCode_);
    if (alias.empty())
        return false;
    sectionName_ = alias;
    return true;
}

std::string CUpdateSource::ModelSection() const {
    return sectionName_ + "-" + modelName_;
}

Offer CUpdateSource::Newer(const std::string& section, const std::string& current,
                           const std::string& currentBuild) const {
    Offer offer;
    if (state_ != FetchState::Fetched || text_.empty())
        return offer;
    offer.version = Value(section, "Version");
    offer.build = Value(section, "Build");
    offer.installer = Value(section, "Installer");
    const int order = CompareVersions(current, offer.version);
    // An older version in the file is never offered; the same version is newer when
    // the file names a later build (without a build of our own, any build counts).
    if (order < 0)
        offer.available = true;
    else if (order == 0 && !offer.build.empty())
        offer.available = currentBuild < offer.build;
    return offer;
}

Offer CUpdateSource::ProgramOffer(const std::string& ownVersion,
                                  const std::string& ownBuild) const {
    return Newer(sectionName_, ownVersion, ownBuild);
}

Offer CUpdateSource::ReaderOffer() const {
    if (state_ != FetchState::Fetched || text_.empty() || sectionName_.empty())
        return {};
    if (!modelName_.empty()) {
        const std::string model = ModelSection();
        Offer offer;
        offer.version = Value(model, "Version");
        offer.installer = Value(model, "Installer");
        const std::string& current = currentVersion_;
        if (CompareVersions(offer.version, current) > 0) {
            const std::string exclude = Value(model, "Exclude");
            const size_t dash = exclude.find('-');
            const bool excluded = dash != std::string::npos &&
                                  CompareVersions(exclude.substr(0, dash), current) <= 0 &&
                                  CompareVersions(current, exclude.substr(dash + 1)) <= 0;
            if (!excluded) {
                offer.available = true;
                return offer;
            }
        }
    }
    return Newer(sectionName_, currentVersion_, "");
}

bool CUpdateSource::IsUpdateAvailable(const std::string& ownVersion,
                                      const std::string& ownBuild) const {
    return currentVersion_.empty() ? ProgramOffer(ownVersion, ownBuild).available
                                   : ReaderOffer().available;
}

std::string CUpdateSource::GetLatestVersion() const {
    if (!modelName_.empty()) {
        std::string version = Value(ModelSection(), "Version");
        if (!version.empty())
            return version;
    }
    return Value(sectionName_, "Version");
}

Verdict CUpdateSource::ProgramVerdict(const std::string& ownVersion,
                                      const std::string& ownBuild) const {
    if (state_ != FetchState::Fetched)
        return Verdict::NoConnection;
    if (Value(sectionName_, "Version").empty() || Value(sectionName_, "Build").empty())
        return Verdict::NoFile;
    return ProgramOffer(ownVersion, ownBuild).available ? Verdict::Update : Verdict::Current;
}

Verdict CUpdateSource::ReaderVerdict() {
    if (modelName_.empty())
        return Verdict::Empty;
    if (state_ != FetchState::Fetched)
        return Verdict::NoConnection;
    return LookupAlias() && ReaderOffer().available ? Verdict::Update : Verdict::Current;
}

} // namespace vorex::update
