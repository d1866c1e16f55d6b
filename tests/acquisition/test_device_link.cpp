#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "../support/fake_services.h"
#include "../support/stub_driver.h"
#include "../support/trace_values.h"
#include "acquisition/device_link.h"
#include "simulator/sim_instrument.h"

namespace tarnix {
namespace {

// A simulated instrument in-process, driven through CDeviceLink with a clock the test moves.
using testing::Pick;

struct CRig {
    explicit CRig(const SimConfig& config) : clock(1000), sim(clock, config), link(&sim) {
        link.Search();
        link.ReadCalibration();
        link.ReadCalibrationLevel();
    }
    testing::CFakeClock clock;
    CSimInstrument sim;
    CDeviceLink link;
    std::vector<std::uint16_t> ch1 = std::vector<std::uint16_t>(65536, 0);
    std::vector<std::uint16_t> ch2 = std::vector<std::uint16_t>(65536, 0);
};

TEST(DeviceLink, SearchCountsPresentSlotsAndReadsOnlyTheirIds) {
    SimConfig config;
    config.slots[2] = {true, 42};
    CRig rig(config);
    EXPECT_EQ(std::tuple(rig.link.present, rig.link.deviceId[2]),
              std::tuple(std::array<std::uint32_t, 4>{1, 0, 1, 0}, 42));
    // A second search starts from zero: an unplugged slot is no longer counted.
    rig.link.deviceId[1] = 9;
    rig.sim.SetPresent(0, false);
    EXPECT_EQ((std::tuple{rig.link.Search(), rig.link.present, rig.link.deviceId[1]}),
              std::tuple(1, std::array<std::uint32_t, 4>{0, 0, 1, 0}, 9));
}

// The Device List shows 0, not an older or made-up ID, for an instrument whose ID cannot be read.
TEST(DeviceLink, AnIdThatCannotBeReadIsZero) {
    testing::CStubDriver driver;
    driver.idsReadable = false;
    CDeviceLink link(&driver);
    link.deviceId[0] = 9;
    EXPECT_EQ(std::tuple(link.Search(), link.deviceId[0]), std::tuple(1, 0));
}

TEST(DeviceLink, CalibrationWordsRoundTripAsHighAndLowBytesWithTheHighByteCappedAt50) {
    CRig rig(SimConfig{});
    rig.link.calibration[1] = 2 * 256 + 88;
    rig.link.calibration[2] = 51 * 256 + 7;
    rig.link.calibration[35] = 0xFFFF;
    ASSERT_TRUE(rig.link.WriteCalibration());
    rig.link.calibration.fill(1);
    ASSERT_TRUE(rig.link.ReadCalibration());
    EXPECT_EQ(Pick(rig.link.calibration, {1, 2, 35}),
              (std::vector<int>{2 * 256 + 88, 50 * 256 + 7, 50 * 256 + 255}));
}

TEST(DeviceLink, AnUnpluggedInstrumentChangesNothingButZeroesTheCalibrationWords) {
    SimConfig config;
    config.calibrationLevel = 255; // never written: read as 0
    CRig rig(config);
    EXPECT_EQ(rig.link.calibrationLevel, 0);
    ASSERT_TRUE(rig.link.WriteCalibrationLevel(10) && rig.link.WriteDeviceId(0, 200));
    rig.link.StartCapture();
    rig.sim.SetPresent(0, false);
    EXPECT_FALSE(rig.link.ReadCalibration());
    EXPECT_TRUE(std::all_of(rig.link.calibration.begin(), rig.link.calibration.begin() + 36,
                            [](auto word) { return word == 0; }));
    EXPECT_FALSE(rig.link.ReadCalibrationLevel() || rig.link.WriteCalibrationLevel(3) ||
                 rig.link.WriteDeviceId(0, 17) || rig.link.ReadCapture(rig.ch1, rig.ch2) != 0);
    EXPECT_EQ(std::tuple(rig.link.calibrationLevel, rig.link.deviceId[0]), std::tuple(10, 200));
    // Plugged in again it still has its ID memory.
    rig.sim.SetPresent(0, true);
    rig.link.deviceId[0] = 0;
    EXPECT_EQ((std::tuple{rig.link.Search(), rig.link.deviceId[0]}), std::tuple(1, 200));
    EXPECT_FALSE(rig.link.WriteDeviceId(0, 256) || rig.link.WriteDeviceId(4, 1)); // out of the ID, slot range
}

TEST(DeviceLink, EveryEntryGoesToTheSelectedSlot) {
    // Only slot 2 answers: its time base, levels and capture show that every step went there.
    SimConfig config;
    config.slots[0].present = false;
    config.slots[2] = {true, 5};
    config.signals[0] = {SimShape::kDc, 0.0, 0.0, 1.0, 0.0};
    CRig rig(config);
    rig.link.selectedSlot = 2;
    ASSERT_TRUE(rig.link.IsPresent() && rig.link.ReadCalibration() &&
                rig.link.WriteCalibrationLevel(3)); // the level trims the read-out
    rig.link.block.timeDivIndex = 13;               // 100us/div with 10k: 10 MS/s
    rig.link.block.position = 20;                   // trigger point at 2048
    rig.link.block.channelCode = 2;
    rig.link.SetTimebaseTrigger(0);
    rig.link.SetChannels(6, 6, 0, 0, 0); // 1.00V/div, DC
    EXPECT_EQ(rig.sim.TriggerIndex(2), 2048u);
    rig.link.block.levels.ch1Zero = 100; // 0 V at 155
    rig.link.SetLevels(6, 6, 0);
    rig.link.StartCapture();
    rig.link.EnableTrigger();
    rig.link.ForceTrigger();
    rig.link.GetCaptureState();
    rig.link.ReadCapture(rig.ch1, rig.ch2);
    EXPECT_EQ(rig.ch1[0], 155 + 32 + 3);
    // A memory shorter than the record is refused before the driver could write past it.
    rig.link.block.bufferSizeIndex = 3; // 32768 samples
    std::vector<std::uint16_t> shortMemory(10240, 1);
    EXPECT_EQ(rig.link.ReadCapture(shortMemory, rig.ch2), 0);
}

TEST(DeviceLink, WithoutLibraryNothingIsFoundAndNothingSucceeds) {
    CDeviceLink link(nullptr);
    EXPECT_FALSE(link.Search() != 0 || link.IsPresent() || link.ReadCalibration() || link.StartCapture() ||
                 link.ForceTrigger());
    std::vector<std::uint16_t> memory(16, 7);
    EXPECT_EQ((std::tuple{link.GetCaptureState(), link.ReadCapture(memory.data(), memory.data()), memory[0]}),
              std::tuple(kCaptureWaiting, 0, 7));
}

} // namespace
} // namespace tarnix
