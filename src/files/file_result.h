// The outcome of a file command: whether it succeeded and, when the user must be told, the exact text of
// the message box. An empty message on failure is a silent refusal.
#pragma once

#include <string>

namespace tarnix {

// Caption of the file error message boxes.
inline constexpr const char* kFileErrorCaption = "Error";

struct FileResult {
    bool ok = false;
    std::string message; // shown in a message box when not empty

    static FileResult Success() { return {true, {}}; }
    static FileResult Refused(std::string text = {}) { return {false, std::move(text)}; }
};

} // namespace tarnix
