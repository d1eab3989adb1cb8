#include "update/UpdateService.h"

#include "update/VersionRules.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

namespace vorex::update {

CUpdateService::CUpdateService(UpdateSettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)),
      program_(network_, settings_, "RFIDVersionsHF.txt", "VorexProgrammer"),
      reader_(network_, settings_, "RFIDDeviceVersions.txt", ""),
      ownVersion_(QString::fromStdString(OwnVersionText(VOREX_PROGRAM_VERSION))),
      ownBuild_(FileDate(QCoreApplication::applicationFilePath())) {
    // Nothing is cached on disk; the version files are always asked for afresh.
    network_.setCookieJar(nullptr);
    connect(&program_, &CUpdateCheck::finished, this, &CUpdateService::OnProgramFinished);
    connect(&reader_, &CUpdateCheck::finished, this, &CUpdateService::OnReaderFinished);
}

// Running transfers are aborted by their owners; nothing waits.
CUpdateService::~CUpdateService() = default;

QString CUpdateService::FileDate(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

void CUpdateService::SetOwnVersion(const QString& version, const QString& build) {
    ownVersion_ = QString::fromStdString(OwnVersionText(version.toStdString()));
    ownBuild_ = build;
}

void CUpdateService::StartProgram(bool announce) {
    announceProgram_ = announce;
    program_.Start();
}

Verdict CUpdateService::ProgramVerdict() const {
    return program_.Source().ProgramVerdict(ownVersion_.toStdString(), ownBuild_.toStdString());
}

Offer CUpdateService::ProgramOffer() const {
    return program_.Source().ProgramOffer(ownVersion_.toStdString(), ownBuild_.toStdString());
}

void CUpdateService::DeviceIdentified(const QString& firmwareCode, const QString& model,
                                      bool announce) {
    reader_.Source().DeviceIdentified(firmwareCode.toStdString(), model.toStdString());
    announceReader_ = announce;
    emit readerIdentified();
    // A reader file that could not be fetched is asked for again.
    if (reader_.Source().State() == FetchState::Failed)
        reader_.Start();
    if (reader_.IsFinished())
        OnReaderFinished();
}

void CUpdateService::OnProgramFinished() {
    if (!announceProgram_)
        return;
    announceProgram_ = false;
    if (ProgramVerdict() == Verdict::Update)
        emit programUpdateOffered();
}

void CUpdateService::OnReaderFinished() {
    if (!announceReader_)
        return;
    announceReader_ = false;
    if (reader_.Source().ReaderVerdict() == Verdict::Update)
        emit readerUpdateOffered();
}

} // namespace vorex::update
