// The acquisition cycle: sweeps, pacing, Roll, ALT, demo mode, and what a recording takes from it.
#include <algorithm>
#include <array>
#include <deque>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "../support/doc_fixture.h"

namespace tarnix {
namespace {

using CycleTest = testing::DocTest;

TEST_F(CycleTest, AutoForcesOnTheFourthEmptyPollCountedFromTheLastTrigger) {
    ASSERT_EQ(Start(), StartupResult::kConnected);
    driver.states = {kCaptureComplete, kCaptureWaiting, kCaptureWaiting, kCaptureTriggered};
    Tick();
    ASSERT_EQ(RunStatus(), kStatusTriggered);
    Ticks(6); // the trigger on the fourth poll restarts the count: three empty polls since
    EXPECT_EQ(std::tuple(driver.Count("ForceTrigger"), RunStatus()), std::tuple(0, kStatusTriggered));
    Tick();
    EXPECT_EQ(std::tuple(driver.Count("ForceTrigger"), RunStatus()), std::tuple(1, kStatusAuto));

    // The forced capture completes: still shown as auto; the next one is triggered again.
    driver.states = {kCaptureComplete, kCaptureComplete};
    Tick();
    EXPECT_EQ(RunStatus(), kStatusAuto);
    EXPECT_EQ(doc->frames[kCh1].samples[0], 101); // the second capture read
    Tick();
    EXPECT_EQ(RunStatus(), kStatusTriggered);
}

TEST_F(CycleTest, NormalWaitsFromTheSecondEmptyPollAndNeverForces) {
    Start();
    doc->SetSweep(kSweepNormal);
    for (int trigger : {kCaptureComplete, kCaptureTriggered}) {
        driver.states = {trigger};
        Tick();
        EXPECT_EQ(RunStatus(), kStatusTriggered);
        EXPECT_EQ(doc->normalWaitCount, 0);
        Tick(); // one empty poll of grace
        EXPECT_EQ(RunStatus(), kStatusTriggered);
        Tick();
        EXPECT_EQ(RunStatus(), kStatusWait);
        Ticks(20);
        EXPECT_EQ(RunStatus(), kStatusWait);
    }
    EXPECT_EQ(driver.Count("ForceTrigger"), 0);
}

// Single on the instrument and in demo mode: Run clears the old trace, one frame arrives, then it stops.
TEST_F(CycleTest, SingleStopsAfterOneFrameOnTheInstrumentAndInDemo) {
    for (bool instrument : {true, false}) {
        SCOPED_TRACE(instrument ? "instrument" : "demo");
        Start(instrument);
        driver.states = {kCaptureWaiting};
        driver.idleState = kCaptureComplete;
        doc->Stop();
        doc->SetSweep(kSweepSingle);
        doc->Run();
        EXPECT_EQ(doc->frames[kCh1].samples[5120], 0);
        EXPECT_EQ(doc->frames[kCh2].samples[9999], 0);
        Ticks(2); // the instrument's first poll finds no frame yet
        EXPECT_EQ(std::tuple(RunStatus(), doc->settings.acquire.running), std::tuple(kStatusStopped, 0u));
        EXPECT_NE(doc->frames[kCh1].samples[5120], 0);
        const std::uint16_t shown = doc->frames[kCh1].samples[5120];
        Ticks(10);
        EXPECT_EQ(doc->frames[kCh1].samples[5120], shown);
        EXPECT_EQ(RunStatus(), kStatusStopped);
    }
}

TEST_F(CycleTest, SingleCaptureWaitsTenMillisecondsPerPollAndGivesUpWithoutAFrame) {
    Start();
    driver.states = {kCaptureWaiting, kCaptureTriggered, kCaptureComplete};
    EXPECT_TRUE(doc->SingleCapture());
    EXPECT_EQ(clock.sleeps, 2);
    EXPECT_EQ(driver.Count("ForceTrigger"), 1);
    EXPECT_EQ(doc->frames[kCh1].samples[0], 100);

    driver.calls.clear();
    EXPECT_FALSE(doc->SingleCapture());
    EXPECT_EQ(driver.Count("ReadCapture"), 0);
    EXPECT_EQ(doc->frames[kCh1].samples[0], 100);
}

// A paced screen holds for position x seconds-per-div scale - 20 ms: 400ms/div at 250 is 3980 ms.
TEST_F(CycleTest, PacingHoldsTheScreenForItsTimeThenPollsOnTheNextTick) {
    Start();
    doc->SetTimeDiv(24); // 400ms/div (row 25)
    for (const auto& [position, holdMs] : {std::pair{250, 3980}, {500, 7980}}) {
        SCOPED_TRACE(position);
        doc->SetHorizontalPosition(position);
        doc->pacingWait = false;
        driver.states = {kCaptureComplete};
        Tick();
        ASSERT_TRUE(doc->pacingWait);
        const std::int64_t captured = clock.now;
        driver.calls.clear();
        clock.now = captured + holdMs - 1;
        doc->OnTick();
        EXPECT_TRUE(doc->pacingWait);
        clock.now = captured + holdMs;
        doc->OnTick(); // the wait ends here ...
        EXPECT_FALSE(doc->pacingWait);
        EXPECT_EQ(driver.Count("GetCaptureState"), 0);
        Tick(); // ... and the next tick polls
        EXPECT_EQ(driver.Count("GetCaptureState"), 1);
    }
    // 1.00ms/div at 250: 50 x 0.25 - 20 is below zero, so the wait ends in the same tick; 40.0us/div is
    // not paced at all.
    doc->SetHorizontalPosition(250);
    for (int timeDiv : {16, 12}) {
        doc->SetTimeDiv(timeDiv);
        driver.states = {kCaptureComplete};
        Tick();
        EXPECT_FALSE(doc->pacingWait) << timeDiv;
    }
}

TEST_F(CycleTest, RollAddsItsStepWhenDueUpTo5000Points) {
    Start();
    doc->SelectDisplayFormat(kFormatRoll);
    ASSERT_EQ(doc->settings.timebase.timeDivIndex, 25); // "1.00s": 15 points per 30 ms tick
    driver.calls.clear();
    Tick();
    EXPECT_EQ(doc->frames[kCh2].rollPosition, 15);
    EXPECT_EQ(RunStatus(), kStatusRunning);
    EXPECT_EQ(driver.Count("ReadCapture"), 1);
    EXPECT_EQ(driver.Count("ForceTrigger"), 1);
    EXPECT_EQ(driver.Count("GetCaptureState"), 0);
    Ticks(332);
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 4995);
    Ticks(6);
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 5000);
    EXPECT_EQ(doc->frames[kCh2].rollPosition, 5000);

