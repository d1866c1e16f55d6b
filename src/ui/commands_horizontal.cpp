// Horizontal menu: format, 50% and the 39 time/div items.
#include "document/tarnix_doc.h"

#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "language/menu_table.h"
#include "model/instrument_settings.h"
#include "model/model_table.h"
#include "ui/command_table.h"

namespace tarnix {

void CCommandTable::SetTimeDivFromMenu(int command) {
    InstrumentSettings& s = doc_.settings;
    const int index = TimeDivIndexOfLabel(TimeDivCommandLabel(command), s.timebase.timeDivOffset);
    const RuleDecision decision = TimebaseRequestFromMenu(s, index, PassFailOpen());
    const int formatBefore = s.timebase.displayFormat;
    doc_.ApplyDecision(decision);
    if (decision.SetsTimebase() && !decision.Refused()) {
        SelectSidebar(SidebarList::kTimeDiv, s.timebase.timeDivIndex);
        RepaintKnob(SidebarKnob::kTimeDiv);
    }
    if (s.timebase.displayFormat != formatBefore) {
        SelectSidebar(SidebarList::kFormat, s.timebase.displayFormat);
    }
    UpdateMarkers();
    RepaintScreen();
}

void CCommandTable::RegisterHorizontalCommands() {
    InstrumentSettings& s = doc_.settings;
    TimebaseSettings& tb = s.timebase;

    // Format changes: the document applies the rules between format, time base and channels.
    auto selectFormat = [this, &s, &tb](int format) {
        if (tb.displayFormat == format) {
            return;
        }
        const std::uint32_t ch1Before = s.ch(kCh1).enabled;
        const std::uint32_t ch2Before = s.ch(kCh2).enabled;
        const int timeDivBefore = tb.timeDivIndex;
        doc_.SelectDisplayFormat(format);
        if (sidebar_.channelSwitched) {
            if (s.ch(kCh1).enabled != ch1Before) {
                sidebar_.channelSwitched(kCh1, s.ch(kCh1).enabled != 0);
            }
            if (s.ch(kCh2).enabled != ch2Before) {
                sidebar_.channelSwitched(kCh2, s.ch(kCh2).enabled != 0);
            }
        }
        if (tb.timeDivIndex != timeDivBefore) {
            SelectSidebar(SidebarList::kTimeDiv, tb.timeDivIndex);
        }
        SelectSidebar(SidebarList::kFormat, tb.displayFormat);
        RepaintKnob(SidebarKnob::kTimeDiv);
        UpdateMarkers();
        RepaintScreen();
    };
    Add(
        cmd::kFormatYT, [selectFormat] { selectFormat(kFormatYT); },
        [this, &tb](CommandUI& ui) {
            ui.Enable(Running());
            ui.SetCheck(Running() && tb.displayFormat == kFormatYT);
        });
    Add(
        cmd::kFormatRoll, [selectFormat] { selectFormat(kFormatRoll); },
        [this, &tb](CommandUI& ui) {
            const bool enabled = Running() && !PassFailOpen();
            ui.Enable(enabled);
            ui.SetCheck(enabled && tb.displayFormat == kFormatRoll);
        });
    Add(
        cmd::kFormatXY, [selectFormat] { selectFormat(kFormatXY); },
        [this, &tb](CommandUI& ui) {
            const bool enabled = Running() && !PassFailOpen();
            ui.Enable(enabled);
            ui.SetCheck(enabled && tb.displayFormat == kFormatXY);
        });
    Add(cmd::kHorizFiftyPercent, [this] {
        doc_.SetHorizontalPosition(250);
        UpdateMarkers();
        RepaintScreen();
    });

    for (int command = cmd::kTimeDivFirst; command <= cmd::kTimeDivLast; ++command) {
        Add(
            command, [this, command] { SetTimeDivFromMenu(command); },
            [&tb, command](CommandUI& ui) {
                const int index = TimeDivIndexOfLabel(TimeDivCommandLabel(command), tb.timeDivOffset);
                ui.SetCheck(index >= 0 && tb.timeDivIndex == index);
            });
    }
}

} // namespace tarnix
