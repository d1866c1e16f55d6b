// Counts heap allocations for a test that pins a hot path to none once it is set up. The global operator new
// is replaced here, so include this header from exactly one source file of a test binary.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace tarnix::testing {

inline std::atomic<bool> g_countingAllocations{false};
inline std::atomic<long> g_allocations{0};

// Counts the allocations made while it is alive.
struct AllocationCounter {
    AllocationCounter() {
        g_allocations = 0;
        g_countingAllocations = true;
    }
    ~AllocationCounter() { g_countingAllocations = false; }
    long Count() const { return g_allocations.load(); }
};

} // namespace tarnix::testing

void* operator new(std::size_t size) {
    tarnix::testing::g_allocations += tarnix::testing::g_countingAllocations ? 1 : 0;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
