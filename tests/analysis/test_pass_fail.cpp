#include "analysis/pass_fail.h"
#include "model/instrument_settings.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <limits>
#include <string>
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
    explicit FakeHost(InstrumentSettings* settings = nullptr) : settings_(settings) {}
    void StopAcquisition() override {
        ++stops;
        if (settings_ != nullptr) {
            settings_->acquire.running = 0;
            settings_->runStatus = kStatusStopped;
        }
    }
    void Beep() override { ++beeps; }
    int stops = 0;
    int beeps = 0;

private:
    InstrumentSettings* settings_;
};

MaskSettings Tolerances(int vertical, int horizontal) {
    MaskSettings settings;
    settings.verticalPanel = vertical;
    settings.horizontalPanel = horizontal;
    return settings;
}

TEST(PassFailMask, SpikeSpreadsHColumnsEachWayInsideTheRecord) {
    struct Case {
        int spike;
        int first; // columns first..last get the spike's band
        int last;
    };
    // H = 10: a point below 10 drops its left side, a point from 4990 on drops its right side.
    const Case cases[] = {{2000, 1990, 2010}, {3, 3, 13},         {9, 9, 19},        {10, 0, 20},
                          {4989, 4979, 4999}, {4990, 4980, 4990}, {4996, 4986, 4996}};
    for (const Case& c : cases) {
        Trace trace = Flat(100);
        trace[static_cast<std::size_t>(c.spike)] = 200;
        std::array<std::int16_t, kMaskPoints> upper{};
        std::array<std::int16_t, kMaskPoints> lower{};
        BuildMask(trace, 10, 5, upper, lower);
        for (int j = 0; j < kMaskPoints; ++j) {
            const bool inBand = j >= c.first && j <= c.last;
            ASSERT_EQ(upper[static_cast<std::size_t>(j)], inBand ? 205 : 105)
                << "spike " << c.spike << " col " << j;
            // The flat neighbours pull the spike's own lower limit down to theirs.
            ASSERT_EQ(lower[static_cast<std::size_t>(j)], 95) << "spike " << c.spike << " col " << j;
        }
    }
}

TEST(PassFailMask, LimitsAreClampedToTheCodeScale) {
    std::array<std::int16_t, kMaskPoints> upper{};
    std::array<std::int16_t, kMaskPoints> lower{};
    BuildMask(Flat(250), 10, 10, upper, lower);
    EXPECT_EQ(upper[0], 255);
    EXPECT_EQ(upper[2500], 255);
    EXPECT_EQ(lower[2500], 240);
    BuildMask(Flat(3), 10, 10, upper, lower);
    EXPECT_EQ(lower[4999], 0);
    EXPECT_EQ(upper[4999], 13);
    // A column without data (11111) cannot wrap the 16-bit limits.
    Trace trace = Flat(100);
    trace[100] = 11111;
    BuildMask(trace, 10, 128, upper, lower);
    EXPECT_EQ(upper[95], 255);
    EXPECT_EQ(lower[95], 0);
    EXPECT_EQ(lower[100], 0);
}

TEST(PassFailMask, CreateStoresClampedTolerancesAndClearsCounters) {
    CPassFail passFail;
    passFail.State().failCount = 4;
    passFail.State().testing = 1;
    MaskSettings settings = Tolerances(500, 0);
    settings.source = 1;
    settings.output = kOutputPassBeep;
    settings.stopWhenOutput = true;
    passFail.CreateMask(settings, Flat(128));
    const PassFailState& state = passFail.State();
    EXPECT_EQ(state.verticalTolerance, 128);
    EXPECT_EQ(state.horizontalTolerance, 10);
    EXPECT_EQ(passFail.HorizontalPanelValue(), 1);
    EXPECT_EQ(state.source, 1);
    EXPECT_EQ(state.output, kOutputPassBeep);
    EXPECT_EQ(state.stopWhenOutput, 1);
    EXPECT_EQ(state.failCount, 0u);
    EXPECT_EQ(state.testing, 0);

    passFail.CreateMask(Tolerances(3, 200), Flat(128));
    EXPECT_EQ(passFail.State().horizontalTolerance, 2000);
    EXPECT_EQ(passFail.HorizontalPanelValue(), 200);
    EXPECT_EQ(passFail.VerticalPanelValue(), 3);
}

class PassFailTest : public ::testing::Test {
protected:
    PassFailTest() : host(&settings), passFail(&host) {}

    void CreateAndStart(const Trace& trace, int output, bool stopWhenOutput) {
        MaskSettings mask = Tolerances(2, 1);
        mask.output = output;
        mask.stopWhenOutput = stopWhenOutput;
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
    CreateAndStart(trace, kOutputFail, false);
    EXPECT_TRUE(passFail.TestFrame(settings, trace).passed);

    // A flat stretch tolerates exactly V = 2 steps.
    Trace probe = trace;
    probe[2501] = 102;
    probe[2502] = 98;
    EXPECT_TRUE(passFail.TestFrame(settings, probe).passed);
    for (int column : {0, 2501, 4999}) {
        for (int delta : {3, -3}) {
            Trace bad = Flat(100);
            bad[static_cast<std::size_t>(column)] = static_cast<std::int16_t>(100 + delta);
            CPassFail flat(&host);
            flat.CreateMask(Tolerances(2, 1), Flat(100));
            flat.Start(settings);
            EXPECT_FALSE(flat.TestFrame(settings, bad).passed) << column << " " << delta;
        }
    }
    // Columns without data fail.
    Trace noData = trace;
    noData[10] = -1;
    EXPECT_FALSE(passFail.TestFrame(settings, noData).passed);
    EXPECT_FALSE(passFail.TestFrame(settings, std::span<const std::int16_t>(trace.data(), 4999)).passed);

    const PassFailState& state = passFail.State();
    EXPECT_EQ(state.passCount, 2u);
    EXPECT_EQ(state.failCount, 2u);
    EXPECT_EQ(state.totalCount, 4u);
}

TEST_F(PassFailTest, CountersWrapToZeroAtTheTop) {
    CreateAndStart(Flat(100), kOutputFail, false);
    passFail.State().totalCount = std::numeric_limits<std::uint64_t>::max() - 1;
    passFail.State().passCount = 5;
    passFail.TestFrame(settings, Flat(100));
    EXPECT_EQ(passFail.State().totalCount, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(passFail.State().passCount, 6u);
    passFail.TestFrame(settings, Flat(0)); // fails
    EXPECT_EQ(passFail.State().totalCount, 1u);
    EXPECT_EQ(passFail.State().passCount, 0u);
    EXPECT_EQ(passFail.State().failCount, 1u);
}

TEST_F(PassFailTest, RunsOnlyWhileTestingInYT) {
    CreateAndStart(Flat(100), kOutputFail, false);
    for (int format : {kFormatRoll, kFormatXY}) {
        settings.timebase.displayFormat = static_cast<std::uint16_t>(format);
        EXPECT_FALSE(passFail.TestFrame(settings, Flat(100)).tested);
    }
    settings.timebase.displayFormat = kFormatYT;
    passFail.State().testing = 0;
    EXPECT_FALSE(passFail.TestFrame(settings, Flat(100)).tested);
    EXPECT_EQ(passFail.State().totalCount, 0u);
}

TEST_F(PassFailTest, StopOnOutputCombinations) {
    struct Case {
        int output;
        bool stopWhenOutput;
        bool framePasses;
        bool stops;
        bool beeps;
    };
    const Case cases[] = {
        {kOutputFail, true, false, true, false},    {kOutputFail, true, true, false, false},
        {kOutputFailBeep, true, false, true, true}, {kOutputFailBeep, true, true, false, false},
        {kOutputPass, true, true, true, false},     {kOutputPass, true, false, false, false},
        {kOutputPassBeep, true, true, true, true},  {kOutputPassBeep, true, false, false, false},
        {kOutputFail, false, false, false, false},  {kOutputFailBeep, false, false, false, false},
        {kOutputPass, false, true, false, false},   {kOutputPassBeep, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(PassFailOutputLabel(c.output)) + (c.stopWhenOutput ? " stop" : "") +
                     (c.framePasses ? " pass" : " fail"));
        InstrumentSettings s;
        FakeHost h(&s);
        CPassFail pf(&h);
        MaskSettings mask = Tolerances(2, 1);
        mask.output = c.output;
        mask.stopWhenOutput = c.stopWhenOutput;
        pf.CreateMask(mask, Flat(100));
        pf.Start(s);
        const FrameTestResult r = pf.TestFrame(s, c.framePasses ? Flat(100) : Flat(0));
        EXPECT_EQ(r.passed, c.framePasses);
        EXPECT_EQ(r.stopped, c.stops);
        EXPECT_EQ(h.stops, c.stops ? 1 : 0);
        EXPECT_EQ(h.beeps, c.beeps ? 1 : 0);
        EXPECT_EQ(pf.State().testing, c.stops ? 0 : 1);
        EXPECT_EQ(s.acquire.running, c.stops ? 0u : 1u);
        EXPECT_EQ(pf.Controls().stopEnabled, !c.stops);
    }
}

TEST_F(PassFailTest, StartRunsTheAcquisitionAndClosingLeavesItRunning) {
    settings.acquire.running = 0;
    settings.runStatus = kStatusStopped;
    passFail.State().passCount = 9;
    EXPECT_TRUE(passFail.Start(settings));
    EXPECT_EQ(settings.acquire.running, 1u);
    EXPECT_EQ(settings.runStatus, kStatusAuto);
    EXPECT_EQ(passFail.State().passCount, 0u);
    EXPECT_EQ(passFail.State().panelShown, 1);
    EXPECT_EQ(passFail.State().testing, 1);
    const PassFailControls testing = passFail.Controls();
    EXPECT_FALSE(testing.startEnabled);
    EXPECT_FALSE(testing.settingsEnabled);
    EXPECT_TRUE(testing.stopEnabled);
    EXPECT_FALSE(passFail.Start(settings)); // already running

    passFail.Stop();
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(settings.acquire.running, 0u);
    EXPECT_TRUE(passFail.Controls().startEnabled);

    passFail.Start(settings);
    passFail.ClosePanel(settings);
    EXPECT_EQ(host.stops, 2);                // stopped first ...
    EXPECT_EQ(settings.acquire.running, 1u); // ... then running again
    EXPECT_EQ(settings.runStatus, kStatusAuto);
    EXPECT_EQ(passFail.State().panelShown, 0);
    EXPECT_EQ(passFail.State().testing, 0);
}

TEST(PassFailReset, FactoryState) {
    CPassFail passFail;
    passFail.CreateMask(Tolerances(9, 9), Flat(100));
    passFail.State().panelShown = 1;
    passFail.Reset();
    const PassFailState& s = passFail.State();
    EXPECT_EQ(s.upper[0], 0);
    EXPECT_EQ(s.lower[4999], 0);
    EXPECT_EQ(s.horizontalTolerance, 10);
    EXPECT_EQ(s.verticalTolerance, 1);
    EXPECT_EQ(s.source, 0);
    EXPECT_EQ(s.output, kOutputFail);
    EXPECT_EQ(s.stopWhenOutput, 0);
    EXPECT_EQ(s.panelShown, 0);
    // Without a mask nearly every frame fails: only an all-zero trace fits the zero limits.
    InstrumentSettings settings;
    passFail.Start(settings);
    EXPECT_FALSE(passFail.TestFrame(settings, Flat(1)).passed);
    EXPECT_TRUE(passFail.TestFrame(settings, Flat(0)).passed);
}

TEST(PsfFormat, LayoutAndLoadClamps) {
    PassFailState state;
    state.source = 1;
    state.output = 3;
    state.stopWhenOutput = 0x10001; // only the low 16 bits are written
    state.horizontalTolerance = 0x0203;
    state.verticalTolerance = 0x0405;
    const std::array<std::uint8_t, 10> expected = {1, 0, 3, 0, 1, 0, 3, 2, 5, 4};
    EXPECT_EQ(EncodePsf(state), expected);

    struct Case {
        std::array<std::uint8_t, 10> bytes;
        int source, output, stop, h, v;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 1, 1},                  // zeros load as 1
        {{7, 0, 9, 0, 5, 0, 0x88, 0x13, 0xF4, 0x01}, 1, 3, 1, 2000, 128}, // 5000 and 500
        {{1, 0, 2, 0, 1, 0, 0xD0, 0x07, 0x80, 0x00}, 1, 2, 1, 2000, 128}, // the maxima stay
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 1, 3, 1, 2000, 128},
    };
    for (const Case& c : cases) {
        PassFailState loaded;
        ASSERT_TRUE(DecodePsf(c.bytes, loaded));
        EXPECT_EQ(loaded.source, c.source);
        EXPECT_EQ(loaded.output, c.output);
        EXPECT_EQ(loaded.stopWhenOutput, c.stop);
        EXPECT_EQ(loaded.horizontalTolerance, c.h);
        EXPECT_EQ(loaded.verticalTolerance, c.v);
    }
    PassFailState untouched;
    const std::array<std::uint8_t, 9> shortFile{};
    EXPECT_FALSE(DecodePsf(shortFile, untouched));
    EXPECT_EQ(untouched, PassFailState{});
}

class PsfFileTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir.File(name); }
    void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) const {
        testing::WriteAll(path, std::string(bytes.begin(), bytes.end()));
    }

    testing::TempDir dir;
};

TEST_F(PsfFileTest, SaveLoadRoundTripStopsTheTestAndKeepsCounters) {
    CPassFail saver;
    MaskSettings mask = Tolerances(17, 42);
    mask.source = 1;
    mask.output = kOutputFailBeep;
    mask.stopWhenOutput = true;
    saver.CreateMask(mask, Flat(100));
    ASSERT_EQ(saver.SavePsf(Path("mask.psf")).status, PsfResult::Status::kDone);
    EXPECT_EQ(std::filesystem::file_size(Path("mask.psf")), 10u);
    std::filesystem::copy_file(Path("mask.psf"), Path("UPPER.PSF"));

    InstrumentSettings settings;
    FakeHost host(&settings);
    CPassFail loader(&host);
    loader.Start(settings);
    loader.State().failCount = 3;
    const auto limitsBefore = loader.State().upper;
    ASSERT_EQ(loader.LoadPsf(Path("UPPER.PSF")).status, PsfResult::Status::kDone);
    EXPECT_EQ(loader.State().source, 1);
    EXPECT_EQ(loader.State().output, kOutputFailBeep);
    EXPECT_EQ(loader.State().stopWhenOutput, 1);
    EXPECT_EQ(loader.HorizontalPanelValue(), 42);
    EXPECT_EQ(loader.VerticalPanelValue(), 17);
    EXPECT_EQ(loader.State().testing, 0);
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(settings.acquire.running, 0u);
    EXPECT_EQ(loader.State().failCount, 3u);
    EXPECT_EQ(loader.State().upper, limitsBefore); // the mask is not in the file
}

