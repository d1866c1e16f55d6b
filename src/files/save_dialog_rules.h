// The Save dialog ("Channel": "CH1" / "CH2", "OK") shown before Save CSV and Save Reference: which buttons
// it enables and selects when it opens, and the `saveChannel` it leaves behind. The Qt dialog shows this.
#pragma once

#include <cstdint>

namespace tarnix {

struct SaveDialogState {
    bool ch1Enabled = false;
    bool ch2Enabled = false;
    bool okEnabled = false;
    int selected = -1; // 0 CH1, 1 CH2, -1 neither
};

// Opening: both channels off disables everything (the dialog can only be closed); one channel on selects it
// and disables the other; both on select the channel chosen last time (`saveChannel`).
SaveDialogState SaveDialogOnOpen(bool ch1On, bool ch2On, std::uint16_t saveChannel);

// OK: 0 when "CH1" is selected, 1 when "CH2" is, 2 when neither is. Any non-zero value saves CH2.
std::uint16_t SaveChannelOnOk(int selected);

} // namespace tarnix
