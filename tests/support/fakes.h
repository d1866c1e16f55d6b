// Stand-ins several suites share: a message box that records what it would show ("caption: text"),
// and a panel timer that only notes whether it runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "document/user_notifier.h"
#include "recorder/recorder.h"

namespace tarnix::testing {

class CRecordingNotifier final : public IUserNotifier {
public:
    std::vector<std::string> messages;
    void ShowMessage(std::string_view caption, std::string_view text) override {
        messages.push_back(std::string(caption) + ": " + std::string(text));
    }
};

class CFakeTimer final : public IPanelTimer {
public:
    bool running = false;
    int interval = 0;
    void Start(int intervalMs) override {
        running = true;
        interval = intervalMs;
    }
    void Stop() override { running = false; }
};

} // namespace tarnix::testing
