#include "document/tarnix_doc.h"

#include "ui/info_strip.h"

#include <QFontMetrics>
#include <QPainter>

#include "language/language_table.h"
#include "model/instrument_settings.h"
#include "ui/widget_helpers.h"

namespace tarnix {

namespace {

inline constexpr int kTextTime = 4018;

QColor FromRgb(std::uint32_t rgb) {
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

QFont StripFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    font.setWeight(QFont::Normal);
    return font;
}

// Text with its top-left corner at `origin`, on an opaque background when `background` is valid.
void DrawText(QPainter& p, StripPoint origin, const QString& text, const QColor& colour,
              const QColor& background = QColor()) {
    const QFontMetrics metrics(p.font());
    const QRect rect(origin.x, origin.y, metrics.horizontalAdvance(text), metrics.height());
    if (background.isValid()) {
        p.fillRect(rect, background);
    }
    p.setPen(colour);
    p.drawText(rect, Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace

CInfoStrip::CInfoStrip(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent)
    : QWidget(parent), doc_(doc), language_(language) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    RecomputeBoxes();
}

void CInfoStrip::RecomputeBoxes() {
    boxes_ = ComputeInfoStripBoxes(width(), doc_.settings.ch(kCh1).bandwidthLimit != 0,
                                   doc_.settings.ch(kCh2).bandwidthLimit != 0);
}

void CInfoStrip::DrawChannel(QPainter& p, int channel, const StripBox& box, const char* name) {
    const ChannelSettings& ch = doc_.settings.ch(channel);
    if (ch.enabled == 0) {
        return;
    }
    const QColor colour = FromRgb(ch.colour);

    const StripPoint cell = CouplingSymbolOrigin(box);
    p.setPen(QPen(colour, 1.0));
    for (const StripSegment& s : CouplingSymbol(ch.coupling)) {
        p.drawLine(QPointF(cell.x + s.from.x + 0.5, cell.y + s.from.y + 0.5),
                   QPointF(cell.x + s.to.x + 0.5, cell.y + s.to.y + 0.5));
    }
    DrawText(p, ValueTextOrigin(box), FromView(ProbeScaledLabel(ch.voltsPerDivIndex, ch.probe)), colour);
    DrawText(p, NameTextOrigin(box), QString::fromLatin1(name), Qt::black, colour);
    if (ch.bandwidthLimit != 0) {
        DrawText(p, BandwidthTextOrigin(box), QStringLiteral("B"), Qt::black, colour);
    }
}

QImage CInfoStrip::Render(qreal devicePixelRatio) {
    RecomputeBoxes();
    const QSize device(static_cast<int>(width() * devicePixelRatio),
                       static_cast<int>(height() * devicePixelRatio));
    if (buffer_.size() != device || buffer_.devicePixelRatio() != devicePixelRatio) {
        buffer_ = QImage(device, QImage::Format_ARGB32_Premultiplied);
        buffer_.setDevicePixelRatio(devicePixelRatio);
    }
    buffer_.fill(Qt::black);

    QPainter p(&buffer_);
    p.setFont(StripFont());
    DrawChannel(p, kCh1, boxes_.ch1, "CH1");
    DrawChannel(p, kCh2, boxes_.ch2, "CH2");

    const QColor timeColour(255, 177, 100);
    DrawText(p, NameTextOrigin(boxes_.time), QString::fromStdString(language_.LookupText(kTextTime)),
             timeColour);
    const TimebaseSettings& tb = doc_.settings.timebase;
    DrawText(p, ValueTextOrigin(boxes_.time), FromView(TimePerDivLabel(tb.timeDivIndex + tb.timeDivOffset)),
             timeColour);
    return buffer_;
}

void CInfoStrip::paintEvent(QPaintEvent* /*event*/) {
    const QImage& picture = Render(devicePixelRatioF());
    QPainter p(this);
    p.drawImage(QPointF(0, 0), picture);
}

void CInfoStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RecomputeBoxes();
}

} // namespace tarnix
