// The acquisition cycle: start-up, configure, and one tick of the 30 ms timer with its capture, roll,
// pacing and trigger bookkeeping, for the instrument and for the demo source alike.
#include <algorithm>
#include <vector>

#include "acquisition/processing_steps.h"
#include "document/tarnix_doc.h"
#include "model/model_table.h"
#include "model/setting_rules.h"

namespace tarnix {

namespace {

// Rows of TimePerDivTable the cycle tests.
constexpr int kRow10us = 11;  // ALT captures the channels in alternate frames up to this time base
constexpr int kRow100us = 14; // pacing applies from 0.1 ms ...
constexpr int kRow2s = 27;

// Pacing factor of rows 14 (0.1 ms/div) .. 25 (0.4 s/div); 1 ms keeps 0.25, not 1.
constexpr std::array<double, 12> kPacingFactor{0.1, 0.2, 0.4, 0.25, 0.5, 1, 2, 4, 8, 20, 40, 80};

bool PacedRow(int row) {
    return row >= kRow100us && row <= kRow400ms;
}

// Polls before Auto forces a trigger: the instrument, and the demo source.
constexpr int kAutoPollsInstrument = 4;
constexpr int kAutoPollsDemo = 6;
// Autoset's single capture waits for the instrument at most this many times 10 ms.
constexpr int kSingleCapturePolls = 79;

} // namespace

// ---- Start-up and configure ----

StartupResult CTarnixDoc::StartUp() {
    ApplyFactoryDefaults();
    if (hooks.resetScreen) {
        hooks.resetScreen();
    }

    const int count = link.Search();
    StartupResult result = StartupResult::kConnected;
    if (count == 1) {
        // The one instrument; normally slot 0, but a lone instrument in another slot is used as well.
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (link.present[static_cast<std::size_t>(slot)] != 0) {
                link.selectedSlot = static_cast<std::uint16_t>(slot);
                break;
            }
        }
        Configure();
    } else if (count > 1) {
        std::vector<FoundDevice> devices;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (link.present[static_cast<std::size_t>(slot)] != 0) {
                devices.push_back({slot, link.deviceId[static_cast<std::size_t>(slot)]});
            }
        }
        const std::optional<int> chosen = chooser_->ChooseDevice(devices);
        if (!chosen || *chosen < 0 || *chosen >= kSlotCount) {
            return StartupResult::kClose;
        }
        link.selectedSlot = static_cast<std::uint16_t>(*chosen);
        Configure();
    } else {
        if (chooser_->NoDeviceFound() == NoDeviceChoice::kClose) {
            return StartupResult::kClose;
        }
        ApplyFactoryDefaults();
        if (hooks.resetScreen) {
            hooks.resetScreen();
        }
        // Demo mode first, so the configuration only fills the block and never reaches a driver.
        settings.demoMode = 1;
        Configure();
        result = StartupResult::kDemo;
    }

    if (hooks.loadDefaultSetup) {
        if (!hooks.loadDefaultSetup()) {
            ApplyFactoryDefaults();
            if (hooks.resetScreen) {
                hooks.resetScreen();
            }
        }
    } else if (!defaultSetupPath.empty()) {
        LoadDefaultSetup(defaultSetupPath);
    }
    sessionReady = true;
    configured = true;
    return result;
}

void CTarnixDoc::Configure() {
    FillFftBlock(link.block.fft);
    if (hooks.fillFftParameters) {
        hooks.fillFftParameters(link.block.fft);
    }
    HardwareBlock& block = link.block;
    block.altFlag = settings.trigger.triggerSource == kTrigAlt ? 1 : 0;
    block.triggerSource = settings.trigger.triggerSource;
    block.position =
        HorizontalPositionToBlock(static_cast<std::int16_t>(settings.timebase.horizontalPosition));
    block.timeDivIndex = settings.timebase.timeDivIndex;
    block.bufferSizeIndex = settings.timebase.bufferSizeIndex;
    // The same conversions as the level setters, so a reconfigured block equals the one they built.
    block.levels.ch1Zero = ZeroLevelToBlock(settings.ch(kCh1).zeroLevel);
    block.levels.ch2Zero = ZeroLevelToBlock(settings.ch(kCh2).zeroLevel);
    block.levels.ch1Trigger = TriggerLevelToBlock(settings.trigger.levelCh1);
    block.levels.ch2Trigger = TriggerLevelToBlock(settings.trigger.levelCh2);
    block.levels.extTrigger = ExtLevelToBlock(settings.trigger.levelExt);

    if (!Demo()) {
        link.ReadCalibration();
        link.ReadCalibrationLevel();
    }
    ApplyChannelEnables();
    SendTimebase();
    SendChannels();
    SendLevels();
    SendFilters();
    if (!Demo()) {
        link.StartCapture();
        ++captureSerial;
    }
    if (PacedRow(TimeRow())) {
        StartPacing();
    }
}

