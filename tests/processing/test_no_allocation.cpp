// The pass runs on every 30 ms tick: after the first pass at a setting it must not allocate.
#include <gtest/gtest.h>

#include "acquisition/wave_processor.h"
#include "../support/alloc_counter.h"

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
    int persisted = 0;
    processor.hooks.addPersistFrame = [&](int) { ++persisted; };

    auto passesAllocate = [&](int timeDivIndex, std::uint16_t mode, std::uint32_t running) {
        settings.timebase.timeDivIndex = block.timeDivIndex = static_cast<std::uint16_t>(timeDivIndex);
        settings.acquire.acquisitionMode = mode;
        settings.acquire.averageCount = 16;
        settings.acquire.running = running;
        processor.RunPass(settings, block, frames, state); // may build tables or the history
        AllocationCounter counter;
        for (int k = 0; k < 20; ++k) {
            processor.RunPass(settings, block, frames, state);
        }
        return counter.Count();
    };
    EXPECT_EQ(passesAllocate(12, kAcqNormal, 1), 0);
    EXPECT_EQ(passesAllocate(0, kAcqNormal, 1), 0); // Sin(x)/x and alignment
    EXPECT_EQ(passesAllocate(12, kAcqAverage, 1), 0);
    EXPECT_EQ(passesAllocate(13, kAcqNormal, 0), 0); // stopped and zoomed out
    EXPECT_GT(persisted, 0);

    // The one allocation allowed: the averaging history when Average is chosen.
    processor.OnAcquisitionModeChanged(kAcqNormal);
    AllocationCounter counter;
    processor.OnAcquisitionModeChanged(kAcqAverage);
    EXPECT_GT(counter.Count(), 0);
}

} // namespace
} // namespace tarnix
