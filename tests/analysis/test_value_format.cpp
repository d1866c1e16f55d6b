#include "analysis/value_format.h"

#include <gtest/gtest.h>

namespace tarnix {
namespace {

TEST(ValueFormat, VoltsPickPrefixAndThreeDigits) {
    EXPECT_EQ(FormatVolts(0.0123), "12.3mV");
    EXPECT_EQ(FormatVolts(1.5), "1.50V");
    EXPECT_EQ(FormatVolts(250.0), "250V");
    EXPECT_EQ(FormatVolts(1500.0), "1.50kV");
    EXPECT_EQ(FormatVolts(1.25), "1.25V");
    EXPECT_EQ(FormatVolts(-1.5), "-1.50V");
    EXPECT_EQ(FormatVolts(0.5), "500mV");
    EXPECT_EQ(FormatVolts(2.5e-5), "25.0uV");
    // Below a microvolt the plain unit stays and the number is the value itself.
    EXPECT_EQ(FormatVolts(0.0), "0.00V");
    EXPECT_EQ(FormatVolts(1e-8), "0.00V");
    // Three digits by truncation, not rounding, once the integer part has three digits.
    EXPECT_EQ(FormatVolts(999.9), "999V");
}

TEST(ValueFormat, TimeAndFrequencyFromTheMeasurementExamples) {
    // 100 points at 1 ms per division: 100 x 0.001 x 0.002 s.
    EXPECT_EQ(FormatTime(100 * 0.001 * 0.002), "200us");
    EXPECT_EQ(FormatFrequency(5000.0), "5.00kHz");
    EXPECT_EQ(FormatTime(0.0125), "12.5ms");
    EXPECT_EQ(FormatFrequency(100000.0), "100kHz");
    EXPECT_EQ(FormatTime(2.0), "2.00s");
    EXPECT_EQ(FormatTime(4e-8), "40.0ns");
    EXPECT_EQ(FormatTime(5e-10), "0.00"); // below 1 ns: no unit
    EXPECT_EQ(FormatFrequency(999.0), "999Hz");
    EXPECT_EQ(FormatFrequency(2.5e6), "2.50MHz");
    EXPECT_EQ(FormatFrequency(1e9), "1.00GHz");
}

TEST(ValueFormat, HugeAndOddNumbersDoNotOverflow) {
    EXPECT_EQ(FormatThreeDigits(1e12), "2147483647");
    EXPECT_EQ(FormatThreeDigits(-1e12), "-2147483648");
    EXPECT_EQ(FormatThreeDigits(-12.34), "-12.3");
}

} // namespace
} // namespace tarnix
