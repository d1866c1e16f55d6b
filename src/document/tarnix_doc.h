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
#include "analysis/fft_analysis.h"
#include "analysis/measure_set.h"
#include "analysis/pass_fail.h"
#include "datalog/data_log.h"
#include "document/user_notifier.h"
#include "files/file_result.h"
#include "files/setup_file.h"
#include "language/language_table.h"
#include "model/instrument_settings.h"
#include "recorder/recorder.h"

namespace tarnix {

struct RuleDecision;
struct RefHeader;

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

// The screen's share of a setup file, kept by the document so a setup round-trips with or without a
// screen attached.
struct ScreenSetup {
    SetupDisplayBlock display;
    float voltsCh1 = 0.0f; // trigger levels in volts as the status text last showed them
    float voltsCh2 = 0.0f;
    float voltsExt = 0.0f;
    float levelOffset = 0.0f; // the trigger-level marker's pixel offset
    bool operator==(const ScreenSetup&) const = default;
};

// Where later subsystems join the cycle. Every member may stay empty; the document then skips it.
// All run on the GUI thread, inside OnTick or a setter, never concurrently.
struct DocumentHooks {
    // Text of a language key; empty result or no hook: the built-in English text (4002, 4009..4011).
    std::function<std::string(int key)> lookupText;
    // Puts a text into the status bar (every tick: "Search Device......", "Run in demo", "Connected").
    std::function<void(std::string_view text)> showStatus;
    // Factory defaults, after the document's own items (refEmpty, the frame windows, the measurement
    // set, Pass/Fail, recorder and FFT, which the document resets itself): Autoset's no-signal flags
    // and the trigger marker's pixel offset.
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
    // Tick step 4, every tick in the Y-T format, after the document's own Pass/Fail test of the frame
    // (passFailResult holds its outcome): the panel brings its counters into step.
    std::function<void()> passFailTick;
    // Tick step 5, every tick, after the document computed the spectrum (while the analysis runs):
    // the FFT window refreshes its tables from fftResults.
    std::function<void()> fftTick;
    // Measurements attach to the processor itself: the document sets processor.hooks.updateMeasurements
    // (every sixth pass while running) to evaluate its measurement set; persistence is the screen's
    // processor.hooks.addPersistFrame. This hook adds to the document's own answer (any slot in use).
    std::function<bool()> measurementsSelected;
    // Configure step 1, after the document copied its FFT parameters into the hardware block.
    std::function<void(FftParameters& parameters)> fillFftParameters;
    // The beep of Pass/Fail's "+ BEEPER" outputs.
    std::function<void()> beep;
    // The screen's part of a setup: its display block and trigger-marker values. captureScreenSetup
    // fills the document's copy before a save; applyScreenSetup restores the screen after a load.
    std::function<void(ScreenSetup& screen)> captureScreenSetup;
    std::function<void(const ScreenSetup& screen)> applyScreenSetup;
    // The recorder's requests to the view: its acquisition timer, and the sidebar after the recorder
    // changed channel enables or applied a recording's context.
    std::function<void()> startAcquisitionTimer;
    std::function<void()> stopAcquisitionTimer;
    std::function<void()> refreshSidebar;
    // Tick step 7 (after a capture step) and Stop: invalidate the screen and the two painted panels.
    std::function<void()> repaint;
    // After a trigger-source change has reset the trigger-level marker's pixel offset: the screen
    // places its markers again.
    std::function<void()> triggerSourceChanged;
};

// How start-up ended.
enum class StartupResult { kConnected, kDemo, kClose };

// What Channel/Reference "Turn On" did.
enum class RefTurnOnResult {
    kRefused,  // X-Y format: "Function not available!" was shown, nothing changed
    kHidden,   // REF was on and is now off
    kShown,    // REF held a reference and is now on
    kNeedsFile // REF is off and empty: run Load Reference's dialog, then call RefShowAfterDialog
};

class CTarnixDoc;

// The document as Pass/Fail's host: its Stop action and the beep hook.
class CDocPassFailHost final : public IPassFailHost {
public:
    explicit CDocPassFailHost(CTarnixDoc& doc) : doc_(doc) {}
    void StopAcquisition() override;
    void Beep() override;

private:
    CTarnixDoc& doc_;
};

// The document as the recorder's host: traces, channel enables and playback context go through the
// document's setters; timers and the sidebar through its hooks.
class CDocRecorderHost final : public IRecorderHost {
public:
    explicit CDocRecorderHost(CTarnixDoc& doc) : doc_(doc) {}
    const InstrumentSettings& Settings() const override;
    std::span<const std::int16_t> DisplayTrace(int channel) const override;
    std::uint32_t CaptureCount() const override;
    void ShowFrame(int channel, std::span<const std::int16_t> frame) override;
    void SetChannelEnabled(int channel, bool on) override;
    void ApplyPlaybackContext(int channel, const RecorderSettings& context) override;
    void SetBufferSize(int index) override;
    void SetRunStatus(std::uint16_t status) override;
    void StartAcquisitionTimer() override;
    void StopAcquisitionTimer() override;
    void Redraw() override;

private:
    CTarnixDoc& doc_;
};

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

