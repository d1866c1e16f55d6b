// CSV waveform files: load and complete the load, then check the settings and CH1's record length.
#include <cstdint>
#include <vector>

#include "files/csv_file.h"
#include "fuzz_support.h"

using namespace tarnix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::vector<std::uint16_t> ch1(fuzz::kCapacity);
    const std::string path = fuzz::WriteInput(data, size, ".csv");
    InstrumentSettings settings = fuzz::Model1Defaults();
    CsvLoadResult result = LoadCsvFile(path, settings);
    if (result.ok) {
        fuzz::Require(result.samples.size() == result.pointCount, "CSV sample count");
    }
    ApplyCsvLoad(result, settings, ch1);
    fuzz::RequireSettingsInRange(settings);
    return 0;
}
