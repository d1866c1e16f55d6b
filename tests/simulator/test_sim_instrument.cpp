#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "../support/doc_fixture.h"
#include "analysis/analysis_inputs.h"
#include "model/model_table.h"

namespace tarnix {
namespace {

enum class Mode { kCh1, kBoth, kAlt };

class SimFlows : public testing::DocTest {
protected:
    double Measure(int kind, int channel) {
        const MeasureChannel c =
            MeasureChannelsFrom(doc->settings, doc->frames)[static_cast<std::size_t>(channel)];
        MeasureExtremes e = FindExtremes(c.trace);
        FindEdges(c.trace, e);
        return MeasureValue(kind, c, e, SecondsPerDiv(doc->settings.timebase)).value_or(-1.0);
    }
    // The trigger channel rises (or falls) through 0 V at the trigger point of the screen.
    void ExpectTriggerPoint(int channel, bool falling) {
        const auto& trace = doc->frames[static_cast<std::size_t>(channel)].display;
        const int at = doc->settings.timebase.horizontalPosition * 10;
        const double zero = 255.0 - doc->settings.ch(channel).zeroLevel;
        EXPECT_EQ(trace[static_cast<std::size_t>(at - 50)] < zero, !falling) << channel;
        EXPECT_EQ(trace[static_cast<std::size_t>(at + 50)] > zero, !falling) << channel;
    }
};

// A known sine reads its own frequency and levels at every time base, buffer size and channel mode; a
// capture takes as long as the record it fills; ALT triggers each channel on itself; the bandwidth
// limit takes 3 dB at 20 MHz; Roll shows one sample per display point.
TEST_F(SimFlows, KnownSinesReadTrueAtEveryTimeBaseBufferAndChannelMode) {
    struct Row {
        const char* timeDiv;
        double hz; // CH1, 2 Vpp; CH2 runs 1.7 times faster
        int buffer = kBuffer10k;
        Mode mode = Mode::kCh1;
        bool bandwidthLimit = false;
        int voltsIndex = 6; // 1 V/div
        double offset = 0.0;
        bool ac = false;
        int position = 250;
        bool falling = false;
    };
    const Row rows[] = {
        {"100ns", 2.5e6},
        {"100ns", 20e6, kBuffer10k, Mode::kCh1, true},
        {"4.00us", 62.5e3, kBuffer10k, Mode::kBoth, false, 5, 0.5},
        {"4.00us", 62.5e3, kBuffer10k, Mode::kAlt, false, 6, 0.5, true},
        {"20.0us", 12.5e3, kBuffer10k, Mode::kCh1, false, 7, -0.5, false, 100, true},
        {"40.0us", 6250, kBuffer32k, Mode::kCh1, false, 6, 0.0, false, 400},
        {"400us", 625, kBuffer32k, Mode::kBoth},
        {"1.00ms", 250, kBuffer64k, Mode::kBoth, false, 6, 0.0, false, 250, true},
        {"10.0ms", 25},
        {"10.0ms", 25, kBuffer32k, Mode::kAlt},
        {"100ms", 2.5, kBuffer64k},
        // A 1 Hz sine reads 1.00 Hz up to 25 points a cycle; slower ones get one cycle per division.
        {"1.00s", 1},
        {"2.00s", 1},
        {"4.00s", 1},
        {"10.0s", 1},
        {"20.0s", 1},
        {"40.0s", 1 / 40.0},
        {"1.00min", 1 / 60.0},
        {"4.00min", 1 / 240.0},
        {"1.00h", 1 / 3600.0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.timeDiv);
        SimConfig config;
        config.signals = {SimSignal{SimShape::kSine, row.hz, 2.0, row.offset, 0.0},
                          SimSignal{SimShape::kSine, row.hz * 1.7, 2.0, 0.0, 0.0}};
        StartSim(config);
        doc->Stop();
        doc->SetBufferSize(row.buffer);
        doc->SetChannelEnabled(kCh2, row.mode != Mode::kCh1);
        doc->SetSlope(row.falling ? 1 : 0);
        // Normal: every frame is triggered, however long it takes; ALT at a slow time base waits for
        // its records to fill. (Fast ALT rows use Auto: on the simulator their CH1 phase never triggers
        // in Normal sweep, a fault still open.)
        const bool fastAlt = row.mode == Mode::kAlt && std::string_view(row.timeDiv).ends_with("us");
        doc->SetSweep(fastAlt ? kSweepAuto : kSweepNormal);
        doc->SetBandwidthLimit(kCh1, row.bandwidthLimit);
        doc->SetVoltsPerDiv(kCh1, row.voltsIndex);
        doc->SetCoupling(kCh1, row.ac ? kCouplingAc : kCouplingDc);
        doc->SetZeroLevel(kCh1, 128.0f);
        doc->SelectTriggerSource(row.mode == Mode::kAlt ? kTrigAlt : kTrigCh1);
        for (int c : {kCh1, kCh2}) {
            doc->SetTriggerLevel(c, doc->settings.ch(c).zeroLevel); // at 0 V
        }
        doc->SetHorizontalPosition(row.position);
        doc->SetTimeDiv(TimeDivIndexOfLabel(row.timeDiv, doc->settings.timebase.timeDivOffset));
        doc->Run();
        const bool roll = doc->settings.timebase.displayFormat == kFormatRoll;
        ASSERT_EQ(roll, row.hz <= 1);
        // A Roll screen fills at its own pace; Y-T gets the time of a few records and trigger waits.
        const double seconds = 50.0 * SecondsPerDiv(doc->settings.timebase) + 3.0 / row.hz;
        for (int i = 0; roll ? doc->frames[kCh1].rollPosition < 5000 : i < 10 + seconds / 0.03; ++i) {
            clock.Advance(roll ? 100000 : 30);
            doc->OnTick();
        }
        const double half = row.bandwidthLimit ? std::sqrt(0.5) : 1.0;
        const double dc = row.ac ? 0.0 : row.offset;
        EXPECT_NEAR(Measure(kMeasureFrequency, kCh1), row.hz, row.hz * 0.005);
        EXPECT_NEAR(Measure(kMeasureVmax, kCh1), dc + half, 0.04 * VoltsPerDivTable(row.voltsIndex));
        EXPECT_NEAR(Measure(kMeasureVmin, kCh1), dc - half, 0.04 * VoltsPerDivTable(row.voltsIndex));
        if (row.mode != Mode::kCh1) {
            EXPECT_NEAR(Measure(kMeasureFrequency, kCh2), row.hz * 1.7, row.hz * 1.7 * 0.005);
        }
        if (roll) {
            continue;
        }
        if (row.mode != Mode::kAlt) {
            ExpectTriggerPoint(kCh1, row.falling);
        } else if (doc->settings.timebase.timeDivIndex <= 10) {
            // Each channel is captured alone and triggered by itself, frame after frame.
            for (int frame = 0; frame < 2; ++frame) {
                const std::uint32_t count = sim->CaptureCount(0);
                ASSERT_GT(TickUntil([&] { return sim->CaptureCount(0) > count; }), 0);
                ExpectTriggerPoint(kCh1, row.falling);
                ExpectTriggerPoint(kCh2, row.falling);
            }
        }
        // A capture takes the time of its record at the spacing the screen shows (and at most one
        // period more, waiting for the trigger).
        const double recordMs = doc->settings.ch(kCh1).recordLength * 10.0 *
                                SecondsPerDiv(doc->settings.timebase) / doc->frames[kCh1].span * 1000.0;
        sim->StartCapture(0);
        int ms = 0;
        for (sim->EnableTrigger(0); ms < 10000 && sim->GetCaptureState(0, nullptr) != kCaptureComplete;
             ++ms) {
            clock.Advance(1);
        }
        EXPECT_NEAR(ms, recordMs, 1.0 + 1000.0 / row.hz);
    }
}

TEST_F(SimFlows, ALevelBeyondThePeaksOrAnExtSourceNeverTriggersNormalWaitsAutoForces) {
    for (int source : {kTrigCh1, kTrigExt}) {
        StartSim(SimConfig{});
        doc->SelectTriggerSource(source);
        // CH1: the top edge, above its peaks; EXT: CH1's 0 V, which only CH1 as the source would cross.
        doc->SetTriggerLevel(kCh1, source == kTrigCh1 ? 0.0f : doc->settings.ch(kCh1).zeroLevel);
        doc->SetSweep(kSweepNormal);
        Ticks(20);
        EXPECT_EQ(RunStatus(), kStatusWait) << source;
        EXPECT_NEAR(Measure(kMeasureVpp, kCh1), 0.0, 0.001) << source; // nothing captured yet
        doc->SetSweep(kSweepAuto);
        Ticks(20);
        EXPECT_EQ(RunStatus(), kStatusAuto) << source;
        EXPECT_NEAR(Measure(kMeasureVpp, kCh1), 2.0, 0.07) << source; // forced frames show the sine
    }
}

} // namespace
} // namespace tarnix
