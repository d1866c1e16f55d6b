// Display menu: vectors or dots, grid, and the Intensity and Waveform Color panels.
#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "ui/command_table.h"

namespace tarnix {

void CCommandTable::RegisterDisplayCommands() {
    if (screen_ == nullptr) {
        for (int id : {cmd::kDisplayVectors, cmd::kDisplayDots, cmd::kDisplayGrid}) {
            AddUnavailable(id);
        }
    } else {
        const int types[] = {cmd::kDisplayVectors, cmd::kDisplayDots};
        for (int type = 0; type < 2; ++type) {
            Add(
                types[type],
                [this, type] {
                    if (screen_->GetDrawType() != type) {
                        screen_->SetDrawType(type);
                        RepaintScreen();
                    }
                },
                [this, type](CommandUI& ui) { ui.SetCheck(screen_->GetDrawType() == type); });
        }
        Add(
            cmd::kDisplayGrid,
            [this] {
                screen_->SetGridOn(!screen_->GetGridOn());
                RepaintScreen();
            },
            [this](CommandUI& ui) { ui.SetCheck(screen_->GetGridOn()); });
    }
    auto intensity = [this] {
        if (panels_.showIntensity) {
            panels_.showIntensity();
        }
    };
    auto intensityRule = [this](CommandUI& ui) { ui.Enable(static_cast<bool>(panels_.showIntensity)); };
    Add(cmd::kDisplayIntensity, intensity, intensityRule);
    Add(cmd::kDisplayIntensityAlt, intensity, intensityRule);
    Add(
        cmd::kDisplayWaveformColor,
        [this] {
            if (panels_.showWaveformColor) {
                panels_.showWaveformColor();
            }
        },
        [this](CommandUI& ui) { ui.Enable(static_cast<bool>(panels_.showWaveformColor)); });
}

} // namespace tarnix
