// The pass runs on every 30 ms tick: after the first pass at a setting it must not allocate.
#include <gtest/gtest.h>

#include "../support/alloc_counter.h"
#include "acquisition/wave_processor.h"

namespace tarnix {
namespace {

using testing::AllocationCounter;

TEST(Allocation, PassesAllocateNothingOnceSetUp) {
    InstrumentSettings settings;
    HardwareBlock block;
    WaveFrameSet frames;
    CWaveProcessor processor;
    PassState state;
    AllocateFrames(frames, settings.model);
    settings.ch(kMath).enabled = 1;
    settings.ch(kRef).enabled = 1;
    state.refEmpty = false;
    state.measurementsSelected = true;
    settings.acquire.averageCount = 16;
    struct Case {
        int timeDivIndex;
        std::uint16_t mode;
        std::uint32_t running;
    };
    // Copy, Sin(x)/x with alignment, averaging, and stopped and zoomed out.
    for (const Case& c :
         {Case{12, kAcqNormal, 1}, {0, kAcqNormal, 1}, {12, kAcqAverage, 1}, {13, kAcqNormal, 0}}) {
        settings.timebase.timeDivIndex = block.timeDivIndex = static_cast<std::uint16_t>(c.timeDivIndex);
        settings.acquire.acquisitionMode = c.mode;
        settings.acquire.running = c.running;
        processor.RunPass(settings, block, frames, state); // may build tables or the history
        AllocationCounter counter;
        for (int k = 0; k < 20; ++k) {
            processor.RunPass(settings, block, frames, state);
        }
        EXPECT_EQ(counter.Count(), 0) << c.timeDivIndex;
    }
    // The one allocation allowed: the averaging history when Average is chosen.
    processor.OnAcquisitionModeChanged(kAcqNormal);
    AllocationCounter counter;
    processor.OnAcquisitionModeChanged(kAcqAverage);
    EXPECT_GT(counter.Count(), 0);
}

} // namespace
} // namespace tarnix
