// The one record of everything the user sets that shapes an acquisition, and the tables that turn its
// stored indexes into physical values and labels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnix {

// Channel slots in the settings record and in every per-channel array of the program.
enum ChannelIndex : int { kCh1 = 0, kCh2 = 1, kMath = 2, kRef = 3, kChannelCount = 4 };

enum Coupling : std::uint16_t { kCouplingDc = 0, kCouplingAc = 1, kCouplingGnd = 2 };
enum FilterMode : std::uint16_t { kFilterNone = 0, kFilterLower = 1, kFilterHigher = 2 };
enum Interpolation : std::uint16_t { kInterpStep = 0, kInterpLinear = 1, kInterpSinc = 2 };
enum MathOperator : std::uint16_t { kMathAdd = 0, kMathSub = 1, kMathMul = 2, kMathDiv = 3 };
enum TriggerSource : std::uint16_t {
    kTrigCh1 = 0,
    kTrigCh2 = 1,
    kTrigAlt = 2,
    kTrigExt = 3,
    kTrigExt10 = 4,
    kTriggerSourceCount = 5
};
enum TriggerMode : std::uint16_t { kTrigModeEdge = 0, kTrigModePulse = 1 };
enum Sweep : std::uint16_t { kSweepAuto = 0, kSweepNormal = 1, kSweepSingle = 2 };
enum Slope : std::uint16_t { kSlopeRising = 0, kSlopeFalling = 1 };
enum DisplayFormat : std::uint16_t { kFormatYT = 0, kFormatRoll = 1, kFormatXY = 2 };
enum AcquisitionMode : std::uint16_t { kAcqNormal = 0, kAcqAverage = 1, kAcqPeakDetect = 2 };
enum RunStatus : std::uint16_t { kStatusStopped = 0, kStatusTriggered = 2, kStatusAuto = 3, kStatusWait = 4 };
// Level markers: where a trigger level lies relative to the plot.
enum LevelMarker : std::uint16_t { kMarkerOnScreen = 0, kMarkerAboveTop = 2, kMarkerBelowBottom = 3 };

// Default trace colours, 0x00RRGGBB.
inline constexpr std::uint32_t kColourCh1 = 0x00FF00;
inline constexpr std::uint32_t kColourCh2 = 0xFFFF00;
inline constexpr std::uint32_t kColourMath = 0xFF0000;
inline constexpr std::uint32_t kColourRef = 0x00FFFF;

struct MathSettings {
    std::uint16_t mathOperator = kMathAdd;
    std::uint16_t sourceA = 0; // 0 CH1, 1 CH2
    std::uint16_t sourceB = 1;

    bool operator==(const MathSettings&) const = default;
};

struct ChannelSettings {
    std::uint32_t enabled = 0;
    std::uint32_t bandwidthLimit = 0;
    std::uint32_t invert = 0;
    std::uint16_t coupling = kCouplingAc;
    std::uint16_t probe = 0; // 0 x1, 1 x10, 2 x100, 3 x1000
    std::uint16_t voltsPerDivIndex = 6;
    std::uint16_t filterMode = kFilterNone;
    std::uint32_t colour = 0; // 0x00RRGGBB
    float zeroLevel = 128.0f; // code scale counted from the top edge (0) down to 255
    std::uint16_t interpolation = kInterpSinc;
    std::uint32_t recordLength = 10240;
    std::uint16_t model = 1; // copy of the record's model index
    MathSettings math;       // used by the MATH channel only

    bool operator==(const ChannelSettings&) const = default;
};

struct TriggerSettings {
    std::uint16_t triggerSource = kTrigCh1;
    std::uint16_t triggerMode = kTrigModeEdge;
    std::uint16_t sweep = kSweepAuto;
    std::uint16_t slope = kSlopeRising;
    std::uint32_t hfRejection = 0;
    float levelCh1 = 64.0f;
    float levelCh2 = 192.0f;
    float levelExt = 128.0f;
    std::uint16_t levelMarkerCh1 = kMarkerOnScreen;
    std::uint16_t levelMarkerCh2 = kMarkerOnScreen;
    std::uint16_t levelMarkerExt = kMarkerOnScreen;

    bool operator==(const TriggerSettings&) const = default;
};

struct TimebaseSettings {
    std::uint16_t timeDivOffset = 1;
    std::uint16_t timeDivIndex = 12;
    std::uint16_t displayFormat = kFormatYT;
    std::uint16_t horizontalPosition = 250; // 0..500, 1/50 division, 250 = centre
    std::uint16_t bufferSizeIndex = 0;
    std::uint16_t samplingMode = 0; // 0 Real Time, 1 ETS

    bool operator==(const TimebaseSettings&) const = default;
};

struct AcquireSettings {
    std::uint16_t acquisitionMode = kAcqNormal;
    std::uint16_t averageCount = 1;
    std::uint16_t averagedFrames = 0;
    std::uint32_t zoomOut = 0;
    std::uint32_t zoomIn = 0;
    std::uint32_t drag = 0;
    std::uint32_t running = 1;

    bool operator==(const AcquireSettings&) const = default;
};

