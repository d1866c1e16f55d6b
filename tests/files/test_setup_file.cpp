#include "files/setup_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

#include "../support/setup_image.h"
#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using testing::ReadAll;
using testing::TempDir;
using testing::UnusualSetupImage;
using testing::WriteAll;

std::uint16_t U16At(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}
std::uint32_t U32At(const std::string& b, std::size_t at) {
    return U16At(b, at) | (static_cast<std::uint32_t>(U16At(b, at + 2)) << 16);
}
void PutU16(std::string& b, std::size_t at, unsigned v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

// Block offsets of a file without optional parts, added up from the block sizes.
constexpr std::size_t kCh1At = 20, kCh2At = 54, kMathAt = 88, kRefAt = 120, kTriggerAt = 156,
                      kTimebaseAt = 202, kDisplayAt = 212, kAcquireAt = 226, kRecorderAt = 242,
                      kPassFailAt = 286, kMeasureAt = 20322, kFftAt = 20390;

TEST(SetupFile, SizesFollowTheOptionalParts) {
    SetupImage img;
    EXPECT_EQ(SerializeSetup(img).size(), 20412u);
    img.ref.empty = 0;
    img.ref.recordLength = 1234;
    EXPECT_EQ(SerializeSetup(img).size(), 20412u + 2468u); // samples the image lacks are written as 0
    img.acquire.recordingEmpty = 0;
    EXPECT_EQ(SerializeSetup(img).size(), 20412u + 2468u + 10000000u);
    img.ref.empty = 1;
    EXPECT_EQ(SerializeSetup(img).size(), 20412u + 10000000u);
    EXPECT_EQ(SetupFileSize(img), 20412u + 10000000u);
}

TEST(SetupFile, BlocksSitAtTheirOffsets) {
    SetupImage img = UnusualSetupImage();
    img.ref.empty = 1;
    img.ref.samples.clear();
    img.acquire.recordingEmpty = 1;
    img.recorder.frames.clear();
    img.timebase.horizontalPosition = 620; // written held to 500
    const std::vector<std::uint8_t> raw = SerializeSetup(img);
    const std::string b(raw.begin(), raw.end());
    ASSERT_EQ(b.size(), 20412u);
    EXPECT_EQ(b.substr(0, 14), std::string("M\0R\0V\0-\0O\0S\0C\0", 14));
    EXPECT_EQ(U16At(b, 14), 1);
    EXPECT_EQ(U32At(b, 16), 3u);
    EXPECT_EQ(U16At(b, kCh1At + 4), 2);          // CH1 volts/div
    EXPECT_EQ(U32At(b, kCh1At + 30), 0x123456u); // CH1 colour, last field
    EXPECT_EQ(U16At(b, kCh2At + 4), 9);
    EXPECT_EQ(U16At(b, kMathAt + 12), 3);              // MATH operator
    EXPECT_EQ(U32At(b, kRefAt + 4), 1u);               // REF empty
    EXPECT_EQ(U32At(b, kRefAt + 20), 1000u);           // REF N
    EXPECT_EQ(U16At(b, kRefAt + 24), 30);              // REF time base
    EXPECT_EQ(U16At(b, kTriggerAt + 4), 4);            // trigger source
    EXPECT_EQ(U32At(b, kTriggerAt + 8), 0xC1A00000u);  // levelCh1 -20.0f
    EXPECT_EQ(U32At(b, kTriggerAt + 42), 0x40E00000u); // level offset 7.0f
    EXPECT_EQ(U16At(b, kTimebaseAt), 25);
    EXPECT_EQ(U16At(b, kTimebaseAt + 6), 500);
    EXPECT_EQ(U16At(b, kDisplayAt), 6);                                         // cursor source FFT
    EXPECT_EQ(U16At(b, kDisplayAt + 12), 18);                                   // wave intensity
    EXPECT_EQ(U16At(b, kAcquireAt + 10), 1);                                    // saveChannel
    EXPECT_EQ(U32At(b, kAcquireAt + 12), 1u);                                   // recording empty
    EXPECT_EQ(U16At(b, kRecorderAt + 2), 900);                                  // record end frame
    EXPECT_EQ(U16At(b, kRecorderAt + 20), 1);                                   // bandwidth limit, 16 bits
    EXPECT_EQ(U32At(b, kRecorderAt + 30), static_cast<std::uint32_t>(-123456)); // reserved
    EXPECT_EQ(U32At(b, kRecorderAt + 40), 1u);                                  // repeat
    EXPECT_EQ(U16At(b, kPassFailAt), 2000);
    EXPECT_EQ(U32At(b, kPassFailAt + 4), 0xFFFFFFF0u);
    EXPECT_EQ(U16At(b, kPassFailAt + 36), 255);  // upper[0]
    EXPECT_EQ(U16At(b, kPassFailAt + 10036), 0); // lower[0]
    EXPECT_EQ(U16At(b, kPassFailAt + 10038), 1); // lower[1]
    EXPECT_EQ(U16At(b, kMeasureAt), 8);
    EXPECT_EQ(U16At(b, kMeasureAt + 10), 19); // slot 0 kind
    EXPECT_EQ(U32At(b, kFftAt), 1u);
    EXPECT_EQ(U16At(b, kFftAt + 10), 0);  // scale dB
    EXPECT_EQ(U16At(b, kFftAt + 20), 16); // zoom, the last field
}

TEST(SetupFile, EveryBlockComesBackThroughTheFile) {
    TempDir dir;
    const SetupImage img = UnusualSetupImage();
    const std::string path = dir.File("All.SET");
    ASSERT_TRUE(SaveSetupFile(path, img, false).ok);
    EXPECT_EQ(ReadAll(path).size(), 20412u + 2000u + 10000000u);
    SetupLoadResult loaded = LoadSetupFile(path, SetupImage{}, SetupLimits{}, false);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_FALSE(loaded.languageOnly);
    EXPECT_TRUE(loaded.image == img);
    EXPECT_TRUE(SetupImageInRange(loaded.image, SetupLimits{}));
}

TEST(SetupFile, RefusalsSayWhy) {
    TempDir dir;
    const SetupImage img = UnusualSetupImage();
    const std::string good = dir.File("good.set");
    ASSERT_TRUE(SaveSetupFile(good, img, false).ok);
    const std::string bytes = ReadAll(good);

    SetupLoadResult wrongExtension = LoadSetupFile(dir.File("good.sett"), SetupImage{}, SetupLimits{}, false);
    EXPECT_FALSE(wrongExtension.ok);
    EXPECT_EQ(wrongExtension.message, "This is not a setup file!");

    struct Case {
        const char* name;
        std::string content;
    };
    std::string badMagic = bytes;
    badMagic[2] = 'X';
    std::string otherModel = bytes;
    PutU16(otherModel, 14, 2);
    std::string hugeRef = bytes;
    PutU16(hugeRef, kRefAt + 20, 0xFFFF); // N = 65535 + 65536 x 0: still fits, but the file lacks its samples
    std::string negativeRef = bytes;
    negativeRef[kRefAt + 23] = '\x80';
    const Case cases[] = {
        {"wrong magic", badMagic},
        {"other model", otherModel},
        {"one byte short", bytes.substr(0, bytes.size() - 1)},
        {"one byte long", bytes + '\0'},
        {"header only", bytes.substr(0, 20)},
        {"empty", ""},
        {"REF longer than the file", hugeRef},
        {"negative REF length", negativeRef},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("bad.set");
        WriteAll(path, c.content);
        SetupLoadResult result = LoadSetupFile(path, SetupImage{}, SetupLimits{}, false);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.message, c.content == otherModel ? "This setup file belongs to another model!"
                                                          : "This is not a setup file!")
            << c.name;
    }
    const SetupLoadResult missing =
        LoadSetupFile(dir.File("missing.set"), SetupImage{}, SetupLimits{}, false);
    EXPECT_TRUE(missing.missing);
    EXPECT_EQ(missing.message, std::string("Can not open file: ") + std::strerror(ENOENT));

    // A REF that the REF memory cannot hold is refused whole.
    SetupLimits small;
    small.refCapacity = 999;
    EXPECT_FALSE(LoadSetupFile(good, SetupImage{}, small, false).ok);
}

