// The application object: loads the driver library, creates the one document, the main frame (which
// creates the view), the command table and the view's panels, and runs start-up in its order: splash,
// the view's first initialisation with the instrument search and Default.set, then the first tick.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "document/user_notifier.h"
#include "ui/shell_dialogs.h"

namespace tarnix {

class CTarnixDoc;
class CMainFrame;
class CCommandTable;
class CViewPanels;
class IDriverLibrary;

// Message boxes of the document, shown with Qt.
class CMessageBoxNotifier : public IUserNotifier {
public:
    void ShowMessage(std::string_view caption, std::string_view text) override;
    // While set, messages go to `sink` instead of a box: a remote command's refusals become errors in
    // its session, as a box would stall an unattended session.
    void RedirectTo(IUserNotifier* sink) { sink_ = sink; }

private:
    IUserNotifier* sink_ = nullptr;
};

// Where Default.set lives: beside the program when that folder is writable, else in the user's
// configuration folder (created when missing).
QString DefaultSetupLocation(const QString& programDir);

class CTarnixApp {
public:
    CTarnixApp();
    ~CTarnixApp();
    CTarnixApp(const CTarnixApp&) = delete;
    CTarnixApp& operator=(const CTarnixApp&) = delete;

    // Creates document, frame, view and their windows and starts the cycle; the frame shows itself on
    // the first timer tick. False when start-up ended in "close" at the device choice: Default.set has
    // been saved then and the caller ends the program. `chooser` null: the Searching Device and Device
    // List dialogs answer the start-up questions. "--demo" in `arguments` runs without the driver library
    // and answers Searching Device with Ignore, so an unattended machine starts in demo mode.
    bool InitInstance(const std::string& programDir, const QStringList& arguments = {},
                      IStartupChooser* chooser = nullptr);

    CTarnixDoc& Document() { return *doc_; }
    CMainFrame& Frame() { return *frame_; }
    CCommandTable& Commands() { return *table_; }
    CViewPanels& Panels() { return *panels_; }
    CSplashWindow* Splash() const { return splash_; }
    CMessageBoxNotifier& Notifier() { return notifier_; }

private:
    // Puts the splash behind the start-up dialogs before they ask.
    class CChooserGate : public IStartupChooser {
    public:
        explicit CChooserGate(CTarnixApp& app) : app_(app) {}
        std::optional<int> ChooseDevice(std::span<const FoundDevice> devices) override;
        NoDeviceChoice NoDeviceFound() override;

    private:
        CTarnixApp& app_;
    };

    std::unique_ptr<IDriverLibrary> library_;
    CMessageBoxNotifier notifier_;
    CChooserGate gate_{*this};
    IStartupChooser* chooser_ = nullptr;
    bool demoOnly_ = false;
    std::unique_ptr<IStartupChooser> dialogChooser_;
    std::unique_ptr<CTarnixDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    CCommandTable* table_ = nullptr; // owned by the frame
    CViewPanels* panels_ = nullptr;  // owned by the frame
    QPointer<CSplashWindow> splash_;
};

} // namespace tarnix
