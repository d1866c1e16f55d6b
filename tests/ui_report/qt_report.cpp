// Save Image and the printed test report on the offscreen platform: the bitmap file a grabbed window
// gives, the texts the report draws, and its graticule and trace at their computed places in an image.
#include "document/tarnix_doc.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QMainWindow>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <string>
#include <vector>

#include "files/bmp_writer.h"
#include "ui/image_export.h"
#include "ui/report_printer.h"

namespace tarnix {
namespace {

class RecordingNotifier : public IUserNotifier {
public:
    void ShowMessage(std::string_view caption, std::string_view text) override {
        messages.emplace_back(std::string(caption), std::string(text));
    }
    std::vector<std::pair<std::string, std::string>> messages;
};

quint32 U32At(const QByteArray& b, int at) {
    const auto u = [&](int i) { return static_cast<quint32>(static_cast<unsigned char>(b.at(at + i))); };
    return u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
}

// A window of one flat colour, so every pixel of its picture is known.
class FlatWindow : public QMainWindow {
public:
    explicit FlatWindow(const QColor& colour) {
        auto* central = new QWidget(this);
        central->setAutoFillBackground(true);
        QPalette palette = central->palette();
        palette.setColor(QPalette::Window, colour);
        central->setPalette(palette);
        setCentralWidget(central);
        setStyleSheet(QStringLiteral("QMainWindow { background: rgb(0, 0, 255); }"));
    }
};

// A page that keeps the texts drawn on it, one entry per drawn line.
class TextPage : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine_; }
    const QStringList& Texts() const { return engine_.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return 1000;
        case PdmHeight:
            return 1400;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return 96;
        }
    }

private:
    class Engine : public QPaintEngine {
    public:
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
        Type type() const override { return User; }
        QStringList texts;
    };
    mutable Engine engine_;
};

const QDateTime kNow(QDate(2026, 12, 5), QTime(16, 7, 9));

} // namespace

class ReportTest : public QObject {
    Q_OBJECT

private slots:
    void saveImageWritesABitmapAfterTheTimer();
    void saveImageFailureShowsTheCannotSaveMessage();
    void pictureIsClippedToTheScreen();
    void reportDrawsTitleDateAndOnlyShownChannels();
    void renderedReportHasGraticuleAndTraceInPlace();
    void printingPausesAndRestartsAcquisition();
    void previewStopsAcquisitionWhileOpen();
};

void ReportTest::saveImageWritesABitmapAfterTheTimer() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FlatWindow window(QColor(10, 200, 30));
    window.setGeometry(40, 30, 320, 240);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    RecordingNotifier notifier;
    const std::string path = dir.filePath(QStringLiteral("screen.jpg")).toStdString();
    ScheduleWindowImage(&window, path, &notifier);
    // The picture is taken on the timer's tick, after the caller (the closed dialog) has returned.
    QVERIFY(!QFile::exists(QString::fromStdString(path)));
    QTRY_VERIFY(QFile::exists(QString::fromStdString(path)));
    QVERIFY(notifier.messages.empty());

    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray b = file.readAll();
    QVERIFY(b.size() > 54);
    QCOMPARE(b.left(2), QByteArray("BM"));
    QCOMPARE(U32At(b, 2), static_cast<quint32>(b.size()));
    const int bits = BmpBitsPerPixel(ScreenDepth(&window));
    QCOMPARE(static_cast<int>(b.at(28)), bits);
    QCOMPARE(static_cast<int>(U32At(b, 18)), 320);
    QCOMPARE(static_cast<int>(U32At(b, 22)), 240);
    if (bits >= 24) {
        QCOMPARE(U32At(b, 10), 54u);
        // The first stored row is the window's bottom row: the central widget's colour, blue green red.
        QCOMPARE(static_cast<unsigned char>(b.at(54)), static_cast<unsigned char>(30));
        QCOMPARE(static_cast<unsigned char>(b.at(55)), static_cast<unsigned char>(200));
        QCOMPARE(static_cast<unsigned char>(b.at(56)), static_cast<unsigned char>(10));
    }
}

