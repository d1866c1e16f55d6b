#include "acquisition/wave_frame.h"

#include <algorithm>

namespace tarnix {

std::size_t SampleCapacity(int model) {
    return model == 2 ? std::size_t{1048576} : std::size_t{65536};
}

void WaveFrame::Allocate(std::size_t capacity, bool withSinc) {
    samples.assign(capacity, 0);
    processed.assign(capacity, 0);
    if (withSinc) {
        sincTable.assign(static_cast<std::size_t>(kSincRows) * kSincTaps, 0.0);
    } else {
        sincTable.clear();
        sincTable.shrink_to_fit();
    }
    sincFactor = 0.0;
    display.fill(0);
    ResetWindow();
}

void WaveFrame::ResetWindow() {
    firstIndex = 0;
    lastIndex = kDisplayPoints - 1;
    pointCount = kDisplayPoints;
}

void AllocateFrames(WaveFrameSet& frames, int model) {
    const std::size_t capacity = SampleCapacity(model);
    frames[kCh1].Allocate(capacity, true);
    frames[kCh2].Allocate(capacity, true);
    frames[kRef].Allocate(capacity, false);
    // MATH is computed from the CH1 and CH2 traces and keeps no record of its own.
    frames[kMath].samples.clear();
    frames[kMath].processed.clear();
    frames[kMath].display.fill(0);
    frames[kMath].ResetWindow();
}

} // namespace tarnix