    // 4.00s/div: steps of 10, due every 20 x 4 = 80 ms.
    doc->SetTimeDiv(27);
    doc->OnSettingsChanged();
    ASSERT_GT(TickUntil([&] { return doc->frames[kCh1].rollPosition == 10; }, 3), 0);
    Ticks(2); // 60 ms
    EXPECT_FALSE(doc->rollNewData);
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 10);
    Tick(); // 90 ms
    EXPECT_TRUE(doc->rollNewData);
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 20);
}

// The panel's timer runs faster than captures arrive; a recording holds each capture once.
TEST_F(CycleTest, ARecordingHoldsEachNewCaptureOnce) {
    // states: the instrument's answers, one per acquisition tick
    // frames: the captures among them
    const std::tuple<std::deque<int>, bool, int> rows[] = {
        {{kCaptureComplete, kCaptureComplete, kCaptureComplete, kCaptureComplete}, true, 4},
        {{kCaptureComplete, kCaptureWaiting, kCaptureWaiting, kCaptureComplete, kCaptureWaiting}, true, 2},
        {{kCaptureComplete, kCaptureComplete}, false, 0},
    };
    for (const auto& [states, running, frames] : rows) {
        Start();
        doc->SetSweep(kSweepNormal);
        if (!running) {
            doc->Stop();
        }
        testing::CFakeTimer timer;
        ASSERT_TRUE(doc->OpenRecorder());
        doc->PressRecord(timer);
        driver.states = states;
        // At the 1 ms interval the panel's timer ticks many times per 30 ms acquisition tick.
        for (std::size_t tick = 0; tick < states.size(); ++tick) {
            Tick();
            for (int k = 0; k < 5; ++k) {
                doc->RecorderTimerTick(timer);
            }
        }
        doc->PressRecord(timer);
        const int count = doc->recorder.settings.recordedCount;
        EXPECT_EQ(count, frames);
        for (int k = 1; k < count; ++k) {
            const auto previous = doc->recorder.store.Frame(k - 1);
            EXPECT_FALSE(std::ranges::equal(previous, doc->recorder.store.Frame(k))) << "frame " << k;
        }
        doc->CloseRecorder(timer);
    }
}

