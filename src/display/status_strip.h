// The strip above the screen: run state (blinking while AUTO or WAIT), the display format or the
// record picture with the trigger position, and the trigger source, level and type.
#pragma once

#include <QImage>
#include <QWidget>

#include "display/status_text.h"

namespace tarnix {

class IScreenHost;

class CStatusStrip : public QWidget {
    Q_OBJECT

public:
    explicit CStatusStrip(IScreenHost& host, QWidget* parent = nullptr);

    // Draws the strip into its off-screen image and returns it; paintEvent copies it.
    const QImage& RenderStrip();
    StripBoxes Boxes() const { return boxes_; }
    // One repaint of the acquisition cycle, whether or not the strip itself is redrawn: with the ALT
    // source in Y-T it advances the counter that alternates the level shown between CH1 and CH2.
    void AdvanceAlt();
    int AltCounter() const { return altCounter_; }
    // The trigger box shows CH2's level (ALT source in Y-T, second half of the alternation).
    bool ShowsCh2Level() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawRunState(QPainter& p);
    void DrawCentreBox(QPainter& p);
    void DrawTriggerBox(QPainter& p);

    IScreenHost& host_;
    StripBoxes boxes_;
    int altCounter_ = 0;
    QImage buffer_;
};

} // namespace tarnix