void ReportTest::saveImageFailureShowsTheCannotSaveMessage() {
    QTemporaryDir dir;
    FlatWindow window(Qt::white);
    window.setGeometry(10, 10, 100, 80);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    RecordingNotifier notifier;
    ScheduleWindowImage(&window, dir.filePath(QStringLiteral("no/such/folder/screen.bmp")).toStdString(),
                        &notifier);
    QTRY_COMPARE(notifier.messages.size(), std::size_t{1});
    QCOMPARE(notifier.messages[0].first, std::string("Error"));
    QVERIFY(notifier.messages[0].second.rfind("Cann't save file: ", 0) == 0);
}

void ReportTest::pictureIsClippedToTheScreen() {
    const QRect screen(0, 0, 800, 600);
    QCOMPARE(VisibleWindowRect(QRect(-100, -50, 400, 300), screen), QRect(0, 0, 300, 250));
    QCOMPARE(VisibleWindowRect(QRect(700, 500, 400, 300), screen), QRect(700, 500, 100, 100));
    QVERIFY(VisibleWindowRect(QRect(900, 100, 50, 50), screen).isEmpty());

    // A window hanging over the screen's left and top edges gives only its visible part.
    FlatWindow window(Qt::gray);
    window.setGeometry(-100, -50, 400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    const QRect expected = VisibleWindowRect(QRect(origin, window.size()), window.screen()->geometry());
    const PixelBuffer picture = CaptureWindow(&window);
    QCOMPARE(picture.width, expected.width());
    QCOMPARE(picture.height, expected.height());
    if (origin.x() < 0) {
        QCOMPARE(picture.width, 400 + origin.x());
    }
}

void ReportTest::reportDrawsTitleDateAndOnlyShownChannels() {
    QTemporaryDir dir;
    CTarnixDoc doc;
    QVERIFY(doc.language.WriteDefaultLanguage(dir.path().toStdString()));
    doc.language.LoadLanguage(kLanguageDefaultIndex);
    doc.settings.ch(kCh2).enabled = 0; // CH1 only
    const auto drawn = [&] {
        TextPage page;
        QPainter painter(&page);
        PaintReport(painter, 1000, 1400, doc, true, kNow);
        return page.Texts();
    };
    const QStringList lines = drawn();
    for (const char* text :
         {"Test Report", "Date = 05-12-2026     Time = 16:07:09", "MV-A2 USB",
          "CH1 :", "CH1  VOLT DIV =1.00V/div", "Input Coupling = AC", "Time/DIV =40.0us/div", "Note :"}) {
        QVERIFY2(lines.contains(QString::fromLatin1(text)), qPrintable(lines.join(QLatin1Char('|'))));
    }
    for (const QString& line : lines) {
        QVERIFY2(!line.startsWith(QLatin1String("CH2")) && !line.startsWith(QLatin1String("MATH")) &&
                     !line.startsWith(QLatin1String("REF")),
                 qPrintable(line));
    }

    doc.settings.ch(kCh2).enabled = 1;
    doc.settings.ch(kMath).enabled = 1;
    doc.settings.ch(kRef).enabled = 1;
    const QStringList all = drawn();
    for (const char* text : {"CH2 :", "MATH :", "REF :", "REF  VOLT DIV =1.00V/div", "A + B"}) {
        QVERIFY2(all.contains(QString::fromLatin1(text)), text);
    }

    // The printer path: a PDF page of the report.
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QVERIFY(PrintReportTo(printer, doc, true, kNow));
    QFile written(pdf);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().startsWith("%PDF"));
}

