// The statistics table on the waveform screen: in the place of the measurement texts, in their font and
// their channels' colours, so it covers no more of the traces than they do.
#pragma once

#include <array>
#include <cstdint>

class QPainter;

namespace tarnix {

struct PlotRect;
class CMeasureStatistics;

// Draws the header and one row per item bottom-up from the plot's bottom edge, within the band the
// measurement texts use (from H/8 + 2 x (H/15) above the bottom); a band too low for every row gets a
// smaller font. `colours` are CH1, CH2 and MATH.
void PaintStatisticsTable(QPainter& painter, const PlotRect& plot, const CMeasureStatistics& statistics,
                          const std::array<std::uint32_t, 3>& colours);

} // namespace tarnix
