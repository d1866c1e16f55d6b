#include "language/command_ids.h"
#include "language/language_table.h"

#include "test_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix {
namespace {

using test::AsciiToUtf16;
using testing::TempDir;

std::string Lug(const std::string& body) {
    return "[App]\r\n" + body;
}

// A language folder: two files at the top, one in a subfolder, one in a deeper subfolder, and files
// that are not language files.
class LanguageFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("language/Fran\xC3\xA7"
                      "ais.lug",
                      Lug("8888=Fran\xC3\xA7"
                          "ais\r\n80000=Charger CSV#Ctrl+O\r\n"));
        folder_.Write("language/deutsch.lug",
                      "\xFF\xFE" + AsciiToUtf16(Lug("8888=Deutsch\r\n80000=CSV laden#Ctrl+O\r\n"
                                                    "8080901=32 K\r\n01084=Gut\r\n4002=Nicht da!\r\n"),
                                                false));
        folder_.Write("language/more/Italiano.LUG", Lug("80000=Carica CSV\r\n"));
        folder_.Write("language/more/deeper/Zulu.lug", Lug("8888=isiZulu\r\n"));
        folder_.Write("language/readme.txt", "not a language");
        folder_.Write("language/more/notes.lugx", "not a language");
        ASSERT_TRUE(table_.WriteDefaultLanguage(folder_.Path()));
        table_.FindLanguageFiles(folder_.Path() / "language");
    }

    TempDir folder_;
    CLanguageTable table_;
};

TEST_F(LanguageFolder, ListsLanguageFilesOfAllSubfoldersInCaseInsensitiveOrder) {
    EXPECT_EQ(table_.LanguageFiles(),
              (std::vector<std::string>{"deutsch.lug",
                                        "Fran\xC3\xA7"
                                        "ais.lug",
                                        "more/deeper/Zulu.lug", "more/Italiano.LUG"}));
    const auto items = table_.LanguageMenuItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].commandId, 9001);
    EXPECT_EQ(items[0].text, "Deutsch");
    EXPECT_EQ(items[1].commandId, 9002);
    EXPECT_EQ(items[1].text, "Fran\xC3\xA7"
                             "ais");
    EXPECT_EQ(items[2].text, "isiZulu");
    EXPECT_EQ(items[3].text, "Italiano"); // no key 8888: the file name without extension
}

TEST_F(LanguageFolder, LanguageNamesAndHelpStems) {
    EXPECT_EQ(table_.LanguageName(-1), "English");
    EXPECT_EQ(table_.LanguageName(0), "Deutsch");
    EXPECT_EQ(table_.LanguageName(99), "Italiano"); // past the end: the last file
    EXPECT_EQ(table_.HelpFileStem(), "English");
    table_.SelectLanguage(1, 0);
    EXPECT_EQ(table_.HelpFileStem(), "Fran\xC3\xA7"
                                     "ais");
    table_.SelectLanguage(3, 0);
    EXPECT_EQ(table_.HelpFileStem(), "Italiano");

    CLanguageTable empty;
    EXPECT_EQ(empty.LanguageName(0), "");
    EXPECT_EQ(empty.LanguageName(-1), "English");
}

TEST_F(LanguageFolder, LoadsAFileFromASubfolderWithTheAppendedTexts) {
    EXPECT_EQ(table_.SelectLanguage(3, 0), 3);
    EXPECT_EQ(table_.CurrentIndex(), 3);
    EXPECT_EQ(table_.LookupText(80000), "Carica CSV");
    EXPECT_EQ(table_.LookupText(8888), ""); // the file has no name entry
    EXPECT_EQ(table_.LookupText(4002), ""); // nor messages: missing texts are empty
    EXPECT_EQ(table_.FindText(4002), std::nullopt);
    // Model 0 texts and the language list follow the file's own entries.
    EXPECT_EQ(table_.LookupText(804000000), "4nS");
    EXPECT_EQ(table_.LookupText(804000006), "400nS");
    EXPECT_EQ(table_.LookupText(804000007), "");
    EXPECT_EQ(table_.LookupText(8080900), "10k");
    EXPECT_EQ(table_.LookupText(8080901), "32k");
    EXPECT_EQ(table_.LookupText(8080902), "64k");
    EXPECT_EQ(table_.LookupText(8080903), "");
    EXPECT_EQ(table_.LookupText(8090802), "Deutsch");
    EXPECT_EQ(table_.LookupText(8090803), "Fran\xC3\xA7"
                                          "ais");
    EXPECT_EQ(table_.LookupText(8090805), "Italiano");
}

