#include "files/setup_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

#include "../support/setup_image.h"
#include "../support/temp_dir.h"
#include "files/file_io.h"

namespace tarnix {
namespace {

using namespace testing;

enum class Kind { k16, k32, kF32, kF64 };
constexpr double kKept = -1e300; // the field keeps the value the program held

void Put(std::string& b, std::size_t at, Kind kind, double v) {
    std::vector<std::uint8_t> raw;
    ByteWriter out(raw);
    if (kind == Kind::kF32 || kind == Kind::kF64) {
        kind == Kind::kF32 ? out.F32(static_cast<float>(v)) : out.F64(v);
    } else {
        // Signed and unsigned fields alike: the low bits of the value as two's complement.
        const auto bits = static_cast<std::uint32_t>(static_cast<std::int64_t>(v));
        kind == Kind::k16 ? out.U16(static_cast<std::uint16_t>(bits)) : out.U32(bits);
    }
    std::copy(raw.begin(), raw.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

std::string Bytes(const SetupImage& image) {
    const std::vector<std::uint8_t> raw = SerializeSetup(image);
    return {raw.begin(), raw.end()};
}

// Where two file images first differ (npos when equal), so a failure names the byte instead of printing both.
std::size_t FirstDifference(const std::string& a, const std::string& b) {
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return ia == a.end() && ib == b.end() ? std::string::npos : static_cast<std::size_t>(ia - a.begin());
}

// Block offsets of a file without optional parts, added up from the block sizes.
constexpr std::size_t kCh1At = 20, kCh2At = 54, kMathAt = 88, kRefAt = 120, kTriggerAt = 156,
                      kTimebaseAt = 202, kDisplayAt = 212, kAcquireAt = 226, kRecorderAt = 242,
                      kPassFailAt = 286, kMeasureAt = 20322, kFftAt = 20390;

// The ranged fields' places are checked by the limits table below; these are the fields without a range.
TEST(SetupFile, UnrangedFieldsSitAtTheirOffsets) {
    SetupImage img = UnusualSetupImage();
    img.ref.empty = 1;
    img.ref.samples.clear();
    img.acquire.recordingEmpty = 1;
    img.recorder.frames.clear();
    img.timebase.horizontalPosition = 620; // written held to 500
    const std::string b = Bytes(img);
    ASSERT_EQ(b.size(), 20412u);
    EXPECT_EQ(b.substr(0, 16), std::string("M\0R\0V\0-\0O\0S\0C\0", 14) + Le16(1));
    EXPECT_EQ(b.substr(kTimebaseAt + 6, 2), Le16(500));
    EXPECT_EQ(b.substr(kAcquireAt + 12, 4), Le32(1u));                                   // recording empty
    EXPECT_EQ(b.substr(kRecorderAt + 30, 4), Le32(static_cast<std::uint32_t>(-123456))); // reserved
    EXPECT_EQ(b.substr(kPassFailAt + 4, 8), Le32(0xFFFFFFF0u) + Le32(0xFFFFFFFFu));      // fail count
    EXPECT_EQ(b.substr(kPassFailAt + 20, 4), Le32(42u));                                 // total count
    EXPECT_EQ(b.substr(kPassFailAt + 36, 2), Le16(255));                                 // upper[0]
    EXPECT_EQ(b.substr(kPassFailAt + 10038, 2), Le16(1));                                // lower[1]
}

TEST(SetupFile, AFullFileHasEveryOptionalPartAndRefusalsSayWhy) {
    TempDir dir;
    const SetupImage img = UnusualSetupImage();
    const std::string good = dir.File("All.SET");
    ASSERT_TRUE(SaveSetupFile(good, img, false).ok);
    const std::string bytes = ReadAll(good);
    EXPECT_EQ(bytes.size(), 20412u + 2000u + 10000000u);
    EXPECT_EQ(SetupFileSize(img), bytes.size());
    // The document's round trip loads this image back whole; its refusals check the missing file's message.

    SetupLoadResult wrongExtension = LoadSetupFile(dir.File("good.sett"), SetupImage{}, SetupLimits{}, false);
    EXPECT_FALSE(wrongExtension.ok);
    EXPECT_EQ(wrongExtension.message, "This is not a setup file!");

    std::string badMagic = bytes;
    badMagic[2] = 'X';
    std::string otherModel = bytes;
    Put(otherModel, 14, Kind::k16, 2);
    std::string hugeRef = bytes; // N = 65535: the file lacks its samples
    Put(hugeRef, kRefAt + 20, Kind::k16, 0xFFFF);
    std::string negativeRef = bytes;
    negativeRef[kRefAt + 23] = '\x80';
    for (const std::string& content : {badMagic, otherModel, bytes.substr(0, bytes.size() - 1), bytes + '\0',
                                       bytes.substr(0, 20), std::string(), hugeRef, negativeRef}) {
        WriteAll(dir.File("bad.set"), content);
        SetupLoadResult result = LoadSetupFile(dir.File("bad.set"), SetupImage{}, SetupLimits{}, false);
        EXPECT_FALSE(result.ok) << content.size();
        EXPECT_EQ(result.message, content == otherModel ? "This setup file belongs to another model!"
                                                        : "This is not a setup file!")
            << content.size();
    }

    EXPECT_TRUE(LoadSetupFile(dir.File("missing.set"), SetupImage{}, SetupLimits{}, false).missing);
    // A REF that the REF memory cannot hold is refused whole.
    SetupLimits small;
    small.refCapacity = 999;
    EXPECT_FALSE(LoadSetupFile(good, SetupImage{}, small, false).ok);
}

struct Field {
    std::size_t at;
    Kind kind;
    double other; // a valid value other than the limit, held before the load
    double limit; // the last value the loader takes
    double past;  // one step beyond it
    double pastReadsAs = kKept;
};

// Loads `base` with one field set to its limit (taken) and one past it (kept at the value held, or read as
// the documented replacement), through the loader; everything else must come from the file unchanged.
void ExpectFieldLimits(const Field& f, const SetupImage& base, const SetupLimits& limits) {
    SCOPED_TRACE("field at " + std::to_string(f.at));
    TempDir dir;
    const std::string path = dir.File("f.set");
    auto load = [&](double value, const SetupImage& held) {
        std::string file = Bytes(base);
        Put(file, f.at, f.kind, value);
        WriteAll(path, file);
        SetupLoadResult result = LoadSetupFile(path, held, limits, false);
        EXPECT_TRUE(result.ok) << result.message;
        return std::pair{file, result.image};
    };
    const auto [otherFile, other] = load(f.other, base);
    ASSERT_EQ(FirstDifference(Bytes(other), otherFile), std::string::npos);
    const auto [limitFile, atLimit] = load(f.limit, other);
    EXPECT_EQ(FirstDifference(Bytes(atLimit), limitFile), std::string::npos) << "the limit is refused";
    EXPECT_TRUE(SetupImageInRange(atLimit, limits));
    std::string expected = otherFile;
    if (f.pastReadsAs != kKept) {
        Put(expected, f.at, f.kind, f.pastReadsAs);
    }
    EXPECT_EQ(FirstDifference(Bytes(load(f.past, other).second), expected), std::string::npos)
        << "one past the limit is taken";
}

// One field of each kind of limit: the fields of one kind go through the same check.
std::vector<Field> RangedFields() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    return {
        {kCh1At, Kind::k32, 0, 1, 2}, // flags
        {kCh1At, Kind::k32, 1, 0, -1},
        {kCh1At + 4, Kind::k16, 0, 9, 10},             // choices from 0 up to their last entry
        {kRecorderAt + 6, Kind::k16, 600, 1000, 1001}, // the recorded count stays above the play end frame
        {kCh1At + 20, Kind::kF32, 100, 255, std::nextafter(255.0f, 300.0f)}, // screen positions 0..255
        {kCh1At + 20, Kind::kF32, 100, 0, -std::numeric_limits<float>::denorm_min()},
        {kCh1At + 20, Kind::kF32, 100, 255, nan},
        {kTriggerAt + 8, Kind::kF32, 100, 32767, 32768}, // trigger levels within +-32767
        {kTriggerAt + 8, Kind::kF32, 100, -32767, inf},
        {kTriggerAt + 20, Kind::kF32, 1, std::numeric_limits<float>::max(), inf}, // volts: any finite number
        {kTriggerAt + 20, Kind::kF32, 1, -1, nan},
        {kCh1At + 26, Kind::k32, 10240, 32768, 524288}, // record lengths: table lengths within the memory
        {kCh1At + 26, Kind::k32, 32768, 28672, 28673},
        {kCh1At + 30, Kind::k32, 0x123, 0xFFFFFF, 0x1000000},                                      // colours
        {kTriggerAt + 36, Kind::k16, kMarkerOnScreen, kMarkerBelowBottom, kMarkerBelowBottom + 1}, // markers
        {kTriggerAt + 36, Kind::k16, kMarkerAboveTop, kMarkerOnScreen, kMarkerOnScreen + 1},
        {kRecorderAt + 4, Kind::k16, 40, 20000, 20001}, // intervals
        {kRecorderAt + 4, Kind::k16, 40, 1, 0},
        {16, Kind::k32, 3, -1, -2}, // language
        {kRefAt + 20, Kind::k32, 1000, 65536, 65537},
        {kDisplayAt, Kind::k16, 0, 6, 5},                 // cursor source: CH1, CH2, MATH or FFT (6)
        {kDisplayAt + 10, Kind::k16, 100, 255, 256, 255}, // intensities
        {kAcquireAt + 8, Kind::k16, 16, 128, 129},        // average count
        {kAcquireAt + 8, Kind::k16, 16, 1, 0},
        {kRecorderAt + 20, Kind::k16, 1, 0, 0xFFFF},      // bandwidth limit, read back sign-extended
        {kRecorderAt + 26, Kind::k16, 2, 500, 501, 500},  // play frames within the play end frame (500)
        {kPassFailAt, Kind::k16, 10, 2000, 2001},         // tolerances
        {kPassFailAt + 36, Kind::k16, 7, 255, 256, 255},  // masks
        {kFftAt + 8, Kind::k16, 1024, 4096, 8192, 256},   // bins
        {kFftAt + 12, Kind::kF64, 2, 0.001, 0.0005, 0.5}, // linear vertical scale
        {kFftAt + 20, Kind::k16, 2, 16, 32, 1},           // zoom
    };
}

TEST(SetupFile, EveryRangedFieldAtItsLimitAndOnePast) {
    SetupImage base;
    base.recorder.playEndFrame = 500;
    for (const Field& f : RangedFields()) {
        ExpectFieldLimits(f, base, SetupLimits{});
    }
    // dB scale: 5 dB steps up to 60; anything else reads as 60.
    base.fft.scale = 0;
    base.fft.verticalScale = 60.0;
    ExpectFieldLimits({kFftAt + 12, Kind::kF64, 45, 5, 7.5, 60}, base, SetupLimits{});
    ExpectFieldLimits({kFftAt + 12, Kind::kF64, 45, 55, 65, 60}, base, SetupLimits{});

    // A model whose selector starts at 2ns has one more time base; a larger memory takes the 1M buffer.
    SetupLimits wide;
    wide.timeDivOffset = 0;
    wide.sampleCapacity = 524288;
    for (std::size_t at : {kRefAt + 24, kTimebaseAt, kRecorderAt + 8}) {
        ExpectFieldLimits({at, Kind::k16, 3, 38, 39}, base, wide);
    }
    ExpectFieldLimits({kTimebaseAt + 2, Kind::k16, 0, 6, 7}, base, wide);
    ExpectFieldLimits({kCh1At + 26, Kind::k32, 10240, 524288, 524289}, base, wide);
}

// A demo-mode save only rewrites the header of a setup file that exists, and a demo-mode load takes only the
// language (the document's tests check the rest of both); the load still checks the magic.
TEST(SetupFile, DemoModeTouchesOnlyTheHeader) {
    TempDir dir;
    const std::string path = dir.File("Default.set");
    SetupImage chosen;
    chosen.languageIndex = 7;
    FileResult absent = SaveSetupFile(path, chosen, true);
    EXPECT_TRUE(!absent.ok && !std::filesystem::exists(path) &&
                absent.message == std::string("Cann't save file: ") + std::strerror(ENOENT));

    std::string file = Bytes(SetupImage{}); // the built-in language (-1) replaces the chosen one
    WriteAll(path, file);
    SetupLoadResult loaded = LoadSetupFile(path, chosen, SetupLimits{}, true);
    EXPECT_TRUE(loaded.ok && loaded.languageOnly && loaded.image.languageIndex == -1);
    file[0] = 'N';
    WriteAll(path, file);
    EXPECT_EQ(LoadSetupFile(path, chosen, SetupLimits{}, true).message, "This is not a setup file!");
}

TEST(SetupFile, ApplyingTheSettingsFollowsTheBufferAndFormatRules) {
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);
    SetupImage img;
    CaptureSettings(settings, img);
    // CH2 yellow, MATH red, REF cyan: red in the low byte.
    EXPECT_EQ(std::tuple(img.ch2.colour, img.math.colour, img.ref.colour),
              std::tuple(0x0000FFFFu, 0x000000FFu, 0x00FFFF00u));

    img.ch1.recordLength = 14336;
    img.timebase.bufferSizeIndex = 0; // channel lengths stand
    img.timebase.timeDivIndex = 25;   // slower than 400ms with 10k: Roll
    img.timebase.displayFormat = kFormatYT;
    InstrumentSettings out = settings;
    ApplySetupToSettings(img, out);
    EXPECT_TRUE(out.ch(kCh1).recordLength == 14336u && out.timebase.displayFormat == kFormatRoll);

    img.timebase.bufferSizeIndex = 4; // 64k: CH1, CH2 and MATH take 32768
    img.timebase.timeDivIndex = 24;
    img.timebase.displayFormat = kFormatRoll;
    ApplySetupToSettings(img, out);
    EXPECT_EQ(std::tuple(out.ch(kCh1).recordLength, out.ch(kCh2).recordLength, out.ch(kMath).recordLength,
                         out.timebase.bufferSizeIndex, out.timebase.displayFormat),
              std::tuple(32768u, 32768u, 32768u, 4, kFormatYT));

    EXPECT_EQ(CorrectedDisplayFormat(30, 3, kFormatYT), kFormatYT); // large records stay
    EXPECT_EQ(CorrectedDisplayFormat(30, 0, kFormatXY), kFormatRoll);
}

} // namespace
} // namespace tarnix
