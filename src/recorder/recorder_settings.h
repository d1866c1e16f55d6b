// The recorder's settings and the context of the recording it holds, in the order setup files carry them.
#pragma once

#include <cstdint>

namespace tarnix {

inline constexpr int kMaxRecorderInterval = 20000; // ms
// `runStatus` while the player shows recorded frames ("PLAY").
inline constexpr std::uint16_t kStatusPlay = 5;

struct RecorderSettings {
    std::uint16_t recordSource = 0;      // 0 CH1, 1 CH2
    std::uint16_t recordEndFrame = 1000; // frames to record, 1..1000
    std::uint16_t recordInterval = 1;    // ms between recorded frames, 1..20000
    std::uint16_t recordedCount = 1000;  // N, frames held, 0..1000
    std::uint16_t timeDivIndex = 0;      // context of the recording ...
    std::uint16_t voltsPerDivIndex = 0;
    float verticalPosition = 0.0f;
    std::uint16_t coupling = 0;
    std::uint16_t probe = 0;
    std::int32_t bandwidthLimit = 0;
    std::int32_t playing = 0;
    std::uint16_t playStartFrame = 1; // 1-based
    std::uint16_t horizontalPosition = 0;
    std::int32_t reserved = 0;         // carried by files unchanged
    std::uint16_t playInterval = 1;    // ms between shown frames, 1..20000
    std::uint16_t playEndFrame = 1000; // 1-based, at most N
    std::uint16_t currentFrame = 1;    // 1-based
    std::int32_t repeat = 0;

    bool operator==(const RecorderSettings&) const = default;
};

// Whether every field lies within its range (`timeDivOffset` bounds the time-base index).
bool RecorderSettingsInRange(const RecorderSettings& settings, int timeDivOffset);

} // namespace tarnix
