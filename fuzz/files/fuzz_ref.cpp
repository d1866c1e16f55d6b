// Old text reference files (.ref, layouts A and B): load into a REF buffer of model 1's size and apply the
// load.
#include <cstdint>
#include <vector>

#include "files/ref_file.h"
#include "fuzz_support.h"

using namespace tarnix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::vector<std::uint16_t> ref(fuzz::kCapacity);
    const std::string path = fuzz::WriteInput(data, size, ".ref");
    InstrumentSettings settings = fuzz::Model1Defaults();
    ReferenceInfo info;
    RefLoadResult result = LoadOldRefFile(path, settings, ref);
    if (result.ok) {
        fuzz::Require(result.samplesRead <= static_cast<std::size_t>(result.header.recordLength),
                      "samples read");
        ApplyRefLoad(result.header, settings, info);
    }
    fuzz::RequireSettingsInRange(settings);
    fuzz::Require(info.timeDivIndex <= 37 && info.horizontalPosition <= 500, "REF time base");
    fuzz::Require(info.decimationSpan >= 1 && std::isfinite(info.storedPosition), "REF span and position");
    return 0;
}
