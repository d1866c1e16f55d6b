// Median time of File/Save Screen as SVG and File/Export Report as PDF for a screen with four channels.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

#include "display/wave_screen.h"
#include "document/tarnix_doc.h"
#include "ui/image_export.h"
#include "ui/report_printer.h"
#include "ui/tarnix_view.h"

namespace tarnix {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_ui";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Four channels of sines, each a full 5000-point polyline.
void FillFourChannels(CTarnixDoc& doc) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        doc.settings.ch(ch).enabled = 1;
        auto& trace = doc.frames[static_cast<std::size_t>(ch)].display;
        for (std::size_t i = 0; i < trace.size(); ++i) {
            trace[i] = static_cast<std::int16_t>(
                128 + 100 * std::sin(2 * std::numbers::pi * (ch + 2) * static_cast<double>(i) / 5000.0));
        }
    }
}

void BM_SaveScreenSvgFourChannels(benchmark::State& state) {
    App();
    CTarnixDoc doc;
    FillFourChannels(doc);
    CTarnixView view(doc);
    view.resize(1280, 800);
    view.LayoutView();
    for (auto _ : state) {
        const QByteArray svg = ScreenSvgBytes(view.Screen());
        benchmark::DoNotOptimize(svg.constData());
    }
}
BENCHMARK(BM_SaveScreenSvgFourChannels)->Unit(benchmark::kMillisecond);

void BM_ExportReportPdfFourChannels(benchmark::State& state) {
    App();
    CTarnixDoc doc;
    FillFourChannels(doc);
    const std::string path = QDir::temp().filePath(QStringLiteral("bench_report.pdf")).toStdString();
    const QDateTime now = QDateTime::currentDateTime();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ExportReportPdf(path, doc, true, now, QLocale(QLocale::English)));
    }
    QDir::temp().remove(QStringLiteral("bench_report.pdf"));
}
BENCHMARK(BM_ExportReportPdfFourChannels)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarnix
