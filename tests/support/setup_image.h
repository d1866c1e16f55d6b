// A setup image with a value other than the factory one in every field of every block, all within range,
// for the setup file tests and the document's round trip through a setup file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/setup_file.h"
#include "model/instrument_settings.h"

namespace tarnix::testing {

inline SetupImage UnusualSetupImage() {
    SetupImage img;
    img.languageIndex = 3;
    img.ch1 = {0, 2, 0, 1, 1, 1, 1, 100.5f, 0, 32768, 0x123456};
    img.ch2 = {0, 9, 2, 3, 2, 1, 1, 17.25f, 1, 32768, 0x00ABCDEF};
    img.math = {1, 4, 2, 1, 0, 3, 1, 33.0f, 1, 32768, 0x00010203};
    img.ref = {1, 0, 99.0f, 98.0f, 1, 2, 1000, 30, 400, 97.5f, 0x00404040, {}};
    img.ref.samples.resize(1000);
    for (std::size_t i = 0; i < 1000; ++i) {
        img.ref.samples[i] = static_cast<std::uint16_t>(i * 3);
    }
    img.trigger = {1, 2, 4, 1, -20.0f, 300.0f, 12.0f, 1.5f, -2.5f, 0.25f, 1, 2, 3, 3, 7.0f};
    img.timebase = {25, 3, 1, 480, 1};
    img.display = {6, 4, 1, 0, 17, 18};
    img.acquire = {15, 1, 1, 64, 1, 0};
    img.recorder = {1, 900, 20000, 900, 37, 9, 255.0f, 2, 3, 1, 1, 5, 500, -123456, 333, 800, 6, 1, {}};
    img.recorder.frames.resize(kSetupRecorderStoreSamples);
    for (std::size_t i = 0; i < img.recorder.frames.size(); ++i) {
        img.recorder.frames[i] = static_cast<std::int16_t>(i % 65521);
    }
    img.passFail = {1, 128, 0xFFFFFFFFFFFFFFF0ull, 12345678901ull, 42, 3, 1, 1, {}, {}};
    for (std::size_t i = 0; i < kSetupMaskPoints; ++i) {
        img.passFail.upper[i] = static_cast<std::int16_t>(255 - i % 200);
        img.passFail.lower[i] = static_cast<std::int16_t>(i % 50);
    }
    img.measure.itemCount = 8;
    img.measure.source = 2;
    for (std::size_t i = 0; i < 8; ++i) {
        img.measure.items[i] = {1, static_cast<std::uint16_t>(i % 3), static_cast<std::uint16_t>(19 - i)};
    }
    img.fft = {1, 1, 3, 4096, 0, 45.0, 16};
    // The volts fields hold what the status strip shows for these levels, as every saved file does.
    InstrumentSettings live;
    ApplyFactoryDefaults(live);
    ApplySetupToSettings(img, live);
    const auto volts = [&](int channel, float level) {
        return static_cast<float>(ChannelVoltsPerDiv(live.ch(channel)) *
                                  (live.ch(channel).zeroLevel - level) / 32.0);
    };
    img.trigger.voltsCh1 = volts(kCh1, live.trigger.levelCh1);
    img.trigger.voltsCh2 = volts(kCh2, live.trigger.levelCh2);
    img.trigger.voltsExt = static_cast<float>((128.0 - live.trigger.levelExt) * 0.03125 *
                                              (live.trigger.triggerSource == kTrigExt10 ? 10.0 : 1.0));
    return img;
}

} // namespace tarnix::testing
