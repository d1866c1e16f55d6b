// Autoset end to end: against the simulated instrument (known signals at the inputs) and against the
// demo source, driven one timer tick at a time with a fake clock.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "doc_fixture.h"
#include "../support/stub_driver.h"
#include "analysis/analysis_inputs.h"
#include "analysis/measure_set.h"
#include "document/autoset.h"
#include "document/tarnix_doc.h"
#include "simulator/sim_instrument.h"

namespace tarnix {
namespace {

constexpr SimSignal kSine1k2Vpp{SimShape::kSine, 1000.0, 2.0, 0.0, 0.0};
constexpr SimSignal kGroundedDc{SimShape::kDc, 1000.0, 0.0, 0.0, 0.0};

struct Rig {
    testing::CFakeClock clock;
    testing::CFakeRandom random;
    std::unique_ptr<CSimInstrument> sim;
    std::unique_ptr<CTarnixDoc> doc;
    std::unique_ptr<CAutoset> autoset;
    std::vector<std::string> texts;
    int closes = 0;
    int sidebarRefreshes = 0;
    std::vector<int> stepPerTick; // specialStep seen at the start of each tick

    // withSim false: no library, so the document runs in demo mode.
    explicit Rig(bool withSim, const SimConfig& config = SimConfig{}) {
        if (withSim) {
            sim = std::make_unique<CSimInstrument>(clock, config);
        }
        doc = std::make_unique<CTarnixDoc>(DocumentServices{sim.get(), &clock, &random, nullptr, nullptr});
        autoset = std::make_unique<CAutoset>(*doc);
        autoset->Attach();
        autoset->hooks.showProgress = [this](std::string_view text) { texts.emplace_back(text); };
        autoset->hooks.closeProgress = [this] { ++closes; };
        autoset->hooks.refreshSidebar = [this] { ++sidebarRefreshes; };
        doc->StartUp();
    }

