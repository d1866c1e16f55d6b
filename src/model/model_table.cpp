// Models, sampling-rate labels and the record-length rules.
#include "model/model_table.h"

#include "model/instrument_settings.h"
#include "model/setting_rules.h"

#include <initializer_list>

namespace tarnix {

namespace {

constexpr std::array<bool, 7> Buffers(std::initializer_list<int> offered) {
    std::array<bool, 7> result{};
    for (int index : offered) {
        result[static_cast<std::size_t>(index)] = true;
    }
    return result;
}

// Models 0..3 have 4.00ns as their fastest time base (offset 1); models 4 and 5 reach 2.00ns.
const std::array<ModelInfo, kModelCount> kModels = {{
    {1, 12, 65536, 10, true, false, false, false, false, false,
     Buffers({kBuffer10k, kBuffer32k, kBuffer64k})},
    {1, 12, 65536, 10, true, false, false, false, false, true, Buffers({kBuffer10k, kBuffer32k, kBuffer64k})},
    {1, 12, 1048576, 20, true, false, false, false, false, true,
     Buffers({kBuffer10k, kBuffer512k, kBuffer1M})},
    {1, 12, 0, -1, false, false, false, false, false, true, Buffers({0, 1, 2, 3, 4, 5, 6})},
    {0, 13, 0, -1, false, true, true, true, true, false, Buffers({kBuffer10k, kBuffer14k, kBuffer28k})},
    {0, 13, 0, -1, false, true, true, true, true, true, Buffers({kBuffer10k, kBuffer512k, kBuffer1M})},
}};

// Rows 12..25 by buffer column: 10k, 32k, any other size. The rate follows from the record length spread
// over the ten divisions, so it is the same for every model until the model's fastest rate caps it.
constexpr int kFirstBufferRow = 12;
constexpr int kLastBufferRow = 25;
constexpr std::array<std::array<std::string_view, 3>, kLastBufferRow - kFirstBufferRow + 1> kBufferRates = {{
    {"50MS/s", "150MS/s", "150MS/s"},
    {"25MS/s", "75MS/s", "150MS/s"},
    {"10MS/s", "25MS/s", "50MS/s"},
    {"5MS/s", "10MS/s", "25MS/s"},
    {"2.5MS/s", "7.5MS/s", "10MS/s"},
    {"1MS/s", "3MS/s", "6MS/s"},
    {"500KS/s", "1.5MS/s", "3MS/s"},
    {"250KS/s", "750KS/s", "1.5MS/s"},
    {"100KS/s", "300KS/s", "600KS/s"},
    {"50KS/s", "150KS/s", "300KS/s"},
    {"25KS/s", "75KS/s", "150KS/s"},
    {"10KS/s", "30KS/s", "60KS/s"},
    {"5KS/s", "15KS/s", "30KS/s"},
    {"2.5KS/s", "7.5KS/s", "15KS/s"},
}};

constexpr int kFirstSlowRow = 26;
constexpr std::array<std::string_view, 13> kSlowRates = {
    "50S/s",   "25S/s",   "12.5S/s",  "5S/s",     "2.5S/s",   "1.25S/s", "0.83S/s",
    "0.42S/s", "0.21S/s", "0.083S/s", "0.042S/s", "0.021S/s", "0.014S/s"};

// The fast rows 1..10 (one channel / both), and row 11, where both rates coincide.
struct FastRates {
    std::string_view oneChannel;
    std::string_view bothChannels;
    double oneChannelSamplesPerSecond;
};

FastRates FastRatesOf(int model) {
    switch (model) {
    case 0:
        return {"100MS/s", "50MS/s", 100e6};
    case 2:
        return {"250MS/s", "125MS/s", 250e6};
    default:
        return {"150MS/s", "75MS/s", 150e6};
    }
}

bool IsLargeBuffer(int bufferSizeIndex) {
    return bufferSizeIndex == kBuffer32k || bufferSizeIndex == kBuffer64k || bufferSizeIndex == kBuffer512k ||
           bufferSizeIndex == kBuffer1M;
}

int Row(const InstrumentSettings& settings, int timeDivIndex) {
    return timeDivIndex + static_cast<int>(settings.timebase.timeDivOffset);
}

int IndexOfRow(const InstrumentSettings& settings, int row) {
    return row - static_cast<int>(settings.timebase.timeDivOffset);
}

// A request the selector cannot hold is ignored by every caller.
bool IsSelectable(const InstrumentSettings& settings, int timeDivIndex) {
    return timeDivIndex >= 0 && Row(settings, timeDivIndex) < kTimePerDivCount;
}

bool IsRoll(const InstrumentSettings& settings) {
    return settings.timebase.displayFormat == kFormatRoll;
}

} // namespace

const ModelInfo& ModelTable(int model) {
    if (model < 0 || model >= kModelCount) {
        model = 1;
    }
    return kModels[static_cast<std::size_t>(model)];
}

std::uint32_t ModelSampleCapacity(int model) {
    return ModelTable(model).sampleCapacity;
}

bool IsBufferSizeOffered(int model, int bufferSizeIndex) {
    if (bufferSizeIndex < 0 || bufferSizeIndex >= kBufferSizeCount) {
        return false;
    }
    return ModelTable(model).buffersOffered[static_cast<std::size_t>(bufferSizeIndex)];
}

std::string_view SamplingRateLabel(int model, int row, int blockBufferSizeIndex, int blockChannelCode,
                                   int blockTriggerSource) {
    if (!ModelTable(model).hasRateLabels || model < 0 || model >= kModelCount) {
        return {};
    }
    if (row < 0 || row >= kTimePerDivCount) {
        return "0.00S/s";
    }
    if (row == 0) {
        return {};
    }
    const FastRates fast = FastRatesOf(model);
    if (row <= 10) {
        return BothChannelsForRules(blockChannelCode, blockTriggerSource) ? fast.bothChannels
                                                                          : fast.oneChannel;
    }
    if (row == 11) {
        return fast.bothChannels;
    }
    if (row <= kLastBufferRow) {
        const std::size_t column = blockBufferSizeIndex == kBuffer10k   ? 0
                                   : blockBufferSizeIndex == kBuffer32k ? 1
                                                                        : 2;
        const std::string_view label = kBufferRates[static_cast<std::size_t>(row - kFirstBufferRow)][column];
        // A slower model cannot sample faster than its one-channel rate.
        if (label == "150MS/s" && fast.oneChannelSamplesPerSecond < 150e6) {
            return fast.oneChannel;
        }
        return label;
    }
    return kSlowRates[static_cast<std::size_t>(row - kFirstSlowRow)];
}

bool BothChannelsForRules(int channelCode, int triggerSource) {
    return channelCode == 2 && triggerSource != kTrigAlt;
}

bool BothChannelsForRules(const InstrumentSettings& settings) {
    return BothChannelsForRules(ChannelCode(settings.ch(kCh1).enabled != 0, settings.ch(kCh2).enabled != 0),
                                settings.trigger.triggerSource);
}

TimebaseRange RunningRange(int bufferSizeIndex, bool bothChannels) {
    switch (bufferSizeIndex) {
    case kBuffer32k:
        return {true, bothChannels ? kRow40us : kRow20us, kRow400ms};
    case kBuffer64k:
        return {true, kRow40us, kRow400ms};
    case kBuffer512k:
        return {true, bothChannels ? kRow400us : kRow200us, kRow400ms};
    case kBuffer1M:
        return {true, kRow400us, kRow400ms};
    default:
        return {};
    }
}

std::string_view RangeMessage(int bufferSizeIndex, bool bothChannels, RequestOrigin origin) {
    const bool menu = origin == RequestOrigin::kMenu;
    switch (bufferSizeIndex) {
    case kBuffer32k:
        if (menu) {
            return bothChannels ? "32K Points Mode Range:40us/Div ~ 0.4s/Div"
                                : "32K Points Mode Range:20us/Div ~ 0.4s/Div";
        }
        return bothChannels ? "32K Points Mode Range:40.0us/div ~ 400ms/div"
                            : "32K Points Mode Range:20.0us/div ~ 400ms/div";
    case kBuffer64k:
        return menu ? "64K Points Mode Range:40us/Div ~ 0.4s/Div"
                    : "64K Points Mode Range:40.0us/div ~ 400ms/div";
    case kBuffer512k:
        if (menu) {
            return bothChannels ? "512K Points Mode Range:400us/Div ~ 0.4s/Div"
                                : "512K Points Mode Range:200us/Div ~ 0.4s/Div";
        }
        return bothChannels ? "512K Points Mode Range:400us/div ~ 400ms/div"
                            : "512K Points Mode Range:200us/div ~ 400ms/div";
    case kBuffer1M:
        return menu ? "1M Points Mode Range:400us/Div ~ 0.4s/Div"
                    : "1M Points Mode Range:400us/div ~ 400ms/div";
    default:
        return {};
    }
}

RuleDecision TimebaseRequestFromMenu(const InstrumentSettings& settings, int timeDivIndex,
                                     bool passFailWindowOpen) {
    RuleDecision decision;
    if (!IsSelectable(settings, timeDivIndex) || timeDivIndex == settings.timebase.timeDivIndex) {
        return decision;
    }
    const int row = Row(settings, timeDivIndex);
    if (row > kRow400ms && passFailWindowOpen) {
        return decision;
    }
    const int buffer = settings.timebase.bufferSizeIndex;
    const bool running = settings.acquire.running != 0;
    if (buffer == kBuffer10k) {
        decision.timeDivIndex = timeDivIndex;
        if (running) {
            // Slow time bases only make sense rolling; a fast one is shown in Y-T, also after X-Y.
            if (row > kRow400ms && !IsRoll(settings)) {
                decision.displayFormat = kFormatRoll;
            } else if (row <= kRow400ms && settings.timebase.displayFormat != kFormatYT) {
                decision.displayFormat = kFormatYT;
            }
        }
        decision.redraw = true;
        return decision;
    }
    if (!IsLargeBuffer(buffer)) {
        return decision; // 14k and 28k: the menus leave the time base alone
    }
    if (running) {
        decision.errorText = RangeMessage(buffer, BothChannelsForRules(settings), RequestOrigin::kMenu);
        return decision;
    }
    decision.timeDivIndex = timeDivIndex; // zooms the stopped frame
    decision.redraw = true;
    return decision;
}

RuleDecision TimebaseRequestFromSidebar(const InstrumentSettings& settings, int timeDivIndex,
                                        bool passFailWindowOpen) {
    RuleDecision decision;
    if (!IsSelectable(settings, timeDivIndex) || timeDivIndex == settings.timebase.timeDivIndex) {
        return decision;
    }
    const int buffer = settings.timebase.bufferSizeIndex;
    const bool running = settings.acquire.running != 0;
    if (running && IsLargeBuffer(buffer)) {
        const bool both = BothChannelsForRules(settings);
        if (!RunningRange(buffer, both).Contains(Row(settings, timeDivIndex))) {
            decision.errorText = RangeMessage(buffer, both, RequestOrigin::kSidebar);
            decision.restoreSelector = true;
            return decision;
        }
    } else if (running && buffer == kBuffer10k) {
        // Pass/Fail cannot test a rolling trace, so the selector stops at 400ms while its window is open.
        if (passFailWindowOpen && Row(settings, timeDivIndex) >= kRow1s) {
            timeDivIndex = IndexOfRow(settings, kRow400ms);
        }
        if (Row(settings, timeDivIndex) >= kRow1s) {
            if (!IsRoll(settings)) {
                decision.displayFormat = kFormatRoll;
            }
        } else if (IsRoll(settings)) {
            decision.displayFormat = kFormatYT;
            // Leaving Roll for a slow Y-T time base: start a capture at once instead of waiting for the
            // pacing of the old one.
            if (timeDivIndex > 20) {
                decision.restartCapture = true;
            }
        }
    }
    decision.timeDivIndex = timeDivIndex;
    decision.redraw = true;
    return decision;
}

RuleDecision RunRangeCheck(const InstrumentSettings& settings) {
    RuleDecision decision;
    const int buffer = settings.timebase.bufferSizeIndex;
    const int row = Row(settings, settings.timebase.timeDivIndex);
    if (buffer == kBuffer10k) {
        if (row >= kRow1s && !IsRoll(settings)) {
            decision.displayFormat = kFormatRoll;
        } else if (row < kRow1s && IsRoll(settings)) {
            decision.displayFormat = kFormatYT;
        }
        return decision;
    }
    if (!IsLargeBuffer(buffer) || RunningRange(buffer, BothChannelsForRules(settings)).Contains(row)) {
        return decision;
    }
    if (IsRoll(settings)) {
        decision.displayFormat = kFormatYT;
    }
    const int safeRow = (buffer == kBuffer32k || buffer == kBuffer64k) ? kRow40us : kRow400us;
    decision.timeDivIndex = IndexOfRow(settings, safeRow);
    return decision;
}

RuleDecision ChannelEnablesApplied(const InstrumentSettings& settings) {
    RuleDecision decision;
    if (settings.acquire.running == 0) {
        return decision;
    }
    const bool ch1 = settings.ch(kCh1).enabled != 0;
    const bool ch2 = settings.ch(kCh2).enabled != 0;
    if (ch1 != ch2 && settings.trigger.triggerSource == kTrigAlt) {
        return decision;
    }
    const int row = Row(settings, settings.timebase.timeDivIndex);
    int safeRow = 0;
    switch (settings.timebase.bufferSizeIndex) {
    case kBuffer64k:
        decision.bufferSizeIndex = kBuffer32k;
        [[fallthrough]];
    case kBuffer32k:
        safeRow = kRow40us;
        break;
    case kBuffer1M:
        decision.bufferSizeIndex = kBuffer512k;
        [[fallthrough]];
    case kBuffer512k:
        safeRow = kRow400us;
        break;
    default:
        return decision;
    }
    // The two-channel range of the (new) buffer: the one that holds whatever is switched on later.
    if (row < safeRow || row > kRow400ms) {
        decision.timeDivIndex = IndexOfRow(settings, safeRow);
    }
    return decision;
}

} // namespace tarnix
