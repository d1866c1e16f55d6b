// Statistics and the measurement log driven through the document, as the menus and the log panel do.
#include <functional>
#include <tuple>

#include "../support/doc_fixture.h"
#include "../support/temp_dir.h"
#include "files/csv_file.h"

namespace tarnix::testing {
namespace {

class DocDatalogTest : public DocTest {
protected:
    const RunningStats& Vpp() { return doc->datalog.statistics.Figures(0); }
};

TEST_F(DocDatalogTest, TheScreensStatisticsTakeOneValuePerNewCaptureWhetherShownOrNotAndNoneWhileStopped) {
    StartSim(SimConfig{});
    doc->measures.AddMeasure(kMeasureVpp);
    const std::uint64_t first = doc->captureCount;
    Ticks(40);
    // The table was never shown: opening it, or asking remotely, finds every capture since the start.
    const RunningStats* figures = doc->datalog.FiguresOf({kCh1, kMeasureVpp});
    ASSERT_NE(figures, nullptr);
    EXPECT_EQ(figures->Count(), doc->captureCount - first);
    EXPECT_GT(Vpp().Count(), 10u);
    EXPECT_NEAR(Vpp().Mean(), 2.0, 0.2) << "the simulated sine is 2 Vpp";
    doc->Stop();
    const std::uint64_t stopped = Vpp().Count();
    Ticks(40);
    EXPECT_EQ(Vpp().Count(), stopped);
}

// The settings' own rules are tabled in tests/datalog; here the document's paths: a setter, the loads.
struct DocReset {
    const char* name;
    std::function<void(CTarnixDoc&, const TempDir&)> action;
    bool reset;
};

const DocReset kDocResets[] = {
    {"VoltsPerDiv", [](CTarnixDoc& d, const TempDir&) { d.SetVoltsPerDiv(kCh1, 5); }, true},
    {"LoadedSetup",
     [](CTarnixDoc& d, const TempDir& dir) {
         d.SaveSetup(dir.File("same.set"));
         d.LoadSetup(dir.File("same.set"));
     },
     true},
    {"LoadedCsv",
     [](CTarnixDoc& d, const TempDir& dir) {
         d.SaveCsv(dir.File("wave.csv"));
         d.LoadCsv(dir.File("wave.csv"));
     },
     true},
    {"TriggerLevel", [](CTarnixDoc& d, const TempDir&) { d.SetTriggerLevel(kCh1, 100.0f); }, false},
};

class DocStatisticsReset : public DocDatalogTest, public ::testing::WithParamInterface<DocReset> {};

TEST_P(DocStatisticsReset, ChangingWhatAMeasurementMeansStartsItsStatisticsAfresh) {
    StartSim(SimConfig{});
    doc->measures.AddMeasure(kMeasureVpp);
    Ticks(30);
    const std::uint64_t before = Vpp().Count() + Vpp().Unmeasurable();
    TempDir dir;
    GetParam().action(*doc, dir);
    const std::uint64_t captures = doc->captureCount;
    Ticks(5);
    const std::uint64_t after = Vpp().Count() + Vpp().Unmeasurable();
    if (GetParam().reset) {
        EXPECT_EQ(after, doc->captureCount - captures);
    } else {
        EXPECT_EQ(after, before + doc->captureCount - captures);
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, DocStatisticsReset, ::testing::ValuesIn(kDocResets),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocDatalogTest, TheLogHoldsARowPerCaptureWithTheSignalsFrequencyAndNotesAChangedSetting) {
    StartSim(SimConfig{});
    TempDir dir;
    const LogOptions options{dir.File("log.csv"), false, {{{kCh1, kMeasureFrequency}, {}}}, 0.0};
    ASSERT_EQ(doc->datalog.StartLog(options, doc->settings), "");
    const std::uint64_t first = doc->captureCount;
    Ticks(30);
    doc->SetVoltsPerDiv(kCh1, 7);
    Ticks(30);
    doc->datalog.Log().Stop();
    std::vector<double> frequencies;
    int comments = 0;
    for (const std::string& line : SplitCrLf(ReadAll(dir.File("log.csv")))) {
        comments += line.starts_with("# ") && line.find("CH1 volts/div 1.00V -> 2.00V") != std::string::npos;
        if (std::isdigit(static_cast<unsigned char>(line[0]))) {
            frequencies.push_back(std::stod(line.substr(line.find(',', 25) + 1)));
        }
    }
    EXPECT_EQ(comments, 1);
    ASSERT_EQ(frequencies.size(), doc->captureCount - first);
    for (double f : frequencies) {
        EXPECT_NEAR(f, 5000.0, 50.0);
    }
}

TEST_F(DocDatalogTest, ARowOutOfLimitsBeepsAndStopsTheAcquisitionWhenAsked) {
    StartSim(SimConfig{});
    int beeps = 0;
    doc->hooks.beep = [&beeps] { ++beeps; };
    doc->datalog.actions = {true, true, false};
    TempDir dir;
    const LogOptions options{
        dir.File("log.csv"), false, {{{kCh1, kMeasureFrequency}, {std::nullopt, 4000.0}}}, 0.0};
    ASSERT_EQ(doc->datalog.StartLog(options, doc->settings), "");
    TickUntil([&] { return doc->datalog.Log().Status().rows > 0; });
    EXPECT_EQ(std::tuple(doc->settings.acquire.running, beeps), std::tuple(0u, 1));
    EXPECT_EQ(doc->datalog.Log().Status().violationRows, 1u);
}

} // namespace
} // namespace tarnix::testing
