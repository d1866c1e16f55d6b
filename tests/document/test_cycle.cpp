// The acquisition cycle probed as an engineer probes a scope: sweep modes, pacing, roll, ALT and an
// instrument that goes away and comes back.
#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "doc_fixture.h"
#include "files/setup_file.h"

namespace tarnix {
namespace {

using testing::DocTest;

using CycleTest = DocTest;

TEST_F(CycleTest, AutoForcesOnTheFourthEmptyPollAndShowsAuto) {
    ASSERT_EQ(Start(), StartupResult::kConnected);
    driver.states = {kCaptureComplete};
    Tick();
    ASSERT_EQ(RunStatus(), kStatusTriggered);

    Ticks(3);
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
    EXPECT_EQ(doc->frames[kCh1].samples[0], 102);
}

TEST_F(CycleTest, AutoCounterRestartsWhenATriggerArrives) {
    Start();
    driver.states = {kCaptureWaiting, kCaptureWaiting, kCaptureWaiting, kCaptureTriggered,
                     kCaptureWaiting, kCaptureWaiting, kCaptureWaiting};
    Ticks(7);
    EXPECT_EQ(driver.Count("ForceTrigger"), 0);
    EXPECT_EQ(doc->autoTriggerCount, 3);
    Tick();
    EXPECT_EQ(driver.Count("ForceTrigger"), 1);
}

TEST_F(CycleTest, NormalWaitsFromTheSecondEmptyPollAndNeverForces) {
    Start();
    doc->SetSweep(kSweepNormal);
    driver.states = {kCaptureComplete};
    Tick();
    ASSERT_EQ(RunStatus(), kStatusTriggered);
    Tick();
    EXPECT_EQ(RunStatus(), kStatusTriggered);
    Tick();
    EXPECT_EQ(RunStatus(), kStatusWait);
    Ticks(20);
    EXPECT_EQ(RunStatus(), kStatusWait);
    EXPECT_EQ(driver.Count("ForceTrigger"), 0);

    // A trigger resets the wait: again one empty poll of grace.
    driver.states = {kCaptureTriggered};
    Tick();
    EXPECT_EQ(RunStatus(), kStatusTriggered);
    EXPECT_EQ(doc->normalWaitCount, 0);
    Tick();
    EXPECT_EQ(RunStatus(), kStatusTriggered);
    Tick();
    EXPECT_EQ(RunStatus(), kStatusWait);
}

TEST_F(CycleTest, SingleStopsAfterOneFrame) {
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

    // Run again: the old single frame is cleared before the next one comes.
    doc->Run();
    EXPECT_EQ(RunStatus(), kStatusRunning);
    EXPECT_EQ(doc->frames[kCh1].samples[0], 0);
    EXPECT_EQ(doc->frames[kCh2].samples[9999], 0);
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

    // 1.00ms/div uses 0.25: 50 x 0.25 - 20 is below zero, so the wait ends in the same tick; 40.0us/div
    // is not paced at all.
    doc->SetHorizontalPosition(250);
    for (int timeDiv : {16, 12}) {
        doc->SetTimeDiv(timeDiv);
        driver.states = {kCaptureComplete};
        Tick();
        EXPECT_FALSE(doc->pacingWait) << timeDiv;
    }
}

TEST_F(CycleTest, RollAddsFifteenPointsPerStepAtOneSecondUpTo5000) {
    Start();
    doc->SelectDisplayFormat(kFormatRoll);
    ASSERT_EQ(doc->settings.timebase.timeDivIndex, 25); // "1.00s"
    driver.calls.clear();

    Tick();
    EXPECT_EQ(doc->frames[kCh1].rollStep, 15);
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 15);
    EXPECT_EQ(doc->frames[kCh2].rollPosition, 15);
    EXPECT_EQ(RunStatus(), kStatusRunning);
    EXPECT_EQ(driver.Count("ReadCapture"), 1);
    EXPECT_EQ(driver.Count("ForceTrigger"), 1);
    EXPECT_EQ(driver.Count("GetCaptureState"), 0);

    Ticks(332);
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 4995);
    Tick();
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 5000);
    Ticks(5);
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 5000);
    EXPECT_EQ(doc->frames[kCh2].rollPosition, 5000);
}

TEST_F(CycleTest, RollStepIsDueAfterTwentyTimesSecondsPerDivMilliseconds) {
    Start();
    doc->SelectDisplayFormat(kFormatRoll);
    doc->SetTimeDiv(27); // 4.00s/div: steps of 10, due every 80 ms
    doc->OnSettingsChanged();
    Tick();
    ASSERT_EQ(doc->frames[kCh1].rollPosition, 10);
    Tick(); // 30 ms later
    EXPECT_FALSE(doc->rollNewData);
    EXPECT_EQ(RunStatus(), kStatusRunning);
    Tick(); // 60 ms
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 10);
    Tick(); // 90 ms
    EXPECT_TRUE(doc->rollNewData);
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 20);
}

