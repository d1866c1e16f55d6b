#include "document/tarnix_doc.h"

#include "ui/knob.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>

#include "display/knob_geometry.h"

namespace tarnix {

namespace {

QRectF BoxRect(const KnobBox& box) {
    return QRectF(box.left, box.top, box.right - box.left, box.bottom - box.top);
}

int ToSixteenths(double degrees) {
    return static_cast<int>(degrees * 16.0);
}

QColor FromRgb(std::uint32_t rgb) {
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

} // namespace

CKnob::CKnob(QWidget* parent) : QWidget(parent) {
    setFixedSize(kKnobWidth, kKnobHeight);
    // The knob never takes the keyboard focus: keys stay with the lists and the accelerators.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CKnob::SetDocument(CTarnixDoc* doc) {
    doc_ = doc;
    update();
}

void CKnob::SetKind(int kind) {
    kind_ = kind;
    update();
}

int CKnob::MaxIndex() const {
    return KnobMaxIndex(doc_ != nullptr ? doc_->settings.model : 1, kind_);
}

int CKnob::CurrentIndex() const {
    if (doc_ == nullptr) {
        return 0;
    }
    if (kind_ == kKnobTimeDiv) {
        return doc_->settings.timebase.timeDivIndex;
    }
    return doc_->settings.ch(kind_ == kKnobCh2Volts ? kCh2 : kCh1).voltsPerDivIndex;
}

QColor CKnob::FaceColour() const {
    if (kind_ == kKnobTimeDiv) {
        return QColor(50, 50, 255);
    }
    if (doc_ == nullptr) {
        return QColor(155, 155, 155);
    }
    const ChannelSettings& channel = doc_->settings.ch(kind_ == kKnobCh2Volts ? kCh2 : kCh1);
    return channel.enabled != 0 ? FromRgb(channel.colour) : QColor(155, 155, 155);
}

bool CKnob::Inert() const {
    if (doc_ == nullptr) {
        return true;
    }
    if (kind_ == kKnobTimeDiv) {
        return false;
    }
    return doc_->settings.ch(kind_ == kKnobCh2Volts ? kCh2 : kCh1).enabled == 0;
}

QSize CKnob::sizeHint() const {
    return QSize(kKnobWidth, kKnobHeight);
}

QImage CKnob::Render(qreal devicePixelRatio) const {
    const QSize logical = size();
    const QSize device(static_cast<int>(logical.width() * devicePixelRatio),
                       static_cast<int>(logical.height() * devicePixelRatio));
    if (buffer_.size() != device || buffer_.devicePixelRatio() != devicePixelRatio) {
        buffer_ = QImage(device, QImage::Format_ARGB32_Premultiplied);
        buffer_.setDevicePixelRatio(devicePixelRatio);
    }
    buffer_.fill(palette().color(QPalette::Button));

    QPainter p(&buffer_);
    p.setRenderHint(QPainter::Antialiasing);

    // Outer arc, open at the bottom, with a short stop at each end.
    const KnobArc arc = KnobOuterArc();
    p.setPen(QPen(QColor(90, 90, 90), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(BoxRect(kKnobArcBox), ToSixteenths(arc.startDegrees), ToSixteenths(arc.spanDegrees));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 90));
    p.drawPie(BoxRect(kKnobStopBox), ToSixteenths(arc.startDegrees - 3.0), ToSixteenths(3.0));
    p.drawPie(BoxRect(kKnobStopBox), ToSixteenths(arc.startDegrees + arc.spanDegrees), ToSixteenths(3.0));

    // Body: lit upper-right half, shaded lower-left half.
    p.setBrush(QColor(210, 210, 210));
    p.drawPie(BoxRect(kKnobBodyBox), ToSixteenths(-45.0), ToSixteenths(180.0));
    p.setBrush(QColor(180, 180, 180));
    p.drawPie(BoxRect(kKnobBodyBox), ToSixteenths(135.0), ToSixteenths(180.0));

    if (doc_ == nullptr) {
        return buffer_;
    }

    const QColor face = FaceColour();
    p.setBrush(face);
    p.drawEllipse(BoxRect(kKnobFaceBox));

    const KnobPoint end = KnobNeedleEnd(MaxIndex(), CurrentIndex());
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(kKnobNeedleX, kKnobNeedleY), QPointF(end.x, end.y));

    p.setPen(QPen(face, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(BoxRect(kKnobCapBox));
    return buffer_;
}

void CKnob::paintEvent(QPaintEvent* /*event*/) {
    const QImage& picture = Render(devicePixelRatioF());
    QPainter p(this);
    p.drawImage(QPointF(0, 0), picture);
}

void CKnob::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    tracking_ = true;
    Track(event->position());
}

void CKnob::mouseMoveEvent(QMouseEvent* event) {
    if (tracking_ && (event->buttons() & Qt::LeftButton)) {
        Track(event->position());
    }
}

void CKnob::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        tracking_ = false;
    }
}

void CKnob::wheelEvent(QWheelEvent* event) {
    if (Inert()) {
        event->ignore();
        return;
    }
    // One step per notch (120 eighths of a degree); a fine wheel adds up to whole notches.
    wheelEighths_ += event->angleDelta().y();
    const int notches = wheelEighths_ / 120;
    wheelEighths_ -= notches * 120;
    // Turning the wheel away turns the dial clockwise, to the next lower index.
    const int index = std::clamp(CurrentIndex() - notches, 0, MaxIndex());
    if (index != CurrentIndex()) {
        emit indexRequested(index);
        update();
    }
    event->accept();
}

void CKnob::Track(const QPointF& position) {
    if (!Inert()) {
        const int index = KnobIndexAt(position.x(), position.y(), MaxIndex());
        if (index != CurrentIndex()) {
            emit indexRequested(index);
        }
    }
    update();
}

} // namespace tarnix