// Zoom and drag of a stopped trace work from the time base and position it was taken at.
TEST_F(CycleTest, StopRemembersTheScaleAndRunStartsAfresh) {
    Start();
    driver.idleState = kCaptureComplete;
    doc->SetTimeDiv(16); // 1.00ms/div
    doc->SetHorizontalPosition(300);
    doc->SetAcquisitionMode(kAcqAverage);
    Ticks(3);
    ASSERT_GT(doc->settings.acquire.averagedFrames, 0);
    doc->Stop();
    doc->SetTimeDiv(14);
    doc->SetHorizontalPosition(100);
    EXPECT_DOUBLE_EQ(doc->stoppedSecondsPerDiv, 1e-3);
    EXPECT_EQ(doc->stoppedPosition, 300);

    doc->settings.acquire.zoomIn = 2;
    doc->settings.acquire.drag = 1;
    doc->Run();
    EXPECT_EQ(std::tuple(doc->settings.acquire.zoomIn, doc->settings.acquire.drag), std::tuple(0, 0));
    EXPECT_EQ(doc->settings.acquire.averagedFrames, 0);
}

// Run: a 10k record rolls from 1.00s/div and is Y-T below; a 32k record cannot run that slow (40.0us/div).
TEST_F(CycleTest, RunAppliesTheRecordLengthAndRollRules) {
    // Buffer, format and time base when stopped; format and time base after Run.
    const int cases[][5] = {{0, kFormatYT, 25, kFormatRoll, 25},
                            {0, kFormatRoll, 12, kFormatYT, 12},
                            {3, kFormatYT, 25, kFormatYT, 12}};
    for (const auto& [buffer, format, timeDiv, wantFormat, wantTimeDiv] : cases) {
        Start();
        doc->Stop();
        doc->SetBufferSize(buffer);
        doc->SetDisplayFormat(format);
        doc->SetTimeDiv(timeDiv);
        doc->Run();
        EXPECT_EQ(doc->settings.timebase.displayFormat, wantFormat) << buffer << " " << timeDiv;
        EXPECT_EQ(doc->settings.timebase.timeDivIndex, wantTimeDiv) << buffer << " " << timeDiv;
    }
}

// A setting change restarts a rolling trace under the new setting; a stopped Roll trace stays on screen.
TEST_F(CycleTest, ASettingChangeEmptiesTheRollRecordOnlyWhileRolling) {
    for (bool running : {true, false}) {
        Start();
        doc->SelectDisplayFormat(kFormatRoll);
        Ticks(5);
        if (!running) {
            doc->Stop();
        }
        const int position = doc->frames[kCh1].rollPosition;
        const std::uint16_t sample = doc->frames[kCh1].samples[0];
        ASSERT_GT(position, 0);
        doc->SetVoltsPerDiv(kCh1, 3);
        EXPECT_EQ(doc->frames[kCh1].rollPosition, running ? 0 : position) << running;
        EXPECT_EQ(doc->frames[kCh1].samples[0], running ? 0 : sample) << running;
    }
}

