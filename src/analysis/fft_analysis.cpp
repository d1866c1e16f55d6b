#include "analysis/fft_analysis.h"

#include "analysis/value_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarnix {

namespace {

constexpr double kEnobPerDb = 0.16611295681063123; // 1 / 6.02

std::string Printf(const char* format, double value) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

bool InList(std::span<const double> list, double value) {
    return std::any_of(list.begin(), list.end(),
                       [value](double step) { return std::fabs(step - value) <= 1e-9 * step; });
}

} // namespace

std::string FftVerticalLabel(int scale, double value) {
    if (scale == kFftScaleDb) {
        return FormatThreeDigits(value) + "dB";
    }
    return FormatVolts(value);
}

int NormalizeFftBins(int bins) {
    return FftSizeIndex(bins) < 0 ? kFftMinBins : bins;
}

int NormalizeFftZoom(int zoom) {
    return std::find(kFftZoomChoices.begin(), kFftZoomChoices.end(), zoom) == kFftZoomChoices.end() ? 1
                                                                                                    : zoom;
}

double NormalizeFftVertical(int scale, double value) {
    if (scale == kFftScaleDb) {
        return InList(kFftDbSteps, value) ? value : kFftDefaultDbPerDiv;
    }
    return InList(kFftVoltSteps, value) ? value : kFftDefaultVoltsPerDiv;
}

void SetFftScale(FftSettings& settings, int scale) {
    if (scale != kFftScaleDb && scale != kFftScaleLinear) {
        return;
    }
    settings.scale = static_cast<std::uint16_t>(scale);
    settings.verticalScale = scale == kFftScaleDb ? kFftDefaultDbPerDiv : kFftDefaultVoltsPerDiv;
}

void NormalizeFftSettings(FftSettings& settings) {
    settings.bins = static_cast<std::uint16_t>(NormalizeFftBins(settings.bins));
    settings.horizontalZoom = static_cast<std::uint16_t>(NormalizeFftZoom(settings.horizontalZoom));
    if (settings.scale != kFftScaleDb && settings.scale != kFftScaleLinear) {
        settings.scale = kFftScaleLinear;
    }
    settings.verticalScale = NormalizeFftVertical(settings.scale, settings.verticalScale);
}

void ResetFft(FftSettings& settings, FftResults& results) {
    settings = FftSettings{};
    results.binCount = kFftMinBins;
    results.spectrum.fill(0.0);
    results.linear.fill(0.0);
    results.binFrequency.fill(0);
    results.fundamentalBin = 0;
    results.fundamentalValue = 0.0;
    results.harmonicBin.fill(0);
    results.harmonicValue.fill(0.0);
    results.rowShown.fill(1);
    for (FftHarmonicRow& row : results.rows) {
        row.shown = 1;
        row.frequency.assign(kFftNotShown);
        row.value.assign(kFftNotShown);
    }
    results.figures.shown.fill(0);
    results.figures.value.fill(0.0);
    for (std::string& text : results.figures.text) {
        text.assign(kFftNotShown);
    }
}

FftModelConstants FftConstantsForModel(int model) {
    switch (model) {
    case 0:
        return {2e-7, 50.0, 100.0};
    case 2:
        return {1e-7, 40.0, 80.0};
    default:
        // Model 1, and the models without constants of their own behave like the one the program runs as.
        return {2e-7, 33.5, 67.0};
    }
}

void FillFftParameters(const FftSettings& settings, double voltsPerDiv, FftParameters& params) {
    params.sourceChannel = settings.source;
    params.windowType = settings.window;
    params.binCount = static_cast<std::uint16_t>(NormalizeFftBins(settings.bins));
    params.voltsPerDiv = voltsPerDiv;
    params.scale = settings.scale == kFftScaleDb ? 0.0 : 1.0;
}

