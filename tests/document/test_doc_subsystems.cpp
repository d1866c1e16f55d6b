// The subsystems the document drives from its tick, on the demo signal: measurements every sixth pass,
// Pass/Fail counting, the FFT while its window is on, the factory reset of each, references, CSV, and
// the recorder through the document as its host.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"
#include "doc_fixture.h"
#include "files/csv_file.h"
#include "files/ref_file.h"

namespace tarnix::testing {
namespace {

// The number of a measurement text ("CH1:Vpp = 3.97V", "CH1:Freq = 12.50kHz") in base units.
double MeasuredValue(const std::string& text) {
    const std::size_t at = text.find("= ");
    if (at == std::string::npos) {
        return -1.0;
    }
    const char* start = text.c_str() + at + 2;
    char* end = nullptr;
    const double number = std::strtod(start, &end);
    if (end == start) {
        return -1.0;
    }
    return *end == 'k' ? number * 1e3 : number;
}

class FakePanelTimer final : public IPanelTimer {
public:
    int interval = 0;
    bool running = false;
    void Start(int intervalMs) override {
        interval = intervalMs;
        running = true;
    }
    void Stop() override { running = false; }
};

class DocSubsystemTest : public DocTest {
protected:
    TempDir dir;

    // Demo mode with a steady 12.5 kHz, 4 V peak-to-peak sine on CH1, centred at 1 V/div.
    void StartSteadyDemo() {
        Start(false);
        doc->demo.SetSweep(false);
        doc->SetZeroLevel(kCh1, 128.0f);
        doc->SetTriggerLevel(kCh1, 128.0f);
    }
};

TEST_F(DocSubsystemTest, MeasurementsOfTheDemoSineEverySixthPass) {
    StartSteadyDemo();
    // Count the passes (CH1's finished traces) and note the passes on which an evaluation ran.
    int passes = 0;
    std::vector<int> evaluatedOn;
    doc->processor.hooks.addPersistFrame = [&](int channel) { passes += channel == kCh1 ? 1 : 0; };
    auto evaluate = doc->processor.hooks.updateMeasurements;
    ASSERT_TRUE(evaluate);
    doc->processor.hooks.updateMeasurements = [&](double secondsPerDiv) {
        evaluatedOn.push_back(passes);
        evaluate(secondsPerDiv);
    };
    Ticks(20);
    EXPECT_TRUE(evaluatedOn.empty()) << "nothing to evaluate without items";

    doc->measures.SetMeasureSource(0);
    doc->measures.AddMeasure(kMeasureVpp);
    doc->measures.AddMeasure(kMeasureFrequency);
    EXPECT_EQ(doc->measures.Text(0), "*****");
    passes = 0;
    while (passes < 13) {
        Tick();
    }
    ASSERT_GE(evaluatedOn.size(), 2u);
    EXPECT_EQ(evaluatedOn[1] - evaluatedOn[0], 6);

    const std::string vpp = doc->measures.Text(0);
    const std::string freq = doc->measures.Text(1);
    EXPECT_EQ(vpp.rfind("CH1:", 0), 0u) << vpp;
    // The demo's default 4 Vpp at 12.5 kHz; one code is 1/32 division: allow two codes for truncation
    // and min/max decimation.
    EXPECT_NEAR(MeasuredValue(vpp), 4.0, 2.0 / 32.0) << vpp;
    EXPECT_NEAR(MeasuredValue(freq), 12500.0, 12500.0 * 0.02) << freq;
}

TEST_F(DocSubsystemTest, PassFailCountsDemoFrames) {
    StartSteadyDemo();
    Ticks(3);
    MaskSettings mask;
    mask.verticalPanel = 6;
    mask.horizontalPanel = 2;
    doc->CreatePassFailMask(mask);
    doc->StartPassFail();

    int tested = 0;
    doc->hooks.passFailTick = [&] { tested += doc->passFailResult.tested ? 1 : 0; };
    Ticks(10);
    const PassFailState& pf = doc->passFail.State();
    EXPECT_EQ(tested, 10);
    EXPECT_EQ(pf.totalCount, 10u);
    EXPECT_EQ(pf.passCount, 10u); // the steady sine stays inside its own mask
    EXPECT_EQ(pf.failCount, 0u);

    // Two divisions down: every frame now leaves the mask.
    doc->SetZeroLevel(kCh1, 192.0f);
    doc->SetTriggerLevel(kCh1, 192.0f);
    Ticks(5);
    EXPECT_EQ(pf.totalCount, 15u);
    EXPECT_GE(pf.failCount, 4u);
    EXPECT_EQ(pf.passCount + pf.failCount, pf.totalCount);

    // Only the Y-T format is tested.
    doc->SelectDisplayFormat(kFormatXY);
    Ticks(3);
    EXPECT_EQ(pf.totalCount, 15u);
}

TEST_F(DocSubsystemTest, FftFillsTheSpectrumEveryTickWhileRunningWithItsPanelClosed) {
    StartSteadyDemo();
    int refreshes = 0;
    doc->hooks.fftTick = [&] { ++refreshes; };
    doc->SetFftRunning(true); // as a loaded setup does, before the panel was ever opened
    Tick();
    EXPECT_EQ(refreshes, 1);
    ASSERT_EQ(doc->fftStatus, FftStatus::kComputed);
    const FftResults& r = doc->fftResults;
    EXPECT_GT(r.fundamentalBin, 0);
    EXPECT_GT(r.spectrum[r.fundamentalBin], 0.0);
    // The fundamental lies within one bin of the demo frequency.
    const double binWidth = r.binFrequency[2] - r.binFrequency[1];
    EXPECT_NEAR(r.binFrequency[r.fundamentalBin], 12500.0, binWidth);

    // "Save" writes the table of the spectrum just computed; a folder that does not exist is refused.
    const std::string exported = dir.File("spectrum.txt");
    ASSERT_TRUE(doc->ExportSpectrum(exported).ok);
    EXPECT_EQ(ReadAll(exported), FormatSpectrumText(r, doc->fftSettings.scale));
    const FileResult refused = doc->ExportSpectrum(dir.File("no-such-folder/spectrum.txt"));
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message.rfind("Cann't save file: ", 0), 0u) << refused.message;

