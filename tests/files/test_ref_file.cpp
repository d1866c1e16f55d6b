#include "files/ref_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

#include "../support/temp_dir.h"
#include "files/file_io.h"

namespace tarnix {
namespace {

using namespace testing;

InstrumentSettings Defaults() {
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);
    return settings;
}

std::string RfcHeader(float position, unsigned vdiv, unsigned n, unsigned span, unsigned tb, unsigned hpos) {
    return Le32(std::bit_cast<std::uint32_t>(position)) + Le16(vdiv) + Le32(n) + Le32(span) + Le16(tb) +
           Le16(hpos);
}

struct RefFileTest : ::testing::Test {
    TempDir dir;
    InstrumentSettings settings = Defaults();
    std::vector<std::uint16_t> ref = std::vector<std::uint16_t>(1024, 0x5555);

    bool RefUntouched() const {
        return std::ranges::all_of(ref, [](std::uint16_t v) { return v == 0x5555; });
    }
};

TEST_F(RefFileTest, SavedRfcHasTheExactLayoutAndLoadsIntoTheReference) {
    settings.ch(kCh2).zeroLevel = 100.5f;
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
    EXPECT_EQ(bytes.substr(0, 22), RfcHeader(100.5f, 2, 32768, 30000, 20, 125) + Le16(0) + Le16(7));
    EXPECT_EQ(bytes.substr(bytes.size() - 2), Le16((32767 * 7) & 0xFFFF));

    ref.assign(65536, 0xAAAA);
    RefLoadResult loaded = LoadRfcFile(path, Defaults(), ref);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_TRUE(loaded.samplesRead == 32768u &&
                std::equal(ref.begin(), ref.begin() + 32768, record.begin()) && ref[32768] == 0xAAAA);
    InstrumentSettings target = Defaults();
    ReferenceInfo info;
    ApplyRefLoad(loaded.header, target, info);
    const ChannelSettings& r = target.ch(kRef);
    EXPECT_EQ(std::tuple(r.enabled, r.zeroLevel, r.voltsPerDivIndex, r.recordLength),
              std::tuple(1u, 100.5f, 2, 32768u));
    EXPECT_EQ(std::tuple(info.empty, info.timeDivIndex, info.horizontalPosition, info.decimationSpan),
              std::tuple(0u, 20, 125, 30000));

    // 100 points announced, 10 present and half a sample: those 10 load, the rest stay.
    std::string part = RfcHeader(128.0f, 6, 100, 10000, 12, 250);
    for (unsigned i = 0; i < 10; ++i) {
        part += Le16(i + 1);
    }
    WriteAll(path, part + '\x01');
    ref.assign(1024, 0x5555);
    RefLoadResult partial = LoadRfcFile(path, Defaults(), ref);
    ASSERT_TRUE(partial.ok);
    EXPECT_EQ(std::tuple(partial.samplesRead, ref[9], ref[10]), std::tuple(10u, 10, 0x5555));
}

// Every header field at its limit (loaded) and one past it (the whole file refused, REF's memory untouched).
TEST_F(RefFileTest, RfcHeaderFieldsAtTheirLimitsAndOnePast) {
    struct Fields {
        float position = 128;
        unsigned voltsPerDiv = 6, count = 10, span = 10000, timeDiv = 12, triggerPosition = 250;
        std::string Bytes() const {
            return RfcHeader(position, voltsPerDiv, count, span, timeDiv, triggerPosition) +
                   std::string(20, '\0');
        }
    };
    const unsigned maxSpan = kMaxDecimationSpan;
    const struct {
        Fields limit;
        Fields past;
        std::uint16_t timeDivOffset = 1;
    } rows[] = {
        {{.position = 255}, {.position = std::nextafter(255.0f, 300.0f)}},
        {{.position = 0}, {.position = std::numeric_limits<float>::quiet_NaN()}},
        {{.voltsPerDiv = 9}, {.voltsPerDiv = 10}},
        {{.count = 1024}, {.count = 1025}},
        {{.count = 1}, {.count = 0}},
        {{.span = maxSpan}, {.span = maxSpan + 1}},
        {{.timeDiv = 37}, {.timeDiv = 38}},
        {{.timeDiv = 38}, {.timeDiv = 39}, 0}, // a selector from 2ns has one more time base
        {{.triggerPosition = 500}, {.triggerPosition = 501}},
    };
    const std::string path = dir.File("h.rfc");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.limit.Bytes().substr(0, 18));
        settings.timebase.timeDivOffset = row.timeDivOffset;
        WriteAll(path, row.past.Bytes());
        RefLoadResult refused = LoadRfcFile(path, settings, ref);
        EXPECT_EQ(std::tuple(refused.ok, refused.message, RefUntouched()),
                  std::tuple(false, "This is not a reference file!", true));

