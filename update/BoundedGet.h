#pragma once
// One HTTPS GET of the update check with its limits: the response body is handed out in
// pieces and the transfer is aborted as soon as it exceeds the size limit (announced by
// Content-Length or counted while it arrives), when it is not complete by its deadline,
// or when it brings less than a minimum rate. TLS is verified; a certificate that does
// not verify is a failure like no connection. Only https addresses are fetched.
#include "update/UpdateSettings.h"

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>
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

    struct Limits {
        qint64 maxBytes = 0;
        int deadlineMs = 0;           // 0: none
        qint64 minBytesPerSecond = 0; // 0: no minimum rate
        int rateWindowMs = 30000;
    };

    CBoundedGet(QNetworkAccessManager& network, const UpdateSettings& settings, Limits limits,
                QObject* parent = nullptr);
    // Aborts a running transfer without reporting it.
    ~CBoundedGet() override;

    // Starts the GET; each arriving piece goes to `consume` (false stops the transfer).
    // False, with ErrorText() saying why, when one runs already, the address is not an
    // https address or the settings cannot fetch anything (then no finished() follows).
    bool Start(const QUrl& url, std::function<bool(const QByteArray&)> consume);
    bool IsRunning() const { return !reply_.isNull(); }
    // Aborts a running transfer; finished() follows with Failed and `why` as its text.
    void Abort(const QString& why = QStringLiteral("aborted"));
    // Text of the last failure.
    QString ErrorText() const { return error_; }

signals:
    void finished(vorex::update::CBoundedGet::Result result);

private:
    void OnMetaData();
    void OnReadyRead();
    void OnFinished();
    void Stop(Result why, const QString& text);
    void CheckRate();

    QNetworkAccessManager& network_;
    const UpdateSettings& settings_;
    Limits limits_;
    qint64 received_ = 0;
    qint64 receivedAtRateCheck_ = 0;
    QTimer deadline_;
    QTimer rateCheck_;
    QPointer<QNetworkReply> reply_;
    std::function<bool(const QByteArray&)> consume_;
    std::optional<Result> stopped_;
    QString error_;
};

} // namespace vorex::update
