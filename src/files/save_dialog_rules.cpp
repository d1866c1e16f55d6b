#include "files/save_dialog_rules.h"

namespace tarnix {

SaveDialogState SaveDialogOnOpen(bool ch1On, bool ch2On, std::uint16_t saveChannel) {
    SaveDialogState state;
    if (!ch1On && !ch2On) {
        return state;
    }
    state.okEnabled = true;
    state.ch1Enabled = ch1On;
    state.ch2Enabled = ch2On;
    if (ch1On && ch2On) {
        state.selected = saveChannel == 0 ? 0 : (saveChannel == 1 ? 1 : -1);
    } else {
        state.selected = ch1On ? 0 : 1;
    }
    return state;
}

std::uint16_t SaveChannelOnOk(int selected) {
    if (selected == 0) {
        return 0;
    }
    return selected == 1 ? 1 : 2;
}

} // namespace tarnix
