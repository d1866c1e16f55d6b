#include "../support/doc_fixture.h"
#include "analysis/analysis_inputs.h"
#include "analysis/measure_set.h"
#include "analysis/value_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <tuple>
#include <vector>

namespace tarnix {
namespace {

using Trace = std::vector<std::int16_t>;

// A square wave with 1000-point half periods; `shift` moves it left, so 2.5 cycles start low at 0.
Trace Square(int low, int high, int shift = 0) {
    Trace t(kMeasureTracePoints);
    for (int i = 0; i < kMeasureTracePoints; ++i) {
        t[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(((i + shift) / 1000) % 2 == 0 ? low : high);
    }
    return t;
}

MeasureChannel On(const Trace& trace, double voltsPerDiv = 1.0, double zeroLevel = 128.0) {
    return MeasureChannel{true, voltsPerDiv, zeroLevel, trace};
}

std::string Measure(int kind, const MeasureChannel& ch1, double secondsPerDiv = 0.001) {
    CMeasureSet set;
    set.AddMeasure(kind);
    set.SetSecondsPerDiv(secondsPerDiv);
    set.UpdateMeasurements({ch1, MeasureChannel{}, MeasureChannel{}});
    return set.Text(0);
}

void ExpectTexts(const MeasureChannel& ch, std::initializer_list<std::pair<int, const char*>> rows) {
    for (const auto& [kind, text] : rows) {
        EXPECT_EQ(Measure(kind, ch), text);
    }
}

TEST(MeasureSet, FlatTraceHasLevelsButNoCycle) {
    // Zero level 64: 0 V at level 191, so level 128 is -63/32 V.
    ExpectTexts(On(Trace(kMeasureTracePoints, 128), 1.0, 64.0), {{kMeasureVpp, "CH1:Vpp = 0.00V"},
                                                                 {kMeasureVmax, "CH1:Vmax = -1.97V"},
                                                                 {kMeasureVrms, "CH1:Vrms = 1.97V"},
                                                                 {kMeasureVpshoot, "CH1:Vpshoot = *****"},
                                                                 {kMeasureVcmean, "CH1:Vcmean = *****"},
                                                                 {kMeasurePosWidth, "CH1:+Width = *****"}});
}

TEST(MeasureSet, SquareWithTwoAndAHalfCycles) {
    const Trace sq = Square(63, 191); // zero level 128: 0 V at level 127, +-2 divisions
    ExpectTexts(On(sq), {{kMeasureVpp, "CH1:Vpp = 4.00V"},
                         {kMeasureVmin, "CH1:Vmin = -2.00V"},
                         {kMeasureVamp, "CH1:Vamp = 4.00V"},
                         {kMeasureVtop, "CH1:Vtop = 2.00V"},
                         {kMeasureVbase, "CH1:Vbase = -2.00V"},
                         {kMeasureVmid, "CH1:Vmid = 0.00V"},
                         // 3000 points at -2 V and 2000 at +2 V.
                         {kMeasureVmean, "CH1:Vmean = -400mV"},
                         {kMeasureVrms, "CH1:Vrms = 2.00V"},
                         // 1000..3000 inclusive: 1001 points high, 1000 low: (1001 - 1000) x 2 / 2001 V.
                         {kMeasureVcmean, "CH1:Vcmean = 999uV"},
                         {kMeasureVpshoot, "CH1:Vpshoot = 0.0%"},
                         // 2000 points at 1 ms/div (500 points per division) = 4 ms.
                         {kMeasurePeriod, "CH1:Period = 4.00ms"},
                         {kMeasureFrequency, "CH1:Frequ = 250Hz"},
                         {kMeasurePosWidth, "CH1:+Width = 2.00ms"},
                         {kMeasureNegWidth, "CH1:-Width = 2.00ms"}});
    // A rise at the second point is an edge like any other.
    EXPECT_EQ(Measure(kMeasurePosWidth, On(Square(63, 191, 999))), "CH1:+Width = 2.00ms");
}

TEST(MeasureSet, UnevenDutyAndOvershoot) {
    // Rectangular wave, high for 300 of every 1000 points, starting low; one overshoot spike.
    Trace t(kMeasureTracePoints);
    for (int i = 0; i < kMeasureTracePoints; ++i) {
        t[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 1000 >= 700 ? 160 : 96);
    }
    t[4990] = 224; // above the top by 64 levels = one amplitude
    ExpectTexts(On(t), {{kMeasurePosDuty, "CH1:+Duty = 30.0%"},
                        {kMeasureNegDuty, "CH1:-Duty = 70.0%"},
                        {kMeasureVnshoot, "CH1:Vnshoot = 100.0%"},
                        {kMeasureVpshoot, "CH1:Vpshoot = 0.0%"}});
}

TEST(MeasureSet, PulseRiseAndFallTime) {
    // Baseline 63 with one trapezoid pulse to 191: 100-point ramps at 1000 and 1500.
    Trace p(kMeasureTracePoints, 63);
    for (int k = 0; k <= 100; ++k) {
        p[static_cast<std::size_t>(1000 + k)] = static_cast<std::int16_t>(63 + 128 * k / 100);
        p[static_cast<std::size_t>(1500 + k)] = static_cast<std::int16_t>(191 - 128 * k / 100);
    }
    std::fill(p.begin() + 1101, p.begin() + 1500, std::int16_t{191});
    // 10% and 90% of 63..191 are levels 75 and 178: the ramp passes above them at
    // 1010 and 1090; falling, it passes below 178 at 1511 and below 75 at 1592.
    const MeasureExtremes e = FindExtremes(p);
    EXPECT_EQ(std::tuple(RiseTimePoints(p, e), FallTimePoints(p, e)), std::tuple(80, 81));
    ExpectTexts(On(p), {{kMeasureRiseTime, "CH1:RiseT = 160us"}, // 80 x 1 ms x 0.002
                        {kMeasureFallTime, "CH1:FallT = 162us"},
                        {kMeasurePosDuty, "CH1:+Duty = *****"}}); // a single pulse has no full cycle

    // One step up at the very end: 10% is crossed, 90% never again after the reset.
    Trace t(kMeasureTracePoints, 0);
    std::fill(t.begin(), t.begin() + 5, std::int16_t{200}); // fills the high slots first
    t[4998] = 100;
    t[4999] = 150;
    EXPECT_EQ(RiseTimePoints(t, FindExtremes(t)), -1);
    EXPECT_EQ(Measure(kMeasureRiseTime, On(t)), "CH1:RiseT = *****");
}

TEST(MeasureSet, EdgesNeedMoreThanSixLevelsBeyondTheMidLevel) {
    // Five spikes to 118 in the first low stretch and five to 138 in the first high stretch set the
    // extremes, so the mid level is 128 whatever the square wave's own levels are. 7 levels below and
    // above: both edges count; exactly 6 below: it never falls; exactly 6 above: it never rises.
    const std::tuple<int, int, const char*> cases[] = {{121, 135, "CH1:Period = 4.00ms"},
                                                       {122, 135, "CH1:Period = *****"},
                                                       {121, 134, "CH1:Period = *****"}};
    for (const auto& [low, high, period] : cases) {
        Trace t = Square(low, high);
        std::fill(t.begin() + 10, t.begin() + 15, std::int16_t{118});
        std::fill(t.begin() + 1010, t.begin() + 1015, std::int16_t{138});
        EXPECT_EQ(Measure(kMeasurePeriod, On(t)), period) << low << ".." << high;
    }
}

TEST(MeasureSet, SlotsKeepTheirSourceAndANinthItemPushesOutTheFirst) {
    CMeasureSet set;
    set.SetMeasureSource(3); // not a source: ignored
    for (int kind = 0; kind < 9; ++kind) {
        set.SetMeasureSource(kind % 3);
        set.AddMeasure(kind);
    }
    EXPECT_EQ(set.ItemCount(), 8);
    const Trace flat(kMeasureTracePoints, 127);
    const MeasureChannel ch = On(flat);
    set.UpdateMeasurements({ch, MeasureChannel{}, ch});
    // CH2 is off.
    EXPECT_EQ(std::tuple(set.Text(0), set.Text(1), set.Text(7)),
              std::tuple("CH2:Vmax = *****", "MATH:Vmin = 0.00V", "MATH:Vcmean = *****"));
    set.ClearMeasures();
    EXPECT_EQ(set.Text(0), "*****");

    std::array<MeasureSlot, kMeasureSlotCount> slots{};
    slots[0] = MeasureSlot{1, 7, 42}; // garbage source and kind
    slots[1] = MeasureSlot{1, 2, kMeasureVpp};
    set.RestoreMeasures(2, 9, slots);
    set.UpdateMeasurements({ch, MeasureChannel{}, ch});
    EXPECT_EQ(std::tuple(set.Text(0), set.Text(1)), std::tuple("CH1:Vpp = 0.00V", "MATH:Vpp = 0.00V"));
    EXPECT_EQ(set.Slot(2).used, 0u); // beyond the count
    set.RestoreMeasures(100, 2, slots);
    EXPECT_EQ(set.ItemCount(), 8);
}

TEST(ValueFormat, ThreeDigitsWithThePrefixOfTheValue) {
    const std::pair<std::string, const char*> cases[] = {
        {FormatVolts(1500.0), "1.50kV"},
        // Below a microvolt the plain unit stays and the number is the value itself.
        {FormatVolts(1e-8), "0.00V"},
        // Three digits by truncation, not rounding, once the integer part has three digits.
        {FormatVolts(999.9), "999V"},
        {FormatTime(4e-8), "40.0ns"},
        {FormatTime(5e-10), "0.00"}, // below 1 ns: no unit
        {FormatFrequency(1e9), "1.00GHz"},
        {FormatThreeDigits(1e12), "2147483647"}, // huge numbers saturate instead of overflowing
        {FormatThreeDigits(-1e12), "-2147483648"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(text, expected);
    }
}

TEST(AnalysisInputs, MeasurementSourcesFollowTheSettings) {
    InstrumentSettings settings;
    settings.ch(kMath).enabled = 1;
    settings.ch(kMath).voltsPerDivIndex = 7; // 2 V
    settings.ch(kMath).probe = 1;            // x10
    settings.ch(kMath).zeroLevel = 100.0f;
    auto frames = std::make_unique<WaveFrameSet>();
    (*frames)[kMath].display.fill(200);
    CMeasureSet set;
    set.SetMeasureSource(2);
    set.AddMeasure(kMeasureVmax);
    set.UpdateMeasurements(MeasureChannelsFrom(settings, *frames));
    EXPECT_EQ(set.Text(0), "MATH:Vmax = 28.1V"); // level 200 with 0 V at 155: 45 / 32 x 20 V
}

// ---- Through the document, on the simulated instrument ----

class MeasureFlows : public testing::DocTest {
protected:
    void StartWith(const SimSignal& ch1) {
        SimConfig config;
        config.signals[0] = ch1;
        StartSim(config);
        doc->SetChannelEnabled(kCh2, false);
        doc->SetZeroLevel(kCh1, 128.0f); // 0 V in the middle of the screen
        doc->SetCoupling(kCh1, kCouplingDc);
    }
};

TEST_F(MeasureFlows, RollMeasuresOnlyWhatHasRolledIn) {
    StartWith({SimShape::kSquare, 1.0, 1.0, 0.0, 0.0});
    doc->SelectDisplayFormat(kFormatRoll); // 1.00s/div: 500 points a cycle
    for (int kind : {kMeasureVpp, kMeasureVrms, kMeasurePeriod}) {
        doc->measures.AddMeasure(kind);
    }
    // 40 steps hold 1.2 cycles: the levels are there, a full cycle is not; 100 steps hold 3 cycles.
    const std::pair<int, std::array<const char*, 3>> rows[] = {
        {40, {"CH1:Vpp = 1.00V", "CH1:Vrms = 500mV", "CH1:Period = *****"}},
        {60, {"CH1:Vpp = 1.00V", "CH1:Vrms = 500mV", "CH1:Period = 1.00s"}},
    };
    for (const auto& [steps, texts] : rows) {
        Ticks(steps);
        for (int slot = 0; slot < 3; ++slot) {
            EXPECT_EQ(doc->measures.Text(slot), texts[static_cast<std::size_t>(slot)]) << steps;
        }
    }
}

TEST_F(MeasureFlows, MeasurementsOfAClippedTraceAreMarked) {
    // A 2 Vpp sine; the offset lifts it.
    const struct {
        int voltsIndex;
        double offset;
        MeasureClip clip; // top, bottom
    } rows[] = {
        {6, 0.0, {false, false}}, // 1 V/div: +-1 division
        {4, 0.0, {true, true}},   // 200 mV/div: +-5 divisions, beyond both edges
        {5, 1.5, {true, false}},  // 500 mV/div: 1 to 5 divisions up
    };
    for (const auto& row : rows) {
        StartWith({SimShape::kSine, 10000.0, 2.0, row.offset, 0.0}); // 4 cycles on screen
        doc->SetVoltsPerDiv(kCh1, row.voltsIndex);
        doc->measures.AddMeasure(kMeasureVpp);
        Ticks(12);
        std::array<MeasureTextItem, kMeasureSlotCount> items{};
        ASSERT_EQ(doc->measures.LayoutTexts(0, 0, 500, 400, {}, items), 1);
        EXPECT_TRUE(doc->measures.Clip(0) == row.clip && items[0].clip == row.clip) << row.voltsIndex;
    }
}

} // namespace
} // namespace tarnix
