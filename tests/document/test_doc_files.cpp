// Setup files through the document: round trips, refusals, Default.set at start-up; and the factory reset.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

#include "../support/doc_fixture.h"
#include "../support/setup_image.h"
#include "../support/temp_dir.h"
#include "files/setup_file.h"

namespace tarnix::testing {
namespace {

class DocFilesTest : public DocTest {
protected:
    TempDir dir;

    // A setup file with every field away from its factory value, written by the file module itself.
    std::string WriteUnusualSetup(const std::string& name) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(SaveSetupFile(path, UnusualSetupImage(), false).ok);
        return path;
    }
};

// Loading applies every field and saving captures every field back: a field either direction forgets
// comes back with its factory value. Stopped, so the running range rules leave the time base alone.
TEST_F(DocFilesTest, EveryBlockRoundTripsThroughTheDocument) {
    Start();
    doc->Stop();
    const SetupImage image = UnusualSetupImage();
    const std::string path = WriteUnusualSetup("full.set");
    ASSERT_TRUE(doc->LoadSetup(path).ok);
    EXPECT_TRUE(doc->CaptureSetup() == image);
    const std::string saved = dir.File("again.set");
    ASSERT_TRUE(doc->SaveSetup(saved).ok);
    EXPECT_TRUE(ReadAll(saved) == ReadAll(path)); // not EXPECT_EQ: a failure would print 10 MB
    EXPECT_EQ(doc->link.block.timeDivIndex, image.timebase.timeDivIndex);
    EXPECT_EQ(doc->link.block.bufferSizeIndex, image.timebase.bufferSizeIndex);
    EXPECT_GT(driver.Count("StartCapture"), 0);
}

TEST_F(DocFilesTest, RefusedFilesChangeNoSettingAndOutOfRangeFieldsKeepTheirValue) {
    // A factory document, so "unchanged" is checked against a state that differs from the file.
    Start();
    doc->Stop();
    const std::string bytes = ReadAll(WriteUnusualSetup("good.set"));
    const SetupImage before = doc->CaptureSetup();
    std::string otherModel = bytes;
    otherModel[14] = static_cast<char>(otherModel[14] + 1);
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"short.set", bytes.substr(0, 5000), "This is not a setup file!"},
        {"model.set", otherModel, "This setup file belongs to another model!"},
        {"missing.set", "", std::string("Can not open file: ") + std::strerror(ENOENT)},
    };
    for (const auto& [name, content, message] : cases) {
        const std::string path = dir.File(name);
        if (!content.empty()) {
            WriteAll(path, content);
        }
        EXPECT_EQ(doc->LoadSetup(path).message, message) << name;
        EXPECT_TRUE(doc->CaptureSetup() == before) << name; // the settings and every other block
    }

    // The CH1 volts/div index far out of range: that field keeps the document's value, the rest arrive.
    std::string badField = bytes;
    badField[24] = '\x7F';
    WriteAll(dir.File("range.set"), badField);
    doc->SetVoltsPerDiv(kCh1, 1);
    doc->SetVoltsPerDiv(kCh2, 0);
    ASSERT_TRUE(doc->LoadSetup(dir.File("range.set")).ok);
    EXPECT_EQ(std::tuple(Ch(kCh1).voltsPerDivIndex, Ch(kCh2).voltsPerDivIndex), std::tuple(1, 9));
}

// A remote client loads a setup that holds the current settings with another reference waveform.
TEST_F(DocFilesTest, ASetupWithAnotherReferenceRedrawsAStoppedScreen) {
    Start();
    doc->Stop();
    SetupImage image = doc->CaptureSetup();
    image.ref.enabled = 1;
    image.ref.empty = 0;
    image.ref.samples.resize(static_cast<std::size_t>(image.ref.recordLength));
    for (std::size_t i = 0; i < image.ref.samples.size(); ++i) {
        image.ref.samples[i] = static_cast<std::uint16_t>(64 + i % 128);
    }
    ASSERT_TRUE(SaveSetupFile(dir.File("a.set"), image, false).ok);
    std::reverse(image.ref.samples.begin(), image.ref.samples.end());
    ASSERT_TRUE(SaveSetupFile(dir.File("b.set"), image, false).ok);
    ASSERT_TRUE(doc->LoadSetup(dir.File("a.set")).ok);
    Tick();
    const InstrumentSettings settings = doc->settings;
    const auto shown = doc->frames[kRef].display;
    ASSERT_TRUE(doc->LoadSetup(dir.File("b.set")).ok);
    ASSERT_EQ(doc->settings, settings);
    repaints = 0;
    Tick();
    EXPECT_FALSE(doc->frames[kRef].display == shown);
    EXPECT_EQ(repaints, 1);
}

