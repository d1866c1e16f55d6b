#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "../support/trace_values.h"
#include "acquisition/processing_steps.h"

namespace tarnix {
namespace {

using testing::Pick;
using testing::Ramp;

// Faster time bases show fewer samples across the screen, so they stretch more; two channels share the
// sampling rate and stretch at least as much as one; from 1.00us/div on the samples are copied as they are.
TEST(StretchChoice, SlowerTimeBasesStretchLessAndTwoChannelsAtLeastAsMuch) {
    const auto factor = [](int model, int index, bool both) {
        const StretchChoice choice = ChooseStretch(model, index, both, kInterpStep);
        if (!choice.copy) { // the fast ones follow the channel's interpolation, the rest are Linear
            EXPECT_EQ(choice.interpolation, index <= 3 ? kInterpStep : kInterpLinear) << index;
        }
        return choice.copy ? 1.0 : choice.factor;
    };
    for (int model = 0; model < 3; ++model) {
        for (int index = 0; index <= 11; ++index) {
            SCOPED_TRACE(::testing::Message() << "model " << model << " index " << index);
            for (bool both : {false, true}) {
                const double f = factor(model, index, both);
                EXPECT_TRUE(index == 0 || f == 1.0 || f < factor(model, index - 1, both)) << f;
                EXPECT_TRUE(index < 11 ? f >= 1.0 : f == 1.0) << f;
            }
            EXPECT_GE(factor(model, index, true), factor(model, index, false));
        }
    }
    // Both channels on (code 2) take the second column, unless ALT.
    HardwareBlock block;
    block.channelCode = 2;
    EXPECT_TRUE(UsesBothChannelFactors(block));
    block.altFlag = 1;
    EXPECT_FALSE(UsesBothChannelFactors(block));
}

TEST(StretchStep, FactorTwoAndAHalfRepeatsEachPointTwoOrThreeTimes) {
    // Output d + i shows source s + trunc(i / 2.5), output d - j source s - trunc(j / 2.5); s = d = 5120
    // at position 50.
    const auto source = Ramp<std::uint16_t>(kBaseRecordLength);
    std::vector<std::int16_t> out(kBaseRecordLength, -1);
    StretchStep(source.data(), kBaseRecordLength, out.data(), kBaseRecordLength, 2.5, 50);
    const std::pair<int, int> points[] = {{5120, 5120}, {5122, 5120}, {5123, 5121}, {5124, 5121},
                                          {5125, 5122}, {5620, 5320}, {5118, 5120}, {5117, 5119},
                                          {5115, 5118}, {0, 3072}};
    for (const auto& [output, expected] : points) {
        EXPECT_EQ(out[static_cast<std::size_t>(output)], expected) << output;
    }
    // At position 100 the trigger is the record's last point, whatever follows it in the memory.
    const auto memory = Ramp<std::uint16_t>(kBaseRecordLength + 1);
    StretchStep(memory.data(), kBaseRecordLength + 1, out.data(), kBaseRecordLength, 2.5, 100);
    EXPECT_EQ(Pick(out, {10239, 10236}), (std::vector<int>{10239, 10238}));
}

TEST(StretchSinc, MatchesThePlainKernelSumAtEveryOutput) {
    // Seeded codes, a quarter clipped at each rail; factors with a partial last block of sub-steps.
    std::vector<std::uint16_t> source(kBaseRecordLength);
    unsigned seed = 12345;
    for (auto& v : source) {
        seed = seed * 1103515245u + 12345u;
        v = static_cast<std::uint16_t>(std::clamp(static_cast<int>((seed >> 16) % 512) - 128, 0, 255));
    }
    // One kernel table for all: a factor change must rebuild it.
    std::vector<double> table;
    double tableFactor = 0.0;
    for (double f : {100.0, 166.0, 3320.0}) {
        std::vector<std::int16_t> out(kStretchLength, 0);
        const int p = 30;
        StretchSinc(source.data(), kBaseRecordLength, out.data(), f, p, table, tableFactor);
        const int m = 1 + static_cast<int>(kStretchLength / f);
        const int start = std::max(0, 3072 - static_cast<int>(p * static_cast<double>(m) / 100.0));
        auto src = [&](int idx) {
            return static_cast<double>(source[static_cast<std::size_t>(std::clamp(idx, 0, 10239))]);
        };
        for (int i = 0; i < m; ++i) {
            const int o = static_cast<int>(i * f);
            for (int j = 0; j < f && o + j < kStretchLength; ++j) {
                double expected = src(start + i);
                const double a = src(start + i);
                if (j > 0 && a == src(start + i + 1) && (a == 0 || a == 255)) {
                    expected = a;
                } else if (j > 0) {
                    double sum = 0.0;
                    for (int k = -10; k <= 10; ++k) {
                        const double x = (j / f - k) * std::numbers::pi;
                        sum += src(start + i + k) * (std::sin(x) / x);
                    }
                    expected = std::trunc(sum);
                }
                ASSERT_EQ(out[static_cast<std::size_t>(o + j)], expected)
                    << "f " << f << " i " << i << " j " << j;
            }
        }
    }
}

// A 32768-point record at 50 with one ramp of slope +-1 through level 125 at index x.
std::vector<std::int16_t> RampRecord(int x, int direction) {
    std::vector<std::int16_t> record(kStretchLength, direction > 0 ? 50 : 200);
    for (int i = 0; i < kStretchLength; ++i) {
        const int v = 125 + direction * (i - x);
        record[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::clamp(v, 50, 200));
    }
    return record;
}

TEST(Alignment, FindsRisingAndFallingCrossingsAndFallsBackToTheNominalIndex) {
    // The first point within 10 codes of the level is 9 before the ramp's centre.
    EXPECT_EQ(FindTriggerCrossing(RampRecord(8000, +1).data(), 250, 125, kSlopeRising), 7991);
    EXPECT_EQ(FindTriggerCrossing(RampRecord(8000, -1).data(), 250, 125, kSlopeFalling), 7991);
    // Wrong slope or a crossing before the nominal index: the nominal index 5120.
    EXPECT_EQ(FindTriggerCrossing(RampRecord(8000, -1).data(), 250, 125, kSlopeRising), 5120);
    EXPECT_EQ(FindTriggerCrossing(RampRecord(3000, +1).data(), 250, 125, kSlopeRising), 5120);
    // At position 500 the search ends 40 points before the record end; a crossing after that is not seen.
    EXPECT_EQ(FindTriggerCrossing(RampRecord(32740, +1).data(), 500, 125, kSlopeRising), 10239);
    EXPECT_EQ(FindTriggerCrossing(RampRecord(32700, +1).data(), 500, 125, kSlopeRising), 32691);
}

TEST(Alignment, ShiftPutsTheCrossingAtTheNominalIndexAndTheOneBefore) {
    const auto record = Ramp(kStretchLength);
    auto shifted = record;
    ShiftToTrigger(shifted.data(), 7000, 250);
    // Only the first 10240 points are rewritten.
    EXPECT_EQ(Pick(shifted, {5120, 5119, 5118, 0, 10239, 10240}),
              (std::vector<int>{7000, 7000, 6999, 7000 - 5119, 7000 + 5119, 10240}));

    // Positions whose source lies past the stretch keep their old value.
    shifted = record;
    ShiftToTrigger(shifted.data(), 30000, 250);
    EXPECT_EQ(Pick(shifted, {7887, 7888}), (std::vector<int>{30000 + 7887 - 5120, 7888}));
}

} // namespace
} // namespace tarnix
