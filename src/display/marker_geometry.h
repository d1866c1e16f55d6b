// Pure geometry of the screen's markers: where each marker sits, its window-mode and full-screen
// shapes, the order they are drawn and hit-tested in, and the value a drag gives.
#pragma once

#include <array>
#include <cstdint>

#include "display/screen_geometry.h"

namespace tarnix {

struct Pt {
    int x = 0;
    int y = 0;
    friend bool operator==(const Pt&, const Pt&) = default;
};

// The markers, numbered as the drag flags and the hit test know them.
enum MarkerId : int {
    kMarkerTrigPos = 0,
    kMarkerCh1 = 1,
    kMarkerCh2 = 2,
    kMarkerMath = 3,
    kMarkerRef = 4,
    kMarkerLevelCh1 = 5,
    kMarkerLevelCh2 = 6,
    kMarkerLevelExt = 7,
    kMarkerXYCh1 = 8,
    kMarkerCount = 9
};

// Values of topMarker: which marker (group) is drawn last.
enum TopMarker : int { kTopTrigPos = 0, kTopCh1 = 1, kTopCh2 = 2, kTopMath = 3, kTopRef = 4, kTopLevels = 5 };

// Where the trigger-position marker points: dragged past the left edge, past the right, on screen.
enum PositionMarkerState : int { kPosPastLeft = 0, kPosPastRight = 1, kPosOnScreen = 3 };

// A window-mode marker: a filled pentagon and the top-left corner of its one-letter label.
struct MarkerShape {
    std::array<Pt, 5> polygon{};
    Pt label;
};
// A full-screen marker: a 2-pixel polyline of three points and one further segment.
struct ArrowShape {
    std::array<Pt, 3> polyline{};
    std::array<Pt, 2> segment{};
};

struct HitRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    int MiddleY() const { return (top + bottom) / 2; }
};
HitRect BoundingBox(const MarkerShape& shape);

MarkerShape ChannelMarkerShape(Pt at, int channel); // label offset differs per channel
ArrowShape ChannelMarkerArrow(Pt at);
MarkerShape XYMarkerShape(Pt at);
ArrowShape XYMarkerArrow(Pt at);
MarkerShape TriggerLevelMarkerShape(Pt at, int levelMarkerState);
ArrowShape TriggerLevelMarkerArrow(Pt at, int levelMarkerState);
MarkerShape PositionMarkerShape(Pt at, int positionMarkerState);
ArrowShape PositionMarkerArrow(Pt at, int positionMarkerState);

// Marker positions (client pixels, single precision).
float ChannelMarkerY(const PlotRect& plot, float zeroLevel);
float XYMarkerX(const PlotRect& plot, float ch1ZeroLevel);
float PositionMarkerX(const PlotRect& plot, int horizontalPosition);

// The trigger-level marker: its level point on the right border and its state. A stored state of 0
// for a level that lies off the plot is taken from the level itself.
struct LevelMarkerPlacement {
    Pt levelPoint;  // (R + marginX, y clamped into [T, B])
    Pt markerPoint; // level point, or moved off it for the off-screen shapes
    int state = 0;
};
LevelMarkerPlacement PlaceTriggerLevelMarker(const PlotRect& plot, int marginX, float level, int storedState);

// A channel's zero level moved its marker by dy pixels: the trigger level of that channel follows
// by the same number of pixels. Off the plot the point is held at the edge and the level kept.
struct LevelFollow {
    float level = 0.0f;
    int state = 0;
    int pointY = 0;
};
LevelFollow FollowZeroLevel(const PlotRect& plot, int levelPointY, float dyPixels, float oldLevel);

// Drag results.
struct PositionDrag {
    int markerX = 0;
    int horizontalPosition = 0;
    int state = kPosOnScreen;
};
PositionDrag DragPositionMarker(const PlotRect& plot, int x);
// Level on the code scale for a pointer at y: 0 above the top, 256 below the bottom.
float LevelFromY(const PlotRect& plot, int y);
// CH1 zero level from the X-Y marker dragged to x.
float XYZeroLevelFromX(const PlotRect& plot, int x);

// Drawing order for a topMarker value: six groups, the last one named by topMarker.
std::array<int, 6> MarkerDrawOrder(int topMarker);

// Hit-test order: the markers to try, in order, for the current format and state.
struct HitTestInput {
    int displayFormat = 0; // 0 Y-T, 1 Roll, 2 X-Y
    bool running = true;
    std::array<bool, 4> channelOn{};
    int triggerSource = 0; // 0 CH1, 1 CH2, 2 ALT, 3 EXT, 4 EXT/10
};
struct HitTestOrder {
    std::array<int, kMarkerCount> markers{};
    int count = 0;
};
HitTestOrder MarkerHitTestOrder(const HitTestInput& in);

// The trigger-level markers shown for a trigger source (ALT shows both channel levels).
bool LevelMarkerShown(int levelMarker, int triggerSource);

// topMarker value for a grabbed marker (5 for every trigger level, CH1 for the X-Y marker).
int TopMarkerFor(int marker);

} // namespace tarnix
