#include "display/trace_raster.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarnix {

namespace {

inline void Plot(const RasterTarget& t, int x, int y, std::uint32_t argb) {
    if (t.thickness == 1) {
        if (static_cast<unsigned>(x) < static_cast<unsigned>(t.width) &&
            static_cast<unsigned>(y) < static_cast<unsigned>(t.height)) {
            t.pixels[static_cast<std::ptrdiff_t>(y) * t.stride + x] = argb;
        }
        return;
    }
    const int x0 = std::max(x, 0);
    const int x1 = std::min(x + t.thickness, t.width);
    const int y1 = std::min(y + t.thickness, t.height);
    for (int yy = std::max(y, 0); yy < y1; ++yy) {
        std::uint32_t* row = t.pixels + static_cast<std::ptrdiff_t>(yy) * t.stride;
        for (int xx = x0; xx < x1; ++xx) {
            row[xx] = argb;
        }
    }
}

// A vertical run of pixels y0..y1 (inclusive, any order) in column x, clipped to the buffer.
void Span(const RasterTarget& t, int x, int y0, int y1, std::uint32_t argb) {
    if (y0 > y1) {
        std::swap(y0, y1);
    }
    const int n = t.thickness;
    if (x + n <= 0 || x >= t.width || y1 + n <= 0 || y0 >= t.height) {
        return;
    }
    y0 = std::max(y0, 0);
    y1 = std::min(y1 + n - 1, t.height - 1);
    if (n == 1) {
        const std::ptrdiff_t stride = t.stride;
        std::uint32_t* p = t.pixels + y0 * stride + x;
        for (int y = y0; y <= y1; ++y, p += stride) {
            *p = argb;
        }
        return;
    }
    const int xs = std::max(x, 0);
    const int xe = std::min(x + n, t.width);
    for (int yy = y0; yy <= y1; ++yy) {
        std::uint32_t* row = t.pixels + static_cast<std::ptrdiff_t>(yy) * t.stride;
        for (int xx = xs; xx < xe; ++xx) {
            row[xx] = argb;
        }
    }
}

// Writes pixels: a dot or a vertical run, each `thickness` wide.
struct PixelSink {
    const RasterTarget& t;
    std::uint32_t argb;
    void Point(int x, int y) const { Plot(t, x, y, argb); }
    void Run(int x, int y0, int y1) const { Span(t, x, y0, y1, argb); }
};

// Collects the one-pixel line as the lowest and highest row it covers in each column. A trace's line
// covers one unbroken run per column, so a thick line is then one run per column, written once: far
// fewer scattered writes than widening every step of the line on its own.
struct ColumnSink {
    int* top;
    int* bottom;
    int first; // column of top[0]
    int columns;
    int used0 = std::numeric_limits<int>::max();
    int used1 = std::numeric_limits<int>::min();
    void Run(int x, int y0, int y1) {
        const int i = x - first;
        if (static_cast<unsigned>(i) >= static_cast<unsigned>(columns)) {
            return;
        }
        top[i] = std::min({top[i], y0, y1});
        bottom[i] = std::max({bottom[i], y0, y1});
        used0 = std::min(used0, i);
        used1 = std::max(used1, i);
    }
    void Point(int x, int y) { Run(x, y, y); }
};

// Bresenham from a to b, both included. A segment wholly on one side outside the buffer is skipped.
template <class Sink> void Segment(const RasterTarget& t, RasterPoint a, RasterPoint b, Sink& sink) {
    const int n = t.thickness;
    if ((a.x + n <= 0 && b.x + n <= 0) || (a.y + n <= 0 && b.y + n <= 0) ||
        (a.x >= t.width && b.x >= t.width) || (a.y >= t.height && b.y >= t.height)) {
        return;
    }
    int x = a.x;
    int y = a.y;
    const int dx = std::abs(b.x - a.x);
    const int dy = -std::abs(b.y - a.y);
    const int sx = a.x < b.x ? 1 : -1;
    const int sy = a.y < b.y ? 1 : -1;
    if (dx == 0) {
        sink.Run(x, a.y, b.y);
        return;
    }
    if (dx == 1 && -dy > 1) {
        // A steep step into the next column, the common case of a trace: half the rise in each column.
        const int mid = (a.y + b.y) / 2;
        sink.Run(a.x, a.y, mid);
        sink.Run(b.x, mid + (b.y > a.y ? 1 : -1), b.y);
        return;
    }
    int err = dx + dy;
    for (;;) {
        sink.Point(x, y);
        if (x == b.x && y == b.y) {
            break;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void ThickPolyline(const RasterTarget& t, const RasterPoint* points, int count, std::uint32_t argb) {
    const int n = t.thickness;
    thread_local std::vector<int> top;
    thread_local std::vector<int> bottom;
    const auto columns = static_cast<std::size_t>(t.width + n - 1);
    if (top.size() < columns) {
        top.assign(columns, std::numeric_limits<int>::max());
        bottom.assign(columns, std::numeric_limits<int>::min());
    }
    ColumnSink sink{top.data(), bottom.data(), -(n - 1), static_cast<int>(columns)};
    for (int i = 1; i < count; ++i) {
        Segment(t, RasterPoint{points[i - 1].x - t.originX, points[i - 1].y - t.originY},
                RasterPoint{points[i].x - t.originX, points[i].y - t.originY}, sink);
    }
    if (sink.used0 > sink.used1) {
        return;
    }
    // Column c of the buffer holds the runs of columns c - n + 1 .. c, each n rows deeper.
    const int last = std::min(sink.used1 + n - 1, static_cast<int>(columns) - 1);
    for (int i = sink.used0; i <= last; ++i) {
        const int x = i + sink.first;
        int y0 = std::numeric_limits<int>::max();
        int y1 = std::numeric_limits<int>::min();
        for (int k = std::max(i - n + 1, 0); k <= i; ++k) {
            y0 = std::min(y0, top[static_cast<std::size_t>(k)]);
            y1 = std::max(y1, bottom[static_cast<std::size_t>(k)]);
        }
        if (x >= 0 && x < t.width && y0 <= y1) {
            y0 = std::max(y0, 0);
            y1 = std::min(y1 + n - 1, t.height - 1);
            const std::ptrdiff_t stride = t.stride; // kept in a register: the stores may alias t
            std::uint32_t* p = t.pixels + y0 * stride + x;
            for (int y = y0; y <= y1; ++y, p += stride) {
                *p = argb;
            }
        }
    }
    std::fill(top.begin() + sink.used0, top.begin() + sink.used1 + 1, std::numeric_limits<int>::max());
    std::fill(bottom.begin() + sink.used0, bottom.begin() + sink.used1 + 1, std::numeric_limits<int>::min());
}

// Flags the rows y0..y1 (buffer rows, inclusive) plus the line's thickness below.
void Touch(const RasterTarget& t, int y0, int y1) {
    y0 = std::max(y0, 0);
    y1 = std::min(y1 + t.thickness - 1, t.height - 1);
    if (t.touchedRows != nullptr && y0 <= y1) {
        std::fill(t.touchedRows + y0, t.touchedRows + y1 + 1, std::uint8_t{1});
    }
}

} // namespace

void RasterPolyline(const RasterTarget& target, const RasterPoint* points, int count, std::uint32_t rgb) {
    if (!target.Valid() || points == nullptr || count <= 0) {
        return;
    }
    const std::uint32_t argb = 0xFF000000u | rgb;
    const int ox = target.originX;
    const int oy = target.originY;
    if (target.touchedRows != nullptr) {
        const auto [low, high] = std::minmax_element(
            points, points + count, [](const RasterPoint& a, const RasterPoint& b) { return a.y < b.y; });
        Touch(target, low->y - oy, high->y - oy);
    }
    if (count == 1) {
        Plot(target, points[0].x - ox, points[0].y - oy, argb);
        return;
    }
    if (target.thickness > 1) {
        ThickPolyline(target, points, count, argb);
        return;
    }
    const PixelSink sink{target, argb};
    for (int i = 1; i < count; ++i) {
        Segment(target, RasterPoint{points[i - 1].x - ox, points[i - 1].y - oy},
                RasterPoint{points[i].x - ox, points[i].y - oy}, sink);
    }
}

void RasterPoints(const RasterTarget& target, const RasterPoint* points, int count, std::uint32_t rgb) {
    if (!target.Valid() || points == nullptr) {
        return;
    }
    const std::uint32_t argb = 0xFF000000u | rgb;
    for (int i = 0; i < count; ++i) {
        Plot(target, points[i].x - target.originX, points[i].y - target.originY, argb);
        Touch(target, points[i].y - target.originY, points[i].y - target.originY);
    }
}

void RasterFill(const RasterTarget& target, int x, int y, int width, int height, std::uint32_t rgb) {
    if (!target.Valid() || width <= 0 || height <= 0) {
        return;
    }
    const std::uint32_t argb = 0xFF000000u | rgb;
    x -= target.originX;
    y -= target.originY;
    const int left = std::clamp(x, 0, target.width);
    const int right = std::clamp(x + width, 0, target.width);
    const int top = std::clamp(y, 0, target.height);
    const int bottom = std::clamp(y + height, 0, target.height);
    for (int row = top; row < bottom; ++row) {
        std::uint32_t* const line = target.pixels + static_cast<std::ptrdiff_t>(row) * target.stride;
        std::uint32_t* p = line + left;
        std::uint32_t* const end = line + right;
#if defined(__SSE2__)
        while (p < end && (reinterpret_cast<std::uintptr_t>(p) & 15u) != 0) {
            *p++ = argb;
        }
        const __m128i four = _mm_set1_epi32(static_cast<int>(argb));
        for (; end - p >= 4; p += 4) {
            _mm_stream_si128(reinterpret_cast<__m128i*>(p), four);
        }
#endif
        std::fill(p, end, argb);
    }
#if defined(__SSE2__)
    _mm_sfence(); // the painter's ordinary stores come after the streamed ones
#endif
}

} // namespace tarnix
