// The trend view's picture: one strip per logged item with its own vertical scale, its limits as dashed
// lines and the min/max envelope of each pixel column, so the cost depends on the width, not the rows.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QString>

#include "datalog/trend_series.h"

class QPainter;
class QRect;

namespace tarnix {

// The texts of the strips in the program's language: each column's name (its short name when left
// out) and what a strip without values says after it.
struct TrendTexts {
    std::vector<QString> names;
    QString noValues;
};

// Paints the strips into `area`; colours by source (CH1, CH2, MATH).
void PaintTrend(QPainter& painter, const QRect& area, const CTrendSeries& series,
                const std::array<std::uint32_t, 3>& colours, const TrendTexts& texts = {});

} // namespace tarnix
