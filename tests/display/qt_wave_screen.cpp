// Paints the screen and the status strip into their off-screen images on the offscreen platform and
// checks pixels at positions computed from the plot rectangle; drives the mouse with real events.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "display/marker_geometry.h"
#include "display/mask_painter.h"
#include "display/screen_geometry.h"
#include "display/status_strip.h"
#include "display/wave_screen.h"
#include "fake_screen_host.h"

using namespace tarnix;

namespace {

// Client 542 x 428: the plot is (21, 14)-(521, 414), 500 x 400.
constexpr int kClientW = 542;
constexpr int kClientH = 428;
const PlotRect kPlot{21, 14, 521, 414};

// Pixel values without alpha, as PixelAt returns them.
QRgb Rgb3(int r, int g, int b) {
    return qRgb(r, g, b) & 0x00FFFFFFu;
}

QRgb PixelAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0x00FFFFFFu;
}

void Mouse(QWidget& w, QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
    const QPointF at(x, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, w.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

void Click(QWidget& w, int x, int y) {
    Mouse(w, QEvent::MouseButtonPress, x, y, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, x, y, Qt::NoButton);
}

// Counts pixels of a colour inside a rectangle. Text is antialiased, so text checks allow a summed
// distance of the three components (tolerance) from the colour.
int CountColour(const QImage& image, const QRect& r, QRgb colour, int tolerance = 0) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int d = std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                          std::abs(qBlue(p) - qBlue(colour));
            n += d <= tolerance ? 1 : 0;
        }
    }
    return n;
}

constexpr int kText = 120;

struct Fixture {
    Fixture() : screen(host) { screen.resize(kClientW, kClientH); }
    CFakeScreenHost host;
    CWaveScreen screen;
};

} // namespace

class TestWaveScreen : public QObject {
    Q_OBJECT

private slots:
    void graticuleAxesInGridColour();
    void gridIsDrawnOverTheMask();
    void intensityScalesCh1AndRecoloursMathRef();
    void firstAndLastPointsAreDrawn();
    void stoppedTraceBridgesAGapAndKeepsItsWindow();
    void persistenceIsDrawnInFadingColours();
    void xyFigureIsCyan();
    void topMarkerIsDrawnOverTheOthers();
    void averageNoteAndFullScreenLabels();
    void fullScreenInformationLine();
    void levelMarkerStateSurvivesATinyWindow();
    void positionMarkerDraggedPastTheRightEdge();
    void dragsActOnEveryFourthEvent();
    void dragModeMovesTheTriggerPointWithThePointer();
    void zoomModesStepOnPressesInsideThePlot();
    void zeroLevelDragTakesTheTriggerLevelAlong();
    void cursorReadoutsOfAClickAndADrag();
    void traceCursorCrosshairAndReadout();
    void resizeHidesCursorsAndDropsTheRaster();
    void settersClampAndIgnore();
    void nullRectangleIsReported();
    void statusStripTextColours();
    void triggerSymbolTakesTheSourceColour();
    void statusStripBlinksWhileWaiting();
    void statusStripXYModeHasNoTriggerBox();
};

void TestWaveScreen::graticuleAxesInGridColour() {
    Fixture f;
    f.host.settings.ch(kCh1).enabled = 0;
    f.host.settings.ch(kCh2).enabled = 0;
    f.screen.SetGridIntensity(200);
    const QImage& image = f.screen.RenderFrame();
    QCOMPARE(image.size(), QSize(kClientW, kClientH));
    const QRgb grid = Rgb3(200, 200, 200);
    // Columns every 10 px from x = 31 (centre axis 271), rows every 12.5 px from y = 26 (centre 214).
    struct Probe {
        int x;
        int y;
        bool lit;
    };
    const Probe probes[] = {
        {271, 20, true}, {271, 413, true}, {25, 214, true},   {520, 214, true}, // centre axes
        {71, 19, true},  {71, 20, false},  {71, 26, true},                      // major tick, a dot
        {31, 16, true},  {31, 17, false},                                       // minor tick
        {511, 16, true}, {511, 17, false},                                      // last column's tick
        {23, 401, true}, {519, 401, true}, {25, 401, false},                    // last row's ticks
        {71, 401, true}, {511, 64, true},  {100, 100, false},                   // last dots, background
    };
    for (const Probe& p : probes) {
        const QString where = QStringLiteral("%1,%2").arg(p.x).arg(p.y);
        QVERIFY2(PixelAt(image, p.x, p.y) == (p.lit ? grid : 0u), qPrintable(where));
    }
    QCOMPARE(PixelAt(image, 5, 200), Rgb3(50, 50, 50));     // border
    QCOMPARE(PixelAt(image, 21, 200), Rgb3(255, 255, 255)); // white frame

    // Grid off: the dots go, the axes and ticks stay.
    f.screen.SetGridOn(false);
    const QImage& off = f.screen.RenderFrame();
    QCOMPARE(PixelAt(off, 71, 26), 0u);
    QCOMPARE(PixelAt(off, 71, 15), grid);
    QCOMPARE(PixelAt(off, 271, 100), grid);

    // Full screen: the plot fills the client and no border is left.
    f.host.fullScreen = true;
    QCOMPARE(CountColour(f.screen.RenderFrame(), QRect(0, 0, kClientW, kClientH), Rgb3(50, 50, 50)), 0);
    QCOMPARE(f.screen.GetPlotRect().right, kClientW);
}