TEST(SetupFile, FieldsOutOfRangeKeepTheCurrentValue) {
    SetupImage img;
    const std::vector<std::uint8_t> raw = SerializeSetup(img);
    std::string b(raw.begin(), raw.end());
    PutU16(b, kCh1At + 4, 12);           // volts/div 12
    PutU16(b, kCh2At + 28, 0x0010);      // CH2 record length 0x00102800: no table length
    PutU16(b, kTriggerAt + 2, 3);        // sweep 3
    PutU16(b, kTimebaseAt, 38);          // the selector ends at 37
    PutU16(b, kTimebaseAt + 2, 5);       // 512k: more than model 1's memory
    PutU16(b, kDisplayAt + 10, 999);     // grid intensity: held to 255
    PutU16(b, kAcquireAt + 8, 0);        // average count 0
    PutU16(b, kPassFailAt + 36, 0x7000); // a mask value: held to 255
    PutU16(b, kFftAt + 8, 300);          // bins: reads as 256
    PutU16(b, kFftAt + 20, 3);           // zoom: reads as 1
    b[kRefAt + 8] = '\xFF';              // REF zero level becomes NaN
    b[kRefAt + 9] = '\xFF';
    b[kRefAt + 10] = '\xFF';
    b[kRefAt + 11] = '\x7F';

    SetupImage current;
    current.ch1.voltsPerDivIndex = 4;
    current.ch2.recordLength = 32768;
    current.trigger.sweep = 2;
    current.timebase.timeDivIndex = 20;
    current.timebase.bufferSizeIndex = 3;
    current.acquire.averageCount = 16;
    current.ref.zeroLevel = 50.0f;
    current.fft.bins = 1024;
    SetupParseResult parsed =
        ParseSetup({reinterpret_cast<const std::uint8_t*>(b.data()), b.size()}, current, SetupLimits{});
    ASSERT_EQ(parsed.status, SetupParseStatus::kOk);
    const SetupImage& out = parsed.image;
    EXPECT_EQ(out.ch1.voltsPerDivIndex, 4);
    EXPECT_EQ(out.ch2.recordLength, 32768);
    EXPECT_EQ(out.trigger.sweep, 2);
    EXPECT_EQ(out.timebase.timeDivIndex, 20);
    EXPECT_EQ(out.timebase.bufferSizeIndex, 3);
    EXPECT_EQ(out.display.gridIntensity, 255);
    EXPECT_EQ(out.acquire.averageCount, 16);
    EXPECT_EQ(out.passFail.upper[0], 255);
    EXPECT_EQ(out.fft.bins, 256);
    EXPECT_EQ(out.fft.horizontalZoom, 1);
    EXPECT_EQ(out.ref.zeroLevel, 50.0f);
    EXPECT_EQ(out.ch1.zeroLevel, 64.0f); // fields in range come from the file
    EXPECT_TRUE(SetupImageInRange(out, SetupLimits{}));

    // The recorder's play frames are held within the recorded count.
    img.recorder.recordedCount = 10;
    img.recorder.playEndFrame = 700;
    img.recorder.playStartFrame = 600;
    img.recorder.currentFrame = 0;
    const std::vector<std::uint8_t> rec = SerializeSetup(img);
    SetupParseResult held = ParseSetup(rec, SetupImage{}, SetupLimits{});
    ASSERT_EQ(held.status, SetupParseStatus::kOk);
    EXPECT_EQ(held.image.recorder.playEndFrame, 10);
    EXPECT_EQ(held.image.recorder.playStartFrame, 10);
    EXPECT_EQ(held.image.recorder.currentFrame, 1);
}

