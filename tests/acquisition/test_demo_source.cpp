#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "acquisition/demo_source.h"
#include "fake_services.h"

namespace tarnix {
namespace {

using testing::CFakeRandom;

// A record as the document holds it: model 1 capacity, larger than one demo frame.
constexpr std::size_t kMemory = 65536;

// The factory settings: CH1 and CH2 on, AC, at 1.00V/div x1, zero levels 64/192, trigger CH1 rising at
// CH1's 0 V, 40.0us/div (row 13), position 250.
InstrumentSettings BaseSettings() {
    InstrumentSettings s;
    ApplyFactoryDefaults(s);
    return s;
}

CDemoSource QuietSource() {
    CDemoSource demo;
    demo.SetSweep(false);
    return demo;
}

TEST(DemoSource, AmplitudeIsVoltsOverVoltsPerDivTimes32Truncated) {
    InstrumentSettings s = BaseSettings();
    CDemoSource demo = QuietSource();
    demo.UpdateParameters(s, HardwareBlock{});
    // 4 V peak to peak at 1 V/div: four divisions of 32 codes.
    EXPECT_EQ(demo.generator[0].amplitude, 128.0);

    s.ch(kCh1).voltsPerDivIndex = 7; // 2 V/div
    s.ch(kCh2).probe = 1;            // x10: 10 V/div, 4/10 x 32 = 12.8 -> 12
    demo.UpdateParameters(s, HardwareBlock{});
    EXPECT_EQ(demo.generator[0].amplitude, 64.0);
    EXPECT_EQ(demo.generator[1].amplitude, 12.0);

    demo.SelectAmplitude(0); // 40.0 V at 2 V/div: 640 codes
    demo.UpdateParameters(s, HardwareBlock{});
    EXPECT_EQ(demo.generator[0].amplitude, 640.0);
}

TEST(DemoSource, ZeroAndTriggerCodesAndDcOffset) {
    InstrumentSettings s = BaseSettings();
    s.ch(kCh1).zeroLevel = 64.7f; // truncates: 255 - 64.7 = 190.3 -> 190
    s.trigger.levelCh1 = 32.0f;
    s.ch(kCh1).coupling = kCouplingDc;
    CDemoSource demo = QuietSource();
    demo.UpdateParameters(s, HardwareBlock{});
    EXPECT_EQ(demo.generator[0].zeroCode, 190);
    EXPECT_EQ(demo.generator[0].triggerCode, 223);
    EXPECT_EQ(demo.generator[0].dcOffset, 64);
    EXPECT_EQ(demo.generator[1].dcOffset, 0); // AC coupling never gets the DC+ offset

    demo.SetDcPlus(false);
    demo.UpdateParameters(s, HardwareBlock{});
    EXPECT_EQ(demo.generator[0].dcOffset, 0);
}

TEST(DemoSource, DcPlusCentresTheSineTwoDivisionsAboveZero) {
    InstrumentSettings s = BaseSettings();
    s.ch(kCh1).coupling = kCouplingDc;
    s.ch(kCh2).zeroLevel = 128.0f;
    CDemoSource demo = QuietSource();
    CFakeRandom random; // noise 0
    demo.UpdateParameters(s, HardwareBlock{});
    ASSERT_EQ(demo.Poll(random), kDemoFrame);
    std::vector<std::uint16_t> ch1(kMemory, 7), ch2(kMemory, 7);
    demo.Fill(random, ch1, ch2);

    // 0 V is code 191; the centre sits 64 codes (two divisions) above it, the peaks 64 codes either side.
    const auto frame = [](const std::vector<std::uint16_t>& v) {
        const auto [low, high] = std::minmax_element(v.begin(), v.begin() + kDemoRecordLength);
        return std::pair<int, int>{*low, *high};
    };
    const auto [low, high] = frame(ch1);
    EXPECT_GE(low, 191);
    EXPECT_LE(low, 192);
    EXPECT_GE(high, 318);
    EXPECT_LE(high, 319);
    // AC-coupled CH2 swings around its own 0 V (code 127 with zero level 128).
    const auto [low2, high2] = frame(ch2);
    EXPECT_GE(low2, 63);
    EXPECT_LE(low2, 64);
    EXPECT_GE(high2, 190);
    EXPECT_LE(high2, 191);
    EXPECT_EQ(ch1[kDemoRecordLength], 7) << "a frame writes exactly 10240 samples";
}

TEST(DemoSource, RisingAndFallingSlopeAtTheTriggerPoint) {
    // 5.00 MHz setting at 40.0us/div: 0.2048 cycles per sample. Trigger at position 250 -> k = 5120.
    InstrumentSettings s = BaseSettings();
    CFakeRandom random;
    std::vector<std::uint16_t> ch1(kMemory), ch2(kMemory);

    CDemoSource demo = QuietSource();
    demo.SelectFrequency(0);
    demo.UpdateParameters(s, HardwareBlock{});
    ASSERT_EQ(demo.Poll(random), kDemoFrame);
    EXPECT_EQ(demo.generator[0].phase, 0.0);
    demo.Fill(random, ch1, ch2);
    // Values worked out by hand: 191 + 64 sin(+-2 pi 0.2048) = 252.44 / 129.56.
    EXPECT_EQ(ch1[5119], 191);
    EXPECT_EQ(ch1[5120], 191);
    EXPECT_EQ(ch1[5121], 252);
    EXPECT_EQ(ch1[5118], 129);

    // Falling, level one division above 0 V: x = 32 / 64 = 0.5, phase pi/6.
    s.trigger.slope = kSlopeFalling;
    s.trigger.levelCh1 = 32.0f;
    demo.UpdateParameters(s, HardwareBlock{});
    ASSERT_EQ(demo.Poll(random), kDemoFrame);
    EXPECT_NEAR(demo.generator[0].phase, std::numbers::pi / 6.0, 1e-12);
    demo.Fill(random, ch1, ch2);
    // 191 + 64 sin(pi/6 -+ 1.2868) = 146.76 after, 253.17 before: the trace falls through 223.
    EXPECT_EQ(ch1[5119], 223);
    EXPECT_EQ(ch1[5120], 223);
    EXPECT_EQ(ch1[5121], 146);
    EXPECT_EQ(ch1[5118], 253);
}

TEST(DemoSource, FastSignalIsCappedAndTriggerPositionMovesTheCrossing) {
    InstrumentSettings s = BaseSettings();
    s.timebase.timeDivIndex = 25; // 1.00s/div: 5120 cycles per sample, capped to 1.25
    s.timebase.horizontalPosition = 0;
    CFakeRandom random;
    CDemoSource demo = QuietSource();
    demo.SelectFrequency(0);
    demo.UpdateParameters(s, HardwareBlock{});
    ASSERT_EQ(demo.Poll(random), kDemoFrame);
    std::vector<std::uint16_t> ch1(kMemory), ch2(kMemory);
    demo.Fill(random, ch1, ch2);
    EXPECT_EQ(demo.generator[0].cyclesPerSample, 1.25);
    // k = 0; 1.25 cycles per sample: sin(2.5 pi t) = 0, 1, 0, -1 ...
    EXPECT_EQ(ch1[0], 191);
    EXPECT_EQ(ch1[1], 255);
    EXPECT_EQ(ch1[3], 127);
}

TEST(DemoSource, NoiseAndRandomFunctions) {
    InstrumentSettings s = BaseSettings();
    std::vector<std::uint16_t> ch1(kMemory), ch2(kMemory);
    CDemoSource demo = QuietSource();
    CFakeRandom random;

    // Noise: divisor 1, so rand mod 10 = 9 adds 9 codes to every sample.
    demo.SetFunction(kDemoNoise);
    demo.UpdateParameters(s, HardwareBlock{});
    EXPECT_EQ(demo.generator[0].noiseDivisor, 1.0f);
    ASSERT_EQ(demo.Poll(random), kDemoFrame);
    random.fallback = 19;
    demo.Fill(random, ch1, ch2);
    EXPECT_EQ(ch1[5120], 191 + 9);

    // Random: ((r mod 10)/9 - 0.5) x 128 + 191: 9 -> 255, 0 -> 127.
    demo.SetFunction(kDemoRandom);
    demo.UpdateParameters(s, HardwareBlock{});
    EXPECT_EQ(demo.generator[0].noiseDivisor, 9.0f);
    random.fallback = 9;
    demo.Fill(random, ch1, ch2);
    EXPECT_EQ(ch1[0], 255);
    EXPECT_EQ(ch1[10239], 255);
    random.fallback = 10;
    demo.Fill(random, ch1, ch2);
    EXPECT_EQ(ch1[4000], 127);

    demo.SetFunction(3); // out of range: kept
    EXPECT_EQ(demo.function, kDemoRandom);
}

TEST(DemoSource, OutOfRangeLevelOnlyFramesWhenForcedWithOneOfTenPhases) {
    InstrumentSettings s = BaseSettings();
    s.trigger.levelCh1 = 0.0f; // code 255: 64 codes above 0 V, beyond a 0.4 V signal
    CDemoSource demo = QuietSource();
    demo.SelectAmplitude(2); // 400 mV: 12 codes peak to peak
    demo.UpdateParameters(s, HardwareBlock{});
    CFakeRandom random;
    random.values = {13, 7};
    EXPECT_EQ(demo.Poll(random), kDemoNoFrame);
    EXPECT_FALSE(demo.ready[0]);
    EXPECT_FALSE(demo.ready[1]);
    EXPECT_NEAR(demo.generator[0].phase, 3.1 * std::numbers::pi / 2.0, 1e-12);

    demo.force = true;
    EXPECT_EQ(demo.Poll(random), kDemoFrame);
    EXPECT_FALSE(demo.force);
    EXPECT_TRUE(demo.ready[0]);
    EXPECT_TRUE(demo.ready[1]);
    EXPECT_NEAR(demo.generator[0].phase, 7.1 * std::numbers::pi / 2.0, 1e-12);
    EXPECT_EQ(demo.generator[1].phase, demo.generator[0].phase);
}

TEST(DemoSource, AltTestsOnlyTheBlockChannel) {
    InstrumentSettings s = BaseSettings();
    s.trigger.triggerSource = kTrigAlt;
    s.trigger.levelCh1 = 0.0f; // CH1 out of range of a 0.4 V signal, CH2 at its 0 V
    CDemoSource demo = QuietSource();
    demo.SelectAmplitude(2);
    CFakeRandom random;
    HardwareBlock block;

    // Before the first ALT switch the block still says ALT: both channels, frame.
    block.triggerSource = kTrigAlt;
    demo.force = true;
    demo.UpdateParameters(s, block);
    EXPECT_EQ(demo.Poll(random), kDemoFrame);
    EXPECT_TRUE(demo.ready[0] && demo.ready[1]);
    EXPECT_FALSE(demo.force);

    block.triggerSource = 1;
    demo.UpdateParameters(s, block);
    EXPECT_EQ(demo.Poll(random), kDemoFrame);
    EXPECT_FALSE(demo.ready[0]);
    EXPECT_TRUE(demo.ready[1]);

    block.triggerSource = 0;
    demo.UpdateParameters(s, block);
    EXPECT_EQ(demo.Poll(random), kDemoNoFrame);
    EXPECT_FALSE(demo.ready[0] || demo.ready[1]);
}

TEST(DemoSource, ExternalTriggerNeedsTheForceFlag) {
    InstrumentSettings s = BaseSettings();
    s.trigger.triggerSource = kTrigExt;
    CDemoSource demo = QuietSource();
    CFakeRandom random;
    random.fallback = 4;
    demo.UpdateParameters(s, HardwareBlock{});
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(demo.Poll(random), kDemoNoFrame);
    }
    EXPECT_EQ(random.calls, 0u);

