#include "model/instrument_settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tarnix {
namespace {

TEST(FactoryDefaults, FreshDocumentForModelOne) {
    const InstrumentSettings s;
    EXPECT_EQ(s.model, 1);
    EXPECT_EQ(s.runStatus, kStatusAuto);
    EXPECT_EQ(s.persistenceOn, 0u);
    EXPECT_EQ(s.acquire, (AcquireSettings{kAcqNormal, 1, 0, 0, 0, 0, 1}));
    // 40.0us per division, the 10k buffer, Y-T, centred, real time.
    EXPECT_EQ(s.timebase, (TimebaseSettings{1, 12, kFormatYT, 250, 0, 0}));
    EXPECT_EQ(s.trigger, (TriggerSettings{kTrigCh1, kTrigModeEdge, kSweepAuto, kSlopeRising, 0, 64.0f, 192.0f,
                                          128.0f, kMarkerOnScreen, kMarkerOnScreen, kMarkerOnScreen}));
    const std::uint32_t enabled[] = {1, 1, 0, 0};
    const std::uint32_t colours[] = {0x00FF00, 0xFFFF00, 0xFF0000, 0x00FFFF};
    const float zeros[] = {64.0f, 192.0f, 128.0f, 128.0f};
    for (int i = 0; i < kChannelCount; ++i) {
        const ChannelSettings& c = s.ch(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(c.enabled, enabled[i]);
        EXPECT_EQ(c.colour, colours[i]);
        EXPECT_EQ(c.zeroLevel, zeros[i]);
        EXPECT_EQ(c.voltsPerDivIndex, 6);
        EXPECT_EQ(c.interpolation, kInterpSinc);
        EXPECT_EQ(c.recordLength, 10240u);
        EXPECT_EQ(c.model, 1);
        EXPECT_EQ(c.probe, 0);
        EXPECT_EQ(c.invert, 0u);
        EXPECT_EQ(c.bandwidthLimit, 0u);
        EXPECT_EQ(c.filterMode, kFilterNone);
    }
    EXPECT_EQ(s.ch(kCh1).coupling, kCouplingAc);
    EXPECT_EQ(s.ch(kCh2).coupling, kCouplingAc);
    EXPECT_EQ(s.ch(kMath).math, (MathSettings{kMathAdd, 0, 1}));
}

TEST(FactoryDefaults, FactorySetupResetsAllButWhatItDoesNotDefine) {
    InstrumentSettings s;
    std::memset(static_cast<void*>(&s), 0x5A, sizeof s); // every field away from its factory value
    const InstrumentSettings scrambled = s;
    ApplyFactoryDefaults(s);
    // Left alone: demo mode (a start-up decision), the persistence depth (the screen's), and what Factory
    // Setup does not define: the REF channel's probe, invert, bandwidth limit and filter, MATH/REF coupling.
    InstrumentSettings expected;
    expected.demoMode = scrambled.demoMode;
    expected.persistenceDepth = scrambled.persistenceDepth;
    for (int i : {kMath, kRef}) {
        expected.ch(i).coupling = scrambled.ch(i).coupling;
    }
    for (int i : {kCh1, kCh2, kRef}) {
        expected.ch(i).math = scrambled.ch(i).math; // only the MATH channel uses it
    }
    ChannelSettings& ref = expected.ch(kRef);
    ref.probe = scrambled.ch(kRef).probe;
    ref.invert = scrambled.ch(kRef).invert;
    ref.bandwidthLimit = scrambled.ch(kRef).bandwidthLimit;
    ref.filterMode = scrambled.ch(kRef).filterMode;
    EXPECT_EQ(s, expected);
}

} // namespace
} // namespace tarnix
