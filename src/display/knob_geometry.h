// Geometry of the rotary knob of the sidebar: the picture's fixed ellipses, the needle for a setting
// index and the setting index under the pointer. Pure functions in the knob's logical pixels, so the
// widget only paints and the mapping is tested without a window.
#pragma once

namespace tarnix {

// What a knob shows: a channel's volts/div or the time base.
enum KnobKind : int { kKnobCh1Volts = 0, kKnobCh2Volts = 1, kKnobTimeDiv = 4 };

// The client size the picture needs (the end stops reach 88 x 86).
inline constexpr int kKnobWidth = 88;
inline constexpr int kKnobHeight = 86;

// Ellipses as bounding boxes, right and bottom exclusive.
struct KnobBox {
    int left;
    int top;
    int right;
    int bottom;
};
inline constexpr KnobBox kKnobArcBox{6, 6, 81, 79};
inline constexpr KnobBox kKnobStopBox{-1, -1, 88, 86};
inline constexpr KnobBox kKnobBodyBox{9, 9, 78, 76};
inline constexpr KnobBox kKnobFaceBox{15, 15, 72, 70};
inline constexpr KnobBox kKnobCapBox{37, 37, 50, 48};

// The needle turns about this point; the pointer is measured from the face's true centre.
inline constexpr int kKnobNeedleX = 43;
inline constexpr int kKnobNeedleY = 42;
inline constexpr int kKnobNeedleLength = 24;
inline constexpr double kKnobCentreX = 43.5;
inline constexpr double kKnobCentreY = 42.5;

// The arc's end points: open at the bottom, drawn counter-clockwise from the first to the second.
inline constexpr int kKnobArcStartX = 87;
inline constexpr int kKnobArcStartY = 85;
inline constexpr int kKnobArcEndX = 0;
inline constexpr int kKnobArcEndY = 85;

struct KnobPoint {
    int x = 0;
    int y = 0;
    bool operator==(const KnobPoint&) const = default;
};

// Highest index a knob of `kind` reaches on `model`: volts/div 9 on models 4 and 5, else 8; time/div
// 38 on models 4 and 5, else 37.
int KnobMaxIndex(int model, int kind);

// The needle's scale value 0..87 for `index` of 0..maxIndex (87 at index 0, 0 at the highest).
int KnobNeedleValue(int maxIndex, int index);
// The needle's angle in radians; sin and cos of it give the end point's x and y offsets.
double KnobNeedleAngle(int maxIndex, int index);
// The needle's far end; index maxIndex points down-left, index 0 down-right.
KnobPoint KnobNeedleEnd(int maxIndex, int index);

// The pointer's place on the 270-degree scale, 0 (bottom left) .. 100 (bottom right), by its angle
// about the centre only; a pointer straight below the centre lands on an end, never mid-scale.
int KnobPointerPercent(double x, double y);
// The index the pointer asks for: maxIndex - percent x maxIndex / 100 (integer division).
int KnobIndexAt(double x, double y, int maxIndex);

// Start and sweep of the outer arc in degrees, counter-clockwise positive, 0 at three o'clock.
struct KnobArc {
    double startDegrees = 0.0;
    double spanDegrees = 0.0;
};
KnobArc KnobOuterArc();

} // namespace tarnix