    // Stopped: the last results stay, nothing is computed.
    doc->SetFftRunning(false);
    Tick();
    EXPECT_EQ(doc->fftStatus, FftStatus::kNotRunning);
    EXPECT_GT(r.spectrum[r.fundamentalBin], 0.0);
}

TEST_F(DocSubsystemTest, FactoryDefaultsResetEverySubsystem) {
    StartSteadyDemo();
    Ticks(3);
    doc->measures.SetMeasureSource(2);
    doc->measures.AddMeasure(kMeasureVmax);
    doc->CreatePassFailMask({});
    doc->StartPassFail();
    Tick();
    doc->recorder.recordingEmpty = 0;
    doc->recorder.settings.recordInterval = 300;
    doc->recorder.store.Frame(5)[10] = 99;
    doc->fftSettings.bins = 4096;
    doc->fftSettings.running = 1;
    doc->screenSetup.levelOffset = 7.0f;
    doc->pacingWait = true;
    doc->forcedTrigger = true;
    doc->refEmpty = false;
    doc->frames[kCh1].firstIndex = 300;
    doc->SetVoltsPerDiv(kCh1, 2);

    int resets = 0;
    bool subsystemsClearedFirst = false;
    doc->hooks.resetSubsystems = [&] {
        ++resets;
        subsystemsClearedFirst = doc->measures.ItemCount() == 0;
    };
    doc->ApplyFactoryDefaults();

    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(subsystemsClearedFirst);
    EXPECT_FALSE(doc->pacingWait);
    EXPECT_FALSE(doc->forcedTrigger);
    EXPECT_EQ(doc->frames[kCh1].firstIndex, 0);
    EXPECT_EQ(doc->settings.ch(kCh1).voltsPerDivIndex, 6);
    EXPECT_EQ(doc->frames[kCh1].samples.size(), 65536u);
    EXPECT_EQ(doc->measures.ItemCount(), 0);
    EXPECT_EQ(doc->measures.GetMeasureSource(), 0);
    EXPECT_EQ(doc->passFail.State(), PassFailState{});
    EXPECT_EQ(doc->recorder.recordingEmpty, 1);
    EXPECT_EQ(doc->recorder.settings, RecorderSettings{});
    EXPECT_EQ(doc->recorder.store.Frame(5)[10], 0);
    EXPECT_EQ(doc->fftSettings.bins, 256);
    EXPECT_EQ(doc->fftSettings.running, 0);
    EXPECT_EQ(doc->fftSettings.scale, kFftScaleLinear);
    EXPECT_EQ(doc->screenSetup.levelOffset, 0.0f);
    EXPECT_TRUE(doc->refEmpty);
}

TEST_F(DocSubsystemTest, ReferenceSaveLoadAndTurnOn) {
    StartSteadyDemo();
    Ticks(3);
    doc->saveChannel = 0;
    const std::string path = dir.File("ch1.rfc");
    ASSERT_TRUE(doc->SaveRef(path).ok);
    const std::uint32_t n = doc->settings.ch(kCh1).recordLength;
    EXPECT_EQ(std::filesystem::file_size(path), kRfcHeaderBytes + 2 * n);
    EXPECT_FALSE(doc->SaveRef(dir.File("ch1.txt")).ok);
    EXPECT_FALSE(std::filesystem::exists(dir.File("ch1.txt")));

    EXPECT_EQ(doc->RefTurnOn(), RefTurnOnResult::kNeedsFile);
    const FileResult loaded = doc->LoadRef(path);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_FALSE(doc->refEmpty);
    EXPECT_EQ(doc->settings.ch(kRef).enabled, 1u);
    EXPECT_EQ(doc->settings.ch(kRef).recordLength, n);
    for (std::uint32_t i = 0; i < n; i += 97) {
        ASSERT_EQ(doc->frames[kRef].samples[i], doc->frames[kCh1].processed[i]) << i;
    }
    // Re-processed at once: the REF trace holds the waveform before the next tick.
    int withData = 0;
    for (std::int16_t level : doc->frames[kRef].display) {
        withData += level >= 0 && level <= 255 ? 1 : 0;
    }
    EXPECT_GT(withData, 4000);

    EXPECT_EQ(doc->RefTurnOn(), RefTurnOnResult::kHidden);
    EXPECT_EQ(doc->RefTurnOn(), RefTurnOnResult::kShown);
    doc->SetRefVoltsPerDiv(12);
    EXPECT_EQ(doc->settings.ch(kRef).voltsPerDivIndex, doc->settings.ch(kCh1).voltsPerDivIndex);
    doc->SetRefVoltsPerDiv(2);
    EXPECT_EQ(doc->settings.ch(kRef).voltsPerDivIndex, 2);
    doc->settings.ch(kRef).zeroLevel = 40.0f;
    doc->ResetRefPosition();
    EXPECT_EQ(doc->settings.ch(kRef).zeroLevel, 128.0f);

    doc->SelectDisplayFormat(kFormatXY);
    notifier.messages.clear();
    EXPECT_EQ(doc->RefTurnOn(), RefTurnOnResult::kRefused);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].second, "Function not available!");

    EXPECT_EQ(doc->LoadRef(dir.File("other.dat")).message, "This is not a reference file!");
    const FileResult missing = doc->LoadRef(dir.File("missing.rfc"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.message.rfind("Can not open file: ", 0), 0u) << missing.message;
}