// A channel as Factory Setup leaves it, apart from the fields that differ between the four channels.
constexpr ChannelSettings FactoryChannel(std::uint32_t enabled, std::uint32_t colour, float zeroLevel) {
    ChannelSettings channel;
    channel.enabled = enabled;
    channel.colour = colour;
    channel.zeroLevel = zeroLevel;
    return channel;
}

struct InstrumentSettings {
    std::uint16_t model = 1;
    // A record that was never through ApplyFactoryDefaults already holds the factory channel values.
    std::array<ChannelSettings, kChannelCount> channel{
        FactoryChannel(1, kColourCh1, 64.0f),
        FactoryChannel(1, kColourCh2, 192.0f),
        FactoryChannel(0, kColourMath, 128.0f),
        FactoryChannel(0, kColourRef, 128.0f),
    };
    TriggerSettings trigger;
    TimebaseSettings timebase;
    AcquireSettings acquire;
    std::uint32_t demoMode = 0;
    std::uint16_t runStatus = kStatusAuto;
    std::uint32_t persistenceOn = 0;
    std::uint16_t persistenceDepth = 0; // persistence time index, owned by the screen

    ChannelSettings& ch(int index) { return channel[static_cast<std::size_t>(index)]; }
    const ChannelSettings& ch(int index) const { return channel[static_cast<std::size_t>(index)]; }

    bool operator==(const InstrumentSettings&) const = default;
};

// ---- Factory defaults ---------------------------------------------------------------------------

// Sets every factory-defined field of the record, in the order the instrument's Factory Setup uses.
// Deliberately left alone: `demoMode` (a start-up decision), `persistenceDepth` (the screen owns it),
// and the REF channel's probe, invert, bandwidth limit and filter and the MATH/REF couplings, which
// Factory Setup does not define.
//
// The caller (the document) must still reset what lives outside this record, right after this call:
//  - the acquisition cycle's pacing wait, its forced-trigger flag and the Autoset no-signal flags;
//  - the screen's stored pixel offset of the trigger-level marker (set to 0);
//  - the measurement source (CH1) and its eight cleared slots; the Pass/Fail, recorder and FFT objects;
//  - each channel's sample-memory capacity (ModelTable(model).sampleCapacity in model/model_table.h;
//    SampleCapacity in acquisition/wave_frame.h also covers the models that define none);
//  - the flag that says no reference waveform has been loaded yet (set it);
//  - the display window of every channel (points 0..4999).
// Then Factory Setup sends the whole configuration to the instrument.
void ApplyFactoryDefaults(InstrumentSettings& settings);

// ---- Value tables -------------------------------------------------------------------------------

inline constexpr int kVoltsPerDivCount = 10;
inline constexpr int kProbeVoltLabelCount = 19;
inline constexpr int kTimePerDivCount = 39;
inline constexpr int kBufferSizeCount = 7;

// Volts per division at probe x1. Index 6 and indexes outside 0..9 give 1 V (the probe factor).
double VoltsPerDivTable(int index);
// Label of a volts/div step at probe x1 ("10.0mV".."10.0V"); index 6 and out-of-range give "1.00V".
std::string_view VoltsPerDivLabel(int index);
// Probe factor 1, 10, 100, 1000 for probe 0..3; anything else counts as x1.
double ProbeFactor(int probe);
// The 19 labels "10.0mV".."10.0kV".
std::string_view ProbeVoltLabels(int index);
// A channel's probe-scaled volts/div label: entry voltsPerDivIndex + 3 x probe (index outside 0..9 counts as
// 0).
std::string_view ProbeScaledLabel(int voltsPerDivIndex, int probe);
// Volts per division of a channel: probe factor times the table value.
double ChannelVoltsPerDiv(const ChannelSettings& channel);

// Seconds per division; an index outside 0..38 gives 0.
double TimePerDivTable(int index);
std::string_view TimePerDivLabel(int index); // "" outside the table
// Position of a label in the table (0..38), -1 when not found.
int TimePerDivIndexOfLabel(std::string_view label);
// The `timeDivIndex` of a label: its position in the time-base selector, which lists the table from row
// `timeDivOffset` on. -1 when the label is not in the selector.
int TimeDivIndexOfLabel(std::string_view label, int timeDivOffset);

std::string_view BufferSizeLabel(int index);
std::uint32_t BufferSizeRecordLength(int index); // 0 outside 0..6

std::uint32_t DefaultChannelColour(int channel);

// ---- Code <-> volts -----------------------------------------------------------------------------

// volts = (V/div x 0.03125) x (code - (255 - zeroLevel)).
double CodeToVolts(const ChannelSettings& channel, double code);
// code = volts / (V/div x 0.03125) + (255 - zeroLevel), truncated toward zero.
int VoltsToCode(const ChannelSettings& channel, double volts);
// Truncation toward zero that saturates at the int limits (and gives 0 for NaN) instead of overflowing.
int TruncateToInt(double value);

// Effective time base of the record: TimePerDivTable[timeDivIndex + timeDivOffset].
double SecondsPerDiv(const TimebaseSettings& timebase);

} // namespace tarnix
