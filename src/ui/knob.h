// The rotary dial of the sidebar that shows and sets a volts/div or time/div setting. It paints the
// setting from the document and turns a left-button press or drag into a requested index; the sidebar
// carries the request out with the same rules as its lists.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace tarnix {

class CTarnixDoc;

class CKnob : public QWidget {
    Q_OBJECT

public:
    explicit CKnob(QWidget* parent = nullptr);

    void SetDocument(CTarnixDoc* doc);
    // kKnobCh1Volts, kKnobCh2Volts or kKnobTimeDiv (display/knob_geometry.h).
    void SetKind(int kind);
    int Kind() const { return kind_; }

    // The highest index for the document's model, and the index the knob shows now.
    int MaxIndex() const;
    int CurrentIndex() const;
    // The face colour: the channel's colour while it is on, grey while off, blue for the time base.
    QColor FaceColour() const;
    // A volts/div knob of a channel that is off ignores the pointer.
    bool Inert() const;

    // The whole picture at a device pixel ratio (the paint event uses the screen's).
    QImage Render(qreal devicePixelRatio) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // The pointer asks for an index other than the current one (never while inert).
    void indexRequested(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Track(const QPointF& position);

    CTarnixDoc* doc_ = nullptr;
    int kind_ = 0;
    bool tracking_ = false;
    int wheelEighths_ = 0; // wheel turn not yet a whole notch, in eighths of a degree
    mutable QImage buffer_;
};

} // namespace tarnix
