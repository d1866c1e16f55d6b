// The statistics as the screen shows them: one row per measurement, each cell a short text in the
// measurement's own units ("1.25V", "5.00kHz", "49.8%"); the column heads come from the language.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "datalog/measure_statistics.h"

namespace tarnix {

inline constexpr int kStatisticsColumns = 7; // item, current, mean, min, max, std dev, count

struct StatisticsRow {
    int source = 0; // the row's colour follows its source
    std::array<std::string, kStatisticsColumns> cells;
};

// One row per item; a figure that does not exist yet reads "-", an unmeasurable current value "*****".
// The count adds the unmeasurable captures in brackets when there were any: "118 (+2)".
std::vector<StatisticsRow> StatisticsRows(const CMeasureStatistics& statistics);

} // namespace tarnix
