// The measurement log as a user reads it back: header, rows, comments on setting changes, intervals,
// limits, and what happens when the disk fails.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <tuple>
#include <unistd.h>
#include <utility>

#include "analysis/measure_set.h"
#include "datalog/measure_log.h"

#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using namespace tarnix::testing;
using Values = std::vector<std::optional<double>>;

// A clock the test moves by hand and a log file kept in memory that can be told to fail.
struct FakeLogClock final : ILogClock {
    std::int64_t monotonicMs = 5000;
    std::int64_t utcMs = 1796539864123; // 2026-12-06T06:51:04.123Z
    std::int64_t MonotonicMs() override { return monotonicMs; }
    std::int64_t UtcMs() override { return utcMs; }
    void Advance(std::int64_t ms) {
        monotonicMs += ms;
        utcMs += ms;
    }
};

struct FakeLogSink final : ILogSink {
    explicit FakeLogSink(ILogClock& c) : clock(c) {}
    ILogClock& clock;
    std::string file;
    bool keep = true;   // false: only count the bytes (long runs)
    int failWrite = -1; // the write (counted from 0) that fails, with `error`
    int error = ENOSPC;
    int syncError = 0; // reported once by SyncError
    int writes = 0;
    std::uint64_t size = 0;
    bool open = false;
    std::vector<std::int64_t> writeMs, syncMs;

    int Open(const std::string&, bool) override {
        open = error != EACCES;
        return open ? 0 : EACCES;
    }
    int Write(std::string_view bytes) override {
        if (writes++ == failWrite) {
            return error;
        }
        if (keep) {
            file.append(bytes);
            writeMs.push_back(clock.MonotonicMs());
        }
        size += bytes.size();
        return 0;
    }
    bool StartSync() override {
        syncMs.push_back(clock.MonotonicMs());
        return true;
    }
    int SyncError() override { return std::exchange(syncError, 0); }
    int Close() override {
        open = false;
        return 0;
    }
    std::uint64_t Size() const override { return size; }
};

const MeasureItem kVpp{kCh1, kMeasureVpp};
const MeasureItem kFrequency{kCh2, kMeasureFrequency};

struct LogRig {
    FakeLogClock clock;
    FakeLogSink sink{clock};
    CMeasureLog log{clock, sink};
    InstrumentSettings settings;

    std::string Start(double interval = 0.0, LogLimits frequencyLimits = {}) {
        return log.Start({"log.csv", false, {{kVpp, {}}, {kFrequency, frequencyLimits}}, interval},
                         MeaningOf(settings));
    }
    LogRowResult Capture(const Values& values, std::int64_t afterMs = 30) {
        clock.Advance(afterMs);
        return log.AddCapture(MeaningOf(settings), values);
    }
    // The lines after the column header.
    std::vector<std::string> Rows() const {
        std::vector<std::string> lines = SplitCrLf(sink.file);
        auto header = std::find_if(lines.begin(), lines.end(), [](auto& l) { return l.starts_with("time"); });
        return {header + 1, lines.end()};
    }
};

TEST(MeasureLog, EachCaptureIsARowOfUtcTimeSecondsAndSiValuesWithAnEmptyFieldForNoValue) {
    LogRig rig;
    ASSERT_EQ(rig.Start(), "");
    rig.Capture({1.25, 5000.0});
    rig.Capture({std::nullopt, 5012.5});
    const std::vector<std::string> lines = SplitCrLf(rig.sink.file);
    EXPECT_EQ(lines.front(), "# Tarnix measurement log, started 2026-12-06T06:51:04.123Z");
    EXPECT_NE(rig.sink.file.find("\r\n# CH1 on, 1.00V/div, probe x1, AC\r\n"), std::string::npos);
    EXPECT_NE(rig.sink.file.find("\r\ntime (UTC),seconds,CH1 Vpp (V),CH2 Frequ (Hz),limits\r\n"),
              std::string::npos);
    EXPECT_EQ(rig.Rows(), (std::vector<std::string>{"2026-12-06T06:51:04.153Z,0.030,1.25,5000,",
                                                    "2026-12-06T06:51:04.183Z,0.060,,5012.5,"}));
    EXPECT_EQ(rig.log.Status().rows, 2u);
    EXPECT_EQ(rig.log.Status().bytes, rig.sink.file.size());
}

