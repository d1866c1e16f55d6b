#include "analysis/fft_analysis.h"
#include "analysis/spectrum_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

namespace tarnix {
namespace {

constexpr double kPi = std::numbers::pi;

// Textbook periodic windows, written out here independently of the code under test.
double ReferenceWindow(int window, int n, int size) {
    const double x = 2.0 * kPi * n / size;
    switch (window) {
    case kWindowHanning:
        return 0.5 * (1.0 - std::cos(x));
    case kWindowHamming:
        return 0.54 - 0.46 * std::cos(x);
    case kWindowBlackman:
        return 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);
    default:
        return 1.0;
    }
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
    EXPECT_FALSE(engine.Spectrum(Params(0, 300, 1.0), codes, 128, spectrum));
    EXPECT_FALSE(engine.Spectrum(Params(0, 512, 1.0), codes, 128, spectrum)); // too few samples
    EXPECT_EQ(spectrum[0], -1.0);

    // A ramp record: point i holds i, so the resampled value is its record position.
    std::vector<std::int16_t> record(10240);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::int16_t>(i);
    }
    std::vector<float> work(4096);
    CSpectrumEngine::Resample(record, work);
    EXPECT_FLOAT_EQ(work[0], 120.0f);
    EXPECT_FLOAT_EQ(work[1], 120.0f + 10000.0f / 4096.0f);
    EXPECT_FLOAT_EQ(work[4095], 120.0f + 4095.0f * 10000.0f / 4096.0f);
    // A short record (the roll points) is used whole.
    std::vector<std::int16_t> roll(5000);
    for (std::size_t i = 0; i < roll.size(); ++i) {
        roll[i] = static_cast<std::int16_t>(i);
    }
    std::vector<float> rollWork(256);
    CSpectrumEngine::Resample(roll, rollWork);
    EXPECT_FLOAT_EQ(rollWork[255], 255.0f * 5000.0f / 256.0f);
}

// A 10k processed record holding a sum of tones given in bins of the B-point screen spectrum:
// tone at bin k has k cycles over the 10000 screen points 120..10119.
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

FftFrameInput YtInput(std::span<const std::int16_t> record, double voltsPerDiv = 1.0) {
    FftFrameInput input;
    input.model = 1;
    input.timeDivIndex = 11;
    input.secondsPerDiv = 4e-5; // bins 2500 Hz apart
    input.voltsPerDiv = voltsPerDiv;
    input.zeroLevelWord = 128; // 0 V at code 127
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
        EXPECT_EQ(results.binCount, 1024);
        EXPECT_EQ(results.fundamentalBin, 20) << window;
        EXPECT_NEAR(results.fundamentalValue, 2.5, 2.5 * 0.005) << window;
        EXPECT_EQ(results.binFrequency[20], 50000); // 20 x 2500 Hz
        EXPECT_EQ(results.rows[0].frequency, "50.0kHz");
        EXPECT_EQ(results.rows[0].value, "2.50V");
    }
}

TEST_F(FftCompute, SecondHarmonicFortyDbDownGivesThdOfMinusForty) {
    // Large codes keep rounding distortion far below the -40 dB harmonic.
    const auto record = ToneRecord(127.0, {{20, 10000.0}, {40, 100.0}});
    Start(1024);
    settings.scale = kFftScaleDb;
    settings.window = kWindowBlackman;
    ASSERT_EQ(Compute(YtInput(record)), FftStatus::kComputed);
    EXPECT_EQ(results.fundamentalBin, 20);
    EXPECT_EQ(results.harmonicBin[0], 40); // multipliers 2..6 at time/div index 11
    EXPECT_EQ(results.harmonicBin[4], 120);
    const double thdTruth = 20.0 * std::log10(100.0 / 10000.0);
    ASSERT_EQ(results.figures.shown[1], 1u);
    EXPECT_NEAR(results.figures.value[1], thdTruth, 0.5);
    EXPECT_NEAR(results.figures.value[3], -thdTruth, 0.5); // SFDR: the harmonic is the largest spur
    // dB rows: 10000 codes at 1 V/div = 312.5 V; 20 log10(312.5) = 49.897 dB.
    EXPECT_EQ(results.rows[0].value, "49.90dB");
    EXPECT_NEAR(results.spectrum[40], 20.0 * std::log10(100.0 / 32.0), 0.05);
    EXPECT_NEAR(results.linear[40], 100.0 / 32.0, 0.02);
}