        WriteAll(path, row.limit.Bytes());
        RefLoadResult loaded = LoadRfcFile(path, settings, ref);
        ASSERT_TRUE(loaded.ok) << loaded.message;
        const RefHeader& h = loaded.header;
        EXPECT_EQ(RfcHeader(h.position, h.voltsPerDivIndex, static_cast<unsigned>(h.recordLength),
                            static_cast<unsigned>(h.decimationSpan), h.timeDivIndex, h.horizontalPosition),
                  row.limit.Bytes().substr(0, 18));
        EXPECT_EQ(h.storedPosition, h.position);
        ref.assign(1024, 0x5555);
    }
    EXPECT_EQ(LoadRfcFile(dir.File("x.ref"), settings, ref).message, "This is not a reference file!");
    EXPECT_EQ(LoadRfcFile(dir.File("none.rfc"), settings, ref).message,
              std::string("Can not open file: ") + std::strerror(ENOENT));
}

// A text reference: layout A (count first, then the time base and the span in the trailer) or B (samples up
// to a "." line).
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

// The header's ranges are the ones the .rfc rows above check; here the layouts' own limits (each row a file
// at the limit, then one past it), and where each layout keeps its fields.
TEST_F(RefFileTest, OldRefLayoutsAtTheirLimitsAndOnePast) {
    const std::pair<OldRef, OldRef> rows[] = {
        {{.count = 300}, {.count = 301}},
        {{.count = 256}, {.count = 255}}, // a smaller first line is a sample of layout B
        {{}, {.trailerCut = true}},
        {{.layoutA = false, .count = 300}, {.layoutA = false, .count = 301}},
        {{.layoutA = false}, {.layoutA = false, .trailerCut = true}},
    };
    const std::string path = dir.File("c.ref");
    settings.timebase.timeDivIndex = 17;
    ref.assign(300, 0x5555); // the count limit is the REF memory
    for (const auto& [f, past] : rows) {
        SCOPED_TRACE(past.Text().substr(past.Text().size() - 20));
        WriteAll(path, past.Text());
        RefLoadResult refused = LoadOldRefFile(path, settings, ref);
        EXPECT_EQ(std::tuple(refused.ok, refused.message, RefUntouched()),
                  std::tuple(false, "This is not a ref file!", true));

        WriteAll(path, f.Text());
        RefLoadResult loaded = LoadOldRefFile(path, settings, ref);
        ASSERT_TRUE(loaded.ok) << loaded.message;
        const RefHeader& h = loaded.header;
        EXPECT_EQ(std::tuple(h.recordLength, ref[static_cast<std::size_t>(f.count) - 1]),
                  std::tuple(f.count, 9));
        EXPECT_EQ(std::tuple(h.timeDivIndex, h.voltsPerDivIndex, h.horizontalPosition, h.position,
                             h.decimationSpan),
                  std::tuple(f.layoutA ? f.timeDiv : 17, f.voltsPerDiv, 5 * f.triggerPosition5,
                             static_cast<float>(f.position), f.layoutA ? f.span : kOldRefDecimationSpan));
        ref.assign(300, 0x5555);
    }
    for (const char* text : {"", "1\n2\n3\n"}) { // nothing, and layout B without the "." line
        WriteAll(path, text);
        EXPECT_FALSE(LoadOldRefFile(path, settings, ref).ok);
    }
    EXPECT_EQ(LoadOldRefFile(dir.File("c.rfc"), settings, ref).message, "This is not a ref file!");
    EXPECT_EQ(LoadOldRefFile(dir.File("gone.ref"), settings, ref).message,
              std::string("Can not open file: ") + std::strerror(ENOENT));

    // Samples are read like atoi: a line without digits reads 0, a parse stops at a non-digit.
    WriteAll(dir.File("B.REF"), "255\n10\nabc\n  20x\n0.5\n7\n30\n100\n");
    RefLoadResult loaded = LoadOldRefFile(dir.File("B.REF"), settings, ref);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(std::tuple(loaded.header.recordLength, loaded.header.horizontalPosition,
                         std::vector<std::uint16_t>(ref.begin(), ref.begin() + 5)),
              std::tuple(4, 150, std::vector<std::uint16_t>{255, 10, 0, 20, 0x5555}));
}

} // namespace
} // namespace tarnix
