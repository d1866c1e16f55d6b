#include "model/instrument_settings.h"
#include "model/setting_rules.h"

#include <gtest/gtest.h>

#include <cstring>
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
    for (int index : {-1, 10}) {
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
    EXPECT_EQ(ProbeVoltLabels(18), "10.0kV");
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
}

TEST(TimePerDivTable, LabelsValuesAndSelectorIndexes) {
    struct Row {
        int index;
        double seconds;
        const char* label;
    };
    const Row rows[] = {{0, 2e-9, "2.00ns"},     {7, 4e-7, "400ns"},   {8, 1e-6, "1.00us"},
                        {16, 4e-4, "400us"},     {17, 1e-3, "1.00ms"}, {25, 0.4, "400ms"},
                        {26, 1.0, "1.00s"},      {31, 40.0, "40.0s"},  {32, 60.0, "1.00min"},
                        {37, 2400.0, "40.0min"}, {38, 3600.0, "1.00h"}};
    for (const Row& row : rows) {
        EXPECT_DOUBLE_EQ(TimePerDivTable(row.index), row.seconds) << row.index;
        EXPECT_EQ(TimePerDivLabel(row.index), row.label) << row.index;
        EXPECT_EQ(TimePerDivIndexOfLabel(row.label), row.index);
        EXPECT_EQ(TimeDivIndexOfLabel(row.label, 0), row.index);
        EXPECT_EQ(TimeDivIndexOfLabel(row.label, 1), row.index - 1);
    }
    EXPECT_EQ(TimePerDivTable(-1), 0.0);
    EXPECT_EQ(TimePerDivTable(39), 0.0);
    EXPECT_EQ(TimePerDivLabel(39), "");
    EXPECT_EQ(TimeDivIndexOfLabel("40us", 0), -1);

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

    channel = ChannelSettings{};
    channel.voltsPerDivIndex = 0; // 10.0mV, as the float factor
    channel.zeroLevel = 128.0f;
    EXPECT_EQ(CodeToVolts(channel, 159.0), static_cast<double>(0.01f) * 0.03125 * 32.0);
    EXPECT_EQ(VoltsToCode(channel, 1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(VoltsToCode(channel, std::numeric_limits<double>::quiet_NaN()), 0);

    // The inverse truncates toward zero: at 1 V/div and 0 V at code 0, negative codes stay negative.
    channel.voltsPerDivIndex = 6;
    channel.zeroLevel = 255.0f;
    EXPECT_EQ(VoltsToCode(channel, 1.99 / 32.0), 1);
    EXPECT_EQ(VoltsToCode(channel, -0.99 / 32.0), 0);  // not -1: toward zero, not down
    EXPECT_EQ(VoltsToCode(channel, -1.99 / 32.0), -1); // not -2
    // A fractional zero level moves the offset before truncation: 255 - 127.5 = 127.5.
    channel.zeroLevel = 127.5f;
    EXPECT_EQ(VoltsToCode(channel, 0.0), 127);
    EXPECT_EQ(VoltsToCode(channel, 0.5 / 32.0), 128);
}

TEST(EnumeratedSetters, RangesAndIgnoredValues) {
    struct Case {
        EnumeratedField field;
        int count;
    };
    using enum EnumeratedField;
    const Case cases[] = {
        {kCoupling, 3},      {kProbe, 4},        {kVoltsPerDiv, 10}, {kFilterMode, 3},
        {kInterpolation, 3}, {kMathOperator, 4}, {kMathSource, 2},   {kTriggerSource, 5},
        {kTriggerMode, 2},   {kSweep, 3},        {kSlope, 2},        {kDisplayFormat, 3},
        {kTimeDiv, 39},      {kBufferSize, 7},   {kSamplingMode, 2}, {kAcquisitionMode, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.field));
        EXPECT_EQ(ValueCount(c.field), c.count);
        EXPECT_FALSE(IsInRange(c.field, -1));
        std::uint16_t stored = 1;
        EXPECT_FALSE(StoreIfInRange(stored, c.field, c.count));
        EXPECT_FALSE(StoreIfInRange(stored, c.field, -65535)); // would wrap to 1 if cast before the test
        EXPECT_EQ(stored, 1);
        EXPECT_TRUE(StoreIfInRange(stored, c.field, c.count - 1));
        EXPECT_EQ(stored, c.count - 1);
    }
}

TEST(BlockFields, ChannelCodeLevelsAndPosition) {
    EXPECT_EQ(ChannelCode(true, true), 2);
    EXPECT_EQ(ChannelCode(false, true), 3);
    EXPECT_EQ(ChannelCode(true, false), 0);
    // The zero level is clamped to 0..255, then truncated.
    EXPECT_EQ(ZeroLevelToBlock(64.99f), 64);
    EXPECT_EQ(ZeroLevelToBlock(300.0f), 255);
    EXPECT_EQ(ZeroLevelToBlock(-0.5f), 0);
    EXPECT_EQ(ZeroLevelToBlock(std::numeric_limits<float>::quiet_NaN()), 0);
    // The trigger level is truncated toward zero, not clamped: -1 wraps in the 16-bit field.
    EXPECT_EQ(TriggerLevelToBlock(300.2f), 300);
    EXPECT_EQ(TriggerLevelToBlock(-1.5f), 65535);
    EXPECT_EQ(ExtLevelToBlock(400.0f), 255);
    // The horizontal position 0..500 goes as a percentage.
    EXPECT_EQ(HorizontalPositionToBlock(32767), 100);
    EXPECT_EQ(HorizontalPositionToBlock(499), 99);
    EXPECT_EQ(HorizontalPositionToBlock(-5), 0);
}

TEST(TimeDivSteps, StopAtTheEndsOfTheModelsSelector) {
    EXPECT_EQ(StepTimeDivFaster(0), 0);
    EXPECT_EQ(StepTimeDivFaster(1), 0);
    EXPECT_EQ(StepTimeDivSlower(36, 1), 37); // offset 1: the last selector entry is 37
    EXPECT_EQ(StepTimeDivSlower(37, 1), 37);
    EXPECT_EQ(StepTimeDivSlower(37, 0), 38);
    EXPECT_EQ(StepTimeDivSlower(38, 0), 38);
}

TEST(FactoryDefaults, FreshDocumentForModelOne) {
    const InstrumentSettings s;
    EXPECT_EQ(s.model, 1);
    EXPECT_EQ(s.runStatus, kStatusAuto);
    EXPECT_EQ(s.persistenceOn, 0u);
    EXPECT_EQ(s.acquire, (AcquireSettings{kAcqNormal, 1, 0, 0, 0, 0, 1}));
    // 40.0us per division, the 10k buffer, Y-T, centred, real time.
    EXPECT_EQ(s.timebase, (TimebaseSettings{1, 12, kFormatYT, 250, 0, 0}));
    EXPECT_EQ(s.trigger, (TriggerSettings{kTrigCh1, kTrigModeEdge, kSweepAuto, kSlopeRising, 0, 64.0f, 192.0f,
                                          128.0f, kMarkerOnScreen, kMarkerOnScreen, kMarkerOnScreen}));
    const MathSettings sum{kMathAdd, 0, 1};
    const ChannelSettings channels[] = {
        {1, 0, 0, kCouplingAc, 0, 6, kFilterNone, 0x00FF00, 64.0f, kInterpSinc, 10240, 1, sum},
        {1, 0, 0, kCouplingAc, 0, 6, kFilterNone, 0xFFFF00, 192.0f, kInterpSinc, 10240, 1, sum},
        {0, 0, 0, kCouplingAc, 0, 6, kFilterNone, 0xFF0000, 128.0f, kInterpSinc, 10240, 1, sum},
        {0, 0, 0, kCouplingAc, 0, 6, kFilterNone, 0x00FFFF, 128.0f, kInterpSinc, 10240, 1, sum}};
    for (int i = 0; i < kChannelCount; ++i) {
        EXPECT_EQ(s.ch(i), channels[i]) << i;
    }
}

TEST(FactoryDefaults, FactorySetupResetsAllButWhatItDoesNotDefine) {
    InstrumentSettings s;
    std::memset(static_cast<void*>(&s), 0x5A, sizeof s); // every field away from its factory value
    const InstrumentSettings scrambled = s;
    ApplyFactoryDefaults(s);
    // Left alone: demo mode (a start-up decision), the persistence depth (the screen's), and what Factory
    // Setup does not define: the REF channel's probe, invert, bandwidth limit and filter, MATH/REF coupling.
    InstrumentSettings expected;
    expected.demoMode = scrambled.demoMode;
    expected.persistenceDepth = scrambled.persistenceDepth;
    for (int i : {kMath, kRef}) {
        expected.ch(i).coupling = scrambled.ch(i).coupling;
    }
    for (int i : {kCh1, kCh2, kRef}) {
        expected.ch(i).math = scrambled.ch(i).math; // only the MATH channel uses it
    }
    ChannelSettings& ref = expected.ch(kRef);
    ref.probe = scrambled.ch(kRef).probe;
    ref.invert = scrambled.ch(kRef).invert;
    ref.bandwidthLimit = scrambled.ch(kRef).bandwidthLimit;
    ref.filterMode = scrambled.ch(kRef).filterMode;
    EXPECT_EQ(s, expected);
}

} // namespace
} // namespace tarnix
