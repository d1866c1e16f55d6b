#include "datalog/trend_series.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>

#include "analysis/measure_set.h"

namespace tarnix {

namespace {

void Widen(TrendBucket& bucket, double low, double high) {
    if (!bucket.any) {
        bucket = {low, high, true};
    } else {
        bucket.min = std::min(bucket.min, low);
        bucket.max = std::max(bucket.max, high);
    }
}

std::optional<double> Number(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? std::optional<double>(value)
                                                                    : std::nullopt;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string_view::npos; start = comma + 1) {
        fields.push_back(line.substr(start, comma - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

// "CH2 Frequ (Hz)" or "CH2 Frequ mean (Hz)" back to its item; nullopt for other columns.
std::optional<MeasureItem> ItemOfHeader(std::string_view header) {
    for (int source = 0; source < kMeasureSourceCount; ++source) {
        for (int kind = 0; kind < kMeasureKindCount; ++kind) {
            const MeasureItem item{source, kind};
            const std::string name = ItemName(item);
            const std::string unit = " (" + std::string(ItemUnit(item)) + ")";
            if (header == name + unit || header == name + " mean" + unit) {
                return item;
            }
        }
    }
    return std::nullopt;
}

} // namespace

void CTrendSeries::Reset(std::vector<LogColumn> columns, double firstSpanSeconds) {
    columns_ = std::move(columns);
    buckets_.assign(columns_.size(), std::vector<TrendBucket>(kBuckets));
    spanSeconds_ = firstSpanSeconds > 0.0 ? firstSpanSeconds : 0.01;
    endSeconds_ = 0.0;
    rows_ = 0;
}

void CTrendSeries::Merge() {
    for (std::vector<TrendBucket>& buckets : buckets_) {
        for (std::size_t i = 0; i < kBuckets / 2; ++i) {
            TrendBucket merged = buckets[2 * i];
            if (buckets[2 * i + 1].any) {
                Widen(merged, buckets[2 * i + 1].min, buckets[2 * i + 1].max);
            }
            buckets[i] = merged;
        }
        std::fill(buckets.begin() + kBuckets / 2, buckets.end(), TrendBucket{});
    }
    spanSeconds_ *= 2.0;
}

void CTrendSeries::Add(double seconds, std::span<const std::optional<double>> values,
                       std::span<const std::optional<double>> highs) {
    if (!(seconds >= 0.0) || !std::isfinite(seconds)) {
        return;
    }
    while (seconds >= spanSeconds_ * static_cast<double>(kBuckets)) {
        Merge();
    }
    const auto index = std::min(kBuckets - 1, static_cast<std::size_t>(seconds / spanSeconds_));
    for (std::size_t c = 0; c < buckets_.size() && c < values.size(); ++c) {
        const std::optional<double> high = c < highs.size() ? highs[c] : values[c];
        if (values[c] && high && std::isfinite(*values[c]) && std::isfinite(*high)) {
            Widen(buckets_[c][index], *values[c], *high);
        }
    }
    endSeconds_ = std::max(endSeconds_, seconds);
    ++rows_;
}

std::optional<std::pair<double, double>> CTrendSeries::Range(std::size_t column) const {
    TrendBucket all;
    for (const TrendBucket& b : buckets_.at(column)) {
        if (b.any) {
            Widen(all, b.min, b.max);
        }
    }
    return all.any ? std::optional(std::pair(all.min, all.max)) : std::nullopt;
}

void CTrendSeries::Envelope(std::size_t column, std::span<TrendColumn> out) const {
    std::fill(out.begin(), out.end(), TrendColumn{});
    if (out.empty() || column >= buckets_.size()) {
        return;
    }
    const double end = std::max(endSeconds_, spanSeconds_);
    const std::size_t used = std::min(kBuckets, static_cast<std::size_t>(end / spanSeconds_) + 1);
    const std::vector<TrendBucket>& buckets = buckets_[column];
    for (std::size_t i = 0; i < used; ++i) {
        if (!buckets[i].any) {
            continue;
        }
        const double start = static_cast<double>(i) * spanSeconds_;
        const auto x =
            std::min(out.size() - 1, static_cast<std::size_t>(start / end * static_cast<double>(out.size())));
        TrendColumn& c = out[x];
        if (!c.any) {
            c = {buckets[i].min, buckets[i].max, true};
        } else {
            c.min = std::min(c.min, buckets[i].min);
            c.max = std::max(c.max, buckets[i].max);
        }
    }
}

std::string LoadTrendFile(const std::string& path, CTrendSeries& series) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "Can not open file: " + path;
    }
    std::vector<int> valueField; // per column: the field of its value (or its mean's minimum follows)
    bool interval = false;
    std::string line;
    bool header = false;
    while (std::getline(in, line)) {
        const bool whole = !in.eof();
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!whole || line.empty() || line.front() == '#') {
            continue;
        }
        const std::vector<std::string_view> fields = Fields(line);
        if (!header) {
            if (!line.starts_with("time (UTC),seconds,")) {
                return "This is not a measurement log: " + path;
            }
            std::vector<LogColumn> columns;
            for (std::size_t f = 2; f < fields.size(); ++f) {
                if (const std::optional<MeasureItem> item = ItemOfHeader(fields[f])) {
                    columns.push_back({*item, {}});
                    valueField.push_back(static_cast<int>(f));
                    interval = fields[f].find(" mean (") != std::string_view::npos;
                }
            }
            series.Reset(std::move(columns));
            header = true;
            continue;
        }
        const std::optional<double> seconds = fields.size() > 1 ? Number(fields[1]) : std::nullopt;
        if (!seconds) {
            continue;
        }
        // An interval row enters with its minimum and its maximum, so the envelope keeps both.
        std::vector<std::optional<double>> lows;
        std::vector<std::optional<double>> highs;
        for (int f : valueField) {
            const auto at = static_cast<std::size_t>(f + (interval ? 1 : 0));
            lows.push_back(at < fields.size() ? Number(fields[at]) : std::nullopt);
            highs.push_back(interval && at + 1 < fields.size() ? Number(fields[at + 1]) : lows.back());
        }
        series.Add(*seconds, lows, highs);
    }
    return header ? std::string() : "This is not a measurement log: " + path;
}

} // namespace tarnix
