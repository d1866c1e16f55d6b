// Screen, knob and info strip geometry, the trace rasteriser and the persistence history.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <vector>

#include "analysis/measure_set.h"
#include "display/info_strip_geometry.h"
#include "display/knob_geometry.h"
#include "display/screen_geometry.h"
#include "display/trace_raster.h"

namespace tarnix {
namespace {

TEST(ScreenGeometry, FullScreenInformationLineOverlapsNoOtherText) {
    CMeasureSet measures;
    for (int k = 0; k < kMeasureSlotCount; ++k) {
        measures.AddMeasure(k);
    }
    for (const auto& [width, height] : {std::pair(800, 600), std::pair(1024, 768), std::pair(1920, 1080)}) {
        const PlotRect p = ComputeScreenGeometry(width, height, true).plot;
        std::array<MeasureTextItem, kMeasureSlotCount> items{};
        ASSERT_EQ(measures.LayoutTexts(p.left, p.top, p.right, p.bottom, {}, items), kMeasureSlotCount);
        const auto [highest, lowest] = std::ranges::minmax(items, {}, &MeasureTextItem::y);
        const int top = InformationLineTop(p.top, p.bottom);
        const int bottom = top + kInformationHeight;
        EXPECT_GE(top, p.top + kScaleLabelsOffset + kScaleLabelHeight) << width << " x " << height;
        EXPECT_TRUE(bottom <= highest.y || top >= lowest.y + kMeasureFontHeight) << width << " x " << height;
        EXPECT_LE(bottom, p.bottom);
    }
}

TEST(ScreenGeometry, TicksGraticuleAndMappers) {
    // Minor W x 3 / 499, major H x 4 / 255: capped at 4.5 and 6, below 2.5 and 4.5 whole pixels.
    for (const auto& [w, h, minor, major] :
         {std::tuple(500, 400, 3.006f, 6.0f), std::tuple(300, 250, 2.0f, 3.0f),
          std::tuple(1000, 300, 4.5f, 4.706f)}) {
        EXPECT_NEAR(ComputeTickLengths(w, h).minor, minor, 0.001f) << w;
        EXPECT_NEAR(ComputeTickLengths(w, h).major, major, 0.001f) << h;
    }
    // 205 / 50 = 4.1 added ten times in single precision is 40.999996, which truncates to 40.
    EXPECT_EQ(ComputeGraticulePositions(PlotRect{0, 0, 205, 320}).columnX[10], 40);

    const TraceMapper map(PlotRect{21, 14, 521, 414});
    EXPECT_EQ(std::tuple(map.X(4999), map.Y(128)), std::tuple(521, 213)); // 14 + 127 * 1.5686 = 213.2
    // Spectrum in dB: baseline one division below the top, -S one division lower, clamped to the top.
    EXPECT_EQ(SpectrumMapper(PlotRect{0, 0, 512, 400}, 512, 1, 20.0, 0).Y(-20.0), 100);
    EXPECT_EQ(SpectrumMapper(PlotRect{0, 0, 512, 400}, 512, 1, 20.0, 0).Y(1000.0), 0);
    EXPECT_EQ(ScaleColour(Rgb(255, 3, 0), 100), Rgb(100, 1, 0)); // 3 * 100 / 255 = 1.18
}

constexpr std::uint32_t kInk = 0x00FF00;
constexpr std::uint32_t kInkArgb = 0xFF00FF00u;

// A w x h buffer with a guard row of sentinels after it, so writes past the end show.
struct Buffer {
    Buffer(int w, int h, int thickness = 1) : width(w), pixels(static_cast<std::size_t>(w * (h + 1))) {
        target = RasterTarget{pixels.data(), w, w, h, thickness};
    }
    bool Set(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)] == kInkArgb; }
    int Count() const { return static_cast<int>(std::count(pixels.begin(), pixels.end(), kInkArgb)); }
    bool GuardClean() const {
        return std::all_of(pixels.end() - width, pixels.end(), [](std::uint32_t p) { return p == 0; });
    }
    int width;
    std::vector<std::uint32_t> pixels;
    RasterTarget target;
};

