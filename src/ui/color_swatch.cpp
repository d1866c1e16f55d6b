#include "ui/color_swatch.h"

#include <QColorDialog>
#include <QPainter>

namespace tarnix {

CColorSwatch::CColorSwatch(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // clicked() comes on release over the button, which is when the chooser opens.
    connect(this, &QAbstractButton::clicked, this, &CColorSwatch::Choose);
}

void CColorSwatch::SetColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void CColorSwatch::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), colour_);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1.0, Qt::DotLine));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void CColorSwatch::Choose() {
    std::optional<QColor> chosen;
    if (chooser_) {
        chosen = chooser_(colour_, this);
    } else {
        const QColor colour = QColorDialog::getColor(colour_, this);
        if (colour.isValid()) {
            chosen = colour;
        }
    }
    if (!chosen || !chosen->isValid()) {
        return;
    }
    SetColour(*chosen);
    emit colourChosen(channel_, *chosen);
}

} // namespace tarnix
