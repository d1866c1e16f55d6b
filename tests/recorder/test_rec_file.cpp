#include "recorder/rec_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <tuple>
#include <utility>

#include "../support/temp_dir.h"
#include "recorder/recorder.h"

namespace tarnix {
namespace {

using namespace testing;

std::string Header(unsigned source, unsigned vdiv, unsigned coupling, unsigned probe, unsigned bw,
                   unsigned positionBits, unsigned tb, unsigned reserved, unsigned hpos, unsigned count) {
    return Le16(source) + Le16(vdiv) + Le16(coupling) + Le16(probe) + Le16(bw) + Le32(positionBits) +
           Le16(tb) + Le32(reserved) + Le16(hpos) + Le16(count);
}

// A frame whose every point holds `value`.
std::string Frame(unsigned value) {
    std::string frame;
    for (int i = 0; i < 5000; ++i) {
        frame += Le16(value);
    }
    return frame;
}

struct RecFileTest : ::testing::Test {
    TempDir dir;
    std::string path = dir.File("Run.REC");
    std::unique_ptr<CRecorder> recorder = std::make_unique<CRecorder>();
};

TEST_F(RecFileTest, SavedFileIsTheHeaderAndNFramesAndLoadsBack) {
    RecorderSettings& s = recorder->settings;
    std::tie(s.recordSource, s.voltsPerDivIndex, s.coupling, s.probe, s.bandwidthLimit, s.verticalPosition,
             s.timeDivIndex, s.reserved, s.horizontalPosition, s.recordedCount) =
        std::tuple(1, 5, 2, 1, 1, 64.0f, 20, 0x01020304, 480, 3); // in the order of the header
    for (int k = 0; k < 3; ++k) {
        std::ranges::fill(recorder->store.Frame(k), static_cast<std::int16_t>(-1 - k));
    }
    ASSERT_TRUE(recorder->SaveRec(path).ok);
    const std::string bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 24u + 3u * 10000u);
    EXPECT_EQ(bytes.substr(0, 24), Header(1, 5, 2, 1, 1, 0x42800000, 20, 0x01020304, 480, 3));
    EXPECT_TRUE(bytes.substr(24, 10000) == Frame(0xFFFF) && bytes.substr(20024, 10000) == Frame(0xFFFD));

    auto loaded = std::make_unique<CRecorder>();
    loaded->Reset();
    std::ranges::fill(loaded->store.Frame(3), std::int16_t{42});
    loaded->settings.recordInterval = 15;
    ASSERT_TRUE(loaded->LoadRec(path, 1).ok);
    EXPECT_TRUE(std::equal(recorder->store.Samples().begin(), recorder->store.Samples().begin() + 15000,
                           loaded->store.Samples().begin()));
    // Beyond the loaded frames nothing changed.
    EXPECT_EQ(std::tuple(loaded->store.Frame(3)[0], loaded->recordingEmpty), std::tuple(42, 0));
    // The load ends like a recording: play range, current frame and play interval follow, the panel shows it.
    const RecorderSettings& l = loaded->settings;
    EXPECT_EQ(std::tuple(l.playEndFrame, l.recordEndFrame, l.currentFrame, l.playInterval),
              std::tuple(3, 3, 1, 15));
    EXPECT_TRUE(loaded->Panel().source == 1 && loaded->Panel().playEnabled);

    s.recordedCount = 0;
    ASSERT_TRUE(recorder->SaveRec(path).ok);
    EXPECT_EQ(ReadAll(path).size(), 24u);
}

// Every header field with a range, at its limit (taken as it is) and one past it (held to the limit).
TEST_F(RecFileTest, HeaderFieldsAreHeldToTheirRanges) {
    struct Row {
        std::size_t at;
        bool isFloat;
        double limit, past;
        int timeDivOffset = 1;
    };
    const Row rows[] = {
        {0, false, 1, 2},      {0, false, 0, 0xFFFF}, // source: 0xFFFF is -1 in the signed field
        {2, false, 9, 10},                            // one choice of the context stands for the others
        {10, true, 255, 256},  {10, true, 0, std::numeric_limits<double>::quiet_NaN()},
        {14, false, 37, 38},   {14, false, 38, 39, 0}, // a selector from 2ns has one more time base
        {20, false, 500, 501}, {22, false, 1000, 1001},
    };
    const std::string saved = dir.File("saved.rec");
    auto with = [](const Row& row, double value) {
        std::string bytes = Header(0, 3, 0, 0, 0, 0x42C80000, 12, 7, 250, 2);
        if (row.isFloat) {
            bytes.replace(row.at, 4, Le32(std::bit_cast<std::uint32_t>(static_cast<float>(value))));
        } else {
            bytes.replace(row.at, 2, Le16(static_cast<unsigned>(value)));
        }
        return bytes;
    };
    // The header a load leaves, as the recorder writes it out again.
    auto loaded = [&](const std::string& bytes, int timeDivOffset) {
        WriteAll(path, bytes);
        EXPECT_TRUE(recorder->LoadRec(path, timeDivOffset).ok);
        EXPECT_TRUE(RecorderSettingsInRange(recorder->settings, timeDivOffset));
        EXPECT_TRUE(recorder->SaveRec(saved).ok);
        return ReadAll(saved).substr(0, 24);
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("field at " + std::to_string(row.at));
        EXPECT_EQ(loaded(with(row, row.limit), row.timeDivOffset), with(row, row.limit));
        EXPECT_EQ(loaded(with(row, row.past), row.timeDivOffset), with(row, row.limit));
    }
}

TEST_F(RecFileTest, ShortFilesLoadInPartAndRefusalsChangeNothing) {
    recorder->Reset();
    std::ranges::fill(recorder->store.Samples(), std::int16_t{9});
    // Three frames announced, one and a half present.
    WriteAll(path, Header(0, 6, 1, 0, 0, 0x43000000, 12, 0, 250, 3) + Frame(5) + Frame(6).substr(0, 5000));
    ASSERT_TRUE(recorder->LoadRec(path, 1).ok);
    EXPECT_EQ(std::tuple(recorder->settings.recordedCount, recorder->store.Frame(0)[4999],
                         recorder->store.Frame(1)[2499], recorder->store.Frame(1)[2500],
                         recorder->store.Frame(2)[0]),
              std::tuple(3, 5, 6, 9, 9));
    // More frames than the store holds: the first thousand load.
    std::string big = Header(0, 6, 1, 0, 0, 0x43000000, 12, 0, 250, 1200);
    for (int k = 0; k < 1200; ++k) {
        big += Frame(static_cast<unsigned>(k));
    }
    WriteAll(path, big);
    ASSERT_TRUE(recorder->LoadRec(path, 1).ok);
    EXPECT_EQ(std::tuple(recorder->settings.recordedCount, recorder->store.Frame(999)[4999]),
              std::tuple(1000, 999));

    // A header cut short, or another kind of file, changes nothing and says why.
    const RecorderSettings before = recorder->settings;
    WriteAll(path, Header(1, 1, 1, 1, 1, 0, 1, 0, 1, 1).substr(0, 23));
    for (const std::string& bad : {path, dir.File("x.set")}) {
        const FileResult refused = recorder->LoadRec(bad, 1);
        EXPECT_EQ(std::tuple(refused.ok, refused.message), std::tuple(false, "This is not a record file!"));
    }
    EXPECT_EQ(recorder->settings, before);
    EXPECT_EQ(recorder->LoadRec(dir.File("gone.rec"), 1).message,
              std::string("Couldn't open file: ") + std::strerror(ENOENT));
}

} // namespace
} // namespace tarnix
