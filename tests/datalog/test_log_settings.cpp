// The log panel's choices survive a restart, and a damaged or missing file never stops the program.
#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/measure_set.h"
#include "datalog/log_settings.h"

#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using namespace tarnix::testing;

TEST(LogSettings, TheChoicesComeBackAsSavedAndBrokenLinesOrAMissingFileLeaveTheDefaults) {
    TempDir dir;
    LogPanelSettings saved;
    saved.options = {
        "/data/supply log.csv",
        false,
        {{{kCh2, kMeasureFrequency}, {4900.0, 5100.5}}, {{kMath, kMeasureVrms}, {std::nullopt, 1e-3}}},
        2.5};
    saved.actions = {true, false, true};
    ASSERT_EQ(SaveLogSettings(dir.File("Datalog.ini"), saved), "");
    EXPECT_EQ(LoadLogSettings(dir.File("Datalog.ini")), saved);
    std::filesystem::create_directory(dir.File("folder.ini")); // a failure says why
    EXPECT_EQ(SaveLogSettings(dir.File("folder.ini"), saved), "Cann't save file: Is a directory");
    EXPECT_EQ(LoadLogSettings(dir.File("none.ini")), LogPanelSettings{});
    const LogPanelSettings parsed = ParseLogSettings("interval=0.01\nitem=3,1,,\nitem=0,20,,\nitem=1,2,x,\n"
                                                     "item=0,0,,1.5\r\nactions=1,2,0\ngarbage\n\xff\xfe=\n");
    EXPECT_EQ(parsed.options.intervalSeconds, 0.0);
    EXPECT_EQ(parsed.options.columns, (std::vector<LogColumn>{{{kCh1, kMeasureVpp}, {std::nullopt, 1.5}}}));
    EXPECT_EQ(parsed.actions, LimitActions{});
}

} // namespace
} // namespace tarnix
