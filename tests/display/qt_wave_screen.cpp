// Paints the screen and the status strip into their off-screen images on the offscreen platform and
// checks pixels at positions computed from the plot rectangle; drives the mouse with real events.
#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "display/marker_geometry.h"
#include "display/mask_painter.h"
#include "display/measure_texts.h"
#include "display/screen_geometry.h"
#include "display/status_strip.h"
#include "display/wave_screen.h"
#include "fake_screen_host.h"

using namespace tarnix;

namespace {

// Client 542 x 428: the plot is (21, 14)-(521, 414), 500 x 400.
const PlotRect kPlot{21, 14, 521, 414};
const TraceMapper kMap(kPlot);
constexpr QRgb kGreen = 0x00FF00u;
constexpr QRgb kBorder = 0x323232u;
constexpr QRgb kCursor = 0x00C8FFu;
constexpr QRgb kMask = 0x968000u;
constexpr QRgb kSpectrum = 0x8000FFu;
const QRect kRunBox(2, 2, 50, 21);
const QRect kTriggerBox(703, 2, 95, 21);

QRgb PixelAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0x00FFFFFFu;
}

void Mouse(QWidget& w, QEvent::Type type, int x, int y, Qt::MouseButtons buttons = Qt::LeftButton) {
    const QPointF at(x, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, w.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

// A press at (x0, y0), moves to (x1, y1) and a release there; with no moves it is a click.
void Drag(QWidget& w, int x0, int y0, int x1, int y1, int moves = 3) {
    Mouse(w, QEvent::MouseButtonPress, x0, y0);
    for (int k = 0; k < moves; ++k) {
        Mouse(w, QEvent::MouseMove, x1, y1);
    }
    Mouse(w, QEvent::MouseButtonRelease, x1, y1, Qt::NoButton);
}

void Click(QWidget& w, int x, int y) {
    Drag(w, x, y, x, y, 0);
}

// Counts pixels of a colour in a rectangle, allowing a summed component distance for antialiased text.
int CountColour(const QImage& image, const QRect& r, QRgb colour, int tolerance = 120) {
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

// Sizes of the solid blocks of `colour` in r, each measured from its top-left pixel.
QList<QSize> Blocks(const QImage& image, const QRect& r, QRgb colour) {
    const auto is = [&](int x, int y) { return r.contains(x, y) && PixelAt(image, x, y) == colour; };
    QList<QSize> sizes;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (is(x, y) && !is(x - 1, y) && !is(x, y - 1)) {
                QSize size(1, 1);
                while (is(x + size.width(), y)) {
                    size.rwidth() += 1;
                }
                while (is(x, y + size.height())) {
                    size.rheight() += 1;
                }
                sizes.append(size);
            }
        }
    }
    return sizes;
}

// Of the aligned 2 x 2 pixel blocks in r that hold a pixel other than black, the share whose four
// pixels are all equal: 1 for a picture drawn at half the density and doubled.
double DoubledShare(const QImage& image, const QRect& r) {
    int lit = 0;
    int uniform = 0;
    for (int y = r.top() & ~1; y + 1 <= r.bottom(); y += 2) {
        for (int x = r.left() & ~1; x + 1 <= r.right(); x += 2) {
            const QRgb a = PixelAt(image, x, y);
            const QRgb b = PixelAt(image, x + 1, y);
            const QRgb c = PixelAt(image, x, y + 1);
            const QRgb d = PixelAt(image, x + 1, y + 1);
            if ((a | b | c | d) == 0) {
                continue;
            }
            ++lit;
            uniform += (a == b && b == c && c == d) ? 1 : 0;
        }
    }
    return lit > 0 ? double(uniform) / lit : 1.0;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

struct Fixture {
    explicit Fixture(int channels = 2) : screen(host), strip(host) {
        screen.resize(542, 428);
        strip.resize(800, 30);
        host.settings.ch(kCh1).enabled = channels >= 1 ? 1 : 0;
        host.settings.ch(kCh2).enabled = channels >= 2 ? 1 : 0;
    }
    CFakeScreenHost host;
    CWaveScreen screen;
    CStatusStrip strip;
};

} // namespace

class TestWaveScreen : public QObject {
    Q_OBJECT

private slots:
    void clippedMeasurementsGetAnArrowBesideTheValue();
    void graticuleInGridColour();
    void maskFillsAboveUpperAndBelowLowerUnderTheGrid();
    void spectrumFollowsTheFftSettings();
    void tracesIntensityAndStoppedWindow();
    void captureRepaintsShowTheWholeNewFrame();
    void persistenceAndXYFigure();
    void screenAtDevicePixelRatio_data();
    void screenAtDevicePixelRatio();
    void aLargeFrameOnTwoThreadsIsTheFrameOfOne();
    void dragAndZoomModesFollowThePointer();
    void markerDragsActOnEveryFourthEventAndGoOnTop();
    void markerEndsWhereTheButtonIsReleased();
    void cursorReadoutsOfAClickAndADrag();
    void traceCursorCrosshairAndReadout();
    void statusStripRunStateColoursAndBlinking();
    void triggerSymbolTakesTheSourceColour();
};

void TestWaveScreen::graticuleInGridColour() {
    Fixture f(0);
    f.screen.SetGridIntensity(200);
    const QImage& image = f.screen.RenderFrame();
    const QRgb grid = 0xC8C8C8u;
    // Columns every 10 px from x = 31 (centre axis 271), rows every 12.5 px from y = 26 (centre 214).
    for (const QPoint p : {QPoint(271, 413), QPoint(520, 214), QPoint(71, 19), QPoint(71, 26),
                           QPoint(511, 16), QPoint(23, 401), QPoint(511, 64)}) {
        QCOMPARE(PixelAt(image, p.x(), p.y()), grid);
    }
    for (const QPoint p : {QPoint(71, 20), QPoint(31, 17), QPoint(25, 401), QPoint(100, 100)}) {
        QCOMPARE(PixelAt(image, p.x(), p.y()), 0u);
    }
    // The grey border at the left, at the bottom and in the bottom right corner; the white frame line.
    QCOMPARE(std::tuple(PixelAt(image, 5, 200), PixelAt(image, 271, 427), PixelAt(image, 541, 427),
                        PixelAt(image, 21, 200)),
             std::tuple(kBorder, kBorder, kBorder, 0xFFFFFFu));

    // Grid off: the dots go, the ticks stay.
    f.screen.SetGridOn(false);
    QCOMPARE(std::pair(PixelAt(f.screen.RenderFrame(), 71, 26), PixelAt(f.screen.RenderFrame(), 71, 15)),
             std::pair(0u, grid));
    // Full screen: the plot fills the client and no border is left.
    f.host.fullScreen = true;
    QCOMPARE(CountColour(f.screen.RenderFrame(), QRect(0, 0, 542, 428), kBorder, 0), 0);
    QCOMPARE(f.screen.GetPlotRect().right, 542);
}

// The Pass/Fail regions above the upper and below the lower limit, shown only with the panel and
// lying under the grid.
void TestWaveScreen::maskFillsAboveUpperAndBelowLowerUnderTheGrid() {
    Fixture f(0);
    f.screen.SetGridIntensity(200);
    CPassFail passFail;
    MaskSettings mask;
    mask.verticalPanel = 32;    // one division: limits 160 and 96
    mask.horizontalPanel = 200; // 2000 points: the regions span columns 2000..3000
    passFail.CreateMask(mask, std::vector<std::int16_t>(5000, 128));
    MaskScratch scratch;
    f.screen.maskLayer = [&](QPainter& p, const PlotRect& plot) {
        return PaintMask(p, plot, passFail, scratch);
    };
    QCOMPARE(CountColour(f.screen.RenderFrame(), QRect(0, 0, 542, 428), kMask, 0), 0);
    passFail.ShowPanel();
    const QImage& image = f.screen.RenderFrame();
    // Columns 2000..3000 of 4999 lie at x = 21 + 200.04 .. 21 + 300.06; the upper limit 160 at
    // y = 14 + 95 x 400 / 255 = 163.0, the lower limit 96 at y = 14 + 159 x 400 / 255 = 263.4.
    // Above, between, below the limits; left and right of the regions; the border; the axis over them.
    const int xs[] = {275, 275, 275, 275, 215, 335, 300, 271, 276};
    const int ys[] = {150, 175, 250, 272, 20, 405, 8, 30, 30};
    const QRgb colours[] = {kMask, 0, 0, kMask, 0, 0, kBorder, 0xC8C8C8u, kMask};
    for (int i = 0; i < 9; ++i) {
        QVERIFY2(PixelAt(image, xs[i], ys[i]) == colours[i], qPrintable(QString::number(i)));
    }
}

// Only a running analysis with a channel on is drawn; a zoom that is not a step is drawn at x1, and a
// damaged setup cannot make the screen read past the arrays.
void TestWaveScreen::spectrumFollowsTheFftSettings() {
    Fixture f(1);
    f.host.traces[kCh1].fill(-1);
    FftSettings& fft = f.host.fftSettings;
    FftResults& results = f.host.fftResults;
    ResetFft(fft, results);
    fft.horizontalZoom = 5;
    results.binCount = 60000;
    QVERIFY(!f.host.Spectrum().displayOn);
    fft.running = 1;
    QCOMPARE(f.host.Spectrum().pointCount, kFftMaxBins);
    QCOMPARE(f.host.Spectrum().zoom, 1);

    fft.scale = kFftScaleLinear;
    fft.verticalScale = 0.5;
    fft.horizontalZoom = 1;
    results.binCount = 256;
    results.spectrum.fill(0.5); // one division above the Linear baseline
    const QImage* image = &f.screen.RenderFrame();
    const int h = kPlot.Height();
    // Baseline B - H/8, one division of 0.5 V above it: y = B - 2H/8.
    const int y = static_cast<int>(kPlot.bottom - h / 8.0 - h / 8.0);
    QCOMPARE(PixelAt(*image, kPlot.left + kPlot.Width() / 2, y), kSpectrum);
    QVERIFY(PixelAt(*image, kPlot.left + kPlot.Width() / 2, y - 3) != kSpectrum);
    // With the zoom at x4 the first quarter of the points fills the width: a peak at point 32
    // of 256 lands at x = L + 32 x (W / 256) x 4 = L + W / 2.
    fft.horizontalZoom = 4;
    results.spectrum.fill(0.0);
    results.spectrum[32] = 2.0; // four divisions up
    image = &f.screen.RenderFrame();
    const int peakY = static_cast<int>(kPlot.bottom - h / 8.0 - 4 * h / 8.0);
    const int peakX = static_cast<int>(kPlot.left + 32.0f * static_cast<float>(kPlot.Width() / 256.0 * 4));
    QCOMPARE(PixelAt(*image, peakX, peakY), kSpectrum);
    // The trace cursor on the spectrum puts its box on the peak, not on the (empty) CH1 trace.
    f.screen.SetCursorSource(kCursorSrcFft);
    f.screen.SetCursorType(kCursorTrace);
    f.screen.RenderFrame();
    Click(f.screen, peakX, 300);
    QCOMPARE(PixelAt(f.screen.RenderFrame(), peakX - 4, peakY + 2), kCursor);
    f.host.settings.ch(kCh1).enabled = 0;
    QCOMPARE(CountColour(f.screen.RenderFrame(), QRect(0, 0, 542, 428), kSpectrum, 0), 0);
}

void TestWaveScreen::tracesIntensityAndStoppedWindow() {
    // Level 300 lies above the plot: the segments to the first and last point climb into the top
    // border, where no frame line covers them.
    for (const bool running : {true, false}) {
        Fixture f(1);
        f.host.settings.acquire.running = running ? 1 : 0;
        f.host.traces[kCh1][0] = 300;
        f.host.traces[kCh1][4999] = 300;
        const QImage& image = f.screen.RenderFrame();
        QCOMPARE(std::tuple(PixelAt(image, kPlot.left, 5), PixelAt(image, kPlot.right, 5),
                            PixelAt(image, kPlot.right - 1, 150)),
                 std::tuple(kGreen, kGreen, kGreen));
    }
    // Stopped: a gap (-1) is bridged and only the window from the first to the last index is drawn.
    Fixture f(1);
    f.host.settings.acquire.running = 0;
    f.host.traces[kCh1].fill(100);
    f.host.traces[kCh1][2000] = -1;
    f.host.firstIndex[kCh1] = 1200;
    f.host.lastIndex[kCh1] = 3800;
    const QImage& image = f.screen.RenderFrame();
    QCOMPARE(PixelAt(image, kMap.X(2000), kMap.Y(100)), kGreen);
    QCOMPARE(PixelAt(image, kMap.X(2000), kMap.Y(-1)), kBorder); // no dip
    QCOMPARE(std::pair(PixelAt(image, kMap.X(1000), kMap.Y(100)), PixelAt(image, kMap.X(4200), kMap.Y(100))),
             std::pair(0u, 0u));
    // The wave intensity dims the traces and the reference colour.
    f.screen.SetWaveIntensity(128);
    QCOMPARE(std::pair(f.host.settings.ch(kMath).colour, f.host.settings.ch(kRef).colour),
             std::pair(Rgb(128, 0, 0), Rgb(0, 128, 128)));
    QCOMPARE(PixelAt(f.screen.RenderFrame(), kMap.X(2000), kMap.Y(100)), 0x008000u);
}

void TestWaveScreen::captureRepaintsShowTheWholeNewFrame() {
    // A capture repaints only the black area inside the frame, and there only what moved: whatever
    // moves (traces as lines or dots, texts) or appears (the mask), the window shows what a full repaint
    // draws, with no pixel of the last frame left and no trace over the frame lines.
    Fixture f(2);
    CPassFail passFail;
    passFail.CreateMask(MaskSettings{}, std::vector<std::int16_t>(5000, 128));
    MaskScratch scratch;
    f.screen.maskLayer = [&](QPainter& p, const PlotRect& plot) {
        return PaintMask(p, plot, passFail, scratch);
    };
    int textY = 30;
    f.screen.measureLayer = [&](QPainter& p, const PlotRect&) {
        const MeasureTextItem item{"CH1:Vpp = 1.59V", 40, textY, 0x00FF00u, {}};
        return PaintMeasureTexts(p, std::span(&item, 1));
    };
    f.screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.screen));
    f.screen.repaint();
    const struct {
        std::int16_t ch1;
        std::int16_t ch2;
        int textY;
        bool mask;
        int drawType;
    } captures[] = {{200, 0, 30, false, 0},   {60, 40, 250, false, 0},  {60, 40, 250, true, 0},
                    {250, 255, 100, true, 0}, {250, 255, 100, true, 1}, {30, 90, 100, true, 1}};
    for (const auto& c : captures) {
        f.screen.SetDrawType(c.drawType);
        f.host.traces[kCh1].fill(c.ch1);
        std::fill_n(f.host.traces[kCh1].begin() + 1000, 1000, std::int16_t{128});
        f.host.traces[kCh2].fill(c.ch2);
        textY = c.textY;
        if (c.mask) {
            passFail.ShowPanel();
        }
        f.screen.repaint(f.screen.LiveArea());
        // The offscreen platform's window surface is a plain image.
        const QImage full = f.screen.RenderFrame().convertToFormat(QImage::Format_RGB32);
        QImage window = static_cast<QImage*>(f.screen.backingStore()->paintDevice())
                            ->copy(full.rect())
                            .convertToFormat(QImage::Format_RGB32);
        window.setDevicePixelRatio(full.devicePixelRatio());
        QCOMPARE(window, full);
        QVERIFY(CountColour(window, window.rect(), kGreen, 0) > kPlot.Width()); // the traces are there
    }
}

