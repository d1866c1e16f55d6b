#include "datalog/log_settings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "analysis/measure_set.h"
#include "model/safe_file.h"

namespace tarnix {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

template <typename T> bool Number(const std::string& text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool Limit(const std::string& text, std::optional<double>& limit) {
    double value = 0.0;
    if (text.empty()) {
        limit.reset();
        return true;
    }
    if (!Number(text, value) || !std::isfinite(value)) {
        return false;
    }
    limit = value;
    return true;
}

std::string Text(std::optional<double> value) {
    if (!value) {
        return {};
    }
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, *value).ptr};
}

} // namespace

std::string FormatLogSettings(const LogPanelSettings& settings) {
    std::string text =
        "file=" + settings.options.path + "\r\ninterval=" + Text(settings.options.intervalSeconds) + "\r\n";
    for (const LogColumn& column : settings.options.columns) {
        text += "item=" + std::to_string(column.item.source) + "," + std::to_string(column.item.kind) + "," +
                Text(column.limits.low) + "," + Text(column.limits.high) + "\r\n";
    }
    const LimitActions& a = settings.actions;
    text += "actions=" + std::to_string(a.beep) + "," + std::to_string(a.stopAcquisition) + "," +
            std::to_string(a.saveImage) + "\r\n";
    return text;
}

LogPanelSettings ParseLogSettings(const std::string& text) {
    LogPanelSettings settings;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        const std::vector<std::string> parts = Split(value, ',');
        if (key == "file") {
            settings.options.path = value;
        } else if (key == "interval") {
            double seconds = 0.0;
            if (Number(value, seconds) && (seconds == 0.0 || (seconds >= kLogMinIntervalSeconds &&
                                                              seconds <= kLogMaxIntervalSeconds))) {
                settings.options.intervalSeconds = seconds;
            }
        } else if (key == "item" && parts.size() == 4) {
            LogColumn column;
            if (Number(parts[0], column.item.source) && Number(parts[1], column.item.kind) &&
                ValidItem(column.item) && Limit(parts[2], column.limits.low) &&
                Limit(parts[3], column.limits.high)) {
                settings.options.columns.push_back(column);
            }
        } else if (key == "actions" && parts.size() == 3) {
            int flags[3] = {};
            bool ok = true;
            for (int i = 0; i < 3; ++i) {
                ok = ok && Number(parts[static_cast<std::size_t>(i)], flags[i]) &&
                     (flags[i] == 0 || flags[i] == 1);
            }
            if (ok) {
                settings.actions = {flags[0] == 1, flags[1] == 1, flags[2] == 1};
            }
        }
    }
    return settings;
}

LogPanelSettings LoadLogSettings(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ParseLogSettings(text);
}

std::string SaveLogSettings(const std::string& path, const LogPanelSettings& settings) {
    const std::string text = FormatLogSettings(settings);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (const int error = WriteFileSafely(path, std::span<const std::uint8_t>(bytes, text.size())); error != 0) {
        return "Cann't save file: " + std::string(std::strerror(error));
    }
    return {};
}

} // namespace tarnix
