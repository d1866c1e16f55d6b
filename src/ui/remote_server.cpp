#include "document/tarnix_doc.h"

#include "ui/remote_server.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTcpServer>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

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
// The longest a client's commands keep the GUI thread in one turn of the event loop.
constexpr qint64 kSliceMs = 8;
// How often waiting sessions look again when no acquisition tick comes (the timer is stopped).
constexpr int kWaitIntervalMs = 50;
constexpr std::size_t kReadChunk = 64 * 1024;

// A listener that hands each accepted connection's descriptor over instead of wrapping it.
class CListener final : public QTcpServer {
public:
    explicit CListener(std::function<void(qintptr)> accept, QObject* parent)
        : QTcpServer(parent), accept_(std::move(accept)) {}

protected:
    void incomingConnection(qintptr descriptor) override { accept_(descriptor); }

private:
    std::function<void(qintptr)> accept_;
};
} // namespace

std::optional<RemoteOptions> ParseRemoteOptions(const QStringList& arguments, QString* error) {
    RemoteOptions options;
    const QString remote = QStringLiteral("--remote");
    const QString remoteEq = QStringLiteral("--remote=");
    const QString bindEq = QStringLiteral("--remote-bind=");
    const QString filesEq = QStringLiteral("--remote-files=");
    const QString idleEq = QStringLiteral("--remote-idle=");
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
        } else if (argument.startsWith(filesEq)) {
            options.filesFolder = argument.mid(filesEq.size());
            if (options.filesFolder.isEmpty()) {
                *error = QStringLiteral("no folder in %1").arg(argument);
                return std::nullopt;
            }
            options.enabled = true;
        } else if (argument.startsWith(idleEq)) {
            bool ok = false;
            const int seconds = argument.mid(idleEq.size()).toInt(&ok);
            if (!ok || seconds < 0) {
                *error = QStringLiteral("invalid time in %1").arg(argument);
                return std::nullopt;
            }
            options.enabled = true;
            options.idleSeconds = seconds;
        }
    }
    if (options.filesFolder.isEmpty()) {
        options.filesFolder =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Tarnix");
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
                     : list == FftList::kBins   ? fft.BinsList()
                                                : fft.ScaleList();
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

bool CAppRemoteHost::ModalDialogOpen() {
    return QApplication::activeModalWidget() != nullptr;
}

std::vector<std::uint8_t> CAppRemoteHost::WindowImagePng() {
    const QImage image = app_.Frame().grab().toImage();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    // Quality 80 is zlib's fastest levels: a window picture costs the window a few milliseconds, not tens.
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG", 80)) {
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

CRemoteServer::CRemoteServer(CTarnixApp& app, const RemoteOptions& options, QObject* parent)
    : QObject(parent), app_(app), host_(app), options_(options),
      server_(new CListener([this](qintptr descriptor) { Accept(descriptor); }, this)),
      workTimer_(new QTimer(this)), waitTimer_(new QTimer(this)), idleTimer_(new QTimer(this)) {
    clock_.start();
    workTimer_->setSingleShot(true);
    workTimer_->setInterval(0);
    connect(workTimer_, &QTimer::timeout, this, &CRemoteServer::RunClients);
    // Waiting sessions look again right after each acquisition tick, and now and then without one.
    connect(&app_.Frame().View().Timer(), &QTimer::timeout, this, &CRemoteServer::ScheduleWork);
    waitTimer_->setInterval(kWaitIntervalMs);
    connect(waitTimer_, &QTimer::timeout, this, &CRemoteServer::ScheduleWork);
    if (options_.idleSeconds > 0) {
        idleTimer_->setInterval(std::min(1000, options_.idleSeconds * 250));
        connect(idleTimer_, &QTimer::timeout, this, &CRemoteServer::CloseIdle);
        idleTimer_->start();
    }
}

CRemoteServer::~CRemoteServer() {
    for (const auto& client : clients_) {
        ::close(client->fd);
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

bool CRemoteServer::Alive(const Client* client) const {
    return std::any_of(clients_.begin(), clients_.end(),
                       [client](const auto& c) { return c.get() == client; });
}

void CRemoteServer::Accept(qintptr descriptor) {
    const int fd = static_cast<int>(descriptor);
    if (ClientCount() >= kRemoteMaxClients) {
        // Refused: closed at once, without a word on the socket.
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto client = std::make_unique<Client>();
    Client* raw = client.get();
    raw->fd = fd;
    raw->lastActivityMs = clock_.elapsed();
    raw->session =
        std::make_unique<CRemoteSession>(app_.Document(), host_, options_.filesFolder.toStdString());
    raw->reader = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    raw->writer = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    raw->writer->setEnabled(false);
    connect(raw->reader, &QSocketNotifier::activated, this, [this, raw] { OnReadable(raw); });
    connect(raw->writer, &QSocketNotifier::activated, this, [this, raw] { OnWritable(raw); });
    clients_.push_back(std::move(client));
    UpdateStatus();
}

void CRemoteServer::OnReadable(Client* client) {
    if (!Alive(client)) {
        return;
    }
    // At most one line's worth beyond what waits to run: a longer line is no command, and a client
    // whose lines wait (in *OPC?, or for its answers to be read) is held back by the kernel.
    const std::size_t cap = static_cast<std::size_t>(kRemoteMaxLineBytes) + 1;
    char chunk[kReadChunk];
    while (client->input.size() - client->inputStart < cap) {
        const std::size_t room = std::min(sizeof chunk, cap - (client->input.size() - client->inputStart));
        const ssize_t n = ::recv(client->fd, chunk, room, 0);
        if (n > 0) {
            client->input.append(chunk, static_cast<std::size_t>(n));
            client->lastActivityMs = clock_.elapsed();
            continue;
        }
        if (n == 0) {
            client->inputEnded = true;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            Drop(client);
            return;
        }
        break;
    }
    client->reader->setEnabled(!client->inputEnded && client->input.size() - client->inputStart < cap);
    if (Work(*client)) {
        ScheduleWork();
    }
}

void CRemoteServer::OnWritable(Client* client) {
    if (Alive(client) && Flush(*client) && Work(*client)) {
        ScheduleWork();
    }
}

bool CRemoteServer::Flush(Client& client) {
    while (client.outputSent < client.output.size()) {
        const ssize_t n = ::send(client.fd, client.output.data() + client.outputSent,
                                 client.output.size() - client.outputSent, MSG_NOSIGNAL);
        if (n > 0) {
            client.outputSent += static_cast<std::size_t>(n);
            client.lastActivityMs = clock_.elapsed();
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            break;
        } else {
            Drop(&client);
            return false;
        }
    }
    if (client.outputSent == client.output.size()) {
        client.output.clear();
        client.outputSent = 0;
    }
    client.writer->setEnabled(client.outputSent < client.output.size());
    return true;
}

bool CRemoteServer::Paused(const Client& client) {
    return client.output.size() - client.outputSent > static_cast<std::size_t>(kRemoteMaxUnsentBytes);
}

bool CRemoteServer::HasWork(const Client& client) const {
    if (client.session->Waiting() || Paused(client)) {
        return false;
    }
    return client.session->LineInProgress() ||
           client.input.find('\n', client.inputStart) != std::string::npos ||
           (client.inputEnded && client.inputStart < client.input.size());
}

bool CRemoteServer::Work(Client& client) {
    if (working_) {
        // A command that runs an event loop of its own (a dialog) must not run commands inside it.
        return true;
    }
    working_ = true;
    const bool alive = WorkSlice(client);
    working_ = false;
    return alive;
}

bool CRemoteServer::WorkSlice(Client& client) {
    QElapsedTimer slice;
    slice.start();
    // A handler's message box would stall the session: its messages become the session's errors.
    app_.Notifier().RedirectTo(client.session.get());
    while (slice.elapsed() < kSliceMs && !Paused(client)) {
        const CRemoteSession::Progress progress = client.session->Step(client.output);
        if (progress == CRemoteSession::Progress::kWaiting) {
            break;
        }
        if (progress == CRemoteSession::Progress::kRan) {
            continue;
        }
        const std::size_t newline = client.input.find('\n', client.inputStart);
        std::size_t end = newline;
        if (newline == std::string::npos) {
            if (client.input.size() - client.inputStart > static_cast<std::size_t>(kRemoteMaxLineBytes)) {
                // No line of this length is a command: the client is dropped rather than buffered, after
                // the answers it has earned.
                app_.Notifier().RedirectTo(nullptr);
                if (Flush(client)) {
                    Drop(&client);
                }
                return false;
            }
            if (!client.inputEnded || client.inputStart == client.input.size()) {
                break;
            }
            end = client.input.size(); // the last line of a client that has stopped sending
        }
        client.session->Feed(
            std::string_view(client.input).substr(client.inputStart, end - client.inputStart));
        client.inputStart = std::min(end + 1, client.input.size());
    }
    app_.Notifier().RedirectTo(nullptr);
    if (client.inputStart > 0 &&
        (client.inputStart == client.input.size() || client.inputStart > (1U << 16))) {
        client.input.erase(0, client.inputStart);
        client.inputStart = 0;
    }
    if (!client.inputEnded && !client.reader->isEnabled() &&
        client.input.size() - client.inputStart <= static_cast<std::size_t>(kRemoteMaxLineBytes)) {
        client.reader->setEnabled(true);
    }
    if (!Flush(client)) {
        return false;
    }
    if (client.inputEnded && !HasWork(client) && !client.session->Waiting() &&
        !client.session->LineInProgress() && client.output.empty()) {
        // Everything the client sent before it stopped sending has been answered.
        Drop(&client);
        return false;
    }
    if (client.session->Waiting() && !waitTimer_->isActive()) {
        waitTimer_->start();
    }
    return true;
}

void CRemoteServer::ScheduleWork() {
    if (!workTimer_->isActive()) {
        workTimer_->start();
    }
}

void CRemoteServer::RunClients() {
    bool waiting = false;
    bool more = false;
    // A copy: a client may be dropped during its slice.
    std::vector<Client*> clients;
    for (const auto& client : clients_) {
        clients.push_back(client.get());
    }
    for (Client* client : clients) {
        if (!Alive(client) || !(client->session->Waiting() || HasWork(*client)) || !Work(*client)) {
            continue;
        }
        waiting = waiting || client->session->Waiting();
        more = more || HasWork(*client);
    }
    if (more) {
        ScheduleWork();
    }
    if (!waiting) {
        waitTimer_->stop();
    }
}

void CRemoteServer::Drop(Client* client) {
    const auto it =
        std::find_if(clients_.begin(), clients_.end(), [client](const auto& c) { return c.get() == client; });
    if (it == clients_.end()) {
        return;
    }
    // The notifiers may be the sender of the signal being handled: they go on the next turn.
    for (QSocketNotifier* notifier : {client->reader, client->writer}) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
    ::close(client->fd);
    clients_.erase(it);
    UpdateStatus();
}

void CRemoteServer::CloseIdle() {
    const qint64 now = clock_.elapsed();
    std::vector<Client*> idle;
    for (const auto& client : clients_) {
        if (!client->session->Waiting() &&
            now - client->lastActivityMs > qint64{options_.idleSeconds} * 1000) {
            idle.push_back(client.get());
        }
    }
    for (Client* client : idle) {
        Drop(client);
    }
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
