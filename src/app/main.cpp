// Entry point of the tarnix program.
#include <QApplication>

#include "ui/tarnix_app.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnix"));
    tarnix::CTarnixApp tarnix;
    if (!tarnix.InitInstance(QCoreApplication::applicationDirPath().toStdString())) {
        return 0;
    }
    return QApplication::exec();
}