void TestWaveScreen::gridIsDrawnOverTheMask() {
    Fixture f;
    f.host.settings.ch(kCh1).enabled = 0;
    f.host.settings.ch(kCh2).enabled = 0;
    f.screen.SetGridIntensity(200);
    CPassFail passFail;
    passFail.State().upper.fill(128); // the band above level 128 is the upper mask region
    passFail.State().lower.fill(0);
    passFail.ShowPanel();
    MaskScratch scratch;
    f.screen.maskLayer = [&](QPainter& p, const PlotRect& plot) { PaintMask(p, plot, passFail, scratch); };
    const QImage& image = f.screen.RenderFrame();
    // The dot at (71, 26) lies inside the upper region; its neighbours show the mask.
    QCOMPARE(PixelAt(image, 72, 26), Rgb3(150, 128, 0));
    QCOMPARE(PixelAt(image, 71, 26), Rgb3(200, 200, 200));
    QCOMPARE(PixelAt(image, 271, 100), Rgb3(200, 200, 200)); // the centre axis crosses it too
    QCOMPARE(PixelAt(image, 72, 300), 0u);                   // below the upper limit: no mask
}

void TestWaveScreen::intensityScalesCh1AndRecoloursMathRef() {
    Fixture f;
    f.host.settings.ch(kCh2).enabled = 0;
    f.host.traces[kCh1].fill(128);
    f.screen.SetWaveIntensity(128);
    QCOMPARE(f.host.settings.ch(kMath).colour, Rgb(128, 0, 0));
    QCOMPARE(f.host.settings.ch(kRef).colour, Rgb(0, 128, 128));
    const QImage& image = f.screen.RenderFrame();
    const TraceMapper map(kPlot);
    QCOMPARE(PixelAt(image, map.X(1234), map.Y(128)), Rgb3(0, 128, 0));
    QCOMPARE(PixelAt(image, map.X(3777), map.Y(128)), Rgb3(0, 128, 0));
}

void TestWaveScreen::firstAndLastPointsAreDrawn() {
    // Level 300 lies above the plot: the segments to the first and last point climb into the top
    // border, where no frame line covers them (the frame hides columns 21 and 521 below row 14).
    for (const bool running : {true, false}) {
        Fixture f;
        f.host.settings.acquire.running = running ? 1 : 0;
        f.host.settings.ch(kCh2).enabled = 0;
        f.host.traces[kCh1].fill(128);
        f.host.traces[kCh1][0] = 300;
        f.host.traces[kCh1][4999] = 300;
        const QImage& image = f.screen.RenderFrame();
        QCOMPARE(PixelAt(image, kPlot.left, 5), Rgb3(0, 255, 0));
        QCOMPARE(PixelAt(image, kPlot.right, 5), Rgb3(0, 255, 0));
        QCOMPARE(PixelAt(image, kPlot.right - 1, 150), Rgb3(0, 255, 0));
    }
}

void TestWaveScreen::stoppedTraceBridgesAGapAndKeepsItsWindow() {
    Fixture f;
    f.host.settings.acquire.running = 0;
    f.host.settings.ch(kCh2).enabled = 0;
    f.host.traces[kCh1].fill(100);
    f.host.traces[kCh1][2000] = -1;
    f.host.firstIndex[kCh1] = 1200;
    f.host.lastIndex[kCh1] = 3800;
    const QImage& image = f.screen.RenderFrame();
    const TraceMapper map(kPlot);
    const QRgb green = Rgb3(0, 255, 0);
    QCOMPARE(PixelAt(image, map.X(2000), map.Y(100)), green);           // bridged straight across
    QCOMPARE(PixelAt(image, map.X(2000), map.Y(-1)), Rgb3(50, 50, 50)); // no dip
    QCOMPARE(PixelAt(image, map.X(1300), map.Y(100)), green);
    QCOMPARE(PixelAt(image, map.X(1000), map.Y(100)), 0u); // before the first index
    QCOMPARE(PixelAt(image, map.X(4200), map.Y(100)), 0u); // after the last index
}

