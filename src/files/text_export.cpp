#include "files/text_export.h"

#include <algorithm>

#include "files/file_io.h"
#include "model/safe_file.h"

namespace tarnix {

namespace {

constexpr std::size_t kExportPoints = 5000;

void AppendPoints(std::string& out, const ChannelSettings& channel, std::span<const std::int16_t> display) {
    const std::size_t count = std::min(display.size(), kExportPoints);
    for (std::size_t i = 0; i < count; ++i) {
        AppendFixed(out, CodeToVolts(channel, display[i]), 6);
        out += "\r\n";
    }
}

void AppendBlockHeader(std::string& out, const char* name, double secondsPerDiv, bool clockUnit) {
    out += "#CHANNEL:";
    out += name;
    out += "\r\n#CLOCK=";
    AppendFixed(out, secondsPerDiv, 9);
    out += clockUnit ? "S\r\n" : "\r\n";
    out += "#SIZE=5000\r\n#UNITS:V\r\n\r\n";
}

} // namespace

std::string FormatWaveformText(const InstrumentSettings& settings, std::span<const std::int16_t> ch1Display,
                               std::span<const std::int16_t> ch2Display) {
    const double secondsPerDiv = SecondsPerDiv(settings.timebase);
    std::string out;
    out.reserve(2 * kExportPoints * 14 + 200);
    if (settings.ch(kCh1).enabled != 0) {
        AppendBlockHeader(out, "CH1", secondsPerDiv, true);
        AppendPoints(out, settings.ch(kCh1), ch1Display);
    } else {
        out += "CH1 OFF\r\n\r\n";
    }
    if (settings.ch(kCh2).enabled != 0) {
        out += "\r\n";
        AppendBlockHeader(out, "CH2", secondsPerDiv, false);
        AppendPoints(out, settings.ch(kCh2), ch2Display);
    } else {
        out += "\r\n\r\nCH2 OFF\r\n\r\n";
    }
    return out;
}

FileResult ExportWaveformText(const std::string& path, const InstrumentSettings& settings,
                              std::span<const std::int16_t> ch1Display,
                              std::span<const std::int16_t> ch2Display) {
    const std::string text = FormatWaveformText(settings, ch1Display, ch2Display);
    if (int error = WriteFileSafely(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
        error != 0) {
        return FileResult::Refused(CannotSaveMessage(error));
    }
    return FileResult::Success();
}

} // namespace tarnix
