// The fixed tables behind the settings record's indexes, and the conversion between sample codes and volts.
#include "model/instrument_settings.h"

#include <cmath>
#include <limits>

namespace tarnix {

namespace {

// The fractional steps are kept in single precision on purpose: every reader widens the same float, so
// volts computed anywhere in the program agree to the last bit.
constexpr std::array<float, kVoltsPerDivCount> kVoltsPerDiv = {0.01f, 0.02f, 0.05f, 0.1f, 0.2f,
                                                               0.5f,  1.0f,  2.0f,  5.0f, 10.0f};

constexpr std::array<std::string_view, kProbeVoltLabelCount> kProbeVoltLabels = {
    "10.0mV", "20.0mV", "50.0mV", "100mV", "200mV", "500mV",  "1.00V",  "2.00V",  "5.00V", "10.0V",
    "20.0V",  "50.0V",  "100V",   "200V",  "500V",  "1.00kV", "2.00kV", "5.00kV", "10.0kV"};

struct TimeRow {
    double secondsPerDiv;
    std::string_view label;
};

constexpr std::array<TimeRow, kTimePerDivCount> kTimePerDiv = {{
    {2e-9, "2.00ns"},   {4e-9, "4.00ns"},    {1e-8, "10.0ns"},    {2e-8, "20.0ns"},   {4e-8, "40.0ns"},
    {1e-7, "100ns"},    {2e-7, "200ns"},     {4e-7, "400ns"},     {1e-6, "1.00us"},   {2e-6, "2.00us"},
    {4e-6, "4.00us"},   {1e-5, "10.0us"},    {2e-5, "20.0us"},    {4e-5, "40.0us"},   {1e-4, "100us"},
    {2e-4, "200us"},    {4e-4, "400us"},     {1e-3, "1.00ms"},    {2e-3, "2.00ms"},   {4e-3, "4.00ms"},
    {0.01, "10.0ms"},   {0.02, "20.0ms"},    {0.04, "40.0ms"},    {0.1, "100ms"},     {0.2, "200ms"},
    {0.4, "400ms"},     {1.0, "1.00s"},      {2.0, "2.00s"},      {4.0, "4.00s"},     {10.0, "10.0s"},
    {20.0, "20.0s"},    {40.0, "40.0s"},     {60.0, "1.00min"},   {120.0, "2.00min"}, {240.0, "4.00min"},
    {600.0, "10.0min"}, {1200.0, "20.0min"}, {2400.0, "40.0min"}, {3600.0, "1.00h"},
}};

struct BufferRow {
    std::string_view label;
    std::uint32_t recordLength;
};

// 64k and 1 M keep the record length of 32k and 512k: the instrument fills the larger memory itself.
constexpr std::array<BufferRow, kBufferSizeCount> kBufferSizes = {{
    {"10k", 10240},
    {"14k", 14336},
    {"28k", 28672},
    {"32k", 32768},
    {"64k", 32768},
    {"512k", 524288},
    {"1 M", 524288},
}};

constexpr std::array<std::uint32_t, kChannelCount> kDefaultColours = {kColourCh1, kColourCh2, kColourMath,
                                                                      kColourRef};

constexpr double kDivisionsPerCode = 0.03125;

} // namespace

double VoltsPerDivTable(int index) {
    if (index < 0 || index >= kVoltsPerDivCount || index == 6) {
        return 1.0;
    }
    return static_cast<double>(kVoltsPerDiv[static_cast<std::size_t>(index)]);
}

std::string_view VoltsPerDivLabel(int index) {
    if (index < 0 || index >= kVoltsPerDivCount) {
        index = 6;
    }
    return kProbeVoltLabels[static_cast<std::size_t>(index)];
}

double ProbeFactor(int probe) {
    switch (probe) {
    case 1:
        return 10.0;
    case 2:
        return 100.0;
    case 3:
        return 1000.0;
    default:
        return 1.0;
    }
}

std::string_view ProbeVoltLabels(int index) {
    if (index < 0 || index >= kProbeVoltLabelCount) {
        return {};
    }
    return kProbeVoltLabels[static_cast<std::size_t>(index)];
}

std::string_view ProbeScaledLabel(int voltsPerDivIndex, int probe) {
    if (voltsPerDivIndex < 0 || voltsPerDivIndex >= kVoltsPerDivCount) {
        voltsPerDivIndex = 0;
    }
    if (probe < 0 || probe > 3) {
        probe = 0;
    }
    return kProbeVoltLabels[static_cast<std::size_t>(voltsPerDivIndex + 3 * probe)];
}

double ChannelVoltsPerDiv(const ChannelSettings& channel) {
    return ProbeFactor(channel.probe) * VoltsPerDivTable(channel.voltsPerDivIndex);
}

double TimePerDivTable(int index) {
    if (index < 0 || index >= kTimePerDivCount) {
        return 0.0;
    }
    return kTimePerDiv[static_cast<std::size_t>(index)].secondsPerDiv;
}

std::string_view TimePerDivLabel(int index) {
    if (index < 0 || index >= kTimePerDivCount) {
        return {};
    }
    return kTimePerDiv[static_cast<std::size_t>(index)].label;
}

int TimePerDivIndexOfLabel(std::string_view label) {
    for (int i = 0; i < kTimePerDivCount; ++i) {
        if (kTimePerDiv[static_cast<std::size_t>(i)].label == label) {
            return i;
        }
    }
    return -1;
}

int TimeDivIndexOfLabel(std::string_view label, int timeDivOffset) {
    const int row = TimePerDivIndexOfLabel(label);
    if (row < 0 || row < timeDivOffset) {
        return -1;
    }
    return row - timeDivOffset;
}

std::string_view BufferSizeLabel(int index) {
    if (index < 0 || index >= kBufferSizeCount) {
        return {};
    }
    return kBufferSizes[static_cast<std::size_t>(index)].label;
}

std::uint32_t BufferSizeRecordLength(int index) {
    if (index < 0 || index >= kBufferSizeCount) {
        return 0;
    }
    return kBufferSizes[static_cast<std::size_t>(index)].recordLength;
}

std::uint32_t DefaultChannelColour(int channel) {
    if (channel < 0 || channel >= kChannelCount) {
        return 0;
    }
    return kDefaultColours[static_cast<std::size_t>(channel)];
}

double CodeToVolts(const ChannelSettings& channel, double code) {
    const double zeroCode = 255.0 - static_cast<double>(channel.zeroLevel);
    return (ChannelVoltsPerDiv(channel) * kDivisionsPerCode) * (code - zeroCode);
}

int TruncateToInt(double value) {
    // Out-of-range and NaN inputs saturate instead of invoking undefined behaviour in the cast.
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double kMax = static_cast<double>(std::numeric_limits<int>::max());
    constexpr double kMin = static_cast<double>(std::numeric_limits<int>::min());
    if (value >= kMax) {
        return std::numeric_limits<int>::max();
    }
    if (value <= kMin) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

int VoltsToCode(const ChannelSettings& channel, double volts) {
    const double zeroCode = 255.0 - static_cast<double>(channel.zeroLevel);
    return TruncateToInt(volts / (ChannelVoltsPerDiv(channel) * kDivisionsPerCode) + zeroCode);
}

double SecondsPerDiv(const TimebaseSettings& timebase) {
    return TimePerDivTable(static_cast<int>(timebase.timeDivIndex) +
                           static_cast<int>(timebase.timeDivOffset));
}

} // namespace tarnix
