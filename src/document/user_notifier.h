// What the document asks of the user interface without depending on it: message boxes, and the two
// modal choices of start-up. The view implements them with dialogs; tests record and answer them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tarnix {

class IUserNotifier {
public:
    virtual ~IUserNotifier() = default;
    // A modal message box, e.g. caption "Error" and the "Function not available!" text.
    virtual void ShowMessage(std::string_view caption, std::string_view text) = 0;
};

// One instrument found by the search, as the Device List dialog shows it.
struct FoundDevice {
    int slot = 0;
    std::uint16_t deviceId = 0;
};

// Answer of the Searching Device dialog shown when the search found no instrument.
enum class NoDeviceChoice { kIgnore, kClose };

class IStartupChooser {
public:
    virtual ~IStartupChooser() = default;
    // Several instruments found (Device List dialog): the slot to use, or nullopt for Cancel, which
    // closes the program.
    virtual std::optional<int> ChooseDevice(std::span<const FoundDevice> devices) = 0;
    // No instrument found (Searching Device dialog): kIgnore goes on in demo mode, kClose ends the
    // program.
    virtual NoDeviceChoice NoDeviceFound() = 0;
};

} // namespace tarnix