// ---- One tick ----

void CTarnixDoc::OnTick() {
    if (!Demo() && !link.IsPresent()) {
        // Lost instrument: acquisition is suspended, and the next sighting configures it afresh.
        configured = false;
        ShowStatus(kTextSearchDevice);
        return;
    }
    if (!configured) {
        Configure();
        configured = true;
    }

    bool captured = false;
    bool passRan = false;
    if (calibrationStep != -1 && !Demo()) {
        if (hooks.calibrationTick) {
            hooks.calibrationTick();
        }
    } else if (specialStep == -1) {
        passRan = settings.timebase.displayFormat == kFormatRoll ? RollCaptureStep() : CaptureStep();
        captured = true;
    } else if (specialStep == 4) {
        if (hooks.autosetFinish) {
            hooks.autosetFinish();
        }
    } else if (hooks.autosetTick) {
        hooks.autosetTick();
    }

    if (settings.timebase.displayFormat == kFormatYT) {
        PassFailStep();
    }
    FftStep();
    if (settings.runStatus == kStatusAuto || settings.runStatus == kStatusWait) {
        ++statusTicks;
    }
    if (captured) {
        RepaintAfterCapture(passRan);
    }
    FeedDatalog();
    if (Demo()) {
        ShowStatus(kTextRunInDemo);
    } else if (link.deviceCount > 0) {
        ShowStatus(kTextConnected);
    }
}

void CTarnixDoc::RepaintAfterCapture(bool passRan) {
    // A pass brings a new picture: each capture step while running (Roll only with a due step), and a
    // stopped pass only after a setting or the frames changed (a load, a played frame), so an idle
    // program does not redraw 33 times a second.
    if (!passRan && settings == paintedSettings_) {
        return;
    }
    paintedSettings_ = settings;
    if (hooks.repaint) {
        hooks.repaint();
    }
}

void CTarnixDoc::ShowStatus(int key) {
    if (hooks.showStatus) {
        hooks.showStatus(Text(key));
    }
}

PassState CTarnixDoc::MakePassState() const {
    PassState state;
    state.refEmpty = refEmpty;
    state.measurementsSelected =
        measures.ItemCount() > 0 || (hooks.measurementsSelected && hooks.measurementsSelected());
    state.stoppedSecondsPerDiv = stoppedSecondsPerDiv;
    state.stoppedPosition = stoppedPosition;
    return state;
}

void CTarnixDoc::Process() {
    const PassState state = MakePassState();
    processor.RunPass(settings, link.block, frames, state);
    NotePass(state);
}

bool CTarnixDoc::StoppedPassDue() const {
    return framesEdited_ || settings != passSettings_ || MakePassState() != passState_;
}

void CTarnixDoc::NotePass(const PassState& state) {
    shownSerial = framesSerial_;
    passSettings_ = settings;
    passState_ = state;
    framesEdited_ = false;
}

bool CTarnixDoc::CaptureStep() {
    const bool running = settings.acquire.running != 0;
    if (running && !pacingWait) {
        if (Demo()) {
            DemoCaptureStep();
        } else {
            InstrumentPoll();
        }
    }
    UpdatePacing();
    if (!running && !StoppedPassDue()) {
        return false;
    }
    Process();
    return true;
}

bool CTarnixDoc::RollCaptureStep() {
    const bool running = settings.acquire.running != 0;
    if (running) {
        RollStep();
        if (!rollNewData) {
            return false;
        }
    } else if (!StoppedPassDue()) {
        return false;
    }
    const PassState state = MakePassState();
    processor.RunRollPass(settings, frames, state);
    NotePass(state);
    return true;
}

// ---- Instrument poll ----