TEST_F(CycleTest, LostInstrumentIsSearchedForAndConfiguredAfreshOnItsReturn) {
    using Texts = std::vector<std::string>;
    Start();
    doc->SetVoltsPerDiv(kCh1, 3);
    doc->SetTimeDiv(10);
    Tick();
    EXPECT_EQ(status, Texts{"Connected"});
    driver.present[0] = false;
    driver.calls.clear();
    status.clear();
    Ticks(2);
    EXPECT_EQ(status, Texts(2, "Search Device......"));
    EXPECT_TRUE(driver.calls.empty());
    driver.present[0] = true;
    status.clear();
    Tick();
    EXPECT_EQ(status, Texts{"Connected"});
    ASSERT_NE(driver.Last("SetChannels"), nullptr);
    EXPECT_EQ(driver.Last("SetChannels")->args[1], 3);
    EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[4], 10);
    EXPECT_EQ(driver.Count("ReadCalibration"), 1);
}

// ALT looks for the trigger on the other channel after every frame, and in Normal sweep after every empty
// poll too (instrument and demo). Below 40.0us/div each frame holds one channel, from 40.0us/div on both.
TEST_F(CycleTest, AltSwitchesChannelAfterEveryFrameAndEveryEmptyNormalPoll) {
    using Phases = std::vector<std::pair<int, int>>; // trigger source and channel code sent, per tick
    const Phases fast{{1, 3}, {0, 0}, {1, 3}, {0, 0}};
    const Phases slow{{1, 2}, {0, 2}, {1, 2}, {0, 2}};
    // Instrument or demo, frames or empty Normal polls, time/div, and the phases seen.
    const std::tuple<bool, bool, int, Phases> cases[] = {
        {true, true, 10, fast}, {true, true, 12, slow}, {true, false, 12, slow}, {false, false, 12, slow}};
    for (const auto& [instrument, frames, timeDiv, want] : cases) {
        SCOPED_TRACE(::testing::Message() << instrument << frames << timeDiv);
        Start(instrument);
        driver.idleState = frames ? kCaptureComplete : kCaptureWaiting;
        doc->SelectTriggerSource(kTrigAlt);
        doc->SetTimeDiv(timeDiv);
        if (!frames) {
            doc->demo.SelectAmplitude(2); // too small to reach the levels below
            doc->SetTriggerLevel(kCh1, 0.0f);
            doc->SetTriggerLevel(kCh2, 0.0f);
            doc->SetSweep(kSweepNormal);
        }
        driver.calls.clear();
        Phases seen;
        for (int i = 0; i < 4; ++i) {
            Tick();
            seen.emplace_back(doc->link.block.triggerSource, doc->link.block.channelCode);
            if (instrument) {
                const std::vector<int>& sent = driver.Last("SetTimebaseTrigger")->args;
                EXPECT_EQ(Phases::value_type(sent[2], sent[3]), seen.back());
                EXPECT_EQ(sent[7], 1) << "ALT flag";
            }
        }
        EXPECT_EQ(seen, want);
        EXPECT_EQ(RunStatus(), frames ? kStatusTriggered : kStatusWait);
    }
}

// Demo mode without a trigger: Auto forces a frame after six empty polls and says so, a triggered frame
// says Trig'D; EXT in Normal never frames.
TEST_F(CycleTest, DemoAutoForcesAfterSixEmptyPollsAndExtInNormalNeverFrames) {
    Start(false);
    const int reaching = doc->demo.AmplitudeChoice();
    doc->demo.SelectAmplitude(2);
    doc->SetTriggerLevel(kCh1, 0.0f);
    EXPECT_EQ(TickUntil([&] { return doc->demo.ready[0]; }, 20), 7);
    EXPECT_EQ(RunStatus(), kStatusAuto);
    doc->demo.SelectAmplitude(reaching);
    EXPECT_GT(TickUntil([&] { return doc->demo.ready[0]; }, 20), 0);
    EXPECT_EQ(RunStatus(), kStatusTriggered);
    doc->SelectTriggerSource(kTrigExt);
    doc->SetSweep(kSweepNormal);
    EXPECT_EQ(TickUntil([&] { return doc->demo.ready[0] || doc->demo.ready[1]; }, 20), -1);
    EXPECT_EQ(RunStatus(), kStatusWait);
}

} // namespace
} // namespace tarnix
