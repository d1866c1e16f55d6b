#include "model/instrument_settings.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace tarnix {
namespace {

TEST(VoltsPerDivTable, StepsWidenedFromFloatWithIndexSixAsFallback) {
    // The factors are floats widened to double, so 0.01 is not the double 0.01.
    const float steps[] = {0.01f, 0.02f, 0.05f, 0.1f, 0.2f, 0.5f, 1.0f, 2.0f, 5.0f, 10.0f};
    for (int i = 0; i < kVoltsPerDivCount; ++i) {
        EXPECT_EQ(VoltsPerDivTable(i), static_cast<double>(steps[i])) << i;
        EXPECT_EQ(VoltsPerDivLabel(i), ProbeScaledLabel(i, 0)) << i;
    }
    EXPECT_NE(VoltsPerDivTable(0), 0.01);
    for (int index : {-1, 10, -32768}) {
        EXPECT_EQ(VoltsPerDivTable(index), 1.0) << index;
        EXPECT_EQ(VoltsPerDivLabel(index), "1.00V") << index;
    }
    // A channel's volts/div is the probe factor times the table; an unknown probe counts as x1.
    ChannelSettings channel;
    const double factors[] = {1.0, 10.0, 100.0, 1000.0, 1.0};
    for (int probe = 0; probe < 5; ++probe) {
        channel.probe = static_cast<std::uint16_t>(probe);
        channel.voltsPerDivIndex = 0;
        EXPECT_EQ(ChannelVoltsPerDiv(channel), factors[probe] * static_cast<double>(0.01f));
        channel.voltsPerDivIndex = 12;
        EXPECT_EQ(ChannelVoltsPerDiv(channel), factors[probe]);
    }
}

TEST(ProbeVoltLabels, ScaledLabelsAtAllFourProbes) {
    const std::vector<std::string> all = {"10.0mV", "20.0mV", "50.0mV", "100mV",  "200mV", "500mV", "1.00V",
                                          "2.00V",  "5.00V",  "10.0V",  "20.0V",  "50.0V", "100V",  "200V",
                                          "500V",   "1.00kV", "2.00kV", "5.00kV", "10.0kV"};
    for (int i = 0; i < kProbeVoltLabelCount; ++i) {
        EXPECT_EQ(ProbeVoltLabels(i), all[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(ProbeVoltLabels(-1), "");
    EXPECT_EQ(ProbeVoltLabels(19), "");
    for (int probe = 0; probe < 4; ++probe) {
        for (int index = 0; index < 10; ++index) {
            EXPECT_EQ(ProbeScaledLabel(index, probe), all[static_cast<std::size_t>(index + 3 * probe)])
                << "index " << index << " probe " << probe;
        }
    }
    // An index outside 0..9 counts as 0 (not as 6, unlike the V/div value); an unknown probe as x1.
    EXPECT_EQ(ProbeScaledLabel(10, 0), "10.0mV");
    EXPECT_EQ(ProbeScaledLabel(-1, 2), "1.00V");
    EXPECT_EQ(ProbeScaledLabel(9, 4), "10.0V");
    EXPECT_EQ(ProbeScaledLabel(9, -1), "10.0V");
}

TEST(TimePerDivTable, LabelsValuesAndSelectorIndexes) {
    struct Row {
        int index;
        double seconds;
        const char* label;
    };
    const Row rows[] = {{0, 2e-9, "2.00ns"},    {1, 4e-9, "4.00ns"},     {5, 1e-7, "100ns"},
                        {8, 1e-6, "1.00us"},    {12, 2e-5, "20.0us"},    {13, 4e-5, "40.0us"},
                        {16, 4e-4, "400us"},    {17, 1e-3, "1.00ms"},    {25, 0.4, "400ms"},
                        {26, 1.0, "1.00s"},     {31, 40.0, "40.0s"},     {32, 60.0, "1.00min"},
                        {35, 600.0, "10.0min"}, {37, 2400.0, "40.0min"}, {38, 3600.0, "1.00h"}};
    for (const Row& row : rows) {
        EXPECT_DOUBLE_EQ(TimePerDivTable(row.index), row.seconds) << row.index;
        EXPECT_EQ(TimePerDivLabel(row.index), row.label) << row.index;
        EXPECT_EQ(TimePerDivIndexOfLabel(row.label), row.index);
        // A model whose selector starts at 4.00ns counts one lower.
        EXPECT_EQ(TimeDivIndexOfLabel(row.label, 0), row.index);
        EXPECT_EQ(TimeDivIndexOfLabel(row.label, 1), row.index - 1);
    }
    // The table is strictly increasing; a swapped pair would break the step buttons.
    for (int i = 1; i < kTimePerDivCount; ++i) {
        EXPECT_LT(TimePerDivTable(i - 1), TimePerDivTable(i)) << i;
    }
    EXPECT_EQ(TimePerDivTable(-1), 0.0);
    EXPECT_EQ(TimePerDivTable(39), 0.0);
    EXPECT_EQ(TimePerDivLabel(39), "");
    EXPECT_EQ(TimePerDivIndexOfLabel("40us"), -1);
    EXPECT_EQ(TimeDivIndexOfLabel("nonsense", 0), -1);

    TimebaseSettings timebase; // 12 + 1
    EXPECT_DOUBLE_EQ(SecondsPerDiv(timebase), 40e-6);
    timebase.timeDivIndex = 38; // storable, but beyond the table with offset 1
    EXPECT_EQ(SecondsPerDiv(timebase), 0.0);
}

TEST(BufferSizeTable, LabelsAndRecordLengths) {
    const char* labels[] = {"10k", "14k", "28k", "32k", "64k", "512k", "1 M"};
    const std::uint32_t lengths[] = {10240, 14336, 28672, 32768, 32768, 524288, 524288};
    for (int i = 0; i < kBufferSizeCount; ++i) {
        EXPECT_EQ(BufferSizeLabel(i), labels[i]);
        EXPECT_EQ(BufferSizeRecordLength(i), lengths[i]);
    }
    EXPECT_EQ(BufferSizeRecordLength(7), 0u);
    EXPECT_EQ(BufferSizeRecordLength(-1), 0u);
    EXPECT_EQ(BufferSizeLabel(7), "");
}

TEST(CodeVolts, ThirtyTwoCodesPerDivisionAroundTheZeroLevel) {
    ChannelSettings channel;
    channel.voltsPerDivIndex = 6;
    channel.zeroLevel = 64.0f; // 0 V at code 191
    EXPECT_DOUBLE_EQ(CodeToVolts(channel, 191.0), 0.0);
    EXPECT_DOUBLE_EQ(CodeToVolts(channel, 159.0), -1.0);
    EXPECT_EQ(VoltsToCode(channel, 1.0), 223);
    channel.probe = 1; // x10: the same division is now 10 V
    EXPECT_DOUBLE_EQ(CodeToVolts(channel, 223.0), 10.0);
    EXPECT_EQ(VoltsToCode(channel, 10.0), 223);

    channel = ChannelSettings{};
    channel.voltsPerDivIndex = 0; // 10.0mV, as the float factor
    channel.zeroLevel = 128.0f;
    EXPECT_EQ(CodeToVolts(channel, 159.0), static_cast<double>(0.01f) * 0.03125 * 32.0);
    EXPECT_EQ(VoltsToCode(channel, 1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(VoltsToCode(channel, -1e300), std::numeric_limits<int>::min());
    EXPECT_EQ(VoltsToCode(channel, std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(CodeVolts, InverseTruncatesTowardZero) {
    ChannelSettings channel;
    channel.voltsPerDivIndex = 6; // 1 V/div: 32 codes per volt
    channel.zeroLevel = 255.0f;   // 0 V at code 0, so negative codes stay negative
    EXPECT_EQ(VoltsToCode(channel, 1.99 / 32.0), 1);
    EXPECT_EQ(VoltsToCode(channel, -0.99 / 32.0), 0);  // not -1: toward zero, not down
    EXPECT_EQ(VoltsToCode(channel, -1.99 / 32.0), -1); // not -2
    // A fractional zero level moves the offset before truncation: 255 - 127.5 = 127.5.
    channel.zeroLevel = 127.5f;
    EXPECT_EQ(VoltsToCode(channel, 0.0), 127);
    EXPECT_EQ(VoltsToCode(channel, 0.5 / 32.0), 128);
}

} // namespace
} // namespace tarnix