void TestWaveScreen::screenAtDevicePixelRatio_data() {
    QTest::addColumn<double>("ratio");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("1.5x") << 1.5;
    QTest::newRow("2x") << 2.0;
}

void TestWaveScreen::screenAtDevicePixelRatio() {
    QFETCH(double, ratio);
    const auto at = [&](double logical) { return int(logical * ratio); };
    Fixture f(1);
    for (int i = 0; i < 5000; ++i) {
        f.host.traces[kCh1][std::size_t(i)] = std::int16_t(60 + 40 * std::sin(i / 300.0)); // lower half
    }
    f.host.settings.acquire.acquisitionMode = kAcqAverage;
    const QImage image = f.screen.RenderPicture(ratio);
    QCOMPARE(image.size(), (QSizeF(f.screen.size()) * ratio).toSize());
    QCOMPARE(image.devicePixelRatio(), ratio);

    // Every graticule dot of the top right quarter of the plot (away from the axes, their ticks and the
    // trace) is one square of one size, a pixel at 1x and proportionally larger above.
    const QList<QSize> dots =
        Blocks(image, QRect(QPoint(at(286), at(21)), QPoint(at(506), at(145))), 0xC8C8C8u);
    QVERIFY(dots.size() > 50);
    for (const QSize& dot : dots) {
        QCOMPARE(dot, dots.first());
    }
    QCOMPARE(dots.first().width(), dots.first().height());
    QVERIFY(dots.first().width() >= int(ratio) && dots.first().width() <= std::ceil(ratio));

    // The major ticks below the top frame line sit within one device pixel of k/10 of the plot's width,
    // measured between the frame lines of the picture.
    const auto runStarts = [&](int y, QRgb colour) {
        QList<int> starts;
        for (int x = 1; x < image.width(); ++x) {
            if (PixelAt(image, x, y) == colour && PixelAt(image, x - 1, y) != colour) {
                starts.append(x);
            }
        }
        return starts;
    };
    const QList<int> frame = runStarts(at(200), 0xFFFFFFu);
    const int left = frame.first();
    const int right = frame.last();
    const QList<int> ticks = runStarts(at(14 + 4.5), 0xC8C8C8u);
    QCOMPARE(ticks.size(), 9);
    for (int k = 1; k <= 9; ++k) {
        const double ideal = left + (right - left) * k / 10.0;
        QVERIFY2(std::abs(ticks[k - 1] - ideal) <= 1.0,
                 qPrintable(QStringLiteral("%1: %2").arg(k).arg(ticks[k - 1])));
    }

    // The average note keeps its logical size: its ink is `ratio` times as wide as at 1x.
    const auto inkWidth = [](const QImage& picture, const QRect& r) {
        int first = r.right();
        int last = r.left();
        for (int x = r.left(); x <= r.right(); ++x) {
            if (CountColour(picture, QRect(x, r.top(), 1, r.height()), 0xE100E1u, 200) > 0) {
                first = std::min(first, x);
                last = x;
            }
        }
        return last - first + 1;
    };
    const int width1x = inkWidth(f.screen.RenderPicture(1.0), QRect(22, 15, 200, 30));
    QVERIFY(width1x > 40);
    QVERIFY(std::abs(inkWidth(image, QRect(at(22), at(15), at(200), at(30))) - ratio * width1x) <= 2 * ratio);
    // Above 1x the trace and the texts are drawn at the picture's own density, not doubled.
    if (ratio == 2.0) {
        QVERIFY(DoubledShare(image, QRect(QPoint(at(60), at(240)), QPoint(at(500), at(400)))) < 0.5);
        QVERIFY(DoubledShare(image, QRect(QPoint(at(27), at(20)), QPoint(at(120), at(40)))) < 0.5);
    }
}

