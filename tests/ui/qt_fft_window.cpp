// The FFT panel: list refills and replacements, storing at once, Start/Stop relabelling, the tables and
// the spectrum export.
#include "document/tarnix_doc.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <tuple>

#include "analysis/fft_analysis.h"
#include "language/language_table.h"
#include "ui/fft_window.h"

using namespace tarnix;

namespace {

// The vertical list as first label, last label and count: the labels themselves are the value
// formatter's.
QString Span(const QComboBox* list) {
    return QStringLiteral("%1..%2 (%3)")
        .arg(list->itemText(0), list->itemText(list->count() - 1))
        .arg(list->count());
}

const QString kDbSpan = QStringLiteral("5.00dB..60.0dB (12)");
const QString kVoltSpan = QStringLiteral("1.00mV..5.00V (12)");

} // namespace

class TestFftWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTarnixDoc> doc_;
    std::unique_ptr<CFftWindow> window_;

private slots:
    void init() {
        window_.reset();
        doc_ = std::make_unique<CTarnixDoc>();
        ResetFft(doc_->fftSettings, doc_->fftResults);
        window_ = std::make_unique<CFftWindow>(*doc_);
    }

    void RefreshReplacesInvalidValues() {
        FftSettings& fft = doc_->fftSettings;
        fft.running = 1;
        fft.source = 1;
        fft.window = 3;
        fft.scale = kFftScaleDb;
        fft.verticalScale = 7.0; // not a dB step
        fft.bins = 300;
        fft.horizontalZoom = 3;
        window_->Refresh();
        QCOMPARE(std::tuple(window_->StartButton()->text(), window_->WindowList()->currentText(),
                            Span(window_->VerticalList())),
                 std::tuple(QStringLiteral("Stop"), QStringLiteral("Blackman"), kDbSpan));
        QCOMPARE(std::tuple(fft.verticalScale, fft.bins, fft.horizontalZoom),
                 std::tuple(60.0, std::uint16_t{256}, std::uint16_t{1}));
        // A valid stored value is selected as it is.
        fft.verticalScale = 25.0;
        window_->Refresh();
        QCOMPARE(window_->VerticalList()->currentText(), QStringLiteral("25.0dB"));
        // The Roll format computes with 256 bins: the list follows with the results.
        fft.bins = 256;
        window_->RefreshResults();
        QCOMPARE(window_->BinsList()->currentText(), QStringLiteral("256"));
    }

    void ListsStoreAtOnce() {
        QSignalSpy changed(window_.get(), &CFftWindow::settingsChanged);
        window_->SourceList()->setCurrentIndex(1);
        window_->WindowList()->setCurrentIndex(2);
        window_->BinsList()->setCurrentIndex(4);
        window_->VerticalList()->setCurrentIndex(2);
        window_->HorizontalList()->setCurrentIndex(3);
        const FftSettings& fft = doc_->fftSettings;
        QCOMPARE(std::tuple(fft.window, fft.bins, fft.verticalScale, fft.horizontalZoom),
                 std::tuple(std::uint16_t{kWindowHamming}, std::uint16_t{4096}, 0.005, std::uint16_t{8}));
        QVERIFY(changed.count() >= 2); // the screen redraws for vertical and horizontal scale changes
    }

    void ScaleSwitchRefillsVertical() {
        window_->VerticalList()->setCurrentIndex(11); // 5 V
        QCOMPARE(doc_->fftSettings.verticalScale, 5.0);
        window_->ScaleList()->setCurrentIndex(0); // dB
        QCOMPARE(std::pair(Span(window_->VerticalList()), doc_->fftSettings.verticalScale),
                 std::pair(kDbSpan, 60.0));
        window_->ScaleList()->setCurrentIndex(1); // back to Linear
        QCOMPARE(std::tuple(Span(window_->VerticalList()), window_->VerticalList()->currentText(),
                            doc_->fftSettings.verticalScale),
                 std::tuple(kVoltSpan, QStringLiteral("500mV"), 0.5));
    }

    void StartStopRelabelsFromLanguage() {
        QTemporaryDir dir;
        QFile lug(dir.filePath(QStringLiteral("test.lug")));
        QVERIFY(lug.open(QIODevice::WriteOnly));
        lug.write("[App]\r\n32872=Go\r\n32876=Halt\r\n211=Spectrum\r\n1129=Taper\r\n");
        lug.close();
        doc_->language.FindLanguageFiles(dir.path().toStdString());
        doc_->language.LoadLanguage(0);
        window_ = std::make_unique<CFftWindow>(*doc_); // built in the loaded language
        QCOMPARE(window_->StartButton()->text(), QStringLiteral("Go"));
        QSignalSpy stopped(window_.get(), &CFftWindow::analysisStopped);
        window_->StartButton()->click();
        QCOMPARE(std::pair(window_->StartButton()->text(), stopped.count()),
                 std::pair(QStringLiteral("Halt"), qsizetype{0}));
        window_->StartButton()->click();
        QCOMPARE(std::pair(int(doc_->fftSettings.running), stopped.count()), std::pair(0, qsizetype{1}));

        window_->Relabel();
        QCOMPARE(window_->windowTitle(), QStringLiteral("Spectrum"));
        const QList<QLabel*> labels = window_->findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(),
                            [](QLabel* l) { return l->text() == QStringLiteral("Taper"); }));
        QCOMPARE(window_->StartButton()->text(), QStringLiteral("Go")); // not the "Start" caption 1114
    }

    void TablesShowTheLastComputation() {
        // Fundamental 1 V at bin 10, slot 1 0.05 V below slot 2 0.1 V: rows 2, 4 and 6 read "---".
        FftResults& r = doc_->fftResults;
        r.binCount = 256;
        for (int k = 0; k < 256; ++k) {
            r.binFrequency[static_cast<std::size_t>(k)] = k * 100;
        }
        r.fundamentalBin = 10;
        r.fundamentalValue = 1.0;
        r.harmonicBin = {20, 30, 40, 50, 60};
        r.harmonicValue = {0.05, 0.1, 0.0, 0.0, 0.0};
        r.linear[10] = 1.0;
        r.linear[20] = 0.05;
        r.linear[30] = 0.1;
        RefreshHarmonicRows(kFftScaleLinear, r);
        ComputeFigures(std::span<const double>(r.linear.data(), 256), 10, r.harmonicBin, r.figures);
        window_->RefreshResults();
        const QStringList rows{window_->RowValue(0)->text(), window_->RowValue(1)->text(),
                               window_->RowFrequency(2)->text(), window_->RowValue(2)->text(),
                               window_->RowFrequency(5)->text()};
        QCOMPARE(rows.join(u' '), QStringLiteral("1.00V --- 3.00kHz 100mV ---"));
        // THD = 10 log10((0.05^2 + 0.1^2) / 1) = -19.031 dB; TotalPower = 10 log10(1.0125) = 0.054 dB.
        QCOMPARE(std::pair(window_->Figure(1)->text(), window_->Figure(5)->text()),
                 std::pair(QStringLiteral("-19.031dB"), QStringLiteral("0.054dB")));
    }

    void SaveWritesTheSpectrumTextOrSaysWhyNot() {
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("spectrum.xls"));
        window_->chooseSaveFile = [&](QWidget*, const QString&, const QString&, const QString&) {
            return path;
        };
        QString message;
        window_->showMessage = [&](QWidget*, const QString&, const QString& text) { message = text; };
        doc_->fftSettings.scale = kFftScaleDb;
        doc_->fftResults.binCount = 256;
        for (int k = 0; k < 256; ++k) {
            doc_->fftResults.binFrequency[static_cast<std::size_t>(k)] = k * 390;
            doc_->fftResults.spectrum[static_cast<std::size_t>(k)] = 0.25 * k - 3.0;
        }
        window_->SaveButton()->click();
        QVERIFY(message.isEmpty());
        // The text's layout is the formatter's; the panel writes the current scale's text, every bin.
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = written.readAll().split('\n');
        QCOMPARE(lines.size(), qsizetype{2 + 256 + 1});
        QCOMPARE(std::pair(lines[0], lines[2 + 255]),
                 std::pair(QByteArray("Freq(Hz)\t\t\t\t\tdB\r"), QByteArray("99450\t\t\t\t\t60.750000\r")));

        path = dir.filePath(QStringLiteral("missing/spectrum.txt"));
        window_->SaveSpectrum();
        QCOMPARE(message, QStringLiteral("Cann't save file: No such file or directory"));
        // A cancelled dialog writes nothing and says nothing.
        message.clear();
        path.clear();
        window_->SaveSpectrum();
        QVERIFY(message.isEmpty());
    }
};

QTEST_MAIN(TestFftWindow)
#include "qt_fft_window.moc"
