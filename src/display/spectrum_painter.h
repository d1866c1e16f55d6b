// The FFT analysis's state as the screen's spectrum layer and the FFT cursor source read it. The
// trace itself is drawn by the screen's trace layer (PaintSpectrum in wave_render.h) from this view.
#pragma once

#include "analysis/fft_analysis.h"
#include "display/screen_host.h"

namespace tarnix {

// The spectrum of the last computation with the panel's scales: B points (the bin count of the last
// computation), zoom, units per division and dB/Linear mode. The display is on while the analysis runs;
// the view stays valid as long as `results` lives and is not moved.
SpectrumView MakeSpectrumView(const FftSettings& settings, const FftResults& results);

} // namespace tarnix
