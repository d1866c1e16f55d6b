// Cursor readouts, status texts and marker placement on a 500 x 400 plot at (21, 14).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "display/cursor_readouts.h"
#include "display/marker_geometry.h"
#include "display/status_text.h"
#include "model/instrument_settings.h"

namespace tarnix {
namespace {

const PlotRect kPlot{21, 14, 521, 414};

// Each readout steps its unit at a power of a thousand; the values sit on or just below a step.
TEST(CursorReadouts, UnitsStepAtTheirThresholds) {
    const std::pair<std::string, const char*> cases[] = {
        // 1 V/div on a 400-pixel plot: 50 px is 1 V; B above A reads negative.
        {FormatVoltDeltaReadout(CursorDeltaVolts(1.0, 400, 150, 100)), "Volt = -1.000 V"},
        {FormatVoltDeltaReadout(CursorDeltaVolts(0.01, 400, 100, 125)), "Volt = 5.000 mV"},
        {FormatVoltDeltaReadout(0.0005), "Volt = 500.000 uV"},
        {FormatVoltDeltaReadout(-1000.0), "Volt = -1.000 kV"},
        {FormatFreqReadout(999.9994), "Freq = 999.999 Hz"},
        {FormatFreqReadout(1000.0), "Freq = 1.000 KHz"},
        {FormatFreqReadout(1e6), "Freq = 1.000 MHz"},
        {FormatFreqReadout(1e9), "Freq = 1.000 GHz"},
        {FormatTimeReadout(5e-7), "Time = 500.000 nS"},
        {FormatTimeReadout(1e-6), "Time = 1.000 uS"},
        {FormatTimeReadout(0.001), "Time = 1.000 mS"},
        {FormatTimeReadout(1.0), "Time = 1.000 S"},
        // The trace value has no absolute value: negative volts and zero stay in V.
        {FormatTraceVoltReadout(-0.5), "Volt = -0.500 V"},
        {FormatTraceVoltReadout(0.0), "Volt = 0.000 V"},
        {FormatTraceVoltReadout(0.0004), "Volt = 400.000 uV"},
        {FormatSpectrumLevelReadout(-20.456, 0), "-20.46 dB"},
        {FormatSpectrumLevelReadout(0.0, 1), "Volt = 0.000 kV"},
    };
    for (const auto& [actual, expected] : cases) {
        EXPECT_EQ(actual, expected);
    }
    EXPECT_DOUBLE_EQ(CursorDeltaTime(0.001, 500, 221, 121), CursorDeltaTime(0.001, 500, 121, 221));
}

TEST(CursorReadouts, TraceIndexCrosshairAndPanes) {
    // 5000 at the right edge reads as 4999; past it, no point.
    EXPECT_EQ(std::tuple(TraceCursorIndex(kPlot, 271), TraceCursorIndex(kPlot, 521),
                         TraceCursorIndex(kPlot, 522), TraceCursorX(kPlot, 4999)),
              std::tuple(2500, 4999, -1, 520));
    EXPECT_EQ(std::tuple(SpectrumCursorIndex(kPlot, 271, 1024, 4), SpectrumCursorX(kPlot, 128, 1024, 4)),
              std::tuple(128, 271));
    EXPECT_EQ(std::tuple(ClampCursorPoint(kPlot, Pt{0, 600}), ClampCursorPoint(kPlot, Pt{700, -4})),
              std::tuple(Pt{22, 413}, Pt{520, 15}));
    EXPECT_EQ(ComputeCrosshair(kPlot, 25, 16).boxTopLeft, (Pt{22, 15})); // held inside the plot
    const Crosshair free = ComputeCrosshair(kPlot, 200, 200); // away from the edges: a square around it
    EXPECT_EQ(
        std::tuple(free.boxBottomRight.x - free.boxTopLeft.x, free.boxTopLeft.x + free.boxBottomRight.x),
        std::tuple(free.boxBottomRight.y - free.boxTopLeft.y, 2 * 200 + 1));

    // The time cursors' panes are checked through the window; the FFT source reads the spectrum instead.
    const ReadoutPanes fft = ReadoutPanesFor(kCursorNone, kCursorSrcFft);
    EXPECT_EQ(std::tuple(fft.pane[0], fft.pane[1], fft.pane[2]),
              std::tuple(ReadoutKind::kSpectrumFreq, ReadoutKind::kEmpty, ReadoutKind::kSpectrumLevel));
}

TEST(StatusTexts, TriggerLevelKeepsThreeFiguresInVoltsOfItsSource) {
    const std::pair<double, const char*> texts[] = {
        {1.0, "1.00V"},     {12.5, "12.5V"}, {-125.0, "-125V"},      {-1.5, "-1.50V"}, {0.999, "999mV"},
        {1000.0, "1.00kV"}, {0.0, "0.00uV"}, {1e6, "1000.000000kV"}, // "%f" of 1000 (kV) has 11 characters:
                                                                     // the text stays as it is
    };
    for (const auto& [volts, text] : texts) {
        EXPECT_EQ(FormatTriggerLevel(volts), text) << volts;
    }
    InstrumentSettings s;
    s.ch(kCh1).voltsPerDivIndex = 6; // 1 V/div
    s.trigger.levelCh1 = 32.0f;      // one division above 0 V at zero level 64
    s.ch(kCh2).voltsPerDivIndex = 3; // 0.1 V/div
    s.ch(kCh2).probe = 1;            // x10: 1 V/div
    s.ch(kCh2).zeroLevel = 192.0f;
    s.trigger.levelCh2 = 256.0f; // two divisions below
    s.trigger.levelExt = 96.0f;
    const struct {
        int source;
        bool ch2Shown;
        double volts;
    } levels[] = {{kTrigCh1, false, 1.0}, {kTrigCh2, false, -2.0}, {kTrigAlt, false, 1.0},
                  {kTrigAlt, true, -2.0}, {kTrigExt, false, 1.0},  {kTrigExt10, false, 10.0}};
    for (const auto& c : levels) {
        s.trigger.triggerSource = static_cast<std::uint16_t>(c.source);
        EXPECT_NEAR(TriggerLevelVolts(s, c.ch2Shown), c.volts, 1e-6) << c.source << c.ch2Shown;
    }
}

TEST(StatusTexts, FullScreenInformationStandsInForTheStrips) {
    InstrumentSettings s;
    s.runStatus = kStatusStopped;
    s.timebase.timeDivOffset = 1;
    s.timebase.timeDivIndex = 12; // 40.0us
    s.ch(kCh2).colour = Rgb(255, 255, 0);
    s.ch(kCh2).voltsPerDivIndex = 6;
    s.ch(kCh2).zeroLevel = 192.0f;
    s.trigger.levelCh2 = 160.0f; // one division above 0 V
    s.trigger.triggerSource = kTrigCh2;
    s.trigger.slope = kSlopeFalling;
    const auto items = FullScreenInformation(s, "Zeit");
    EXPECT_EQ(std::tuple(items[0].text, items[0].colour, items[1].text, items[2].text, items[2].colour),
              std::tuple("STOP", Rgb(255, 0, 0), "Zeit 40.0us", "CH2 \u2193 1.00V", Rgb(255, 255, 0)));
}

TEST(StatusTexts, RunStatesBlinkingAltAndRecordPicture) {
    // Auto and Wait blink, a triggered frame and an unknown state do not (the texts are the strip test's).
    EXPECT_TRUE(RunStateFor(kStatusAuto).blinking && RunStateFor(kStatusWait).blinking);
    EXPECT_FALSE(RunStateFor(kStatusTriggered).blinking || RunStateFor(6).blinking);
    // Twenty repaints plain, twenty inverted; ALT shows CH2 for 20..41 of each 0..41 cycle.
    EXPECT_FALSE(BlinkInverted(20) || BlinkInverted(40));
    EXPECT_TRUE(BlinkInverted(21) && BlinkInverted(39));
    int counter = 0;
    int ch2Shown = 0;
    for (int repaint = 0; repaint < 42; ++repaint) {
        ch2Shown += AltShowsCh2(counter) ? 1 : 0;
        counter = NextAltCounter(counter);
    }
    EXPECT_EQ(std::tuple(ch2Shown, counter), std::tuple(22, 0));

    const StripBoxes b = ComputeStripBoxes(800);
    EXPECT_EQ(std::tuple(RecordPictureTriggerX(b.centre, 0), RecordPictureTriggerX(b.centre, 500)),
              std::tuple(334, 461));
    InstrumentSettings s; // 10k record: 2500 x 4 of 10240 samples shown
    const auto columns = [&](int position) {
        return std::pair(RecordPictureVisibleColumns(s, position).first,
                         RecordPictureVisibleColumns(s, position).last);
    };
    EXPECT_EQ(columns(250), std::pair(1, 127));
    s.ch(kCh1).recordLength = 32768; // 8 x 2500 of 32768: under two thirds, ceil(128 x 20000 / 32768) = 79
    s.timebase.timeDivIndex = 14;
    EXPECT_EQ(columns(0), std::pair(0, 79));
}

TEST(Markers, TriggerLevelMarkerIsHeldAtThePlotEdgesAndPoints) {
    // Level -10 lies 15.6 pixels above the top edge; 300 maps to 482.75, below the bottom edge at 414.
    const struct {
        float level;
        int state;
        Pt levelPoint;
        Pt markerPoint;
    } cases[] = {
        {-10.0f, 2, Pt{542, 14}, Pt{538, 8}},
        {300.0f, 3, Pt{542, 414}, Pt{538, 420}},
        {64.0f, 0, Pt{542, 114}, Pt{542, 114}},
        {0.0f, 0, Pt{542, 14}, Pt{542, 14}}, // exactly on an edge is on the screen
        {256.0f, 0, Pt{542, 414}, Pt{542, 414}},
    };
    for (const auto& c : cases) {
        const LevelMarkerPlacement p = PlaceTriggerLevelMarker(kPlot, 21, c.level, 0);
        EXPECT_EQ(std::tuple(p.state, p.levelPoint, p.markerPoint),
                  std::tuple(c.state, c.levelPoint, c.markerPoint))
            << c.level;
    }
    // In full-screen mode there is no margin; a stored off-screen state is kept.
    EXPECT_EQ(std::tuple(PlaceTriggerLevelMarker(kPlot, 0, 64.0f, 0).levelPoint.x,
                         PlaceTriggerLevelMarker(kPlot, 21, 64.0f, 3).state),
              std::tuple(521, 3));

    const MarkerShape up = TriggerLevelMarkerShape(Pt{538, 8}, 2);
    EXPECT_EQ(up.polygon,
              (std::array<Pt, 5>{Pt{532, 8}, Pt{538, 14}, Pt{538, 25}, Pt{527, 25}, Pt{527, 14}}));
    EXPECT_EQ(up.label, (Pt{530, 12}));
    EXPECT_EQ(TriggerLevelMarkerArrow(Pt{538, 8}, 2).polyline[0], (Pt{530, 30}));
    EXPECT_EQ(TriggerLevelMarkerShape(Pt{538, 420}, 3).label, (Pt{530, 403})); // pointing down
    const HitRect r = BoundingBox(TriggerLevelMarkerShape(Pt{542, 114}, 0));
    EXPECT_EQ((std::array<int, 4>{r.left, r.top, r.right, r.bottom}),
              (std::array<int, 4>{525, 109, 542, 120}));
}

// Every full-screen arrow is a straight shaft with a head whose two strokes start at the tip and mirror
// each other across the shaft.
TEST(Markers, ArrowHeadsAreJoinedToTheShaftAndSymmetric) {
    const Pt at{200, 200};
    std::vector<ArrowShape> arrows{ChannelMarkerArrow(at), XYMarkerArrow(at)};
    for (int state = 0; state < 4; ++state) {
        arrows.push_back(TriggerLevelMarkerArrow(at, state));
        arrows.push_back(PositionMarkerArrow(at, state));
    }
    for (const ArrowShape& a : arrows) {
        const Pt tail = a.polyline[0];
        const Pt tip = a.polyline[1];
        const Pt one = a.polyline[2];
        const Pt other = a.segment[1];
        ASSERT_TRUE(tail.x == tip.x || tail.y == tip.y) << tip.x << "," << tip.y;
        EXPECT_EQ(a.segment[0], tip);
        const bool horizontal = tail.y == tip.y;
        const Pt mirrored = horizontal ? Pt{one.x, 2 * tip.y - one.y} : Pt{2 * tip.x - one.x, one.y};
        EXPECT_EQ(mirrored, other) << tip.x << "," << tip.y;
    }
}

// The two off-screen trigger-position markers are mirror images, each pointing out of its own side.
TEST(Markers, OffScreenPositionMarkersMirrorEachOther) {
    const Pt at{200, 2};
    const HitRect left = BoundingBox(PositionMarkerShape(at, kPosPastLeft));
    const HitRect right = BoundingBox(PositionMarkerShape(at, kPosPastRight));
    EXPECT_EQ(std::pair(left.right - left.left, at.x - left.left),
              std::pair(right.right - right.left, right.right - at.x));
    EXPECT_LT(at.x - left.left, left.right - at.x);
}

TEST(Markers, PlacesDragsAndLevelsFromThePointer) {
    // X-Y: zero level 256 is the left end of the 8 divisions, 0 the right end.
    EXPECT_EQ(std::tuple(PositionMarkerX(kPlot, 600), XYMarkerX(kPlot, 256.0f), XYMarkerX(kPlot, 0.0f),
                         LevelFromY(kPlot, 0), LevelFromY(kPlot, 900), XYZeroLevelFromX(kPlot, 30),
                         XYZeroLevelFromX(kPlot, 500)),
              std::tuple(521.0f, 71.0f, 471.0f, 0.0f, 256.0f, 256.0f, 0.0f));

    // Dragged to x: past the left edge the tip points left; inside, the position is (x - L + 1) * 500 / W.
    for (const auto& [x, position, markerX, state, tip] :
         {std::tuple(3, 0, 21, int{kPosPastLeft}, Pt{16, 5}),
          std::tuple(121, 101, 121, int{kPosOnScreen}, Pt{121, 13})}) {
        const PositionDrag d = DragPositionMarker(kPlot, x);
        EXPECT_EQ(std::tuple(d.horizontalPosition, d.markerX, d.state,
                             PositionMarkerShape(Pt{d.markerX, 0}, d.state).polygon[0]),
                  std::tuple(position, markerX, state, tip))
            << x;
    }
    // A trigger level pushed past an edge by its zero level is held there, the level kept.
    const LevelFollow up = FollowZeroLevel(kPlot, 114, -150.0f, 64.0f);
    EXPECT_EQ(std::tuple(up.state, up.pointY, up.level, FollowZeroLevel(kPlot, 400, 20.0f, 248.0f).state),
              std::tuple(2, 14, 64.0f, 3));
}

TEST(Markers, DrawAndHitTestOrders) {
    // The grabbed group is drawn last, every group once; with CH1 on top CH2 goes first.
    EXPECT_EQ(MarkerDrawOrder(kTopCh1).front(), kTopCh2);
    for (int top = 0; top <= 5; ++top) {
        auto order = MarkerDrawOrder(top);
        EXPECT_EQ(order.back(), top);
        std::sort(order.begin(), order.end());
        EXPECT_EQ(std::adjacent_find(order.begin(), order.end()), order.end()) << "each group once";
    }
    const auto hits = [](int format, bool running, int source) {
        HitTestInput in;
        in.channelOn = {true, true, false, true};
        in.displayFormat = format;
        in.running = running;
        in.triggerSource = source;
        const HitTestOrder o = MarkerHitTestOrder(in);
        return std::vector<int>(o.markers.begin(), o.markers.begin() + o.count);
    };
    // ALT: both channel levels; EXT/10: the EXT level; stopped: no position marker.
    EXPECT_EQ(hits(0, true, 2), (std::vector<int>{kMarkerTrigPos, kMarkerCh1, kMarkerCh2, kMarkerRef,
                                                  kMarkerLevelCh1, kMarkerLevelCh2}));
    EXPECT_EQ(hits(0, false, 4), (std::vector<int>{kMarkerCh1, kMarkerCh2, kMarkerRef, kMarkerLevelExt}));
    // X-Y has no trigger markers and no left CH1 marker; Roll has the channels only.
    EXPECT_EQ(hits(2, true, 2), (std::vector<int>{kMarkerCh2, kMarkerRef, kMarkerXYCh1}));
    EXPECT_EQ(hits(1, true, 0), (std::vector<int>{kMarkerCh1, kMarkerCh2, kMarkerRef}));
}

} // namespace
} // namespace tarnix