// A 2x full-HD window with persistence is drawn in two column halves at once; the seam must not
// show. Noisy traces on four channels cross the middle column at every height.
void TestWaveScreen::aLargeFrameOnTwoThreadsIsTheFrameOfOne() {
    Fixture f(2);
    f.screen.resize(1920, 1080);
    std::uint32_t seed = 7;
    for (int ch = kCh1; ch < kChannelCount; ++ch) {
        f.host.settings.ch(ch).enabled = 1;
        for (int i = 0; i < 5000; ++i) {
            seed = seed * 1103515245u + 12345u;
            f.host.traces[std::size_t(ch)][std::size_t(i)] =
                std::int16_t(128 + 90 * std::sin((ch + 1) * i / 400.0) + int((seed >> 16) % 9) - 4);
        }
    }
    f.host.persist.SetPersistenceOn(true); // enough lines for the frame to be split
    f.host.persist.SetPersistenceDepth(15);
    for (int k = 0; k < 15; ++k) {
        f.host.persist.AddPersistFrame(kCh1, f.host.traces[kCh2].data(), 0x101010u * std::uint32_t(k + 1));
    }
    const QImage split = f.screen.RenderPicture(2.0);
    f.screen.SetSplitTraces(false);
    const QImage whole = f.screen.RenderPicture(2.0);
    QVERIFY(CountColour(whole, whole.rect(), kGreen, 0) > 2 * 1900); // CH1 crosses the plot
    QCOMPARE(split, whole);
}

