#include "document/autoset.h"

#include <algorithm>
#include <cstdlib>

#include "analysis/analysis_inputs.h"
#include "analysis/measure_set.h"
#include "document/tarnix_doc.h"

namespace tarnix {

namespace {

constexpr std::array<std::string_view, 4> kDoneLines{"Autoset CH1... OK!", "Autoset CH2... OK!",
                                                     "Autoset Horizontal... OK!", "Autoset OK!"};
constexpr std::array<std::string_view, 3> kBusyLines{"Autoset CH1...", "Autoset CH2...",
                                                     "Autoset Horizontal..."};

bool SpanFits(int span) {
    return span >= kAutosetSpanMin && span <= kAutosetSpanMax;
}

// How far a cycle count lies outside 4..10; 0 inside.
int CycleDistance(int cycles) {
    if (cycles < kAutosetCyclesMin) {
        return kAutosetCyclesMin - cycles;
    }
    return std::max(0, cycles - kAutosetCyclesMax);
}

} // namespace

std::string AutosetProgressText(int step) {
    if (step < kAutosetCh1 || step > kAutosetFinish) {
        return {};
    }
    std::string text;
    // Step n lists the n finished stages, then (for steps 0..2) the busy one.
    for (int i = 0; i < step; ++i) {
        if (!text.empty()) {
            text += '\n';
        }
        text += kDoneLines[static_cast<std::size_t>(i)];
    }
    if (step <= kAutosetTimebase) {
        if (!text.empty()) {
            text += '\n';
        }
        text += kBusyLines[static_cast<std::size_t>(step)];
    }
    return text;
}

CAutoset::CAutoset(CTarnixDoc& doc) : doc_(doc) {}

void CAutoset::Attach() {
    doc_.hooks.autosetTick = [this] { Tick(); };
    doc_.hooks.autosetFinish = [this] { Finish(); };
}

bool CAutoset::Running() const {
    return doc_.specialStep != kAutosetIdle;
}

void CAutoset::ResetNoSignalFlags() {
    noSignal_ = {};
}

bool CAutoset::SignalFound(int channel) const {
    return (channel == kCh1 || channel == kCh2) && found_[static_cast<std::size_t>(channel)];
}

bool CAutoset::NoSignal(int channel) const {
    return (channel == kCh1 || channel == kCh2) && noSignal_[static_cast<std::size_t>(channel)];
}

void CAutoset::Start() {
    InstrumentSettings& s = doc_.settings;
    if (s.acquire.running == 0) {
        doc_.Run();
    }
    doc_.specialStep = kAutosetCh1;
    for (int c : {kCh1, kCh2}) {
        doc_.frames[static_cast<std::size_t>(c)].display.fill(kNoData);
    }

    doc_.SetTimeDiv(kAutosetCheckTimeDiv);
    doc_.SetDisplayFormat(kFormatYT);
    doc_.SetBufferSize(0);

    found_ = {};
    savedEnables_ = {s.ch(kCh1).enabled, s.ch(kCh2).enabled};
    s.ch(kCh1).enabled = 1;
    s.ch(kCh2).enabled = 1;

    if (s.trigger.sweep != kSweepAuto) {
        doc_.SetSweep(kSweepAuto);
    }
    doc_.SetTriggerSource(kTrigCh1);
    doc_.ResetTriggerMarkerOffset();
    doc_.link.block.altFlag = 0;
    s.trigger.levelMarkerCh1 = kMarkerOnScreen;
    doc_.ApplyChannelEnables();

    doc_.SetHorizontalPosition(0);
    for (int c : {kCh1, kCh2}) {
        doc_.SetZeroLevel(c, 128.0f);
        doc_.SetTriggerLevel(c, 128.0f);
    }
    for (int c : {kCh1, kCh2}) {
        doc_.SetVoltsPerDiv(c, kAutosetFirstVoltsIndex);
        doc_.SetCoupling(c, kCouplingAc);
    }

    voltsStep_ = kAutosetFirstVoltsIndex;
    candidate_ = 0;
    low_ = 0;
    high_ = kAutosetSearchHigh;
    settleCount_ = 0;
    bestCandidate_ = kAutosetNoSignalTimeDiv;
    bestDistance_ = -1;
    ShowText(kAutosetCh1);
}

void CAutoset::Tick() {
    const int step = doc_.specialStep;
    // A vertical give-up moves on without a text; the window catches up here.
    if (step != shownStep_) {
        ShowText(step);
    }
    switch (step) {
    case kAutosetCh1:
        VerticalStep(kCh1);
        break;
    case kAutosetCh2:
        VerticalStep(kCh2);
        break;
    case kAutosetTimebase:
        TimebaseStep();
        break;
    case kAutosetSettle:
        ++settleCount_;
        if (settleCount_ >= kAutosetSettleTicks) {
            EnterStep(kAutosetFinish, true);
        }
        break;
    default:
        break;
    }
}

void CAutoset::CaptureAndMeasure() {
    doc_.SingleCapture();
    doc_.measures.SetSecondsPerDiv(SecondsPerDiv(doc_.settings.timebase));
    doc_.measures.UpdateMeasurements(MeasureChannelsFrom(doc_.settings, doc_.frames));
}

int CAutoset::Span(int channel) const {
    const MeasureExtremes& extremes = doc_.measures.Extremes(channel);
    return extremes.high[0] - extremes.low[0];
}

bool CAutoset::VerticalCheck(int channel) {
    // A fast time base catches fast signals; a slow one the peaks of slow signals.
    doc_.SetTimeDiv(kAutosetCheckTimeDiv);
    CaptureAndMeasure();
    if (SpanFits(Span(channel))) {
        return true;
    }
    doc_.SetTimeDiv(kAutosetSecondCheckTimeDiv);
    CaptureAndMeasure();
    return SpanFits(Span(channel));
}

void CAutoset::VerticalStep(int channel) {
    doc_.SetVoltsPerDiv(channel, voltsStep_);
    if (VerticalCheck(channel)) {
        found_[static_cast<std::size_t>(channel)] = true;
        voltsStep_ = kAutosetFirstVoltsIndex;
        LeaveVertical(channel, true);
        return;
    }
    --voltsStep_;
    if (voltsStep_ < 0) {
        voltsStep_ = kAutosetFirstVoltsIndex;
        doc_.SetVoltsPerDiv(channel, kAutosetNoSignalVoltsIndex);
        LeaveVertical(channel, false);
    }
}

void CAutoset::LeaveVertical(int channel, bool fitted) {
    // A no-signal mark stays until Factory Setup, so a later run keeps the time base off that channel.
    if (!fitted) {
        noSignal_[static_cast<std::size_t>(channel)] = true;
    }
    if (channel == kCh2) {
        doc_.SetTimeDiv(0);
        candidate_ = 0;
    }
    EnterStep(channel + 1, fitted);
}

void CAutoset::TimebaseStep() {
    int channel = kCh1;
    if (noSignal_[kCh1]) {
        if (noSignal_[kCh2]) {
            doc_.SetTimeDiv(kAutosetNoSignalTimeDiv);
            EnterStep(kAutosetSettle, true);
            return;
        }
        channel = kCh2;
    }

    if (std::abs(low_ - high_) == 1) {
        low_ = high_;
    }
    bool converged = false;
    if (low_ != high_) {
        candidate_ = (low_ + high_) / 2;
    } else {
        candidate_ = low_;
        converged = true;
    }

    doc_.SetTimeDiv(candidate_);
    CaptureAndMeasure();
    const int cycles = doc_.measures.CyclesOnScreen(channel);
    const int distance = CycleDistance(cycles);
    if (distance == 0) {
        EnterStep(kAutosetSettle, true);
        return;
    }
    if (bestDistance_ < 0 || distance < bestDistance_) {
        bestDistance_ = distance;
        bestCandidate_ = candidate_;
    }
    if (cycles > kAutosetCyclesMax) {
        high_ = candidate_;
    } else {
        low_ = candidate_;
    }
    if (converged) {
        // No time base fits (a DC level, noise, a signal too slow or too fast): keep the nearest miss.
        doc_.SetTimeDiv(bestCandidate_);
        EnterStep(kAutosetSettle, true);
    }
}

void CAutoset::EnterStep(int step, bool showText) {
    doc_.specialStep = step;
    if (step == kAutosetSettle) {
        settleCount_ = 0;
    }
    if (showText) {
        ShowText(step);
    }
}

void CAutoset::ShowText(int step) {
    shownStep_ = step;
    if (hooks.showProgress) {
        hooks.showProgress(AutosetProgressText(step));
    }
}

void CAutoset::Finish() {
    InstrumentSettings& s = doc_.settings;
    doc_.specialStep = kAutosetIdle;

    if (found_[kCh1] || found_[kCh2]) {
        s.ch(kCh1).enabled = found_[kCh1] ? 1 : 0;
        s.ch(kCh2).enabled = found_[kCh2] ? 1 : 0;
    } else {
        s.ch(kCh1).enabled = savedEnables_[kCh1];
        s.ch(kCh2).enabled = savedEnables_[kCh2];
    }
    doc_.ApplyChannelEnables();
    if (hooks.refreshSidebar) {
        hooks.refreshSidebar();
    }

    doc_.ResetTriggerMarkerOffset();
    doc_.SetHorizontalPosition(250);
    doc_.SetZeroLevel(kCh1, 64.0f);
    doc_.SetTriggerLevel(kCh1, 64.0f);
    doc_.SetZeroLevel(kCh2, 192.0f);
    doc_.SetTriggerLevel(kCh2, 192.0f);

    // A trigger on a channel that is off would never fire; it moves to the other channel, which the
    // user sees named in the trigger box even when that one is off as well.
    const int source = s.trigger.triggerSource;
    if (source == kTrigCh1 && s.ch(kCh1).enabled == 0) {
        doc_.SetTriggerSource(kTrigCh2);
        doc_.SetTriggerLevel(kCh2, s.ch(kCh2).zeroLevel);
    } else if (source == kTrigCh2 && s.ch(kCh2).enabled == 0) {
        doc_.SetTriggerSource(kTrigCh1);
        doc_.SetTriggerLevel(kCh1, s.ch(kCh1).zeroLevel);
    }
    doc_.link.block.altFlag = 0;
    if (s.trigger.triggerSource == kTrigCh2) {
        s.trigger.levelMarkerCh2 = kMarkerOnScreen;
    } else {
        s.trigger.levelMarkerCh1 = kMarkerOnScreen;
    }
    doc_.ApplyChannelEnables();

    shownStep_ = -1;
    if (hooks.closeProgress) {
        hooks.closeProgress();
    }
}

} // namespace tarnix
