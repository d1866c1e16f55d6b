#include "language/command_ids.h"
#include "language/control_ids.h"
#include "language/ini_file.h"
#include "language/language_table.h"
#include "language/menu_table.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace tarnix {
namespace {

using namespace std::string_literals;
using testing::TempDir;

// ASCII text as UTF-16 bytes, written out by hand so the test does not rely on the encoder under test.
std::string AsciiToUtf16(std::string_view ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

std::map<int, std::string> DefaultTextsByKey() {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    DefaultLanguageEntries(keys, values);
    std::map<int, std::string> byKey;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        byKey.emplace(std::stoi(keys[i]), values[i]);
    }
    return byKey;
}

void NodesByKey(const std::vector<MenuNode>& nodes, std::map<int, const MenuNode*>& out) {
    for (const MenuNode& n : nodes) {
        out[n.key] = &n;
        NodesByKey(n.children, out);
    }
}

struct Section {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    int count = 0;
};

Section Parse(std::string_view text) {
    Section s;
    s.count = ParseIniSection(text, "App", s.keys, s.values);
    return s;
}

TEST(IniFile, ReadsTheSectionInFileOrderSplitAtTheFirstEquals) {
    TempDir dir;
    // The section name is matched without case; line ends may be CR LF, LF or CR.
    const auto file =
        dir.Write("a.lug", "[Other]\r\n1=x\r\n[app]\n8030300= +\r\n20=b=c\r10=first\r\n10=second\r\n"
                           "  7 =padded key\r\n; a note\r\n\r\n5=\r\n[Next]\r\n99=outside\r\n");
    Section s;
    s.count = CIniFile(file.string()).ReadSection("App", s.keys, s.values);
    ASSERT_EQ(s.count, 6);
    EXPECT_EQ(s.keys, (std::vector<std::string>{"8030300", "20", "10", "10", "7", "5"}));
    EXPECT_EQ(s.values, (std::vector<std::string>{" +", "b=c", "first", "second", "padded key", ""}));
    EXPECT_EQ(CIniFile(file.string()).ReadValue("App", "10"), "first");
    EXPECT_EQ(CIniFile(file.string()).ReadValue("App", "99"), "");
    const auto longValue = dir.Write("v.lug", "[App]\r\n8888=" + std::string(400, 'n'));
    EXPECT_EQ(CIniFile(longValue.string()).ReadValue("App", "8888"), std::string(259, 'n'));
    // A missing file reads as empty, and what the vectors held is gone.
    const CIniFile missing((dir.Path() / "none.lug").string());
    EXPECT_EQ(missing.ReadSection("App", s.keys, s.values), 0);
    EXPECT_TRUE(s.keys.empty() && s.values.empty());
}

TEST(IniText, DecodesEveryEncodingToUtf8AndBack) {
    const std::string cafe = "caf\u00E9 \U0001F600";
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"UTF-16 LE", "\xFF\xFE" + AsciiToUtf16("caf", false) + "\xE9\x00 \x00\x3D\xD8\x00\xDE"s, cafe},
        {"UTF-16 BE", "\xFE\xFF" + AsciiToUtf16("caf", true) + "\x00\xE9\x00 \xD8\x3D\xDE\x00"s, cafe},
        // U+07FF is the last code point of two UTF-8 bytes, U+0800 the first of three.
        {"UTF-16 at the 2/3-byte edge", "\xFF\xFE\xFF\x07\x00\x08"s, "\u07FF\u0800"},
        // A lone surrogate becomes U+FFFD; half a code unit at the end is dropped.
        {"broken UTF-16",
         "\xFF\xFE" + AsciiToUtf16("a", false) + "\x00\xD8"s + AsciiToUtf16("b", false) + "\x41", "a\uFFFDb"},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + cafe, cafe},
        {"UTF-8 with BOM, broken", "\xEF\xBB\xBF\x61\xFF\x62", "a\uFFFDb"},
        {"UTF-8 led by 0xEF", "\uFFFD", "\uFFFD"},
        {"Latin-1", "Fran\347ais", "Fran\u00E7ais"}, // a lone 0xE7 is not UTF-8
    };
    for (const auto& [name, bytes, text] : cases) {
        EXPECT_EQ(DecodeTextBytes(bytes), text) << name;
    }
    // A four-byte character counts once and goes back to UTF-16 as a surrogate pair.
    EXPECT_EQ(TruncateUtf8("\U0001F600x", 1), "\U0001F600");
    EXPECT_EQ(EncodeUtf16Le("A\u00E9\U0001F600"), "A\x00\xE9\x00\x3D\xD8\x00\xDE"s);
}

