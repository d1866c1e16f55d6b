// Acquire menu: run control, mouse modes, sampling, acquisition mode, buffer size, interpolation,
// Auto Setup and Demo Setting.
#include "document/tarnix_doc.h"

#include <cstdio>

#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "model/instrument_settings.h"
#include "model/model_table.h"
#include "ui/command_table.h"

namespace tarnix {
namespace {
constexpr int kTextAverage = 199;
} // namespace

void CCommandTable::RegisterAcquireCommands() {
    InstrumentSettings& s = doc_.settings;
    AcquireSettings& acq = s.acquire;
    TimebaseSettings& tb = s.timebase;

    Add(
        cmd::kAcqStart,
        [this] {
            if (Running()) {
                return;
            }
            doc_.Run();
            if (sidebar_.enableFormatList) {
                sidebar_.enableFormatList(true);
            }
            RepaintScreen();
        },
        [this](CommandUI& ui) { ui.SetCheck(Running()); });
    Add(
        cmd::kAcqStop,
        [this] {
            if (!Running()) {
                return;
            }
            doc_.Stop();
            if (sidebar_.enableFormatList) {
                sidebar_.enableFormatList(false);
            }
            RepaintScreen();
        },
        [this](CommandUI& ui) { ui.SetCheck(!Running()); });

    // Drag, Zoom In and Zoom Out: one mouse mode at a time, and none with a cursor.
    const struct {
        int id;
        std::uint32_t AcquireSettings::*flag;
    } modes[] = {{cmd::kAcqDrag, &AcquireSettings::drag},
                 {cmd::kAcqZoomIn, &AcquireSettings::zoomIn},
                 {cmd::kAcqZoomOut, &AcquireSettings::zoomOut}};
    for (const auto& mode : modes) {
        Add(
            mode.id,
            [this, &acq, flag = mode.flag] {
                if (screen_ != nullptr) {
                    screen_->SetCursorType(0);
                }
                const bool on = acq.*flag == 0;
                acq.drag = 0;
                acq.zoomIn = 0;
                acq.zoomOut = 0;
                acq.*flag = on ? 1 : 0;
                RepaintScreen();
            },
            [this, &acq, flag = mode.flag](CommandUI& ui) {
                const bool enabled = !Running() && Format() != kFormatXY;
                ui.Enable(enabled);
                ui.SetCheck(enabled && acq.*flag != 0);
            });
    }

    const int sampling[] = {cmd::kSamplingRealTime, cmd::kSamplingEts};
    for (int i = 0; i < 2; ++i) {
        Add(
            sampling[i],
            [this, &tb, i] {
                if (tb.samplingMode != i) {
                    doc_.SetSamplingMode(i);
                }
            },
            [&tb, i](CommandUI& ui) { ui.SetCheck(tb.samplingMode == i); });
    }

    Add(
        cmd::kAcqModeNormal,
        [this, &acq] {
            if (acq.acquisitionMode != kAcqNormal) {
                doc_.SetAcquisitionMode(kAcqNormal);
            }
        },
        [this, &acq](CommandUI& ui) {
            const bool normal = acq.acquisitionMode == kAcqNormal;
            ui.Enable(Running() || normal);
            ui.SetCheck(normal);
        });
    Add(
        cmd::kAcqModeAverage,
        [this, &acq] {
            if (acq.acquisitionMode != kAcqAverage) {
                doc_.SetAcquisitionMode(kAcqAverage);
                acq.averagedFrames = 0;
            }
            if (panels_.showAverage) {
                panels_.showAverage();
            }
        },
        [this, &acq](CommandUI& ui) {
            const std::string label = Text(kTextAverage);
            char text[300];
            std::snprintf(text, sizeof text, "%s:%d", label.c_str(), static_cast<int>(acq.averageCount));
            ui.SetText(text);
            if (Demo()) {
                ui.Enable(false);
                return;
            }
            const bool average = acq.acquisitionMode == kAcqAverage;
            ui.Enable(Running() || average);
            ui.SetCheck(average);
        });
    Add(
        cmd::kAcqModePeakDetect,
        [this, &acq] {
            if (acq.acquisitionMode != kAcqPeakDetect) {
                doc_.SetAcquisitionMode(kAcqPeakDetect);
            }
        },
        [&acq](CommandUI& ui) { ui.SetCheck(acq.acquisitionMode == kAcqPeakDetect); });

    for (int value = 0; value < static_cast<int>(cmd::kBufferSizeByIndex.size()); ++value) {
        Add(
            cmd::kBufferSizeByIndex[static_cast<std::size_t>(value)],
            [this, &tb, value] {
                if (tb.bufferSizeIndex != value) {
                    doc_.SetBufferSize(value);
                }
            },
            [this, &s, &tb, value](CommandUI& ui) {
                const bool current = tb.bufferSizeIndex == value;
                bool enabled = true;
                if (value == kBuffer14k || value == kBuffer28k) {
                    enabled = !Demo();
                } else if (value != kBuffer10k && (Demo() || FftRunning())) {
                    enabled = false;
                } else if (!Running()) {
                    enabled = current;
                } else if (value != kBuffer10k) {
                    const bool both =
                        BothChannelsForRules(doc_.link.block.channelCode, s.trigger.triggerSource);
                    const int row = tb.timeDivIndex + tb.timeDivOffset;
                    // The largest records of each pair take one channel only.
                    if (both && (value == kBuffer64k || value == kBuffer1M)) {
                        enabled = false;
                    } else {
                        enabled = RunningRange(value, both).Contains(row);
                    }
                }
                ui.Enable(enabled);
                ui.SetCheck(enabled && current);
            });
    }

    const struct {
        int id;
        int value;
    } interpolations[] = {{cmd::kInterpStep, kInterpStep},
                          {cmd::kInterpLinear, kInterpLinear},
                          {cmd::kInterpSinc, kInterpSinc}};
    for (const auto& interp : interpolations) {
        Add(
            interp.id,
            [this, &s, v = interp.value] {
                if (s.ch(kCh1).interpolation == v && s.ch(kCh2).interpolation == v &&
                    s.ch(kMath).interpolation == v && s.ch(kRef).interpolation == v) {
                    return;
                }
                for (int c = 0; c < kChannelCount; ++c) {
                    doc_.SetInterpolation(c, v);
                }
            },
            [this, &s, &tb, v = interp.value](CommandUI& ui) {
                if (Demo() || tb.samplingMode == 1) {
                    ui.Enable(false);
                    ui.SetCheck(false);
                    return;
                }
                // Interpolation only matters where the record is stretched: 40.0ns/div and faster.
                const int limit = TimeDivIndexOfLabel("40.0ns", tb.timeDivOffset);
                const bool enabled = tb.timeDivIndex <= limit;
                ui.Enable(enabled);
                ui.SetCheck(enabled && s.ch(kCh1).interpolation == v);
            });
    }

    Add(
        cmd::kAutoSetup,
        [this] {
            if (!panels_.startAutoset) {
                return;
            }
            if (!Running()) {
                doc_.Run();
                if (sidebar_.enableFormatList) {
                    sidebar_.enableFormatList(true);
                }
            }
            panels_.startAutoset();
        },
        [this](CommandUI& ui) { ui.Enable(static_cast<bool>(panels_.startAutoset)); });
    Add(
        cmd::kDemoSetting,
        [this] {
            if (Demo() && panels_.showDemoSetting) {
                panels_.showDemoSetting();
            }
        },
        [this](CommandUI& ui) { ui.Enable(Demo() && static_cast<bool>(panels_.showDemoSetting)); });
}

} // namespace tarnix
