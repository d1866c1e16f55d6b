// Geometry of the info strip below the waveform screen: the three boxes (CH1, CH2, time base) for a
// client width, where each text goes inside a box, and the small coupling symbols. Pure functions in
// logical pixels.
#pragma once

#include <array>
#include <vector>

namespace tarnix {

struct StripBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    bool operator==(const StripBox&) const = default;
};

struct InfoStripBoxes {
    StripBox ch1;
    StripBox ch2;
    StripBox time;
};

// A channel's box is 12 pixels wider while its bandwidth limit is on, to make room for the "B".
InfoStripBoxes ComputeInfoStripBoxes(int clientWidth, bool ch1BandwidthLimit, bool ch2BandwidthLimit);

struct StripPoint {
    int x = 0;
    int y = 0;
    bool operator==(const StripPoint&) const = default;
};

// Where things go inside a box (top-left corners of the texts; the symbol's cell origin).
StripPoint CouplingSymbolOrigin(const StripBox& box); // (left + 28, 12)
StripPoint ValueTextOrigin(const StripBox& box);      // (left + 42, 6)
StripPoint NameTextOrigin(const StripBox& box);       // (left + 2, 6)
StripPoint BandwidthTextOrigin(const StripBox& box);  // (left + 87, 6)

// The coupling symbol as one-pixel line segments inside a 12-pixel cell (x 0..11, y -6..5 about the
// origin): DC a solid line over a dashed one, AC one period of a wave, GND the earth sign.
struct StripSegment {
    StripPoint from;
    StripPoint to;
};
std::vector<StripSegment> CouplingSymbol(int coupling);

// Full screen hides the strips. Its volts labels sit near the top of the plot, and the information
// line that stands in for the strips runs across the plot; the measurement texts fill rows up from
// the bottom. Heights are the fonts' cell heights in pixels.
inline constexpr int kScaleLabelsOffset = 20; // below the plot's top edge
inline constexpr int kScaleLabelHeight = 25;
inline constexpr int kInformationHeight = 20;
// The information line's top edge: under the volts labels, clear of the measurement rows.
int InformationLineTop(int plotTop, int plotBottom);

} // namespace tarnix
