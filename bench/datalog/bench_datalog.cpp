// Statistics and the measurement log on the acquisition tick.
#include <benchmark/benchmark.h>

#include <array>
#include <optional>
#include <random>

#include "datalog/measure_statistics.h"

namespace tarnix {
namespace {

// Eight screen items take one capture's values, as each new capture does while the statistics are shown.
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

} // namespace
} // namespace tarnix
