#pragma once
// The application of a benchmark of the Qt program.
#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace vbench {

// For the life of the object: the application, offscreen unless QT_QPA_PLATFORM says
// otherwise, its settings in a temporary folder.
class COffscreenApp {
public:
    COffscreenApp(int& argc, char** argv, const QString& application) {
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_.emplace(argc, argv);
        QCoreApplication::setOrganizationName(QStringLiteral("Nvk Applikationen"));
        QCoreApplication::setApplicationName(application);
    }

private:
    QTemporaryDir config_;
    std::optional<QApplication> app_;
};

} // namespace vbench
