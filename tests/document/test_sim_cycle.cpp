// The whole instrument path against the simulated instrument: search, configure, poll, read, process.
// Unplugging is covered on each side: the cycle against the fake driver, the instrument in its own tests.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../acquisition/fake_services.h"
#include "document/tarnix_doc.h"
#include "simulator/sim_instrument.h"

namespace tarnix {
namespace {

struct SimRig {
    testing::CFakeClock clock;
    testing::CFakeRandom random;
    CSimInstrument sim{clock};
    std::vector<std::string> status;
    CTarnixDoc doc{DocumentServices{&sim, &clock, &random, nullptr, nullptr}};

    SimRig() {
        doc.hooks.showStatus = [this](std::string_view text) { status.emplace_back(text); };
    }
    // Ticks until a capture has been read (at most `limit` ticks); the count of ticks it took.
    int TickUntilCapture(int limit) {
        const std::uint32_t before = sim.CaptureCount(0);
        for (int i = 1; i <= limit; ++i) {
            clock.Advance(30);
            doc.OnTick();
            if (sim.CaptureCount(0) > before && doc.settings.runStatus == kStatusTriggered) {
                return i;
            }
        }
        return -1;
    }
};

TEST(SimCycle, CapturesTheConfiguredSineThroughTheInstrumentPath) {
    SimRig rig;
    ASSERT_EQ(rig.doc.StartUp(), StartupResult::kConnected);
    ASSERT_GT(rig.TickUntilCapture(50), 0);
    EXPECT_EQ(rig.status.back(), "Connected");

    // CH1: 2 Vpp at 1 V/div is 64 codes peak to peak around 0 V, code 191 (zero level 64).
    const auto& samples = rig.doc.frames[kCh1].samples;
    const auto [low, high] = std::minmax_element(samples.begin(), samples.begin() + 10240);
    EXPECT_NEAR(*high - *low, 64, 4);
    EXPECT_NEAR((*high + *low) / 2.0, 191.0, 3.0);

    // The processed display trace shows the same swing on screen codes (0 V at 191, 1 V = 32 codes).
    const auto& display = rig.doc.frames[kCh1].display;
    const auto [dlow, dhigh] = std::minmax_element(display.begin(), display.end());
    EXPECT_NEAR(*dhigh, 223, 4);
    EXPECT_NEAR(*dlow, 159, 4);
}

} // namespace
} // namespace tarnix
