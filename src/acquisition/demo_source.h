// The built-in signal generator that stands in for the instrument in demo mode: raw CH1/CH2 frames with
// the codes, record length and trigger behaviour of a real capture, following the current settings.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "acquisition/clock.h"
#include "acquisition/driver_library.h"
#include "model/instrument_settings.h"

namespace tarnix {

// Samples one demo frame writes per channel.
inline constexpr int kDemoRecordLength = 10240;

enum DemoFunction : int { kDemoNormal = 0, kDemoNoise = 1, kDemoRandom = 2 };

// Result of a demo poll.
inline constexpr int kDemoNoFrame = 0;
inline constexpr int kDemoFrame = 2;

// One channel's generator, refreshed from the settings by UpdateParameters.
struct DemoGenerator {
    std::uint16_t enabled = 0;
    std::int16_t zeroCode = 0;        // raw code of 0 V: 255 - zeroLevel
    std::int16_t dcOffset = 0;        // codes added to every sample
    std::int16_t triggerPosition = 0; // horizontalPosition 0..500
    std::int16_t triggerCode = 0;     // 255 - trigger level
    double cyclesPerSample = 0.0;
    double amplitude = 0.0; // peak to peak, in codes
    double phase = 0.0;     // radians, of the sample at the trigger point
    std::uint16_t slope = 0;
    float noiseDivisor = 9.0f;
};

// One choice of the Demo Setting dialog: the control's label and the value it stores.
struct DemoChoice {
    std::string_view label;
    double value;
};

// Frequency choices ("5.00 MHz" .. "12.5 KHz") and amplitude choices ("40.0 V" .. "40.0 mV").
inline constexpr std::array<DemoChoice, 5> kDemoFrequencyChoices{
    {{"5.00 MHz", 5120.0}, {"800 KHz", 800.0}, {"200 KHz", 200.0}, {"50.0 KHz", 50.0}, {"12.5 KHz", 12.5}}};
inline constexpr std::array<DemoChoice, 4> kDemoAmplitudeChoices{
    {{"40.0 V", 40.0}, {"4.00 V", 4.0}, {"400 mV", 0.4}, {"40.0 mV", 0.04}}};
inline constexpr std::array<std::string_view, 3> kDemoFunctionLabels{"Normal", "Noise", "Random"};

class CDemoSource {
public:
    std::array<DemoGenerator, 2> generator{}; // CH1, CH2

    // Shared settings.
    std::uint16_t triggerSource = kTrigCh1;
    std::uint16_t altChannel = 0; // the block's trigger source: 0 CH1, 1 CH2, else not yet switched
    double frequency = 12.5;      // F
    double amplitudeVolts = 4.0;  // A, volts peak to peak
    bool dcPlus = true;
    bool sweep = true;
    double sweepOffset = 0.0;
    int sweepStep = 0; // 0..99: the offset is F x 0.01 x sweepStep, so one sweep is exactly 100 steps
    int function = kDemoNormal;
    std::array<bool, 2> ready{};
    bool force = false;

    // Back to the dialog's defaults (12.5 KHz, 4.00 V, DC +, Sweep, Normal) with cleared generators.
    void Reset();

    // Copies the channel, trigger and time-base settings into the generators and advances the sweep.
    void UpdateParameters(const InstrumentSettings& settings, const HardwareBlock& block);

    // Trigger decision for one capture step: kDemoFrame with the ready flags of the channels that get
    // new data, or kDemoNoFrame.
    int Poll(IRandom& random);

    // Writes kDemoRecordLength samples into the memory of each enabled and ready channel (Y-T, X-Y).
    // A memory shorter than that is left untouched.
    void Fill(IRandom& random, std::span<std::uint16_t> ch1, std::span<std::uint16_t> ch2);
    // Roll format: the `step` new samples the roll step takes, at the start of each enabled and ready
    // channel's memory.
    void RollFill(IRandom& random, int step, std::span<std::uint16_t> ch1, std::span<std::uint16_t> ch2);

    // ---- The Demo Setting dialog's values; the dialog calls OnSettingsChanged afterwards ----
    // Index into kDemoFrequencyChoices / kDemoAmplitudeChoices; out of range is ignored.
    void SelectFrequency(int choice);
    void SelectAmplitude(int choice);
    // The index of the current F / A in the tables, -1 when it is none of them.
    int FrequencyChoice() const;
    int AmplitudeChoice() const;
    void SetDcPlus(bool on) { dcPlus = on; }
    void SetSweep(bool on) {
        sweep = on;
        sweepOffset = 0.0;
        sweepStep = 0;
    }
    void SetFunction(int value); // 0 Normal, 1 Noise, 2 Random; others ignored

    // One of the ten random phases: (rand mod 10 + 0.1) x pi/2.
    static double RandomPhase(IRandom& random);

private:
    int PollChannel(IRandom& random, int channel);
    void FillChannel(IRandom& random, int channel, std::span<std::uint16_t> memory);
};

} // namespace tarnix