// Trigger source and channel code of every SetTimebaseTrigger the ALT switch sent.
std::vector<std::pair<int, int>> AltSends(const testing::CFakeDriver& driver) {
    std::vector<std::pair<int, int>> sends;
    for (const auto& call : driver.calls) {
        if (call.entry == "SetTimebaseTrigger") {
            EXPECT_EQ(call.args[7], 1) << "ALT flag";
            sends.emplace_back(call.args[2], call.args[3]);
        }
    }
    return sends;
}

TEST_F(CycleTest, AltAlternatesChannelsAtFastAndSlowTimeBases) {
    Start();
    doc->SelectTriggerSource(kTrigAlt);
    doc->SetTimeDiv(10); // 10.0us/div: alternate frames, one channel each
    driver.calls.clear();
    driver.idleState = kCaptureComplete;
    Ticks(4);
    const std::vector<std::pair<int, int>> fast{{1, 3}, {0, 0}, {1, 3}, {0, 0}};
    EXPECT_EQ(AltSends(driver), fast);
    EXPECT_EQ(driver.Count("SetLevels"), 4);

    doc->SetTimeDiv(12); // 40.0us/div: both channels in every frame
    driver.calls.clear();
    Ticks(3);
    const std::vector<std::pair<int, int>> slow{{1, 2}, {0, 2}, {1, 2}};
    EXPECT_EQ(AltSends(driver), slow);
}

TEST_F(CycleTest, AltInNormalSwitchesOnEveryEmptyPoll) {
    Start();
    doc->SelectTriggerSource(kTrigAlt);
    doc->SetSweep(kSweepNormal);
    doc->SetTimeDiv(10);
    driver.calls.clear();
    Ticks(2);
    const std::vector<std::pair<int, int>> sends{{1, 3}, {0, 0}};
    EXPECT_EQ(AltSends(driver), sends);
    EXPECT_EQ(driver.Count("StartCapture"), 2);
}

// Coming back, the instrument gets the whole configuration, in order, with the settings kept.
TEST_F(CycleTest, LostInstrumentIsSearchedAndConfiguredAfreshWithItsSettings) {
    Start();
    doc->SetVoltsPerDiv(kCh1, 3);
    doc->SetCoupling(kCh2, kCouplingDc);
    doc->SetZeroLevel(kCh1, 100.0f);
    Tick();
    EXPECT_EQ(status.back(), "Connected");

    driver.present[0] = false;
    driver.calls.clear();
    Ticks(3);
    EXPECT_EQ(status.back(), "Search Device......");
    EXPECT_FALSE(doc->configured);
    EXPECT_TRUE(driver.calls.empty());

    driver.present[0] = true;
    Tick();
    EXPECT_TRUE(doc->configured);
    EXPECT_EQ(status.back(), "Connected");
    std::vector<std::string> entries;
    for (const auto& call : driver.calls) {
        entries.push_back(call.entry);
    }
    const std::vector<std::string> configure{"ReadCalibration", "ReadCalibrationLevel", "SetTimebaseTrigger",
                                             "SetTimebaseTrigger", "SetChannels", "SetLevels",
                                             "SetFilters", "StartCapture"};
    ASSERT_GE(entries.size(), configure.size());
    EXPECT_EQ(std::vector<std::string>(entries.begin(), entries.begin() + 8), configure);
    const std::vector<int> channels{0, 3, 6, kCouplingAc, kCouplingDc, kTrigCh1};
    EXPECT_EQ(driver.Last("SetChannels")->args, channels);
    EXPECT_EQ(driver.Last("SetLevels")->args[1], 100);
    EXPECT_EQ(driver.Count("GetCaptureState"), 1); // then the tick's own poll
}

