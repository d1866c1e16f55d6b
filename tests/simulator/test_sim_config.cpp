#include <gtest/gtest.h>

#include "simulator/sim_config.h"

namespace tarnix {
namespace {

TEST(SimConfig, KeysCommentsAndErrorsByLine) {
    SimConfig config;
    const SimConfigResult result = ParseSimConfig("# two instruments\n"
                                                  "slot1.present = 1   # the second one\n"
                                                  "slot1.id=200\r\n"
                                                  "ch2.shape = triangle\n"
                                                  "ch2.frequency = 2.5e3\n"
                                                  "calibrated = 0\n"
                                                  "\n"
                                                  "ch1.frequency = -5\n"
                                                  "slot0.id = 300\n"
                                                  "ch3.shape = sine\n"
                                                  "ch1.shape = sawtooth\n"
                                                  "just words\n",
                                                  config);
    EXPECT_TRUE(config.slots[1].present);
    EXPECT_EQ(config.slots[1].deviceId, 200);
    EXPECT_EQ(config.signals[1].shape, SimShape::kTriangle);
    EXPECT_DOUBLE_EQ(config.signals[1].frequencyHz, 2500.0);
    EXPECT_FALSE(config.calibrated);

    // Bad lines are reported with their numbers and change nothing.
    ASSERT_EQ(result.errors.size(), 5u);
    EXPECT_TRUE(result.errors[0].starts_with("line 8:")) << result.errors[0];
    EXPECT_TRUE(result.errors[4].starts_with("line 12:")) << result.errors[4];
    const SimConfig defaults;
    EXPECT_DOUBLE_EQ(config.signals[0].frequencyHz, defaults.signals[0].frequencyHz);
    EXPECT_EQ(config.signals[0].shape, defaults.signals[0].shape);
    EXPECT_EQ(config.slots[0].deviceId, defaults.slots[0].deviceId);

    // The example shipped with the program parses cleanly.
    EXPECT_TRUE(LoadSimConfigFile(TARNIX_SIM_EXAMPLE, config).Ok());
    EXPECT_FALSE(LoadSimConfigFile("/nonexistent/sim.conf", config).Ok());
}

} // namespace
} // namespace tarnix
