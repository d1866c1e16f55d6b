#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/device_link.h"
#include "acquisition/driver_loader.h"
#include "simulator/sim_config.h"

namespace tarnix {
namespace {

namespace fs = std::filesystem;

class DriverLoader : public ::testing::Test {
protected:
    void SetUp() override {
        // One folder per process: a simulator library that stays loaded keeps watching the same file.
        dir_ = fs::temp_directory_path() / ("tarnix-loader-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        unsetenv("MORVLINK_LIBRARY");
        configPath_ = (dir_ / "sim.conf").string();
        WriteConfig("slot0.present = 1\nslot0.id = 7\nslot2.present = 1\nslot2.id = 42\n");
        setenv("MORVLINK_SIM_CONFIG", configPath_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("MORVLINK_LIBRARY");
        unsetenv("MORVLINK_SIM_CONFIG");
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void WriteConfig(const std::string& text) const { std::ofstream(configPath_, std::ios::trunc) << text; }

    fs::path dir_;
    std::string configPath_;
};

TEST_F(DriverLoader, MissingGarbageAndIncompleteLibrariesAreRefused) {
    EXPECT_FALSE(CDriverLoader::LoadFile((dir_ / "nothing-here.so").string()).error.empty());
    const fs::path garbage = dir_ / "libmorvlink.so";
    std::ofstream(garbage) << "this is not a shared library\n";
    EXPECT_EQ(CDriverLoader::LoadFile(garbage.string()).library, nullptr);
    DriverLoadResult incomplete = CDriverLoader::LoadFile(TARNIX_INCOMPLETE_LIBRARY);
    EXPECT_EQ(incomplete.library, nullptr);
    EXPECT_NE(incomplete.error.find("morvlink_entry_21"), std::string::npos) << incomplete.error;

    // Through Load: the broken file beside the program and an incomplete one named by the variable.
    setenv("MORVLINK_LIBRARY", TARNIX_INCOMPLETE_LIBRARY, 1);
    if (void* system = dlopen("libmorvlink.so", RTLD_NOW)) {
        dlclose(system);
        GTEST_SKIP() << "a libmorvlink.so is installed on this machine";
    }
    EXPECT_EQ(CDriverLoader::Load(dir_.string()), nullptr);
}

TEST_F(DriverLoader, LooksAtTheVariableThenBesideTheProgramThenTheSystemPathAndFollowsTheConfig) {
    EXPECT_EQ(CDriverLoader::Candidates("/opt/tarnix"),
              (std::vector<std::string>{"/opt/tarnix/libmorvlink.so", "libmorvlink.so"}));
    setenv("MORVLINK_LIBRARY", "/tmp/x.so", 1);
    EXPECT_EQ(CDriverLoader::Candidates("/opt/tarnix/"),
              (std::vector<std::string>{"/tmp/x.so", "/opt/tarnix/libmorvlink.so", "libmorvlink.so"}));

    // A variable naming a missing file falls through to the library beside the program.
    setenv("MORVLINK_LIBRARY", (dir_ / "missing.so").c_str(), 1);
    fs::create_symlink(TARNIX_SIM_LIBRARY, dir_ / "libmorvlink.so");
    std::unique_ptr<IDriverLibrary> library = CDriverLoader::Load(dir_.string());
    ASSERT_NE(library, nullptr);
    // The simulator library found there follows its configuration file: two slots, then unplugging
    // slot 0 by editing the file, then plugging it back in.
    CDeviceLink link(library.get());
    ASSERT_EQ(link.Search(), 2);
    EXPECT_EQ(link.deviceId[2], 42);
    WriteConfig("slot0.present = 0\nslot2.present = 1\nslot2.id = 42\n# slot 0 unplugged\n");
    EXPECT_FALSE(link.IsPresent());
    EXPECT_TRUE(link.IsPresent(2));
    WriteConfig("slot0.present = 1\nslot0.id = 7\n");
    EXPECT_TRUE(link.IsPresent());
    EXPECT_FALSE(link.IsPresent(2));
}

TEST(SimConfig, KeysCommentsAndErrorsByLine) {
    SimConfig config;
    const SimConfigResult result = ParseSimConfig("# two instruments\n"
                                                  "slot1.id=200   # the second one\r\n"
                                                  "ch2.shape = triangle\n"
                                                  "\n"
                                                  "ch1.frequency = -5\n"
                                                  "slot0.id = 300\n"
                                                  "ch1.shape = sawtooth\n",
                                                  config);
    EXPECT_EQ(config.slots[1].deviceId, 200);
    EXPECT_EQ(config.signals[1].shape, SimShape::kTriangle);
    // Bad lines are reported with their numbers and change nothing.
    ASSERT_EQ(result.errors.size(), 3u);
    EXPECT_TRUE(result.errors[0].starts_with("line 5:")) << result.errors[0];
    const SimConfig defaults;
    EXPECT_DOUBLE_EQ(config.signals[0].frequencyHz, defaults.signals[0].frequencyHz);
    EXPECT_EQ(config.slots[0].deviceId, defaults.slots[0].deviceId);

    // The example shipped with the program parses cleanly.
    EXPECT_TRUE(LoadSimConfigFile(TARNIX_SIM_EXAMPLE, config).Ok());
}

} // namespace
} // namespace tarnix
