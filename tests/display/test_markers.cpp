#include <gtest/gtest.h>

#include <algorithm>

#include "display/marker_geometry.h"

namespace tarnix {
namespace {

const PlotRect kPlot{21, 14, 521, 414}; // 500 x 400
constexpr int kMarginX = 21;

TEST(Markers, TriggerLevelMarkerIsHeldAtThePlotEdges) {
    // Level -10 lies 15.6 pixels above the top edge; 300 maps to 14 + 400 x 300 / 256 = 482.75, below
    // the bottom edge at 414; 64 (the CH1 default) a quarter of the way down.
    const struct {
        float level;
        int state;
        Pt levelPoint;
        Pt markerPoint;
    } cases[] = {
        {-10.0f, 2, Pt{542, 14}, Pt{538, 8}},
        {300.0f, 3, Pt{542, 414}, Pt{538, 420}},
        {64.0f, 0, Pt{542, 114}, Pt{542, 114}},
    };
    for (const auto& c : cases) {
        const LevelMarkerPlacement p = PlaceTriggerLevelMarker(kPlot, kMarginX, c.level, 0);
        EXPECT_EQ(p.state, c.state) << c.level;
        EXPECT_EQ(p.levelPoint, c.levelPoint) << c.level;
        EXPECT_EQ(p.markerPoint, c.markerPoint) << c.level;
    }
    // In full-screen mode there is no margin: the marker sits on the plot's right edge.
    EXPECT_EQ(PlaceTriggerLevelMarker(kPlot, 0, 64.0f, 0).levelPoint.x, 521);
    // A stored off-screen state is kept even when the level itself is on the plot.
    EXPECT_EQ(PlaceTriggerLevelMarker(kPlot, kMarginX, 64.0f, 3).state, 3);
}

TEST(Markers, TriggerLevelShapesPointUpDownOrIntoThePlot) {
    const MarkerShape up = TriggerLevelMarkerShape(Pt{538, 8}, 2);
    EXPECT_EQ(up.polygon,
              (std::array<Pt, 5>{Pt{532, 8}, Pt{538, 14}, Pt{538, 25}, Pt{527, 25}, Pt{527, 14}}));
    EXPECT_EQ(up.label, (Pt{530, 12}));
    const ArrowShape arrow = TriggerLevelMarkerArrow(Pt{538, 8}, 2);
    EXPECT_EQ(arrow.polyline[0], (Pt{530, 30}));
    EXPECT_EQ(arrow.polyline[1], (Pt{530, 16}));
    const MarkerShape down = TriggerLevelMarkerShape(Pt{538, 420}, 3);
    EXPECT_EQ(down.polygon,
              (std::array<Pt, 5>{Pt{532, 420}, Pt{538, 414}, Pt{538, 403}, Pt{527, 403}, Pt{527, 414}}));
    EXPECT_EQ(down.label, (Pt{530, 403}));
    const HitRect r = BoundingBox(TriggerLevelMarkerShape(Pt{542, 114}, 0));
    EXPECT_EQ((std::array<int, 4>{r.left, r.top, r.right, r.bottom}),
              (std::array<int, 4>{525, 109, 542, 120}));
}

TEST(Markers, ChannelAndPositionMarkerPlaces) {
    EXPECT_FLOAT_EQ(ChannelMarkerY(kPlot, 64.0f), 114.0f);
    EXPECT_FLOAT_EQ(ChannelMarkerY(kPlot, 192.0f), 314.0f);
    EXPECT_FLOAT_EQ(PositionMarkerX(kPlot, 250), 271.0f);
    EXPECT_FLOAT_EQ(PositionMarkerX(kPlot, -3), 21.0f);
    EXPECT_FLOAT_EQ(PositionMarkerX(kPlot, 600), 521.0f);
    // X-Y: zero level 128 is the middle of the 8 divisions, 256 the left end, 0 the right end.
    EXPECT_FLOAT_EQ(XYMarkerX(kPlot, 128.0f), 271.0f);
    EXPECT_FLOAT_EQ(XYMarkerX(kPlot, 256.0f), 71.0f);
    EXPECT_FLOAT_EQ(XYMarkerX(kPlot, 0.0f), 471.0f);

    const MarkerShape ch1 = ChannelMarkerShape(Pt{2, 114}, 0);
    EXPECT_EQ(ch1.polygon[0], (Pt{19, 114})); // the tip points into the plot
    EXPECT_EQ(ch1.label, (Pt{6, 108}));
    EXPECT_EQ(ChannelMarkerShape(Pt{2, 114}, 2).label, (Pt{4, 108})); // "M"
    EXPECT_EQ(ChannelMarkerShape(Pt{2, 114}, 3).label, (Pt{5, 108})); // "R"
}

TEST(Markers, PositionDragClampsAtBothEdges) {
    const PositionDrag right = DragPositionMarker(kPlot, 700);
    EXPECT_EQ(right.horizontalPosition, 500);
    EXPECT_EQ(right.markerX, 521);
    EXPECT_EQ(right.state, kPosPastRight);
    const MarkerShape rightShape = PositionMarkerShape(Pt{right.markerX, 0}, right.state);
    EXPECT_EQ(rightShape.polygon[0], (Pt{526, 5})); // the tip points right
    EXPECT_EQ(rightShape.polygon[2], (Pt{510, 0}));

    const PositionDrag left = DragPositionMarker(kPlot, 3);
    EXPECT_EQ(left.horizontalPosition, 0);
    EXPECT_EQ(left.markerX, 21);
    EXPECT_EQ(left.state, kPosPastLeft);
    EXPECT_EQ(PositionMarkerShape(Pt{21, 0}, left.state).polygon[0], (Pt{16, 5}));

    // Inside: (x - L + 1) * 500 / W.
    const PositionDrag mid = DragPositionMarker(kPlot, 121);
    EXPECT_EQ(mid.horizontalPosition, 101);
    EXPECT_EQ(mid.markerX, 121);
    EXPECT_EQ(mid.state, kPosOnScreen);
}

TEST(Markers, LevelsFromPointerPositions) {
    EXPECT_FLOAT_EQ(LevelFromY(kPlot, 114), 64.0f);
    EXPECT_FLOAT_EQ(LevelFromY(kPlot, 0), 0.0f);
    EXPECT_FLOAT_EQ(LevelFromY(kPlot, 900), 256.0f);
    EXPECT_FLOAT_EQ(XYZeroLevelFromX(kPlot, 271), 128.0f);
    EXPECT_FLOAT_EQ(XYZeroLevelFromX(kPlot, 30), 256.0f);
    EXPECT_FLOAT_EQ(XYZeroLevelFromX(kPlot, 500), 0.0f);
}

TEST(Markers, TriggerLevelFollowsItsChannelsZeroLevel) {
    // Moved 50 pixels down from 114: level (164 - 14) / 400 * 256 = 96.
    const LevelFollow down = FollowZeroLevel(kPlot, 114, 50.0f, 64.0f);
    EXPECT_EQ(down.state, 0);
    EXPECT_EQ(down.pointY, 164);
    EXPECT_FLOAT_EQ(down.level, 96.0f);
    // Pushed above the top: held at the top, the level itself is kept.
    const LevelFollow up = FollowZeroLevel(kPlot, 114, -150.0f, 64.0f);
    EXPECT_EQ(up.state, 2);
    EXPECT_EQ(up.pointY, 14);
    EXPECT_FLOAT_EQ(up.level, 64.0f);
    const LevelFollow below = FollowZeroLevel(kPlot, 400, 20.0f, 248.0f);
    EXPECT_EQ(below.state, 3);
    EXPECT_EQ(below.pointY, 414);
}

TEST(Markers, TheGrabbedMarkerIsDrawnLast) {
    const auto order1 = MarkerDrawOrder(kTopCh1);
    EXPECT_EQ(order1.back(), kTopCh1);
    EXPECT_EQ(order1.front(), kTopCh2); // CH2 first, so CH1 covers it
    const std::array<int, 6> order0{kTopCh1, kTopCh2, kTopRef, kTopMath, kTopLevels, kTopTrigPos};
    EXPECT_EQ(MarkerDrawOrder(kTopTrigPos), order0);
    const std::array<int, 6> order5{kTopCh1, kTopCh2, kTopRef, kTopMath, kTopTrigPos, kTopLevels};
    EXPECT_EQ(MarkerDrawOrder(kTopLevels), order5);
    for (int top = 0; top <= 5; ++top) {
        auto order = MarkerDrawOrder(top);
        EXPECT_EQ(order.back(), top);
        std::sort(order.begin(), order.end());
        EXPECT_EQ(std::adjacent_find(order.begin(), order.end()), order.end()) << "each group once";
    }
}

TEST(Markers, HitTestOrderFollowsFormatSourceAndRunState) {
    HitTestInput yt;
    yt.channelOn = {true, true, false, true};
    yt.triggerSource = 2; // ALT: both channel levels
    const HitTestOrder a = MarkerHitTestOrder(yt);
    ASSERT_EQ(a.count, 6);
    const int expectedA[6] = {kMarkerTrigPos, kMarkerCh1,      kMarkerCh2,
                              kMarkerRef,     kMarkerLevelCh1, kMarkerLevelCh2};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(a.markers[static_cast<std::size_t>(k)], expectedA[k]);
    }

    HitTestInput stopped = yt;
    stopped.running = false;
    stopped.triggerSource = 4; // EXT/10: the EXT level
    const HitTestOrder b = MarkerHitTestOrder(stopped);
    ASSERT_EQ(b.count, 4);
    EXPECT_EQ(b.markers[0], kMarkerCh1);
    EXPECT_EQ(b.markers[3], kMarkerLevelExt);

    HitTestInput xy = yt;
    xy.displayFormat = 2;
    const HitTestOrder c = MarkerHitTestOrder(xy);
    ASSERT_EQ(c.count, 3); // no trigger markers and no left CH1 marker in X-Y
    EXPECT_EQ(c.markers[0], kMarkerCh2);
    EXPECT_EQ(c.markers[1], kMarkerRef);
    EXPECT_EQ(c.markers[2], kMarkerXYCh1);

    HitTestInput roll = yt;
    roll.displayFormat = 1;
    EXPECT_EQ(MarkerHitTestOrder(roll).count, 3); // channels only
}

} // namespace
} // namespace tarnix
