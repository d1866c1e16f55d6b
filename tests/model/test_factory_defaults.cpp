#include "model/instrument_settings.h"

#include <gtest/gtest.h>

namespace tarnix {
namespace {

// Every field away from its factory value, so a field the routine forgets shows up.
InstrumentSettings Scrambled() {
    InstrumentSettings s;
    s.model = 4;
    s.demoMode = 1;
    s.runStatus = kStatusWait;
    s.persistenceOn = 1;
    s.persistenceDepth = 7;
    for (int i = 0; i < kChannelCount; ++i) {
        ChannelSettings& c = s.ch(i);
        c.enabled = (i >= 2) ? 1 : 0;
        c.bandwidthLimit = 1;
        c.invert = 1;
        c.coupling = kCouplingGnd;
        c.probe = 3;
        c.voltsPerDivIndex = 2;
        c.filterMode = kFilterHigher;
        c.colour = 0x123456;
        c.zeroLevel = 3.5f;
        c.interpolation = kInterpStep;
        c.recordLength = 524288;
        c.model = 5;
        c.math = {kMathDiv, 1, 0};
    }
    s.trigger = {kTrigExt10, kTrigModePulse,  kSweepSingle,       kSlopeFalling,  1, 1.0f, 2.0f,
                 3.0f,       kMarkerAboveTop, kMarkerBelowBottom, kMarkerAboveTop};
    s.timebase = {0, 30, kFormatXY, 17, 6, 1};
    s.acquire = {kAcqAverage, 64, 12, 1, 1, 1, 0};
    return s;
}

TEST(FactoryDefaults, FreshDocumentForModelOne) {
    InstrumentSettings s = Scrambled();
    ApplyFactoryDefaults(s);

    EXPECT_EQ(s.model, 1);
    EXPECT_EQ(s.runStatus, kStatusAuto);
    EXPECT_EQ(s.persistenceOn, 0u);
    EXPECT_EQ(s.acquire, (AcquireSettings{kAcqNormal, 1, 0, 0, 0, 0, 1}));

    // 40.0us per division, the 10k buffer, Y-T, centred, real time.
    EXPECT_EQ(s.timebase, (TimebaseSettings{1, 12, kFormatYT, 250, 0, 0}));
    EXPECT_DOUBLE_EQ(SecondsPerDiv(s.timebase), 40e-6);

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
        if (i != kRef) {
            EXPECT_EQ(c.probe, 0);
            EXPECT_EQ(c.invert, 0u);
            EXPECT_EQ(c.bandwidthLimit, 0u);
            EXPECT_EQ(c.filterMode, kFilterNone);
        }
    }
    EXPECT_EQ(s.ch(kCh1).coupling, kCouplingAc);
    EXPECT_EQ(s.ch(kCh2).coupling, kCouplingAc);
    EXPECT_EQ(s.ch(kMath).math, (MathSettings{kMathAdd, 0, 1}));
}

TEST(FactoryDefaults, LeavesWhatFactorySetupDoesNotDefine) {
    InstrumentSettings s = Scrambled();
    ApplyFactoryDefaults(s);
    EXPECT_EQ(s.demoMode, 1u); // demo mode survives Factory Setup
    EXPECT_EQ(s.persistenceDepth, 7);
    EXPECT_EQ(s.ch(kRef).probe, 3);
    EXPECT_EQ(s.ch(kRef).invert, 1u);
    EXPECT_EQ(s.ch(kMath).coupling, kCouplingGnd);
}

TEST(FactoryDefaults, DefaultConstructedRecordAlreadyMatches) {
    const InstrumentSettings constructed;
    InstrumentSettings reset = constructed;
    ApplyFactoryDefaults(reset);
    EXPECT_EQ(reset, constructed);
}

} // namespace
} // namespace tarnix