    // ---- The subsystems the document owns, allocated once and kept to the end ----
    CMeasureSet measures;
    FftSettings fftSettings;
    FftResults fftResults;
    CFftAnalysis fft;
    FftStatus fftStatus = FftStatus::kNotRunning; // outcome of the last tick's computation
    CPassFail passFail;
    FrameTestResult passFailResult; // outcome of the last tick's test
    CRecorder recorder;
    CLanguageTable language;
    CDataLog datalog;               // statistics and the measurement log, fed once per new capture
    std::int32_t languageIndex = kLanguageDefaultIndex; // the stored language; setups carry it
    std::uint16_t saveChannel = 0;                      // the Save dialog's choice: 0 CH1, else CH2
    ScreenSetup screenSetup;
    // Default.set: StartUp loads it from here when set (and hooks.loadDefaultSetup is not).
    std::string defaultSetupPath;
    // Set once start-up has loaded Default.set (or found none): from then on the state is the user's
    // and the close may write it. A declined device search never gets here.
    bool sessionReady = false;
    // A Default.set that could not be read, or was refused and could not be moved aside, is never written
    // over.
    bool defaultSetupProtected = false;

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
    std::uint32_t captureCount = 0;    // frames (or roll steps) that brought new data, so far
    bool altPhaseCh2 = false;          // the last ALT phase triggered on CH2
    std::int32_t specialStep = -1;     // Autoset step, -1 = none
    std::int32_t calibrationStep = -1; // zero-calibration step, -1 = none
    double stoppedSecondsPerDiv = 0.0; // time base and position at Stop; zoom and drag work from them
    std::uint16_t stoppedPosition = 250;
    bool refEmpty = true; // no reference waveform loaded yet; the reference loader clears it
    // Capture serials, so a remote client can wait for data taken under the settings it sent: the
    // capture most recently begun, and the one whose data the last processing pass showed.
    std::uint64_t captureSerial = 0;
    std::uint64_t shownSerial = 0;
    // True while a stopped program still has to show its frames under the settings in force.
    bool StoppedPassPending() const { return StoppedPassDue(); }

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
    // A new trigger source starts with the level marker on its channel's zero marker.
    void ResetTriggerMarkerOffset();
    // Format change with its rules: X-Y turns CH1/CH2 on and MATH/REF off, leaves Roll via "40.0us"
    // and centres the zero levels (and the trigger levels, as the menu does; the sidebar leaves them);
    // Roll selects "1.00s"; Roll back to Y-T selects "40.0us".
    enum class TriggerLevels { kCentre, kKeep };
    void SelectDisplayFormat(int format, TriggerLevels levels = TriggerLevels::kCentre);
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

    // Language text through hooks.lookupText, else the language table, else the built-in English default.
    std::string Text(int key) const;

    // ---- Setup files. File operations never show a message themselves: a refusal that the user must
    // hear of carries the exact text in `message`, which the caller shows captioned "Error". ----
    // Save Setups. In demo mode only the 20-byte header of an existing file is rewritten.
    FileResult SaveSetup(const std::string& path);
    // Load Setups: every field through its range check, the buffer-size rule, the format correction,
    // then the whole configuration is sent. In demo mode only the language index is taken.
    FileResult LoadSetup(const std::string& path);
    // Start-up: LoadSetup; a failed load applies the factory defaults and resets the screen. A file that
    // exists but is refused is renamed to "<path>.bad" (and the user told) so the close cannot replace it;
    // one that cannot be opened or read stays as it is and is not written over at close.
    bool LoadDefaultSetup(const std::string& path);
    // Close: SaveSetup to Default.set, once the session holds the user's state (see sessionReady).
    FileResult SaveDefaultSetup(const std::string& path);
    // A message box through the services' notifier (none in tests without one).
    void Notify(std::string_view caption, std::string_view text);
    // The document's whole state as a setup file holds it; withBulk false leaves out the REF samples
    // and the recorder store (for a load, whose file brings its own).
    SetupImage CaptureSetup(bool withBulk = true);
    // Applies a checked image as LoadSetup does after reading it (not the demo-mode shortcut).
    void ApplySetup(const SetupImage& image);
    SetupLimits Limits() const;