void TestWaveScreen::persistenceAndXYFigure() {
    Fixture f(1);
    f.host.persist.SetPersistenceOn(true);
    f.host.persist.SetPersistenceDepth(3);
    for (std::int16_t level : {40, 80, 120, 160, 200}) {
        std::array<std::int16_t, 5000> frame{};
        frame.fill(level);
        f.host.persist.AddPersistFrame(kCh1, frame.data(), f.host.settings.ch(kCh1).colour);
    }
    f.host.traces[kCh1].fill(240);
    const QImage& image = f.screen.RenderFrame();
    const int x = kMap.X(1234);
    QCOMPARE(PixelAt(image, x, kMap.Y(120)), 0x005500u);
    QCOMPARE(PixelAt(image, x, kMap.Y(200)), kGreen);
    f.host.persist.SetPersistenceOn(false);
    QCOMPARE(PixelAt(f.screen.RenderFrame(), x, kMap.Y(160)), 0u);

    Fixture xy;
    xy.host.settings.timebase.displayFormat = kFormatXY;
    xy.host.xy1 = {0, 255};
    xy.host.xy2 = {200, 50};
    const XYMapper map(kPlot);
    QCOMPARE(PixelAt(xy.screen.RenderFrame(), map.X(255), map.Y(50)), 0x00FFFFu);
    // No trigger-position marker on the top border in X-Y; the X-Y CH1 marker is there instead.
    QCOMPARE(PixelAt(xy.screen.RenderFrame(), static_cast<int>(XYMarkerX(kPlot, 64.0f)) - 4, 3), kGreen);
    QCOMPARE(PixelAt(xy.screen.RenderFrame(), 271, 5), kBorder);
}

