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

    // $VOREX_UPDATE_URL, else the maker's update server; a missing final "/" is added.
    static QString DefaultBaseUrl();
    // With $VOREX_UPDATE_CA (a PEM file, e.g. of a site's own update mirror) only its
    // certificates are trusted, none when it holds none; without it the system's.
    static std::optional<QSslConfiguration> DefaultSsl();
};

} // namespace vorex::update