void StretchAboutTrigger(std::span<const std::uint16_t> samples, int positionPercent, double factor,
                         std::span<std::int16_t> out) {
    if (out.empty()) {
        return;
    }
    const std::size_t n = std::min<std::size_t>(samples.size(), kFftRecordLength);
    if (n == 0 || factor <= 0.0) {
        std::fill(out.begin(), out.end(), std::int16_t{0});
        return;
    }
    const int p = std::clamp(positionPercent, 0, 100);
    std::size_t trigger = p == 100 ? kFftRecordLength - 1 : static_cast<std::size_t>(p * 102.4);
    trigger = std::min(trigger, n - 1);
    // Output point o shows source position trigger + (o - trigger) / F: each source step becomes F
    // output points on both sides of the trigger, which stays where it was.
    for (std::size_t o = 0; o < out.size(); ++o) {
        double x =
            static_cast<double>(trigger) + (static_cast<double>(o) - static_cast<double>(trigger)) / factor;
        x = std::max(x, 0.0);
        const auto a = static_cast<std::size_t>(x);
        const double frac = x - static_cast<double>(a);
        // Signed: a code below the screen's bottom edge is stored as its two's-complement pattern.
        const double va = static_cast<std::int16_t>(samples[std::min(a, n - 1)]);
        const double vb = static_cast<std::int16_t>(samples[std::min(a + 1, n - 1)]);
        out[o] = static_cast<std::int16_t>(va + frac * (vb - va));
    }
    if (out.size() > 1) {
        out[0] = out[1];
    }
}

void ConvertToDb(std::span<double> spectrum) {
    for (double& v : spectrum) {
        if (v != 0.0) {
            v = 20.0 * std::log10(v);
        }
    }
}

int FindPeakBin(std::span<const double> spectrum) {
    if (spectrum.size() < 2) {
        return 0;
    }
    std::size_t best = 1;
    for (std::size_t k = 2; k < spectrum.size(); ++k) {
        if (spectrum[k] > spectrum[best]) {
            best = k;
        }
    }
    return static_cast<int>(best);
}

void ShiftStretchedSpectrum(std::span<double> spectrum, int peakBin) {
    const auto bins = static_cast<std::ptrdiff_t>(spectrum.size());
    if (peakBin > 63) {
        for (std::ptrdiff_t k = 64; k <= bins - 4; ++k) {
            spectrum[static_cast<std::size_t>(k - 2)] = spectrum[static_cast<std::size_t>(k)];
        }
    } else if (peakBin > 20) {
        for (std::ptrdiff_t k = 21; k <= 63 && k < bins; ++k) {
            spectrum[static_cast<std::size_t>(k - 1)] = spectrum[static_cast<std::size_t>(k)];
        }
    }
}

void SearchHarmonics(std::span<const double> spectrum, int fundamentalBin, int timeDivIndex,
                     FftResults& results) {
    const auto bins = static_cast<long>(spectrum.size());
    const long f = fundamentalBin;
    const long firstMultiplier = timeDivIndex < 9 ? 1 : 2;
    long previousBin = f;
    for (int slot = 0; slot < kFftHarmonicSlots; ++slot) {
        const long m = firstMultiplier + slot;
        long candidate = bins - 1;
        if (bins == 0 || m * f >= bins) {
            results.rowShown[static_cast<std::size_t>(slot + 1)] = 0;
        } else {
            const long multiple = m * f;
            candidate = multiple;
            double value = spectrum[static_cast<std::size_t>(candidate)];
            if (multiple - 2 >= 0) {
                for (long i = multiple - 2; i <= multiple + 2; ++i) {
                    // Bins left of the previous slot belong to it; the multiple itself stands in.
                    const long bin = i < previousBin ? multiple : i;
                    if (bin >= (m + 1) * f || bin >= bins) {
                        break;
                    }
                    if (spectrum[static_cast<std::size_t>(bin)] > value) {
                        candidate = bin;
                        value = spectrum[static_cast<std::size_t>(bin)];
                    }
                }
            }
            results.rowShown[static_cast<std::size_t>(slot + 1)] = 1;
        }
        const long bin = std::max(candidate, 0L);
        results.harmonicBin[static_cast<std::size_t>(slot)] = static_cast<std::uint16_t>(bin);
        results.harmonicValue[static_cast<std::size_t>(slot)] =
            bins == 0 ? 0.0 : spectrum[static_cast<std::size_t>(bin)];
        previousBin = bin;
    }
}

void ComputeBinFrequencies(double secondsPerDiv, double threshold, std::span<std::int32_t> frequencies) {
    const double u = secondsPerDiv > threshold ? secondsPerDiv : threshold;
    const double ratio = 4e-05 / u;
    constexpr double kMax = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    for (std::size_t k = 0; k < frequencies.size(); ++k) {
        // Saturates instead of overflowing at the fastest time bases of the faster models.
        const double hertz = std::min(static_cast<double>(k) * ratio * 2500.0, kMax);
        frequencies[k] = static_cast<std::int32_t>(hertz);
    }
}

