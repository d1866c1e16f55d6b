#include "acquisition/processing_steps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarnix {

namespace {

// 0 stands for "copy": the sample memory is used as it is.
constexpr double kFactors[3][2][11] = {
    {{2500, 1000, 500, 250, 100, 50, 25, 10, 5, 2.5, 0}, {5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2}},
    {{1650, 666, 332, 166, 67, 33.5, 16.65, 6.65, 3.33, 1.67, 1.33},
     {3320, 1336, 666, 332, 133, 67, 33.5, 13.32, 6.7, 3.34, 1.33}},
    {{1000, 400, 200, 100, 40, 20, 10, 4, 2, 0, 0}, {2000, 800, 400, 200, 80, 40, 20, 8, 4, 2, 0}},
};

// The last source index a stretch reads: the record of a fast time base is 10240 points.
constexpr int kLastStretchSource = kBaseRecordLength - 1;

// The memory holds 16-bit words; a code below 0 (a signal under the screen's bottom edge) arrives as its
// two's-complement pattern and must stay negative so the clip puts it on the bottom edge, not the top.
std::int16_t ToCode(std::uint16_t raw) {
    return static_cast<std::int16_t>(raw);
}

// Truncates toward zero into the trace's range; far out-of-range values are clipped later anyway.
std::int16_t TruncCode(double v) {
    if (!(v > -30000.0)) {
        return -30000;
    }
    if (v > 30000.0) {
        return 30000;
    }
    const int t = static_cast<int>(v);
    return static_cast<std::int16_t>(t == kNoData ? kNoData - 1 : t);
}

int ClampInt(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Output trigger index of a stretch: 32768-point stretches place it at p x 327.68, others at s.
int StretchOutputTrigger(int positionPercent, int outLength) {
    if (outLength == kStretchLength) {
        return positionPercent >= 100 ? kStretchLength - 1 : static_cast<int>(positionPercent * 327.68);
    }
    return StretchSourceTrigger(positionPercent);
}

bool IsFactorCopy(double factor) {
    return factor <= 0.0;
}

} // namespace

// ---- Conversion ---------------------------------------------------------------------------------

bool UsesBothChannelFactors(const HardwareBlock& block) {
    return block.channelCode == 2 && block.altFlag != 1;
}

StretchChoice ChooseStretch(int model, int timeDivIndex, bool bothChannels,
                            std::uint16_t channelInterpolation) {
    StretchChoice choice;
    if (timeDivIndex < 0 || timeDivIndex > 10) {
        return choice;
    }
    const int row = (model >= 0 && model <= 2) ? model : 1;
    const double factor = kFactors[row][bothChannels ? 1 : 0][timeDivIndex];
    if (IsFactorCopy(factor)) {
        return choice;
    }
    choice.copy = false;
    choice.factor = factor;
    choice.interpolation =
        timeDivIndex <= 3 ? channelInterpolation : static_cast<std::uint16_t>(kInterpLinear);
    if (choice.interpolation > kInterpSinc) {
        choice.interpolation = kInterpLinear;
    }
    return choice;
}

int StretchSourceTrigger(int positionPercent) {
    if (positionPercent >= 100) {
        return kLastStretchSource;
    }
    const int s = static_cast<int>(positionPercent * 102.4);
    return std::max(s, 40);
}

void StretchStep(const std::uint16_t* source, int sourceSize, std::int16_t* out, int outLength, double factor,
                 int positionPercent) {
    const int s = StretchSourceTrigger(positionPercent);
    const int d = std::min(StretchOutputTrigger(positionPercent, outLength), outLength - 1);
    const int lastSource = sourceSize - 1;
    for (int i = 0; i < outLength - d; ++i) {
        const int idx = std::min(s + static_cast<int>(i / factor), lastSource);
        out[d + i] = ToCode(source[idx]);
    }
    for (int j = 1; j <= d; ++j) {
        const int idx = s - static_cast<int>(j / factor);
        if (idx < 0) {
            break;
        }
        out[d - j] = ToCode(source[std::min(idx, lastSource)]);
    }
}

void StretchLinear(const std::uint16_t* source, int sourceSize, std::int16_t* out, int outLength,
                   double factor, int positionPercent) {
    const int s = StretchSourceTrigger(positionPercent);
    const int d = std::min(StretchOutputTrigger(positionPercent, outLength), outLength - 1);
    const int last = std::min(kLastStretchSource, sourceSize - 1);
    auto at = [&](int idx) { return static_cast<double>(ToCode(source[ClampInt(idx, 0, last)])); };

    // Right of the trigger: interval (s+i, s+i+1) starts at output d + trunc(i x f).
    for (int i = 0;; ++i) {
        const int base = d + static_cast<int>(i * factor);
        if (base >= outLength) {
            break;
        }
        const double a = at(s + i);
        const double b = at(s + i + 1);
        for (int k = 0; k < factor; ++k) {
            const int idx = base + k;
            if (idx >= outLength) {
                break;
            }
            out[idx] = TruncCode(a + k * (b - a) / factor);
        }
    }
    // Left of the trigger, going back from the same point.
    for (int i = 0;; ++i) {
        const int base = d - static_cast<int>(i * factor);
        if (base < 0) {
            break;
        }
        const double a = at(s - i);
        const double b = at(s - i - 1);
        for (int k = 0; k < factor; ++k) {
            const int idx = base - k;
            if (idx < 0) {
                break;
            }
            out[idx] = TruncCode(a + k * (b - a) / factor);
        }
    }
}

namespace {

constexpr int kSincBlock = 16;

// Sub-steps j0 .. j0 + N - 1 between two source points: sum over the 21 taps of window x weight.
template <int N> void SincBlock(const double* window, const double* table, int j0, std::int16_t* out) {
    double acc[N] = {};
    for (int k = 0; k < kSincTaps; ++k) {
        const double w = window[k];
        const double* weights = table + SincIndex(j0, k - kSincHalfWidth);
        for (int t = 0; t < N; ++t) {
            acc[t] += w * weights[t];
        }
    }
    for (int t = 0; t < N; ++t) {
        out[j0 + t] = TruncCode(acc[t]);
    }
}

} // namespace

void BuildSincTable(double factor, std::vector<double>& table) {
    const std::size_t size = static_cast<std::size_t>(kSincRows) * kSincTaps;
    if (table.size() != size) {
        table.assign(size, 0.0);
    }
    for (int j = 1; j < factor && j < kSincRows; ++j) {
        for (int k = -kSincHalfWidth; k <= kSincHalfWidth; ++k) {
            const double x = (j / factor - k) * std::numbers::pi;
            table[SincIndex(j, k)] = std::sin(x) / x;
        }
    }
}

void StretchSinc(const std::uint16_t* source, int sourceSize, std::int16_t* out, double factor,
                 int positionPercent, std::vector<double>& table, double& tableFactor) {
    if (factor != tableFactor || table.empty()) {
        BuildSincTable(factor, table);
        tableFactor = factor;
    }
    const int s = StretchSourceTrigger(positionPercent);
    const int m = 1 + static_cast<int>(kStretchLength / factor);
    int start = s - static_cast<int>(positionPercent * static_cast<double>(m) / 100.0);
    if (start < 0) {
        start = s;
    }
    const int last = std::min(kLastStretchSource, sourceSize - 1);
    auto at = [&](int idx) { return ToCode(source[ClampInt(idx, 0, last)]); };

    // The 21 source values around point i slide by one per source point.
    double window[kSincTaps];
    for (int k = 0; k < kSincTaps; ++k) {
        window[k] = at(start + k - kSincHalfWidth);
    }
    // Sub-steps j = 1 .. while j < f.
    const int subSteps = std::min(static_cast<int>(std::ceil(factor)), kSincRows) - 1;
    for (int i = 0; i < m; ++i) {
        const int o = static_cast<int>(i * factor);
        if (o >= kStretchLength) {
            break;
        }
        const std::int16_t a = at(start + i);
        const std::int16_t b = at(start + i + 1);
        out[o] = a;
        const int count = std::min(subSteps, kStretchLength - 1 - o);
        if (count > 0 && a == b && (a == 255 || a == 0)) {
            std::fill(out + o + 1, out + o + 1 + count, a);
        } else if (count > 0) {
            // Sixteen sub-steps at a time, tap by tap: the sums stay in registers, each in the same order.
            int j0 = 1;
            for (; j0 + kSincBlock - 1 <= count; j0 += kSincBlock) {
                SincBlock<kSincBlock>(window, table.data(), j0, out + o);
            }
            for (; j0 <= count; ++j0) {
                SincBlock<1>(window, table.data(), j0, out + o);
            }
        }
        for (int k = 0; k < kSincTaps - 1; ++k) {
            window[k] = window[k + 1];
        }
        window[kSincTaps - 1] = at(start + i + 1 + kSincHalfWidth);
    }
}

int ConvertChannel(const ChannelSettings& channel, int model, const HardwareBlock& block, WaveFrame& frame) {
    const int capacity = static_cast<int>(std::min(frame.samples.size(), frame.processed.size()));
    const int n =
        std::min(static_cast<int>(std::min<std::uint32_t>(channel.recordLength, 1u << 30)), capacity);
    if (n <= 0) {
        return 0;
    }
    std::int16_t* out = frame.processed.data();
    if (channel.coupling == kCouplingGnd) {
        // At the fast time bases the alignment search reads the whole stretch length: flatten it too, so
        // an older stretch left behind the record cannot be shifted into view.
        const int flat = block.timeDivIndex < 5 ? std::min(std::max(n, kStretchLength), capacity) : n;
        std::fill(out, out + flat, static_cast<std::int16_t>(255 - static_cast<int>(channel.zeroLevel)));
        return n;
    }
    const StretchChoice choice =
        ChooseStretch(model, block.timeDivIndex, UsesBothChannelFactors(block), channel.interpolation);
    const int outLength = block.timeDivIndex < 5 ? kStretchLength : kBaseRecordLength;
    const int needed = choice.interpolation == kInterpSinc ? kStretchLength : outLength;
    if (choice.copy || capacity < needed) {
        std::transform(frame.samples.begin(), frame.samples.begin() + n, out, ToCode);
        return n;
    }
    const int p = std::min<int>(block.position, 100);
    const std::uint16_t* source = frame.samples.data();
    switch (choice.interpolation) {
    case kInterpStep:
        StretchStep(source, capacity, out, outLength, choice.factor, p);
        return outLength;
    case kInterpSinc:
        StretchSinc(source, capacity, out, choice.factor, p, frame.sincTable, frame.sincFactor);
        return kStretchLength;
    default:
        StretchLinear(source, capacity, out, outLength, choice.factor, p);
        return outLength;
    }
}

// ---- Trigger alignment --------------------------------------------------------------------------

int NominalTriggerIndex(int horizontalPosition) {
    const int q = static_cast<int>(horizontalPosition * 0.2 * 102.4);
    return ClampInt(q, 0, kLastStretchSource);
}

int FindTriggerCrossing(const std::int16_t* record, int horizontalPosition, int levelCode,
                        std::uint16_t slope) {
    const int q = NominalTriggerIndex(horizontalPosition);
    const int begin = std::max(q, 40);
    // The window stays 40 points clear of the stretch's end.
    const int end = (kBaseRecordLength - q < 40) ? q + 22488 : q + 22528;
    for (int i = begin; i < end; ++i) {
        const int v = record[i];
        if (std::abs(v - levelCode) >= 10) {
            continue;
        }
        const int before = record[i - 40];
        const int after = record[i + 40];
        if (slope == kSlopeFalling) {
            if (before > levelCode && levelCode > after) {
                return i;
            }
        } else if (before < levelCode && levelCode < after) {
            return i;
        }
    }
    return q;
}

void ShiftToTrigger(std::int16_t* record, int crossing, int horizontalPosition) {
    const int q = NominalTriggerIndex(horizontalPosition);
    const int delta = crossing - q;
    // Positions below q take record[i], record[i-1], ...: the crossing stands at q-1 and at q.
    auto sourceOf = [&](int p) { return p < q ? p + delta + 1 : p + delta; };
    auto move = [&](int p) {
        const int src = sourceOf(p);
        if (src >= 0 && src < kStretchLength) {
            record[p] = record[src];
        }
    };
    if (delta >= 0) {
        for (int p = 0; p < kBaseRecordLength; ++p) {
            move(p);
        }
    } else {
        for (int p = kBaseRecordLength - 1; p >= 0; --p) {
            move(p);
        }
    }
}

// ---- Decimation ---------------------------------------------------------------------------------

int DecimationGroup(int model, int timeDivIndex, std::uint32_t recordLength) {
    if (recordLength == static_cast<std::uint32_t>(kBaseRecordLength)) {
        return 4;
    }
    const int t = timeDivIndex;
    const bool tenth = t == 13 || t == 16 || t == 19 || t == 22;
    switch (model) {
    case 0:
        if (tenth) {
            return 10;
        }
        if (t == 11 || t == 12 || t == 14 || t == 15 || t == 17 || t == 18 || t == 20 || t == 21 || t == 23 ||
            t == 24) {
            return 8;
        }
        return 12;
    case 2:
        return 200;
    default:
        if (t == 11 || t == 12) {
            return 12;
        }
        return tenth ? 10 : 8;
    }
}

void MinMaxPair(const std::int16_t* points, int n, std::int16_t& first, std::int16_t& second) {
    std::int16_t mn = points[0];
    std::int16_t mx = points[0];
    int mnPos = 0;
    int mxPos = 0;
    for (int t = 1; t < n; ++t) {
        const std::int16_t v = points[t];
        if (v < mn) {
            mn = v;
            mnPos = t;
        } else if (v > mx) {
            mx = v;
            mxPos = t;
        }
    }
    if (mxPos > mnPos) {
        first = mn;
        second = mx;
    } else {
        first = mx;
        second = mn;
    }
}

void DecimateRecord(const std::int16_t* record, int recordLength, int group, int horizontalPosition,
                    WaveFrame& frame) {
    group = std::max(group, 1);
    const std::int32_t span = kDisplayPairs * group;
    frame.span = span;
    frame.dragRange = (recordLength - span) / group * 2;
    if (recordLength <= 0) {
        frame.display.fill(0);
        return;
    }
    // A stored position outside 0..500 is held there, so the window never leaves the record's reach.
    const int position = ClampInt(horizontalPosition, 0, 500);
    const int r = static_cast<int>(static_cast<double>(recordLength) * position * 0.002);
    const int before = static_cast<int>(static_cast<double>(span) * position * 0.002);
    const int start = r - before;
    for (int p = 0; p < kDisplayPairs; ++p) {
        const int from = start + p * group;
        std::int16_t* dst = frame.display.data() + 2 * p;
        if (from >= 0 && from + group <= recordLength) {
            MinMaxPair(record + from, group, dst[0], dst[1]);
        } else {
            // Past an end of the record the edge sample is held.
            const int lo = ClampInt(from, 0, recordLength - 1);
            const int hi = ClampInt(from + group, lo + 1, recordLength);
            MinMaxPair(record + lo, hi - lo, dst[0], dst[1]);
        }
    }
}

// ---- Point operations ---------------------------------------------------------------------------

void InvertTrace(WaveFrame& frame, float zeroLevel) {
    const double twiceZero = 2.0 * (255.0 - static_cast<double>(zeroLevel));
    const int last = std::min(frame.lastIndex, kDisplayPoints - 1);
    for (int i = std::max(frame.firstIndex, 0); i <= last; ++i) {
        std::int16_t& v = frame.display[static_cast<std::size_t>(i)];
        if (v != kNoData) {
            v = TruncCode(twiceZero - v);
        }
    }
}

void FilterAndClip(WaveFrame& frame, std::uint16_t filterMode, float zeroLevel) {
    const double z = 255.0 - static_cast<double>(zeroLevel);
    const double gain = filterMode == kFilterLower ? 0.999 : (filterMode == kFilterHigher ? 0.998 : 1.0);
    const bool filter = filterMode == kFilterLower || filterMode == kFilterHigher;
    const int last = std::min(frame.lastIndex, kDisplayPoints - 1);
    for (int i = std::max(frame.firstIndex, 0); i <= last; ++i) {
        std::int16_t& v = frame.display[static_cast<std::size_t>(i)];
        if (v == kNoData) {
            continue;
        }
        int x = v;
        if (filter) {
            x = TruncCode((x - z) * gain + z);
        }
        v = static_cast<std::int16_t>(ClampInt(x, 0, 255));
    }
}

// ---- MATH ---------------------------------------------------------------------------------------

void ComputeMath(const InstrumentSettings& settings, const WaveFrame& ch1, const WaveFrame& ch2,
                 WaveFrame& math) {
    const bool ch1On = settings.ch(kCh1).enabled != 0;
    const bool ch2On = settings.ch(kCh2).enabled != 0;
    math.ResetWindow();
    if (!ch1On && !ch2On) {
        math.display.fill(0);
        return;
    }
    const ChannelSettings& m = settings.ch(kMath);
    int srcA = m.math.sourceA == 0 ? kCh1 : kCh2;
    int srcB = m.math.sourceB == 0 ? kCh1 : kCh2;
    if (!ch2On) {
        srcA = srcB = kCh1;
    } else if (!ch1On) {
        srcA = srcB = kCh2;
    }
    math.pointCount = ch1On ? ch1.pointCount : ch2.pointCount;
    const WaveFrame& fa = srcA == kCh1 ? ch1 : ch2;
    const WaveFrame& fb = srcB == kCh1 ? ch1 : ch2;
    math.firstIndex = fa.firstIndex;
    math.lastIndex = fa.lastIndex;

    const ChannelSettings& ca = settings.ch(srcA);
    const ChannelSettings& cb = settings.ch(srcB);
    const double za = 255.0 - static_cast<double>(ca.zeroLevel);
    const double zb = 255.0 - static_cast<double>(cb.zeroLevel);
    const double zm = 255.0 - static_cast<double>(m.zeroLevel);
    const double va = static_cast<float>(ChannelVoltsPerDiv(ca));
    const double vb = static_cast<float>(ChannelVoltsPerDiv(cb));
    const double vm = ChannelVoltsPerDiv(m);
    const double ka = va / vm;
    const double kb = vb / vm;
    const bool same = srcA == srcB;
    const std::int16_t zeroCode = TruncCode(zm);

    for (int i = 0; i < kDisplayPoints; ++i) {
        const std::int16_t a = fa.display[static_cast<std::size_t>(i)];
        const std::int16_t b = fb.display[static_cast<std::size_t>(i)];
        std::int16_t& out = math.display[static_cast<std::size_t>(i)];
        if (a == kNoData || b == kNoData) {
            out = kNoData;
            continue;
        }
        switch (m.math.mathOperator) {
        case kMathSub:
            out = same ? zeroCode : TruncCode(ka * (a - za) - kb * (b - zb) + zm);
            break;
        case kMathMul:
            out = TruncCode(CodeToVolts(ca, a) * CodeToVolts(cb, b) / (vm * 0.03125) + zm);
            break;
        case kMathDiv:
            if (same) {
                out = TruncCode(1.0 + static_cast<int>(zm));
            } else {
                const float t = static_cast<float>(kb * (b - zb));
                out = t == 0.0f ? zeroCode : TruncCode(ka * (a - za) / t + zm);
            }
            break;
        default:
            out = same ? TruncCode(2.0 * ka * (a - za) + zm) : TruncCode(ka * (a - za) + kb * (b - zb) + zm);
            break;
        }
    }
}

// ---- Re-scaling ---------------------------------------------------------------------------------

RescaleParams BaseRescaleParams(std::uint32_t recordLength, std::int32_t span) {
    RescaleParams params;
    params.recordLength = static_cast<int>(std::min<std::uint32_t>(recordLength, 1u << 30));
    if (recordLength == static_cast<std::uint32_t>(kBaseRecordLength)) {
        params.baseSpan = 10000;
    } else if (recordLength == 32768u || recordLength == 524288u) {
        params.baseSpan = span > 0 ? span : kDisplayPairs * 8;
    } else {
        params.baseSpan = span > 0 ? span : std::max(params.recordLength, 1);
        params.zoomable = false;
    }
    return params;
}

void RescaleRecord(const std::int16_t* record, const RescaleParams& params, WaveFrame& frame) {
    const int len = std::max(params.recordLength, 0);
    const double span = std::max(params.baseSpan, 1);
    const double ratio = (params.ratio > 0.0 && std::isfinite(params.ratio)) ? params.ratio : 1.0;

    // Record points across the screen at the new time base.
    // The table's decimal seconds make a whole ratio such as 1e-7 / 4e-9 come out as 24.999...;
    // it must not truncate to one less.
    auto whole = [](double x) { return static_cast<int>(x * (1.0 + 1e-9)); };
    double across = span;
    if (params.zoomable && ratio >= 1.0) {
        across = static_cast<double>(static_cast<int>(span) / std::max(whole(std::min(ratio, span)), 1));
    } else if (params.zoomable) {
        across = span * std::max(whole(std::min(1.0 / ratio, static_cast<double>(std::max(len, 1)))), 1);
    }
    across = std::max(across, 1.0);

    const int stoppedPos = ClampInt(params.stoppedPosition, 0, 500);
    const int currentPos = ClampInt(params.currentPosition, 0, 500);
    const int trigger = static_cast<int>(static_cast<double>(len) * stoppedPos * 0.002);
    const int column = currentPos * 10;

    frame.display.fill(kNoData);
    int first = kDisplayPoints;
    int last = -1;
    if (len > 0 && across >= kDisplayPoints) {
        // At least one record point per column: min/max pairs over runs of across/2500 points.
        const double run = across / kDisplayPairs;
        const long long start = trigger - static_cast<long long>(across * currentPos * 0.002);
        for (int p = 0; p < kDisplayPairs; ++p) {
            long long from = start + static_cast<long long>(p * run);
            long long to = start + static_cast<long long>((p + 1) * run);
            from = std::max<long long>(from, std::max(params.firstValidPoint, 0));
            to = std::min<long long>(to, len);
            if (from >= to) {
                continue;
            }
            std::int16_t* dst = frame.display.data() + 2 * p;
            MinMaxPair(record + from, static_cast<int>(to - from), dst[0], dst[1]);
            first = std::min(first, 2 * p);
            last = std::max(last, 2 * p + 1);
        }
        frame.pointCount = kDisplayPoints;
    } else if (len > 0) {
        // Fewer record points than columns: each point stands alone in its column.
        const double spacing = kDisplayPoints / across;
        const int firstPoint =
            std::max({0, params.firstValidPoint, trigger - static_cast<int>(column / spacing) - 1});
        const int lastPoint =
            std::min(len - 1, trigger + static_cast<int>((kDisplayPoints - column) / spacing) + 1);
        for (int i = firstPoint; i <= lastPoint; ++i) {
            const int c = column + static_cast<int>(std::floor((i - trigger) * spacing));
            if (c < 0 || c >= kDisplayPoints) {
                continue;
            }
            frame.display[static_cast<std::size_t>(c)] = record[i];
            first = std::min(first, c);
            last = std::max(last, c);
        }
        frame.pointCount = 1;
    }
    if (last < 0) {
        frame.firstIndex = 0;
        frame.lastIndex = 0;
        return;
    }
    frame.firstIndex = first;
    frame.lastIndex = last;

    // Vertical: from the scale at stop to the current one.
    const double gain = params.voltsPerDivAtStop / params.voltsPerDivNow;
    const int offsetAtStop = 255 - static_cast<int>(params.zeroLevelAtStop);
    const int zeroNow = static_cast<int>(params.zeroLevelNow);
    for (int i = first; i <= last; ++i) {
        std::int16_t& v = frame.display[static_cast<std::size_t>(i)];
        if (v != kNoData) {
            v = TruncCode(static_cast<double>(TruncCode(gain * (v - offsetAtStop))) - zeroNow + 255);
        }
    }
}

} // namespace tarnix
