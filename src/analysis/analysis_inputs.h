// What the measurements and the FFT read from the document, gathered from the settings record, the
// hardware block and the four channel frames, so the document's hooks stay one-liners.
#pragma once

#include "acquisition/driver_library.h"
#include "acquisition/wave_frame.h"
#include "analysis/fft_analysis.h"
#include "analysis/measure_set.h"
#include "model/instrument_settings.h"

#include <array>

namespace tarnix {

// CH1, CH2 and MATH as measurement sources: enable flag, volts/div with probe, zero level, display trace.
std::array<MeasureChannel, kMeasureSourceCount> MeasureChannelsFrom(const InstrumentSettings& settings,
                                                                    const WaveFrameSet& frames);

// The FFT's view of the frame for source 0 (CH1) or 1 (CH2; any other value counts as CH1). The zero
// level word and the trigger position come from the block, as the spectrum routine is given them.
FftFrameInput FftInputFrom(const InstrumentSettings& settings, const HardwareBlock& block,
                           const WaveFrameSet& frames, int source);

} // namespace tarnix
