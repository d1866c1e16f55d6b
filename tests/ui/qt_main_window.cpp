// The first window on the offscreen platform: frame size rules, the view layout in window, sidebar
// and full-screen states, the timer tick driving the demo document, and the status panes.
#include "document/tarnix_doc.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QBackingStore>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

#include "display/cursor_readouts.h"
#include "display/status_strip.h"
#include "display/wave_screen.h"
#include "document/autoset.h"
#include "ui/main_frame.h"
#include "ui/tarnix_view.h"

using namespace tarnix;

namespace {

// The geometry of a widget's sunken holder inside the view.
QRect PanelOf(QWidget& w) {
    return w.parentWidget()->geometry();
}

// Counts the paint events a widget receives.
class CPaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

void Mouse(QWidget& w, QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
    const QPointF at(x, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, w.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void titleSizeAndMinimum();
    void statusPanesKeepTheirPlaces();
    void clockText();
    void viewLayoutWithAndWithoutSidebar();
    void fullScreenLayoutAndBack();
    void firstTickShowsTheWindowWithLiveTraces();
    void markerDragReachesTheDocument();
    void screenIsRedrawnAfterCapturesAndChangesOnly();
    void measurementTextsAndTheAverageNoteShareTheScreenFont();
    void spectrumFollowsTheSignalWithItsPanelClosed();
};

void TestMainWindow::titleSizeAndMinimum() {
    CTarnixDoc doc;
    CMainFrame frame(doc);
    QCOMPARE(frame.windowTitle(), QStringLiteral("MV-A2 USB(7.0.0.2)"));
    QCOMPARE(frame.size(), QSize(800, 600));
    QCOMPARE(frame.minimumSize(), QSize(600, 450));
    frame.resize(300, 200);
    QCOMPARE(frame.size(), QSize(600, 450));
    QVERIFY(!frame.isVisible()); // shown only by the first timer tick
}

void TestMainWindow::statusPanesKeepTheirPlaces() {
    CTarnixDoc doc;
    CMainFrame frame(doc);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    frame.UpdateStatus(QStringLiteral("Run in demo"));
    const QList<QLabel*> panes = frame.statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(panes.size(), qsizetype{6});
    std::vector<QRect> before;
    for (QLabel* pane : panes) {
        before.push_back(pane->geometry());
    }
    QCOMPARE(before[1].width(), 110);
    // The clock shows whole.
    QVERIFY(panes[5]->fontMetrics().horizontalAdvance(frame.PaneText(5)) <= panes[5]->contentsRect().width());
    frame.UpdateStatus(QStringLiteral("A status text far longer than its pane could ever hold, and more"));
    QCoreApplication::processEvents();
    for (qsizetype i = 0; i < panes.size(); ++i) {
        QCOMPARE(panes[i]->geometry(), before[static_cast<std::size_t>(i)]);
    }
}

void TestMainWindow::clockText() {
    QCOMPARE(CMainFrame::ClockText(4, 12, 2026, 9, 5), QStringLiteral("04-12-2026  09:05"));
    QCOMPARE(CMainFrame::ClockText(31, 1, 2027, 23, 59), QStringLiteral("31-01-2027  23:59"));
}

void TestMainWindow::viewLayoutWithAndWithoutSidebar() {
    CTarnixDoc doc;
    CTarnixView view(doc);
    view.resize(800, 500);
    view.LayoutView();
    QCOMPARE(PanelOf(view.Strip()), QRect(0, 0, 800 - 188, 30));
    QCOMPARE(PanelOf(view.Screen()), QRect(0, 30, 800 - 188, 500 - 60));
    QCOMPARE(view.SidebarTabs().geometry(), QRect(800 - 188, 0, 188, 500));
    // The screen's client area lies inside its one-pixel sunken edge.
    QCOMPARE(view.Screen().size(), QSize(800 - 188 - 2, 500 - 60 - 2));

    view.SetSidebarShown(false);
    QVERIFY(!view.SidebarShown());
    QCOMPARE(PanelOf(view.Strip()).width(), 800);
    QCOMPARE(PanelOf(view.Screen()), QRect(0, 30, 800, 440));
    QVERIFY(view.SidebarTabs().isHidden());
}

void TestMainWindow::fullScreenLayoutAndBack() {
    CTarnixDoc doc;
    CTarnixView view(doc);
    view.resize(800, 500);
    view.SetSidebarShown(false);
    view.EnterFullScreen();
    QVERIFY(view.IsFullScreen());
    QVERIFY(view.Host().FullScreen());
    QCOMPARE(PanelOf(view.Screen()), QRect(0, 0, 800, 500));
    QCOMPARE(view.Screen().size(), QSize(800, 500)); // no edge in full-screen mode
    QVERIFY(view.Strip().parentWidget()->isHidden());
    view.Screen().RenderFrame();
    QCOMPARE(view.Screen().GetPlotRect().left, 0); // no margins either

    // Leaving keeps the sidebar hidden as it was; the strips come back at 30.
    view.LeaveFullScreen();
    QVERIFY(!view.IsFullScreen());
    QVERIFY(!view.SidebarShown());
    QCOMPARE(PanelOf(view.Strip()), QRect(0, 0, 800, 30));
    QCOMPARE(PanelOf(view.Screen()), QRect(0, 30, 800, 440));

    view.SetSidebarShown(true);
    view.EnterFullScreen();
    view.LeaveFullScreen();
    QVERIFY(view.SidebarShown());
    QCOMPARE(view.SidebarTabs().geometry().width(), 188);
}

void TestMainWindow::firstTickShowsTheWindowWithLiveTraces() {
    CTarnixDoc doc; // no driver library: the search finds nothing and the demo source runs
    CMainFrame frame(doc);
    CTarnixView& view = frame.View();
    QVERIFY(view.OnInitialUpdate());
    QVERIFY(view.Timer().isActive());
    QCOMPARE(view.Timer().interval(), 30);
    view.Timer().stop();
    QCOMPARE(doc.settings.demoMode, 1u);
    QVERIFY(!frame.isVisible());
    for (int k = 0; k < 5; ++k) {
        view.OnTimerTick();
    }
    QVERIFY(frame.isVisible());
    QCOMPARE(frame.PaneText(0), QStringLiteral("Run in demo"));
    QVERIFY(frame.PaneText(5).contains(QStringLiteral("  ")));

    // The demo traces of CH1 (green) and CH2 (yellow) are on the screen.
    const QImage& image = view.Screen().RenderFrame();
    const PlotRect plot = view.Screen().GetPlotRect();
    int green = 0;
    int yellow = 0;
    for (int y = plot.top + 1; y < plot.bottom; ++y) {
        for (int x = plot.left + 1; x < plot.right; ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFFu;
            green += p == 0x00FF00u ? 1 : 0;
            yellow += p == 0xFFFF00u ? 1 : 0;
        }
    }
    QVERIFY2(green > plot.Width() / 2, qPrintable(QString::number(green)));
    QVERIFY2(yellow > plot.Width() / 2, qPrintable(QString::number(yellow)));

    // The window shows exactly that frame, drawn in place into the window's own pixels.
    doc.Stop();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    view.Screen().repaint();
    QPaintDevice* store = frame.backingStore()->paintDevice();
    QCOMPARE(store->devType(), int(QInternal::Image));
    const QImage shown = static_cast<QImage*>(store)->convertToFormat(QImage::Format_RGB32);
    const QImage rendered = view.Screen().RenderFrame().convertToFormat(QImage::Format_RGB32);
    const QPoint at = view.Screen().mapTo(&frame, QPoint(0, 0));
    QCOMPARE(shown.copy(QRect(at, rendered.size())), rendered);
}

void TestMainWindow::markerDragReachesTheDocument() {
    CTarnixDoc doc;
    CTarnixView view(doc);
    QVERIFY(view.OnInitialUpdate());
    view.Timer().stop();
    view.resize(800, 500);
    view.LayoutView();
    CWaveScreen& screen = view.Screen();
    screen.RenderFrame();
    const PlotRect plot = screen.GetPlotRect();
    const int y = static_cast<int>(plot.top + plot.Height() * doc.settings.ch(kCh2).zeroLevel / 256.0f);
    const int target = plot.top + plot.Height() / 2;
    Mouse(screen, QEvent::MouseButtonPress, 8, y, Qt::LeftButton);
    for (int k = 0; k < 3; ++k) {
        Mouse(screen, QEvent::MouseMove, 8, target, Qt::LeftButton);
    }
    Mouse(screen, QEvent::MouseButtonRelease, 8, target, Qt::NoButton);
    QCOMPARE(doc.settings.ch(kCh2).zeroLevel, 128.0f);
    QCOMPARE(screen.TopMarker(), 2);
}

void TestMainWindow::screenIsRedrawnAfterCapturesAndChangesOnly() {
    CTarnixDoc doc;
    CMainFrame frame(doc);
    CTarnixView& view = frame.View();
    QVERIFY(view.OnInitialUpdate());
    view.Timer().stop();
    CPaintCounter screen;
    CPaintCounter strip;
    view.Screen().installEventFilter(&screen);
    view.Strip().installEventFilter(&strip);
    const auto ticks = [&](int count) {
        for (int k = 0; k < count; ++k) {
            view.OnTimerTick();
            QCoreApplication::processEvents();
        }
    };
    ticks(3);
    QVERIFY(frame.isVisible());

    // Running: every capture step brings a new picture; the strips show settings and stay as they are.
    screen.paints = 0;
    strip.paints = 0;
    ticks(4);
    QCOMPARE(screen.paints, 4);
    QCOMPARE(strip.paints, 0);

    // Autoset's own captures are never shown; the first capture step after it is.
    CAutoset autoset(doc);
    autoset.Attach();
    autoset.Start();
    ticks(1);
    screen.paints = 0;
    int autosetTicks = 0;
    while (doc.specialStep != kAutosetIdle && autosetTicks < 200) {
        ticks(1);
        ++autosetTicks;
    }
    QVERIFY(autosetTicks > 10);
    QCOMPARE(screen.paints, 0);
    ticks(1);
    QCOMPARE(screen.paints, 1);

    // Stopped: nothing is redrawn until something changes.
    doc.Stop();
    ticks(2);
    screen.paints = 0;
    strip.paints = 0;
    ticks(10);
    QCOMPARE(screen.paints, 0);
    QCOMPARE(strip.paints, 0);
    doc.SetHorizontalPosition(100); // as a command or a remote client would
    ticks(1);
    QCOMPARE(screen.paints, 1);
    QCOMPARE(strip.paints, 1);
    // A click anywhere (here on the strip) may have changed something: the next tick redraws.
    ticks(3);
    screen.paints = 0;
    Mouse(view.Strip(), QEvent::MouseButtonPress, 5, 5, Qt::LeftButton);
    ticks(1);
    QCOMPARE(screen.paints, 1);
}

// The ink height of the first letter drawn in a colour inside a band of rows of the plot.
int FirstLetterHeight(const QImage& image, const PlotRect& plot, int fromY, int toY, QRgb colour) {
    const auto inked = [&](int x, int y) {
        const QRgb p = image.pixel(x, y);
        return std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                   std::abs(qBlue(p) - qBlue(colour)) <=
               90;
    };
    int top = toY;
    int bottom = -1;
    bool started = false;
    for (int x = plot.left + 1; x < plot.right; ++x) {
        bool any = false;
        for (int y = fromY; y < toY; ++y) {
            if (inked(x, y)) {
                any = true;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        if (started && !any) {
            break;
        }
        started = started || any;
    }
    return bottom < 0 ? 0 : bottom - top + 1;
}

void TestMainWindow::measurementTextsAndTheAverageNoteShareTheScreenFont() {
    CTarnixDoc doc;
    CMainFrame frame(doc);
    CTarnixView& view = frame.View();
    QVERIFY(view.OnInitialUpdate());
    view.Timer().stop();
    // MATH stays off, so its colour only shows in its measurement text "MATH:Vpp = ..." at the bottom;
    // the Average note at the top is "MATH: 16" in the same colour, both of height 15.
    doc.hooks.lookupText = [](int key) { return std::string(key == 1108 ? "MATH" : ""); };
    doc.settings.ch(kMath).colour = 0xE100E1u;
    doc.settings.acquire.acquisitionMode = kAcqAverage;
    doc.settings.acquire.averageCount = 16;
    const auto textHeights = [&] {
        const QImage& image = view.Screen().RenderFrame();
        const PlotRect plot = view.Screen().GetPlotRect();
        const int middle = plot.top + plot.Height() / 2;
        return std::pair(FirstLetterHeight(image, plot, plot.top + 1, middle, qRgb(225, 0, 225)),
                         FirstLetterHeight(image, plot, middle, plot.bottom, qRgb(225, 0, 225)));
    };
    for (int k = 0; k < 3; ++k) {
        view.OnTimerTick();
    }
    QCOMPARE(textHeights().second, 0); // no measurement yet
    doc.measures.SetMeasureSource(2);
    doc.measures.AddMeasure(kMeasureVpp);
    for (int k = 0; k < 7; ++k) {
        view.OnTimerTick();
    }
    const auto [average, measure] = textHeights();
    QVERIFY2(average > 6, qPrintable(QString::number(average)));
    QCOMPARE(measure, average);
    doc.measures.ClearMeasures();
    view.OnTimerTick();
    QCOMPARE(textHeights().second, 0);
}

void TestMainWindow::spectrumFollowsTheSignalWithItsPanelClosed() {
    CTarnixDoc doc;
    CMainFrame frame(doc);
    CTarnixView& view = frame.View();
    QVERIFY(view.OnInitialUpdate());
    view.Timer().stop();
    doc.SetFftRunning(true); // as a loaded setup does; the FFT panel was never opened
    for (int k = 0; k < 3; ++k) {
        view.OnTimerTick();
    }
    // The demo sine's peak rises above the Linear baseline one division over the bottom edge.
    const QImage& image = view.Screen().RenderFrame();
    const PlotRect plot = view.Screen().GetPlotRect();
    const int baseline = plot.bottom - plot.Height() / 8;
    int above = 0;
    for (int y = plot.top + 1; y < baseline - 2; ++y) {
        for (int x = plot.left + 1; x < plot.right; ++x) {
            above += (image.pixel(x, y) & 0xFFFFFFu) == 0x8000FFu ? 1 : 0;
        }
    }
    QVERIFY2(above > 10, qPrintable(QString::number(above)));
}

QTEST_MAIN(TestMainWindow)
#include "qt_main_window.moc"
