#include "display/cursor_readouts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarnix {

namespace {

std::string Print(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

double CursorDeltaTime(double secondsPerDiv, int plotWidth, int ax, int bx) {
    if (plotWidth <= 1) {
        return 0.0;
    }
    return secondsPerDiv * 10.0 / (plotWidth - 1) * std::abs(bx - ax);
}

double CursorDeltaVolts(double voltsPerDiv, int plotHeight, int ay, int by) {
    if (plotHeight <= 0) {
        return 0.0;
    }
    return voltsPerDiv * 8.0 / plotHeight * (by - ay);
}

std::string FormatFreqReadout(double f) {
    if (f >= 1e9) {
        return Print("Freq = %.3f GHz", f * 1e-9);
    }
    if (f >= 1e6) {
        return Print("Freq = %.3f MHz", f * 1e-6);
    }
    if (f >= 1000.0) {
        return Print("Freq = %.3f KHz", f * 0.001);
    }
    return Print("Freq = %.3f Hz", f);
}

std::string FormatTimeReadout(double t) {
    if (t > 0.0 && t < 1e-6) {
        return Print("Time = %.3f nS", t * 1e9);
    }
    if (t >= 1e-6 && t < 0.001) {
        return Print("Time = %.3f uS", t * 1e6);
    }
    if (t >= 0.001 && t < 1.0) {
        return Print("Time = %.3f mS", t * 1000.0);
    }
    return Print("Time = %.3f S", t);
}

std::string FormatVoltDeltaReadout(double v) {
    const double a = std::fabs(v);
    if (a > 0.0 && a < 0.001) {
        return Print("Volt = %.3f uV", v * 1e6);
    }
    if (a >= 0.001 && a < 1.0) {
        return Print("Volt = %.3f mV", v * 1000.0);
    }
    if (a >= 1.0 && a < 1000.0) {
        return Print("Volt = %.3f V", v);
    }
    return Print("Volt = %.3f kV", v * 0.001);
}

std::string FormatTraceVoltReadout(double v) {
    if (v > 0.0 && v < 0.001) {
        return Print("Volt = %.3f uV", v * 1e6);
    }
    if (v >= 0.001 && v < 1.0) {
        return Print("Volt = %.3f mV", v * 1000.0);
    }
    return Print("Volt = %.3f V", v);
}

std::string FormatSpectrumLevelReadout(double v, int scaleMode) {
    if (scaleMode == 0) {
        return Print("%.2f dB", v);
    }
    if (v > 0.0 && v < 0.001) {
        return Print("Volt = %.3f uV", v * 1e6);
    }
    if (v >= 0.001 && v < 1.0) {
        return Print("Volt = %.3f mV", v * 1000.0);
    }
    if (v >= 1.0 && v < 1000.0) {
        return Print("Volt = %.3f V", v);
    }
    return Print("Volt = %.3f kV", v * 0.001);
}

int TraceCursorIndex(const PlotRect& plot, int x) {
    const int w = plot.Width();
    if (w <= 0) {
        return -1;
    }
    const int n = static_cast<int>(static_cast<double>(std::abs(x - plot.left)) / w * 5000.0);
    if (n < 0 || n > 5000) {
        return -1;
    }
    return std::min(n, 4999);
}

int TraceCursorX(const PlotRect& plot, int index) {
    return static_cast<int>(plot.left + plot.Width() * 0.0002 * index);
}

int SpectrumCursorIndex(const PlotRect& plot, int x, int pointCount, int zoom) {
    const int visible = pointCount / std::max(zoom, 1);
    const int w = plot.Width();
    if (w <= 0 || visible <= 0) {
        return -1;
    }
    const int n = static_cast<int>(static_cast<double>(std::abs(x - plot.left)) / w * visible);
    return n < pointCount ? n : -1;
}

int SpectrumCursorX(const PlotRect& plot, int index, int pointCount, int zoom) {
    const int visible = pointCount / std::max(zoom, 1);
    if (visible <= 0) {
        return plot.left;
    }
    return static_cast<int>(plot.left + static_cast<double>(plot.Width()) / visible * index);
}

Pt ClampCursorPoint(const PlotRect& plot, Pt p) {
    return Pt{std::clamp(p.x, plot.left + 1, std::max(plot.left + 1, plot.right - 1)),
              std::clamp(p.y, plot.top + 1, std::max(plot.top + 1, plot.bottom - 1))};
}

Crosshair ComputeCrosshair(const PlotRect& plot, int x, int y) {
    const auto cx = [&](int v) {
        return std::clamp(v, plot.left + 1, std::max(plot.left + 1, plot.right - 1));
    };
    const auto cy = [&](int v) {
        return std::clamp(v, plot.top + 1, std::max(plot.top + 1, plot.bottom - 1));
    };
    Crosshair c;
    c.segmentFrom = Pt{cx(x - 10), cy(y)};
    c.segmentTo = Pt{cx(x + 10), cy(y)};
    c.lineFrom = Pt{x, plot.top + 1};
    c.lineTo = Pt{x, plot.bottom};
    c.boxTopLeft = Pt{cx(x - 4), cy(y - 4)};
    c.boxBottomRight = Pt{cx(x + 5), cy(y + 5)};
    return c;
}

ReadoutPanes ReadoutPanesFor(int type, int source) {
    ReadoutPanes p;
    if (source == kCursorSrcFft) {
        p.pane[0] = ReadoutKind::kSpectrumFreq;
        p.pane[2] = ReadoutKind::kSpectrumLevel;
        return p;
    }
    if (type == kCursorCross || type == kCursorVertical) {
        p.pane[0] = ReadoutKind::kFreq;
        p.pane[1] = ReadoutKind::kTime;
    }
    if (type == kCursorCross || type == kCursorHorizontal) {
        p.pane[2] = ReadoutKind::kVoltDelta;
    } else if (type == kCursorTrace) {
        p.pane[2] = ReadoutKind::kTraceVolt;
    }
    return p;
}

} // namespace tarnix
