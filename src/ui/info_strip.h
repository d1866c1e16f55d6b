// The strip below the waveform screen: CH1's and CH2's coupling, volts/div and bandwidth limit, and
// the time base, painted from the document off-screen and copied in one step.
#pragma once

#include <QImage>
#include <QWidget>

#include "display/info_strip_geometry.h"

class QPainter;

namespace tarnix {

class CTarnixDoc;
class CLanguageTable;

class CInfoStrip : public QWidget {
    Q_OBJECT

public:
    CInfoStrip(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent = nullptr);

    // The boxes as last computed (every resize, and every paint since a bandwidth limit widens a box).
    const InfoStripBoxes& Boxes() const { return boxes_; }
    void RecomputeBoxes();
    // The whole picture at a device pixel ratio (the paint event uses the screen's).
    QImage Render(qreal devicePixelRatio);

    QSize sizeHint() const override { return QSize(400, 25); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawChannel(QPainter& p, int channel, const StripBox& box, const char* name);

    CTarnixDoc& doc_;
    const CLanguageTable& language_;
    InfoStripBoxes boxes_;
    QImage buffer_;
};

} // namespace tarnix
