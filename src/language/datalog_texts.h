// Language keys of the measurement statistics, the log panel and the trend view. Like the control IDs
// they are part of the language-file format; the English texts are in the built-in default language.
#pragma once

#include <array>

namespace tarnix::dtx {

inline constexpr int kLogTitle = 4100;
inline constexpr int kFile = 4101;
inline constexpr int kBrowse = 4102;
inline constexpr int kMeasurement = 4103;
inline constexpr int kLowLimit = 4104;
inline constexpr int kHighLimit = 4105;
inline constexpr int kInterval = 4106;
inline constexpr int kEveryCapture = 4107;
inline constexpr int kEverySeconds = 4108;
inline constexpr int kOutOfLimits = 4109;
inline constexpr int kBeep = 4110;
inline constexpr int kStopAcquisition = 4111;
inline constexpr int kSaveImage = 4112;
inline constexpr int kStart = 4113;
inline constexpr int kStop = 4114;
inline constexpr int kTrendButton = 4115;
inline constexpr int kAskAppend = 4116; // "%1": the file
inline constexpr int kNotLogging = 4117;
inline constexpr int kLogging = 4118;
inline constexpr int kStopped = 4119;
inline constexpr int kProgress = 4120;   // "%1" seconds, "%2" rows, "%3" file size
inline constexpr int kViolations = 4121; // "%1" rows
inline constexpr int kLogStopped = 4122; // "%1": why
inline constexpr int kChooseFile = 4123;
inline constexpr int kTrendTitle = 4124;
inline constexpr int kLive = 4125;
inline constexpr int kOpenLog = 4126;
inline constexpr int kExportPng = 4127;
inline constexpr int kNoValues = 4128;
// The statistics table's column heads after the item column: current, mean, min, max, std dev, count.
inline constexpr std::array<int, 6> kStatisticsHeader = {4129, 4130, 4131, 4132, 4133, 4134};

} // namespace tarnix::dtx
