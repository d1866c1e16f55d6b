// The document: owns the settings record, the instrument link, the four channels' frames, the demo
// source and the processor, offers the setters every command ends in, and runs the acquisition cycle
// one timer tick at a time. Standard C++ only; the view drives it from its 30 ms timer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "acquisition/clock.h"
#include "acquisition/demo_source.h"
#include "acquisition/device_link.h"
#include "acquisition/wave_frame.h"
#include "acquisition/wave_processor.h"
#include "document/user_notifier.h"
#include "model/instrument_settings.h"

namespace tarnix {

struct RuleDecision;

// Language keys of the texts the document shows itself.
inline constexpr int kTextFunctionNotAvailable = 4002;
inline constexpr int kTextSearchDevice = 4009;
inline constexpr int kTextRunInDemo = 4010;
inline constexpr int kTextConnected = 4011;

// Extra run status besides those of the settings record: running in Roll, or just started.
inline constexpr std::uint16_t kStatusRunning = 1;

// The services the document uses; none is owned. A null member gets a default: no library (the search
// finds nothing), the system clock, a seeded std::minstd_rand, messages dropped, and a chooser that
// takes the first instrument or goes on in demo mode.
struct DocumentServices {
    IDriverLibrary* library = nullptr;
    IClock* clock = nullptr;
    IRandom* random = nullptr;
    IUserNotifier* notifier = nullptr;
    IStartupChooser* chooser = nullptr;
};

// Where later subsystems join the cycle. Every member may stay empty; the document then skips it.
// All run on the GUI thread, inside OnTick or a setter, never concurrently.
struct DocumentHooks {
    // Text of a language key; empty result or no hook: the built-in English text (4002, 4009..4011).
    std::function<std::string(int key)> lookupText;
    // Puts a text into the status bar (every tick: "Search Device......", "Run in demo", "Connected").
    std::function<void(std::string_view text)> showStatus;
    // Factory defaults, after the document's own items: measurement source CH1 with its eight slots
    // cleared, Pass/Fail, recorder and FFT reset, Autoset's no-signal flags cleared, the trigger
    // marker's pixel offset 0. (The document itself sets refEmpty and resets the frame windows.)
    std::function<void()> resetSubsystems;
    // Start-up: reset the screen (after the factory defaults, and after a failed setup load).
    std::function<void()> resetScreen;
    // Start-up: load Default.set; false is a failed load (factory defaults and a screen reset follow).
    // No hook: nothing is loaded and the defaults stay.
    std::function<bool()> loadDefaultSetup;
    // Tick step 3: one zero-calibration step, while calibrationStep is not -1 and not in demo mode.
    std::function<void()> calibrationTick;
    // Tick step 3: one Autoset step while specialStep is neither -1 nor 4; the finish when it is 4.
    std::function<void()> autosetTick;
    std::function<void()> autosetFinish;
    // Tick step 4, every tick in the Y-T format: runs one Pass/Fail test when testing is on.
    std::function<void()> passFailTick;
    // Tick step 5, every tick: computes the spectrum when the FFT window is on.
    std::function<void()> fftTick;
    // Measurements and persistence attach to the processor itself: processor.hooks.updateMeasurements
    // (every sixth pass while running) and processor.hooks.addPersistFrame (each finished trace).
    // This hook tells the pass whether any measurement slot is in use.
    std::function<bool()> measurementsSelected;
    // Configure step 1: copy the FFT parameters into the hardware block.
    std::function<void(FftParameters& parameters)> fillFftParameters;
    // Tick step 7 (after a capture step) and Stop: invalidate the screen and the two painted panels.
    std::function<void()> repaint;
    // A trigger-source change: reset the screen's pixel offset between trigger-level and zero marker.
    std::function<void()> triggerSourceChanged;
};

// How start-up ended.
enum class StartupResult { kConnected, kDemo, kClose };

class CTarnixDoc {
public:
    explicit CTarnixDoc(const DocumentServices& services = {});
    CTarnixDoc(const CTarnixDoc&) = delete;
    CTarnixDoc& operator=(const CTarnixDoc&) = delete;

    InstrumentSettings settings;
    CDeviceLink link;
    std::array<WaveFrame, kChannelCount> frames; // CH1, CH2, MATH, REF
    CDemoSource demo;
    CWaveProcessor processor;
    DocumentHooks hooks;

    // ---- Cycle state (read by the screen and the status strip; written by the cycle) ----
    bool configured = false;            // whole configuration sent since the instrument was last seen
    std::uint16_t statusTicks = 0;      // ticks spent with runStatus 3 or 4 (blinks the status text)
    std::uint16_t autoTriggerCount = 0; // polls without a trigger in Auto sweep
    bool forcedTrigger = false;         // the last frame came from a forced trigger
    std::uint16_t normalWaitCount = 0;  // polls without a trigger in Normal sweep
    bool pacingWait = false;            // a slow time base is still filling the screen
    std::int64_t lastCaptureMs = 0;
    bool rollNewData = false;
    std::int64_t lastRollMs = 0;
    bool altPhaseCh2 = false;          // the last ALT phase triggered on CH2
    std::int32_t specialStep = -1;     // Autoset step, -1 = none
    std::int32_t calibrationStep = -1; // zero-calibration step, -1 = none
    double stoppedSecondsPerDiv = 0.0; // time base and position at Stop; zoom and drag work from them
    std::uint16_t stoppedPosition = 250;
    bool refEmpty = true; // no reference waveform loaded yet; the reference loader clears it

