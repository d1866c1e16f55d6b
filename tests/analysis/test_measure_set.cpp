#include "analysis/measure_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace tarnix {
namespace {

using Trace = std::vector<std::int16_t>;

Trace Flat(int level) {
    return Trace(kMeasureTracePoints, static_cast<std::int16_t>(level));
}

// 2.5 cycles of a square wave: low 0..999, high 1000..1999, low, high, low.
Trace Square(int low, int high) {
    Trace t(kMeasureTracePoints);
    for (int i = 0; i < kMeasureTracePoints; ++i) {
        t[static_cast<std::size_t>(i)] = static_cast<std::int16_t>((i / 1000) % 2 == 0 ? low : high);
    }
    return t;
}

// Baseline 63 with one trapezoid pulse to 191: 100-point ramps at 1000 and 1500.
Trace Pulse() {
    Trace t(kMeasureTracePoints, 63);
    for (int k = 0; k <= 100; ++k) {
        t[static_cast<std::size_t>(1000 + k)] = static_cast<std::int16_t>(63 + 128 * k / 100);
        t[static_cast<std::size_t>(1500 + k)] = static_cast<std::int16_t>(191 - 128 * k / 100);
    }
    for (int i = 1101; i < 1500; ++i) {
        t[static_cast<std::size_t>(i)] = 191;
    }
    return t;
}

MeasureChannel On(const Trace& trace, double voltsPerDiv = 1.0, double zeroLevel = 128.0) {
    return MeasureChannel{true, voltsPerDiv, zeroLevel, trace};
}

// Evaluates one kind on CH1 and returns its text.
std::string Measure(int kind, const MeasureChannel& ch1, double secondsPerDiv = 0.001) {
    CMeasureSet set;
    set.AddMeasure(kind);
    set.SetSecondsPerDiv(secondsPerDiv);
    set.UpdateMeasurements({ch1, MeasureChannel{}, MeasureChannel{}});
    return set.Text(0);
}

TEST(MeasureSet, FlatTraceFillsTheCascadeAndHasNoCycle) {
    const Trace flat = Flat(128);
    const MeasureExtremes e = FindExtremes(flat);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(e.high[static_cast<std::size_t>(k)], 128);
        EXPECT_EQ(e.low[static_cast<std::size_t>(k)], 128);
    }
    // zero level 64: 0 V at level 191, so level 128 is -63/32 V.
    const MeasureChannel ch = On(flat, 1.0, 64.0);
    EXPECT_EQ(Measure(kMeasureVpp, ch), "CH1:Vpp = 0.00V");
    EXPECT_EQ(Measure(kMeasureVamp, ch), "CH1:Vamp = 0.00V");
    EXPECT_EQ(Measure(kMeasureVmax, ch), "CH1:Vmax = -1.97V");
    EXPECT_EQ(Measure(kMeasureVrms, ch), "CH1:Vrms = 1.97V");
    EXPECT_EQ(Measure(kMeasureVpshoot, ch), "CH1:Vpshoot = *****");
    EXPECT_EQ(Measure(kMeasureVnshoot, ch), "CH1:Vnshoot = *****");
    EXPECT_EQ(Measure(kMeasurePeriod, ch), "CH1:Period = *****");
    EXPECT_EQ(Measure(kMeasureFrequency, ch), "CH1:Frequ = *****");
    EXPECT_EQ(Measure(kMeasureVcmean, ch), "CH1:Vcmean = *****");
    EXPECT_EQ(Measure(kMeasureRiseTime, ch), "CH1:RiseT = *****");
    EXPECT_EQ(Measure(kMeasurePosWidth, ch), "CH1:+Width = *****");
}

TEST(MeasureSet, CascadeChangesOnlyTheFirstMatchingSlot) {
    // 20 replaces 10 in high[0] without moving it down; the second 4 replaces 3 in high[2] likewise.
    const Trace t = {10, 5, 20, 3, 4, 4, 4, 1, 2, 0};
    const MeasureExtremes e = FindExtremes(t);
    const std::array<std::int16_t, 5> high = {20, 5, 4, 4, 4};
    const std::array<std::int16_t, 5> low = {0, 2, 255, 255, 255};
    EXPECT_EQ(e.high, high);
    EXPECT_EQ(e.low, low);
}

