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

using test::DefaultTextsByKey;

TEST(DefaultLanguage, HasTheCountedEntriesInEachGroup) {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    DefaultLanguageEntries(keys, values);
    ASSERT_EQ(keys.size(), 457u);
    EXPECT_EQ(keys.front(), "8888");
    EXPECT_EQ(values.front(), "English");
    for (const std::string& key : keys) {
        EXPECT_EQ(std::to_string(std::stoi(key)), key) << "key not in plain decimal form";
    }
    ASSERT_EQ(DefaultTextsByKey().size(), keys.size()) << "a key twice";

    int menu = 0, titles = 0, controls = 0, tooltips = 0, messages = 0;
    const std::set<int> toolbar(cmd::kToolbarCommands.begin(), cmd::kToolbarCommands.end());
    for (const auto& [key, text] : DefaultTextsByKey()) {
        if (key == 8888) {
            continue;
        } else if (key >= 800 && key <= 810) {
            ++menu;
        } else if (key >= 80000) {
            ++menu;
        } else if (key >= 100 && key < 1000) {
            ++titles;
        } else if (key >= 1040 && key <= 1298) {
            ++controls;
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
}

TEST(DefaultLanguage, EveryMenuItemHasItsTextWithTheListedDifferences) {
    const auto texts = DefaultTextsByKey();
    std::map<int, const MenuNode*> items;
    const auto bar = BuildMenuBar();
    test::NodesByKey(bar, items);

    // Items whose default-language text differs from the menu's own text, and how.
    std::map<int, std::string> expectedDifferent = {
        {8020004, "Filter"}, {8020104, "Filter"},    {80402, "Zero#Ctrl+H"},        {8030300, " +"},
        {8030301, " -"},     {81001, "About...#F9"}, {80612, "Positive Overshoot"},
    };
    // The uS, mS, S, min and Hour time bases carry a blank before the unit.
    const std::vector<std::pair<int, std::vector<std::string>>> units = {
        {8040001,
         {"1.00 uS", "2.00 uS", "4.00 uS", "10.0 uS", "20.0 uS", "40.0 uS", "100 uS", "200 uS", "400 uS"}},
        {8040002,
         {"1.00 mS", "2.00 mS", "4.00 mS", "10.0 mS", "20.0 mS", "40.0 mS", "100 mS", "200 mS", "400 mS"}},
        {8040003, {"1.00 S", "2.00 S", "4.00 S", "10.0 S", "20.0 S", "40.0 S"}},
        {8040004, {"1.00 min", "2.00 min", "4.00 min", "10.0 min", "20.0 min", "40.0 min"}},
        {8040005, {"1.00 h"}},
    };
    for (const auto& [popup, labels] : units) {
        for (std::size_t i = 0; i < labels.size(); ++i) {
            expectedDifferent[popup * 100 + static_cast<int>(i)] = labels[i];
        }
    }

    int found = 0;
    for (const auto& [key, item] : items) {
        const bool nanoseconds = item->key >= 804000000 && item->key <= 804000099;
        const bool bufferSize = item->key >= 8080900 && item->key <= 8080999;
        auto it = texts.find(item->key);
        if (nanoseconds || bufferSize) {
            EXPECT_EQ(it, texts.end()) << "model-dependent key in the default: " << item->key;
            continue;
        }
        ASSERT_NE(it, texts.end()) << "menu item without text: " << item->key << " " << item->text;
        ++found;
        if (item->kind == MenuKind::Separator) {
            EXPECT_EQ(it->second, "--") << item->key;
        } else if (auto d = expectedDifferent.find(item->key); d != expectedDifferent.end()) {
            EXPECT_EQ(it->second, d->second) << item->key;
            EXPECT_NE(it->second, item->text) << item->key;
        } else {
            EXPECT_EQ(it->second, item->text) << item->key;
        }
    }
    EXPECT_EQ(found, 283);
    EXPECT_EQ(texts.at(80000), "Load CSV#Ctrl+O");
    EXPECT_EQ(texts.at(8090800), "Default");
}

TEST(DefaultLanguage, ControlCaptionsAreExactlyTheDeclaredControls) {
    std::set<int> captioned;
    for (const auto& [key, text] : DefaultTextsByKey()) {
        if (key >= 1040 && key <= 1298) {
            captioned.insert(key);
            EXPECT_FALSE(text.empty()) << key;
        }
    }
    EXPECT_EQ(captioned, std::set<int>(ctl::kCaptionedControls.begin(), ctl::kCaptionedControls.end()));
    // IDs given to controls must not clash with the lists, knobs, edits and sliders of the dialogs.
    for (int id : {ctl::kSideTimeDivList, ctl::kSideFormatList, ctl::kSideTimeDivKnob, ctl::kSideCh1VoltsList,
                   ctl::kSideCh1Knob, ctl::kAverageEdit, ctl::kIntensityGridSlider, ctl::kIntensityWaveSlider,
                   ctl::kIntensityPersistenceList, ctl::kColorCh1Swatch, ctl::kColorRefSwatch,
                   ctl::kAboutPicture, ctl::kDeviceIdEdit[0], ctl::kDeviceIdEdit[3]}) {
        EXPECT_FALSE(captioned.count(id)) << id;
    }
}

TEST(DefaultLanguage, EveryEntryFitsTheReaderLimits) {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    DefaultLanguageEntries(keys, values);
    std::size_t section = 1;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::size_t entry = Utf8Length(keys[i]) + 1 + Utf8Length(values[i]);
        EXPECT_LE(entry, kIniMaxEntryChars) << keys[i];
        section += entry + 1;
    }
    EXPECT_LE(section, kIniMaxSectionChars);
}

TEST(DefaultLanguage, IsWrittenAsUtf16WithBomAndReadsBackWhole) {
    testing::TempDir dir;
    CLanguageTable table;
    ASSERT_TRUE(table.WriteDefaultLanguage(dir.Path()));
    EXPECT_EQ(table.DefaultFilePath(), dir.Path() / "default.lug");

    const std::string bytes = testing::ReadAll(table.DefaultFilePath());
    ASSERT_GE(bytes.size(), 16u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.substr(2, 14), test::AsciiToUtf16("[App]\r\n", false));
    EXPECT_EQ(bytes.substr(16, 28), test::AsciiToUtf16("8888=English\r\n", false));
    EXPECT_EQ(bytes.size() % 2, 0u);

    std::vector<std::string> keys, values, expectedKeys, expectedValues;
    EXPECT_EQ(CIniFile(table.DefaultFilePath().string()).ReadSection("App", keys, values), 457);
    DefaultLanguageEntries(expectedKeys, expectedValues);
    EXPECT_EQ(keys, expectedKeys);
    EXPECT_EQ(values, expectedValues);

    // Written again over an older file, not appended to it.
    testing::TempDir other;
    other.Write("default.lug", std::string(100000, 'x'));
    CLanguageTable second;
    ASSERT_TRUE(second.WriteDefaultLanguage(other.Path()));
    EXPECT_EQ(testing::ReadAll(second.DefaultFilePath()), bytes);
}

TEST(DefaultLanguage, UnwritableFolderLeavesNoPath) {
    CLanguageTable table;
    EXPECT_FALSE(table.WriteDefaultLanguage("/nonexistent-folder/for/tarnix"));
    EXPECT_TRUE(table.DefaultFilePath().empty());
    EXPECT_FALSE(table.WriteDefaultLanguage({}));
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
