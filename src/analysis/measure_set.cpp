#include "analysis/measure_set.h"

#include "analysis/value_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnix {

namespace {

constexpr std::string_view kNoValue = "*****";
constexpr int kTopLevel = 255; // the screen's top edge; 0 is its bottom edge
constexpr std::array<std::string_view, kMeasureSourceCount> kSourcePrefix = {"CH1:", "CH2:", "MATH:"};
constexpr std::array<std::string_view, kMeasureKindCount> kLabels = {
    "Vpp = ",   "Vmax = ",   "Vmin = ",  "Vamp = ",    "Vtop = ",    "Vmid = ",   "Vbase = ",
    "Vmean = ", "Vcmean = ", "Vrms = ",  "Vpshoot = ", "Vnshoot = ", "Period = ", "Frequ = ",
    "RiseT = ", "FallT = ",  "+Duty = ", "-Duty = ",   "+Width = ",  "-Width = ",
};

bool Usable(const MeasureChannel& channel) {
    return channel.enabled && !channel.trace.empty() &&
           channel.trace.size() <= static_cast<std::size_t>(kMeasureTracePoints);
}

// Screen level to volts: 32 levels per division, 0 V at level 255 - zeroLevel.
double LevelVolts(const MeasureChannel& channel, double level) {
    return channel.voltsPerDiv * (level - (255.0 - channel.zeroLevel)) / 32.0;
}

std::string Percent(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f%%", value);
    return buffer;
}

// Threshold crossing search shared by rise and fall time: the first crossing of `from` in the given
// direction starts the clock, the next crossing of `to` in the same direction stops it.
int CrossingPoints(std::span<const std::int16_t> trace, int from, int to, bool rising) {
    if (trace.size() < 2) {
        return -1;
    }
    int threshold = from;
    bool prev = trace[0] > threshold; // true = above
    bool cur = prev;
    int phase = 0;
    int start = 0;
    for (std::size_t i = 1; i < trace.size(); ++i) {
        const int v = trace[i];
        if (v > threshold) {
            prev = cur;
            cur = true;
        }
        if (v < threshold) {
            prev = cur;
            cur = false;
        }
        const bool crossed = rising ? (!prev && cur) : (prev && !cur);
        if (!crossed) {
            continue;
        }
        if (phase == 0) {
            start = static_cast<int>(i);
            threshold = to;
            prev = cur = v > threshold;
            phase = 1;
        } else {
            return static_cast<int>(i) - start;
        }
    }
    return -1;
}

void Thresholds(const MeasureExtremes& extremes, int& lo, int& hi) {
    const int amp = extremes.high[4] - extremes.low[4];
    lo = static_cast<int>(extremes.low[4] + 0.1 * amp);
    hi = static_cast<int>(extremes.low[4] + 0.9 * amp);
}

} // namespace

std::string_view MeasureLabel(int kind) {
    if (kind < 0 || kind >= kMeasureKindCount) {
        return {};
    }
    return kLabels[static_cast<std::size_t>(kind)];
}

MeasureExtremes FindExtremes(std::span<const std::int16_t> trace) {
    MeasureExtremes e;
    e.high.fill(0);
    e.low.fill(255);
    // Only the first slot that matches changes: a new maximum does not push the old one down, so the
    // fifth slot settles on a level that is reached often (the "top"), not the fifth largest value.
    // Both cascades stay ordered (high[0] >= .. >= high[4], low[0] <= .. <= low[4]), so a value
    // between high[4] and low[4] changes no slot and needs no further test.
    for (const std::int16_t v : trace) {
        if (v <= e.high[4] && v >= e.low[4]) {
            continue;
        }
        if (v > e.high[0]) {
            e.high[0] = v;
        } else if (v > e.high[1]) {
            e.high[1] = v;
        } else if (v > e.high[2]) {
            e.high[2] = v;
        } else if (v > e.high[3]) {
            e.high[3] = v;
        } else if (v > e.high[4]) {
            e.high[4] = v;
        } else if (v < e.low[0]) {
            e.low[0] = v;
        } else if (v < e.low[1]) {
            e.low[1] = v;
        } else if (v < e.low[2]) {
            e.low[2] = v;
        } else if (v < e.low[3]) {
            e.low[3] = v;
        } else if (v < e.low[4]) {
            e.low[4] = v;
        }
    }
    return e;
}

