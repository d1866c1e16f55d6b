// libmorvlink-sim.so: the simulated instrument behind the C entries the driver loader binds. One
// instrument serves the whole process; MORVLINK_SIM_CONFIG names its configuration file, which is
// re-read whenever it changes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "acquisition/clock.h"
#include "acquisition/driver_library.h"
#include "simulator/sim_instrument.h"

namespace {

tarnix::CSimInstrument& Instrument() {
    static tarnix::CSystemClock clock;
    static tarnix::CSimInstrument instrument = [] {
        tarnix::CSimInstrument created(clock);
        if (const char* path = std::getenv("MORVLINK_SIM_CONFIG"); path != nullptr && path[0] != '\0') {
            for (const std::string& error : created.WatchConfigFile(path).errors) {
                std::fprintf(stderr, "morvlink-sim: %s: %s\n", path, error.c_str());
            }
        }
        return created;
    }();
    return instrument;
}

} // namespace

#define MORVLINK_EXPORT extern "C" __attribute__((visibility("default")))

using tarnix::HardwareBlock;
using tarnix::HardwareLevels;

MORVLINK_EXPORT int morvlink_entry_1(int dev) {
    return Instrument().ForceTrigger(dev);
}
MORVLINK_EXPORT int morvlink_entry_2(int dev, std::uint32_t* captureAddress) {
    return Instrument().GetCaptureState(dev, captureAddress);
}
MORVLINK_EXPORT int morvlink_entry_3(int dev, int slope, const HardwareBlock* block) {
    return Instrument().SetTimebaseTrigger(dev, slope, block);
}
MORVLINK_EXPORT int morvlink_entry_4(int dev, int ch1VoltsIndex, int ch2VoltsIndex, int ch1Coupling,
                                     int ch2Coupling, int triggerSource) {
    return Instrument().SetChannels(dev, ch1VoltsIndex, ch2VoltsIndex, ch1Coupling, ch2Coupling,
                                    triggerSource);
}
MORVLINK_EXPORT int morvlink_entry_5(int dev, const HardwareLevels* levels, int ch1VoltsIndex,
                                     int ch2VoltsIndex, int triggerSource,
                                     const std::uint16_t* calibrationTable) {
    return Instrument().SetLevels(dev, levels, ch1VoltsIndex, ch2VoltsIndex, triggerSource, calibrationTable);
}
MORVLINK_EXPORT int morvlink_entry_6(int dev) {
    return Instrument().StartCapture(dev);
}
MORVLINK_EXPORT int morvlink_entry_7(int dev) {
    return Instrument().EnableTrigger(dev);
}
MORVLINK_EXPORT int morvlink_entry_8(int dev) {
    return Instrument().IsPresent(dev);
}
MORVLINK_EXPORT int morvlink_entry_9(int dev, std::uint16_t* values, int count) {
    return Instrument().ReadCalibration(dev, values, count);
}
MORVLINK_EXPORT int morvlink_entry_10(int dev, const std::uint16_t* values, int count) {
    return Instrument().WriteCalibration(dev, values, count);
}
MORVLINK_EXPORT int morvlink_entry_13(int dev, int ch1BandwidthLimit, int ch2BandwidthLimit,
                                      int hfRejection) {
    return Instrument().SetFilters(dev, ch1BandwidthLimit, ch2BandwidthLimit, hfRejection);
}
MORVLINK_EXPORT int morvlink_entry_14(int dev, std::uint16_t* level) {
    return Instrument().ReadCalibrationLevel(dev, level);
}
MORVLINK_EXPORT int morvlink_entry_15(int dev, int level) {
    return Instrument().WriteCalibrationLevel(dev, level);
}
MORVLINK_EXPORT int morvlink_entry_16(int dev, std::uint16_t* ch1, std::uint16_t* ch2,
                                      const HardwareBlock* block, std::uint32_t captureAddress,
                                      int calibrationLevel) {
    return Instrument().ReadCapture(dev, ch1, ch2, block, captureAddress, calibrationLevel);
}
MORVLINK_EXPORT int morvlink_entry_20(int dev, std::uint16_t* id) {
    return Instrument().ReadDeviceId(dev, id);
}
MORVLINK_EXPORT int morvlink_entry_21(int dev, int id) {
    return Instrument().WriteDeviceId(dev, id);
}
