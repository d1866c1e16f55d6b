// Entry point of the tarnix program. Switches: --nosplash (also -nosplash, /nosplash) skips the splash;
// --demo starts in demo mode without asking; --remote[=PORT] and the other --remote-* switches turn on the
// SCPI remote control (docs/remote.md).
#include <QApplication>
#include <QTextStream>
#include <memory>

#include "ui/exit_requests.h"
#include "ui/main_frame.h"
#include "ui/remote_server.h"
#include "ui/tarnix_app.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnix"));
    // The main frame's close ends the program, also while a modeless dialog is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    QString error;
    const std::optional<tarnix::RemoteOptions> remote =
        tarnix::ParseRemoteOptions(QCoreApplication::arguments(), &error);
    if (!remote) {
        QTextStream(stderr) << "tarnix: " << error << '\n';
        return 2;
    }
    tarnix::CTarnixApp tarnix;
    if (!tarnix.InitInstance(QCoreApplication::applicationDirPath().toStdString(),
                             QCoreApplication::arguments())) {
        return 0;
    }
    // From here on a signal or a logout ends the program as Exit does, with Default.set written.
    tarnix::CExitRequests exitRequests([&tarnix] { tarnix.Frame().close(); },
                                       [&tarnix] { tarnix.Frame().SaveDefaultSetup(); });
    std::unique_ptr<tarnix::CRemoteServer> server;
    if (remote->enabled) {
        server = std::make_unique<tarnix::CRemoteServer>(tarnix, *remote);
        if (!server->Listen(remote->address, remote->port, &error)) {
            QTextStream(stderr) << "tarnix: remote control on " << remote->address.toString() << ':'
                                << remote->port << ": " << error << '\n';
            return 1;
        }
    }
    return QApplication::exec();
}
