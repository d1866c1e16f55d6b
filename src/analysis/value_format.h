// Value formatters shared by the measurements, the FFT window and the cursor readouts: three significant
// digits and a unit prefix, the unit written right after the number ("1.25V", "12.5ms", "100kHz").
#pragma once

#include <string>

namespace tarnix {

// Volts: kV, V, mV, uV. The value is first rounded to single precision, as the instrument keeps it.
// Magnitudes below 1 uV (zero included) keep the plain "V" unit with the value unchanged.
std::string FormatVolts(double volts);

// Seconds: s, ms, us, ns. Magnitudes below 1 ns (zero included) get no unit at all.
std::string FormatTime(double seconds);

// Hertz: Hz below 1 kHz (negative values included), then kHz, MHz, GHz.
std::string FormatFrequency(double hertz);

// The number part alone: the scaled value with three significant digits ("%.2f", "%.1f" or the
// truncated integer, chosen by where the decimal point of the magnitude falls).
std::string FormatThreeDigits(double scaled);

} // namespace tarnix
