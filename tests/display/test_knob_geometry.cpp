// Knob geometry: the highest index per model, the needle's end for known indexes (worked out by hand
// from the angle formula), and the pointer-to-index mapping around the dial.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

#include "display/knob_geometry.h"

namespace tarnix {
namespace {

TEST(KnobGeometry, HighestIndexFollowsModelAndKind) {
    // Models 4 and 5 have one more volts step and one more time base.
    for (int model = 0; model <= 5; ++model) {
        const int extra = model >= 4 ? 1 : 0;
        EXPECT_EQ(KnobMaxIndex(model, kKnobCh1Volts), 8 + extra) << model;
        EXPECT_EQ(KnobMaxIndex(model, kKnobCh2Volts), 8 + extra) << model;
        EXPECT_EQ(KnobMaxIndex(model, kKnobTimeDiv), 37 + extra) << model;
    }
}

TEST(KnobGeometry, NeedleEndsForKnownIndexes) {
    // Highest index: v = 0, angle -12.5 x 2pi/87 = -0.9028 rad; 24 sin = -18.84, 24 cos = 14.87.
    EXPECT_EQ(KnobNeedleEnd(8, 8), (KnobPoint{25, 56}));
    EXPECT_EQ(KnobNeedleEnd(9, 9), (KnobPoint{25, 56}));
    // Index 0: v = 87, angle -77.75 x 2pi/87 = -5.6151 rad; 24 sin = 14.87, 24 cos = 18.84.
    EXPECT_EQ(KnobNeedleEnd(8, 0), (KnobPoint{57, 60}));
    // Index 4 of 8: v = 348/8 = 43 (integer), angle -44.75 x 2pi/87 = -3.2319 rad: nearly straight up.
    EXPECT_EQ(KnobNeedleEnd(8, 4), (KnobPoint{45, 19}));
}

TEST(KnobGeometry, NeedleValueIsClampedOutsideTheScale) {
    EXPECT_EQ(KnobNeedleValue(8, 8), 0);
    EXPECT_EQ(KnobNeedleValue(8, 0), 87);
    EXPECT_EQ(KnobNeedleValue(8, -3), 87);
    EXPECT_EQ(KnobNeedleValue(8, 12), 0);
    EXPECT_EQ(KnobNeedleValue(0, 0), 0); // no division by zero
}

TEST(KnobGeometry, PointerAtTheFourCompassPoints) {
    // Up: theta 0, p = 37.5 x 4/3 = 50; index 8 - 400/100 = 4.
    EXPECT_EQ(KnobPointerPercent(43.5, 0.0), 50);
    EXPECT_EQ(KnobIndexAt(43.5, 0.0, 8), 4);
    // Left: theta -pi/2, p = 12.5 x 4/3 = 16.7 -> 16; index 8 - 128/100 = 7.
    EXPECT_EQ(KnobPointerPercent(0.0, 42.5), 16);
    EXPECT_EQ(KnobIndexAt(0.0, 42.5, 8), 7);
    // Right: theta pi/2, p = 62.5 x 4/3 = 83.3 -> 83; index 8 - 664/100 = 2.
    EXPECT_EQ(KnobPointerPercent(87.0, 42.5), 83);
    EXPECT_EQ(KnobIndexAt(87.0, 42.5, 8), 2);
}

TEST(KnobGeometry, StraightBelowTheCentreLandsOnAnEndNeverMidScale) {
    // Exactly below and a hair to the right: theta = pi, p = 116.7 clamped to 100, the lowest index.
    EXPECT_EQ(KnobPointerPercent(43.5, 80.0), 100);
    EXPECT_EQ(KnobIndexAt(43.5, 80.0, 8), 0);
    EXPECT_EQ(KnobPointerPercent(43.6, 80.0), 100);
    // A hair to the left: theta just above -pi, p = -16.7 clamped to 0, the highest index.
    EXPECT_EQ(KnobPointerPercent(43.4, 80.0), 0);
    EXPECT_EQ(KnobIndexAt(43.4, 80.0, 8), 8);
    // Far outside the face the angle alone counts.
    EXPECT_EQ(KnobIndexAt(43.4, 5000.0, 37), 37);
    EXPECT_EQ(KnobIndexAt(43.6, 5000.0, 37), 0);
}

TEST(KnobGeometry, ModelZeroVoltsKnobHasNinePositionsInTurningOrder) {
    // Walk the 270-degree scale clockwise from the bottom-left end: the index only falls, 8 .. 0.
    std::set<int> seen;
    int previous = 9;
    for (int step = 0; step <= 540; ++step) {
        const double theta = (-135.0 + step * 0.5) * std::numbers::pi / 180.0;
        const double x = 43.5 + 30.0 * std::sin(theta);
        const double y = 42.5 - 30.0 * std::cos(theta);
        const int index = KnobIndexAt(x, y, KnobMaxIndex(0, kKnobCh1Volts));
        EXPECT_LE(index, previous) << step;
        previous = index;
        seen.insert(index);
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(previous, 0); // fully clockwise: 10.0mV
}

TEST(KnobGeometry, OuterArcIsOpenAtTheBottom) {
    // From (87,85) counter-clockwise to (0,85) about (43.5,42.5): -44.33 degrees, sweeping 268.66.
    const KnobArc arc = KnobOuterArc();
    EXPECT_NEAR(arc.startDegrees, -44.33, 0.01);
    EXPECT_NEAR(arc.spanDegrees, 268.66, 0.01);
}

} // namespace
} // namespace tarnix
