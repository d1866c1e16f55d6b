// Help menu: the help file of the current language and About.
#include <QMainWindow>

#include "language/command_ids.h"
#include "ui/command_table.h"
#include "ui/shell_dialogs.h"

namespace tarnix {

void CCommandTable::RegisterHelpCommands() {
    Add(cmd::kHelpContents, [this] { OpenHelpFile(Language(), &window_, options_.notifier); });
    Add(
        cmd::kAppAbout,
        [this] {
            if (panels_.showAbout) {
                panels_.showAbout();
            }
        },
        [this](CommandUI& ui) { ui.Enable(static_cast<bool>(panels_.showAbout)); });
}

} // namespace tarnix
