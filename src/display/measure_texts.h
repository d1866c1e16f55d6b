// The measurement texts, the screen's top layer: each in its source channel's colour, and a value taken
// from a clipped trace marked with an arrow beside it that points to the edge the signal ran into.
#pragma once

#include <span>

#include "analysis/measure_set.h"

class QPainter;

namespace tarnix {

void PaintMeasureTexts(QPainter& painter, std::span<const MeasureTextItem> items);

} // namespace tarnix