void TestWaveScreen::persistenceIsDrawnInFadingColours() {
    Fixture f;
    f.host.settings.ch(kCh2).enabled = 0;
    f.host.persist.SetPersistenceOn(true);
    f.host.persist.SetPersistenceDepth(3);
    for (std::int16_t level : {40, 80, 120, 160, 200}) {
        std::array<std::int16_t, 5000> frame{};
        frame.fill(level);
        f.host.persist.AddPersistFrame(kCh1, frame.data(), f.host.settings.ch(kCh1).colour);
    }
    f.host.traces[kCh1].fill(240);
    const QImage& image = f.screen.RenderFrame();
    const TraceMapper map(kPlot);
    const int x = map.X(1234);
    QCOMPARE(PixelAt(image, x, map.Y(120)), Rgb3(0, 85, 0));
    QCOMPARE(PixelAt(image, x, map.Y(160)), Rgb3(0, 170, 0));
    QCOMPARE(PixelAt(image, x, map.Y(200)), Rgb3(0, 255, 0));
    QCOMPARE(PixelAt(image, x, map.Y(240)), Rgb3(0, 255, 0));
    QCOMPARE(PixelAt(image, x, map.Y(80)), 0u); // dropped from the queue

    // Switched off: vectors mode draws no history.
    f.host.persist.SetPersistenceOn(false);
    const QImage& off = f.screen.RenderFrame();
    QCOMPARE(PixelAt(off, x, map.Y(160)), 0u);
}

void TestWaveScreen::xyFigureIsCyan() {
    Fixture f;
    f.host.settings.timebase.displayFormat = kFormatXY;
    f.host.xy1 = {0, 255, 128};
    f.host.xy2 = {200, 50, 128};
    const QImage& image = f.screen.RenderFrame();
    const XYMapper map(kPlot);
    const QRgb cyan = Rgb3(0, 255, 255);
    QCOMPARE(map.X(0), 71);
    QCOMPARE(PixelAt(image, map.X(0), map.Y(200)), cyan);
    QCOMPARE(PixelAt(image, map.X(255), map.Y(50)), cyan);
    QCOMPARE(PixelAt(image, map.X(128), map.Y(128)), cyan);
    // No trigger-position marker on the top border in X-Y; the X-Y CH1 marker is there instead.
    const int xyMarkerX = static_cast<int>(XYMarkerX(kPlot, 64.0f));
    QCOMPARE(PixelAt(image, xyMarkerX - 4, 3), Rgb3(0, 255, 0)); // beside the "1"
    QCOMPARE(PixelAt(image, 271, 5), Rgb3(50, 50, 50));
}

void TestWaveScreen::topMarkerIsDrawnOverTheOthers() {
    Fixture f;
    f.host.settings.ch(kCh1).zeroLevel = 100.0f;
    f.host.settings.ch(kCh2).zeroLevel = 100.0f;
    const int y = static_cast<int>(ChannelMarkerY(kPlot, 100.0f));
    // The tip of the pentagon at (x + 16, y) carries no label.
    QCOMPARE(f.screen.TopMarker(), 1);
    QCOMPARE(PixelAt(f.screen.RenderFrame(), 2 + 16, y), Rgb3(0, 255, 0));
    // Grabbing CH2 puts it on top.
    Mouse(f.screen, QEvent::MouseButtonPress, 8, y, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseButtonRelease, 8, y, Qt::NoButton);
    QCOMPARE(f.screen.TopMarker(), 1); // CH1 is hit first and stays on top
    f.host.settings.ch(kCh1).enabled = 0;
    Mouse(f.screen, QEvent::MouseButtonPress, 8, y, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseButtonRelease, 8, y, Qt::NoButton);
    QCOMPARE(f.screen.TopMarker(), 2);
    f.host.settings.ch(kCh1).enabled = 1;
    QCOMPARE(PixelAt(f.screen.RenderFrame(), 2 + 16, y), Rgb3(255, 255, 0));
}

