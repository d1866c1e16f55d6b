// The layers of the screen's repaint as free functions over a QPainter and one small value of paint
// parameters, so the screen, the tests and the benchmarks draw through the same code.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "display/screen_geometry.h"
#include "display/screen_host.h"
#include "display/trace_raster.h"

class QPainter;

namespace tarnix {

class CPersistHistory;

struct PaintParams {
    int clientWidth = 0;
    int clientHeight = 0;
    ScreenGeometry geometry;
    bool fullScreen = false;
    bool gridOn = true;
    int gridIntensity = 200;
    int waveIntensity = 255;
    int dotsMode = 0; // 0 Vectors, 1 Dots
    bool running = true;
    bool persistenceOn = false;
    // The painter of the pixel layers (border, graticule, frame, cursor lines) and the raster of the
    // traces address device pixels; the other layers draw in logical pixels through a scaled painter.
    DeviceScale scale;
    // Set for a vector picture: the traces go to this painter as polylines instead of into pixels.
    QPainter* vector = nullptr;
};

inline QColor ToQColor(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
}
inline std::uint32_t FromQColor(const QColor& c) {
    return static_cast<std::uint32_t>(c.rgb()) & 0x00FFFFFFu;
}

// A font by face, cell height in pixels (as the instrument's screen states it) and weight.
QFont ScreenFont(const QString& family, int cellHeight, int weight = 400, bool italic = false);
// Text with its cell's top-left corner at (x, y), kept inside the cell.
void DrawTextAt(QPainter& p, int x, int y, const QString& text);
inline QRect TextCell(int x, int y) {
    return QRect(x, y, 400, 60);
}

// A horizontal or vertical line from a towards b, b itself not covered, `width` pixels wide (to the
// right of a vertical line, below a horizontal one).
void DrawAxisLine(QPainter& p, int x0, int y0, int x1, int y1, const QColor& colour, int width = 1);
// The same line broken by a pattern of on and off lengths (in line widths), starting with "on".
void DrawPatternLine(QPainter& p, int x0, int y0, int x1, int y1, const QColor& colour, int width,
                     std::initializer_list<int> pattern);

// Grey border and black background, the background straight into pixels when they are given. False
// (nothing drawn) when the plot rectangle is all zero.
bool PaintBorder(QPainter& p, const PaintParams& params, const RasterTarget* pixels = nullptr);
// Axes, ticks and (grid on) dots. False (nothing drawn) when the plot rectangle is all zero.
bool PaintGraticule(QPainter& p, const PaintParams& params);
// The white one-pixel frame around the plot.
void PaintFrame(QPainter& p, const PaintParams& params);

// One channel's trace and, while running, its persistence history, written straight into the raster.
// scratch is reused between calls so that drawing allocates nothing once it has grown.
void PaintTrace(const RasterTarget& target, const PaintParams& params, const TraceView& trace, int channel,
                std::uint32_t channelColour, const CPersistHistory* history,
                std::vector<RasterPoint>& scratch);
// The X-Y figure from the processed records of CH1 (x) and CH2 (y), always as cyan dots.
void PaintXY(const RasterTarget& target, const PaintParams& params, const XYRecordView& record,
             std::vector<RasterPoint>& scratch);
// The FFT spectrum trace.
void PaintSpectrum(const RasterTarget& target, const PaintParams& params, const SpectrumView& spectrum,
                   std::vector<RasterPoint>& scratch);

// Everything a frame's traces are drawn from, read from the host on the painting thread so that the
// drawing itself may run on any thread while that thread waits.
struct TraceLayer {
    bool xy = false;
    XYRecordView xyRecord;
    SpectrumView spectrum;
    std::array<bool, kChannelCount> enabled{};
    std::array<TraceView, kChannelCount> traces{};
    std::array<std::uint32_t, kChannelCount> colours{};
    const CPersistHistory* persistence = nullptr;
};
TraceLayer GatherTraceLayer(IScreenHost& host);
// The X-Y figure, or every enabled channel's trace (with the spectrum over each), in channel order.
void PaintTraces(const RasterTarget& target, const PaintParams& params, const TraceLayer& layer,
                 std::vector<RasterPoint>& scratch);

} // namespace tarnix
