// Utility menu: FFT, Record, Pass/Fail, Calibration, Factory Setup and Language; and Calibrate Data,
// which has only its accelerator.
#include "document/tarnix_doc.h"

#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "model/instrument_settings.h"
#include "ui/command_table.h"
#include "ui/tarnix_view.h"

namespace tarnix {

void CCommandTable::RegisterUtilityCommands() {
    TimebaseSettings& tb = doc_.settings.timebase;

    // FFT works on the 10k record only; the refusal comes first so the accelerator reports it.
    Add(
        cmd::kUtilFft,
        [this, &tb] {
            if (tb.bufferSizeIndex != 0) {
                ErrorBox();
                return;
            }
            if (panels_.showFft) {
                panels_.showFft();
            }
        },
        [this, &tb](CommandUI& ui) {
            ui.Enable(tb.bufferSizeIndex == 0 && static_cast<bool>(panels_.showFft));
        });
    Add(
        cmd::kUtilRecord,
        [this] {
            if (Format() != kFormatYT) {
                ErrorBox();
                return;
            }
            if (panels_.runRecord) {
                panels_.runRecord();
            }
        },
        [this](CommandUI& ui) { ui.Enable(static_cast<bool>(panels_.runRecord)); });
    Add(
        cmd::kUtilPassFail,
        [this] {
            if (Format() != kFormatYT) {
                ErrorBox();
                return;
            }
            if (panels_.showPassFail) {
                panels_.showPassFail();
                if (sidebar_.enableFormatList) {
                    sidebar_.enableFormatList(false);
                }
            }
        },
        [this](CommandUI& ui) { ui.Enable(static_cast<bool>(panels_.showPassFail)); });
    Add(
        cmd::kUtilCalibration,
        [this] {
            if (!Demo() && !PassFailOpen() && panels_.runZeroCalibration) {
                panels_.runZeroCalibration();
            }
        },
        [this](CommandUI& ui) {
            ui.Enable(!Demo() && !PassFailOpen() && static_cast<bool>(panels_.runZeroCalibration));
        });
    Add(
        cmd::kCalibrateData,
        [this] {
            if (panels_.showCalibrateData) {
                panels_.showCalibrateData();
            }
        },
        [this](CommandUI& ui) { ui.Enable(static_cast<bool>(panels_.showCalibrateData)); });

    Add(cmd::kUtilFactorySetup, [this] {
        doc_.ApplyFactoryDefaults();
        doc_.Configure();
        if (view_ != nullptr) {
            view_->ResetScreen();
        }
        if (sidebar_.refreshFromSettings) {
            sidebar_.refreshFromSettings();
        }
        if (panels_.refreshDialogs) {
            panels_.refreshDialogs();
        }
        if (view_ != nullptr) {
            view_->LayoutView();
        }
        RepaintScreen();
    });

    // Default; the items 9001.. are handled by range in Execute and Evaluate.
    Add(cmd::kLanguageDefault, [this] { SelectLanguage(kLanguageDefaultIndex); });
}

} // namespace tarnix
