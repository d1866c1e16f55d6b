#include "ui/menu_builder.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "language/language_table.h"
#include "language/menu_table.h"
#include "ui/command_table.h"
#include "ui/menu_ex.h"

namespace tarnix {
namespace {

QMenu* NewPopup(QWidget* parent, const MenuNode& node, CCommandTable& table, CMenuEx& style,
                const CLanguageTable* keyedTexts) {
    auto* popup = new QMenu(parent);
    style.Attach(popup);
    std::string text = node.text;
    if (keyedTexts != nullptr && node.key != 0) {
        text = keyedTexts->LookupText(node.key);
    }
    SetMenuItemText(popup->menuAction(), text);
    QObject::connect(popup, &QMenu::aboutToShow, &table, [&table, popup] { table.UpdateMenu(popup); });
    FillMenu(popup, node.children, table, style, keyedTexts);
    return popup;
}

} // namespace

void FillMenu(QMenu* menu, const std::vector<MenuNode>& items, CCommandTable& table, CMenuEx& style,
              const CLanguageTable* keyedTexts) {
    for (const MenuNode& node : items) {
        switch (node.kind) {
        case MenuKind::Separator:
            menu->addSeparator();
            break;
        case MenuKind::Popup:
            menu->addMenu(NewPopup(menu, node, table, style, keyedTexts));
            break;
        case MenuKind::Command: {
            QAction* action = table.Action(node.command);
            if (keyedTexts != nullptr && node.key != 0) {
                SetMenuItemText(action, keyedTexts->LookupText(node.key));
            } else if (keyedTexts == nullptr || MenuItemText(action).empty()) {
                // The context menu shares the menu bar's actions, which already carry the current
                // language's texts; its own table text only names an action nothing has named yet.
                SetMenuItemText(action, node.text);
            }
            menu->addAction(action);
            break;
        }
        }
    }
}

void FillMenuBar(QMenuBar* menuBar, const std::vector<MenuNode>& bar, CCommandTable& table, CMenuEx& style) {
    for (const MenuNode& title : bar) {
        QMenu* popup = NewPopup(menuBar, title, table, style, nullptr);
        popup->setTitle(ToQString(title.text));
        menuBar->addMenu(popup);
    }
}

} // namespace tarnix
