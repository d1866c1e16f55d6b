// The two signal routines behind the FFT: resampling a record to B points (driver entry 18) and the
// windowed magnitude spectrum in volts (driver entry 17), implemented on FFTW so they work with or
// without an instrument.
#pragma once

#include "acquisition/driver_library.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tarnix {

enum FftWindow : std::uint16_t {
    kWindowRectangle = 0,
    kWindowHanning = 1,
    kWindowHamming = 2,
    kWindowBlackman = 3,
    kWindowCount = 4
};

inline constexpr int kFftMinBins = 256;
inline constexpr int kFftMaxBins = 4096;
inline constexpr int kFftSizeCount = 5; // 256, 512, 1024, 2048, 4096
inline constexpr std::array<int, kFftSizeCount> kFftBinChoices = {256, 512, 1024, 2048, 4096};

// A 10k record holds 10240 samples; the screen shows the 10000 in its middle (10 divisions of 1000),
// so the spectrum always covers one screen width and bin k sits at k / (10 x seconds per division).
inline constexpr int kFftRecordLength = 10240;
inline constexpr int kFftScreenStart = 120;
inline constexpr int kFftScreenSpan = 10000;

// Index of a bin count in kFftBinChoices, -1 when it is not one of them.
int FftSizeIndex(int bins);

// Value of window `window` at point n of an N-point frame. The windows are the periodic (DFT-even)
// forms, so a tone on a bin centre leaks into no other bin except the window's own main lobe.
double FftWindowValue(int window, int n, int size);

class CSpectrumEngine {
public:
    // Builds the FFTW plans, buffers and window tables for every bin count once.
    CSpectrumEngine();
    ~CSpectrumEngine();
    CSpectrumEngine(const CSpectrumEngine&) = delete;
    CSpectrumEngine& operator=(const CSpectrumEngine&) = delete;

    // Entry 18: picks `work.size()` evenly spaced points across the screen part of a record by linear
    // interpolation. A record of at least 10240 samples contributes its points 120..10119; a shorter one
    // (the 5000 roll points) is used whole. No anti-alias filter: content above the new Nyquist folds.
    static void Resample(std::span<const std::int16_t> record, std::span<float> work);

    // Entry 17: the linear magnitude spectrum of B = params.binCount samples (codes on the 0..255 scale,
    // 0 V at 255 - zeroLevelWord) with params.windowType, in volts from params.voltsPerDiv.
    // Scaling: bin k (0 < k < B/2) = 2 |X_k| / sum(w), so a sine of amplitude A volts centred on bin k
    // reads A whatever the window; bins 0 and B/2 = |X_k| / sum(w), so a DC level of c volts reads c.
    // Bins above B/2 mirror those below (bin B - k = bin k), as the full B-point transform has them.
    // Returns false (spectrum untouched) for a bin count that is not 256..4096 or too few samples.
    bool Spectrum(const FftParameters& params, std::span<const float> samples, std::uint16_t zeroLevelWord,
                  std::span<double> spectrum);

private:
    struct Plan;
    std::array<std::unique_ptr<Plan>, kFftSizeCount> plans_;
};

} // namespace tarnix
