// A screen host over plain arrays: settings, four full display traces, X-Y records, a persistence
// history and an FFT state, recording the drags the screen asks for.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "acquisition/persist_history.h"
#include "analysis/fft_analysis.h"
#include "display/screen_host.h"
#include "display/spectrum_painter.h"

namespace tarnix {

class CFakeScreenHost : public IScreenHost {
public:
    // The settings start as the factory left them: CH1 and CH2 on, at zero levels 64 and 192.
    CFakeScreenHost() : persist(settings) {
        for (auto& trace : traces) {
            trace.fill(128);
        }
    }

    InstrumentSettings& Settings() override { return settings; }
    TraceView Trace(int channel) const override {
        const auto c = static_cast<std::size_t>(channel);
        return TraceView{traces[c].data(), 5000, firstIndex[c], lastIndex[c]};
    }
    XYRecordView XYRecord() const override {
        return XYRecordView{xy1.data(), xy2.data(), static_cast<int>(std::min(xy1.size(), xy2.size()))};
    }
    const CPersistHistory* Persistence() const override { return &persist; }
    SpectrumView Spectrum() const override { return MakeSpectrumView(fftSettings, fftResults); }
    int StatusTicks() const override { return statusTicks; }
    int StoppedPosition() const override { return 250; }
    bool FullScreen() const override { return fullScreen; }
    void SetZeroLevel(int channel, float level) override { settings.ch(channel).zeroLevel = level; }
    void SetTriggerLevel(int levelMarker, float level) override {
        (levelMarker == 0 ? settings.trigger.levelCh1 : settings.trigger.levelCh2) = level;
    }
    void SetHorizontalPosition(int position) override {
        settings.timebase.horizontalPosition = static_cast<std::uint16_t>(position);
    }
    void ZoomStep(bool zoomIn) override { zoomSteps += zoomIn ? 1 : -1; }

    InstrumentSettings settings;
    CPersistHistory persist;
    std::array<std::array<std::int16_t, 5000>, kChannelCount> traces{};
    std::array<int, kChannelCount> firstIndex{};
    std::array<int, kChannelCount> lastIndex{4999, 4999, 4999, 4999};
    std::vector<std::int16_t> xy1;
    std::vector<std::int16_t> xy2;
    FftSettings fftSettings;
    FftResults fftResults;
    int statusTicks = 0;
    bool fullScreen = false;
    int zoomSteps = 0; // +1 per faster step, -1 per slower step
};

} // namespace tarnix
