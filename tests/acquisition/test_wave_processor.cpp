#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

#include "acquisition/persist_history.h"
#include "acquisition/processing_steps.h"
#include "acquisition/wave_processor.h"

#include "../support/trace_values.h"

namespace tarnix {
namespace {

using testing::Pick;

class PassTest : public ::testing::Test {
protected:
    InstrumentSettings settings; // model 1, 40.0us/div, position 250, CH1/CH2 on, 1 V/div, 10k records
    HardwareBlock block;
    WaveFrameSet frames;
    CWaveProcessor processor;
    PassState state;

    void SetUp() override {
        AllocateFrames(frames, settings.model);
        block.channelCode = 2;
        Set(12);
    }
    void Fill(int ch, std::uint16_t code) {
        auto& s = frames[static_cast<std::size_t>(ch)].samples;
        std::fill(s.begin(), s.begin() + kBaseRecordLength, code);
    }
    void Set(int timeDivIndex, int position = 250) {
        settings.timebase.timeDivIndex = block.timeDivIndex = static_cast<std::uint16_t>(timeDivIndex);
        settings.timebase.horizontalPosition = static_cast<std::uint16_t>(position);
        block.position = static_cast<std::uint16_t>(position / 5);
    }
    void At(int timeDivIndex, int position = 250) {
        Set(timeDivIndex, position);
        processor.RunPass(settings, block, frames, state);
    }
    const WaveFrame& F(int ch) const { return frames[static_cast<std::size_t>(ch)]; }
    bool AllAre(int ch, int code) const {
        return std::all_of(F(ch).display.begin(), F(ch).display.end(), [code](auto v) { return v == code; });
    }
    void StopHere() {
        processor.OnStop(settings, frames);
        state.stoppedSecondsPerDiv = SecondsPerDiv(settings.timebase);
        state.stoppedPosition = settings.timebase.horizontalPosition;
        settings.acquire.running = 0;
    }
};

TEST_F(PassTest, CodesBelowTheBottomEdgeClipToTheBottomOnEveryPathAndGroundIsFlat) {
    // A code of -1 arrives as 0xFFFF; read as unsigned it would clip to the top
    // edge and draw a spike across the whole screen.
    Fill(kCh1, 0xFFFF);
    for (int index : {12, 8, 2}) { // copy, linear stretch, sin(x)/x stretch
        At(index);
        EXPECT_TRUE(AllAre(kCh1, 0)) << "time/div index " << index;
    }
    // GND: the 0 V line (the zero level's fraction dropped), also where an older
    // stretch held a trigger crossing past the record.
    settings.ch(kCh1).coupling = kCouplingGnd;
    settings.ch(kCh1).zeroLevel = 64.7f;
    block.levels.ch1Trigger = 130;
    for (int i = 0; i < 200; ++i) {
        frames[kCh1].processed[static_cast<std::size_t>(19900 + i)] = static_cast<std::int16_t>(50 + i);
    }
    for (int index : {12, 4}) {
        At(index);
        EXPECT_TRUE(AllAre(kCh1, 191)) << "time/div index " << index;
    }
}

TEST_F(PassTest, AverageOfTheLastFourTracesTruncated) {
    settings.acquire.acquisitionMode = kAcqAverage;
    settings.acquire.averageCount = 4;
    const std::uint16_t inputs[] = {10, 20, 40, 80, 160, 0};
    const int expected[] = {10, 15, 23, 37, 75, 70}; // (10+20+40)/3 = 23.3, (20+40+80+160)/4 = 75, ...
    for (int k = 0; k < 6; ++k) {
        Fill(kCh1, inputs[k]);
        At(12);
        EXPECT_EQ(settings.acquire.averagedFrames, std::min(k + 1, 4));
        EXPECT_EQ(F(kCh1).display[777], expected[k]) << "pass " << k;
    }
    // Back to Normal: the history is released and traces are shown as they come.
    settings.acquire.acquisitionMode = kAcqNormal;
    Fill(kCh1, 30);
    At(12);
    EXPECT_EQ(F(kCh1).display[0], 30);
}

// A ramp through the samples of a channel: 0 up to `from`, then one code per sample up to 255.
void Ramp(WaveFrame& frame, int from) {
    for (int i = 0; i < kBaseRecordLength; ++i) {
        frame.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(std::clamp(i - from, 0, 255));
    }
}

TEST_F(PassTest, FastTimeBaseAlignsTheTriggerCrossingToThePositionColumn) {
    // 40.0ns/div, one channel's factor 67, Linear: source 5120 (code 120) lands on stretch point 16384.
    block.channelCode = 0;
    block.levels.ch1Trigger = 130; // code 125 on the bottom-up scale
    block.levels.ch2Trigger = 130;
    Ramp(frames[kCh1], 5000);
    Fill(kCh2, 60);
    At(4);
    // The first point within 10 codes whose +-40 neighbours straddle 125: 16384 + 362 (code 125).
    // CH2 is shifted with CH1's index, without a search of its own.
    EXPECT_EQ(std::tuple(F(kCh1).alignmentIndex, F(kCh2).alignmentIndex, F(kCh1).display[2500]),
              std::tuple(16746, 16746, 125));

    // ALT searches each channel with its own level.
    settings.trigger.triggerSource = kTrigAlt;
    Ramp(frames[kCh2], 5010); // code 110 at the stretch's trigger point
    At(4);
    // 110 + 1032 / 67 = 125.
    EXPECT_EQ(std::tuple(F(kCh1).alignmentIndex, F(kCh2).alignmentIndex, F(kCh2).display[2500]),
              std::tuple(16746, 16384 + 1032, 125));
}

TEST_F(PassTest, StoppedFrameZoomsAboutTheTriggerPointAndDragsWithThePosition) {
    Fill(kCh1, 50);
    frames[kCh1].samples[5120] = 250; // the record's trigger point at position 250
    At(12);
    StopHere();
    Fill(kCh1, 0); // a stopped frame is never re-read from the sample memory
    At(11);        // 20.0us: ratio 2, one record point per column
    EXPECT_EQ(Pick(F(kCh1).display, {2499, 2500, 2501}), (std::vector<int>{50, 250, 50}));
    EXPECT_EQ(F(kCh1).pointCount, 5000);

    At(9); // 4.00us: ratio 10, one record point every fifth column, the rest marked
    EXPECT_EQ(Pick(F(kCh1).display, {2500, 2504, 2505}), (std::vector<int>{250, kNoData, 50}));
    EXPECT_EQ(F(kCh1).pointCount, 1);

    At(13); // 100us: ratio 0.4, groups of 4 x 2 points, 1280 pairs around the trigger column
    EXPECT_EQ(std::tuple(F(kCh1).firstIndex, F(kCh1).lastIndex), std::tuple(1220, 3779));
    EXPECT_EQ(Pick(F(kCh1).display, {1219, 3780, 2500}), (std::vector<int>{kNoData, kNoData, 250}));

    At(12, 300); // record point 0 lands on column 440
    EXPECT_EQ(std::tuple(F(kCh1).display[3000], F(kCh1).firstIndex), std::tuple(250, 440));
    settings.ch(kCh1).voltsPerDivIndex = 7; // 2 V/div: codes move half as far from 0 V
    At(12);
    EXPECT_EQ(F(kCh1).display[2500], 220); // trunc(0.5 x (250 - 191)) + 191
    settings.ch(kCh1).zeroLevel = 100.0f;  // and the 0 V line moves with the zero level
    At(12);
    EXPECT_EQ(F(kCh1).display[2500], 184); // 29 - 100 + 255
}

TEST_F(PassTest, RollShiftsInTheNewPointsAtTheRightEdge) {
    settings.timebase.displayFormat = kFormatRoll;
    WaveFrame& f = frames[kCh1];
    for (int i = 0; i < kDisplayPoints; ++i) {
        f.display[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 200);
    }
    for (int i = 0; i < 10; ++i) {
        f.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i + 1);
    }
    f.rollStep = 10;
    f.rollPosition = 30;
    processor.RunRollPass(settings, frames, state);
    EXPECT_EQ(Pick(F(kCh1).display, {0, 4989, 4990, 4999}), (std::vector<int>{10, 4999 % 200, 1, 10}));
    EXPECT_EQ(std::tuple(f.firstIndex, f.lastIndex), std::tuple(4970, 4990));
    f.rollStep = 600; // held to 511
    processor.RunRollPass(settings, frames, state);
    EXPECT_EQ(Pick(F(kCh1).display, {4488, 4489}), (std::vector<int>{10, 1}));