// A setting change empties the rolling trace only while Roll is running; otherwise the trace stays.
TEST_F(CycleTest, SettingChangesRestartTheTraceOnlyInRollWhileRunning) {
    const struct {
        int format;
        bool running;
        bool cleared;
    } cases[] = {{kFormatRoll, true, true}, {kFormatRoll, false, false}, {kFormatYT, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format * 10 + (c.running ? 1 : 0));
        Start();
        driver.idleState = kCaptureComplete;
        doc->SelectDisplayFormat(c.format);
        Ticks(3);
        if (!c.running) {
            doc->Stop();
        }
        const std::array<WaveFrame, 2> before{doc->frames[kCh1], doc->frames[kCh2]};
        for (int ch : {kCh1, kCh2}) {
            const WaveFrame& f = before[static_cast<std::size_t>(ch)];
            ASSERT_GT(f.samples[1], 0);
            ASSERT_NE(std::count(f.display.begin(), f.display.end(), 0), kDisplayPoints);
        }
        doc->SetVoltsPerDiv(kCh1, 5);
        for (int ch : {kCh1, kCh2}) {
            const WaveFrame& f = doc->frames[static_cast<std::size_t>(ch)];
            const WaveFrame& was = before[static_cast<std::size_t>(ch)];
            if (c.cleared) {
                EXPECT_EQ(f.rollPosition, 0);
                EXPECT_EQ(std::count(f.display.begin(), f.display.end(), 0), kDisplayPoints);
                EXPECT_EQ(std::count(f.samples.begin(), f.samples.end(), 0), std::ssize(f.samples));
            } else {
                EXPECT_EQ(f.rollPosition, was.rollPosition);
                EXPECT_EQ(f.display, was.display);
                EXPECT_EQ(f.samples, was.samples);
            }
        }
    }
}

TEST_F(CycleTest, HooksRunInTickOrder) {
    Start();
    std::vector<std::string> order;
    doc->hooks.passFailTick = [&] { order.emplace_back("passfail"); };
    doc->hooks.fftTick = [&] { order.emplace_back("fft"); };
    doc->hooks.repaint = [&] { order.emplace_back("repaint"); };
    doc->hooks.showStatus = [&](std::string_view) { order.emplace_back("status"); };
    Tick();
    EXPECT_EQ(order, (std::vector<std::string>{"passfail", "fft", "repaint", "status"}));

    // X-Y has no Pass/Fail; an Autoset step replaces the capture and is not followed by a repaint.
    order.clear();
    doc->SelectDisplayFormat(kFormatXY);
    doc->specialStep = 2;
    doc->hooks.autosetTick = [&] { order.emplace_back("autoset"); };
    Tick();
    EXPECT_EQ(order, (std::vector<std::string>{"autoset", "fft", "status"}));
}

TEST_F(CycleTest, AStoppedProgramRestsUntilSomethingChanges) {
    Start();
    Tick();
    doc->Stop();
    Tick();
    int passes = 0;
    doc->processor.hooks.addPersistFrame = [&passes](int channel) { passes += channel == kCh1 ? 1 : 0; };
    repaints = 0;
    Ticks(10);
    EXPECT_EQ(repaints, 0);
    EXPECT_EQ(passes, 0);
    doc->SetHorizontalPosition(100);
    Ticks(3);
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(passes, 1);

    // A setup whose only difference is the reference's samples still reaches the screen.
    SetupImage image = doc->CaptureSetup();
    image.ref.enabled = 1;
    image.ref.empty = 0;
    image.ref.samples.assign(static_cast<std::size_t>(image.ref.recordLength), 100);
    doc->ApplySetup(image);
    Tick();
    const auto before = doc->frames[kRef].display;
    image.ref.samples.assign(image.ref.samples.size(), 160);
    doc->ApplySetup(image);
    Tick();
    EXPECT_NE(doc->frames[kRef].display, before);
}

// ---- Demo mode ----

using DemoCycleTest = DocTest;

TEST_F(DemoCycleTest, NoInstrumentAndIgnoreRunsInDemo) {
    EXPECT_EQ(Start(false), StartupResult::kDemo);
    EXPECT_EQ(chooser.noDeviceAsked, 1);
    EXPECT_EQ(doc->settings.demoMode, 1u);
    Tick();
    EXPECT_EQ(status.back(), "Run in demo");
    // In range at 0 V: every poll is a frame.
    EXPECT_TRUE(doc->demo.ready[0]);
    EXPECT_EQ(RunStatus(), kStatusTriggered);
    EXPECT_EQ(doc->frames[kCh1].samples[5120], 191);
}

TEST_F(DemoCycleTest, CloseEndsStartUp) {
    chooser.noDeviceAnswer = NoDeviceChoice::kClose;
    EXPECT_EQ(Start(false), StartupResult::kClose);
}

TEST_F(DemoCycleTest, AutoWithTheLevelOutsideTheSignalDeliversEverySeventhPoll) {
    Start(false);
    doc->demo.SelectAmplitude(2); // 0.4 V: 12 codes, far below a level one division up
    doc->SetTriggerLevel(kCh1, 32.0f);
    std::vector<int> frameTicks;
    for (int tick = 1; tick <= 21; ++tick) {
        Tick();
        if (doc->demo.ready[0]) {
            frameTicks.push_back(tick);
            EXPECT_EQ(RunStatus(), kStatusAuto);
            EXPECT_FALSE(doc->forcedTrigger);
        }
    }
    EXPECT_EQ(frameTicks, (std::vector<int>{7, 14, 21}));
}

