// The document's setters: what reaches the block and the driver, what is refused; the instrument chosen.
#include <tuple>
#include <vector>

#include "../support/doc_fixture.h"

namespace tarnix {
namespace {

class SetterTest : public testing::DocTest {
protected:
    const HardwareBlock& Block() const { return doc->link.block; }
};

// Zero levels clamp into the block, channel trigger levels only truncate, the position is clamped twice.
TEST_F(SetterTest, LevelsAndPositionReachTheirBlockFields) {
    Start();
    doc->SetZeroLevel(kCh1, 300.7f);
    EXPECT_EQ(Block().levels.ch1Zero, 255);
    doc->SetTriggerLevel(kCh2, -1.5f);
    doc->SetExtTriggerLevel(-20.0f);
    EXPECT_EQ(driver.Last("SetLevels")->args[5], 0);
    EXPECT_EQ(driver.Last("SetLevels")->args[4], 65535);

    doc->SetHorizontalPosition(600);
    EXPECT_EQ(std::tuple(Block().position, doc->settings.timebase.horizontalPosition), std::tuple(100, 500));
    doc->SetHorizontalPosition(-5);
    EXPECT_EQ(doc->settings.timebase.horizontalPosition, 0);
    doc->SetHorizontalPosition(250);
    EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[5], 50);
}

TEST_F(SetterTest, TheDriverGetsEachSetterValueAndTheChannelRulesHold) {
    Start();
    doc->SetVoltsPerDiv(kCh2, 3);
    EXPECT_EQ(driver.Last("SetChannels")->args[2], 3);

    doc->SetBufferSize(4); // "64k": the instrument gets index 4, the record stays 32768
    EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[6], 4);
    EXPECT_EQ(std::tuple(Ch(kCh1).recordLength, Ch(kRef).recordLength), std::tuple(32768u, 10240u));

    // The channel code follows the enables; turning a channel on drops a one-channel 1M buffer to 512k.
    doc->SetChannelEnabled(kCh1, false);
    EXPECT_EQ(Block().channelCode, 3);
    EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[3], 3);
    doc->SetChannelEnabled(kCh2, false);
    EXPECT_EQ(Block().channelCode, 0);
    doc->SetBufferSize(6);
    doc->SetChannelEnabled(kCh2, true);
    EXPECT_EQ(Block().channelCode, 3);
    EXPECT_EQ(doc->settings.timebase.bufferSizeIndex, 5);
    EXPECT_EQ(Block().bufferSizeIndex, 5);
}

TEST_F(SetterTest, EnumeratedSettersIgnoreValuesOutOfRange) {
    Start();
    const InstrumentSettings before = doc->settings;
    // The model checks every range; these setters have checks or rules of their own around it.
    doc->SetTimeDiv(39);
    doc->SetTimeDiv(-1);
    doc->SetBufferSize(7);
    doc->SetAverageCount(0);
    doc->SetAverageCount(129);
    doc->SetMathSources(0, 2);
    doc->SetVoltsPerDiv(kMath, 3); // only CH1 and CH2 have a volts/div setter of their own
    EXPECT_EQ(doc->settings, before);
    EXPECT_TRUE(driver.calls.empty());
    doc->TimeDivFaster();
    EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[4], 11);
}

// A new source also resets the level marker, its offset, and the ALT flag unless the source is ALT.
TEST_F(SetterTest, TriggerSourceChangeResetsTheMarkerAndTheAltFlag) {
    Start();
    int markerResets = 0;
    doc->hooks.triggerSourceChanged = [&] { ++markerResets; };
    doc->SelectTriggerSource(kTrigAlt);
    EXPECT_EQ(Block().altFlag, 1);
    doc->settings.trigger.levelMarkerCh2 = kMarkerAboveTop;
    doc->screenSetup.levelOffset = 7.0f;
    doc->SelectTriggerSource(kTrigCh2);
    EXPECT_EQ(doc->screenSetup.levelOffset, 0.0f);
    EXPECT_EQ(doc->settings.trigger.levelMarkerCh2, kMarkerOnScreen);
    EXPECT_EQ(Block().altFlag, 0);
    doc->SelectTriggerSource(7);
    EXPECT_EQ(doc->settings.trigger.triggerSource, kTrigCh2);
    EXPECT_EQ(markerResets, 2);
}

TEST_F(SetterTest, XYTurnsBothChannelsOnAndCentresThemAndRollIsLeftThrough40us) {
    Start();
    doc->SelectDisplayFormat(kFormatRoll);
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 25); // "1.00s"
    doc->settings.ch(kMath).enabled = 1;
    doc->settings.ch(kCh2).enabled = 0;

    doc->SelectDisplayFormat(kFormatXY);
    const InstrumentSettings& s = doc->settings;
    EXPECT_EQ(s.timebase.displayFormat, kFormatXY);
    EXPECT_EQ(s.timebase.timeDivIndex, 12); // left Roll through "40.0us"
    EXPECT_EQ(std::tuple(Ch(kCh2).enabled, Ch(kMath).enabled), std::tuple(1u, 0u));
    for (float level : {Ch(kCh1).zeroLevel, Ch(kCh2).zeroLevel, s.trigger.levelCh1, s.trigger.levelCh2}) {
        EXPECT_EQ(level, 128.0f);
    }
    EXPECT_EQ(Block().channelCode, 2);
    // X-Y keeps CH1, its X axis; CH2 may go.
    EXPECT_FALSE(doc->SetChannelEnabled(kCh1, false));
    EXPECT_TRUE(doc->SetChannelEnabled(kCh2, false));
    EXPECT_EQ(Enables(), std::pair(1, 0));
}

TEST_F(SetterTest, StartUpWithSeveralInstrumentsAsksWhichOne) {
    driver.present = {true, false, true, true};
    for (const int answer : {2, 0}) { // the first instrument in the list is a choice like any other
        chooser.deviceAnswer = answer;
        ASSERT_EQ(Start(), StartupResult::kConnected) << answer;
        ASSERT_EQ(chooser.offered.size(), 3u);
        EXPECT_EQ(std::tuple(chooser.offered[1].slot, chooser.offered[1].deviceId), std::tuple(2, 13));
        EXPECT_EQ(doc->link.selectedSlot, answer);
        doc->SetVoltsPerDiv(kCh1, 4);
        EXPECT_EQ(driver.Last("SetChannels")->args[0], answer);
    }
}

} // namespace
} // namespace tarnix
