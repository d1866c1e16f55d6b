// The remote-control socket: a QTcpServer on the GUI thread that cuts each client's bytes into lines and
// hands them to that client's CRemoteSession, which works on the document and the command table like
// the menus do. Off unless started with --remote; 127.0.0.1 unless --remote-bind names another address.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "remote/remote_host.h"

class QLabel;
class QTcpServer;
class QTcpSocket;
class QTimer;

namespace tarnix {

class CTarnixApp;
class CRemoteSession;

inline constexpr quint16 kRemoteDefaultPort = 5025;
inline constexpr int kRemoteMaxClients = 4;
inline constexpr qsizetype kRemoteMaxLineBytes = 1 << 20;
// A client that leaves this much of its replies unread is dropped rather than buffered without end.
inline constexpr qint64 kRemoteMaxPendingReplyBytes = 64 << 20;
// Language key of the status-bar note while clients are connected ("%1" is their count).
inline constexpr int kTextRemoteClients = 4090;

struct RemoteOptions {
    bool enabled = false;
    quint16 port = kRemoteDefaultPort;
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
};

// --remote[=PORT] and --remote-bind=ADDRESS (which implies --remote); nullopt with `error` set for a bad
// port or address.
std::optional<RemoteOptions> ParseRemoteOptions(const QStringList& arguments, QString* error);

// The program's windows as the remote commands use them.
class CAppRemoteHost final : public IRemoteHost {
public:
    explicit CAppRemoteHost(CTarnixApp& app) : app_(app) {}
    bool CommandEnabled(int command) override;
    void ExecuteCommand(int command) override;
    void ExecuteFileCommand(int command, const std::string& path, int saveChannel) override;
    void MoveZeroLevel(int channel, float level) override;
    void MoveTriggerLevel(int channel, float level) override;
    void MoveHorizontalPosition(int position) override;
    void SetAverageCount(int count) override;
    void ChooseFftList(FftList list, int index) override;
    void ToggleFftRunning() override;
    void CreatePassFailMask() override;
    void StartPassFail() override;
    void StopPassFail() override;
    std::vector<std::uint8_t> WindowImagePng() override;
    std::vector<std::uint8_t> ScreenSvg() override;

private:
    CTarnixApp& app_;
};

class CRemoteServer : public QObject {
    Q_OBJECT

public:
    explicit CRemoteServer(CTarnixApp& app, QObject* parent = nullptr);
    ~CRemoteServer() override;

    // Starts listening; false with `error` set when the address or port cannot be used.
    bool Listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 Port() const;
    int ClientCount() const { return static_cast<int>(clients_.size()); }

private:
    struct Client {
        QPointer<QTcpSocket> socket;
        std::unique_ptr<CRemoteSession> session;
        QByteArray buffer;
    };

    void OnNewConnection();
    void OnReadyRead(QTcpSocket* socket);
    void OnDisconnected(QTcpSocket* socket);
    // Runs the complete lines a client has sent, unless its session waits in *OPC?.
    void ProcessLines(Client& client);
    void Resume();
    void Send(Client& client, const std::string& reply);
    void Drop(QTcpSocket* socket);
    Client* Find(const QTcpSocket* socket);
    void UpdateStatus();

    CTarnixApp& app_;
    CAppRemoteHost host_;
    QTcpServer* server_ = nullptr;
    QTimer* resumeTimer_ = nullptr;
    QPointer<QLabel> statusLabel_;
    std::vector<std::unique_ptr<Client>> clients_;
};

} // namespace tarnix
