// Statistics of measurements over captures: current, mean, minimum, maximum, standard deviation and
// count of the values, and how many captures could not be measured, which never enter the figures.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "datalog/measure_item.h"

namespace tarnix {

// One measurement's figures, updated value by value with Welford's method, so a large offset with a tiny
// spread (1 MV with 1 mV of noise) keeps its deviation.
class RunningStats {
public:
    void Add(double value);
    void AddUnmeasurable();
    void Reset() { *this = RunningStats{}; }

    // The latest capture's value; none when it could not be measured (or nothing came yet).
    std::optional<double> Current() const { return current_; }
    std::uint64_t Count() const { return count_; }
    std::uint64_t Unmeasurable() const { return unmeasurable_; }
    // Mean, Min and Max are NaN while Count() is 0.
    double Mean() const { return count_ > 0 ? mean_ : kNone; }
    double Min() const { return count_ > 0 ? min_ : kNone; }
    double Max() const { return count_ > 0 ? max_ : kNone; }
    // Sample standard deviation (n - 1 in the denominator); NaN below two values.
    double StdDev() const;

private:
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    std::optional<double> current_;
    std::uint64_t count_ = 0;
    std::uint64_t unmeasurable_ = 0;
    double mean_ = 0.0;
    double m2_ = 0.0; // sum of squared deviations from the running mean
    double min_ = 0.0;
    double max_ = 0.0;
};

// The figures of each measurement on the screen. Values come one capture at a time together with the
// settings they were taken under; a value taken under other settings than the previous one starts its
// item afresh, since old and new numbers would not be comparable.
class CMeasureStatistics {
public:
    // The items followed, in screen order. An item that stays keeps its figures; a new one starts empty.
    void SetItems(std::span<const MeasureItem> items);
    const std::vector<MeasureItem>& Items() const { return items_; }

    // One new capture: values[i] belongs to Items()[i] (none: could not be measured).
    void AddCapture(const MeasureMeaning& meaning, std::span<const std::optional<double>> values);
    // Every item starts afresh (the menu's reset, a loaded setup or waveform).
    void Reset();

    const RunningStats& Figures(std::size_t item) const { return stats_[item]; }

private:
    std::vector<MeasureItem> items_;
    std::vector<RunningStats> stats_;
    std::optional<MeasureMeaning> meaning_;
};

} // namespace tarnix
