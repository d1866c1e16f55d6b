// Autoset end to end against the simulated instrument and a scripted driver, one timer tick at a time.
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "../support/doc_fixture.h"
#include "document/autoset.h"

namespace tarnix {
namespace {

constexpr SimSignal kSine1k2Vpp{SimShape::kSine, 1000.0, 2.0, 0.0, 0.0};
constexpr SimSignal kGroundedDc{SimShape::kDc, 1000.0, 0.0, 0.0, 0.0};

class AutosetTest : public testing::DocTest {
protected:
    std::unique_ptr<CAutoset> autoset;
    std::vector<std::string> texts;
    int closes = 0;
    // Per tick: the step it started in, and the time-base candidate and time base it left.
    struct TickSeen {
        int step, candidate, timeDiv;
    };
    std::vector<TickSeen> ticks;

    void Attach() {
        autoset = std::make_unique<CAutoset>(*doc);
        autoset->Attach();
        autoset->hooks.showProgress = [this](std::string_view text) { texts.emplace_back(text); };
        autoset->hooks.closeProgress = [this] { ++closes; };
    }
    void StartSignals(const SimSignal& ch1, const SimSignal& ch2) {
        SimConfig config;
        config.signals = {ch1, ch2};
        StartSim(config);
        Attach();
    }
    // The number of ticks Autoset took, or -1 past the limit.
    int RunAutoset() {
        autoset->Start();
        ticks.clear();
        return TickUntil(
            [&, step = doc->specialStep]() mutable {
                ticks.push_back({step, autoset->Candidate(), doc->settings.timebase.timeDivIndex});
                step = doc->specialStep;
                return step == kAutosetIdle;
            },
            200);
    }
    std::vector<int> Seen(int step, int TickSeen::*field) const {
        std::vector<int> values;
        for (const TickSeen& t : ticks) {
            if (t.step == step) {
                values.push_back(t.*field);
            }
        }
        return values;
    }
};

// Whatever was set, Autoset measures in Auto sweep, 10k, Y-T, trigger at the left edge, sent first.
TEST_F(AutosetTest, StartsFromAutoSweepTenKBufferYTAndTheLeftEdge) {
    Start();
    Attach();
    doc->SelectDisplayFormat(kFormatRoll);
    doc->SetSweep(kSweepSingle);
    doc->SetBufferSize(3);
    doc->SetHorizontalPosition(300);
    driver.calls.clear();
    autoset->Start();
    const InstrumentSettings& s = doc->settings;
    EXPECT_EQ(std::tuple(s.timebase.displayFormat, s.trigger.sweep, Ch(kCh1).recordLength, s.acquire.running,
                         s.timebase.horizontalPosition),
              std::tuple(kFormatYT, kSweepAuto, 10240u, 1u, 0));
    ASSERT_NE(driver.Last("SetTimebaseTrigger"), nullptr);
    EXPECT_EQ(driver.Last("SetTimebaseTrigger")->args[6], 0) << "buffer size sent";
}

TEST_F(AutosetTest, SineOnCh1OnlyIsScaledAndTimedOnCh1AndTheProgressShowsEachStepOnce) {
    StartSignals(kSine1k2Vpp, kGroundedDc);
    doc->Stop(); // Autoset runs the acquisition itself
    const int ticks = RunAutoset();
    ASSERT_GT(ticks, 0);

    EXPECT_EQ(doc->settings.acquire.running, 1u);
    // 2 Vpp is 12.8 codes at 5 V/div, 32 at 2 V/div, 64 at 1 V/div: the search from 8 stops at 6.
    EXPECT_EQ(Ch(kCh1).voltsPerDivIndex, 6);
    EXPECT_TRUE(autoset->SignalFound(kCh1) && autoset->NoSignal(kCh2));
    EXPECT_EQ(Ch(kCh2).voltsPerDivIndex, kAutosetNoSignalVoltsIndex);
    EXPECT_EQ(Enables(), std::pair(1, 0));
    EXPECT_EQ(doc->settings.trigger.triggerSource, kTrigCh1);
    // 1 kHz shows 4..10 whole cycles on the 10 divisions (the selector is offset by 1).
    const double cycles = 10.0 * TimePerDivTable(doc->settings.timebase.timeDivIndex + 1) * 1000.0;
    EXPECT_TRUE(cycles >= 4.0 && cycles <= 10.0 + 1e-9) << cycles;
    EXPECT_EQ(std::tuple(doc->settings.timebase.horizontalPosition, Ch(kCh1).zeroLevel,
                         doc->settings.trigger.levelCh1, Ch(kCh2).zeroLevel),
              std::tuple(250, 64.0f, 64.0f, 192.0f));

    // CH2 gives up without a text of its own; the next tick catches up: each of five steps shows once.
    EXPECT_EQ(texts.size(), 5u);
    EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()).size(), 5u);
    EXPECT_EQ(closes, 1);
    // Nine CH2 tries (steps 8..0) fail before the give-up: one tick each.
    EXPECT_EQ(Seen(kAutosetCh2, &TickSeen::step).size(), 9u);
    // Running it again waits the settle ticks again.
    EXPECT_EQ(RunAutoset(), ticks);
    EXPECT_EQ(Seen(kAutosetSettle, &TickSeen::step).size(), std::size_t{kAutosetSettleTicks});
    EXPECT_EQ(closes, 2);
}