// The cascade written out plainly, every value through every test, for the fast path to be held to.
MeasureExtremes PlainCascade(const Trace& trace) {
    MeasureExtremes e;
    e.high.fill(0);
    e.low.fill(255);
    for (const std::int16_t v : trace) {
        bool done = false;
        for (std::size_t k = 0; k < 5 && !done; ++k) {
            if (v > e.high[k]) {
                e.high[k] = v;
                done = true;
            }
        }
        for (std::size_t k = 0; k < 5 && !done; ++k) {
            if (v < e.low[k]) {
                e.low[k] = v;
                done = true;
            }
        }
    }
    return e;
}

TEST(MeasureSet, CascadeAgreesWithThePlainCascadeOnSeededTraces) {
    std::uint32_t seed = 20261205;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(range));
    };
    for (int round = 0; round < 200; ++round) {
        Trace t(kMeasureTracePoints);
        const int shape = round % 4;
        int walk = 128;
        for (int i = 0; i < kMeasureTracePoints; ++i) {
            int v = 0;
            if (shape == 0) { // uniform noise, sometimes outside 0..255 (columns without data)
                v = next(300) - 20;
            } else if (shape == 1) { // noisy sine
                v = 128 + static_cast<int>(90 * std::sin(2 * std::numbers::pi * (round + 1) * i / 5000.0)) +
                    next(9) - 4;
            } else if (shape == 2) { // random walk
                walk = std::clamp(walk + next(7) - 3, 0, 255);
                v = walk;
            } else { // flat with rare spikes
                v = next(200) == 0 ? next(256) : 100;
            }
            t[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(v);
        }
        const MeasureExtremes fast = FindExtremes(t);
        const MeasureExtremes plain = PlainCascade(t);
        ASSERT_EQ(fast.high, plain.high) << "round " << round;
        ASSERT_EQ(fast.low, plain.low) << "round " << round;
    }
}

TEST(MeasureSet, SquareWithTwoAndAHalfCycles) {
    const Trace sq = Square(63, 191); // zero level 128: 0 V at level 127, +-2 divisions
    const MeasureChannel ch = On(sq);
    CMeasureSet set;
    set.SetSecondsPerDiv(0.001);
    set.UpdateMeasurements({ch, MeasureChannel{}, MeasureChannel{}});
    const MeasureExtremes& e = set.Extremes(0);
    EXPECT_EQ(e.edges[0], 1000);
    EXPECT_EQ(e.edges[1], 2000);
    EXPECT_EQ(e.edges[2], 3000);
    EXPECT_EQ(set.CyclesOnScreen(0), 2); // 5000 / 2000, truncated
    EXPECT_DOUBLE_EQ(set.MidLevel(0), 255.0 - (64.0 + 63.0));
    EXPECT_EQ(set.MidLevel(2), 0.0);

    EXPECT_EQ(Measure(kMeasureVpp, ch), "CH1:Vpp = 4.00V");
    EXPECT_EQ(Measure(kMeasureVtop, ch), "CH1:Vtop = 2.00V");
    EXPECT_EQ(Measure(kMeasureVbase, ch), "CH1:Vbase = -2.00V");
    EXPECT_EQ(Measure(kMeasureVmid, ch), "CH1:Vmid = 0.00V");
    // 3000 points at -2 V and 2000 at +2 V.
    EXPECT_EQ(Measure(kMeasureVmean, ch), "CH1:Vmean = -400mV");
    EXPECT_EQ(Measure(kMeasureVrms, ch), "CH1:Vrms = 2.00V");
    // 1000..3000 inclusive: 1001 points high (3000 is high again), 1000 low: (1001 - 1000) x 2 / 2001 V.
    EXPECT_EQ(Measure(kMeasureVcmean, ch), "CH1:Vcmean = 999uV");
    EXPECT_EQ(Measure(kMeasureVpshoot, ch), "CH1:Vpshoot = 0.0%");
    // 2000 points at 1 ms/div (500 points per division) = 4 ms.
    EXPECT_EQ(Measure(kMeasurePeriod, ch), "CH1:Period = 4.00ms");
    EXPECT_EQ(Measure(kMeasureFrequency, ch), "CH1:Frequ = 250Hz");
    EXPECT_EQ(Measure(kMeasurePosDuty, ch), "CH1:+Duty = 50.0%");
    EXPECT_EQ(Measure(kMeasureNegDuty, ch), "CH1:-Duty = 50.0%");
    EXPECT_EQ(Measure(kMeasurePosWidth, ch), "CH1:+Width = 2.00ms");
    EXPECT_EQ(Measure(kMeasureNegWidth, ch), "CH1:-Width = 2.00ms");
    // Probe x10: ten times the volts.
    EXPECT_EQ(Measure(kMeasureVpp, On(sq, 10.0)), "CH1:Vpp = 40.0V");
}

