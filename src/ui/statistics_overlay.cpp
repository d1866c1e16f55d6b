#include "ui/statistics_overlay.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "analysis/measure_set.h"
#include "datalog/statistics_table.h"
#include "display/screen_geometry.h"
#include "display/wave_render.h"

namespace tarnix {

namespace {

constexpr std::uint32_t kHeaderColour = 0xC0C0C0;
constexpr int kColumnGap = 12;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void PaintStatisticsTable(QPainter& painter, const PlotRect& plot, const CMeasureStatistics& statistics,
                          const std::array<std::uint32_t, 3>& colours) {
    const std::vector<StatisticsRow> rows = StatisticsRows(statistics);
    if (rows.empty()) {
        return;
    }
    const int w = plot.Width();
    const int h = plot.Height();
    const int band = h / 8 + 2 * (h / 15);
    const int lines = static_cast<int>(rows.size()) + 1;
    const QString face =
        QString::fromLatin1(kMeasureFontFace.data(), static_cast<qsizetype>(kMeasureFontFace.size()));
    QFont font = ScreenFont(face, kMeasureFontHeight, kMeasureFontWeight);
    int lineHeight = QFontMetrics(font).height();
    if (lineHeight * lines > band) {
        font = ScreenFont(face, std::max(6, band / lines - 1), kMeasureFontWeight);
        lineHeight = std::max(1, band / lines);
    }
    painter.setFont(font);
    const QFontMetrics metrics(font);

    std::array<int, kStatisticsColumns> widths{};
    for (int c = 0; c < kStatisticsColumns; ++c) {
        widths[c] = metrics.horizontalAdvance(Q(StatisticsHeader()[c]));
        for (const StatisticsRow& row : rows) {
            widths[c] = std::max(widths[c], metrics.horizontalAdvance(Q(row.cells[c])));
        }
    }
    const auto drawRow = [&](int line, const std::array<std::string, kStatisticsColumns>& cells,
                             std::uint32_t rgb) {
        painter.setPen(ToQColor(rgb));
        int x = plot.left + w / 8;
        const int y = plot.bottom - (lines - line) * lineHeight - 2;
        for (int c = 0; c < kStatisticsColumns; ++c) {
            DrawTextAt(painter, x, y, Q(cells[c]));
            x += widths[c] + kColumnGap;
        }
    };
    drawRow(0, StatisticsHeader(), kHeaderColour);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        drawRow(static_cast<int>(i) + 1, rows[i].cells,
                colours[static_cast<std::size_t>(rows[i].source) % 3]);
    }
}

} // namespace tarnix
