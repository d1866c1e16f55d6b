// Save Image, Save Screen as SVG and the test report (printed, previewed, exported as PDF) offscreen.
#include "document/tarnix_doc.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QSvgRenderer>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "../support/fakes.h"
#include "analysis/analysis_inputs.h"
#include "display/wave_screen.h"
#include "ui/image_export.h"
#include "ui/report_printer.h"
#include "ui/tarnix_view.h"

namespace tarnix {
namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(16, 7, 9));

} // namespace

class ReportTest : public QObject {
    Q_OBJECT

private slots:
    void renderedReportHasGraticuleTraceAndSwatchInPlace();
    void printingAndPreviewPauseAcquisition();
    void saveImageFormatsAtTheScreenRatio();
    void screenSvgDrawsWhatTheScreenShows();
    void reportPdfIsOnePageWithTheScreensTexts_data();
    void reportPdfIsOnePageWithTheScreensTexts();
};

void ReportTest::renderedReportHasGraticuleTraceAndSwatchInPlace() {
    CTarnixDoc doc;
    doc.settings.ch(kCh2).enabled = 0;
    doc.frames[kCh1].display.fill(200);
    std::fill(doc.frames[kCh1].display.begin(), doc.frames[kCh1].display.begin() + 500, std::int16_t{250});
    // Page 1000 x 1400: waveform area (50, 212)..(950, 980), 900 x 768 units.
    QImage page(1000, 1400, QImage::Format_RGB32);
    const auto paint = [&](bool gridOn) {
        page.fill(Qt::white);
        QPainter painter(&page);
        PaintReport(painter, page.width(), page.height(), doc, gridOn, kNow);
    };
    paint(false);
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    const auto green = [&page](int x, int y) {
        const QRgb p = page.pixel(x, y);
        return qRed(p) == 0 && qBlue(p) == 0 && qGreen(p) > 0;
    };
    // Black: the centre axes at x = 50 + 25 x 900 / 50 = 500, y = 212 + 16 x 768 / 32 = 596, the area's
    // border. White: no grid dot at the first major crossing, nothing below the trace, no CH2 swatch.
    QCOMPARE(std::tuple(page.pixel(500, 300), page.pixel(700, 596), page.pixel(50, 400), page.pixel(140, 308),
                        page.pixel(300, 390), page.pixel(390, 1012)),
             std::tuple(black, black, black, white, white, white));
    // Level 200 lies at y = 212 + 55 x 768 / 255 = 377.6, the first 500 points at level 250 at 227.06; CH1's
    // zero-level triangle at zero level 64; CH1's swatch at x 140..240, y 714..731 thousandths.
    QVERIFY(green(800, 377) && green(100, 227) && green(55, 404) && green(190, 1012));

    // With the grid on, the division line at x = 50 + 3 x 900 / 10 = 320 is one unbroken grey line.
    paint(true);
    for (int y = 213; y < 980; ++y) {
        const QRgb p = page.pixel(320, y);
        QVERIFY2(p != white && qRed(p) < 230, qPrintable(QStringLiteral("y %1").arg(y)));
    }
}

void ReportTest::printingAndPreviewPauseAcquisition() {
    // The window's Stop and Start run only when needed; a start made meanwhile is not repeated.
    CTarnixDoc doc;
    int stops = 0;
    int starts = 0;
    ReportSource source;
    source.doc = &doc;
    source.stopAcquisition = [&] {
        ++stops;
        doc.Stop();
    };
    source.startAcquisition = [&] {
        ++starts;
        doc.Run();
    };
    doc.Run();
    {
        const CPrintPause pause(source);
        QVERIFY(pause.StoppedIt());
        QCOMPARE(doc.settings.acquire.running, 0u);
    }
    QCOMPARE(std::pair(stops, starts), std::pair(1, 1));
    {
        const CPrintPause pause(source);
        doc.Run();
    }
    QCOMPARE(std::pair(stops, starts), std::pair(2, 1));
    doc.Stop(); // stopped before: stays stopped afterwards
    { QVERIFY(!CPrintPause(source).StoppedIt()); }
    QVERIFY(doc.settings.acquire.running == 0u && std::pair(stops, starts) == std::pair(2, 1));

    // The preview stops acquisition while it is open: looked for from inside its event loop.
    doc.Run();
    bool stoppedWhileOpen = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
                preview != nullptr && preview->isVisible()) {
                stoppedWhileOpen = doc.settings.acquire.running == 0;
                preview->reject();
            }
        }
    });
    closer.start(50);
    PreviewReport(nullptr, source);
    closer.stop();
    QVERIFY(stoppedWhileOpen);
    QCOMPARE(doc.settings.acquire.running, 1u);
}