void CTarnixDoc::InstrumentPoll() {
    const int sweep = settings.trigger.sweep;
    const bool alt = settings.trigger.triggerSource == kTrigAlt;
    link.EnableTrigger();
    const int state = link.GetCaptureState();

    if (state == kCaptureComplete) {
        if (alt) {
            SwitchAltPhase();
        }
        framesSerial_ = captureSerial;
        link.ReadCapture(frames[kCh1].samples, frames[kCh2].samples);
        ++captureCount;
        link.StartCapture();
        ++captureSerial;
        captureStartedMs_ = clock_->NowMs();
        if (PacedRow(TimeRow())) {
            StartPacing();
        }
        normalWaitCount = 0;
        autoTriggerCount = 0;
        if (sweep == kSweepSingle) {
            Process();
            Stop();
        } else if (sweep == kSweepAuto && forcedTrigger) {
            settings.runStatus = kStatusAuto;
            forcedTrigger = false;
        } else {
            settings.runStatus = kStatusTriggered;
        }
    } else if (state == kCaptureTriggered) {
        if (sweep == kSweepAuto) {
            autoTriggerCount = 0;
        }
        normalWaitCount = 0;
        settings.runStatus = kStatusTriggered;
    } else {
        if (sweep == kSweepAuto) {
            ++autoTriggerCount;
        } else if (sweep == kSweepNormal) {
            ++normalWaitCount;
            if (normalWaitCount > 1) {
                settings.runStatus = kStatusWait;
                normalWaitCount = 5;
            }
        } else {
            settings.runStatus = kStatusWait;
        }
        if (alt && sweep == kSweepNormal && AltWaitedLongEnough()) {
            SwitchAltPhase();
            link.StartCapture();
            ++captureSerial;
            captureStartedMs_ = clock_->NowMs();
        }
    }

    if (sweep == kSweepAuto && autoTriggerCount >= kAutoPollsInstrument) {
        link.ForceTrigger();
        forcedTrigger = true;
        settings.runStatus = kStatusAuto;
        autoTriggerCount = 0;
    }
}

// ---- Demo capture step ----

void CTarnixDoc::DemoCaptureStep() {
    const int sweep = settings.trigger.sweep;
    const bool alt = settings.trigger.triggerSource == kTrigAlt;
    demo.UpdateParameters(settings, link.block);
    const int result = demo.Poll(*random_);
    if (alt && sweep == kSweepNormal) {
        SwitchAltPhase();
    }

    if (result == kDemoNoFrame) {
        if (sweep == kSweepAuto) {
            ++autoTriggerCount;
        } else {
            settings.runStatus = kStatusWait;
        }
    } else {
        if (alt && sweep != kSweepNormal) {
            SwitchAltPhase();
        }
        // The demo source draws each frame under the settings of the moment it is filled.
        framesSerial_ = ++captureSerial;
        demo.Fill(*random_, frames[kCh1].samples, frames[kCh2].samples);
        ++captureCount;
        if (PacedRow(TimeRow())) {
            StartPacing();
        }
        if (sweep == kSweepAuto && forcedTrigger) {
            settings.runStatus = kStatusAuto;
            autoTriggerCount = 0;
            forcedTrigger = false;
        } else {
            settings.runStatus = kStatusTriggered;
        }
        if (sweep == kSweepSingle) {
            Process();
            Stop();
        }
    }

    if (sweep == kSweepAuto && autoTriggerCount >= kAutoPollsDemo) {
        demo.force = true;
        forcedTrigger = true;
        settings.runStatus = kStatusAuto;
        autoTriggerCount = 0;
    }
}

bool CTarnixDoc::SingleCapture() {
    if (Demo()) {
        return DemoSingleCapture();
    }
    link.StartCapture();
    link.EnableTrigger();
    link.ForceTrigger();
    bool complete = false;
    for (int i = 0; i < kSingleCapturePolls; ++i) {
        if (link.GetCaptureState() == kCaptureComplete) {
            complete = true;
            break;
        }
        clock_->Sleep10ms();
    }
    // A capture that never completes leaves the memories as they were; they are evaluated anyway.
    if (complete) {
        link.ReadCapture(frames[kCh1].samples, frames[kCh2].samples);
    }
    Process();
    return complete;
}

bool CTarnixDoc::DemoSingleCapture() {
    demo.UpdateParameters(settings, link.block);
    demo.force = true;
    bool captured = false;
    for (int i = 0; i < kSingleCapturePolls; ++i) {
        if (demo.Poll(*random_) == kDemoFrame) {
            captured = true;
            break;
        }
        clock_->Sleep10ms();
    }
    if (captured) {
        demo.Fill(*random_, frames[kCh1].samples, frames[kCh2].samples);
    }
    Process();
    return captured;
}

// ---- ALT, pacing, roll ----

