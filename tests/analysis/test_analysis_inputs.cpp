#include "analysis/analysis_inputs.h"

#include <gtest/gtest.h>

#include <memory>

namespace tarnix {
namespace {

TEST(AnalysisInputs, MeasurementSourcesFollowTheSettings) {
    InstrumentSettings settings;
    settings.ch(kCh1).enabled = 1;
    settings.ch(kCh2).enabled = 0;
    settings.ch(kMath).enabled = 1;
    settings.ch(kMath).voltsPerDivIndex = 7; // 2 V
    settings.ch(kMath).probe = 1;            // x10
    settings.ch(kMath).zeroLevel = 100.0f;
    auto frames = std::make_unique<WaveFrameSet>();
    (*frames)[kMath].display.fill(200);
    const auto channels = MeasureChannelsFrom(settings, *frames);
    EXPECT_TRUE(channels[0].enabled);
    EXPECT_FALSE(channels[1].enabled);
    CMeasureSet set;
    set.SetMeasureSource(2);
    set.AddMeasure(kMeasureVmax);
    set.UpdateMeasurements(channels);
    EXPECT_EQ(set.Text(0), "MATH:Vmax = 28.1V"); // level 200 with 0 V at 155: 45 / 32 x 20 V
}

TEST(AnalysisInputs, FftReadsTheSourceChannelAndTheBlock) {
    InstrumentSettings settings;
    settings.ch(kCh1).enabled = 1;
    settings.ch(kCh2).enabled = 1;
    settings.ch(kCh2).voltsPerDivIndex = 5; // 0.5 V
    settings.ch(kCh2).probe = 1;            // x10
    settings.trigger.triggerSource = kTrigAlt;
    settings.timebase.timeDivIndex = 12;
    settings.timebase.timeDivOffset = 1; // 40 us/div
    HardwareBlock block;
    block.levels.ch2Zero = 192;
    block.position = 30;
    auto frames = std::make_unique<WaveFrameSet>();
    AllocateFrames(*frames, 1);
    const FftFrameInput input = FftInputFrom(settings, block, *frames, 1);
    EXPECT_TRUE(input.bothChannelsOn);
    EXPECT_TRUE(input.triggerAlt);
    EXPECT_EQ(input.zeroLevelWord, 192);
    EXPECT_EQ(input.positionPercent, 30);
    EXPECT_DOUBLE_EQ(input.secondsPerDiv, 4e-5);
    EXPECT_NEAR(input.voltsPerDiv, 5.0, 1e-6);
    EXPECT_EQ(input.processedRecord.data(), (*frames)[kCh2].processed.data());
    EXPECT_EQ(FftInputFrom(settings, block, *frames, 0).zeroLevelWord, block.levels.ch1Zero);
}

} // namespace
} // namespace tarnix
