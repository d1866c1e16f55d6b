// The subsystems the document owns and drives from its tick: measurements, Pass/Fail, FFT, the recorder
// and player, and the language table; plus the host adapters through which Pass/Fail and the recorder
// act on the document.
#include <algorithm>

#include "analysis/analysis_inputs.h"
#include "document/tarnix_doc.h"
#include "files/file_io.h"
#include "model/model_table.h"
#include "model/safe_file.h"

namespace tarnix {

namespace {

int LiveChannel(int source) {
    return source == 1 ? kCh2 : kCh1;
}

} // namespace

// ---- Hosts ----

void CDocPassFailHost::StopAcquisition() {
    doc_.Stop();
}

void CDocPassFailHost::Beep() {
    if (doc_.hooks.beep) {
        doc_.hooks.beep();
    }
}

const InstrumentSettings& CDocRecorderHost::Settings() const {
    return doc_.settings;
}

std::span<const std::int16_t> CDocRecorderHost::DisplayTrace(int channel) const {
    return doc_.frames[static_cast<std::size_t>(LiveChannel(channel))].display;
}

std::uint32_t CDocRecorderHost::CaptureCount() const {
    return doc_.captureCount;
}

void CDocRecorderHost::ShowFrame(int channel, std::span<const std::int16_t> frame) {
    auto& display = doc_.frames[static_cast<std::size_t>(LiveChannel(channel))].display;
    std::copy_n(frame.begin(), std::min(frame.size(), display.size()), display.begin());
    // Once the player lets go (the acquisition timer runs again), a stopped screen shows its record again.
    doc_.framesEdited_ = true;
}

void CDocRecorderHost::SetChannelEnabled(int channel, bool on) {
    const int ch = LiveChannel(channel);
    if ((doc_.settings.ch(ch).enabled != 0) != on) {
        doc_.SetChannelEnabled(ch, on);
    }
    if (doc_.hooks.refreshSidebar) {
        doc_.hooks.refreshSidebar();
    }
}

void CDocRecorderHost::ApplyPlaybackContext(int channel, const RecorderSettings& context) {
    const int ch = LiveChannel(channel);
    doc_.SetZeroLevel(ch, context.verticalPosition);
    doc_.SetVoltsPerDiv(ch, context.voltsPerDivIndex);
    doc_.SetCoupling(ch, context.coupling);
    doc_.SetProbe(ch, context.probe);
    doc_.SetBandwidthLimit(ch, context.bandwidthLimit != 0);
    doc_.SetHorizontalPosition(context.horizontalPosition);
    doc_.SetTimeDiv(context.timeDivIndex);
    if (doc_.hooks.refreshSidebar) {
        doc_.hooks.refreshSidebar();
    }
    Redraw();
}

void CDocRecorderHost::SetBufferSize(int index) {
    doc_.SetBufferSize(index);
}

void CDocRecorderHost::SetRunStatus(std::uint16_t status) {
    doc_.settings.runStatus = status;
}

void CDocRecorderHost::StartAcquisitionTimer() {
    if (doc_.hooks.startAcquisitionTimer) {
        doc_.hooks.startAcquisitionTimer();
    }
}

void CDocRecorderHost::StopAcquisitionTimer() {
    if (doc_.hooks.stopAcquisitionTimer) {
        doc_.hooks.stopAcquisitionTimer();
    }
}

void CDocRecorderHost::Redraw() {
    if (doc_.hooks.repaint) {
        doc_.hooks.repaint();
    }
}

// ---- The tick's analysis steps ----

void CTarnixDoc::EvaluateMeasurements(double secondsPerDiv) {
    measures.SetSecondsPerDiv(secondsPerDiv);
    measures.UpdateMeasurements(MeasureChannelsFrom(settings, frames));
}

void CTarnixDoc::PassFailStep() {
    const int source = LiveChannel(passFail.State().source);
    passFailResult = passFail.TestFrame(settings, frames[static_cast<std::size_t>(source)].display);
    if (hooks.passFailTick) {
        hooks.passFailTick();
    }
}

void CTarnixDoc::FftStep() {
    // The screen draws the spectrum whenever the analysis runs, so it is computed whether or not its
    // panel is open.
    fftStatus =
        fft.Compute(fftSettings, FftInputFrom(settings, link.block, frames, fftSettings.source), fftResults);
    if (hooks.fftTick) {
        hooks.fftTick();
    }
}

void CTarnixDoc::ResetOwnedSubsystems() {
    measures.ClearMeasures();
    measures.SetMeasureSource(kCh1);
    passFail.Reset();
    passFailResult = {};
    recorder.Reset();
    ResetFft(fftSettings, fftResults);
    fftStatus = FftStatus::kNotRunning;
    screenSetup.levelOffset = 0.0f;
}

// ---- FFT ----

void CTarnixDoc::SetFftRunning(bool running) {
    fftSettings.running = running ? 1 : 0;
}

FileResult CTarnixDoc::ExportSpectrum(const std::string& path) const {
    const std::string text = FormatSpectrumText(fftResults, fftSettings.scale);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (const int error = WriteFileSafely(path, std::span<const std::uint8_t>(bytes, text.size()));
        error != 0) {
        return FileResult::Refused(CannotSaveMessage(error));
    }
    return FileResult::Success();
}

void CTarnixDoc::FillFftBlock(FftParameters& parameters) const {
    const int source = LiveChannel(fftSettings.source);
    FillFftParameters(fftSettings, ChannelVoltsPerDiv(settings.ch(source)), parameters);
}

// ---- Pass/Fail ----

void CTarnixDoc::CreatePassFailMask(const MaskSettings& mask) {
    const int source = LiveChannel(mask.source);
    passFail.CreateMask(mask, frames[static_cast<std::size_t>(source)].display);
    if (settings.ch(source).enabled == 0) {
        SetChannelEnabled(source, true);
    }
}

bool CTarnixDoc::StartPassFail() {
    return passFail.Start(settings);
}

void CTarnixDoc::StopPassFail() {
    passFail.Stop();
}

void CTarnixDoc::ClosePassFailPanel() {
    passFail.ClosePanel(settings);
}

// ---- Recorder and player ----

bool CTarnixDoc::OpenRecorder() {
    if (settings.timebase.displayFormat != kFormatYT) {
        Notify(kErrorCaption, Text(kTextFunctionNotAvailable));
        return false;
    }
    recorder.OpenPanel(recorderHost_);
    return true;
}

void CTarnixDoc::CloseRecorder(IPanelTimer& timer) {
    recorder.ClosePanel(recorderHost_, timer);
}

void CTarnixDoc::PressRecord(IPanelTimer& timer) {
    recorder.PressRecord(recorderHost_, timer);
}

void CTarnixDoc::PressPlay(IPanelTimer& timer) {
    recorder.PressPlay(recorderHost_, timer);
}

void CTarnixDoc::RecorderTimerTick(IPanelTimer& timer) {
    recorder.OnTimer(recorderHost_, timer);
}

int CTarnixDoc::SetRecorderCurrentFrame(int frame) {
    return recorder.SetCurrentFrame(recorderHost_, frame);
}

FileResult CTarnixDoc::SaveRec(const std::string& path) {
    return recorder.SaveRec(path);
}

FileResult CTarnixDoc::LoadRec(const std::string& path) {
    return recorder.LoadRec(path, settings.timebase.timeDivOffset);
}

// ---- Language ----

int CTarnixDoc::SelectLanguage(int index) {
    languageIndex = language.SelectLanguage(index, settings.model);
    return languageIndex;
}

} // namespace tarnix
