// The document's setters and the rules between settings: what reaches the block, what reaches the
// driver, and what is refused.
#include <string>
#include <tuple>
#include <vector>

#include "doc_fixture.h"

namespace tarnix {
namespace {

using testing::DocTest;
using SetterTest = DocTest;

std::vector<std::string> Entries(const testing::CFakeDriver& driver) {
    std::vector<std::string> entries;
    for (const auto& call : driver.calls) {
        entries.push_back(call.entry);
    }
    return entries;
}

// Each setter converts into its own block field: zero levels clamp, channel trigger levels only truncate.
TEST_F(SetterTest, LevelsAndPositionReachTheirBlockFields) {
    Start();
    doc->SetZeroLevel(kCh1, 300.7f);
    EXPECT_EQ(doc->settings.ch(kCh1).zeroLevel, 300.7f);
    EXPECT_EQ(doc->link.block.levels.ch1Zero, 255);
    doc->SetZeroLevel(kCh2, 64.9f);
    EXPECT_EQ(doc->link.block.levels.ch2Zero, 64);
    doc->SetTriggerLevel(kCh2, -1.5f);
    EXPECT_EQ(doc->settings.trigger.levelCh2, -1.5f);
    EXPECT_EQ(doc->link.block.levels.ch2Trigger, 65535);
    doc->SetTriggerLevel(kCh1, 270.9f);
    EXPECT_EQ(doc->link.block.levels.ch1Trigger, 270);

    driver.calls.clear();
    doc->SetExtTriggerLevel(-20.0f);
    EXPECT_EQ(doc->link.block.levels.extTrigger, 0);
    EXPECT_EQ(Entries(driver), (std::vector<std::string>{"SetChannels", "SetLevels"}));
    EXPECT_EQ(driver.Last("SetLevels")->args[5], 0);
    EXPECT_EQ(driver.Last("SetLevels")->args[4], 65535);

    doc->SetHorizontalPosition(600);
    EXPECT_EQ(doc->link.block.position, 100);
    EXPECT_EQ(doc->settings.timebase.horizontalPosition, 500);
    doc->SetHorizontalPosition(-5);
    EXPECT_EQ(doc->settings.timebase.horizontalPosition, 0);
    doc->SetHorizontalPosition(250);
    EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[5], 50);
}

TEST_F(SetterTest, DriverEntriesPerSetter) {
    Start();
    doc->SetVoltsPerDiv(kCh2, 3);
    EXPECT_EQ(Entries(driver), (std::vector<std::string>{"SetChannels", "SetLevels"}));
    EXPECT_EQ(driver.Last("SetChannels")->args[2], 3);

    driver.calls.clear();
    doc->SetBandwidthLimit(kCh2, true);
    doc->SetHfRejection(true);
    EXPECT_EQ(Entries(driver), (std::vector<std::string>{"SetFilters", "SetFilters"}));
    EXPECT_EQ(driver.Last("SetFilters")->args, (std::vector<int>{0, 0, 1, 1}));

    driver.calls.clear();
    doc->SetBufferSize(4); // "64k": the instrument gets index 4, the record stays 32768
    EXPECT_EQ(Entries(driver), (std::vector<std::string>{"SetTimebaseTrigger"}));
    EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[6], 4);
    EXPECT_EQ(doc->settings.ch(kCh1).recordLength, 32768u);
    EXPECT_EQ(doc->settings.ch(kMath).recordLength, 32768u);
    EXPECT_EQ(doc->settings.ch(kRef).recordLength, 10240u);

    // Store-only setters never talk to the instrument.
    driver.calls.clear();
    doc->SetSweep(kSweepNormal);
    doc->SetProbe(kCh1, 2);
    doc->SetInvert(kCh2, true);
    doc->SetMathOperator(kMathMul);
    doc->SetDisplayFormat(kFormatXY);
    EXPECT_TRUE(driver.calls.empty());
    EXPECT_EQ(doc->settings.ch(kCh1).probe, 2);
    EXPECT_EQ(doc->settings.ch(kMath).math.mathOperator, kMathMul);
}

