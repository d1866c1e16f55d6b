// Help menu: the help file of the current language and About.
#include <QDesktopServices>
#include <QUrl>

#include "language/command_ids.h"
#include "ui/command_table.h"
#include "ui/menu_ex.h"

namespace tarnix {

void CCommandTable::RegisterHelpCommands() {
    Add(cmd::kHelpContents, [this] {
        const std::filesystem::path file = Language().LanguageFolder() / Language().HelpFileName();
        QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(file.string())));
    });
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
