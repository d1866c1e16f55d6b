#include "model/instrument_settings.h"
#include "model/model_table.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace tarnix {
namespace {

// Model 1 lists the time bases from 4.00ns, so a label's selector index is its table row - 1.
int Index(const char* label) {
    const int index = TimeDivIndexOfLabel(label, 1);
    EXPECT_GE(index, 0) << label;
    return index;
}

struct Scenario {
    int buffer = kBuffer10k;
    bool ch1 = true;
    bool ch2 = true;
    int source = kTrigCh1;
    bool running = true;
    const char* timebase = "1.00ms";
    int format = kFormatYT;
};

InstrumentSettings Make(const Scenario& setup) {
    InstrumentSettings s;
    ApplyFactoryDefaults(s);
    s.timebase.bufferSizeIndex = static_cast<std::uint16_t>(setup.buffer);
    s.ch(kCh1).enabled = setup.ch1 ? 1 : 0;
    s.ch(kCh2).enabled = setup.ch2 ? 1 : 0;
    s.trigger.triggerSource = static_cast<std::uint16_t>(setup.source);
    s.acquire.running = setup.running ? 1 : 0;
    s.timebase.timeDivIndex = static_cast<std::uint16_t>(Index(setup.timebase));
    s.timebase.displayFormat = static_cast<std::uint16_t>(setup.format);
    return s;
}

void ExpectAccepted(const RuleDecision& d, const char* label) {
    EXPECT_FALSE(d.Refused()) << label << ": " << d.errorText;
    EXPECT_EQ(d.timeDivIndex, Index(label));
    EXPECT_FALSE(d.restoreSelector);
    EXPECT_TRUE(d.redraw);
}

void ExpectRefused(const RuleDecision& d, const std::string& text, bool restoresSelector) {
    EXPECT_EQ(std::string(d.errorText), text);
    EXPECT_EQ(d.timeDivIndex, -1);
    EXPECT_EQ(d.displayFormat, -1);
    EXPECT_EQ(d.bufferSizeIndex, -1);
    EXPECT_EQ(d.restoreSelector, restoresSelector);
}

TEST(RangeMessage, SizesWithoutRange) {
    for (bool both : {true, false}) {
        for (int buffer : {0, 1, 2, 7, -1}) {
            EXPECT_EQ(RangeMessage(buffer, both, RequestOrigin::kMenu), "");
            EXPECT_EQ(RangeMessage(buffer, both, RequestOrigin::kSidebar), "");
            EXPECT_FALSE(RunningRange(buffer, both).valid);
        }
    }
    EXPECT_EQ(kErrorCaption, "Error");
}

// Each large buffer's running range, seen from the sidebar and from the menu, for both channel states.
struct RangeCase {
    int buffer;
    bool both;
    const char* belowFirst; // one step faster than the range
    const char* first;
    const char* sidebarText;
    const char* menuText;
};

const RangeCase kRangeCases[] = {
    {kBuffer32k, true, "20.0us", "40.0us", "32K Points Mode Range:40.0us/div ~ 400ms/div",
     "32K Points Mode Range:40us/Div ~ 0.4s/Div"},
    {kBuffer32k, false, "10.0us", "20.0us", "32K Points Mode Range:20.0us/div ~ 400ms/div",
     "32K Points Mode Range:20us/Div ~ 0.4s/Div"},
    {kBuffer64k, true, "20.0us", "40.0us", "64K Points Mode Range:40.0us/div ~ 400ms/div",
     "64K Points Mode Range:40us/Div ~ 0.4s/Div"},
    {kBuffer64k, false, "20.0us", "40.0us", "64K Points Mode Range:40.0us/div ~ 400ms/div",
     "64K Points Mode Range:40us/Div ~ 0.4s/Div"},
    {kBuffer512k, true, "200us", "400us", "512K Points Mode Range:400us/div ~ 400ms/div",
     "512K Points Mode Range:400us/Div ~ 0.4s/Div"},
    {kBuffer512k, false, "100us", "200us", "512K Points Mode Range:200us/div ~ 400ms/div",
     "512K Points Mode Range:200us/Div ~ 0.4s/Div"},
    {kBuffer1M, true, "200us", "400us", "1M Points Mode Range:400us/div ~ 400ms/div",
     "1M Points Mode Range:400us/Div ~ 0.4s/Div"},
    {kBuffer1M, false, "200us", "400us", "1M Points Mode Range:400us/div ~ 400ms/div",
     "1M Points Mode Range:400us/Div ~ 0.4s/Div"},
};

// One channel here is CH1 alone, or both channels under the ALT source.
std::vector<Scenario> ChannelStates(int buffer, bool both) {
    Scenario setup;
    setup.buffer = buffer;
    setup.timebase = "1.00ms";
    if (both) {
        return {setup};
    }
    Scenario onlyCh1 = setup;
    onlyCh1.ch2 = false;
    Scenario onlyCh2 = setup;
    onlyCh2.ch1 = false;
    onlyCh2.source = kTrigCh2;
    Scenario alt = setup;
    alt.source = kTrigAlt;
    return {onlyCh1, onlyCh2, alt};
}

TEST(TimebaseFromSidebar, LargeBufferRangeBoundariesWhileRunning) {
    for (const RangeCase& c : kRangeCases) {
        for (const Scenario& setup : ChannelStates(c.buffer, c.both)) {
            SCOPED_TRACE(std::string(BufferSizeLabel(c.buffer)) + (c.both ? " both" : " one") + " source " +
                         std::to_string(setup.source));
            const InstrumentSettings s = Make(setup);
            ExpectRefused(TimebaseRequestFromSidebar(s, Index(c.belowFirst), false), c.sidebarText, true);
            ExpectAccepted(TimebaseRequestFromSidebar(s, Index(c.first), false), c.first);
            ExpectAccepted(TimebaseRequestFromSidebar(s, Index("400ms"), false), "400ms");
            ExpectRefused(TimebaseRequestFromSidebar(s, Index("1.00s"), false), c.sidebarText, true);
            ExpectRefused(TimebaseRequestFromSidebar(s, Index("4.00ns"), false), c.sidebarText, true);
            // A large record never rolls and never restarts from the selector.
            const RuleDecision in = TimebaseRequestFromSidebar(s, Index("400ms"), false);
            EXPECT_EQ(in.displayFormat, -1);
            EXPECT_FALSE(in.restartCapture);
        }
    }
}

TEST(TimebaseFromMenu, LargeBufferWhileRunningIsAlwaysRefusedWithTheMenuText) {
    for (const RangeCase& c : kRangeCases) {
        for (const Scenario& setup : ChannelStates(c.buffer, c.both)) {
            SCOPED_TRACE(std::string(BufferSizeLabel(c.buffer)) + (c.both ? " both" : " one"));
            const InstrumentSettings s = Make(setup);
            ExpectRefused(TimebaseRequestFromMenu(s, Index(c.belowFirst), false), c.menuText, false);
            ExpectRefused(TimebaseRequestFromMenu(s, Index(c.first), false), c.menuText, false);
            ExpectRefused(TimebaseRequestFromMenu(s, Index("400ms"), false), c.menuText, false);
        }
    }
}

TEST(TimebaseRequests, StoppedLargeBufferTakesAnyTimebase) {
    for (int buffer : {kBuffer32k, kBuffer64k, kBuffer512k, kBuffer1M}) {
        Scenario setup;
        setup.buffer = buffer;
        setup.running = false;
        const InstrumentSettings s = Make(setup);
        for (const char* label : {"4.00ns", "20.0us", "400ms", "1.00s", "1.00h"}) {
            SCOPED_TRACE(label);
            const RuleDecision menu = TimebaseRequestFromMenu(s, Index(label), false);
            ExpectAccepted(menu, label);
            EXPECT_EQ(menu.displayFormat, -1);
            ExpectAccepted(TimebaseRequestFromSidebar(s, Index(label), false), label);
        }
    }
}

TEST(TimebaseRequests, FourteenAndTwentyEightKHaveNoRules) {
    for (int buffer : {kBuffer14k, kBuffer28k}) {
        for (bool running : {true, false}) {
            Scenario setup;
            setup.buffer = buffer;
            setup.running = running;
            const InstrumentSettings s = Make(setup);
            EXPECT_TRUE(TimebaseRequestFromMenu(s, Index("40.0us"), false).ChangesNothing());
            const RuleDecision sidebar = TimebaseRequestFromSidebar(s, Index("1.00h"), false);
            ExpectAccepted(sidebar, "1.00h");
            EXPECT_EQ(sidebar.displayFormat, -1);
            EXPECT_TRUE(RunRangeCheck(s).ChangesNothing());
            EXPECT_TRUE(ChannelEnablesApplied(s).ChangesNothing());
        }
    }
}

TEST(TimebaseRequests, SameIndexOrOutsideTheSelectorChangesNothing) {
    for (int buffer = 0; buffer < kBufferSizeCount; ++buffer) {
        Scenario setup;
        setup.buffer = buffer;
        setup.timebase = "400ms";
        const InstrumentSettings s = Make(setup);
        EXPECT_TRUE(TimebaseRequestFromMenu(s, Index("400ms"), false).ChangesNothing());
        EXPECT_TRUE(TimebaseRequestFromSidebar(s, Index("400ms"), false).ChangesNothing());
        EXPECT_TRUE(TimebaseRequestFromMenu(s, 38, false).ChangesNothing()); // row 39
        EXPECT_TRUE(TimebaseRequestFromSidebar(s, -1, false).ChangesNothing());
    }
}

TEST(TimebaseFromMenu, TenKSwitchesRollAndBack) {
    Scenario setup;
    InstrumentSettings s = Make(setup);
    RuleDecision d = TimebaseRequestFromMenu(s, Index("1.00s"), false);
    ExpectAccepted(d, "1.00s");
    EXPECT_EQ(d.displayFormat, kFormatRoll);

    s.timebase.timeDivIndex = static_cast<std::uint16_t>(Index("1.00s"));
    s.timebase.displayFormat = kFormatRoll;
    d = TimebaseRequestFromMenu(s, Index("400ms"), false);
    ExpectAccepted(d, "400ms");
    EXPECT_EQ(d.displayFormat, kFormatYT);
    EXPECT_FALSE(d.restartCapture);

    // A fast time base chosen in X-Y shows it in Y-T.
    s.timebase.displayFormat = kFormatXY;
    d = TimebaseRequestFromMenu(s, Index("200ms"), false);
    ExpectAccepted(d, "200ms");
    EXPECT_EQ(d.displayFormat, kFormatYT);

    // Stopped: the time base changes, the format does not.
    s.acquire.running = 0;
    d = TimebaseRequestFromMenu(s, Index("400ms"), false);
    ExpectAccepted(d, "400ms");
    EXPECT_EQ(d.displayFormat, -1);
}

TEST(TimebaseFromMenu, PassFailWindowBlocksRollingTimebases) {
    for (int buffer : {kBuffer10k, kBuffer32k}) {
        for (bool running : {true, false}) {
            Scenario setup;
            setup.buffer = buffer;
            setup.running = running;
            const InstrumentSettings s = Make(setup);
            EXPECT_TRUE(TimebaseRequestFromMenu(s, Index("1.00s"), true).ChangesNothing());
        }
    }
    Scenario setup;
    const InstrumentSettings s = Make(setup);
    ExpectAccepted(TimebaseRequestFromMenu(s, Index("400ms"), true), "400ms");
}

TEST(TimebaseFromSidebar, TenKRollRestartAndPassFail) {
    Scenario scenario;
    InstrumentSettings s = Make(scenario);

    RuleDecision d = TimebaseRequestFromSidebar(s, Index("1.00s"), false);
    ExpectAccepted(d, "1.00s");
    EXPECT_EQ(d.displayFormat, kFormatRoll);
    EXPECT_FALSE(d.restartCapture);

    // With the Pass/Fail window open the selector stops at 400ms.
    d = TimebaseRequestFromSidebar(s, Index("2.00s"), true);
    ExpectAccepted(d, "400ms");
    EXPECT_EQ(d.displayFormat, -1);
    EXPECT_FALSE(d.restartCapture); // Y-T already: nothing to restart

    // Leaving Roll for a selector position above 20 (40.0ms on) restarts the capture; 20.0ms does not.
    s.timebase.displayFormat = kFormatRoll;
    s.timebase.timeDivIndex = static_cast<std::uint16_t>(Index("2.00s"));
    ASSERT_EQ(Index("20.0ms"), 20);
    for (const char* label : {"40.0ms", "400ms"}) {
        d = TimebaseRequestFromSidebar(s, Index(label), false);
        ExpectAccepted(d, label);
        EXPECT_EQ(d.displayFormat, kFormatYT);
        EXPECT_TRUE(d.restartCapture) << label;
    }
    d = TimebaseRequestFromSidebar(s, Index("20.0ms"), false);
    EXPECT_EQ(d.displayFormat, kFormatYT);
    EXPECT_FALSE(d.restartCapture);
    d = TimebaseRequestFromSidebar(s, Index("4.00s"), true); // Pass/Fail pulls Roll back to 400ms
    ExpectAccepted(d, "400ms");
    EXPECT_EQ(d.displayFormat, kFormatYT);
    EXPECT_TRUE(d.restartCapture);

    // Stopped: no format change, no restart.
    s.acquire.running = 0;
    d = TimebaseRequestFromSidebar(s, Index("400ms"), false);
    ExpectAccepted(d, "400ms");
    EXPECT_EQ(d.displayFormat, -1);
    EXPECT_FALSE(d.restartCapture);
}

// What the run check (on Start) and the channel-enable check make of a record-length setup: the buffer, time
// base and format they set (kKeep / nullptr: kept). A row that keeps all three changes nothing.
constexpr int kKeep = -1;

struct CheckCase {
    Scenario setup;
    int buffer;
    const char* timebase;
    int format;
};

template <typename Check> void ExpectDecisions(Check check, std::initializer_list<CheckCase> cases) {
    int row = 0;
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(row++);
        const RuleDecision d = check(Make(c.setup));
        if (c.buffer == kKeep && c.timebase == nullptr && c.format == kKeep) {
            EXPECT_TRUE(d.ChangesNothing());
            continue;
        }
        EXPECT_EQ(d.bufferSizeIndex, c.buffer);
        EXPECT_EQ(d.timeDivIndex, c.timebase ? Index(c.timebase) : -1);
        EXPECT_EQ(d.displayFormat, c.format);
        EXPECT_TRUE(d.errorText.empty());
    }
}

