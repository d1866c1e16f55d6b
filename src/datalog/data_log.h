// Statistics and the measurement log as the document owns them: each new capture is measured once for
// both (the screen's items for the statistics, the chosen items for the log), and a row out of limits
// asks for the actions the user picked.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "acquisition/clock.h"
#include "analysis/measure_set.h"
#include "datalog/measure_log.h"
#include "datalog/measure_statistics.h"
#include "datalog/trend_series.h"

namespace tarnix {

// What a row out of limits sets off, each optional.
struct LimitActions {
    bool beep = false;
    bool stopAcquisition = false;
    bool saveImage = false; // the screen image, with a time-stamped name next to the log
    bool operator==(const LimitActions&) const = default;
};

class CDataLog {
public:
    // A log file on disk, timed by `monotonic` (the system's steady clock when null) and the system's
    // UTC clock.
    explicit CDataLog(IClock* monotonic = nullptr);
    // Tests and benchmarks bring their own clock and file.
    CDataLog(ILogClock& clock, ILogSink& sink);

    // The figures of the screen's measurements, gathered whether their table is shown or not, so the
    // table opens with everything since the last reset.
    CMeasureStatistics statistics;
    bool statisticsShown = false; // the table on the screen (Measure > Statistics)
    LimitActions actions;
    // The running log's values over time for the trend view; started afresh with each log.
    CTrendSeries trend;
    // Saves the screen image next to the log (the window's part); empty: the action does nothing.
    std::function<void()> saveImage;

    CMeasureLog& Log() { return log_; }
    const CMeasureLog& Log() const { return log_; }
    // Starts the log under the current settings; "" or why it did not start.
    std::string StartLog(const LogOptions& options, const InstrumentSettings& settings);

    // Starts gathering the statistics of an item besides the screen's (a remote client asked for it),
    // whether the table is shown or not; a followed item stays followed.
    void Follow(const MeasureItem& item);
    // An item's figures: the screen's when it is on the screen, else the followed ones; null when
    // neither follows it.
    const RunningStats* FiguresOf(const MeasureItem& item) const;

    // One new capture: measures what the statistics and the log need and hands the values on.
    // `screenItems` are the measurements on the screen, in slot order.
    LogRowResult OnCapture(const InstrumentSettings& settings,
                           const std::array<MeasureChannel, kMeasureSourceCount>& channels,
                           double secondsPerDiv, std::span<const MeasureItem> screenItems);
    // Every timer tick: the log's intervals and flushes.
    LogRowResult OnTick() { return log_.Poll(); }
    void ResetStatistics() {
        statistics.Reset();
        followed_.Reset();
    }

    // The screen's measurements as items, in slot order; the second form without allocating, in `storage`.
    static std::vector<MeasureItem> ScreenItems(const CMeasureSet& measures);
    static std::span<const MeasureItem> ScreenItems(const CMeasureSet& measures,
                                                    std::array<MeasureItem, kMeasureSlotCount>& storage);

private:
    std::optional<double> Value(const MeasureItem& item);

    std::unique_ptr<ILogClock> ownClock_;
    std::unique_ptr<CFileLogSink> ownSink_;
    CMeasureLog log_;
    CMeasureStatistics followed_;
    const std::array<MeasureChannel, kMeasureSourceCount>* channels_ = nullptr;
    double secondsPerDiv_ = 0.0;
    std::array<MeasureExtremes, kMeasureSourceCount> extremes_{};
    std::array<bool, kMeasureSourceCount> measured_{};
    std::vector<std::optional<double>> screenValues_;
    std::vector<std::optional<double>> logValues_;
    std::vector<std::optional<double>> followedValues_;
};

} // namespace tarnix
