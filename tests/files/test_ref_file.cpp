#include "files/ref_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "../support/temp_dir.h"
#include "files/file_io.h"

namespace tarnix {
namespace {

using testing::Le16;
using testing::Le32;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

InstrumentSettings Defaults() {
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);
    return settings;
}

std::string RfcHeader(unsigned positionBits, unsigned vdiv, unsigned n, unsigned span, unsigned tb,
                      unsigned hpos) {
    return Le32(positionBits) + Le16(vdiv) + Le32(n) + Le32(span) + Le16(tb) + Le16(hpos);
}

TEST(RfcFile, SavedFileHasTheExactLayoutAndLoadsIntoTheReference) {
    TempDir dir;
    InstrumentSettings settings = Defaults();
    settings.ch(kCh2).zeroLevel = 100.5f; // 0x42C90000
    settings.ch(kCh2).voltsPerDivIndex = 2;
    settings.ch(kCh2).recordLength = 32768;
    settings.timebase.timeDivIndex = 20;
    settings.timebase.horizontalPosition = 125;
    std::vector<std::uint16_t> record(65536);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint16_t>(i * 7);
    }
    const std::string path = dir.File("R.RFC");
    ASSERT_TRUE(SaveRefFile(path, settings, 1, record, 30000).ok);
    const std::string bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 18u + 2u * 32768u);
    EXPECT_EQ(bytes.substr(0, 22), RfcHeader(0x42C90000, 2, 32768, 30000, 20, 125) + Le16(0) + Le16(7));
    EXPECT_EQ(bytes.substr(bytes.size() - 2), Le16((32767 * 7) & 0xFFFF));

    std::vector<std::uint16_t> ref(65536, 0xAAAA);
    RefLoadResult loaded = LoadRfcFile(path, Defaults(), ref);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(loaded.samplesRead, 32768u);
    EXPECT_TRUE(std::equal(ref.begin(), ref.begin() + 32768, record.begin()));
    EXPECT_EQ(ref[32768], 0xAAAA);
    InstrumentSettings target = Defaults();
    ReferenceInfo info;
    ApplyRefLoad(loaded.header, target, info);
    EXPECT_EQ(target.ch(kRef).enabled, 1u);
    EXPECT_EQ(target.ch(kRef).zeroLevel, 100.5f);
    EXPECT_EQ(target.ch(kRef).voltsPerDivIndex, 2);
    EXPECT_EQ(target.ch(kRef).recordLength, 32768u);
    EXPECT_EQ(info.empty, 0u);
    EXPECT_EQ(info.timeDivIndex, 20);
    EXPECT_EQ(info.horizontalPosition, 125);
    EXPECT_EQ(info.decimationSpan, 30000);
}

TEST(RfcFile, ShortFileLoadsInPartAndOtherPathsAreRefused) {
    TempDir dir;
    const std::string path = dir.File("s.rfc");
    std::vector<std::uint16_t> ref(1024, 0x5555);
    // 100 points announced, 10 present and half a sample: those 10 load, the rest stay.
    std::string bytes = RfcHeader(0x43000000, 6, 100, 10000, 12, 250);
    for (unsigned i = 0; i < 10; ++i) {
        bytes += Le16(i + 1);
    }
    WriteAll(path, bytes + '\x01');
    RefLoadResult partial = LoadRfcFile(path, Defaults(), ref);
    ASSERT_TRUE(partial.ok);
    EXPECT_EQ(partial.samplesRead, 10u);
    EXPECT_EQ(ref[9], 10);
    EXPECT_EQ(ref[10], 0x5555);

    EXPECT_EQ(LoadRfcFile(dir.File("x.ref"), Defaults(), ref).message, "This is not a reference file!");
    EXPECT_EQ(LoadRfcFile(dir.File("none.rfc"), Defaults(), ref).message,
              std::string("Can not open file: ") + std::strerror(ENOENT));
}

// The extension test looks at the path's last characters only, whatever their case.
TEST(FileNames, ExtensionsMatchTheEndOfThePathInAnyCase) {
    const std::vector<char> name{'a', '.', 'R', 'f', 'C'}; // no terminator follows the name
    EXPECT_TRUE(HasExtension(std::string_view(name.data(), name.size()), ".rfc"));
    EXPECT_FALSE(HasExtension(std::string_view(name.data(), name.size()), ".ref"));
    EXPECT_FALSE(HasExtension("rfc", ".rfc"));
}

