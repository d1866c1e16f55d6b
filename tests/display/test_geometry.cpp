// Screen, knob and info strip geometry, the trace rasteriser and the persistence history.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "acquisition/persist_history.h"
#include "analysis/measure_set.h"
#include "display/info_strip_geometry.h"
#include "display/knob_geometry.h"
#include "display/screen_geometry.h"
#include "display/trace_raster.h"

namespace tarnix {
namespace {

TEST(ScreenGeometry, BorderStripsAreClippedToTheClient) {
    // A 542 x 428 client: the plot is 500 x 400 once the 21/14 pixel borders are taken off.
    const ScreenGeometry window = ComputeScreenGeometry(542, 428, false);
    const PlotRect& p = window.plot;
    EXPECT_EQ((std::array<int, 4>{p.left, p.top, p.right, p.bottom}), (std::array<int, 4>{21, 14, 521, 414}));
    const BorderRects r = ComputeBorderRects(542, 428, window.marginX, window.marginY);
    // Top strip across the whole width, right strip below it, left strip, bottom strip between.
    EXPECT_EQ(r.border[0].width, 542);
    EXPECT_EQ(r.border[1].width, 21); // clipped at the client edge
    EXPECT_EQ(r.border[1].height, 428 - 14);
    EXPECT_EQ(r.border[3].y, 428 - 14);
    EXPECT_EQ(r.background.height, 400);
}

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
    // 500 * 3 / 499 = 3.006 stays; 400 * 4 / 255 = 6.27 is capped at 6.
    EXPECT_NEAR(ComputeTickLengths(500, 400).minor, 3.006f, 0.001f);
    EXPECT_FLOAT_EQ(ComputeTickLengths(500, 400).major, 6.0f);
    // 300 * 3 / 499 = 1.80 is below 2.5: 2 pixels. 250 * 4 / 255 = 3.92 is below 4.5: 3 pixels.
    EXPECT_FLOAT_EQ(ComputeTickLengths(300, 250).minor, 2.0f);
    EXPECT_FLOAT_EQ(ComputeTickLengths(300, 250).major, 3.0f);
    // 1000 * 3 / 499 = 6.01 is capped at 4.5; 300 * 4 / 255 = 4.706 stays.
    EXPECT_FLOAT_EQ(ComputeTickLengths(1000, 300).minor, 4.5f);
    EXPECT_NEAR(ComputeTickLengths(1000, 300).major, 4.706f, 0.001f);
    // 205 / 50 = 4.1 added ten times in single precision is 40.999996, which truncates to 40.
    EXPECT_EQ(ComputeGraticulePositions(PlotRect{0, 0, 205, 320}).columnX[10], 40);

    const TraceMapper map(PlotRect{21, 14, 521, 414});
    EXPECT_EQ(map.X(4999), 521);
    EXPECT_EQ(map.Y(128), 213); // 14 + 127 * 1.5686 = 213.2
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
    EXPECT_TRUE(b.Set(2, 3));
    EXPECT_TRUE(b.GuardClean());
    for (int y = 0; y < 16; ++y) {
        EXPECT_TRUE(b.Set(8, y)) << "the column through the buffer is drawn";
    }
    Buffer d(20, 20, 2); // two pixels wide: a dot is two by two, to the right and below
    const RasterPoint dot[1] = {{3, 4}};
    RasterPoints(d.target, dot, 1, kInk);
    EXPECT_EQ(d.Count(), 4);
    EXPECT_TRUE(d.Set(3, 4) && d.Set(4, 5));
    const RasterPoint edge[2] = {{19, 0}, {19, 19}}; // the last column, to the last row
    RasterPolyline(d.target, edge, 2, kInk);
    EXPECT_EQ(d.Count(), 24);
    EXPECT_TRUE(d.GuardClean());
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
    EXPECT_EQ(KnobMaxIndex(4, kKnobCh1Volts), 9);
    EXPECT_EQ(KnobMaxIndex(3, kKnobTimeDiv), 37);
    EXPECT_EQ(KnobMaxIndex(5, kKnobTimeDiv), 38);
    // Highest index: v = 0, angle -12.5 x 2pi/87 = -0.9028 rad; 24 sin = -18.84, 24 cos = 14.87.
    EXPECT_EQ(KnobNeedleEnd(9, 9), (KnobPoint{25, 56}));
    // Index 4 of 8: v = 348/8 = 43 (integer), angle -44.75 x 2pi/87 = -3.2319 rad: nearly straight up.
    EXPECT_EQ(KnobNeedleEnd(8, 4), (KnobPoint{45, 19}));
    EXPECT_EQ(KnobNeedleValue(8, -3), 87);
    EXPECT_EQ(KnobNeedleValue(8, 12), 0);
    EXPECT_EQ(KnobNeedleValue(0, 0), 0); // no division by zero