void TestWaveScreen::averageNoteAndFullScreenLabels() {
    Fixture f;
    f.host.settings.ch(kCh1).enabled = 0;
    f.host.settings.ch(kCh2).enabled = 0;
    f.host.settings.acquire.acquisitionMode = kAcqAverage;
    f.host.settings.acquire.averageCount = 16;
    const QImage& image = f.screen.RenderFrame();
    // "Average: 16" in RGB(225,0,225) near the top-left corner of the plot.
    QVERIFY(CountColour(image, QRect(kPlot.left + 6, kPlot.top + 6, 120, 20), Rgb3(225, 0, 225), kText) > 20);
    QCOMPARE(CountColour(image, QRect(kPlot.left + 200, kPlot.top + 6, 200, 20), Rgb3(225, 0, 225), kText),
             0);

    Fixture g;
    g.host.fullScreen = true;
    const QImage& full = g.screen.RenderFrame();
    const PlotRect plot = g.screen.GetPlotRect();
    // "CH1: 1.00V/DIV" in green at L + W/5, "CH2: ..." in yellow at L + 7 W/10, both at T + 20.
    QVERIFY(CountColour(full, QRect(plot.left + plot.Width() / 5, 20, 150, 30), Rgb3(0, 255, 0), kText) > 30);
    QVERIFY(CountColour(full, QRect(plot.left + 7 * (plot.Width() / 10), 20, 150, 30), Rgb3(255, 255, 0),
                        kText) > 30);
}

void TestWaveScreen::fullScreenInformationLine() {
    // The time base text is the only thing drawn in RGB(255,177,100); it appears in the bottom band
    // of a full screen only while the information display is on.
    Fixture f;
    f.host.fullScreen = true;
    f.host.settings.timebase.timeDivIndex = 12; // "40.0us" with the default offset 1
    f.host.settings.timebase.timeDivOffset = 1;
    const QImage& off = f.screen.RenderFrame();
    const PlotRect plot = f.screen.GetPlotRect();
    const QRect band(plot.left, plot.bottom - 60, plot.Width(), 59);
    QCOMPARE(CountColour(off, band, Rgb3(255, 177, 100), kText), 0);
    f.screen.SetInformationOn(true);
    QVERIFY(CountColour(f.screen.RenderFrame(), band, Rgb3(255, 177, 100), kText) > 30);
    // Window mode keeps the strips, so the line stays off there.
    f.host.fullScreen = false;
    QCOMPARE(CountColour(f.screen.RenderFrame(), band, Rgb3(255, 177, 100), kText), 0);
}

void TestWaveScreen::levelMarkerStateSurvivesATinyWindow() {
    // Before the first layout the screen may be tiny; a level that lies off such a plot must not be
    // remembered as "beyond the top" once the plot has its real size.
    Fixture f;
    f.screen.resize(10, 10);
    f.screen.UpdateMarkers();
    QCOMPARE(int(f.host.settings.trigger.levelMarkerCh1), 0);
    f.screen.resize(kClientW, kClientH);
    f.screen.RenderFrame();
    QCOMPARE(f.screen.MarkerPoint(kMarkerLevelCh1), (Pt{542, 114}));
}

void TestWaveScreen::positionMarkerDraggedPastTheRightEdge() {
    Fixture f;
    f.screen.RenderFrame();
    const HitRect r = f.screen.MarkerHitRect(kMarkerTrigPos);
    QCOMPARE(r.left, 266); // the marker at x = 271 spans 271 - 5 .. 271 + 6
    Mouse(f.screen, QEvent::MouseButtonPress, 271, 5, Qt::LeftButton);
    QVERIFY(f.screen.MarkerDragged(kMarkerTrigPos));
    QCOMPARE(f.screen.TopMarker(), 0);
    for (int k = 0; k < 3; ++k) {
        Mouse(f.screen, QEvent::MouseMove, 700, 5, Qt::LeftButton);
    }
    Mouse(f.screen, QEvent::MouseButtonRelease, 700, 5, Qt::NoButton);
    QCOMPARE(int(f.host.settings.timebase.horizontalPosition), 500);
    QCOMPARE(f.screen.PositionMarkerState(), int(kPosPastRight));
    QVERIFY(!f.screen.MarkerDragged(kMarkerTrigPos));
    // The right-pointing shape: its tip at (R + 5, 5) lies on the border, in the marker colour.
    const QImage& image = f.screen.RenderFrame();
    QCOMPARE(PixelAt(image, kPlot.right + 4, 5), Rgb3(250, 170, 100));
    QCOMPARE(PixelAt(image, 271, 3), Rgb3(50, 50, 50)); // gone from the centre
}

