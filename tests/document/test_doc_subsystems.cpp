// What the document's tick drives: Pass/Fail, the player (and what shows once it is over), no allocations.
#include <array>
#include <cstdint>
#include <tuple>
#include <utility>

#include "../support/alloc_counter.h"
#include "../support/doc_fixture.h"
#include "model/model_table.h"

namespace tarnix::testing {
namespace {

using SubsystemTest = DocTest;

// CH2 is the source: a frame outside the mask on CH2 fails, one on CH1 does not; Roll and X-Y count nothing.
TEST_F(SubsystemTest, PassFailTestsEveryYTFrameOfTheChosenSource) {
    std::array<int, 2> level{100, 100};
    driver.sample = [&](const HardwareBlock&, int channel, std::uint32_t) {
        return static_cast<std::uint16_t>(level[static_cast<std::size_t>(channel)]);
    };
    driver.idleState = kCaptureComplete;
    Start();
    Ticks(2);
    doc->CreatePassFailMask({.source = 1});
    doc->Stop();
    ASSERT_TRUE(doc->StartPassFail()); // and the acquisition with it
    for (const auto& [ch1, ch2, passed] : {std::tuple{100, 100, true}, {160, 100, true}, {100, 160, false}}) {
        level = {ch1, ch2};
        Tick();
        EXPECT_TRUE(doc->passFailResult.tested);
        EXPECT_EQ(doc->passFailResult.passed, passed) << ch1 << " " << ch2;
    }
    EXPECT_EQ(doc->passFail.State().totalCount, 3u);
    EXPECT_EQ(doc->passFail.State().failCount, 1u);
    for (int format : {kFormatRoll, kFormatXY}) {
        doc->SelectDisplayFormat(format);
        Ticks(3);
    }
    EXPECT_EQ(doc->passFail.State().totalCount, 3u);
}

// Playing a CH2 recording shows it in the recording's scale and time base, sent to the instrument; closing
// the panel brings back every live setting, though the playback switched channels on and off.
TEST_F(SubsystemTest, PlaybackAppliesTheRecordingsContextAndClosingRestoresTheLiveSettings) {
    using Context = std::tuple<int, int, int, int, float, int, int>;
    const auto set = [&](const Context& c) {
        const auto [volts, probe, coupling, bandwidth, zero, position, timeDiv] = c;
        doc->SetVoltsPerDiv(kCh2, volts);
        doc->SetProbe(kCh2, probe);
        doc->SetCoupling(kCh2, coupling);
        doc->SetBandwidthLimit(kCh2, bandwidth != 0);
        doc->SetZeroLevel(kCh2, zero);
        doc->SetHorizontalPosition(position);
        doc->SetTimeDiv(timeDiv);
    };
    const auto shown = [&] {
        const ChannelSettings& c = Ch(kCh2);
        return Context(c.voltsPerDivIndex, c.probe, c.coupling, c.bandwidthLimit, c.zeroLevel,
                       doc->settings.timebase.horizontalPosition, doc->settings.timebase.timeDivIndex);
    };
    const Context recorded{3, 1, kCouplingDc, 1, 150.0f, 300, 10};
    driver.idleState = kCaptureComplete;
    Start();
    CFakeTimer timer;
    ASSERT_TRUE(doc->OpenRecorder());
    doc->recorder.SetSource(1);
    doc->recorder.SetRecordEndFrame(2);
    set(recorded);
    doc->PressRecord(timer);
    for (int frame = 0; frame < 2; ++frame) {
        Tick(); // a recording takes new captures only
        doc->RecorderTimerTick(timer);
    }
    ASSERT_FALSE(doc->recorder.Recording());

    doc->SetChannelEnabled(kCh2, false);
    doc->SetBufferSize(4);
    set({5, 0, kCouplingGnd, 0, 40.0f, 100, 14});
    Tick();
    const InstrumentSettings live = doc->settings;
    doc->PressPlay(timer);
    ASSERT_TRUE(doc->recorder.Playing());
    EXPECT_EQ(shown(), recorded);
    EXPECT_EQ(driver.Last("SetChannels")->args[2], 3);
    EXPECT_EQ(Ch(kCh1).enabled, 0u);
    doc->CloseRecorder(timer);
    EXPECT_EQ(doc->settings, live);
}

// Once set up, a running tick (processing pass, FFT, measurements) takes nothing from the heap.
TEST_F(SubsystemTest, ARunningTickAllocatesNothingOnceSetUp) {
    Start(false);
    doc->hooks = {};
    doc->measures.AddMeasure(kMeasureVmax);
    doc->SetFftRunning(true);
    Ticks(12);
    const AllocationCounter counter;
    Ticks(12);
    EXPECT_EQ(counter.Count(), 0);
}

class PlaybackTest : public DocTest {
protected:
    CFakeTimer timer;

    // Records a few frames of CH1 (0) or CH2 (1) in demo mode while the acquisition runs.
    void Record(int source) {
        Start(false);
        Ticks(3);
        ASSERT_TRUE(doc->OpenRecorder());
        doc->recorder.SetSource(source);
        doc->recorder.SetRecordEndFrame(4);
        doc->PressRecord(timer);
        while (timer.running) {
            Tick();
            doc->RecorderTimerTick(timer);
        }
        doc->CloseRecorder(timer);
    }
    // Opens the panel, plays the whole recording, runs `during` while the last frame is shown, closes.
    template <typename During> void PlayAndClose(During during) {
        ASSERT_TRUE(doc->OpenRecorder());
        doc->PressPlay(timer);
        while (timer.running) {
            doc->RecorderTimerTick(timer);
        }
        during();
        doc->CloseRecorder(timer);
    }
};

TEST_F(PlaybackTest, AStoppedScreenShowsItsRecordAgainAfterThePanelCloses) {
    Record(0);
    doc->SetZeroLevel(kCh1, 100.0f); // the played frames keep the position they were recorded at
    Ticks(2);
    doc->Stop();
    Tick();
    const auto stopped = doc->frames[kCh1].display;
    PlayAndClose([&] { ASSERT_FALSE(doc->frames[kCh1].display == stopped); });
    repaints = 0;
    Tick();
    EXPECT_TRUE(doc->frames[kCh1].display == stopped);
    EXPECT_GT(repaints, 0);
}

// Playing CH2 turns CH1 off, which shrinks a running 64k buffer; a Start or Stop during the playback
// (from a remote client) is what the status shows afterwards.
TEST_F(PlaybackTest, ClosingGivesTheBufferBackAndTheStatusFollowsTheRunState) {
    const std::tuple<bool, void (CTarnixDoc::*)(), bool> cases[] = {{true, &CTarnixDoc::Stop, false},
                                                                    {false, &CTarnixDoc::Run, true}};
    for (const auto& [runningAtPlay, during, runningAfter] : cases) {
        Record(1);
        doc->SetBufferSize(kBuffer64k);
        if (!runningAtPlay) {
            doc->Stop();
        }
        Ticks(2);
        const std::uint32_t length = Ch(kCh1).recordLength;
        PlayAndClose([&] { (doc.get()->*during)(); });
        EXPECT_EQ(doc->settings.timebase.bufferSizeIndex, kBuffer64k) << runningAtPlay;
        EXPECT_EQ(std::pair(Ch(kCh1).recordLength, Ch(kCh2).recordLength), std::pair(length, length));
        EXPECT_EQ(doc->settings.acquire.running != 0, runningAfter);
        EXPECT_EQ(RunStatus() == kStatusStopped, !runningAfter) << runningAtPlay << runningAfter;
    }
}

} // namespace
} // namespace tarnix::testing
