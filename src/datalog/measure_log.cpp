#include "datalog/measure_log.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "analysis/measure_set.h"

namespace tarnix {

namespace {

constexpr std::int64_t kSyncEveryMs = 500; // a flush takes well under the rest of the second
constexpr int kDigits = 12;                // enough for a millivolt on a megavolt offset

void AppendMs(std::string& out, std::int64_t ms) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000),
                                static_cast<long long>(ms % 1000));
    out.append(text, static_cast<std::size_t>(n));
}

void AppendLimit(std::string& out, const MeasureItem& item, const LogLimits& limits) {
    const auto number = [](double v) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::general, kDigits).ptr;
        return std::string(text, end);
    };
    out += ItemName(item) + " " + (limits.low ? number(*limits.low) : std::string("-")) + " .. " +
           (limits.high ? number(*limits.high) : std::string("-")) + " " + std::string(ItemUnit(item));
}

} // namespace

void AppendIsoUtc(std::string& out, std::int64_t utcMs) {
    const std::time_t seconds = static_cast<std::time_t>(utcMs / 1000);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[40];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                                static_cast<int>(utcMs % 1000));
    out.append(text, static_cast<std::size_t>(n));
}

CMeasureLog::CMeasureLog(ILogClock& clock, ILogSink& sink) : clock_(clock), sink_(sink) {
    line_.reserve(4096);
    flags_.reserve(1024);
}

std::string CMeasureLog::Start(const LogOptions& options, const MeasureMeaning& meaning) {
    Stop();
    if (options.columns.empty()) {
        return "No measurement to log";
    }
    for (const LogColumn& column : options.columns) {
        if (!ValidItem(column.item)) {
            return "Unknown measurement";
        }
    }
    if (options.intervalSeconds != 0.0 && !(options.intervalSeconds >= kLogMinIntervalSeconds &&
                                            options.intervalSeconds <= kLogMaxIntervalSeconds)) {
        return "The interval must be 0.1 to 3600 seconds";
    }
    if (const int error = sink_.Open(options.path, options.append); error != 0) {
        return std::strerror(error);
    }
    options_ = options;
    meaning_ = meaning;
    const std::size_t n = options.columns.size();
    status_ = LogStatus{};
    status_.running = true;
    status_.violations.assign(n, 0);
    status_.lastValues.assign(n, std::nullopt);
    interval_.assign(n, RunningStats{});
    intervalCaptures_ = 0;
    startMs_ = clock_.MonotonicMs();
    startUtcMs_ = clock_.UtcMs();
    intervalMs_ = std::llround(options.intervalSeconds * 1000.0);
    intervalEndMs_ = startMs_ + intervalMs_;
    lastSyncMs_ = startMs_;

    std::string header = "# Tarnix measurement log, started ";
    AppendIsoUtc(header, startUtcMs_);
    header += "\r\n";
    for (const std::string& phrase : DescribeMeaning(meaning)) {
        header += "# " + phrase + "\r\n";
    }
    if (IntervalMode()) {
        header += "# a row every ";
        AppendMs(header, intervalMs_);
        header += " s: mean, minimum and maximum of the captures in it\r\n";
    } else {
        header += "# a row every capture\r\n";
    }
    for (const LogColumn& column : options.columns) {
        if (column.limits.low || column.limits.high) {
            header += "# limits ";
            AppendLimit(header, column.item, column.limits);
            header += "\r\n";
        }
    }
    header += "time (UTC),seconds";
    for (const LogColumn& column : options.columns) {
        const std::string name = ItemName(column.item);
        const std::string unit = " (" + std::string(ItemUnit(column.item)) + ")";
        if (IntervalMode()) {
            header += "," + name + " mean" + unit + "," + name + " min" + unit + "," + name + " max" + unit;
        } else {
            header += "," + name + unit;
        }
    }
    header += IntervalMode() ? ",captures,limits\r\n" : ",limits\r\n";
    line_ = header;
    if (!Emit()) {
        const std::string reason = status_.stopReason;
        status_.stopReason.clear();
        return reason;
    }
    return {};
}

LogRowResult CMeasureLog::AddCapture(const MeasureMeaning& meaning,
                                     std::span<const std::optional<double>> values) {
    if (!status_.running) {
        return {};
    }
    LogRowResult result = Poll();
    if (!status_.running) {
        return result;
    }
    if (meaning != meaning_) {
        // The values before the change belong to the old settings: close their interval first.
        if (IntervalMode() && intervalCaptures_ > 0) {
            const LogRowResult partial = WriteIntervalRow(clock_.MonotonicMs());
            result.written |= partial.written;
            result.violation |= partial.violation;
        }
        std::string text;
        for (const std::string& phrase : DescribeChanges(meaning_, meaning)) {
            text += text.empty() ? phrase : "; " + phrase;
        }
        meaning_ = meaning;
        WriteComment(text);
    }
    if (!status_.running) {
        return result;
    }
    if (IntervalMode()) {
        ++intervalCaptures_;
        for (std::size_t i = 0; i < interval_.size(); ++i) {
            const std::optional<double> value = i < values.size() ? values[i] : std::nullopt;
            value ? interval_[i].Add(*value) : interval_[i].AddUnmeasurable();
        }
        return result;
    }
    const LogRowResult row = WriteCaptureRow(values);
    return {result.written || row.written, result.violation || row.violation};
}

