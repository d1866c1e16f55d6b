#include "simulator/sim_config.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace tarnix {

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ParseDouble(std::string_view text, double& value) {
    double parsed = 0.0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (ec != std::errc{} || ptr != end || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseUnsigned(std::string_view text, std::uint32_t max, std::uint32_t& value) {
    std::uint32_t parsed = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (ec != std::errc{} || ptr != end || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseShape(std::string_view text, SimShape& shape) {
    for (SimShape candidate : {SimShape::kSine, SimShape::kSquare, SimShape::kTriangle, SimShape::kDc}) {
        if (text == SimShapeName(candidate)) {
            shape = candidate;
            return true;
        }
    }
    return false;
}

// Handles "slotN.present" / "slotN.id"; returns an error text or "".
std::string ApplySlotKey(std::string_view key, std::string_view value, SimConfig& config) {
    if (key.size() < 7 || key[4] < '0' || key[4] > '3' || key[5] != '.') {
        return "unknown key";
    }
    SimSlotConfig& slot = config.slots[static_cast<std::size_t>(key[4] - '0')];
    const std::string_view field = key.substr(6);
    std::uint32_t number = 0;
    if (field == "present") {
        if (!ParseUnsigned(value, 1, number)) {
            return "present must be 0 or 1";
        }
        slot.present = number != 0;
        return {};
    }
    if (field == "id") {
        if (!ParseUnsigned(value, 255, number)) {
            return "id must be 0..255";
        }
        slot.deviceId = static_cast<std::uint16_t>(number);
        return {};
    }
    return "unknown key";
}

// Handles "ch1.*" / "ch2.*".
std::string ApplyChannelKey(std::string_view key, std::string_view value, SimConfig& config) {
    if (key.size() < 5 || (key[2] != '1' && key[2] != '2') || key[3] != '.') {
        return "unknown key";
    }
    SimSignal& signal = config.signals[static_cast<std::size_t>(key[2] - '1')];
    const std::string_view field = key.substr(4);
    if (field == "shape") {
        return ParseShape(value, signal.shape) ? std::string{} : "shape must be sine, square, triangle or dc";
    }
    double number = 0.0;
    if (!ParseDouble(value, number)) {
        return "not a number";
    }
    if (field == "offset") {
        signal.offsetVolts = number;
        return {};
    }
    if (number < 0.0) {
        return "must not be negative";
    }
    if (field == "frequency") {
        signal.frequencyHz = number;
    } else if (field == "amplitude") {
        signal.amplitudeVpp = number;
    } else if (field == "noise") {
        signal.noiseVpp = number;
    } else {
        return "unknown key";
    }
    return {};
}

std::string ApplyKey(std::string_view key, std::string_view value, SimConfig& config) {
    if (key.starts_with("slot")) {
        return ApplySlotKey(key, value, config);
    }
    if (key.starts_with("ch")) {
        return ApplyChannelKey(key, value, config);
    }
    std::uint32_t number = 0;
    if (key == "seed") {
        if (!ParseUnsigned(value, 0xFFFFFFFFu, number)) {
            return "seed must be an unsigned number";
        }
        config.seed = number;
        return {};
    }
    if (key == "calibrated") {
        if (!ParseUnsigned(value, 1, number)) {
            return "calibrated must be 0 or 1";
        }
        config.calibrated = number != 0;
        return {};
    }
    if (key == "calibrationLevel") {
        if (!ParseUnsigned(value, 255, number)) {
            return "calibrationLevel must be 0..255";
        }
        config.calibrationLevel = static_cast<std::uint16_t>(number);
        return {};
    }
    return "unknown key";
}

} // namespace

std::string_view SimShapeName(SimShape shape) {
    switch (shape) {
    case SimShape::kSine:
        return "sine";
    case SimShape::kSquare:
        return "square";
    case SimShape::kTriangle:
        return "triangle";
    case SimShape::kDc:
        return "dc";
    }
    return "sine";
}

SimConfigResult ParseSimConfig(std::string_view text, SimConfig& config) {
    SimConfigResult result;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const auto lineEnd = text.find('\n');
        std::string_view line = text.substr(0, lineEnd);
        text = lineEnd == std::string_view::npos ? std::string_view{} : text.substr(lineEnd + 1);
        if (const auto comment = line.find('#'); comment != std::string_view::npos) {
            line = line.substr(0, comment);
        }
        line = Trim(line);
        if (line.empty()) {
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            result.errors.push_back("line " + std::to_string(lineNumber) + ": expected key = value");
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        const std::string error = ApplyKey(key, value, config);
        if (!error.empty()) {
            result.errors.push_back("line " + std::to_string(lineNumber) + ": " + std::string(key) + ": " +
                                    error);
        }
    }
    return result;
}

SimConfigResult LoadSimConfigFile(const std::string& path, SimConfig& config) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return SimConfigResult{{"cannot read " + path}, false};
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseSimConfig(text.str(), config);
}

} // namespace tarnix