TEST(SetupFile, DemoModeWritesAndReadsOnlyTheHeader) {
    TempDir dir;
    const std::string path = dir.File("Default.set");
    SetupImage demo;
    demo.languageIndex = 7;
    FileResult absent = SaveSetupFile(path, demo, true);
    EXPECT_FALSE(absent.ok);
    EXPECT_EQ(absent.message, std::string("Cann't save file: ") + std::strerror(ENOENT));
    EXPECT_FALSE(std::filesystem::exists(path)); // nothing created

    const SetupImage img = UnusualSetupImage();
    ASSERT_TRUE(SaveSetupFile(path, img, false).ok);
    const std::string before = ReadAll(path);
    ASSERT_TRUE(SaveSetupFile(path, demo, true).ok);
    const std::string after = ReadAll(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(20), before.substr(20));
    EXPECT_EQ(U32At(after, 16), 7u);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        changed += after[i] != before[i] ? 1 : 0;
    }
    EXPECT_EQ(changed, 1u); // the language index's low byte, 3 -> 7

    SetupImage current;
    current.ch1.voltsPerDivIndex = 1;
    SetupLoadResult loaded = LoadSetupFile(path, current, SetupLimits{}, true);
    ASSERT_TRUE(loaded.ok);
    EXPECT_TRUE(loaded.languageOnly);
    SetupImage expected = current;
    expected.languageIndex = 7;
    EXPECT_TRUE(loaded.image == expected);
}

