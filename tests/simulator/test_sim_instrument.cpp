// The simulated instrument seen through CDeviceLink: codes of known signals, zero placement and its
// calibrated words, trigger point, capture states over time, ALT, Roll, unplugging.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim_rig.h"

namespace tarnix {
namespace {

using testing::CRig;
using testing::RigSetup;
using testing::Signals;

constexpr SimSignal kSilent{SimShape::kDc, 0.0, 0.0, 0.0, 0.0};

std::pair<int, int> MinMax(const std::vector<std::uint16_t>& samples, std::size_t count) {
    const auto [low, high] = std::minmax_element(samples.begin(), samples.begin() + static_cast<long>(count));
    return {*low, *high};
}

bool AllEqual(const std::vector<std::uint16_t>& samples, std::size_t count, int code) {
    return std::all_of(samples.begin(), samples.begin() + static_cast<long>(count),
                       [code](std::uint16_t sample) { return sample == code; });
}

// Polls the way the program does, 1 ms apart, until the capture completes or the time is up.
int PollUntilComplete(CRig& rig, int maxMs) {
    for (int ms = 0; ms < maxMs; ++ms) {
        rig.link.EnableTrigger();
        if (rig.link.GetCaptureState() == kCaptureComplete) {
            return kCaptureComplete;
        }
        rig.clock.now += 1;
    }
    return rig.link.GetCaptureState();
}

TEST(SimInstrument, CodesFollowAmplitudeOffsetVoltsPerDivAndCoupling) {
    // CH1: 2 Vpp sine + 0.5 V; CH2: 1 Vpp square - 0.25 V. 0 V sits at 255 - zero level: 191 and 63.
    CRig rig(Signals({SimShape::kSine, 5000.0, 2.0, 0.5, 0.0}, {SimShape::kSquare, 2000.0, 1.0, -0.25, 0.0}));
    RigSetup setup;
    rig.Apply(setup);
    rig.ForcedCapture();
    // 32 codes per volt at 1 V/div: +1.5 V -> 191 + 48, -0.5 V -> 191 - 16; CH2 +0.25 V / -0.75 V.
    EXPECT_EQ(MinMax(rig.ch1, 10240), std::make_pair(175, 239));
    EXPECT_EQ(MinMax(rig.ch2, 10240), std::make_pair(39, 71));

    setup.coupling = {1, 1}; // AC drops the offsets
    rig.Apply(setup);
    rig.ForcedCapture();
    EXPECT_EQ(MinMax(rig.ch1, 10240), std::make_pair(159, 223));
    EXPECT_EQ(MinMax(rig.ch2, 10240), std::make_pair(47, 79));

    setup.coupling = {0, 2};   // GND: the 0 V line whatever the input
    setup.voltsIndex = {7, 6}; // 2 V/div: 16 codes per volt
    rig.Apply(setup);
    rig.ForcedCapture();
    EXPECT_EQ(MinMax(rig.ch1, 10240), std::make_pair(183, 215));
    EXPECT_TRUE(AllEqual(rig.ch2, 10240, 63));
}

TEST(SimInstrument, CalibratedWordsPlaceZeroVoltsAt255MinusZeroLevelOnEveryStep) {
    CRig rig(Signals(kSilent, kSilent));
    for (int step = 0; step <= 9; ++step) {
        for (int zero : {0, 64, 128, 200, 255}) {
            RigSetup setup;
            setup.voltsIndex = {step, step};
            setup.zeroLevel = {zero, 255 - zero};
            rig.Apply(setup);
            rig.ForcedCapture();
            EXPECT_TRUE(AllEqual(rig.ch1, 10240, 255 - zero)) << "CH1 step " << step << " zero " << zero;
            EXPECT_TRUE(AllEqual(rig.ch2, 10240, zero)) << "CH2 step " << step << " zero " << zero;
        }
    }
}

TEST(SimInstrument, TriggerPointSitsWhereTheHorizontalPositionPutsIt) {
    // 100us/div with 10k: 10 MS/s, 1000 samples per period of 10 kHz. Level word 48 is +0.5 V: code 207.
    CRig rig(Signals({SimShape::kSine, 10000.0, 2.0, 0.0, 0.0}, kSilent));
    for (int slope : {0, 1}) {
        for (const auto& [position, index] : {std::pair{50, 5120}, {20, 2048}, {100, 10239}, {0, 0}}) {
            RigSetup setup;
            setup.timeDivIndex = 13;
            setup.position = position;
            setup.slope = slope;
            setup.triggerLevel = {48, 192};
            rig.Apply(setup);
            rig.link.StartCapture();
            ASSERT_EQ(PollUntilComplete(rig, 20), kCaptureComplete);
            rig.link.ReadCapture(rig.ch1, rig.ch2);
            const auto at = [&](int i) { return static_cast<int>(rig.ch1[static_cast<std::size_t>(i)]); };
            EXPECT_NEAR(at(index), 207, 1) << "position " << position << " slope " << slope;
            const int before = index >= 25 ? at(index - 25) : (slope == 0 ? 0 : 255);
            const int after = index + 25 < 10240 ? at(index + 25) : (slope == 0 ? 255 : 0);
            if (slope == 0) {
                EXPECT_LT(before, 207);
                EXPECT_GT(after, 207);
            } else {
                EXPECT_GT(before, 207);
                EXPECT_LT(after, 207);
            }
        }
    }
}

TEST(SimInstrument, CaptureStateGoesWaitingTriggeredCompleteAtTheTimeBasesPace) {
    // 100ms/div with 10k: 10 kS/s, so 0.512 s before and after the trigger point at position 50.
    // A 10 Hz sine crosses 0 V upwards at 0.1 s steps: armed at 0.512 s, it triggers at 0.6 s.
    CRig rig(Signals({SimShape::kSine, 10.0, 2.0, 0.0, 0.0}, kSilent));
    RigSetup setup;
    setup.timeDivIndex = 22;
    rig.Apply(setup);
    rig.link.StartCapture();
    rig.link.EnableTrigger();
    const auto stateAt = [&](std::int64_t ms) {
        rig.clock.now = 1000 + ms;
        rig.link.EnableTrigger();
        return rig.link.GetCaptureState();
    };
    EXPECT_EQ(stateAt(590), kCaptureWaiting);
    EXPECT_EQ(stateAt(610), kCaptureTriggered);
    EXPECT_EQ(stateAt(1100), kCaptureTriggered);
    EXPECT_EQ(stateAt(1120), kCaptureComplete);
    EXPECT_EQ(rig.link.captureAddress, 1u);
    rig.link.ReadCapture(rig.ch1, rig.ch2);
    EXPECT_NEAR(rig.ch1[5120], 191, 1);
    EXPECT_LT(rig.ch1[5100], 191);

    // Armed late: the first EnableTrigger comes at 2.0 s, the next crossing is at 2.1 s.
    rig.link.StartCapture();
    EXPECT_EQ(stateAt(2000), kCaptureWaiting);
    EXPECT_EQ(stateAt(2090), kCaptureWaiting);
    EXPECT_EQ(stateAt(2110), kCaptureTriggered);
    EXPECT_EQ(stateAt(2600), kCaptureTriggered);
    EXPECT_EQ(stateAt(2620), kCaptureComplete);
    EXPECT_EQ(rig.link.captureAddress, 2u);

    // Waiting on a level out of reach; at 5.05 s the level moves to 0 V. The trigger comes with the
    // next crossing after the change (5.1 s), not with one that went by while it waited.
    setup.triggerLevel = {0, 192};
    rig.Apply(setup);
    rig.link.StartCapture();
    EXPECT_EQ(stateAt(3000), kCaptureWaiting);
    EXPECT_EQ(stateAt(5000), kCaptureWaiting);
    rig.clock.now = 1000 + 5050;
    setup.triggerLevel = {64, 192};
    rig.Apply(setup);
    EXPECT_EQ(stateAt(5090), kCaptureWaiting);
    EXPECT_EQ(stateAt(5110), kCaptureTriggered);
    EXPECT_EQ(stateAt(5620), kCaptureComplete);
}

TEST(SimInstrument, UnreachableLevelAndExtSourceWaitForeverUntilForced) {
    CRig rig(Signals({SimShape::kSine, 5000.0, 2.0, 0.0, 0.0}, kSilent));
    RigSetup outOfReach;
    outOfReach.triggerLevel = {0, 192}; // code 255, above the +1 V peak at 223
    RigSetup external;
    external.triggerSource = 3; // a signal that would trigger CH1, but the source is EXT
    for (const RigSetup& setup : {outOfReach, external}) {
        rig.Apply(setup);
        rig.link.StartCapture();
        EXPECT_EQ(PollUntilComplete(rig, 2000), kCaptureWaiting);
        rig.link.ForceTrigger();
        EXPECT_EQ(rig.link.GetCaptureState(), kCaptureComplete);
        std::fill(rig.ch1.begin(), rig.ch1.end(), 0);
        rig.link.ReadCapture(rig.ch1, rig.ch2);
        EXPECT_EQ(MinMax(rig.ch1, 10240), std::make_pair(159, 223));
    }
}

TEST(SimInstrument, AltSourceAlternatesTheTriggerChannelWithEachCapture) {
    // Only CH1 has a signal that can trigger.
    CRig rig(Signals({SimShape::kSine, 10.0, 2.0, 0.0, 0.0}, kSilent));
    RigSetup setup;
    setup.timeDivIndex = 22;
    setup.triggerSource = 2;
    setup.altFlag = 1;
    rig.Apply(setup);
    for (int capture = 0; capture < 4; ++capture) {
        rig.link.StartCapture();
        const int state = PollUntilComplete(rig, 3000);
        EXPECT_EQ(state, capture % 2 == 0 ? kCaptureComplete : kCaptureWaiting) << "capture " << capture;
    }
}

TEST(SimInstrument, ChannelCodeSelectsTheMemoriesAndACompletedCaptureKeepsItsSettings) {
    CRig rig(Signals({SimShape::kDc, 0.0, 0.0, 1.0, 0.0}, {SimShape::kDc, 0.0, 0.0, -1.0, 0.0}));
    RigSetup setup;
    setup.timeDivIndex = 5;
    setup.channelCode = 0; // ALT at a fast time base: CH1's capture
    setup.altFlag = 1;
    rig.Apply(setup);
    rig.link.StartCapture();
    rig.link.ForceTrigger();
    ASSERT_EQ(rig.link.GetCaptureState(), kCaptureComplete);
    // The program switches the ALT phase before reading; the capture was still CH1's.
    setup.channelCode = 3;
    setup.triggerSource = 1;
    rig.Apply(setup);
    std::fill(rig.ch2.begin(), rig.ch2.end(), 0xAAAA);
    rig.link.ReadCapture(rig.ch1, rig.ch2);
    EXPECT_TRUE(AllEqual(rig.ch1, 10240, 191 + 32));
    EXPECT_TRUE(AllEqual(rig.ch2, 10240, 0xAAAA));

    rig.ForcedCapture(); // CH2's capture leaves CH1's memory alone
    EXPECT_TRUE(AllEqual(rig.ch2, 10240, 63 - 32));
    std::fill(rig.ch1.begin(), rig.ch1.end(), 0x5555);
    rig.ForcedCapture();
    EXPECT_TRUE(AllEqual(rig.ch1, 10240, 0x5555));
}

TEST(SimInstrument, SamplingRateFollowsTimeBaseBufferAndChannelMode) {
    CRig rig(Signals({SimShape::kSine, 2000.0, 2.0, 0.0, 0.0}, kSilent));
    struct Case {
        int timeDivIndex, buffer, code, source;
        double rate;
    };
    // Model 1: 4ns..4us/div 150 MS/s, 75 MS/s with both channels unless ALT; 40us/div 25 MS/s with 10k
    // and 75 MS/s with 32k; 100us/div 10 and 25 MS/s; 1 s/div 50 S/s.
    for (const Case& c : {Case{0, 0, 0, 0, 150e6}, Case{0, 0, 2, 0, 75e6}, Case{9, 0, 2, 2, 150e6},
                          Case{12, 0, 2, 0, 25e6}, Case{12, 3, 2, 0, 75e6}, Case{13, 0, 2, 0, 10e6},
                          Case{13, 3, 0, 0, 25e6}, Case{25, 0, 2, 0, 50.0}}) {
        RigSetup setup;
        setup.timeDivIndex = c.timeDivIndex;
        setup.bufferSizeIndex = c.buffer;
        setup.channelCode = c.code;
        setup.triggerSource = c.source;
        rig.Apply(setup);
        EXPECT_DOUBLE_EQ(rig.sim.SampleRate(0), c.rate) << c.timeDivIndex << "/" << c.buffer;
    }

    // The record itself: a 2 kHz sine at 10 MS/s repeats every 5000 samples, at 25 MS/s every 12500.
    for (const auto& [buffer, period, length] : {std::tuple{0, 5000, 10240}, {3, 12500, 32768}}) {
        RigSetup setup;
        setup.timeDivIndex = 13;
        setup.bufferSizeIndex = buffer;
        rig.Apply(setup);
        rig.ForcedCapture();
        std::vector<int> crossings;
        for (int k = 1; k < length; ++k) {
            if (rig.ch1[static_cast<std::size_t>(k - 1)] < 191 &&
                rig.ch1[static_cast<std::size_t>(k)] >= 191) {
                crossings.push_back(k);
            }
        }
        ASSERT_GE(crossings.size(), 2u);
        EXPECT_NEAR(crossings[1] - crossings[0], period, 2);
    }
}

TEST(SimInstrument, RollReadsHandOutConsecutivePoints) {
    CRig rig(Signals({SimShape::kTriangle, 0.1, 4.0, 0.0, 0.0}, kSilent));
    // 1 s/div moves 15 points per roll step, 4 s/div 10.
    for (const auto& [timeDivIndex, step] : {std::pair{25, 15}, {27, 10}}) {
        RigSetup setup;
        setup.timeDivIndex = timeDivIndex;
        rig.Apply(setup);
        rig.link.ReadCapture(rig.ch1, rig.ch2);
        const std::vector<std::uint16_t> first(rig.ch1.begin(), rig.ch1.begin() + 200);
        rig.clock.now += 20;
        rig.link.ReadCapture(rig.ch1, rig.ch2);
        EXPECT_TRUE(std::equal(rig.ch1.begin(), rig.ch1.begin() + 100, first.begin() + step)) << timeDivIndex;
        EXPECT_NE(first[0], first[199]) << "the trace moves";
    }
}

TEST(SimInstrument, CalibrationLevelTrimsTheReadOutAndNoiseStaysInItsBand) {
    SimConfig config = Signals({SimShape::kDc, 0.0, 0.0, 0.0, 0.5}, {SimShape::kDc, 0.0, 0.0, 0.0, 0.5});
    CRig rig(config);
    RigSetup setup;
    setup.coupling = {2, 0}; // CH1 grounded: no noise either
    rig.Apply(setup);
    for (const auto& [level, code] : {std::pair{0, 191}, {3, 194}, {13, 188}}) {
        rig.link.calibrationLevel = static_cast<std::uint16_t>(level);
        rig.ForcedCapture();
        EXPECT_TRUE(AllEqual(rig.ch1, 10240, code)) << level;
    }
    rig.link.calibrationLevel = 0;
    rig.ForcedCapture();
    // 0.5 Vpp of noise at 1 V/div: within 8 codes of the 0 V line at 63, and really noisy.
    const auto [low, high] = MinMax(rig.ch2, 10240);
    EXPECT_GE(low, 63 - 8);
    EXPECT_LE(high, 63 + 8);
    EXPECT_GE(high - low, 10);
}

TEST(SimInstrument, BandwidthLimitAttenuatesFastSignalsAndHfRejectionStopsTheirTrigger) {
    CRig rig(Signals({SimShape::kSine, 10.1e6, 2.0, 0.0, 0.0}, kSilent));
    RigSetup setup;
    setup.timeDivIndex = 5; // 150 MS/s with CH1 alone
    setup.channelCode = 0;
    rig.Apply(setup);
    rig.ForcedCapture();
    EXPECT_EQ(MinMax(rig.ch1, 10240), std::make_pair(159, 223));
    // A first-order 20 MHz limit passes 1 / sqrt(1 + (10.1 / 20)^2) = 0.8926 of the swing: 28.6 codes.
    rig.link.SetFilters(1, 0, 0);
    rig.ForcedCapture();
    EXPECT_EQ(MinMax(rig.ch1, 10240), std::make_pair(162, 220));

    // HF rejection leaves a 1 MHz sine about 5 % of its swing in the trigger path: it still crosses
    // 0 V but no longer reaches +0.5 V.
    rig.sim.SetSignal(0, {SimShape::kSine, 1e6, 2.0, 0.0, 0.0});
    for (const auto& [hfRejection, levelWord, triggers] :
         {std::tuple{0, 48, true}, {1, 48, false}, {1, 64, true}}) {
        setup.triggerLevel = {levelWord, 192};
        rig.Apply(setup);
        rig.link.SetFilters(0, 0, hfRejection);
        rig.link.StartCapture();
        EXPECT_EQ(PollUntilComplete(rig, 50) == kCaptureComplete, triggers)
            << hfRejection << "/" << levelWord;
    }
}

// The calibration words and level written by zero calibration are checked where it runs against the
// instrument; here the slots, the ID memory and the level's own range.
TEST(SimInstrument, SlotsIdsAndTheLevelRangeThroughTheLink) {
    SimConfig config;
    config.slots[2] = {true, 42};
    config.calibrationLevel = 255;
    CRig rig(config);
    EXPECT_EQ(rig.link.deviceCount, 2);
    EXPECT_EQ(rig.link.deviceId[2], 42);
    EXPECT_EQ(rig.link.calibrationLevel, 0) << "255 means never written";
    EXPECT_EQ(rig.sim.WriteCalibrationLevel(0, 256), 0);
    EXPECT_EQ(rig.sim.WriteCalibrationLevel(0, -1), 0);
    EXPECT_EQ(rig.sim.WriteCalibrationLevel(0, 255), 1);

    ASSERT_TRUE(rig.link.WriteDeviceId(0, 99));
    rig.link.deviceId.fill(0);
    rig.link.Search();
    EXPECT_EQ(rig.link.deviceId[0], 99);
    EXPECT_FALSE(rig.link.WriteDeviceId(1, 5)) << "slot 1 is empty";
}

TEST(SimInstrument, UnpluggedInstrumentAnswersNothingAndReturnsWithItsMemory) {
    CRig rig(Signals({SimShape::kSine, 1000.0, 2.0, 0.0, 0.0}, kSilent));
    rig.Apply(RigSetup{});
    ASSERT_TRUE(rig.link.WriteDeviceId(0, 12));
    rig.link.StartCapture();
    rig.sim.SetPresent(0, false);
    EXPECT_FALSE(rig.link.IsPresent());
    rig.link.ForceTrigger();
    EXPECT_EQ(rig.link.GetCaptureState(), kCaptureWaiting);
    EXPECT_EQ(rig.link.ReadCapture(rig.ch1, rig.ch2), 0);
    EXPECT_EQ(rig.link.Search(), 0);

    rig.sim.SetPresent(0, true);
    EXPECT_TRUE(rig.link.IsPresent());
    rig.link.ForceTrigger();
    EXPECT_EQ(rig.link.GetCaptureState(), kCaptureWaiting) << "the capture was lost with the instrument";
    EXPECT_EQ(rig.link.Search(), 1);
    EXPECT_EQ(rig.link.deviceId[0], 12);
}

} // namespace
} // namespace tarnix
