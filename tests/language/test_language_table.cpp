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

using test::AsciiToUtf16;
using testing::TempDir;

std::string Lug(const std::string& body) {
    return "[App]\r\n" + body;
}

struct KeyText {
    int key;
    const char* text;
};

void ExpectTexts(const CLanguageTable& table, std::initializer_list<KeyText> expected) {
    for (const KeyText& e : expected) {
        EXPECT_EQ(table.LookupText(e.key), e.text) << e.key;
    }
}

// Two language files at the top, one in a subfolder, one deeper, and a file that is not one.
class LanguageFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("language/French.lug", Lug("8888=Fran\u00E7ais\r\n80000=Charger CSV#Ctrl+O\r\n"));
        folder_.Write("language/deutsch.lug",
                      "\xFF\xFE" + AsciiToUtf16(Lug("8888=Deutsch\r\n80000=CSV laden#Ctrl+O\r\n802=&Kanal\r\n"
                                                    "80002=nie zu sehen\r\n8080901=32 K\r\n01084=Gut\r\n"
                                                    "4002=Nicht da!\r\n"),
                                                false));
        folder_.Write("language/more/Italiano.LUG", Lug("80000=Carica CSV\r\n"));
        folder_.Write("language/more/deeper/Zulu.lug", Lug("8888=isiZulu\r\n"));
        folder_.Write("language/more/notes.lugx", "not a language");
        ASSERT_TRUE(table_.WriteDefaultLanguage(folder_.Path()));
        table_.FindLanguageFiles(folder_.Path() / "language");
        bar_ = BuildMenuBar(0, false);
        AppendLanguageItems(bar_, table_);
    }

    std::map<int, const MenuNode*> Relabelled(int language) {
        table_.SelectLanguage(language, 0);
        RelabelMenuTree(bar_, table_);
        std::map<int, const MenuNode*> byKey;
        test::NodesByKey(bar_, byKey);
        return byKey;
    }

    TempDir folder_;
    CLanguageTable table_;
    std::vector<MenuNode> bar_;
};

TEST_F(LanguageFolder, ListsLanguageFilesOfAllSubfoldersInCaseInsensitiveOrder) {
    EXPECT_EQ(
        table_.LanguageFiles(),
        (std::vector<std::string>{"deutsch.lug", "French.lug", "more/deeper/Zulu.lug", "more/Italiano.LUG"}));
    const auto items = table_.LanguageMenuItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].commandId, 9001);
    EXPECT_EQ(items[2].text, "isiZulu");
    EXPECT_EQ(items[3].text, "Italiano"); // no key 8888: the file name without extension
    // The menu gets them after the separator, keys in list order.
    const auto m = Relabelled(-1);
    EXPECT_EQ(m.at(8090803)->command, 9002);
    EXPECT_EQ(m.at(8090803)->text, "Fran\u00E7ais");
    EXPECT_EQ(m.at(8090805)->text, "Italiano");
}

TEST_F(LanguageFolder, NamesHelpFilesAndSelection) {
    EXPECT_EQ(table_.LanguageName(-1), "English");
    EXPECT_EQ(table_.LanguageName(0), "Deutsch");
    EXPECT_EQ(table_.LanguageName(99), "Italiano"); // past the end: the last file
    EXPECT_EQ(table_.HelpFileName(), "MorvlinkHelp-English.chm");
    table_.SelectLanguage(1, 0);
    EXPECT_EQ(table_.HelpFileName(), "MorvlinkHelp-French.chm");
    table_.SelectLanguage(0, 0); // deutsch: not one of the help languages
    EXPECT_EQ(table_.HelpFileStem(), "deutsch");
    EXPECT_EQ(table_.HelpFileName(), "MorvlinkHelp-English.chm");
    // Indexes outside the list select the default language.
    EXPECT_EQ(table_.SelectLanguage(4, 0), -1);
    EXPECT_EQ(table_.CurrentIndex(), -1);
    EXPECT_EQ(table_.LookupText(4002), "Function not available!");
    EXPECT_EQ(table_.SelectLanguage(-7, 0), -1);
}

TEST_F(LanguageFolder, LoadsAFileFromASubfolderWithTheAppendedTexts) {
    EXPECT_EQ(table_.SelectLanguage(3, 0), 3);
    EXPECT_EQ(table_.CurrentIndex(), 3);
    EXPECT_EQ(table_.FindText(4002), std::nullopt);
    // Missing texts are empty; model 0 texts and the language list follow the file's own entries.
    ExpectTexts(table_, {{80000, "Carica CSV"}, {8888, ""}, {4002, ""}, {804000000, "4nS"}});
    ExpectTexts(table_, {{804000006, "400nS"}, {804000007, ""}, {8080900, "10k"}, {8080902, "64k"}});
    ExpectTexts(table_, {{8080903, ""}, {8090802, "Deutsch"}, {8090805, "Italiano"}});
}

