#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "../support/trace_values.h"
#include "acquisition/processing_steps.h"

namespace tarnix {
namespace {

using testing::Pick;
using testing::Ramp;

// The 2500 groups across the screen never reach past a 32k record; a 10k record always shows 10000 samples.
TEST(Decimation, GroupsFitTheScreenIntoTheRecord) {
    for (int model = 0; model < 2; ++model) {
        for (int index = 0; index < 28; ++index) {
            const int group = DecimationGroup(model, index, 32768);
            EXPECT_TRUE(group >= 8 && group * 2500 <= 32768) << model << " " << index << ": " << group;
            EXPECT_EQ(DecimationGroup(model, index, kBaseRecordLength), 4) << model << " " << index;
        }
    }
    EXPECT_EQ(DecimationGroup(2, 13, 524288) * 2500, 500000);
}

TEST(Decimation, LargeRecordSpanAndDragRange) {
    // A 32k record at 100us (model 1): span 20000, drag range (32768 - 20000) / 8 x 2; at position 0 the
    // window starts at the record's first sample.
    WaveFrame frame;
    DecimateRecord(Ramp(32768).data(), 32768, 8, 0, frame);
    EXPECT_EQ(std::tuple(frame.span, frame.dragRange, frame.display[0]), std::tuple(20000, 3192, 0));
}

TEST(Decimation, BeyondTheRecordEndsTheEdgeSampleIsHeldAlone) {
    // 5000 points 100..5099 in a longer memory whose rest must never be read. Position 250 places record
    // point 2500 at pair 1250: pair 1874 is the last full group, pair 1875 lies past the end.
    auto memory = Ramp(5100, 100);
    std::fill(memory.begin() + 5000, memory.end(), std::int16_t{-5});
    WaveFrame frame;
    DecimateRecord(memory.data(), 5000, 4, 250, frame);
    EXPECT_EQ(Pick(frame.display, {0, 1, 2 * 1874, 2 * 1874 + 1, 2 * 1875, 2 * 1875 + 1, kDisplayPoints - 1}),
              (std::vector<int>{100, 100, 5096, 5099, 5099, 5099, 5099}));
}

TEST(Decimation, MinMaxPairKeepsTimeOrderAndTheEarlierOfTies) {
    // Each group of four: the pair expected, then the group.
    const std::int16_t cases[][6] = {
        {9, 1, 5, 9, 1, 7}, {1, 8, 3, 1, 8, 2}, {2, 6, 2, 6, 6, 2}, {5, 3, 5, 5, 3, 5}};
    for (const auto& c : cases) {
        std::int16_t a = 0;
        std::int16_t b = 0;
        MinMaxPair(c + 2, 4, a, b);
        EXPECT_EQ(std::tuple(a, b), std::tuple(c[0], c[1]));
    }
}

WaveFrame Flat(std::int16_t code) {
    WaveFrame frame;
    frame.display.fill(code);
    return frame;
}

TEST(PointSteps, InvertMirrorsAboutTheZeroLineAndFilterPullsTowardsIt) {
    WaveFrame frame = Flat(200);
    InvertTrace(frame, 64.0f);
    EXPECT_EQ(frame.display[0], 182); // 2 x 191 - 200
    frame = Flat(100);
    InvertTrace(frame, 64.0f);
    const int mirrored = frame.display[4999]; // beyond the top edge, clipped only later
    FilterAndClip(frame, kFilterNone, 64.0f);
    EXPECT_EQ(std::pair(mirrored, int(frame.display[4999])), std::pair(282, 255));

    // Above 0 V the 0.999 / 0.998 gain drops a code (truncation); below it the value stays.
    for (std::uint16_t mode : {kFilterLower, kFilterHigher}) {
        frame = Flat(255);
        frame.display[1] = 100;
        frame.display[2] = -20;
        frame.display[3] = 300;
        FilterAndClip(frame, mode, 64.0f);
        EXPECT_EQ(Pick(frame.display, {0, 1, 2, 3}), (std::vector<int>{254, 100, 0, 255})); // 299 clipped
    }
}

class MathTest : public ::testing::Test {
protected:
    // CH1 zero 64 (0 V at 191), CH2 zero 192 (0 V at 63), MATH zero 128 (0 V at 127), all 1 V/div.
    InstrumentSettings settings;
    WaveFrame ch1 = Flat(223); // +1 V
    WaveFrame ch2 = Flat(31);  // -1 V
    WaveFrame math;

