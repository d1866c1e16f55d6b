// The mask regions and the spectrum trace on the screen, checked by pixels at positions computed here
// from the plot rectangle and the scales.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <array>
#include <vector>

#include "acquisition/persist_history.h"
#include "analysis/fft_analysis.h"
#include "analysis/pass_fail.h"
#include "display/mask_painter.h"
#include "display/spectrum_painter.h"
#include "display/wave_screen.h"
#include "panel_tests.h"

using namespace tarnix;

namespace {

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

class TestPainters : public QObject {
    Q_OBJECT

private slots:
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
        QCOMPARE(image.pixel(270, 15), kMask);
        QCOMPARE(image.pixel(270, 150), kMask);
        QCOMPARE(image.pixel(270, 170), kBlack); // between the limits
        QCOMPARE(image.pixel(270, 250), kBlack);
        QCOMPARE(image.pixel(270, 268), kMask);
        QCOMPARE(image.pixel(270, 405), kMask);
        QCOMPARE(image.pixel(210, 15), kBlack);  // left of the regions
        QCOMPARE(image.pixel(330, 405), kBlack); // right of them
        QCOMPARE(image.pixel(270, 5), kBlack);   // nothing outside the plot
        QCOMPARE(image.pixel(270, 430), kBlack);
    }

    // Only a running analysis is shown; a zoom that is not a step is drawn at x1, and a damaged setup
    // cannot make the screen read past the arrays.
    void SpectrumViewFollowsTheSettings() {
        FftSettings settings;
        FftResults results;
        ResetFft(settings, results);
        settings.horizontalZoom = 5;
        settings.scale = kFftScaleDb;
        settings.verticalScale = 20.0;
        results.binCount = 60000;
        QVERIFY(!MakeSpectrumView(settings, results).displayOn);
        settings.running = 1;
        const SpectrumView view = MakeSpectrumView(settings, results);
        QVERIFY(view.displayOn);
        QCOMPARE(view.pointCount, kFftMaxBins);
        QCOMPARE(view.zoom, 1);
        QCOMPARE(view.scaleMode, 0);
        QCOMPARE(view.unitsPerDiv, 20.0);
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
        QVERIFY(plot.Width() > 100 && plot.Height() > 100);
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

int RunPainterTests(int argc, char** argv) {
    TestPainters test;
    return QTest::qExec(&test, argc, argv);
}

#include "qt_painters.moc"
