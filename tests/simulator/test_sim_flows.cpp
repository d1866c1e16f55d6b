// The simulated instrument behind the document, as a user of `make run` meets it: a known sine reads its
// own frequency and amplitude at every time base, buffer size and channel mode, a capture takes as long
// as the record it fills, ALT triggers each channel on itself, and the bandwidth limit takes 3 dB at 20 MHz.
#include <gtest/gtest.h>

#include <cmath>

#include "../document/doc_fixture.h"
#include "analysis/analysis_inputs.h"
#include "model/model_table.h"

namespace tarnix::testing {
namespace {

enum class Mode { kCh1, kBoth, kAlt };

class SimFlows : public DocTest {
protected:
    double Measure(int kind, int channel) {
        const auto channels = MeasureChannelsFrom(doc->settings, doc->frames);
        const MeasureChannel& c = channels[static_cast<std::size_t>(channel)];
        MeasureExtremes e = FindExtremes(c.trace);
        FindEdges(c.trace, e);
        return MeasureValue(kind, c, e, SecondsPerDiv(doc->settings.timebase)).value_or(-1.0);
    }
    // Milliseconds from the start of a capture until the instrument reports it complete.
    int CaptureMs() {
        sim->StartCapture(0);
        sim->EnableTrigger(0);
        int ms = 0;
        for (; ms < 10000 && sim->GetCaptureState(0, nullptr) != kCaptureComplete; ++ms) {
            clock.Advance(1);
        }
        return ms;
    }
};

TEST_F(SimFlows, KnownSinesReadTrueAtEveryTimeBaseBufferAndChannelMode) {
    const struct {
        const char* timeDiv;
        int buffer;
        Mode mode;
        bool bandwidthLimit;
        double hz; // CH1; CH2 runs 1.7 times faster
    } rows[] = {
        {"100ns", kBuffer10k, Mode::kCh1, false, 2.5e6},   {"100ns", kBuffer10k, Mode::kCh1, true, 20e6},
        {"4.00us", kBuffer10k, Mode::kBoth, false, 62.5e3}, {"4.00us", kBuffer10k, Mode::kAlt, false, 62.5e3},
        {"20.0us", kBuffer10k, Mode::kCh1, false, 12.5e3},  {"40.0us", kBuffer32k, Mode::kCh1, false, 6250},
        {"400us", kBuffer32k, Mode::kBoth, false, 625},     {"1.00ms", kBuffer64k, Mode::kBoth, false, 250},
        {"10.0ms", kBuffer10k, Mode::kCh1, false, 25},      {"10.0ms", kBuffer32k, Mode::kAlt, false, 25},
        {"100ms", kBuffer64k, Mode::kCh1, false, 2.5},
        // Roll: one display point per sample. A 1 Hz sine needs 25 points a cycle to read 1.00 Hz; the
        // slower time bases get one cycle per division.
        {"1.00s", kBuffer10k, Mode::kCh1, false, 1},        {"2.00s", kBuffer10k, Mode::kCh1, false, 1},
        {"4.00s", kBuffer10k, Mode::kCh1, false, 1},        {"10.0s", kBuffer10k, Mode::kCh1, false, 1},
        {"20.0s", kBuffer10k, Mode::kCh1, false, 1},        {"40.0s", kBuffer10k, Mode::kCh1, false, 1 / 40.0},
        {"1.00min", kBuffer10k, Mode::kCh1, false, 1 / 60.0}, {"4.00min", kBuffer10k, Mode::kCh1, false, 1 / 240.0},
        {"1.00h", kBuffer10k, Mode::kCh1, false, 1 / 3600.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.timeDiv);
        SimConfig config;
        config.signals = {SimSignal{SimShape::kSine, row.hz, 2.0, 0.0, 0.0},
                          SimSignal{SimShape::kSine, row.hz * 1.7, 2.0, 0.0, 0.0}};
        StartSim(config);
        doc->Stop();
        doc->SetBufferSize(row.buffer);
        doc->SetChannelEnabled(kCh2, row.mode != Mode::kCh1);
        doc->SelectTriggerSource(row.mode == Mode::kAlt ? kTrigAlt : kTrigCh1);
        doc->SetBandwidthLimit(kCh1, row.bandwidthLimit);
        doc->SetTimeDiv(TimeDivIndexOfLabel(row.timeDiv, doc->settings.timebase.timeDivOffset));
        doc->Run();
        const bool roll = doc->settings.timebase.displayFormat == kFormatRoll;
        ASSERT_EQ(roll, row.hz <= 1);
        // A Roll screen fills at its own pace; a Y-T screen after a few captures.
        const std::uint32_t captures = sim->CaptureCount(0) + 3;
        for (int i = 0; i < 5000 && (roll ? doc->frames[kCh1].rollPosition < 5000 : sim->CaptureCount(0) < captures);
             ++i) {
            clock.Advance(roll ? 100000 : 30);
            doc->OnTick();
        }
        EXPECT_NEAR(Measure(kMeasureFrequency, kCh1), row.hz, row.hz * 0.005);
        EXPECT_NEAR(Measure(kMeasureVpp, kCh1), row.bandwidthLimit ? std::sqrt(2.0) : 2.0, 0.06);
        if (row.mode != Mode::kCh1) {
            EXPECT_NEAR(Measure(kMeasureFrequency, kCh2), row.hz * 1.7, row.hz * 1.7 * 0.005);
        }
        if (row.mode == Mode::kAlt && doc->settings.timebase.timeDivIndex <= 10) {
            // Each channel is captured alone and triggered by itself: in frame after frame both rise
            // through 0 V at the trigger point in the middle of the screen.
            for (int frame = 0; frame < 2; ++frame) {
                const std::uint32_t count = sim->CaptureCount(0);
                ASSERT_GT(TickUntil([&] { return sim->CaptureCount(0) > count; }), 0);
                for (int c : {kCh1, kCh2}) {
                    const auto& trace = doc->frames[static_cast<std::size_t>(c)].display;
                    const double zero = 255.0 - doc->settings.ch(c).zeroLevel;
                    EXPECT_LT(trace[2450], zero) << c;
                    EXPECT_GT(trace[2550], zero) << c;
                }
            }
        }
        if (!roll) {
            const double recordMs = doc->settings.ch(kCh1).recordLength * 10.0 *
                                    SecondsPerDiv(doc->settings.timebase) / doc->frames[kCh1].span * 1000.0;
            EXPECT_NEAR(CaptureMs(), recordMs, 1.0 + 1000.0 / row.hz);
        }
    }
}

} // namespace
} // namespace tarnix::testing
