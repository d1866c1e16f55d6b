// The persistence history of the four channels: a short first-in first-out queue of past display
// traces per channel, faded from the channel colour (newest) towards black (oldest).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/instrument_settings.h"

namespace tarnix {

inline constexpr int kPersistPoints = 5000;
// The Persistence list has 16 entries (index 0..15); the index is the number of frames held.
inline constexpr int kPersistMaxDepth = 15;

// One remembered display trace and the colour it is drawn in.
struct PersistFrame {
    std::array<std::int16_t, kPersistPoints> points{};
    std::uint32_t colour = 0; // 0x00RRGGBB
};

// The switch and the depth live in the settings record (they are saved with the setup); the queues
// live here. All storage is allocated once in the constructor so that adding a frame never allocates.
class CPersistHistory {
public:
    explicit CPersistHistory(InstrumentSettings& settings);

    // Appends a copy of a channel's display trace (0..3), dropping the oldest entry once the queue
    // holds the depth, and recolours the queue from channelColour. Does nothing while switched off or
    // while the depth is 0 (or the out-of-list value 16).
    void AddPersistFrame(int channel, const std::int16_t* displayPoints, std::uint32_t channelColour);
    // Queue length of channel 0..3; 0 for any other value.
    int PersistCount(int channel) const;
    // Stores the list index (0..16; other values are ignored) and empties all four queues.
    void SetPersistenceDepth(int index);
    // Stores the switch; the queues are kept as they are.
    void SetPersistenceOn(bool on);

    // Entry k of a channel's queue, 0 = oldest; k must be below PersistCount(channel).
    const PersistFrame& Entry(int channel, int k) const;

private:
    struct Queue {
        std::vector<PersistFrame> ring; // kPersistMaxDepth slots
        int head = 0;                   // slot of the oldest entry
        int count = 0;
    };

    InstrumentSettings& settings_;
    std::array<Queue, kChannelCount> queues_;
};

// Colour of entry k (1 = oldest .. n = newest) in a queue of n: each component scaled by k/n, truncated.
std::uint32_t PersistEntryColour(std::uint32_t channelColour, int k, int n);

} // namespace tarnix