TEST_F(PsfFileTest, WrongExtensionIgnoredBadFilesRefused) {
    InstrumentSettings settings;
    FakeHost host(&settings);
    CPassFail passFail(&host);
    const PassFailState before = passFail.State();

    WriteBytes(Path("mask.txt"), {1, 0, 1, 0, 1, 0, 100, 0, 9, 0});
    EXPECT_EQ(passFail.LoadPsf(Path("mask.txt")).status, PsfResult::Status::kIgnored);
    EXPECT_EQ(passFail.LoadPsf("psf").status, PsfResult::Status::kIgnored);

    const PsfResult missing = passFail.LoadPsf(Path("missing.psf"));
    EXPECT_EQ(missing.status, PsfResult::Status::kFailed);
    EXPECT_EQ(missing.message, "Cann't save file: No such file or directory");

    WriteBytes(Path("short.psf"), {1, 0, 1, 0, 1, 0, 100, 0, 9});
    WriteBytes(Path("long.psf"), {1, 0, 1, 0, 1, 0, 100, 0, 9, 0, 0});
    for (const char* name : {"short.psf", "long.psf"}) {
        const PsfResult refused = passFail.LoadPsf(Path(name));
        EXPECT_EQ(refused.status, PsfResult::Status::kFailed) << name;
        EXPECT_EQ(refused.message.rfind("Cann't save file: ", 0), 0u) << refused.message;
    }
    EXPECT_EQ(passFail.State(), before);
    EXPECT_EQ(host.stops, 0);

    const PsfResult unwritable = passFail.SavePsf(Path("no_such_folder/mask.psf"));
    EXPECT_EQ(unwritable.status, PsfResult::Status::kFailed);
    EXPECT_EQ(unwritable.message, "Cann't save file: No such file or directory");
}

