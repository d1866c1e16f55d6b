// The measurement texts, the screen's top layer: each in its source channel's colour, and a value taken
// from a clipped trace marked with an arrow beside it that points to the edge the signal ran into.
#pragma once

#include <QRect>
#include <span>

#include "analysis/measure_set.h"

class QPainter;

namespace tarnix {

// Returns the rectangle the texts and arrows keep to (empty for no items).
QRect PaintMeasureTexts(QPainter& painter, std::span<const MeasureTextItem> items);

} // namespace tarnix
