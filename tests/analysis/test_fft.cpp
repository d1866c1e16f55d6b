#include "../support/doc_fixture.h"
#include "../support/trace_values.h"
#include "analysis/fft_analysis.h"
#include "analysis/spectrum_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <numeric>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace tarnix {
namespace {

constexpr double kPi = std::numbers::pi;
using testing::Ramp;

// Textbook periodic windows a0 - a1 cos x + a2 cos 2x (rectangle, Hanning, Hamming, Blackman), written out
// here independently of the code under test.
double ReferenceWindow(int window, int n, int size) {
    const double a[4][3] = {{1, 0, 0}, {0.5, 0.5, 0}, {0.54, 0.46, 0}, {0.42, 0.5, 0.08}};
    const double x = 2.0 * kPi * n / size;
    return a[window][0] - a[window][1] * std::cos(x) + a[window][2] * std::cos(2.0 * x);
}

// Plain O(N^2) DFT magnitude with the amplitude scaling the spectrum routine promises.
std::vector<double> ReferenceSpectrum(const std::vector<float>& codes, int window, double voltsPerDiv,
                                      int zeroWord) {
    const int n = static_cast<int>(codes.size());
    double windowSum = 0.0;
    for (int i = 0; i < n; ++i) {
        windowSum += ReferenceWindow(window, i, n);
    }
    std::vector<double> out(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        std::complex<double> sum = 0.0;
        for (int i = 0; i < n; ++i) {
            const double volts =
                voltsPerDiv / 32.0 * (codes[static_cast<std::size_t>(i)] - (255.0 - zeroWord));
            sum += ReferenceWindow(window, i, n) * volts * std::polar(1.0, -2.0 * kPi * k * i / n);
        }
        const double scale = (k == 0 || k == n / 2) ? 1.0 : 2.0;
        out[static_cast<std::size_t>(k)] = scale * std::abs(sum) / windowSum;
    }
    return out;
}

FftParameters Params(int window, int bins, double voltsPerDiv) {
    FftParameters p;
    p.windowType = static_cast<std::uint16_t>(window);
    p.binCount = static_cast<std::uint16_t>(bins);
    p.voltsPerDiv = voltsPerDiv;
    return p;
}

TEST(SpectrumEngine, MatchesAPlainDftForEveryWindow) {
    CSpectrumEngine engine;
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> level(0.0f, 255.0f);
    std::vector<float> codes(256);
    for (float& c : codes) {
        c = level(random);
    }
    for (int window = 0; window < kWindowCount; ++window) {
        std::vector<double> spectrum(256);
        ASSERT_TRUE(engine.Spectrum(Params(window, 256, 2.0), codes, 100, spectrum));
        const std::vector<double> expected = ReferenceSpectrum(codes, window, 2.0, 100);
        for (std::size_t k = 0; k < 256; ++k) {
            EXPECT_NEAR(spectrum[k], expected[k], 1e-9) << window << " bin " << k;
        }
    }
}

TEST(SpectrumEngine, RefusesBadSizesAndResamplesTheScreenPart) {
    CSpectrumEngine engine;
    std::vector<float> codes(300, 128.0f);
    std::vector<double> spectrum(300, -1.0);
    // 300 bins is not a size; 512 needs more samples than there are.
    EXPECT_FALSE(engine.Spectrum(Params(0, 300, 1.0), codes, 128, spectrum) ||
                 engine.Spectrum(Params(0, 512, 1.0), codes, 128, spectrum) || spectrum[0] != -1.0);

    // On a ramp each resampled value is its record position.
    std::vector<float> work(4096);
    CSpectrumEngine::Resample(Ramp(10240), work);
    EXPECT_EQ(std::tuple(work[0], work[4095]), std::tuple(120.0f, 120.0f + 4095.0f * 10000.0f / 4096.0f));
    // A short record (the roll points) is used whole.
    std::vector<float> rollWork(256);
    CSpectrumEngine::Resample(Ramp(5000), rollWork);
    EXPECT_FLOAT_EQ(rollWork[255], 255.0f * 5000.0f / 256.0f);
    // Fewer points than bins: the last ones hold the last sample and never read past the record.
    std::vector<std::int16_t> memory = Ramp(101);
    memory[100] = 9999;
    CSpectrumEngine::Resample(std::span<const std::int16_t>(memory.data(), 100), rollWork);
    EXPECT_FLOAT_EQ(rollWork[255], 99.0f);
}

// A 10k processed record of tones: the tone at bin k has k cycles over the screen points 120..10119.
std::vector<std::int16_t> ToneRecord(double centre, std::initializer_list<std::pair<int, double>> tones) {
    std::vector<std::int16_t> record(10240);
    for (int i = 0; i < 10240; ++i) {
        double v = centre;
        for (const auto& [bin, amplitude] : tones) {
            v += amplitude * std::cos(2.0 * kPi * bin * (i - 120) / 10000.0);
        }
        record[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(v));
    }
    return record;
}

FftFrameInput YtInput(std::span<const std::int16_t> record) {
    FftFrameInput input;
    input.secondsPerDiv = 4e-5; // bins 2500 Hz apart
    input.zeroLevelWord = 128;  // 0 V at code 127
    input.processedRecord = record;
    return input;
}

// A running analysis from its reset state, at the given bin count.
class FftCompute : public ::testing::Test {
protected:
    void Start(int bins) {
        ResetFft(settings, results);
        settings.running = 1;
        settings.bins = static_cast<std::uint16_t>(bins);
    }
    FftStatus Compute(const FftFrameInput& input) { return fft.Compute(settings, input, results); }

