// Automatic measurements: up to eight items, each a kind of measurement on CH1, CH2 or MATH, evaluated
// from the 5000-point display traces and turned into the texts drawn at the bottom of the screen.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarnix {

inline constexpr int kMeasureSlotCount = 8;
inline constexpr int kMeasureSourceCount = 3; // CH1, CH2, MATH
inline constexpr int kMeasureKindCount = 20;
inline constexpr int kMeasureTracePoints = 5000;
inline constexpr int kMeasureHysteresis = 6; // levels either side of the mid level for edge detection

enum MeasureKind : std::uint16_t {
    kMeasureVpp = 0,
    kMeasureVmax = 1,
    kMeasureVmin = 2,
    kMeasureVamp = 3,
    kMeasureVtop = 4,
    kMeasureVmid = 5,
    kMeasureVbase = 6,
    kMeasureVmean = 7,
    kMeasureVcmean = 8,
    kMeasureVrms = 9,
    kMeasureVpshoot = 10,
    kMeasureVnshoot = 11,
    kMeasurePeriod = 12,
    kMeasureFrequency = 13,
    kMeasureRiseTime = 14,
    kMeasureFallTime = 15,
    kMeasurePosDuty = 16,
    kMeasureNegDuty = 17,
    kMeasurePosWidth = 18,
    kMeasureNegWidth = 19,
};

// The label that starts a measurement's text ("Vpp = "); "" for a kind outside 0..19.
std::string_view MeasureLabel(int kind);

// One source as the evaluation sees it. The trace holds screen levels (0 bottom .. 255 top): the 5000
// points of the screen, or the part of them that holds data (a filling Roll screen); an empty or
// longer trace is treated like a channel that is off.
struct MeasureChannel {
    bool enabled = false;
    double voltsPerDiv = 1.0; // including the probe factor
    double zeroLevel = 128.0; // code scale from the top edge: 0 V sits at level 255 - zeroLevel
    std::span<const std::int16_t> trace;
};

struct MeasureSlot {
    std::uint32_t used = 0;
    std::uint16_t source = 0; // 0 CH1, 1 CH2, 2 MATH
    std::uint16_t kind = 0;
};

// Per source: the extreme-value cascade and the edges of the first full cycle.
struct MeasureExtremes {
    std::array<std::int16_t, 5> high{};  // high[0] is the maximum, high[4] the "top"
    std::array<std::int16_t, 5> low{};   // low[0] is the minimum, low[4] the "base"
    std::array<std::int16_t, 3> edges{}; // rising e1, falling e2, rising e3; all 0 without a full cycle
};

// Whether a measured trace touches the top or the bottom edge of the screen: its value is then
// doubtful, and the screen and the remote control say so.
struct MeasureClip {
    bool top = false;
    bool bottom = false;
    bool Any() const { return top || bottom; }
    bool operator==(const MeasureClip&) const = default;
};
MeasureClip ClipOf(const MeasureExtremes& extremes);

// One text to draw: top-left corner in pixels, the channel colour (0x00RRGGBB), and the clipping mark.
struct MeasureTextItem {
    std::string_view text;
    int x = 0;
    int y = 0;
    std::uint32_t colour = 0;
    MeasureClip clip;
};

inline constexpr std::string_view kMeasureFontFace = "Arial";
inline constexpr int kMeasureFontHeight = 15;
inline constexpr int kMeasureFontWeight = 400;

class CMeasureSet {
public:
    CMeasureSet();

    // All slots free, every text "*****", no items.
    void ClearMeasures();
    // Stores the source for items added from now on; values outside 0..2 are ignored.
    void SetMeasureSource(int source);
    int GetMeasureSource() const { return source_; }
    // Adds an item on the current source. The ninth item pushes out the oldest, so the newest is last.
    void AddMeasure(int kind);
    // Restores the items of a loaded setup. The count is clamped to 0..8; the slots below it become used,
    // the others free; a source outside 0..2 or a kind outside 0..19 reads as 0. Texts read "*****"
    // until the next evaluation. The measurement source goes through SetMeasureSource.
    void RestoreMeasures(int itemCount, int source, const std::array<MeasureSlot, kMeasureSlotCount>& slots);

    // The evaluation itself (also called directly by Autoset): cascade, edges and the slot texts.
    void UpdateMeasurements(const std::array<MeasureChannel, kMeasureSourceCount>& channels);

    // 255 - (half the peak-to-peak plus the minimum) for channel 0 or 1, on the zero-level scale; 0.0
    // for any other channel. Used by the trigger "50%" command.
    double MidLevel(int channel) const;
    // Whole cycles of the first full cycle's length that fit on the screen; 0 without a cycle.
    int CyclesOnScreen(int channel) const;

    // The texts to draw for the used slots in slot order, placed in the plot rectangle with
    // W = right - left and H = bottom - top (integer division throughout). Returns the count written.
    int LayoutTexts(int left, int top, int right, int bottom,
                    const std::array<std::uint32_t, kMeasureSourceCount>& colours,
                    std::array<MeasureTextItem, kMeasureSlotCount>& items) const;

    int ItemCount() const { return itemCount_; }
    double SecondsPerDiv() const { return secondsPerDiv_; }
    void SetSecondsPerDiv(double secondsPerDiv) { secondsPerDiv_ = secondsPerDiv; }
    const std::string& Text(int slot) const;
    // The clipping of the trace a slot's value was taken from; none for a "*****" value.
    MeasureClip Clip(int slot) const;
    MeasureSlot Slot(int slot) const;
    const MeasureExtremes& Extremes(int source) const;

private:
    void Evaluate(int slot, const MeasureChannel& channel, const MeasureExtremes& extremes);

    std::uint16_t itemCount_ = 0;
    double secondsPerDiv_ = 0.0;
    std::array<std::string, kMeasureSlotCount> texts_;
    std::array<MeasureClip, kMeasureSlotCount> clips_{};
    std::array<MeasureSlot, kMeasureSlotCount> slots_{};
    std::uint16_t source_ = 0;
    std::array<MeasureExtremes, kMeasureSourceCount> extremes_{};
};

// A measurement as a number: volts, seconds, hertz or percent by MeasureUnitOf(kind), from a source's
// extremes (FindExtremes, then FindEdges) at `secondsPerDiv`; nullopt where the screen shows "*****".
// The screen's texts format exactly these numbers.
enum class MeasureUnit { kVolts, kSeconds, kHertz, kPercent };
MeasureUnit MeasureUnitOf(int kind);
std::optional<double> MeasureValue(int kind, const MeasureChannel& channel, const MeasureExtremes& extremes,
                                   double secondsPerDiv);

// The parts of the evaluation, exposed for Autoset and for tests on hand-made traces.
MeasureExtremes FindExtremes(std::span<const std::int16_t> trace);
void FindEdges(std::span<const std::int16_t> trace, MeasureExtremes& extremes);
// Rise and fall time in display points between the 10% and 90% crossings; -1 when none is found.
int RiseTimePoints(std::span<const std::int16_t> trace, const MeasureExtremes& extremes);
int FallTimePoints(std::span<const std::int16_t> trace, const MeasureExtremes& extremes);

} // namespace tarnix