void TestWaveScreen::dragAndZoomModesFollowThePointer() {
    Fixture f;
    f.host.settings.acquire.running = 0;
    f.host.settings.acquire.drag = 1;
    f.screen.RenderFrame();
    const auto position = [&] { return int(f.host.settings.timebase.horizontalPosition); };
    // The trigger point sits at x = 271; a 100 px drag to the left moves it to x = 171:
    // trunc((171 - 21 + 1) / 500 * 500) = 151.
    Mouse(f.screen, QEvent::MouseButtonPress, 300, 200);
    Mouse(f.screen, QEvent::MouseMove, 250, 200);
    Mouse(f.screen, QEvent::MouseMove, 200, 200);
    QCOMPARE(position(), 151);
    QCOMPARE(f.screen.cursor().shape(), Qt::ClosedHandCursor); // the hand holds the waveform
    // Small steps do not creep: back by 50 single pixels gives 201.
    for (int x = 201; x <= 250; ++x) {
        Mouse(f.screen, QEvent::MouseMove, x, 200);
    }
    QCOMPARE(position(), 201);
    // The marker is held at the plot's edges: it started 29 px left of the pointer.
    Mouse(f.screen, QEvent::MouseMove, 519, 200);
    QCOMPARE(position(), 470);
    Mouse(f.screen, QEvent::MouseMove, 22, 200);
    QCOMPARE(position(), 1);
    Mouse(f.screen, QEvent::MouseButtonRelease, 22, 200, Qt::NoButton);

    // The zoom modes step on presses inside the plot.
    f.host.settings.acquire.drag = 0;
    f.host.settings.acquire.zoomIn = 1;
    Click(f.screen, 300, 200);
    Click(f.screen, 5, 200); // on the border: ignored
    QCOMPARE(f.host.zoomSteps, 1);
    Mouse(f.screen, QEvent::MouseMove, 300, 200, Qt::NoButton);
    QCOMPARE(f.screen.cursor().shape(), Qt::CrossCursor); // zooming in aims at a point
    f.host.settings.acquire.zoomIn = 0;
    f.host.settings.acquire.zoomOut = 1;
    Click(f.screen, 300, 200);
    QCOMPARE(f.host.zoomSteps, 0);
    Mouse(f.screen, QEvent::MouseMove, 300, 200, Qt::NoButton);
    QCOMPARE(f.screen.cursor().shape(), Qt::PointingHandCursor);
    // A cursor type takes the mouse away from the zoom modes.
    f.screen.SetCursorType(kCursorCross);
    Click(f.screen, 300, 200);
    QCOMPARE(f.host.zoomSteps, 0);
}

