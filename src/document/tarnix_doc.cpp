// The document's setters, the rules between settings and the factory defaults. The acquisition cycle
// itself is in tarnix_doc_cycle.cpp.
#include "document/tarnix_doc.h"

#include <algorithm>
#include <cmath>

#include "model/model_table.h"
#include "model/setting_rules.h"

namespace tarnix {

namespace {

// Picks the first instrument and goes on in demo mode when there is none: what a program without a
// window (a test, a headless run) should do.
class CDefaultChooser final : public IStartupChooser {
public:
    std::optional<int> ChooseDevice(std::span<const FoundDevice> devices) override {
        if (devices.empty()) {
            return std::nullopt;
        }
        return devices.front().slot;
    }
    NoDeviceChoice NoDeviceFound() override { return NoDeviceChoice::kIgnore; }
};

CDefaultChooser defaultChooser;

bool IsChannelIndex(int channel) {
    return channel >= 0 && channel < kChannelCount;
}

} // namespace

CTarnixDoc::CTarnixDoc(const DocumentServices& services)
    : link(services.library), passFail(&passFailHost_), datalog(services.clock),
      clock_(services.clock != nullptr ? services.clock : &systemClock_),
      random_(services.random != nullptr ? services.random : &systemRandom_), notifier_(services.notifier),
      chooser_(services.chooser != nullptr ? services.chooser : &defaultChooser) {
    AllocateFrames(frames, settings.model);
    processor.hooks.updateMeasurements = [this](double secondsPerDiv) {
        EvaluateMeasurements(secondsPerDiv);
    };
    ResetFft(fftSettings, fftResults);
}

std::string CTarnixDoc::Text(int key) const {
    if (hooks.lookupText) {
        std::string text = hooks.lookupText(key);
        if (!text.empty()) {
            return text;
        }
    } else if (std::string text = language.LookupText(key); !text.empty()) {
        return text;
    }
    switch (key) {
    case kTextFunctionNotAvailable:
        return "Function not available!";
    case kTextSearchDevice:
        return "Search Device......";
    case kTextRunInDemo:
        return "Run in demo";
    case kTextConnected:
        return "Connected";
    default:
        return {};
    }
}

void CTarnixDoc::Notify(std::string_view caption, std::string_view text) {
    if (notifier_ != nullptr) {
        notifier_->ShowMessage(caption, text);
    }
}

int CTarnixDoc::TimeRow() const {
    return settings.timebase.timeDivIndex + settings.timebase.timeDivOffset;
}

// ---- Driver sends: only with an instrument; the block is kept up to date either way ----

void CTarnixDoc::SendChannels() {
    if (!Demo()) {
        link.SetChannels(settings.ch(kCh1).voltsPerDivIndex, settings.ch(kCh2).voltsPerDivIndex,
                         settings.ch(kCh1).coupling, settings.ch(kCh2).coupling, link.block.triggerSource);
    }
}

void CTarnixDoc::SendLevels() {
    if (!Demo()) {
        link.SetLevels(settings.ch(kCh1).voltsPerDivIndex, settings.ch(kCh2).voltsPerDivIndex,
                       link.block.triggerSource);
    }
}

void CTarnixDoc::SendTimebase() {
    if (!Demo()) {
        link.SetTimebaseTrigger(settings.trigger.slope);
    }
}

void CTarnixDoc::SendFilters() {
    if (!Demo()) {
        link.SetFilters(static_cast<int>(settings.ch(kCh1).bandwidthLimit),
                        static_cast<int>(settings.ch(kCh2).bandwidthLimit),
                        static_cast<int>(settings.trigger.hfRejection));
    }
}

// ---- Setters ----

void CTarnixDoc::SetVoltsPerDiv(int channel, int index) {
    if (!ValidChannel(channel) ||
        !StoreIfInRange(settings.ch(channel).voltsPerDivIndex, EnumeratedField::kVoltsPerDiv, index)) {
        return;
    }
    SendChannels();
    SendLevels();
    OnSettingsChanged();
}

void CTarnixDoc::SetCoupling(int channel, int coupling) {
    if (!ValidChannel(channel) ||
        !StoreIfInRange(settings.ch(channel).coupling, EnumeratedField::kCoupling, coupling)) {
        return;
    }
    SendChannels();
    OnSettingsChanged();
}

void CTarnixDoc::SetZeroLevel(int channel, float level) {
    if (!ValidChannel(channel)) {
        return;
    }
    settings.ch(channel).zeroLevel = level;
    (channel == kCh1 ? link.block.levels.ch1Zero : link.block.levels.ch2Zero) = ZeroLevelToBlock(level);
    SendLevels();
    OnSettingsChanged();
}

void CTarnixDoc::SetTriggerLevel(int channel, float level) {
    if (!ValidChannel(channel)) {
        return;
    }
    (channel == kCh1 ? settings.trigger.levelCh1 : settings.trigger.levelCh2) = level;
    (channel == kCh1 ? link.block.levels.ch1Trigger : link.block.levels.ch2Trigger) =
        TriggerLevelToBlock(level);
    SendLevels();
    OnSettingsChanged();
}

void CTarnixDoc::SetExtTriggerLevel(float level) {
    settings.trigger.levelExt = level;
    link.block.levels.extTrigger = ExtLevelToBlock(level);
    SendChannels();
    SendLevels();
    OnSettingsChanged();
}

void CTarnixDoc::SetBandwidthLimit(int channel, bool on) {
    if (!ValidChannel(channel)) {
        return;
    }
    settings.ch(channel).bandwidthLimit = on ? 1 : 0;
    SendFilters();
    OnSettingsChanged();
}

void CTarnixDoc::SetHfRejection(bool on) {
    settings.trigger.hfRejection = on ? 1 : 0;
    SendFilters();
    OnSettingsChanged();
}

void CTarnixDoc::SetTimeDiv(int index) {
    if (!StoreIfInRange(settings.timebase.timeDivIndex, EnumeratedField::kTimeDiv, index)) {
        return;
    }
    link.block.timeDivIndex = settings.timebase.timeDivIndex;
    SendTimebase();
}

void CTarnixDoc::TimeDivFaster() {
    settings.timebase.timeDivIndex =
        static_cast<std::uint16_t>(StepTimeDivFaster(settings.timebase.timeDivIndex));
    link.block.timeDivIndex = settings.timebase.timeDivIndex;
    SendTimebase();
    OnSettingsChanged();
}

void CTarnixDoc::TimeDivSlower() {
    settings.timebase.timeDivIndex = static_cast<std::uint16_t>(
        StepTimeDivSlower(settings.timebase.timeDivIndex, settings.timebase.timeDivOffset));
    link.block.timeDivIndex = settings.timebase.timeDivIndex;
    SendTimebase();
    OnSettingsChanged();
}

void CTarnixDoc::SetHorizontalPosition(int position) {
    // The argument is a signed 16-bit quantity; the stored field never leaves 0..500.
    const auto position16 = static_cast<std::int16_t>(std::clamp(position, -32768, 32767));
    settings.timebase.horizontalPosition = static_cast<std::uint16_t>(std::clamp<int>(position16, 0, 500));
    link.block.position = HorizontalPositionToBlock(position16);
    SendTimebase();
    OnSettingsChanged();
}

void CTarnixDoc::SetTriggerSource(int source) {
    if (!StoreIfInRange(settings.trigger.triggerSource, EnumeratedField::kTriggerSource, source)) {
        return;
    }
    link.block.triggerSource = settings.trigger.triggerSource;
    SendTimebase();
    SendLevels();
    OnSettingsChanged();
}

void CTarnixDoc::SetSlope(int slope) {
    if (!StoreIfInRange(settings.trigger.slope, EnumeratedField::kSlope, slope)) {
        return;
    }
    SendTimebase();
    OnSettingsChanged();
}

void CTarnixDoc::SetDisplayFormat(int format) {
    if (!StoreIfInRange(settings.timebase.displayFormat, EnumeratedField::kDisplayFormat, format)) {
        return;
    }
    OnSettingsChanged();
}

void CTarnixDoc::SetBufferSize(int index) {
    if (!StoreIfInRange(settings.timebase.bufferSizeIndex, EnumeratedField::kBufferSize, index)) {
        return;
    }
    link.block.bufferSizeIndex = settings.timebase.bufferSizeIndex;
    const std::uint32_t length = BufferSizeRecordLength(index);
    for (int c : {kCh1, kCh2, kMath}) {
        settings.ch(c).recordLength = length;
    }
    SendTimebase();
    OnSettingsChanged();
}

void CTarnixDoc::ApplyChannelEnables() {
    link.block.channelCode = ChannelCode(settings.ch(kCh1).enabled != 0, settings.ch(kCh2).enabled != 0);
    SendTimebase();
    ApplyDecision(ChannelEnablesApplied(settings));
    OnSettingsChanged();
}

void CTarnixDoc::ApplyDecision(const RuleDecision& decision) {
    if (decision.Refused()) {
        Notify(kErrorCaption, decision.errorText);
        return;
    }
    if (decision.bufferSizeIndex >= 0) {
        SetBufferSize(decision.bufferSizeIndex);
    }
    if (decision.SetsTimebase()) {
        SetTimeDiv(decision.timeDivIndex);
    }
    if (decision.displayFormat >= 0) {
        SetDisplayFormat(decision.displayFormat);
    }
    if (decision.restartCapture) {
        if (!Demo()) {
            link.StartCapture();
            link.EnableTrigger();
            link.ForceTrigger();
        }
        pacingWait = false;
    }
    if (decision.redraw && hooks.repaint) {
        hooks.repaint();
    }
}

void CTarnixDoc::SetTriggerMode(int mode) {
    StoreIfInRange(settings.trigger.triggerMode, EnumeratedField::kTriggerMode, mode);
}

void CTarnixDoc::SetSweep(int sweep) {
    StoreIfInRange(settings.trigger.sweep, EnumeratedField::kSweep, sweep);
}

void CTarnixDoc::SetSamplingMode(int mode) {
    StoreIfInRange(settings.timebase.samplingMode, EnumeratedField::kSamplingMode, mode);
}

void CTarnixDoc::SetAcquisitionMode(int mode) {
    if (StoreIfInRange(settings.acquire.acquisitionMode, EnumeratedField::kAcquisitionMode, mode)) {
        processor.OnAcquisitionModeChanged(settings.acquire.acquisitionMode);
    }
}

void CTarnixDoc::SetAverageCount(int count) {
    if (count < 1 || count > kMaxAverageCount) {
        return;
    }
    settings.acquire.averageCount = static_cast<std::uint16_t>(count);
    settings.acquire.averagedFrames = 0;
}

void CTarnixDoc::SetInterpolation(int channel, int interpolation) {
    if (IsChannelIndex(channel)) {
        StoreIfInRange(settings.ch(channel).interpolation, EnumeratedField::kInterpolation, interpolation);
    }
}

void CTarnixDoc::SetInvert(int channel, bool on) {
    if (channel == kCh1 || channel == kCh2 || channel == kMath) {
        settings.ch(channel).invert = on ? 1 : 0;
    }
}

void CTarnixDoc::SetProbe(int channel, int probe) {
    if (IsChannelIndex(channel)) {
        StoreIfInRange(settings.ch(channel).probe, EnumeratedField::kProbe, probe);
    }
}

void CTarnixDoc::SetMathOperator(int op) {
    StoreIfInRange(settings.ch(kMath).math.mathOperator, EnumeratedField::kMathOperator, op);
}

void CTarnixDoc::SetMathSources(int sourceA, int sourceB) {
    if (IsInRange(EnumeratedField::kMathSource, sourceA) &&
        IsInRange(EnumeratedField::kMathSource, sourceB)) {
        settings.ch(kMath).math.sourceA = static_cast<std::uint16_t>(sourceA);
        settings.ch(kMath).math.sourceB = static_cast<std::uint16_t>(sourceB);
    }
}

// ---- Rules between settings ----

void CTarnixDoc::ResetTriggerMarkerOffset() {
    screenSetup.levelOffset = 0.0f;
    if (hooks.triggerSourceChanged) {
        hooks.triggerSourceChanged();
    }
}

void CTarnixDoc::SelectTriggerSource(int source) {
    if (!IsInRange(EnumeratedField::kTriggerSource, source)) {
        return;
    }
    ResetTriggerMarkerOffset();
    link.block.altFlag = source == kTrigAlt ? 1 : 0;
    // A new channel source triggers at its 0 V line; EXT starts at mid-scale.
    if (source == kTrigCh1) {
        settings.trigger.levelMarkerCh1 = kMarkerOnScreen;
        SetTriggerLevel(kCh1, settings.ch(kCh1).zeroLevel);
    } else if (source == kTrigCh2) {
        settings.trigger.levelMarkerCh2 = kMarkerOnScreen;
        SetTriggerLevel(kCh2, settings.ch(kCh2).zeroLevel);
    } else if (source == kTrigExt || source == kTrigExt10) {
        settings.trigger.levelMarkerExt = kMarkerOnScreen;
        SetExtTriggerLevel(128.0f);
    }
    SetTriggerSource(source);
    ApplyChannelEnables();
}

void CTarnixDoc::SetTimeDivByLabel(std::string_view label) {
    const int index = TimeDivIndexOfLabel(label, settings.timebase.timeDivOffset);
    if (index >= 0) {
        SetTimeDiv(index);
    }
}

void CTarnixDoc::SelectDisplayFormat(int format, TriggerLevels levels) {
    if (!IsInRange(EnumeratedField::kDisplayFormat, format)) {
        return;
    }
    const int previous = settings.timebase.displayFormat;
    if (format == kFormatXY) {
        // X-Y plots CH1 against CH2: both on, MATH and REF off, both traces centred.
        settings.ch(kCh1).enabled = 1;
        settings.ch(kCh2).enabled = 1;
        settings.ch(kMath).enabled = 0;
        settings.ch(kRef).enabled = 0;
        ApplyChannelEnables();
        if (previous == kFormatRoll) {
            SetTimeDivByLabel("40.0us");
        }
        SetDisplayFormat(kFormatXY);
        SetZeroLevel(kCh1, 128.0f);
        SetZeroLevel(kCh2, 128.0f);
        if (levels == TriggerLevels::kCentre) {
            SetTriggerLevel(kCh1, 128.0f);
            SetTriggerLevel(kCh2, 128.0f);
        }
        return;
    }
    if (format == kFormatRoll) {
        SetTimeDivByLabel("1.00s");
    } else if (previous == kFormatRoll) {
        SetTimeDivByLabel("40.0us");
    }
    SetDisplayFormat(format);
}

bool CTarnixDoc::SetChannelEnabled(int channel, bool on) {
    if (!IsChannelIndex(channel)) {
        return false;
    }
    if (settings.timebase.displayFormat == kFormatXY) {
        if (channel == kCh1 && !on) {
            return false;
        }
        if ((channel == kMath || channel == kRef) && on) {
            Notify(kErrorCaption, Text(kTextFunctionNotAvailable));
            return false;
        }
    }
    settings.ch(channel).enabled = on ? 1 : 0;
    if (channel == kCh1 || channel == kCh2) {
        ApplyChannelEnables();
    } else {
        OnSettingsChanged();
    }
    return true;
}

void CTarnixDoc::OnSettingsChanged() {
    if (settings.timebase.displayFormat == kFormatRoll && settings.acquire.running != 0) {
        ClearRollRecord();
    }
}

void CTarnixDoc::ClearRollRecord() {
    for (int c : {kCh1, kCh2}) {
        WaveFrame& frame = frames[static_cast<std::size_t>(c)];
        frame.rollPosition = 0;
        frame.display.fill(0);
        std::fill(frame.samples.begin(), frame.samples.end(), std::uint16_t{0});
    }
}

void CTarnixDoc::ApplyFactoryDefaults() {
    tarnix::ApplyFactoryDefaults(settings);
    pacingWait = false;
    forcedTrigger = false;
    // Memories are sized once per model and kept; a model change (never in practice) re-sizes them.
    const std::size_t capacity = ModelSampleCapacity(settings.model);
    if (capacity != 0 && frames[kCh1].samples.size() != capacity) {
        AllocateFrames(frames, settings.model);
    }
    processor.OnAcquisitionModeChanged(settings.acquire.acquisitionMode);
    refEmpty = true;
    framesEdited_ = true;
    for (WaveFrame& frame : frames) {
        frame.ResetWindow();
    }
    ResetOwnedSubsystems();
    if (hooks.resetSubsystems) {
        hooks.resetSubsystems();
    }
}

} // namespace tarnix
