#include <gtest/gtest.h>

#include <array>

#include "display/screen_geometry.h"

namespace tarnix {
namespace {

// A window whose plot is 500 x 400 once the 21/14 pixel borders are taken off.
constexpr int kClientW = 542;
constexpr int kClientH = 428;

std::array<int, 4> Edges(const PlotRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

TEST(ScreenGeometry, BorderStripsAreClippedAndVanishInFullScreen) {
    const ScreenGeometry window = ComputeScreenGeometry(kClientW, kClientH, false);
    EXPECT_EQ(Edges(window.plot), (std::array<int, 4>{21, 14, 521, 414}));
    const BorderRects r = ComputeBorderRects(kClientW, kClientH, window.marginX, window.marginY);
    // Top strip across the whole width, right strip below it, left strip, bottom strip between.
    EXPECT_EQ(r.border[0].width, kClientW);
    EXPECT_EQ(r.border[1].x, kClientW - 21);
    EXPECT_EQ(r.border[1].width, 21); // clipped at the client edge
    EXPECT_EQ(r.border[1].height, kClientH - 14);
    EXPECT_EQ(r.border[2].width, 21);
    EXPECT_EQ(r.border[3].y, kClientH - 14);
    EXPECT_EQ(r.border[3].height, 14);
    EXPECT_EQ(r.background.width, 500);
    EXPECT_EQ(r.background.height, 400);

    const ScreenGeometry full = ComputeScreenGeometry(kClientW, kClientH, true);
    EXPECT_EQ(Edges(full.plot), (std::array<int, 4>{0, 0, kClientW, kClientH}));
    const BorderRects none = ComputeBorderRects(kClientW, kClientH, full.marginX, full.marginY);
    for (const FillRect& b : none.border) {
        EXPECT_EQ(b.width * b.height, 0);
    }
    EXPECT_EQ(none.background.width, kClientW);
}

TEST(ScreenGeometry, TickLengthsFollowTheLimits) {
    // 500 * 3 / 499 = 3.006 stays; 400 * 4 / 255 = 6.27 is capped at 6.
    const TickLengths big = ComputeTickLengths(500, 400);
    EXPECT_EQ(static_cast<int>(big.minor), 3);
    EXPECT_FLOAT_EQ(big.major, 6.0f);
    // 300 * 3 / 499 = 1.80 is below 2.5: 2 pixels. 250 * 4 / 255 = 3.92 is below 4.5: 3 pixels.
    const TickLengths small = ComputeTickLengths(300, 250);
    EXPECT_FLOAT_EQ(small.minor, 2.0f);
    EXPECT_FLOAT_EQ(small.major, 3.0f);
    // Between the limits the computed length stays: 1000 * 3 / 499 = 6.01 is capped at 4.5,
    // 300 * 4 / 255 = 4.706 stays.
    const TickLengths mid = ComputeTickLengths(1000, 300);
    EXPECT_FLOAT_EQ(mid.minor, 4.5f);
    EXPECT_NEAR(mid.major, 4.706f, 0.001f);
}

TEST(ScreenGeometry, GraticuleAccumulatesInSinglePrecision) {
    const GraticulePositions p = ComputeGraticulePositions(PlotRect{21, 14, 521, 414});
    EXPECT_EQ(p.columnX[49], 511);
    EXPECT_EQ(p.rowY[31], 401); // 14 + 31 x 12.5

    // 205 / 50 = 4.1 added ten times in single precision is 40.999996, which truncates to 40,
    // one pixel short of the exact 41.
    const GraticulePositions q = ComputeGraticulePositions(PlotRect{0, 0, 205, 320});
    EXPECT_EQ(q.columnX[10], 40);
    EXPECT_EQ(q.columnX[5], 20);
}

TEST(ScreenGeometry, TracePointsMapOntoThePlotEdges) {
    const TraceMapper map(PlotRect{21, 14, 521, 414});
    EXPECT_EQ(map.X(0), 21);
    EXPECT_EQ(map.X(4999), 521);
    EXPECT_EQ(map.X(2500), 271); // 21 + 2500 * 0.10002 = 271.05
    EXPECT_EQ(map.Y(255), 14);
    EXPECT_EQ(map.Y(0), 414);
    EXPECT_EQ(map.Y(128), 213); // 14 + 127 * 1.5686 = 213.2

    const TraceMapper unit(PlotRect{0, 0, 4999, 255});
    EXPECT_EQ(unit.X(1234), 1234);
    EXPECT_EQ(unit.Y(100), 155);
}

TEST(ScreenGeometry, SpectrumMappingBaselinesAndClamps) {
    const PlotRect plot{0, 0, 512, 400};
    // Linear: baseline one division above the bottom; a value of S one division higher.
    const SpectrumMapper linear(plot, 512, 1, 2.0, 1);
    EXPECT_EQ(linear.Y(0.0), 350);
    EXPECT_EQ(linear.Y(2.0), 300);
    // dB: baseline one division below the top; -S one division lower.
    const SpectrumMapper db(plot, 512, 1, 20.0, 0);
    EXPECT_EQ(db.Y(0.0), 50);
    EXPECT_EQ(db.Y(-20.0), 100);
    EXPECT_EQ(db.Y(1000.0), 0); // clamped to the top
    // Zoom 4: points past a quarter of the spectrum land on the right edge.
    const SpectrumMapper zoomed(plot, 512, 4, 1.0, 1);
    EXPECT_EQ(zoomed.X(64), 256);
    EXPECT_EQ(zoomed.X(300), 512);
}

TEST(ScreenGeometry, IntensityScalesEachComponentTruncated) {
    EXPECT_EQ(ScaleColour(Rgb(255, 255, 0), 100), Rgb(100, 100, 0));
    EXPECT_EQ(ScaleColour(Rgb(10, 20, 30), 255), Rgb(10, 20, 30));
    EXPECT_EQ(ScaleColour(Rgb(200, 7, 99), 0), 0u);
    EXPECT_EQ(ScaleColour(Rgb(3, 0, 0), 100), Rgb(1, 0, 0)); // 3 * 100 / 255 = 1.18
}

} // namespace
} // namespace tarnix
