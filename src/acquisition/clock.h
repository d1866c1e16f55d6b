// Time and chance for the core: a monotonic millisecond clock with a 10 ms sleep, and a pseudo-random
// source of 0..32767. Core code only sees the interfaces, so tests inject fakes and never sleep.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <thread>

namespace tarnix {

class IClock {
public:
    virtual ~IClock() = default;
    // Monotonic milliseconds; never jumps back (a wall clock restarting at midnight would stall the
    // pacing of slow time bases).
    virtual std::int64_t NowMs() = 0;
    // Blocks for 10 ms; the single-capture loops of Autoset and calibration wait with it.
    virtual void Sleep10ms() = 0;
};

class IRandom {
public:
    virtual ~IRandom() = default;
    // A value 0..32767.
    virtual int Next() = 0;
};

class CSystemClock final : public IClock {
public:
    std::int64_t NowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void Sleep10ms() override { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }
};

class CSystemRandom final : public IRandom {
public:
    explicit CSystemRandom(std::uint32_t seed = 1u) : engine_(seed) {}
    int Next() override { return static_cast<int>(engine_() % 32768u); }

private:
    std::minstd_rand engine_;
};

} // namespace tarnix
