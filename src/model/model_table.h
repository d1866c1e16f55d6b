// The instrument family's models and their capabilities, the sampling-rate label of the status strip, and
// the rules that tie a large record (buffer size) to the time bases it allows. All of it is pure: the menu,
// sidebar, knob and Run code ask these functions and carry out the decision they return.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tarnix {

struct InstrumentSettings;

inline constexpr int kModelCount = 6;

// Buffer size indexes of BufferSizeTable.
enum BufferSize : int {
    kBuffer10k = 0,
    kBuffer14k = 1,
    kBuffer28k = 2,
    kBuffer32k = 3,
    kBuffer64k = 4,
    kBuffer512k = 5,
    kBuffer1M = 6
};

// Rows of TimePerDivTable the rules refer to (a row is `timeDivIndex` + `timeDivOffset`).
inline constexpr int kRow20us = 12;
inline constexpr int kRow40us = 13;
inline constexpr int kRow200us = 15;
inline constexpr int kRow400us = 16;
inline constexpr int kRow400ms = 25;
inline constexpr int kRow1s = 26;

struct ModelInfo {
    int timeDivOffset = 1;
    int defaultTimeDivIndex = 12;
    std::uint32_t sampleCapacity = 0;     // samples per channel; 0: the model does not define one
    int calibrationLevelMax = -1;         // calibration data range 0..max; -1: none
    bool hasRateLabels = false;           // the status strip shows a sampling rate
    bool offersVolts10 = false;           // volts/div index 9 (10.0V)
    bool offersPulse = false;             // trigger mode Pulse
    bool offers2ns = false;               // time base 2.00ns
    bool offersEts = false;               // sampling mode ETS
    bool offersExt10 = false;             // trigger source EXT/10
    std::array<bool, 7> buffersOffered{}; // by buffer size index
};

// The row of a model; an index outside 0..5 gives the row of model 1, the model the program runs as.
const ModelInfo& ModelTable(int model);
std::uint32_t ModelSampleCapacity(int model); // 0 when the model defines none
bool IsBufferSizeOffered(int model, int bufferSizeIndex);
// No model offers Peak Detect; the menus always trim it.
inline constexpr bool kPeakDetectOffered = false;

// ---- Sampling-rate label -------------------------------------------------------------------------

// The label for table row `row` (`timeDivIndex` + offset) from the values in the hardware block: its
// buffer size index, channel code and trigger source word. "" at row 0 and for models without labels,
// "0.00S/s" for a row outside 0..38.
std::string_view SamplingRateLabel(int model, int row, int blockBufferSizeIndex, int blockChannelCode,
                                   int blockTriggerSource);

// ---- Record-length rules -------------------------------------------------------------------------

// Both channels, for the rules and the rate labels: channel code 2 (CH1 and CH2 on) and the trigger
// source is not ALT.
bool BothChannelsForRules(int channelCode, int triggerSource);
bool BothChannelsForRules(const InstrumentSettings& settings);

// Rows a buffer size allows while running; `valid` is false for sizes without a range (10k, 14k, 28k).
struct TimebaseRange {
    bool valid = false;
    int firstRow = 0;
    int lastRow = 0;
    bool Contains(int row) const { return valid && row >= firstRow && row <= lastRow; }
};
TimebaseRange RunningRange(int bufferSizeIndex, bool bothChannels);

// Which form a refusal message takes: the menus write "40us/Div ~ 0.4s/Div", the sidebar's selector,
// its step buttons and the knob write "40.0us/div ~ 400ms/div".
enum class RequestOrigin { kMenu, kSidebar };
// "" for sizes without a range.
std::string_view RangeMessage(int bufferSizeIndex, bool bothChannels, RequestOrigin origin);

inline constexpr std::string_view kErrorCaption = "Error";

// What the caller does, in this order: set the buffer size (through its setter), set the time base (its
// setter; a sidebar selects `timeDivIndex`), switch the display format, restart the capture, redraw.
// A refusal shows `errorText` in a message box captioned kErrorCaption and changes nothing else.
struct RuleDecision {
    int bufferSizeIndex = -1;     // -1: keep
    int timeDivIndex = -1;        // -1: keep
    int displayFormat = -1;       // -1: keep; else kFormatYT or kFormatRoll
    std::string_view errorText;   // not empty: refused
    bool restoreSelector = false; // the sidebar/knob puts its selector back on the current time base
    bool restartCapture = false;  // StartCapture, EnableTrigger, ForceTrigger, and clear the pacing wait
    bool redraw = false;

    bool Refused() const { return !errorText.empty(); }
    bool SetsTimebase() const { return timeDivIndex >= 0; }
    bool ChangesNothing() const {
        return bufferSizeIndex < 0 && timeDivIndex < 0 && displayFormat < 0 && errorText.empty() &&
               !restoreSelector && !restartCapture && !redraw;
    }
};

// A Horizontal/Time/DIV menu command asking for `timeDivIndex` (TimeDivIndexOfLabel of its label; -1, the
// current index, or anything slower than 400ms while the Pass/Fail window is open changes nothing).
// 10k: the time base is set; while running, slower than 400ms switches to Roll and a faster one to Y-T
// (from Roll or X-Y). 32k/64k/512k/1M: refused with the menu message while running, not even
// accepted within the range; set while stopped. 14k/28k: nothing changes.
RuleDecision TimebaseRequestFromMenu(const InstrumentSettings& settings, int timeDivIndex,
                                     bool passFailWindowOpen);
// The sidebar's time-base selector, its step buttons, or the time-base knob asking for `timeDivIndex`.
// Running with 32k/64k/512k/1M: out of the range refuses with the sidebar message and puts the selector
// back; in range it is set. Running with 10k: with the Pass/Fail window open, 1.00s and slower become
// 400ms; 1.00s and slower switch to Roll; leaving Roll for a position above 20 restarts the capture.
// Stopped, and 14k/28k: set without a test.
RuleDecision TimebaseRequestFromSidebar(const InstrumentSettings& settings, int timeDivIndex,
                                        bool passFailWindowOpen);
// Run: the current time base tested against the buffer's range (the caller is about to run, whatever
// `running` holds now). 10k: 1.00s and slower switch to Roll, faster takes Roll back to Y-T. Out of range:
// Roll goes back to Y-T and the time base becomes 40.0us (32k, 64k) or 400us (512k, 1M).
RuleDecision RunRangeCheck(const InstrumentSettings& settings);
// After the channel enables changed (and the block's channel code was derived from them). Only while
// running, and not with one channel on under the ALT source: 64k becomes 32k and 1M becomes 512k, and a
// time base outside 40.0us..400ms (32k, 64k) or 400us..400ms (512k, 1M) is set to the range's start.
RuleDecision ChannelEnablesApplied(const InstrumentSettings& settings);

} // namespace tarnix
