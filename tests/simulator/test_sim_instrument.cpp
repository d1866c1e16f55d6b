#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "sim_rig.h"

namespace tarnix {
namespace {

using testing::CRig;
using testing::RigSetup;
using testing::Signals;

constexpr SimSignal kSilent{SimShape::kDc, 0.0, 0.0, 0.0, 0.0};

std::pair<int, int> MinMax(const std::vector<std::uint16_t>& samples) {
    const auto [low, high] = std::minmax_element(samples.begin(), samples.begin() + 10240);
    return {*low, *high};
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
    EXPECT_EQ(MinMax(rig.ch1), std::make_pair(175, 239));
    EXPECT_EQ(MinMax(rig.ch2), std::make_pair(39, 71));
    // A fast sine keeps its height and stays smooth all along the record: at 250 samples a period a
    // step moves at most one code.
    CRig fast(Signals({SimShape::kSine, 100000.0, 2.0, 0.0, 0.0}, kSilent));
    fast.Apply(RigSetup{});
    fast.ForcedCapture();
    EXPECT_EQ(MinMax(fast.ch1), std::make_pair(159, 223));
    for (std::size_t k = 1; k < 10240; ++k) {
        ASSERT_LE(std::abs(fast.ch1[k] - fast.ch1[k - 1]), 1) << k;
    }

    setup.coupling = {0, 2};   // GND: the 0 V line whatever the input
    setup.voltsIndex = {7, 6}; // 2 V/div: 16 codes per volt
    rig.Apply(setup);
    rig.ForcedCapture();
    EXPECT_EQ(MinMax(rig.ch1), std::make_pair(183, 215));
    EXPECT_EQ(MinMax(rig.ch2), std::make_pair(63, 63));
}

TEST(SimInstrument, TriggerPointSitsWhereTheHorizontalPositionPutsIt) {
    // 100us/div with 10k: 10 MS/s, 1000 samples per period of 10 kHz. Level word 48 is +0.5 V: code 207.
    CRig rig(Signals({SimShape::kSine, 10000.0, 2.0, 0.0, 0.0}, kSilent));
    for (int slope : {0, 1}) {
        for (const auto& [position, index] : {std::pair{50, 5120}, {20, 2048}, {100, 10239}}) {
            RigSetup setup;
            setup.timeDivIndex = 13;
            setup.position = position;
            setup.slope = slope;
            setup.triggerLevel = {48, 192};
            rig.Apply(setup);
            rig.link.StartCapture();
            ASSERT_EQ(PollUntilComplete(rig, 20), kCaptureComplete);
            rig.link.ReadCapture(rig.ch1, rig.ch2);
            EXPECT_NEAR(rig.ch1[static_cast<std::size_t>(index)], 207, 1) << position << " " << slope;
            EXPECT_EQ(rig.ch1[static_cast<std::size_t>(index - 25)] < 207, slope == 0)
                << position << " " << slope;
        }
    }
}

TEST(SimInstrument, UnreachableLevelAndExtSourceWaitUntilForced) {
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
        rig.link.ReadCapture(rig.ch1, rig.ch2);
        EXPECT_EQ(MinMax(rig.ch1), std::make_pair(159, 223));
    }
}

} // namespace
} // namespace tarnix
