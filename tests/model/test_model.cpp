#include "model/instrument_settings.h"
#include "model/model_table.h"
#include "model/setting_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace tarnix {
namespace {

// What a channel shows: the probe multiplies the label; indexes outside the tables fall back (the value to
// 1 V, the label to the first entry, an unknown probe to x1). The remote tests read the scaled values.
TEST(VoltsPerDivTable, ProbeScalesTheLabel) {
    ChannelSettings channel;
    channel.probe = 1; // x10
    channel.voltsPerDivIndex = 12;
    EXPECT_EQ(ChannelVoltsPerDiv(channel), 10.0);
    const std::tuple<int, int, const char*> labels[] = {
        {6, 0, "1.00V"}, {0, 1, "100mV"}, {9, 3, "10.0kV"}, {10, 0, "10.0mV"}, {9, 4, "10.0V"}};
    for (const auto& [index, probe, label] : labels) {
        EXPECT_EQ(ProbeScaledLabel(index, probe), label) << index << " " << probe;
    }
    // The x10 list at the 1 V step is three entries on; past the list, nothing.
    EXPECT_EQ(std::tuple(ProbeVoltLabels(6 + 3), ProbeVoltLabels(19)), std::tuple("10.0V", ""));
}

// Beyond the tables; a model whose selector starts one entry later counts its indexes from there. The
// time base rules below find every label they name through TimeDivIndexOfLabel.
TEST(TimeAndBufferTables, MinuteLabelsAndNothingOutsideTheTables) {
    EXPECT_EQ(TimePerDivTable(39), 0.0);
    EXPECT_EQ(TimeDivIndexOfLabel("1.00min", 1), 31);
    EXPECT_EQ(TimeDivIndexOfLabel("40us", 0), -1);
    TimebaseSettings timebase;
    timebase.timeDivIndex = 38; // storable, but beyond the table with offset 1
    EXPECT_EQ(SecondsPerDiv(timebase), 0.0);
    EXPECT_EQ(BufferSizeRecordLength(7), 0u);
}

TEST(CodeVolts, ThirtyTwoCodesPerDivisionAroundTheZeroLevel) {
    ChannelSettings channel;
    channel.voltsPerDivIndex = 6;
    channel.zeroLevel = 64.0f; // 0 V at code 191
    EXPECT_EQ(std::tuple(CodeToVolts(channel, 191.0), CodeToVolts(channel, 159.0)), std::tuple(0.0, -1.0));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(std::tuple(VoltsToCode(channel, 1.0), VoltsToCode(channel, 1e300), VoltsToCode(channel, nan)),
              std::tuple(223, std::numeric_limits<int>::max(), 0));

    // The inverse truncates toward zero (0, not -1, and -1, not -2): at 0 V at code 0, codes stay negative.
    channel.zeroLevel = 255.0f;
    EXPECT_EQ(std::tuple(VoltsToCode(channel, 1.99 / 32.0), VoltsToCode(channel, -0.99 / 32.0),
                         VoltsToCode(channel, -1.99 / 32.0)),
              std::tuple(1, 0, -1));
    // A fractional zero level moves the offset before truncation: 255 - 127.5 = 127.5.
    channel.zeroLevel = 127.5f;
    EXPECT_EQ(std::tuple(VoltsToCode(channel, 0.0), VoltsToCode(channel, 0.5 / 32.0)), std::tuple(127, 128));
}

// A coupling outside DC, AC and GND changes nothing, also one that would wrap into range if cast first.
TEST(EnumeratedSetters, AChoiceOutsideTheListChangesNothing) {
    std::uint16_t coupling = 1;
    for (int value : {3, -1, -65535}) {
        EXPECT_FALSE(StoreIfInRange(coupling, EnumeratedField::kCoupling, value)) << value;
    }
    EXPECT_TRUE(StoreIfInRange(coupling, EnumeratedField::kCoupling, kCouplingGnd) &&
                coupling == kCouplingGnd);
}

TEST(BlockFields, ChannelCodeLevelsPositionAndTimeDivSteps) {
    // CH1 alone; the document's setter tests follow the other codes, the levels and the position.
    EXPECT_EQ(ChannelCode(true, false), 0);
    EXPECT_EQ(std::tuple(ZeroLevelToBlock(64.99f), ZeroLevelToBlock(std::numeric_limits<float>::quiet_NaN()),
                         HorizontalPositionToBlock(499)),
              std::tuple(64, 0, 99));
    EXPECT_EQ(std::tuple(StepTimeDivFaster(0), StepTimeDivFaster(1)), std::tuple(0, 0));
    // Offset 1: the last selector entry is 37; offset 0: 38.
    EXPECT_EQ(std::tuple(StepTimeDivSlower(36, 1), StepTimeDivSlower(37, 1), StepTimeDivSlower(37, 0),
                         StepTimeDivSlower(38, 0)),
              std::tuple(37, 37, 38, 38));
}

// What a fresh program shows: CH1 and CH2 on at 1.00V/div, 40.0us/div, Y-T, Auto sweep on CH1 rising;
// and Factory Setup brings back all of it.
TEST(FactoryDefaults, FreshDocumentForModelOneAndFactorySetupResettingAllItDefines) {
    const InstrumentSettings fresh;
    EXPECT_EQ(TimePerDivLabel(fresh.timebase.timeDivIndex + fresh.timebase.timeDivOffset), "40.0us");
    EXPECT_EQ(std::tuple(fresh.ch(kCh1).enabled, fresh.ch(kCh2).enabled, fresh.ch(kMath).enabled,
                         fresh.ch(kRef).enabled),
              std::tuple(1u, 1u, 0u, 0u));
    EXPECT_EQ(VoltsPerDivLabel(fresh.ch(kCh2).voltsPerDivIndex), "1.00V");
    EXPECT_EQ(std::tuple(fresh.timebase.displayFormat, fresh.trigger.sweep, fresh.trigger.triggerSource,
                         fresh.trigger.slope),
              std::tuple(kFormatYT, kSweepAuto, kTrigCh1, kSlopeRising));

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

// Every model opens at 40.0us/div; an unknown model is model 1.
TEST(ModelTable, EveryModelOpensAt40usAndUnknownModelsAreModelOne) {
    for (int m = 0; m < kModelCount; ++m) {
        SCOPED_TRACE(m);
        const ModelInfo& info = ModelTable(m);
        EXPECT_EQ(TimePerDivLabel(info.defaultTimeDivIndex + info.timeDivOffset), "40.0us");
        EXPECT_TRUE(IsBufferSizeOffered(m, 0) && !IsBufferSizeOffered(m, kBufferSizeCount))
            << "10k, not past";
    }
    EXPECT_TRUE(&ModelTable(6) == &ModelTable(1) && &ModelTable(-1) == &ModelTable(1));
}

constexpr int kOne = 0; // channel code: CH1 only
constexpr int kBoth = 2;

// Each part of model 1's table at its edges and under each source, then models 0 (capped at its fastest
// rate) and 2; the other models have no labels.
TEST(SamplingRateLabel, AtTheEdgesOfEachPartOfTheTable) {
    const std::tuple<int, int, int, int, int, const char*> rows[] = {
        {1, 1, 0, kOne, kTrigCh1, "150MS/s"},   {1, 10, 0, kBoth, kTrigCh1, "75MS/s"},
        {1, 12, 3, kBoth, kTrigCh1, "150MS/s"}, {1, 13, 0, kBoth, kTrigCh1, "25MS/s"},
        {1, 25, 2, kOne, kTrigCh1, "15KS/s"},   {1, 38, 0, kOne, kTrigCh1, "0.014S/s"},
        {1, 39, 0, 0, kTrigCh1, "0.00S/s"},     {0, 1, 0, kOne, kTrigCh1, "100MS/s"},
        {0, 14, 0, kOne, kTrigCh1, "10MS/s"},   {2, 10, 0, kBoth, kTrigCh1, "125MS/s"},
        {1, 5, 0, kBoth, kTrigCh2, "75MS/s"},   {1, 5, 0, kBoth, kTrigAlt, "150MS/s"},
        {1, 5, 0, 3, kTrigCh2, "150MS/s"},      {1, 0, 0, kOne, kTrigCh1, ""},
        {3, 5, 0, kOne, kTrigCh1, ""},          {4, 5, 0, kOne, kTrigCh1, ""},
        {6, 5, 0, kOne, kTrigCh1, ""},          {-1, 5, 0, kOne, kTrigCh1, ""}};
    for (const auto& [model, row, buffer, code, source, label] : rows) {
        EXPECT_EQ(SamplingRateLabel(model, row, buffer, code, source), label)
            << "model " << model << " row " << row << " buffer " << buffer << " code " << code << " source "
            << source;
    }
}

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

enum Origin { kMenu, kSidebar };

RuleDecision Request(Origin origin, const InstrumentSettings& s, const char* label, bool passFail = false) {
    return origin == kMenu ? TimebaseRequestFromMenu(s, Index(label), passFail)
                           : TimebaseRequestFromSidebar(s, Index(label), passFail);
}

void ExpectAccepted(const RuleDecision& d, const char* label) {
    EXPECT_FALSE(d.Refused()) << label << ": " << d.errorText;
    EXPECT_EQ(std::tuple(d.timeDivIndex, d.restoreSelector, d.redraw), std::tuple(Index(label), false, true));
}

void ExpectRefused(const RuleDecision& d, const std::string& text, bool restoresSelector) {
    EXPECT_EQ(std::string(d.errorText), text);
    EXPECT_EQ(std::tuple(d.timeDivIndex, d.displayFormat, d.bufferSizeIndex, d.restoreSelector),
              std::tuple(-1, -1, -1, restoresSelector));
}

// One channel here is CH1 alone, or both channels under the ALT source.
std::vector<Scenario> ChannelStates(int buffer, bool both) {
    return both ? std::vector<Scenario>{{.buffer = buffer}}
                : std::vector<Scenario>{{.buffer = buffer, .ch2 = false},
                                        {.buffer = buffer, .source = kTrigAlt}};
}

// Running: the sidebar refuses a time base outside the range and restores the selector; the menu refuses all.
TEST(TimebaseRequests, LargeBufferRangesWhileRunningAndRequestsThatChangeNothing) {
    const struct {
        int buffer;
        const char* name;
        bool both;
        const char* belowFirst; // one step faster than the range
        const char* first;
        const char* menuFirst;
    } cases[] = {
        {kBuffer32k, "32K", true, "20.0us", "40.0us", "40us"},
        {kBuffer32k, "32K", false, "10.0us", "20.0us", "20us"},
        {kBuffer64k, "64K", true, "20.0us", "40.0us", "40us"},
        {kBuffer64k, "64K", false, "20.0us", "40.0us", "40us"},
        {kBuffer512k, "512K", true, "200us", "400us", "400us"},
        {kBuffer512k, "512K", false, "100us", "200us", "200us"},
        {kBuffer1M, "1M", true, "200us", "400us", "400us"},
        {kBuffer1M, "1M", false, "200us", "400us", "400us"},
    };
    for (const auto& c : cases) {
        const std::string prefix = std::string(c.name) + " Points Mode Range:";
        const std::string sidebarText = prefix + c.first + "/div ~ 400ms/div";
        const std::string menuText = prefix + c.menuFirst + "/Div ~ 0.4s/Div";
        for (const Scenario& setup : ChannelStates(c.buffer, c.both)) {
            SCOPED_TRACE(sidebarText + " source " + std::to_string(setup.source));
            const InstrumentSettings s = Make(setup);
            ExpectRefused(Request(kSidebar, s, c.belowFirst), sidebarText, true);
            ExpectAccepted(Request(kSidebar, s, c.first), c.first);
            ExpectRefused(Request(kSidebar, s, "1.00s"), sidebarText, true);
            // A large record never rolls and never restarts from the selector.
            const RuleDecision in = Request(kSidebar, s, "400ms");
            ExpectAccepted(in, "400ms");
            EXPECT_EQ(std::tuple(in.displayFormat, in.restartCapture), std::tuple(-1, false));
            ExpectRefused(Request(kMenu, s, c.first), menuText, false);
        }
    }
    // The same index, or one outside the selector, changes nothing at any buffer.
    for (int buffer = 0; buffer < kBufferSizeCount; ++buffer) {
        const InstrumentSettings s = Make({.buffer = buffer, .timebase = "400ms"});
        for (const RuleDecision& d : {Request(kMenu, s, "400ms"), Request(kSidebar, s, "400ms"),
                                      TimebaseRequestFromMenu(s, 38, false), // row 39
                                      TimebaseRequestFromSidebar(s, -1, false)}) {
            EXPECT_TRUE(d.ChangesNothing()) << buffer;
        }
    }
}

constexpr int kKeep = -1;

// What a request sets outside the running ranges of the large buffers (timebase nullptr: nothing at all).
TEST(TimebaseRequests, RollYtAndPassFailAtTheOtherBuffers) {
    const Scenario roll{.timebase = "2.00s", .format = kFormatRoll};
    const Scenario stoppedRoll{.running = false, .timebase = "2.00s", .format = kFormatRoll};
    const struct {
        Scenario setup;
        Origin origin;
        const char* to;
        bool passFail;
        const char* timebase;
        int format;
        bool restart;
    } cases[] = {
        // 10k from the menu: slower than 400ms rolls, faster shows Y-T, also after X-Y; stopped, no format.
        {{}, kMenu, "1.00s", false, "1.00s", kFormatRoll, false},
        {{}, kMenu, "400ms", false, "400ms", kKeep, false},
        {roll, kMenu, "400ms", false, "400ms", kFormatYT, false},
        {roll, kMenu, "4.00s", false, "4.00s", kKeep, false},
        {{.format = kFormatXY}, kMenu, "200ms", false, "200ms", kFormatYT, false},
        {stoppedRoll, kMenu, "400ms", false, "400ms", kKeep, false},
        // The Pass/Fail window blocks rolling time bases in the menu.
        {{}, kMenu, "1.00s", true, nullptr, kKeep, false},
        {{.buffer = kBuffer32k}, kMenu, "1.00s", true, nullptr, kKeep, false},
        {{}, kMenu, "400ms", true, "400ms", kKeep, false},
        // 10k from the sidebar: leaving Roll above 20.0ms restarts the capture; Pass/Fail stops at 400ms.
        {{}, kSidebar, "1.00s", false, "1.00s", kFormatRoll, false},
        {{}, kSidebar, "2.00s", true, "400ms", kKeep, false},
        {roll, kSidebar, "40.0ms", false, "40.0ms", kFormatYT, true},
        {roll, kSidebar, "20.0ms", false, "20.0ms", kFormatYT, false},
        {roll, kSidebar, "4.00s", true, "400ms", kFormatYT, true},
        {stoppedRoll, kSidebar, "400ms", false, "400ms", kKeep, false},
        // Stopped, a large buffer takes any time base and keeps its format.
        {{.buffer = kBuffer32k, .running = false}, kMenu, "4.00ns", false, "4.00ns", kKeep, false},
        {{.buffer = kBuffer1M, .running = false}, kSidebar, "4.00ns", false, "4.00ns", kKeep, false},
        // 14k and 28k have no rules: the menu leaves the time base alone, the sidebar sets it.
        {{.buffer = kBuffer14k}, kMenu, "40.0us", false, nullptr, kKeep, false},
        {{.buffer = kBuffer28k}, kSidebar, "1.00h", false, "1.00h", kKeep, false},
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(row++);
        const RuleDecision d = Request(c.origin, Make(c.setup), c.to, c.passFail);
        if (c.timebase == nullptr) {
            EXPECT_TRUE(d.ChangesNothing());
            continue;
        }
        ExpectAccepted(d, c.timebase);
        EXPECT_EQ(std::tuple(d.displayFormat, d.restartCapture), std::tuple(c.format, c.restart));
    }
}

// What the run check (on Start) and the channel-enable check set; a row that keeps all changes nothing.
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
        EXPECT_EQ(std::tuple(d.bufferSizeIndex, d.timeDivIndex, d.displayFormat, d.errorText.empty()),
                  std::tuple(c.buffer, c.timebase ? Index(c.timebase) : -1, c.format, true));
    }
}
TEST(RecordLengthChecks, RunRollsSlowTenKAndMovesLargeBuffersIntoRangeChannelsHalveDoubleBuffers) {
    ExpectDecisions(
        RunRangeCheck,
        {
            // The document's Run tests follow 10k into and out of Roll and 32k to 40.0us.
            {{.timebase = "1.00s", .format = kFormatRoll}, kKeep, nullptr, kKeep},
            {{.timebase = "400ms"}, kKeep, nullptr, kKeep},
            {{.buffer = kBuffer32k, .ch2 = false, .timebase = "20.0us"}, kKeep, nullptr, kKeep},
            // 64k ignores the channel state.
            {{.buffer = kBuffer64k, .ch2 = false, .timebase = "20.0us"}, kKeep, "40.0us", kKeep},
            {{.buffer = kBuffer1M, .timebase = "1.00s", .format = kFormatRoll}, kKeep, "400us", kFormatYT},
            {{.buffer = kBuffer1M, .timebase = "400ms"}, kKeep, nullptr, kKeep},
            {{.buffer = kBuffer14k, .timebase = "1.00s"}, kKeep, nullptr, kKeep}, // no rules at 14k and 28k
        });
    const Scenario altOne{.buffer = kBuffer1M, .ch2 = false, .source = kTrigAlt, .timebase = "20.0us"};
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
            {altOne, kKeep, nullptr, kKeep},
            {{.buffer = kBuffer1M, .source = kTrigAlt, .timebase = "20.0us"}, kBuffer512k, "400us", kKeep},
            {{.buffer = kBuffer1M, .running = false, .timebase = "20.0us"}, kKeep, nullptr, kKeep},
            {{.source = kTrigAlt, .timebase = "20.0us"}, kKeep, nullptr, kKeep},
            {{.buffer = kBuffer28k, .timebase = "20.0us"}, kKeep, nullptr, kKeep},
        });
}

} // namespace
} // namespace tarnix
