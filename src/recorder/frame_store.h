// The recorder's frame store: 1000 frames of one channel's 5000-point display trace, allocated once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarnix {

inline constexpr int kRecorderFrames = 1000;
inline constexpr int kFramePoints = 5000;
inline constexpr std::size_t kFrameStoreSamples = static_cast<std::size_t>(kRecorderFrames) * kFramePoints;
inline constexpr std::size_t kFrameBytes = kFramePoints * 2;

class CFrameStore {
public:
    CFrameStore() : samples_(kFrameStoreSamples, 0) {}

    // Frame k (0-based); an index outside 0..999 is held to the nearest frame, never outside the store.
    std::span<std::int16_t, kFramePoints> Frame(int k) {
        return std::span<std::int16_t, kFramePoints>(samples_.data() + Offset(k), kFramePoints);
    }
    std::span<const std::int16_t, kFramePoints> Frame(int k) const {
        return std::span<const std::int16_t, kFramePoints>(samples_.data() + Offset(k), kFramePoints);
    }
    std::span<std::int16_t> Samples() { return samples_; }
    std::span<const std::int16_t> Samples() const { return samples_; }
    void Clear() { std::fill(samples_.begin(), samples_.end(), std::int16_t{0}); }

private:
    static std::size_t Offset(int k) {
        return static_cast<std::size_t>(std::clamp(k, 0, kRecorderFrames - 1)) * kFramePoints;
    }
    std::vector<std::int16_t> samples_;
};

} // namespace tarnix
