// Pure cursor geometry and readout texts: the differences between the two cursor points, the trace
// index under point B, and the status-bar texts with their unit rules.
#pragma once

#include <string>

#include "display/marker_geometry.h"
#include "display/screen_geometry.h"

namespace tarnix {

enum CursorType : int {
    kCursorNone = 0,
    kCursorCross = 1,
    kCursorTrace = 2,
    kCursorVertical = 3,
    kCursorHorizontal = 4
};
enum CursorSource : int { kCursorSrcCh1 = 0, kCursorSrcCh2 = 1, kCursorSrcMath = 2, kCursorSrcFft = 6 };

// Seconds between A and B: (S x 10 / (W - 1)) x |B.x - A.x|.
double CursorDeltaTime(double secondsPerDiv, int plotWidth, int ax, int bx);
// Volts between A and B: (D x 8 / H) x (B.y - A.y); positive when B is below A.
double CursorDeltaVolts(double voltsPerDiv, int plotHeight, int ay, int by);

std::string FormatFreqReadout(double hertz);
std::string FormatTimeReadout(double seconds);
std::string FormatVoltDeltaReadout(double volts);
std::string FormatTraceVoltReadout(double volts);
// dB mode (0): "%.2f dB"; Linear (1): the volt-delta units applied to the value itself.
std::string FormatSpectrumLevelReadout(double value, int scaleMode);

// Display-trace index under x: trunc(|x - L| / W x 5000), 5000 read as 4999; -1 when out of range.
int TraceCursorIndex(const PlotRect& plot, int x);
// Crosshair column for a trace index (W/5000 per index, unlike the trace's W/4999).
int TraceCursorX(const PlotRect& plot, int index);
// Spectrum point under x for N points at zoom Z, and its column; -1 when out of range.
int SpectrumCursorIndex(const PlotRect& plot, int x, int pointCount, int zoom);
int SpectrumCursorX(const PlotRect& plot, int index, int pointCount, int zoom);

// Cursor points are clamped into [L + 1, R - 1] x [T + 1, B - 1] before drawing.
Pt ClampCursorPoint(const PlotRect& plot, Pt p);

// The Trace crosshair: a 21-pixel horizontal segment, a full-height line, and a 9 x 9 box at the
// trace point, all clamped inside the plot.
struct Crosshair {
    Pt segmentFrom;
    Pt segmentTo;
    Pt lineFrom;
    Pt lineTo;
    Pt boxTopLeft;
    Pt boxBottomRight;
};
Crosshair ComputeCrosshair(const PlotRect& plot, int x, int y);

// Which texts go to the three readout panes.
enum class ReadoutKind { kEmpty, kFreq, kTime, kVoltDelta, kTraceVolt, kSpectrumFreq, kSpectrumLevel };
struct ReadoutPanes {
    ReadoutKind pane[3] = {ReadoutKind::kEmpty, ReadoutKind::kEmpty, ReadoutKind::kEmpty};
};
ReadoutPanes ReadoutPanesFor(int cursorType, int cursorSource);

} // namespace tarnix