void ReportTest::saveImageFormatsAtTheScreenRatio() {
    // Run at QT_SCALE_FACTOR 1 and 2. A window of one flat colour, so every pixel of its picture is known.
    QTemporaryDir dir;
    QWidget window;
    QPalette flat = window.palette();
    flat.setColor(QPalette::Window, QColor(10, 200, 30));
    window.setPalette(flat);
    window.setGeometry(40, 30, 320, 240);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Save Image takes the picture on the timer's tick, after the caller (the closed dialog) has returned;
    // a folder that cannot take the file gets the error box.
    testing::CRecordingNotifier notifier;
    const QString later = dir.filePath(QStringLiteral("later.bmp"));
    ScheduleWindowImage(&window, later.toStdString(), &notifier);
    QVERIFY(!QFile::exists(later));
    QTRY_VERIFY(QFile::exists(later));
    QCOMPARE(QImage(later).pixel(5, 5), qRgb(10, 200, 30));
    QVERIFY(notifier.messages.empty());
    ScheduleWindowImage(&window, dir.filePath(QStringLiteral("no/such/folder/screen.bmp")).toStdString(),
                        &notifier);
    QTRY_COMPARE(notifier.messages.size(), std::size_t{1});
    QVERIFY(notifier.messages[0].rfind("Error: Cann't save file: ", 0) == 0);

    // PNG and JPEG pictures hold the window at the screen's density; the last extension names the format.
    const QSize expected = (QSizeF(320, 240) * window.devicePixelRatioF()).toSize();
    const std::tuple<const char*, QByteArray, const char*> cases[] = {
        {"screen.png", QByteArray("\x89PNG"), "png"},
        {"screen.JPG", QByteArray("\xff\xd8\xff"), "jpg"},
        {"screen.bmp", QByteArray("BM"), "bmp"},
        {"screen.jpeg.bmp", QByteArray("BM"), "bmp"}};
    for (const auto& [name, magic, format] : cases) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QVERIFY(SaveWindowImageNow(&window, path.toStdString()).ok);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.read(magic.size()) == magic, name);
        QCOMPARE(QImage(path, format).size(), expected);
    }

    // A window hanging over the screen's edges gives only its visible part.
    const QRect screen(0, 0, 800, 600);
    QCOMPARE(VisibleWindowRect(QRect(-100, -50, 400, 300), screen), QRect(0, 0, 300, 250));
    QCOMPARE(VisibleWindowRect(QRect(700, 500, 400, 300), screen), QRect(700, 500, 100, 100));
}