void ReportTest::renderedReportHasGraticuleAndTraceInPlace() {
    CTarnixDoc doc;
    doc.settings.ch(kCh2).enabled = 0;
    doc.frames[kCh1].display.fill(200);
    std::fill(doc.frames[kCh1].display.begin(), doc.frames[kCh1].display.begin() + 500, std::int16_t{250});

    // Page 1000 x 1400: waveform area (50, 212)..(950, 980), 900 x 768 units.
    QImage page(1000, 1400, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        PaintReport(painter, page.width(), page.height(), doc, false, kNow);
    }
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    // CH1's green, darkened for paper.
    const auto green = [&page](int x, int y) {
        const QRgb p = page.pixel(x, y);
        return qRed(p) == 0 && qBlue(p) == 0 && qGreen(p) > 0;
    };
    // Graticule centre axes: x = 50 + 25 x 900 / 50 = 500, y = 212 + 16 x 768 / 32 = 596.
    QCOMPARE(page.pixel(500, 300), black);
    QCOMPARE(page.pixel(700, 596), black);
    // Grid off: no dot at the crossing of the first major column and row (x 140, y 308).
    QCOMPARE(page.pixel(140, 308), white);
    // Border of the area, drawn last.
    QCOMPARE(page.pixel(50, 400), black);
    QCOMPARE(page.pixel(300, 212), black);

    // Level 200 lies at y = 212 + 55 x 768 / 255 = 377.6 -> 377 across the area.
    QVERIFY(green(300, 377));
    QVERIFY(green(800, 377));
    QCOMPARE(page.pixel(300, 390), white);
    // The first 500 points at level 250: y = 212 + 5 x 768 / 255 = 227.06; then the step down to level 200
    // at x = 50 + 500 x 900 / 4999 = 140.02.
    QVERIFY(green(100, 227));
    QCOMPARE(page.pixel(100, 377), white);
    bool stepDrawn = false;
    for (int x = 135; x <= 145; ++x) {
        stepDrawn = stepDrawn || green(x, 300);
    }
    QVERIFY(stepDrawn);
    // Zero-level triangle of CH1 (zero level 64): apex side near x 50 + 14, y = 212 + 64 x 768 / 255 = 404.
    QVERIFY(green(55, 404));
    // CH1's swatch (x 140..240, y 714..731 thousandths) is green; CH2's place stays white.
    QVERIFY(green(190, 1012));
    QCOMPARE(page.pixel(390, 1012), white);

    // With the grid on, the division line at x = 50 + 3 x 900 / 10 = 320 is one unbroken grey line.
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        PaintReport(painter, page.width(), page.height(), doc, true, kNow);
    }
    for (int y = 213; y < 980; ++y) {
        const QRgb p = page.pixel(320, y);
        QVERIFY2(p != white && qRed(p) < 230, qPrintable(QStringLiteral("y %1").arg(y)));
    }
}

void ReportTest::printingPausesAndRestartsAcquisition() {
    CTarnixDoc doc;
    doc.settings.acquire.running = 1;
    ReportSource source;
    source.doc = &doc;
    {
        const CPrintPause pause(source);
        QVERIFY(pause.StoppedIt());
        QCOMPARE(doc.settings.acquire.running, 0u);
    }
    QCOMPARE(doc.settings.acquire.running, 1u);

    // Stopped before: stays stopped afterwards.
    doc.Stop();
    {
        const CPrintPause pause(source);
        QVERIFY(!pause.StoppedIt());
    }
    QCOMPARE(doc.settings.acquire.running, 0u);

    // The commands' own Stop and Start run when given; a start made meanwhile is not repeated.
    doc.Run();
    int stops = 0;
    int starts = 0;
    source.stopAcquisition = [&] {
        ++stops;
        doc.Stop();
    };
    source.startAcquisition = [&] {
        ++starts;
        doc.Run();
    };
    {
        const CPrintPause pause(source);
        doc.Run();
    }
    QCOMPARE(stops, 1);
    QCOMPARE(starts, 0);
    { const CPrintPause pause(source); }
    QCOMPARE(stops, 2);
    QCOMPARE(starts, 1);
    QCOMPARE(doc.settings.acquire.running, 1u);
}

void ReportTest::previewStopsAcquisitionWhileOpen() {
    CTarnixDoc doc;
    doc.settings.acquire.running = 1;
    ReportSource source;
    source.doc = &doc;
    bool previewShown = false;
    bool stoppedWhileOpen = false;
    // Looks for the preview from inside its event loop, notes the acquisition state and closes it.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
                preview != nullptr && preview->isVisible()) {
                previewShown = true;
                stoppedWhileOpen = doc.settings.acquire.running == 0;
                preview->reject();
            }
        }
    });
    closer.start(50);
    PreviewReport(nullptr, source);
    closer.stop();
    QVERIFY(previewShown);
    QVERIFY(stoppedWhileOpen);
    QCOMPARE(doc.settings.acquire.running, 1u);
}

} // namespace tarnix

QTEST_MAIN(tarnix::ReportTest)
#include "qt_report.moc"