    CFftAnalysis fft;
    FftSettings settings;
    FftResults results;
};

TEST_F(FftCompute, PureSineGivesItsAmplitudeBinAndFrequencyForEachWindow) {
    const auto record = ToneRecord(127.0, {{20, 80.0}}); // 80 codes at 1 V/div = 2.5 V
    for (int window = 0; window < kWindowCount; ++window) {
        Start(1024);
        settings.window = static_cast<std::uint16_t>(window);
        ASSERT_EQ(Compute(YtInput(record)), FftStatus::kComputed);
        EXPECT_EQ(results.fundamentalBin, 20) << window;
        EXPECT_NEAR(results.fundamentalValue, 2.5, 2.5 * 0.005) << window;
        EXPECT_EQ(results.rows[0].frequency, "50.0kHz"); // 20 x 2500 Hz
    }
}

TEST_F(FftCompute, SecondHarmonicFortyDbDownGivesThdOfMinusForty) {
    // Large codes keep rounding distortion far below the -40 dB harmonic.
    const auto record = ToneRecord(127.0, {{20, 10000.0}, {40, 100.0}});
    Start(1024);
    settings.scale = kFftScaleDb;
    settings.window = kWindowBlackman;
    ASSERT_EQ(Compute(YtInput(record)), FftStatus::kComputed);
    EXPECT_EQ(results.harmonicBin[0], 40); // multipliers 2..6 at time/div index 11
    const double thdTruth = 20.0 * std::log10(100.0 / 10000.0);
    ASSERT_EQ(results.figures.shown[1], 1u); // THD
    EXPECT_NEAR(results.figures.value[1], thdTruth, 0.5);
    EXPECT_NEAR(results.figures.value[3], -thdTruth, 0.5); // SFDR: the harmonic is the largest spur
    // dB rows: 10000 codes at 1 V/div = 312.5 V; 20 log10(312.5) = 49.897 dB.
    EXPECT_EQ(results.rows[0].value, "49.90dB");
    EXPECT_NEAR(results.linear[40], 100.0 / 32.0, 0.02); // the harmonic in volts
}

TEST_F(FftCompute, WhiteNoiseOfKnownPowerGivesTheSnr) {
    // A record of exactly B points is taken point for point, so the noise reaches
    // the transform unfiltered. Rectangle window: the other windows widen the noise bandwidth of each bin.
    constexpr int kBins = 4096;
    std::mt19937 random(42);
    std::normal_distribution<double> gauss(0.0, 400.0);
    std::vector<std::int16_t> record(kBins);
    const double amplitude = 4000.0;
    double noisePower = 0.0;
    for (int n = 0; n < kBins; ++n) {
        const double clean = 127.0 + amplitude * std::sin(2.0 * kPi * 100 * n / kBins);
        const long code = std::lround(clean + gauss(random));
        record[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(code);
        noisePower += (static_cast<double>(code) - clean) * (static_cast<double>(code) - clean) / kBins;
    }
    const double snrTruth = 10.0 * std::log10(amplitude * amplitude / 2.0 / noisePower);
    Start(kBins);
    FftFrameInput input = YtInput(record);
    input.timeDivIndex = 12;
    ASSERT_EQ(Compute(input), FftStatus::kComputed);
    EXPECT_EQ(results.fundamentalBin, 100);
    ASSERT_EQ(results.figures.shown[0], 1u);
    EXPECT_NEAR(results.figures.value[0], snrTruth, 1.0);
    EXPECT_NEAR(results.figures.value[2], (results.figures.value[0] - 1.76) / 6.02, 1e-9);
}

TEST(FftAnalysis, DbConversionPeakSearchStretchedShiftAndBinFrequencies) {
    std::vector<double> values = {0.0, 1.0, 10.0, 0.1};
    ConvertToDb(values);
    EXPECT_EQ(values, (std::vector<double>{0.0, 0.0, 20.0, -20.0})); // zero stays zero
    // Bin 0 never counts; among equal values the first wins.
    EXPECT_EQ(FindPeakBin(std::vector<double>{9.0, 1.0, 3.0, 2.0, 3.0}), 2);
    // On a ramp the value at a bin tells where it came from: two bins down from bin 64 on for a peak
    // above 63, one bin down over 21..63 for a peak in 21..63. Each case: peak, bin, source bin.
    const int cases[][3] = {{64, 61, 61}, {64, 62, 64}, {64, 251, 251}, {63, 19, 19},
                            {63, 20, 21}, {63, 62, 63}, {20, 20, 20}};
    for (const auto& c : cases) {
        std::vector<double> s(256);
        std::iota(s.begin(), s.end(), 0.0);
        ShiftStretchedSpectrum(s, c[0]);
        EXPECT_EQ(s[static_cast<std::size_t>(c[1])], c[2]) << "peak " << c[0] << " bin " << c[1];
    }
    std::array<std::int32_t, 4096> f{};
    ComputeBinFrequencies(1e-8, 1e-7, f); // 4095 x 1 MHz does not fit: saturates
    EXPECT_EQ(std::tuple(f[2000], f[4095]), std::tuple(2000000000, 2147483647));
}

TEST(FftAnalysis, HarmonicSearchEdgeCases) {
    FftResults results;
    std::vector<double> spectrum(256, 0.0);
    // Fundamental at 60, multipliers 2..6: 120, 180, 240 fit; 300 and 360 do not.
    spectrum[120] = 1.0;
    spectrum[121] = 2.0; // a strictly larger neighbour takes the slot
    spectrum[180] = 1.0;
    spectrum[182] = 1.0; // equal is not larger
    spectrum[255] = 0.25;
    SearchHarmonics(spectrum, 60, 9, results);
    EXPECT_EQ(results.harmonicBin, (std::array<std::uint16_t, 5>{121, 180, 240, 255, 255}));
    EXPECT_EQ(std::tuple(results.harmonicValue[0], results.harmonicValue[3]), std::tuple(2.0, 0.25));
    EXPECT_EQ(results.rowShown, (std::array<std::uint32_t, 6>{1, 1, 1, 1, 0, 0}));

    // Below time/div index 9 the multipliers start at 1. With f = 2 the bins left
    // of the previous slot are skipped, and the search ends at (m + 1) x f.
    std::fill(spectrum.begin(), spectrum.end(), 0.0);
    spectrum[1] = 9.0;
    spectrum[2] = 1.0;
    spectrum[3] = 2.0;
    spectrum[4] = 8.0;
    SearchHarmonics(spectrum, 2, 8, results);
    // m = 2: 4, its left neighbour 3 is not below the previous slot.
    EXPECT_EQ(std::tuple(results.harmonicBin[0], results.harmonicBin[1]), std::tuple(3, 4));
}

// Raw samples of a cosine showing `cycles` periods per screen once model 1 stretches them by 33.5.
std::vector<std::uint16_t> RawTone(std::size_t length, double cycles, double centre, double amplitude) {
    std::vector<std::uint16_t> samples(length);
    const double period = 10000.0 / 33.5 / cycles;
    for (std::size_t i = 0; i < length; ++i) {
        samples[i] =
            static_cast<std::uint16_t>(std::lround(centre + amplitude * std::cos(2.0 * kPi * i / period)));
    }
    return samples;
}

TEST_F(FftCompute, FastTimeBaseStretchesTheRawSamples) {
    // 10 cycles per screen in the stretched record of model 1, one channel (F = 33.5); bins 1 MHz apart.
    const std::vector<std::uint16_t> samples = RawTone(65536, 10.0, 10000.0, 4000.0);
    Start(1024);
    FftFrameInput input;
    input.timeDivIndex = 4;
    input.secondsPerDiv = 1e-7;
    input.sampleMemory = samples;
    ASSERT_EQ(Compute(input), FftStatus::kComputed);
    EXPECT_TRUE(results.fundamentalBin == 10 && results.rows[0].frequency == "5.00MHz");
    EXPECT_NEAR(results.fundamentalValue, 4000.0 / 32.0, 4000.0 / 32.0 * 0.03);
}

TEST_F(FftCompute, RollWaitsForAFullRollRecordAndUses256Bins) {
    std::vector<std::int16_t> trace(5000);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        trace[i] =
            static_cast<std::int16_t>(std::lround(127.0 + 64.0 * std::sin(2.0 * kPi * 7.0 * i / 5000.0)));
    }
    Start(2048);
    FftFrameInput input;
    input.rollFormat = true;
    input.secondsPerDiv = 1.0;
    input.displayTrace = trace;
    input.rollWritePosition = 4999;
    EXPECT_EQ((std::tuple{Compute(input), settings.bins}), std::tuple(FftStatus::kRollNotFull, 256));
    input.rollWritePosition = 5000;
    ASSERT_EQ(Compute(input), FftStatus::kComputed);
    EXPECT_EQ(results.fundamentalBin, 7);
    EXPECT_NEAR(results.fundamentalValue, 2.0, 0.02); // 64 codes at 1 V/div
}

TEST(FftAnalysis, SaveTextFormat) {
    FftResults results;
    results.binCount = 256;
    for (int k = 0; k < 256; ++k) {
        results.binFrequency[static_cast<std::size_t>(k)] = k * 2500;
        results.spectrum[static_cast<std::size_t>(k)] = k == 1 ? 0.5 : -12.25;
    }
    const std::string text = FormatSpectrumText(results, kFftScaleLinear);
    EXPECT_TRUE(text.starts_with("Freq(Hz)\t\t\t\t\tVolt(V)\r\n "
                                 "\r\n0\t\t\t\t\t-12.250000\r\n2500\t\t\t\t\t0.500000\r\n"));
    EXPECT_TRUE(text.ends_with("637500\t\t\t\t\t-12.250000\r\n"));
    // CR LF only, one line per bin after the two header lines.
    EXPECT_EQ(
        std::tuple(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r')),
        std::tuple(2 + 256, 2 + 256));
    EXPECT_TRUE(FormatSpectrumText(results, kFftScaleDb).starts_with("Freq(Hz)\t\t\t\t\tdB\r\n"));
}

using FftFlows = testing::DocTest;

// The simulated instrument's clean square (no noise, as in the example setup) at 100 us/div: most bins
// hold exactly nothing, which dB shows as 0, as high as the line of a 1 V sine. With 8 cycles on screen
// the second harmonic's slot and its neighbours are all empty.
TEST_F(FftFlows, DbAndLinearNameTheSameFundamentalHarmonicsAndFiguresOfACleanSquare) {
    const std::pair<double, const char*> rows[] = {{2000.0, "2.00kHz"}, {8000.0, "8.00kHz"}};
    for (const auto& [hz, fundamental] : rows) {
        SCOPED_TRACE(fundamental);
        SimConfig config;
        config.signals[1] = {SimShape::kSquare, hz, 1.0, 0.25, 0.0};
        StartSim(config);
        doc->SetTimeDiv(TimeDivIndexOfLabel("100us", doc->settings.timebase.timeDivOffset));
        doc->fftSettings.source = 1;
        doc->SetFftRunning(true);
        std::vector<FftResults> seen;
        for (int scale : {kFftScaleLinear, kFftScaleDb}) {
            SetFftScale(doc->fftSettings, scale);
            Ticks(10);
            ASSERT_EQ(doc->fftStatus, FftStatus::kComputed);
            seen.push_back(doc->fftResults);
            EXPECT_EQ(seen.back().rows[0].frequency, fundamental) << scale;
        }
        const FftResults& linear = seen[0];
        const FftResults& db = seen[1];
        const double fundamentalVolts = 2.0 / kPi; // 4 / pi of the 0.5 V half swing
        EXPECT_NEAR(linear.fundamentalValue, fundamentalVolts, 0.03);
        EXPECT_NEAR(db.fundamentalValue, 20.0 * std::log10(fundamentalVolts), 0.4);
        EXPECT_TRUE(db.rows[0].value.starts_with("-3.") && db.rows[0].value.ends_with("dB"))
            << db.rows[0].value;
        EXPECT_TRUE(db.harmonicBin == linear.harmonicBin && db.rowShown == linear.rowShown);
        EXPECT_EQ(db.figures.text, linear.figures.text);
    }
}

} // namespace
} // namespace tarnix