void FindEdges(std::span<const std::int16_t> trace, MeasureExtremes& extremes) {
    extremes.edges.fill(0);
    if (trace.size() < 2) {
        return;
    }
    const int mid = (extremes.high[4] + extremes.low[4]) / 2;
    bool prev = trace[0] > mid; // true = high
    bool cur = prev;
    int phase = 0;
    std::array<int, 3> found{};
    for (std::size_t i = 1; i < trace.size() && phase < 3; ++i) {
        const int v = trace[i];
        if (v + kMeasureHysteresis < mid) {
            prev = cur;
            cur = false;
        }
        if (v - kMeasureHysteresis > mid) {
            prev = cur;
            cur = true;
        }
        const bool rising = !prev && cur;
        const bool falling = prev && !cur;
        if ((phase == 0 && rising) || (phase == 1 && falling) || (phase == 2 && rising)) {
            found[static_cast<std::size_t>(phase)] = static_cast<int>(i);
            ++phase;
        }
    }
    if (phase == 3) {
        for (std::size_t k = 0; k < 3; ++k) {
            extremes.edges[k] = static_cast<std::int16_t>(found[k]);
        }
    }
}

int RiseTimePoints(std::span<const std::int16_t> trace, const MeasureExtremes& extremes) {
    int lo = 0;
    int hi = 0;
    Thresholds(extremes, lo, hi);
    return CrossingPoints(trace, lo, hi, true);
}

int FallTimePoints(std::span<const std::int16_t> trace, const MeasureExtremes& extremes) {
    int lo = 0;
    int hi = 0;
    Thresholds(extremes, lo, hi);
    return CrossingPoints(trace, hi, lo, false);
}

MeasureClip ClipOf(const MeasureExtremes& extremes) {
    return {extremes.high[0] == kTopLevel, extremes.low[0] == 0};
}

CMeasureSet::CMeasureSet() {
    ClearMeasures();
    for (MeasureExtremes& e : extremes_) {
        e.high.fill(0);
        e.low.fill(255);
    }
}

void CMeasureSet::ClearMeasures() {
    for (std::size_t i = 0; i < kMeasureSlotCount; ++i) {
        slots_[i].used = 0;
        texts_[i].assign(kNoValue);
        clips_[i] = {};
    }
    itemCount_ = 0;
}

void CMeasureSet::SetMeasureSource(int source) {
    if (source >= 0 && source < kMeasureSourceCount) {
        source_ = static_cast<std::uint16_t>(source);
    }
}

void CMeasureSet::AddMeasure(int kind) {
    if (kind < 0 || kind >= kMeasureKindCount) {
        return;
    }
    if (itemCount_ < kMeasureSlotCount) {
        ++itemCount_;
    } else {
        for (std::size_t k = 0; k + 1 < kMeasureSlotCount; ++k) {
            slots_[k].source = slots_[k + 1].source;
            slots_[k].kind = slots_[k + 1].kind;
            texts_[k] = texts_[k + 1];
            clips_[k] = clips_[k + 1];
        }
    }
    // The new item has no value until the next evaluation.
    const auto last = static_cast<std::size_t>(itemCount_ - 1);
    texts_[last].assign(kNoValue);
    clips_[last] = {};
    MeasureSlot& slot = slots_[last];
    slot.used = 1;
    slot.source = source_;
    slot.kind = static_cast<std::uint16_t>(kind);
}

void CMeasureSet::RestoreMeasures(int itemCount, int source,
                                  const std::array<MeasureSlot, kMeasureSlotCount>& slots) {
    ClearMeasures();
    SetMeasureSource(source);
    itemCount_ = static_cast<std::uint16_t>(std::clamp(itemCount, 0, kMeasureSlotCount));
    for (std::size_t i = 0; i < kMeasureSlotCount; ++i) {
        MeasureSlot& slot = slots_[i];
        slot.used = i < itemCount_ ? 1 : 0;
        slot.source = slots[i].source < kMeasureSourceCount ? slots[i].source : std::uint16_t{0};
        slot.kind = slots[i].kind < kMeasureKindCount ? slots[i].kind : std::uint16_t{0};
    }
}