void TestWaveScreen::dragModeMovesTheTriggerPointWithThePointer() {
    Fixture f;
    f.host.settings.acquire.running = 0;
    f.host.settings.acquire.drag = 1;
    f.screen.RenderFrame();
    // The trigger point sits at x = 271 (position 250 of 500 px); a 100 px drag to the left moves it
    // to x = 171: trunc((171 - 21 + 1) / 500 * 500) = 151.
    Mouse(f.screen, QEvent::MouseButtonPress, 300, 200, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseMove, 250, 200, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseMove, 200, 200, Qt::LeftButton);
    QCOMPARE(int(f.host.settings.timebase.horizontalPosition), 151);
    // Small steps do not creep: back by 50 single pixels gives trunc((221 - 21 + 1)) = 201.
    for (int x = 201; x <= 250; ++x) {
        Mouse(f.screen, QEvent::MouseMove, x, 200, Qt::LeftButton);
    }
    QCOMPARE(int(f.host.settings.timebase.horizontalPosition), 201);
    // The marker is held at the plot's edges: it started 29 px left of the pointer, so moving the
    // pointer to the left edge would take it past that edge.
    Mouse(f.screen, QEvent::MouseMove, 519, 200, Qt::LeftButton);
    QCOMPARE(int(f.host.settings.timebase.horizontalPosition), 470);
    Mouse(f.screen, QEvent::MouseMove, 22, 200, Qt::LeftButton);
    QCOMPARE(int(f.host.settings.timebase.horizontalPosition), 1);
    Mouse(f.screen, QEvent::MouseButtonRelease, 22, 200, Qt::NoButton);
    // Released, the pointer moves without dragging.
    Mouse(f.screen, QEvent::MouseMove, 400, 200, Qt::NoButton);
    QCOMPARE(int(f.host.settings.timebase.horizontalPosition), 1);
}

void TestWaveScreen::zoomModesStepOnPressesInsideThePlot() {
    Fixture f;
    f.host.settings.acquire.running = 0;
    f.host.settings.acquire.zoomIn = 1;
    f.screen.RenderFrame();
    Click(f.screen, 300, 200);
    QCOMPARE(f.host.zoomSteps, 1);
    Click(f.screen, 5, 200); // on the border: ignored
    QCOMPARE(f.host.zoomSteps, 1);
    f.host.settings.acquire.zoomIn = 0;
    f.host.settings.acquire.zoomOut = 1;
    Click(f.screen, 300, 200);
    QCOMPARE(f.host.zoomSteps, 0);
    // A cursor type takes the mouse away from the zoom modes.
    f.screen.SetCursorType(kCursorCross);
    Click(f.screen, 300, 200);
    QCOMPARE(f.host.zoomSteps, 0);
}

void TestWaveScreen::dragsActOnEveryFourthEvent() {
    Fixture f;
    f.screen.RenderFrame();
    const int y = static_cast<int>(ChannelMarkerY(kPlot, 192.0f)); // CH2 marker
    Mouse(f.screen, QEvent::MouseButtonPress, 8, y, Qt::LeftButton);
    QVERIFY(f.screen.MarkerDragged(kMarkerCh2));
    Mouse(f.screen, QEvent::MouseMove, 8, 114, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseMove, 8, 114, Qt::LeftButton);
    QCOMPARE(f.host.zeroLevelCalls, 0);
    QCOMPARE(f.host.settings.ch(kCh2).zeroLevel, 192.0f);
    Mouse(f.screen, QEvent::MouseMove, 8, 114, Qt::LeftButton); // the fourth call acts
    QCOMPARE(f.host.zeroLevelCalls, 1);
    QCOMPARE(f.host.settings.ch(kCh2).zeroLevel, 64.0f);
    // Beyond the bottom the level is clamped to 256.
    for (int k = 0; k < 4; ++k) {
        Mouse(f.screen, QEvent::MouseMove, 8, 900, Qt::LeftButton);
    }
    QCOMPARE(f.host.settings.ch(kCh2).zeroLevel, 256.0f);
    Mouse(f.screen, QEvent::MouseButtonRelease, 8, 900, Qt::NoButton);
    QVERIFY(!f.screen.MarkerDragged(kMarkerCh2));
}

