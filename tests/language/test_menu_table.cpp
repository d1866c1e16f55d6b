#include "language/command_ids.h"
#include "language/control_ids.h"
#include "language/ini_file.h"
#include "language/language_table.h"
#include "language/menu_table.h"

#include "test_helpers.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tarnix {
namespace {

// A menu bar with its nodes by key and the commands it offers.
struct Menu {
    std::vector<MenuNode> bar;
    std::map<int, const MenuNode*> byKey;
    std::set<int> commands;
    explicit Menu(std::vector<MenuNode> tree) : bar(std::move(tree)) {
        test::NodesByKey(bar, byKey);
        for (const auto& [key, node] : byKey) {
            commands.insert(node->command);
        }
    }
    const MenuNode& Key(int key) const { return *byKey.at(key); }
    std::vector<std::string> Texts(int popup) const {
        std::vector<std::string> texts;
        for (const MenuNode& n : Key(popup).children) {
            texts.push_back(n.text);
        }
        return texts;
    }
};

TEST(MenuTable, EveryRowLandsInTheTreeAndCommandsAreUnique) {
    const Menu m(BuildMenuBar());
    EXPECT_EQ(m.byKey.size(), MenuBarRows().size());
    ASSERT_EQ(m.bar.size(), 11u);
    std::set<int> commands;
    for (const MenuRow& row : MenuBarRows()) {
        if (row.kind == MenuKind::Command) {
            EXPECT_GT(row.command, 0);
            EXPECT_TRUE(commands.insert(row.command).second) << "command twice: " << row.command;
        }
    }
    for (int id : cmd::kToolbarCommands) {
        EXPECT_TRUE(commands.count(id)) << "toolbar command without menu item: " << id;
    }
    EXPECT_EQ(m.Key(802000100).command, 32905);  // CH1 10.0mV
    EXPECT_EQ(m.Key(80908).children.size(), 2u); // language files are appended after the separator
}

TEST(MenuTable, ShortcutTextsFollowTheAcceleratorTable) {
    std::set<int> shown;
    for (const MenuRow& row : MenuBarRows()) {
        const MenuTextParts parts = SplitMenuText(row.text);
        if (parts.shortcut.empty()) {
            continue;
        }
        const Accelerator* a = FindAccelerator(row.command);
        ASSERT_NE(a, nullptr) << row.text;
        EXPECT_EQ(parts.shortcut, a->text) << row.text;
        shown.insert(row.command);
    }
    // About is named without shortcut (the default language adds "#F9"); Calibrate Data has no item.
    for (const Accelerator& a : Accelerators()) {
        if (a.command != cmd::kAppAbout && a.command != cmd::kCalibrateData) {
            EXPECT_TRUE(shown.count(a.command)) << a.text;
        }
    }
    EXPECT_EQ(SplitMenuText("a#b#c").label, "a");
    EXPECT_EQ(SplitMenuText("a#b#c").shortcut, "b#c");
    EXPECT_EQ(SplitMenuText("Reset").shortcut, "");
    // Texts the rules set get their shortcut back unless they carry one.
    EXPECT_EQ(WithShortcutText("Turn On", cmd::kCh1TurnOnOff), "Turn On#Ctrl+1");
    EXPECT_EQ(WithShortcutText("Average:16", cmd::kAcqModeAverage), "Average:16");
    EXPECT_EQ(WithShortcutText("Ein#Strg+1", cmd::kCh1TurnOnOff), "Ein#Strg+1");
}

TEST(MenuTable, ModelsPruneTheirMenus) {
    using Texts = std::vector<std::string>;
    const Menu m0(BuildMenuBar(0, false));
    EXPECT_EQ(m0.Texts(80809), (Texts{"10k", "32k", "64k"}));
    EXPECT_EQ(m0.Texts(80302), (Texts{"CH1", "CH2", "ALT", "EXT"}));
    EXPECT_EQ(m0.Texts(80300), (Texts{"Edge"}));
    EXPECT_EQ(m0.Key(804000000).text, "4.00nS");
    EXPECT_EQ(m0.Key(8020001).children.size(), 9u);
    EXPECT_EQ(m0.Texts(80807), (Texts{"Real Time"}));
    EXPECT_FALSE(m0.commands.count(cmd::kDemoSetting));

    const Menu m4(BuildMenuBar(4, true));
    EXPECT_EQ(m4.Texts(80809), (Texts{"10k", "14k", "28k"}));
    EXPECT_EQ(m4.Texts(80300), (Texts{"Edge", "Pulse"}));
    EXPECT_EQ(m4.Key(804000000).text, "2.00nS");
    EXPECT_EQ(m4.Key(8020001).children.size(), 10u);
    EXPECT_TRUE(m4.commands.count(cmd::kDemoSetting));
    EXPECT_FALSE(m4.commands.count(cmd::kAcqModePeakDetect));

    EXPECT_EQ(Menu(BuildMenuBar(2, false)).Texts(80809), (Texts{"10k", "512k", "1 M"}));
    EXPECT_EQ(Menu(BuildMenuBar(3, false)).Texts(80302).size(), 5u); // with EXT/10
}

TEST(MenuTable, ContextMenuFollowsTheModel) {
    const auto menu0 = BuildContextMenu(0);
    ASSERT_EQ(menu0.size(), 5u);
    EXPECT_EQ(menu0[4].key, 4017);
    ASSERT_EQ(menu0[2].children.size(), 38u);
    EXPECT_EQ(menu0[2].children.front().command, 32992);
    EXPECT_EQ(menu0[2].children.back().command, 33029);
    ASSERT_EQ(menu0[4].children.size(), 9u);
    EXPECT_EQ(menu0[4].children[8].command, cmd::kCh2VoltsPerDivFirst + 8);

    const auto menu5 = BuildContextMenu(5);
    EXPECT_EQ(menu5[2].children.size(), 39u);
    EXPECT_EQ(menu5[3].children.size(), 10u);
}

TEST(MenuTable, TimeDivCommandsCarryTheirInternalLabels) {
    EXPECT_EQ(TimeDivCommandLabel(32991), "2.00ns");
    EXPECT_EQ(TimeDivCommandLabel(33029), "1.00h");
    EXPECT_EQ(TimeDivCommandLabel(32990), "");
    EXPECT_EQ(TimeDivCommandLabel(33030), "");
}

TEST(DefaultLanguage, CaptionsExactlyTheDeclaredControls) {
    const auto texts = test::DefaultTextsByKey();
    ASSERT_EQ(texts.size(), 457u) << "a key missing or twice";
    std::set<int> captioned;
    for (auto it = texts.lower_bound(1040); it != texts.upper_bound(1298); ++it) {
        captioned.insert(it->first);
    }
    EXPECT_EQ(captioned, std::set<int>(ctl::kCaptionedControls.begin(), ctl::kCaptionedControls.end()));
}

// The menu texts the user sees come from the default language file, so every item needs its entry;
// the time bases and buffer sizes that differ between models are added by the program instead.
TEST(DefaultLanguage, EveryMenuItemHasItsText) {
    const auto texts = test::DefaultTextsByKey();
    std::map<int, const MenuNode*> items;
    const auto bar = BuildMenuBar();
    test::NodesByKey(bar, items);
    int found = 0;
    for (const auto& [key, item] : items) {
        const auto it = texts.find(key);
        if ((key >= 804000000 && key <= 804000099) || (key >= 8080900 && key <= 8080999)) {
            EXPECT_EQ(it, texts.end()) << "model-dependent key in the default: " << key;
        } else if (it == texts.end()) {
            ADD_FAILURE() << "menu item without text: " << key << " " << item->text;
        } else {
            ++found;
            EXPECT_EQ(it->second == "--", item->kind == MenuKind::Separator) << key;
        }
    }
    EXPECT_EQ(found, 283);
    EXPECT_EQ(texts.at(80000), "Load CSV#Ctrl+O");
    EXPECT_EQ(texts.at(8040001 * 100 + 8), "400 uS");
}

TEST(DefaultLanguage, IsWrittenAsUtf16WithBomAndReadsBackWhole) {
    testing::TempDir dir;
    dir.Write("default.lug", std::string(100000, 'x')); // written over, not appended to
    CLanguageTable table;
    ASSERT_TRUE(table.WriteDefaultLanguage(dir.Path()));
    EXPECT_EQ(table.DefaultFilePath(), dir.Path() / "default.lug");

    const std::string bytes = testing::ReadAll(table.DefaultFilePath());
    EXPECT_EQ(bytes.substr(0, 44), "\xFF\xFE" + test::AsciiToUtf16("[App]\r\n8888=English\r\n", false));
    // Read back whole: no entry passes the reader's limits.
    std::vector<std::string> keys, values, expectedKeys, expectedValues;
    EXPECT_EQ(CIniFile(table.DefaultFilePath().string()).ReadSection("App", keys, values), 457);
    DefaultLanguageEntries(expectedKeys, expectedValues);
    EXPECT_EQ(keys, expectedKeys);
    EXPECT_EQ(values, expectedValues);

    CLanguageTable unwritable;
    EXPECT_FALSE(unwritable.WriteDefaultLanguage("/nonexistent-folder/for/tarnix"));
    EXPECT_TRUE(unwritable.DefaultFilePath().empty());
    EXPECT_FALSE(unwritable.WriteDefaultLanguage({}));
}

TEST(DefaultLanguage, PerUserTempFolderIsPrivate) {
    const auto folder = PerUserTempFolder();
    ASSERT_FALSE(folder.empty());
    const auto perms = std::filesystem::status(folder).permissions();
    EXPECT_EQ(perms & (std::filesystem::perms::group_write | std::filesystem::perms::others_write),
              std::filesystem::perms::none);
    EXPECT_EQ(PerUserTempFolder(), folder); // found again, not made anew
}

} // namespace
} // namespace tarnix
