// The logged values over time for the trend view, in a fixed number of time buckets per item that each
// keep the minimum and maximum of their values. When the time runs past the last bucket, neighbouring
// buckets merge and each covers twice the time, so memory stays the same however long a log runs and a
// repaint costs the same for ten hours as for a minute.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "datalog/measure_log.h"

namespace tarnix {

struct TrendBucket {
    double min = 0.0;
    double max = 0.0;
    bool any = false;
};

// One pixel column of a strip: the values' range in it, or nothing.
struct TrendColumn {
    double min = 0.0;
    double max = 0.0;
    bool any = false;
};

class CTrendSeries {
public:
    static constexpr std::size_t kBuckets = 4096;

    // Starts afresh with these items; the first bucket covers `firstSpanSeconds`.
    void Reset(std::vector<LogColumn> columns, double firstSpanSeconds = 0.01);
    // A row at `seconds` since the start; values[i] belongs to column i (none: not measured). A row that
    // stands for a range (an interval's minimum and maximum) gives its maxima in `highs`.
    void Add(double seconds, std::span<const std::optional<double>> values,
             std::span<const std::optional<double>> highs = {});

    const std::vector<LogColumn>& Columns() const { return columns_; }
    std::size_t Rows() const { return rows_; }
    double EndSeconds() const { return endSeconds_; }
    // The minimum and maximum of one item over all rows; nullopt without any value.
    std::optional<std::pair<double, double>> Range(std::size_t column) const;
    // The envelope of one item over [0, EndSeconds()] in `out.size()` pixel columns.
    void Envelope(std::size_t column, std::span<TrendColumn> out) const;

private:
    void Merge();

    std::vector<LogColumn> columns_;
    std::vector<std::vector<TrendBucket>> buckets_; // per column, kBuckets each
    double spanSeconds_ = 0.01;
    double endSeconds_ = 0.0;
    std::size_t rows_ = 0;
};

// Reads a log file written by CMeasureLog (every-capture or interval rows; an interval row counts with its
// minimum and maximum) into `series`. Comment lines are skipped and a torn last line is ignored. Returns
// "" or why the file cannot be shown.
std::string LoadTrendFile(const std::string& path, CTrendSeries& series);

} // namespace tarnix