void RefreshHarmonicRows(int scale, FftResults& results, std::span<const double> linearSpectrum) {
    const auto level = [&](std::size_t slot) {
        const std::size_t bin = results.harmonicBin[slot];
        return linearSpectrum.empty() ? results.harmonicValue[slot]
                                      : (bin < linearSpectrum.size() ? linearSpectrum[bin] : 0.0);
    };
    results.rowShown.fill(1);
    if (level(0) < level(1)) {
        results.rowShown[1] = 0;
        results.rowShown[3] = 0;
        results.rowShown[5] = 0;
    }
    const int bins = std::clamp(results.binCount, 1, kFftMaxBins);
    for (std::size_t r = 0; r < kFftRows; ++r) {
        FftHarmonicRow& row = results.rows[r];
        row.shown = results.rowShown[r];
        if (row.shown == 0) {
            row.frequency.assign(kFftNotShown);
            row.value.assign(kFftNotShown);
            continue;
        }
        const int bin = std::min<int>(r == 0 ? results.fundamentalBin : results.harmonicBin[r - 1], bins - 1);
        const double value = r == 0 ? results.fundamentalValue : results.harmonicValue[r - 1];
        row.frequency = FormatFrequency(results.binFrequency[static_cast<std::size_t>(bin)]);
        row.value = scale == kFftScaleDb ? Printf("%0.2fdB", value) : FormatVolts(value);
    }
}

void ComputeFigures(std::span<const double> linear, int fundamentalBin,
                    const std::array<std::uint16_t, kFftHarmonicSlots>& harmonicBins, FftFigures& figures) {
    const auto bins = static_cast<double>(linear.size());
    const auto at = [&linear](std::size_t bin) { return bin < linear.size() ? linear[bin] : 0.0; };
    const double h0 = at(static_cast<std::size_t>(std::max(fundamentalBin, 0)));
    double m = 0.0;
    double ph = h0 * h0;
    for (const std::uint16_t bin : harmonicBins) {
        const double h = at(bin);
        m = std::max(m, h);
        ph += h * h;
    }
    double pt = 0.0;
    for (std::size_t k = 0; k < linear.size() / 2; ++k) {
        pt += linear[k] * linear[k];
    }
    const double noise = std::fabs(pt - ph);
    const double h0Squared = h0 * h0;

    enum { kSnr, kThd, kEnob, kSfdr, kSinad, kTotalPower };
    figures.shown.fill(0);
    figures.value.fill(0.0);
    const auto show = [&figures](int index, double value, const char* format) {
        figures.shown[static_cast<std::size_t>(index)] = 1;
        figures.value[static_cast<std::size_t>(index)] = value;
        figures.text[static_cast<std::size_t>(index)] = Printf(format, value);
    };
    if (h0 != 0.0 && m != 0.0 && noise != 0.0) {
        const double snr = 10.0 * std::log10(h0Squared * (bins - 6.0) / (bins * noise));
        show(kSnr, snr, "%.3fdB");
        show(kEnob, (snr - 1.76) * kEnobPerDb, "%.3fbits");
    }
    if (h0 != 0.0 && (ph - h0Squared) / h0Squared > 0.0) {
        show(kThd, 10.0 * std::log10((ph - h0Squared) / h0Squared), "%0.3fdB");
    }
    if (h0 != 0.0 && m != 0.0) {
        show(kSfdr, 10.0 * std::log10(h0Squared / (m * m)), "%.3fdB");
    }
    const double distortion = noise * (bins - 5.0) / (bins - 6.0) + ph - h0Squared;
    if (h0 != 0.0 && distortion != 0.0) {
        show(kSinad, 10.0 * std::log10(h0Squared / distortion), "%0.3fdB");
    }
    if (pt != 0.0) {
        show(kTotalPower, 10.0 * std::log10(pt), "%.3fdB");
    }
    for (std::size_t i = 0; i < kFftFigureCount; ++i) {
        if (figures.shown[i] == 0) {
            figures.text[i].assign(kFftNotShown);
        }
    }
}