std::uint32_t FloatBits(double value) {
    const float f = static_cast<float>(value);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// Every header field at its limit (loaded) and one past it (the whole file refused, REF's memory untouched).
TEST(RfcFile, HeaderFieldsAtTheirLimitsAndOnePast) {
    struct Fields {
        double position = 128;
        unsigned voltsPerDiv = 6, count = 10, span = 10000, timeDiv = 12, triggerPosition = 250;
    };
    struct Row {
        const char* name;
        Fields limit;
        Fields past;
        int timeDivOffset = 1;
    };
    const double above255 = std::nextafter(255.0f, 300.0f);
    const double below0 = -std::numeric_limits<float>::denorm_min();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const unsigned maxSpan = kMaxDecimationSpan;
    const Row rows[] = {
        {"position", {.position = 255}, {.position = above255}},
        {"position", {.position = 0}, {.position = below0}},
        {"position", {.position = 0}, {.position = nan}},
        {"volts/div", {.voltsPerDiv = 9}, {.voltsPerDiv = 10}},
        {"count", {.count = 1024}, {.count = 1025}},
        {"count", {.count = 1}, {.count = 0}},
        {"count", {.count = 1}, {.count = 0xFFFFFFFF}},
        {"span", {.span = maxSpan}, {.span = maxSpan + 1}},
        {"span", {.span = 1}, {.span = 0}},
        {"time/div", {.timeDiv = 37}, {.timeDiv = 38}},
        {"time/div from 2ns", {.timeDiv = 38}, {.timeDiv = 39}, 0},
        {"trigger position", {.triggerPosition = 500}, {.triggerPosition = 501}},
    };
    TempDir dir;
    const std::string path = dir.File("h.rfc");
    auto header = [](const Fields& f) {
        return RfcHeader(FloatBits(f.position), f.voltsPerDiv, f.count, f.span, f.timeDiv, f.triggerPosition);
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        InstrumentSettings settings = Defaults();
        settings.timebase.timeDivOffset = static_cast<std::uint16_t>(row.timeDivOffset);
        std::vector<std::uint16_t> ref(1024, 0x1234);
        WriteAll(path, header(row.past) + std::string(20, '\0'));
        RefLoadResult refused = LoadRfcFile(path, settings, ref);
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.message, "This is not a reference file!");
        EXPECT_TRUE(std::all_of(ref.begin(), ref.end(), [](std::uint16_t v) { return v == 0x1234; }));

        WriteAll(path, header(row.limit) + std::string(20, '\0'));
        RefLoadResult loaded = LoadRfcFile(path, settings, ref);
        ASSERT_TRUE(loaded.ok) << loaded.message;
        const RefHeader& h = loaded.header;
        EXPECT_EQ(RfcHeader(FloatBits(h.position), h.voltsPerDivIndex, static_cast<unsigned>(h.recordLength),
                            static_cast<unsigned>(h.decimationSpan), h.timeDivIndex, h.horizontalPosition),
                  header(row.limit));
        EXPECT_EQ(h.storedPosition, h.position);
    }
}

TEST(OldRefFile, SamplesAreReadAsTheOldProgramDid) {
    TempDir dir;
    const std::string path = dir.File("B.REF");
    InstrumentSettings settings = Defaults();
    settings.timebase.timeDivIndex = 17;
    std::vector<std::uint16_t> ref(16, 0x7777);
    // Layout B: samples up to a "." line; a line without digits reads 0, a parse stops at a non-digit.
    WriteAll(path, "255\n10\nabc\n  20x\n0.5\n7\n30\n100\n");
    RefLoadResult loaded = LoadOldRefFile(path, settings, ref);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(loaded.header.recordLength, 4);
    const std::vector<std::uint16_t> expected{255, 10, 0, 20, 0x7777};
    EXPECT_EQ(std::vector<std::uint16_t>(ref.begin(), ref.begin() + 5), expected);
    EXPECT_EQ(loaded.header.horizontalPosition, 150);
}

// A text reference: layout A (count first, then the time base and the span in the trailer) or B.
struct OldRef {
    bool layoutA = true;
    int count = 300;
    int timeDiv = 12, voltsPerDiv = 6, triggerPosition5 = 50, position = 128, span = 10000;
    bool trailerCut = false;