    // ---- Setters: store, update the HardwareBlock, call the driver unless in demo mode, then
    // OnSettingsChanged. Channel arguments are kCh1 or kCh2 unless stated; others are ignored. ----
    void SetVoltsPerDiv(int channel, int index);
    void SetCoupling(int channel, int coupling);
    void SetZeroLevel(int channel, float level);
    void SetTriggerLevel(int channel, float level);
    void SetExtTriggerLevel(float level);
    void SetBandwidthLimit(int channel, bool on);
    void SetHfRejection(bool on);
    void SetTimeDiv(int index); // no OnSettingsChanged
    void TimeDivFaster();
    void TimeDivSlower();
    void SetHorizontalPosition(int position);
    void SetTriggerSource(int source);
    void SetSlope(int slope);
    void SetDisplayFormat(int format); // stores only, then OnSettingsChanged
    void SetBufferSize(int index);
    // Derives the block's channel code from CH1/CH2 enables, sends it, then applies the record-length
    // rules for a channel change.
    void ApplyChannelEnables();

    // Setters that only store (enumerated ones ignore values outside their range).
    void SetTriggerMode(int mode);
    void SetSweep(int sweep);
    void SetSamplingMode(int mode);
    void SetAcquisitionMode(int mode);
    void SetAverageCount(int count); // 1..128; restarts the average
    void SetInterpolation(int channel, int interpolation);
    void SetInvert(int channel, bool on); // CH1, CH2, MATH
    void SetProbe(int channel, int probe);
    void SetMathOperator(int op);
    void SetMathSources(int sourceA, int sourceB);

    // ---- Rules between settings, as the command set applies them ----
    // Full trigger-source change: marker offset reset, ALT flag, the new source's level at 0 V (or
    // EXT at 128), store, channel enables again.
    void SelectTriggerSource(int source);
    // Format change with its rules: X-Y turns CH1/CH2 on and MATH/REF off, leaves Roll via "40.0us"
    // and centres levels; Roll selects "1.00s"; Roll back to Y-T selects "40.0us".
    void SelectDisplayFormat(int format);
    // Turns a channel on or off. In X-Y, CH1 off is ignored and MATH/REF on is refused with a message
    // box; the result says whether the change was made.
    bool SetChannelEnabled(int channel, bool on);

    // Carries out a record-length rule's decision (model/model_table.h) in its order: buffer size,
    // time base, display format through their setters, capture restart with the pacing wait cleared,
    // repaint. A refusal shows its message box and changes nothing. The sidebar's restoreSelector is
    // left to the caller.
    void ApplyDecision(const RuleDecision& decision);

    // Empties the roll record while running in Roll, so the rolling trace restarts under new settings.
    void OnSettingsChanged();

    // Factory defaults: the model's defaults, then the document's own cycle items, then the later
    // subsystems through hooks.resetSubsystems. Does not talk to the instrument (Configure does).
    void ApplyFactoryDefaults();

    // ---- The acquisition cycle ----
    // Start-up steps that need no window: defaults, search, the choice of instrument (through the
    // chooser), configure or demo mode, the Default.set hook, configured set.
    StartupResult StartUp();
    // Sends the whole configuration to the selected instrument and restarts its capture.
    void Configure();
    // One tick of the 30 ms timer.
    void OnTick();
    // Acquire/Start and Acquire/Stop; each does nothing when already in that state.
    void Run();
    void Stop();

    // Switches the ALT trigger to the other channel (block only; the driver unless in demo mode).
    void SwitchAltPhase();
    // The blocking single capture of Autoset and calibration: forces a capture (the instrument, or the
    // demo source in demo mode), polls it every 10 ms at most 79 times, reads it when it completed,
    // and runs the processing pass either way. True when a frame came.
    bool SingleCapture();

    // Language text through hooks.lookupText, else the built-in English default.
    std::string Text(int key) const;

    IClock& Clock() { return *clock_; }
    IRandom& Random() { return *random_; }

private:
    bool ValidChannel(int channel) const { return channel == kCh1 || channel == kCh2; }
    bool Demo() const { return settings.demoMode != 0; }
    int TimeRow() const;
    void SendChannels();
    void SendLevels();
    void SendTimebase();
    void SendFilters();
    void SetTimeDivByLabel(std::string_view label);
    PassState MakePassState() const;

    void CaptureStep();
    void RollCaptureStep();
    void InstrumentPoll();
    void DemoCaptureStep();
    bool DemoSingleCapture();
    void RollStep();
    void StartPacing();
    void UpdatePacing();
    void Process();
    void ClearRollRecord();
    void ShowStatus(int key);
    void Notify(std::string_view caption, std::string_view text);

    CSystemClock systemClock_;
    CSystemRandom systemRandom_;
    IClock* clock_ = nullptr;
    IRandom* random_ = nullptr;
    IUserNotifier* notifier_ = nullptr;
    IStartupChooser* chooser_ = nullptr;
};

} // namespace tarnix
