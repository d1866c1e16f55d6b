#include "ui/statistics_overlay.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <numeric>

#include "analysis/measure_set.h"
#include "datalog/measure_item.h"
#include "datalog/statistics_table.h"
#include "display/screen_geometry.h"
#include "display/wave_render.h"
#include "language/command_ids.h"
#include "language/datalog_texts.h"
#include "language/language_table.h"

namespace tarnix {

namespace {

constexpr std::uint32_t kHeaderColour = 0xC0C0C0;
constexpr int kMinFontHeight = 6;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

using Cells = std::array<QString, kStatisticsColumns>;

} // namespace

std::string ItemTitle(const CLanguageTable& language, const MeasureItem& item) {
    if (!ValidItem(item)) {
        return {};
    }
    return std::string(SourceName(item.source)) + " " +
           MenuItemText(language, cmd::kMeasureByType[static_cast<std::size_t>(item.kind)]);
}

QRect PaintStatisticsTable(QPainter& painter, const PlotRect& plot, const CMeasureStatistics& statistics,
                           const std::array<std::uint32_t, 3>& colours, const CLanguageTable& language) {
    const std::vector<StatisticsRow> rows = StatisticsRows(statistics);
    if (rows.empty()) {
        return {};
    }
    std::vector<Cells> lines(rows.size() + 1);
    for (std::size_t c = 1; c < kStatisticsColumns; ++c) {
        lines[0][c] = Q(TextOrDefault(language, dtx::kStatisticsHeader[c - 1]));
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::ranges::transform(rows[i].cells, lines[i + 1].begin(), Q);
        lines[i + 1][0] = Q(ItemTitle(language, statistics.Items()[i]));
    }

    const int w = plot.Width();
    const int h = plot.Height();
    const int band = h / 8 + 2 * (h / 15);
    const int left = plot.left + w / 8;
    const int room = plot.right - 2 - left;
    const int count = static_cast<int>(lines.size());
    const QString face =
        QString::fromLatin1(kMeasureFontFace.data(), static_cast<qsizetype>(kMeasureFontFace.size()));
    // The measurement texts' size where every line and column fits in full, else the largest that does.
    QFont font;
    int lineHeight = 0;
    int gap = 0;
    std::array<int, kStatisticsColumns> widths{};
    for (int size = kMeasureFontHeight; size >= kMinFontHeight; --size) {
        font = ScreenFont(face, size, kMeasureFontWeight);
        const QFontMetrics metrics(font);
        lineHeight = metrics.height();
        gap = metrics.horizontalAdvance(QStringLiteral("00"));
        widths.fill(0);
        for (const Cells& cells : lines) {
            for (std::size_t c = 0; c < kStatisticsColumns; ++c) {
                widths[c] = std::max(widths[c], metrics.horizontalAdvance(cells[c]));
            }
        }
        const int width = std::accumulate(widths.begin(), widths.end(), 0) + gap * (kStatisticsColumns - 1);
        if (lineHeight * count <= band && width <= room) {
            break;
        }
    }
    painter.setFont(font);
    const int top = plot.bottom - count * lineHeight - 2;
    int right = left;
    for (int line = 0; line < count; ++line) {
        const std::size_t i = static_cast<std::size_t>(line);
        painter.setPen(
            ToQColor(line == 0 ? kHeaderColour : colours[static_cast<std::size_t>(rows[i - 1].source) % 3]));
        int x = left;
        for (std::size_t c = 0; c < kStatisticsColumns; ++c) {
            DrawTextAt(painter, x, top + line * lineHeight, lines[i][c]);
            x += widths[c] + gap;
        }
        right = x - gap;
    }
    return QRect(left, top, right - left, count * lineHeight);
}

} // namespace tarnix