void TestWaveScreen::markerDragsActOnEveryFourthEventAndGoOnTop() {
    Fixture f;
    f.host.settings.trigger.levelCh1 = 64.0f; // at CH1's 0 V, y = 114
    f.screen.RenderFrame();
    Mouse(f.screen, QEvent::MouseButtonPress, 8, 314); // the CH2 marker
    QVERIFY(f.screen.MarkerDragged(kMarkerCh2));
    Mouse(f.screen, QEvent::MouseMove, 8, 114);
    Mouse(f.screen, QEvent::MouseMove, 8, 114);
    QCOMPARE(f.host.settings.ch(kCh2).zeroLevel, 192.0f);
    Mouse(f.screen, QEvent::MouseMove, 8, 114); // the fourth call acts
    QCOMPARE(f.host.settings.ch(kCh2).zeroLevel, 64.0f);
    for (int k = 0; k < 4; ++k) {
        Mouse(f.screen, QEvent::MouseMove, 8, 900);
    }
    Mouse(f.screen, QEvent::MouseButtonRelease, 8, 900, Qt::NoButton);
    QCOMPARE(f.host.settings.ch(kCh2).zeroLevel, 256.0f); // clamped beyond the bottom
    QVERIFY(!f.screen.MarkerDragged(kMarkerCh2));
    // CH1's trigger level moves by the same 100 pixels; CH2's did not follow while CH1 is the source.
    Drag(f.screen, 8, 114, 8, 214);
    QCOMPARE(std::tuple(f.host.settings.ch(kCh1).zeroLevel, f.host.settings.trigger.levelCh1,
                        f.host.settings.trigger.levelCh2),
             std::tuple(128.0f, 128.0f, 192.0f));

    // With both markers at one place CH1 is hit first; with CH1 off, CH2 is grabbed and drawn on top.
    f.host.settings.ch(kCh2).zeroLevel = 128.0f;
    Click(f.screen, 8, 214);
    QCOMPARE(f.screen.TopMarker(), 1);
    QCOMPARE(PixelAt(f.screen.RenderFrame(), 2 + 16, 214), kGreen); // the pentagon's tip, no label
    f.host.settings.ch(kCh1).enabled = 0;
    Click(f.screen, 8, 214);
    f.host.settings.ch(kCh1).enabled = 1;
    QCOMPARE(f.screen.TopMarker(), 2);
    QCOMPARE(PixelAt(f.screen.RenderFrame(), 2 + 16, 214), 0xFFFF00u);

    // The trigger-position marker dragged past the right edge stops at the last position and points
    // right: its tip at (R + 5, 5) lies on the border, in the marker colour.
    Drag(f.screen, 267, 5, 700, 5); // the marker at 271 spans 266 .. 277
    QCOMPARE(int(f.host.settings.timebase.horizontalPosition), 500);
    QVERIFY(!f.screen.MarkerDragged(kMarkerTrigPos));
    QCOMPARE(PixelAt(f.screen.RenderFrame(), kPlot.right + 4, 5), 0xFAAA64u);
}

