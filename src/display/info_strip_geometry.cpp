#include "display/info_strip_geometry.h"

#include <algorithm>

namespace tarnix {

InfoStripBoxes ComputeInfoStripBoxes(int clientWidth, bool ch1BandwidthLimit, bool ch2BandwidthLimit) {
    InfoStripBoxes boxes;
    boxes.ch1 = {2, 2, ch1BandwidthLimit ? 100 : 88, 23};
    boxes.ch2 = {132, 2, ch2BandwidthLimit ? 232 : 220, 23};
    boxes.time = {clientWidth - 98, 2, clientWidth, 23};
    return boxes;
}

StripPoint CouplingSymbolOrigin(const StripBox& box) {
    return {box.left + 28, 12};
}

StripPoint ValueTextOrigin(const StripBox& box) {
    return {box.left + 42, 6};
}

StripPoint NameTextOrigin(const StripBox& box) {
    return {box.left + 2, 6};
}

StripPoint BandwidthTextOrigin(const StripBox& box) {
    return {box.left + 87, 6};
}

std::vector<StripSegment> CouplingSymbol(int coupling) {
    std::vector<StripSegment> segments;
    switch (coupling) {
    case 0: // DC: a solid line above three dashes
        segments.push_back({{0, -2}, {11, -2}});
        for (int x = 0; x < 12; x += 4) {
            segments.push_back({{x, 1}, {x + 2, 1}});
        }
        break;
    case 1: // AC: a wave of one period, drawn as short strokes
        segments.push_back({{0, 0}, {2, -3}});
        segments.push_back({{2, -3}, {4, -3}});
        segments.push_back({{4, -3}, {7, 3}});
        segments.push_back({{7, 3}, {9, 3}});
        segments.push_back({{9, 3}, {11, 0}});
        break;
    default: // GND: a stem and three shrinking bars
        segments.push_back({{5, -5}, {5, -1}});
        segments.push_back({{0, -1}, {11, -1}});
        segments.push_back({{2, 1}, {9, 1}});
        segments.push_back({{4, 3}, {7, 3}});
        break;
    }
    return segments;
}

int InformationLineTop(int plotTop, int plotBottom) {
    // Under the volts labels: the bottom rows belong to the measurement texts at every screen size.
    constexpr int kGap = 6;
    return std::min(plotTop + kScaleLabelsOffset + kScaleLabelHeight + kGap, plotBottom - kInformationHeight);
}

} // namespace tarnix
