#include "display/spectrum_painter.h"

#include <algorithm>

namespace tarnix {

SpectrumView MakeSpectrumView(const FftSettings& settings, const FftResults& results) {
    SpectrumView view;
    view.displayOn = settings.running != 0;
    view.values = results.spectrum.data();
    view.frequenciesHz = results.binFrequency.data();
    // A setup may hold any bin count; the arrays hold at most kFftMaxBins points.
    view.pointCount = std::clamp(results.binCount, 0, kFftMaxBins);
    view.zoom = NormalizeFftZoom(settings.horizontalZoom);
    view.unitsPerDiv = settings.verticalScale;
    view.scaleMode = settings.scale == kFftScaleDb ? 0 : 1;
    return view;
}

} // namespace tarnix