void CMeasureSet::UpdateMeasurements(const std::array<MeasureChannel, kMeasureSourceCount>& channels) {
    for (std::size_t s = 0; s < kMeasureSourceCount; ++s) {
        if (Usable(channels[s])) {
            extremes_[s] = FindExtremes(channels[s].trace);
            FindEdges(channels[s].trace, extremes_[s]);
        } else {
            extremes_[s].high.fill(0);
            extremes_[s].low.fill(255);
            extremes_[s].edges.fill(0);
        }
    }
    for (int i = 0; i < itemCount_; ++i) {
        const MeasureSlot& slot = slots_[static_cast<std::size_t>(i)];
        const std::size_t s = slot.source < kMeasureSourceCount ? slot.source : 0;
        Evaluate(i, channels[s], extremes_[s]);
    }
}

std::optional<double> MeasureValue(int kind, const MeasureChannel& channel, const MeasureExtremes& e,
                                   double secondsPerDiv) {
    if (!Usable(channel)) {
        return std::nullopt;
    }
    const double d = channel.voltsPerDiv;
    const int e1 = e.edges[0];
    const int e2 = e.edges[1];
    const int e3 = e.edges[2];
    const auto pointsToSeconds = [secondsPerDiv](int points) { return points * secondsPerDiv * 0.002; };
    const auto timeOrNone = [&](int points) -> std::optional<double> {
        const double seconds = pointsToSeconds(points);
        return seconds == 0.0 ? std::nullopt : std::optional<double>(seconds);
    };
    const std::span<const std::int16_t> trace = channel.trace;

    switch (kind) {
    case kMeasureVpp:
        return d * (e.high[0] - e.low[0]) / 32.0;
    case kMeasureVmax:
        return LevelVolts(channel, e.high[0]);
    case kMeasureVmin:
        return LevelVolts(channel, e.low[0]);
    case kMeasureVamp:
        return d * (e.high[4] - e.low[4]) / 32.0;
    case kMeasureVtop:
        return LevelVolts(channel, e.high[4]);
    case kMeasureVmid:
        return LevelVolts(channel, e.low[4] + (e.high[4] - e.low[4]) * 0.5);
    case kMeasureVbase:
        return LevelVolts(channel, e.low[4]);
    case kMeasureVmean: {
        double sum = 0.0;
        for (const std::int16_t v : trace) {
            sum += v;
        }
        return LevelVolts(channel, sum / static_cast<double>(trace.size()));
    }
    case kMeasureVcmean: {
        if (e3 == 0) {
            return std::nullopt;
        }
        double sum = 0.0;
        for (int i = e1; i <= e3; ++i) {
            sum += trace[static_cast<std::size_t>(i)];
        }
        return LevelVolts(channel, sum / (e3 - e1 + 1));
    }
    case kMeasureVrms: {
        double sum = 0.0;
        for (const std::int16_t v : trace) {
            const double volts = LevelVolts(channel, v);
            sum += volts * volts;
        }
        return std::sqrt(sum / static_cast<double>(trace.size()));
    }
    case kMeasureVpshoot:
        if (e.high[4] == e.low[4]) {
            return std::nullopt;
        }
        return 100.0 * (e.low[4] - e.low[0]) / static_cast<double>(e.high[4] - e.low[4]);
    case kMeasureVnshoot:
        if (e.high[4] == e.low[4]) {
            return std::nullopt;
        }
        return 100.0 * (e.high[0] - e.high[4]) / static_cast<double>(e.high[4] - e.low[4]);
    case kMeasurePeriod:
        if (e3 == 0) {
            return std::nullopt;
        }
        return pointsToSeconds(e3 - e1);
    case kMeasureFrequency: {
        const double period = pointsToSeconds(e3 - e1);
        if (e3 == 0 || period == 0.0) {
            return std::nullopt;
        }
        return 1.0 / period;
    }
    case kMeasureRiseTime: {
        const int points = RiseTimePoints(trace, e);
        return points < 0 ? std::nullopt : std::optional<double>(pointsToSeconds(points));
    }
    case kMeasureFallTime: {
        const int points = FallTimePoints(trace, e);
        return points < 0 ? std::nullopt : std::optional<double>(pointsToSeconds(points));
    }
    case kMeasurePosDuty:
        if (e2 - e1 == 0 || e3 - e1 == 0) {
            return std::nullopt;
        }
        return 100.0 * (e2 - e1) / static_cast<double>(e3 - e1);
    case kMeasureNegDuty:
        if (e3 - e2 == 0 || e3 - e1 == 0) {
            return std::nullopt;
        }
        return 100.0 * (e3 - e2) / static_cast<double>(e3 - e1);
    case kMeasurePosWidth:
        return timeOrNone(e2 - e1);
    case kMeasureNegWidth:
        return timeOrNone(e3 - e2);
    default:
        return std::nullopt;
    }
}