TEST_F(DemoCycleTest, ExternalTriggerInNormalNeverProducesAFrame) {
    Start(false);
    doc->SelectTriggerSource(kTrigExt);
    doc->SetSweep(kSweepNormal);
    for (int i = 0; i < 50; ++i) {
        Tick();
        ASSERT_FALSE(doc->demo.ready[0] || doc->demo.ready[1]);
    }
    EXPECT_EQ(RunStatus(), kStatusWait);
}

TEST_F(DemoCycleTest, SingleStopsAfterOneDemoFrame) {
    Start(false);
    doc->SetSweep(kSweepSingle);
    Tick();
    EXPECT_EQ(RunStatus(), kStatusStopped);
    EXPECT_EQ(doc->settings.acquire.running, 0u);
    const auto calls = random.calls;
    Ticks(5);
    EXPECT_EQ(random.calls, calls); // nothing more is generated while stopped
}

TEST_F(DemoCycleTest, AltSwitchesTheBlockWithoutADriver) {
    Start(false);
    doc->SelectTriggerSource(kTrigAlt);
    doc->SetTimeDiv(10);
    Tick(); // block still says ALT: both channels, then the first switch to CH2
    EXPECT_EQ(doc->link.block.triggerSource, kTrigCh2);
    EXPECT_EQ(doc->link.block.channelCode, 3);
    Tick();
    EXPECT_EQ(doc->link.block.triggerSource, kTrigCh1);
    EXPECT_EQ(doc->link.block.channelCode, 0);
}

TEST_F(DemoCycleTest, RollFillsEveryPointOfEachStep) {
    Start(false);
    doc->SelectDisplayFormat(kFormatRoll);
    random.fallback = 9; // (9 x 0.111.. - 0.5) x 128 + 191 = 255
    Ticks(2);
    EXPECT_EQ(doc->frames[kCh1].rollPosition, 30);
    // The 30 rolled-in points of the trace are all new samples, none left over in the memory.
    const auto& ch1 = doc->frames[kCh1].display;
    const auto& ch2 = doc->frames[kCh2].display;
    EXPECT_EQ(std::count(ch1.end() - 30, ch1.end(), 255), 30);
    EXPECT_EQ(std::count(ch2.end() - 30, ch2.end(), 127), 30); // CH2: zero level 192 -> code 63, + 64

    // Stopped before the screen is full, the trace keeps to the part Roll has filled.
    doc->Stop();
    Tick();
    for (int c : {kCh1, kCh2}) {
        EXPECT_EQ(doc->frames[static_cast<std::size_t>(c)].firstIndex, kDisplayPoints - 30);
        EXPECT_EQ(doc->frames[static_cast<std::size_t>(c)].lastIndex, kDisplayPoints - 1);
    }
    EXPECT_EQ(std::count(ch1.end() - 30, ch1.end(), 255), 30);
}

TEST_F(DemoCycleTest, SingleCaptureForcesADemoFrameAtOnce) {
    Start(false);
    doc->SelectTriggerSource(kTrigExt);
    EXPECT_TRUE(doc->SingleCapture());
    EXPECT_EQ(clock.sleeps, 0);
    EXPECT_TRUE(doc->demo.ready[0]);
    // Random phase (0 + 0.1) x pi/2 at the trigger point: 191 + 64 sin(0.05 pi) = 201.01.
    EXPECT_EQ(doc->frames[kCh1].samples[5120], 201);
}

TEST_F(CycleTest, SingleCaptureWaitsTenMillisecondsPerPollAndGivesUpAfter79) {
    Start();
    driver.states = {kCaptureWaiting, kCaptureTriggered, kCaptureComplete};
    EXPECT_TRUE(doc->SingleCapture());
    EXPECT_EQ(clock.sleeps, 2);
    EXPECT_EQ(driver.Count("ForceTrigger"), 1);
    EXPECT_EQ(driver.Count("ReadCapture"), 1);
    EXPECT_EQ(doc->frames[kCh1].samples[0], 100);

    driver.calls.clear();
    clock.sleeps = 0;
    EXPECT_FALSE(doc->SingleCapture());
    EXPECT_EQ(driver.Count("GetCaptureState"), 79);
    EXPECT_EQ(clock.sleeps, 79);
    EXPECT_EQ(driver.Count("ReadCapture"), 0);
    EXPECT_EQ(doc->frames[kCh1].samples[0], 100);
}

} // namespace
} // namespace tarnix
