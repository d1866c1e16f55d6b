// The measurement log: a CSV file with one row per capture, or one row of mean, minimum and maximum per
// interval, written so that a crash or a full disk never leaves a torn row behind the last whole one.
//
// The file: `#` lines with the settings at the start, then the column header
//   time (UTC),seconds,CH1 Vpp (V),...,limits
// and the rows: ISO-8601 UTC time with milliseconds, seconds since the start, one field per item in SI
// units (empty when the capture could not be measured), and the items out of their limits. A setting
// that changes a measurement's meaning writes a `#` line saying what changed. Line ends are CR LF.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "datalog/log_sink.h"
#include "datalog/measure_item.h"
#include "datalog/measure_statistics.h"

namespace tarnix {

inline constexpr double kLogMinIntervalSeconds = 0.1;
inline constexpr double kLogMaxIntervalSeconds = 3600.0;

struct LogLimits {
    std::optional<double> low;
    std::optional<double> high;
    bool operator==(const LogLimits&) const = default;
};

struct LogColumn {
    MeasureItem item;
    LogLimits limits;
    bool operator==(const LogColumn&) const = default;
};

struct LogOptions {
    std::string path;
    bool append = false; // add to an existing file instead of replacing it
    std::vector<LogColumn> columns;
    double intervalSeconds = 0.0; // 0: a row per capture; else 0.1..3600 s of mean, min and max
    bool operator==(const LogOptions&) const = default;
};

struct LogStatus {
    bool running = false;
    std::uint64_t rows = 0;
    std::uint64_t bytes = 0; // size of the file
    std::int64_t elapsedMs = 0;
    std::uint64_t violationRows = 0;
    std::vector<std::uint64_t> violations;         // rows out of limits, per column
    std::vector<std::optional<double>> lastValues; // per column; the mean in interval mode
    std::string stopReason; // why the log stopped by itself (a disk error); empty otherwise
};

// What one capture or one tick did to the file.
struct LogRowResult {
    bool written = false;   // a data row was written
    bool violation = false; // ... and an item was out of its limits
};

class CMeasureLog {
public:
    CMeasureLog(ILogClock& clock, ILogSink& sink);
    CMeasureLog(const CMeasureLog&) = delete;
    CMeasureLog& operator=(const CMeasureLog&) = delete;

    // Opens the file and writes the header with the settings as they are now. Returns "" when the log
    // runs, else why it does not (bad options, or the system's text for the file error).
    std::string Start(const LogOptions& options, const MeasureMeaning& meaning);
    // One new capture: values[i] belongs to column i (none: could not be measured).
    LogRowResult AddCapture(const MeasureMeaning& meaning, std::span<const std::optional<double>> values);
    // Every timer tick: closes an interval that has ended, flushes to the disk at least once a second
    // and notices a failed flush.
    LogRowResult Poll();
    // Writes the interval under way, closes the file.
    void Stop();

    bool Running() const { return status_.running; }
    const LogStatus& Status() const;
    const LogOptions& Options() const { return options_; }

private:
    bool IntervalMode() const { return options_.intervalSeconds > 0.0; }
    LogRowResult WriteCaptureRow(std::span<const std::optional<double>> values);
    LogRowResult WriteIntervalRow(std::int64_t atMs);
    void WriteComment(const std::string& text);
    void BeginRow(std::int64_t atMs);
    void AppendNumber(std::optional<double> value);
    bool CheckLimits(std::size_t column, std::optional<double> low, std::optional<double> high);
    bool Emit();
    void Fail(int error);
    void SyncIfDue(std::int64_t nowMs);

    ILogClock& clock_;
    ILogSink& sink_;
    LogOptions options_;
    mutable LogStatus status_;
    MeasureMeaning meaning_;
    std::int64_t startMs_ = 0;    // monotonic
    std::int64_t startUtcMs_ = 0; // the same moment in UTC
    std::int64_t intervalMs_ = 0;
    std::int64_t intervalEndMs_ = 0;
    std::vector<RunningStats> interval_; // per column, over the interval under way
    std::uint64_t intervalCaptures_ = 0;
    std::int64_t lastSyncMs_ = 0;
    bool dirty_ = false; // written since the last flush began
    std::string line_;   // the row being built; its capacity is kept, so rows do not allocate
    std::string flags_;  // the limits field being built
};

// Formats milliseconds since 1970 as "2026-12-06T06:51:04.123Z" into `out` (appended).
void AppendIsoUtc(std::string& out, std::int64_t utcMs);

} // namespace tarnix
