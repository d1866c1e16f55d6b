// Ending the program from outside: SIGTERM, SIGINT and SIGHUP (a shutdown, a logout, Ctrl+C in the
// terminal) close the main window as File/Exit does, so Default.set keeps the session's settings; a second
// signal ends the program at once. The desktop session manager's save request writes Default.set too.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace tarnix {

class CExitRequests : public QObject {
    Q_OBJECT

public:
    // `close` runs on the GUI thread for the first signal; `save` for each session-manager request.
    CExitRequests(std::function<void()> close, std::function<void()> save, QObject* parent = nullptr);
    // Gives the signals their default action back.
    ~CExitRequests() override;
    CExitRequests(const CExitRequests&) = delete;
    CExitRequests& operator=(const CExitRequests&) = delete;

private:
    void OnSignalByte();

    std::function<void()> close_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tarnix
