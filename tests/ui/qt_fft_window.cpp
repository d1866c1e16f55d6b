// The FFT panel: list refills and replacements, storing at once, Start/Stop relabelling, the tables and
// the spectrum export; the spectrum and the mask regions on the screen, checked by pixels at positions
// computed from the plot rectangle and the scales.
#include "document/tarnix_doc.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "acquisition/persist_history.h"
#include "analysis/fft_analysis.h"
#include "analysis/pass_fail.h"
#include "display/mask_painter.h"
#include "display/spectrum_painter.h"
#include "display/wave_screen.h"
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

const QRgb kMask = qRgb(150, 128, 0);
const QRgb kSpectrum = qRgb(128, 0, 255);
const QRgb kBlack = qRgb(0, 0, 0);

// A screen host with flat traces and the spectrum of an FFT state kept here.
class SpectrumHost : public IScreenHost {
public:
    SpectrumHost() : persist(settings) {
        for (auto& trace : traces) {
            trace.fill(-1);
        }
    }
    InstrumentSettings& Settings() override { return settings; }
    TraceView Trace(int channel) const override {
        return TraceView{traces[static_cast<std::size_t>(channel)].data(), 5000, 0, 4999};
    }
    XYRecordView XYRecord() const override { return {}; }
    const CPersistHistory* Persistence() const override { return &persist; }
    SpectrumView Spectrum() const override { return MakeSpectrumView(fftSettings, fftResults); }
    int StatusTicks() const override { return 0; }
    int StoppedPosition() const override { return 250; }
    bool FullScreen() const override { return false; }
    void SetZeroLevel(int, float) override {}
    void SetTriggerLevel(int, float) override {}
    void SetHorizontalPosition(int) override {}

    InstrumentSettings settings;
    CPersistHistory persist;
    std::array<std::array<std::int16_t, 5000>, kChannelCount> traces{};
    FftSettings fftSettings;
    FftResults fftResults;
};

int CountColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

} // namespace

class TestFftWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTarnixDoc> doc_;
    std::unique_ptr<CFftWindow> window_;

    void Make() { window_ = std::make_unique<CFftWindow>(*doc_); }

