#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "display/trace_raster.h"

namespace tarnix {
namespace {

constexpr std::uint32_t kInk = 0x00FF00;
constexpr std::uint32_t kInkArgb = 0xFF00FF00u;

// A w x h buffer with a guard row of sentinels after it, so writes past the end show.
struct Buffer {
    Buffer(int w, int h, int scale = 1)
        : width(w), height(h), pixels(static_cast<std::size_t>(w * (h + 1)), 0u) {
        target = RasterTarget{pixels.data(), w, w, h, scale};
    }
    bool Set(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)] == kInkArgb; }
    int Count() const {
        int n = 0;
        for (int i = 0; i < width * height; ++i) {
            n += pixels[static_cast<std::size_t>(i)] == kInkArgb ? 1 : 0;
        }
        return n;
    }
    bool GuardClean() const {
        for (int i = width * height; i < width * (height + 1); ++i) {
            if (pixels[static_cast<std::size_t>(i)] != 0) {
                return false;
            }
        }
        return true;
    }
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
    RasterTarget target;
};

TEST(TraceRaster, VerticalAndSteepSegments) {
    Buffer b(10, 12);
    const RasterPoint column[2] = {{5, 2}, {5, 6}};
    RasterPolyline(b.target, column, 2, kInk);
    EXPECT_EQ(b.Count(), 5);
    EXPECT_TRUE(b.Set(5, 2));
    EXPECT_TRUE(b.Set(5, 6));

    Buffer c(10, 12);
    const RasterPoint step[2] = {{3, 0}, {4, 9}}; // half the rise in each column
    RasterPolyline(c.target, step, 2, kInk);
    EXPECT_EQ(c.Count(), 10);
    for (int y = 0; y <= 4; ++y) {
        EXPECT_TRUE(c.Set(3, y)) << y;
    }
    for (int y = 5; y <= 9; ++y) {
        EXPECT_TRUE(c.Set(4, y)) << y;
    }
    Buffer d(10, 12);
    const RasterPoint down[2] = {{3, 9}, {4, 0}};
    RasterPolyline(d.target, down, 2, kInk);
    EXPECT_EQ(d.Count(), 10);
    EXPECT_TRUE(d.Set(3, 9));
    EXPECT_TRUE(d.Set(4, 0));
}

TEST(TraceRaster, ShallowLinesStayOnTheIdealLine) {
    Buffer b(40, 20);
    const RasterPoint line[2] = {{0, 0}, {30, 10}};
    RasterPolyline(b.target, line, 2, kInk);
    EXPECT_EQ(b.Count(), 31); // one pixel per column
    for (int x = 0; x <= 30; ++x) {
        int hits = 0;
        for (int y = 0; y < 20; ++y) {
            if (b.Set(x, y)) {
                ++hits;
                EXPECT_LE(std::fabs(y - x / 3.0), 0.5 + 1e-9) << x;
            }
        }
        EXPECT_EQ(hits, 1) << x;
    }
}

TEST(TraceRaster, ClipsToTheBufferAndNeverWritesOutside) {
    Buffer b(16, 16);
    const RasterPoint wild[5] = {{-40, 8}, {8, -30000}, {8, 30000}, {40, 8}, {15, 15}};
    RasterPolyline(b.target, wild, 5, kInk);
    EXPECT_TRUE(b.GuardClean());
    for (int y = 0; y < 16; ++y) {
        EXPECT_TRUE(b.Set(8, y)) << "the column through the buffer is drawn";
    }
    const RasterPoint dots[3] = {{-1, 0}, {16, 3}, {2, 3}};
    RasterPoints(b.target, dots, 3, kInk);
    EXPECT_TRUE(b.Set(2, 3));
    EXPECT_TRUE(b.GuardClean());
}

TEST(TraceRaster, DoubleDensityCoversTwoByTwo) {
    Buffer b(20, 20, 2);
    const RasterPoint dot[1] = {{3, 4}};
    RasterPoints(b.target, dot, 1, kInk);
    EXPECT_EQ(b.Count(), 4);
    EXPECT_TRUE(b.Set(6, 8));
    EXPECT_TRUE(b.Set(7, 9));
    const RasterPoint edge[2] = {{9, 0}, {9, 9}}; // the last logical column and row
    RasterPolyline(b.target, edge, 2, kInk);
    EXPECT_TRUE(b.Set(19, 19));
    EXPECT_TRUE(b.GuardClean());
}

TEST(TraceRaster, TracePolylineIsConnectedInEveryColumn) {
    // A noisy trace stepping one column at a time: every column between two points is a single
    // unbroken run, and consecutive columns' runs touch, so the line has no holes.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(0, 59);
    std::vector<RasterPoint> points;
    for (int x = 0; x < 200; ++x) {
        points.push_back(RasterPoint{x, level(random)});
    }
    Buffer b(200, 60);
    RasterPolyline(b.target, points.data(), static_cast<int>(points.size()), kInk);
    int prevTop = -1;
    int prevBottom = -1;
    for (int x = 0; x < 200; ++x) {
        int top = -1;
        int bottom = -1;
        int count = 0;
        for (int y = 0; y < 60; ++y) {
            if (b.Set(x, y)) {
                top = top < 0 ? y : top;
                bottom = y;
                ++count;
            }
        }
        ASSERT_GE(top, 0) << x;
        EXPECT_EQ(count, bottom - top + 1) << "one run in column " << x;
        EXPECT_TRUE(b.Set(x, points[static_cast<std::size_t>(x)].y)) << "the point itself, column " << x;
        if (x > 0) {
            EXPECT_TRUE(top <= prevBottom + 1 && bottom >= prevTop - 1) << "touches column " << x - 1;
        }
        prevTop = top;
        prevBottom = bottom;
    }
}

// The background clear: exactly the clipped rectangle, whatever the row alignment, at both densities.
TEST(TraceRaster, FillCoversItsRectangleClippedAndNothingElse) {
    for (int scale : {1, 2}) {
        for (int x : {-3, 0, 1, 2, 3}) {
            SCOPED_TRACE(::testing::Message() << "scale " << scale << " x " << x);
            Buffer b(37, 6, scale);
            RasterFill(b.target, x, 1, 40 / scale, 1, kInk);
            int filled = 0;
            for (int row = 0; row < 6; ++row) {
                for (int col = 0; col < 37; ++col) {
                    const bool inside =
                        row >= scale && row < 2 * scale && col >= x * scale && col < x * scale + 40;
                    EXPECT_EQ(b.Set(col, row), inside) << col << "," << row;
                    filled += inside ? 1 : 0;
                }
            }
            EXPECT_EQ(b.Count(), filled);
            EXPECT_TRUE(b.GuardClean());
        }
    }
}

} // namespace
} // namespace tarnix
