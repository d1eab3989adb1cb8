#pragma once
// Where and how the update check fetches: the base address of the version files and
// installers, the TLS configuration (tests give their own CA) and the size limits.
#include <QSslConfiguration>
#include <QString>
#include <optional>

namespace vorex::update {

struct UpdateSettings {
    // Base address ending in "/"; the version files' names are appended. Empty: nothing
    // is fetched.
    QString baseUrl = DefaultBaseUrl();
    // TLS configuration of every request; without one the system's CAs are trusted.
    std::optional<QSslConfiguration> ssl = DefaultSsl();
    qint64 maxVersionFileBytes = qint64(1) << 20;
    qint64 maxInstallerBytes = qint64(512) << 20;
    // Folder of downloaded installers; empty: the temporary folder.
    QString installerFolder;
    // A request that transfers nothing for this long fails.
    int transferTimeoutMs = 30000;
    // A version file that is not complete after this long fails, however slowly the
    // server keeps sending.
    int versionFileDeadlineMs = 60000;
    // An installer download fails when it is not complete after this long, or when it
    // brings less than minInstallerBytesPerSecond over any rate window.
    int installerDeadlineMs = 30 * 60 * 1000;
    qint64 minInstallerBytesPerSecond = 1024;
    int rateWindowMs = 30000;
    // Why nothing can be fetched with these settings (a CA file that is missing or holds
    // no certificate); empty when all is well.
    QString setupError = DefaultSetupError();

    // $VOREX_UPDATE_URL, else the maker's update server; a missing final "/" is added.
    static QString DefaultBaseUrl();
    // With $VOREX_UPDATE_CA (a PEM file, e.g. of a site's own update mirror) only its
    // certificates are trusted, none when it holds none; without it the system's.
    static std::optional<QSslConfiguration> DefaultSsl();
    // The problem with $VOREX_UPDATE_CA, if any.
    static QString DefaultSetupError();
};

} // namespace vorex::update