TEST(RunRangeCheck, RollForSlowTenKAndTheSafeTimebaseForLargeBuffers) {
    ExpectDecisions(
        RunRangeCheck,
        {
            {{.timebase = "1.00s"}, kKeep, nullptr, kFormatRoll},
            {{.timebase = "1.00s", .format = kFormatRoll}, kKeep, nullptr, kKeep},
            {{.timebase = "400ms", .format = kFormatRoll}, kKeep, nullptr, kFormatYT},
            {{.timebase = "400ms"}, kKeep, nullptr, kKeep},
            {{.buffer = kBuffer32k, .timebase = "20.0us"}, kKeep, "40.0us", kKeep},
            {{.buffer = kBuffer32k, .ch2 = false, .timebase = "20.0us"}, kKeep, nullptr, kKeep},
            // 64k ignores the channel state.
            {{.buffer = kBuffer64k, .ch2 = false, .timebase = "20.0us"}, kKeep, "40.0us", kKeep},
            {{.buffer = kBuffer512k, .ch2 = false, .timebase = "200us"}, kKeep, nullptr, kKeep},
            {{.buffer = kBuffer512k, .timebase = "200us"}, kKeep, "400us", kKeep},
            {{.buffer = kBuffer1M, .timebase = "1.00s", .format = kFormatRoll}, kKeep, "400us", kFormatYT},
            {{.buffer = kBuffer1M, .timebase = "400ms"}, kKeep, nullptr, kKeep},
        });
}

