// Setup files through the document: a full round trip of every block, demo mode's header-only save and
// language-only load, refusals that must leave every setting alone, and Default.set at start-up.
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"
#include "doc_fixture.h"
#include "files/setup_file.h"

namespace tarnix::testing {
namespace {

class DocSetupTest : public DocTest {
protected:
    TempDir dir;

    // Moves every block of a setup away from its factory value.
    void MakeEverythingNonDefault(CTarnixDoc& d) {
        d.Stop();
        // CH1 and CH2
        d.SetVoltsPerDiv(kCh1, 3);
        d.SetCoupling(kCh1, kCouplingDc);
        d.SetProbe(kCh1, 1);
        d.settings.ch(kCh1).filterMode = kFilterLower;
        d.SetInvert(kCh1, true);
        d.SetBandwidthLimit(kCh1, true);
        d.SetZeroLevel(kCh1, 100.5f);
        d.SetInterpolation(kCh1, kInterpLinear);
        d.settings.ch(kCh1).colour = 0x123456;
        d.SetVoltsPerDiv(kCh2, 8);
        d.SetCoupling(kCh2, kCouplingGnd);
        d.SetProbe(kCh2, 3);
        d.settings.ch(kCh2).filterMode = kFilterHigher;
        d.SetZeroLevel(kCh2, 150.25f);
        d.SetInterpolation(kCh2, kInterpStep);
        d.SetChannelEnabled(kCh2, false);
        // MATH
        d.settings.ch(kMath).enabled = 1;
        d.settings.ch(kMath).voltsPerDivIndex = 2;
        d.SetProbe(kMath, 2);
        d.SetMathSources(1, 0);
        d.SetMathOperator(kMathMul);
        d.SetInvert(kMath, true);
        d.settings.ch(kMath).zeroLevel = 90.0f;
        d.SetInterpolation(kMath, kInterpStep);
        d.settings.ch(kMath).colour = 0xABCDEF;
        // REF with a held reference
        d.settings.ch(kRef).enabled = 1;
        d.settings.ch(kRef).voltsPerDivIndex = 4;
        d.settings.ch(kRef).zeroLevel = 77.0f;
        d.settings.ch(kRef).recordLength = 1000;
        d.settings.ch(kRef).colour = 0x010203;
        d.refEmpty = false;
        WaveFrame& ref = d.frames[kRef];
        for (int i = 0; i < 1000; ++i) {
            ref.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>((i * 7) % 256);
        }
        ref.zeroLevelAtStop = 81.0f;
        ref.voltsDivIndexAtStop = 5;
        ref.refTimeDivIndex = 20;
        ref.refHorizontalPosition = 321;
        ref.refStoredPosition = 99.5f;
        // Trigger
        d.SetTriggerMode(kTrigModePulse);
        d.SetSweep(kSweepNormal);
        d.SetTriggerSource(kTrigCh2);
        d.SetSlope(kSlopeFalling);
        d.SetTriggerLevel(kCh1, 70.0f);
        d.SetTriggerLevel(kCh2, 180.0f);
        d.SetExtTriggerLevel(140.0f);
        d.SetHfRejection(true);
        d.settings.trigger.levelMarkerCh1 = kMarkerAboveTop;
        d.settings.trigger.levelMarkerCh2 = kMarkerBelowBottom;
        d.settings.trigger.levelMarkerExt = kMarkerAboveTop;
        // Time base: the 32k buffer sets every live record length to 32768
        d.SetBufferSize(3);
        d.SetTimeDiv(15);
        d.SetHorizontalPosition(400);
        d.SetSamplingMode(1);
        // Screen
        d.screenSetup.display = {2, 3, 1, 0, 90, 180};
        d.screenSetup.voltsCh1 = 1.5f;
        d.screenSetup.voltsCh2 = -2.0f;
        d.screenSetup.voltsExt = 0.25f;
        d.screenSetup.levelOffset = 3.0f;
        // Acquisition and recording
        d.settings.persistenceDepth = 5;
        d.settings.persistenceOn = 1;
        d.SetAcquisitionMode(kAcqAverage);
        d.SetAverageCount(16);
        d.saveChannel = 1;
        d.recorder.recordingEmpty = 0;
        d.recorder.settings.recordSource = 1;
        d.recorder.settings.recordEndFrame = 12;
        d.recorder.settings.recordInterval = 40;
        d.recorder.settings.recordedCount = 12;
        d.recorder.settings.timeDivIndex = 9;
        d.recorder.settings.voltsPerDivIndex = 4;
        d.recorder.settings.verticalPosition = 111.0f;
        d.recorder.settings.coupling = 1;
        d.recorder.settings.probe = 2;
        d.recorder.settings.bandwidthLimit = 1;
        d.recorder.settings.playStartFrame = 2;
        d.recorder.settings.horizontalPosition = 260;
        d.recorder.settings.playInterval = 50;
        d.recorder.settings.playEndFrame = 11;
        d.recorder.settings.currentFrame = 3;
        d.recorder.settings.repeat = 1;
        d.recorder.store.Frame(0)[0] = 17;
        d.recorder.store.Frame(11)[4999] = -5;
        // Pass/Fail
        PassFailState& pf = d.passFail.State();
        pf.horizontalTolerance = 30;
        pf.verticalTolerance = 7;
        pf.failCount = 5;
        pf.passCount = 6;
        pf.totalCount = 11;
        pf.output = kOutputPassBeep;
        pf.source = 1;
        pf.stopWhenOutput = 1;
        for (int i = 0; i < kMaskPoints; ++i) {
            pf.upper[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(200 - i % 50);
            pf.lower[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 50);
        }
        // Measurements: two items on different sources, the set's source left on MATH
        d.measures.SetMeasureSource(1);
        d.measures.AddMeasure(kMeasureVpp);
        d.measures.SetMeasureSource(2);
        d.measures.AddMeasure(kMeasureFrequency);
        // FFT
        d.fftSettings.running = 1;
        d.fftSettings.source = 1;
        d.fftSettings.window = 2;
        d.fftSettings.bins = 1024;
        d.fftSettings.scale = kFftScaleDb;
        d.fftSettings.verticalScale = 20.0;
        d.fftSettings.horizontalZoom = 4;
        d.languageIndex = 2;
    }
};

TEST_F(DocSetupTest, EveryBlockRoundTripsThroughTheFile) {
    Start();
    MakeEverythingNonDefault(*doc);
    const SetupImage before = doc->CaptureSetup();
    const InstrumentSettings settingsBefore = doc->settings;
    const std::string path = dir.File("full.set");
    ASSERT_TRUE(doc->SaveSetup(path).ok);
    EXPECT_EQ(std::filesystem::file_size(path), kSetupBaseBytes + 2 * 1000 + kSetupRecorderStoreBytes);

    // Back to the factory state with the bulk data wiped, so the load has to bring everything back.
    doc->ApplyFactoryDefaults();
    doc->Stop();
    std::fill(doc->frames[kRef].samples.begin(), doc->frames[kRef].samples.end(), std::uint16_t{0});
    ASSERT_FALSE(doc->CaptureSetup() == before);

    const FileResult loaded = doc->LoadSetup(path);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    const SetupImage after = doc->CaptureSetup();
    EXPECT_EQ(after.ch1, before.ch1);
    EXPECT_EQ(after.ch2, before.ch2);
    EXPECT_EQ(after.math, before.math);
    EXPECT_EQ(after.ref, before.ref);
    EXPECT_EQ(after.trigger, before.trigger);
    EXPECT_EQ(after.timebase, before.timebase);
    EXPECT_EQ(after.display, before.display);
    EXPECT_EQ(after.acquire, before.acquire);
    EXPECT_EQ(after.recorder, before.recorder);
    EXPECT_EQ(after.passFail, before.passFail);
    EXPECT_EQ(after.measure, before.measure);
    EXPECT_EQ(after.fft, before.fft);
    EXPECT_EQ(after.languageIndex, 2);
    EXPECT_TRUE(after == before);
    EXPECT_EQ(doc->settings.ch(kCh1), settingsBefore.ch(kCh1));
    EXPECT_EQ(doc->settings.trigger, settingsBefore.trigger);
    EXPECT_EQ(doc->settings.timebase, settingsBefore.timebase);
    // The load sent the configuration: the block carries the loaded time base and buffer size.
    EXPECT_EQ(doc->link.block.timeDivIndex, 15);
    EXPECT_EQ(doc->link.block.bufferSizeIndex, 3);
    EXPECT_GT(driver.Count("StartCapture"), 0);
}

TEST_F(DocSetupTest, ScreenHooksCarryTheDisplayBlock) {
    Start();
    ScreenSetup screen;
    screen.display.gridIntensity = 42;
    screen.levelOffset = -4.0f;
    doc->hooks.captureScreenSetup = [&](ScreenSetup& out) { out = screen; };
    const std::string path = dir.File("screen.set");
    ASSERT_TRUE(doc->SaveSetup(path).ok);

    ScreenSetup restored;
    doc->hooks.captureScreenSetup = nullptr;
    doc->screenSetup = {};
    doc->hooks.applyScreenSetup = [&](const ScreenSetup& in) { restored = in; };
    ASSERT_TRUE(doc->LoadSetup(path).ok);
    EXPECT_EQ(restored, screen);
}

TEST_F(DocSetupTest, LoadAppliesBufferRuleAndFormatCorrection) {
    Start();
    doc->Stop();
    // Slower than 400ms with the 10k buffer in Y-T comes back as Roll.
    doc->SetTimeDiv(30);
    doc->settings.timebase.displayFormat = kFormatYT;
    const std::string slow = dir.File("slow.set");
    ASSERT_TRUE(doc->SaveSetup(slow).ok);
    doc->SetTimeDiv(12);
    ASSERT_TRUE(doc->LoadSetup(slow).ok);
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, 30);
    EXPECT_EQ(doc->settings.timebase.displayFormat, kFormatRoll);

