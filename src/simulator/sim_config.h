// Configuration of the simulated instrument: which slots hold an instrument, their IDs, and the signal
// applied to each input. Read from a small "key = value" text file (see docs/simulator.md).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

enum class SimShape { kSine, kSquare, kTriangle, kDc };

// The signal at one instrument input (the BNC, i.e. before any probe factor the program applies).
struct SimSignal {
    SimShape shape = SimShape::kSine;
    double frequencyHz = 1000.0;
    double amplitudeVpp = 2.0; // peak to peak; a DC shape ignores it
    double offsetVolts = 0.0;  // DC component, removed by AC coupling
    double noiseVpp = 0.0;     // uniform noise added to the samples, peak to peak
};

struct SimSlotConfig {
    bool present = false;
    std::uint16_t deviceId = 0;
};

struct SimConfig {
    std::array<SimSlotConfig, 4> slots{{{true, 0}, {false, 1}, {false, 2}, {false, 3}}};
    std::array<SimSignal, 2> signals{{
        {SimShape::kSine, 5000.0, 2.0, 0.0, 0.0},
        {SimShape::kSquare, 2000.0, 1.0, 0.0, 0.0},
    }};
    std::uint32_t seed = 1; // noise generator
    // true: the calibration memory starts with the words that place 0 V exactly; false: with words a
    // few steps off, as an instrument that needs zero calibration.
    bool calibrated = true;
    std::uint16_t calibrationLevel = 0; // initial stored level; 255 means "never written"
};

struct SimConfigResult {
    std::vector<std::string> errors; // "line N: why"; the offending lines are skipped
    bool fileRead = true;            // false: the file could not be read and nothing was applied
    bool Ok() const { return errors.empty(); }
};

// Applies the keys found in text on top of the values already in config.
SimConfigResult ParseSimConfig(std::string_view text, SimConfig& config);
// Reads the file and parses it; a file that cannot be read is an error and leaves config alone.
SimConfigResult LoadSimConfigFile(const std::string& path, SimConfig& config);

std::string_view SimShapeName(SimShape shape);

} // namespace tarnix