    void Tick() {
        clock.Advance(30);
        doc->OnTick();
    }
    // Starts Autoset and ticks until it has finished; the number of ticks, or -1 past the limit.
    int RunAutoset(int limit = 200) {
        stepPerTick.clear();
        autoset->Start();
        for (int i = 1; i <= limit; ++i) {
            stepPerTick.push_back(doc->specialStep);
            Tick();
            if (doc->specialStep == kAutosetIdle) {
                return i;
            }
        }
        return -1;
    }
    int TicksIn(int step) const {
        return static_cast<int>(std::count(stepPerTick.begin(), stepPerTick.end(), step));
    }
    // A few normal ticks, then the peak-to-peak display span and cycles on screen of a channel.
    std::pair<int, int> SpanAndCycles(int channel) {
        for (int i = 0; i < 20; ++i) {
            Tick();
        }
        doc->SingleCapture();
        doc->measures.UpdateMeasurements(MeasureChannelsFrom(doc->settings, doc->frames));
        const auto& display = doc->frames[static_cast<std::size_t>(channel)].display;
        const auto [low, high] = std::minmax_element(display.begin(), display.end());
        return {*high - *low, doc->measures.CyclesOnScreen(channel)};
    }
    const ChannelSettings& Ch(int channel) const { return doc->settings.ch(channel); }
};

SimConfig Signals(const SimSignal& ch1, const SimSignal& ch2) {
    SimConfig config;
    config.signals = {ch1, ch2};
    return config;
}

// Whole cycles of a frequency on the 10 divisions of a time/div index (the selector is offset by 1).
double CyclesOnPaper(int timeDivIndex, double frequencyHz) {
    return 10.0 * TimePerDivTable(timeDivIndex + 1) * frequencyHz;
}

TEST(AutosetText, ListsFinishedStagesAndTheBusyOne) {
    EXPECT_EQ(AutosetProgressText(0), "Autoset CH1...");
    EXPECT_EQ(AutosetProgressText(1), "Autoset CH1... OK!\nAutoset CH2...");
    EXPECT_EQ(AutosetProgressText(2), "Autoset CH1... OK!\nAutoset CH2... OK!\nAutoset Horizontal...");
    EXPECT_EQ(AutosetProgressText(3), "Autoset CH1... OK!\nAutoset CH2... OK!\nAutoset Horizontal... OK!");
    EXPECT_EQ(AutosetProgressText(4),
              "Autoset CH1... OK!\nAutoset CH2... OK!\nAutoset Horizontal... OK!\nAutoset OK!");
    EXPECT_EQ(AutosetProgressText(-1), "");
    EXPECT_EQ(AutosetProgressText(5), "");
}

// Whatever the user left set, Autoset measures in Auto sweep with the 10k buffer in Y-T, and the
// instrument is told so before the first check capture.
using AutosetStartTest = testing::DocTest;

TEST_F(AutosetStartTest, StartsFromAutoSweepTenKBufferAndYT) {
    const struct {
        const char* name;
        void (*leave)(CTarnixDoc&);
    } cases[] = {
        {"Roll", [](CTarnixDoc& d) { d.SelectDisplayFormat(kFormatRoll); }},
        {"X-Y", [](CTarnixDoc& d) { d.SelectDisplayFormat(kFormatXY); }},
        {"Normal sweep", [](CTarnixDoc& d) { d.SetSweep(kSweepNormal); }},
        {"Single sweep, stopped", [](CTarnixDoc& d) {
             d.SetSweep(kSweepSingle);
             d.Stop();
         }},
        {"32k buffer", [](CTarnixDoc& d) { d.SetBufferSize(3); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        c.leave(*doc);
        const InstrumentSettings before = doc->settings;
        ASSERT_TRUE(before.timebase.displayFormat != kFormatYT || before.trigger.sweep != kSweepAuto ||
                    before.timebase.bufferSizeIndex != 0);
        CAutoset autoset(*doc);
        autoset.Attach();
        driver.calls.clear();
        autoset.Start();
        const InstrumentSettings& s = doc->settings;
        EXPECT_EQ(s.timebase.displayFormat, kFormatYT);
        EXPECT_EQ(s.trigger.sweep, kSweepAuto);
        EXPECT_EQ(s.timebase.bufferSizeIndex, 0);
        EXPECT_EQ(s.ch(kCh1).recordLength, 10240u);
        EXPECT_EQ(s.acquire.running, 1u);
        EXPECT_EQ(doc->link.block.bufferSizeIndex, 0);
        ASSERT_NE(driver.Last("SetTimebaseTrigger"), nullptr);
        EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[6], 0) << "buffer size sent";
    }
}

TEST(AutosetSim, SineOnCh1OnlyIsScaledAndTimedOnCh1) {
    Rig rig(true, Signals(kSine1k2Vpp, kGroundedDc));
    rig.doc->Stop(); // Autoset runs the acquisition itself
    ASSERT_GT(rig.RunAutoset(), 0);

    EXPECT_EQ(rig.doc->settings.acquire.running, 1u);
    // 2 Vpp is 12.8 codes at 5 V/div, 32 at 2 V/div, 64 at 1 V/div: the search from 8 stops at 6.
    EXPECT_EQ(rig.Ch(kCh1).voltsPerDivIndex, 6);
    EXPECT_TRUE(rig.autoset->SignalFound(kCh1));
    EXPECT_TRUE(rig.autoset->NoSignal(kCh2));
    EXPECT_EQ(rig.Ch(kCh2).voltsPerDivIndex, kAutosetNoSignalVoltsIndex);
    EXPECT_EQ(rig.Ch(kCh1).enabled, 1u);
    EXPECT_EQ(rig.Ch(kCh2).enabled, 0u);
    EXPECT_EQ(rig.doc->settings.trigger.triggerSource, kTrigCh1);

    const int timeDiv = rig.doc->settings.timebase.timeDivIndex;
    EXPECT_GE(CyclesOnPaper(timeDiv, 1000.0), 4.0);
    EXPECT_LE(CyclesOnPaper(timeDiv, 1000.0), 10.0 + 1e-9);

    // Positions and levels of the finish; the trace as it is then captured.
    EXPECT_EQ(rig.doc->settings.timebase.horizontalPosition, 250);
    EXPECT_EQ(rig.Ch(kCh1).zeroLevel, 64.0f);
    EXPECT_EQ(rig.doc->settings.trigger.levelCh1, 64.0f);
    EXPECT_EQ(rig.Ch(kCh2).zeroLevel, 192.0f);
    const auto [span, cycles] = rig.SpanAndCycles(kCh1);
    EXPECT_GE(span, kAutosetSpanMin);
    EXPECT_LE(span, kAutosetSpanMax);
    EXPECT_GE(cycles, kAutosetCyclesMin);
    EXPECT_LE(cycles, kAutosetCyclesMax);
}

TEST(AutosetSim, ProgressWindowShowsEachStepOnceAndCloses) {
    Rig rig(true, Signals(kSine1k2Vpp, kGroundedDc));
    ASSERT_GT(rig.RunAutoset(), 0);
    // CH2 gives up without a text of its own; the next tick catches up, so no step is skipped.
    std::vector<std::string> expected;
    for (int step = 0; step <= 4; ++step) {
        expected.push_back(AutosetProgressText(step));
    }
    EXPECT_EQ(rig.texts, expected);
    EXPECT_EQ(rig.closes, 1);
    EXPECT_GE(rig.sidebarRefreshes, 1);
    // Nine CH2 tries (steps 8..0) fail before the give-up: one tick each.
    EXPECT_EQ(rig.TicksIn(kAutosetCh2), 9);

    // Running it again waits the settle ticks again.
    const int first = static_cast<int>(rig.stepPerTick.size());
    EXPECT_EQ(rig.TicksIn(kAutosetSettle), kAutosetSettleTicks);
    EXPECT_EQ(rig.RunAutoset(), first);
    EXPECT_EQ(rig.TicksIn(kAutosetSettle), kAutosetSettleTicks);
    EXPECT_EQ(rig.closes, 2);
}

TEST(AutosetSim, SignalOnlyOnCh2MovesTheSourceToCh2AtItsZero) {
    Rig rig(true, Signals(kGroundedDc, kSine1k2Vpp));
    rig.doc->SelectTriggerSource(kTrigCh1);
    ASSERT_GT(rig.RunAutoset(), 0);

    EXPECT_EQ(rig.Ch(kCh1).enabled, 0u);
    EXPECT_EQ(rig.Ch(kCh2).enabled, 1u);
    EXPECT_EQ(rig.Ch(kCh1).voltsPerDivIndex, kAutosetNoSignalVoltsIndex);
    EXPECT_EQ(rig.Ch(kCh2).voltsPerDivIndex, 6);
    EXPECT_EQ(rig.doc->settings.trigger.triggerSource, kTrigCh2);
    EXPECT_EQ(rig.doc->link.block.triggerSource, kTrigCh2);
    EXPECT_EQ(rig.doc->settings.trigger.levelCh2, 192.0f);
    EXPECT_EQ(rig.doc->settings.trigger.levelCh2, rig.Ch(kCh2).zeroLevel);
    // The time base was searched on CH2.
    const int timeDiv = rig.doc->settings.timebase.timeDivIndex;
    EXPECT_GE(CyclesOnPaper(timeDiv, 1000.0), 4.0);
    EXPECT_LE(CyclesOnPaper(timeDiv, 1000.0), 10.0 + 1e-9);
}

TEST(AutosetSim, PureDcOnBothFindsNoSignalAndRestoresTheEnables) {
    SimSignal dc = kGroundedDc;
    dc.offsetVolts = 1.5; // blocked by the AC coupling Autoset selects
    Rig rig(true, Signals(dc, dc));
    rig.doc->SetChannelEnabled(kCh2, false);
    ASSERT_GT(rig.RunAutoset(), 0);

    EXPECT_TRUE(rig.autoset->NoSignal(kCh1));
    EXPECT_TRUE(rig.autoset->NoSignal(kCh2));
    EXPECT_EQ(rig.doc->settings.timebase.timeDivIndex, kAutosetNoSignalTimeDiv);
    EXPECT_EQ(rig.Ch(kCh1).enabled, 1u);
    EXPECT_EQ(rig.Ch(kCh2).enabled, 0u);
    EXPECT_EQ(rig.Ch(kCh1).voltsPerDivIndex, kAutosetNoSignalVoltsIndex);
    EXPECT_EQ(rig.Ch(kCh2).voltsPerDivIndex, kAutosetNoSignalVoltsIndex);
    EXPECT_EQ(rig.TicksIn(kAutosetTimebase), 1);
    EXPECT_EQ(rig.texts.back(), AutosetProgressText(4));

    // A signal that appears later is scaled and shown, but the time base stays off a channel that
    // once had none, until Factory Setup.
    rig.sim->SetSignal(kCh1, kSine1k2Vpp);
    ASSERT_GT(rig.RunAutoset(), 0);
    EXPECT_TRUE(rig.autoset->SignalFound(kCh1));
    EXPECT_TRUE(rig.autoset->NoSignal(kCh1));
    EXPECT_EQ(rig.doc->settings.timebase.timeDivIndex, kAutosetNoSignalTimeDiv);

    // Nothing found and both channels off before: the source still leaves CH1, for CH2 at its zero.
    rig.sim->SetSignal(kCh1, dc);
    rig.doc->SetChannelEnabled(kCh1, false);
    ASSERT_GT(rig.RunAutoset(), 0);
    EXPECT_EQ(rig.Ch(kCh1).enabled, 0u);
    EXPECT_EQ(rig.Ch(kCh2).enabled, 0u);
    EXPECT_EQ(rig.doc->settings.trigger.triggerSource, kTrigCh2);
    EXPECT_EQ(rig.doc->settings.trigger.levelCh2, rig.Ch(kCh2).zeroLevel);

    // Factory Setup clears the flags through the document's reset hook.
    rig.autoset->ResetNoSignalFlags();
    EXPECT_FALSE(rig.autoset->NoSignal(kCh1));
    EXPECT_FALSE(rig.autoset->NoSignal(kCh2));
}

// Each time-base try of a run: the candidate and the cycles it showed.
struct Try {
    int candidate;
    int cycles;
};

int Distance(int cycles) {
    return cycles < 4 ? 4 - cycles : (cycles > 10 ? cycles - 10 : 0);
}

// An instrument that captures a square wave of 64 codes (low first) whose half period depends on the
// time base, so that every time base shows fewer than 4 cycles: it fits vertically at the first step,
// and the search over 0..24 moves up through 12, 18, 21, 22, 23 and converges on 24 without a fit.
// 10000 samples fill the screen, so a half period h shows trunc(10000 / 2h) cycles: 1 for 3000, 2 for
// 2000, 3 for 1500. Base 21 is the nearest miss.
class CFastSquareDriver final : public testing::CStubDriver {
public:
    int ReadCapture(int, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* block, std::uint32_t,
                    int) override {
        const std::uint32_t length = BufferSizeRecordLength(block->bufferSizeIndex);
        const int t = block->timeDivIndex;
        const std::uint32_t half = t == 21 ? 1500 : (t == 18 || t == 22 || t < 12) ? 2000 : 3000;
        for (std::uint32_t k = 0; k < length; ++k) {
            ch1[k] = ch2[k] = (k / half) % 2 == 0 ? 96 : 160;
        }
        return 1;
    }
};

TEST(AutosetFake, SearchConvergingWithoutAFitKeepsTheNearestTry) {
    testing::CFakeClock clock;
    testing::CFakeRandom random;
    CFastSquareDriver driver;
    CTarnixDoc doc(DocumentServices{&driver, &clock, &random, nullptr, nullptr});
    ASSERT_EQ(doc.StartUp(), StartupResult::kConnected);
    CAutoset autoset(doc);
    autoset.Attach();

    std::vector<Try> tries;
    std::vector<int> settle;
    autoset.Start();
    for (int i = 0; i < 100 && doc.specialStep != kAutosetIdle; ++i) {
        const int step = doc.specialStep;
        clock.Advance(30);
        doc.OnTick();
        if (step == kAutosetTimebase) {
            tries.push_back({autoset.Candidate(), doc.measures.CyclesOnScreen(kCh1)});
        }
        if (step == kAutosetSettle) {
            settle.push_back(doc.settings.timebase.timeDivIndex);
        }
    }
    ASSERT_EQ(doc.specialStep, kAutosetIdle);
    EXPECT_EQ(doc.settings.ch(kCh1).voltsPerDivIndex, kAutosetFirstVoltsIndex);

    std::vector<int> candidates;
    int nearest = -1;
    int nearestDistance = 1 << 30;
    for (const Try& t : tries) {
        candidates.push_back(t.candidate);
        EXPECT_LT(t.cycles, 4) << "at candidate " << t.candidate;
        if (Distance(t.cycles) < nearestDistance) {
            nearestDistance = Distance(t.cycles);
            nearest = t.candidate;
        }
    }
    EXPECT_EQ(candidates, (std::vector<int>{12, 18, 21, 22, 23, 24}));
    ASSERT_EQ(settle.size(), static_cast<std::size_t>(kAutosetSettleTicks));
    EXPECT_EQ(nearest, 21);
    EXPECT_EQ(settle.front(), nearest);
    EXPECT_EQ(doc.settings.timebase.timeDivIndex, nearest);
}

TEST(AutosetDemo, DemoSignalsOnBothChannelsAreScaledAndTimed) {
    Rig rig(false);
    ASSERT_EQ(rig.doc->settings.demoMode, 1u);
    rig.doc->demo.SetSweep(false); // a fixed frequency, so the cycle count is the same every capture
    rig.doc->SetChannelEnabled(kCh2, false);
    ASSERT_GT(rig.RunAutoset(), 0);

    // The default 4 Vpp is trunc(4 / 5 x 32) = 25 codes at 5 V/div and 64 at 2 V/div.
    EXPECT_EQ(rig.Ch(kCh1).voltsPerDivIndex, 7);
    EXPECT_EQ(rig.Ch(kCh2).voltsPerDivIndex, 7);
    EXPECT_EQ(rig.Ch(kCh1).enabled, 1u);
    EXPECT_EQ(rig.Ch(kCh2).enabled, 1u);
    EXPECT_EQ(rig.doc->settings.trigger.triggerSource, kTrigCh1);
    EXPECT_EQ(rig.texts.back(), AutosetProgressText(4));

    const auto [span, cycles] = rig.SpanAndCycles(kCh1);
    EXPECT_GE(span, kAutosetSpanMin);
    EXPECT_LE(span, kAutosetSpanMax);
    EXPECT_GE(cycles, kAutosetCyclesMin);
    EXPECT_LE(cycles, kAutosetCyclesMax);
}

} // namespace
} // namespace tarnix
