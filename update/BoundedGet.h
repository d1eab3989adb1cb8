#pragma once
// One HTTPS GET of the update check with its limits: the response body is handed out in
// pieces and the transfer is aborted as soon as it exceeds the size limit (announced by
// Content-Length or counted while it arrives). TLS is verified; a certificate that does
// not verify is a failure like no connection.
#include "update/UpdateSettings.h"

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;

namespace vorex::update {

class CBoundedGet : public QObject {
    Q_OBJECT
public:
    enum class Result {
        Ok,         // complete body with a success status
        HttpError,  // the server answered with an error status (404, 500, ...)
        TooLarge,   // body above the limit
        Failed,     // no connection, TLS failure, cut transfer, time-out, aborted
        WriteError, // the consumer refused a piece
    };

    CBoundedGet(QNetworkAccessManager& network, const UpdateSettings& settings, qint64 limit,
                QObject* parent = nullptr);
    // Aborts a running transfer without reporting it.
    ~CBoundedGet() override;

    // Starts the GET; each arriving piece goes to `consume` (false stops the transfer).
    // False when one runs already.
    bool Start(const QUrl& url, std::function<bool(const QByteArray&)> consume);
    bool IsRunning() const { return !reply_.isNull(); }
    // Aborts a running transfer; finished() follows with Failed.
    void Abort();
    // Text of the last failure.
    QString ErrorText() const { return error_; }

signals:
    void finished(vorex::update::CBoundedGet::Result result);

private:
    void OnMetaData();
    void OnReadyRead();
    void OnFinished();
    void Stop(Result why, const QString& text);

    QNetworkAccessManager& network_;
    const UpdateSettings& settings_;
    qint64 limit_;
    qint64 received_ = 0;
    QPointer<QNetworkReply> reply_;
    std::function<bool(const QByteArray&)> consume_;
    std::optional<Result> stopped_;
    QString error_;
};

} // namespace vorex::update
