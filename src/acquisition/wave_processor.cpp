#include "acquisition/wave_processor.h"

#include <algorithm>
#include <cstring>

#include "acquisition/processing_steps.h"

namespace tarnix {

namespace {

constexpr int kMaxAverageCount = 128;
constexpr int kMaxRollStep = 511;

int AverageCount(const AcquireSettings& acquire) {
    return std::clamp<int>(acquire.averageCount, 1, kMaxAverageCount);
}

double CurrentSecondsPerDiv(const InstrumentSettings& settings) {
    return SecondsPerDiv(settings.timebase);
}

double Ratio(double secondsAtStop, double secondsNow) {
    return (secondsAtStop > 0.0 && secondsNow > 0.0) ? secondsAtStop / secondsNow : 1.0;
}

// Volts/div of the saved index at the channel's current probe, as single precision.
double VoltsPerDivAtStop(const ChannelSettings& channel, std::uint16_t indexAtStop) {
    return static_cast<float>(ProbeFactor(channel.probe) * VoltsPerDivTable(indexAtStop));
}

// A stopped frame or a reference is shown at the current time base, position, volts/div and zero
// level, relative to those it was captured with.
void SetCapturedScale(RescaleParams& params, const InstrumentSettings& settings, const ChannelSettings& cs,
                      const WaveFrame& frame, double secondsPerDivAtCapture, int positionAtCapture) {
    params.ratio = Ratio(secondsPerDivAtCapture, CurrentSecondsPerDiv(settings));
    params.stoppedPosition = positionAtCapture;
    params.currentPosition = settings.timebase.horizontalPosition;
    params.voltsPerDivAtStop = VoltsPerDivAtStop(cs, frame.voltsDivIndexAtStop);
    params.zeroLevelAtStop = frame.zeroLevelAtStop;
    params.voltsPerDivNow = ChannelVoltsPerDiv(cs);
    params.zeroLevelNow = cs.zeroLevel;
}

void MarkEmpty(WaveFrame& frame) {
    frame.display.fill(kNoData);
    frame.firstIndex = 0;
    frame.lastIndex = 0;
    frame.pointCount = kDisplayPoints;
}

} // namespace

CWaveProcessor::CWaveProcessor() = default;

void CWaveProcessor::OnAcquisitionModeChanged(std::uint16_t mode) {
    const bool want = mode == kAcqAverage;
    if (want == HasAverageHistory()) {
        return;
    }
    for (int c = 0; c < 2; ++c) {
        if (want) {
            history_[c].assign(static_cast<std::size_t>(kMaxAverageCount) * kDisplayPoints, 0);
            sums_[c].assign(kDisplayPoints, 0);
        } else {
            std::vector<std::int16_t>().swap(history_[c]);
            std::vector<std::int32_t>().swap(sums_[c]);
        }
        ringCount_[c] = 0;
        ringHead_[c] = 0;
        ringSize_[c] = 0;
    }
}

void CWaveProcessor::RunPass(InstrumentSettings& settings, const HardwareBlock& block, WaveFrameSet& frames,
                             const PassState& state) {
    AcquireSettings& acquire = settings.acquire;
    OnAcquisitionModeChanged(acquire.acquisitionMode);
    const bool running = acquire.running != 0;
    const bool average = acquire.acquisitionMode == kAcqAverage;
    if (average) {
        acquire.averagedFrames =
            static_cast<std::uint16_t>(std::min<int>(acquire.averagedFrames + 1, AverageCount(acquire)));
    }

    const bool aligned = running && AlignChannels(settings, block, frames);
    for (int ch : {kCh1, kCh2}) {
        if (settings.ch(ch).enabled != 0) {
            ProcessChannelYT(ch, settings, block, frames, state, aligned);
        }
    }
    ProcessMath(settings, frames);
    ProcessRef(settings, frames, state);
    MeasurementCountdown(settings, state);
}

bool CWaveProcessor::AlignChannels(InstrumentSettings& settings, const HardwareBlock& block,
                                   WaveFrameSet& frames) {
    const std::uint16_t source = settings.trigger.triggerSource;
    if (settings.timebase.timeDivIndex >= 5 || source > kTrigAlt) {
        return false;
    }
    WaveFrame& f1 = frames[kCh1];
    WaveFrame& f2 = frames[kCh2];
    if (f1.processed.size() < static_cast<std::size_t>(kStretchLength) ||
        f2.processed.size() < static_cast<std::size_t>(kStretchLength)) {
        return false;
    }
    ConvertChannel(settings.ch(kCh1), settings.model, block, f1);
    ConvertChannel(settings.ch(kCh2), settings.model, block, f2);

    const int position = settings.timebase.horizontalPosition;
    const std::uint16_t slope = settings.trigger.slope;
    const int level1 = 255 - block.levels.ch1Trigger;
    const int level2 = 255 - block.levels.ch2Trigger;
    if (source == kTrigAlt) {
        f1.alignmentIndex = FindTriggerCrossing(f1.processed.data(), position, level1, slope);
        f2.alignmentIndex = FindTriggerCrossing(f2.processed.data(), position, level2, slope);
    } else {
        WaveFrame& searched = source == kTrigCh1 ? f1 : f2;
        WaveFrame& other = source == kTrigCh1 ? f2 : f1;
        searched.alignmentIndex = FindTriggerCrossing(searched.processed.data(), position,
                                                      source == kTrigCh1 ? level1 : level2, slope);
        other.alignmentIndex = searched.alignmentIndex;
    }
    ShiftToTrigger(f1.processed.data(), f1.alignmentIndex, position);
    ShiftToTrigger(f2.processed.data(), f2.alignmentIndex, position);
    return true;
}

void CWaveProcessor::ProcessChannelYT(int ch, InstrumentSettings& settings, const HardwareBlock& block,
                                      WaveFrameSet& frames, const PassState& state, bool aligned) {
    WaveFrame& frame = frames[static_cast<std::size_t>(ch)];
    const ChannelSettings& cs = settings.ch(ch);
    const bool running = settings.acquire.running != 0;
    if (frame.processed.empty()) {
        return;
    }
    const int length = static_cast<int>(std::min<std::size_t>(cs.recordLength, frame.processed.size()));
    if (running) {
        frame.ResetWindow();
        if (!aligned) {
            ConvertChannel(cs, settings.model, block, frame);
        }
        const int group = DecimationGroup(settings.model, settings.timebase.timeDivIndex, cs.recordLength);
        DecimateRecord(frame.processed.data(), length, group, settings.timebase.horizontalPosition, frame);
    } else {
        RescaleParams params = BaseRescaleParams(cs.recordLength, frame.span);
        params.recordLength = length;
        SetCapturedScale(params, settings, cs, frame, state.stoppedSecondsPerDiv, state.stoppedPosition);
        RescaleRecord(frame.processed.data(), params, frame);
    }
    if (running && settings.acquire.acquisitionMode == kAcqAverage) {
        AverageStep(ch, settings, frame);
    }
    if (cs.invert != 0) {
        InvertTrace(frame, cs.zeroLevel);
    }
    FilterAndClip(frame, cs.filterMode, cs.zeroLevel);
    Persist(ch);
}

void CWaveProcessor::AverageStep(int ch, const InstrumentSettings& settings, WaveFrame& frame) {
    const int c = ch == kCh1 ? 0 : 1;
    if (history_[c].empty()) {
        return;
    }
    const int count = AverageCount(settings.acquire);
    // A restarted average (1 frame so far) or a new count begins a fresh history.
    if (settings.acquire.averagedFrames <= 1 || ringSize_[c] != count) {
        ringCount_[c] = 0;
        ringHead_[c] = 0;
        ringSize_[c] = count;
        std::fill(sums_[c].begin(), sums_[c].end(), 0);
    }
    std::int32_t* sums = sums_[c].data();
    std::int16_t* trace = frame.display.data();
    int slotIndex = 0;
    if (ringCount_[c] < count) {
        slotIndex = ringCount_[c]++;
    } else {
        slotIndex = ringHead_[c];
        ringHead_[c] = (ringHead_[c] + 1) % count;
        const std::int16_t* oldest =
            history_[c].data() + static_cast<std::size_t>(slotIndex) * kDisplayPoints;
        for (int i = 0; i < kDisplayPoints; ++i) {
            sums[i] -= oldest[i];
        }
    }
    std::int16_t* slot = history_[c].data() + static_cast<std::size_t>(slotIndex) * kDisplayPoints;
    std::memcpy(slot, trace, sizeof(std::int16_t) * kDisplayPoints);
    const int n = ringCount_[c];
    for (int i = 0; i < kDisplayPoints; ++i) {
        sums[i] += trace[i];
        trace[i] = static_cast<std::int16_t>(sums[i] / n);
    }
}

void CWaveProcessor::ProcessMath(InstrumentSettings& settings, WaveFrameSet& frames) {
    const ChannelSettings& m = settings.ch(kMath);
    if (m.enabled == 0) {
        return;
    }
    WaveFrame& math = frames[kMath];
    ComputeMath(settings, frames[kCh1], frames[kCh2], math);
    if (m.invert != 0) {
        InvertTrace(math, m.zeroLevel);
    }
    FilterAndClip(math, m.filterMode, m.zeroLevel);
    Persist(kMath);
}

void CWaveProcessor::ProcessRef(InstrumentSettings& settings, WaveFrameSet& frames, const PassState& state) {
    const ChannelSettings& r = settings.ch(kRef);
    if (r.enabled == 0) {
        return;
    }
    WaveFrame& ref = frames[kRef];
    if (state.refEmpty || ref.samples.empty() || ref.processed.empty()) {
        MarkEmpty(ref);
        return;
    }
    const std::size_t n =
        std::min({static_cast<std::size_t>(r.recordLength), ref.samples.size(), ref.processed.size()});
    std::transform(
        ref.samples.begin(), ref.samples.begin() + static_cast<std::ptrdiff_t>(n), ref.processed.begin(),
        [](std::uint16_t v) { return static_cast<std::int16_t>(v); }); // negative codes stay negative

    RescaleParams params = BaseRescaleParams(r.recordLength, ref.span);
    params.recordLength = static_cast<int>(n);
    TimebaseSettings refTimebase = settings.timebase;
    refTimebase.timeDivIndex = ref.refTimeDivIndex;
    SetCapturedScale(params, settings, r, ref, SecondsPerDiv(refTimebase), ref.refHorizontalPosition);
    RescaleRecord(ref.processed.data(), params, ref);
    FilterAndClip(ref, r.filterMode, r.zeroLevel);
    Persist(kRef);
}

void CWaveProcessor::RunRollPass(InstrumentSettings& settings, WaveFrameSet& frames, const PassState& state) {
    const bool running = settings.acquire.running != 0;
    for (int ch : {kCh1, kCh2}) {
        const ChannelSettings& cs = settings.ch(ch);
        if (cs.enabled == 0) {
            continue;
        }
        WaveFrame& frame = frames[static_cast<std::size_t>(ch)];
        if (frame.processed.size() < static_cast<std::size_t>(kDisplayPoints)) {
            continue;
        }
        if (running) {
            RollShift(cs, frame);
        } else {
            RescaleParams params;
            params.recordLength = kDisplayPoints;
            params.baseSpan = kDisplayPoints;
            // Only the part Roll had filled when it stopped is shown; the rest stays empty.
            params.firstValidPoint = kDisplayPoints - std::clamp<int>(frame.rollPosition, 0, kDisplayPoints);
            SetCapturedScale(params, settings, cs, frame, state.stoppedSecondsPerDiv, state.stoppedPosition);
            RescaleRecord(frame.processed.data(), params, frame);
        }
        Persist(ch);
    }
    ProcessMath(settings, frames);
    ProcessRef(settings, frames, state);
    MeasurementCountdown(settings, state);
}

void CWaveProcessor::RollShift(const ChannelSettings& cs, WaveFrame& frame) {
    const int step = std::clamp<int>(frame.rollStep, 0, kMaxRollStep);
    const int keep = kDisplayPoints - step;
    std::int16_t* display = frame.display.data();
    std::int16_t* record = frame.processed.data();
    std::memmove(display, display + step, sizeof(std::int16_t) * static_cast<std::size_t>(keep));
    std::memmove(record, record + step, sizeof(std::int16_t) * static_cast<std::size_t>(keep));
    const bool gnd = cs.coupling == kCouplingGnd;
    const auto flat = static_cast<std::int16_t>(255 - static_cast<int>(cs.zeroLevel));
    for (int i = 0; i < step; ++i) {
        std::int16_t v = flat;
        if (!gnd) {
            // Signed, as in the conversion step: a code below the bottom edge stays negative.
            v = i < static_cast<int>(frame.samples.size())
                    ? static_cast<std::int16_t>(frame.samples[static_cast<std::size_t>(i)])
                    : 0;
        }
        display[keep + i] = v;
        record[keep + i] = v;
    }
    frame.pointCount = kDisplayPoints;
    if (frame.rollPosition > 0) {
        frame.firstIndex = std::clamp<int>(kDisplayPoints - frame.rollPosition, 0, kDisplayPoints - 1);
        frame.lastIndex = std::clamp<int>(kDisplayPoints - step, 0, kDisplayPoints - 1);
    }
}

void CWaveProcessor::OnStop(const InstrumentSettings& settings, WaveFrameSet& frames) {
    for (int ch : {kCh1, kCh2}) {
        WaveFrame& frame = frames[static_cast<std::size_t>(ch)];
        const ChannelSettings& cs = settings.ch(ch);
        frame.voltsDivIndexAtStop = cs.voltsPerDivIndex;
        frame.zeroLevelAtStop = cs.zeroLevel;
        if (settings.timebase.displayFormat == kFormatRoll &&
            frame.processed.size() >= static_cast<std::size_t>(kDisplayPoints)) {
            std::copy(frame.display.begin(), frame.display.end(), frame.processed.begin());
        }
    }
}

void CWaveProcessor::Persist(int ch) {
    if (hooks.addPersistFrame) {
        hooks.addPersistFrame(ch);
    }
}

void CWaveProcessor::MeasurementCountdown(const InstrumentSettings& settings, const PassState& state) {
    if (!state.measurementsSelected || settings.acquire.running == 0) {
        return;
    }
    if (measureCountdown_ == 0) {
        if (hooks.updateMeasurements) {
            hooks.updateMeasurements(CurrentSecondsPerDiv(settings));
        }
        measureCountdown_ = 5;
    } else {
        --measureCountdown_;
    }
}

} // namespace tarnix
