// Statistics over captures: the figures a user reads beside a measurement, checked against a plain
// two-pass computation, and the settings changes after which old values no longer count.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "analysis/measure_set.h"
#include "datalog/measure_statistics.h"

namespace tarnix {
namespace {

struct Series {
    const char* name;
    double offset;
    double noise; // standard deviation of the Gaussian noise
    int count;
    int unmeasurableEvery; // every n-th capture cannot be measured; 0: none
};

const Series kSeries[] = {
    {"SmallSignal", 0.0, 0.25, 1000, 0},
    {"MegavoltOffsetMillivoltNoise", 1e6, 1e-3, 20000, 0},
    {"NegativeWithGaps", -3.3, 0.01, 999, 7},
    {"Nanoseconds", 25e-9, 1e-12, 5000, 3},
};

class StatisticsAgainstTwoPass : public ::testing::TestWithParam<Series> {};

TEST_P(StatisticsAgainstTwoPass, FiguresMatchAPlainTwoPassComputation) {
    const Series& s = GetParam();
    std::mt19937_64 generator(12345);
    std::normal_distribution<double> noise(0.0, s.noise);
    RunningStats stats;
    std::vector<double> values;
    for (int i = 1; i <= s.count; ++i) {
        if (s.unmeasurableEvery != 0 && i % s.unmeasurableEvery == 0) {
            stats.AddUnmeasurable();
            continue;
        }
        values.push_back(s.offset + noise(generator));
        stats.Add(values.back());
    }
    long double sum = 0;
    for (double v : values) {
        sum += v;
    }
    const long double mean = sum / values.size();
    long double squares = 0;
    for (double v : values) {
        squares += (v - mean) * (v - mean);
    }
    const double deviation = std::sqrt(static_cast<double>(squares / (values.size() - 1)));

    EXPECT_EQ(stats.Count(), values.size());
    EXPECT_EQ(stats.Unmeasurable(), static_cast<std::uint64_t>(s.count) - values.size());
    EXPECT_NEAR(stats.Mean(), static_cast<double>(mean), 1e-5 * s.noise);
    EXPECT_NEAR(stats.StdDev(), deviation, 1e-6 * deviation);
    EXPECT_EQ(stats.Min(), *std::min_element(values.begin(), values.end()));
    EXPECT_EQ(stats.Max(), *std::max_element(values.begin(), values.end()));
}

INSTANTIATE_TEST_SUITE_P(Seeded, StatisticsAgainstTwoPass, ::testing::ValuesIn(kSeries),
                         [](const auto& info) { return std::string(info.param.name); });

// Which change starts which source's figures afresh: a table of settings changes and the sources they hit.
struct ResetRule {
    const char* name;
    std::function<void(InstrumentSettings&)> change;
    std::array<bool, 3> reset; // CH1, CH2, MATH
};

const ResetRule kResetRules[] = {
    {"Ch1VoltsPerDiv", [](InstrumentSettings& s) { s.ch(kCh1).voltsPerDivIndex = 3; }, {true, false, true}},
    {"Ch2Probe", [](InstrumentSettings& s) { s.ch(kCh2).probe = 1; }, {false, true, true}},
    {"Ch1Coupling", [](InstrumentSettings& s) { s.ch(kCh1).coupling = kCouplingDc; }, {true, false, true}},
    {"Ch2TurnedOff", [](InstrumentSettings& s) { s.ch(kCh2).enabled = 0; }, {false, true, true}},
    {"MathOperator",
     [](InstrumentSettings& s) { s.ch(kMath).math.mathOperator = kMathMul; },
     {false, false, true}},
    {"MathVoltsPerDiv",
     [](InstrumentSettings& s) { s.ch(kMath).voltsPerDivIndex = 2; },
     {false, false, true}},
    {"TimeBase", [](InstrumentSettings& s) { s.timebase.timeDivIndex = 20; }, {true, true, true}},
    {"DisplayFormat",
     [](InstrumentSettings& s) { s.timebase.displayFormat = kFormatXY; },
     {true, true, true}},
    {"TriggerLevel", [](InstrumentSettings& s) { s.trigger.levelCh1 = 10.0f; }, {false, false, false}},
    {"Ch1Position", [](InstrumentSettings& s) { s.ch(kCh1).zeroLevel = 30.0f; }, {false, false, false}},
    {"Ch2Colour", [](InstrumentSettings& s) { s.ch(kCh2).colour = 0x123456; }, {false, false, false}},
};

class StatisticsReset : public ::testing::TestWithParam<ResetRule> {};

TEST_P(StatisticsReset, ASettingThatChangesAMeasurementsMeaningStartsItAfresh) {
    InstrumentSettings settings;
    settings.ch(kMath).enabled = 1;
    CMeasureStatistics statistics;
    const MeasureItem items[] = {{kCh1, kMeasureVpp}, {kCh2, kMeasureFrequency}, {kMath, kMeasureVrms}};
    statistics.SetItems(items);
    const std::optional<double> values[] = {1.0, 1000.0, std::nullopt};
    for (int capture = 0; capture < 3; ++capture) {
        statistics.AddCapture(MeaningOf(settings), values);
    }
    GetParam().change(settings);
    statistics.AddCapture(MeaningOf(settings), values);
    for (std::size_t i = 0; i < 3; ++i) {
        const RunningStats& f = statistics.Figures(i);
        EXPECT_EQ(f.Count() + f.Unmeasurable(), GetParam().reset[i] ? 1u : 4u) << ItemName(items[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, StatisticsReset, ::testing::ValuesIn(kResetRules),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tarnix