void TestWaveScreen::markerEndsWhereTheButtonIsReleased() {
    // A press on the CH2 marker (centred at y = 314), moves to y = 289, a release.
    const struct {
        const char* name;
        int pressY, moves, releaseY, markerY;
    } cases[] = {{"50 px drag released between fourth events", 314, 2, 264, 264},
                 {"12 px nudge", 314, 0, 302, 302},
                 {"released back at the press after an acted move", 314, 3, 314, 314},
                 {"click off the marker's centre", 316, 0, 316, 314}};
    for (const auto& c : cases) {
        Fixture f;
        f.screen.RenderFrame();
        Mouse(f.screen, QEvent::MouseButtonPress, 8, c.pressY);
        for (int k = 0; k < c.moves; ++k) {
            Mouse(f.screen, QEvent::MouseMove, 8, 289);
        }
        Mouse(f.screen, QEvent::MouseButtonRelease, 8, c.releaseY, Qt::NoButton);
        QVERIFY2(f.screen.MarkerPoint(kMarkerCh2).y == c.markerY, c.name);
    }
}

void TestWaveScreen::cursorReadoutsOfAClickAndADrag() {
    Fixture f;
    f.host.settings.timebase.timeDivOffset = 1;
    f.host.settings.timebase.timeDivIndex = 16; // 1.00ms per division
    f.screen.SetCursorType(kCursorCross);
    f.screen.RenderFrame();
    Click(f.screen, 200, 250);
    QVERIFY(PixelAt(f.screen.RenderFrame(), 200, 100) == kCursor &&
            PixelAt(f.screen.RenderFrame(), 400, 250) == kCursor);
    // 100 px across a 500 px plot at 1 ms/div is 10 x 0.001 / 499 x 100 s; 50 px of 400 at 1 V/div is 1 V.
    Drag(f.screen, 121, 100, 221, 150, 1);
    QCOMPARE(Text(f.screen.TimeReadout()), QStringLiteral("Time = 2.004 mS"));
    QCOMPARE(Text(f.screen.FreqReadout()), QStringLiteral("Freq = 499.000 Hz"));
    QCOMPARE(Text(f.screen.VoltDeltaReadout()), QStringLiteral("Volt = 1.000 V"));
    f.host.settings.ch(kCh1).enabled = 0; // a source channel that is off reads zero volts
    QCOMPARE(Text(f.screen.VoltDeltaReadout()), QStringLiteral("Volt = 0.000 kV"));
    // A resize hides the cursors and drops the raster; so does a new cursor type.
    QResizeEvent resize(QSize(640, 480), QSize(542, 428));
    f.screen.resize(640, 480);
    QApplication::sendEvent(&f.screen, &resize);
    QVERIFY(!f.screen.CursorsShown() && f.screen.Raster().isNull());
    Click(f.screen, 200, 200);
    QVERIFY(f.screen.CursorsShown());
    f.screen.SetCursorType(kCursorHorizontal);
    QVERIFY(!f.screen.CursorsShown());
}

void TestWaveScreen::traceCursorCrosshairAndReadout() {
    Fixture f;
    f.host.traces[kCh1].fill(223); // CH1 zero at 64: code 191 is 0 V, 223 is +1 V at 1 V/div
    f.screen.SetCursorType(kCursorTrace);
    f.screen.RenderFrame();
    Click(f.screen, 271, 300);
    QCOMPARE(Text(f.screen.TraceVoltReadout()), QStringLiteral("Volt = 1.000 V"));
    const QImage& image = f.screen.RenderFrame();
    const int y = kMap.Y(223);
    // The crosshair's outline is in the cursor colour; the trace is drawn after the cursors and crosses
    // the box.
    QCOMPARE(std::tuple(PixelAt(image, 271 - 4, y + 2), PixelAt(image, 271 + 2, y), PixelAt(image, 271, 380)),
             std::tuple(kCursor, kGreen, kCursor)); // the last on the vertical line
    f.host.settings.ch(kCh1).enabled = 0;
    QCOMPARE(Text(f.screen.TraceVoltReadout()), QStringLiteral("Volt = 0.000 V"));
}