void TestWaveScreen::zeroLevelDragTakesTheTriggerLevelAlong() {
    Fixture f;
    f.host.settings.trigger.levelCh1 = 64.0f; // at CH1's 0 V, y = 114
    f.screen.RenderFrame();
    Mouse(f.screen, QEvent::MouseButtonPress, 8, 114, Qt::LeftButton);
    for (int k = 0; k < 3; ++k) {
        Mouse(f.screen, QEvent::MouseMove, 8, 214, Qt::LeftButton);
    }
    Mouse(f.screen, QEvent::MouseButtonRelease, 8, 214, Qt::NoButton);
    QCOMPARE(f.host.settings.ch(kCh1).zeroLevel, 128.0f);
    QCOMPARE(f.host.settings.trigger.levelCh1, 128.0f); // moved by the same 100 pixels
    QCOMPARE(int(f.host.settings.trigger.levelMarkerCh1), 0);
    // The CH2 level does not follow a CH1 move while CH1 is the source.
    QCOMPARE(f.host.settings.trigger.levelCh2, 192.0f);
}

void TestWaveScreen::cursorReadoutsOfAClickAndADrag() {
    Fixture f;
    f.host.settings.timebase.timeDivOffset = 1;
    f.host.settings.timebase.timeDivIndex = 16; // 1.00ms per division
    f.screen.SetCursorType(kCursorCross);
    f.screen.RenderFrame();
    Click(f.screen, 200, 250);
    QVERIFY(f.screen.CursorsShown());
    QCOMPARE(f.screen.CursorA(), (Pt{200, 250}));
    QCOMPARE(f.screen.CursorB(), (Pt{200, 250}));
    QCOMPARE(QString::fromStdString(f.screen.FreqReadout()), QStringLiteral("Freq = 0.000 Hz"));
    QCOMPARE(QString::fromStdString(f.screen.TimeReadout()), QStringLiteral("Time = 0.000 S"));
    QCOMPARE(QString::fromStdString(f.screen.VoltDeltaReadout()), QStringLiteral("Volt = 0.000 kV"));
    // The cursor lines are drawn through the point in RGB(0,200,255).
    const QImage& image = f.screen.RenderFrame();
    QCOMPARE(PixelAt(image, 200, 100), Rgb3(0, 200, 255));
    QCOMPARE(PixelAt(image, 400, 250), Rgb3(0, 200, 255));

    // 100 px across a 500 px plot at 1 ms/div is 10 x 0.001 / 499 x 100 s; 50 px of 400 at 1 V/div is 1 V.
    Mouse(f.screen, QEvent::MouseButtonPress, 121, 100, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseMove, 221, 150, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseButtonRelease, 221, 150, Qt::NoButton);
    QCOMPARE(QString::fromStdString(f.screen.TimeReadout()), QStringLiteral("Time = 2.004 mS"));
    QCOMPARE(QString::fromStdString(f.screen.FreqReadout()), QStringLiteral("Freq = 499.000 Hz"));
    QCOMPARE(QString::fromStdString(f.screen.VoltDeltaReadout()), QStringLiteral("Volt = 1.000 V"));
    // A source channel that is off reads zero volts.
    f.host.settings.ch(kCh1).enabled = 0;
    QCOMPARE(QString::fromStdString(f.screen.VoltDeltaReadout()), QStringLiteral("Volt = 0.000 kV"));
    // Moving outside the plot with the button down leaves B where it was.
    f.host.settings.ch(kCh1).enabled = 1;
    Mouse(f.screen, QEvent::MouseButtonPress, 300, 300, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseMove, 530, 300, Qt::LeftButton);
    QCOMPARE(f.screen.CursorB(), (Pt{300, 300}));
}

void TestWaveScreen::traceCursorCrosshairAndReadout() {
    Fixture f;
    f.host.traces[kCh1].fill(223); // CH1 zero at 64: code 191 is 0 V, 223 is +1 V at 1 V/div
    f.screen.SetCursorType(kCursorTrace);
    f.screen.RenderFrame();
    Mouse(f.screen, QEvent::MouseButtonPress, 271, 300, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseButtonRelease, 271, 300, Qt::NoButton);
    QCOMPARE(QString::fromStdString(f.screen.TraceVoltReadout()), QStringLiteral("Volt = 1.000 V"));
    const QImage& image = f.screen.RenderFrame();
    const TraceMapper map(kPlot);
    const int y = map.Y(223);
    // The crosshair's box is filled black around the trace point, its outline in the cursor colour;
    // the trace itself is drawn after the cursors and crosses the box.
    QCOMPARE(PixelAt(image, 271 + 2, y + 2), 0u);
    QCOMPARE(PixelAt(image, 271 - 4, y + 2), Rgb3(0, 200, 255));
    QCOMPARE(PixelAt(image, 271 + 2, y), Rgb3(0, 255, 0));
    QCOMPARE(PixelAt(image, 271, 380), Rgb3(0, 200, 255)); // vertical line
    f.host.settings.ch(kCh1).enabled = 0;
    QCOMPARE(QString::fromStdString(f.screen.TraceVoltReadout()), QStringLiteral("Volt = 0.000 V"));
}

