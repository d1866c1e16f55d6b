// The statistics table on the screen: each measurement named in full in the program's language, and eight
// rows of the longest names inside the band of the measurement texts, readable in the first window.
#include <QImage>
#include <QPainter>
#include <QTest>

#include "analysis/measure_set.h"
#include "datalog/measure_statistics.h"
#include "display/screen_geometry.h"
#include "language/language_table.h"
#include "ui/statistics_overlay.h"

using namespace tarnix;

class TestStatisticsOverlay : public QObject {
    Q_OBJECT

private slots:
    void namesReadInFullInsideTheMeasurementBand_data() {
        QTest::addColumn<int>("language");  // -1: the built-in English; 0: the shipped German
        QTest::addColumn<QString>("name");  // of CH1's frequency
        QTest::addColumn<int>("width");     // of the screen; 610 in the 800 x 600 window the program opens
        QTest::addColumn<int>("minPixels"); // the font's least height
        QTest::newRow("English") << -1 << QStringLiteral("CH1 Frequency") << 610 << 9;
        QTest::newRow("German") << 0 << QStringLiteral("CH1 Frequenz") << 610 << 9;
        QTest::newRow("GermanNarrow") << 0 << QStringLiteral("CH1 Frequenz") << 400 << 5;
    }
    void namesReadInFullInsideTheMeasurementBand() {
        QFETCH(int, language);
        QFETCH(int, width);
        CLanguageTable table;
        table.FindLanguageFiles(TARNIX_LANGUAGE_DIR);
        table.SelectLanguage(language, 0);
        QTEST(QString::fromStdString(ItemTitle(table, {kCh1, kMeasureFrequency})), "name");
        CMeasureStatistics statistics;
        std::vector<MeasureItem> items;
        for (const int kind : {kMeasureVpshoot, kMeasureVnshoot, kMeasureVcmean, kMeasurePosDuty,
                               kMeasureNegDuty, kMeasurePosWidth, kMeasureNegWidth, kMeasureFrequency}) {
            items.push_back({kMath, kind});
        }
        statistics.SetItems(items);
        statistics.AddCapture(MeaningOf({}), std::vector<std::optional<double>>(items.size(), -123.456e-6));
        const PlotRect plot = ComputeScreenGeometry(width, 462, false).plot;
        QImage image(640, 480, QImage::Format_RGB32);
        QPainter painter(&image);
        const QRect drawn = PaintStatisticsTable(painter, plot, statistics, {0xFF00, 0xFFFF00, 0xFF}, table);
        const int h = plot.Height();
        QVERIFY(drawn.left() >= plot.left + plot.Width() / 8 && drawn.right() < plot.right);
        QVERIFY(drawn.top() >= plot.bottom - h / 8 - 2 * (h / 15) && drawn.bottom() < plot.bottom);
        QFETCH(int, minPixels);
        QVERIFY(painter.font().pixelSize() >= minPixels);
    }
};

QTEST_MAIN(TestStatisticsOverlay)

#include "qt_statistics_overlay.moc"
