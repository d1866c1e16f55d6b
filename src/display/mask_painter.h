// The Pass/Fail mask as the screen shows it: the band above the upper limit and the band below the
// lower limit, filled in the mask colour while the panel is shown.
#pragma once

#include <QPolygon>
#include <cstdint>
#include <vector>

#include "analysis/pass_fail.h"
#include "display/screen_geometry.h"

class QPainter;

namespace tarnix {

// Buffers kept by the caller between repaints, so a repaint allocates nothing once warm.
struct MaskScratch {
    std::vector<MaskPoint> points;
    QPolygon polygon;
};

// Fills the two mask regions of `passFail` inside `plot` (nothing while the panel is hidden), without an
// outline and without antialiasing, so the filled pixels are exactly those of the region.
// Returns a fingerprint of the regions drawn (0 for none), which changes with the mask.
std::uint64_t PaintMask(QPainter& painter, const PlotRect& plot, const CPassFail& passFail,
                        MaskScratch& scratch);

} // namespace tarnix
