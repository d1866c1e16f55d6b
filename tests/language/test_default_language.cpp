#include "language/command_ids.h"
#include "language/control_ids.h"
#include "language/ini_file.h"
#include "language/language_table.h"
#include "language/menu_table.h"

#include "test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tarnix {
namespace {

using test::DefaultTextsByKey;

TEST(DefaultLanguage, HasTheCountedEntriesInEachGroup) {
    const auto texts = DefaultTextsByKey();
    ASSERT_EQ(texts.size(), 457u) << "a key missing or twice";
    EXPECT_EQ(texts.at(8888), "English");
    int menu = 0, titles = 0, controls = 0, tooltips = 0, messages = 0;
    std::set<int> captioned;
    const std::set<int> toolbar(cmd::kToolbarCommands.begin(), cmd::kToolbarCommands.end());
    for (const auto& [key, text] : texts) {
        if (key == 8888) {
            continue;
        } else if ((key >= 800 && key <= 810) || key >= 80000) {
            ++menu;
        } else if (key >= 100 && key < 1000) {
            ++titles;
        } else if (key >= 1040 && key <= 1298) {
            ++controls;
            captioned.insert(key);
            EXPECT_FALSE(text.empty()) << key;
        } else if (key >= 4000 && key <= 4023) {
            ++messages;
        } else if (toolbar.count(key)) {
            ++tooltips;
        } else {
            ADD_FAILURE() << "key outside every group: " << key;
        }
    }
    EXPECT_EQ(menu, 283);
    EXPECT_EQ(titles, 12);
    EXPECT_EQ(controls, 120);
    EXPECT_EQ(tooltips, 17);
    EXPECT_EQ(messages, 24);
    EXPECT_EQ(captioned, std::set<int>(ctl::kCaptionedControls.begin(), ctl::kCaptionedControls.end()));
}

TEST(DefaultLanguage, EveryMenuItemHasItsTextWithTheListedDifferences) {
    const auto texts = DefaultTextsByKey();
    std::map<int, const MenuNode*> items;
    const auto bar = BuildMenuBar();
    test::NodesByKey(bar, items);

    // Items whose default-language text differs from the menu's own text, and how.
    const std::map<int, std::string> different = {
        {8020004, "Filter"}, {8020104, "Filter"},    {80402, "Zero#Ctrl+H"},        {8030300, " +"},
        {8030301, " -"},     {81001, "About...#F9"}, {80612, "Positive Overshoot"},
    };
    int found = 0;
    for (const auto& [key, item] : items) {
        const auto it = texts.find(key);
        if ((key >= 804000000 && key <= 804000099) || (key >= 8080900 && key <= 8080999)) {
            EXPECT_EQ(it, texts.end()) << "model-dependent key in the default: " << key;
            continue;
        }
        ASSERT_NE(it, texts.end()) << "menu item without text: " << key << " " << item->text;
        ++found;
        std::string expected = item->text;
        if (item->kind == MenuKind::Separator) {
            expected = "--";
        } else if (different.count(key)) {
            expected = different.at(key);
        } else if (key / 100 >= 8040001 && key / 100 <= 8040005) {
            // The uS, mS, S, min and h time bases carry a blank before the unit.
            const auto unit = std::find_if(expected.begin(), expected.end(),
                                           [](unsigned char c) { return std::isalpha(c) != 0; });
            expected.insert(unit, ' ');
        }
        EXPECT_EQ(it->second, expected) << key;
    }
    EXPECT_EQ(found, 283);
    EXPECT_EQ(texts.at(8040001 * 100 + 8), "400 uS");
    EXPECT_EQ(texts.at(8040005 * 100), "1.00 h");
}

TEST(DefaultLanguage, IsWrittenAsUtf16WithBomAndReadsBackWhole) {
    testing::TempDir dir;
    dir.Write("default.lug", std::string(100000, 'x')); // written over, not appended to
    CLanguageTable table;
    ASSERT_TRUE(table.WriteDefaultLanguage(dir.Path()));
    EXPECT_EQ(table.DefaultFilePath(), dir.Path() / "default.lug");

    const std::string bytes = testing::ReadAll(table.DefaultFilePath());
    EXPECT_EQ(bytes.substr(0, 44), "\xFF\xFE" + test::AsciiToUtf16("[App]\r\n8888=English\r\n", false));
    EXPECT_EQ(bytes.size() % 2, 0u);
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