TEST_F(DocFilesTest, DefaultSetupAtStartUp) {
    const std::string path = WriteUnusualSetup("Default.set");
    const std::string stored = ReadAll(path);
    const DocumentServices services = Services(&driver);

    // A broken file is kept aside (never replacing an earlier kept one), the user is told, and the factory
    // setup is used; the close then writes a fresh Default.set.
    WriteAll(path + ".bad", "kept from last week");
    const std::string broken = stored.substr(0, 5000);
    WriteAll(path, broken);
    CTarnixDoc refused(services);
    int screenResets = 0;
    refused.hooks.resetScreen = [&] { ++screenResets; };
    refused.defaultSetupPath = path;
    refused.StartUp();
    EXPECT_EQ(refused.settings.ch(kCh1).voltsPerDivIndex, 6);
    EXPECT_EQ(screenResets, 2);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ReadAll(path + ".bad"), "kept from last week");
    EXPECT_TRUE(ReadAll(path + ".bad2") == broken);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].find("This is not a setup file!"), std::string::npos);
    EXPECT_NE(notifier.messages[0].find(path + ".bad2"), std::string::npos);
    ASSERT_TRUE(refused.SaveDefaultSetup(path).ok);
    EXPECT_TRUE(refused.LoadSetup(path).ok);
}

