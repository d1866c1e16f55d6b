// The log on a real disk: a program killed at any moment, and a disk that runs full, leave a file whose
// rows are all whole and readable.
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "analysis/measure_set.h"
#include "datalog/measure_log.h"

#include "../support/private_tmpfs.h"
#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using namespace tarnix::testing;

const LogOptions kOptions{"", false, {{{kCh1, kMeasureVpp}, {}}, {{kCh2, kMeasureFrequency}, {}}}, 0.0};

// Logs rows numbered 1, 2, ... (the number is the CH1 value) and sends each number whose row was written
// down the pipe; returns the rows written once the log stops by itself, adding to `report` unless it
// stopped for a full disk.
std::uint64_t LogNumberedRows(const std::string& path, int pipe, int pauseUs, std::string* report = nullptr) {
    CSystemLogClock clock;
    CFileLogSink sink;
    CMeasureLog log(clock, sink);
    LogOptions options = kOptions;
    options.path = path;
    if (!log.Start(options, MeaningOf({})).empty()) {
        return 0;
    }
    const MeasureMeaning meaning = MeaningOf({});
    for (std::uint32_t n = 1; log.Running(); ++n) {
        const std::optional<double> values[] = {static_cast<double>(n),
                                                n % 5 == 0 ? std::nullopt : std::optional(n * 0.5)};
        if (log.AddCapture(meaning, values).written && pipe >= 0) {
            (void)!::write(pipe, &n, sizeof n);
        }
        log.Poll();
        if (pauseUs > 0) {
            ::usleep(static_cast<useconds_t>(pauseUs));
        }
    }
    if (report != nullptr && log.Status().stopReason != std::strerror(ENOSPC)) {
        *report += "stopped with \"" + log.Status().stopReason + "\"\n";
    }
    return log.Status().rows;
}

// Checks the file as a reader sees it: whole lines (only the very last may be cut off), the rows numbered
// without a gap. Returns the number of whole rows, or -1 with the reason in `why`.
long WholeRows(const std::string& text, std::string& why) {
    const std::regex row(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z,\d+\.\d{3},(\d+),(\d+(\.5)?)?,)");
    long rows = 0;
    bool header = false;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        std::smatch match;
        if (line.starts_with("#") && !header) {
            continue;
        }
        if (!header) {
            header = line.starts_with("time (UTC),seconds,CH1 Vpp (V),CH2 Frequ (Hz),limits");
        } else if (!std::regex_match(line, match, row) || std::stol(match[1]) != rows + 1) {
            why = "row " + std::to_string(rows + 1) + " reads \"" + line + "\"";
            return -1;
        } else {
            ++rows;
        }
    }
    return rows;
}

// Runs `body(writeEnd)` in a forked child that then ends; returns the child and the pipe's read end.
template <typename Body>
std::pair<pid_t, int> Child(Body body) {
    int ends[2] = {-1, -1};
    if (::pipe(ends) != 0) {
        return {-1, -1};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        body(ends[1]);
        ::_exit(0);
    }
    ::close(ends[1]);
    return {child, ends[0]};
}

TEST(LogFile, AProgramKilledWhileLoggingLeavesEveryRowItWroteWholeAndReadable) {
    std::mt19937 random(2026);
    for (int run = 0; run < 5; ++run) {
        TempDir dir;
        const auto [child, pipe] = Child([&](int report) { LogNumberedRows(dir.File("log.csv"), report, 200); });
        ASSERT_GE(child, 0);
        ::usleep(static_cast<useconds_t>(50000 + random() % 400000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the logging child ended on its own";
        std::uint32_t n = 0, reported = 0;
        while (::read(pipe, &n, sizeof n) == sizeof n) {
            reported = n;
        }
        ::close(pipe);
        std::string why;
        const long rows = WholeRows(ReadAll(dir.File("log.csv")), why);
        EXPECT_GE(rows, static_cast<long>(reported)) << "run " << run << ": " << why;
        EXPECT_GT(reported, 0u);
    }
}

TEST(LogFile, AFullDiskStopsTheLogWithTheReasonAndKeepsEveryRowWritten) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root for a tmpfs in a private mount namespace";
    }
    TempDir dir;
    const auto [child, pipe] = Child([&](int out) {
        std::string report = MountPrivateTmpfs(dir.Path(), "64k");
        if (report.empty()) {
            const std::uint64_t written = LogNumberedRows(dir.File("log.csv"), -1, 0, &report);
            std::string why;
            const std::string file = ReadAll(dir.File("log.csv"));
            const long rows = WholeRows(file, why);
            if (rows < 1000 || static_cast<std::uint64_t>(rows) != written || !file.ends_with("\r\n")) {
                report +=
                    std::to_string(rows) + " whole rows for " + std::to_string(written) + " written " + why;
            }
        }
        (void)!::write(out, report.data(), report.size());
    });
    ASSERT_GE(child, 0);
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipe, buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipe);
    ::waitpid(child, nullptr, 0);
    if (report.starts_with("skip:")) {
        GTEST_SKIP() << report;
    }
    EXPECT_EQ(report, "");
}

TEST(LogFile, AppendingToAFileCutShortByACrashStartsOnANewLineAndKeepsWhatWasThere) {
    TempDir dir;
    const std::string before = "# old\r\ntime (UTC),seconds\r\n2026-12-06T06:51:04.153Z,0.0";
    WriteAll(dir.File("log.csv"), before);
    CFileLogSink sink;
    ASSERT_EQ(sink.Open(dir.File("log.csv"), true), 0);
    ASSERT_EQ(sink.Write("# new\r\n"), 0);
    EXPECT_EQ(sink.Close(), 0);
    EXPECT_EQ(ReadAll(dir.File("log.csv")), before + "\r\n# new\r\n");
}

} // namespace
} // namespace tarnix