TEST(IniText, EntriesAreCutOnCharacterBoundariesAndTheSectionBeforeItsLimit) {
    // "1=" and 300 two-byte characters: the entry keeps 199 characters in all, 197 of them "é".
    std::string line = "1=";
    for (int i = 0; i < 300; ++i) {
        line += "\u00E9";
    }
    const Section s = Parse("[App]\r\n" + line + "\r\n2=next\r\n");
    ASSERT_EQ(s.count, 2);
    EXPECT_TRUE(s.values[0].size() == 197u * 2u && s.values[1] == "next");
    // A key longer than the entry limit leaves the entry without "=": all key, empty value.
    const Section k = Parse("[App]\r\n" + std::string(250, '7') + "=x");
    ASSERT_EQ(k.count, 1);
    EXPECT_TRUE(k.keys[0] == std::string(199, '7') && k.values[0].empty());

    // The section stops before the entry that would pass its limit. Each entry "kkkk=" + 95 'v' is 100
    // characters plus its terminator: 101. With one final terminator, 89 entries take 8990 characters and the
    // 90th would need 9091.
    std::string text = "[App]\r\n";
    for (int i = 0; i < 120; ++i) {
        text += std::to_string(1000 + i) + "=" + std::string(95, 'v') + "\r\n";
    }
    const Section full = Parse(text);
    EXPECT_TRUE(full.count == 89 && full.keys.back() == "1088");
}

void ExpectTexts(const CLanguageTable& table, std::initializer_list<std::pair<int, const char*>> expected) {
    for (const auto& [key, text] : expected) {
        EXPECT_EQ(table.LookupText(key), text) << key;
    }
}

// Language files at three depths, a file that is not one, and a link back to the top not to follow.
class LanguageFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("language/French.lug", "[App]\r\n8888=Fran\u00E7ais\r\n80000=Charger CSV#Ctrl+O\r\n");
        folder_.Write(
            "language/deutsch.lug",
            "\xFF\xFE" + AsciiToUtf16("[App]\r\n8888=Deutsch\r\n80000=CSV laden#Ctrl+O\r\n802=&Kanal\r\n"
                                      "80002=nie zu sehen\r\n8080901=32 K\r\n01084=Gut\r\n4002=Nicht da!\r\n",
                                      false));
        folder_.Write("language/more/Italiano.LUG", "[App]\r\n80000=Carica CSV\r\n");
        folder_.Write("language/more/deeper/Zulu.lug", "[App]\r\n8888=isiZulu\r\n");
        folder_.Write("language/more/notes.lugx", "not a language");
        std::error_code ec;
        std::filesystem::create_directory_symlink(folder_.Path() / "language",
                                                  folder_.Path() / "language/more/loop", ec);
        ASSERT_FALSE(ec);
        ASSERT_TRUE(table_.WriteDefaultLanguage(folder_.Path()));
        table_.FindLanguageFiles(folder_.Path() / "language");
        bar_ = BuildMenuBar(0, false);
        AppendLanguageItems(bar_, table_);
    }

    std::map<int, const MenuNode*> Relabelled(int language) {
        table_.SelectLanguage(language, 0);
        RelabelMenuTree(bar_, table_);
        std::map<int, const MenuNode*> byKey;
        NodesByKey(bar_, byKey);
        return byKey;
    }

    TempDir folder_;
    CLanguageTable table_;
    std::vector<MenuNode> bar_;
};

