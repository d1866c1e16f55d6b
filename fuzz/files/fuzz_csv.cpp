// CSV waveform files: a load either refuses with a message or yields the announced points and a time
// base of the selector.
#include <cstdint>
#include <vector>

#include "files/csv_file.h"
#include "fuzz_support.h"

using namespace tarnix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::WriteInput(data, size, ".csv");
    InstrumentSettings settings = fuzz::Model1Defaults();
    CsvLoadResult result = LoadCsvFile(path, settings);
    if (result.ok) {
        fuzz::Require(result.samples.size() == result.pointCount, "CSV sample count");
        fuzz::Require(result.timeDivIndex < kTimePerDivCount, "CSV time base");
    } else {
        fuzz::Require(!result.message.empty(), "CSV refusal without a message");
    }
    return 0;
}