TEST(MeasureSet, UnevenDutyAndOvershoot) {
    // Rectangular wave, high for 300 of every 1000 points, starting low; one overshoot spike.
    Trace t(kMeasureTracePoints);
    for (int i = 0; i < kMeasureTracePoints; ++i) {
        t[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 1000 >= 700 ? 160 : 96);
    }
    t[4990] = 224; // above the top by 64 levels = one amplitude
    const MeasureChannel ch = On(t);
    EXPECT_EQ(Measure(kMeasurePosDuty, ch), "CH1:+Duty = 30.0%");
    EXPECT_EQ(Measure(kMeasureNegDuty, ch), "CH1:-Duty = 70.0%");
    EXPECT_EQ(Measure(kMeasureVnshoot, ch), "CH1:Vnshoot = 100.0%");
    EXPECT_EQ(Measure(kMeasureVpshoot, ch), "CH1:Vpshoot = 0.0%");
}

TEST(MeasureSet, SineGivesRmsPeriodAndFrequency) {
    // 5 cycles of 1000 points, amplitude 100 levels around level 127 (0 V at zero level 128).
    Trace t(kMeasureTracePoints);
    double sumSquares = 0.0;
    for (int i = 0; i < kMeasureTracePoints; ++i) {
        const long level = std::lround(127.0 + 100.0 * std::sin(2.0 * std::numbers::pi * i / 1000.0));
        t[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(level);
        sumSquares += std::pow((level - 127.0) / 32.0, 2);
    }
    const MeasureChannel ch = On(t);
    // On paper: 100/32 V amplitude gives 2.2097 V rms; the rounded trace agrees to three digits.
    EXPECT_NEAR(std::sqrt(sumSquares / kMeasureTracePoints), 100.0 / 32.0 / std::sqrt(2.0), 0.005);
    EXPECT_EQ(Measure(kMeasureVrms, ch), "CH1:Vrms = 2.21V");
    EXPECT_EQ(Measure(kMeasureVpp, ch), "CH1:Vpp = 6.25V");
    EXPECT_EQ(Measure(kMeasurePeriod, ch), "CH1:Period = 2.00ms");
    EXPECT_EQ(Measure(kMeasureFrequency, ch), "CH1:Frequ = 500Hz");
    EXPECT_EQ(Measure(kMeasurePeriod, ch, 1e-6), "CH1:Period = 2.00us");
    EXPECT_EQ(Measure(kMeasureFrequency, ch, 1e-6), "CH1:Frequ = 500kHz");
    CMeasureSet set;
    set.UpdateMeasurements({ch, ch, MeasureChannel{}});
    EXPECT_EQ(set.CyclesOnScreen(0), 5);
    EXPECT_EQ(set.CyclesOnScreen(1), 5);
}

// Plain re-statement of the 10%/90% rule: first index above the low threshold, then the first index
// after it above the high threshold (the trace starts below both).
int ReferenceRise(const Trace& t, int lo, int hi) {
    std::size_t i = 1;
    while (i < t.size() && t[i] <= lo) {
        ++i;
    }
    const std::size_t start = i;
    while (i < t.size() && t[i] <= hi) {
        ++i;
    }
    return i < t.size() ? static_cast<int>(i - start) : -1;
}

TEST(MeasureSet, PulseRiseAndFallTime) {
    const Trace p = Pulse();
    const MeasureExtremes e = FindExtremes(p);
    EXPECT_EQ(e.high[4], 191);
    EXPECT_EQ(e.low[4], 63);
    const int lo = static_cast<int>(63 + 0.1 * 128); // 75
    const int hi = static_cast<int>(63 + 0.9 * 128); // 178
    const int rise = ReferenceRise(p, lo, hi);
    EXPECT_EQ(rise, 80);
    EXPECT_EQ(RiseTimePoints(p, e), rise);
    // Mirror image: the fall ramp crosses 178 downward at 1511 and 75 at 1592.
    EXPECT_EQ(FallTimePoints(p, e), 81);

    const MeasureChannel ch = On(p);
    EXPECT_EQ(Measure(kMeasureRiseTime, ch), "CH1:RiseT = 160us"); // 80 x 1 ms x 0.002
    EXPECT_EQ(Measure(kMeasureFallTime, ch), "CH1:FallT = 162us");
    // A single pulse has no full cycle.
    EXPECT_EQ(Measure(kMeasurePeriod, ch), "CH1:Period = *****");
    EXPECT_EQ(Measure(kMeasurePosDuty, ch), "CH1:+Duty = *****");
    EXPECT_EQ(Measure(kMeasurePosWidth, ch), "CH1:+Width = *****");
}

TEST(MeasureSet, RiseWithoutNinetyPercentCrossingIsNotAValue) {
    // One step up to the top at the very end: 10% is crossed, 90% never again after the reset.
    Trace t(kMeasureTracePoints, 0);
    for (int i = 0; i < 5; ++i) {
        t[static_cast<std::size_t>(i)] = 200; // fills the high slots first
    }
    t[4998] = 100;
    t[4999] = 150;
    const MeasureExtremes e = FindExtremes(t);
    EXPECT_EQ(RiseTimePoints(t, e), -1);
    EXPECT_EQ(Measure(kMeasureRiseTime, On(t)), "CH1:RiseT = *****");
}

TEST(MeasureSet, HysteresisIgnoresSmallRipple) {
    // Ripple of +-5 levels around the mid level never counts as an edge.
    Trace t(kMeasureTracePoints);
    for (int i = 0; i < kMeasureTracePoints; ++i) {
        t[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 2 == 0 ? 123 : 133);
    }
    MeasureExtremes e = FindExtremes(t);
    e.high[4] = 138; // force mid = 128
    e.low[4] = 118;
    FindEdges(t, e);
    EXPECT_EQ(e.edges[2], 0);
    // One level more crosses the band.
    for (std::size_t i = 0; i < t.size(); ++i) {
        t[i] = static_cast<std::int16_t>(i % 200 < 100 ? 121 : 135);
    }
    FindEdges(t, e);
    EXPECT_EQ(e.edges[0], 100);
    EXPECT_EQ(e.edges[1], 200);
    EXPECT_EQ(e.edges[2], 300);
}

TEST(MeasureSet, SlotsSourcesAndClearing) {
    CMeasureSet set;
    EXPECT_EQ(set.ItemCount(), 0);
    EXPECT_EQ(set.Text(0), "*****");
    set.SetMeasureSource(1);
    set.SetMeasureSource(3); // ignored
    EXPECT_EQ(set.GetMeasureSource(), 1);
    set.AddMeasure(kMeasureVpp);
    const Trace sq = Square(63, 191);
    set.UpdateMeasurements({On(sq), MeasureChannel{}, MeasureChannel{}});
    EXPECT_EQ(set.Text(0), "CH2:Vpp = *****"); // CH2 is off

    set.SetMeasureSource(2);
    set.AddMeasure(kMeasureFrequency);
    set.UpdateMeasurements({On(sq), MeasureChannel{}, MeasureChannel{}});
    EXPECT_EQ(set.Text(1), "MATH:Frequ = *****");
    set.UpdateMeasurements({MeasureChannel{}, On(sq), On(sq)});
    EXPECT_EQ(set.Text(0), "CH2:Vpp = 4.00V");

    set.ClearMeasures();
    EXPECT_EQ(set.ItemCount(), 0);
    EXPECT_EQ(set.Text(0), "*****");
    EXPECT_EQ(set.Slot(0).used, 0u);
}

TEST(MeasureSet, NinthItemPushesOutTheFirst) {
    CMeasureSet set;
    for (int kind = 0; kind < 9; ++kind) {
        set.SetMeasureSource(kind % 3);
        set.AddMeasure(kind);
    }
    EXPECT_EQ(set.ItemCount(), 8);
    for (int slot = 0; slot < 8; ++slot) {
        EXPECT_EQ(set.Slot(slot).kind, slot + 1);
        EXPECT_EQ(set.Slot(slot).source, (slot + 1) % 3);
        EXPECT_EQ(set.Slot(slot).used, 1u);
    }
    const Trace flat = Flat(127);
    const MeasureChannel ch = On(flat);
    set.UpdateMeasurements({ch, ch, ch});
    EXPECT_EQ(set.Text(0), "CH2:Vmax = 0.00V");
    EXPECT_EQ(set.Text(7), "MATH:Vcmean = *****");
}

TEST(MeasureSet, RestoredItemsAreClampedIntoRange) {
    CMeasureSet set;
    std::array<MeasureSlot, kMeasureSlotCount> slots{};
    slots[0] = MeasureSlot{1, 1, kMeasureVpp};
    slots[1] = MeasureSlot{1, 7, 42}; // garbage source and kind
    slots[2] = MeasureSlot{1, 2, kMeasureVrms};
    set.RestoreMeasures(2, 9, slots);
    EXPECT_EQ(set.ItemCount(), 2);
    EXPECT_EQ(set.GetMeasureSource(), 0);
    EXPECT_EQ(set.Slot(1).source, 0);
    EXPECT_EQ(set.Slot(1).kind, kMeasureVpp);
    EXPECT_EQ(set.Slot(2).used, 0u); // beyond the count
    const Trace flat = Flat(127);
    set.UpdateMeasurements({On(flat), MeasureChannel{}, MeasureChannel{}});
    EXPECT_EQ(set.Text(0), "CH2:Vpp = *****");
    EXPECT_EQ(set.Text(1), "CH1:Vpp = 0.00V");
    set.RestoreMeasures(100, 2, slots);
    EXPECT_EQ(set.ItemCount(), 8);
    EXPECT_EQ(set.GetMeasureSource(), 2);
}

TEST(MeasureSet, TextsArePlacedAtTheEightSlotPositions) {
    CMeasureSet set;
    const std::array<std::uint32_t, 3> colours = {0x00FF00, 0xFFFF00, 0xFF0000};
    std::array<MeasureTextItem, kMeasureSlotCount> items{};
    EXPECT_EQ(set.LayoutTexts(0, 0, 800, 600, colours, items), 0);
    for (int k = 0; k < 8; ++k) {
        set.SetMeasureSource(k == 3 ? 2 : 0);
        set.AddMeasure(kMeasureVpp);
    }
    // Plot 10..810 x 20..620: W/8 = 100, W/2 = 400, H/15 = 40, H/8 = 75.
    ASSERT_EQ(set.LayoutTexts(10, 20, 810, 620, colours, items), 8);
    const int xs[8] = {110, 510, 110, 510, 110, 510, 110, 510};
    const int ys[8] = {580, 580, 545, 545, 505, 505, 465, 465};
    for (std::size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(items[k].x, xs[k]) << k;
        EXPECT_EQ(items[k].y, ys[k]) << k;
        EXPECT_EQ(items[k].text, set.Text(static_cast<int>(k)));
    }
    EXPECT_EQ(items[0].colour, 0x00FF00u);
    EXPECT_EQ(items[3].colour, 0xFF0000u);
}

} // namespace
} // namespace tarnix