TEST_F(DocSubsystemTest, CsvLoadFreezesTheWaveformOnCh1) {
    StartSteadyDemo();
    Ticks(3);
    doc->saveChannel = 0;
    const std::string path = dir.File("wave.csv");
    // A sample clipped below the bottom edge is exported at its own level, not at the edge.
    doc->frames[kCh1].processed[0] = -32;
    ASSERT_TRUE(doc->SaveCsv(path).ok);
    EXPECT_NEAR(std::stod(SplitCrLf(ReadAll(path)).at(2)), CodeToVolts(doc->settings.ch(kCh1), -32), 1e-6);
    std::vector<std::int16_t> saved(doc->frames[kCh1].processed.begin(),
                                    doc->frames[kCh1].processed.begin() + 10240);

    doc->SetTimeDiv(5);
    std::fill(doc->frames[kCh1].processed.begin(), doc->frames[kCh1].processed.end(), std::int16_t{0});
    ASSERT_EQ(doc->settings.ch(kCh2).enabled, 1u);
    const FileResult loaded = doc->LoadCsv(path);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 12); // from the file's first line
    EXPECT_EQ(doc->settings.acquire.running, 0u);
    EXPECT_EQ(doc->settings.ch(kCh2).enabled, 0u);
    EXPECT_EQ(doc->settings.ch(kCh1).recordLength, 10240u);
    for (std::size_t i = 0; i < saved.size(); i += 101) {
        ASSERT_NEAR(doc->frames[kCh1].processed[i], saved[i], 1) << i;
    }
    const FileResult wrong = doc->LoadCsv(dir.File("wave.txt"));
    EXPECT_EQ(wrong.message, "This is not a CSV file!");
    // Save CSV writes only to a ".csv" path; another name is ignored without a word.
    const FileResult otherName = doc->SaveCsv(dir.File("wave.txt"));
    EXPECT_FALSE(otherName.ok);
    EXPECT_TRUE(otherName.message.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("wave.txt")));

    // A file refused after its first line changes nothing: not the time base, not CH1.
    const InstrumentSettings before = doc->settings;
    WriteAll(dir.File("odd.csv"), "#CLOCK=0.001000000\r\n#SIZE=14336\r\n");
    EXPECT_EQ(doc->LoadCsv(dir.File("odd.csv")).message, "This is not a CSV file!");
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, before.timebase.timeDivIndex);
    EXPECT_EQ(doc->settings.ch(kCh1).recordLength, before.ch(kCh1).recordLength);
}

