// "Save Waveform": both channels' display traces as a text table of volts for office programs. Every
// extension offered (.doc, .xls, .txt) gets the same 8-bit text with CR LF line ends.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "files/file_result.h"
#include "model/instrument_settings.h"

namespace tarnix {

// The text for CH1's and CH2's 5000-point display traces; a channel that is off gets its "OFF" line.
std::string FormatWaveformText(const InstrumentSettings& settings, std::span<const std::int16_t> ch1Display,
                               std::span<const std::int16_t> ch2Display);

// Writes that text to `path`; "Cann't save file: %s" when it cannot be created.
FileResult ExportWaveformText(const std::string& path, const InstrumentSettings& settings,
                              std::span<const std::int16_t> ch1Display,
                              std::span<const std::int16_t> ch2Display);

} // namespace tarnix
