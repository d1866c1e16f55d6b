#include "files/csv_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "files/file_io.h"
#include "model/safe_file.h"

namespace tarnix {

namespace {

constexpr const char* kNotCsv = "This is not a CSV file!";
// A CSV line is a voltage and two zero columns; anything beyond this is not a file we wrote.
constexpr std::size_t kMaxCsvBytes = 64u * 1024u * 1024u;
constexpr std::uint32_t kWindowSamples = 512000;
constexpr std::uint32_t kGroupSamples = 100;

std::string_view TrimLeadingBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimTrailingWhite(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n' || text.back() == '\v' || text.back() == '\f')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view AfterLastEquals(std::string_view line) {
    std::size_t pos = line.rfind('=');
    return pos == std::string_view::npos ? line : line.substr(pos + 1);
}

// A raw code kept as a 16-bit sample: the signed 16-bit range saturates instead of wrapping.
std::uint16_t ToSample(int code) {
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(code, -32768, 32767)));
}

} // namespace

std::vector<std::uint16_t> BuildModel2ExportRecord(std::span<const std::uint16_t> record,
                                                   std::uint16_t horizontalPosition) {
    if (record.size() == kCsvExportPoints) {
        return {record.begin(), record.end()};
    }
    const auto n = static_cast<std::int64_t>(record.size());
    const double h = horizontalPosition;
    const auto trigger = static_cast<std::int64_t>(static_cast<double>(n) * h * 0.002);
    const auto before = static_cast<std::int64_t>(h * 1024.0);
    const std::int64_t first = trigger - before;
    auto sampleAt = [&](std::int64_t index) -> std::int16_t {
        return (index >= 0 && index < n) ? static_cast<std::int16_t>(record[static_cast<std::size_t>(index)])
                                         : std::int16_t{0};
    };

    std::vector<std::uint16_t> out;
    out.reserve(kCsvExportPoints);
    for (std::uint32_t group = 0; group < kWindowSamples / kGroupSamples; ++group) {
        const std::int64_t base = first + static_cast<std::int64_t>(group) * kGroupSamples;
        std::int16_t minValue = sampleAt(base);
        std::int16_t maxValue = minValue;
        std::uint32_t minPos = 0;
        std::uint32_t maxPos = 0;
        for (std::uint32_t k = 1; k < kGroupSamples; ++k) {
            std::int16_t v = sampleAt(base + k);
            if (v < minValue) {
                minValue = v;
                minPos = k;
            } else if (v > maxValue) {
                maxValue = v;
                maxPos = k;
            }
        }
        if (maxPos > minPos) {
            out.push_back(static_cast<std::uint16_t>(minValue));
            out.push_back(static_cast<std::uint16_t>(maxValue));
        } else {
            out.push_back(static_cast<std::uint16_t>(maxValue));
            out.push_back(static_cast<std::uint16_t>(minValue));
        }
    }
    return out;
}

std::string FormatCsv(double secondsPerDiv, const ChannelSettings& channel,
                      std::span<const std::uint16_t> points, bool writeSize) {
    std::string text;
    text.reserve(32 + points.size() * 16);
    text += "#CLOCK=";
    AppendFixed(text, secondsPerDiv, 9);
    text += "\r\n";
    if (!writeSize) {
        return text;
    }
    text += "#SIZE=" + std::to_string(points.size()) + "\r\n";
    for (std::uint16_t s : points) {
        AppendFixed(text, CodeToVolts(channel, static_cast<std::int16_t>(s)), 6);
        text += ",0,0\r\n";
    }
    return text;
}

CsvSaveResult SaveCsvFile(const std::string& path, const InstrumentSettings& settings,
                          std::uint16_t saveChannel, std::span<const std::uint16_t> processedRecord) {
    CsvSaveResult result;
    const ChannelSettings& channel = settings.ch(saveChannel == 0 ? kCh1 : kCh2);
    const std::size_t length = std::min<std::size_t>(channel.recordLength, processedRecord.size());
    const auto record = processedRecord.first(length);
    const double secondsPerDiv = SecondsPerDiv(settings.timebase);

    std::string text;
    switch (settings.model) {
    case 0:
    case 1:
        text = FormatCsv(secondsPerDiv, channel, record, true);
        break;
    case 2: {
        std::vector<std::uint16_t> exported =
            BuildModel2ExportRecord(record, settings.timebase.horizontalPosition);
        if (length != kCsvExportPoints) {
            result.newDecimationSpan = kCsvExportDecimationSpan;
        }
        text = FormatCsv(secondsPerDiv, channel, exported, true);
        break;
    }
    default:
        text = FormatCsv(secondsPerDiv, channel, {}, false);
        break;
    }
    int error = WriteFileSafely(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    if (error != 0) {
        result.message = CannotSaveMessage(error);
        return result;
    }
    result.ok = true;
    return result;
}

CsvLoadResult LoadCsvFile(const std::string& path, const InstrumentSettings& settings) {
    CsvLoadResult result;
    if (!HasExtension(path, ".csv")) {
        result.message = kNotCsv;
        return result;
    }
    FileBytes file = ReadFileBytes(path, kMaxCsvBytes);
    if (!file.ok) {
        result.message = CannotOpenMessage(file.errorNumber);
        return result;
    }
    std::string_view text(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size());
    std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty()) {
        result.message = kNotCsv;
        return result;
    }

    // Line 1: the first time base within a nanosecond of the stored time per division, else the first.
    const double clock = ParseLeadingDouble(TrimLeadingBlanks(TrimTrailingWhite(AfterLastEquals(lines[0]))));
    const int offset = settings.timebase.timeDivOffset;
    const int lastIndex = kTimePerDivCount - 1 - offset;
    int match = 0;
    for (int i = 0; i <= lastIndex; ++i) {
        if (std::fabs(TimePerDivTable(i + offset) - clock) < 1e-9) {
            match = i;
            break;
        }
    }
    result.timeDivIndex = static_cast<std::uint16_t>(match);

    if (lines.size() < 2) {
        result.message = kNotCsv;
        return result;
    }
    const int count = ParseLeadingInt(TrimTrailingWhite(AfterLastEquals(lines[1])));
    if (count != 10240 && count != 32768) {
        result.message = kNotCsv;
        return result;
    }
    const auto n = static_cast<std::size_t>(count);
    // A file that ends before its announced points is refused rather than read in part.
    if (lines.size() < n + 2) {
        result.message = kNotCsv;
        return result;
    }

    const ChannelSettings& ch1 = settings.ch(kCh1);
    result.samples.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        std::string_view line = lines[k + 2];
        line = line.substr(0, line.find(','));
        result.samples[k] = ToSample(VoltsToCode(ch1, ParseLeadingDouble(line)));
    }
    result.pointCount = static_cast<std::uint32_t>(n);
    result.ok = true;
    return result;
}

CsvLoadCompletion PlanCsvLoadCompletion(const InstrumentSettings& settings, std::uint32_t pointCount) {
    CsvLoadCompletion plan;
    int needed = -1;
    if (settings.model == 0 || settings.model == 1) {
        needed = pointCount == 32768 ? 3 : 0;
    } else if (settings.model == 2) {
        needed = 0;
    }
    if (needed >= 0 && needed != settings.timebase.bufferSizeIndex) {
        plan.bufferSizeIndex = needed;
    }
    plan.stop = true;
    plan.switchCh2Off = settings.ch(kCh2).enabled != 0;
    return plan;
}

} // namespace tarnix