TEST_F(DocSubsystemTest, AFailedCsvSaveOnModel2KeepsTheDecimationSpan) {
    StartSteadyDemo();
    Ticks(3);
    doc->settings.model = 2; // a record other than 10240 points is exported at another span
    doc->settings.ch(kCh1).recordLength = 32768;
    doc->frames[kCh1].span = 7;
    doc->saveChannel = 0;
    const FileResult failed = doc->SaveCsv(dir.File("none/wave.csv"));
    EXPECT_EQ(failed.message, std::string("Cann't save file: ") + std::strerror(ENOENT));
    EXPECT_EQ(doc->frames[kCh1].span, 7);
    ASSERT_TRUE(doc->SaveCsv(dir.File("wave.csv")).ok);
    EXPECT_EQ(doc->frames[kCh1].span, kCsvExportDecimationSpan);
}

TEST_F(DocSubsystemTest, RecorderRecordsAndPlaysThroughTheDocument) {
    StartSteadyDemo();
    Ticks(3);
    int timerStops = 0;
    doc->hooks.stopAcquisitionTimer = [&] { ++timerStops; };
    FakePanelTimer timer;
    ASSERT_TRUE(doc->OpenRecorder());
    doc->recorder.SetRecordEndFrame(3);
    doc->PressRecord(timer);
    ASSERT_TRUE(timer.running);
    std::vector<std::int16_t> firstTrace(doc->frames[kCh1].display.begin(), doc->frames[kCh1].display.end());
    for (int i = 0; i < 3; ++i) {
        doc->RecorderTimerTick(timer);
        Tick();
    }
    EXPECT_EQ(doc->recorder.recordingEmpty, 0);
    EXPECT_EQ(doc->recorder.settings.recordedCount, 3);
    const auto frame0 = doc->recorder.store.Frame(0);
    EXPECT_TRUE(std::equal(frame0.begin(), frame0.end(), firstTrace.begin()));

    doc->frames[kCh1].display.fill(-1);
    doc->PressPlay(timer);
    EXPECT_EQ(timerStops, 1);
    EXPECT_EQ(doc->settings.runStatus, kStatusPlay);
    doc->RecorderTimerTick(timer);
    EXPECT_TRUE(std::equal(frame0.begin(), frame0.end(), doc->frames[kCh1].display.begin()));
    doc->CloseRecorder(timer);

    doc->SelectDisplayFormat(kFormatRoll);
    notifier.messages.clear();
    EXPECT_FALSE(doc->OpenRecorder());
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].second, "Function not available!");
}

TEST_F(DocSubsystemTest, LanguageIndexOutsideTheFileListSelectsTheDefault) {
    Start(false);
    doc->language.FindLanguageFiles(dir.Path());
    EXPECT_EQ(doc->SelectLanguage(3), kLanguageDefaultIndex);
    EXPECT_EQ(doc->languageIndex, kLanguageDefaultIndex);
    // Without a lookup hook the document's texts come from its table or the built-in English.
    EXPECT_EQ(doc->Text(kTextRunInDemo), "Run in demo");
}

} // namespace
} // namespace tarnix::testing
