#include "document/zero_calibration.h"

#include <algorithm>

#include "document/tarnix_doc.h"
#include "model/instrument_settings.h"
#include "model/setting_rules.h"

namespace tarnix {

namespace {

// Starting words of models 0 and 1; the later models (3..5) have no table of their own and start from
// the same words, which the search then moves as far as needed.
constexpr std::array<std::array<std::uint16_t, kCalibratedVoltsSteps>, 2> kStartWords{{
    {160, 135, 127, 160, 135, 127, 160, 135, 127},
    {157, 136, 128, 157, 136, 128, 157, 136, 128},
}};
constexpr std::uint16_t kModel2StartWord = 210;

// Bottom search: how far to lower the word for a mean level m (the trace is m codes above the edge).
int BottomStep(int mean) {
    if (mean >= 31) {
        return 5;
    }
    if (mean >= 16) {
        return 4;
    }
    if (mean >= 11) {
        return 2;
    }
    return 1;
}

// Top search: how far to raise the word for a mean level m below 255.
int TopStep(int mean) {
    if (mean < 200) {
        return 5;
    }
    if (mean < 230) {
        return 4;
    }
    if (mean < 241) {
        return 2;
    }
    return 1;
}

} // namespace

std::uint16_t CalibrationStartWord(int model, int channel, int voltsIndex) {
    if (model == 2) {
        return kModel2StartWord;
    }
    const auto c = static_cast<std::size_t>(std::clamp(channel, 0, 1));
    const auto i = static_cast<std::size_t>(std::clamp(voltsIndex, 0, kCalibratedVoltsSteps - 1));
    return kStartWords[c][i];
}

int CalibrationWordIndex(int channel, int voltsIndex) {
    return std::clamp(channel, 0, 1) * kCalibrationWordsPerChannel +
           2 * std::clamp(voltsIndex, 0, kCalibratedVoltsSteps - 1);
}

int CalibrationLevelMax(int model) {
    return model == 2 ? 20 : 10;
}

int ClampCalibrationLevel(int model, int value) {
    return std::clamp(value, 0, CalibrationLevelMax(model));
}

CalibrationLevelEdit ApplyCalibrationLevelEdit(CDeviceLink& link, int model, int value) {
    CalibrationLevelEdit edit;
    edit.value = ClampCalibrationLevel(model, value);
    if (edit.value != link.calibrationLevel) {
        // Stored whatever the instrument answers; the result is not shown to the user.
        link.calibrationLevel = static_cast<std::uint16_t>(edit.value);
        link.WriteCalibrationLevel(edit.value);
        edit.written = true;
    }
    return edit;
}

std::vector<std::string> CalibrationProgressLines(int step, bool ch1Selected, bool ch2Selected) {
    std::vector<std::string> lines{kCalibrationPrepareLine, kCalibrationStartedLine};
    switch (step) {
    case kCalibrationCh1:
        lines.emplace_back("Calibrate CH1...");
        break;
    case kCalibrationCh2:
        if (ch1Selected) {
            lines.emplace_back("Calibrate CH1... OK!");
        }
        lines.emplace_back("Calibrate CH2... ");
        break;
    default:
        if (ch1Selected) {
            lines.emplace_back("Calibrate CH1... OK!");
        }
        if (ch2Selected) {
            lines.emplace_back("Calibrate CH2... OK!");
        }
        lines.emplace_back("Calibrate OK!");
        break;
    }
    return lines;
}

CZeroCalibration::CZeroCalibration(CTarnixDoc& doc) : doc_(doc) {}

void CZeroCalibration::Attach() {
    doc_.hooks.calibrationTick = [this] { Tick(); };
}

bool CZeroCalibration::InProgress() const {
    return doc_.calibrationStep != kCalibrationIdle;
}

int CZeroCalibration::Step() const {
    return doc_.calibrationStep;
}

bool CZeroCalibration::Start(bool ch1Selected, bool ch2Selected) {
    // The demo source has no offsets to calibrate, and the tick never runs calibration in demo mode.
    if ((!ch1Selected && !ch2Selected) || doc_.settings.demoMode != 0) {
        return false;
    }
    selected_ = {ch1Selected, ch2Selected};
    InstrumentSettings& s = doc_.settings;
    if (s.acquire.running == 0) {
        doc_.Run();
    }
    if (s.timebase.displayFormat != kFormatYT) {
        doc_.SelectDisplayFormat(kFormatYT); // leaves Roll through 40.0us
    }
    doc_.SetAcquisitionMode(kAcqNormal);
    doc_.SetBufferSize(0);
    if (hooks.setMainWindowMaximized) {
        hooks.setMainWindowMaximized(true);
    }
    doc_.SetTimeDiv(kCalibrationTimeDiv);
    doc_.SetSweep(kSweepAuto);

    savedEnables_ = {s.ch(kCh1).enabled, s.ch(kCh2).enabled};
    voltsIndex_ = 0;
    if (ch1Selected) {
        doc_.calibrationStep = kCalibrationCh1;
        s.ch(kCh1).enabled = 1;
        doc_.SelectTriggerSource(kTrigCh1);
        doc_.SetCoupling(kCh1, kCouplingAc);
        if (ch2Selected) {
            s.ch(kCh2).enabled = 1;
        }
    } else {
        doc_.calibrationStep = kCalibrationCh2;
        s.ch(kCh2).enabled = 1;
        doc_.SelectTriggerSource(kTrigCh2);
        doc_.SetCoupling(kCh2, kCouplingAc);
    }
    phase_ = 0;
    lastMean_ = 0;
    doc_.ApplyChannelEnables();
    working_ = doc_.link.calibration;
    return true;
}

void CZeroCalibration::Tick() {
    switch (doc_.calibrationStep) {
    case kCalibrationCh1:
        PhaseStep(kCh1);
        break;
    case kCalibrationCh2:
        PhaseStep(kCh2);
        break;
    case kCalibrationDone:
        Finish();
        break;
    default:
        break;
    }
}

void CZeroCalibration::SetZeroLevelQuietly(int channel, float level) {
    // Only stored and put into the block: the next test capture sends it with the working table.
    doc_.settings.ch(channel).zeroLevel = level;
    (channel == kCh1 ? doc_.link.block.levels.ch1Zero : doc_.link.block.levels.ch2Zero) =
        ZeroLevelToBlock(level);
}

int CZeroCalibration::CaptureMean(int channel) {
    const InstrumentSettings& s = doc_.settings;
    const int ch1Volts = channel == kCh1 ? voltsIndex_ : s.ch(kCh1).voltsPerDivIndex;
    const int ch2Volts = channel == kCh2 ? voltsIndex_ : s.ch(kCh2).voltsPerDivIndex;
    doc_.link.SetLevels(ch1Volts, ch2Volts, kTrigCh1, working_.data());
    doc_.SingleCapture();
    long long sum = 0;
    for (std::int16_t level : doc_.frames[static_cast<std::size_t>(channel)].display) {
        sum += level;
    }
    lastMean_ = TruncateToInt(static_cast<double>(sum) * 0.0002);
    return lastMean_;
}

void CZeroCalibration::PhaseStep(int channel) {
    const auto bottom = static_cast<std::size_t>(CalibrationWordIndex(channel, voltsIndex_));
    const std::size_t top = bottom + 1;
    switch (phase_) {
    case 0:
        SetZeroLevelQuietly(channel, 255.0f);
        doc_.SetVoltsPerDiv(channel, voltsIndex_);
        working_[bottom] = CalibrationStartWord(doc_.settings.model, channel, voltsIndex_);
        phase_ = 1;
        break;
    case 1: {
        const int mean = CaptureMean(channel);
        if (working_[bottom] < kBottomWordFloor || mean <= 0) {
            phase_ = 2;
        } else {
            working_[bottom] = static_cast<std::uint16_t>(working_[bottom] - BottomStep(mean));
        }
        break;
    }
    case 2:
        SetZeroLevelQuietly(channel, 0.0f);
        doc_.SetVoltsPerDiv(channel, voltsIndex_);
        working_[top] = working_[bottom];
        phase_ = 3;
        break;
    case 3: {
        const int mean = CaptureMean(channel);
        if (working_[top] >= kTopWordCeiling || mean >= 255) {
            phase_ = 4;
        } else {
            working_[top] = static_cast<std::uint16_t>(working_[top] + TopStep(mean));
        }
        break;
    }
    default:
        phase_ = 0;
        ++voltsIndex_;
        if (voltsIndex_ >= kCalibratedVoltsSteps) {
            voltsIndex_ = 0;
            ChannelDone(channel);
        }
        break;
    }
}

void CZeroCalibration::ChannelDone(int channel) {
    if (channel == kCh1 && !selected_[1]) {
        doc_.calibrationStep = kCalibrationDone;
        return;
    }
    ++doc_.calibrationStep;
    if (doc_.calibrationStep == kCalibrationCh2) {
        // CH1 back where it is normally seen while CH2 is searched at the edges.
        doc_.SetZeroLevel(kCh1, 64.0f);
        doc_.SetTriggerLevel(kCh1, 64.0f);
        doc_.SelectTriggerSource(kTrigCh2);
        doc_.SetCoupling(kCh2, kCouplingAc);
    }
}

void CZeroCalibration::Finish() {
    if (doc_.calibrationStep == kCalibrationIdle) {
        return; // already finished (the dialog's timer and the tick may both end it)
    }
    CDeviceLink& link = doc_.link;
    if (doc_.calibrationStep == kCalibrationDone) {
        link.calibration = working_;
        link.WriteCalibration();
    }
    InstrumentSettings& s = doc_.settings;
    if (s.demoMode == 0) {
        link.SetLevels(s.ch(kCh1).voltsPerDivIndex, s.ch(kCh2).voltsPerDivIndex, link.block.triggerSource);
    }
    s.ch(kCh1).enabled = savedEnables_[0];
    s.ch(kCh2).enabled = savedEnables_[1];
    doc_.ApplyChannelEnables();
    if (hooks.refreshSidebar) {
        hooks.refreshSidebar();
    }
    doc_.SetHorizontalPosition(250);
    doc_.SetZeroLevel(kCh1, 64.0f);
    doc_.SetTriggerLevel(kCh1, 64.0f);
    doc_.SetZeroLevel(kCh2, 192.0f);
    doc_.SetTriggerLevel(kCh2, 192.0f);
    doc_.calibrationStep = kCalibrationIdle;
    if (hooks.setMainWindowMaximized) {
        hooks.setMainWindowMaximized(false);
    }
}

} // namespace tarnix
