#include "files/setup_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "../support/setup_image.h"
#include "../support/temp_dir.h"
#include "files/file_io.h"

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

// The ranged fields' places are checked by the limits table below; these are the fields without a range.
TEST(SetupFile, UnrangedFieldsSitAtTheirOffsets) {
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
    EXPECT_EQ(U16At(b, kTimebaseAt + 6), 500);
    EXPECT_EQ(U32At(b, kAcquireAt + 12), 1u);                                   // recording empty
    EXPECT_EQ(U32At(b, kRecorderAt + 30), static_cast<std::uint32_t>(-123456)); // reserved
    EXPECT_EQ(U32At(b, kPassFailAt + 4), 0xFFFFFFF0u);                          // fail count, low half
    EXPECT_EQ(U32At(b, kPassFailAt + 8), 0xFFFFFFFFu);
    EXPECT_EQ(U32At(b, kPassFailAt + 20), 42u);  // total count
    EXPECT_EQ(U16At(b, kPassFailAt + 36), 255);  // upper[0]
    EXPECT_EQ(U16At(b, kPassFailAt + 10038), 1); // lower[1]
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

enum class Kind { kU16, kI16, kI32, kU32, kF32, kF64 };
constexpr double kKept = -1e300; // the field keeps the value the program held

struct Field {
    std::string name;
    std::size_t at;
    Kind kind;
    double other; // a valid value other than the limit, held before the load
    double limit; // the last value the loader takes
    double past;  // one step beyond it
    double pastReadsAs = kKept;
};

void Put(std::string& b, std::size_t at, Kind kind, double v) {
    std::vector<std::uint8_t> raw;
    ByteWriter out(raw);
    switch (kind) {
    case Kind::kU16:
    case Kind::kI16:
        out.U16(static_cast<std::uint16_t>(static_cast<std::int32_t>(v)));
        break;
    case Kind::kI32:
        out.I32(static_cast<std::int32_t>(v));
        break;
    case Kind::kU32:
        out.U32(static_cast<std::uint32_t>(v));
        break;
    case Kind::kF32:
        out.F32(static_cast<float>(v));
        break;
    case Kind::kF64:
        out.F64(v);
        break;
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

// Loads `base` with one field set to its limit (taken) and one past it (kept at the value held, or read as
// the documented replacement), through the loader; everything else must come from the file unchanged.
void ExpectFieldLimits(const Field& f, const SetupImage& base, const SetupLimits& limits) {
    SCOPED_TRACE(f.name + " at " + std::to_string(f.at));
    TempDir dir;
    const std::string path = dir.File("f.set");
    struct Loaded {
        std::string file;
        std::string held; // the loaded image, written out again
        SetupImage image;
    };
    auto load = [&](double value, const SetupImage& current) {
        Loaded loaded{Bytes(base), {}, {}};
        Put(loaded.file, f.at, f.kind, value);
        WriteAll(path, loaded.file);
        SetupLoadResult result = LoadSetupFile(path, current, limits, false);
        EXPECT_TRUE(result.ok) << result.message;
        loaded.image = result.image;
        loaded.held = Bytes(result.image);
        return loaded;
    };
    const Loaded other = load(f.other, base);
    ASSERT_EQ(FirstDifference(other.held, other.file), std::string::npos);
    const Loaded atLimit = load(f.limit, other.image);
    EXPECT_EQ(FirstDifference(atLimit.held, atLimit.file), std::string::npos) << "the limit is refused";
    EXPECT_TRUE(SetupImageInRange(atLimit.image, limits));
    std::string expected = other.file;
    if (f.pastReadsAs != kKept) {
        Put(expected, f.at, f.kind, f.pastReadsAs);
    }
    const Loaded pastLimit = load(f.past, other.image);
    EXPECT_EQ(FirstDifference(pastLimit.held, expected), std::string::npos) << "one past the limit is taken";
}

std::vector<Field> RangedFields() {
    std::vector<Field> rows;
    auto add = [&](std::string name, std::size_t at, Kind kind, double other, double limit, double past,
                   double readsAs = kKept) {
        rows.push_back({name, at, kind, other, limit, past, readsAs});
    };
    auto flag = [&](std::string name, std::size_t at) {
        add(name, at, Kind::kI32, 0, 1, 2);
        add(name, at, Kind::kI32, 1, 0, -1);
    };
    auto u16 = [&](std::string name, std::size_t at, double other, double limit) {
        add(name, at, Kind::kU16, other, limit, limit + 1);
    };
    const double above255 = std::nextafter(255.0f, 300.0f);
    const double below0 = -std::numeric_limits<float>::denorm_min();
    auto position = [&](std::string name, std::size_t at) {
        add(name, at, Kind::kF32, 100, 255, above255);
        add(name, at, Kind::kF32, 100, 0, below0);
        add(name, at, Kind::kF32, 100, 255, std::numeric_limits<double>::quiet_NaN());
    };
    auto level = [&](std::string name, std::size_t at) {
        add(name, at, Kind::kF32, 100, 32767, 32768);
        add(name, at, Kind::kF32, 100, -32767, -32768);
        add(name, at, Kind::kF32, 100, -32767, std::numeric_limits<double>::infinity());
    };
    auto recordLength = [&](std::string name, std::size_t at) {
        add(name, at, Kind::kI32, 10240, 32768, 524288); // a table length beyond the sample memory
        add(name, at, Kind::kI32, 32768, 28672, 28673);  // no table length
        add(name, at, Kind::kI32, 32768, 10240, -10240);
    };
    auto colour = [&](std::string name, std::size_t at) {
        add(name, at, Kind::kU32, 0x123, 0xFFFFFF, 0x1000000);
    };
    add("language", 16, Kind::kI32, 3, -1, -2);
    for (std::size_t b : {kCh1At, kCh2At}) {
        const std::string ch = b == kCh1At ? "CH1 " : "CH2 ";
        flag(ch + "enabled", b);
        u16(ch + "volts/div", b + 4, 3, 9);
        u16(ch + "coupling", b + 6, 0, 2);
        u16(ch + "probe", b + 8, 0, 3);
        u16(ch + "filter", b + 10, 0, 2);
        flag(ch + "invert", b + 12);
        flag(ch + "bandwidth limit", b + 16);
        position(ch + "zero level", b + 20);
        u16(ch + "interpolation", b + 24, 0, 2);
        recordLength(ch + "record length", b + 26);
        colour(ch + "colour", b + 30);
    }
    flag("MATH enabled", kMathAt);
    u16("MATH volts/div", kMathAt + 4, 3, 9);
    u16("MATH probe", kMathAt + 6, 0, 3);
    u16("MATH source A", kMathAt + 8, 0, 1);
    u16("MATH source B", kMathAt + 10, 0, 1);
    u16("MATH operator", kMathAt + 12, 0, 3);
    flag("MATH invert", kMathAt + 14);
    position("MATH zero level", kMathAt + 18);
    u16("MATH interpolation", kMathAt + 22, 0, 2);
    recordLength("MATH record length", kMathAt + 24);
    colour("MATH colour", kMathAt + 28);

    flag("REF enabled", kRefAt);
    position("REF zero level", kRefAt + 8);
    position("REF zero level at stop", kRefAt + 12);
    u16("REF volts/div", kRefAt + 16, 3, 9);
    u16("REF volts/div at stop", kRefAt + 18, 3, 9);
    add("REF length", kRefAt + 20, Kind::kI32, 1000, 65536, 65537);
    add("REF length", kRefAt + 20, Kind::kI32, 1000, 1, 0);
    u16("REF time/div", kRefAt + 24, 3, 37);
    u16("REF trigger position", kRefAt + 26, 3, 500);
    position("REF stored position", kRefAt + 28);
    colour("REF colour", kRefAt + 32);

    u16("trigger mode", kTriggerAt, 0, 1);
    u16("sweep", kTriggerAt + 2, 0, 2);
    u16("trigger source", kTriggerAt + 4, 0, 4);
    u16("slope", kTriggerAt + 6, 0, 1);
    level("CH1 trigger level", kTriggerAt + 8);
    level("CH2 trigger level", kTriggerAt + 12);
    position("EXT trigger level", kTriggerAt + 16);
    for (std::size_t at : {kTriggerAt + 20, kTriggerAt + 24, kTriggerAt + 28}) {
        add("trigger volts", at, Kind::kF32, 1, std::numeric_limits<float>::max(),
            std::numeric_limits<double>::infinity());
        add("trigger volts", at, Kind::kF32, 1, -1, std::numeric_limits<double>::quiet_NaN());
    }
    flag("HF rejection", kTriggerAt + 32);
    for (std::size_t at : {kTriggerAt + 36, kTriggerAt + 38, kTriggerAt + 40}) {
        add("level marker", at, Kind::kU16, kMarkerOnScreen, kMarkerBelowBottom, kMarkerBelowBottom + 1);
        add("level marker", at, Kind::kU16, kMarkerBelowBottom, kMarkerAboveTop, kMarkerAboveTop - 1);
        add("level marker", at, Kind::kU16, kMarkerAboveTop, kMarkerOnScreen, kMarkerOnScreen + 1);
    }
    level("trigger level offset", kTriggerAt + 42);

    u16("time/div", kTimebaseAt, 3, 37);
    u16("buffer size", kTimebaseAt + 2, 0, 4); // 512k does not fit 64k of sample memory
    u16("display format", kTimebaseAt + 4, 0, 2);
    u16("trigger position", kTimebaseAt + 6, 3, 500);
    u16("sampling mode", kTimebaseAt + 8, 0, 1);

    add("cursor source", kDisplayAt, Kind::kU16, 0, 2, 3);
    add("cursor source", kDisplayAt, Kind::kU16, 0, 6, 7);
    add("cursor source", kDisplayAt, Kind::kU16, 0, 6, 5);
    u16("cursor type", kDisplayAt + 2, 0, 4);
    u16("dots", kDisplayAt + 4, 0, 1);
    flag("grid", kDisplayAt + 6);
    add("grid intensity", kDisplayAt + 10, Kind::kU16, 100, 255, 256, 255);
    add("wave intensity", kDisplayAt + 12, Kind::kU16, 100, 255, 256, 255);

    u16("persistence depth", kAcquireAt, 3, 15);
    flag("persistence", kAcquireAt + 2);
    u16("acquisition mode", kAcquireAt + 6, 0, 2);
    add("average count", kAcquireAt + 8, Kind::kU16, 16, 128, 129);
    add("average count", kAcquireAt + 8, Kind::kU16, 16, 1, 0);
    u16("save channel", kAcquireAt + 10, 0, 2);

    u16("record source", kRecorderAt, 0, 1);
    u16("record end frame", kRecorderAt + 2, 3, 1000);
    add("record interval", kRecorderAt + 4, Kind::kU16, 40, 20000, 20001);
    add("record interval", kRecorderAt + 4, Kind::kU16, 40, 1, 0);
    u16("recorded count", kRecorderAt + 6, 600, 1000);
    u16("recording time/div", kRecorderAt + 8, 3, 37);
    u16("recording volts/div", kRecorderAt + 10, 3, 9);
    position("recording position", kRecorderAt + 12);
    u16("recording coupling", kRecorderAt + 16, 0, 2);
    u16("recording probe", kRecorderAt + 18, 0, 3);
    add("recording bandwidth limit", kRecorderAt + 20, Kind::kU16, 0, 1, 2);
    add("recording bandwidth limit", kRecorderAt + 20, Kind::kU16, 1, 0, 0xFFFF);
    flag("playing", kRecorderAt + 22);
    u16("recording trigger position", kRecorderAt + 28, 3, 500);
    add("play interval", kRecorderAt + 34, Kind::kU16, 40, 20000, 20001);
    add("play interval", kRecorderAt + 34, Kind::kU16, 40, 1, 0);
    flag("repeat", kRecorderAt + 40);
    // The play frames are held within the recorded count (1000) and the play end frame (500).
    add("play end frame", kRecorderAt + 36, Kind::kU16, 5, 1000, 1001, 1000);
    for (std::size_t at : {kRecorderAt + 26, kRecorderAt + 38}) {
        add("play frame", at, Kind::kU16, 2, 500, 501, 500);
        add("play frame", at, Kind::kU16, 2, 1, 0, 1);
    }

    add("horizontal tolerance", kPassFailAt, Kind::kU16, 10, 2000, 2001);
    add("horizontal tolerance", kPassFailAt, Kind::kU16, 10, 1, 0);
    add("vertical tolerance", kPassFailAt + 2, Kind::kU16, 10, 128, 129);
    add("vertical tolerance", kPassFailAt + 2, Kind::kU16, 10, 1, 0);
    u16("pass/fail output", kPassFailAt + 28, 0, 3);
    u16("pass/fail source", kPassFailAt + 30, 0, 1);
    flag("stop when output", kPassFailAt + 32);
    for (std::size_t at : {kPassFailAt + 36, kPassFailAt + 10036 + 2 * 4999}) {
        add("mask", at, Kind::kI16, 7, 255, 256, 255);
        add("mask", at, Kind::kI16, 7, 0, -1, 0);
    }

    u16("measure count", kMeasureAt, 0, 8);
    u16("measure source", kMeasureAt + 2, 0, 2);
    for (std::size_t slot = 0; slot < 8; ++slot) {
        const std::size_t at = kMeasureAt + 4 + 8 * slot;
        flag("measure slot used", at);
        u16("measure slot source", at + 4, 0, 2);
        u16("measure slot kind", at + 6, 0, 19);
    }

    flag("FFT running", kFftAt);
    u16("FFT source", kFftAt + 4, 0, 1);
    u16("FFT window", kFftAt + 6, 0, 3);
    add("FFT bins", kFftAt + 8, Kind::kU16, 1024, 4096, 8192, 256);
    add("FFT bins", kFftAt + 8, Kind::kU16, 1024, 512, 511, 256);
    add("FFT vertical, linear", kFftAt + 12, Kind::kF64, 2, 5, 10, 0.5);
    add("FFT vertical, linear", kFftAt + 12, Kind::kF64, 2, 0.001, 0.0005, 0.5);
    add("FFT zoom", kFftAt + 20, Kind::kU16, 2, 16, 32, 1);
    add("FFT zoom", kFftAt + 20, Kind::kU16, 2, 4, 3, 1);
    return rows;
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
    ExpectFieldLimits({"FFT vertical, dB", kFftAt + 12, Kind::kF64, 45, 5, 7.5, 60}, base, SetupLimits{});
    ExpectFieldLimits({"FFT vertical, dB", kFftAt + 12, Kind::kF64, 45, 55, 65, 60}, base, SetupLimits{});

    // A model whose selector starts at 2ns has one more time base; a larger memory takes the 1M buffer.
    SetupLimits wide;
    wide.timeDivOffset = 0;
    wide.sampleCapacity = 524288;
    for (std::size_t at : {kRefAt + 24, kTimebaseAt, kRecorderAt + 8}) {
        ExpectFieldLimits({"time/div from 2ns", at, Kind::kU16, 3, 38, 39}, base, wide);
    }
    ExpectFieldLimits({"buffer size 1M", kTimebaseAt + 2, Kind::kU16, 0, 6, 7}, base, wide);
    ExpectFieldLimits({"record length 512k", kCh1At + 26, Kind::kI32, 10240, 524288, 524289}, base, wide);
}

// The range check a loaded image must pass (the fuzz targets hold the loader to it) refuses each field one
// past its limit.
TEST(SetupFile, RangeCheckRefusesEveryFieldOnePastItsLimit) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    using Set = void (*)(SetupImage&);
    const Set outOfRange[] = {
        [](SetupImage& i) { i.model = 2; },
        [](SetupImage& i) { i.languageIndex = -2; },
        [](SetupImage& i) { i.ch1.enabled = 2; },
        [](SetupImage& i) { i.ch1.enabled = -1; },
        [](SetupImage& i) { i.ch1.voltsPerDivIndex = 10; },
        [](SetupImage& i) { i.ch1.coupling = 3; },
        [](SetupImage& i) { i.ch1.probe = 4; },
        [](SetupImage& i) { i.ch1.filterMode = 3; },
        [](SetupImage& i) { i.ch1.invert = 2; },
        [](SetupImage& i) { i.ch1.bandwidthLimit = 2; },
        [](SetupImage& i) { i.ch1.zeroLevel = 256.0f; },
        [](SetupImage& i) { i.ch1.zeroLevel = -1.0f; },
        [](SetupImage& i) { i.ch1.interpolation = 3; },
        [](SetupImage& i) { i.ch1.recordLength = 10241; },
        [](SetupImage& i) { i.ch1.recordLength = 524288; },
        [](SetupImage& i) { i.ch1.colour = 0x1000000; },
        [](SetupImage& i) { i.ch2.probe = 4; },
        [](SetupImage& i) { i.math.enabled = 2; },
        [](SetupImage& i) { i.math.voltsPerDivIndex = 10; },
        [](SetupImage& i) { i.math.probe = 4; },
        [](SetupImage& i) { i.math.sourceA = 2; },
        [](SetupImage& i) { i.math.sourceB = 2; },
        [](SetupImage& i) { i.math.mathOperator = 4; },
        [](SetupImage& i) { i.math.invert = 2; },
        [](SetupImage& i) { i.math.zeroLevel = 256.0f; },
        [](SetupImage& i) { i.math.interpolation = 3; },
        [](SetupImage& i) { i.math.recordLength = 10241; },
        [](SetupImage& i) { i.math.colour = 0x1000000; },
        [](SetupImage& i) { i.ref.enabled = 2; },
        [](SetupImage& i) { i.ref.empty = 2; },
        [](SetupImage& i) { i.ref.zeroLevel = 256.0f; },
        [](SetupImage& i) { i.ref.zeroLevelAtStop = 256.0f; },
        [](SetupImage& i) { i.ref.voltsPerDivIndex = 10; },
        [](SetupImage& i) { i.ref.voltsPerDivIndexAtStop = 10; },
        [](SetupImage& i) { i.ref.recordLength = 65537; },
        [](SetupImage& i) { i.ref.recordLength = 0; },
        [](SetupImage& i) { i.ref.timeDivIndex = 38; },
        [](SetupImage& i) { i.ref.horizontalPosition = 501; },
        [](SetupImage& i) { i.ref.storedPosition = 256.0f; },
        [](SetupImage& i) { i.ref.colour = 0x1000000; },
        [](SetupImage& i) { i.ref.samples.resize(1); }, // an empty REF holds no samples
        [](SetupImage& i) { i.ref.empty = 0; },         // a held REF holds N samples
        [](SetupImage& i) { i.trigger.triggerMode = 2; },
        [](SetupImage& i) { i.trigger.sweep = 3; },
        [](SetupImage& i) { i.trigger.triggerSource = 5; },
        [](SetupImage& i) { i.trigger.slope = 2; },
        [](SetupImage& i) { i.trigger.levelCh1 = 32768.0f; },
        [](SetupImage& i) { i.trigger.levelCh2 = -32768.0f; },
        [](SetupImage& i) { i.trigger.levelExt = 256.0f; },
        [](SetupImage& i) { i.trigger.hfRejection = 2; },
        [](SetupImage& i) { i.trigger.levelMarkerCh1 = 1; },
        [](SetupImage& i) { i.trigger.levelMarkerCh2 = 4; },
        [](SetupImage& i) { i.trigger.levelMarkerExt = 1; },
        [](SetupImage& i) { i.trigger.levelOffset = 32768.0f; },
        [](SetupImage& i) { i.timebase.timeDivIndex = 38; },
        [](SetupImage& i) { i.timebase.bufferSizeIndex = 5; },
        [](SetupImage& i) { i.timebase.displayFormat = 3; },
        [](SetupImage& i) { i.timebase.horizontalPosition = 501; },
        [](SetupImage& i) { i.timebase.samplingMode = 2; },
        [](SetupImage& i) { i.display.cursorSource = 3; },
        [](SetupImage& i) { i.display.cursorType = 5; },
        [](SetupImage& i) { i.display.dotsMode = 2; },
        [](SetupImage& i) { i.display.gridOn = 2; },
        [](SetupImage& i) { i.display.gridIntensity = 256; },
        [](SetupImage& i) { i.display.waveIntensity = 256; },
        [](SetupImage& i) { i.acquire.persistenceDepth = 16; },
        [](SetupImage& i) { i.acquire.persistenceOn = 2; },
        [](SetupImage& i) { i.acquire.acquisitionMode = 3; },
        [](SetupImage& i) { i.acquire.averageCount = 0; },
        [](SetupImage& i) { i.acquire.averageCount = 129; },
        [](SetupImage& i) { i.acquire.saveChannel = 3; },
        [](SetupImage& i) { i.acquire.recordingEmpty = 0; }, // without the frame store
        [](SetupImage& i) { i.recorder.recordSource = 2; },
        [](SetupImage& i) { i.recorder.recordEndFrame = 1001; },
        [](SetupImage& i) { i.recorder.recordInterval = 0; },
        [](SetupImage& i) { i.recorder.recordInterval = 20001; },
        [](SetupImage& i) { i.recorder.recordedCount = 1001; },
        [](SetupImage& i) { i.recorder.timeDivIndex = 38; },
        [](SetupImage& i) { i.recorder.voltsPerDivIndex = 10; },
        [](SetupImage& i) { i.recorder.verticalPosition = 256.0f; },
        [](SetupImage& i) { i.recorder.coupling = 3; },
        [](SetupImage& i) { i.recorder.probe = 4; },
        [](SetupImage& i) { i.recorder.bandwidthLimit = 2; },
        [](SetupImage& i) { i.recorder.playing = 2; },
        [](SetupImage& i) { i.recorder.playStartFrame = 0; },
        [](SetupImage& i) { i.recorder.playStartFrame = 1001; },
        [](SetupImage& i) { i.recorder.horizontalPosition = 501; },
        [](SetupImage& i) { i.recorder.playInterval = 0; },
        [](SetupImage& i) { i.recorder.playInterval = 20001; },
        [](SetupImage& i) { i.recorder.recordedCount = 999; }, // below the play end frame
        [](SetupImage& i) { i.recorder.currentFrame = 0; },
        [](SetupImage& i) { i.recorder.currentFrame = 1001; },
        [](SetupImage& i) { i.recorder.repeat = 2; },
        [](SetupImage& i) { i.passFail.horizontalTolerance = 0; },
        [](SetupImage& i) { i.passFail.horizontalTolerance = 2001; },
        [](SetupImage& i) { i.passFail.verticalTolerance = 0; },
        [](SetupImage& i) { i.passFail.verticalTolerance = 129; },
        [](SetupImage& i) { i.passFail.output = 4; },
        [](SetupImage& i) { i.passFail.source = 2; },
        [](SetupImage& i) { i.passFail.stopWhenOutput = 2; },
        [](SetupImage& i) { i.passFail.upper[4999] = 256; },
        [](SetupImage& i) { i.passFail.lower[0] = -1; },
        [](SetupImage& i) { i.measure.itemCount = 9; },
        [](SetupImage& i) { i.measure.source = 3; },
        [](SetupImage& i) { i.measure.items[7].used = 2; },
        [](SetupImage& i) { i.measure.items[7].source = 3; },
        [](SetupImage& i) { i.measure.items[7].kind = 20; },
        [](SetupImage& i) { i.fft.running = 2; },
        [](SetupImage& i) { i.fft.source = 2; },
        [](SetupImage& i) { i.fft.window = 4; },
        [](SetupImage& i) { i.fft.bins = 300; },
        [](SetupImage& i) { i.fft.scale = 2; },
        [](SetupImage& i) { i.fft.verticalScale = 7.0; },
        [](SetupImage& i) { i.fft.horizontalZoom = 3; },
    };
    ASSERT_TRUE(SetupImageInRange(SetupImage{}, SetupLimits{}));
    for (std::size_t k = 0; k < std::size(outOfRange); ++k) {
        SetupImage image;
        outOfRange[k](image);
        EXPECT_FALSE(SetupImageInRange(image, SetupLimits{})) << "case " << k;
    }
    for (const float v : {inf, nan}) {
        SetupImage image;
        image.trigger.voltsCh1 = v;
        EXPECT_FALSE(SetupImageInRange(image, SetupLimits{}));
        image = SetupImage{};
        image.trigger.voltsCh2 = v;
        EXPECT_FALSE(SetupImageInRange(image, SetupLimits{}));
        image = SetupImage{};
        image.trigger.voltsExt = v;
        EXPECT_FALSE(SetupImageInRange(image, SetupLimits{}));
        image = SetupImage{};
        image.ch1.zeroLevel = v;
        EXPECT_FALSE(SetupImageInRange(image, SetupLimits{}));
    }
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
