#include "display/screen_geometry.h"

#include <algorithm>

namespace tarnix {

ScreenGeometry ComputeScreenGeometry(int clientWidth, int clientHeight, bool fullScreen) {
    ScreenGeometry g;
    g.marginX = fullScreen ? 0 : kMarginX;
    g.marginY = fullScreen ? 0 : kMarginY;
    g.plot = PlotRect{g.marginX, g.marginY, clientWidth - g.marginX, clientHeight - g.marginY};
    return g;
}

namespace {

// Intersects a rectangle given by position and size with the client area.
FillRect Clip(int x, int y, int width, int height, int clientWidth, int clientHeight) {
    const int x0 = std::clamp(x, 0, std::max(clientWidth, 0));
    const int y0 = std::clamp(y, 0, std::max(clientHeight, 0));
    const int x1 = std::clamp(x + width, 0, std::max(clientWidth, 0));
    const int y1 = std::clamp(y + height, 0, std::max(clientHeight, 0));
    return FillRect{x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

} // namespace

BorderRects ComputeBorderRects(int clientWidth, int clientHeight, int marginX, int marginY) {
    BorderRects r;
    const int wc = clientWidth;
    const int hc = clientHeight;
    r.border[0] = Clip(0, 0, wc, marginY, wc, hc);
    r.border[1] = Clip(wc - marginX, marginY, wc, hc, wc, hc);
    r.border[2] = Clip(0, marginY, marginX, hc, wc, hc);
    r.border[3] = Clip(marginX, hc - marginY, wc - 2 * marginX, hc, wc, hc);
    r.background = Clip(marginX, marginY, wc - 2 * marginX, hc - 2 * marginY, wc, hc);
    return r;
}

TickLengths ComputeTickLengths(int plotWidth, int plotHeight) {
    TickLengths t;
    float a = static_cast<float>(plotWidth) * 3.0f / 499.0f;
    if (a > 4.5f) {
        a = 4.5f;
    } else if (a < 2.5f) {
        a = 2.0f;
    }
    float b = static_cast<float>(plotHeight) * 4.0f / 255.0f;
    if (b > 6.0f) {
        b = 6.0f;
    } else if (b < 4.5f) {
        b = 3.0f;
    }
    t.minor = a;
    t.major = b;
    return t;
}

GraticulePositions ComputeGraticulePositions(const PlotRect& plot) {
    GraticulePositions p;
    const float stepX = static_cast<float>(plot.Width()) / 50.0f;
    const float stepY = static_cast<float>(plot.Height()) / 32.0f;
    float x = static_cast<float>(plot.left);
    p.columnX[0] = plot.left;
    for (std::size_t i = 1; i < p.columnX.size(); ++i) {
        x += stepX;
        p.columnX[i] = static_cast<int>(x);
    }
    float y = static_cast<float>(plot.top);
    p.rowY[0] = plot.top;
    for (std::size_t j = 1; j < p.rowY.size(); ++j) {
        y += stepY;
        p.rowY[j] = static_cast<int>(y);
    }
    return p;
}

TraceMapper::TraceMapper(const PlotRect& plot)
    : left(plot.left), top(plot.top), xFactor(static_cast<float>(static_cast<double>(plot.Width()) / 4999.0)),
      yFactor(static_cast<float>(static_cast<double>(plot.Height()) / 255.0)) {}

XYMapper::XYMapper(const PlotRect& plot)
    : left(plot.left), top(plot.top), tenth(static_cast<float>(0.1 * plot.Width())),
      xFactor(static_cast<float>(0.8 * plot.Width() / 255.0)),
      yFactor(static_cast<float>(static_cast<double>(plot.Height()) / 255.0)) {}

SpectrumMapper::SpectrumMapper(const PlotRect& p, int pointCount, int zoom, double unitsPerDiv, int scaleMode)
    : plot(p) {
    const int n = std::max(pointCount, 1);
    step = static_cast<float>(static_cast<double>(p.Width()) / n * std::max(zoom, 1));
    const double h = p.Height();
    baseline = static_cast<float>(scaleMode == 0 ? p.top + h / 8.0 : p.bottom - h / 8.0);
    unitsToPixels = unitsPerDiv > 0.0 ? static_cast<float>(h / (8.0 * unitsPerDiv)) : 0.0f;
}

int SpectrumMapper::X(int k) const {
    const int x = static_cast<int>(static_cast<float>(plot.left) + static_cast<float>(k) * step);
    return std::clamp(x, plot.left, plot.right);
}

int SpectrumMapper::Y(double value) const {
    const double y = baseline - unitsToPixels * value;
    const double clamped = std::clamp(y, static_cast<double>(plot.top), static_cast<double>(plot.bottom));
    return static_cast<int>(clamped);
}

std::uint32_t ScaleColour(std::uint32_t colour, int intensity) {
    const int k = ClampToByte(intensity);
    const auto scale = [&](int shift) {
        const std::uint32_t c = (colour >> shift) & 0xFFu;
        return (c * static_cast<std::uint32_t>(k) / 255u) << shift;
    };
    return scale(16) | scale(8) | scale(0);
}

int ClampToByte(int value) {
    return std::clamp(value, 0, 255);
}

} // namespace tarnix