    // ---- Waveform files ----
    // Save CSV: the channel named by saveChannel. Model 2 may change that channel's decimation span.
    FileResult SaveCsv(const std::string& path);
    // Load CSV and its completion: time base from line 1 (even when refused later), CH1's record,
    // buffer size in line with it, Stop, CH2 off.
    FileResult LoadCsv(const std::string& path);
    // Save Reference (.rfc only; another path is ignored: not ok, no message).
    FileResult SaveRef(const std::string& path);
    // Load Reference: ".rfc" or ".ref" (any case), any other path is ignored. A load fills REF, switches
    // it on, clears refEmpty and re-processes REF for the current format.
    FileResult LoadRef(const std::string& path);
    // Save Waveform: both channels' display traces as text.
    FileResult ExportWaveformText(const std::string& path);

    // ---- Channel/Reference ----
    RefTurnOnResult RefTurnOn();
    // After Turn On's file dialog closed: REF is on whether or not a file was loaded.
    void RefShowAfterDialog();
    // Volt/DIV entries 0..9 in menu order; others are ignored.
    void SetRefVoltsPerDiv(int index);
    // Reset: REF back to mid-screen.
    void ResetRefPosition();
    // Processes REF (and the live channels) once for the current format, as after a reference load.
    void ReprocessFrames();

    // ---- Language ----
    // Selects a language file (-1: built-in); an index outside the file list becomes -1. Stores and
    // returns the index; relabelling the windows is the caller's part.
    int SelectLanguage(int index);
    // The language a setup file names in its header, or the default language when it cannot be read.
    int StoredLanguageIndex(const std::string& setupPath);

    // ---- Recorder and player (the Record And Play Back panel forwards its controls here) ----
    // Utility/Record: only in Y-T ("Function not available!" otherwise); opens the recorder's panel state.
    bool OpenRecorder();
    void CloseRecorder(IPanelTimer& timer);
    void PressRecord(IPanelTimer& timer);
    void PressPlay(IPanelTimer& timer);
    void RecorderTimerTick(IPanelTimer& timer);
    int SetRecorderCurrentFrame(int frame);
    FileResult SaveRec(const std::string& path);
    FileResult LoadRec(const std::string& path);

    // ---- Pass/Fail (the panel forwards here) ----
    // Create: builds the mask from the source channel's trace and switches that channel on.
    void CreatePassFailMask(const MaskSettings& mask);
    // Start: true when the acquisition was started with it.
    bool StartPassFail();
    void StopPassFail();
    void ClosePassFailPanel();

    // ---- FFT ----
    // The panel's Start/Stop button (the window itself moves the screen's cursor source back to CH1).
    void SetFftRunning(bool running);
    // The FFT window's "Save": the spectrum as text; "Cann't save file: %s" when it cannot be created.
    FileResult ExportSpectrum(const std::string& path) const;
    // Fills the FFT parameter block for the current FFT settings and source channel.
    void FillFftBlock(FftParameters& parameters) const;

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

    // The capture steps; true when a processing pass ran.
    bool CaptureStep();
    bool RollCaptureStep();
    void InstrumentPoll();
    void DemoCaptureStep();
    bool DemoSingleCapture();
    void RollStep();
    void StartPacing();
    void UpdatePacing();
    void Process();
    // A stopped pass re-scales the same record to the same picture until a setting, the pass state or
    // the frames themselves change, so an idle stopped program skips it.
    bool StoppedPassDue() const;
    void NotePass(const PassState& state);
    void ClearRollRecord();
    void ShowStatus(int key);
    // Invalidates the screen after a capture step that changed what it shows.
    void RepaintAfterCapture(bool passRan);

    // The tick's steps 4 and 5 and the every-sixth-pass measurement evaluation.
    void PassFailStep();
    void FftStep();
    void EvaluateMeasurements(double secondsPerDiv);
    // Every tick: a new capture goes to the statistics and the log; a row out of limits acts.
    void FeedDatalog();
    void ResetOwnedSubsystems();
    void ApplyRefHeader(const RefHeader& header);

    // A played frame overwrites a display trace behind the pass's back.
    friend class CDocRecorderHost;

    CDocPassFailHost passFailHost_{*this};
    CDocRecorderHost recorderHost_{*this};
    CSystemClock systemClock_;
    CSystemRandom systemRandom_;
    IClock* clock_ = nullptr;
    IRandom* random_ = nullptr;
    IUserNotifier* notifier_ = nullptr;
    IStartupChooser* chooser_ = nullptr;
    InstrumentSettings paintedSettings_; // as of the last repaint after a capture step
    InstrumentSettings passSettings_;    // as of the last processing pass
    PassState passState_;
    bool framesEdited_ = true; // a load or reset wrote the frames after the last pass
    // The capture whose data the frames hold.
    std::uint64_t framesSerial_ = 0;
    std::uint64_t fedCaptureCount_ = 0;
    // When the instrument's current capture was started, and whether ALT in Normal sweep may leave
    // the channel: a record's pre-trigger part must fill before it can trigger at all.
    std::int64_t captureStartedMs_ = 0;
    bool AltWaitedLongEnough() const;
};

} // namespace tarnix