void ReportTest::screenSvgDrawsWhatTheScreenShows() {
    QTemporaryDir dir;
    CTarnixDoc doc;
    for (std::size_t i = 0; i < doc.frames[kCh1].display.size(); ++i) {
        doc.frames[kCh1].display[i] =
            static_cast<std::int16_t>(128 + 80 * std::sin(static_cast<double>(i) / 200.0));
    }
    doc.frames[kCh2].display.fill(60);
    CTarnixView view(doc);
    view.resize(800, 500);
    view.LayoutView();
    CWaveScreen& screen = view.Screen();
    const QString path = dir.filePath(QStringLiteral("screen.svg"));
    QVERIFY(SaveScreenSvg(screen, path.toStdString()).ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.count("<polyline") >= 2 && !text.contains("<image")); // the traces are vectors, not pictures

    QSvgRenderer svg(path);
    QVERIFY(svg.isValid());
    QCOMPARE(svg.viewBox(), QRect(QPoint(0, 0), screen.size()));
    QImage drawn(screen.size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    svg.render(&painter);
    painter.end();
    const QImage shown = screen.RenderPicture(1.0);
    // A pixel of the screen differs when no pixel of the drawing within one pixel of it is close in
    // colour: vectors and pixels may round a line's position differently, but not by more.
    const auto close = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                   std::abs(qBlue(a) - qBlue(b)) <=
               96;
    };
    int differing = 0;
    for (int y = 1; y + 1 < shown.height(); ++y) {
        for (int x = 1; x + 1 < shown.width(); ++x) {
            bool found = false;
            for (int k = 0; k < 9 && !found; ++k) {
                found = close(shown.pixel(x, y), drawn.pixel(x + k % 3 - 1, y + k / 3 - 1));
            }
            differing += found ? 0 : 1;
        }
    }
    QVERIFY2(differing * 200 < shown.width() * shown.height(), qPrintable(QString::number(differing)));
}

void ReportTest::reportPdfIsOnePageWithTheScreensTexts_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("paper");
    QTest::newRow("US letter") << QLocale(QLocale::English, QLocale::UnitedStates)
                               << QStringLiteral("(letter)");
    QTest::newRow("German A4") << QLocale(QLocale::German, QLocale::Germany) << QStringLiteral("(A4)");
}

void ReportTest::reportPdfIsOnePageWithTheScreensTexts() {
    QFETCH(QLocale, locale);
    QFETCH(QString, paper);
    QTemporaryDir dir;
    CTarnixDoc doc;
    QVERIFY(doc.language.WriteDefaultLanguage(dir.path().toStdString()));
    doc.language.LoadLanguage(kLanguageDefaultIndex);
    for (std::size_t i = 0; i < doc.frames[kCh1].display.size(); ++i) {
        doc.frames[kCh1].display[i] =
            static_cast<std::int16_t>(128 + 64 * std::sin(static_cast<double>(i) / 100.0));
    }
    doc.settings.ch(kMath).enabled = 1;
    doc.settings.ch(kRef).enabled = 1;
    doc.measures.AddMeasure(kMeasureVpp);
    doc.measures.AddMeasure(kMeasureFrequency);
    doc.measures.SetSecondsPerDiv(0.001);
    doc.measures.UpdateMeasurements(MeasureChannelsFrom(doc.settings, doc.frames));
    const std::string vpp = doc.measures.Text(0);
    QVERIFY(vpp.find("*****") == std::string::npos);
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QVERIFY(ExportReportPdf(pdf.toStdString(), doc, true, kNow, locale));

    const auto run = [](const QString& program, const QStringList& args) {
        QProcess process;
        process.start(program, args);
        return process.waitForFinished(20000) ? QString::fromUtf8(process.readAllStandardOutput())
                                              : QString();
    };
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
    QVERIFY2(info.contains(paper), qPrintable(info));
    const QString text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    // The texts the report takes from the document and its language, and the measurements.
    for (const std::string& expected : std::vector<std::string>{
             "Test Report", "Date = 05-12-2026     Time = 16:07:09", "MV-A2 USB", "Time/DIV =40.0us/div",
             "Input Coupling = AC", "A + B", "REF  VOLT DIV =1.00V/div", "CH1  VOLT DIV =1.00V/div", vpp,
             doc.measures.Text(1)}) {
        // pdftotext spaces the words as the layout allows: compared without spaces.
        QVERIFY2(QString(text)
                     .remove(QLatin1Char(' '))
                     .contains(QString::fromStdString(expected).remove(QLatin1Char(' '))),
                 expected.c_str());
    }
}

} // namespace tarnix

QTEST_MAIN(tarnix::ReportTest)
#include "qt_report.moc"
