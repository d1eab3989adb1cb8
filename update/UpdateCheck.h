#pragma once
// One version file of the update check, fetched in the background: Start() asks the
// server once (again only after a failure); finished() tells the main window and the
// about box that the result is there.
#include "update/BoundedGet.h"
#include "update/UpdateSource.h"

#include <QObject>
#include <QUrl>

namespace vorex::update {

class CUpdateCheck : public QObject {
    Q_OBJECT
public:
    CUpdateCheck(QNetworkAccessManager& network, const UpdateSettings& settings,
                 const std::string& fileName, const std::string& sectionName,
                 QObject* parent = nullptr);

    QUrl Url() const { return url_; }
    // Starts the download unless one runs or one succeeded; true when one runs now.
    bool Start();
    bool IsRunning() const { return get_.IsRunning(); }
    bool IsFinished() const { return source_.State() != FetchState::None && !IsRunning(); }

    CUpdateSource& Source() { return source_; }
    const CUpdateSource& Source() const { return source_; }

signals:
    void finished();

private:
    void OnFinished(CBoundedGet::Result result);

    QUrl url_;
    CUpdateSource source_;
    CBoundedGet get_;
    QByteArray body_;
};

} // namespace vorex::update
