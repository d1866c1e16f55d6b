// Entry point of the tarnix program. Switches: --nosplash (also -nosplash, /nosplash) skips the splash.
#include <QApplication>

#include "ui/tarnix_app.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnix"));
    // The main frame's close ends the program, also while a modeless dialog is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    tarnix::CTarnixApp tarnix;
    if (!tarnix.InitInstance(QCoreApplication::applicationDirPath().toStdString(),
                             QCoreApplication::arguments())) {
        return 0;
    }
    return QApplication::exec();
}
