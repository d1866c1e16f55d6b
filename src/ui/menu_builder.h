// Turns the menu table's trees (language/menu_table.h) into Qt menus whose command items are the
// command table's shared QActions. Every popup gets the flat menu look and runs its items' update
// rules when it opens.
#pragma once

#include <vector>

class QMenu;
class QMenuBar;
class QWidget;

namespace tarnix {

class CCommandTable;
class CMenuEx;
class CLanguageTable;
struct MenuNode;

// Fills an empty menu bar with the titles and popups of `bar`.
void FillMenuBar(QMenuBar* menuBar, const std::vector<MenuNode>& bar, CCommandTable& table, CMenuEx& style);
// Appends `items` to `menu`: separators, popups (recursively) and the commands' shared actions.
// `keyedTexts` puts LookupText(key) on items that carry a text key (the context menu's own items).
void FillMenu(QMenu* menu, const std::vector<MenuNode>& items, CCommandTable& table, CMenuEx& style,
              const CLanguageTable* keyedTexts = nullptr);

} // namespace tarnix
