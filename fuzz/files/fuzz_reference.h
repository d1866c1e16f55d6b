// The body shared by the two reference-file fuzzers: load into a REF buffer of model 1's size with the
// given loader, apply the load, and require every setting and the REF's time base to stay in range.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "files/ref_file.h"
#include "fuzz_support.h"

namespace tarnix::fuzz {

template <typename Loader>
int FuzzReferenceLoad(const std::uint8_t* data, std::size_t size, const char* extension, Loader load) {
    static std::vector<std::uint16_t> ref(kCapacity);
    constexpr std::uint16_t kHeld = 0xA5A5; // what REF held before the load
    std::fill(ref.begin(), ref.end(), kHeld);
    const std::string path = WriteInput(data, size, extension);
    InstrumentSettings settings = Model1Defaults();
    ReferenceInfo info;
    RefLoadResult result = load(path, settings, ref);
    if (result.ok) {
        Require(result.samplesRead <= static_cast<std::size_t>(result.header.recordLength), "samples read");
        ApplyRefLoad(result.header, settings, info);
    } else {
        Require(std::all_of(ref.begin(), ref.end(), [](std::uint16_t v) { return v == kHeld; }),
                "a refused file changed REF's samples");
    }
    RequireSettingsInRange(settings);
    Require(info.timeDivIndex <= 37 && info.horizontalPosition <= 500, "REF time base");
    Require(info.decimationSpan >= 1 && std::isfinite(info.storedPosition), "REF span and position");
    return 0;
}

} // namespace tarnix::fuzz
