// Setup files: the parser on arbitrary bytes, the settings it leaves, and the demo-mode header path.
#include <cstdint>
#include <span>

#include "files/setup_file.h"
#include "fuzz_support.h"

using namespace tarnix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const InstrumentSettings defaults = fuzz::Model1Defaults();
    static const SetupImage current = [] {
        SetupImage image;
        CaptureSettings(defaults, image);
        return image;
    }();
    const SetupLimits limits;

    SetupParseResult parsed = ParseSetup(std::span<const std::uint8_t>(data, size), current, limits);
    if (parsed.status == SetupParseStatus::kOk) {
        fuzz::Require(SetupImageInRange(parsed.image, limits), "setup image");
        InstrumentSettings settings = defaults;
        ApplySetupToSettings(parsed.image, settings);
        fuzz::RequireSettingsInRange(settings);
        // What was read writes back to the same size it was read from.
        fuzz::Require(SerializeSetup(parsed.image).size() == size, "setup size");
    }

    const std::string path = fuzz::WriteInput(data, size, ".set");
    SetupLoadResult demo = LoadSetupFile(path, current, limits, true);
    if (demo.ok) {
        fuzz::Require(demo.image.languageIndex >= -1, "language index");
        SetupImage expected = current;
        expected.languageIndex = demo.image.languageIndex;
        fuzz::Require(demo.image == expected, "demo load takes only the language");
    }
    return 0;
}
