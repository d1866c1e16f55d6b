#include "display/trace_raster.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarnix {

namespace {

inline void Plot(const RasterTarget& t, int x, int y, std::uint32_t argb) {
    if (t.scale == 1) {
        if (static_cast<unsigned>(x) < static_cast<unsigned>(t.width) &&
            static_cast<unsigned>(y) < static_cast<unsigned>(t.height)) {
            t.pixels[static_cast<std::ptrdiff_t>(y) * t.stride + x] = argb;
        }
        return;
    }
    const int x0 = x * t.scale;
    const int y0 = y * t.scale;
    for (int dy = 0; dy < t.scale; ++dy) {
        const int yy = y0 + dy;
        if (static_cast<unsigned>(yy) >= static_cast<unsigned>(t.height)) {
            continue;
        }
        std::uint32_t* row = t.pixels + static_cast<std::ptrdiff_t>(yy) * t.stride;
        for (int dx = 0; dx < t.scale; ++dx) {
            const int xx = x0 + dx;
            if (static_cast<unsigned>(xx) < static_cast<unsigned>(t.width)) {
                row[xx] = argb;
            }
        }
    }
}

// A vertical run of logical pixels y0..y1 (inclusive, any order) in column x, clipped to the buffer.
void Span(const RasterTarget& t, int x, int y0, int y1, std::uint32_t argb) {
    if (y0 > y1) {
        std::swap(y0, y1);
    }
    const int w = (t.width + t.scale - 1) / t.scale;
    const int h = (t.height + t.scale - 1) / t.scale;
    if (x < 0 || x >= w || y1 < 0 || y0 >= h) {
        return;
    }
    y0 = std::max(y0, 0);
    y1 = std::min(y1, h - 1);
    if (t.scale == 1) {
        std::uint32_t* p = t.pixels + static_cast<std::ptrdiff_t>(y0) * t.stride + x;
        for (int y = y0; y <= y1; ++y, p += t.stride) {
            *p = argb;
        }
        return;
    }
    const int xs = x * t.scale;
    const int xe = std::min(xs + t.scale, t.width);
    const int ye = std::min((y1 + 1) * t.scale, t.height);
    for (int yy = y0 * t.scale; yy < ye; ++yy) {
        std::uint32_t* row = t.pixels + static_cast<std::ptrdiff_t>(yy) * t.stride;
        for (int xx = xs; xx < xe; ++xx) {
            row[xx] = argb;
        }
    }
}

// Bresenham from a to b, both included. A segment wholly on one side outside the buffer is skipped.
void Segment(const RasterTarget& t, RasterPoint a, RasterPoint b, std::uint32_t argb) {
    const int w = (t.width + t.scale - 1) / t.scale;
    const int h = (t.height + t.scale - 1) / t.scale;
    if ((a.x < 0 && b.x < 0) || (a.y < 0 && b.y < 0) || (a.x >= w && b.x >= w) || (a.y >= h && b.y >= h)) {
        return;
    }
    int x = a.x;
    int y = a.y;
    const int dx = std::abs(b.x - a.x);
    const int dy = -std::abs(b.y - a.y);
    const int sx = a.x < b.x ? 1 : -1;
    const int sy = a.y < b.y ? 1 : -1;
    if (dx == 0) {
        Span(t, x, a.y, b.y, argb);
        return;
    }
    if (dx == 1 && -dy > 1) {
        // A steep step into the next column, the common case of a trace: half the rise in each column.
        const int mid = (a.y + b.y) / 2;
        Span(t, a.x, a.y, mid, argb);
        Span(t, b.x, mid + (b.y > a.y ? 1 : -1), b.y, argb);
        return;
    }
    int err = dx + dy;
    for (;;) {
        Plot(t, x, y, argb);
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

} // namespace

void RasterPolyline(const RasterTarget& target, const RasterPoint* points, int count, std::uint32_t rgb) {
    if (!target.Valid() || points == nullptr || count <= 0) {
        return;
    }
    const std::uint32_t argb = 0xFF000000u | rgb;
    const int ox = target.originX;
    const int oy = target.originY;
    if (count == 1) {
        Plot(target, points[0].x - ox, points[0].y - oy, argb);
        return;
    }
    for (int i = 1; i < count; ++i) {
        Segment(target, RasterPoint{points[i - 1].x - ox, points[i - 1].y - oy},
                RasterPoint{points[i].x - ox, points[i].y - oy}, argb);
    }
}

void RasterPoints(const RasterTarget& target, const RasterPoint* points, int count, std::uint32_t rgb) {
    if (!target.Valid() || points == nullptr) {
        return;
    }
    const std::uint32_t argb = 0xFF000000u | rgb;
    for (int i = 0; i < count; ++i) {
        Plot(target, points[i].x - target.originX, points[i].y - target.originY, argb);
    }
}

void RasterFill(const RasterTarget& target, int x, int y, int width, int height, std::uint32_t rgb) {
    if (!target.Valid() || width <= 0 || height <= 0) {
        return;
    }
    const std::uint32_t argb = 0xFF000000u | rgb;
    x -= target.originX;
    y -= target.originY;
    const int left = std::clamp(x * target.scale, 0, target.width);
    const int right = std::clamp((x + width) * target.scale, 0, target.width);
    const int top = std::clamp(y * target.scale, 0, target.height);
    const int bottom = std::clamp((y + height) * target.scale, 0, target.height);
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