    std::string Text() const {
        std::string text = layoutA ? std::to_string(count) + "\n" : "";
        for (int i = 0; i < count; ++i) {
            text += "9\n";
        }
        std::vector<int> trailer = {voltsPerDiv, triggerPosition5, position};
        if (layoutA) {
            trailer.insert(trailer.begin(), timeDiv);
            trailer.push_back(span);
        } else {
            text += ".\n";
        }
        if (trailerCut) {
            trailer.pop_back();
        }
        for (int v : trailer) {
            text += std::to_string(v) + "\n";
        }
        return text;
    }
};

TEST(OldRefFile, EveryLimitAndOnePast) {
    struct Row {
        const char* name;
        OldRef limit;
        OldRef past;
    };
    const int maxSpan = kMaxDecimationSpan;
    const Row rows[] = {
        {"A count", {.count = 300}, {.count = 301}},
        {"A count", {.count = 256}, {.count = 255}}, // a smaller first line is a sample of layout B
        {"A time/div", {.timeDiv = 37}, {.timeDiv = 38}},
        {"A volts/div", {.voltsPerDiv = 9}, {.voltsPerDiv = 10}},
        {"A trigger position", {.triggerPosition5 = 100}, {.triggerPosition5 = 101}},
        {"A position", {.position = 255}, {.position = 256}},
        {"A position", {.position = 0}, {.position = -1}},
        {"A span", {.span = maxSpan}, {.span = maxSpan + 1}},
        {"A span", {.span = 1}, {.span = 0}},
        {"A trailer", {}, {.trailerCut = true}},
        {"B count", {.layoutA = false, .count = 300}, {.layoutA = false, .count = 301}},
        {"B volts/div", {.layoutA = false, .voltsPerDiv = 9}, {.layoutA = false, .voltsPerDiv = 10}},
        {"B trigger position",
         {.layoutA = false, .triggerPosition5 = 100},
         {.layoutA = false, .triggerPosition5 = 101}},
        {"B position", {.layoutA = false, .position = 255}, {.layoutA = false, .position = 256}},
        {"B position", {.layoutA = false, .position = 0}, {.layoutA = false, .position = -1}},
        {"B trailer", {.layoutA = false}, {.layoutA = false, .trailerCut = true}},
    };
    TempDir dir;
    const std::string path = dir.File("c.ref");
    InstrumentSettings settings = Defaults();
    settings.timebase.timeDivIndex = 17;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::uint16_t> ref(300, 0x1111);
        WriteAll(path, row.past.Text());
        RefLoadResult refused = LoadOldRefFile(path, settings, ref);
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.message, "This is not a ref file!");
        EXPECT_TRUE(std::all_of(ref.begin(), ref.end(), [](std::uint16_t v) { return v == 0x1111; }));

        WriteAll(path, row.limit.Text());
        RefLoadResult loaded = LoadOldRefFile(path, settings, ref);
        ASSERT_TRUE(loaded.ok) << loaded.message;
        const OldRef& f = row.limit;
        const RefHeader& h = loaded.header;
        EXPECT_EQ(h.recordLength, f.count);
        EXPECT_EQ(ref[static_cast<std::size_t>(f.count) - 1], 9);
        EXPECT_EQ(h.timeDivIndex, f.layoutA ? f.timeDiv : 17);
        EXPECT_EQ(h.voltsPerDivIndex, f.voltsPerDiv);
        EXPECT_EQ(h.horizontalPosition, 5 * f.triggerPosition5);
        EXPECT_EQ(h.position, static_cast<float>(f.position));
        EXPECT_EQ(h.decimationSpan, f.layoutA ? f.span : kOldRefDecimationSpan);
    }
    std::vector<std::uint16_t> ref(300);
    for (const char* text : {"", "1\n2\n3\n"}) { // nothing, and layout B without the "." line
        WriteAll(path, text);
        EXPECT_FALSE(LoadOldRefFile(path, settings, ref).ok);
    }
    EXPECT_EQ(LoadOldRefFile(dir.File("c.rfc"), settings, ref).message, "This is not a ref file!");
    EXPECT_EQ(LoadOldRefFile(dir.File("gone.ref"), settings, ref).message,
              std::string("Can not open file: ") + std::strerror(ENOENT));
}

} // namespace
} // namespace tarnix
