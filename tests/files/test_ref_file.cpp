#include "files/ref_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "../support/temp_dir.h"

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

TEST(RfcFile, SavedFileHasTheExactLayout) {
    TempDir dir;
    InstrumentSettings settings = Defaults();
    settings.ch(kCh2).zeroLevel = 64.0f; // 0x42800000
    settings.ch(kCh2).voltsPerDivIndex = 3;
    settings.timebase.timeDivIndex = 14;
    settings.timebase.horizontalPosition = 300;
    std::vector<std::uint16_t> record(10240);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint16_t>(i * 7);
    }
    const std::string path = dir.File("r.rfc");
    ASSERT_TRUE(SaveRefFile(path, settings, 1, record, 10000).ok);
    const std::string bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 20498u);
    EXPECT_EQ(bytes.substr(0, 18), RfcHeader(0x42800000, 3, 10240, 10000, 14, 300));
    EXPECT_EQ(bytes.substr(18, 4), Le16(0) + Le16(7));
    EXPECT_EQ(bytes.substr(20496, 2), Le16((10239 * 7) & 0xFFFF));

    EXPECT_EQ(SaveRefFile(dir.File("no/r.rfc"), settings, 0, record, 10000).message,
              std::string("Cann't save file: ") + std::strerror(ENOENT));
}

TEST(RfcFile, RoundTripFillsTheReference) {
    TempDir dir;
    InstrumentSettings settings = Defaults();
    settings.ch(kCh1).zeroLevel = 100.5f;
    settings.ch(kCh1).voltsPerDivIndex = 2;
    settings.ch(kCh1).recordLength = 32768;
    settings.timebase.timeDivIndex = 20;
    settings.timebase.horizontalPosition = 125;
    std::vector<std::uint16_t> record(65536);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint16_t>((i * 31) % 256);
    }
    const std::string path = dir.File("R.RFC");
    ASSERT_TRUE(SaveRefFile(path, settings, 0, record, 30000).ok);
    EXPECT_EQ(ReadAll(path).size(), 18u + 2u * 32768u);

    std::vector<std::uint16_t> ref(65536, 0xAAAA);
    RefLoadResult loaded = LoadRfcFile(path, Defaults(), ref);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(loaded.samplesRead, 32768u);
    EXPECT_EQ(loaded.header.position, 100.5f);
    EXPECT_EQ(loaded.header.storedPosition, 100.5f);
    EXPECT_EQ(loaded.header.voltsPerDivIndex, 2);
    EXPECT_EQ(loaded.header.recordLength, 32768);
    EXPECT_EQ(loaded.header.decimationSpan, 30000);
    EXPECT_EQ(loaded.header.timeDivIndex, 20);
    EXPECT_EQ(loaded.header.horizontalPosition, 125);
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

TEST(RfcFile, ShortFileLoadsInPartOversizeAndBadHeadersAreRefused) {
    TempDir dir;
    const std::string path = dir.File("s.rfc");
    std::vector<std::uint16_t> ref(1024, 0x5555);

    // 100 points announced, 10 present: those 10 load, the rest stay.
    std::string bytes = RfcHeader(0x43000000, 6, 100, 10000, 12, 250);
    for (unsigned i = 0; i < 10; ++i) {
        bytes += Le16(i + 1);
    }
    bytes += '\x01'; // half a sample is not a sample
    WriteAll(path, bytes);
    RefLoadResult partial = LoadRfcFile(path, Defaults(), ref);
    ASSERT_TRUE(partial.ok);
    EXPECT_EQ(partial.samplesRead, 10u);
    EXPECT_EQ(ref[9], 10);
    EXPECT_EQ(ref[10], 0x5555);
    EXPECT_EQ(partial.header.position, 128.0f);

    struct Bad {
        std::string name;
        std::string header;
    };
    const Bad bad[] = {
        {"more points than the buffer", RfcHeader(0x43000000, 6, 1025, 10000, 12, 250)},
        {"no points", RfcHeader(0x43000000, 6, 0, 10000, 12, 250)},
        {"negative points", RfcHeader(0x43000000, 6, 0xFFFFFFFF, 10000, 12, 250)},
        {"volts/div 10", RfcHeader(0x43000000, 10, 10, 10000, 12, 250)},
        {"time base beyond the selector", RfcHeader(0x43000000, 6, 10, 10000, 38, 250)},
        {"trigger position 501", RfcHeader(0x43000000, 6, 10, 10000, 12, 501)},
        {"position NaN", RfcHeader(0x7FC00000, 6, 10, 10000, 12, 250)},
        {"position 256", RfcHeader(0x43800000, 6, 10, 10000, 12, 250)},
        {"span 0", RfcHeader(0x43000000, 6, 10, 0, 12, 250)},
        {"header cut short", RfcHeader(0x43000000, 6, 10, 10000, 12, 250).substr(0, 17)},
    };
    std::vector<std::uint16_t> untouched(1024, 0x1234);
    for (const Bad& b : bad) {
        WriteAll(path, b.header + std::string(20, '\0'));
        if (b.name == "header cut short") {
            WriteAll(path, b.header);
        }
        RefLoadResult result = LoadRfcFile(path, Defaults(), untouched);
        EXPECT_FALSE(result.ok) << b.name;
        EXPECT_EQ(result.message, "This is not a reference file!") << b.name;
    }
    EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](std::uint16_t v) { return v == 0x1234; }));

    EXPECT_EQ(LoadRfcFile(dir.File("x.ref"), Defaults(), ref).message, "This is not a reference file!");
    EXPECT_EQ(LoadRfcFile(dir.File("none.rfc"), Defaults(), ref).message,
              std::string("Can not open file: ") + std::strerror(ENOENT));
}