void TestWaveScreen::resizeHidesCursorsAndDropsTheRaster() {
    Fixture f;
    f.screen.SetCursorType(kCursorVertical);
    f.screen.RenderFrame();
    Mouse(f.screen, QEvent::MouseButtonPress, 200, 200, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseButtonRelease, 200, 200, Qt::NoButton);
    QVERIFY(f.screen.CursorsShown());
    f.screen.resize(640, 480);
    QResizeEvent resize(QSize(640, 480), QSize(kClientW, kClientH));
    QApplication::sendEvent(&f.screen, &resize);
    QVERIFY(!f.screen.CursorsShown());
    QVERIFY(f.screen.Raster().isNull());
    QCOMPARE(f.screen.RenderFrame().size(), QSize(640, 480));
    // Changing the type hides them too.
    Mouse(f.screen, QEvent::MouseButtonPress, 200, 200, Qt::LeftButton);
    Mouse(f.screen, QEvent::MouseButtonRelease, 200, 200, Qt::NoButton);
    QVERIFY(f.screen.CursorsShown());
    f.screen.SetCursorType(kCursorHorizontal);
    QVERIFY(!f.screen.CursorsShown());
}

void TestWaveScreen::settersClampAndIgnore() {
    Fixture f;
    f.screen.SetGridIntensity(300);
    QCOMPARE(f.screen.GetGridIntensity(), 255);
    f.screen.SetGridIntensity(-5);
    QCOMPARE(f.screen.GetGridIntensity(), 0);
    f.screen.SetWaveIntensity(400);
    QCOMPARE(f.screen.GetWaveIntensity(), 255);
    f.host.settings.ch(kMath).colour = Rgb(1, 2, 3);
    f.screen.SetWaveIntensity(255); // unchanged value: the MATH colour stays
    QCOMPARE(f.host.settings.ch(kMath).colour, Rgb(1, 2, 3));
    f.screen.SetDrawType(1);
    QCOMPARE(f.screen.GetDrawType(), 1);
    f.screen.SetDrawType(7);
    QCOMPARE(f.screen.GetDrawType(), 1);
    f.screen.SetCursorType(kCursorCross);
    f.screen.SetCursorSource(kCursorSrcFft);
    QCOMPARE(f.screen.GetCursorType(), int(kCursorNone));
    f.screen.SetCursorSource(5);
    QCOMPARE(f.screen.GetCursorSource(), int(kCursorSrcFft));
    f.host.settings.ch(kMath).colour = Rgb(9, 9, 9);
    QCOMPARE(f.screen.GetChannelColour(1), f.host.settings.ch(kCh2).colour);
    QCOMPARE(f.screen.GetChannelColour(2), Rgb(9, 9, 9));
    QCOMPARE(f.screen.GetChannelColour(3), f.host.settings.ch(kCh1).colour);
}

void TestWaveScreen::nullRectangleIsReported() {
    Fixture f;
    QStringList messages;
    f.screen.showMessage = [&](const QString& caption, const QString& text) {
        messages << caption + u'|' + text;
    };
    f.host.fullScreen = true;
    f.screen.resize(0, 0);
    f.screen.RenderFrame();
    QCOMPARE(messages, QStringList{QStringLiteral("Error|DC or Rect is Null")});
    f.screen.RenderFrame();
    QCOMPARE(messages.size(), 1); // not again at every tick
    f.screen.resize(100, 100);
    f.screen.RenderFrame();
    QCOMPARE(messages.size(), 1);
}