    demo.force = true;
    EXPECT_EQ(demo.Poll(random), kDemoFrame);
    EXPECT_TRUE(demo.ready[0] && demo.ready[1]);
    EXPECT_NEAR(demo.generator[1].phase, 4.1 * std::numbers::pi / 2.0, 1e-12);

    // CH1 off: CH2 draws a phase of its own.
    s.ch(kCh1).enabled = 0;
    s.trigger.triggerSource = kTrigExt10;
    demo.UpdateParameters(s, HardwareBlock{});
    random.values = std::vector<int>(random.calls, 0);
    random.values.push_back(2);
    demo.force = true;
    EXPECT_EQ(demo.Poll(random), kDemoFrame);
    EXPECT_NEAR(demo.generator[1].phase, 2.1 * std::numbers::pi / 2.0, 1e-12);
}

TEST(DemoSource, SweepWalksDownInHundredStepsAndStartsAgain) {
    InstrumentSettings s = BaseSettings();
    const double secondsPerDiv = 4e-5;
    // Every frequency of the dialog: F x 0.01 summed a hundred times need not reach F exactly.
    for (int choice = 0; choice < static_cast<int>(kDemoFrequencyChoices.size()); ++choice) {
        CDemoSource demo; // Sweep on by default
        demo.SelectFrequency(choice);
        const double f = demo.frequency;
        for (int n = 0; n < 100; ++n) {
            demo.UpdateParameters(s, HardwareBlock{});
            ASSERT_NEAR(demo.generator[0].cyclesPerSample, secondsPerDiv * f * (1.0 - 0.01 * n), 1e-9 * f)
                << "F " << f << " step " << n;
        }
        demo.UpdateParameters(s, HardwareBlock{});
        EXPECT_NEAR(demo.generator[0].cyclesPerSample, secondsPerDiv * f, 1e-9 * f) << "F " << f;
    }
    CDemoSource demo;
    demo.UpdateParameters(s, HardwareBlock{});
    demo.UpdateParameters(s, HardwareBlock{});

    demo.SetSweep(true); // re-checking the box restarts from F
    EXPECT_EQ(demo.sweepOffset, 0.0);
}

TEST(DemoSource, RollFillWritesEveryPointOfTheStepOfEachReadyChannel) {
    InstrumentSettings s = BaseSettings();
    s.ch(kCh2).enabled = 0;
    CDemoSource demo = QuietSource();
    CFakeRandom random;
    random.fallback = 9; // 9 x 0.111.. - 0.5 = 0.5: +64 codes
    demo.UpdateParameters(s, HardwareBlock{});
    demo.ready = {true, true};
    std::vector<std::uint16_t> ch1(kMemory, 3), ch2(kMemory, 3);
    demo.RollFill(random, 10, ch1, ch2);
    EXPECT_EQ(std::count(ch1.begin(), ch1.begin() + 10, 191 + 64), 10);
    EXPECT_EQ(ch1[10], 3);
    EXPECT_EQ(ch2[0], 3);
}

TEST(DemoSource, DialogValuesTable) {
    CDemoSource demo;
    EXPECT_EQ(demo.FrequencyChoice(), 4); // "12.5 KHz"
    EXPECT_EQ(demo.AmplitudeChoice(), 1); // "4.00 V"
    EXPECT_TRUE(demo.dcPlus);
    EXPECT_TRUE(demo.sweep);
    EXPECT_EQ(demo.function, kDemoNormal);

    demo.SelectFrequency(1);
    EXPECT_EQ(demo.frequency, 800.0);
    demo.SelectFrequency(5);
    demo.SelectFrequency(-1);
    EXPECT_EQ(demo.frequency, 800.0);
    demo.SelectAmplitude(3);
    EXPECT_EQ(demo.amplitudeVolts, 0.04);
    demo.SelectAmplitude(4);
    EXPECT_EQ(demo.AmplitudeChoice(), 3);

    demo.Reset();
    EXPECT_EQ(demo.frequency, 12.5);
    EXPECT_EQ(demo.amplitudeVolts, 4.0);
}

} // namespace
} // namespace tarnix
