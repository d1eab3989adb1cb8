#pragma once
// Downloads an offered installer into a folder (the temporary folder by default). The
// file is written under a temporary name and gets its own name only when complete, so
// a failed or cut download leaves nothing behind.
#include "update/BoundedGet.h"

#include <QObject>
#include <QSaveFile>
#include <memory>

namespace vorex::update {

class CInstallerDownload : public QObject {
    Q_OBJECT
public:
    CInstallerDownload(QNetworkAccessManager& network, const UpdateSettings& settings,
                       QObject* parent = nullptr);
    ~CInstallerDownload() override;

    // The local path an installer URL is stored under.
    static QString TargetPath(const QString& url, const QString& folder = {});
    // Starts the download; false (and no finished()) when one runs, the URL is empty or
    // not https, or the file cannot be created.
    bool Start(const QString& url, const QString& folder = {});
    bool IsRunning() const { return get_.IsRunning(); }
    // Stops a running download; finished() follows with an empty path.
    void Cancel();
    QString ErrorText() const { return error_; }

signals:
    // The complete file, or an empty path on failure.
    void finished(const QString& path);

private:
    void OnFinished(CBoundedGet::Result result);

    const UpdateSettings& settings_;
    CBoundedGet get_;
    std::unique_ptr<QSaveFile> file_;
    QString error_;
};

} // namespace vorex::update