MeasureUnit MeasureUnitOf(int kind) {
    if (kind >= kMeasureVpp && kind <= kMeasureVrms) {
        return MeasureUnit::kVolts;
    }
    if (kind == kMeasureFrequency) {
        return MeasureUnit::kHertz;
    }
    if (kind == kMeasureVpshoot || kind == kMeasureVnshoot || kind == kMeasurePosDuty ||
        kind == kMeasureNegDuty) {
        return MeasureUnit::kPercent;
    }
    return MeasureUnit::kSeconds;
}

void CMeasureSet::Evaluate(int slotIndex, const MeasureChannel& channel, const MeasureExtremes& e) {
    const MeasureSlot& slot = slots_[static_cast<std::size_t>(slotIndex)];
    std::string& text = texts_[static_cast<std::size_t>(slotIndex)];
    const std::size_t s = slot.source < kMeasureSourceCount ? slot.source : 0;
    text.assign(kSourcePrefix[s]);
    text.append(MeasureLabel(slot.kind));
    const std::optional<double> value = MeasureValue(slot.kind, channel, e, secondsPerDiv_);
    clips_[static_cast<std::size_t>(slotIndex)] = value ? ClipOf(e) : MeasureClip{};
    if (!value) {
        text.append(kNoValue);
        return;
    }
    switch (MeasureUnitOf(slot.kind)) {
    case MeasureUnit::kVolts:
        text.append(FormatVolts(*value));
        break;
    case MeasureUnit::kPercent:
        text.append(Percent(*value));
        break;
    case MeasureUnit::kHertz:
        text.append(FormatFrequency(*value));
        break;
    case MeasureUnit::kSeconds:
        text.append(FormatTime(*value));
        break;
    }
}

double CMeasureSet::MidLevel(int channel) const {
    if (channel != 0 && channel != 1) {
        return 0.0;
    }
    const MeasureExtremes& e = extremes_[static_cast<std::size_t>(channel)];
    return 255.0 - ((e.high[0] - e.low[0]) * 0.5 + e.low[0]);
}

int CMeasureSet::CyclesOnScreen(int channel) const {
    if (channel != 0 && channel != 1) {
        return 0;
    }
    const MeasureExtremes& e = extremes_[static_cast<std::size_t>(channel)];
    const int length = e.edges[2] - e.edges[0];
    return length == 0 ? 0 : kMeasureTracePoints / length;
}

int CMeasureSet::LayoutTexts(int left, int top, int right, int bottom,
                             const std::array<std::uint32_t, kMeasureSourceCount>& colours,
                             std::array<MeasureTextItem, kMeasureSlotCount>& items) const {
    const int w = right - left;
    const int h = bottom - top;
    const int column[2] = {left + w / 8, left + w / 8 + w / 2};
    const int row[4] = {bottom - h / 15, bottom - h / 8, bottom - h / 8 - h / 15,
                        bottom - h / 8 - 2 * (h / 15)};
    int count = 0;
    for (std::size_t i = 0; i < kMeasureSlotCount; ++i) {
        if (slots_[i].used == 0) {
            continue;
        }
        MeasureTextItem& item = items[static_cast<std::size_t>(count++)];
        item.text = texts_[i];
        item.x = column[i % 2];
        item.y = row[i / 2];
        item.colour = colours[slots_[i].source < kMeasureSourceCount ? slots_[i].source : 0];
        item.clip = clips_[i];
    }
    return count;
}

const std::string& CMeasureSet::Text(int slot) const {
    return texts_[static_cast<std::size_t>(slot >= 0 && slot < kMeasureSlotCount ? slot : 0)];
}

MeasureClip CMeasureSet::Clip(int slot) const {
    return slot >= 0 && slot < kMeasureSlotCount ? clips_[static_cast<std::size_t>(slot)] : MeasureClip{};
}

MeasureSlot CMeasureSet::Slot(int slot) const {
    if (slot < 0 || slot >= kMeasureSlotCount) {
        return {};
    }
    return slots_[static_cast<std::size_t>(slot)];
}

const MeasureExtremes& CMeasureSet::Extremes(int source) const {
    return extremes_[static_cast<std::size_t>(source >= 0 && source < kMeasureSourceCount ? source : 0)];
}

} // namespace tarnix