TEST(TraceRaster, SegmentsClipAndThickLines) {
    // A steep step: the first column runs to the middle row, 4, the second takes the rest, up or down.
    for (const auto& [from, to] : {std::pair{RasterPoint{3, 0}, RasterPoint{4, 9}}, {{3, 9}, {4, 0}}}) {
        Buffer b(10, 12);
        const RasterPoint step[2] = {from, to};
        RasterPolyline(b.target, step, 2, kInk);
        EXPECT_EQ(b.Count(), 10);
        EXPECT_TRUE(b.Set(3, 4) && !b.Set(4, 4) && b.Set(4, to.y > from.y ? 5 : 3));
    }
    // A shallow line has one pixel per column, each on the ideal line.
    Buffer shallow(40, 20);
    const RasterPoint line[2] = {{0, 0}, {30, 10}};
    RasterPolyline(shallow.target, line, 2, kInk);
    EXPECT_EQ(shallow.Count(), 31);
    for (int x = 0; x <= 30; ++x) {
        EXPECT_TRUE(shallow.Set(x, static_cast<int>(std::lround(x / 3.0)))) << x;
    }
    Buffer b(16, 16);
    const RasterPoint wild[5] = {{-40, 8}, {8, -30000}, {8, 30000}, {40, 8}, {15, 15}};
    RasterPolyline(b.target, wild, 5, kInk);
    const RasterPoint dots[3] = {{-1, 0}, {16, 3}, {2, 3}};
    RasterPoints(b.target, dots, 3, kInk);
    EXPECT_TRUE(b.Set(2, 3) && b.GuardClean());
    for (int y = 0; y < 16; ++y) {
        EXPECT_TRUE(b.Set(8, y)) << "the column through the buffer is drawn";
    }
    Buffer d(20, 20, 2); // two pixels wide: a dot is two by two, to the right and below
    const RasterPoint dot[1] = {{3, 4}};
    RasterPoints(d.target, dot, 1, kInk);
    EXPECT_EQ(std::tuple(d.Count(), d.Set(3, 4), d.Set(4, 5)), std::tuple(4, true, true));
    const RasterPoint edge[2] = {{19, 0}, {19, 19}}; // the last column, to the last row
    RasterPolyline(d.target, edge, 2, kInk);
    EXPECT_EQ(std::pair(d.Count(), d.GuardClean()), std::pair(24, true));
    Buffer s(20, 20, 2); // a shallow thick line stays two pixels high everywhere
    const RasterPoint slope[2] = {{0, 0}, {15, 5}};
    RasterPolyline(s.target, slope, 2, kInk);
    for (int x = 0; x <= 15; ++x) {
        int lit = 0;
        for (int y = 0; y < 20; ++y) {
            lit += s.Set(x, y) ? 1 : 0;
        }
        EXPECT_GE(lit, 2) << x;
    }
}

// The background clear: exactly the clipped rectangle, whatever the row alignment.
TEST(TraceRaster, FillCoversItsRectangleClippedAndNothingElse) {
    for (int x : {-3, 0, 1, 2, 3}) {
        SCOPED_TRACE(::testing::Message() << "x " << x);
        Buffer b(37, 6);
        RasterFill(b.target, x, 1, 40, 2, kInk);
        for (int row = 0; row < 6; ++row) {
            for (int col = 0; col < 37; ++col) {
                EXPECT_EQ(b.Set(col, row), row >= 1 && row < 3 && col >= x && col < x + 40)
                    << col << "," << row;
            }
        }
        EXPECT_TRUE(b.GuardClean());
    }
}

TEST(KnobGeometry, HighestIndexNeedleAndPointer) {
    // Models 4 and 5 have one more volts step and one more time base.
    EXPECT_EQ(std::tuple(KnobMaxIndex(4, kKnobCh1Volts), KnobMaxIndex(3, kKnobTimeDiv),
                         KnobMaxIndex(5, kKnobTimeDiv)),
              std::tuple(9, 37, 38));
    // Highest index: v = 0, angle -12.5 x 2pi/87 = -0.9028 rad; 24 sin = -18.84, 24 cos = 14.87.
    EXPECT_EQ(KnobNeedleEnd(9, 9), (KnobPoint{25, 56}));
    // Index 4 of 8: v = 348/8 = 43 (integer), angle -44.75 x 2pi/87 = -3.2319 rad: nearly straight up.
    EXPECT_EQ(KnobNeedleEnd(8, 4), (KnobPoint{45, 19}));
    EXPECT_EQ(std::tuple(KnobNeedleValue(8, -3), KnobNeedleValue(8, 12), KnobNeedleValue(0, 0)),
              std::tuple(87, 0, 0)); // the last: no division by zero

    // Left: p = 16.7, index 7 (rounded). Straight below and a hair to the right: p = 116.7 clamped to
    // 100, the lowest index; a hair to the left: p = -16.7 clamped to 0, the highest.
    EXPECT_EQ(std::tuple(KnobPointerPercent(0.0, 42.5), KnobIndexAt(0.0, 42.5, 8), KnobIndexAt(43.5, 80.0, 8),
                         KnobIndexAt(43.4, 80.0, 8)),
              std::tuple(16, 7, 0, 8));
}

TEST(InfoStripGeometry, BandwidthLimitWidensOnlyItsChannelAndTheTimeBoxHugsTheRight) {
    const InfoStripBoxes plain = ComputeInfoStripBoxes(640, false, false);
    EXPECT_EQ(std::pair(plain.ch1, plain.ch2), std::pair(StripBox{2, 2, 88, 23}, StripBox{132, 2, 220, 23}));
    EXPECT_EQ(ComputeInfoStripBoxes(640, true, false).ch1.right, 100);
    const InfoStripBoxes ch2 = ComputeInfoStripBoxes(1920, false, true);
    EXPECT_EQ(std::tuple(ch2.ch1, ch2.ch2.right, ch2.time.left), std::tuple(plain.ch1, 232, 1822));
    const StripBox box{132, 2, 232, 23};
    EXPECT_EQ(CouplingSymbolOrigin(box), (StripPoint{160, 12}));
    EXPECT_EQ(ValueTextOrigin(box), (StripPoint{174, 6}));
    // The "B" starts at the narrow box's last column, so only the widened box holds it.
    EXPECT_EQ(BandwidthTextOrigin(box), (StripPoint{219, 6}));
}

} // namespace
} // namespace tarnix
