// A driver library with one instrument in slot 0 that accepts every call and completes each capture at
// once, logging each call that configures or drives it. Tests derive from it and override the few entries
// their instrument behaves differently in.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/driver_library.h"

namespace tarnix::testing {

struct DriverCall {
    std::string entry;
    std::vector<int> args; // the slot, then the values named at the entry
};

class CStubDriver : public IDriverLibrary {
public:
    std::vector<DriverCall> calls;

    int Count(const std::string& entry) const {
        return static_cast<int>(
            std::count_if(calls.begin(), calls.end(), [&](const DriverCall& c) { return c.entry == entry; }));
    }
    const DriverCall* Last(const std::string& entry) const {
        const auto it = std::find_if(calls.rbegin(), calls.rend(),
                                     [&](const DriverCall& c) { return c.entry == entry; });
        return it == calls.rend() ? nullptr : &*it;
    }

    int IsPresent(int slot) override { return slot == 0 ? 1 : 0; }
    int ReadDeviceId(int, std::uint16_t* id) override {
        *id = 0;
        return 1;
    }
    int WriteDeviceId(int, int) override { return 1; }
    int ReadCalibration(int slot, std::uint16_t* values, int count) override {
        std::fill(values, values + count, std::uint16_t{0});
        return Log("ReadCalibration", {slot});
    }
    int WriteCalibration(int, const std::uint16_t*, int) override { return 1; }
    int ReadCalibrationLevel(int slot, std::uint16_t* level) override {
        *level = 0;
        return Log("ReadCalibrationLevel", {slot});
    }
    int WriteCalibrationLevel(int, int) override { return 1; }
    // slope, trigger source, channel code, time/div, position, buffer size, ALT flag
    int SetTimebaseTrigger(int slot, int slope, const HardwareBlock* b) override {
        return Log("SetTimebaseTrigger", {slot, slope, b->triggerSource, b->channelCode, b->timeDivIndex,
                                          b->position, b->bufferSizeIndex, b->altFlag});
    }
    // CH1 V/div, CH2 V/div, CH1 coupling, CH2 coupling, source
    int SetChannels(int slot, int v1, int v2, int c1, int c2, int source) override {
        return Log("SetChannels", {slot, v1, v2, c1, c2, source});
    }
    // CH1 zero, CH2 zero, CH1 trigger, CH2 trigger, EXT trigger, V/div 1, V/div 2, source
    int SetLevels(int slot, const HardwareLevels* l, int v1, int v2, int source,
                  const std::uint16_t*) override {
        return Log("SetLevels", {slot, l->ch1Zero, l->ch2Zero, l->ch1Trigger, l->ch2Trigger, l->extTrigger,
                                 v1, v2, source});
    }
    int SetFilters(int slot, int bw1, int bw2, int hf) override {
        return Log("SetFilters", {slot, bw1, bw2, hf});
    }
    int StartCapture(int slot) override { return Log("StartCapture", {slot}); }
    int EnableTrigger(int slot) override { return Log("EnableTrigger", {slot}); }
    int ForceTrigger(int slot) override { return Log("ForceTrigger", {slot}); }
    int GetCaptureState(int slot, std::uint32_t* address) override {
        *address = 0;
        Log("GetCaptureState", {slot});
        return kCaptureComplete;
    }
    int ReadCapture(int slot, std::uint16_t*, std::uint16_t*, const HardwareBlock*, std::uint32_t,
                    int) override {
        return Log("ReadCapture", {slot});
    }

protected:
    int Log(const char* entry, std::vector<int> args) {
        calls.push_back({entry, std::move(args)});
        return 1;
    }
};

} // namespace tarnix::testing