    // A non-zero buffer size overrides the record lengths of the channel blocks.
    doc->SetTimeDiv(15);
    doc->settings.timebase.displayFormat = kFormatYT;
    doc->SetBufferSize(4);
    doc->settings.ch(kCh1).recordLength = 10240; // out of step with the buffer size on purpose
    const std::string big = dir.File("big.set");
    ASSERT_TRUE(doc->SaveSetup(big).ok);
    doc->SetBufferSize(0);
    ASSERT_TRUE(doc->LoadSetup(big).ok);
    EXPECT_EQ(doc->settings.timebase.bufferSizeIndex, 4);
    EXPECT_EQ(doc->settings.ch(kCh1).recordLength, BufferSizeRecordLength(4));
    EXPECT_EQ(doc->settings.ch(kMath).recordLength, BufferSizeRecordLength(4));
}

TEST_F(DocSetupTest, DemoSaveWritesOnlyTheHeaderOfAnExistingFile) {
    Start(false);
    ASSERT_NE(doc->settings.demoMode, 0u);
    doc->languageIndex = 4;

    const std::string missing = dir.File("missing.set");
    const FileResult none = doc->SaveSetup(missing);
    EXPECT_FALSE(none.ok);
    EXPECT_TRUE(none.message.empty());
    EXPECT_FALSE(std::filesystem::exists(missing));

    const std::string path = dir.File("existing.set");
    const std::string original(kSetupBaseBytes, '\xAB');
    WriteAll(path, original);
    ASSERT_TRUE(doc->SaveSetup(path).ok);
    const std::string written = ReadAll(path);
    ASSERT_EQ(written.size(), original.size());
    EXPECT_EQ(written.substr(20), original.substr(20));
    const char magic[] = {'M', 0, 'R', 0, 'V', 0, '-', 0, 'O', 0, 'S', 0, 'C', 0};
    EXPECT_EQ(written.substr(0, 14), std::string(magic, 14));
    EXPECT_EQ(static_cast<unsigned char>(written[14]) | (static_cast<unsigned char>(written[15]) << 8),
              doc->settings.model);
    std::int32_t language = 0;
    std::memcpy(&language, written.data() + 16, 4);
    EXPECT_EQ(language, 4);
}

TEST_F(DocSetupTest, DemoLoadTakesOnlyTheLanguage) {
    // A full setup written with an instrument, with CH1 at another volts/div and language 5.
    Start();
    doc->SetVoltsPerDiv(kCh1, 2);
    doc->languageIndex = 5;
    const std::string path = dir.File("full.set");
    ASSERT_TRUE(doc->SaveSetup(path).ok);

    Start(false);
    const InstrumentSettings before = doc->settings;
    ASSERT_TRUE(doc->LoadSetup(path).ok);
    EXPECT_EQ(doc->languageIndex, 5);
    EXPECT_EQ(doc->settings, before);
}

TEST_F(DocSetupTest, RefusedFilesChangeNoSetting) {
    Start();
    MakeEverythingNonDefault(*doc);
    const std::string good = dir.File("good.set");
    ASSERT_TRUE(doc->SaveSetup(good).ok);
    const std::string bytes = ReadAll(good);

    // Load the good file into a factory document first, so "unchanged" is checked against a state that
    // differs from the file.
    doc->ApplyFactoryDefaults();
    doc->Stop();
    const SetupImage before = doc->CaptureSetup();
    const InstrumentSettings settingsBefore = doc->settings;

    std::string garbage(kSetupBaseBytes, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>((i * 131 + 7) % 251);
    }
    std::string otherModel = bytes;
    otherModel[14] = static_cast<char>(otherModel[14] + 1);
    std::string badLayout = bytes;
    // The CH1 volts/div index (header 20 + enabled 4) far out of range and the file cut short.
    badLayout[24] = '\x7F';
    const struct {
        std::string name;
        std::string content;
    } cases[] = {
        {"garbage.set", garbage},
        {"short.set", bytes.substr(0, 5000)},
        {"header.set", bytes.substr(0, 20)},
        {"empty.set", std::string()},
        {"model.set", otherModel},
        {"cut.set", badLayout.substr(0, bytes.size() - 1)},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File(c.name);
        WriteAll(path, c.content);
        const FileResult result = doc->LoadSetup(path);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_TRUE(result.message.empty()) << c.name;
        EXPECT_TRUE(doc->CaptureSetup() == before) << c.name;
        EXPECT_EQ(doc->settings, settingsBefore) << c.name;
    }

    const FileResult wrongExtension = doc->LoadSetup(dir.File("good.txt"));
    EXPECT_FALSE(wrongExtension.ok);
    EXPECT_EQ(wrongExtension.message, "This is not a setup file!");
    EXPECT_FALSE(doc->LoadSetup(dir.File("nothing-here.set")).ok);
    EXPECT_EQ(doc->settings, settingsBefore);

    // The extension test ignores case.
    const std::string upper = dir.File("GOOD.SET");
    WriteAll(upper, bytes);
    EXPECT_TRUE(doc->LoadSetup(upper).ok);
    EXPECT_EQ(doc->settings.ch(kCh1).voltsPerDivIndex, 3);

    // A complete file with one field out of range loads; that field keeps the value it had, the rest arrive.
    const std::string outOfRange = dir.File("range.set");
    WriteAll(outOfRange, badLayout);
    doc->SetVoltsPerDiv(kCh1, 1);
    doc->SetVoltsPerDiv(kCh2, 0);
    ASSERT_TRUE(doc->LoadSetup(outOfRange).ok);
    EXPECT_EQ(doc->settings.ch(kCh1).voltsPerDivIndex, 1);
    EXPECT_EQ(doc->settings.ch(kCh2).voltsPerDivIndex, 8);
}

TEST_F(DocSetupTest, DefaultSetupAtStartUp) {
    Start();
    doc->SetVoltsPerDiv(kCh1, 2);
    const std::string path = dir.File("Default.set");
    ASSERT_TRUE(doc->SaveDefaultSetup(path).ok);

    DocumentServices services;
    services.library = &driver;
    services.clock = &clock;
    services.random = &random;
    services.chooser = &chooser;
    CTarnixDoc loaded(services);
    loaded.defaultSetupPath = path;
    loaded.StartUp();
    EXPECT_EQ(loaded.settings.ch(kCh1).voltsPerDivIndex, 2);

    // A failed load falls back to the factory defaults and resets the screen.
    CTarnixDoc failed(services);
    int screenResets = 0;
    failed.hooks.resetScreen = [&] { ++screenResets; };
    failed.SetVoltsPerDiv(kCh1, 2);
    EXPECT_FALSE(failed.LoadDefaultSetup(dir.File("absent.set")));
    EXPECT_EQ(failed.settings.ch(kCh1).voltsPerDivIndex, 6);
    EXPECT_EQ(screenResets, 1);
}

} // namespace
} // namespace tarnix::testing