    // Left: p = 16.7, index 7 (rounded). Straight below and a hair to the right: p = 116.7 clamped to
    // 100, the lowest index; a hair to the left: p = -16.7 clamped to 0, the highest.
    EXPECT_EQ(KnobPointerPercent(0.0, 42.5), 16);
    EXPECT_EQ(KnobIndexAt(0.0, 42.5, 8), 7);
    EXPECT_EQ(KnobIndexAt(43.5, 80.0, 8), 0);
    EXPECT_EQ(KnobIndexAt(43.4, 80.0, 8), 8);
}

TEST(InfoStripGeometry, BandwidthLimitWidensOnlyItsChannelAndTheTimeBoxHugsTheRight) {
    const InfoStripBoxes plain = ComputeInfoStripBoxes(640, false, false);
    EXPECT_EQ(plain.ch1, (StripBox{2, 2, 88, 23}));
    EXPECT_EQ(plain.ch2, (StripBox{132, 2, 220, 23}));
    EXPECT_EQ(ComputeInfoStripBoxes(640, true, false).ch1.right, 100);
    const InfoStripBoxes ch2 = ComputeInfoStripBoxes(1920, false, true);
    EXPECT_EQ(ch2.ch1, plain.ch1);
    EXPECT_EQ(ch2.ch2.right, 232);
    EXPECT_EQ(ch2.time.left, 1822);
    const StripBox box{132, 2, 232, 23};
    EXPECT_EQ(CouplingSymbolOrigin(box), (StripPoint{160, 12}));
    EXPECT_EQ(ValueTextOrigin(box), (StripPoint{174, 6}));
    // The "B" starts at the narrow box's last column, so only the widened box holds it.
    EXPECT_EQ(BandwidthTextOrigin(box), (StripPoint{219, 6}));
}

TEST(PersistHistory, SwitchDepthAndFadingRing) {
    InstrumentSettings s;
    CPersistHistory h(s);
    std::array<std::int16_t, kPersistPoints> frame{};
    h.SetPersistenceDepth(4);
    h.AddPersistFrame(kCh2, frame.data(), 0xFFFF00);
    EXPECT_EQ(h.PersistCount(kCh2), 0) << "switched off";
    h.SetPersistenceOn(true);
    h.AddPersistFrame(kCh2, frame.data(), 0xFFFF00);
    EXPECT_EQ(h.Entry(kCh2, 0).colour, 0xFFFF00u) << "a single entry has the full colour";
    h.SetPersistenceOn(false);
    EXPECT_EQ(h.PersistCount(kCh2), 1) << "switching off keeps the queues";
    h.SetPersistenceOn(true);
    h.SetPersistenceDepth(2);
    EXPECT_EQ(h.PersistCount(kCh2), 0) << "a new depth empties every queue";
    h.SetPersistenceDepth(0);
    h.AddPersistFrame(kCh1, frame.data(), 0x00FF00);
    EXPECT_EQ(h.PersistCount(kCh1), 0) << "\"Min\" holds none";
    h.SetPersistenceDepth(99);
    EXPECT_EQ(s.persistenceDepth, 0) << "outside the list: ignored";
    // The deepest setting holds fifteen frames and wraps around its ring, oldest first, from a
    // fifteenth of the colour up to all of it.
    h.SetPersistenceDepth(15);
    for (int k = 0; k < 40; ++k) {
        frame.fill(static_cast<std::int16_t>(k));
        h.AddPersistFrame(kMath, frame.data(), 0xFF0000);
    }
    ASSERT_EQ(h.PersistCount(kMath), 15);
    EXPECT_EQ(h.Entry(kMath, 0).points[4999], 25);
    EXPECT_EQ(h.Entry(kMath, 0).colour, 0x110000u);           // 255 / 15 = 17
    EXPECT_EQ(PersistEntryColour(0x80FF40, 2, 3), 0x55AA2Au); // 128*2/3 = 85, 64*2/3 = 42
}

} // namespace
} // namespace tarnix
