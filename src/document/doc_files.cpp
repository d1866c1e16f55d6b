// The document's file operations: setups (and Default.set), CSV waveforms, references, the text export,
// and the Channel/Reference commands that belong with the reference files. The formats themselves are
// the files library's; this is where their results meet the settings, frames and subsystems.
#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "document/tarnix_doc.h"
#include "files/csv_file.h"
#include "files/file_io.h"
#include "files/ref_file.h"
#include "files/text_export.h"
#include "model/model_table.h"

namespace tarnix {

namespace {

int SavedChannel(std::uint16_t saveChannel) {
    return saveChannel == 0 ? kCh1 : kCh2;
}

// The formats take the processed record as 16-bit codes; a sample below the bottom edge keeps its
// negative value, so an exported trace clipped by the screen still carries its true level.
std::span<const std::uint16_t> CodeView(const std::vector<std::int16_t>& processed) {
    return {reinterpret_cast<const std::uint16_t*>(processed.data()), processed.size()};
}

SetupRecorderBlock ToSetup(const RecorderSettings& r) {
    SetupRecorderBlock b;
    b.recordSource = r.recordSource;
    b.recordEndFrame = r.recordEndFrame;
    b.recordInterval = r.recordInterval;
    b.recordedCount = r.recordedCount;
    b.timeDivIndex = r.timeDivIndex;
    b.voltsPerDivIndex = r.voltsPerDivIndex;
    b.verticalPosition = r.verticalPosition;
    b.coupling = r.coupling;
    b.probe = r.probe;
    b.bandwidthLimit = r.bandwidthLimit;
    b.playing = r.playing;
    b.playStartFrame = r.playStartFrame;
    b.horizontalPosition = r.horizontalPosition;
    b.reserved = r.reserved;
    b.playInterval = r.playInterval;
    b.playEndFrame = r.playEndFrame;
    b.currentFrame = r.currentFrame;
    b.repeat = r.repeat;
    return b;
}

RecorderSettings FromSetup(const SetupRecorderBlock& b) {
    RecorderSettings r;
    r.recordSource = b.recordSource;
    r.recordEndFrame = b.recordEndFrame;
    r.recordInterval = b.recordInterval;
    r.recordedCount = b.recordedCount;
    r.timeDivIndex = b.timeDivIndex;
    r.voltsPerDivIndex = b.voltsPerDivIndex;
    r.verticalPosition = b.verticalPosition;
    r.coupling = b.coupling;
    r.probe = b.probe;
    r.bandwidthLimit = b.bandwidthLimit;
    r.playing = b.playing;
    r.playStartFrame = b.playStartFrame;
    r.horizontalPosition = b.horizontalPosition;
    r.reserved = b.reserved;
    r.playInterval = b.playInterval;
    r.playEndFrame = b.playEndFrame;
    r.currentFrame = b.currentFrame;
    r.repeat = b.repeat;
    return r;
}

} // namespace

// ---- Setups ----

SetupLimits CTarnixDoc::Limits() const {
    SetupLimits limits;
    limits.model = settings.model;
    limits.timeDivOffset = settings.timebase.timeDivOffset;
    limits.sampleCapacity = static_cast<std::uint32_t>(frames[kCh1].samples.size());
    limits.refCapacity = static_cast<std::uint32_t>(frames[kRef].samples.size());
    return limits;
}

SetupImage CTarnixDoc::CaptureSetup(bool withBulk) {
    if (hooks.captureScreenSetup) {
        hooks.captureScreenSetup(screenSetup);
    }
    SetupImage image;
    CaptureSettings(settings, image);
    image.languageIndex = languageIndex;

    const WaveFrame& ref = frames[kRef];
    image.ref.empty = refEmpty ? 1 : 0;
    image.ref.zeroLevelAtStop = ref.zeroLevelAtStop;
    image.ref.voltsPerDivIndexAtStop = ref.voltsDivIndexAtStop;
    image.ref.timeDivIndex = ref.refTimeDivIndex;
    image.ref.horizontalPosition = ref.refHorizontalPosition;
    image.ref.storedPosition = ref.refStoredPosition;
    if (withBulk && !refEmpty) {
        const std::size_t n = std::min<std::size_t>(settings.ch(kRef).recordLength, ref.samples.size());
        image.ref.samples.assign(ref.samples.begin(), ref.samples.begin() + static_cast<std::ptrdiff_t>(n));
    }

    // The trigger levels in volts as the status strip shows them now, not as some earlier load left them.
    const TriggerSettings& t = settings.trigger;
    screenSetup.voltsCh1 = static_cast<float>(ChannelVoltsPerDiv(settings.ch(kCh1)) *
                                              (settings.ch(kCh1).zeroLevel - t.levelCh1) / 32.0);
    screenSetup.voltsCh2 = static_cast<float>(ChannelVoltsPerDiv(settings.ch(kCh2)) *
                                              (settings.ch(kCh2).zeroLevel - t.levelCh2) / 32.0);
    screenSetup.voltsExt =
        static_cast<float>((128.0 - t.levelExt) * 0.03125 * (t.triggerSource == kTrigExt10 ? 10.0 : 1.0));
    image.trigger.voltsCh1 = screenSetup.voltsCh1;
    image.trigger.voltsCh2 = screenSetup.voltsCh2;
    image.trigger.voltsExt = screenSetup.voltsExt;
    image.trigger.levelOffset = screenSetup.levelOffset;
    image.display = screenSetup.display;

    image.acquire.saveChannel = saveChannel;
    image.acquire.recordingEmpty = recorder.recordingEmpty;
    image.recorder = ToSetup(recorder.settings);
    if (withBulk && recorder.recordingEmpty == 0) {
        const auto store = recorder.store.Samples();
        image.recorder.frames.assign(store.begin(), store.end());
    }

    const PassFailState& pf = passFail.State();
    image.passFail.horizontalTolerance = pf.horizontalTolerance;
    image.passFail.verticalTolerance = pf.verticalTolerance;
    image.passFail.failCount = pf.failCount;
    image.passFail.passCount = pf.passCount;
    image.passFail.totalCount = pf.totalCount;
    image.passFail.output = pf.output;
    image.passFail.source = pf.source;
    image.passFail.stopWhenOutput = pf.stopWhenOutput;
    image.passFail.upper = pf.upper;
    image.passFail.lower = pf.lower;

    image.measure.itemCount = static_cast<std::uint16_t>(measures.ItemCount());
    image.measure.source = static_cast<std::uint16_t>(measures.GetMeasureSource());
    for (int i = 0; i < kMeasureSlotCount; ++i) {
        const MeasureSlot slot = measures.Slot(i);
        image.measure.items[static_cast<std::size_t>(i)] = {static_cast<std::int32_t>(slot.used), slot.source,
                                                            slot.kind};
    }

    image.fft.running = fftSettings.running;
    image.fft.source = fftSettings.source;
    image.fft.window = fftSettings.window;
    image.fft.bins = fftSettings.bins;
    image.fft.scale = fftSettings.scale;
    image.fft.verticalScale = fftSettings.verticalScale;
    image.fft.horizontalZoom = fftSettings.horizontalZoom;
    return image;
}

void CTarnixDoc::ApplySetup(const SetupImage& image) {
    languageIndex = image.languageIndex;
    framesEdited_ = true; // the reference samples may change while every setting stays as it was
    // Channels, REF settings, trigger, time base with its buffer-size rule and format correction.
    ApplySetupToSettings(image, settings);
    processor.OnAcquisitionModeChanged(settings.acquire.acquisitionMode);

    WaveFrame& ref = frames[kRef];
    refEmpty = image.ref.empty != 0;
    ref.zeroLevelAtStop = image.ref.zeroLevelAtStop;
    ref.voltsDivIndexAtStop = image.ref.voltsPerDivIndexAtStop;
    ref.refTimeDivIndex = image.ref.timeDivIndex;
    ref.refHorizontalPosition = image.ref.horizontalPosition;
    ref.refStoredPosition = image.ref.storedPosition;
    if (!refEmpty) {
        std::copy_n(image.ref.samples.begin(), std::min(image.ref.samples.size(), ref.samples.size()),
                    ref.samples.begin());
    }

    screenSetup.display = image.display;
    screenSetup.voltsCh1 = image.trigger.voltsCh1;
    screenSetup.voltsCh2 = image.trigger.voltsCh2;
    screenSetup.voltsExt = image.trigger.voltsExt;
    screenSetup.levelOffset = image.trigger.levelOffset;
    saveChannel = image.acquire.saveChannel;

    recorder.settings = FromSetup(image.recorder);
    recorder.recordingEmpty = image.acquire.recordingEmpty;
    if (recorder.recordingEmpty == 0) {
        const auto store = recorder.store.Samples();
        std::copy_n(image.recorder.frames.begin(), std::min(image.recorder.frames.size(), store.size()),
                    store.begin());
    }
    recorder.Refresh();

    PassFailState& pf = passFail.State();
    pf.horizontalTolerance = image.passFail.horizontalTolerance;
    pf.verticalTolerance = image.passFail.verticalTolerance;
    pf.failCount = image.passFail.failCount;
    pf.passCount = image.passFail.passCount;
    pf.totalCount = image.passFail.totalCount;
    pf.output = image.passFail.output;
    pf.source = image.passFail.source;
    pf.stopWhenOutput = image.passFail.stopWhenOutput;
    pf.upper = image.passFail.upper;
    pf.lower = image.passFail.lower;

    std::array<MeasureSlot, kMeasureSlotCount> restored{};
    for (std::size_t i = 0; i < restored.size(); ++i) {
        const SetupMeasureSlot& s = image.measure.items[i];
        restored[i] = {static_cast<std::uint32_t>(s.used != 0 ? 1 : 0), s.source, s.kind};
    }
    measures.RestoreMeasures(image.measure.itemCount, image.measure.source, restored);

    fftSettings.running = image.fft.running;
    fftSettings.source = image.fft.source;
    fftSettings.window = image.fft.window;
    fftSettings.bins = image.fft.bins;
    fftSettings.scale = image.fft.scale;
    fftSettings.verticalScale = image.fft.verticalScale;
    fftSettings.horizontalZoom = image.fft.horizontalZoom;

    if (hooks.applyScreenSetup) {
        hooks.applyScreenSetup(screenSetup);
    }
    // The loaded state reaches the instrument (or, in demo mode, only the hardware block), and a rolling
    // trace starts again under it.
    Configure();
    OnSettingsChanged();
}

FileResult CTarnixDoc::SaveSetup(const std::string& path) {
    if (Demo()) {
        // Only the header goes out; the rest of an existing file stays as it was.
        SetupImage header;
        header.model = settings.model;
        header.languageIndex = languageIndex;
        return SaveSetupFile(path, header, true);
    }
    return SaveSetupFile(path, CaptureSetup(true), false);
}

FileResult CTarnixDoc::LoadSetup(const std::string& path) {
    const SetupLoadResult loaded = LoadSetupFile(path, CaptureSetup(false), Limits(), Demo());
    if (!loaded.ok) {
        return FileResult::Refused(loaded.message);
    }
    if (loaded.languageOnly) {
        languageIndex = loaded.image.languageIndex;
        return FileResult::Success();
    }
    ApplySetup(loaded.image);
    datalog.ResetStatistics();
    return FileResult::Success();
}

bool CTarnixDoc::LoadDefaultSetup(const std::string& path) {
    const SetupLoadResult loaded = LoadSetupFile(path, CaptureSetup(false), Limits(), Demo());
    if (loaded.ok) {
        if (loaded.languageOnly) {
            languageIndex = loaded.image.languageIndex;
        } else {
            ApplySetup(loaded.image);
        }
        return true;
    }
    if (loaded.unreadable) {
        // Its content may be fine (no permission, a failing disk, no file handle left): it stays where it
        // is, and the close does not write the factory setup over it.
        defaultSetupProtected = true;
        Notify(kFileErrorCaption,
               loaded.message + "\n" + path +
                   "\nThe factory setup is used; the file will not be written over at close.");
    } else if (!loaded.missing) {
        // The close would write over it; a file the user may still want goes aside first, and when it
        // cannot be moved it is not written over at all.
        const KeptFile kept = KeepRefusedFile(path);
        std::string text = loaded.message + "\n" + path + "\n";
        if (kept.ok) {
            text += "The file was kept as " + kept.keptPath + ".";
        } else {
            defaultSetupProtected = true;
            text += "The file could not be kept aside (" + std::string(std::strerror(kept.errorNumber)) +
                    "); it will not be written over at close.";
        }
        Notify(kFileErrorCaption, text);
    }
    ApplyFactoryDefaults();
    if (hooks.resetScreen) {
        hooks.resetScreen();
    }
    return false;
}

int CTarnixDoc::StoredLanguageIndex(const std::string& setupPath) {
    // The header read of demo mode takes the language alone and checks the magic and model.
    const SetupLoadResult header = LoadSetupFile(setupPath, CaptureSetup(false), Limits(), true);
    return header.ok ? header.image.languageIndex : kLanguageDefaultIndex;
}

FileResult CTarnixDoc::SaveDefaultSetup(const std::string& path) {
    if (!sessionReady || defaultSetupProtected) {
        // Nothing came from Default.set or from the user yet: the file on disk is still the better state.
        return FileResult::Success();
    }
    if (Demo() && !FileExists(path)) {
        // Demo mode only refreshes the header of an existing file; without one there is nothing to keep.
        return FileResult::Success();
    }
    return SaveSetup(path);
}

// ---- CSV ----

FileResult CTarnixDoc::SaveCsv(const std::string& path) {
    if (!HasExtension(path, ".csv")) {
        return FileResult::Refused(); // a path of another kind is ignored, as Save Reference does
    }
    const int channel = SavedChannel(saveChannel);
    WaveFrame& frame = frames[static_cast<std::size_t>(channel)];
    const CsvSaveResult result = SaveCsvFile(path, settings, saveChannel, CodeView(frame.processed));
    // The export record is built before the file is written; only a file that was saved changes the span.
    if (result.ok && result.newDecimationSpan != 0) {
        frame.span = result.newDecimationSpan;
    }
    return FileResult{result.ok, result.message};
}

FileResult CTarnixDoc::LoadCsv(const std::string& path) {
    const CsvLoadResult result = LoadCsvFile(path, settings);
    if (!result.ok) {
        return FileResult::Refused(result.message);
    }
    SetTimeDiv(result.timeDivIndex);
    const CsvLoadCompletion plan = PlanCsvLoadCompletion(settings, result.pointCount);
    if (plan.bufferSizeIndex >= 0) {
        SetBufferSize(plan.bufferSizeIndex);
    }
    if (plan.stop) {
        Stop();
    }
    // The record goes in after Stop, which in Roll would copy the trace over it. Its codes are in CH1's
    // current scale and time base, so those are what the stopped re-scaling starts from.
    WaveFrame& ch1 = frames[kCh1];
    settings.ch(kCh1).recordLength = result.pointCount;
    const std::size_t count = std::min(result.samples.size(), ch1.processed.size());
    std::transform(result.samples.begin(), result.samples.begin() + static_cast<std::ptrdiff_t>(count),
                   ch1.processed.begin(), [](std::uint16_t v) { return static_cast<std::int16_t>(v); });
    ch1.voltsDivIndexAtStop = settings.ch(kCh1).voltsPerDivIndex;
    ch1.zeroLevelAtStop = settings.ch(kCh1).zeroLevel;
    stoppedSecondsPerDiv = SecondsPerDiv(settings.timebase);
    stoppedPosition = settings.timebase.horizontalPosition;
    if (plan.switchCh2Off) {
        SetChannelEnabled(kCh2, false);
    }
    if (hooks.refreshSidebar) {
        hooks.refreshSidebar();
    }
    ReprocessFrames();
    datalog.ResetStatistics();
    return FileResult::Success();
}

// ---- References ----

FileResult CTarnixDoc::SaveRef(const std::string& path) {
    if (!HasExtension(path, ".rfc")) {
        return FileResult::Refused();
    }
    const WaveFrame& frame = frames[static_cast<std::size_t>(SavedChannel(saveChannel))];
    return SaveRefFile(path, settings, saveChannel, CodeView(frame.processed), frame.span);
}

FileResult CTarnixDoc::LoadRef(const std::string& path) {
    RefLoadResult result;
    if (HasExtension(path, ".rfc")) {
        result = LoadRfcFile(path, settings, frames[kRef].samples);
    } else if (HasExtension(path, ".ref")) {
        result = LoadOldRefFile(path, settings, frames[kRef].samples);
    } else {
        return FileResult::Refused("This is not a reference file!");
    }
    if (!result.ok) {
        return FileResult::Refused(result.message);
    }
    ApplyRefHeader(result.header);
    return FileResult::Success();
}

void CTarnixDoc::ApplyRefHeader(const RefHeader& header) {
    ReferenceInfo info;
    ApplyRefLoad(header, settings, info);
    WaveFrame& ref = frames[kRef];
    ref.refStoredPosition = info.storedPosition;
    ref.span = info.decimationSpan;
    ref.refTimeDivIndex = info.timeDivIndex;
    ref.refHorizontalPosition = info.horizontalPosition;
    // The samples are in the scale of the moment the reference was taken.
    ref.voltsDivIndexAtStop = header.voltsPerDivIndex;
    ref.zeroLevelAtStop = header.position;
    const std::size_t n = std::min(
        {static_cast<std::size_t>(settings.ch(kRef).recordLength), ref.samples.size(), ref.processed.size()});
    std::transform(ref.samples.begin(), ref.samples.begin() + static_cast<std::ptrdiff_t>(n),
                   ref.processed.begin(), [](std::uint16_t v) { return static_cast<std::int16_t>(v); });
    refEmpty = info.empty != 0;
    OnSettingsChanged();
    ReprocessFrames();
    if (hooks.repaint) {
        hooks.repaint();
    }
}

void CTarnixDoc::ReprocessFrames() {
    if (settings.timebase.displayFormat == kFormatRoll) {
        const PassState state = MakePassState();
        processor.RunRollPass(settings, frames, state);
        NotePass(state);
    } else {
        Process();
    }
}

RefTurnOnResult CTarnixDoc::RefTurnOn() {
    if (settings.timebase.displayFormat == kFormatXY) {
        Notify(kErrorCaption, Text(kTextFunctionNotAvailable));
        return RefTurnOnResult::kRefused;
    }
    ChannelSettings& ref = settings.ch(kRef);
    if (ref.enabled != 0) {
        ref.enabled = 0;
    } else if (!refEmpty) {
        ref.enabled = 1;
    } else {
        return RefTurnOnResult::kNeedsFile;
    }
    OnSettingsChanged();
    if (hooks.repaint) {
        hooks.repaint();
    }
    return ref.enabled != 0 ? RefTurnOnResult::kShown : RefTurnOnResult::kHidden;
}

void CTarnixDoc::RefShowAfterDialog() {
    settings.ch(kRef).enabled = 1;
    OnSettingsChanged();
    if (hooks.repaint) {
        hooks.repaint();
    }
}

void CTarnixDoc::SetRefVoltsPerDiv(int index) {
    if (index < 0 || index >= kVoltsPerDivCount) {
        return;
    }
    settings.ch(kRef).voltsPerDivIndex = static_cast<std::uint16_t>(index);
    OnSettingsChanged();
    if (hooks.repaint) {
        hooks.repaint();
    }
}

void CTarnixDoc::ResetRefPosition() {
    settings.ch(kRef).zeroLevel = 128.0f;
    OnSettingsChanged();
    if (hooks.repaint) {
        hooks.repaint();
    }
}

// ---- Text export ----

FileResult CTarnixDoc::ExportWaveformText(const std::string& path) {
    return tarnix::ExportWaveformText(path, settings, frames[kCh1].display, frames[kCh2].display);
}

} // namespace tarnix
