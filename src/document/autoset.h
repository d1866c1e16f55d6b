// Autoset: finds a volts/div step for CH1 and CH2 at which the signal spans a good part of the screen,
// then a time base that shows 4 to 10 cycles, and leaves trigger and positions at fixed values. It runs
// as a state machine on the document's specialStep, one step per timer tick in place of the capture.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarnix {

class CTarnixDoc;

// specialStep values while Autoset runs (-1 when it does not).
enum AutosetStep : std::int32_t {
    kAutosetIdle = -1,
    kAutosetCh1 = 0,
    kAutosetCh2 = 1,
    kAutosetTimebase = 2,
    kAutosetSettle = 3,
    kAutosetFinish = 4,
};

// A channel "has a signal" at a volts/div step when its highest minus lowest display code lies here.
inline constexpr int kAutosetSpanMin = 61;
inline constexpr int kAutosetSpanMax = 139;
// The time base fits when this many whole cycles are on the screen.
inline constexpr int kAutosetCyclesMin = 4;
inline constexpr int kAutosetCyclesMax = 10;
// The vertical check captures at the first time base and, when that does not fit, at the second.
inline constexpr int kAutosetCheckTimeDiv = 10;
inline constexpr int kAutosetSecondCheckTimeDiv = 19;
inline constexpr int kAutosetFirstVoltsIndex = 8;    // 5.00V
inline constexpr int kAutosetNoSignalVoltsIndex = 6; // 1.00V
inline constexpr int kAutosetNoSignalTimeDiv = 12;
inline constexpr int kAutosetSearchHigh = 24;
inline constexpr int kAutosetSettleTicks = 10;

// The progress window's text for a step 0..4: lines joined by '\n'; "" for any other value.
std::string AutosetProgressText(int step);

// What Autoset needs from the windows; every member may stay empty.
struct AutosetHooks {
    // Shows the progress window (created on the first call, centred on the view) with this text.
    std::function<void(std::string_view text)> showProgress;
    // Hides and destroys the progress window.
    std::function<void()> closeProgress;
    // The channel enables changed: bring the sidebar into step.
    std::function<void()> refreshSidebar;
};

class CAutoset {
public:
    // Evaluates the document's own measurement set (its extreme-value cascade and cycle count), so the
    // measurement texts on the screen follow the captures Autoset makes. The document must outlive it.
    explicit CAutoset(CTarnixDoc& doc);
    CAutoset(const CAutoset&) = delete;
    CAutoset& operator=(const CAutoset&) = delete;

    AutosetHooks hooks;

    // Points the document's autosetTick and autosetFinish hooks at this object.
    void Attach();

    // The Auto Setup command: Run when stopped, then the start of the state machine (step 0).
    void Start();
    // One step 0..3 (the document calls it once per tick while specialStep is 0..3).
    void Tick();
    // Step 4: channels with a signal on, positions and levels, trigger source on a channel that is on.
    void Finish();

    bool Running() const;
    // Factory Setup clears these.
    void ResetNoSignalFlags();

    bool SignalFound(int channel) const;
    bool NoSignal(int channel) const;
    int VoltsStep() const { return voltsStep_; }
    int Candidate() const { return candidate_; }
    int SearchLow() const { return low_; }
    int SearchHigh() const { return high_; }
    int SettleCount() const { return settleCount_; }
    // The step whose text the progress window shows now (-1 before the first text).
    int ShownStep() const { return shownStep_; }

private:
    // Captures at time/div 10 and, when that does not fit, at 19; true when the span fits.
    bool VerticalCheck(int channel);
    // One capture and the measurement evaluation on CH1, CH2 and MATH.
    void CaptureAndMeasure();
    int Span(int channel) const;
    void VerticalStep(int channel);
    void TimebaseStep();
    void LeaveVertical(int channel, bool fitted);
    void EnterStep(int step, bool showText);
    void ShowText(int step);

    CTarnixDoc& doc_;

    int voltsStep_ = kAutosetFirstVoltsIndex;
    int candidate_ = 0;
    int low_ = 0;
    int high_ = kAutosetSearchHigh;
    int settleCount_ = 0;
    std::array<std::uint32_t, 2> savedEnables_{};
    std::array<bool, 2> found_{};
    std::array<bool, 2> noSignal_{};
    // The candidate whose cycle count came closest to 4..10, for a search that converges without a fit.
    int bestCandidate_ = kAutosetNoSignalTimeDiv;
    int bestDistance_ = -1;
    int shownStep_ = -1;
};

} // namespace tarnix
