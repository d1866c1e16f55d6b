// Trigger menu: mode, sweep, source, slope, 50% and HF rejection.
#include "document/tarnix_doc.h"

#include "analysis/analysis_inputs.h"
#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "model/instrument_settings.h"
#include "ui/command_table.h"

namespace tarnix {

void CCommandTable::RegisterTriggerCommands() {
    InstrumentSettings& s = doc_.settings;
    TriggerSettings& t = s.trigger;

    const int modes[] = {cmd::kTrigModeEdge, cmd::kTrigModePulse};
    for (int i = 0; i < 2; ++i) {
        Add(
            modes[i],
            [this, &t, i] {
                if (t.triggerMode == i) {
                    return;
                }
                doc_.SetTriggerMode(i);
                SelectSidebar(SidebarList::kTriggerMode, i);
            },
            [&t, i](CommandUI& ui) { ui.SetCheck(t.triggerMode == i); });
    }
    for (int i = 0; i < 3; ++i) {
        Add(
            cmd::kTrigSweepFirst + i,
            [this, &t, i] {
                if (t.sweep == i) {
                    return;
                }
                doc_.SetSweep(i);
                SelectSidebar(SidebarList::kSweep, i);
            },
            [&t, i](CommandUI& ui) { ui.SetCheck(t.sweep == i); });
    }
    for (int i = 0; i < kTriggerSourceCount; ++i) {
        Add(
            cmd::kTrigSourceFirst + i,
            [this, &t, i] {
                if (t.triggerSource == i) {
                    return;
                }
                // The document resets the level offset, sets the ALT flag and the new source's level,
                // stores the source and applies the channel configuration.
                doc_.SelectTriggerSource(i);
                SelectSidebar(SidebarList::kTriggerSource, i);
                UpdateMarkers();
                RepaintScreen();
            },
            [&t, i](CommandUI& ui) { ui.SetCheck(t.triggerSource == i); });
    }
    const int slopes[] = {cmd::kTrigSlopeRising, cmd::kTrigSlopeFalling};
    for (int i = 0; i < 2; ++i) {
        Add(
            slopes[i],
            [this, &t, i] {
                if (t.slope == i) {
                    return;
                }
                doc_.SetSlope(i);
                SelectSidebar(SidebarList::kSlope, i);
            },
            [&t, i](CommandUI& ui) { ui.SetCheck(t.slope == i); });
    }

    // 50%: the level goes to the middle of the signal's extremes, which the measurement set keeps.
    Add(
        cmd::kTrigFiftyPercent,
        [this, &s, &t] {
            CMeasureSet* measures = &doc_.measures;
            measures->UpdateMeasurements(MeasureChannelsFrom(s, doc_.frames));
            const int source = t.triggerSource;
            if (source == kTrigCh1 || source == kTrigAlt) {
                t.levelMarkerCh1 = kMarkerOnScreen;
                doc_.SetTriggerLevel(kCh1, static_cast<float>(measures->MidLevel(kCh1)));
            }
            if (source == kTrigCh2 || source == kTrigAlt) {
                t.levelMarkerCh2 = kMarkerOnScreen;
                doc_.SetTriggerLevel(kCh2, static_cast<float>(measures->MidLevel(kCh2)));
            }
            if (source == kTrigExt || source == kTrigExt10) {
                t.levelMarkerExt = kMarkerOnScreen;
                doc_.SetExtTriggerLevel(128.0f);
            }
            UpdateMarkers();
            // The level now sits elsewhere relative to its channel's zero line: the stored offset
            // follows the new marker places (EXT has no zero line).
            float offset = 0.0f;
            if (screen_ != nullptr && source != kTrigExt && source != kTrigExt10) {
                const bool ch2 = source == kTrigCh2;
                offset = static_cast<float>(screen_->MarkerPoint(ch2 ? kMarkerLevelCh2 : kMarkerLevelCh1).y -
                                            screen_->MarkerPoint(ch2 ? kMarkerCh2 : kMarkerCh1).y);
            }
            doc_.screenSetup.levelOffset = offset;
            UpdateMarkers();
            RepaintScreen();
        },
        [this](CommandUI& ui) { ui.Enable(Format() != kFormatRoll); });

    Add(
        cmd::kTrigHfRejection, [this, &t] { doc_.SetHfRejection(t.hfRejection == 0); },
        [this, &t](CommandUI& ui) {
            if (Demo()) {
                ui.Enable(false);
                ui.SetCheck(false);
                return;
            }
            ui.SetCheck(t.hfRejection != 0);
        });
}

} // namespace tarnix
