// Pure geometry of the waveform screen: plot rectangle and margins, graticule ticks, and the mapping of
// display points to pixels. No Qt here, so all of it is tested without a widget.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace tarnix {

// Integer pixel rectangle by its edges; x to the right, y downwards, (0,0) top-left of the client area.
struct PlotRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    // Left and top edges included, right and bottom excluded.
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const PlotRect&, const PlotRect&) = default;
};

// The device pixels behind the logical pixels of a screen at a device pixel ratio (1, 1.25, 1.5, 2,
// ...). The layout stays in logical pixels; what is drawn at device pixels takes its positions from
// here, and its lines and dots one whole width, so a line looks the same wherever it lies.
struct DeviceScale {
    double ratio = 1.0;
    int Pos(int logical) const { return static_cast<int>(std::lround(logical * ratio)); }
    // One device pixel at 1x, proportionally wider above, as the desktop draws its own lines.
    int Line() const { return std::max(1, static_cast<int>(std::lround(ratio))); }
    float Length(float logical) const { return static_cast<float>(logical * ratio); }
    PlotRect Plot(const PlotRect& p) const {
        return PlotRect{Pos(p.left), Pos(p.top), Pos(p.right), Pos(p.bottom)};
    }
};

inline constexpr int kMarginX = 21;
inline constexpr int kMarginY = 14;

struct ScreenGeometry {
    int marginX = kMarginX;
    int marginY = kMarginY;
    PlotRect plot;
};

// Margins are zero in full-screen mode, so the plot then fills the client area.
ScreenGeometry ComputeScreenGeometry(int clientWidth, int clientHeight, bool fullScreen);

// One filled rectangle by position and size (not corner points).
struct FillRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The four grey border strips and the black plot background, clipped to the client area; empty
// strips have zero width or height.
struct BorderRects {
    std::array<FillRect, 4> border;
    FillRect background;
};
BorderRects ComputeBorderRects(int clientWidth, int clientHeight, int marginX, int marginY);

// Minor (a) and major (b) tick lengths in pixels.
struct TickLengths {
    float minor = 0.0f;
    float major = 0.0f;
};
TickLengths ComputeTickLengths(int plotWidth, int plotHeight);

// Graticule line positions: columns i = 1..49 (index 0 unused) and rows j = 1..31, accumulated in
// single precision from the left/top edge and truncated, as the instrument's screen does.
struct GraticulePositions {
    std::array<int, 50> columnX{};
    std::array<int, 32> rowY{};
};
GraticulePositions ComputeGraticulePositions(const PlotRect& plot);

// Maps a display point (index 0..4999, level 0 bottom .. 255 top) to a pixel. The factors are kept
// in single precision.
struct TraceMapper {
    explicit TraceMapper(const PlotRect& plot);
    int X(int index) const {
        return static_cast<int>(static_cast<float>(left) + static_cast<float>(index) * xFactor);
    }
    int Y(int level) const {
        return static_cast<int>(static_cast<float>(top) + static_cast<float>(255 - level) * yFactor);
    }
    int left;
    int top;
    float xFactor;
    float yFactor;
};

// X-Y figure: CH1 level across the middle 8 divisions, CH2 level over the full height.
struct XYMapper {
    explicit XYMapper(const PlotRect& plot);
    int X(int level) const {
        return static_cast<int>(static_cast<float>(left) + tenth + static_cast<float>(level) * xFactor);
    }
    int Y(int level) const {
        return static_cast<int>(static_cast<float>(top) + static_cast<float>(255 - level) * yFactor);
    }
    int left;
    int top;
    float tenth;
    float xFactor;
    float yFactor;
};

// Spectrum trace mapping: N points, zoom Z, S units per division, dB (0) or Linear (1).
struct SpectrumMapper {
    SpectrumMapper(const PlotRect& plot, int pointCount, int zoom, double unitsPerDiv, int scaleMode);
    int X(int k) const;
    int Y(double value) const;
    PlotRect plot;
    float step;
    float baseline;
    float unitsToPixels;
};

// Grey level g as RGB(g,g,g) and the channel-intensity rule, colours as 0x00RRGGBB.
std::uint32_t ScaleColour(std::uint32_t colour, int intensity);
inline std::uint32_t GreyColour(int g) {
    const auto c = static_cast<std::uint32_t>(g & 0xFF);
    return (c << 16) | (c << 8) | c;
}
inline constexpr std::uint32_t Rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r & 0xFF) << 16) | (static_cast<std::uint32_t>(g & 0xFF) << 8) |
           static_cast<std::uint32_t>(b & 0xFF);
}

int ClampToByte(int value);

} // namespace tarnix