void TestWaveScreen::statusStripRunStateColoursAndBlinking() {
    Fixture s;
    s.host.settings.runStatus = 0;
    QVERIFY(CountColour(s.strip.RenderStrip(), kRunBox, 0xFF0000u) > 10);
    s.host.settings.runStatus = 2;
    QVERIFY(CountColour(s.strip.RenderStrip(), QRect(333, 0, 134, 23), kGreen, 0) > 50); // the record picture
    // WAIT blinks: inverted, the text cell is a green block with black letters.
    s.host.settings.runStatus = 4;
    s.host.statusTicks = 5;
    const int greenNormal = CountColour(s.strip.RenderStrip(), kRunBox, kGreen);
    QVERIFY(greenNormal > 5);
    s.host.statusTicks = 30;
    QVERIFY(CountColour(s.strip.RenderStrip(), kRunBox, kGreen) > 3 * greenNormal);
    // X-Y: "X - Y Mode" in the centre and no trigger box.
    s.host.settings.timebase.displayFormat = kFormatXY;
    QVERIFY(CountColour(s.strip.RenderStrip(), QRect(333, 0, 134, 23), 0xFFB164u) > 20 &&
            CountColour(s.strip.RenderStrip(), kTriggerBox, kGreen) == 0);
}

void TestWaveScreen::triggerSymbolTakesTheSourceColour() {
    // The trigger box starts at x = 703: the edge symbol's riser is at +8, the pulse's first riser at +5.
    const struct {
        int source;
        int mode;
        int x;
        QRgb colour;
    } cases[] = {
        {kTrigCh1, kTrigModeEdge, 711, kGreen},    {kTrigCh2, kTrigModeEdge, 711, 0xFFFF00u},
        {kTrigAlt, kTrigModeEdge, 711, 0xFAAA64u}, {kTrigAlt, kTrigModePulse, 708, 0xFAAA64u},
        {kTrigExt, kTrigModeEdge, 711, 0xFF00FFu}, {kTrigExt10, kTrigModePulse, 708, 0xFF00FFu},
    };
    for (const auto& c : cases) {
        Fixture s;
        s.host.settings.trigger.triggerSource = static_cast<std::uint16_t>(c.source);
        s.host.settings.trigger.triggerMode = static_cast<std::uint16_t>(c.mode);
        // ALT alternates the level text between the channels; the symbol must not follow it.
        for (int repaint = 0; repaint < 25; ++repaint) {
            QVERIFY2(PixelAt(s.strip.RenderStrip(), c.x, 12) == c.colour,
                     qPrintable(QStringLiteral("%1 %2 %3").arg(c.source).arg(c.mode).arg(repaint)));
            s.strip.AdvanceAlt();
        }
        const QImage strip = s.strip.RenderStrip(); // a riser one pixel wide, as every line at 1x
        QVERIFY(PixelAt(strip, c.x, 16) == c.colour && PixelAt(strip, c.x - 1, 16) != c.colour &&
                PixelAt(strip, c.x + 1, 16) != c.colour);
        if (c.source == kTrigExt) { // the level text is in the source colour too
            QVERIFY(CountColour(s.strip.RenderStrip(), kTriggerBox, 0xFF00FFu) > 40 &&
                    CountColour(s.strip.RenderStrip(), kTriggerBox, kGreen) == 0);
        }
    }
}

void TestWaveScreen::clippedMeasurementsGetAnArrowBesideTheValue() {
    const auto render = [](MeasureClip clip) {
        QImage image(300, 40, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        const MeasureTextItem item{"CH1:Vpp = 1.59V", 10, 10, 0x00FF00u, clip};
        PaintMeasureTexts(painter, std::span(&item, 1));
        return image;
    };
    // The mark is what a clipped value adds: right of the text, within its line, its tip towards the
    // edge the trace touches (so more of it in the half away from the tip); both edges: two arrows.
    const QImage plain = render({});
    const struct {
        MeasureClip clip;
        int tipUp; // 1 up, -1 down, 0 both
        int minWidth;
    } cases[] = {{{true, false}, 1, 4}, {{false, true}, -1, 4}, {{true, true}, 0, 12}};
    for (const auto& c : cases) {
        const QImage marked = render(c.clip);
        QRect text;
        QRect mark;
        QList<int> rows; // of the added pixels
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 0; x < plain.width(); ++x) {
                text |= PixelAt(plain, x, y) != 0 ? QRect(x, y, 1, 1) : QRect();
                mark |= marked.pixel(x, y) != plain.pixel(x, y) ? QRect(x, y, 1, 1) : QRect();
                rows.append(marked.pixel(x, y) != plain.pixel(x, y) ? y : -1);
            }
        }
        rows.removeAll(-1);
        const auto lower = std::count_if(rows.begin(), rows.end(),
                                         [&](int y) { return 2 * y > mark.top() + mark.bottom(); });
        QVERIFY(!rows.isEmpty() && mark.left() > text.right() + 1);
        QVERIFY(mark.top() >= text.top() && mark.bottom() <= text.bottom() && mark.width() >= c.minWidth);
        QVERIFY(c.tipUp * (2 * lower - rows.size()) >= 0 && (c.tipUp == 0 || 2 * lower != rows.size()));
    }
}

QTEST_MAIN(TestWaveScreen)
#include "qt_wave_screen.moc"
