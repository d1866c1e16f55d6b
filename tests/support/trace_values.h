// Made-up traces and picked points: a ramp whose every sample tells where it came from, and the values of a
// sequence at chosen positions, so several points of a trace are checked in one line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tarnix::testing {

template <typename Sample = std::int16_t> std::vector<Sample> Ramp(std::size_t n, int from = 0) {
    std::vector<Sample> ramp(n);
    for (std::size_t i = 0; i < n; ++i) {
        ramp[i] = static_cast<Sample>(from + static_cast<int>(i));
    }
    return ramp;
}

template <typename Sequence>
std::vector<int> Pick(const Sequence& values, std::initializer_list<std::size_t> at) {
    std::vector<int> picked;
    for (std::size_t i : at) {
        picked.push_back(static_cast<int>(values[i]));
    }
    return picked;
}

} // namespace tarnix::testing