    int Run(int op, int sourceA = 0, int sourceB = 1) {
        settings.ch(kMath).math.mathOperator = static_cast<std::uint16_t>(op);
        settings.ch(kMath).math.sourceA = static_cast<std::uint16_t>(sourceA);
        settings.ch(kMath).math.sourceB = static_cast<std::uint16_t>(sourceB);
        ComputeMath(settings, ch1, ch2, math);
        return math.display[1234];
    }
};

TEST_F(MathTest, FourOperatorsWithDifferentSources) {
    // 32 - 32 + 127, 32 + 32 + 127, (1 V x -1 V) / 0.03125 + 127, 32 / -32 + 127.
    EXPECT_EQ((std::array{Run(kMathAdd), Run(kMathSub), Run(kMathMul), Run(kMathDiv)}),
              (std::array{127, 191, 95, 126}));
    // MATH at 2 V/div halves both contributions: CH2 at +1 V gives 16 + 16 + 127.
    settings.ch(kMath).voltsPerDivIndex = 7;
    ch2 = Flat(95);
    EXPECT_EQ((std::array{Run(kMathAdd), Run(kMathMul)}),
              (std::array{159, 143})); // x: 1 V x 1 V / (2 x 0.03125) + 127
    // CH1 at 0.5 V/div: (0.5 / 2) x 32 = 8 over a CH2 term of 16.
    settings.ch(kCh1).voltsPerDivIndex = 5;
    EXPECT_EQ(Run(kMathDiv), 127); // 8 / 16 + 127 = 127.5
    ch2 = Flat(63);                // a zero denominator gives MATH's 0 V line
    EXPECT_EQ(Run(kMathDiv), 127);
}

TEST_F(MathTest, SourcesFollowTheChannelsThatAreOn) {
    ch1.pointCount = 1;
    ch2.pointCount = 5000;
    ch1.firstIndex = 100;
    // Only CH1: both sources CH1 (A - B flat), point count and range of CH1.
    settings.ch(kCh2).enabled = 0;
    EXPECT_EQ((std::tuple{Run(kMathSub, 0, 1), math.pointCount, math.firstIndex}), std::tuple(127, 1, 100));
    // Only CH2: both sources CH2 (A + B doubles CH2), point count of CH2.
    settings.ch(kCh1).enabled = 0;
    settings.ch(kCh2).enabled = 1;
    EXPECT_EQ((std::tuple{Run(kMathAdd, 0, 1), math.pointCount}), std::tuple(63, 5000)); // 2 x -32 + 127
    settings.ch(kCh2).enabled = 0;                                                       // neither: zeroed
    EXPECT_EQ(Run(kMathAdd), 0);
}

TEST(Rescale, WholeRatiosOfDecimalTimeBasesAreNotTruncatedOneLow) {
    std::vector<std::int16_t> record(kBaseRecordLength);
    for (int i = 0; i < kBaseRecordLength; ++i) {
        record[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 200);
    }
    RescaleParams params = BaseRescaleParams(kBaseRecordLength, 10000);
    params.ratio = 1e-7 / 4e-9; // 100ns at stop, 4.00ns now: 25 (24.999... in double)
    params.zeroLevelAtStop = params.zeroLevelNow = 128.0f;
    WaveFrame frame;
    RescaleRecord(record.data(), params, frame);
    // 10000 / 25 = 400 points across the screen: 12.5 columns apart.
    EXPECT_EQ(Pick(frame.display, {2500, 2525, 2524}), (std::vector<int>{5120 % 200, 5122 % 200, kNoData}));
}

TEST(Rescale, LargeRecordZoomsFromItsSpan) {
    std::vector<std::int16_t> record(32768, 10);
    record[16384] = 90; // trigger point at position 250
    RescaleParams params = BaseRescaleParams(32768, 20000);
    params.ratio = 2.0; // 20000 / 2 points: pairs of 4
    WaveFrame frame;
    RescaleRecord(record.data(), params, frame);
    EXPECT_EQ(Pick(frame.display, {2500, 2501}), (std::vector<int>{90, 10}));
    EXPECT_EQ(frame.lastIndex, 4999);
    // 14336-point records keep their layout whatever the ratio.
    EXPECT_FALSE(BaseRescaleParams(14336, 20000).zoomable);
}

} // namespace
} // namespace tarnix