TEST_F(FftCompute, WhiteNoiseOfKnownPowerGivesTheSnr) {
    // A record of exactly B points is taken point for point, so the noise reaches the transform
    // unfiltered. Rectangle window: the other windows widen the noise bandwidth of each bin.
    constexpr int kBins = 4096;
    std::mt19937 random(42);
    std::normal_distribution<double> gauss(0.0, 400.0);
    std::vector<std::int16_t> record(kBins);
    const double amplitude = 4000.0;
    double noisePower = 0.0;
    for (int n = 0; n < kBins; ++n) {
        const double noise = gauss(random);
        const double v = 127.0 + amplitude * std::sin(2.0 * kPi * 100 * n / kBins) + noise;
        const long code = std::lround(v);
        record[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(code);
        const double actualNoise =
            static_cast<double>(code) - (127.0 + amplitude * std::sin(2.0 * kPi * 100 * n / kBins));
        noisePower += actualNoise * actualNoise / kBins;
    }
    const double snrTruth = 10.0 * std::log10(amplitude * amplitude / 2.0 / noisePower);
    Start(kBins);
    FftFrameInput input = YtInput(record);
    input.timeDivIndex = 12;
    ASSERT_EQ(Compute(input), FftStatus::kComputed);
    EXPECT_EQ(results.fundamentalBin, 100);
    ASSERT_EQ(results.figures.shown[0], 1u);
    EXPECT_NEAR(results.figures.value[0], snrTruth, 1.0);
    ASSERT_EQ(results.figures.shown[2], 1u);
    EXPECT_NEAR(results.figures.value[2], (results.figures.value[0] - 1.76) / 6.02, 1e-9);
    // Total power: sine power plus noise power, in V^2 on the one-sided half of the spectrum.
    const double totalTruth =
        10.0 * std::log10((amplitude * amplitude / 2.0 + noisePower) * 2.0 / (32.0 * 32.0));
    EXPECT_NEAR(results.figures.value[5], totalTruth, 0.2);
}

TEST_F(FftCompute, FlatRecordAtZeroVoltsShowsDashesEverywhere) {
    // In dB a zero stays zero rather than turning into minus infinity, and no figure has a value.
    const std::vector<std::int16_t> flat(10240, 127);
    Start(256);
    settings.scale = kFftScaleDb;
    ASSERT_EQ(Compute(YtInput(flat)), FftStatus::kComputed);
    for (int k = 0; k < 256; ++k) {
        ASSERT_EQ(results.spectrum[static_cast<std::size_t>(k)], 0.0);
    }
    for (std::size_t i = 0; i < kFftFigureCount; ++i) {
        EXPECT_EQ(results.figures.text[i], "---") << kFftFigureNames[i];
        EXPECT_EQ(results.figures.shown[i], 0u) << kFftFigureNames[i];
    }
}

TEST(FftAnalysis, DbConversionAndPeakSearch) {
    std::vector<double> values = {0.0, 1.0, 10.0, 0.1, 0.0};
    ConvertToDb(values);
    EXPECT_EQ(values[0], 0.0);
    EXPECT_EQ(values[1], 0.0);
    EXPECT_DOUBLE_EQ(values[2], 20.0);
    EXPECT_DOUBLE_EQ(values[3], -20.0);
    EXPECT_EQ(values[4], 0.0);
    // Bin 0 never counts; among equal values the first wins.
    EXPECT_EQ(FindPeakBin(std::vector<double>{9.0, 1.0, 3.0, 2.0, 3.0}), 2);
    EXPECT_EQ(FindPeakBin(std::vector<double>{9.0, 0.0, 0.0}), 1);
}

TEST(FftAnalysis, StretchedSpectrumShift) {
    std::vector<double> ramp(256);
    for (std::size_t k = 0; k < ramp.size(); ++k) {
        ramp[k] = static_cast<double>(k);
    }
    std::vector<double> s = ramp;
    ShiftStretchedSpectrum(s, 64);
    EXPECT_EQ(s[61], 61.0);
    EXPECT_EQ(s[62], 64.0);
    EXPECT_EQ(s[250], 252.0); // bin B - 4 lands on B - 6
    EXPECT_EQ(s[251], 251.0);
    EXPECT_EQ(s[252], 252.0);
    s = ramp;
    ShiftStretchedSpectrum(s, 63);
    EXPECT_EQ(s[19], 19.0);
    EXPECT_EQ(s[20], 21.0);
    EXPECT_EQ(s[62], 63.0);
    EXPECT_EQ(s[63], 63.0);
    EXPECT_EQ(s[64], 64.0);
    s = ramp;
    ShiftStretchedSpectrum(s, 20);
    EXPECT_EQ(s, ramp);
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
    EXPECT_EQ(results.harmonicBin[0], 121);
    EXPECT_EQ(results.harmonicValue[0], 2.0);
    EXPECT_EQ(results.harmonicBin[1], 180);
    EXPECT_EQ(results.harmonicBin[2], 240);
    EXPECT_EQ(results.harmonicBin[3], 255);
    EXPECT_EQ(results.harmonicBin[4], 255);
    EXPECT_EQ(results.harmonicValue[3], 0.25);
    EXPECT_EQ(results.rowShown[3], 1u);
    EXPECT_EQ(results.rowShown[4], 0u);
    EXPECT_EQ(results.rowShown[5], 0u);

    // Below time/div index 9 the multipliers start at 1. With f = 2 the bins left of the previous slot
    // are skipped, and the search ends at (m + 1) x f.
    std::fill(spectrum.begin(), spectrum.end(), 0.0);
    spectrum[1] = 9.0;
    spectrum[2] = 1.0;
    spectrum[3] = 2.0;
    spectrum[4] = 8.0;
    SearchHarmonics(spectrum, 2, 8, results);
    EXPECT_EQ(results.harmonicBin[0], 3);
    EXPECT_EQ(results.harmonicBin[1], 4); // m = 2: 4, left neighbour 3 is not below the previous slot
}

TEST(FftAnalysis, HarmonicRowsHideEvenRowsWhenSlotOneIsBelowSlotTwo) {
    FftSettings settings;
    FftResults results;
    ResetFft(settings, results);
    results.binCount = 256;
    ComputeBinFrequencies(4e-5, 2e-7, std::span<std::int32_t>(results.binFrequency.data(), 256));
    results.fundamentalBin = 10;
    results.fundamentalValue = 1.5;
    results.harmonicBin = {20, 30, 40, 50, 255};
    results.harmonicValue = {0.01, 0.02, 0.0, 0.5, 0.0};
    RefreshHarmonicRows(kFftScaleLinear, results);
    EXPECT_EQ(results.rows[0].frequency, "25.0kHz");
    EXPECT_EQ(results.rows[0].value, "1.50V");
    EXPECT_EQ(results.rows[1].frequency, "---");
    EXPECT_EQ(results.rows[1].value, "---");
    EXPECT_EQ(results.rows[2].frequency, "75.0kHz");
    EXPECT_EQ(results.rows[2].value, "20.0mV");
    EXPECT_EQ(results.rows[3].value, "---");
    EXPECT_EQ(results.rows[4].value, "500mV");
    EXPECT_EQ(results.rows[5].value, "---");
    results.harmonicValue = {-3.0, -20.0, -40.0, -45.5, -60.0};
    RefreshHarmonicRows(kFftScaleDb, results);
    EXPECT_EQ(results.rows[1].value, "-3.00dB");
    EXPECT_EQ(results.rows[5].value, "-60.00dB");
    EXPECT_EQ(results.rows[5].frequency, "637kHz"); // bin 255 x 2500 Hz = 637.5 kHz, three digits
}

TEST(FftAnalysis, BinFrequencies) {
    std::array<std::int32_t, 4096> f{};
    ComputeBinFrequencies(4e-5, 2e-7, f);
    EXPECT_EQ(f[1], 2500);
    EXPECT_EQ(f[4095], 4095 * 2500);
    ComputeBinFrequencies(1e-3, 2e-7, f); // one screen is 10 ms: 100 Hz per bin
    EXPECT_EQ(f[7], 700);
    ComputeBinFrequencies(1e-7, 2e-7, f); // at and below the threshold the threshold counts
    EXPECT_EQ(f[3], 1500000);
    ComputeBinFrequencies(1e-8, 1e-7, f); // 4095 x 1 MHz does not fit: saturates
    EXPECT_EQ(f[2000], 2000000000);
    EXPECT_EQ(f[4095], 2147483647);
}

// Raw samples of a cosine that shows `cycles` periods per screen once model 1 stretches one channel's
// samples by 33.5.
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
    // Ramp source: the linear stretch reproduces the source position of each output point.
    std::vector<std::uint16_t> ramp(10240);
    for (std::size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = static_cast<std::uint16_t>(i);
    }
    std::vector<std::int16_t> out(10240);
    StretchAboutTrigger(ramp, 50, 50.0, out); // trigger at trunc(50 x 102.4) = 5120
    EXPECT_EQ(out[5120], 5120);
    EXPECT_EQ(out[5220], 5122);
    EXPECT_EQ(out[5145], 5120); // 5120.5 truncated
    EXPECT_EQ(out[5020], 5118);
    EXPECT_EQ(out[10239], static_cast<std::int16_t>(5120 + (10239 - 5120) / 50.0));
    EXPECT_EQ(out[0], out[1]);
    StretchAboutTrigger(ramp, 100, 50.0, out);
    EXPECT_EQ(out[10239], 10239);

    // A tone of 10 cycles per screen in the stretched record of model 1, one channel (F = 33.5):
    // the source period is (10000 / 33.5) / 10 samples. Bins sit 1 / (10 x 2e-7 s) = 500 kHz apart.
    const std::vector<std::uint16_t> samples = RawTone(65536, 10.0, 10000.0, 4000.0);
    Start(1024);
    FftFrameInput input;
    input.model = 1;
    input.timeDivIndex = 4;
    input.secondsPerDiv = 1e-7;
    input.zeroLevelWord = 128;
    input.positionPercent = 50;
    input.sampleMemory = samples;
    ASSERT_EQ(Compute(input), FftStatus::kComputed);
    EXPECT_EQ(results.fundamentalBin, 10);
    EXPECT_EQ(results.rows[0].frequency, "5.00MHz");
    EXPECT_NEAR(results.fundamentalValue, 4000.0 / 32.0, 4000.0 / 32.0 * 0.03);
}

TEST_F(FftCompute, FastTimeBaseShiftsTheShownSpectrumButNotTheLinearCopy) {
    // 40 cycles per screen: the first peak is bin 40, so bins 21..63 move one bin down.
    const std::vector<std::uint16_t> samples = RawTone(10240, 40.0, 1000.0, 800.0);
    Start(512);
    FftFrameInput input;
    input.timeDivIndex = 5;
    input.secondsPerDiv = 2e-7; // at the threshold: stretched
    input.sampleMemory = samples;
    ASSERT_EQ(Compute(input), FftStatus::kComputed);
    EXPECT_EQ(results.fundamentalBin, 39);
    EXPECT_EQ(results.spectrum[39], results.linear[40]);
    EXPECT_EQ(FindPeakBin(std::span<const double>(results.linear.data(), 512)), 40);
    EXPECT_EQ(results.rows[0].frequency, "19.5MHz"); // 39 x 500 kHz
}

TEST_F(FftCompute, RollUsesTheFullRollRecordAt256Bins) {
    std::vector<std::int16_t> trace(5000);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        trace[i] =
            static_cast<std::int16_t>(std::lround(127.0 + 64.0 * std::sin(2.0 * kPi * 7.0 * i / 5000.0)));
    }
    Start(2048);
    FftFrameInput input;
    input.rollFormat = true;
    input.secondsPerDiv = 1.0;
    input.timeDivIndex = 25;
    input.displayTrace = trace;
    input.rollWritePosition = 4999;
    EXPECT_EQ(Compute(input), FftStatus::kRollNotFull);
    EXPECT_EQ(settings.bins, 256);
    input.rollWritePosition = 5000;
    ASSERT_EQ(Compute(input), FftStatus::kComputed);
    EXPECT_EQ(results.binCount, 256);
    EXPECT_EQ(results.fundamentalBin, 7);
    EXPECT_NEAR(results.fundamentalValue, 2.0, 0.02); // 64 codes at 1 V/div
}

TEST(FftAnalysis, SkipsWhenStoppedOrSourceOff) {
    const auto record = ToneRecord(127.0, {{20, 80.0}});
    CFftAnalysis fft;
    FftSettings settings;
    FftResults results;
    ResetFft(settings, results);
    FftFrameInput input = YtInput(record);
    EXPECT_EQ(fft.Compute(settings, input, results), FftStatus::kNotRunning);
    settings.running = 1;
    input.sourceEnabled = false;
    EXPECT_EQ(fft.Compute(settings, input, results), FftStatus::kSourceOff);
    EXPECT_EQ(results.linear[20], 0.0);
    EXPECT_EQ(results.figures.text[0], "---");
}

TEST(FftAnalysis, ParametersAndPanelValues) {
    FftSettings settings;
    FftResults results;
    settings.bins = 1000;
    settings.window = kWindowHamming;
    settings.source = 1;
    FftParameters params;
    FillFftParameters(settings, 10.0, params);
    EXPECT_EQ(params.binCount, 256);
    EXPECT_EQ(params.windowType, kWindowHamming);
    EXPECT_EQ(params.sourceChannel, 1);
    EXPECT_EQ(params.voltsPerDiv, 10.0);
    // The library reads the block by byte offset: source, window, bins, then two f64 from offset 8.
    ASSERT_EQ(sizeof(params), 24u);
    std::array<unsigned char, 24> bytes{};
    const auto u16At = [&](int offset) { return bytes[offset] | (bytes[offset + 1] << 8); };
    const auto f64At = [&](int offset) {
        double v = -1.0;
        std::memcpy(&v, bytes.data() + offset, sizeof v);
        return v;
    };
    for (const auto& [scale, scaleValue] : {std::pair{kFftScaleLinear, 1.0}, std::pair{kFftScaleDb, 0.0}}) {
        settings.scale = scale;
        FillFftParameters(settings, 0.5, params);
        std::memcpy(bytes.data(), &params, bytes.size());
        EXPECT_EQ(u16At(0), 1);
        EXPECT_EQ(u16At(2), kWindowHamming);
        EXPECT_EQ(u16At(4), 256);
        EXPECT_EQ(f64At(8), 0.5);
        EXPECT_EQ(f64At(16), scaleValue);
    }

    ResetFft(settings, results);
    EXPECT_EQ(settings.running, 0);
    EXPECT_EQ(settings.source, 0);
    EXPECT_EQ(settings.window, kWindowRectangle);
    EXPECT_EQ(settings.bins, 256);
    EXPECT_EQ(settings.scale, kFftScaleLinear);
    EXPECT_EQ(settings.verticalScale, 0.5);
    EXPECT_EQ(settings.horizontalZoom, 1);
    EXPECT_EQ(results.rowShown, (std::array<std::uint32_t, 6>{1, 1, 1, 1, 1, 1}));

    SetFftScale(settings, kFftScaleDb);
    EXPECT_EQ(settings.verticalScale, 60.0);
    settings.verticalScale = 25.0;
    settings.horizontalZoom = 3;
    settings.bins = 4096;
    NormalizeFftSettings(settings);
    EXPECT_EQ(settings.verticalScale, 25.0);
    EXPECT_EQ(settings.horizontalZoom, 1);
    EXPECT_EQ(settings.bins, 4096);
    settings.verticalScale = 0.5; // a volt value is not in the dB list
    NormalizeFftSettings(settings);
    EXPECT_EQ(settings.verticalScale, 60.0);
    SetFftScale(settings, kFftScaleLinear);
    EXPECT_EQ(settings.verticalScale, 0.5);
    EXPECT_EQ(NormalizeFftVertical(kFftScaleLinear, 0.02), 0.02);
    EXPECT_EQ(NormalizeFftVertical(kFftScaleLinear, 0.03), 0.5);

    EXPECT_EQ(FftVerticalLabel(kFftScaleDb, 5.0), "5.00dB");
    EXPECT_EQ(FftVerticalLabel(kFftScaleDb, 60.0), "60.0dB");
    EXPECT_EQ(FftVerticalLabel(kFftScaleLinear, 0.001), "1.00mV");
    EXPECT_EQ(FftVerticalLabel(kFftScaleLinear, 5.0), "5.00V");
}

TEST(FftAnalysis, SaveTextFormat) {
    FftResults results;
    results.binCount = 256;
    for (int k = 0; k < 256; ++k) {
        results.binFrequency[static_cast<std::size_t>(k)] = k * 2500;
        results.spectrum[static_cast<std::size_t>(k)] = k == 1 ? 0.5 : -12.25;
    }
    const std::string text = FormatSpectrumText(results, kFftScaleLinear);
    EXPECT_EQ(text.rfind(
                  "Freq(Hz)\t\t\t\t\tVolt(V)\r\n \r\n0\t\t\t\t\t-12.250000\r\n2500\t\t\t\t\t0.500000\r\n", 0),
              0u);
    std::size_t lines = 0;
    for (std::size_t pos = text.find("\r\n"); pos != std::string::npos; pos = text.find("\r\n", pos + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, 2u + 256u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), lines); // CR LF only
    EXPECT_TRUE(text.ends_with("637500\t\t\t\t\t-12.250000\r\n"));
    EXPECT_EQ(FormatSpectrumText(results, kFftScaleDb).rfind("Freq(Hz)\t\t\t\t\tdB\r\n", 0), 0u);
}

} // namespace
} // namespace tarnix
