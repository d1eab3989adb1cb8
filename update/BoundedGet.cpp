#include "update/BoundedGet.h"

#include <QFile>
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

QString UpdateSettings::DefaultSetupError() {
    const QString caFile = qEnvironmentVariable("VOREX_UPDATE_CA");
    if (caFile.isEmpty())
        return {};
    QFile file(caFile);
    if (!file.exists())
        return QStringLiteral("CA file %1 does not exist").arg(caFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("CA file %1 cannot be read: %2").arg(caFile, file.errorString());
    if (QSslCertificate::fromDevice(&file).isEmpty())
        return QStringLiteral("CA file %1 holds no certificate").arg(caFile);
    return {};
}

namespace {

QString Seconds(int ms) {
    return QString::number(ms / 1000.0);
}

} // namespace

CBoundedGet::CBoundedGet(QNetworkAccessManager& network, const UpdateSettings& settings,
                         Limits limits, QObject* parent)
    : QObject(parent), network_(network), settings_(settings), limits_(limits) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        if (reply_)
            Stop(Result::Failed,
                 QStringLiteral("timed out after %1 s").arg(Seconds(limits_.deadlineMs)));
    });
    connect(&rateCheck_, &QTimer::timeout, this, &CBoundedGet::CheckRate);
}

CBoundedGet::~CBoundedGet() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

bool CBoundedGet::Start(const QUrl& url, std::function<bool(const QByteArray&)> consume) {
    if (reply_) {
        error_ = QStringLiteral("a transfer runs already");
        return false;
    }
    error_.clear();
    if (!url.isValid() || url.host().isEmpty() || url.scheme() != QLatin1String("https")) {
        error_ = QStringLiteral("not an https address: %1")
                     .arg(url.toDisplayString(QUrl::RemoveUserInfo).left(200));
        return false;
    }
    if (!settings_.setupError.isEmpty()) {
        error_ = settings_.setupError;
        return false;
    }
    received_ = 0;
    receivedAtRateCheck_ = 0;
    stopped_.reset();
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
    if (limits_.deadlineMs > 0)
        deadline_.start(limits_.deadlineMs);
    if (limits_.minBytesPerSecond > 0 && limits_.rateWindowMs > 0)
        rateCheck_.start(limits_.rateWindowMs);
    return true;
}

void CBoundedGet::Abort(const QString& why) {
    if (reply_)
        Stop(Result::Failed, why);
}

void CBoundedGet::CheckRate() {
    if (!reply_ || stopped_)
        return;
    const qint64 needed = limits_.minBytesPerSecond * limits_.rateWindowMs / 1000;
    if (received_ - receivedAtRateCheck_ < needed)
        Stop(Result::Failed, QStringLiteral("slower than %1 bytes/s for %2 s")
                                 .arg(limits_.minBytesPerSecond)
                                 .arg(Seconds(limits_.rateWindowMs)));
    receivedAtRateCheck_ = received_;
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
    if (length.isValid() && length.toLongLong() > limits_.maxBytes)
        Stop(Result::TooLarge, QStringLiteral("larger than %1 bytes").arg(limits_.maxBytes));
}

void CBoundedGet::OnReadyRead() {
    if (stopped_)
        return;
    const QByteArray piece = reply_->readAll();
    received_ += piece.size();
    if (received_ > limits_.maxBytes)
        Stop(Result::TooLarge, QStringLiteral("larger than %1 bytes").arg(limits_.maxBytes));
    else if (!consume_(piece))
        Stop(Result::WriteError, QStringLiteral("cannot store the download"));
}

void CBoundedGet::OnFinished() {
    deadline_.stop();
    rateCheck_.stop();
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
            if (received_ > limits_.maxBytes) {
                result = Result::TooLarge;
                error_ = QStringLiteral("larger than %1 bytes").arg(limits_.maxBytes);
            } else if (!consume_(piece)) {
                result = Result::WriteError;
                error_ = QStringLiteral("cannot store the download");
            }
        }
        if (result == Result::Ok && reply->error() != QNetworkReply::NoError) {
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            result = status >= 400 ? Result::HttpError : Result::Failed;
            // The transfer time-out ends a reply as cancelled; say what happened.
            const bool idle = reply->error() == QNetworkReply::OperationCanceledError ||
                              reply->error() == QNetworkReply::TimeoutError;
            error_ = idle ? QStringLiteral("timed out after %1 s without data")
                                .arg(Seconds(settings_.transferTimeoutMs))
                          : reply->errorString();
        }
    }
    emit finished(result);
}

} // namespace vorex::update