// A Default.set that exists but cannot be opened may be perfectly good: it is neither moved aside nor written
// over at close; the user is told why it was not loaded and the session starts from the factory setup.
TEST_F(DocFilesTest, AnUnreadableDefaultSetupIsLeftAsItIs) {
    // The name, the error, and what makes it so, run in the child that starts the document.
    const std::tuple<const char*, int, void (*)(const std::string&)> cases[] = {
        {"folder", EISDIR, [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"no permission", EACCES,
         [](const std::string& path) {
             ::chmod(path.c_str(), 0);
             ::chmod(std::filesystem::path(path).parent_path().c_str(), 0777);
             (void)!::setresuid(65534, 65534, 65534);
         }},
        {"link loop", ELOOP,
         [](const std::string& path) {
             std::filesystem::remove(path);
             std::filesystem::create_symlink("Default.set", path);
         }},
    };
    for (const auto& [name, error, prepare] : cases) {
        if (error == EACCES && ::geteuid() != 0) {
            continue; // root alone can take away its own access
        }
        TempDir folder;
        const std::string path = folder.File("Default.set");
        if (error == EACCES) {
            EXPECT_TRUE(SaveSetupFile(path, UnusualSetupImage(), false).ok);
        }
        const std::string stored = ReadAll(path);
        const int report = ::open(dir.File("report").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const pid_t child = ::fork();
        if (child == 0) {
            CTarnixDoc started(Services(&driver));
            started.defaultSetupPath = path;
            prepare(path);
            started.StartUp();
            const bool factory = started.settings.ch(kCh1).voltsPerDivIndex == 6;
            started.SaveDefaultSetup(path);
            const std::string said = factory ? notifier.messages.at(0) : "not the factory setup";
            (void)!::write(report, said.data(), said.size());
            ::_exit(0);
        }
        ::waitpid(child, nullptr, 0);
        ::close(report);
        const std::string said = ReadAll(dir.File("report"));
        EXPECT_NE(said.find(std::string("Can not open file: ") + std::strerror(error)), std::string::npos)
            << name << ": " << said;
        EXPECT_NE(said.find(path), std::string::npos) << name;
        namespace fs = std::filesystem;
        EXPECT_EQ(fs::symlink_status(path + ".bad").type(), fs::file_type::not_found) << name;
        const fs::file_type kept = error == EISDIR  ? fs::file_type::directory
                                   : error == ELOOP ? fs::file_type::symlink
                                                    : fs::file_type::regular;
        EXPECT_EQ(fs::symlink_status(path).type(), kept) << name;
        EXPECT_TRUE(error != EACCES || ReadAll(path) == stored) << name;
    }
}

// Factory Setup resets every subsystem the document owns as a fresh start has it, before the screen's reset.
TEST_F(DocFilesTest, FactoryDefaultsResetEverySubsystem) {
    CTarnixDoc fresh(Services(nullptr));
    fresh.StartUp();
    Start(false);
    Ticks(3);
    doc->measures.SetMeasureSource(2);
    doc->measures.AddMeasure(kMeasureVmax);
    doc->CreatePassFailMask({});
    doc->StartPassFail();
    Tick();
    doc->recorder.recordingEmpty = 0;
    doc->recorder.store.Frame(5)[10] = 99;
    doc->fftSettings.bins = 4096;
    doc->pacingWait = doc->forcedTrigger = true;
    doc->refEmpty = false;
    doc->frames[kCh1].firstIndex = 300;
    doc->SetVoltsPerDiv(kCh1, 2);
    bool subsystemsClearedFirst = false;
    doc->hooks.resetSubsystems = [&] { subsystemsClearedFirst = doc->measures.ItemCount() == 0; };
    doc->ApplyFactoryDefaults();

    EXPECT_TRUE(subsystemsClearedFirst && !doc->pacingWait && !doc->forcedTrigger && doc->refEmpty);
    EXPECT_EQ(doc->frames[kCh1].firstIndex, 0);
    EXPECT_EQ(doc->settings, fresh.settings);
    EXPECT_EQ(doc->measures.GetMeasureSource(), fresh.measures.GetMeasureSource());
    EXPECT_EQ(doc->passFail.State(), fresh.passFail.State());
    EXPECT_TRUE(doc->recorder.recordingEmpty == 1 && doc->recorder.store.Frame(5)[10] == 0);
    EXPECT_EQ(doc->fftSettings.bins, fresh.fftSettings.bins);
}

// A loaded CSV record is CH1's picture until the user runs again: the acquisition stops and CH2 goes off.
TEST_F(DocFilesTest, LoadCsvStopsAndShowsTheFileOnCh1AloneOverTicks) {
    int shift = 0;
    driver.sample = [&](const HardwareBlock&, int, std::uint32_t k) {
        return static_cast<std::uint16_t>(60 + k % 128 + shift);
    };
    driver.idleState = kCaptureComplete;
    Start();
    Ticks(2);
    const auto saved = doc->frames[kCh1].display;
    ASSERT_TRUE(doc->SaveCsv(dir.File("wave.csv")).ok);
    shift = 40;
    Ticks(2);
    ASSERT_NE(doc->frames[kCh1].display, saved);
    ASSERT_TRUE(doc->LoadCsv(dir.File("wave.csv")).ok);
    Ticks(5);
    EXPECT_EQ(std::tuple(doc->settings.acquire.running, Ch(kCh2).enabled), std::tuple(0u, 0u));
    EXPECT_EQ(doc->frames[kCh1].display, saved);
}

TEST_F(DocFilesTest, LoadedReferenceTurnsOnAgainWithoutAskingForAFile) {
    Start();
    EXPECT_EQ(doc->RefTurnOn(), RefTurnOnResult::kNeedsFile);
    ASSERT_TRUE(doc->SaveRef(dir.File("a.rfc")).ok);
    ASSERT_TRUE(doc->LoadRef(dir.File("a.rfc")).ok);
    EXPECT_EQ(Ch(kRef).enabled, 1u);
    EXPECT_EQ(doc->RefTurnOn(), RefTurnOnResult::kHidden);
    EXPECT_EQ(doc->RefTurnOn(), RefTurnOnResult::kShown);
}

// Model 2 exports a record of its own span; only a saved file makes that span the channel's.
TEST_F(DocFilesTest, FailedModel2CsvSaveKeepsTheDecimationSpan) {
    for (bool writable : {true, false}) {
        Start();
        doc->settings.model = 2;
        doc->SetBufferSize(3); // a 32k record: the export takes a span of its own
        const std::int32_t span = doc->frames[kCh1].span;
        const FileResult saved = doc->SaveCsv(dir.File(writable ? "m2.csv" : "no/m2.csv"));
        EXPECT_EQ(saved.ok, writable);
        EXPECT_EQ(doc->frames[kCh1].span != span, writable);
    }
}

// Cancel in the device list closes the program; the Default.set from the last session stays as it was.
TEST_F(DocFilesTest, DeviceListCancelKeepsDefaultSetup) {
    const std::string path = dir.File("Default.set");
    WriteAll(path, "last session");
    driver.present = {true, true, false, false};
    chooser.deviceAnswer = std::nullopt;
    ASSERT_EQ(Start(), StartupResult::kClose);
    EXPECT_TRUE(doc->SaveDefaultSetup(path).ok);
    EXPECT_EQ(ReadAll(path), "last session");
}

} // namespace
} // namespace tarnix::testing
