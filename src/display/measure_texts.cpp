#include "display/measure_texts.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPointF>
#include <QRectF>

#include "display/wave_render.h"

namespace tarnix {

namespace {

// A filled triangle in a square of `size` pixels at (x, top), pointing up or down.
void Arrow(QPainter& painter, double x, double top, double size, bool up) {
    const double tip = up ? top : top + size;
    const double base = up ? top + size : top;
    const QPointF points[3] = {{x, base}, {x + size, base}, {x + size / 2.0, tip}};
    painter.drawPolygon(points, 3);
}

} // namespace

QRect PaintMeasureTexts(QPainter& painter, std::span<const MeasureTextItem> items) {
    // The screen's one font, so a height of 15 here looks as every other text of height 15.
    painter.setFont(ScreenFont(
        QString::fromLatin1(kMeasureFontFace.data(), static_cast<qsizetype>(kMeasureFontFace.size())),
        kMeasureFontHeight, kMeasureFontWeight));
    const QFontMetrics metrics = painter.fontMetrics();
    // The arrows are as tall as a capital letter and stand one space right of the text.
    const double size = metrics.capHeight();
    const double gap = metrics.horizontalAdvance(QLatin1Char(' '));
    QRect area;
    for (const MeasureTextItem& item : items) {
        area |= TextCell(item.x, item.y);
        const QString text = QString::fromUtf8(item.text.data(), static_cast<qsizetype>(item.text.size()));
        const QColor colour = ToQColor(item.colour);
        painter.setPen(colour);
        DrawTextAt(painter, item.x, item.y, text);
        if (!item.clip.Any()) {
            continue;
        }
        painter.save();
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.setRenderHint(QPainter::Antialiasing);
        double x = item.x + metrics.horizontalAdvance(text) + gap;
        const double top = item.y + metrics.ascent() - size;
        for (const bool up : {true, false}) {
            if (up ? item.clip.top : item.clip.bottom) {
                Arrow(painter, x, top, size, up);
                area |= QRectF(x, top, size, size).toAlignedRect();
                x += size + gap / 2.0;
            }
        }
        painter.restore();
    }
    return area;
}

} // namespace tarnix