TEST_F(SetterTest, EnumeratedSettersIgnoreValuesOutOfRange) {
    Start();
    const InstrumentSettings before = doc->settings;
    doc->SetTriggerSource(5);
    doc->SetTriggerMode(2);
    doc->SetSweep(3);
    doc->SetSlope(2);
    doc->SetDisplayFormat(3);
    doc->SetTimeDiv(39);
    doc->SetTimeDiv(-1);
    doc->SetBufferSize(7);
    doc->SetVoltsPerDiv(kCh1, 10);
    doc->SetCoupling(kCh2, 3);
    doc->SetProbe(kCh1, 4);
    doc->SetInterpolation(kCh1, 3);
    doc->SetAcquisitionMode(3);
    doc->SetAverageCount(0);
    doc->SetAverageCount(129);
    doc->SetMathSources(0, 2);
    doc->SetVoltsPerDiv(kMath, 3); // only CH1 and CH2 have a volts/div setter of their own
    EXPECT_EQ(doc->settings, before);
    EXPECT_TRUE(driver.calls.empty());

    // Stepping: 37 is the slowest with offset 1; 0 the fastest.
    doc->SetTimeDiv(37);
    doc->TimeDivSlower();
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 37);
    doc->SetTimeDiv(0);
    doc->TimeDivFaster();
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 0);
    doc->TimeDivSlower();
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 1);
    EXPECT_EQ(doc->link.block.timeDivIndex, 1);
}

TEST_F(SetterTest, ChannelCodeFollowsTheEnables) {
    Start();
    doc->SetChannelEnabled(kCh1, false);
    EXPECT_EQ(doc->link.block.channelCode, 3); // only CH2
    EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[3], 3);
    doc->SetChannelEnabled(kCh2, false);
    EXPECT_EQ(doc->link.block.channelCode, 0);
    doc->SetChannelEnabled(kCh2, true);
    EXPECT_EQ(doc->link.block.channelCode, 3);
}

TEST_F(SetterTest, LargeBufferFollowsTheChannelRules) {
    Start();
    doc->SetChannelEnabled(kCh2, false);
    doc->SetBufferSize(6); // "1 M" with one channel
    doc->SetTimeDiv(15);   // 400us
    doc->SetChannelEnabled(kCh2, true);
    EXPECT_EQ(doc->settings.timebase.bufferSizeIndex, 5); // turning a channel on drops 1M to 512k
    EXPECT_EQ(doc->link.block.bufferSizeIndex, 5);
}

TEST(SetterDemoTest, DemoModeUpdatesTheBlockExactlyAsWithAnInstrument) {
    testing::CFakeDriver connectedDriver;
    testing::CFakeDriver emptyDriver;
    emptyDriver.present = {false, false, false, false};
    testing::CFakeClock clock;
    testing::CFakeRandom random;

    DocumentServices connected;
    connected.library = &connectedDriver;
    connected.clock = &clock;
    connected.random = &random;
    DocumentServices demo = connected;
    demo.library = &emptyDriver; // a library that finds nothing: demo mode after the default "Ignore"

    CTarnixDoc a(connected), b(demo);
    ASSERT_EQ(a.StartUp(), StartupResult::kConnected);
    ASSERT_EQ(b.StartUp(), StartupResult::kDemo);
    emptyDriver.calls.clear();

    for (CTarnixDoc* doc : {&a, &b}) {
        doc->SetVoltsPerDiv(kCh1, 2);
        doc->SetZeroLevel(kCh1, 300.0f);
        doc->SetTriggerLevel(kCh2, -7.2f);
        doc->SetExtTriggerLevel(99.9f);
        doc->SetHorizontalPosition(433);
        doc->SetTimeDiv(20);
        doc->SetBufferSize(3);
        doc->SelectTriggerSource(kTrigAlt);
        doc->SetChannelEnabled(kCh1, false);
    }
    const auto fields = [](const HardwareBlock& b) {
        return std::tuple(b.triggerSource, b.channelCode, b.timeDivIndex, b.position, b.bufferSizeIndex,
                          b.altFlag, b.levels.ch1Zero, b.levels.ch2Zero, b.levels.ch1Trigger,
                          b.levels.ch2Trigger, b.levels.extTrigger);
    };
    const HardwareBlock& y = b.link.block;
    EXPECT_EQ(fields(a.link.block), fields(y));
    // Spot values, so the comparison is not of two equally wrong blocks.
    EXPECT_EQ(y.position, 86);
    EXPECT_EQ(y.levels.ch1Zero, 255);
    EXPECT_EQ(y.levels.extTrigger, 99);
    EXPECT_EQ(y.altFlag, 1);
    EXPECT_EQ(y.channelCode, 3);

    EXPECT_TRUE(emptyDriver.calls.empty());
    EXPECT_FALSE(connectedDriver.calls.empty());
}