TEST(OldRefFile, LayoutAReadsCountSamplesAndTrailer) {
    TempDir dir;
    const std::string path = dir.File("a.ref");
    std::string text = "300\r\n";
    for (int i = 0; i < 300; ++i) {
        text += std::to_string(i % 200) + "\r\n";
    }
    text += "14\r\n3\r\n40\r\n96\r\n10000\r\n";
    WriteAll(path, text);
    std::vector<std::uint16_t> ref(65536, 0x7777);
    RefLoadResult loaded = LoadOldRefFile(path, Defaults(), ref);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(loaded.header.recordLength, 300);
    EXPECT_EQ(loaded.samplesRead, 300u);
    EXPECT_EQ(loaded.header.timeDivIndex, 14);
    EXPECT_EQ(loaded.header.voltsPerDivIndex, 3);
    EXPECT_EQ(loaded.header.horizontalPosition, 200); // 5 x 40
    EXPECT_EQ(loaded.header.position, 96.0f);
    EXPECT_EQ(loaded.header.storedPosition, 96.0f);
    EXPECT_EQ(loaded.header.decimationSpan, 10000);
    EXPECT_EQ(ref[0], 0);
    EXPECT_EQ(ref[199], 199);
    EXPECT_EQ(ref[299], 99);
    EXPECT_EQ(ref[300], 0x7777);

    // "256" is the smallest count of layout A.
    text = "256\n";
    for (int i = 0; i < 256; ++i) {
        text += "1\n";
    }
    text += "0\n0\n0\n0\n1\n";
    WriteAll(path, text);
    RefLoadResult smallest = LoadOldRefFile(path, Defaults(), ref);
    ASSERT_TRUE(smallest.ok);
    EXPECT_EQ(smallest.header.recordLength, 256);
}

TEST(OldRefFile, LayoutBStartsWithTheFirstSampleAndEndsAtADot) {
    TempDir dir;
    const std::string path = dir.File("B.REF");
    InstrumentSettings settings = Defaults();
    settings.timebase.timeDivIndex = 17;
    WriteAll(path, "255\n10\nabc\n  20x\n0.5\n7\n30\n100\n");
    std::vector<std::uint16_t> ref(16, 0x7777);
    RefLoadResult loaded = LoadOldRefFile(path, settings, ref);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(loaded.header.recordLength, 4);
    EXPECT_EQ(ref[0], 255);
    EXPECT_EQ(ref[1], 10);
    EXPECT_EQ(ref[2], 0);  // a line without digits reads as 0
    EXPECT_EQ(ref[3], 20); // the parse stops at the first non-digit
    EXPECT_EQ(ref[4], 0x7777);
    EXPECT_EQ(loaded.header.voltsPerDivIndex, 7);
    EXPECT_EQ(loaded.header.horizontalPosition, 150);
    EXPECT_EQ(loaded.header.position, 100.0f);
    EXPECT_EQ(loaded.header.timeDivIndex, 17); // the current time base
    EXPECT_EQ(loaded.header.decimationSpan, 10000);
}

TEST(OldRefFile, RefusalsLeaveTheBufferAlone) {
    TempDir dir;
    const std::string path = dir.File("c.ref");
    std::vector<std::uint16_t> ref(300, 0x1111);
    std::string tooMany = "301\n";
    for (int i = 0; i < 301; ++i) {
        tooMany += "5\n";
    }
    tooMany += "12\n6\n50\n128\n10000\n";
    const std::string cases[] = {
        tooMany,                    // layout A beyond the buffer
        "300\n1\n2\n3\n",           // layout A cut short
        "1\n2\n3\n",                // layout B without the "." line
        "1\n2\n0.5\n7\n",           // layout B without its trailer
        "1\n2\n0.5\n12\n50\n128\n", // volts/div 12
        "1\n2\n0.5\n6\n101\n128\n", // trigger position 505
        "1\n2\n0.5\n6\n50\n300\n",  // position 300
        "",                         // empty
    };
    for (const std::string& text : cases) {
        WriteAll(path, text);
        RefLoadResult result = LoadOldRefFile(path, Defaults(), ref);
        EXPECT_FALSE(result.ok) << text.substr(0, 40);
        EXPECT_EQ(result.message, "This is not a ref file!");
    }
    // Layout B with more samples than the buffer.
    std::string longB;
    for (int i = 0; i < 301; ++i) {
        longB += "9\n";
    }
    longB += ".\n6\n50\n128\n";
    WriteAll(path, longB);
    EXPECT_FALSE(LoadOldRefFile(path, Defaults(), ref).ok);
    EXPECT_TRUE(std::all_of(ref.begin(), ref.end(), [](std::uint16_t v) { return v == 0x1111; }));

    EXPECT_EQ(LoadOldRefFile(dir.File("c.rfc"), Defaults(), ref).message, "This is not a ref file!");
    EXPECT_EQ(LoadOldRefFile(dir.File("gone.ref"), Defaults(), ref).message,
              std::string("Can not open file: ") + std::strerror(ENOENT));
}

} // namespace
} // namespace tarnix
