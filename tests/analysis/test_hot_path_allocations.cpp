// The FFT tick and the measurement evaluation run on every frame: once warmed
// up they must not touch the heap.
#include "analysis/fft_analysis.h"
#include "analysis/measure_set.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "../support/alloc_counter.h"

namespace tarnix {
namespace {

using testing::AllocationCounter;

TEST(HotPath, FftTickDoesNotAllocateOnceWarm) {
    std::vector<std::int16_t> record(10240);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::int16_t>(
            127.0 + 100.0 * std::sin(2.0 * std::numbers::pi * 31.0 * static_cast<double>(i) / 10000.0));
    }
    auto fft = std::make_unique<CFftAnalysis>();
    auto settings = std::make_unique<FftSettings>();
    auto results = std::make_unique<FftResults>();
    ResetFft(*settings, *results);
    settings->running = 1;
    settings->bins = 4096;
    settings->window = kWindowBlackman;
    settings->scale = kFftScaleDb;
    FftFrameInput input;
    input.processedRecord = record;
    ASSERT_EQ(fft->Compute(*settings, input, *results), FftStatus::kComputed);
    AllocationCounter counter;
    for (int i = 0; i < 3; ++i) {
        fft->Compute(*settings, input, *results);
    }
    EXPECT_EQ(counter.Count(), 0);
    EXPECT_EQ(results->fundamentalBin, 31);
}

TEST(HotPath, MeasurementEvaluationDoesNotAllocateOnceWarm) {
    std::vector<std::int16_t> trace(kMeasureTracePoints);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        trace[i] = static_cast<std::int16_t>(i % 1000 < 400 ? 200 : 50);
    }
    const std::array<MeasureChannel, 3> channels = {
        MeasureChannel{true, 1.0, 128.0, trace}, MeasureChannel{true, 1.0, 128.0, trace}, MeasureChannel{}};
    CMeasureSet set;
    set.SetSecondsPerDiv(1e-3);
    for (int kind = 10; kind < 18; ++kind) {
        set.SetMeasureSource(kind % 3);
        set.AddMeasure(kind);
    }
    set.UpdateMeasurements(channels);
    AllocationCounter counter;
    set.UpdateMeasurements(channels);
    EXPECT_EQ(counter.Count(), 0);
    EXPECT_EQ(set.Text(0), "CH2:Vpshoot = 0.0%");
}

} // namespace
} // namespace tarnix
