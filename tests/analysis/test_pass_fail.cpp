#include "analysis/pass_fail.h"
#include "model/instrument_settings.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using Trace = std::array<std::int16_t, kMaskPoints>;

Trace Flat(std::int16_t value) {
    Trace trace;
    trace.fill(value);
    return trace;
}

// Stands in for the document: its Stop action clears `running`, as the real one does.
class FakeHost : public IPassFailHost {
public:
    explicit FakeHost(InstrumentSettings& settings) : settings_(settings) {}
    void StopAcquisition() override {
        ++stops;
        settings_.acquire.running = 0;
    }
    void Beep() override { ++beeps; }
    int stops = 0;
    int beeps = 0;

private:
    InstrumentSettings& settings_;
};

MaskSettings Mask(int vertical, int horizontal, int output = kOutputFail, bool stopWhenOutput = false) {
    MaskSettings settings;
    settings.verticalPanel = vertical;
    settings.horizontalPanel = horizontal;
    settings.output = output;
    settings.stopWhenOutput = stopWhenOutput;
    return settings;
}

TEST(PassFailMask, SpikeSpreadsHColumnsEachWayInsideTheRecordAndLimitsStayOnTheScale) {
    // Spike, first and last column of its band. H = 10: a point below 10 drops its left side, a point from
    // 4990 on drops its right side.
    const std::tuple<int, int, int> cases[] = {
        {2000, 1990, 2010}, {9, 9, 19}, {10, 0, 20}, {4989, 4979, 4999}, {4990, 4980, 4990}};
    Trace upper{};
    Trace lower{};
    for (const auto& [spike, first, last] : cases) {
        Trace trace = Flat(100);
        trace[static_cast<std::size_t>(spike)] = 200;
        BuildMask(trace, 10, 5, upper, lower);
        for (int j = 0; j < kMaskPoints; ++j) {
            const bool inBand = j >= first && j <= last;
            ASSERT_EQ(upper[static_cast<std::size_t>(j)], inBand ? 205 : 105) << spike << " col " << j;
            // The flat neighbours pull the spike's own lower limit down to theirs.
            ASSERT_EQ(lower[static_cast<std::size_t>(j)], 95) << spike << " col " << j;
        }
    }
    BuildMask(Flat(250), 10, 10, upper, lower);
    EXPECT_EQ(std::tuple(upper[2500], lower[2500]), std::tuple(255, 240));
    // A column without data (11111) cannot wrap the 16-bit limits.
    Trace trace = Flat(3);
    trace[100] = 11111;
    BuildMask(trace, 10, 128, upper, lower);
    EXPECT_EQ(std::tuple(upper[95], lower[4999]), std::tuple(255, 0));
}

class PassFailTest : public ::testing::Test {
protected:
    PassFailTest() : host(settings), passFail(&host) {}

    void CreateAndStart(const Trace& trace, const MaskSettings& mask = Mask(2, 1)) {
        passFail.CreateMask(mask, trace);
        passFail.Start(settings);
    }

    InstrumentSettings settings;
    FakeHost host;
    CPassFail passFail;
};

TEST_F(PassFailTest, SourceFramePassesAndAnyPointOutsideFails) {
    Trace trace = Flat(100);
    for (int i = 0; i < kMaskPoints; i += 7) {
        trace[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(60 + i % 90);
    }
    CreateAndStart(trace);
    EXPECT_TRUE(passFail.TestFrame(settings, trace).passed);
    trace[10] = -1; // a column without data
    EXPECT_FALSE(passFail.TestFrame(settings, trace).passed);
    EXPECT_FALSE(passFail.TestFrame(settings, std::span<const std::int16_t>(Flat(100).data(), 4999)).passed);

    // A flat stretch tolerates exactly V = 2 steps, at the first column, the middle and the last.
    CreateAndStart(Flat(100));
    for (int column : {0, 2501, 4999}) {
        for (int delta : {2, -2, 3, -3}) {
            Trace probe = Flat(100);
            probe[static_cast<std::size_t>(column)] = static_cast<std::int16_t>(100 + delta);
            EXPECT_EQ(passFail.TestFrame(settings, probe).passed, std::abs(delta) <= 2)
                << column << " " << delta;
        }
    }
}

TEST_F(PassFailTest, CountersWrapToZeroAtTheTopAndOnlyFramesWhileTestingCount) {
    CreateAndStart(Flat(100));
    passFail.State().totalCount = std::numeric_limits<std::uint64_t>::max() - 1;
    passFail.State().passCount = 5;
    passFail.TestFrame(settings, Flat(100));
    EXPECT_EQ(std::tuple(passFail.State().totalCount, passFail.State().passCount),
              std::tuple(std::numeric_limits<std::uint64_t>::max(), 6u));
    passFail.TestFrame(settings, Flat(0)); // fails
    const PassFailState& s = passFail.State();
    EXPECT_EQ(std::tuple(s.totalCount, s.passCount, s.failCount), std::tuple(1u, 0u, 1u));
    // Roll and X-Y frames count nothing: the document's Pass/Fail flow checks that.
    passFail.State().testing = 0;
    EXPECT_FALSE(passFail.TestFrame(settings, Flat(100)).tested);
    EXPECT_EQ(passFail.State().totalCount, 1u);
}

// The drawn mask ends on the plot's edge where the tolerance cuts it (one pixel per column and code).
TEST_F(PassFailTest, MaskOutlineEndsWhereTheHorizontalToleranceCutsIt) {
    passFail.CreateMask(Mask(2, 1), Flat(100)); // H = 10 columns; the upper limit 102 is 153 pixels down
    std::vector<MaskPoint> upper;
    passFail.UpperRegion(0, 0, 4999, 255, upper);
    EXPECT_EQ(std::vector(upper.end() - 2, upper.end()), (std::vector<MaskPoint>{{4989, 153}, {4990, 0}}));
}

TEST(PassFailOutput, StopsAndBeepsOnlyOnTheChosenResult) {
    struct Case {
        int output;
        bool stopWhenOutput, framePasses, stops, beeps;
    };
    const Case cases[] = {
        {kOutputFail, true, false, true, false},      {kOutputFailBeep, true, false, true, true},
        {kOutputPass, true, true, true, false},       {kOutputPass, true, false, false, false},
        {kOutputPassBeep, true, true, true, true},    {kOutputFailBeep, false, false, false, false},
        {kOutputPassBeep, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.output) + (c.stopWhenOutput ? " stop" : "") +
                     (c.framePasses ? " pass" : " fail"));
        InstrumentSettings s;
        FakeHost h(s);
        CPassFail pf(&h);
        pf.CreateMask(Mask(2, 1, c.output, c.stopWhenOutput), Flat(100));
        pf.Start(s);
        const FrameTestResult r = pf.TestFrame(s, c.framePasses ? Flat(100) : Flat(0));
        EXPECT_EQ(std::tuple(r.stopped, h.stops, h.beeps, pf.Controls().stopEnabled),
                  std::tuple(c.stops, c.stops ? 1 : 0, c.beeps ? 1 : 0, !c.stops));
    }
}

