// A document wired to a fake driver, clock, random source, notifier and start-up chooser, with its
// status texts and repaints recorded.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../acquisition/fake_services.h"
#include "document/tarnix_doc.h"
#include "fake_driver.h"

namespace tarnix::testing {

class CRecordingNotifier final : public IUserNotifier {
public:
    std::vector<std::pair<std::string, std::string>> messages;
    void ShowMessage(std::string_view caption, std::string_view text) override {
        messages.emplace_back(std::string(caption), std::string(text));
    }
};

class CScriptedChooser final : public IStartupChooser {
public:
    std::optional<int> deviceAnswer = 0;
    NoDeviceChoice noDeviceAnswer = NoDeviceChoice::kIgnore;
    std::vector<FoundDevice> offered;
    int noDeviceAsked = 0;

    std::optional<int> ChooseDevice(std::span<const FoundDevice> devices) override {
        offered.assign(devices.begin(), devices.end());
        return deviceAnswer;
    }
    NoDeviceChoice NoDeviceFound() override {
        ++noDeviceAsked;
        return noDeviceAnswer;
    }
};

class DocTest : public ::testing::Test {
protected:
    CFakeDriver driver;
    CFakeClock clock;
    CFakeRandom random;
    CRecordingNotifier notifier;
    CScriptedChooser chooser;
    std::unique_ptr<CTarnixDoc> doc;
    std::vector<std::string> status;
    int repaints = 0;

    // withLibrary false: no driver library at all (demo mode after "Ignore").
    StartupResult Start(bool withLibrary = true) {
        DocumentServices services;
        services.library = withLibrary ? &driver : nullptr;
        services.clock = &clock;
        services.random = &random;
        services.notifier = &notifier;
        services.chooser = &chooser;
        doc = std::make_unique<CTarnixDoc>(services);
        doc->hooks.showStatus = [this](std::string_view text) { status.emplace_back(text); };
        doc->hooks.repaint = [this] { ++repaints; };
        const StartupResult result = doc->StartUp();
        driver.calls.clear();
        return result;
    }

    // One timer tick, 30 ms after the previous one.
    void Tick() {
        clock.Advance(30);
        doc->OnTick();
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) {
            Tick();
        }
    }
    std::uint16_t RunStatus() const { return doc->settings.runStatus; }
};

} // namespace tarnix::testing
