// A minimal rasteriser for the traces: one-pixel polylines and dots written straight into a 32-bit
// pixel buffer. The screen draws up to 36 polylines of 5000 points per tick, which a general
// painter strokes far too slowly; this needs a few nanoseconds per pixel.
#pragma once

#include <cstdint>

namespace tarnix {

struct RasterPoint {
    int x = 0;
    int y = 0;
};

// A pixel buffer in 0xAARRGGBB words, addressed in its own (device) pixels. A line or a dot is
// `thickness` pixels wide (more than one on a high-density screen), extending right and down from the
// pixel it is drawn at, so every part of a line has the same width.
struct RasterTarget {
    std::uint32_t* pixels = nullptr;
    int stride = 0; // words per row
    int width = 0;
    int height = 0;
    int thickness = 1;
    // Drawing coordinates of the buffer's first pixel: a target over part of a picture (the part being
    // repainted) takes the picture's coordinates and leaves everything outside that part alone.
    int originX = 0;
    int originY = 0;
    // When set, one flag per buffer row: the polylines and dots set the flags of the rows they may
    // write (set flags are never cleared), so a later frame knows which rows to repaint.
    std::uint8_t* touchedRows = nullptr;
    bool Valid() const { return pixels != nullptr && width > 0 && height > 0 && thickness >= 1; }
};

// Lines through the points in order, both ends of every segment included. Pixels outside the
// buffer are skipped.
void RasterPolyline(const RasterTarget& target, const RasterPoint* points, int count, std::uint32_t rgb);
// One dot per point.
void RasterPoints(const RasterTarget& target, const RasterPoint* points, int count, std::uint32_t rgb);
// A rectangle, clipped to the buffer. Rows go out with streaming stores where the
// processor has them: clearing the screen 33 times a second need not read the old picture first.
void RasterFill(const RasterTarget& target, int x, int y, int width, int height, std::uint32_t rgb);

} // namespace tarnix
