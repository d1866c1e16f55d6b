#include "display/wave_render.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "acquisition/persist_history.h"

namespace tarnix {

QFont ScreenFont(const QString& family, int cellHeight, int weight, bool italic) {
    QFont font(family);
    // A cell height includes the internal leading; the em of Arial is about 1/1.15 of it.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(cellHeight / 1.15))));
    font.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void DrawTextAt(QPainter& p, int x, int y, const QString& text) {
    p.drawText(QRect(x, y, 400, 60), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void DrawAxisLine(QPainter& p, int x0, int y0, int x1, int y1, const QColor& colour) {
    if (x0 == x1) {
        const int top = y1 >= y0 ? y0 : y1 + 1;
        const int len = std::abs(y1 - y0);
        if (len > 0) {
            p.fillRect(QRect(x0, top, 1, len), colour);
        }
    } else if (y0 == y1) {
        const int left = x1 >= x0 ? x0 : x1 + 1;
        const int len = std::abs(x1 - x0);
        if (len > 0) {
            p.fillRect(QRect(left, y0, len, 1), colour);
        }
    }
}

bool PaintBorder(QPainter& p, const PaintParams& params, const RasterTarget* pixels) {
    if (params.geometry.plot.IsNull()) {
        return false;
    }
    const BorderRects r = ComputeBorderRects(params.clientWidth, params.clientHeight, params.geometry.marginX,
                                             params.geometry.marginY);
    const QColor grey(50, 50, 50);
    for (const FillRect& b : r.border) {
        if (b.width > 0 && b.height > 0) {
            p.fillRect(QRect(b.x, b.y, b.width, b.height), grey);
        }
    }
    if (r.background.width > 0 && r.background.height > 0) {
        if (pixels != nullptr && pixels->Valid()) {
            RasterFill(*pixels, r.background.x, r.background.y, r.background.width, r.background.height, 0);
        } else {
            p.fillRect(QRect(r.background.x, r.background.y, r.background.width, r.background.height),
                       Qt::black);
        }
    }
    return true;
}

bool PaintGraticule(QPainter& p, const PaintParams& params) {
    const PlotRect& plot = params.geometry.plot;
    if (plot.IsNull()) {
        return false;
    }
    const int g = ClampToByte(params.gridIntensity);
    const QColor colour(g, g, g);
    const TickLengths ticks = ComputeTickLengths(plot.Width(), plot.Height());
    const GraticulePositions pos = ComputeGraticulePositions(plot);
    const int L = plot.left;
    const int T = plot.top;
    const int R = plot.right;
    const int B = plot.bottom;
    const auto trunc = [](float v) { return static_cast<int>(v); };
    const int minor = trunc(ticks.minor);
    const int major = trunc(ticks.major);
    const int centreX = pos.columnX[25];
    const int centreY = pos.rowY[16];

    QPoint dots[49 * 31];
    int dotCount = 0;

    for (int i = 1; i <= 49; ++i) {
        const int x = pos.columnX[static_cast<std::size_t>(i)];
        if (i == 25) {
            DrawAxisLine(p, x, T, x, B, colour);
        } else if (i % 5 == 0) {
            DrawAxisLine(p, x, T, x, trunc(static_cast<float>(T) + ticks.major), colour);
            DrawAxisLine(p, x, B, x, trunc(static_cast<float>(B) - ticks.major), colour);
            if (params.gridOn) {
                for (int k = 1; k <= 31; ++k) {
                    dots[dotCount++] = QPoint(x, pos.rowY[static_cast<std::size_t>(k)]);
                }
            }
        } else {
            DrawAxisLine(p, x, T, x, trunc(static_cast<float>(T) + ticks.minor), colour);
            DrawAxisLine(p, x, B, x, trunc(static_cast<float>(B) - ticks.minor), colour);
        }
        DrawAxisLine(p, x, centreY, x, centreY + minor + 1, colour);
        DrawAxisLine(p, x, centreY, x, centreY - minor, colour);
    }
    for (int j = 1; j <= 31; ++j) {
        const int y = pos.rowY[static_cast<std::size_t>(j)];
        if (j == 16) {
            DrawAxisLine(p, L, y, R, y, colour);
        } else if (j % 4 == 0) {
            DrawAxisLine(p, L, y, L + major, y, colour);
            DrawAxisLine(p, R, y, R - major, y, colour);
            if (params.gridOn) {
                for (int k = 1; k <= 49; ++k) {
                    dots[dotCount++] = QPoint(pos.columnX[static_cast<std::size_t>(k)], y);
                }
            }
        } else {
            DrawAxisLine(p, L, y, L + minor, y, colour);
            DrawAxisLine(p, R, y, R - minor, y, colour);
        }
        DrawAxisLine(p, centreX, y, centreX + minor + 1, y, colour);
        DrawAxisLine(p, centreX, y, centreX - minor, y, colour);
    }
    if (dotCount > 0) {
        p.setPen(QPen(colour, 1));
        p.drawPoints(dots, dotCount);
    }
    return true;
}

void PaintFrame(QPainter& p, const PaintParams& params) {
    const int mx = params.geometry.marginX;
    const int my = params.geometry.marginY;
    const int wc = params.clientWidth;
    const int hc = params.clientHeight;
    const QColor white(255, 255, 255);
    DrawAxisLine(p, mx, my, wc - mx, my, white);
    DrawAxisLine(p, wc - mx, my, wc - mx, hc - my, white);
    DrawAxisLine(p, wc - mx, hc - my, mx, hc - my, white);
    DrawAxisLine(p, mx, hc - my, mx, my, white);
}

namespace {

void Dots(const RasterTarget& target, const TraceMapper& map, const std::int16_t* points,
          std::uint32_t colour, std::vector<RasterPoint>& scratch) {
    scratch.clear();
    for (int i = 0; i < kPersistPoints; ++i) {
        scratch.push_back(RasterPoint{map.X(i), map.Y(points[i])});
    }
    RasterPoints(target, scratch.data(), static_cast<int>(scratch.size()), colour);
}

void Polyline(const RasterTarget& target, std::uint32_t colour, const std::vector<RasterPoint>& scratch) {
    RasterPolyline(target, scratch.data(), static_cast<int>(scratch.size()), colour);
}

} // namespace

void PaintTrace(const RasterTarget& target, const PaintParams& params, const TraceView& trace, int channel,
                std::uint32_t channelColour, const CPersistHistory* history,
                std::vector<RasterPoint>& scratch) {
    if (trace.points == nullptr) {
        return;
    }
    const TraceMapper map(params.geometry.plot);
    const bool scaled = channel == kCh1 || channel == kCh2;
    const std::uint32_t colour = scaled ? ScaleColour(channelColour, params.waveIntensity) : channelColour;
    const int first = std::clamp(trace.firstIndex, 0, kPersistPoints - 1);
    const int last = std::clamp(trace.lastIndex, first, kPersistPoints - 1);
    scratch.reserve(kPersistPoints);

    if (!params.running || channel == kRef) {
        if (params.dotsMode == 1 || trace.pointCount < kPersistPoints) {
            Dots(target, map, trace.points, colour, scratch);
        } else {
            // A negative level is a column without data: the line bridges it to the next valid point.
            scratch.clear();
            scratch.push_back(RasterPoint{map.X(first), map.Y(trace.points[first])});
            for (int i = first + 1; i <= last; ++i) {
                if (trace.points[i] >= 0) {
                    scratch.push_back(RasterPoint{map.X(i), map.Y(trace.points[i])});
                }
            }
            Polyline(target, colour, scratch);
        }
        return;
    }

    const int entries = history != nullptr ? history->PersistCount(channel) : 0;
    if (params.dotsMode == 1) {
        Dots(target, map, trace.points, colour, scratch);
        for (int k = 0; k < entries; ++k) {
            const PersistFrame& e = history->Entry(channel, k);
            Dots(target, map, e.points.data(), ScaleColour(e.colour, params.waveIntensity), scratch);
        }
        return;
    }
    scratch.clear();
    for (int i = first; i <= last; ++i) {
        scratch.push_back(RasterPoint{map.X(i), map.Y(trace.points[i])});
    }
    Polyline(target, colour, scratch);
    if (!params.persistenceOn) {
        return;
    }
    for (int k = 0; k < entries; ++k) {
        const PersistFrame& e = history->Entry(channel, k);
        scratch.clear();
        for (int i = 0; i < kPersistPoints; ++i) {
            scratch.push_back(RasterPoint{map.X(i), map.Y(e.points[static_cast<std::size_t>(i)])});
        }
        Polyline(target, ScaleColour(e.colour, params.waveIntensity), scratch);
    }
}

void PaintXY(const RasterTarget& target, const PaintParams& params, const XYRecordView& record,
             std::vector<RasterPoint>& scratch) {
    if (record.ch1 == nullptr || record.ch2 == nullptr || record.length <= 0) {
        return;
    }
    const XYMapper map(params.geometry.plot);
    // Large records are drawn in chunks so the scratch buffer keeps its size.
    constexpr int kChunk = 8192;
    for (int start = 0; start < record.length; start += kChunk) {
        const int end = std::min(record.length, start + kChunk);
        scratch.clear();
        for (int j = start; j < end; ++j) {
            scratch.push_back(RasterPoint{map.X(record.ch1[j]), map.Y(record.ch2[j])});
        }
        RasterPoints(target, scratch.data(), static_cast<int>(scratch.size()), Rgb(0, 255, 255));
    }
}

void PaintSpectrum(const RasterTarget& target, const PaintParams& params, const SpectrumView& spectrum,
                   std::vector<RasterPoint>& scratch) {
    if (!spectrum.displayOn || spectrum.values == nullptr || spectrum.pointCount <= 0) {
        return;
    }
    const SpectrumMapper map(params.geometry.plot, spectrum.pointCount, spectrum.zoom, spectrum.unitsPerDiv,
                             spectrum.scaleMode);
    scratch.clear();
    for (int k = 0; k < spectrum.pointCount; ++k) {
        scratch.push_back(RasterPoint{map.X(k), map.Y(spectrum.values[k])});
    }
    Polyline(target, Rgb(128, 0, 255), scratch);
}

} // namespace tarnix
