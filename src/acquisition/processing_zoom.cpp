#include "acquisition/processing_zoom.h"

#include <algorithm>

namespace tarnix {

int ZoomStep(const AcquireSettings& acquire, MouseButton button, bool insidePlot) {
    int faster = 0;
    if (acquire.zoomIn != 0) {
        faster = -1;
    } else if (acquire.zoomOut != 0) {
        faster = 1;
    } else {
        return 0;
    }
    if (button == MouseButton::kLeft) {
        return insidePlot ? faster : 0;
    }
    return -faster;
}

int DragMarker(int markerX, int dx, int left, int right) {
    if (right < left) {
        return markerX;
    }
    return std::clamp(markerX + dx, left, right);
}

int MarkerToPosition(int markerX, int left, int right) {
    if (right <= left) {
        return 250;
    }
    return static_cast<int>(static_cast<double>(markerX - left + 1) / (right - left) * 500.0);
}

} // namespace tarnix
