#include "analysis/analysis_inputs.h"

#include <algorithm>

namespace tarnix {

std::array<MeasureChannel, kMeasureSourceCount> MeasureChannelsFrom(const InstrumentSettings& settings,
                                                                    const WaveFrameSet& frames) {
    // A Roll screen fills from the right; the part not yet rolled in holds no signal. MATH is computed
    // from both channels, which roll in together.
    const bool roll = settings.timebase.displayFormat == kFormatRoll;
    const int rolledIn =
        std::clamp(std::min(frames[kCh1].rollPosition, frames[kCh2].rollPosition), 0, kDisplayPoints);
    std::array<MeasureChannel, kMeasureSourceCount> channels;
    for (int s = 0; s < kMeasureSourceCount; ++s) {
        const ChannelSettings& channel = settings.ch(s);
        MeasureChannel& m = channels[static_cast<std::size_t>(s)];
        m.enabled = channel.enabled != 0;
        m.voltsPerDiv = ChannelVoltsPerDiv(channel);
        m.zeroLevel = channel.zeroLevel;
        const std::span<const std::int16_t> trace = frames[static_cast<std::size_t>(s)].display;
        const int filled =
            !roll        ? kDisplayPoints
            : s == kMath ? rolledIn
                         : std::clamp(frames[static_cast<std::size_t>(s)].rollPosition, 0, kDisplayPoints);
        m.trace = trace.last(static_cast<std::size_t>(filled));
    }
    return channels;
}

FftFrameInput FftInputFrom(const InstrumentSettings& settings, const HardwareBlock& block,
                           const WaveFrameSet& frames, int source) {
    const int s = source == kCh2 ? kCh2 : kCh1;
    const ChannelSettings& channel = settings.ch(s);
    const WaveFrame& frame = frames[static_cast<std::size_t>(s)];
    FftFrameInput input;
    input.model = settings.model;
    input.timeDivIndex = settings.timebase.timeDivIndex;
    input.secondsPerDiv = SecondsPerDiv(settings.timebase);
    input.rollFormat = settings.timebase.displayFormat == kFormatRoll;
    input.sourceEnabled = channel.enabled != 0;
    input.bothChannelsOn = settings.ch(kCh1).enabled != 0 && settings.ch(kCh2).enabled != 0;
    input.triggerAlt = settings.trigger.triggerSource == kTrigAlt;
    input.voltsPerDiv = ChannelVoltsPerDiv(channel);
    input.zeroLevelWord = s == kCh2 ? block.levels.ch2Zero : block.levels.ch1Zero;
    input.positionPercent = block.position;
    input.rollWritePosition = frame.rollPosition;
    input.displayTrace = frame.display;
    input.processedRecord = frame.processed;
    input.sampleMemory = frame.samples;
    return input;
}

} // namespace tarnix
