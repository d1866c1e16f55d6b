#include "recorder/recorder.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <tuple>
#include <vector>

#include "../support/fakes.h"

namespace tarnix {
namespace {

using testing::CFakeTimer;

// A document stand-in: settings, two display traces that change every frame, and a log of requests.
class FakeHost : public IRecorderHost {
public:
    FakeHost() { ApplyFactoryDefaults(settings); }
    const InstrumentSettings& Settings() const override { return settings; }
    std::span<const std::int16_t> DisplayTrace(int channel) const override { return traces[channel]; }
    std::uint32_t CaptureCount() const override { return captures; }
    void ShowFrame(int channel, std::span<const std::int16_t> frame) override {
        std::copy(frame.begin(), frame.end(), traces[channel].begin());
        shown.push_back({channel, frame[0]});
    }
    void SetChannelEnabled(int channel, bool on) override { settings.ch(channel).enabled = on ? 1 : 0; }
    // The document's tests follow the context into the settings and back.
    void ApplyPlaybackContext(int, const RecorderSettings&) override {}
    void SetBufferSize(int index) override {
        settings.timebase.bufferSizeIndex = static_cast<std::uint16_t>(index);
    }
    void SetRunStatus(std::uint16_t status) override { settings.runStatus = status; }
    void StartAcquisitionTimer() override { acquisitionRunning = true; }
    void StopAcquisitionTimer() override { acquisitionRunning = false; }
    void Redraw() override { ++redraws; }

    void NewFrame(int channel, std::int16_t value) {
        traces[channel].fill(value);
        ++captures;
    }

    InstrumentSettings settings;
    std::array<std::array<std::int16_t, 5000>, 2> traces{};
    std::vector<std::pair<int, std::int16_t>> shown; // (channel, first point) per shown frame
    std::uint32_t captures = 0;
    bool acquisitionRunning = true;
    int redraws = 0;
};

struct RecorderTest : ::testing::Test {
    std::unique_ptr<CRecorder> recorder = std::make_unique<CRecorder>();
    FakeHost host;
    CFakeTimer timer;

