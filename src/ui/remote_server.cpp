#include "document/tarnix_doc.h"

#include "ui/remote_server.h"

#include <QBuffer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

#include "display/wave_screen.h"
#include "remote/remote_session.h"
#include "ui/command_table.h"
#include "ui/fft_window.h"
#include "ui/image_export.h"
#include "ui/main_frame.h"
#include "ui/pass_fail_window.h"
#include "ui/tarnix_app.h"
#include "ui/tarnix_view.h"
#include "ui/view_panels.h"

namespace tarnix {

namespace {
// How often a session waiting in *OPC? looks again; one acquisition tick.
constexpr int kResumeIntervalMs = 30;
// The longest a client's queued lines keep the GUI thread before the event loop gets a turn.
constexpr qint64 kMaxBatchMs = 10;
} // namespace

std::optional<RemoteOptions> ParseRemoteOptions(const QStringList& arguments, QString* error) {
    RemoteOptions options;
    const QString remote = QStringLiteral("--remote");
    const QString remoteEq = QStringLiteral("--remote=");
    const QString bindEq = QStringLiteral("--remote-bind=");
    for (const QString& argument : arguments) {
        if (argument == remote) {
            options.enabled = true;
        } else if (argument.startsWith(remoteEq)) {
            bool ok = false;
            const uint port = argument.mid(remoteEq.size()).toUInt(&ok);
            if (!ok || port == 0 || port > 65535) {
                *error = QStringLiteral("invalid port in %1").arg(argument);
                return std::nullopt;
            }
            options.enabled = true;
            options.port = static_cast<quint16>(port);
        } else if (argument.startsWith(bindEq)) {
            const QHostAddress address(argument.mid(bindEq.size()));
            if (address.isNull()) {
                *error = QStringLiteral("invalid address in %1").arg(argument);
                return std::nullopt;
            }
            options.enabled = true;
            options.address = address;
        }
    }
    return options;
}

// ---- The program's side of the remote commands --------------------------------------------------

bool CAppRemoteHost::CommandEnabled(int command) {
    CCommandTable& table = app_.Commands();
    return table.HasCommand(command) && table.Evaluate(command).enabled;
}

void CAppRemoteHost::ExecuteCommand(int command) {
    app_.Commands().Execute(command);
}

void CAppRemoteHost::ExecuteFileCommand(int command, const std::string& path, int saveChannel) {
    app_.Commands().ExecuteWithAnswers(command, path, saveChannel);
}

void CAppRemoteHost::MoveZeroLevel(int channel, float level) {
    app_.Frame().View().Screen().MoveZeroLevel(channel, level);
}

// As a drag of the level marker ends: the level, the marker back on the screen, the markers placed.
void CAppRemoteHost::MoveTriggerLevel(int channel, float level) {
    CTarnixDoc& doc = app_.Document();
    doc.SetTriggerLevel(channel, level);
    (channel == kCh1 ? doc.settings.trigger.levelMarkerCh1 : doc.settings.trigger.levelMarkerCh2) =
        kMarkerOnScreen;
    CWaveScreen& screen = app_.Frame().View().Screen();
    screen.UpdateMarkers();
    screen.Redraw();
}

void CAppRemoteHost::MoveHorizontalPosition(int position) {
    app_.Document().SetHorizontalPosition(position);
    CWaveScreen& screen = app_.Frame().View().Screen();
    screen.UpdateMarkers();
    screen.Redraw();
}

// The Average dialog's OK: an unchanged count keeps the averaging in progress.
void CAppRemoteHost::SetAverageCount(int count) {
    CTarnixDoc& doc = app_.Document();
    if (count != doc.settings.acquire.averageCount) {
        doc.SetAverageCount(count);
    }
}

void CAppRemoteHost::ChooseFftList(FftList list, int index) {
    CFftWindow& fft = app_.Panels().Fft();
    QComboBox* box = list == FftList::kSource   ? fft.SourceList()
                     : list == FftList::kWindow ? fft.WindowList()
                                                : fft.BinsList();
    if (index >= 0 && index < box->count()) {
        box->setCurrentIndex(index);
    }
}

void CAppRemoteHost::ToggleFftRunning() {
    app_.Panels().Fft().ToggleRunning();
}

void CAppRemoteHost::CreatePassFailMask() {
    app_.Panels().PassFail().CreateMask();
}

void CAppRemoteHost::StartPassFail() {
    app_.Panels().PassFail().StartTest();
}

void CAppRemoteHost::StopPassFail() {
    app_.Panels().PassFail().StopTest();
}

std::vector<std::uint8_t> CAppRemoteHost::WindowImagePng() {
    const QImage image = app_.Frame().grab().toImage();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return {};
    }
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            reinterpret_cast<const std::uint8_t*>(bytes.constData()) + bytes.size()};
}

std::vector<std::uint8_t> CAppRemoteHost::ScreenSvg() {
    const QByteArray bytes = ScreenSvgBytes(app_.Frame().View().Screen());
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            reinterpret_cast<const std::uint8_t*>(bytes.constData()) + bytes.size()};
}

// ---- The server -------------------------------------------------------------------------------------

CRemoteServer::CRemoteServer(CTarnixApp& app, QObject* parent)
    : QObject(parent), app_(app), host_(app), server_(new QTcpServer(this)), resumeTimer_(new QTimer(this)) {
    server_->setMaxPendingConnections(kRemoteMaxClients);
    connect(server_, &QTcpServer::newConnection, this, &CRemoteServer::OnNewConnection);
    resumeTimer_->setInterval(kResumeIntervalMs);
    connect(resumeTimer_, &QTimer::timeout, this, &CRemoteServer::Resume);
}

