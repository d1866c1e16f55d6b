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
                                                  "ch2.amplitude = 3\n"
                                                  "ch2.offset = -0.75\n"
                                                  "ch2.noise = 0.1\n"
                                                  "seed = 99\n"
                                                  "calibrated = 0\n"
                                                  "calibrationLevel = 255\n"
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
    EXPECT_DOUBLE_EQ(config.signals[1].amplitudeVpp, 3.0);
    EXPECT_DOUBLE_EQ(config.signals[1].offsetVolts, -0.75);
    EXPECT_DOUBLE_EQ(config.signals[1].noiseVpp, 0.1);
    EXPECT_EQ(config.seed, 99u);
    EXPECT_FALSE(config.calibrated);
    EXPECT_EQ(config.calibrationLevel, 255);

    // Bad lines are reported with their numbers and change nothing.
    ASSERT_EQ(result.errors.size(), 5u);
    EXPECT_EQ(result.errors[0].rfind("line 13:", 0), 0u) << result.errors[0];
    EXPECT_EQ(result.errors[4].rfind("line 17:", 0), 0u) << result.errors[4];
    const SimConfig defaults;
    EXPECT_DOUBLE_EQ(config.signals[0].frequencyHz, defaults.signals[0].frequencyHz);
    EXPECT_EQ(config.signals[0].shape, defaults.signals[0].shape);
    EXPECT_EQ(config.slots[0].deviceId, defaults.slots[0].deviceId);
}

TEST(SimConfig, ExampleFileInTheRepositoryParsesCleanly) {
    SimConfig config;
    const SimConfigResult result = LoadSimConfigFile(TARNIX_SIM_EXAMPLE, config);
    EXPECT_TRUE(result.Ok()) << (result.errors.empty() ? "" : result.errors.front());
    EXPECT_FALSE(LoadSimConfigFile("/nonexistent/sim.conf", config).Ok());
}

} // namespace
} // namespace tarnix
