// A driver library with one instrument in slot 0 that accepts every call and completes each capture at
// once. Tests derive from it and override the few entries their instrument behaves differently in.
#pragma once

#include <algorithm>
#include <cstdint>

#include "acquisition/driver_library.h"

namespace tarnix::testing {

class CStubDriver : public IDriverLibrary {
public:
    int IsPresent(int slot) override { return slot == 0 ? 1 : 0; }
    int ReadDeviceId(int, std::uint16_t* id) override {
        *id = 0;
        return 1;
    }
    int WriteDeviceId(int, int) override { return 1; }
    int ReadCalibration(int, std::uint16_t* values, int count) override {
        std::fill(values, values + count, std::uint16_t{0});
        return 1;
    }
    int WriteCalibration(int, const std::uint16_t*, int) override { return 1; }
    int ReadCalibrationLevel(int, std::uint16_t* level) override {
        *level = 0;
        return 1;
    }
    int WriteCalibrationLevel(int, int) override { return 1; }
    int SetTimebaseTrigger(int, int, const HardwareBlock*) override { return 1; }
    int SetChannels(int, int, int, int, int, int) override { return 1; }
    int SetLevels(int, const HardwareLevels*, int, int, int, const std::uint16_t*) override { return 1; }
    int SetFilters(int, int, int, int) override { return 1; }
    int StartCapture(int) override { return 1; }
    int EnableTrigger(int) override { return 1; }
    int ForceTrigger(int) override { return 1; }
    int GetCaptureState(int, std::uint32_t* address) override {
        *address = 0;
        return kCaptureComplete;
    }
    int ReadCapture(int, std::uint16_t*, std::uint16_t*, const HardwareBlock*, std::uint32_t, int) override {
        return 1;
    }
};

} // namespace tarnix::testing
