#include "update/InstallerDownload.h"

#include "update/VersionRules.h"

#include <QDir>
#include <QStandardPaths>

namespace vorex::update {

CInstallerDownload::CInstallerDownload(QNetworkAccessManager& network,
                                       const UpdateSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings),
      get_(network, settings,
           {settings.maxInstallerBytes, settings.installerDeadlineMs,
            settings.minInstallerBytesPerSecond, settings.rateWindowMs}) {
    connect(&get_, &CBoundedGet::finished, this, &CInstallerDownload::OnFinished);
}

CInstallerDownload::~CInstallerDownload() = default;

QString CInstallerDownload::TargetPath(const QString& url, const QString& folder) {
    const QString dir =
        folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::TempLocation) : folder;
    return QDir(dir).filePath(QString::fromStdString(InstallerFileName(url.toStdString())));
}

bool CInstallerDownload::Start(const QString& url, const QString& folder) {
    error_.clear();
    const QUrl address(url);
    // Installers come only over verified TLS.
    if (IsRunning() || url.isEmpty() || !address.isValid() ||
        address.scheme() != QLatin1String("https")) {
        error_ = QStringLiteral("no installer address");
        return false;
    }
    if (!settings_.setupError.isEmpty()) {
        error_ = settings_.setupError;
        return false;
    }
    auto file = std::make_unique<QSaveFile>(TargetPath(url, folder));
    if (!file->open(QIODevice::WriteOnly)) {
        error_ = file->errorString();
        return false;
    }
    file_ = std::move(file);
    return get_.Start(
        address, [this](const QByteArray& piece) { return file_->write(piece) == piece.size(); });
}

void CInstallerDownload::Cancel() {
    get_.Abort(QStringLiteral("cancelled"));
}

void CInstallerDownload::OnFinished(CBoundedGet::Result result) {
    QString path;
    if (result == CBoundedGet::Result::Ok && file_->commit()) {
        path = file_->fileName();
    } else {
        error_ = result == CBoundedGet::Result::Ok ? file_->errorString() : get_.ErrorText();
        file_->cancelWriting();
    }
    file_.reset(); // an uncommitted file removes its temporary part
    emit finished(path);
}

} // namespace vorex::update
