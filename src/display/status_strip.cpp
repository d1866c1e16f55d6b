#include "display/status_strip.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QResizeEvent>
#include <cmath>
#include <numbers>

#include "display/screen_host.h"
#include "display/wave_render.h"
#include "model/instrument_settings.h"

namespace tarnix {

CStatusStrip::CStatusStrip(IScreenHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    boxes_ = ComputeStripBoxes(width());
}

void CStatusStrip::resizeEvent(QResizeEvent* event) {
    boxes_ = ComputeStripBoxes(event->size().width());
    buffer_ = QImage();
    QWidget::resizeEvent(event);
}

const QImage& CStatusStrip::RenderStrip() {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels(static_cast<int>(width() * dpr), static_cast<int>(height() * dpr));
    if (buffer_.isNull() || buffer_.size() != pixels) {
        buffer_ = pixels.isEmpty() ? QImage() : QImage(pixels, QImage::Format_RGB32);
        buffer_.setDevicePixelRatio(dpr);
    }
    if (buffer_.isNull()) {
        return buffer_;
    }
    boxes_ = ComputeStripBoxes(width());
    QPainter p(&buffer_);
    p.fillRect(QRect(0, 0, width(), height()), QColor(50, 50, 50));
    const auto fill = [&](const PlotRect& r) {
        p.fillRect(QRect(r.left, r.top, r.Width(), r.Height()), Qt::black);
    };
    fill(boxes_.trigger);
    fill(boxes_.run);
    DrawRunState(p);
    DrawCentreBox(p);
    if (host_.Settings().timebase.displayFormat == kFormatYT) {
        DrawTriggerBox(p);
    }
    return buffer_;
}

bool CStatusStrip::ShowsCh2Level() const {
    const InstrumentSettings& s = host_.Settings();
    return s.timebase.displayFormat == kFormatYT && s.trigger.triggerSource == kTrigAlt &&
           AltShowsCh2(altCounter_);
}

void CStatusStrip::AdvanceAlt() {
    const InstrumentSettings& s = host_.Settings();
    if (s.timebase.displayFormat == kFormatYT && s.trigger.triggerSource == kTrigAlt) {
        altCounter_ = NextAltCounter(altCounter_);
    }
}

void CStatusStrip::paintEvent(QPaintEvent* /*event*/) {
    const QImage& image = RenderStrip();
    if (!image.isNull()) {
        QPainter window(this);
        window.drawImage(0, 0, image);
    }
}

void CStatusStrip::DrawRunState(QPainter& p) {
    const RunStateStyle style = RunStateFor(host_.Settings().runStatus);
    const QString text = QString::fromLatin1(style.text);
    p.setFont(ScreenFont(QStringLiteral("Arial"), 15));
    const bool inverted = style.blinking && BlinkInverted(host_.StatusTicks());
    const QColor colour = ToQColor(style.colour);
    // The text is drawn on an opaque background: black normally, green while blinking inverted.
    const QFontMetrics metrics(p.font());
    const QRect cell(style.x, 5, metrics.horizontalAdvance(text), metrics.height());
    p.fillRect(cell, inverted ? colour : QColor(Qt::black));
    p.setPen(inverted ? QColor(Qt::black) : colour);
    DrawTextAt(p, style.x, 5, text);
}

void CStatusStrip::DrawCentreBox(QPainter& p) {
    const InstrumentSettings& s = host_.Settings();
    const PlotRect& box = boxes_.centre;
    const int format = s.timebase.displayFormat;
    if (format != kFormatYT) {
        p.setFont(ScreenFont(QStringLiteral("Arial"), 15));
        p.setPen(QColor(255, 177, 100));
        DrawTextAt(p, (box.left + box.right) / 2 - 25, 7,
                   format == kFormatRoll ? QStringLiteral("Roll Mode") : QStringLiteral("X - Y Mode"));
        return;
    }
    p.fillRect(QRect(box.left, box.top, box.Width(), box.Height()), Qt::black);
    const int position = s.acquire.running != 0 ? s.timebase.horizontalPosition : host_.StoppedPosition();
    p.setFont(ScreenFont(QStringLiteral("Arial"), 11));
    p.setPen(QColor(255, 177, 100));
    DrawTextAt(p, RecordPictureTriggerX(box, position), 0, QStringLiteral("T"));

    const VisibleColumns visible = RecordPictureVisibleColumns(s, position);
    const double middle = (box.top + box.bottom) / 2.0;
    QPoint green[128];
    QPoint white[128];
    int greens = 0;
    int whites = 0;
    for (int k = 0; k < 128; ++k) {
        const double a = 2.5 * std::sin((14 + k) * 2.0 * std::numbers::pi / 10.0);
        const QPoint pt(box.left + 3 + k, static_cast<int>(middle - a));
        if (k >= visible.first && k < visible.last) {
            green[greens++] = pt;
        } else {
            white[whites++] = pt;
        }
    }
    p.setPen(QPen(QColor(0, 255, 0), 1));
    p.drawPoints(green, greens);
    p.setPen(QPen(QColor(255, 255, 255), 1));
    p.drawPoints(white, whites);
    p.setPen(QPen(QColor(255, 255, 255), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(box.left, box.top, box.Width() - 1, box.Height() - 1));
}

void CStatusStrip::DrawTriggerBox(QPainter& p) {
    const InstrumentSettings& s = host_.Settings();
    const PlotRect& box = boxes_.trigger;
    const bool showCh2 = ShowsCh2Level();

    const TriggerSourceLabel label = TriggerSourceLabelFor(s);
    p.setFont(ScreenFont(QStringLiteral("Arial"), 12));
    const QString labelText = QString::fromLatin1(label.text);
    const QFontMetrics labelMetrics(p.font());
    const QRect labelCell(box.left + label.xOffset, 8, labelMetrics.horizontalAdvance(labelText),
                          labelMetrics.height());
    p.fillRect(labelCell, ToQColor(label.background));
    p.setPen(Qt::black);
    DrawTextAt(p, labelCell.left(), 8, labelText);

    const QColor colour = ToQColor(TriggerSourceColour(s, showCh2));
    p.setFont(ScreenFont(QStringLiteral("Arial"), 15));
    p.setPen(colour);
    DrawTextAt(p, box.left + 48, 6,
               QString::fromStdString(FormatTriggerLevel(TriggerLevelVolts(s, showCh2))));

    // The symbol keeps the source's own colour; only the level text alternates under ALT.
    const QColor symbolColour = ToQColor(label.background);
    const int l = box.left;
    const int t = box.top;
    const int b = box.bottom;
    p.setPen(QPen(symbolColour, 1));
    p.setBrush(symbolColour);
    if (s.trigger.triggerMode == kTrigModePulse) {
        const QPoint line[6] = {{l + 2, b - 4},  {l + 5, b - 4},  {l + 5, t + 4},
                                {l + 11, t + 4}, {l + 11, b - 4}, {l + 15, b - 4}};
        p.drawPolyline(line, 6);
    } else if (s.trigger.slope == kSlopeFalling) {
        const QPoint line[4] = {{l + 4, t + 4}, {l + 8, t + 4}, {l + 8, b - 4}, {l + 12, b - 4}};
        p.drawPolyline(line, 4);
        p.drawPolygon(QPolygon({QPoint(l + 8, b - 7), QPoint(l + 5, b - 11), QPoint(l + 12, b - 11)}));
    } else {
        const QPoint line[4] = {{l + 4, b - 4}, {l + 8, b - 4}, {l + 8, t + 4}, {l + 12, t + 4}};
        p.drawPolyline(line, 4);
        p.drawPolygon(QPolygon({QPoint(l + 8, t + 7), QPoint(l + 4, t + 12), QPoint(l + 12, t + 12)}));
    }
    p.setBrush(Qt::NoBrush);
}

} // namespace tarnix
