// One processing pass as the 30 ms tick runs it, for the three cases with a time budget: the 10k copy
// path with MATH, the fastest time base with Sin(x)/x and alignment, and Average over 128 frames.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "acquisition/wave_processor.h"

namespace tarnix {
namespace {

struct Bench {
    InstrumentSettings settings;
    HardwareBlock block;
    WaveFrameSet frames;
    CWaveProcessor processor;
    PassState state;

    explicit Bench(int timeDivIndex) {
        AllocateFrames(frames, settings.model);
        settings.timebase.timeDivIndex = static_cast<std::uint16_t>(timeDivIndex);
        block.timeDivIndex = static_cast<std::uint16_t>(timeDivIndex);
        block.position = 50;
        block.channelCode = 2;
        block.levels.ch1Trigger = 64;
        block.levels.ch2Trigger = 192;
        // Sines around each channel's 0 V line, about 20 samples per period.
        for (int ch : {kCh1, kCh2}) {
            const double zero = 255.0 - settings.ch(ch).zeroLevel;
            for (int i = 0; i < kBaseRecordLength; ++i) {
                frames[static_cast<std::size_t>(ch)].samples[static_cast<std::size_t>(i)] =
                    static_cast<std::uint16_t>(zero + 50.0 * std::sin(2.0 * std::numbers::pi * i / 20.3));
            }
        }
    }
    void Pass() { processor.RunPass(settings, block, frames, state); }
};

void BM_CopyPathWithMath(benchmark::State& st) {
    Bench b(12); // 40.0us/div
    b.settings.ch(kMath).enabled = 1;
    for (auto _ : st) {
        b.Pass();
        benchmark::DoNotOptimize(b.frames[kMath].display.data());
    }
}
BENCHMARK(BM_CopyPathWithMath)->Unit(benchmark::kMicrosecond);

void BM_FastestSincWithAlignment(benchmark::State& st) {
    Bench b(0); // 4.00ns/div: factor 3320 with both channels, Sin(x)/x, trigger CH1
    b.Pass();   // builds the sinc table once, as the first tick at a new time base does
    for (auto _ : st) {
        b.Pass();
        benchmark::DoNotOptimize(b.frames[kCh1].display.data());
    }
}
BENCHMARK(BM_FastestSincWithAlignment)->Unit(benchmark::kMicrosecond);

void BM_FastSincIndex3WithAlignment(benchmark::State& st) {
    Bench b(3); // 20.0ns/div: factor 332 with both channels
    b.Pass();
    for (auto _ : st) {
        b.Pass();
        benchmark::DoNotOptimize(b.frames[kCh1].display.data());
    }
}
BENCHMARK(BM_FastSincIndex3WithAlignment)->Unit(benchmark::kMicrosecond);

void BM_Normal(benchmark::State& st) {
    Bench b(12);
    for (auto _ : st) {
        b.Pass();
        benchmark::DoNotOptimize(b.frames[kCh1].display.data());
    }
}
BENCHMARK(BM_Normal)->Unit(benchmark::kMicrosecond);

void BM_Average128(benchmark::State& st) {
    Bench b(12);
    b.settings.acquire.acquisitionMode = kAcqAverage;
    b.settings.acquire.averageCount = 128;
    for (int k = 0; k < 130; ++k) {
        b.Pass(); // fill the history so every timed pass drops the oldest trace
    }
    for (auto _ : st) {
        b.Pass();
        benchmark::DoNotOptimize(b.frames[kCh1].display.data());
    }
}
BENCHMARK(BM_Average128)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tarnix
