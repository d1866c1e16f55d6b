// Cost of the analysis work done inside one timer tick: the FFT of a frame and one evaluation of the
// measurement set.
#include "analysis/fft_analysis.h"
#include "analysis/measure_set.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace tarnix {
namespace {

// One FFT tick at 4096 bins with the Blackman window: resampling, spectrum, dB conversion, peaks,
// harmonic search, bin frequencies, harmonics table and figures.
void BM_FftTick4096Blackman(benchmark::State& state) {
    std::vector<std::int16_t> record(10240);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 2.0);
    for (std::size_t i = 0; i < record.size(); ++i) {
        const double phase = 2.0 * std::numbers::pi * 37.0 * static_cast<double>(i) / 10000.0;
        record[i] = static_cast<std::int16_t>(127.0 + 90.0 * std::sin(phase) + 9.0 * std::sin(2.0 * phase) +
                                              noise(random));
    }
    CFftAnalysis fft;
    FftSettings settings;
    FftResults results;
    ResetFft(settings, results);
    settings.running = 1;
    settings.bins = 4096;
    settings.window = kWindowBlackman;
    settings.scale = kFftScaleDb;
    FftFrameInput input;
    input.timeDivIndex = 12;
    input.secondsPerDiv = 4e-5;
    input.processedRecord = record;
    for (auto _ : state) {
        const FftStatus status = fft.Compute(settings, input, results);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(results.figures.value.data());
    }
}
BENCHMARK(BM_FftTick4096Blackman)->Unit(benchmark::kMicrosecond);

// One evaluation of eight items spread over CH1, CH2 and MATH, with the walks that cost the most
// (mean, RMS, rise and fall time) among them.
void BM_MeasureEightItemsThreeSources(benchmark::State& state) {
    std::array<std::vector<std::int16_t>, 3> traces;
    for (std::size_t s = 0; s < traces.size(); ++s) {
        traces[s].resize(kMeasureTracePoints);
        for (int i = 0; i < kMeasureTracePoints; ++i) {
            const double phase = 2.0 * std::numbers::pi * (2.5 + static_cast<double>(s)) * i / 5000.0;
            traces[s][static_cast<std::size_t>(i)] =
                static_cast<std::int16_t>(127.0 + 100.0 * std::sin(phase));
        }
    }
    std::array<MeasureChannel, 3> channels;
    for (std::size_t s = 0; s < channels.size(); ++s) {
        channels[s] = MeasureChannel{true, 1.0, 128.0, traces[s]};
    }
    CMeasureSet set;
    set.SetSecondsPerDiv(1e-3);
    const int kinds[8] = {kMeasureVrms,      kMeasureVmean,  kMeasureRiseTime, kMeasureFallTime,
                          kMeasureFrequency, kMeasureVcmean, kMeasurePosDuty,  kMeasureVpp};
    for (int k = 0; k < 8; ++k) {
        set.SetMeasureSource(k % 3);
        set.AddMeasure(kinds[k]);
    }
    for (auto _ : state) {
        set.UpdateMeasurements(channels);
        benchmark::DoNotOptimize(set.Text(7).data());
    }
}
BENCHMARK(BM_MeasureEightItemsThreeSources)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tarnix
