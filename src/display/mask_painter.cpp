#include "display/mask_painter.h"

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPoint>

namespace tarnix {

namespace {

// Fills the region and folds its corners into `hash` (FNV-1a).
void FillRegion(QPainter& painter, const std::vector<MaskPoint>& points, QPolygon& polygon,
                std::uint64_t& hash) {
    if (points.size() < 3) {
        return;
    }
    polygon.resize(static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
        polygon[static_cast<qsizetype>(i)] = QPoint(points[i].x, points[i].y);
        for (const int v : {points[i].x, points[i].y}) {
            hash = (hash ^ static_cast<std::uint32_t>(v)) * 1099511628211u;
        }
    }
    painter.drawPolygon(polygon);
}

} // namespace

std::uint64_t PaintMask(QPainter& painter, const PlotRect& plot, const CPassFail& passFail,
                        MaskScratch& scratch) {
    if (passFail.State().panelShown != 1 || plot.Width() <= 0 || plot.Height() <= 0) {
        return 0;
    }
    std::uint64_t hash = 14695981039346656037u;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    const QColor colour(static_cast<int>((kMaskColour >> 16) & 0xFFu),
                        static_cast<int>((kMaskColour >> 8) & 0xFFu), static_cast<int>(kMaskColour & 0xFFu));
    painter.setBrush(QBrush(colour, Qt::SolidPattern));
    passFail.UpperRegion(plot.left, plot.top, plot.right, plot.bottom, scratch.points);
    FillRegion(painter, scratch.points, scratch.polygon, hash);
    passFail.LowerRegion(plot.left, plot.top, plot.right, plot.bottom, scratch.points);
    FillRegion(painter, scratch.points, scratch.polygon, hash);
    painter.restore();
    return hash;
}

} // namespace tarnix
