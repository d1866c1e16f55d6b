#include "display/knob_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarnix {

namespace {

bool WideModel(int model) {
    return model == 4 || model == 5;
}

// Angle of a point seen from the arc box's centre, counter-clockwise from three o'clock (y grows down).
double DegreesFromArcCentre(double x, double y) {
    const double cx = (kKnobArcBox.left + kKnobArcBox.right) / 2.0;
    const double cy = (kKnobArcBox.top + kKnobArcBox.bottom) / 2.0;
    return std::atan2(-(y - cy), x - cx) * 180.0 / std::numbers::pi;
}

} // namespace

int KnobMaxIndex(int model, int kind) {
    if (kind == kKnobTimeDiv) {
        return WideModel(model) ? 38 : 37;
    }
    return WideModel(model) ? 9 : 8;
}

int KnobNeedleValue(int maxIndex, int index) {
    if (maxIndex <= 0) {
        return 0;
    }
    const int v = (maxIndex - index) * 87 / maxIndex;
    return std::clamp(v, 0, 87);
}

double KnobNeedleAngle(int maxIndex, int index) {
    const double v = KnobNeedleValue(maxIndex, index);
    return (-0.75 * v - 12.5) * 2.0 * std::numbers::pi / 87.0;
}

KnobPoint KnobNeedleEnd(int maxIndex, int index) {
    const double a = KnobNeedleAngle(maxIndex, index);
    const int s = static_cast<int>(kKnobNeedleLength * std::sin(a));
    const int c = static_cast<int>(kKnobNeedleLength * std::cos(a));
    return {kKnobNeedleX + s, kKnobNeedleY + c};
}

int KnobPointerPercent(double x, double y) {
    const double theta = std::atan2(x - kKnobCentreX, -(y - kKnobCentreY));
    const double p = (theta * 100.0 / (2.0 * std::numbers::pi) + 37.5) * 4.0 / 3.0;
    return static_cast<int>(std::clamp(p, 0.0, 100.0));
}

int KnobIndexAt(double x, double y, int maxIndex) {
    return maxIndex - (KnobPointerPercent(x, y) * maxIndex) / 100;
}

KnobArc KnobOuterArc() {
    const double start = DegreesFromArcCentre(kKnobArcStartX, kKnobArcStartY);
    double end = DegreesFromArcCentre(kKnobArcEndX, kKnobArcEndY);
    while (end <= start) {
        end += 360.0;
    }
    return {start, end - start};
}

} // namespace tarnix
