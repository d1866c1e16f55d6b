// Save Image and the printed test report on the offscreen platform: the bitmap file a grabbed window
// gives, the texts the report takes from the document, and its graticule and trace at their computed
// places in an image.
#include "document/tarnix_doc.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "../support/fakes.h"
#include "files/bmp_writer.h"
#include "ui/image_export.h"
#include "ui/report_printer.h"

namespace tarnix {
namespace {

quint32 U32At(const QByteArray& b, int at) {
    const auto u = [&](int i) { return static_cast<quint32>(static_cast<unsigned char>(b.at(at + i))); };
    return u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
}

const QDateTime kNow(QDate(2026, 12, 5), QTime(16, 7, 9));

} // namespace

class ReportTest : public QObject {
    Q_OBJECT

private slots:
    void saveImageWritesTheWindowAfterTheTimer();
    void reportTakesTheDocumentsTexts();
    void renderedReportHasGraticuleTraceAndSwatchInPlace();
    void printingAndPreviewPauseAcquisition();
};

void ReportTest::saveImageWritesTheWindowAfterTheTimer() {
    QTemporaryDir dir;
    // A window of one flat colour, so every pixel of its picture is known.
    QWidget window;
    QPalette flat = window.palette();
    flat.setColor(QPalette::Window, QColor(10, 200, 30));
    window.setPalette(flat);
    window.setGeometry(40, 30, 320, 240);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    testing::CRecordingNotifier notifier;
    const QString path = dir.filePath(QStringLiteral("screen.jpg"));
    ScheduleWindowImage(&window, path.toStdString(), &notifier);
    // The picture is taken on the timer's tick, after the caller (the closed dialog) has returned.
    QVERIFY(!QFile::exists(path));
    QTRY_VERIFY(QFile::exists(path));
    QVERIFY(notifier.messages.empty());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray b = file.readAll();
    const int bits = BmpBitsPerPixel(ScreenDepth(&window));
    QCOMPARE(static_cast<int>(b.at(28)), bits);
    QCOMPARE(U32At(b, 18), 320u);
    QCOMPARE(U32At(b, 22), 240u);
    if (bits >= 24) {
        // The first stored row is the window's bottom row: its colour, blue green red.
        QCOMPARE(b.mid(54, 3), QByteArray("\x1e\xc8\x0a", 3));
    }

    ScheduleWindowImage(&window, dir.filePath(QStringLiteral("no/such/folder/screen.bmp")).toStdString(),
                        &notifier);
    QTRY_COMPARE(notifier.messages.size(), std::size_t{1});
    QVERIFY(notifier.messages[0].rfind("Error: Cann't save file: ", 0) == 0);

    // A window hanging over the screen's edges gives only its visible part.
    const QRect screen(0, 0, 800, 600);
    QCOMPARE(VisibleWindowRect(QRect(-100, -50, 400, 300), screen), QRect(0, 0, 300, 250));
    QCOMPARE(VisibleWindowRect(QRect(700, 500, 400, 300), screen), QRect(700, 500, 100, 100));
}

void ReportTest::reportTakesTheDocumentsTexts() {
    QTemporaryDir dir;
    CTarnixDoc doc;
    QVERIFY(doc.language.WriteDefaultLanguage(dir.path().toStdString()));
    doc.language.LoadLanguage(kLanguageDefaultIndex);
    const auto text = [&](ReportTextRole role, int channel = -1) {
        const ReportLayout layout = ComputeReportLayout(MakeReportInput(doc, true, kNow), 1000, 1400);
        const ReportText* t = layout.Find(role, channel);
        return t == nullptr ? std::string("(none)") : t->text;
    };
    doc.settings.ch(kMath).enabled = 1;
    doc.settings.ch(kRef).enabled = 1;
    QCOMPARE(text(ReportTextRole::kDateTime), std::string("Date = 05-12-2026     Time = 16:07:09"));
    QCOMPARE(text(ReportTextRole::kModel), std::string("MV-A2 USB"));
    QCOMPARE(text(ReportTextRole::kTimebase), std::string("Time/DIV =40.0us/div"));
    QCOMPARE(text(ReportTextRole::kCoupling, kCh1), std::string("Input Coupling = AC"));
    QCOMPARE(text(ReportTextRole::kVolts, kRef), std::string("REF  VOLT DIV =1.00V/div"));
    QCOMPARE(text(ReportTextRole::kCoupling, kMath), std::string("A + B"));

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QVERIFY(PrintReportTo(printer, doc, true, kNow));
    QVERIFY(QFileInfo(pdf).size() > 1000);
}

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
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    const auto green = [&page](int x, int y) {
        const QRgb p = page.pixel(x, y);
        return qRed(p) == 0 && qBlue(p) == 0 && qGreen(p) > 0;
    };
    // Centre axes at x = 50 + 25 x 900 / 50 = 500, y = 212 + 16 x 768 / 32 = 596; the area's border.
    QCOMPARE(page.pixel(500, 300), black);
    QCOMPARE(page.pixel(700, 596), black);
    QCOMPARE(page.pixel(50, 400), black);
    QCOMPARE(page.pixel(140, 308), white); // grid off: no dot at the first major crossing
    // Level 200 lies at y = 212 + 55 x 768 / 255 = 377.6; the first 500 points at level 250 at 227.06.
    QVERIFY(green(800, 377));
    QCOMPARE(page.pixel(300, 390), white);
    QVERIFY(green(100, 227));
    QVERIFY(green(55, 404)); // CH1's zero-level triangle, zero level 64
    // CH1's swatch (x 140..240, y 714..731 thousandths) is green; CH2's place stays white.
    QVERIFY(green(190, 1012));
    QCOMPARE(page.pixel(390, 1012), white);

    // With the grid on, the division line at x = 50 + 3 x 900 / 10 = 320 is one unbroken grey line.
    paint(true);
    for (int y = 213; y < 980; ++y) {
        const QRgb p = page.pixel(320, y);
        QVERIFY2(p != white && qRed(p) < 230, qPrintable(QStringLiteral("y %1").arg(y)));
    }
}

void ReportTest::printingAndPreviewPauseAcquisition() {
    // The window passes its Stop and Start commands; they run only when needed, and a start made
    // meanwhile is not repeated.
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
    QCOMPARE(doc.settings.acquire.running, 0u);
    QCOMPARE(std::pair(stops, starts), std::pair(2, 1));

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

} // namespace tarnix

QTEST_MAIN(tarnix::ReportTest)
#include "qt_report.moc"
