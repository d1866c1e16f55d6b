// The first window on the offscreen platform: frame size rules, the view layout in window, sidebar
// and full-screen states, the timer tick driving the demo document, and the status panes.
#include "document/tarnix_doc.h"

#include <QApplication>
#include <QBackingStore>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>
#include <tuple>

#include "display/status_strip.h"
#include "display/wave_screen.h"
#include "document/autoset.h"
#include "model/model_table.h"
#include "ui/main_frame.h"
#include "ui/tarnix_view.h"

using namespace tarnix;

namespace {

class CPaintCounter : public QObject {
public:
    int paints = 0;
    QRect area;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            area |= static_cast<QPaintEvent*>(event)->rect();
        }
        return false;
    }
};

// The ink height of the first letter in MATH's colour (225, 0, 225) in rows fromY..toY - 1 of the plot: the
// rows inked in the columns from the first inked one up to the next one without ink.
int FirstLetterHeight(const QImage& image, const PlotRect& plot, int fromY, int toY) {
    int top = toY;
    int bottom = -1;
    for (int x = plot.left + 1, inked = -1; x < plot.right && (inked < 0 || inked == x - 1); ++x) {
        for (int y = fromY; y < toY; ++y) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - 225) + qGreen(p) + std::abs(qBlue(p) - 225) <= 90) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                inked = x;
            }
        }
    }
    return bottom < 0 ? 0 : bottom - top + 1;
}

// The main window over a demo document (no driver library: the device search finds nothing), with
// its timer stopped so that the test drives the ticks.
struct Window {
    Window() {
        QVERIFY(view.OnInitialUpdate());
        view.Timer().stop();
    }
    void Ticks(int count) {
        for (int k = 0; k < count; ++k) {
            view.OnTimerTick();
            QCoreApplication::processEvents();
        }
    }
    int Count(QRgb colour, int toY) {
        const QImage& image = view.Screen().RenderFrame();
        const PlotRect plot = view.Screen().GetPlotRect();
        int n = 0;
        for (int y = plot.top + 1; y < toY; ++y) {
            for (int x = plot.left + 1; x < plot.right; ++x) {
                n += (image.pixel(x, y) & 0xFFFFFFu) == colour ? 1 : 0;
            }
        }
        return n;
    }
    CTarnixDoc doc;
    CMainFrame frame{doc};
    CTarnixView& view = frame.View();
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void titleSizeClockAndStatusPanes();
    void cursorReadoutsFitTheirPanes();
    void viewLayoutWithSidebarAndFullScreen();
    void firstTicksShowTheWindowWithLiveTracesAndSpectrum();
    void screenIsRedrawnAfterCapturesAndChangesOnly();
    void measurementTextsAndTheAverageNoteShareTheScreenFont();
    void altTriggerLevelAlternatesRunningAndStopped();
};

void TestMainWindow::titleSizeClockAndStatusPanes() {
    QCOMPARE(CMainFrame::ClockText(4, 12, 2026, 9, 5), QStringLiteral("04-12-2026  09:05"));
    CTarnixDoc doc;
    CMainFrame frame(doc);
    frame.resize(300, 200);
    QCOMPARE(frame.size(), QSize(600, 450)); // the minimum
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    frame.UpdateStatus(QStringLiteral("Run in demo"));
    const QList<QLabel*> panes = frame.statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(panes.size(), qsizetype{6});
    QList<QRect> before;
    for (QLabel* pane : panes) {
        before << pane->geometry();
    }
    QVERIFY(panes[5]->fontMetrics().horizontalAdvance(frame.PaneText(5)) <= panes[5]->contentsRect().width());
    // A long status text does not push the other panes about.
    frame.UpdateStatus(QStringLiteral("A status text far longer than its pane could ever hold, and more"));
    QCoreApplication::processEvents();
    for (qsizetype i = 0; i < panes.size(); ++i) {
        QCOMPARE(panes[i]->geometry(), before[i]);
    }
}

