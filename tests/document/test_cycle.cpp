// The acquisition cycle: sweep modes, pacing, roll, ALT, demo mode when no instrument is found, and
// what a recording takes from it.
#include <algorithm>
#include <array>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "doc_fixture.h"

namespace tarnix {
namespace {

using CycleTest = testing::DocTest;

TEST_F(CycleTest, AutoForcesOnTheFourthEmptyPollCountedFromTheLastTrigger) {
    ASSERT_EQ(Start(), StartupResult::kConnected);
    driver.states = {kCaptureComplete, kCaptureWaiting, kCaptureWaiting, kCaptureTriggered};
    Tick();
    ASSERT_EQ(RunStatus(), kStatusTriggered);
    Ticks(6); // the trigger on the fourth poll restarts the count: three empty polls since
    EXPECT_EQ(driver.Count("ForceTrigger"), 0);
    EXPECT_EQ(RunStatus(), kStatusTriggered);
    Tick();
    EXPECT_EQ(driver.Count("ForceTrigger"), 1);
    EXPECT_EQ(RunStatus(), kStatusAuto);
    EXPECT_TRUE(doc->forcedTrigger);

    // The forced capture completes: still shown as auto, and the flag is spent.
    driver.states = {kCaptureComplete, kCaptureComplete};
    Tick();
    EXPECT_EQ(RunStatus(), kStatusAuto);
    EXPECT_FALSE(doc->forcedTrigger);
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

TEST_F(CycleTest, SingleStopsAfterOneFrameAndRunClearsIt) {
    Start();
    doc->SetSweep(kSweepSingle);
    driver.states = {kCaptureWaiting, kCaptureComplete, kCaptureComplete};
    Tick();
    EXPECT_EQ(RunStatus(), kStatusWait);
    Tick();
    EXPECT_EQ(RunStatus(), kStatusStopped);
    EXPECT_EQ(doc->settings.acquire.running, 0u);
    EXPECT_EQ(doc->frames[kCh1].samples[0], 100);
    EXPECT_GE(repaints, 1);
    const int polls = driver.Count("GetCaptureState");
    Ticks(10);
    EXPECT_EQ(driver.Count("GetCaptureState"), polls);
    EXPECT_EQ(driver.Count("ReadCapture"), 1);

    doc->Run();
    EXPECT_EQ(RunStatus(), kStatusRunning);
    EXPECT_EQ(doc->frames[kCh1].samples[0], 0);
    EXPECT_EQ(doc->frames[kCh2].samples[9999], 0);
}

TEST_F(CycleTest, SingleCaptureWaitsTenMillisecondsPerPollAndGivesUpAfter79) {
    Start();
    driver.states = {kCaptureWaiting, kCaptureTriggered, kCaptureComplete};
    EXPECT_TRUE(doc->SingleCapture());
    EXPECT_EQ(clock.sleeps, 2);
    EXPECT_EQ(driver.Count("ForceTrigger"), 1);
    EXPECT_EQ(doc->frames[kCh1].samples[0], 100);

    driver.calls.clear();
    clock.sleeps = 0;
    EXPECT_FALSE(doc->SingleCapture());
    EXPECT_EQ(driver.Count("GetCaptureState"), 79);
    EXPECT_EQ(clock.sleeps, 79);
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

// ALT sends the trigger source and channel code of each frame: alternate channels below 40.0us/div, both
// channels from it on.
TEST_F(CycleTest, AltAlternatesChannelsAtFastAndSlowTimeBases) {
    using Sends = std::vector<std::pair<int, int>>;
    const auto altSends = [this] {
        Sends sends;
        for (const auto& call : driver.calls) {
            if (call.entry == "SetTimebaseTrigger") {
                EXPECT_EQ(call.args[7], 1) << "ALT flag";
                sends.emplace_back(call.args[2], call.args[3]);
            }
        }
        driver.calls.clear();
        return sends;
    };
    Start();
    doc->SelectTriggerSource(kTrigAlt);
    doc->SetTimeDiv(10);
    driver.idleState = kCaptureComplete;
    altSends();
    Ticks(4);
    EXPECT_EQ(driver.Count("SetLevels"), 4);
    EXPECT_EQ(altSends(), (Sends{{1, 3}, {0, 0}, {1, 3}, {0, 0}}));
    doc->SetTimeDiv(12);
    altSends();
    Ticks(3);
    EXPECT_EQ(altSends(), (Sends{{1, 2}, {0, 2}, {1, 2}}));
}

TEST_F(CycleTest, NoInstrumentRunsInDemoUnlessTheUserCloses) {
    chooser.noDeviceAnswer = NoDeviceChoice::kClose;
    EXPECT_EQ(Start(false), StartupResult::kClose);
    chooser.noDeviceAnswer = NoDeviceChoice::kIgnore;
    EXPECT_EQ(Start(false), StartupResult::kDemo);
    EXPECT_EQ(chooser.noDeviceAsked, 2);
    EXPECT_EQ(doc->settings.demoMode, 1u);
    Tick();
    EXPECT_EQ(status.back(), "Run in demo");
    EXPECT_TRUE(doc->demo.ready[0]);
    EXPECT_EQ(RunStatus(), kStatusTriggered);
    EXPECT_EQ(doc->frames[kCh1].samples[5120], 191);
}

// The panel's timer runs faster than captures arrive; a recording holds each capture once.
TEST_F(CycleTest, ARecordingHoldsEachNewCaptureOnce) {
    const struct Row {
        std::deque<int> states; // the instrument's answers, one per acquisition tick
        bool running;
        int frames; // the captures among them
    } rows[] = {
        {{kCaptureComplete, kCaptureComplete, kCaptureComplete, kCaptureComplete}, true, 4},
        {{kCaptureComplete, kCaptureWaiting, kCaptureWaiting, kCaptureComplete, kCaptureWaiting}, true, 2},
        {{kCaptureComplete, kCaptureComplete}, false, 0},
    };
    for (const Row& row : rows) {
        Start();
        doc->SetSweep(kSweepNormal);
        if (!row.running) {
            doc->Stop();
        }
        testing::CFakeTimer timer;
        ASSERT_TRUE(doc->OpenRecorder());
        doc->PressRecord(timer);
        driver.states = row.states;
        // At the 1 ms interval the panel's timer ticks many times per 30 ms acquisition tick.
        for (std::size_t tick = 0; tick < row.states.size(); ++tick) {
            Tick();
            for (int k = 0; k < 5; ++k) {
                doc->RecorderTimerTick(timer);
            }
        }
        doc->PressRecord(timer);
        const int count = doc->recorder.settings.recordedCount;
        EXPECT_EQ(count, row.frames);
        for (int k = 1; k < count; ++k) {
            const auto previous = doc->recorder.store.Frame(k - 1);
            EXPECT_FALSE(std::ranges::equal(previous, doc->recorder.store.Frame(k))) << "frame " << k;
        }
        doc->CloseRecorder(timer);
    }
}

} // namespace
} // namespace tarnix
