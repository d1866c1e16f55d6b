#include "analysis/analysis_inputs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

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
    ASSERT_EQ(channels[2].trace.size(), 5000u);

    CMeasureSet set;
    set.SetMeasureSource(2);
    set.AddMeasure(kMeasureVmax);
    set.UpdateMeasurements(channels);
    // Level 200 with 0 V at 155: 45 / 32 x 20 V.
    EXPECT_EQ(set.Text(0), "MATH:Vmax = 28.1V");
}

TEST(AnalysisInputs, FftReadsTheSourceChannelAndTheBlock) {
    InstrumentSettings settings;
    settings.ch(kCh1).enabled = 1;
    settings.ch(kCh2).enabled = 1;
    settings.ch(kCh2).voltsPerDivIndex = 5; // 0.5 V
    settings.trigger.triggerSource = kTrigAlt;
    settings.timebase.timeDivIndex = 12;
    settings.timebase.timeDivOffset = 1; // 40 us/div
    HardwareBlock block;
    block.levels.ch2Zero = 192;
    block.position = 30;
    auto frames = std::make_unique<WaveFrameSet>();
    AllocateFrames(*frames, 1);
    // 12 cycles across the screen part of CH2's processed record, 64 codes around
    // 0 V (code 63).
    for (int i = 0; i < 10240; ++i) {
        (*frames)[kCh2].processed[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
            std::lround(63.0 + 64.0 * std::cos(2.0 * std::numbers::pi * 12.0 * (i - 120) / 10000.0)));
    }
    const FftFrameInput input = FftInputFrom(settings, block, *frames, 1);
    EXPECT_TRUE(input.bothChannelsOn);
    EXPECT_TRUE(input.triggerAlt);
    EXPECT_EQ(input.positionPercent, 30);

    CFftAnalysis fft;
    FftSettings fftSettings;
    FftResults results;
    ResetFft(fftSettings, results);
    fftSettings.running = 1;
    fftSettings.source = 1;
    ASSERT_EQ(fft.Compute(fftSettings, input, results), FftStatus::kComputed);
    EXPECT_EQ(results.fundamentalBin, 12);
    EXPECT_EQ(results.rows[0].frequency, "30.0kHz");
    EXPECT_EQ(results.rows[0].value, "1.00V"); // 64 codes at 0.5 V/div
}

} // namespace
} // namespace tarnix
