#include "ui/exit_requests.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tarnix {

namespace {

constexpr int kExitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only touch these: it writes the signal into the pipe and the event loop does the rest.
volatile std::sig_atomic_t g_signalled = 0;
int g_pipe[2] = {-1, -1};

void OnExitSignal(int signalNumber) {
    if (g_signalled != 0) {
        // The close is already on its way but has not finished: the user insists.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    g_signalled = 1;
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    (void)!::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

CExitRequests::CExitRequests(std::function<void()> close, std::function<void()> save, QObject* parent)
    : QObject(parent), close_(std::move(close)) {
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // without the pipe the signals keep their default action
    }
    g_signalled = 0;
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CExitRequests::OnSignalByte);
    struct sigaction action {};
    action.sa_handler = OnExitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kExitSignals) {
        ::sigaction(signalNumber, &action, nullptr);
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()); app != nullptr && save) {
        // The session manager may end the program without a close, so its requests save at once.
        connect(app, &QGuiApplication::commitDataRequest, this, [save](QSessionManager&) { save(); });
        connect(app, &QGuiApplication::saveStateRequest, this, [save](QSessionManager&) { save(); });
    }
}

CExitRequests::~CExitRequests() {
    for (const int signalNumber : kExitSignals) {
        std::signal(signalNumber, SIG_DFL);
    }
}

void CExitRequests::OnSignalByte() {
    char bytes[16];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    if (close_) {
        close_();
    }
}

} // namespace tarnix