std::string FormatSpectrumText(const FftResults& results, int scale) {
    std::string text = "Freq(Hz)\t\t\t\t\t";
    text += scale == kFftScaleDb ? "dB" : "Volt(V)";
    text += "\r\n \r\n";
    const int bins = std::clamp(results.binCount, 0, kFftMaxBins);
    char line[400];
    for (int k = 0; k < bins; ++k) {
        std::snprintf(line, sizeof line, "%d\t\t\t\t\t%f\r\n",
                      results.binFrequency[static_cast<std::size_t>(k)],
                      results.spectrum[static_cast<std::size_t>(k)]);
        text += line;
    }
    return text;
}

CFftAnalysis::CFftAnalysis() = default;

FftStatus CFftAnalysis::Compute(FftSettings& settings, const FftFrameInput& input, FftResults& results) {
    if (settings.running == 0) {
        return FftStatus::kNotRunning;
    }
    const FftModelConstants constants = FftConstantsForModel(input.model);
    const double t = input.secondsPerDiv;
    if (input.rollFormat) {
        settings.bins = kFftMinBins;
    }
    const int bins = NormalizeFftBins(settings.bins);
    FillFftParameters(settings, input.voltsPerDiv, params_);
    const std::span<float> work(work_.data(), static_cast<std::size_t>(bins));

    if (input.rollFormat) {
        if (input.rollWritePosition < kFftRollPoints) {
            return FftStatus::kRollNotFull;
        }
        if (input.displayTrace.size() < static_cast<std::size_t>(kFftRollPoints)) {
            return FftStatus::kNoData;
        }
        std::copy_n(input.displayTrace.begin(), kFftRollPoints, rollCopy_.begin());
        // The spectrum routine takes B points; the 5000 roll points are brought to B first.
        CSpectrumEngine::Resample(rollCopy_, work);
    } else {
        if (!input.sourceEnabled) {
            return FftStatus::kSourceOff;
        }
        if (t > constants.threshold) {
            if (input.processedRecord.empty()) {
                return FftStatus::kNoData;
            }
            CSpectrumEngine::Resample(input.processedRecord, work);
        } else {
            if (input.sampleMemory.empty()) {
                return FftStatus::kNoData;
            }
            const double factor =
                input.bothChannelsOn && !input.triggerAlt ? constants.stretchBoth : constants.stretchOne;
            StretchAboutTrigger(input.sampleMemory, input.positionPercent, factor, stretched_);
            CSpectrumEngine::Resample(stretched_, work);
        }
    }

    const std::span<double> spectrum(results.spectrum.data(), static_cast<std::size_t>(bins));
    if (!engine_.Spectrum(params_, work, input.zeroLevelWord, spectrum)) {
        return FftStatus::kNoData;
    }
    results.binCount = bins;
    std::copy(spectrum.begin(), spectrum.end(), results.linear.begin());
    // The peaks are looked for in linear values whatever the scale shows: in dB an empty bin keeps its
    // 0 and would outrank every real line below 1 V, so both scales name the same bins.
    const std::span<double> searched(searched_.data(), static_cast<std::size_t>(bins));
    std::copy(spectrum.begin(), spectrum.end(), searched.begin());
    if (settings.scale == kFftScaleDb) {
        ConvertToDb(spectrum);
    }
    if (t <= constants.threshold) {
        const int peak = FindPeakBin(searched);
        ShiftStretchedSpectrum(spectrum, peak);
        ShiftStretchedSpectrum(searched, peak);
    }
    const int fundamental = FindPeakBin(searched);
    results.fundamentalBin = static_cast<std::uint16_t>(fundamental);
    results.fundamentalValue = spectrum[static_cast<std::size_t>(fundamental)];
    SearchHarmonics(searched, fundamental, input.timeDivIndex, results);
    ComputeBinFrequencies(
        t, constants.threshold,
        std::span<std::int32_t>(results.binFrequency.data(), static_cast<std::size_t>(bins)));
    for (std::size_t slot = 0; slot < kFftHarmonicSlots; ++slot) {
        results.harmonicValue[slot] = spectrum[results.harmonicBin[slot]];
    }
    RefreshHarmonicRows(settings.scale, results, searched);
    ComputeFigures(std::span<const double>(results.linear.data(), static_cast<std::size_t>(bins)),
                   fundamental, results.harmonicBin, results.figures);
    return FftStatus::kComputed;
}

} // namespace tarnix
