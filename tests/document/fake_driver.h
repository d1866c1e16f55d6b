// A scriptable driver library for the document tests: presence per slot, a queue of capture states, and
// captures filled with a code that counts up. IsPresent is not logged, so a lost instrument logs nothing.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>

#include "../support/stub_driver.h"

namespace tarnix::testing {

class CFakeDriver final : public CStubDriver {
public:
    std::array<bool, kSlotCount> present{true, false, false, false};
    std::array<std::uint16_t, kSlotCount> ids{11, 12, 13, 14};
    std::deque<int> states; // GetCaptureState answers in turn, then idleState
    int idleState = kCaptureWaiting;
    std::uint16_t captureCode = 100; // ReadCapture fills with this, then counts it up

    int IsPresent(int slot) override { return present[static_cast<std::size_t>(slot)] ? 1 : 0; }
    int ReadDeviceId(int slot, std::uint16_t* id) override {
        *id = ids[static_cast<std::size_t>(slot)];
        return 1;
    }
    int ReadCalibration(int slot, std::uint16_t* values, int count) override {
        std::fill(values, values + count, std::uint16_t{1});
        return Log("ReadCalibration", {slot});
    }
    int GetCaptureState(int slot, std::uint32_t* address) override {
        Log("GetCaptureState", {slot});
        *address = 0x1234;
        if (states.empty()) {
            return idleState;
        }
        const int state = states.front();
        states.pop_front();
        return state;
    }
    int ReadCapture(int slot, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* b, std::uint32_t,
                    int) override {
        const int length = b->bufferSizeIndex == 0 ? 10240 : 32768;
        std::fill(ch1, ch1 + length, captureCode);
        std::fill(ch2, ch2 + length, captureCode);
        ++captureCode;
        return Log("ReadCapture", {slot});
    }
};

} // namespace tarnix::testing
