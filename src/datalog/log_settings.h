// The log panel's choices between runs, in a small text file of its own beside the setup file:
//   file=/home/user/supply.csv
//   interval=1
//   item=0,13,4900,5100        (source, kind, low limit, high limit; an empty limit is none)
//   actions=1,0,0              (beep, stop the acquisition, save the screen image)
// A missing file, a broken line or a value out of range leaves that choice at its default.
#pragma once

#include <string>

#include "datalog/data_log.h"

namespace tarnix {

struct LogPanelSettings {
    LogOptions options; // `append` is never stored: the panel asks each time
    LimitActions actions;
    bool operator==(const LogPanelSettings&) const = default;
};

std::string FormatLogSettings(const LogPanelSettings& settings);
LogPanelSettings ParseLogSettings(const std::string& text);

// Reading never fails: a missing or unreadable file gives the defaults. Saving is the program's safe
// save, so a failure keeps the previous choices; "" or why it failed ("Cann't save file: ...").
LogPanelSettings LoadLogSettings(const std::string& path);
std::string SaveLogSettings(const std::string& path, const LogPanelSettings& settings);

} // namespace tarnix
