// One channel's waveform buffers: the raw sample memory, the processed (stretched, aligned) record and
// the 5000-point display trace that the screen, measurements, Pass/Fail and the recorder read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/instrument_settings.h"

namespace tarnix {

// The screen is 10 divisions of 500 display points.
inline constexpr int kDisplayPoints = 5000;
inline constexpr int kDisplayPairs = kDisplayPoints / 2;
// A display column without data: written by the re-scaling of a stopped frame or of REF, carried
// into MATH where a source column has none, and filling an empty REF. Invert, filter and clip skip it.
inline constexpr std::int16_t kNoData = 11111;
// Record length of the base (10k) buffer and of a stretch at the fastest time bases.
inline constexpr int kBaseRecordLength = 10240;
inline constexpr int kStretchLength = 32768;
// Sinc kernel: 21 taps (half width 10), one row per sub-step of the stretch factor.
inline constexpr int kSincHalfWidth = 10;
inline constexpr int kSincTaps = 2 * kSincHalfWidth + 1;
inline constexpr int kSincRows = 5000;
// Position of entry (sub-step j, tap k = -10..10) in a sinc table. Tap-major, so that one tap's
// weights for all sub-steps lie together and the stretch runs over them in one sweep.
constexpr std::size_t SincIndex(int j, int k) {
    return static_cast<std::size_t>(k + kSincHalfWidth) * kSincRows + static_cast<std::size_t>(j);
}

// Samples per channel the sample memory and the processed record hold for a model: 65536 for models 0
// and 1, 1048576 for model 2. Models without a stated capacity get 65536 so a stretch always fits.
std::size_t SampleCapacity(int model);

struct WaveFrame {
    // Raw codes as ReadCapture or the demo source deliver them (for REF: the loaded reference).
    // Sized to the model's capacity at start-up; empty for MATH.
    std::vector<std::uint16_t> samples;
    // The record after conversion and stretching (up to 32768 points at fast time bases), signed so
    // that the overshoot of Sin(x)/x survives until the clip. Same capacity; empty for MATH.
    std::vector<std::int16_t> processed;
    // Screen codes per column: 0 bottom edge .. 255 top edge; negative or kNoData = no data there.
    std::array<std::int16_t, kDisplayPoints> display{};
    // Distinct points behind the trace: 5000, or 1 when a zoomed-in stopped frame has fewer record
    // points than columns (the screen then draws dots).
    int pointCount = kDisplayPoints;
    int firstIndex = 0; // range of the display trace that holds data
    int lastIndex = kDisplayPoints - 1;
    std::int32_t span = 10000;    // record samples shown across the screen: 2500 x group size
    std::int32_t dragRange = 120; // (recordLength - span) / group x 2, in display points
    int alignmentIndex = 0;       // record index of the trigger crossing the alignment search found

    // Sinc interpolation kernel, 21 taps x 5000 sub-steps (see SincIndex); rebuilt only when the
    // factor changes. Allocated for CH1 and CH2 only.
    std::vector<double> sincTable;
    double sincFactor = 0.0; // factor the table was built for; 0 = never built

    std::int32_t rollPosition = 0; // roll write position, 0..5000
    std::int16_t rollStep = 10;    // new points per roll step (10 or 15)

    // Scale of a stopped frame: saved at Stop (for REF: the scale the reference was taken at).
    std::uint16_t voltsDivIndexAtStop = 6;
    float zeroLevelAtStop = 128.0f;

    // REF only: the time/div index (as timeDivIndex, without the offset) and the horizontal trigger
    // position 0..500 of the moment the reference was taken, and the position stored in its file.
    std::uint16_t refTimeDivIndex = 12;
    std::uint16_t refHorizontalPosition = 250;
    float refStoredPosition = 128.0f;

    // Sizes and zeroes the memories (capacity samples each); withSinc also allocates the sinc table.
    void Allocate(std::size_t capacity, bool withSinc);
    // Back to a full window: points 0..4999, point count 5000.
    void ResetWindow();
    std::size_t Capacity() const { return samples.size(); }
};

using WaveFrameSet = std::array<WaveFrame, kChannelCount>;

// Allocates the four frames for a model: CH1 and CH2 with sinc tables, REF without, MATH no memory.
void AllocateFrames(WaveFrameSet& frames, int model);

} // namespace tarnix