    // Stopped at the same time base the part Roll had filled (30 points) stays as
    // it was; the part it had not reached is empty, not drawn as a line.
    const auto before = f.display;
    StopHere();
    processor.RunRollPass(settings, frames, state);
    EXPECT_TRUE(std::equal(before.end() - 30, before.end(), f.display.end() - 30));
    EXPECT_EQ(f.firstIndex, 4970);
    EXPECT_EQ(std::count(f.display.begin(), f.display.end() - 30, kNoData), 4970);
}

TEST_F(PassTest, RefIsFittedToTheCurrentTimeBaseAndScaleAndHooksRun) {
    std::vector<int> persisted;
    std::vector<double> measured;
    processor.hooks.addPersistFrame = [&](int ch) { persisted.push_back(ch); };
    processor.hooks.updateMeasurements = [&](double s) { measured.push_back(s); };
    settings.ch(kRef).enabled = 1;
    settings.ch(kMath).enabled = 1;
    state.refEmpty = false;
    WaveFrame& ref = frames[kRef];
    std::fill(ref.samples.begin(), ref.samples.begin() + kBaseRecordLength, 100);
    ref.samples[5120] = 200;
    ref.refTimeDivIndex = 13; // taken at 100us, shown at 40.0us: ratio 2.5 spreads 5000 points
    ref.refHorizontalPosition = 250;
    At(12);
    EXPECT_EQ(persisted, (std::vector<int>{kCh1, kCh2, kMath, kRef}));
    EXPECT_EQ(Pick(F(kRef).display, {2500, 2501}), (std::vector<int>{200, 100}));
    settings.ch(kRef).voltsPerDivIndex = 7; // taken at 1 V/div, shown at 2 V/div
    At(12);
    EXPECT_EQ(F(kRef).display[2501], 114); // trunc(0.5 x (100 - 127)) - 128 + 255

    // Measurements every sixth pass, only while running and only with one selected.
    EXPECT_TRUE(measured.empty());
    state.measurementsSelected = true;
    for (int k = 0; k < 12; ++k) {
        At(12);
    }
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_DOUBLE_EQ(measured[0], 4e-5);
    settings.acquire.running = 0; // six passes that would bring a third, were it running
    for (int k = 0; k < 6; ++k) {
        At(12);
    }
    EXPECT_EQ(measured.size(), 2u);
}

TEST(PersistHistory, SwitchDepthAndFadingRing) {
    InstrumentSettings s;
    CPersistHistory h(s);
    std::array<std::int16_t, kPersistPoints> frame{};
    h.SetPersistenceDepth(4);
    h.AddPersistFrame(kCh2, frame.data(), 0xFFFF00);
    EXPECT_EQ(h.PersistCount(kCh2), 0) << "switched off";
    h.SetPersistenceOn(true);
    h.AddPersistFrame(kCh2, frame.data(), 0xFFFF00);
    EXPECT_EQ(h.Entry(kCh2, 0).colour, 0xFFFF00u) << "a single entry has the full colour";
    h.SetPersistenceOn(false);
    EXPECT_EQ(h.PersistCount(kCh2), 1) << "switching off keeps the queues";
    h.SetPersistenceOn(true);
    h.SetPersistenceDepth(2);
    EXPECT_EQ(h.PersistCount(kCh2), 0) << "a new depth empties every queue";
    h.SetPersistenceDepth(0);
    h.AddPersistFrame(kCh1, frame.data(), 0x00FF00);
    EXPECT_EQ(h.PersistCount(kCh1), 0) << "\"Min\" holds none";
    h.SetPersistenceDepth(99);
    EXPECT_EQ(s.persistenceDepth, 0) << "outside the list: ignored";
    // The deepest setting holds fifteen frames and wraps around its ring, oldest first, from a
    // fifteenth of the colour up to all of it.
    h.SetPersistenceDepth(15);
    for (int k = 0; k < 40; ++k) {
        frame.fill(static_cast<std::int16_t>(k));
        h.AddPersistFrame(kMath, frame.data(), 0xFF0000);
    }
    ASSERT_EQ(h.PersistCount(kMath), 15);
    EXPECT_EQ(h.Entry(kMath, 0).points[4999], 25);
    EXPECT_EQ(h.Entry(kMath, 0).colour, 0x110000u);           // 255 / 15 = 17
    EXPECT_EQ(PersistEntryColour(0x80FF40, 2, 3), 0x55AA2Au); // 128*2/3 = 85, 64*2/3 = 42
}

} // namespace
} // namespace tarnix