CRemoteServer::~CRemoteServer() {
    for (const auto& client : clients_) {
        if (client->socket != nullptr) {
            client->socket->disconnect(this);
        }
    }
}

bool CRemoteServer::Listen(const QHostAddress& address, quint16 port, QString* error) {
    if (!server_->listen(address, port)) {
        *error = server_->errorString();
        return false;
    }
    return true;
}

quint16 CRemoteServer::Port() const {
    return server_->serverPort();
}

CRemoteServer::Client* CRemoteServer::Find(const QTcpSocket* socket) {
    const auto it = std::find_if(clients_.begin(), clients_.end(),
                                 [socket](const auto& client) { return client->socket == socket; });
    return it == clients_.end() ? nullptr : it->get();
}

void CRemoteServer::OnNewConnection() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (ClientCount() >= kRemoteMaxClients) {
            // Refused: closed at once, without a word on the socket.
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto client = std::make_unique<Client>();
        client->socket = socket;
        client->session = std::make_unique<CRemoteSession>(app_.Document(), host_);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { OnDisconnected(socket); });
        clients_.push_back(std::move(client));
    }
    UpdateStatus();
}

void CRemoteServer::OnReadyRead(QTcpSocket* socket) {
    Client* client = Find(socket);
    if (client == nullptr) {
        return;
    }
    client->buffer.append(socket->readAll());
    ProcessLines(*client);
}

void CRemoteServer::ProcessLines(Client& client) {
    QPointer<QTcpSocket> socket = client.socket;
    QElapsedTimer busy;
    busy.start();
    while (socket != nullptr && !client.session->Waiting()) {
        if (busy.elapsed() > kMaxBatchMs) {
            // A client with a long queue of commands must not hold up the acquisition and the
            // repaints: the rest waits for the next turn of the event loop.
            QTimer::singleShot(0, this, [this, socket] {
                if (Client* next = socket != nullptr ? Find(socket) : nullptr) {
                    ProcessLines(*next);
                }
            });
            return;
        }
        const qsizetype newline = client.buffer.indexOf('\n');
        if (newline < 0) {
            if (client.buffer.size() > kRemoteMaxLineBytes) {
                // No line of this length is a command: the client is dropped rather than buffered.
                Drop(socket);
            }
            return;
        }
        if (newline > kRemoteMaxLineBytes) {
            client.buffer.remove(0, newline + 1);
            client.session->Errors().Push(scpi::kInputBufferOverrun);
            continue;
        }
        const QByteArray line = client.buffer.left(newline);
        client.buffer.remove(0, newline + 1);
        std::string reply;
        // A handler's message box would stall the session: its messages become the session's errors.
        app_.Notifier().RedirectTo(client.session.get());
        client.session->Feed(std::string_view(line.constData(), static_cast<std::size_t>(line.size())),
                             reply);
        app_.Notifier().RedirectTo(nullptr);
        Send(client, reply);
        // Send may have dropped the client, which deletes `client`.
        if (socket == nullptr || Find(socket) == nullptr) {
            return;
        }
    }
    if (client.session->Waiting() && !resumeTimer_->isActive()) {
        resumeTimer_->start();
    }
}

void CRemoteServer::Resume() {
    bool waiting = false;
    // A copy of the sockets: a client may be dropped while its reply is sent.
    std::vector<QPointer<QTcpSocket>> sockets;
    for (const auto& client : clients_) {
        sockets.push_back(client->socket);
    }
    for (const QPointer<QTcpSocket>& socket : sockets) {
        Client* client = socket != nullptr ? Find(socket) : nullptr;
        if (client == nullptr || !client->session->Waiting()) {
            continue;
        }
        std::string reply;
        app_.Notifier().RedirectTo(client->session.get());
        client->session->Resume(reply);
        app_.Notifier().RedirectTo(nullptr);
        Send(*client, reply);
        client = socket != nullptr ? Find(socket) : nullptr;
        if (client == nullptr) {
            continue;
        }
        if (!client->session->Waiting()) {
            ProcessLines(*client);
        }
        client = socket != nullptr ? Find(socket) : nullptr;
        waiting = waiting || (client != nullptr && client->session->Waiting());
    }
    if (!waiting) {
        resumeTimer_->stop();
    }
}

void CRemoteServer::Send(Client& client, const std::string& reply) {
    if (reply.empty() || client.socket == nullptr) {
        return;
    }
    client.socket->write(reply.data(), static_cast<qint64>(reply.size()));
    if (client.socket->bytesToWrite() > kRemoteMaxPendingReplyBytes) {
        // The client stopped reading; its replies would otherwise pile up in memory.
        Drop(client.socket);
    }
}

void CRemoteServer::Drop(QTcpSocket* socket) {
    socket->disconnect(this);
    socket->abort();
    OnDisconnected(socket);
}

void CRemoteServer::OnDisconnected(QTcpSocket* socket) {
    const auto it = std::find_if(clients_.begin(), clients_.end(),
                                 [socket](const auto& client) { return client->socket == socket; });
    if (it == clients_.end()) {
        return;
    }
    clients_.erase(it);
    socket->deleteLater();
    UpdateStatus();
}

void CRemoteServer::UpdateStatus() {
    QStatusBar* bar = app_.Frame().statusBar();
    if (statusLabel_ == nullptr) {
        statusLabel_ = new QLabel(bar);
        bar->addPermanentWidget(statusLabel_);
    }
    QString text = QString::fromStdString(app_.Document().Text(kTextRemoteClients));
    if (text.isEmpty()) {
        text = QStringLiteral("Remote: %1");
    }
    statusLabel_->setText(text.arg(ClientCount()));
    statusLabel_->setVisible(ClientCount() > 0);
}

} // namespace tarnix
