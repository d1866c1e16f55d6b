// Setup files through the document: a full round trip of every block, demo mode's header-only save and
// language-only load, refusals that must leave every setting alone, and Default.set at start-up.
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "../support/setup_image.h"
#include "../support/temp_dir.h"
#include "doc_fixture.h"
#include "files/setup_file.h"

namespace tarnix::testing {
namespace {

class DocSetupTest : public DocTest {
protected:
    TempDir dir;

    // A setup file with every field away from its factory value, written by the file module itself.
    std::string WriteUnusualSetup(const std::string& name) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(SaveSetupFile(path, UnusualSetupImage(), false).ok);
        return path;
    }
};

TEST_F(DocSetupTest, EveryBlockRoundTripsThroughTheDocument) {
    // Loading applies every field to the document and saving captures every field back: a field either
    // direction forgets comes back with its factory value.
    // Stopped, so the running range rules leave the loaded time base alone.
    Start();
    doc->Stop();
    const SetupImage image = UnusualSetupImage();
    const std::string path = WriteUnusualSetup("full.set");
    const FileResult loaded = doc->LoadSetup(path);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    const SetupImage after = doc->CaptureSetup();
    EXPECT_TRUE(after == image);

    const std::string saved = dir.File("again.set");
    ASSERT_TRUE(doc->SaveSetup(saved).ok);
    EXPECT_TRUE(ReadAll(saved) == ReadAll(path)); // not EXPECT_EQ: a failure would print 10 MB
    // The load sent the configuration: the block carries the loaded time base and buffer size.
    EXPECT_EQ(doc->link.block.timeDivIndex, image.timebase.timeDivIndex);
    EXPECT_EQ(doc->link.block.bufferSizeIndex, image.timebase.bufferSizeIndex);
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

TEST_F(DocSetupTest, DemoSaveWritesOnlyTheHeaderOfAnExistingFile) {
    Start(false);
    ASSERT_NE(doc->settings.demoMode, 0u);
    doc->languageIndex = 4;

    const std::string path = dir.File("existing.set");
    const std::string original(kSetupBaseBytes, '\xAB');
    WriteAll(path, original);
    ASSERT_TRUE(doc->SaveSetup(path).ok);
    const std::string written = ReadAll(path);
    ASSERT_EQ(written.size(), original.size());
    EXPECT_EQ(written.substr(20), original.substr(20));
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

TEST_F(DocSetupTest, RefusedFilesChangeNoSettingAndOutOfRangeFieldsKeepTheirValue) {
    // A factory document, so "unchanged" is checked against a state that differs from the file.
    Start();
    doc->Stop();
    const std::string bytes = ReadAll(WriteUnusualSetup("good.set"));
    const SetupImage before = doc->CaptureSetup();
    const InstrumentSettings settingsBefore = doc->settings;

    std::string otherModel = bytes;
    otherModel[14] = static_cast<char>(otherModel[14] + 1);
    const struct {
        std::string name;
        std::string content;
        std::string message;
    } cases[] = {
        {"short.set", bytes.substr(0, 5000), "This is not a setup file!"},
        {"model.set", otherModel, "This setup file belongs to another model!"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File(c.name);
        WriteAll(path, c.content);
        EXPECT_EQ(doc->LoadSetup(path).message, c.message) << c.name;
        EXPECT_TRUE(doc->CaptureSetup() == before) << c.name;
        EXPECT_EQ(doc->settings, settingsBefore) << c.name;
    }
    EXPECT_EQ(doc->LoadSetup(dir.File("nothing-here.set")).message,
              std::string("Can not open file: ") + std::strerror(ENOENT));
    EXPECT_EQ(doc->settings, settingsBefore);

    // The CH1 volts/div index far out of range: that field keeps the document's value, the rest arrive.
    std::string badField = bytes;
    badField[24] = '\x7F';
    const std::string outOfRange = dir.File("range.set");
    WriteAll(outOfRange, badField);
    doc->SetVoltsPerDiv(kCh1, 1);
    doc->SetVoltsPerDiv(kCh2, 0);
    ASSERT_TRUE(doc->LoadSetup(outOfRange).ok);
    EXPECT_EQ(doc->settings.ch(kCh1).voltsPerDivIndex, 1);
    EXPECT_EQ(doc->settings.ch(kCh2).voltsPerDivIndex, 9);
}

TEST_F(DocSetupTest, DefaultSetupAtStartUp) {
    const std::string path = WriteUnusualSetup("Default.set");
    const std::string stored = ReadAll(path);
    DocumentServices services;
    services.library = &driver;
    services.clock = &clock;
    services.random = &random;
    services.chooser = &chooser;
    services.notifier = &notifier;

    // Declining the search (Device List cancelled, or Close at Searching Device) happens before the load:
    // the close must not replace the user's file with the factory state.
    for (const bool twoInstruments : {true, false}) {
        driver.present = {true, twoInstruments, false, false};
        chooser.deviceAnswer = std::nullopt;
        chooser.noDeviceAnswer = NoDeviceChoice::kClose;
        CTarnixDoc declined(services);
        declined.defaultSetupPath = path;
        if (!twoInstruments) {
            driver.present = {false, false, false, false};
        }
        ASSERT_EQ(declined.StartUp(), StartupResult::kClose);
        EXPECT_TRUE(declined.SaveDefaultSetup(path).ok);
        EXPECT_TRUE(ReadAll(path) == stored);
    }

    // A normal start loads it, and the close writes the session back.
    driver.present = {true, false, false, false};
    CTarnixDoc loaded(services);
    loaded.defaultSetupPath = path;
    loaded.StartUp();
    EXPECT_EQ(loaded.settings.ch(kCh1).voltsPerDivIndex, 2);
    loaded.SetVoltsPerDiv(kCh1, 4);
    ASSERT_TRUE(loaded.SaveDefaultSetup(path).ok);
    EXPECT_EQ(ReadAll(path).size(), stored.size());
    EXPECT_FALSE(ReadAll(path) == stored);

    // A broken file is kept aside (never replacing an earlier kept one), the user is told, and the
    // factory setup is used; the close then writes a fresh Default.set.
    WriteAll(path + ".bad", "kept from last week");
    const std::string broken = stored.substr(0, 5000);
    WriteAll(path, broken);
    notifier.messages.clear();
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
    EXPECT_NE(notifier.messages[0].second.find("This is not a setup file!"), std::string::npos);
    EXPECT_NE(notifier.messages[0].second.find(path + ".bad2"), std::string::npos);
    ASSERT_TRUE(refused.SaveDefaultSetup(path).ok);
    EXPECT_TRUE(refused.LoadSetup(path).ok);

    // A missing file is the first start: factory values, no message, nothing kept.
    notifier.messages.clear();
    CTarnixDoc first(services);
    first.SetVoltsPerDiv(kCh1, 2);
    EXPECT_FALSE(first.LoadDefaultSetup(dir.File("absent.set")));
    EXPECT_EQ(first.settings.ch(kCh1).voltsPerDivIndex, 6);
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("absent.set.bad")));
}

} // namespace
} // namespace tarnix::testing