TEST_F(SetterTest, TriggerSourceChangePutsTheLevelAtZeroVolts) {
    Start();
    int markerResets = 0;
    doc->hooks.triggerSourceChanged = [&] { ++markerResets; };
    doc->SetZeroLevel(kCh2, 150.0f);
    doc->settings.trigger.levelMarkerCh2 = kMarkerAboveTop;
    doc->screenSetup.levelOffset = 7.0f;
    doc->SelectTriggerSource(kTrigCh2);
    EXPECT_EQ(markerResets, 1);
    EXPECT_EQ(doc->screenSetup.levelOffset, 0.0f);
    EXPECT_EQ(doc->settings.trigger.triggerSource, kTrigCh2);
    EXPECT_EQ(doc->settings.trigger.levelCh2, 150.0f);
    EXPECT_EQ(doc->settings.trigger.levelMarkerCh2, kMarkerOnScreen);
    EXPECT_EQ(doc->link.block.altFlag, 0);
    EXPECT_EQ(doc->link.block.levels.ch2Trigger, 150);

    doc->SetExtTriggerLevel(10.0f);
    doc->SelectTriggerSource(kTrigExt10);
    EXPECT_EQ(doc->settings.trigger.levelExt, 128.0f);
    EXPECT_EQ(doc->link.block.triggerSource, kTrigExt10);

    doc->SelectTriggerSource(kTrigAlt);
    EXPECT_EQ(doc->link.block.altFlag, 1);
    doc->SelectTriggerSource(7);
    EXPECT_EQ(doc->settings.trigger.triggerSource, kTrigAlt);
    EXPECT_EQ(markerResets, 3);
}

TEST_F(SetterTest, XYNeedsBothChannelsAndCentresThemAndRollIsLeftThrough40us) {
    Start();
    doc->SelectDisplayFormat(kFormatRoll);
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 25); // "1.00s"
    doc->settings.ch(kMath).enabled = 1;
    doc->settings.ch(kCh2).enabled = 0;

    doc->SelectDisplayFormat(kFormatXY);
    const InstrumentSettings& s = doc->settings;
    EXPECT_EQ(s.timebase.displayFormat, kFormatXY);
    EXPECT_EQ(s.timebase.timeDivIndex, 12); // left Roll through "40.0us"
    EXPECT_EQ(s.ch(kCh1).enabled, 1u);
    EXPECT_EQ(s.ch(kCh2).enabled, 1u);
    EXPECT_EQ(s.ch(kMath).enabled, 0u);
    EXPECT_EQ(s.ch(kRef).enabled, 0u);
    EXPECT_EQ(s.ch(kCh1).zeroLevel, 128.0f);
    EXPECT_EQ(s.ch(kCh2).zeroLevel, 128.0f);
    EXPECT_EQ(s.trigger.levelCh1, 128.0f);
    EXPECT_EQ(s.trigger.levelCh2, 128.0f);
    EXPECT_EQ(doc->link.block.channelCode, 2);

    EXPECT_FALSE(doc->SetChannelEnabled(kCh1, false));
    EXPECT_EQ(s.ch(kCh1).enabled, 1u);
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_FALSE(doc->SetChannelEnabled(kRef, true));
    EXPECT_EQ(s.ch(kRef).enabled, 0u);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].first, "Error");
    EXPECT_EQ(notifier.messages[0].second, "Function not available!");

    // The refusal in the user's language where the language has the text, built-in English otherwise.
    doc->hooks.lookupText = [](int key) {
        return key == kTextFunctionNotAvailable ? "Nicht verfuegbar" : "";
    };
    doc->SetChannelEnabled(kMath, true);
    ASSERT_EQ(notifier.messages.size(), 2u);
    EXPECT_EQ(notifier.messages[1].second, "Nicht verfuegbar");
    EXPECT_EQ(doc->Text(kTextConnected), "Connected");

    // Out of X-Y, MATH may be turned on again; Roll to Y-T also leaves through 40.0us, Y-T to Y-T keeps
    // the time base.
    doc->SelectDisplayFormat(kFormatYT);
    EXPECT_TRUE(doc->SetChannelEnabled(kMath, true));
    doc->SelectDisplayFormat(kFormatRoll);
    doc->SelectDisplayFormat(kFormatYT);
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 12);
    doc->SetTimeDiv(5);
    doc->SelectDisplayFormat(kFormatYT);
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 5);
}