LogRowResult CMeasureLog::Poll() {
    if (!status_.running) {
        return {};
    }
    const std::int64_t now = clock_.MonotonicMs();
    LogRowResult result;
    if (IntervalMode() && now >= intervalEndMs_) {
        if (intervalCaptures_ > 0) {
            result = WriteIntervalRow(intervalEndMs_);
        }
        // Intervals without a capture (a stopped acquisition) leave no row.
        intervalEndMs_ += ((now - intervalEndMs_) / intervalMs_ + 1) * intervalMs_;
    }
    if (status_.running) {
        if (const int error = sink_.SyncError(); error != 0) {
            Fail(error);
        } else {
            SyncIfDue(now);
        }
    }
    return result;
}

void CMeasureLog::Stop() {
    if (!status_.running) {
        return;
    }
    if (IntervalMode() && intervalCaptures_ > 0) {
        WriteIntervalRow(clock_.MonotonicMs());
    }
    status_.elapsedMs = clock_.MonotonicMs() - startMs_;
    status_.bytes = sink_.Size();
    status_.running = false;
    if (const int error = sink_.Close(); error != 0) {
        status_.stopReason = std::strerror(error);
    }
}

const LogStatus& CMeasureLog::Status() const {
    if (status_.running) {
        status_.elapsedMs = clock_.MonotonicMs() - startMs_;
        status_.bytes = sink_.Size();
    }
    return status_;
}

void CMeasureLog::BeginRow(std::int64_t atMs) {
    line_.clear();
    AppendIsoUtc(line_, startUtcMs_ + (atMs - startMs_));
    line_ += ',';
    AppendMs(line_, atMs - startMs_);
    flags_.clear();
}

void CMeasureLog::AppendNumber(std::optional<double> value) {
    line_ += ',';
    if (value && std::isfinite(*value)) {
        char text[32];
        const auto end =
            std::to_chars(text, text + sizeof text, *value, std::chars_format::general, kDigits).ptr;
        line_.append(text, end);
    }
}

bool CMeasureLog::CheckLimits(std::size_t column, std::optional<double> low, std::optional<double> high) {
    const LogLimits& limits = options_.columns[column].limits;
    const bool under = limits.low && low && *low < *limits.low;
    const bool over = limits.high && high && *high > *limits.high;
    if (!under && !over) {
        return false;
    }
    if (!flags_.empty()) {
        flags_ += ';';
    }
    const MeasureItem& item = options_.columns[column].item;
    const std::string_view label = MeasureLabel(item.kind);
    flags_.append(SourceName(item.source)).append(" ").append(label.substr(0, label.find(" = ")));
    flags_.append(under ? " low" : " high");
    ++status_.violations[column];
    return true;
}

LogRowResult CMeasureLog::WriteCaptureRow(std::span<const std::optional<double>> values) {
    BeginRow(clock_.MonotonicMs());
    bool violation = false;
    for (std::size_t i = 0; i < options_.columns.size(); ++i) {
        const std::optional<double> value = i < values.size() ? values[i] : std::nullopt;
        AppendNumber(value);
        violation |= CheckLimits(i, value, value);
        status_.lastValues[i] = value;
    }
    line_ += ',';
    line_ += flags_;
    line_ += "\r\n";
    if (!Emit()) {
        return {};
    }
    ++status_.rows;
    status_.violationRows += violation ? 1 : 0;
    return {true, violation};
}

LogRowResult CMeasureLog::WriteIntervalRow(std::int64_t atMs) {
    BeginRow(atMs);
    bool violation = false;
    for (std::size_t i = 0; i < interval_.size(); ++i) {
        const RunningStats& s = interval_[i];
        const bool any = s.Count() > 0;
        const std::optional<double> mean = any ? std::optional<double>(s.Mean()) : std::nullopt;
        const std::optional<double> min = any ? std::optional<double>(s.Min()) : std::nullopt;
        const std::optional<double> max = any ? std::optional<double>(s.Max()) : std::nullopt;
        AppendNumber(mean);
        AppendNumber(min);
        AppendNumber(max);
        violation |= CheckLimits(i, min, max);
        status_.lastValues[i] = mean;
    }
    line_ += ',';
    line_ += std::to_string(intervalCaptures_);
    line_ += ',';
    line_ += flags_;
    line_ += "\r\n";
    for (RunningStats& s : interval_) {
        s.Reset();
    }
    intervalCaptures_ = 0;
    if (!Emit()) {
        return {};
    }
    ++status_.rows;
    status_.violationRows += violation ? 1 : 0;
    return {true, violation};
}

void CMeasureLog::WriteComment(const std::string& text) {
    const std::int64_t now = clock_.MonotonicMs();
    line_ = "# ";
    AppendIsoUtc(line_, startUtcMs_ + (now - startMs_));
    line_ += " (";
    AppendMs(line_, now - startMs_);
    line_ += " s) ";
    line_ += text;
    line_ += "\r\n";
    Emit();
}

bool CMeasureLog::Emit() {
    if (const int error = sink_.Write(line_); error != 0) {
        Fail(error);
        return false;
    }
    dirty_ = true;
    SyncIfDue(clock_.MonotonicMs());
    return true;
}

void CMeasureLog::SyncIfDue(std::int64_t nowMs) {
    if (dirty_ && nowMs - lastSyncMs_ >= kSyncEveryMs && sink_.StartSync()) {
        lastSyncMs_ = nowMs;
        dirty_ = false;
    }
}

void CMeasureLog::Fail(int error) {
    status_.elapsedMs = clock_.MonotonicMs() - startMs_;
    status_.bytes = sink_.Size();
    status_.running = false;
    status_.stopReason = std::strerror(error);
    sink_.Close();
}

} // namespace tarnix
