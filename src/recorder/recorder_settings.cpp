#include "recorder/recorder_settings.h"

#include <algorithm>
#include <cmath>

namespace tarnix {

bool RecorderSettingsInRange(const RecorderSettings& s, int timeDivOffset) {
    const int lastTimeDiv = 38 - std::clamp(timeDivOffset, 0, 1);
    const int playEndFloor = std::max<int>(s.playEndFrame, 1);
    return s.recordSource <= 1 && s.recordEndFrame <= 1000 && s.recordInterval >= 1 &&
           s.recordInterval <= kMaxRecorderInterval && s.recordedCount <= 1000 &&
           s.timeDivIndex <= lastTimeDiv && s.voltsPerDivIndex <= 9 && std::isfinite(s.verticalPosition) &&
           s.verticalPosition >= 0.0f && s.verticalPosition <= 255.0f && s.coupling <= 2 && s.probe <= 3 &&
           s.bandwidthLimit >= 0 && s.bandwidthLimit <= 1 && s.playing >= 0 && s.playing <= 1 &&
           s.playStartFrame >= 1 && s.playStartFrame <= playEndFloor && s.horizontalPosition <= 500 &&
           s.playInterval >= 1 && s.playInterval <= kMaxRecorderInterval &&
           s.playEndFrame <= s.recordedCount && s.currentFrame >= 1 && s.currentFrame <= playEndFloor &&
           s.repeat >= 0 && s.repeat <= 1;
}

} // namespace tarnix
