#include "language/command_ids.h"
#include "language/language_table.h"
#include "language/menu_table.h"

#include "test_helpers.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tarnix {
namespace {

class MenuRelabel : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("language/French.lug", "[App]\r\n8888=Fran\xC3\xA7"
                                             "ais\r\n80000=Charger CSV#Ctrl+O\r\n"
                                             "80002=should never show\r\n8080901=32 K\r\n802=&Voie\r\n");
        folder_.Write("language/deutsch.lug", "[App]\r\n8888=Deutsch\r\n");
        ASSERT_TRUE(table_.WriteDefaultLanguage(folder_.Path()));
        table_.FindLanguageFiles(folder_.Path() / "language");
        bar_ = BuildMenuBar(0, false);
        AppendLanguageItems(bar_, table_);
    }

    std::map<int, const MenuNode*> Index() const {
        std::map<int, const MenuNode*> m;
        test::NodesByKey(bar_, m);
        return m;
    }

    testing::TempDir folder_;
    CLanguageTable table_;
    std::vector<MenuNode> bar_;
};

TEST_F(MenuRelabel, LanguageItemsGetIdsAndKeysInListOrder) {
    const auto m = Index();
    ASSERT_TRUE(m.count(8090802));
    ASSERT_TRUE(m.count(8090803));
    EXPECT_EQ(m.at(8090802)->command, 9001);
    EXPECT_EQ(m.at(8090802)->text, "Deutsch");
    EXPECT_EQ(m.at(8090803)->command, 9002);
    EXPECT_EQ(m.at(8090803)->text, "Fran\xC3\xA7"
                                   "ais");
}

TEST_F(MenuRelabel, FoundKeysReplaceTextsMissingKeysKeepThemSeparatorsStay) {
    table_.SelectLanguage(1, 0);
    RelabelMenuTree(bar_, table_);
    const auto m = Index();
    EXPECT_EQ(m.at(802)->text, "&Voie");
    EXPECT_EQ(m.at(80000)->text, "Charger CSV#Ctrl+O");
    EXPECT_EQ(m.at(80001)->text, "Save CSV#Ctrl+S"); // no key in the file: unchanged
    EXPECT_EQ(m.at(80002)->text, "");                // separators are never relabelled
    EXPECT_EQ(m.at(8080901)->text, "32 K");
    EXPECT_EQ(m.at(804000000)->text, "4nS");
}

TEST_F(MenuRelabel, DefaultAfterAnotherLanguageRestoresEveryText) {
    const std::map<int, std::string> english = test::DefaultTextsByKey();

    table_.SelectLanguage(1, 0);
    RelabelMenuTree(bar_, table_);
    table_.SelectLanguage(-1, 0);
    RelabelMenuTree(bar_, table_);

    int checked = 0;
    for (const auto& [key, node] : Index()) {
        const auto text = english.find(key);
        if (node->kind == MenuKind::Separator || text == english.end()) {
            continue; // model-supplied items (time bases, buffer sizes, language names) are checked below
        }
        EXPECT_EQ(node->text, text->second) << key;
        ++checked;
    }
    // 283 default menu texts less 24 separators, less the 9 items model 0 lacks (four 10.0V, Pulse,
    // EXT/10, ETS, Peak Detect, and Demo Setting outside demo mode).
    EXPECT_EQ(checked, 283 - 24 - 9);
    EXPECT_EQ(Index().at(8080901)->text, "32k"); // the French file had renamed it
    EXPECT_EQ(Index().at(804000000)->text, "4nS");
}

TEST_F(MenuRelabel, HelpFileFollowsTheLanguage) {
    EXPECT_EQ(table_.HelpFileName(), "MorvlinkHelp-English.chm");
    table_.SelectLanguage(1, 0);
    EXPECT_EQ(table_.HelpFileName(), "MorvlinkHelp-French.chm");
    table_.SelectLanguage(0, 0); // deutsch: not one of the help languages
    EXPECT_EQ(table_.HelpFileName(), "MorvlinkHelp-English.chm");
}

TEST(MenuText, RuleTextsGetTheirShortcutBack) {
    EXPECT_EQ(WithShortcutText("Turn On", cmd::kCh1TurnOnOff), "Turn On#Ctrl+1");
    EXPECT_EQ(WithShortcutText("Average:16", cmd::kAcqModeAverage), "Average:16");
    EXPECT_EQ(WithShortcutText("Ein#Strg+1", cmd::kCh1TurnOnOff), "Ein#Strg+1");
}

TEST(LanguageWalk, LinkedFoldersAreNotFollowed) {
    testing::TempDir folder;
    folder.Write("language/a/One.lug", "[App]\r\n");
    std::error_code ec;
    std::filesystem::create_directory_symlink(folder.Path() / "language", folder.Path() / "language/a/loop",
                                              ec);
    ASSERT_FALSE(ec);
    CLanguageTable table;
    table.FindLanguageFiles(folder.Path() / "language");
    EXPECT_EQ(table.LanguageFiles(), (std::vector<std::string>{"a/One.lug"}));
}

} // namespace
} // namespace tarnix
