// Zoom In, Zoom Out and Drag of the screen, as rules the document applies through its setters: which
// way a mouse press steps the time base, and which horizontal position a dragged marker stands for.
#pragma once

#include "model/instrument_settings.h"

namespace tarnix {

enum class MouseButton { kLeft, kRight };

// Time-base step for a button press in the current mouse mode: -1 one step faster, +1 one step
// slower, 0 nothing. Zoom In: left inside the plot is faster, right anywhere on the screen slower;
// Zoom Out exchanges the directions. Neither mode on: 0.
int ZoomStep(const AcquireSettings& acquire, MouseButton button, bool insidePlot);

// The trigger-position marker moved by dx pixels, held between the plot's left and right edges.
int DragMarker(int markerX, int dx, int left, int right);
// Horizontal position of a marker: trunc((x - left + 1) / (right - left) x 500); 250 for an empty plot.
int MarkerToPosition(int markerX, int left, int right);

} // namespace tarnix
