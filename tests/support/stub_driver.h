// A driver library that accepts every call and logs those that configure, drive or write an instrument
// (not IsPresent: a lost instrument logs nothing). Presence, capture states and codes are scripted.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/driver_library.h"
#include "model/instrument_settings.h"

namespace tarnix::testing {

struct DriverCall {
    std::string entry;
    std::vector<int> args; // the slot, then the values named at the entry
};

class CStubDriver final : public IDriverLibrary {
public:
    std::vector<DriverCall> calls;
    std::array<bool, kSlotCount> present{true, false, false, false};
    std::deque<int> states; // GetCaptureState answers in turn, then idleState
    int idleState = kCaptureWaiting;
    bool idsReadable = true;         // false: ReadDeviceId fails without giving an ID
    std::uint16_t captureCode = 100; // ReadCapture fills both channels with this, then counts it up
    // When set, ReadCapture fills sample k of a channel with sample(block, channel, k) instead.
    std::function<std::uint16_t(const HardwareBlock&, int, std::uint32_t)> sample;

    int Count(const std::string& entry) const {
        return static_cast<int>(
            std::count_if(calls.begin(), calls.end(), [&](const DriverCall& c) { return c.entry == entry; }));
    }
    const DriverCall* Last(const std::string& entry) const {
        const auto it =
            std::find_if(calls.rbegin(), calls.rend(), [&](const DriverCall& c) { return c.entry == entry; });
        return it == calls.rend() ? nullptr : &*it;
    }

    int IsPresent(int slot) override { return present[static_cast<std::size_t>(slot)] ? 1 : 0; }
    int ReadDeviceId(int slot, std::uint16_t* id) override {
        if (idsReadable) {
            *id = static_cast<std::uint16_t>(11 + slot);
        }
        return idsReadable ? 1 : 0;
    }
    int WriteDeviceId(int, int) override { return 1; }
    int ReadCalibration(int slot, std::uint16_t* values, int count) override {
        std::fill(values, values + count, std::uint16_t{1});
        return Log("ReadCalibration", {slot});
    }
    int WriteCalibration(int slot, const std::uint16_t*, int) override {
        return Log("WriteCalibration", {slot});
    }
    int ReadCalibrationLevel(int slot, std::uint16_t* level) override {
        *level = 0;
        return Log("ReadCalibrationLevel", {slot});
    }
    int WriteCalibrationLevel(int slot, int level) override {
        return Log("WriteCalibrationLevel", {slot, level});
    }
    // Logged arguments after the slot: slope, trigger source, channel code, time/div, position, buffer size,
    // ALT flag; V/div 1 and 2, couplings 1 and 2, source; zero 1 and 2, trigger 1, 2 and EXT, V/div, source.
    int SetTimebaseTrigger(int slot, int slope, const HardwareBlock* b) override {
        return Log("SetTimebaseTrigger", {slot, slope, b->triggerSource, b->channelCode, b->timeDivIndex,
                                          b->position, b->bufferSizeIndex, b->altFlag});
    }
    int SetChannels(int slot, int v1, int v2, int c1, int c2, int source) override {
        return Log("SetChannels", {slot, v1, v2, c1, c2, source});
    }
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
        Log("GetCaptureState", {slot});
        *address = 0x1234;
        const int state = states.empty() ? idleState : states.front();
        if (!states.empty()) {
            states.pop_front();
        }
        return state;
    }
    int ReadCapture(int slot, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* b, std::uint32_t,
                    int) override {
        for (std::uint32_t k = 0; k < BufferSizeRecordLength(b->bufferSizeIndex); ++k) {
            ch1[k] = sample ? sample(*b, 0, k) : captureCode;
            ch2[k] = sample ? sample(*b, 1, k) : captureCode;
        }
        ++captureCode;
        return Log("ReadCapture", {slot});
    }

private:
    int Log(const char* entry, std::vector<int> args) {
        calls.push_back({entry, std::move(args)});
        return 1;
    }
};

} // namespace tarnix::testing