TEST_F(LanguageFolder, AFileEntryWinsOverTheAppendedTextsWhileTheFileIsThere) {
    table_.SelectLanguage(0, 1);
    ExpectTexts(table_, {{8080901, "32 K"}, {8080900, "10k"}, {4002, "Nicht da!"}});
    // A key with a leading zero is found only by the numeric comparison of control captions.
    EXPECT_EQ(table_.LookupText(1084), "");
    EXPECT_EQ(table_.FindControlText(1084), "Gut");
    EXPECT_EQ(table_.FindControlText(1230), std::nullopt);
    // A file gone since the folder was read gives empty texts but stays listed.
    std::filesystem::remove(folder_.Path() / "language" / "deutsch.lug");
    EXPECT_EQ(table_.SelectLanguage(0, 0), 0);
    ExpectTexts(table_, {{80000, ""}, {8888, ""}});
    EXPECT_EQ(table_.LanguageMenuItems().at(0).text, "deutsch");
    // Only the appended model and language-list texts remain.
    EXPECT_EQ(table_.EntryCount(), 7u + 3u + 4u);
}

TEST_F(LanguageFolder, FoundKeysRelabelTheMenuMissingKeysAndSeparatorsKeepTheirs) {
    const auto m = Relabelled(0);
    EXPECT_EQ(m.at(802)->text, "&Kanal");
    EXPECT_EQ(m.at(80000)->text, "CSV laden#Ctrl+O");
    EXPECT_EQ(m.at(80001)->text, "Save CSV#Ctrl+S");
    EXPECT_EQ(m.at(80002)->text, "");
    EXPECT_EQ(m.at(8080901)->text, "32 K");
    EXPECT_EQ(m.at(804000000)->text, "4nS");
}

TEST_F(LanguageFolder, DefaultAfterAnotherLanguageRestoresEveryText) {
    Relabelled(0);
    const auto m = Relabelled(-1);
    int checked = 0;
    for (const auto& [key, text] : test::DefaultTextsByKey()) {
        EXPECT_EQ(table_.LookupText(key), text) << key;
        const auto item = m.find(key);
        if (item != m.end() && item->second->kind != MenuKind::Separator) {
            EXPECT_EQ(item->second->text, text) << key;
            ++checked;
        }
    }
    // 283 default menu texts less 24 separators, less the 9 items model 0 lacks (four 10.0V, Pulse,
    // EXT/10, ETS, Peak Detect, and Demo Setting outside demo mode).
    EXPECT_EQ(checked, 283 - 24 - 9);
    EXPECT_EQ(m.at(8080901)->text, "32k");
    EXPECT_EQ(m.at(804000000)->text, "4nS");
}

TEST(LanguageTable, LinkedFoldersAreNotFollowed) {
    TempDir folder;
    folder.Write("language/a/One.lug", "[App]\r\n");
    std::error_code ec;
    std::filesystem::create_directory_symlink(folder.Path() / "language", folder.Path() / "language/a/loop",
                                              ec);
    ASSERT_FALSE(ec);
    CLanguageTable table;
    table.FindLanguageFiles(folder.Path() / "language");
    EXPECT_EQ(table.LanguageFiles(), (std::vector<std::string>{"a/One.lug"}));
}

// Without a folder or a written default file only the model's time base and buffer texts are there.
TEST(LanguageTable, ModelDependentTimeBaseAndBufferTexts) {
    CLanguageTable table;
    table.FindLanguageFiles("/nonexistent-folder/for/tarnix");
    EXPECT_TRUE(table.LanguageMenuItems().empty());
    EXPECT_EQ(table.SelectLanguage(-1, 0), -1);
    ExpectTexts(table, {{4002, ""}, {8080900, "10k"}});
    table.SelectLanguage(-1, 4);
    ExpectTexts(table, {{804000000, "2nS"}, {804000007, "400nS"}, {8080902, "28k"}, {8080903, ""}});
    table.SelectLanguage(-1, 3);
    ExpectTexts(table, {{804000000, "4nS"}, {8080901, "14k"}, {8080906, "1 M"}, {8080907, ""}});
    table.SelectLanguage(-1, 42); // not a model: treated as model 0
    EXPECT_EQ(table.Model(), 0);
    EXPECT_EQ(table.LookupText(8080901), "32k");
}

TEST(LanguageTable, UpdateRulesCommandRangesAndKeyNumbers) {
    EXPECT_EQ(IsLanguageItemChecked(9001, 0), true);
    EXPECT_EQ(IsLanguageItemChecked(9002, 0), false);
    EXPECT_EQ(IsLanguageItemChecked(9001, -1), false);
    EXPECT_EQ(IsLanguageItemChecked(9101, 100), true);
    EXPECT_EQ(IsLanguageItemChecked(9102, 101), std::nullopt);
    EXPECT_EQ(IsLanguageItemChecked(9000, -1), std::nullopt);
    EXPECT_EQ(LanguageIndexForCommand(9001), 0);
    EXPECT_EQ(LanguageIndexForCommand(11001), 2000);
    EXPECT_EQ(LanguageIndexForCommand(11002), std::nullopt);
    EXPECT_EQ(LanguageIndexForCommand(cmd::kLanguageDefault), std::nullopt);
    // Keys are read like atoi: leading zeros, blanks and a sign, up to the first non-digit.
    EXPECT_EQ(ParseKeyNumber("001084"), 1084);
    EXPECT_EQ(ParseKeyNumber(" 1084x"), 1084);
    EXPECT_EQ(ParseKeyNumber("+7"), 7);
    EXPECT_EQ(ParseKeyNumber("-7"), -7);
    EXPECT_EQ(ParseKeyNumber("x1084"), std::nullopt);
    EXPECT_EQ(ParseKeyNumber(""), std::nullopt);
    EXPECT_EQ(ParseKeyNumber("99999999999"), std::nullopt);
}

} // namespace
} // namespace tarnix
