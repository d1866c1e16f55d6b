#include "analysis/value_format.h"

#include <gtest/gtest.h>

namespace tarnix {
namespace {

TEST(ValueFormat, ThreeDigitsWithThePrefixOfTheValue) {
    struct Case {
        std::string text;
        const char* expected;
    };
    const Case cases[] = {
        {FormatVolts(1500.0), "1.50kV"},
        // Below a microvolt the plain unit stays and the number is the value itself.
        {FormatVolts(0.0), "0.00V"},
        {FormatVolts(1e-8), "0.00V"},
        // Three digits by truncation, not rounding, once the integer part has three digits.
        {FormatVolts(999.9), "999V"},
        {FormatTime(4e-8), "40.0ns"},
        {FormatTime(5e-10), "0.00"}, // below 1 ns: no unit
        {FormatFrequency(1e9), "1.00GHz"},
        {FormatThreeDigits(1e12), "2147483647"}, // huge numbers saturate instead of overflowing
        {FormatThreeDigits(-1e12), "-2147483648"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, c.expected);
    }
}

} // namespace
} // namespace tarnix
