// The trend view's data: ten hours of rows drawn per pixel column without losing a single spike, and a
// log file read back for viewing.
#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/measure_set.h"
#include "datalog/trend_series.h"

#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using namespace tarnix::testing;

TEST(TrendSeries, TenHoursOfRowsDrawEveryColumnsExtremesAndNoSpikeIsLost) {
    CTrendSeries series;
    series.Reset({{{kCh1, kMeasureVrms}, {}}, {{kCh2, kMeasureFrequency}, {}}});
    constexpr int kRows = 10 * 3600 * 33;
    // Single rows far off the rest, each in a different place of its pixel column.
    const std::vector<std::pair<int, double>> outliers = {
        {600000, 5.0}, {700123, 6.0}, {811111, -2.0}, {1000007, -3.0}, {1100003, 7.0}};
    std::size_t next = 0;
    for (int row = 0; row < kRows; ++row) {
        const bool outlier = next < outliers.size() && outliers[next].first == row;
        const std::optional<double> values[] = {outlier ? outliers[next++].second : 1.0,
                                                row % 2 == 0 ? std::optional(5000.0) : std::nullopt};
        series.Add(row * (1.0 / 33.0), values);
    }
    EXPECT_EQ(series.Rows(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(series.Range(0), std::optional(std::pair(-3.0, 7.0)));
    std::vector<TrendColumn> columns(1920);
    series.Envelope(0, columns);
    std::vector<double> extremes;
    for (std::size_t x = 0; x < columns.size(); ++x) {
        ASSERT_TRUE(columns[x].any) << "column " << x << " is empty";
        for (double v : {columns[x].min, columns[x].max}) {
            if (v != 1.0) {
                extremes.push_back(v);
            }
        }
    }
    std::ranges::sort(extremes);
    EXPECT_EQ(extremes, (std::vector<double>{-3.0, -2.0, 5.0, 6.0, 7.0}));
}

TEST(TrendSeries, ALogFileReadsBackWithItsItemsRowsAndIntervalRanges) {
    TempDir dir;
    WriteAll(dir.File("every.csv"), "# Tarnix measurement log\r\n"
                                    "time (UTC),seconds,CH1 Vpp (V),MATH Frequ (Hz),limits\r\n"
                                    "2026-12-06T06:51:04.153Z,0.030,1.25,,\r\n"
                                    "# 2026-12-06T06:51:04.183Z (0.060 s) CH1 volts/div 1.00V -> 500mV\r\n"
                                    "2026-12-06T06:51:04.183Z,0.060,1.5,5000,\r\n"
                                    "2026-12-06T06:51:04.213Z,0.090,9");
    WriteAll(dir.File("interval.csv"),
             "time (UTC),seconds,CH2 Vmax mean (V),CH2 Vmax min (V),CH2 Vmax max (V),"
             "captures,limits\r\n2026-12-06T06:51:05.123Z,1.000,3,1,6,3,\r\n");
    CTrendSeries series;
    ASSERT_EQ(LoadTrendFile(dir.File("every.csv"), series), "");
    EXPECT_EQ(series.Rows(), 2u) << "the torn last line is left out";
    ASSERT_EQ(series.Columns().size(), 2u);
    EXPECT_EQ(series.Columns()[1].item, (MeasureItem{kMath, kMeasureFrequency}));
    EXPECT_EQ(series.Range(0), std::optional(std::pair(1.25, 1.5)));
    EXPECT_EQ(series.Range(1), std::optional(std::pair(5000.0, 5000.0)));
    ASSERT_EQ(LoadTrendFile(dir.File("interval.csv"), series), "");
    EXPECT_EQ(series.Range(0), std::optional(std::pair(1.0, 6.0)));
    WriteAll(dir.File("other.csv"), "a,b\r\n1,2\r\n");
    EXPECT_NE(LoadTrendFile(dir.File("other.csv"), series), "");
    // The smallest log the program writes: one item, one row.
    WriteAll(dir.File("one.csv"),
             "time (UTC),seconds,CH1 Vpp (V),limits\r\n2026-12-06T06:51:04.153Z,0.030,2,\r\n");
    ASSERT_EQ(LoadTrendFile(dir.File("one.csv"), series), "");
    EXPECT_EQ(series.Range(0), std::optional(std::pair(2.0, 2.0)));
}

} // namespace
} // namespace tarnix