// Which readout each of panes 1 to 3 shows (by its start, "" for an empty pane) follows the cursor type,
// and the text fits its pane at the extremes of the time base and the volts.
void TestMainWindow::cursorReadoutsFitTheirPanes() {
    const struct {
        int cursorType;
        const char* timeDiv;
        bool kilovolts;     // CH1 at its largest volts/div through a x 1000 probe, 0 V on top
        QLineF drag;        // from A to B, in fractions of the plot
        const char* starts; // of panes 1, 2 and 3, between bars
    } cases[] = {{kCursorCross, "100us", false, QLineF(0.2, 0.5, 0.4, 0.6), "Freq = |Time = |Volt = "},
                 {kCursorVertical, "1.00h", false, QLineF(0, 0, 1, 0), "Freq = |Time = |"},
                 {kCursorTrace, "1.00ms", true, QLineF(.5, .5, .5, .5), "||Volt = "},
                 {kCursorHorizontal, "1.00ms", true, QLineF(0, 1, 0, 0), "||Volt = "},
                 {kCursorNone, "1.00ms", false, QLineF(0, 1, 0, 0), "||"}};
    for (const auto& [cursorType, timeDiv, kilovolts, drag, starts] : cases) {
        Window w;
        w.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.frame));
        if (kilovolts) {
            w.doc.SetProbe(kCh1, 3);
            w.doc.SetVoltsPerDiv(kCh1, ModelTable(w.doc.settings.model).offersVolts10 ? 9 : 8);
            w.doc.SetZeroLevel(kCh1, 0.0f);
        }
        w.Ticks(3);
        w.doc.SetTimeDiv(TimeDivIndexOfLabel(timeDiv, w.doc.settings.timebase.timeDivOffset));
        CWaveScreen& screen = w.view.Screen();
        screen.RenderFrame();
        screen.SetCursorType(cursorType);
        const PlotRect p = screen.GetPlotRect();
        const auto mouse = [&](QEvent::Type type, QPointF f, Qt::MouseButtons buttons) {
            const QPointF at(p.left + 1 + f.x() * (p.Width() - 3), p.top + 1 + f.y() * (p.Height() - 3));
            QMouseEvent event(type, at, screen.mapToGlobal(at),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(&screen, &event);
        };
        mouse(QEvent::MouseButtonPress, drag.p1(), Qt::LeftButton);
        mouse(QEvent::MouseMove, drag.p2(), Qt::LeftButton);
        w.frame.UpdateStatus(QString());
        const QList<QLabel*> panes = w.frame.statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        for (int i = 0; i < 3; ++i) {
            const QLabel* pane = panes[i + 1];
            const QString start = QString::fromLatin1(starts).section(QLatin1Char('|'), i, i);
            const QString what =
                QStringLiteral("%1 at %2: %3").arg(cursorType).arg(QLatin1StringView(timeDiv), pane->text());
            QVERIFY2(start.isEmpty() ? pane->text().isEmpty() : pane->text().startsWith(start),
                     qPrintable(what));
            QVERIFY2(pane->fontMetrics().horizontalAdvance(pane->text()) <= pane->contentsRect().width(),
                     qPrintable(what));
        }
    }
}

void TestMainWindow::viewLayoutWithSidebarAndFullScreen() {
    CTarnixDoc doc;
    CTarnixView view(doc);
    view.resize(800, 500);
    view.LayoutView();
    QCOMPARE(std::pair(view.Strip().parentWidget()->geometry(), view.SidebarTabs().geometry()),
             std::pair(QRect(0, 0, 800 - 188, 30), QRect(800 - 188, 0, 188, 500)));
    // The screen's client area lies inside its one-pixel sunken edge.
    QCOMPARE(view.Screen().size(), QSize(800 - 188 - 2, 500 - 60 - 2));
    view.SetSidebarShown(false);
    view.EnterFullScreen();
    QCOMPARE(std::pair(view.Host().FullScreen(), view.Screen().size()),
             std::pair(true, QSize(800, 500))); // no edge
    // Leaving keeps the sidebar hidden as it was; the strips come back at 30.
    view.LeaveFullScreen();
    QCOMPARE(std::tuple(view.SidebarTabs().isHidden(), view.Strip().parentWidget()->geometry(),
                        view.Screen().parentWidget()->geometry()),
             std::tuple(true, QRect(0, 0, 800, 30), QRect(0, 30, 800, 440)));
}

void TestMainWindow::firstTicksShowTheWindowWithLiveTracesAndSpectrum() {
    Window w;
    QVERIFY(!w.frame.isVisible());
    w.Ticks(5);
    QCOMPARE(std::pair(w.frame.isVisible(), w.frame.PaneText(0)),
             std::pair(true, QStringLiteral("Run in demo")));
    const PlotRect plot = w.view.Screen().GetPlotRect();
    QVERIFY(w.Count(0x00FF00u, plot.bottom) > plot.Width() / 2 &&
            w.Count(0xFFFF00u, plot.bottom) > plot.Width() / 2);

    // The spectrum follows the signal with the FFT panel never opened, as after loading a setup: the
    // demo sine's peak rises above the Linear baseline one division over the bottom edge.
    w.doc.SetFftRunning(true);
    w.Ticks(3);
    QVERIFY(w.Count(0x8000FFu, plot.bottom - plot.Height() / 8 - 2) > 10);
}