TEST_F(PassFailTest, CreateClampsTheTolerancesAndStartRunsTheAcquisition) {
    passFail.State().failCount = 4;
    passFail.State().testing = 1;
    passFail.CreateMask(Mask(500, 0), Flat(128));
    EXPECT_EQ(
        std::tuple(passFail.HorizontalPanelValue(), passFail.State().failCount, passFail.State().testing),
        std::tuple(1, 0u, 0));
    passFail.CreateMask(Mask(3, 200), Flat(128));
    EXPECT_EQ(passFail.VerticalPanelValue(), 3);
    settings.acquire.running = 0;
    passFail.State().passCount = 9;
    EXPECT_TRUE(passFail.Start(settings));
    EXPECT_EQ(
        std::tuple(settings.acquire.running, passFail.State().passCount, passFail.Controls().startEnabled),
        std::tuple(1u, 0u, false));
    EXPECT_FALSE(passFail.Start(settings)); // already running

    passFail.Stop();
    EXPECT_TRUE(host.stops == 1 && passFail.Controls().startEnabled);

    // Reset drops the mask: only an all-zero trace fits the zero limits.
    passFail.Reset();
    EXPECT_EQ(passFail.State().horizontalTolerance, 10);
    passFail.Start(settings);
    EXPECT_TRUE(!passFail.TestFrame(settings, Flat(1)).passed &&
                passFail.TestFrame(settings, Flat(0)).passed);
}

TEST_F(PassFailTest, PsfFilesHoldTheSettingsInFiveWordsAndLoadingClampsThem) {
    testing::TempDir dir;
    const auto write = [&](const char* name, std::vector<std::uint8_t> bytes) {
        testing::WriteAll(dir.File(name), std::string(bytes.begin(), bytes.end()));
        return dir.File(name);
    };
    struct Case {
        std::vector<std::uint8_t> bytes;
        int source, output, stop, h, v;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 1, 1},                  // zeros load as 1
        {{7, 0, 9, 0, 5, 0, 0x88, 0x13, 0xF4, 0x01}, 1, 3, 1, 2000, 128}, // 5000 and 500
        {{1, 0, 2, 0, 1, 0, 0xD0, 0x07, 0x80, 0x00}, 1, 2, 1, 2000, 128}, // the maxima stay
    };
    passFail.Start(settings);
    passFail.State().failCount = 3;
    const Trace limits = passFail.State().upper;
    for (const Case& c : cases) {
        ASSERT_EQ(passFail.LoadPsf(write("MASK.PSF", c.bytes)).status, PsfResult::Status::kDone);
        const PassFailState& s = passFail.State();
        EXPECT_EQ(
            std::tuple(s.source, s.output, s.stopWhenOutput, s.horizontalTolerance, s.verticalTolerance),
            std::tuple(c.source, c.output, c.stop, c.h, c.v));
    }
    // Each load stops the test but keeps the counters and the mask, which is not in the file.
    EXPECT_EQ(std::tuple(host.stops, passFail.State().testing, passFail.State().failCount),
              std::tuple(3, 0, 3u));
    EXPECT_EQ(passFail.State().upper, limits);

    // Other extensions are ignored; missing, short and long files are refused and change nothing.
    const PassFailState before = passFail.State();
    EXPECT_EQ(passFail.LoadPsf(write("mask.txt", std::vector<std::uint8_t>(10, 1))).status,
              PsfResult::Status::kIgnored);
    for (std::size_t size : {9u, 11u}) {
        EXPECT_EQ(passFail.LoadPsf(write("bad.psf", std::vector<std::uint8_t>(size, 1))).status,
                  PsfResult::Status::kFailed);
    }
    EXPECT_EQ(passFail.State(), before);
    EXPECT_EQ(passFail.SavePsf(dir.File("no_such_folder/mask.psf")).status, PsfResult::Status::kFailed);
    // Saved as five little-endian 16-bit words: source, output, stop, H, V.
    ASSERT_EQ(passFail.SavePsf(dir.File("saved.psf")).status, PsfResult::Status::kDone);
    EXPECT_EQ(testing::ReadAll(dir.File("saved.psf")), std::string("\1\0\2\0\1\0\xD0\7\x80\0", 10));
}

} // namespace
} // namespace tarnix
