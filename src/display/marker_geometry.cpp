#include "display/marker_geometry.h"

#include <algorithm>

namespace tarnix {

HitRect BoundingBox(const MarkerShape& shape) {
    HitRect r{shape.polygon[0].x, shape.polygon[0].y, shape.polygon[0].x, shape.polygon[0].y};
    for (const Pt& p : shape.polygon) {
        r.left = std::min(r.left, p.x);
        r.right = std::max(r.right, p.x);
        r.top = std::min(r.top, p.y);
        r.bottom = std::max(r.bottom, p.y);
    }
    return r;
}

MarkerShape ChannelMarkerShape(Pt at, int channel) {
    const int x = at.x;
    const int y = at.y;
    MarkerShape s;
    s.polygon = {Pt{x + 17, y}, Pt{x + 10, y + 6}, Pt{x, y + 6}, Pt{x, y - 5}, Pt{x + 10, y - 6}};
    switch (channel) {
    case 2:
        s.label = Pt{x + 2, y - 6};
        break;
    case 3:
        s.label = Pt{x + 3, y - 6};
        break;
    default:
        s.label = Pt{x + 4, y - 6};
        break;
    }
    return s;
}

ArrowShape ChannelMarkerArrow(Pt at) {
    const int x = at.x;
    const int y = at.y;
    return ArrowShape{{Pt{x, y}, Pt{x + 15, y}, Pt{x + 8, y - 7}}, {Pt{x + 15, y}, Pt{x + 8, y + 7}}};
}

MarkerShape XYMarkerShape(Pt at) {
    const int x = at.x;
    const int y = at.y;
    MarkerShape s;
    s.polygon = {Pt{x, y + 13}, Pt{x - 5, y + 7}, Pt{x - 5, y}, Pt{x + 6, y}, Pt{x + 6, y + 7}};
    s.label = Pt{x - 2, y - 1};
    return s;
}

ArrowShape XYMarkerArrow(Pt at) {
    const int x = at.x;
    const int y = at.y;
    return ArrowShape{{Pt{x, y}, Pt{x, y + 17}, Pt{x - 9, y + 8}}, {Pt{x, y + 17}, Pt{x + 9, y + 8}}};
}

MarkerShape TriggerLevelMarkerShape(Pt at, int state) {
    const int x = at.x;
    const int y = at.y;
    MarkerShape s;
    if (state == 2) {
        s.polygon = {Pt{x - 6, y}, Pt{x, y + 6}, Pt{x, y + 17}, Pt{x - 11, y + 17}, Pt{x - 11, y + 6}};
        s.label = Pt{x - 8, y + 4};
    } else if (state == 3) {
        s.polygon = {Pt{x - 6, y}, Pt{x, y - 6}, Pt{x, y - 17}, Pt{x - 11, y - 17}, Pt{x - 11, y - 6}};
        s.label = Pt{x - 8, y - 17};
    } else {
        s.polygon = {Pt{x - 17, y}, Pt{x - 12, y - 5}, Pt{x, y - 5}, Pt{x, y + 6}, Pt{x - 12, y + 6}};
        s.label = Pt{x - 9, y - 6};
    }
    return s;
}

ArrowShape TriggerLevelMarkerArrow(Pt at, int state) {
    const int x = at.x;
    const int y = at.y;
    if (state == 2) {
        return ArrowShape{{Pt{x - 8, y + 22}, Pt{x - 8, y + 8}, Pt{x - 16, y + 16}},
                          {Pt{x - 8, y + 8}, Pt{x, y + 16}}};
    }
    if (state == 3) {
        return ArrowShape{{Pt{x - 8, y - 22}, Pt{x - 8, y - 8}, Pt{x - 16, y - 16}},
                          {Pt{x - 8, y - 8}, Pt{x, y - 16}}};
    }
    return ArrowShape{{Pt{x, y}, Pt{x - 15, y}, Pt{x - 8, y - 7}}, {Pt{x - 15, y}, Pt{x - 8, y + 7}}};
}

MarkerShape PositionMarkerShape(Pt at, int state) {
    const int x = at.x;
    const int y = at.y;
    MarkerShape s;
    if (state == kPosPastLeft) {
        s.polygon = {Pt{x - 5, y + 5}, Pt{x, y}, Pt{x + 11, y}, Pt{x + 11, y + 11}, Pt{x, y + 11}};
        s.label = Pt{x + 2, y - 1};
    } else if (state == kPosPastRight) {
        s.polygon = {Pt{x + 5, y + 5}, Pt{x, y}, Pt{x - 11, y}, Pt{x - 11, y + 11}, Pt{x, y + 10}};
        s.label = Pt{x - 8, y - 1};
    } else {
        s.polygon = {Pt{x, y + 13}, Pt{x - 5, y + 7}, Pt{x - 5, y}, Pt{x + 6, y}, Pt{x + 6, y + 7}};
        s.label = Pt{x - 2, y - 2};
    }
    return s;
}

ArrowShape PositionMarkerArrow(Pt at, int state) {
    const int x = at.x;
    const int y = at.y;
    if (state == kPosPastLeft) {
        return ArrowShape{{Pt{x + 17, y + 12}, Pt{x + 2, y + 12}, Pt{x + 8, y + 6}},
                          {Pt{x + 2, y + 12}, Pt{x + 8, y + 18}}};
    }
    if (state == kPosPastRight) {
        return ArrowShape{{Pt{x - 17, y + 12}, Pt{x - 2, y + 12}, Pt{x - 8, y + 6}},
                          {Pt{x - 2, y + 12}, Pt{x - 8, y + 18}}};
    }
    return ArrowShape{{Pt{x, y}, Pt{x, y + 17}, Pt{x - 9, y + 8}}, {Pt{x, y + 17}, Pt{x + 9, y + 8}}};
}

float ChannelMarkerY(const PlotRect& plot, float zeroLevel) {
    return static_cast<float>(plot.top) + static_cast<float>(plot.Height()) * zeroLevel / 256.0f;
}

float XYMarkerX(const PlotRect& plot, float ch1ZeroLevel) {
    const float w = static_cast<float>(plot.Width());
    return static_cast<float>(plot.left) + 0.1f * w + (256.0f - ch1ZeroLevel) * (0.8f * w / 256.0f);
}

float PositionMarkerX(const PlotRect& plot, int horizontalPosition) {
    if (horizontalPosition <= 0) {
        return static_cast<float>(plot.left);
    }
    if (horizontalPosition >= 500) {
        return static_cast<float>(plot.right);
    }
    return static_cast<float>(plot.left) +
           static_cast<float>(horizontalPosition) * static_cast<float>(plot.Width()) * 0.002f;
}

LevelMarkerPlacement PlaceTriggerLevelMarker(const PlotRect& plot, int marginX, float level,
                                             int storedState) {
    const float yRaw = static_cast<float>(plot.top) + static_cast<float>(plot.Height()) * level / 256.0f;
    int state = storedState;
    if (state != 2 && state != 3) {
        state = yRaw < static_cast<float>(plot.top) ? 2 : (yRaw > static_cast<float>(plot.bottom) ? 3 : 0);
    }
    const float yClamped = std::clamp(yRaw, static_cast<float>(plot.top), static_cast<float>(plot.bottom));
    LevelMarkerPlacement p;
    p.levelPoint = Pt{plot.right + marginX, static_cast<int>(yClamped)};
    p.state = state;
    p.markerPoint = p.levelPoint;
    if (state == 2) {
        p.markerPoint = Pt{p.levelPoint.x - 4, p.levelPoint.y - 6};
    } else if (state == 3) {
        p.markerPoint = Pt{p.levelPoint.x - 4, p.levelPoint.y + 6};
    }
    return p;
}

LevelFollow FollowZeroLevel(const PlotRect& plot, int levelPointY, float dyPixels, float oldLevel) {
    const float moved = static_cast<float>(levelPointY) + dyPixels;
    LevelFollow f;
    if (moved < static_cast<float>(plot.top)) {
        f.state = 2;
        f.pointY = plot.top;
        f.level = oldLevel;
    } else if (moved > static_cast<float>(plot.bottom)) {
        f.state = 3;
        f.pointY = plot.bottom;
        f.level = oldLevel;
    } else {
        f.state = 0;
        f.pointY = static_cast<int>(moved);
        f.level = plot.Height() > 0
                      ? (moved - static_cast<float>(plot.top)) / static_cast<float>(plot.Height()) * 256.0f
                      : oldLevel;
    }
    return f;
}

PositionDrag DragPositionMarker(const PlotRect& plot, int x) {
    PositionDrag d;
    if (x < plot.left) {
        d = PositionDrag{plot.left, 0, kPosPastLeft};
    } else if (x > plot.right) {
        d = PositionDrag{plot.right, 500, kPosPastRight};
    } else {
        const int w = std::max(plot.Width(), 1);
        d = PositionDrag{x, std::min((x - plot.left + 1) * 500 / w, 500), kPosOnScreen};
    }
    return d;
}

float LevelFromY(const PlotRect& plot, int y) {
    if (plot.Height() <= 0 || y <= plot.top) {
        return 0.0f;
    }
    if (y >= plot.bottom) {
        return 256.0f;
    }
    return static_cast<float>(y - plot.top) / static_cast<float>(plot.Height()) * 256.0f;
}

float XYZeroLevelFromX(const PlotRect& plot, int x) {
    const float w = static_cast<float>(plot.Width());
    const float lo = static_cast<float>(plot.left) + 0.1f * w;
    const float hi = static_cast<float>(plot.right) - 0.1f * w;
    const float fx = static_cast<float>(x);
    if (fx <= lo || w <= 0.0f) {
        return 256.0f;
    }
    if (fx >= hi) {
        return 0.0f;
    }
    return 256.0f - (fx - lo) / (0.003125f * w);
}

std::array<int, 6> MarkerDrawOrder(int topMarker) {
    switch (topMarker) {
    case kTopTrigPos:
        return {kTopCh1, kTopCh2, kTopRef, kTopMath, kTopLevels, kTopTrigPos};
    case kTopCh2:
        return {kTopCh1, kTopRef, kTopMath, kTopLevels, kTopTrigPos, kTopCh2};
    case kTopMath:
        return {kTopCh1, kTopCh2, kTopRef, kTopLevels, kTopTrigPos, kTopMath};
    case kTopRef:
        return {kTopCh1, kTopCh2, kTopMath, kTopLevels, kTopTrigPos, kTopRef};
    case kTopLevels:
        return {kTopCh1, kTopCh2, kTopRef, kTopMath, kTopTrigPos, kTopLevels};
    default:
        return {kTopCh2, kTopRef, kTopMath, kTopLevels, kTopTrigPos, kTopCh1};
    }
}

bool LevelMarkerShown(int levelMarker, int triggerSource) {
    switch (levelMarker) {
    case kMarkerLevelCh1:
        return triggerSource == 0 || triggerSource == 2;
    case kMarkerLevelCh2:
        return triggerSource == 1 || triggerSource == 2;
    case kMarkerLevelExt:
        return triggerSource == 3 || triggerSource == 4;
    default:
        return false;
    }
}

HitTestOrder MarkerHitTestOrder(const HitTestInput& in) {
    HitTestOrder o;
    const auto add = [&o](int m) { o.markers[static_cast<std::size_t>(o.count++)] = m; };
    const bool yt = in.displayFormat == 0;
    const bool xy = in.displayFormat == 2;
    if (yt && in.running) {
        add(kMarkerTrigPos);
    }
    if (in.channelOn[0] && !xy) {
        add(kMarkerCh1);
    }
    if (in.channelOn[1]) {
        add(kMarkerCh2);
    }
    if (in.channelOn[2]) {
        add(kMarkerMath);
    }
    if (in.channelOn[3]) {
        add(kMarkerRef);
    }
    if (xy) {
        add(kMarkerXYCh1);
    }
    if (yt) {
        for (int m : {kMarkerLevelCh1, kMarkerLevelCh2, kMarkerLevelExt}) {
            if (LevelMarkerShown(m, in.triggerSource)) {
                add(m);
            }
        }
    }
    return o;
}

int TopMarkerFor(int marker) {
    switch (marker) {
    case kMarkerTrigPos:
        return kTopTrigPos;
    case kMarkerCh2:
        return kTopCh2;
    case kMarkerMath:
        return kTopMath;
    case kMarkerRef:
        return kTopRef;
    case kMarkerLevelCh1:
    case kMarkerLevelCh2:
    case kMarkerLevelExt:
        return kTopLevels;
    default:
        return kTopCh1;
    }
}

} // namespace tarnix