TEST_F(SetterTest, RunAppliesTheRecordLengthRules) {
    Start();
    doc->Stop();
    EXPECT_EQ(RunStatus(), kStatusStopped);
    doc->SetTimeDiv(25); // 1.00s in Y-T while stopped
    doc->settings.acquire.zoomIn = 1;
    doc->settings.acquire.averagedFrames = 5;
    doc->SetAcquisitionMode(kAcqAverage);
    doc->Run();
    EXPECT_EQ(doc->settings.timebase.displayFormat, kFormatRoll);
    EXPECT_EQ(doc->settings.acquire.zoomIn, 0u);
    EXPECT_EQ(doc->settings.acquire.averagedFrames, 0);
    EXPECT_EQ(RunStatus(), kStatusRunning);

    doc->Stop();
    doc->SetTimeDiv(12);
    doc->Run();
    EXPECT_EQ(doc->settings.timebase.displayFormat, kFormatYT);
}

TEST_F(SetterTest, StopRemembersTheScaleAndStartStopAreIdempotent) {
    Start();
    doc->SetHorizontalPosition(300);
    doc->Stop();
    EXPECT_EQ(doc->stoppedPosition, 300);
    EXPECT_DOUBLE_EQ(doc->stoppedSecondsPerDiv, 4e-5);
    doc->SetHorizontalPosition(100);
    doc->Stop(); // already stopped: nothing changes
    EXPECT_EQ(doc->stoppedPosition, 300);
    doc->Run();
    doc->settings.runStatus = kStatusTriggered;
    doc->Run(); // already running
    EXPECT_EQ(RunStatus(), kStatusTriggered);
}

TEST_F(SetterTest, StartUpWithSeveralInstrumentsAsksWhichOne) {
    driver.present = {true, false, true, true};
    chooser.deviceAnswer = 2;
    ASSERT_EQ(Start(), StartupResult::kConnected);
    ASSERT_EQ(chooser.offered.size(), 3u);
    EXPECT_EQ(chooser.offered[1].slot, 2);
    EXPECT_EQ(chooser.offered[1].deviceId, 13);
    EXPECT_EQ(doc->link.selectedSlot, 2);
    doc->SetVoltsPerDiv(kCh1, 4);
    EXPECT_EQ(driver.Last("SetChannels")->args[0], 2);
}

TEST_F(SetterTest, StartUpCancelledInTheDeviceListCloses) {
    driver.present = {true, true, false, false};
    chooser.deviceAnswer = std::nullopt;
    EXPECT_EQ(Start(), StartupResult::kClose);
}

TEST_F(SetterTest, StartUpLoadsTheDefaultSetupOrFallsBackToDefaults) {
    DocumentServices services;
    services.library = &driver;
    services.clock = &clock;
    services.random = &random;
    CTarnixDoc loaded(services);
    loaded.hooks.loadDefaultSetup = [&] {
        loaded.SetVoltsPerDiv(kCh1, 9);
        return true;
    };
    loaded.StartUp();
    EXPECT_EQ(loaded.settings.ch(kCh1).voltsPerDivIndex, 9);
    EXPECT_TRUE(loaded.configured);

    CTarnixDoc failed(services);
    int screenResets = 0;
    failed.hooks.resetScreen = [&] { ++screenResets; };
    failed.hooks.loadDefaultSetup = [&] {
        failed.SetVoltsPerDiv(kCh1, 9); // half-loaded, then refused
        return false;
    };
    failed.StartUp();
    EXPECT_EQ(failed.settings.ch(kCh1).voltsPerDivIndex, 6);
    EXPECT_EQ(screenResets, 2);
}

} // namespace
} // namespace tarnix