TEST(SetupFile, AFailedSaveLeavesThePreviousFileIntact) {
    TempDir dir;
    const std::string path = dir.File("Default.set");
    SetupImage previous;
    previous.ch1.voltsPerDivIndex = 2;
    ASSERT_TRUE(SaveSetupFile(path, previous, false).ok);
    const std::string before = ReadAll(path);

    // A file-size limit makes the write of a recording fail part way, like a full disk.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    SetupImage big = UnusualSetupImage();
    FileResult result = SaveSetupFile(path, big, false);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, std::string("Cann't save file: ") + std::strerror(EFBIG));
    EXPECT_EQ(ReadAll(path), before);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u); // the temporary file is gone

    // A save that cannot even start leaves the file alone as well.
    FileResult noFolder = SaveSetupFile(dir.File("none/Default.set"), big, false);
    EXPECT_EQ(noFolder.message, std::string("Cann't save file: ") + std::strerror(ENOENT));
}

TEST(SetupFile, ApplyingTheSettingsFollowsTheBufferAndFormatRules) {
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);
    SetupImage img;
    CaptureSettings(settings, img);
    EXPECT_EQ(img.ch1.colour, 0x0000FF00u); // green either way round
    EXPECT_EQ(img.ch2.colour, 0x0000FFFFu); // yellow: red in the low byte
    EXPECT_EQ(img.math.colour, 0x000000FFu);
    EXPECT_EQ(img.ref.colour, 0x00FFFF00u);

    img.ch1.recordLength = 14336;
    img.timebase.bufferSizeIndex = 0; // channel lengths stand
    img.timebase.timeDivIndex = 25;   // slower than 400ms with 10k: Roll
    img.timebase.displayFormat = kFormatYT;
    InstrumentSettings out = settings;
    ApplySetupToSettings(img, out);
    EXPECT_EQ(out.ch(kCh1).recordLength, 14336u);
    EXPECT_EQ(out.timebase.displayFormat, kFormatRoll);

    img.timebase.bufferSizeIndex = 4; // 64k: CH1, CH2 and MATH take 32768
    img.timebase.timeDivIndex = 24;
    img.timebase.displayFormat = kFormatRoll;
    ApplySetupToSettings(img, out);
    EXPECT_EQ(out.ch(kCh1).recordLength, 32768u);
    EXPECT_EQ(out.ch(kCh2).recordLength, 32768u);
    EXPECT_EQ(out.ch(kMath).recordLength, 32768u);
    EXPECT_EQ(out.timebase.bufferSizeIndex, 4);
    EXPECT_EQ(out.timebase.displayFormat, kFormatYT);

    EXPECT_EQ(CorrectedDisplayFormat(30, 3, kFormatYT), kFormatYT); // large records stay
    EXPECT_EQ(CorrectedDisplayFormat(30, 0, kFormatXY), kFormatRoll);

    InstrumentSettings back;
    ApplySetupToSettings(img, back);
    SetupImage again;
    CaptureSettings(back, again);
    EXPECT_EQ(again.ch2.colour, img.ch2.colour);
    EXPECT_EQ(again.trigger.levelCh2, img.trigger.levelCh2);
}

} // namespace
} // namespace tarnix
