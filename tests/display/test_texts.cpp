#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "display/cursor_readouts.h"
#include "display/status_text.h"
#include "model/instrument_settings.h"

namespace tarnix {
namespace {

const PlotRect kPlot{21, 14, 521, 414}; // 500 x 400

TEST(CursorReadouts, VoltDeltaKeepsItsSignTimeDeltaDoesNot) {
    // 1 V/div on a 400-pixel plot: 8 / 400 * 50 = 1 V; B above A reads negative.
    EXPECT_EQ(FormatVoltDeltaReadout(CursorDeltaVolts(1.0, 400, 150, 100)), "Volt = -1.000 V");
    EXPECT_DOUBLE_EQ(CursorDeltaTime(0.001, 500, 221, 121), CursorDeltaTime(0.001, 500, 121, 221));
    EXPECT_EQ(FormatVoltDeltaReadout(CursorDeltaVolts(0.01, 400, 100, 125)), "Volt = 5.000 mV");
    EXPECT_EQ(FormatVoltDeltaReadout(0.0005), "Volt = 500.000 uV");
    EXPECT_EQ(FormatVoltDeltaReadout(-2500.0), "Volt = -2.500 kV");
}

TEST(CursorReadouts, UnitSteps) {
    EXPECT_EQ(FormatFreqReadout(1500.0), "Freq = 1.500 KHz");
    EXPECT_EQ(FormatFreqReadout(2.5e6), "Freq = 2.500 MHz");
    EXPECT_EQ(FormatFreqReadout(3e9), "Freq = 3.000 GHz");
    EXPECT_EQ(FormatFreqReadout(999.9994), "Freq = 999.999 Hz");
    EXPECT_EQ(FormatTimeReadout(5e-7), "Time = 500.000 nS");
    EXPECT_EQ(FormatTimeReadout(2e-6), "Time = 2.000 uS");
    EXPECT_EQ(FormatTimeReadout(1.5), "Time = 1.500 S");
    // The trace value has no absolute value: negative volts stay in V.
    EXPECT_EQ(FormatTraceVoltReadout(-0.5), "Volt = -0.500 V");
    EXPECT_EQ(FormatTraceVoltReadout(0.0), "Volt = 0.000 V");
    EXPECT_EQ(FormatTraceVoltReadout(0.25), "Volt = 250.000 mV");
    EXPECT_EQ(FormatTraceVoltReadout(0.0004), "Volt = 400.000 uV");
    EXPECT_EQ(FormatSpectrumLevelReadout(-20.456, 0), "-20.46 dB");
    EXPECT_EQ(FormatSpectrumLevelReadout(0.5, 1), "Volt = 500.000 mV");
    EXPECT_EQ(FormatSpectrumLevelReadout(0.0, 1), "Volt = 0.000 kV");
}

TEST(CursorReadouts, TraceIndexAndCrosshairColumn) {
    EXPECT_EQ(TraceCursorIndex(kPlot, 21), 0);
    EXPECT_EQ(TraceCursorIndex(kPlot, 271), 2500);
    EXPECT_EQ(TraceCursorIndex(kPlot, 521), 4999); // 5000 at the right edge reads as 4999
    EXPECT_EQ(TraceCursorIndex(kPlot, 522), -1);   // past it: no point
    EXPECT_EQ(TraceCursorX(kPlot, 2500), 271);
    EXPECT_EQ(TraceCursorX(kPlot, 4999), 520); // W / 5000 per index
    EXPECT_EQ(SpectrumCursorIndex(kPlot, 271, 1024, 4), 128);
    EXPECT_EQ(SpectrumCursorX(kPlot, 128, 1024, 4), 271);
}

TEST(CursorReadouts, PointsAndCrosshairStayInsideThePlot) {
    EXPECT_EQ(ClampCursorPoint(kPlot, Pt{0, 600}), (Pt{22, 413}));
    EXPECT_EQ(ClampCursorPoint(kPlot, Pt{700, -4}), (Pt{520, 15}));
    const Crosshair c = ComputeCrosshair(kPlot, 25, 16);
    EXPECT_EQ(c.segmentFrom, (Pt{22, 16}));
    EXPECT_EQ(c.segmentTo, (Pt{35, 16}));
    EXPECT_EQ(c.boxTopLeft, (Pt{22, 15}));
    EXPECT_EQ(c.boxBottomRight, (Pt{30, 21}));
    EXPECT_EQ(c.lineFrom, (Pt{25, 15}));
    EXPECT_EQ(c.lineTo, (Pt{25, 414}));
}

TEST(CursorReadouts, PanesByTypeAndSource) {
    using K = ReadoutKind;
    const struct {
        int type;
        int source;
        std::array<K, 3> panes;
    } cases[] = {
        {kCursorCross, kCursorSrcCh1, {K::kFreq, K::kTime, K::kVoltDelta}},
        {kCursorVertical, kCursorSrcCh2, {K::kFreq, K::kTime, K::kEmpty}},
        {kCursorHorizontal, kCursorSrcMath, {K::kEmpty, K::kEmpty, K::kVoltDelta}},
        {kCursorTrace, kCursorSrcCh1, {K::kEmpty, K::kEmpty, K::kTraceVolt}},
        {kCursorNone, kCursorSrcCh1, {K::kEmpty, K::kEmpty, K::kEmpty}},
        {kCursorNone, kCursorSrcFft, {K::kSpectrumFreq, K::kEmpty, K::kSpectrumLevel}},
    };
    for (const auto& c : cases) {
        const ReadoutPanes panes = ReadoutPanesFor(c.type, c.source);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(panes.pane[k], c.panes[k]) << c.type << "/" << c.source << " pane " << k;
        }
    }
}

TEST(StatusTexts, TriggerLevelTextKeepsThreeFigures) {
    EXPECT_EQ(FormatTriggerLevel(1.5), "1.50V");
    EXPECT_EQ(FormatTriggerLevel(12.5), "12.5V");
    EXPECT_EQ(FormatTriggerLevel(125.0), "125V");
    EXPECT_EQ(FormatTriggerLevel(-1.5), "-1.50V");
    EXPECT_EQ(FormatTriggerLevel(-125.0), "-125V");
    EXPECT_EQ(FormatTriggerLevel(0.25), "250mV");
    EXPECT_EQ(FormatTriggerLevel(0.03125), "31.2mV");
    EXPECT_EQ(FormatTriggerLevel(2500.0), "2.50kV");
    EXPECT_EQ(FormatTriggerLevel(0.0), "0.00uV");
    // "%f" of 1000 (kV) has 11 characters: the text stays as it is.
    EXPECT_EQ(FormatTriggerLevel(1e6), "1000.000000kV");
}

TEST(StatusTexts, TriggerLevelInVoltsPerSource) {
    InstrumentSettings s;
    s.ch(kCh1).voltsPerDivIndex = 6; // 1 V/div
    s.ch(kCh1).zeroLevel = 64.0f;
    s.trigger.levelCh1 = 32.0f;      // one division above 0 V
    s.ch(kCh2).voltsPerDivIndex = 3; // 0.1 V/div
    s.ch(kCh2).probe = 1;            // x10: 1 V/div
    s.ch(kCh2).zeroLevel = 192.0f;
    s.trigger.levelCh2 = 256.0f; // two divisions below
    s.trigger.levelExt = 96.0f;
    s.trigger.triggerSource = kTrigCh1;
    EXPECT_NEAR(TriggerLevelVolts(s, false), 1.0, 1e-9);
    s.trigger.triggerSource = kTrigCh2;
    EXPECT_NEAR(TriggerLevelVolts(s, false), -2.0, 1e-6);
    s.trigger.triggerSource = kTrigAlt;
    EXPECT_NEAR(TriggerLevelVolts(s, false), 1.0, 1e-9);
    EXPECT_NEAR(TriggerLevelVolts(s, true), -2.0, 1e-6);
    s.trigger.triggerSource = kTrigExt;
    EXPECT_NEAR(TriggerLevelVolts(s, false), 1.0, 1e-9);
    s.trigger.triggerSource = kTrigExt10;
    EXPECT_NEAR(TriggerLevelVolts(s, false), 10.0, 1e-9);
}

TEST(StatusTexts, FullScreenInformationStandsInForTheStrips) {
    InstrumentSettings s;
    s.runStatus = 0;
    s.timebase.timeDivOffset = 1;
    s.timebase.timeDivIndex = 12; // 40.0us
    s.ch(kCh2).colour = Rgb(255, 255, 0);
    s.ch(kCh2).voltsPerDivIndex = 6;
    s.ch(kCh2).zeroLevel = 192.0f;
    s.trigger.levelCh2 = 160.0f; // one division above 0 V
    s.trigger.triggerSource = kTrigCh2;
    s.trigger.slope = kSlopeFalling;
    auto items = FullScreenInformation(s, "Zeit");
    EXPECT_EQ(items[0].text, "STOP");
    EXPECT_EQ(items[0].colour, Rgb(255, 0, 0));
    EXPECT_EQ(items[1].text, "Zeit 40.0us");
    EXPECT_EQ(items[2].text, "CH2 \u2193 1.00V");
    EXPECT_EQ(items[2].colour, Rgb(255, 255, 0));
    s.trigger.triggerMode = kTrigModePulse;
    s.trigger.triggerSource = kTrigExt;
    s.trigger.levelExt = 128.0f;
    items = FullScreenInformation(s, "Time");
    EXPECT_EQ(items[2].text.substr(0, 10), "EXT Pulse ");
}

TEST(StatusTexts, RunStatesAndBlinking) {
    // The whole table; an unknown state reads AUTO and does not blink.
    const RunStateStyle states[] = {
        {"STOP", Rgb(255, 0, 0), 12, false},   {"RUN", Rgb(0, 255, 0), 14, false},
        {"Trig'D", Rgb(0, 255, 0), 11, false}, {"AUTO", Rgb(0, 255, 0), 12, true},
        {"WAIT", Rgb(0, 255, 0), 12, true},    {"PLAY", Rgb(0, 255, 0), 12, false},
        {"AUTO", Rgb(0, 255, 0), 12, false},
    };
    for (int status = 0; status <= 6; ++status) {
        const RunStateStyle expected = states[status];
        const RunStateStyle actual = RunStateFor(status);
        EXPECT_STREQ(actual.text, expected.text) << status;
        EXPECT_EQ(actual.colour, expected.colour) << status;
        EXPECT_EQ(actual.x, expected.x) << status;
        EXPECT_EQ(actual.blinking, expected.blinking) << status;
    }
    // Twenty repaints plain, twenty inverted.
    const std::pair<int, bool> ticks[] = {{0, false}, {20, false}, {21, true},
                                          {39, true}, {40, false}, {61, true}};
    for (const auto& [tick, inverted] : ticks) {
        EXPECT_EQ(BlinkInverted(tick), inverted) << tick;
    }
}

TEST(StatusTexts, AltAlternatesEveryTwentyRepaints) {
    int counter = 0;
    int ch2Shown = 0;
    for (int repaint = 0; repaint < 42; ++repaint) {
        ch2Shown += AltShowsCh2(counter) ? 1 : 0;
        counter = NextAltCounter(counter);
    }
    EXPECT_EQ(ch2Shown, 22); // 20..41 of the 0..41 cycle
    EXPECT_EQ(counter, 0);
}

TEST(StatusTexts, StripBoxesAndRecordPicture) {
    const StripBoxes b = ComputeStripBoxes(800);
    EXPECT_EQ(b.run.right, 52);
    EXPECT_EQ(b.centre.left, 333);
    EXPECT_EQ(b.centre.right, 467);
    EXPECT_EQ(b.trigger.left, 703);
    EXPECT_EQ(b.trigger.right, 798);
    EXPECT_EQ(RecordPictureTriggerX(b.centre, 0), 334);
    EXPECT_EQ(RecordPictureTriggerX(b.centre, 500), 461);
    EXPECT_EQ(RecordPictureTriggerX(b.centre, 250), 334 + 127 * 250 / 500);

    InstrumentSettings s; // 10k record: 2500 x 4 of 10240 samples shown
    const VisibleColumns centred = RecordPictureVisibleColumns(s, 250);
    EXPECT_EQ(centred.first, 1);
    EXPECT_EQ(centred.last, 127);
    s.ch(kCh1).recordLength = 32768; // 8 x 2500 of 32768: under two thirds
    s.timebase.timeDivIndex = 14;
    const VisibleColumns left = RecordPictureVisibleColumns(s, 0);
    EXPECT_EQ(left.first, 0);
    EXPECT_EQ(left.last, 79); // ceil(128 * 20000 / 32768) = ceil(78.1)
}

} // namespace
} // namespace tarnix
