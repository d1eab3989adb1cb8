#include "shell/App.h"

#include <QGuiApplication>

int main(int argc, char** argv) {
    // The window manager finds the desktop entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(VOREX_APP_ID));
    return vorex::shell::RunProgram(argc, argv);
}
