// The trend view: a log file opened in it shows every row's extremes, and the picture exports as a PNG.
#include "document/tarnix_doc.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>

#include "ui/trend_view.h"

using namespace tarnix;

class TestTrendView : public QObject {
    Q_OBJECT

private slots:
    void aSingleSpikeInAThousandRowsShowsInTheExportedPicture() {
        QTemporaryDir dir;
        const std::string log = dir.filePath(QStringLiteral("log.csv")).toStdString();
        {
            std::ofstream out(log, std::ios::binary);
            out << "# Tarnix measurement log\r\ntime (UTC),seconds,CH1 Vpp (V),limits\r\n";
            for (int row = 0; row < 1000; ++row) {
                out << "2026-12-06T06:51:04.153Z," << row * 0.03 << "," << (row == 500 ? 2.0 : 1.0)
                    << ",\r\n";
            }
        }
        CTarnixDoc doc;
        doc.ApplyFactoryDefaults();
        CTrendWindow window(doc);
        QCOMPARE(window.OpenLog(log), std::string());
        QCOMPARE(window.Series().Rows(), std::size_t{1000});
        const QString png = dir.filePath(QStringLiteral("trend.png"));
        QVERIFY(window.ExportPng(png.toStdString(), 400, 200));
        const QImage image(png);
        QCOMPARE(image.size(), QSize(400, 200));
        const QRgb green = 0xFF000000u | doc.settings.ch(kCh1).colour; // opaque, as image.pixel gives it
        // Columns whose trace reaches the upper third: the spike, and nowhere else.
        int high = 0, low = 0;
        for (int x = 0; x < image.width(); ++x) {
            bool top = false, any = false;
            for (int y = 20; y < image.height(); ++y) {
                any = any || image.pixel(x, y) == green;
                top = top || (image.pixel(x, y) == green && y < image.height() / 3);
            }
            high += top;
            low += any && !top;
        }
        QVERIFY2(high >= 1 && high <= 2, qPrintable(QString::number(high)));
        QVERIFY(low > 300);
    }
};

QTEST_MAIN(TestTrendView)

#include "qt_trend_view.moc"
