// CSV waveform files: one channel's record as volts, with the time per division and the point count in two
// header lines. The document calls these with its settings and the channel's processed record and carries
// out what the result asks for (messages, setters, redraws).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/file_result.h"
#include "model/instrument_settings.h"

namespace tarnix {

// Points of model 2's export record.
inline constexpr std::uint32_t kCsvExportPoints = 10240;
// Decimation span a model-2 export gives the exported channel.
inline constexpr std::int32_t kCsvExportDecimationSpan = 25000;

struct CsvSaveResult : FileResult {
    // Not 0 when the save changed the exported channel's decimation span (model 2 with a large record):
    // the document stores it in the channel's frame.
    std::int32_t newDecimationSpan = 0;
};

// Writes the channel named by `saveChannel` (0 CH1, anything else CH2). `processedRecord` is that
// channel's processed record; its first `recordLength` samples are written (fewer if the span is shorter).
CsvSaveResult SaveCsvFile(const std::string& path, const InstrumentSettings& settings,
                          std::uint16_t saveChannel, std::span<const std::uint16_t> processedRecord);

// Model 2's 10240-point export record of a channel record, for a horizontal trigger position 0..500.
// Samples the window would take from outside the record count as 0.
std::vector<std::uint16_t> BuildModel2ExportRecord(std::span<const std::uint16_t> record,
                                                   std::uint16_t horizontalPosition);

// The text of a CSV file for `points` in the given channel's scale and time base.
std::string FormatCsv(double secondsPerDiv, const ChannelSettings& channel,
                      std::span<const std::uint16_t> points, bool writeSize);

struct CsvLoadResult : FileResult {
    // On success: the time base that line 1 names, for the document to select.
    std::uint16_t timeDivIndex = 0;
    // On success: CH1's new record length (10240 or 32768) and its samples, raw codes in CH1's scale.
    std::uint32_t pointCount = 0;
    std::vector<std::uint16_t> samples;
};

// Reads a CSV file. Converts the voltages with CH1's current position, volts/div and probe. Refuses, with
// "This is not a CSV file!", a point count other than 10240 or 32768 and a file with fewer lines than it
// announces; a refused file leaves the time base as it was, so nothing the user sees changes.
CsvLoadResult LoadCsvFile(const std::string& path, const InstrumentSettings& settings);

// What completes a successful load, for the document to carry out through its setters in this order:
// bring the buffer size in line with the point count, stop acquisition, switch CH2 off.
struct CsvLoadCompletion {
    int bufferSizeIndex = -1; // -1: keep; else apply the record-length rule for it, then store it
    bool stop = true;
    bool switchCh2Off = false;
};
CsvLoadCompletion PlanCsvLoadCompletion(const InstrumentSettings& settings, std::uint32_t pointCount);

} // namespace tarnix