void TestMainWindow::screenIsRedrawnAfterCapturesAndChangesOnly() {
    Window w;
    CPaintCounter screen;
    CPaintCounter strip;
    w.view.Screen().installEventFilter(&screen);
    w.view.Strip().installEventFilter(&strip);
    const auto paintsOver = [&](int ticks) {
        w.Ticks(2);
        screen.paints = 0;
        strip.paints = 0;
        screen.area = QRect();
        w.Ticks(ticks);
        return std::pair(screen.paints, strip.paints);
    };
    // Running: every capture step brings a new picture inside the border; the border, its markers and
    // the strips show settings and stay as they are.
    QCOMPARE(paintsOver(4), std::pair(4, 0));
    const QRect live = w.view.Screen().LiveArea();
    QVERIFY(live.width() < w.view.Screen().width() && live.height() < w.view.Screen().height());
    QCOMPARE(screen.area, live);
    // A setting shown on the border (the trigger position marker) repaints the whole screen, and the
    // window then shows the whole new frame.
    screen.area = QRect();
    w.doc.SetHorizontalPosition(400);
    w.Ticks(1);
    QCOMPARE(screen.area, w.view.Screen().rect());
    w.doc.Stop();
    w.Ticks(1);
    const QImage shown =
        static_cast<QImage*>(w.frame.backingStore()->paintDevice())->convertToFormat(QImage::Format_RGB32);
    const QImage rendered = w.view.Screen().RenderFrame().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.copy(QRect(w.view.Screen().mapTo(&w.frame, QPoint(0, 0)), rendered.size())), rendered);
    w.doc.Run();

    // Autoset's own captures are never shown; the first capture step after it is.
    CAutoset autoset(w.doc);
    autoset.Attach();
    autoset.Start();
    w.Ticks(1);
    screen.paints = 0;
    int autosetTicks = 0;
    for (; w.doc.specialStep != kAutosetIdle && autosetTicks < 200; ++autosetTicks) {
        w.Ticks(1);
    }
    QCOMPARE(std::pair(autosetTicks > 10, screen.paints), std::pair(true, 0));
    w.Ticks(1);
    QCOMPARE(screen.paints, 1);

    // Stopped: nothing is redrawn until something changes, as a command or a remote client would.
    w.doc.Stop();
    QCOMPARE(paintsOver(10), std::pair(0, 0));
    w.doc.SetHorizontalPosition(100);
    w.Ticks(1);
    QCOMPARE(std::pair(screen.paints, strip.paints), std::pair(1, 1));
    // A click anywhere (here on the strip) may have changed something: the next tick redraws.
    QCOMPARE(paintsOver(0).first, 0);
    QTest::mousePress(&w.view.Strip(), Qt::LeftButton, {}, QPoint(5, 5));
    w.Ticks(1);
    QCOMPARE(screen.paints, 1);
}

void TestMainWindow::measurementTextsAndTheAverageNoteShareTheScreenFont() {
    Window w;
    // MATH stays off, so its colour only shows in its measurement text "MATH:Vpp = ..." at the bottom;
    // the Average note at the top is "MATH: 16" in the same colour, both of height 15.
    w.doc.hooks.lookupText = [](int key) { return std::string(key == 1108 ? "MATH" : ""); };
    w.doc.settings.ch(kMath).colour = 0xE100E1u;
    w.doc.settings.acquire.acquisitionMode = kAcqAverage;
    w.doc.settings.acquire.averageCount = 16;
    const auto textHeights = [&] {
        const QImage& image = w.view.Screen().RenderFrame();
        const PlotRect plot = w.view.Screen().GetPlotRect();
        const int middle = plot.top + plot.Height() / 2;
        return std::pair(FirstLetterHeight(image, plot, plot.top + 1, middle),
                         FirstLetterHeight(image, plot, middle, plot.bottom));
    };
    w.Ticks(3);
    QCOMPARE(textHeights().second, 0); // no measurement yet
    w.doc.measures.SetMeasureSource(2);
    w.doc.measures.AddMeasure(kMeasureVpp);
    w.Ticks(7);
    const auto [average, measure] = textHeights();
    QVERIFY2(average > 6, qPrintable(QString::number(average)));
    QCOMPARE(measure, average);
}

void TestMainWindow::altTriggerLevelAlternatesRunningAndStopped() {
    Window w;
    w.Ticks(2);
    w.doc.SelectTriggerSource(kTrigAlt);
    // Whether the window's trigger box shows CH2's level (in yellow) rather than CH1's (in green).
    const auto ch2Shown = [&] {
        const PlotRect box = w.view.Strip().Boxes().trigger;
        const QImage shown = static_cast<QImage*>(w.frame.backingStore()->paintDevice())
                                 ->copy(QRect(w.view.Strip().mapTo(&w.frame, QPoint(box.left, box.top)),
                                              QSize(box.Width(), box.Height())));
        int balance = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb p = shown.pixel(x, y) & 0xFFFFFFu;
                balance += p == 0xFFFF00u ? 1 : (p == 0x00FF00u ? -1 : 0);
            }
        }
        return balance > 0;
    };
    for (const bool running : {true, false}) {
        if (!running) {
            w.doc.Stop();
        }
        w.Ticks(1);
        bool last = ch2Shown();
        int switches = 0;
        int ch2Ticks = 0;
        for (int tick = 0; tick < 90; ++tick) {
            w.Ticks(1);
            switches += ch2Shown() != last ? 1 : 0;
            last = ch2Shown();
            ch2Ticks += last ? 1 : 0;
        }
        QVERIFY2(switches >= 4 && ch2Ticks > 30 && ch2Ticks < 60, qPrintable(QString::number(switches)));
    }
}

QTEST_MAIN(TestMainWindow)
#include "qt_main_window.moc"
