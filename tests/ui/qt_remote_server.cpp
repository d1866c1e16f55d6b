// The program's remote control while a modal dialog waits: settings are refused, queries still answered.
#include <QDialog>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/main_frame.h"
#include "ui/remote_server.h"
#include "ui/tarnix_app.h"

using namespace tarnix;

class TestRemoteServer : public QObject {
    Q_OBJECT

private slots:
    void SettingsWaitForTheModalDialog();
};

void TestRemoteServer::SettingsWaitForTheModalDialog() {
    QTemporaryDir folder;
    CTarnixApp app;
    QVERIFY(app.InitInstance(folder.path().toStdString(),
                             {QStringLiteral("--demo"), QStringLiteral("--nosplash")}));
    CRemoteServer server(app, RemoteOptions{});
    QString error;
    QVERIFY(server.Listen(QHostAddress(QHostAddress::LocalHost), 0, &error));
    QTcpSocket client;
    client.connectToHost(QHostAddress(QHostAddress::LocalHost), server.Port());
    QVERIFY(client.waitForConnected(5000));
    const auto ask = [&client](const QByteArray& line) {
        client.write(line + "\n");
        return QTest::qWaitFor([&client] { return client.canReadLine(); }, 10000)
                   ? client.readLine().trimmed()
                   : QByteArray("no answer");
    };
    const QByteArray scale = ask("TIM:SCAL?");

    QDialog dialog(&app.Frame());
    dialog.setModal(true);
    dialog.show();
    QCOMPARE(ask("TIM:SCAL 2ms;:SYST:ERR?"), QByteArray("-221,\"Settings conflict;a dialog is open\""));
    QCOMPARE(ask("TIM:SCAL?"), scale);
    dialog.close();
    QCOMPARE(ask("TIM:SCAL 2ms;:SYST:ERR?;:TIM:SCAL?"), QByteArray("0,\"No error\";2.000000E-03"));
}

QTEST_MAIN(TestRemoteServer)
#include "qt_remote_server.moc"