TEST_F(LanguageFolder, AFileEntryWinsOverTheAppendedBufferSizeText) {
    table_.SelectLanguage(0, 1);
    EXPECT_EQ(table_.LookupText(8080901), "32 K");
    EXPECT_EQ(table_.LookupText(8080900), "10k");
    EXPECT_EQ(table_.LookupText(80000), "CSV laden#Ctrl+O");
    EXPECT_EQ(table_.LookupText(4002), "Nicht da!");
}

TEST_F(LanguageFolder, LeadingZeroKeyIsFoundOnlyByNumericControlComparison) {
    table_.SelectLanguage(0, 0);
    EXPECT_EQ(table_.LookupText(1084), "");
    EXPECT_EQ(table_.FindControlText(1084), "Gut");
    EXPECT_EQ(table_.FindControlText(1230), std::nullopt);
}

TEST_F(LanguageFolder, MissingFileGivesEmptyTextsButStaysListed) {
    std::filesystem::remove(folder_.Path() / "language" / "deutsch.lug");
    EXPECT_EQ(table_.SelectLanguage(0, 0), 0);
    EXPECT_EQ(table_.LookupText(80000), "");
    EXPECT_EQ(table_.LookupText(4002), "");
    EXPECT_EQ(table_.LookupText(8888), "");
    EXPECT_EQ(table_.LanguageMenuItems().at(0).text, "deutsch");
    // Only the appended model and language-list texts remain.
    EXPECT_EQ(table_.EntryCount(), 7u + 3u + 4u);
}

TEST_F(LanguageFolder, SwitchingBackToDefaultRestoresEveryEnglishText) {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    DefaultLanguageEntries(keys, values);

    table_.SelectLanguage(0, 2);
    ASSERT_EQ(table_.LookupText(4002), "Nicht da!");
    EXPECT_EQ(table_.SelectLanguage(-1, 2), -1);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(table_.LookupText(std::stoi(keys[i])), values[i]) << keys[i];
    }
    EXPECT_EQ(table_.LookupText(8080901), "512k"); // model 2 buffer sizes
    EXPECT_EQ(table_.LookupText(8090802), "Deutsch");
}

TEST_F(LanguageFolder, IndexesOutsideTheListSelectDefault) {
    EXPECT_EQ(table_.SelectLanguage(4, 0), -1);
    EXPECT_EQ(table_.CurrentIndex(), -1);
    EXPECT_EQ(table_.LookupText(4002), "Function not available!");
    EXPECT_EQ(table_.SelectLanguage(-7, 0), -1);
    EXPECT_EQ(table_.SelectLanguage(2, 0), 2);
    EXPECT_EQ(table_.LookupText(8888), "isiZulu");
}

TEST(LanguageTable, DefaultWithoutWrittenFileIsEmpty) {
    CLanguageTable table;
    EXPECT_EQ(table.SelectLanguage(-1, 0), -1);
    EXPECT_EQ(table.LookupText(4002), "");
    EXPECT_EQ(table.LookupText(8080900), "10k"); // the appended texts are still there
}

TEST(LanguageTable, ModelDependentTimeBaseAndBufferTexts) {
    CLanguageTable table;
    table.SelectLanguage(-1, 4);
    EXPECT_EQ(table.LookupText(804000000), "2nS");
    EXPECT_EQ(table.LookupText(804000007), "400nS");
    EXPECT_EQ(table.LookupText(8080901), "14k");
    EXPECT_EQ(table.LookupText(8080902), "28k");
    EXPECT_EQ(table.LookupText(8080903), "");
    table.SelectLanguage(-1, 5);
    EXPECT_EQ(table.LookupText(804000000), "2nS");
    EXPECT_EQ(table.LookupText(8080902), "1 M");
    table.SelectLanguage(-1, 3);
    EXPECT_EQ(table.LookupText(804000000), "4nS");
    const char* const all[] = {"10k", "14k", "28k", "32k", "64k", "512k", "1 M"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(table.LookupText(8080900 + i), all[i]);
    }
    table.SelectLanguage(-1, 42); // not a model: treated as model 0
    EXPECT_EQ(table.Model(), 0);
    EXPECT_EQ(table.LookupText(8080901), "32k");
}

TEST(LanguageTable, MissingFolderListsNothing) {
    CLanguageTable table;
    table.FindLanguageFiles("/nonexistent-folder/for/tarnix");
    EXPECT_TRUE(table.LanguageFiles().empty());
    EXPECT_TRUE(table.LanguageMenuItems().empty());
}

TEST(LanguageTable, UpdateRulesAndCommandRanges) {
    EXPECT_TRUE(IsDefaultLanguageChecked(-1));
    EXPECT_FALSE(IsDefaultLanguageChecked(0));
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
}

TEST(LanguageTable, KeyNumbersAreReadLikeAtoi) {
    EXPECT_EQ(ParseKeyNumber("1084"), 1084);
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