TEST(ChannelEnablesApplied, HalvesTheDoubleBuffersAndKeepsTheRange) {
    ExpectDecisions(
        ChannelEnablesApplied,
        {
            {{.buffer = kBuffer1M}, kBuffer512k, nullptr, kKeep},
            {{.buffer = kBuffer1M, .timebase = "200us"}, kBuffer512k, "400us", kKeep},
            {{.buffer = kBuffer64k, .timebase = "20.0us"}, kBuffer32k, "40.0us", kKeep},
            // Even with one channel on (and a channel source) the 40us floor applies.
            {{.buffer = kBuffer32k, .ch2 = false, .timebase = "20.0us"}, kKeep, "40.0us", kKeep},
            {{.buffer = kBuffer512k, .ch2 = false, .timebase = "1.00s"}, kKeep, "400us", kKeep},
            {{.buffer = kBuffer512k, .ch2 = false, .timebase = "400ms"}, kKeep, nullptr, kKeep},
            // Skipped for one channel under ALT, applied for both; skipped while stopped and at 10k.
            {{.buffer = kBuffer1M, .ch2 = false, .source = kTrigAlt, .timebase = "20.0us"},
             kKeep,
             nullptr,
             kKeep},
            {{.buffer = kBuffer1M, .source = kTrigAlt, .timebase = "20.0us"}, kBuffer512k, "400us", kKeep},
            {{.buffer = kBuffer1M, .running = false, .timebase = "20.0us"}, kKeep, nullptr, kKeep},
            {{.source = kTrigAlt, .timebase = "20.0us"}, kKeep, nullptr, kKeep},
        });
}

} // namespace
} // namespace tarnix
