// The trend view's picture: one strip per logged item with its own vertical scale, its limits as dashed
// lines and the min/max envelope of each pixel column, so the cost depends on the width, not the rows.
#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "datalog/trend_series.h"

class QPainter;
class QRect;

namespace tarnix {

// Paints the strips into `area`; colours by source (CH1, CH2, MATH). A strip without values says
// `noValues` after its name.
void PaintTrend(QPainter& painter, const QRect& area, const CTrendSeries& series,
                const std::array<std::uint32_t, 3>& colours, const QString& noValues = {});

} // namespace tarnix
