// The menu bar and the full-screen context menu as data, and the accelerator table. The language
// key of a menu item follows from its position (separators counted), so the positions here are part
// of the language-file format: moving an item changes which text a language file gives it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

enum class MenuKind : std::uint8_t { Command, Separator, Popup };

// Which models and modes keep an item. The menus are built once at start for the model; an item that
// is left out shifts the positions (and so the language keys) of the items after it in its popup.
enum class MenuPresence : std::uint8_t {
    Always,
    Models45Only,   // the 10.0V volts/div items, Pulse, the 2.00nS time base, ETS
    NotModels0And4, // trigger source EXT/10
    BufferSize,     // Buffer Size items: kept by the model's record lengths
    Never,          // Peak Detect: in the table, never shown
    DemoOnly,       // Demo Setting
};

// One row of the menu table, in menu order: an item at `level` belongs to the nearest popup above it
// one level up. Level 0 rows are the menu-bar titles.
struct MenuRow {
    int level = 0;
    MenuKind kind = MenuKind::Command;
    int command = 0; // command ID; 0 for separators and popups
    const char* text = "";
    MenuPresence presence = MenuPresence::Always;
};

struct MenuNode {
    MenuKind kind = MenuKind::Command;
    int command = 0;  // 0 separator, -1 popup, else the command ID
    std::string text; // menu text; the part after "#" is the shortcut shown right-aligned
    int key = 0;      // language key of this position (menu bar); text key (context menu); 0 none
    std::vector<MenuNode> children;
};

// The menu bar table, all items of all models.
std::span<const MenuRow> MenuBarRows();

// The menu bar as a tree. Without arguments every item is kept; with a model (0..5) and the demo
// flag the items that model or mode lacks are left out. Keys follow the resulting positions.
std::vector<MenuNode> BuildMenuBar();
std::vector<MenuNode> BuildMenuBar(int model, bool demoMode);

// Language key of a menu position: {m} is a menu-bar title (800 + m), {m, i} an item of its popup,
// {m, i, j} and {m, i, j, k} items of deeper popups. nullopt for an empty or deeper path.
std::optional<int> MenuKey(std::span<const int> positions);

// Whether an item with this presence is shown for the model and mode; bufferIndex is the Buffer
// Size position 0..6 (10k .. 1 M) and only used for MenuPresence::BufferSize.
bool IsMenuItemPresent(MenuPresence presence, int model, bool demoMode, int bufferIndex = 0);

// The full-screen context menu for a model. Its items carry the language key of their text in
// `key` (4012 Window Mode, 4013 Information ON, 4015..4017 the popup titles); the time/div and
// volts/div items inside the popups have fixed texts (key 0). "Information ON" reads 4014 while the
// information display is on.
std::vector<MenuNode> BuildContextMenu(int model);

// Internal time/div label ("2.00ns" .. "1.00h") of a time/div command, "" for other IDs; the
// Time/DIV commands look this label up in the sidebar's time/div list.
std::string_view TimeDivCommandLabel(int command);

// Keyboard accelerators of the main window.
enum AccelModifier : unsigned { kAccelCtrl = 1u, kAccelShift = 2u, kAccelAlt = 4u };
// Keys: printable keys by their upper-case ASCII code; these for the others. kAccelKeyEnter means
// both the main Return key and the keypad Enter.
enum AccelKey : int {
    kAccelKeyF1 = 0x1001,
    kAccelKeyF2,
    kAccelKeyF3,
    kAccelKeyF4,
    kAccelKeyF5,
    kAccelKeyF6,
    kAccelKeyF7,
    kAccelKeyF8,
    kAccelKeyF9,
    kAccelKeyEnter = 0x1100,
    kAccelKeySpace = 0x1101,
};
struct Accelerator {
    unsigned modifiers = 0;
    int key = 0;
    int command = 0;
    const char* text = ""; // as shown after "#" in menu texts: "Ctrl+O", "F2", "Enter"
};
std::span<const Accelerator> Accelerators();
// The accelerator of a command, nullptr when it has none.
const Accelerator* FindAccelerator(int command);

// Splits a menu text at its first "#": the item text and the right-aligned shortcut text.
struct MenuTextParts {
    std::string_view label;
    std::string_view shortcut;
};
MenuTextParts SplitMenuText(std::string_view text);
// A text set by an update rule ("Turn On", "Average:16") with the command's shortcut put back after
// "#" when it has one and the text names none.
std::string WithShortcutText(std::string_view text, int command);

} // namespace tarnix