TEST_F(LanguageFolder, ListsFilesOfAllSubfoldersInCaseInsensitiveOrderWithNamesAndHelpFiles) {
    EXPECT_EQ(
        table_.LanguageFiles(),
        (std::vector<std::string>{"deutsch.lug", "French.lug", "more/deeper/Zulu.lug", "more/Italiano.LUG"}));
    const auto items = table_.LanguageMenuItems();
    ASSERT_EQ(items.size(), 4u);
    // Italiano has no key 8888: the file name without extension.
    EXPECT_EQ(std::tuple(items[2].text, items[3].text), std::tuple("isiZulu", "Italiano"));
    const auto m = Relabelled(-1);
    EXPECT_TRUE(m.at(8090803)->command == 9002 && m.at(8090803)->text == "Fran\u00E7ais");
    // Past the end: the last file.
    EXPECT_EQ(std::tuple(table_.LanguageName(-1), table_.LanguageName(0), table_.LanguageName(99)),
              std::tuple("English", "Deutsch", "Italiano"));
    // deutsch is not one of the help languages.
    for (const auto& [language, help] :
         {std::pair(-1, "English"), std::pair(1, "French"), std::pair(0, "English")}) {
        table_.SelectLanguage(language, 0);
        EXPECT_EQ(table_.HelpFileName(), "MorvlinkHelp-"s + help + ".chm") << language;
    }
    EXPECT_EQ(std::tuple(table_.SelectLanguage(4, 0), table_.CurrentIndex(), table_.SelectLanguage(-7, 0)),
              std::tuple(-1, -1, -1));
}

TEST_F(LanguageFolder, LoadsAFileWithTheAppendedTextsUnlessTheFileHasItsOwn) {
    EXPECT_EQ(table_.SelectLanguage(3, 0), 3);
    EXPECT_EQ(table_.FindText(4002), std::nullopt);
    // Missing texts are empty; model 0 texts and the language list follow the file's own entries.
    ExpectTexts(table_, {{80000, "Carica CSV"}, {8888, ""}, {4002, ""}, {804000007, ""}, {8080902, "64k"}});
    ExpectTexts(table_, {{8080903, ""}, {8090802, "Deutsch"}, {8090805, "Italiano"}});

    table_.SelectLanguage(0, 1);
    ExpectTexts(table_, {{8080901, "32 K"}, {8080900, "10k"}, {4002, "Nicht da!"}});
    // A key with a leading zero is found only by the numeric comparison of control captions.
    EXPECT_EQ(table_.LookupText(1084), "");
    EXPECT_EQ(table_.FindControlText(1084), "Gut");
    EXPECT_EQ(table_.FindControlText(1230), std::nullopt);
}

TEST_F(LanguageFolder, RelabelsTheMenuAndRestoresEveryDefaultText) {
    // Separators keep their texts and the model's own texts stay; the window's language test follows
    // found and missing keys into the menu.
    auto m = Relabelled(0);
    EXPECT_EQ(std::tuple(m.at(80002)->text, m.at(804000000)->text, m.at(8080901)->text),
              std::tuple("", "4nS", "32 K"));

    // Back to the default language: every text is restored, in the table and in the menu.
    m = Relabelled(-1);
    int checked = 0;
    for (const auto& [key, text] : DefaultTextsByKey()) {
        EXPECT_EQ(table_.LookupText(key), text) << key;
        const auto item = m.find(key);
        if (item != m.end() && item->second->kind != MenuKind::Separator) {
            EXPECT_EQ(item->second->text, text) << key;
            ++checked;
        }
    }
    // 289 default menu texts less 25 separators, less the 9 items model 0 lacks (four 10.0V, Pulse,
    // EXT/10, ETS, Peak Detect, and Demo Setting outside demo mode).
    EXPECT_EQ(checked, 289 - 25 - 9);
    EXPECT_EQ(m.at(8080901)->text, "32k");
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
}

