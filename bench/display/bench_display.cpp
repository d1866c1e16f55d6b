// Repaints of the screen: every layer into the off-screen image, and a capture's repaint of the window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "acquisition/persist_history.h"
#include "display/screen_host.h"
#include "display/wave_screen.h"

namespace tarnix {
namespace {

// Four channels of sines with a little noise, so every segment of the polyline is drawn.
class CBenchHost : public IScreenHost {
public:
    CBenchHost() : persist(settings) {
        std::uint32_t seed = 12345;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            settings.ch(ch).colour = DefaultChannelColour(ch);
            auto& t = traces[static_cast<std::size_t>(ch)];
            for (int i = 0; i < 5000; ++i) {
                seed = seed * 1103515245u + 12345u;
                const double noise = static_cast<double>((seed >> 16) % 7) - 3.0;
                t[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
                    128 + 100 * std::sin(2 * std::numbers::pi * (ch + 2) * i / 5000.0) + noise);
            }
        }
    }
    InstrumentSettings& Settings() override { return settings; }
    TraceView Trace(int channel) const override {
        return TraceView{traces[static_cast<std::size_t>(channel)].data(), 5000, 0, 4999};
    }
    XYRecordView XYRecord() const override { return {}; }
    const CPersistHistory* Persistence() const override { return &persist; }
    int StatusTicks() const override { return 0; }
    int StoppedPosition() const override { return 250; }
    bool FullScreen() const override { return false; }
    void SetZeroLevel(int channel, float level) override { settings.ch(channel).zeroLevel = level; }
    void SetTriggerLevel(int, float) override {}
    void SetHorizontalPosition(int) override {}

    InstrumentSettings settings;
    CPersistHistory persist;
    std::array<std::array<std::int16_t, 5000>, kChannelCount> traces{};
};

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_display";
    static char* argv[] = {name, nullptr};
    // Never destroyed: after a shown window, the application's devices crash on static destruction.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

void BM_Repaint1280x800TwoChannels(benchmark::State& state) {
    App();
    CBenchHost host;
    host.settings.ch(kCh1).enabled = 1;
    host.settings.ch(kCh2).enabled = 1;
    CWaveScreen screen(host);
    screen.resize(1280, 800);
    screen.SetGridOn(true);
    screen.RenderFrame();
    for (auto _ : state) {
        benchmark::DoNotOptimize(screen.RenderFrame().constBits());
    }
}
BENCHMARK(BM_Repaint1280x800TwoChannels)->Unit(benchmark::kMillisecond);

// Four channels, CH1 and CH2 with 15 frames of persistence history each, at a device pixel ratio.
void RepaintFourChannelsPersistence15(benchmark::State& state, double ratio, bool split = true) {
    App();
    CBenchHost host;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        host.settings.ch(ch).enabled = 1;
    }
    host.persist.SetPersistenceOn(true);
    host.persist.SetPersistenceDepth(15);
    for (int k = 0; k < 15; ++k) {
        for (int ch : {kCh1, kCh2}) {
            auto frame = host.traces[static_cast<std::size_t>(ch)];
            for (auto& v : frame) {
                v = static_cast<std::int16_t>(std::clamp(v + 3 * (k - 7), 0, 255));
            }
            host.persist.AddPersistFrame(ch, frame.data(), host.settings.ch(ch).colour);
        }
    }
    CWaveScreen screen(host);
    screen.resize(1920, 1080);
    screen.SetSplitTraces(split);
    if (ratio == 1.0) {
        screen.RenderFrame();
        for (auto _ : state) {
            benchmark::DoNotOptimize(screen.RenderFrame().constBits());
        }
        return;
    }
    QImage picture = screen.RenderPicture(ratio);
    for (auto _ : state) {
        screen.RenderPictureInto(picture);
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void BM_Repaint1920x1080FourChannelsPersistence15(benchmark::State& state) {
    RepaintFourChannelsPersistence15(state, 1.0);
}
BENCHMARK(BM_Repaint1920x1080FourChannelsPersistence15)->Unit(benchmark::kMillisecond);

// The same window on a 2x screen: 3840 x 2160 device pixels. The traces go to two threads: the time
// is the wall clock's, the CPU figure that of both threads.
void BM_Repaint1920x1080At2xFourChannelsPersistence15(benchmark::State& state) {
    RepaintFourChannelsPersistence15(state, 2.0);
}
BENCHMARK(BM_Repaint1920x1080At2xFourChannelsPersistence15)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The same on the painting thread alone.
void BM_Repaint1920x1080At2xFourChannelsPersistence15OneThread(benchmark::State& state) {
    RepaintFourChannelsPersistence15(state, 2.0, false);
}
BENCHMARK(BM_Repaint1920x1080At2xFourChannelsPersistence15OneThread)->Unit(benchmark::kMillisecond);

// A capture while running, as the window repaints it: only the area inside the border, with the
// simulator's first screen (a sine over a quarter of the height on CH1, a square wave on CH2) moving
// between frames. The window's own pixels, on the offscreen platform.
void BM_CaptureRepaint780x560TwoChannels(benchmark::State& state) {
    App();
    CBenchHost host;
    host.settings.ch(kCh1).enabled = 1;
    host.settings.ch(kCh2).enabled = 1;
    for (std::size_t i = 0; i < 5000; ++i) {
        host.traces[kCh1][i] =
            static_cast<std::int16_t>(190 + 30 * std::sin(4 * std::numbers::pi * i / 5000.0));
        host.traces[kCh2][i] = static_cast<std::int16_t>(i < 3000 ? 90 : 60);
    }
    CWaveScreen screen(host);
    screen.resize(780, 560); // within the offscreen platform's screen, so the window has all its pixels
    screen.show();
    while (!screen.windowHandle()->isExposed()) {
        QApplication::processEvents();
    }
    screen.repaint();
    int frame = 0;
    for (auto _ : state) {
        for (auto& trace : host.traces) {
            std::rotate(trace.begin(), trace.begin() + 37, trace.end()); // the signal moves on
        }
        screen.repaint(screen.LiveArea());
        benchmark::DoNotOptimize(++frame);
    }
}
BENCHMARK(BM_CaptureRepaint780x560TwoChannels)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarnix
