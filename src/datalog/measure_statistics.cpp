#include "datalog/measure_statistics.h"

#include <algorithm>
#include <cmath>

namespace tarnix {

void RunningStats::Add(double value) {
    current_ = value;
    ++count_;
    if (count_ == 1) {
        min_ = max_ = value;
    } else {
        min_ = std::min(min_, value);
        max_ = std::max(max_, value);
    }
    const double delta = value - mean_;
    mean_ += delta / static_cast<double>(count_);
    m2_ += delta * (value - mean_);
}

void RunningStats::AddUnmeasurable() {
    current_.reset();
    ++unmeasurable_;
}

double RunningStats::StdDev() const {
    return count_ >= 2 ? std::sqrt(m2_ / static_cast<double>(count_ - 1)) : kNone;
}

void CMeasureStatistics::SetItems(std::span<const MeasureItem> items) {
    std::vector<RunningStats> stats(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto kept = std::find(items_.begin(), items_.end(), items[i]);
        if (kept != items_.end()) {
            stats[i] = stats_[static_cast<std::size_t>(kept - items_.begin())];
        }
    }
    items_.assign(items.begin(), items.end());
    stats_ = std::move(stats);
}

void CMeasureStatistics::AddCapture(const MeasureMeaning& meaning,
                                    std::span<const std::optional<double>> values) {
    const unsigned changed = meaning_ ? ChangedSources(*meaning_, meaning) : 0u;
    meaning_ = meaning;
    const std::size_t n = std::min(values.size(), items_.size());
    for (std::size_t i = 0; i < n; ++i) {
        RunningStats& stats = stats_[i];
        if ((changed >> items_[i].source) & 1u) {
            stats.Reset();
        }
        if (values[i]) {
            stats.Add(*values[i]);
        } else {
            stats.AddUnmeasurable();
        }
    }
}

void CMeasureStatistics::Reset() {
    for (RunningStats& stats : stats_) {
        stats.Reset();
    }
}

} // namespace tarnix
