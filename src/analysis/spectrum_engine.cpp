#include "analysis/spectrum_engine.h"

#include <fftw3.h>

#include <cmath>
#include <numbers>
#include <utility>

namespace tarnix {

// One transform size: its FFTW plan with the buffers it was planned on, and the four window tables.
struct CSpectrumEngine::Plan {
    int size = 0;
    double* input = nullptr;
    fftw_complex* output = nullptr;
    fftw_plan plan = nullptr;
    std::array<std::vector<double>, kWindowCount> windows;
    std::array<double, kWindowCount> windowSums{};

    Plan() = default;
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;
    ~Plan() {
        if (plan != nullptr) {
            fftw_destroy_plan(plan);
        }
        fftw_free(input);
        fftw_free(output);
    }
};

int FftSizeIndex(int bins) {
    for (int i = 0; i < kFftSizeCount; ++i) {
        if (kFftBinChoices[static_cast<std::size_t>(i)] == bins) {
            return i;
        }
    }
    return -1;
}

double FftWindowValue(int window, int n, int size) {
    const double phase = 2.0 * std::numbers::pi * n / size;
    switch (window) {
    case kWindowHanning:
        return 0.5 - 0.5 * std::cos(phase);
    case kWindowHamming:
        return 0.54 - 0.46 * std::cos(phase);
    case kWindowBlackman:
        return 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
    default:
        return 1.0;
    }
}

CSpectrumEngine::CSpectrumEngine() {
    for (int s = 0; s < kFftSizeCount; ++s) {
        auto plan = std::make_unique<Plan>();
        const int size = kFftBinChoices[static_cast<std::size_t>(s)];
        plan->size = size;
        plan->input = fftw_alloc_real(static_cast<std::size_t>(size));
        plan->output = fftw_alloc_complex(static_cast<std::size_t>(size / 2 + 1));
        // FFTW_ESTIMATE plans without running trial transforms: start-up stays instant and the plan
        // is still reused for every frame.
        plan->plan = fftw_plan_dft_r2c_1d(size, plan->input, plan->output, FFTW_ESTIMATE);
        for (int w = 0; w < kWindowCount; ++w) {
            std::vector<double>& table = plan->windows[static_cast<std::size_t>(w)];
            table.resize(static_cast<std::size_t>(size));
            double sum = 0.0;
            for (int n = 0; n < size; ++n) {
                table[static_cast<std::size_t>(n)] = FftWindowValue(w, n, size);
                sum += table[static_cast<std::size_t>(n)];
            }
            plan->windowSums[static_cast<std::size_t>(w)] = sum;
        }
        plans_[static_cast<std::size_t>(s)] = std::move(plan);
    }
}

CSpectrumEngine::~CSpectrumEngine() = default;

void CSpectrumEngine::Resample(std::span<const std::int16_t> record, std::span<float> work) {
    if (work.empty()) {
        return;
    }
    if (record.empty()) {
        for (float& v : work) {
            v = 0.0f;
        }
        return;
    }
    std::size_t start = 0;
    std::size_t span = record.size();
    if (record.size() >= static_cast<std::size_t>(kFftRecordLength)) {
        start = kFftScreenStart;
        span = kFftScreenSpan;
    }
    const std::size_t last = record.size() - 1;
    const double step = static_cast<double>(span) / static_cast<double>(work.size());
    for (std::size_t i = 0; i < work.size(); ++i) {
        const double x = static_cast<double>(start) + static_cast<double>(i) * step;
        const auto a = static_cast<std::size_t>(x);
        const double frac = x - static_cast<double>(a);
        const double va = record[a < last ? a : last];
        const double vb = record[a + 1 < last ? a + 1 : last];
        work[i] = static_cast<float>(va + frac * (vb - va));
    }
}

bool CSpectrumEngine::Spectrum(const FftParameters& params, std::span<const float> samples,
                               std::uint16_t zeroLevelWord, std::span<double> spectrum) {
    const int sizeIndex = FftSizeIndex(params.binCount);
    if (sizeIndex < 0) {
        return false;
    }
    Plan& plan = *plans_[static_cast<std::size_t>(sizeIndex)];
    const auto size = static_cast<std::size_t>(plan.size);
    if (samples.size() < size || spectrum.size() < size) {
        return false;
    }
    const std::size_t window =
        params.windowType < kWindowCount ? std::size_t{params.windowType} : std::size_t{0};
    const std::vector<double>& w = plan.windows[window];
    const double voltsPerCode = params.voltsPerDiv * 0.03125;
    const double zeroCode = 255.0 - zeroLevelWord;
    for (std::size_t n = 0; n < size; ++n) {
        plan.input[n] = w[n] * voltsPerCode * (samples[n] - zeroCode);
    }
    fftw_execute(plan.plan);

    const double sum = plan.windowSums[window];
    const std::size_t half = size / 2;
    for (std::size_t k = 0; k <= half; ++k) {
        const double magnitude = std::hypot(plan.output[k][0], plan.output[k][1]);
        spectrum[k] = (k == 0 || k == half ? 1.0 : 2.0) * magnitude / sum;
    }
    for (std::size_t k = 1; k < half; ++k) {
        spectrum[size - k] = spectrum[k];
    }
    return true;
}

} // namespace tarnix