// The language item of the file in use is checked; the built-in language's item names no file.
TEST(LanguageTable, UpdateRulesCommandRangesAndKeyNumbers) {
    EXPECT_EQ(IsLanguageItemChecked(cmd::kLanguageItemFirst + 2, 2), true);
    EXPECT_EQ(IsLanguageItemChecked(cmd::kLanguageItemFirst + 1, 2), false);
    EXPECT_EQ(LanguageIndexForCommand(cmd::kLanguageItemFirst + 2), 2);
    EXPECT_EQ(LanguageIndexForCommand(cmd::kLanguageDefault), std::nullopt);
    // Keys are read like atoi: leading zeros, blanks and a sign, up to the first non-digit.
    EXPECT_EQ(std::tuple(ParseKeyNumber(" 1084x"), ParseKeyNumber("+7"), ParseKeyNumber("-7")),
              std::tuple(1084, 7, -7));
    EXPECT_FALSE(ParseKeyNumber("x1084") || ParseKeyNumber("99999999999"));
}

struct Menu {
    std::vector<MenuNode> bar;
    std::map<int, const MenuNode*> byKey;
    std::set<int> commands;
    explicit Menu(std::vector<MenuNode> tree) : bar(std::move(tree)) {
        NodesByKey(bar, byKey);
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

TEST(MenuTable, EveryRowLandsInTheTreeCommandsAreUniqueAndShortcutsFollowTheAccelerators) {
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
    EXPECT_EQ(m.Key(80908).children.size(), 2u); // language files are appended after the separator

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
    EXPECT_EQ(SplitMenuText("a#b#c").shortcut, "b#c");
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

TEST(MenuTable, ContextMenuFollowsTheModelAndTimeDivCommandsCarryTheirLabels) {
    // Model 0's selector starts at 4.00ns, model 5's at 2.00ns; both end at 1.00h.
    const auto menu0 = BuildContextMenu(0);
    ASSERT_EQ(menu0.size(), 5u);
    EXPECT_EQ(std::tuple(TimeDivCommandLabel(menu0[2].children.front().command),
                         TimeDivCommandLabel(menu0[2].children.back().command)),
              std::tuple("4.00ns", "1.00h"));
    EXPECT_EQ(TimeDivCommandLabel(BuildContextMenu(5)[2].children.front().command), "2.00ns");
    EXPECT_EQ(menu0[4].children.back().command, cmd::kCh2VoltsPerDivFirst + 8); // model 0 lacks 10.0V
    EXPECT_EQ(TimeDivCommandLabel(menu0[2].children.back().command + 1), "");
}

// A model-dependent time base or buffer size in the default file would override the model's own text.
TEST(DefaultLanguage, CaptionsTheDeclaredControlsLeavesModelTextsAloneAndReadsBackWhole) {
    const auto texts = DefaultTextsByKey();
    ASSERT_EQ(texts.size(), 498u) << "a key missing or twice";
    EXPECT_TRUE(texts.lower_bound(804000000) == texts.upper_bound(804000099) &&
                texts.lower_bound(8080900) == texts.upper_bound(8080999));
    std::set<int> captioned;
    for (auto it = texts.lower_bound(1040); it != texts.upper_bound(1298); ++it) {
        captioned.insert(it->first);
    }
    EXPECT_EQ(captioned, std::set<int>(ctl::kCaptionedControls.begin(), ctl::kCaptionedControls.end()));

    testing::TempDir dir;
    dir.Write("default.lug", std::string(100000, 'x')); // written over, not appended to
    CLanguageTable table;
    ASSERT_TRUE(table.WriteDefaultLanguage(dir.Path()));

    const std::string bytes = testing::ReadAll(table.DefaultFilePath());
    EXPECT_EQ(bytes.substr(0, 44), "\xFF\xFE" + AsciiToUtf16("[App]\r\n8888=English\r\n", false));
    // Read back whole: no entry passes the reader's limits.
    std::vector<std::string> keys, values, expectedKeys, expectedValues;
    EXPECT_EQ(CIniFile(table.DefaultFilePath().string()).ReadSection("App", keys, values), 498);
    DefaultLanguageEntries(expectedKeys, expectedValues);
    EXPECT_TRUE(keys == expectedKeys && values == expectedValues);

    CLanguageTable unwritable;
    EXPECT_FALSE(unwritable.WriteDefaultLanguage("/nonexistent-folder/for/tarnix"));
    EXPECT_FALSE(!unwritable.DefaultFilePath().empty() || unwritable.WriteDefaultLanguage({}));
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
