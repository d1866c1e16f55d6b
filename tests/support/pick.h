// The values of a sequence at chosen positions, so several points of a trace are checked in one line.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

namespace tarnix::testing {

template <typename Sequence>
std::vector<int> Pick(const Sequence& values, std::initializer_list<std::size_t> at) {
    std::vector<int> picked;
    for (std::size_t i : at) {
        picked.push_back(static_cast<int>(values[i]));
    }
    return picked;
}

} // namespace tarnix::testing
