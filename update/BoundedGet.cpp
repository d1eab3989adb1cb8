#include "update/BoundedGet.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>

namespace vorex::update {

QString UpdateSettings::DefaultBaseUrl() {
    QString base = qEnvironmentVariable("VOREX_UPDATE_URL");
    if (base.isEmpty())
        base = QStringLiteral("https://update.vorex-rfid.example/rfid/software/");
    if (!base.endsWith('/'))
        base += '/';
    return base;
}

std::optional<QSslConfiguration> UpdateSettings::DefaultSsl() {
    const QString caFile = qEnvironmentVariable("VOREX_UPDATE_CA");
    if (caFile.isEmpty())
        return std::nullopt;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates(QSslCertificate::fromPath(caFile));
    return config;
}

CBoundedGet::CBoundedGet(QNetworkAccessManager& network, const UpdateSettings& settings,
                         qint64 limit, QObject* parent)
    : QObject(parent), network_(network), settings_(settings), limit_(limit) {}

CBoundedGet::~CBoundedGet() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

bool CBoundedGet::Start(const QUrl& url, std::function<bool(const QByteArray&)> consume) {
    if (reply_)
        return false;
    received_ = 0;
    stopped_.reset();
    error_.clear();
    consume_ = std::move(consume);
    QNetworkRequest request(url);
    // Always fresh from the server, never from a cache.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(settings_.transferTimeoutMs);
    if (settings_.ssl)
        request.setSslConfiguration(*settings_.ssl);
    reply_ = network_.get(request);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &CBoundedGet::OnMetaData);
    connect(reply_, &QNetworkReply::readyRead, this, &CBoundedGet::OnReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &CBoundedGet::OnFinished);
    return true;
}

void CBoundedGet::Abort() {
    if (reply_)
        Stop(Result::Failed, tr("aborted"));
}

void CBoundedGet::Stop(Result why, const QString& text) {
    if (stopped_)
        return;
    stopped_ = why;
    error_ = text;
    reply_->abort(); // finished() follows and reports `why`
}

void CBoundedGet::OnMetaData() {
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > limit_)
        Stop(Result::TooLarge, QStringLiteral("larger than %1 bytes").arg(limit_));
}

void CBoundedGet::OnReadyRead() {
    if (stopped_)
        return;
    const QByteArray piece = reply_->readAll();
    received_ += piece.size();
    if (received_ > limit_)
        Stop(Result::TooLarge, QStringLiteral("larger than %1 bytes").arg(limit_));
    else if (!consume_(piece))
        Stop(Result::WriteError, QStringLiteral("cannot store the download"));
}

void CBoundedGet::OnFinished() {
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    Result result = Result::Ok;
    if (stopped_) {
        result = *stopped_;
    } else {
        // The rest of the body, which may arrive with the end.
        if (reply->bytesAvailable() > 0) {
            const QByteArray piece = reply->readAll();
            received_ += piece.size();
            if (received_ > limit_) {
                result = Result::TooLarge;
                error_ = QStringLiteral("larger than %1 bytes").arg(limit_);
            } else if (!consume_(piece)) {
                result = Result::WriteError;
                error_ = QStringLiteral("cannot store the download");
            }
        }
        if (result == Result::Ok && reply->error() != QNetworkReply::NoError) {
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            result = status >= 400 ? Result::HttpError : Result::Failed;
            error_ = reply->errorString();
        }
    }
    emit finished(result);
}

} // namespace vorex::update
