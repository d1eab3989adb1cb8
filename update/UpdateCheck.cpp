#include "update/UpdateCheck.h"

namespace vorex::update {

CUpdateCheck::CUpdateCheck(QNetworkAccessManager& network, const UpdateSettings& settings,
                           const std::string& fileName, const std::string& sectionName,
                           QObject* parent)
    : QObject(parent),
      url_(settings.baseUrl.isEmpty() ? QUrl()
                                      : QUrl(settings.baseUrl + QString::fromStdString(fileName))),
      source_(fileName, sectionName),
      get_(network, settings, {settings.maxVersionFileBytes, settings.versionFileDeadlineMs}) {
    connect(&get_, &CBoundedGet::finished, this, &CUpdateCheck::OnFinished);
}

bool CUpdateCheck::Start() {
    if (IsRunning())
        return true;
    if (source_.State() == FetchState::Fetched || url_.isEmpty())
        return false;
    body_.clear();
    const bool started = get_.Start(url_, [this](const QByteArray& piece) {
        body_ += piece;
        return true;
    });
    // An address or settings that cannot be fetched: the check has failed, and says why.
    if (!started)
        source_.SetFailed(get_.ErrorText().toStdString());
    return started;
}

void CUpdateCheck::OnFinished(CBoundedGet::Result result) {
    switch (result) {
    case CBoundedGet::Result::Ok:
        source_.SetFetched(body_.toStdString());
        break;
    case CBoundedGet::Result::HttpError:
        // The server answered, but has no version file: nothing to read.
        source_.SetFetched(std::string());
        break;
    default:
        source_.SetFailed(get_.ErrorText().toStdString());
        break;
    }
    body_.clear();
    emit finished();
}

} // namespace vorex::update