TEST_F(AutosetTest, SignalOnlyOnCh2MovesTheTriggerToCh2AndSwitchesCh1Off) {
    StartSignals(kGroundedDc, kSine1k2Vpp);
    ASSERT_GT(RunAutoset(), 0);
    EXPECT_EQ(doc->settings.trigger.triggerSource, kTrigCh2);
    EXPECT_EQ(Enables(), std::pair(0, 1));
    EXPECT_EQ(Ch(kCh2).voltsPerDivIndex, 6);
}

TEST_F(AutosetTest, PureDcOnBothFindsNoSignalAndRestoresTheEnables) {
    SimSignal dc = kGroundedDc;
    dc.offsetVolts = 1.5; // blocked by the AC coupling Autoset selects
    StartSignals(dc, dc);
    doc->SetChannelEnabled(kCh2, false);
    ASSERT_GT(RunAutoset(), 0);
    EXPECT_TRUE(autoset->NoSignal(kCh1) && autoset->NoSignal(kCh2));
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, kAutosetNoSignalTimeDiv);
    EXPECT_EQ(Enables(), std::pair(1, 0));
    EXPECT_EQ(Ch(kCh1).voltsPerDivIndex, kAutosetNoSignalVoltsIndex);
    EXPECT_EQ(Seen(kAutosetTimebase, &TickSeen::step).size(), 1u);

    autoset->ResetNoSignalFlags();
    EXPECT_FALSE(autoset->NoSignal(kCh1) || autoset->NoSignal(kCh2));
}

// A square wave of 64 codes whose half period depends on the time base, so that every time base shows
// fewer than 4 cycles: it fits vertically at the first step, and the search over 0..24 moves up through
// 12, 18, 21, 22, 23 and converges on 24 without a fit. 10000 samples fill the screen, so a half period h
// shows trunc(10000 / 2h) cycles: 1 for 3000, 2 for 2000, 3 for 1500. Base 21 is the nearest miss.
TEST_F(AutosetTest, SearchConvergingWithoutAFitKeepsTheNearestTry) {
    driver.idleState = kCaptureComplete;
    driver.sample = [](const HardwareBlock& block, int, std::uint32_t k) -> std::uint16_t {
        const int t = block.timeDivIndex;
        const std::uint32_t half = t == 21 ? 1500 : (t == 18 || t == 22 || t < 12) ? 2000 : 3000;
        return (k / half) % 2 == 0 ? 96 : 160;
    };
    ASSERT_EQ(Start(), StartupResult::kConnected);
    Attach();
    ASSERT_GT(RunAutoset(), 0);
    EXPECT_EQ(Ch(kCh1).voltsPerDivIndex, kAutosetFirstVoltsIndex);
    EXPECT_EQ(Seen(kAutosetTimebase, &TickSeen::candidate), (std::vector<int>{12, 18, 21, 22, 23, 24}));
    EXPECT_EQ(Seen(kAutosetSettle, &TickSeen::timeDiv), std::vector<int>(kAutosetSettleTicks, 21));
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 21);
}

} // namespace
} // namespace tarnix
