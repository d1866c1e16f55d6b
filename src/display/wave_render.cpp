#include "display/wave_render.h"

#include <QPainter>
#include <QPen>
#include <QPolygonF>
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
    p.drawText(TextCell(x, y), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void DrawAxisLine(QPainter& p, int x0, int y0, int x1, int y1, const QColor& colour, int width) {
    if (x0 == x1) {
        const int top = y1 >= y0 ? y0 : y1 + 1;
        const int len = std::abs(y1 - y0);
        if (len > 0) {
            p.fillRect(QRect(x0, top, width, len), colour);
        }
    } else if (y0 == y1) {
        const int left = x1 >= x0 ? x0 : x1 + 1;
        const int len = std::abs(x1 - x0);
        if (len > 0) {
            p.fillRect(QRect(left, y0, len, width), colour);
        }
    }
}

void DrawPatternLine(QPainter& p, int x0, int y0, int x1, int y1, const QColor& colour, int width,
                     std::initializer_list<int> pattern) {
    const bool vertical = x0 == x1;
    if (!vertical && y0 != y1) {
        return;
    }
    const int from = vertical ? std::min(y0, y1) : std::min(x0, x1);
    const int to = vertical ? std::max(y0, y1) : std::max(x0, x1);
    int at = from;
    bool on = true;
    while (at < to) {
        for (int units : pattern) {
            const int len = std::min(units * width, to - at);
            if (on && len > 0) {
                p.fillRect(vertical ? QRect(x0, at, width, len) : QRect(at, y0, len, width), colour);
            }
            at += len;
            on = !on;
            if (at >= to) {
                break;
            }
        }
    }
}

bool PaintBorder(QPainter& p, const PaintParams& params, const RasterTarget* pixels) {
    if (params.geometry.plot.IsNull()) {
        return false;
    }
    const BorderRects r = ComputeBorderRects(params.clientWidth, params.clientHeight, params.geometry.marginX,
                                             params.geometry.marginY);
    const DeviceScale& d = params.scale;
    const auto device = [&](const FillRect& b) {
        return QRect(QPoint(d.Pos(b.x), d.Pos(b.y)),
                     QPoint(d.Pos(b.x + b.width) - 1, d.Pos(b.y + b.height) - 1));
    };
    const QColor grey(50, 50, 50);
    for (const FillRect& b : r.border) {
        if (b.width > 0 && b.height > 0) {
            p.fillRect(device(b), grey);
        }
    }
    if (r.background.width > 0 && r.background.height > 0) {
        const QRect back = device(r.background);
        if (pixels != nullptr && pixels->Valid()) {
            RasterFill(*pixels, back.x(), back.y(), back.width(), back.height(), 0);
        } else {
            p.fillRect(back, Qt::black);
        }
    }
    return true;
}

bool PaintGraticule(QPainter& p, const PaintParams& params) {
    if (params.geometry.plot.IsNull()) {
        return false;
    }
    // Positions come from the plot at device pixels, so a division stays a tenth of the plot to the
    // device pixel; the tick lengths follow the logical plot's size rules and grow with the ratio.
    const DeviceScale& d = params.scale;
    const PlotRect plot = d.Plot(params.geometry.plot);
    const int w = d.Line();
    const int g = ClampToByte(params.gridIntensity);
    const QColor colour(g, g, g);
    const TickLengths logical =
        ComputeTickLengths(params.geometry.plot.Width(), params.geometry.plot.Height());
    const TickLengths ticks{d.Length(logical.minor), d.Length(logical.major)};
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

    QRect dots[49 * 31];
    int dotCount = 0;
    const auto line = [&](int x0, int y0, int x1, int y1) { DrawAxisLine(p, x0, y0, x1, y1, colour, w); };

    for (int i = 1; i <= 49; ++i) {
        const int x = pos.columnX[static_cast<std::size_t>(i)];
        if (i == 25) {
            line(x, T, x, B);
        } else if (i % 5 == 0) {
            line(x, T, x, trunc(static_cast<float>(T) + ticks.major));
            line(x, B, x, trunc(static_cast<float>(B) - ticks.major));
            if (params.gridOn) {
                for (int k = 1; k <= 31; ++k) {
                    dots[dotCount++] = QRect(x, pos.rowY[static_cast<std::size_t>(k)], w, w);
                }
            }
        } else {
            line(x, T, x, trunc(static_cast<float>(T) + ticks.minor));
            line(x, B, x, trunc(static_cast<float>(B) - ticks.minor));
        }
        line(x, centreY, x, centreY + minor + w);
        line(x, centreY, x, centreY - minor);
    }
    for (int j = 1; j <= 31; ++j) {
        const int y = pos.rowY[static_cast<std::size_t>(j)];
        if (j == 16) {
            line(L, y, R, y);
        } else if (j % 4 == 0) {
            line(L, y, L + major, y);
            line(R, y, R - major, y);
            if (params.gridOn) {
                for (int k = 1; k <= 49; ++k) {
                    dots[dotCount++] = QRect(pos.columnX[static_cast<std::size_t>(k)], y, w, w);
                }
            }
        } else {
            line(L, y, L + minor, y);
            line(R, y, R - minor, y);
        }
        line(centreX, y, centreX + minor + w, y);
        line(centreX, y, centreX - minor, y);
    }
    if (dotCount > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRects(dots, dotCount);
        p.setBrush(Qt::NoBrush);
    }
    return true;
}

void PaintFrame(QPainter& p, const PaintParams& params) {
    const DeviceScale& d = params.scale;
    const int w = d.Line();
    const int left = d.Pos(params.geometry.marginX);
    const int top = d.Pos(params.geometry.marginY);
    const int right = d.Pos(params.clientWidth - params.geometry.marginX);
    const int bottom = d.Pos(params.clientHeight - params.geometry.marginY);
    const QColor white(255, 255, 255);
    p.fillRect(QRect(left, top, right - left + w, w), white);
    p.fillRect(QRect(left, bottom, right - left + w, w), white);
    p.fillRect(QRect(left, top, w, bottom - top + w), white);
    p.fillRect(QRect(right, top, w, bottom - top + w), white);
}

namespace {

void Points(const RasterTarget& target, const PaintParams& params, const std::vector<RasterPoint>& points,
            std::uint32_t colour) {
    if (params.vector != nullptr) {
        QPainter& p = *params.vector;
        p.setPen(Qt::NoPen);
        p.setBrush(ToQColor(colour));
        for (const RasterPoint& at : points) {
            p.drawRect(QRectF(at.x, at.y, 1, 1));
        }
        p.setBrush(Qt::NoBrush);
        return;
    }
    RasterPoints(target, points.data(), static_cast<int>(points.size()), colour);
}

void Dots(const RasterTarget& target, const PaintParams& params, const TraceMapper& map,
          const std::int16_t* points, std::uint32_t colour, std::vector<RasterPoint>& scratch) {
    scratch.clear();
    for (int i = 0; i < kPersistPoints; ++i) {
        scratch.push_back(RasterPoint{map.X(i), map.Y(points[i])});
    }
    Points(target, params, scratch, colour);
}

void Polyline(const RasterTarget& target, const PaintParams& params, std::uint32_t colour,
              const std::vector<RasterPoint>& scratch) {
    if (params.vector != nullptr) {
        // Through the middle of the pixels the raster would set, so a renderer draws the same ones.
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(scratch.size()));
        for (const RasterPoint& at : scratch) {
            line << QPointF(at.x + 0.5, at.y + 0.5);
        }
        QPen pen(ToQColor(colour), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        params.vector->setPen(pen);
        params.vector->setBrush(Qt::NoBrush);
        params.vector->drawPolyline(line);
        return;
    }
    RasterPolyline(target, scratch.data(), static_cast<int>(scratch.size()), colour);
}

} // namespace

void PaintTrace(const RasterTarget& target, const PaintParams& params, const TraceView& trace, int channel,
                std::uint32_t channelColour, const CPersistHistory* history,
                std::vector<RasterPoint>& scratch) {
    if (trace.points == nullptr) {
        return;
    }
    const TraceMapper map(params.scale.Plot(params.geometry.plot));
    const bool scaled = channel == kCh1 || channel == kCh2;
    const std::uint32_t colour = scaled ? ScaleColour(channelColour, params.waveIntensity) : channelColour;
    const int first = std::clamp(trace.firstIndex, 0, kPersistPoints - 1);
    const int last = std::clamp(trace.lastIndex, first, kPersistPoints - 1);
    scratch.reserve(kPersistPoints);

    if (!params.running || channel == kRef) {
        if (params.dotsMode == 1 || trace.pointCount < kPersistPoints) {
            Dots(target, params, map, trace.points, colour, scratch);
        } else {
            // A negative level is a column without data: the line bridges it to the next valid point.
            scratch.clear();
            scratch.push_back(RasterPoint{map.X(first), map.Y(trace.points[first])});
            for (int i = first + 1; i <= last; ++i) {
                if (trace.points[i] >= 0) {
                    scratch.push_back(RasterPoint{map.X(i), map.Y(trace.points[i])});
                }
            }
            Polyline(target, params, colour, scratch);
        }
        return;
    }

    const int entries = history != nullptr ? history->PersistCount(channel) : 0;
    if (params.dotsMode == 1) {
        Dots(target, params, map, trace.points, colour, scratch);
        for (int k = 0; k < entries; ++k) {
            const PersistFrame& e = history->Entry(channel, k);
            Dots(target, params, map, e.points.data(), ScaleColour(e.colour, params.waveIntensity), scratch);
        }
        return;
    }
    scratch.clear();
    for (int i = first; i <= last; ++i) {
        scratch.push_back(RasterPoint{map.X(i), map.Y(trace.points[i])});
    }
    Polyline(target, params, colour, scratch);
    if (!params.persistenceOn) {
        return;
    }
    for (int k = 0; k < entries; ++k) {
        const PersistFrame& e = history->Entry(channel, k);
        scratch.clear();
        for (int i = 0; i < kPersistPoints; ++i) {
            scratch.push_back(RasterPoint{map.X(i), map.Y(e.points[static_cast<std::size_t>(i)])});
        }
        Polyline(target, params, ScaleColour(e.colour, params.waveIntensity), scratch);
    }
}

void PaintXY(const RasterTarget& target, const PaintParams& params, const XYRecordView& record,
             std::vector<RasterPoint>& scratch) {
    if (record.ch1 == nullptr || record.ch2 == nullptr || record.length <= 0) {
        return;
    }
    const XYMapper map(params.scale.Plot(params.geometry.plot));
    // Large records are drawn in chunks so the scratch buffer keeps its size.
    constexpr int kChunk = 8192;
    for (int start = 0; start < record.length; start += kChunk) {
        const int end = std::min(record.length, start + kChunk);
        scratch.clear();
        for (int j = start; j < end; ++j) {
            scratch.push_back(RasterPoint{map.X(record.ch1[j]), map.Y(record.ch2[j])});
        }
        Points(target, params, scratch, Rgb(0, 255, 255));
    }
}

void PaintSpectrum(const RasterTarget& target, const PaintParams& params, const SpectrumView& spectrum,
                   std::vector<RasterPoint>& scratch) {
    if (!spectrum.displayOn || spectrum.values == nullptr || spectrum.pointCount <= 0) {
        return;
    }
    const SpectrumMapper map(params.scale.Plot(params.geometry.plot), spectrum.pointCount, spectrum.zoom,
                             spectrum.unitsPerDiv, spectrum.scaleMode);
    scratch.clear();
    for (int k = 0; k < spectrum.pointCount; ++k) {
        scratch.push_back(RasterPoint{map.X(k), map.Y(spectrum.values[k])});
    }
    Polyline(target, params, Rgb(128, 0, 255), scratch);
}

TraceLayer GatherTraceLayer(IScreenHost& host) {
    TraceLayer layer;
    const InstrumentSettings& s = host.Settings();
    layer.xy = s.timebase.displayFormat == kFormatXY;
    if (layer.xy) {
        layer.xyRecord = host.XYRecord();
        return layer;
    }
    layer.spectrum = host.Spectrum();
    layer.persistence = host.Persistence();
    for (int ch = kCh1; ch < kChannelCount; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        layer.enabled[i] = s.ch(ch).enabled != 0;
        if (layer.enabled[i]) {
            layer.traces[i] = host.Trace(ch);
            layer.colours[i] = s.ch(ch).colour;
        }
    }
    return layer;
}

void PaintTraces(const RasterTarget& target, const PaintParams& params, const TraceLayer& layer,
                 std::vector<RasterPoint>& scratch) {
    if (layer.xy) {
        PaintXY(target, params, layer.xyRecord, scratch);
        return;
    }
    for (int ch = kCh1; ch < kChannelCount; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        if (!layer.enabled[i]) {
            continue;
        }
        PaintTrace(target, params, layer.traces[i], ch, layer.colours[i], layer.persistence, scratch);
        if (layer.spectrum.displayOn) {
            PaintSpectrum(target, params, layer.spectrum, scratch);
        }
    }
}

} // namespace tarnix
