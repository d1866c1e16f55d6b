#include "acquisition/persist_history.h"

#include <algorithm>

namespace tarnix {

std::uint32_t PersistEntryColour(std::uint32_t channelColour, int k, int n) {
    if (n <= 0) {
        return channelColour;
    }
    const auto scale = [&](int shift) {
        const std::uint32_t c = (channelColour >> shift) & 0xFFu;
        return (c * static_cast<std::uint32_t>(k) / static_cast<std::uint32_t>(n)) << shift;
    };
    return scale(16) | scale(8) | scale(0);
}

CPersistHistory::CPersistHistory(InstrumentSettings& settings) : settings_(settings) {
    for (Queue& q : queues_) {
        q.ring.resize(kPersistMaxDepth);
    }
}

void CPersistHistory::AddPersistFrame(int channel, const std::int16_t* displayPoints,
                                      std::uint32_t channelColour) {
    const int depth = settings_.persistenceDepth;
    if (depth == 0 || depth > kPersistMaxDepth || settings_.persistenceOn == 0 || displayPoints == nullptr ||
        channel < 0 || channel >= kChannelCount) {
        return;
    }
    Queue& q = queues_[static_cast<std::size_t>(channel)];
    while (q.count >= depth) {
        q.head = (q.head + 1) % kPersistMaxDepth;
        --q.count;
    }
    PersistFrame& slot = q.ring[static_cast<std::size_t>((q.head + q.count) % kPersistMaxDepth)];
    std::copy(displayPoints, displayPoints + kPersistPoints, slot.points.begin());
    ++q.count;
    for (int k = 1; k <= q.count; ++k) {
        q.ring[static_cast<std::size_t>((q.head + k - 1) % kPersistMaxDepth)].colour =
            PersistEntryColour(channelColour, k, q.count);
    }
}

int CPersistHistory::PersistCount(int channel) const {
    if (channel < 0 || channel >= kChannelCount) {
        return 0;
    }
    return queues_[static_cast<std::size_t>(channel)].count;
}

void CPersistHistory::SetPersistenceDepth(int index) {
    if (index < 0 || index > kPersistMaxDepth + 1) {
        return;
    }
    settings_.persistenceDepth = static_cast<std::uint16_t>(index);
    for (Queue& q : queues_) {
        q.head = 0;
        q.count = 0;
    }
}

void CPersistHistory::SetPersistenceOn(bool on) {
    settings_.persistenceOn = on ? 1u : 0u;
}

const PersistFrame& CPersistHistory::Entry(int channel, int k) const {
    const Queue& q = queues_[static_cast<std::size_t>(std::clamp(channel, 0, kChannelCount - 1))];
    return q.ring[static_cast<std::size_t>((q.head + k) % kPersistMaxDepth)];
}

} // namespace tarnix
