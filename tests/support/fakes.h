// Stand-ins several suites share: a message box that records what it would show ("caption: text"), a
// start-up chooser with scripted answers, and a panel timer that only notes whether it runs.
#pragma once

#include <functional>
#include <optional>
#include <span>
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

class CScriptedChooser final : public IStartupChooser {
public:
    explicit CScriptedChooser(NoDeviceChoice answer = NoDeviceChoice::kIgnore) : noDeviceAnswer(answer) {}
    std::optional<int> deviceAnswer = 0;
    NoDeviceChoice noDeviceAnswer;
    std::vector<FoundDevice> offered;
    int noDeviceAsked = 0;
    std::function<void()> onNoDevice; // runs when the Searching Device dialog would open

    std::optional<int> ChooseDevice(std::span<const FoundDevice> devices) override {
        offered.assign(devices.begin(), devices.end());
        return deviceAnswer;
    }
    NoDeviceChoice NoDeviceFound() override {
        ++noDeviceAsked;
        if (onNoDevice) {
            onNoDevice();
        }
        return noDeviceAnswer;
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
