// Fake clock and random source: time moves only when a test moves it; random values are scripted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "acquisition/clock.h"

namespace tarnix::testing {

class CFakeClock final : public IClock {
public:
    CFakeClock() = default;
    explicit CFakeClock(std::int64_t start) : now(start) {}

    std::int64_t now = 100000;
    int sleeps = 0;

    std::int64_t NowMs() override { return now; }
    void Sleep10ms() override {
        now += 10;
        ++sleeps;
    }
    void Advance(std::int64_t ms) { now += ms; }
};

class CFakeRandom final : public IRandom {
public:
    std::vector<int> values;
    int fallback = 0;
    std::size_t calls = 0;

    int Next() override {
        const std::size_t i = calls++;
        return i < values.size() ? values[i] : fallback;
    }
};

} // namespace tarnix::testing
