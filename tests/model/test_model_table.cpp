#include "model/instrument_settings.h"
#include "model/model_table.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace tarnix {
namespace {

TEST(ModelTable, Rows) {
    const struct {
        int offset, defaultIndex;
        std::uint32_t capacity;
        int calibrationMax;
        bool labels, ext10;
        const char* buffers; // offered buffer sizes by index, 10k..1M
    } expected[] = {{1, 12, 65536, 10, true, false, "1001100"},  {1, 12, 65536, 10, true, true, "1001100"},
                    {1, 12, 1048576, 20, true, true, "1000011"}, {1, 12, 0, -1, false, true, "1111111"},
                    {0, 13, 0, -1, false, false, "1110000"},     {0, 13, 0, -1, false, true, "1000011"}};
    for (int m = 0; m < kModelCount; ++m) {
        SCOPED_TRACE(m);
        const ModelInfo& info = ModelTable(m);
        EXPECT_EQ(info.timeDivOffset, expected[m].offset);
        EXPECT_EQ(info.defaultTimeDivIndex, expected[m].defaultIndex);
        EXPECT_EQ(ModelSampleCapacity(m), expected[m].capacity);
        EXPECT_EQ(info.calibrationLevelMax, expected[m].calibrationMax);
        EXPECT_EQ(info.hasRateLabels, expected[m].labels);
        EXPECT_EQ(info.offersExt10, expected[m].ext10);
        std::string buffers;
        for (int b = 0; b < kBufferSizeCount; ++b) {
            buffers += IsBufferSizeOffered(m, b) ? '1' : '0';
        }
        EXPECT_EQ(buffers, expected[m].buffers);
        EXPECT_FALSE(IsBufferSizeOffered(m, -1));
        EXPECT_FALSE(IsBufferSizeOffered(m, kBufferSizeCount));
        EXPECT_EQ(TimePerDivLabel(info.defaultTimeDivIndex + info.timeDivOffset), "40.0us");
        // The fast-model capabilities go together.
        const bool fast = m >= 4;
        EXPECT_EQ(info.offersVolts10, fast);
        EXPECT_EQ(info.offersPulse, fast);
        EXPECT_EQ(info.offers2ns, fast);
        EXPECT_EQ(info.offersEts, fast);
    }
    EXPECT_EQ(&ModelTable(6), &ModelTable(1));
    EXPECT_EQ(&ModelTable(-1), &ModelTable(1));
}

constexpr int kOne = 0; // channel code: CH1 only
constexpr int kBoth = 2;

// Each part of model 1's table at its edges, then models 0 and 2 (0 is capped at its fastest rate);
// ALT samples one channel at a time.
TEST(SamplingRateLabel, AtTheEdgesOfEachPartOfTheTable) {
    struct Row {
        int model, row, buffer, code;
        const char* label;
    };
    const Row rows[] = {
        {1, 1, 0, kOne, "150MS/s"},   {1, 1, 3, kBoth, "75MS/s"},   {1, 10, 6, kOne, "150MS/s"},
        {1, 10, 0, kBoth, "75MS/s"},  {1, 11, 0, kOne, "75MS/s"},   {1, 12, 0, kBoth, "50MS/s"},
        {1, 12, 3, kBoth, "150MS/s"}, {1, 12, 5, kOne, "150MS/s"},  {1, 13, 0, kBoth, "25MS/s"},
        {1, 13, 3, kOne, "75MS/s"},   {1, 13, 1, kBoth, "150MS/s"}, {1, 25, 0, kBoth, "2.5KS/s"},
        {1, 25, 3, kBoth, "7.5KS/s"}, {1, 25, 2, kOne, "15KS/s"},   {1, 26, 0, kBoth, "50S/s"},
        {1, 38, 0, kOne, "0.014S/s"}, {1, -1, 0, 0, "0.00S/s"},     {1, 39, 0, 0, "0.00S/s"},
        {0, 1, 0, kOne, "100MS/s"},   {0, 10, 0, kBoth, "50MS/s"},  {0, 11, 0, kOne, "50MS/s"},
        {0, 12, 3, kOne, "100MS/s"},  {0, 14, 0, kOne, "10MS/s"},   {2, 1, 0, kOne, "250MS/s"},
        {2, 10, 0, kBoth, "125MS/s"}};
    for (const auto& r : rows) {
        EXPECT_EQ(SamplingRateLabel(r.model, r.row, r.buffer, r.code, kTrigCh1), r.label)
            << "model " << r.model << " row " << r.row << " buffer " << r.buffer << " code " << r.code;
    }
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, kBoth, kTrigCh2), "75MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, kBoth, kTrigExt), "75MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, kBoth, kTrigAlt), "150MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, 3, kTrigCh2), "150MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 0, 0, kOne, kTrigCh1), "");
    for (int model : {3, 4, 6, -1}) {
        EXPECT_EQ(SamplingRateLabel(model, 5, 0, kOne, kTrigCh1), "") << model;
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

// One channel here is CH1 alone, or both channels under the ALT source.
std::vector<Scenario> ChannelStates(int buffer, bool both) {
    if (both) {
        return {{.buffer = buffer}};
    }
    return {{.buffer = buffer, .ch2 = false}, {.buffer = buffer, .source = kTrigAlt}};
}

// Each large buffer's running range, for both channel states: the sidebar refuses a time base outside it
// and puts the selector back; the menu refuses every time base while running.
TEST(TimebaseRequests, LargeBufferRangesWhileRunning) {
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
            SCOPED_TRACE(sidebarText + (c.both ? " both" : " one") + " source " +
                         std::to_string(setup.source));
            const InstrumentSettings s = Make(setup);
            ExpectRefused(Request(kSidebar, s, c.belowFirst), sidebarText, true);
            ExpectAccepted(Request(kSidebar, s, c.first), c.first);
            ExpectRefused(Request(kSidebar, s, "1.00s"), sidebarText, true);
            // A large record never rolls and never restarts from the selector.
            const RuleDecision in = Request(kSidebar, s, "400ms");
            ExpectAccepted(in, "400ms");
            EXPECT_EQ(in.displayFormat, -1);
            EXPECT_FALSE(in.restartCapture);
            ExpectRefused(Request(kMenu, s, c.first), menuText, false);
        }
    }
}

TEST(TimebaseRequests, SameIndexOrOutsideTheSelectorChangesNothing) {
    for (int buffer = 0; buffer < kBufferSizeCount; ++buffer) {
        const InstrumentSettings s = Make({.buffer = buffer, .timebase = "400ms"});
        EXPECT_TRUE(Request(kMenu, s, "400ms").ChangesNothing());
        EXPECT_TRUE(Request(kSidebar, s, "400ms").ChangesNothing());
        EXPECT_TRUE(TimebaseRequestFromMenu(s, 38, false).ChangesNothing()); // row 39
        EXPECT_TRUE(TimebaseRequestFromSidebar(s, -1, false).ChangesNothing());
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
        EXPECT_EQ(d.displayFormat, c.format);
        EXPECT_EQ(d.restartCapture, c.restart);
    }
}

// The buffer, time base and format the run check (on Start) and the channel-enable check set (kKeep,
// nullptr: kept); a row that keeps all three changes nothing.
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
            {{.buffer = kBuffer14k, .timebase = "1.00s"}, kKeep, nullptr, kKeep}, // no rules at 14k and 28k
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
            {{.buffer = kBuffer28k, .timebase = "20.0us"}, kKeep, nullptr, kKeep},
        });
}

} // namespace
} // namespace tarnix
