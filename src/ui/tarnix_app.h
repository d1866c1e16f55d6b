// The application object: loads the driver library, creates the one document and the main frame
// (which creates the view), and runs start-up.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "document/user_notifier.h"

namespace tarnix {

class CTarnixDoc;
class CMainFrame;
class IDriverLibrary;

// Message boxes of the document, shown with Qt.
class CMessageBoxNotifier : public IUserNotifier {
public:
    void ShowMessage(std::string_view caption, std::string_view text) override;
};

class CTarnixApp {
public:
    CTarnixApp();
    ~CTarnixApp();
    CTarnixApp(const CTarnixApp&) = delete;
    CTarnixApp& operator=(const CTarnixApp&) = delete;

    // Creates document, frame and view and starts the cycle; the frame shows itself on the first
    // timer tick. False when start-up ended in "close" (the device choice was cancelled).
    bool InitInstance(const std::string& programDir);

    CTarnixDoc& Document() { return *doc_; }
    CMainFrame& Frame() { return *frame_; }

private:
    std::unique_ptr<IDriverLibrary> library_;
    CMessageBoxNotifier notifier_;
    std::unique_ptr<CTarnixDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
};

} // namespace tarnix
