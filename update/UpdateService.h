#pragma once
// The two version files of the update check and the program's own version: the reader
// file ("RFIDDeviceVersions.txt") and the program file ("RFIDVersionsHF.txt") are fetched
// at start-up when automatic checking is on, else when the about box first opens. It says when a
// newer program or reader firmware should open the about box by itself.
#include "update/UpdateCheck.h"

#include <QNetworkAccessManager>
#include <QObject>

namespace vorex::update {

class CUpdateService : public QObject {
    Q_OBJECT
public:
    explicit CUpdateService(UpdateSettings settings = {}, QObject* parent = nullptr);
    ~CUpdateService() override;

    CUpdateCheck& Program() { return program_; }
    CUpdateCheck& Reader() { return reader_; }
    QNetworkAccessManager& Network() { return network_; }
    const UpdateSettings& Settings() const { return settings_; }

    // The program's version text ("-.--" rule) and build date ("%Y-%m-%d").
    QString OwnVersion() const { return ownVersion_; }
    QString OwnBuild() const { return ownBuild_; }
    void SetOwnVersion(const QString& version, const QString& build);

    void StartReader() { reader_.Start(); }
    // announce: a newer program found by this check emits programUpdateOffered().
    void StartProgram(bool announce);
    // A reader was identified (firmware code and model). announce: a newer firmware
    // emits readerUpdateOffered(), now or when the reader file arrives.
    void DeviceIdentified(const QString& firmwareCode, const QString& model, bool announce);

    Verdict ProgramVerdict() const;
    Offer ProgramOffer() const;

    // The build date of a program file, "%Y-%m-%d" in local time.
    static QString FileDate(const QString& path);

signals:
    void programUpdateOffered();
    void readerUpdateOffered();
    // The identified reader changed (an open about box refreshes its reader label).
    void readerIdentified();

private:
    void OnProgramFinished();
    void OnReaderFinished();

    UpdateSettings settings_;
    QNetworkAccessManager network_;
    CUpdateCheck program_;
    CUpdateCheck reader_;
    QString ownVersion_;
    QString ownBuild_;
    bool announceProgram_ = false;
    bool announceReader_ = false;
};

} // namespace vorex::update
