// The remote-control socket: a listener on the GUI thread that cuts each client's bytes into lines and
// hands them to that client's CRemoteSession, which works on the document and the command table like
// the menus do, a bounded slice at a time. Off unless started with --remote; 127.0.0.1 unless
// --remote-bind names another address.
#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "remote/remote_host.h"

class QLabel;
class QTcpServer;
class QSocketNotifier;
class QTimer;

namespace tarnix {

class CTarnixApp;
class CRemoteSession;

inline constexpr quint16 kRemoteDefaultPort = 5025;
inline constexpr int kRemoteMaxClients = 4;
inline constexpr qsizetype kRemoteMaxLineBytes = 1 << 20;
// A client's commands pause while this much of its answers is unsent, until it reads them.
inline constexpr qsizetype kRemoteMaxUnsentBytes = 1 << 20;
// A client that neither sends nor reads for this long is closed (--remote-idle=SECONDS; 0: never).
inline constexpr int kRemoteDefaultIdleSeconds = 600;
// Language key of the status-bar note while clients are connected ("%1" is their count).
inline constexpr int kTextRemoteClients = 4090;

struct RemoteOptions {
    bool enabled = false;
    quint16 port = kRemoteDefaultPort;
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    QString filesFolder; // MMEMory paths stay inside it; empty: "Tarnix" in the documents folder
    int idleSeconds = kRemoteDefaultIdleSeconds;
};

// --remote[=PORT], --remote-bind=ADDRESS, --remote-files=DIR and --remote-idle=SECONDS (each of the
// last three implies --remote); nullopt with `error` set for a bad port, address or time.
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
    bool ModalDialogOpen() override;
    std::vector<std::uint8_t> WindowImagePng() override;
    std::vector<std::uint8_t> ScreenSvg() override;

private:
    CTarnixApp& app_;
};

class CRemoteServer : public QObject {
    Q_OBJECT

public:
    CRemoteServer(CTarnixApp& app, const RemoteOptions& options, QObject* parent = nullptr);
    ~CRemoteServer() override;

    // Starts listening; false with `error` set when the address or port cannot be used.
    bool Listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 Port() const;
    int ClientCount() const { return static_cast<int>(clients_.size()); }

private:
    // One connection on its own socket descriptor, so a client that shuts down its sending side is
    // still answered, and reading stops while its input is full (the kernel then holds the sender).
    struct Client {
        int fd = -1;
        QSocketNotifier* reader = nullptr;
        QSocketNotifier* writer = nullptr;
        std::unique_ptr<CRemoteSession> session;
        std::string input;
        std::size_t inputStart = 0; // bytes of `input` already run
        std::string output;
        std::size_t outputSent = 0;
        bool inputEnded = false;
        qint64 lastActivityMs = 0;
    };

    void Accept(qintptr descriptor);
    void OnReadable(Client* client);
    void OnWritable(Client* client);
    // Runs a client's commands for one time slice; false when the client was dropped.
    bool Work(Client& client);
    bool WorkSlice(Client& client);
    bool HasWork(const Client& client) const;
    // A client whose unsent answers exceed the limit runs nothing more until it reads them.
    static bool Paused(const Client& client);
    // Every client with work gets a slice; again on the next turn of the event loop while work remains.
    void RunClients();
    void ScheduleWork();
    bool Flush(Client& client);
    void Drop(Client* client);
    bool Alive(const Client* client) const;
    void CloseIdle();
    void UpdateStatus();

    CTarnixApp& app_;
    CAppRemoteHost host_;
    RemoteOptions options_;
    QTcpServer* server_ = nullptr;
    QTimer* workTimer_ = nullptr;
    QTimer* waitTimer_ = nullptr;
    QTimer* idleTimer_ = nullptr;
    QElapsedTimer clock_;
    QPointer<QLabel> statusLabel_;
    std::vector<std::unique_ptr<Client>> clients_;
    bool working_ = false;
};

} // namespace tarnix
