#include "datalog/statistics_table.h"

#include <cmath>
#include <cstdio>

#include "analysis/measure_set.h"
#include "analysis/value_format.h"

namespace tarnix {

namespace {

std::string Formatted(const MeasureItem& item, double value) {
    if (std::isnan(value)) {
        return "-";
    }
    switch (MeasureUnitOf(item.kind)) {
    case MeasureUnit::kVolts:
        return FormatVolts(value);
    case MeasureUnit::kSeconds:
        return FormatTime(value);
    case MeasureUnit::kHertz:
        return FormatFrequency(value);
    case MeasureUnit::kPercent:
        break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", value);
    return text;
}

} // namespace

std::vector<StatisticsRow> StatisticsRows(const CMeasureStatistics& statistics) {
    std::vector<StatisticsRow> rows;
    for (std::size_t i = 0; i < statistics.Items().size(); ++i) {
        const MeasureItem& item = statistics.Items()[i];
        const RunningStats& f = statistics.Figures(i);
        StatisticsRow row;
        row.source = item.source;
        std::string count = std::to_string(f.Count());
        if (f.Unmeasurable() > 0) {
            count += " (+" + std::to_string(f.Unmeasurable()) + ")";
        }
        const std::optional<double> current = f.Current();
        const bool nothingYet = f.Count() + f.Unmeasurable() == 0;
        row.cells = {ItemName(item), current ? Formatted(item, *current) : (nothingYet ? "-" : "*****"),
                     Formatted(item, f.Mean()), Formatted(item, f.Min()), Formatted(item, f.Max()),
                     // The spread of a voltage reads in volts, of a frequency in hertz, like the values.
                     Formatted(item, f.StdDev()), count};
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace tarnix