    // Records `frames` frames of CH2 whose k-th frame holds the value 100 + k.
    void RecordCh2(int frames) {
        recorder->OpenPanel(host);
        recorder->SetSource(1);
        recorder->SetRecordEndFrame(frames);
        recorder->SetRecordInterval(40);
        recorder->PressRecord(host, timer);
        for (int k = 0; k < frames; ++k) {
            host.NewFrame(1, static_cast<std::int16_t>(100 + k));
            recorder->OnTimer(host, timer);
        }
    }
};

TEST_F(RecorderTest, RecordingNFramesOnTheTimerEndsWithTheUpdate) {
    host.settings.ch(kCh2).enabled = 0;
    host.settings.runStatus = kStatusStopped;
    host.acquisitionRunning = false;
    recorder->Reset();
    recorder->OpenPanel(host);
    recorder->SetSource(1);
    // An end frame typed above the store and an interval above 20 s are held to them.
    EXPECT_EQ((std::tuple{recorder->SetRecordEndFrame(1500), recorder->SetRecordEndFrame(5),
                          recorder->SetRecordInterval(25000), recorder->SetRecordInterval(40)}),
              std::tuple(1000, 5, 20000, 40));
    recorder->PressRecord(host, timer);
    // The acquisition runs, the recorded channel is switched on, the button says Stop, the controls are off.
    EXPECT_EQ(std::tuple(timer.interval, host.acquisitionRunning, host.settings.runStatus,
                         host.settings.ch(kCh2).enabled, recorder->Panel().recordButtonText,
                         recorder->Panel().controlsEnabled),
              std::tuple(40, true, kStatusAuto, 1u, kTextStop, false));
    for (int k = 0; k < 5; ++k) {
        recorder->OnTimer(host, timer); // no new capture since the last frame: nothing to record
        EXPECT_EQ(recorder->settings.recordedCount, k);
        host.NewFrame(1, static_cast<std::int16_t>(100 + k));
        recorder->OnTimer(host, timer);
        EXPECT_EQ(recorder->store.Frame(k)[4999], 100 + k);
    }
    EXPECT_TRUE(!timer.running && recorder->Panel().recordButtonText == kTextStart);
    EXPECT_EQ(recorder->store.Frame(5)[0], 0);
    const RecorderSettings& s = recorder->settings;
    EXPECT_EQ(std::tuple(s.recordedCount, s.playInterval, s.playStartFrame, s.playEndFrame, s.currentFrame),
              std::tuple(5, 40, 1, 5, 1));
    const RecorderPanel& panel = recorder->Panel();
    EXPECT_TRUE(panel.currentFrameSpinMax == 5 && panel.controlsEnabled && panel.playEnabled &&
                panel.saveEnabled);

    // "Stop" ends a recording early; a thousand frames fill the store whatever the end frame says.
    recorder->SetRecordEndFrame(1000);
    recorder->PressRecord(host, timer);
    host.NewFrame(1, 7);
    recorder->OnTimer(host, timer);
    recorder->PressRecord(host, timer);
    EXPECT_EQ(std::tuple(timer.running, s.recordedCount, s.recordEndFrame, s.playEndFrame),
              std::tuple(false, 1, 1, 1));
    recorder->SetRecordEndFrame(1000);
    recorder->PressRecord(host, timer);
    int ticks = 0;
    for (; timer.running && ticks < 2000; ++ticks) {
        host.NewFrame(1, static_cast<std::int16_t>(ticks));
        recorder->OnTimer(host, timer);
    }
    EXPECT_EQ(std::tuple(ticks, s.recordedCount, recorder->store.Samples()[4999999]),
              std::tuple(1000, 1000, 999));
}

using Shown = std::vector<std::pair<int, std::int16_t>>;

TEST_F(RecorderTest, PlayingStopsAfterTheEndFrameOrRepeatsUntilStop) {
    RecordCh2(6);
    host.settings.ch(kCh1).enabled = 1;
    recorder->SetStartFrame(2);
    recorder->SetPlayEndFrame(4);
    recorder->SetPlayInterval(70);
    host.shown.clear();
    recorder->PressPlay(host, timer);
    // The acquisition stops and only the recorded channel is shown.
    EXPECT_EQ(std::tuple(host.acquisitionRunning, host.settings.runStatus, host.settings.ch(kCh1).enabled,
                         timer.interval, recorder->Panel().playButtonText),
              std::tuple(false, kStatusPlay, 0u, 70, kTextStop));
    for (int i = 0; i < 3; ++i) {
        recorder->OnTimer(host, timer);
    }
    EXPECT_EQ(host.shown, (Shown{{1, 101}, {1, 102}, {1, 103}})); // frames 2 to 4, counted from 1
    // Stopped at the end frame; the player never restarts the acquisition.
    EXPECT_EQ(std::tuple(timer.running, recorder->Playing(), host.settings.runStatus,
                         recorder->Panel().playButtonText, recorder->settings.currentFrame,
                         host.acquisitionRunning),
              std::tuple(false, false, kStatusStopped, kTextPlay, 4, false));

    recorder->SetRepeat(true);
    host.shown.clear();
    recorder->PressPlay(host, timer);
    for (int i = 0; i < 7; ++i) {
        recorder->OnTimer(host, timer);
    }
    ASSERT_EQ(host.shown.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(host.shown[i].second, 101 + i % 3) << i; // again from the start frame
    }
    const int redraws = host.redraws;
    recorder->PressPlay(host, timer); // "Stop"
    EXPECT_TRUE(!timer.running && !recorder->Playing() && host.settings.runStatus == kStatusStopped &&
                host.redraws > redraws);
    recorder->OnTimer(host, timer); // a late tick shows nothing
    EXPECT_EQ(host.shown.size(), 7u);
}

TEST_F(RecorderTest, FrameBoxesAreHeldToTheirLimits) {
    RecordCh2(8);
    // The play end frame at most N, the start frame at most the end frame: lowering the end lowers the start.
    EXPECT_EQ(
        (std::tuple{recorder->SetPlayEndFrame(20), recorder->SetStartFrame(9), recorder->SetPlayEndFrame(5),
                    recorder->settings.playStartFrame, recorder->Panel().startFrameSpinMax}),
        std::tuple(8, 8, 5, 5, 5));
    EXPECT_EQ(std::tuple(recorder->SetPlayInterval(0), recorder->SetPlayInterval(30000)),
              std::tuple(1, 20000));
    host.shown.clear();
    // Above the play end frame: the end frame; naming no frame: the first.
    EXPECT_EQ((std::pair{recorder->SetCurrentFrame(host, 7), recorder->SetCurrentFrame(host, 0)}),
              std::pair(5, 1));
    recorder->SetSource(0);
    recorder->SetCurrentFrame(host, 3); // shown in the Source list's channel
    EXPECT_EQ(host.shown, (Shown{{1, 104}, {1, 100}, {0, 102}}));
}

// The document's tests play a recording back through the document; here, closing the panel ends a recording.
TEST_F(RecorderTest, NothingToPlayWithoutARecordingAndClosingThePanelEndsOneKeepingItsFrames) {
    recorder->Reset();
    recorder->OpenPanel(host);
    EXPECT_FALSE(recorder->Panel().playEnabled || recorder->Panel().saveEnabled);
    // A recording stopped before its first frame holds nothing to play either.
    recorder->PressRecord(host, timer);
    recorder->PressRecord(host, timer);
    recorder->PressPlay(host, timer);
    EXPECT_FALSE(recorder->settings.recordedCount != 0 || recorder->Playing() || timer.running);
    EXPECT_EQ(recorder->SetCurrentFrame(host, 5), 1);

    recorder->PressRecord(host, timer);
    host.NewFrame(1, 7);
    recorder->OnTimer(host, timer);
    recorder->ClosePanel(host, timer);
    EXPECT_TRUE(!recorder->Recording() && !timer.running && recorder->settings.recordedCount == 1);
}

// A setup saved during a playback restores the playing flag; the buttons must still start what they say.
TEST_F(RecorderTest, APlayingFlagFromASetupFileLeavesTheButtonsWorking) {
    RecordCh2(2);
    recorder->settings.playing = 1;
    recorder->OpenPanel(host);
    EXPECT_EQ(recorder->Panel().playButtonText, kTextPlay);
    recorder->PressPlay(host, timer);
    EXPECT_TRUE(recorder->Playing());
    recorder->ClosePanel(host, timer);
    recorder->settings.playing = 1;
    recorder->OpenPanel(host);
    recorder->PressRecord(host, timer);
    EXPECT_TRUE(recorder->Recording());
}

} // namespace
} // namespace tarnix
