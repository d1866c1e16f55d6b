#include "analysis/value_format.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tarnix {

namespace {

std::string WithUnit(double scaled, const char* unit) {
    std::string text = FormatThreeDigits(scaled);
    text += unit;
    return text;
}

} // namespace

std::string FormatThreeDigits(double scaled) {
    char buffer[400];
    if (!std::isfinite(scaled)) {
        std::snprintf(buffer, sizeof buffer, "%f", scaled);
        return buffer;
    }
    // The position of the decimal point in the magnitude decides the number of decimals.
    std::snprintf(buffer, sizeof buffer, "%f", std::fabs(scaled));
    const char* dot = std::strchr(buffer, '.');
    const long position = dot == nullptr ? 3 : dot - buffer;
    if (position <= 1) {
        std::snprintf(buffer, sizeof buffer, "%.2f", scaled);
    } else if (position == 2) {
        std::snprintf(buffer, sizeof buffer, "%.1f", scaled);
    } else {
        // Truncation toward zero; values beyond the int range saturate instead of overflowing.
        constexpr double kMax = static_cast<double>(std::numeric_limits<int>::max());
        constexpr double kMin = static_cast<double>(std::numeric_limits<int>::min());
        const double clamped = scaled > kMax ? kMax : (scaled < kMin ? kMin : scaled);
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(clamped));
    }
    return buffer;
}

std::string FormatVolts(double volts) {
    const double value = static_cast<float>(volts);
    const double a = std::fabs(value);
    if (a >= 1000.0) {
        return WithUnit(value * 0.001, "kV");
    }
    if (a >= 1.0) {
        return WithUnit(value, "V");
    }
    if (a >= 0.001) {
        return WithUnit(value * 1000.0, "mV");
    }
    if (a >= 1e-6) {
        return WithUnit(value * 1e6, "uV");
    }
    return WithUnit(value, "V");
}

std::string FormatTime(double seconds) {
    const double a = std::fabs(seconds);
    if (a >= 1.0) {
        return WithUnit(seconds, "s");
    }
    if (a >= 0.001) {
        return WithUnit(seconds * 1000.0, "ms");
    }
    if (a >= 1e-6) {
        return WithUnit(seconds * 1e6, "us");
    }
    if (a >= 1e-9) {
        return WithUnit(seconds * 1e9, "ns");
    }
    return WithUnit(seconds, "");
}

std::string FormatFrequency(double hertz) {
    const double a = std::fabs(hertz);
    if (a < 1000.0) {
        return WithUnit(hertz, "Hz");
    }
    if (a < 1e6) {
        return WithUnit(hertz * 0.001, "kHz");
    }
    if (a < 1e9) {
        return WithUnit(hertz * 1e-6, "MHz");
    }
    return WithUnit(hertz * 1e-9, "GHz");
}

} // namespace tarnix
