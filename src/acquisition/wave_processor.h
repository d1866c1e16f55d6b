// Turns the raw frames of CH1 and CH2 into display traces, derives MATH and fits REF, once per timer
// tick, also while stopped (so position, zoom and filter changes show at once).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "acquisition/driver_library.h"
#include "acquisition/wave_frame.h"
#include "model/instrument_settings.h"

namespace tarnix {

// Where the pass hands over to later subsystems. Each member may stay empty; the pass then skips it.
struct ProcessingHooks {
    // Called for each channel (kCh1, kCh2, kMath, kRef) that is on, right after its trace is final.
    std::function<void(int channel)> addPersistFrame;
    // Called on every sixth pass while running with measurements selected, with the current seconds
    // per division to store before the evaluation. The processor keeps the 5..0 countdown itself;
    // a document that counts on its own leaves this empty.
    std::function<void(double secondsPerDiv)> updateMeasurements;
};

// Document state the pass reads besides the settings record and the block.
struct PassState {
    bool refEmpty = true;              // no reference waveform loaded: REF is not fitted
    bool measurementsSelected = false; // at least one measurement slot is in use
    double stoppedSecondsPerDiv = 0.0; // time base at Stop (0 = not stopped yet: ratio 1)
    int stoppedPosition = 250;         // horizontal position at Stop, 0..500

    bool operator==(const PassState&) const = default;
};

class CWaveProcessor {
public:
    CWaveProcessor();

    ProcessingHooks hooks;

    // One pass for the Y-T and X-Y formats: averaging count, trigger alignment at fast time bases,
    // CH1 and CH2 (convert and decimate while running, re-scale while stopped; average, invert,
    // filter and clip; persistence), MATH, REF, then the measurement countdown. Updates
    // settings.acquire.averagedFrames; reads the block's time/div, channel code, ALT flag, position
    // and trigger levels, which are those of the frame being processed.
    void RunPass(InstrumentSettings& settings, const HardwareBlock& block, WaveFrameSet& frames,
                 const PassState& state);

    // One pass for the Roll format: the document calls it when the roll step brought new data, and on
    // every tick while stopped. New points are the first rollStep samples of each sample memory.
    void RunRollPass(InstrumentSettings& settings, WaveFrameSet& frames, const PassState& state);

    // At Stop: each of CH1 and CH2 saves its volts/div index and zero level; in Roll its display
    // trace also goes into the first 5000 points of its processed record.
    void OnStop(const InstrumentSettings& settings, WaveFrameSet& frames);

    // The averaging history exists only while the mode is Average: allocated and zeroed when Average
    // is chosen, released otherwise. RunPass also keeps it in step with the setting.
    void OnAcquisitionModeChanged(std::uint16_t mode);
    bool HasAverageHistory() const { return !history_[0].empty(); }

    // The measurement countdown, 5 down to 0; at 0 the next running pass evaluates.
    int MeasureCountdown() const { return measureCountdown_; }

private:
    bool AlignChannels(InstrumentSettings& settings, const HardwareBlock& block, WaveFrameSet& frames);
    void ProcessChannelYT(int ch, InstrumentSettings& settings, const HardwareBlock& block,
                          WaveFrameSet& frames, const PassState& state, bool aligned);
    void AverageStep(int ch, const InstrumentSettings& settings, WaveFrame& frame);
    void ProcessMath(InstrumentSettings& settings, WaveFrameSet& frames);
    void ProcessRef(InstrumentSettings& settings, WaveFrameSet& frames, const PassState& state);
    void RollShift(const ChannelSettings& channel, WaveFrame& frame);
    void Persist(int ch);
    void MeasurementCountdown(const InstrumentSettings& settings, const PassState& state);

    // Averaging history per channel (CH1, CH2): a ring of up to 128 traces and their running sums,
    // which gives the same truncated mean as shifting the slots down every frame.
    std::vector<std::int16_t> history_[2];
    std::vector<std::int32_t> sums_[2];
    int ringCount_[2] = {0, 0};
    int ringHead_[2] = {0, 0};
    int ringSize_[2] = {0, 0};
    int measureCountdown_ = 5;
};

} // namespace tarnix
