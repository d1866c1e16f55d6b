#include "display/trend_painter.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "display/wave_render.h"

namespace tarnix {

namespace {

constexpr int kLabelHeight = 16;
constexpr std::uint32_t kFrameColour = 0x808080;
constexpr std::uint32_t kLimitColour = 0xFF4040;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void PaintTrend(QPainter& painter, const QRect& area, const CTrendSeries& series,
                const std::array<std::uint32_t, 3>& colours, const TrendTexts& texts) {
    painter.fillRect(area, Qt::black);
    const auto& columns = series.Columns();
    if (columns.empty()) {
        return;
    }
    painter.setFont(ScreenFont(QStringLiteral("Arial"), 13));
    const int strips = static_cast<int>(columns.size());
    const int stripHeight = area.height() / strips;
    const int width = std::max(1, area.width() - 2);
    std::vector<TrendColumn> envelope(static_cast<std::size_t>(width));
    QPolygon outline;
    outline.reserve(4 * width);
    for (int s = 0; s < strips; ++s) {
        const LogColumn& column = columns[static_cast<std::size_t>(s)];
        const QRect strip(area.left(), area.top() + s * stripHeight, area.width(), stripHeight);
        const QRect plot = strip.adjusted(1, kLabelHeight, -1, -2);
        painter.setPen(ToQColor(kFrameColour));
        painter.drawRect(strip.adjusted(0, 0, -1, -1));
        const QColor colour = ToQColor(colours[static_cast<std::size_t>(column.item.source) % 3]);
        // The scale spans the values and the limits, with a little room above and below.
        double low = column.limits.low.value_or(std::numeric_limits<double>::infinity());
        double high = column.limits.high.value_or(-std::numeric_limits<double>::infinity());
        if (const auto range = series.Range(static_cast<std::size_t>(s))) {
            low = std::min(low, range->first);
            high = std::max(high, range->second);
        }
        const auto i = static_cast<std::size_t>(s);
        QString label = (i < texts.names.size() ? texts.names[i] : Q(ItemName(column.item))) +
                        Q(" (" + std::string(ItemUnit(column.item)) + ")");
        painter.setPen(colour);
        if (!(low <= high) || plot.height() < 2) {
            DrawTextAt(painter, strip.left() + 4, strip.top() + 1,
                       label + QStringLiteral("  ") + texts.noValues);
            continue;
        }
        const double margin = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 1e-12);
        low -= margin;
        high += margin;
        label +=
            QStringLiteral("  %1 .. %2").arg(QString::number(low, 'g', 4), QString::number(high, 'g', 4));
        DrawTextAt(painter, strip.left() + 4, strip.top() + 1, label);
        const auto y = [&](double v) {
            return plot.bottom() - static_cast<int>((v - low) / (high - low) * (plot.height() - 1));
        };
        series.Envelope(static_cast<std::size_t>(s), envelope);
        // Each run of columns with values is one filled outline (tops left to right, bottoms back): the
        // fill runs along rows, which is far cheaper than a vertical line per column.
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        for (int x = 0; x < width && x < plot.width();) {
            if (!envelope[static_cast<std::size_t>(x)].any) {
                ++x;
                continue;
            }
            int end = x;
            while (end < width && end < plot.width() && envelope[static_cast<std::size_t>(end)].any) {
                ++end;
            }
            outline.clear();
            for (int i = x; i < end; ++i) {
                const int top = y(envelope[static_cast<std::size_t>(i)].max);
                outline.append(QPoint(plot.left() + i, top));
                outline.append(QPoint(plot.left() + i + 1, top));
            }
            for (int i = end - 1; i >= x; --i) {
                const int bottom = y(envelope[static_cast<std::size_t>(i)].min) + 1;
                outline.append(QPoint(plot.left() + i + 1, bottom));
                outline.append(QPoint(plot.left() + i, bottom));
            }
            painter.drawPolygon(outline);
            x = end;
        }
        painter.setBrush(Qt::NoBrush);
        // A line through the columns' middles joins rows that lie further apart than a pixel.
        outline.clear();
        for (int x = 0; x < width && x < plot.width(); ++x) {
            const TrendColumn& c = envelope[static_cast<std::size_t>(x)];
            if (c.any) {
                outline.append(QPoint(plot.left() + x, y((c.min + c.max) / 2.0)));
            }
        }
        painter.setPen(colour);
        painter.drawPolyline(outline);
        painter.setPen(QPen(ToQColor(kLimitColour), 1, Qt::DashLine));
        for (const std::optional<double>& limit : {column.limits.low, column.limits.high}) {
            if (limit) {
                painter.drawLine(plot.left(), y(*limit), plot.right(), y(*limit));
            }
        }
    }
}

} // namespace tarnix