// At slow time bases a record's part before the trigger takes longer to fill than a poll period, and a
// capture restarted before it has filled can never trigger: ALT in Normal sweep then showed nothing at
// all. The channel is left only once the pre-trigger part and one screen's time have passed.
bool CTarnixDoc::AltWaitedLongEnough() const {
    const std::uint32_t length = std::min(BufferSizeRecordLength(link.block.bufferSizeIndex),
                                          ModelSampleCapacity(settings.model));
    // The screen shows 2500 min/max pairs of `group` record samples over its ten divisions.
    const int group = DecimationGroup(settings.model, settings.timebase.timeDivIndex, length);
    const double screenMs = 10.0 * SecondsPerDiv(settings.timebase) * 1000.0;
    const double preTriggerMs = length * (link.block.position / 100.0) * screenMs / (2500.0 * group);
    return static_cast<double>(clock_->NowMs() - captureStartedMs_) >= preTriggerMs + screenMs;
}

void CTarnixDoc::SwitchAltPhase() {
    HardwareBlock& block = link.block;
    block.altFlag = 1;
    const bool fast = TimeRow() <= kRow10us;
    if (!altPhaseCh2) {
        block.triggerSource = kTrigCh2;
        block.channelCode = fast ? 3 : 2;
    } else {
        block.triggerSource = kTrigCh1;
        block.channelCode = fast ? 0 : 2;
    }
    altPhaseCh2 = !altPhaseCh2;
    SendTimebase();
    SendLevels();
}

void CTarnixDoc::StartPacing() {
    pacingWait = true;
    lastCaptureMs = clock_->NowMs();
}

void CTarnixDoc::UpdatePacing() {
    if (!pacingWait) {
        return;
    }
    const int row = TimeRow();
    if (!PacedRow(row)) {
        pacingWait = false;
        return;
    }
    const double factor = kPacingFactor[static_cast<std::size_t>(row - kRow100us)];
    const double waitMs = (settings.timebase.horizontalPosition / 5) * factor - 20.0;
    if (static_cast<double>(clock_->NowMs() - lastCaptureMs) >= waitMs) {
        pacingWait = false;
    }
}

void CTarnixDoc::RollStep() {
    const int row = TimeRow();
    const std::int16_t step = (row == kRow1s || row == kRow2s) ? 15 : 10;
    frames[kCh1].rollStep = step;
    frames[kCh2].rollStep = step;

    const std::int64_t now = clock_->NowMs();
    const double dueMs = 20.0 * TimePerDivTable(row);
    if (static_cast<double>(now - lastRollMs) < dueMs) {
        rollNewData = false;
        settings.runStatus = kStatusRunning;
        return;
    }
    if (Demo()) {
        // Roll is untriggered: every enabled generator delivers its new point.
        demo.UpdateParameters(settings, link.block);
        demo.ready = {true, true};
        demo.RollFill(*random_, step, frames[kCh1].samples, frames[kCh2].samples);
        framesSerial_ = ++captureSerial;
    } else {
        framesSerial_ = captureSerial;
        link.ReadCapture(frames[kCh1].samples, frames[kCh2].samples);
        link.StartCapture();
        ++captureSerial;
        link.EnableTrigger();
        link.ForceTrigger();
    }
    lastRollMs = now;
    for (int c : {kCh1, kCh2}) {
        WaveFrame& frame = frames[static_cast<std::size_t>(c)];
        frame.rollPosition = std::min(frame.rollPosition + step, 5000);
    }
    rollNewData = true;
    ++captureCount;
    settings.runStatus = kStatusRunning;
}

// ---- Run and Stop ----

void CTarnixDoc::Run() {
    if (settings.acquire.running != 0) {
        return;
    }
    settings.acquire.running = 1;
    settings.runStatus = kStatusRunning;
    settings.acquire.zoomOut = 0;
    settings.acquire.zoomIn = 0;
    settings.acquire.drag = 0;
    SetHorizontalPosition(settings.timebase.horizontalPosition);
    if (settings.trigger.sweep == kSweepSingle) {
        for (int c : {kCh1, kCh2}) {
            std::fill(frames[static_cast<std::size_t>(c)].samples.begin(),
                      frames[static_cast<std::size_t>(c)].samples.end(), std::uint16_t{0});
        }
    }
    if (settings.acquire.acquisitionMode == kAcqAverage) {
        settings.acquire.averagedFrames = 0;
    }
    ApplyDecision(RunRangeCheck(settings));
}

void CTarnixDoc::Stop() {
    if (settings.acquire.running == 0) {
        return;
    }
    settings.acquire.running = 0;
    settings.runStatus = kStatusStopped;
    stoppedSecondsPerDiv = SecondsPerDiv(settings.timebase);
    stoppedPosition = settings.timebase.horizontalPosition;
    processor.OnStop(settings, frames);
    if (hooks.repaint) {
        hooks.repaint();
    }
}

} // namespace tarnix