void TestWaveScreen::statusStripTextColours() {
    CFakeScreenHost host;
    CStatusStrip strip(host);
    strip.resize(800, 30);
    host.settings.runStatus = 0;
    const QImage& stop = strip.RenderStrip();
    const QRect run(2, 2, 50, 21);
    QVERIFY(CountColour(stop, run, Rgb3(255, 0, 0), kText) > 10);
    QCOMPARE(CountColour(stop, run, Rgb3(0, 255, 0), kText), 0);
    host.settings.runStatus = 2;
    const QImage& trig = strip.RenderStrip();
    QVERIFY(CountColour(trig, run, Rgb3(0, 255, 0), kText) > 10);
    QCOMPARE(CountColour(trig, run, Rgb3(255, 0, 0), kText), 0);
    // Centre box: the "T" of the record picture and the sine in green and white.
    QVERIFY(CountColour(trig, QRect(333, 0, 134, 23), Rgb3(0, 255, 0)) > 50);
    QVERIFY(CountColour(trig, QRect(333, 0, 134, 23), Rgb3(255, 177, 100), kText) > 3);
}

void TestWaveScreen::triggerSymbolTakesTheSourceColour() {
    // The trigger box starts at x = 703: the edge symbol's riser is at +8, the pulse's first riser at +5.
    const struct {
        int source;
        int mode;
        int x;
        QRgb colour;
    } cases[] = {
        {kTrigCh1, kTrigModeEdge, 711, Rgb3(0, 255, 0)},
        {kTrigCh2, kTrigModeEdge, 711, Rgb3(255, 255, 0)},
        {kTrigAlt, kTrigModeEdge, 711, Rgb3(250, 170, 100)},
        {kTrigAlt, kTrigModePulse, 708, Rgb3(250, 170, 100)},
        {kTrigExt, kTrigModeEdge, 711, Rgb3(255, 0, 255)},
        {kTrigExt10, kTrigModePulse, 708, Rgb3(255, 0, 255)},
    };
    for (const auto& c : cases) {
        CFakeScreenHost host;
        CStatusStrip strip(host);
        strip.resize(800, 30);
        host.settings.trigger.triggerSource = static_cast<std::uint16_t>(c.source);
        host.settings.trigger.triggerMode = static_cast<std::uint16_t>(c.mode);
        // ALT alternates the level text between the channels; the symbol must not follow it.
        for (int repaint = 0; repaint < 25; ++repaint) {
            const QString what =
                QStringLiteral("source %1 mode %2 repaint %3").arg(c.source).arg(c.mode).arg(repaint);
            QVERIFY2(PixelAt(strip.RenderStrip(), c.x, 12) == c.colour, qPrintable(what));
        }
    }
    // The level text is in the source colour too: EXT shows no green at all.
    CFakeScreenHost host;
    CStatusStrip strip(host);
    strip.resize(800, 30);
    host.settings.trigger.triggerSource = kTrigExt;
    const QImage& ext = strip.RenderStrip();
    QVERIFY(CountColour(ext, QRect(703, 2, 95, 21), Rgb3(255, 0, 255), kText) > 40);
    QCOMPARE(CountColour(ext, QRect(703, 2, 95, 21), Rgb3(0, 255, 0), kText), 0);
}

void TestWaveScreen::statusStripBlinksWhileWaiting() {
    CFakeScreenHost host;
    CStatusStrip strip(host);
    strip.resize(800, 30);
    host.settings.runStatus = 4; // WAIT
    const QRect run(2, 2, 50, 21);
    host.statusTicks = 5;
    const int greenNormal = CountColour(strip.RenderStrip(), run, Rgb3(0, 255, 0), kText);
    host.statusTicks = 30;
    const int greenInverted = CountColour(strip.RenderStrip(), run, Rgb3(0, 255, 0), kText);
    // Inverted, the text cell is a green block with black letters: far more green pixels.
    QVERIFY(greenNormal > 5);
    QVERIFY(greenInverted > 3 * greenNormal);
    host.statusTicks = 45;
    QCOMPARE(CountColour(strip.RenderStrip(), run, Rgb3(0, 255, 0), kText), greenNormal);
}

void TestWaveScreen::statusStripXYModeHasNoTriggerBox() {
    CFakeScreenHost host;
    CStatusStrip strip(host);
    strip.resize(800, 30);
    host.settings.timebase.displayFormat = kFormatXY;
    const QImage& image = strip.RenderStrip();
    QVERIFY(CountColour(image, QRect(333, 0, 134, 23), Rgb3(255, 177, 100), kText) > 20); // "X - Y Mode"
    QCOMPARE(CountColour(image, QRect(703, 2, 95, 21), Rgb3(0, 255, 0), kText), 0);
    QCOMPARE(PixelAt(image, 750, 12), 0u); // the trigger box stays black
}

QTEST_MAIN(TestWaveScreen)
#include "qt_wave_screen.moc"