private slots:
    void init() {
        window_.reset();
        doc_ = std::make_unique<CTarnixDoc>();
        ResetFft(doc_->fftSettings, doc_->fftResults);
    }

    void RefreshReplacesInvalidValues() {
        Make();
        FftSettings& fft = doc_->fftSettings;
        fft.running = 1;
        fft.source = 1;
        fft.window = 3;
        fft.scale = kFftScaleDb;
        fft.verticalScale = 7.0; // not a dB step
        fft.bins = 300;
        fft.horizontalZoom = 3;
        window_->Refresh();
        QCOMPARE(window_->StartButton()->text(), QStringLiteral("Stop"));
        QCOMPARE(window_->WindowList()->currentText(), QStringLiteral("Blackman"));
        QCOMPARE(Span(window_->VerticalList()), kDbSpan);
        QCOMPARE(fft.verticalScale, 60.0);
        QCOMPARE(fft.bins, std::uint16_t{256});
        QCOMPARE(fft.horizontalZoom, std::uint16_t{1});
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
        Make();
        QSignalSpy changed(window_.get(), &CFftWindow::settingsChanged);
        window_->SourceList()->setCurrentIndex(1);
        window_->WindowList()->setCurrentIndex(2);
        window_->BinsList()->setCurrentIndex(4);
        window_->VerticalList()->setCurrentIndex(2);
        window_->HorizontalList()->setCurrentIndex(3);
        QCOMPARE(doc_->fftSettings.window, std::uint16_t{kWindowHamming});
        QCOMPARE(doc_->fftSettings.bins, std::uint16_t{4096});
        QCOMPARE(doc_->fftSettings.verticalScale, 0.005);
        QCOMPARE(doc_->fftSettings.horizontalZoom, std::uint16_t{8});
        QVERIFY(changed.count() >= 2); // the screen redraws for vertical and horizontal scale changes
    }

    void ScaleSwitchRefillsVertical() {
        Make();
        window_->VerticalList()->setCurrentIndex(11); // 5 V
        QCOMPARE(doc_->fftSettings.verticalScale, 5.0);
        window_->ScaleList()->setCurrentIndex(0); // dB
        QCOMPARE(Span(window_->VerticalList()), kDbSpan);
        QCOMPARE(doc_->fftSettings.verticalScale, 60.0);
        window_->ScaleList()->setCurrentIndex(1); // back to Linear
        QCOMPARE(Span(window_->VerticalList()), kVoltSpan);
        QCOMPARE(window_->VerticalList()->currentText(), QStringLiteral("500mV"));
        QCOMPARE(doc_->fftSettings.verticalScale, 0.5);
    }

    void StartStopRelabelsFromLanguage() {
        QTemporaryDir dir;
        QFile lug(dir.filePath(QStringLiteral("test.lug")));
        QVERIFY(lug.open(QIODevice::WriteOnly));
        lug.write("[App]\r\n32872=Go\r\n32876=Halt\r\n211=Spectrum\r\n1129=Taper\r\n");
        lug.close();
        doc_->language.FindLanguageFiles(dir.path().toStdString());
        doc_->language.LoadLanguage(0);
        Make();
        QCOMPARE(window_->StartButton()->text(), QStringLiteral("Go"));
        QSignalSpy stopped(window_.get(), &CFftWindow::analysisStopped);
        window_->StartButton()->click();
        QCOMPARE(window_->StartButton()->text(), QStringLiteral("Halt"));
        QCOMPARE(stopped.count(), 0);
        window_->StartButton()->click();
        QCOMPARE(doc_->fftSettings.running, 0);
        QCOMPARE(stopped.count(), 1);

        window_->Relabel();
        QCOMPARE(window_->windowTitle(), QStringLiteral("Spectrum"));
        const QList<QLabel*> labels = window_->findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(),
                            [](QLabel* l) { return l->text() == QStringLiteral("Taper"); }));
        QCOMPARE(window_->StartButton()->text(), QStringLiteral("Go")); // not the "Start" caption 1114
    }

    void TablesShowTheLastComputation() {
        Make();
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
        QCOMPARE(window_->RowValue(0)->text(), QStringLiteral("1.00V"));
        QCOMPARE(window_->RowValue(1)->text(), QStringLiteral("---"));
        QCOMPARE(window_->RowFrequency(2)->text(), QStringLiteral("3.00kHz"));
        QCOMPARE(window_->RowValue(2)->text(), QStringLiteral("100mV"));
        QCOMPARE(window_->RowFrequency(5)->text(), QStringLiteral("---"));
        // THD = 10 log10((0.05^2 + 0.1^2) / 1) = -19.031 dB; TotalPower = 10 log10(1.0125) = 0.054 dB.
        QCOMPARE(window_->Figure(1)->text(), QStringLiteral("-19.031dB"));
        QCOMPARE(window_->Figure(5)->text(), QStringLiteral("0.054dB"));
    }

    void SaveWritesTheSpectrumTextOrSaysWhyNot() {
        Make();
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
        QCOMPARE(lines[0], QByteArray("Freq(Hz)\t\t\t\t\tdB\r"));
        QCOMPARE(lines[2 + 255], QByteArray("99450\t\t\t\t\t60.750000\r"));

        path = dir.filePath(QStringLiteral("missing/spectrum.txt"));
        window_->SaveSpectrum();
        QCOMPARE(message, QStringLiteral("Cann't save file: No such file or directory"));
        // A cancelled dialog writes nothing and says nothing.
        message.clear();
        path.clear();
        window_->SaveSpectrum();
        QVERIFY(message.isEmpty());
    }

    void MaskFillsAboveUpperAndBelowLower() {
        CPassFail passFail;
        std::vector<std::int16_t> trace(5000, 128);
        MaskSettings mask;
        mask.verticalPanel = 32;    // one division: limits 160 and 96
        mask.horizontalPanel = 200; // 2000 points: the regions span columns 2000..3000
        passFail.CreateMask(mask, trace);
        const PlotRect plot{20, 10, 520, 410}; // 500 x 400
        QImage image(560, 440, QImage::Format_RGB32);
        image.fill(Qt::black);
        MaskScratch scratch;
        {
            QPainter p(&image);
            PaintMask(p, plot, passFail, scratch);
        }
        QCOMPARE(CountColour(image, kMask), 0); // the panel is hidden

        passFail.ShowPanel();
        {
            QPainter p(&image);
            PaintMask(p, plot, passFail, scratch);
        }
        // Columns 2000..3000 of 4999 lie at x = 20 + 200.04 .. 20 + 300.06; the upper limit 160 at
        // y = 10 + 95 x 400 / 255 = 159.0, the lower limit 96 at y = 10 + 159 x 400 / 255 = 259.4.
        QCOMPARE(image.pixel(270, 150), kMask);
        QCOMPARE(image.pixel(270, 170), kBlack); // between the limits
        QCOMPARE(image.pixel(270, 250), kBlack);
        QCOMPARE(image.pixel(270, 268), kMask);
        QCOMPARE(image.pixel(210, 15), kBlack);  // left of the regions
        QCOMPARE(image.pixel(330, 405), kBlack); // right of them
        QCOMPARE(image.pixel(270, 5), kBlack);   // nothing outside the plot
    }

    // Only a running analysis is shown; a zoom that is not a step is drawn at x1, and a damaged setup
    // cannot make the screen read past the arrays.
    void SpectrumViewFollowsTheSettings() {
        FftSettings settings;
        FftResults results;
        ResetFft(settings, results);
        settings.horizontalZoom = 5;
        results.binCount = 60000;
        QVERIFY(!MakeSpectrumView(settings, results).displayOn);
        settings.running = 1;
        const SpectrumView view = MakeSpectrumView(settings, results);
        QVERIFY(view.displayOn);
        QCOMPARE(view.pointCount, kFftMaxBins);
        QCOMPARE(view.zoom, 1);
    }

    void SpectrumOnTheScreen() {
        SpectrumHost host;
        host.settings.ch(kCh1).enabled = 1;
        for (int ch = kCh2; ch < kChannelCount; ++ch) {
            host.settings.ch(ch).enabled = 0;
        }
        ResetFft(host.fftSettings, host.fftResults);
        host.fftSettings.running = 1;
        host.fftSettings.scale = kFftScaleLinear;
        host.fftSettings.verticalScale = 0.5;
        host.fftResults.binCount = 256;
        host.fftResults.spectrum.fill(0.5); // one division above the Linear baseline
        CWaveScreen screen(host);
        screen.resize(640, 480);
        QImage image = screen.RenderFrame().copy();
        const PlotRect plot = screen.GetPlotRect();
        const int h = plot.Height();
        // Baseline B - H/8, one division of 0.5 V above it: y = B - 2H/8.
        const int y = static_cast<int>(plot.bottom - h / 8.0 - h / 8.0);
        const int x = plot.left + plot.Width() / 2;
        const qreal dpr = image.devicePixelRatio();
        const auto at = [&](int px, int py) {
            return image.pixel(static_cast<int>(px * dpr), static_cast<int>(py * dpr));
        };
        QCOMPARE(at(x, y), kSpectrum);
        QVERIFY(at(x, y - 3) != kSpectrum);

        // With the zoom at x4 the first quarter of the points fills the width: a peak at point 32
        // of 256 lands at x = L + 32 x (W / 256) x 4 = L + W / 2.
        host.fftSettings.horizontalZoom = 4;
        host.fftResults.spectrum.fill(0.0);
        host.fftResults.spectrum[32] = 2.0; // four divisions up
        image = screen.RenderFrame().copy();
        const int peakY = static_cast<int>(plot.bottom - h / 8.0 - 4 * h / 8.0);
        const int peakX = static_cast<int>(plot.left + 32.0f * static_cast<float>(plot.Width() / 256.0 * 4));
        QCOMPARE(at(peakX, peakY), kSpectrum);

        // No channel on: no spectrum.
        host.settings.ch(kCh1).enabled = 0;
        QCOMPARE(CountColour(screen.RenderFrame().copy(), kSpectrum), 0);
    }
};

QTEST_MAIN(TestFftWindow)

#include "qt_fft_window.moc"
