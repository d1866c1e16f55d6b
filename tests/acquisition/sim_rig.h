// A simulated instrument in-process, driven through CDeviceLink with a clock the test moves.
#pragma once

#include <cstdint>
#include <vector>

#include "../support/fake_services.h"
#include "acquisition/device_link.h"
#include "simulator/sim_instrument.h"

namespace tarnix::testing {

// The settings a test sends, in the program's terms.
struct RigSetup {
    int timeDivIndex = 12; // 40.0us/div
    int position = 50;     // block value, 0..100
    int channelCode = 2;
    int triggerSource = 0;
    int altFlag = 0;
    int slope = 0;
    std::array<int, 2> voltsIndex{6, 6}; // 1.00V/div
    std::array<int, 2> coupling{0, 0};   // DC
    std::array<int, 2> triggerLevel{64, 192};
};

struct CRig {
    explicit CRig(const SimConfig& config) : clock(1000), sim(clock, config), link(&sim) {
        link.Search();
        link.ReadCalibration();
        link.ReadCalibrationLevel();
    }

    void Apply(const RigSetup& setup) {
        link.block.timeDivIndex = static_cast<std::uint16_t>(setup.timeDivIndex);
        link.block.position = static_cast<std::uint16_t>(setup.position);
        link.block.channelCode = static_cast<std::uint16_t>(setup.channelCode);
        link.block.triggerSource = static_cast<std::uint16_t>(setup.triggerSource);
        link.block.altFlag = static_cast<std::uint16_t>(setup.altFlag);
        link.block.levels.ch1Zero = 64;  // 0 V at code 191
        link.block.levels.ch2Zero = 192; // 0 V at code 63
        link.block.levels.ch1Trigger = static_cast<std::uint16_t>(setup.triggerLevel[0]);
        link.block.levels.ch2Trigger = static_cast<std::uint16_t>(setup.triggerLevel[1]);
        link.SetTimebaseTrigger(setup.slope);
        link.SetChannels(setup.voltsIndex[0], setup.voltsIndex[1], setup.coupling[0], setup.coupling[1],
                         setup.triggerSource);
        link.SetLevels(setup.voltsIndex[0], setup.voltsIndex[1], setup.triggerSource);
    }

    // Starts a capture, forces it and reads it.
    void ForcedCapture() {
        link.StartCapture();
        link.EnableTrigger();
        link.ForceTrigger();
        link.GetCaptureState();
        link.ReadCapture(ch1, ch2);
    }

    CFakeClock clock;
    CSimInstrument sim;
    CDeviceLink link;
    std::vector<std::uint16_t> ch1 = std::vector<std::uint16_t>(65536, 0);
    std::vector<std::uint16_t> ch2 = std::vector<std::uint16_t>(65536, 0);
};

inline SimConfig Signals(const SimSignal& ch1, const SimSignal& ch2) {
    SimConfig config;
    config.signals = {ch1, ch2};
    return config;
}

} // namespace tarnix::testing
