// Record files (.rec): load into the recorder, then play the loaded frames through a host that checks
// every frame stays inside the store.
#include <array>
#include <cstdint>
#include <memory>

#include "fuzz_support.h"
#include "recorder/recorder.h"

using namespace tarnix;

namespace {

class Timer : public IPanelTimer {
public:
    void Start(int intervalMs) override { fuzz::Require(intervalMs >= 1 && intervalMs <= 20000, "interval"); }
    void Stop() override {}
};

class Host : public IRecorderHost {
public:
    Host() : settings(fuzz::Model1Defaults()) {}
    const InstrumentSettings& Settings() const override { return settings; }
    std::span<const std::int16_t> DisplayTrace(int channel) const override {
        fuzz::Require(channel == 0 || channel == 1, "trace channel");
        return trace;
    }
    // Every tick finds a new capture, so a recording fills as fast as the fuzzer drives it.
    std::uint32_t CaptureCount() const override { return ++captures; }
    void ShowFrame(int channel, std::span<const std::int16_t> frame) override {
        fuzz::Require((channel == 0 || channel == 1) && frame.size() == 5000, "shown frame");
    }
    void SetChannelEnabled(int channel, bool on) override { settings.ch(channel).enabled = on ? 1 : 0; }
    // The document hands the context to its range-checking setters; here the context itself must
    // already be in range, whatever the file held.
    void ApplyPlaybackContext(int channel, const RecorderSettings& context) override {
        fuzz::Require((channel == 0 || channel == 1) && RecorderSettingsInRange(context, 1),
                      "played context");
    }
    void SetBufferSize(int index) override {
        settings.timebase.bufferSizeIndex = static_cast<std::uint16_t>(index);
    }
    void SetRunStatus(std::uint16_t status) override { settings.runStatus = status; }
    void StartAcquisitionTimer() override {}
    void StopAcquisitionTimer() override {}
    void Redraw() override {}
    InstrumentSettings settings;
    std::array<std::int16_t, 5000> trace{};
    mutable std::uint32_t captures = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto recorder = std::make_unique<CRecorder>();
    recorder->settings = RecorderSettings{};
    recorder->recordingEmpty = 1;
    const std::string path = fuzz::WriteInput(data, size, ".rec");
    if (!recorder->LoadRec(path, 1).ok) {
        fuzz::Require(recorder->settings == RecorderSettings{} && recorder->recordingEmpty == 1,
                      "a refused file changed the recorder");
    }
    fuzz::Require(RecorderSettingsInRange(recorder->settings, 1), "recorder settings");

    Host host;
    Timer timer;
    recorder->OpenPanel(host);
    recorder->SetRepeat(true);
    recorder->PressPlay(host, timer);
    for (int tick = 0; tick < 3; ++tick) {
        recorder->OnTimer(host, timer);
    }
    recorder->SetCurrentFrame(host, 1000);
    recorder->ClosePanel(host, timer);
    fuzz::RequireSettingsInRange(host.settings);
    fuzz::Require(RecorderSettingsInRange(recorder->settings, 1), "recorder settings after play");
    return 0;
}
