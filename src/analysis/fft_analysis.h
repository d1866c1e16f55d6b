// FFT analysis of CH1 or CH2: the spectrum of the current frame, the fundamental and five harmonic
// slots, the harmonics table and the dynamic-range figures, and the spectrum's text export.
#pragma once

#include "acquisition/driver_library.h"
#include "analysis/spectrum_engine.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarnix {

enum FftScale : std::uint16_t { kFftScaleDb = 0, kFftScaleLinear = 1 };

inline constexpr int kFftHarmonicSlots = 5;
inline constexpr int kFftRows = 6; // row 0 = fundamental, rows 1..5 = harmonic slots 1..5
inline constexpr int kFftRollPoints = 5000;
inline constexpr int kFftFigureCount = 6; // SNR, THD, ENOB, SFDR, SINAD, TotalPower
inline constexpr std::string_view kFftNotShown = "---";

// The FFT settings, in the order and widths the setup file stores them.
struct FftSettings {
    std::int32_t running = 0;
    std::uint16_t source = 0; // 0 CH1, 1 CH2
    std::uint16_t window = kWindowRectangle;
    std::uint16_t bins = 256;
    std::uint16_t scale = kFftScaleLinear;
    double verticalScale = 0.5; // dB or volts per division, by the scale
    std::uint16_t horizontalZoom = 1;
};

// The vertical lists of the panel: dB steps 5..60 and volt steps 1 mV..5 V.
inline constexpr std::array<double, 12> kFftDbSteps = {5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60};
inline constexpr std::array<double, 12> kFftVoltSteps = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05,
                                                         0.1,   0.2,   0.5,   1,    2,    5};
inline constexpr std::array<int, 5> kFftZoomChoices = {1, 2, 4, 8, 16};
inline constexpr double kFftDefaultDbPerDiv = 60.0;
inline constexpr double kFftDefaultVoltsPerDiv = 0.5;

// List labels: "5.00dB".."60.0dB" and "1.00mV".."5.00V".
std::string FftVerticalLabel(int scale, double value);
// A bin count that is not 256..4096 reads as 256; a zoom that is not 1..16 (powers of two) as 1.
int NormalizeFftBins(int bins);
int NormalizeFftZoom(int zoom);
// A vertical value that is not in the list of the scale is replaced by 60 dB or 0.5 V.
double NormalizeFftVertical(int scale, double value);
// Switching the scale also sets the vertical value to 60 (dB) or 0.5 (Linear).
void SetFftScale(FftSettings& settings, int scale);
// Applies all three replacements above, as the panel's refresh does.
void NormalizeFftSettings(FftSettings& settings);

struct FftHarmonicRow {
    std::uint32_t shown = 1;
    std::string frequency; // frequency formatter, or "---"
    std::string value;     // "%0.2fdB" or volts formatter, or "---"
};

struct FftFigures {
    // SNR, THD, ENOB, SFDR, SINAD, TotalPower
    std::array<std::uint32_t, kFftFigureCount> shown{};
    std::array<double, kFftFigureCount> value{};
    std::array<std::string, kFftFigureCount> text;
};

inline constexpr std::array<std::string_view, kFftFigureCount> kFftFigureNames = {
    "SNR", "THD", "ENOB", "SFDR", "SINAD", "TotalPower"};

struct FftResults {
    int binCount = 256;                                   // B of the last computation
    std::array<double, kFftMaxBins> spectrum{};           // dB or linear, by the scale
    std::array<double, kFftMaxBins> linear{};             // the same before the dB conversion
    std::array<std::int32_t, kFftMaxBins> binFrequency{}; // hertz
    std::uint16_t fundamentalBin = 0;
    double fundamentalValue = 0.0;
    std::array<std::uint16_t, kFftHarmonicSlots> harmonicBin{};
    std::array<double, kFftHarmonicSlots> harmonicValue{};
    std::array<std::uint32_t, kFftRows> rowShown{1, 1, 1, 1, 1, 1};
    std::array<FftHarmonicRow, kFftRows> rows; // the harmonics table as shown
    FftFigures figures;                        // the measurement table as shown
};

// Factory defaults: stopped, CH1, Rectangle, 256 bins, Linear, 0.5 V/div, x1; results zeroed, every
// row shown and every text "---".
void ResetFft(FftSettings& settings, FftResults& results);

// Everything one computation reads from the document for the chosen source channel.
struct FftFrameInput {
    int model = 1;
    int timeDivIndex = 12;       // as stored in the settings (without the model's offset)
    double secondsPerDiv = 4e-5; // effective time base t
    bool rollFormat = false;
    bool sourceEnabled = true;
    bool bothChannelsOn = false; // CH1 and CH2 on
    bool triggerAlt = false;
    double voltsPerDiv = 1.0;          // source channel, probe included
    std::uint16_t zeroLevelWord = 128; // source channel's zero level as the hardware block holds it
    int positionPercent = 50;          // horizontal trigger position as the hardware block holds it, 0..100
    std::int32_t rollWritePosition = 0;
    std::span<const std::int16_t> displayTrace;    // 5000 points (Roll)
    std::span<const std::int16_t> processedRecord; // processed record (t > T)
    std::span<const std::uint16_t> sampleMemory;   // raw sample memory (t <= T)
};

// Time-per-division threshold below which the raw samples are stretched, and the stretch factors with
// one channel (or ALT) and with both channels.
struct FftModelConstants {
    double threshold = 2e-7;
    double stretchOne = 33.5;
    double stretchBoth = 67.0;
};
FftModelConstants FftConstantsForModel(int model);

enum class FftStatus { kComputed, kNotRunning, kSourceOff, kRollNotFull, kNoData };

// The parameter block handed to the spectrum routine; configure also copies it into the hardware block.
void FillFftParameters(const FftSettings& settings, double voltsPerDiv, FftParameters& params);

// The computation steps, each usable on its own.
// Stretches the first 10240 raw samples about the trigger point by linear interpolation, factor F.
void StretchAboutTrigger(std::span<const std::uint16_t> samples, int positionPercent, double factor,
                         std::span<std::int16_t> out);
// 20 log10 of every non-zero value; zero stays zero.
void ConvertToDb(std::span<double> spectrum);
// The largest value over bins 1..B-1, a later bin winning only when strictly larger.
int FindPeakBin(std::span<const double> spectrum);
// The shift of the stretched spectrum: two bins down from bin 64 on for a peak above 63, one bin down
// for bins 21..63 for a peak in 21..63.
void ShiftStretchedSpectrum(std::span<double> spectrum, int peakBin);
// The five harmonic slots around multiples of the fundamental (1..5 below time/div index 9, else 2..6).
void SearchHarmonics(std::span<const double> spectrum, int fundamentalBin, int timeDivIndex,
                     FftResults& results);
// Frequency of bin k: trunc(k x (4e-5 / u) x 2500) hertz, u = t above the threshold, else the threshold.
void ComputeBinFrequencies(double secondsPerDiv, double threshold, std::span<std::int32_t> frequencies);
// The harmonics table: every row shown, then rows 2, 4 and 6 hidden when slot 1 is below slot 2. The
// slots are compared in the linear spectrum when one is given (so dB and Linear agree), else by value.
void RefreshHarmonicRows(int scale, FftResults& results, std::span<const double> linearSpectrum = {});
// The measurement table from the linear spectrum.
void ComputeFigures(std::span<const double> linear, int fundamentalBin,
                    const std::array<std::uint16_t, kFftHarmonicSlots>& harmonicBins, FftFigures& figures);
// "Save": the export text, CR LF line ends.
std::string FormatSpectrumText(const FftResults& results, int scale);

class CFftAnalysis {
public:
    CFftAnalysis();

    // One timer tick while the analysis runs. In Roll format the bin count becomes 256 in `settings`.
    FftStatus Compute(FftSettings& settings, const FftFrameInput& input, FftResults& results);

    const FftParameters& Parameters() const { return params_; }

private:
    CSpectrumEngine engine_;
    FftParameters params_;
    std::array<float, kFftMaxBins> work_{};
    std::array<double, kFftMaxBins> searched_{}; // the linear spectrum the peaks are looked for in
    std::array<std::int16_t, kFftRecordLength> stretched_{};
    std::array<std::int16_t, kFftRollPoints> rollCopy_{};
};

} // namespace tarnix