TEST(PassFailRegions, PolygonsFollowTheLimits) {
    CPassFail passFail;
    PassFailState& state = passFail.State();
    state.horizontalTolerance = 10;
    state.upper.fill(255);
    state.lower.fill(0);
    state.upper[10] = 0;
    state.lower[4989] = 255;

    // Plot 2500 wide and 100 high at (100, 20): x = trunc(100 + j x 2500/4999), y = trunc(20 + (255 - limit)
    // x 100/255), worked out by hand for the columns checked.
    state.upper[11] = 128;
    std::vector<MaskPoint> upper;
    std::vector<MaskPoint> lower;
    passFail.UpperRegion(100, 20, 2600, 120, upper);
    passFail.LowerRegion(100, 20, 2600, 120, lower);
    ASSERT_EQ(upper.size(), static_cast<std::size_t>(5000 - 2 * 10 + 2));
    ASSERT_EQ(lower.size(), upper.size());
    EXPECT_EQ(upper.front(), (MaskPoint{105, 20})); // 10 x 0.50010 = 5.001
    EXPECT_EQ(upper[1], (MaskPoint{105, 120}));     // column 10, limit 0
    EXPECT_EQ(upper[2], (MaskPoint{105, 69}));      // column 11: 5.5011; limit 128: 49.80
    EXPECT_EQ(upper[3], (MaskPoint{106, 20}));      // column 12: 6.0012; limit 255 on the top edge
    EXPECT_EQ(upper.back(), (MaskPoint{2595, 20})); // 4990 x 0.50010 = 2495.499
    EXPECT_EQ(lower.front(), (MaskPoint{105, 120}));
    EXPECT_EQ(lower.back(), (MaskPoint{2595, 120}));
    EXPECT_EQ(lower[lower.size() - 2], (MaskPoint{2594, 20})); // column 4989 (2494.999), limit 255
    EXPECT_EQ(lower[lower.size() - 3].y, 120);                 // column 4988, limit 0

    // A tolerance wider than half the record leaves just the two edge points.
    state.horizontalTolerance = 2600;
    passFail.UpperRegion(0, 0, 4999, 255, upper);
    EXPECT_EQ(upper.size(), 2u);
}

TEST(PassFailLabels, OnlyListedValuesHaveALabel) {
    EXPECT_EQ(PassFailOutputLabel(3), "PASS + BEEPER");
    EXPECT_EQ(PassFailOutputLabel(4), "");
    EXPECT_EQ(PassFailSourceLabel(1), "CH2");
    EXPECT_EQ(PassFailSourceLabel(2), "");
}

} // namespace
} // namespace tarnix
