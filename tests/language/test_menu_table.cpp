#include "language/command_ids.h"
#include "language/menu_table.h"

#include "test_helpers.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tarnix {
namespace {

struct Index {
    std::vector<MenuNode> bar;
    std::map<int, const MenuNode*> byKey;
    std::map<int, const MenuNode*> byCommand;
    explicit Index(std::vector<MenuNode> tree) : bar(std::move(tree)) {
        test::NodesByKey(bar, byKey);
        for (const auto& [key, node] : byKey) {
            if (node->command > 0) {
                byCommand[node->command] = node;
            }
        }
    }
    const MenuNode& Key(int key) const {
        auto it = byKey.find(key);
        if (it == byKey.end()) {
            ADD_FAILURE() << "no menu item with key " << key;
            static const MenuNode none;
            return none;
        }
        return *it->second;
    }
};

std::size_t CountNodes(const std::vector<MenuNode>& nodes) {
    std::size_t n = 0;
    for (const MenuNode& node : nodes) {
        n += 1 + CountNodes(node.children);
    }
    return n;
}

TEST(MenuTable, KeySchemeFromPositions) {
    EXPECT_EQ(MenuKey(std::vector<int>{0}), 800);
    EXPECT_EQ(MenuKey(std::vector<int>{10}), 810);
    EXPECT_EQ(MenuKey(std::vector<int>{0, 0}), 80000);
    EXPECT_EQ(MenuKey(std::vector<int>{10, 1}), 81001);
    EXPECT_EQ(MenuKey(std::vector<int>{2, 0, 0}), 8020000);
    EXPECT_EQ(MenuKey(std::vector<int>{4, 0, 1, 0}), 804000100);
    EXPECT_EQ(MenuKey(std::vector<int>{}), std::nullopt);
    EXPECT_EQ(MenuKey(std::vector<int>{1, 2, 3, 4, 5}), std::nullopt);
    EXPECT_EQ(MenuKey(std::vector<int>{1, -1}), std::nullopt);
}

TEST(MenuTable, EveryRowLandsInTheTreeAndCommandsAreUnique) {
    const auto bar = BuildMenuBar();
    EXPECT_EQ(CountNodes(bar), MenuBarRows().size());
    ASSERT_EQ(bar.size(), 11u);
    std::set<int> commands;
    for (const MenuRow& row : MenuBarRows()) {
        if (row.kind == MenuKind::Command) {
            EXPECT_TRUE(commands.insert(row.command).second) << "command twice: " << row.command;
            EXPECT_GT(row.command, 0);
        }
    }
    for (int id : cmd::kToolbarCommands) {
        EXPECT_TRUE(commands.count(id)) << "toolbar command without menu item: " << id;
    }
    for (int t = 0; t < cmd::kTimeDivCount; ++t) {
        EXPECT_TRUE(commands.count(cmd::kTimeDivFirst + t));
    }
}

TEST(MenuTable, KnownKeysNameTheirItems) {
    const Index m(BuildMenuBar());
    EXPECT_EQ(m.Key(80000).command, cmd::kFileLoadCsv);
    EXPECT_EQ(m.Key(8020004).kind, MenuKind::Popup); // CH1 filter
    EXPECT_EQ(m.Key(802000100).command, 32905);      // CH1 10.0mV
    EXPECT_EQ(m.Key(802010200).command, 32932);
    EXPECT_EQ(m.Key(804000000).command, 32991); // 2.00nS in the full table
    EXPECT_EQ(m.Key(804000500).command, 33029);
    EXPECT_EQ(m.Key(8080900).command, 32840);
    EXPECT_EQ(m.Key(8090801).kind, MenuKind::Separator);
    EXPECT_EQ(m.Key(80908).children.size(), 2u); // files are appended after the separator: 8090802 ...
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
    // Every accelerator of a command with a menu item is shown there, except About, which the
    // menu itself names without shortcut (the default language adds "#F9"), and Calibrate Data,
    // which has no menu item.
    for (const Accelerator& a : Accelerators()) {
        if (a.command == cmd::kAppAbout || a.command == cmd::kCalibrateData) {
            continue;
        }
        EXPECT_TRUE(shown.count(a.command)) << a.text;
    }
    EXPECT_EQ(Accelerators().size(), 24u);
}

TEST(MenuTable, SplitMenuTextAtTheFirstHash) {
    EXPECT_EQ(SplitMenuText("Load CSV#Ctrl+O").label, "Load CSV");
    EXPECT_EQ(SplitMenuText("Load CSV#Ctrl+O").shortcut, "Ctrl+O");
    EXPECT_EQ(SplitMenuText("a#b#c").label, "a");
    EXPECT_EQ(SplitMenuText("a#b#c").shortcut, "b#c");
    EXPECT_EQ(SplitMenuText("Reset").shortcut, "");
}

// Texts of the children of the popup with the given key.
std::vector<std::string> Texts(const Index& m, int key) {
    std::vector<std::string> texts;
    for (const MenuNode& n : m.Key(key).children) {
        texts.push_back(n.text);
    }
    return texts;
}

TEST(MenuTable, ModelZeroPrunesItsMenus) {
    const Index m(BuildMenuBar(0, false));
    EXPECT_EQ(Texts(m, 80809), (std::vector<std::string>{"10k", "32k", "64k"}));
    EXPECT_EQ(m.Key(8080901).command, 32841);
    EXPECT_EQ(Texts(m, 80302), (std::vector<std::string>{"CH1", "CH2", "ALT", "EXT"}));
    EXPECT_EQ(Texts(m, 80300), (std::vector<std::string>{"Edge"}));
    EXPECT_EQ(m.Key(804000000).text, "4.00nS");
    EXPECT_EQ(m.Key(804000000).command, 32992);
    EXPECT_EQ(m.Key(8020001).children.size(), 9u);
    EXPECT_EQ(m.Key(8020201).kind, MenuKind::Separator); // MATH keeps its layout
    EXPECT_EQ(m.Key(8020301).children.size(), 9u);       // Reference Volt/DIV
    EXPECT_EQ(Texts(m, 80807), (std::vector<std::string>{"Real Time"}));
    EXPECT_EQ(Texts(m, 80808), (std::vector<std::string>{"Normal", "Average:1"}));
    EXPECT_EQ(m.byCommand.count(cmd::kDemoSetting), 0u);
    EXPECT_EQ(m.byKey.count(8090802), 0u); // no such item until language files are added
}

TEST(MenuTable, BufferSizesAndOtherItemsPerModel) {
    const Index m4(BuildMenuBar(4, true));
    EXPECT_EQ(Texts(m4, 80809), (std::vector<std::string>{"10k", "14k", "28k"}));
    EXPECT_EQ(Texts(m4, 80302).size(), 4u); // no EXT/10 on model 4
    EXPECT_EQ(Texts(m4, 80300), (std::vector<std::string>{"Edge", "Pulse"}));
    EXPECT_EQ(m4.Key(804000000).text, "2.00nS");
    EXPECT_EQ(m4.Key(8020001).children.size(), 10u);
    EXPECT_EQ(m4.byCommand.count(cmd::kDemoSetting), 1u);
    EXPECT_EQ(m4.byCommand.count(cmd::kAcqModePeakDetect), 0u);

    EXPECT_EQ(Texts(Index(BuildMenuBar(2, false)), 80809), (std::vector<std::string>{"10k", "512k", "1 M"}));
    EXPECT_EQ(Texts(Index(BuildMenuBar(3, false)), 80809).size(), 7u);
    EXPECT_EQ(Texts(Index(BuildMenuBar(3, false)), 80302).size(), 5u);
}

TEST(MenuTable, ContextMenuFollowsTheModel) {
    const auto menu0 = BuildContextMenu(0);
    ASSERT_EQ(menu0.size(), 5u);
    EXPECT_EQ(menu0[0].command, cmd::kWindowMode);
    EXPECT_EQ(menu0[0].key, 4012);
    EXPECT_EQ(menu0[1].command, cmd::kInformationOnOff);
    EXPECT_EQ(menu0[1].key, 4013);
    EXPECT_EQ(menu0[2].key, 4015);
    ASSERT_EQ(menu0[2].children.size(), 38u);
    EXPECT_EQ(menu0[2].children.front().command, 32992);
    EXPECT_EQ(menu0[2].children.back().command, 33029);
    EXPECT_EQ(menu0[3].key, 4016);
    ASSERT_EQ(menu0[3].children.size(), 9u);
    EXPECT_EQ(menu0[3].children[0].command, cmd::kCh1VoltsPerDivFirst);
    EXPECT_EQ(menu0[4].key, 4017);
    EXPECT_EQ(menu0[4].children[8].command, cmd::kCh2VoltsPerDivFirst + 8);

    const auto menu5 = BuildContextMenu(5);
    EXPECT_EQ(menu5[2].children.size(), 39u);
    EXPECT_EQ(menu5[3].children.size(), 10u);
    EXPECT_EQ(menu5[4].children.size(), 10u);
}

TEST(MenuTable, TimeDivCommandsCarryTheirInternalLabels) {
    EXPECT_EQ(TimeDivCommandLabel(32991), "2.00ns");
    EXPECT_EQ(TimeDivCommandLabel(33004), "40.0us");
    EXPECT_EQ(TimeDivCommandLabel(33017), "1.00s");
    EXPECT_EQ(TimeDivCommandLabel(33029), "1.00h");
    EXPECT_EQ(TimeDivCommandLabel(32990), "");
    EXPECT_EQ(TimeDivCommandLabel(33030), "");
}

} // namespace
} // namespace tarnix
