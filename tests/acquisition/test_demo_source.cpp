// The demo signal, with expected samples worked out by hand.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "../support/fake_services.h"
#include "../support/trace_values.h"
#include "acquisition/demo_source.h"

namespace tarnix {
namespace {

using testing::Pick;

// The factory settings: CH1 and CH2 on, AC, at 1.00V/div x1, zero levels 64/192, trigger CH1 rising at
// CH1's 0 V, 40.0us/div (row 13), position 250. The memory is model 1's, larger than one demo frame.
class DemoSourceTest : public ::testing::Test {
protected:
    InstrumentSettings s;
    CDemoSource demo;
    testing::CFakeRandom random;
    std::vector<std::uint16_t> ch1 = std::vector<std::uint16_t>(65536, 7);
    std::vector<std::uint16_t> ch2 = std::vector<std::uint16_t>(65536, 7);

    void SetUp() override {
        ApplyFactoryDefaults(s);
        demo.SetSweep(false);
    }
    int Capture(const HardwareBlock& block = HardwareBlock{}) {
        demo.UpdateParameters(s, block);
        const int result = demo.Poll(random);
        if (result == kDemoFrame) {
            demo.Fill(random, ch1, ch2);
        }
        return result;
    }
    double Phase(int channel) const { return demo.generator[static_cast<std::size_t>(channel)].phase; }
};

TEST_F(DemoSourceTest, AmplitudeZeroAndTriggerCodes) {
    demo.SelectAmplitude(0);         // 40.0 V
    s.ch(kCh1).voltsPerDivIndex = 7; // 2 V/div: 40 V is 640 codes
    s.ch(kCh2).probe = 2;            // x100: 100 V/div, 40/100 x 32 = 12.8 -> 12
    s.ch(kCh1).zeroLevel = 64.7f;    // 255 - 64.7 = 190.3 -> 190
    s.ch(kCh1).coupling = kCouplingDc;
    demo.UpdateParameters(s, HardwareBlock{});
    // DC+ lifts the sine by half its amplitude: 20 V, ten divisions at 2 V/div.
    EXPECT_EQ(std::tuple(demo.generator[0].amplitude, demo.generator[1].amplitude, demo.generator[0].zeroCode,
                         demo.generator[0].dcOffset),
              std::tuple(640.0, 12.0, 190, 320));
    demo.SetDcPlus(false);
    demo.UpdateParameters(s, HardwareBlock{});
    EXPECT_EQ(demo.generator[0].dcOffset, 0); // DC+ off
}

// At 1 V/div DC+ centres the sine 64 codes above 0 V (code 191); AC-coupled CH2 swings around its own 0 V
// (code 127 with zero level 128). A frame writes exactly 10240 samples.
TEST_F(DemoSourceTest, DcPlusCentresTheSineTwoDivisionsAboveZero) {
    s.ch(kCh1).coupling = kCouplingDc;
    s.ch(kCh2).zeroLevel = 128.0f;
    ASSERT_EQ(Capture(), kDemoFrame);
    for (const auto& [memory, low, high] : {std::tuple{&ch1, 191, 318}, std::tuple{&ch2, 63, 190}}) {
        const auto [min, max] = std::minmax_element(memory->begin(), memory->begin() + kDemoRecordLength);
        EXPECT_NEAR(*min, low + 0.5, 0.5);
        EXPECT_NEAR(*max, high + 0.5, 0.5);
        EXPECT_EQ((*memory)[kDemoRecordLength], 7);
    }
}

TEST_F(DemoSourceTest, RisingAndFallingSlopeAtTheTriggerPoint) {
    // 5.00 MHz at 40.0us/div: 0.2048 cycles per sample. Trigger at position 250 -> k = 5120.
    demo.SelectFrequency(0);
    ASSERT_EQ(Capture(), kDemoFrame);
    // 191 + 64 sin(+-2 pi 0.2048) = 252.44 / 129.56.
    EXPECT_EQ(std::tuple(Phase(0), Pick(ch1, {5118, 5119, 5120, 5121})),
              std::tuple(0.0, std::vector<int>{129, 191, 191, 252}));

    // Falling, level one division above 0 V: x = 32 / 64 = 0.5, phase pi/6.
    s.trigger.slope = kSlopeFalling;
    s.trigger.levelCh1 = 32.0f;
    ASSERT_EQ(Capture(), kDemoFrame);
    EXPECT_NEAR(Phase(0), std::numbers::pi / 6.0, 1e-12);
    // 191 + 64 sin(pi/6 -+ 1.2868) = 146.76 after, 253.17 before: the trace falls through 223.
    EXPECT_EQ(Pick(ch1, {5118, 5119, 5120, 5121}), (std::vector<int>{253, 223, 223, 146}));

    // 1.00s/div: 5120 cycles per sample, capped to 1.25; at position 0 the crossing is sample 0.
    ApplyFactoryDefaults(s);
    s.timebase.timeDivIndex = 25;
    s.timebase.horizontalPosition = 0;
    ASSERT_EQ(Capture(), kDemoFrame);
    EXPECT_EQ(std::tuple(demo.generator[0].cyclesPerSample, Pick(ch1, {0, 1, 3})),
              std::tuple(1.25, std::vector<int>{191, 255, 127}));
}

TEST_F(DemoSourceTest, NoiseAndRandomFunctions) {
    // Noise: divisor 1, so rand mod 10 = 9 adds 9 codes to every sample.
    demo.SetFunction(kDemoNoise);
    random.fallback = 19;
    ASSERT_EQ(Capture(), kDemoFrame);
    EXPECT_EQ(ch1[5120], 191 + 9);

    // Random: ((r mod 10) / 9 - 0.5) x 128 + 191: 9 -> 255, 0 -> 127.
    demo.SetFunction(kDemoRandom);
    random.fallback = 9;
    ASSERT_EQ(Capture(), kDemoFrame);
    EXPECT_EQ(Pick(ch1, {0, 10239}), (std::vector<int>{255, 255}));
    random.fallback = 10;
    demo.Fill(random, ch1, ch2);
    EXPECT_EQ(ch1[4000], 127);
}

TEST_F(DemoSourceTest, OutOfRangeLevelOnlyFramesWhenForcedWithOneOfTenPhases) {
    s.trigger.levelCh1 = 0.0f; // code 255: 64 codes above 0 V, beyond a 0.4 V signal
    demo.SelectAmplitude(2);   // 400 mV: 12 codes peak to peak
    random.values = {13, 7};
    EXPECT_EQ((std::tuple{Capture(), demo.ready[0], demo.ready[1]}), std::tuple(kDemoNoFrame, false, false));
    EXPECT_NEAR(Phase(0), 3.1 * std::numbers::pi / 2.0, 1e-12);

    demo.force = true;
    EXPECT_EQ((std::tuple{demo.Poll(random), demo.force, demo.ready[0], demo.ready[1]}),
              std::tuple(kDemoFrame, false, true, true));
    EXPECT_NEAR(Phase(0), 7.1 * std::numbers::pi / 2.0, 1e-12);
    EXPECT_EQ(Phase(1), Phase(0));
}

TEST_F(DemoSourceTest, SweepWalksDownInHundredStepsAndStartsAgain) {
    // 5.00 MHz at 40.0us/div is 0.2048 cycles per sample; each step takes a hundredth of it off, and the
    // hundred steps must come back to the start although 0.01 F summed need not reach F exactly.
    CDemoSource sweeping; // Sweep on by default
    sweeping.SelectFrequency(0);
    for (int n = 0; n <= 100; ++n) {
        sweeping.UpdateParameters(s, HardwareBlock{});
        ASSERT_NEAR(sweeping.generator[0].cyclesPerSample, 0.2048 * (1.0 - 0.01 * (n % 100)), 1e-9) << n;
    }
}

TEST_F(DemoSourceTest, RollFillWritesEveryPointOfTheStepOfEachReadyEnabledChannel) {
    s.ch(kCh2).enabled = 0;
    random.fallback = 9; // 9 x 0.111.. - 0.5 = 0.5: +64 codes
    demo.UpdateParameters(s, HardwareBlock{});
    demo.ready = {true, true};
    demo.RollFill(random, 10, ch1, ch2);
    EXPECT_EQ(std::count(ch1.begin(), ch1.begin() + 10, 191 + 64), 10);
    EXPECT_EQ(std::tuple(ch1[10], ch2[0]), std::tuple(7, 7));
}

} // namespace
} // namespace tarnix
