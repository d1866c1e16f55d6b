// Saving and loading a setup that carries a full recording (about 10 MB): each must stay within 50 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "files/setup_file.h"

namespace {

using namespace tarnix;

SetupImage FullImage() {
    SetupImage image;
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);
    CaptureSettings(settings, image);
    image.ref.empty = 0;
    image.ref.recordLength = 10240;
    image.ref.samples.assign(10240, 128);
    image.acquire.recordingEmpty = 0;
    image.recorder.frames.resize(kSetupRecorderStoreSamples);
    for (std::size_t i = 0; i < image.recorder.frames.size(); ++i) {
        image.recorder.frames[i] = static_cast<std::int16_t>(i % 256);
    }
    return image;
}

// The folder of the program's Default.set: the benchmark writes where it is run.
std::string BenchPath() {
    const char* folder = std::getenv("TARNIX_BENCH_DIR");
    return (std::filesystem::path(folder != nullptr ? folder : ".") / "bench_Default.set").string();
}

void BM_SaveSetupWithRecording(benchmark::State& state) {
    const SetupImage image = FullImage();
    const std::string path = BenchPath();
    for (auto _ : state) {
        FileResult result = SaveSetupFile(path, image, false);
        if (!result.ok) {
            state.SkipWithError(result.message.c_str());
            break;
        }
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveSetupWithRecording)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_LoadSetupWithRecording(benchmark::State& state) {
    const SetupImage image = FullImage();
    const std::string path = BenchPath();
    SaveSetupFile(path, image, false);
    const SetupImage current;
    for (auto _ : state) {
        SetupLoadResult result = LoadSetupFile(path, current, SetupLimits{}, false);
        if (!result.ok) {
            state.SkipWithError("load refused");
            break;
        }
        benchmark::DoNotOptimize(result.image.recorder.frames.data());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadSetupWithRecording)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
