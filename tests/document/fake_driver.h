// A scriptable driver library for the document tests: presence per slot, a queue of capture states,
// and a log of every entry called with the values that matter to the cycle.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "acquisition/driver_library.h"

namespace tarnix::testing {

struct DriverCall {
    std::string entry;
    std::vector<int> args; // entry-specific, see the methods below
};

class CFakeDriver final : public IDriverLibrary {
public:
    std::array<bool, kSlotCount> present{true, false, false, false};
    std::array<std::uint16_t, kSlotCount> ids{11, 12, 13, 14};
    std::deque<int> states; // GetCaptureState answers in turn, then idleState
    int idleState = kCaptureWaiting;
    std::uint16_t captureCode = 100; // ReadCapture fills with this, then counts it up
    std::vector<DriverCall> calls;

    int Count(const std::string& entry) const {
        return static_cast<int>(
            std::count_if(calls.begin(), calls.end(), [&](const DriverCall& c) { return c.entry == entry; }));
    }
    const DriverCall* Last(const std::string& entry) const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
            if (it->entry == entry) {
                return &*it;
            }
        }
        return nullptr;
    }

    int IsPresent(int slot) override { return present[static_cast<std::size_t>(slot)] ? 1 : 0; }
    int ReadDeviceId(int slot, std::uint16_t* id) override {
        *id = ids[static_cast<std::size_t>(slot)];
        return 1;
    }
    int WriteDeviceId(int, int) override { return 1; }
    int ReadCalibration(int, std::uint16_t* values, int count) override {
        calls.push_back({"ReadCalibration", {}});
        std::fill(values, values + count, std::uint16_t{1});
        return 1;
    }
    int WriteCalibration(int, const std::uint16_t*, int) override { return 1; }
    int ReadCalibrationLevel(int, std::uint16_t* level) override {
        calls.push_back({"ReadCalibrationLevel", {}});
        *level = 3;
        return 1;
    }
    int WriteCalibrationLevel(int, int) override { return 1; }
    // args: slot, slope, trigger source, channel code, time/div, position, buffer, ALT flag
    int SetTimebaseTrigger(int slot, int slope, const HardwareBlock* b) override {
        calls.push_back({"SetTimebaseTrigger",
                         {slot, slope, b->triggerSource, b->channelCode, b->timeDivIndex, b->position,
                          b->bufferSizeIndex, b->altFlag}});
        return 1;
    }
    // args: slot, CH1 V/div, CH2 V/div, CH1 coupling, CH2 coupling, source
    int SetChannels(int slot, int v1, int v2, int c1, int c2, int source) override {
        calls.push_back({"SetChannels", {slot, v1, v2, c1, c2, source}});
        return 1;
    }
    // args: slot, ch1 zero, ch2 zero, ch1 trigger, ch2 trigger, ext, V/div 1, V/div 2, source
    int SetLevels(int slot, const HardwareLevels* l, int v1, int v2, int source,
                  const std::uint16_t*) override {
        calls.push_back(
            {"SetLevels",
             {slot, l->ch1Zero, l->ch2Zero, l->ch1Trigger, l->ch2Trigger, l->extTrigger, v1, v2, source}});
        return 1;
    }
    int SetFilters(int slot, int bw1, int bw2, int hf) override {
        calls.push_back({"SetFilters", {slot, bw1, bw2, hf}});
        return 1;
    }
    int StartCapture(int) override {
        calls.push_back({"StartCapture", {}});
        return 1;
    }
    int EnableTrigger(int) override {
        calls.push_back({"EnableTrigger", {}});
        return 1;
    }
    int ForceTrigger(int) override {
        calls.push_back({"ForceTrigger", {}});
        return 1;
    }
    int GetCaptureState(int, std::uint32_t* address) override {
        calls.push_back({"GetCaptureState", {}});
        *address = 0x1234;
        if (states.empty()) {
            return idleState;
        }
        const int state = states.front();
        states.pop_front();
        return state;
    }
    int ReadCapture(int, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* b, std::uint32_t,
                    int) override {
        calls.push_back({"ReadCapture", {b->triggerSource, b->channelCode}});
        const int length = b->bufferSizeIndex == 0 ? 10240 : 32768;
        std::fill(ch1, ch1 + length, captureCode);
        std::fill(ch2, ch2 + length, captureCode);
        ++captureCode;
        return 1;
    }
};

} // namespace tarnix::testing