TEST(MeasureLog, ASettingChangedWhileLoggingIsNotedBeforeTheNextRow) {
    LogRig rig;
    rig.Start();
    rig.Capture({1.0, 1.0});
    rig.settings.ch(kCh1).voltsPerDivIndex = 5;
    rig.settings.ch(kCh2).probe = 1;
    std::swap(rig.settings.ch(kMath).math.sourceA,
              rig.settings.ch(kMath).math.sourceB); // named, not numbered
    rig.Capture({1.0, 1.0});
    const std::vector<std::string> rows = rig.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1],
              "# 2026-12-06T06:51:04.183Z (0.060 s) CH1 volts/div 1.00V -> 500mV; "
              "CH2 volts/div 1.00V -> 10.0V; CH2 probe x1 -> x10; MATH sources A=CH1 B=CH2 -> A=CH2 B=CH1");
}

TEST(MeasureLog, AnIntervalRowHoldsMeanMinAndMaxOfItsCapturesAndStopWritesTheLastPart) {
    LogRig rig;
    rig.Start(1.0);
    for (double v : {1.0, 2.0, 6.0}) { // at 0.3, 0.6 and 0.9 s
        rig.Capture({v, std::nullopt}, 300);
    }
    EXPECT_TRUE(rig.Capture({10.0, 50.0}, 300).written) << "the capture at 1.2 s closes the first second";
    rig.clock.Advance(2500);
    EXPECT_TRUE(rig.log.Poll().written) << "the tick at 3.7 s closes the second; the empty third adds no row";
    rig.Capture({20.0, 70.0}, 0);
    rig.log.Stop();
    EXPECT_EQ(rig.Rows(), (std::vector<std::string>{"2026-12-06T06:51:05.123Z,1.000,3,1,6,,,,3,",
                                                    "2026-12-06T06:51:06.123Z,2.000,10,10,10,50,50,50,1,",
                                                    "2026-12-06T06:51:07.823Z,3.700,20,20,20,70,70,70,1,"}));
    EXPECT_NE(
        rig.sink.file.find(",CH2 Frequ mean (Hz),CH2 Frequ min (Hz),CH2 Frequ max (Hz),captures,limits"),
        std::string::npos);
}

TEST(MeasureLog, RowsOutOfLimitsAreMarkedAndCountedPerItem) {
    LogRig rig;
    rig.Start(0.0, {4900.0, 5100.0});
    std::vector<bool> violations;
    for (std::optional<double> frequency :
         {std::optional(5000.0), std::optional(5200.0), std::optional<double>(), std::optional(4800.0)}) {
        violations.push_back(rig.Capture({1.0, frequency}).violation);
    }
    EXPECT_EQ(violations, (std::vector<bool>{false, true, false, true}));
    const std::vector<std::string> rows = rig.Rows();
    EXPECT_TRUE(rows[1].ends_with(",5200,CH2 Frequ high")) << rows[1];
    EXPECT_TRUE(rows[3].ends_with(",4800,CH2 Frequ low")) << rows[3];
    EXPECT_EQ(rig.log.Status().violations, (std::vector<std::uint64_t>{0, 2}));
    EXPECT_EQ(rig.log.Status().violationRows, 2u);
}

