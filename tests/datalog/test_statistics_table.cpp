// The statistics table's texts as the user reads them on the screen.
#include <gtest/gtest.h>

#include "analysis/measure_set.h"
#include "datalog/statistics_table.h"

namespace tarnix {
namespace {

TEST(StatisticsTable, EachRowReadsInItsMeasurementsUnitsAndCountsTheUnmeasurableApart) {
    CMeasureStatistics statistics;
    const MeasureItem items[] = {{kCh1, kMeasureVpp}, {kCh2, kMeasureFrequency}, {kMath, kMeasurePosDuty}};
    statistics.SetItems(items);
    const MeasureMeaning meaning = MeaningOf({});
    const std::optional<double> first[] = {1.0, 5000.0, std::nullopt};
    const std::optional<double> second[] = {1.5, 5100.0, std::nullopt};
    const std::optional<double> third[] = {std::nullopt, 4900.0, std::nullopt};
    for (const auto* values : {first, second, third}) {
        statistics.AddCapture(meaning, std::span(values, 3));
    }
    const std::vector<StatisticsRow> rows = StatisticsRows(statistics);
    ASSERT_EQ(rows.size(), 3u);
    using Cells = std::array<std::string, kStatisticsColumns>;
    EXPECT_EQ(rows[0].cells, (Cells{"CH1 Vpp", "*****", "1.25V", "1.00V", "1.50V", "353mV", "2 (+1)"}));
    EXPECT_EQ(rows[1].cells, (Cells{"CH2 Frequ", "4.90kHz", "5.00kHz", "4.90kHz", "5.10kHz", "100Hz", "3"}));
    EXPECT_EQ(rows[2].cells, (Cells{"MATH +Duty", "*****", "-", "-", "-", "-", "0 (+3)"}));
    EXPECT_EQ(rows[2].source, kMath);
}

} // namespace
} // namespace tarnix
