// Feeds arbitrary bytes to the Pass/Fail mask loader and checks that whatever it accepts leaves the
// tolerances, source and output within the ranges the panel can show.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "analysis/pass_fail.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "Pass/Fail state out of range after load: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnix;
    PassFailState state;
    const PassFailState before = state;
    const bool accepted = DecodePsf(std::span<const std::uint8_t>(data, size), state);
    if (!accepted) {
        Require(state == before, "a refused file changed the state");
        return 0;
    }
    Require(state.horizontalTolerance >= 1 && state.horizontalTolerance <= kHorizontalPointsMax,
            "horizontal tolerance");
    Require(state.verticalTolerance >= 1 && state.verticalTolerance <= kVerticalPanelMax, "vertical tolerance");
    Require(state.source <= 1, "source");
    Require(state.output <= kOutputPassBeep, "output");
    Require(state.stopWhenOutput == 0 || state.stopWhenOutput == 1, "stop when output");
    // What was loaded must save back to the same ten bytes.
    PassFailState again;
    Require(DecodePsf(EncodePsf(state), again) && again == state, "round trip");
    return 0;
}
