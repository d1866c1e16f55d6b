// A measurement followed over time (a kind on CH1, CH2 or MATH), its name and SI unit, and what gives its
// numbers their meaning: the settings whose change makes old and new values incomparable.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/instrument_settings.h"

namespace tarnix {

struct MeasureItem {
    int source = 0; // 0 CH1, 1 CH2, 2 MATH
    int kind = 0;   // MeasureKind 0..19
    bool operator==(const MeasureItem&) const = default;
};

bool ValidItem(const MeasureItem& item);
// "CH1 Vpp", "MATH Frequ"; "" for an invalid item.
std::string ItemName(const MeasureItem& item);
// "V", "s", "Hz" or "%".
std::string_view ItemUnit(const MeasureItem& item);
// "CH1", "CH2", "MATH"; "" otherwise.
std::string_view SourceName(int source);

// The settings a source's measurements depend on. MATH also depends on its operands, so a change of
// CH1 or CH2 counts as a change of MATH as well.
struct SourceMeaning {
    std::uint32_t enabled = 0;
    std::uint16_t voltsPerDivIndex = 0;
    std::uint16_t probe = 0;
    std::uint16_t coupling = 0;
    std::uint16_t mathOperator = 0; // MATH only
    std::uint16_t mathSources = 0;  // MATH only: source A x 2 + source B
    bool operator==(const SourceMeaning&) const = default;
};

struct MeasureMeaning {
    std::array<SourceMeaning, 3> sources{};
    std::uint16_t timeRow = 0; // row of the time-per-division table
    std::uint16_t displayFormat = 0;
    bool operator==(const MeasureMeaning&) const = default;
};

MeasureMeaning MeaningOf(const InstrumentSettings& settings);

// Bit s is set when the values of source s (0 CH1, 1 CH2, 2 MATH) mean something else after the change.
unsigned ChangedSources(const MeasureMeaning& before, const MeasureMeaning& after);
inline constexpr unsigned kAllSources = 0b111;

// What changed, one phrase per setting ("CH1 volts/div 1.00V -> 500mV"), for a log's comment lines.
std::vector<std::string> DescribeChanges(const MeasureMeaning& before, const MeasureMeaning& after);
// The settings themselves, one phrase per source and one for the time base, for a log's header.
std::vector<std::string> DescribeMeaning(const MeasureMeaning& meaning);

} // namespace tarnix
