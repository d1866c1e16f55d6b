// The statistics table on the waveform screen: in the place of the measurement texts, in their font and
// their channels' colours, so it covers no more of the traces than they do.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class QPainter;
class QRect;

namespace tarnix {

struct PlotRect;
struct MeasureItem;
class CLanguageTable;
class CMeasureStatistics;

// An item's name in full in the current language: "CH1 Frequency", "CH1 Frequenz".
std::string ItemTitle(const CLanguageTable& language, const MeasureItem& item);

// Draws the header and one row per item bottom-up from the plot's bottom edge, within the band the
// measurement texts use (from W/8 to the right edge, from H/8 + 2 x (H/15) above the bottom); a band
// too small for every row and column in full gets a smaller font. `colours` are CH1, CH2 and MATH.
// Returns the rectangle drawn on (empty without items).
QRect PaintStatisticsTable(QPainter& painter, const PlotRect& plot, const CMeasureStatistics& statistics,
                           const std::array<std::uint32_t, 3>& colours, const CLanguageTable& language);

} // namespace tarnix
