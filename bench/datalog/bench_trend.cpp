// The trend view's repaint at 1920 x 1080 with ten hours of rows (33 a second) of four items.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "analysis/measure_set.h"
#include "display/trend_painter.h"

namespace tarnix {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_trend";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

void BM_TrendRepaint1920x1080FourItems(benchmark::State& state) {
    App();
    CTrendSeries series;
    series.Reset({{{kCh1, kMeasureVpp}, {1.9, 2.1}},
                  {{kCh1, kMeasureFrequency}, {}},
                  {{kCh2, kMeasurePosDuty}, {}},
                  {{kMath, kMeasureVrms}, {}}});
    for (int row = 0; row < 10 * 3600 * 33; ++row) {
        const double phase = row * 1e-4;
        const std::optional<double> values[] = {2.0 + 0.05 * std::sin(phase), 5000.0 + (row % 7), 50.0 + (row % 3),
                                                0.7 + 0.01 * std::cos(phase)};
        series.Add(row / 33.0, values);
    }
    QImage image(1920, 1080, QImage::Format_RGB32);
    const std::array<std::uint32_t, 3> colours{0x00FF00, 0xFFFF00, 0xFF0000};
    for (auto _ : state) {
        QPainter painter(&image);
        PaintTrend(painter, image.rect(), series, colours);
    }
}
BENCHMARK(BM_TrendRepaint1920x1080FourItems)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarnix
