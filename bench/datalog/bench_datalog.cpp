// Statistics and the measurement log on the acquisition tick.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include <unistd.h>

#include "datalog/data_log.h"
#include "datalog/measure_log.h"
#include "datalog/measure_statistics.h"

namespace tarnix {
namespace {

// Eight screen items take one capture's values, as each new capture does (the figures alone).
void BM_StatisticsEightItems(benchmark::State& state) {
    CMeasureStatistics statistics;
    std::array<MeasureItem, 8> items;
    for (int i = 0; i < 8; ++i) {
        items[static_cast<std::size_t>(i)] = {i % 3, i * 2};
    }
    statistics.SetItems(items);
    const MeasureMeaning meaning = MeaningOf(InstrumentSettings{});
    std::mt19937 generator(7);
    std::normal_distribution<double> noise(1.0, 0.1);
    std::array<std::array<std::optional<double>, 8>, 64> captures;
    for (auto& capture : captures) {
        for (auto& value : capture) {
            value = noise(generator);
        }
        capture[3].reset();
    }
    std::size_t next = 0;
    for (auto _ : state) {
        statistics.AddCapture(meaning, captures[next]);
        next = (next + 1) % captures.size();
        benchmark::DoNotOptimize(statistics.Figures(7));
    }
}
BENCHMARK(BM_StatisticsEightItems);

// What every new capture costs with eight measurements on the screen, whether their table is shown or
// not: the values measured from two 5000-point sines and added to the figures.
void BM_ScreenStatisticsEightItemsPerCapture(benchmark::State& state) {
    CSystemLogClock clock;
    CFileLogSink sink;
    CDataLog datalog(clock, sink);
    std::vector<std::int16_t> ch1(kMeasureTracePoints);
    std::vector<std::int16_t> ch2(kMeasureTracePoints);
    for (int i = 0; i < kMeasureTracePoints; ++i) {
        ch1[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(128 + 60 * std::sin(i * 0.005));
        ch2[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 1000 < 500 ? 90 : 170);
    }
    std::array<MeasureChannel, kMeasureSourceCount> channels{};
    channels[0] = {true, 1.0, 128.0, ch1};
    channels[1] = {true, 1.0, 128.0, ch2};
    const std::array<MeasureItem, 8> items{{{0, kMeasureVpp},
                                            {0, kMeasureFrequency},
                                            {0, kMeasureVrms},
                                            {0, kMeasureRiseTime},
                                            {1, kMeasurePosDuty},
                                            {1, kMeasureVmax},
                                            {1, kMeasurePeriod},
                                            {1, kMeasureVmean}}};
    const InstrumentSettings settings;
    for (auto _ : state) {
        benchmark::DoNotOptimize(datalog.OnCapture(settings, channels, 1e-4, items));
    }
    benchmark::DoNotOptimize(datalog.statistics.Figures(7));
}
BENCHMARK(BM_ScreenStatisticsEightItemsPerCapture);

// One row of eight items written to a real file, with the flush to the disk started every half second:
// the log's share of an acquisition tick when it logs every capture.
void BM_LogRowEightItemsToFile(benchmark::State& state) {
    char path[] = "/tmp/tarnix-bench-log-XXXXXX";
    const int fd = ::mkstemp(path);
    ::close(fd);
    CSystemLogClock clock;
    CFileLogSink sink;
    CMeasureLog log(clock, sink);
    LogOptions options{path, false, {}, 0.0};
    for (int i = 0; i < 8; ++i) {
        options.columns.push_back({{i % 3, i * 2}, {0.0, 2.0}});
    }
    const MeasureMeaning meaning = MeaningOf(InstrumentSettings{});
    log.Start(options, meaning);
    const std::array<std::optional<double>, 8> values{1.25,   0.0125, std::nullopt, 5000.0,
                                                      2.5e-7, 49.8,   1e6,          -3.3};
    for (auto _ : state) {
        benchmark::DoNotOptimize(log.AddCapture(meaning, values));
        log.Poll();
    }
    log.Stop();
    ::unlink(path);
}
BENCHMARK(BM_LogRowEightItemsToFile);

} // namespace
} // namespace tarnix