TEST(MeasureLog, EveryRowReachesTheDiskWithinASecondAlsoWhenCapturesStop) {
    LogRig rig;
    rig.Start();
    for (int i = 0; i < 200; ++i) {
        rig.Capture({1.0, 2.0});
    }
    for (int i = 0; i < 100; ++i) { // stopped: only the timer ticks
        rig.clock.Advance(30);
        rig.log.Poll();
    }
    for (std::int64_t written : rig.sink.writeMs) {
        const auto sync = std::lower_bound(rig.sink.syncMs.begin(), rig.sink.syncMs.end(), written);
        ASSERT_TRUE(sync != rig.sink.syncMs.end() && *sync - written <= 1000) << "row written at " << written;
    }
    EXPECT_LT(rig.sink.syncMs.size(), 20u) << "a flush per row would stall the disk";
}

struct Failure {
    const char* name;
    int failWrite; // -1: the writes succeed
    int error;
    int syncError;
    std::uint64_t rowsKept;
};

const Failure kFailures[] = {
    {"DiskFullOnTheFourthRow", 4, ENOSPC, 0, 3},
    {"IoErrorOnTheSecondRow", 2, EIO, 0, 1},
    {"FlushFails", -1, 0, EIO, 5},
};

class MeasureLogFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(MeasureLogFailure, TheLogStopsSaysWhyAndKeepsTheRowsWritten) {
    const Failure& f = GetParam();
    LogRig rig;
    rig.sink.failWrite = f.failWrite; // write 0 is the header
    rig.sink.error = f.error;
    rig.Start();
    for (int i = 0; i < 5; ++i) {
        rig.Capture({1.0, 2.0});
    }
    rig.sink.syncError = f.syncError;
    rig.log.Poll();
    rig.Capture({1.0, 2.0});
    EXPECT_FALSE(rig.log.Running() || rig.sink.open);
    EXPECT_EQ(rig.log.Status().stopReason, std::strerror(f.error != 0 ? f.error : f.syncError));
    EXPECT_EQ(std::tuple(rig.log.Status().rows, rig.Rows().size()), std::tuple(f.rowsKept, f.rowsKept));
}

INSTANTIATE_TEST_SUITE_P(Disk, MeasureLogFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MeasureLog, StartRefusesWhatCannotBeLoggedAndOpensNothing) {
    const std::function<void(LogOptions&, FakeLogSink&)> refusals[] = {
        [](LogOptions& o, FakeLogSink&) { o.columns.clear(); },
        [](LogOptions& o, FakeLogSink&) { o.intervalSeconds = 0.05; },
        [](LogOptions& o, FakeLogSink&) { o.intervalSeconds = 3601; },
        [](LogOptions& o, FakeLogSink&) { o.columns[0].item.kind = kMeasureKindCount; },
        [](LogOptions&, FakeLogSink& sink) { sink.error = EACCES; },
    };
    for (const auto& refusal : refusals) {
        LogRig rig;
        LogOptions options{"log.csv", false, {{kVpp, {}}}, 0.1};
        refusal(options, rig.sink);
        EXPECT_NE(rig.log.Start(options, MeaningOf(rig.settings)), "");
        EXPECT_FALSE(rig.log.Running() || rig.sink.open);
    }
}

long ResidentKilobytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE) / 1024;
}

TEST(MeasureLog, TenHoursOfRowsLeaveTheMemoryFlat) {
    LogRig rig;
    rig.sink.keep = false;
    LogOptions options{"log.csv", false, {}, 0.0};
    for (int i = 0; i < 8; ++i) {
        options.columns.push_back({{i % 3, i}, {0.0, 1.0}});
    }
    rig.log.Start(options, MeaningOf(rig.settings));
    const Values values{0.5, 2.0, std::nullopt, 1e-6, 1e6, 0.25, 3.3, -1.0};
    const long before = ResidentKilobytes();
    for (int row = 0; row < 10 * 3600 * 33; ++row) {
        rig.clock.Advance(row % 3 == 0 ? 31 : 30);
        rig.log.AddCapture(MeaningOf(rig.settings), values);
    }
    EXPECT_EQ(rig.log.Status().rows, 10u * 3600 * 33);
    EXPECT_LT(ResidentKilobytes() - before, 20 * 1024);
}

} // namespace
} // namespace tarnix
