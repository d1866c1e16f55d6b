#include "language/ini_file.h"

#include "test_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix {
namespace {

using test::AsciiToUtf16;
using testing::TempDir;

struct Section {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    int count = 0;
};

Section Read(const std::filesystem::path& file, std::string_view section = "App") {
    Section s;
    s.count = CIniFile(file.string()).ReadSection(section, s.keys, s.values);
    return s;
}

TEST(IniFile, KeepsFileOrderSplitsAtFirstEqualsAndKeepsLeadingBlanks) {
    TempDir dir;
    const auto file = dir.Write("a.lug", "[Other]\r\n1=x\r\n[App]\r\n"
                                         "8030300= +\r\n"
                                         "20=b=c\r\n"
                                         "10=first\r\n"
                                         "10=second\r\n"
                                         "  7 =padded key\r\n"
                                         "; a note\r\n"
                                         "\r\n"
                                         "5=\r\n"
                                         "[Next]\r\n"
                                         "99=outside\r\n");
    const Section s = Read(file);
    ASSERT_EQ(s.count, 6);
    EXPECT_EQ(s.keys, (std::vector<std::string>{"8030300", "20", "10", "10", "7", "5"}));
    EXPECT_EQ(s.values, (std::vector<std::string>{" +", "b=c", "first", "second", "padded key", ""}));
}

TEST(IniFile, SectionNameIsCaseInsensitiveAndLineEndsMayBeLfOrCr) {
    TempDir dir;
    const auto file = dir.Write("a.lug", "[app]\n1=one\r2=two\n");
    const Section s = Read(file, "App");
    ASSERT_EQ(s.count, 2);
    EXPECT_EQ(s.values[1], "two");
}

TEST(IniFile, MissingFileOrSectionGivesNothing) {
    TempDir dir;
    std::vector<std::string> keys{"stale"};
    std::vector<std::string> values{"stale"};
    EXPECT_EQ(CIniFile((dir.Path() / "none.lug").string()).ReadSection("App", keys, values), 0);
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(CIniFile((dir.Path() / "none.lug").string()).ReadValue("App", "8888"), "");

    const auto file = dir.Write("b.lug", "[Other]\r\n8888=x\r\n");
    EXPECT_EQ(Read(file).count, 0);
    EXPECT_EQ(CIniFile(file.string()).ReadValue("App", "8888"), "");
}

std::string Bytes(const char* text, std::size_t size) {
    return std::string(text, size);
}

// One entry "1=..." in every encoding a language file comes in; each is read back as UTF-8.
TEST(IniFile, ReadsEveryEncodingAsUtf8) {
    // "caf\u00e9 \U0001F600" spelled out unit by unit.
    const std::string cafe = "caf\xC3\xA9 \xF0\x9F\x98\x80";
    const std::string francais = "Fran\xC3\xA7"
                                 "ais";
    const struct {
        const char* name;
        std::string bytes;
        std::string value;
    } cases[] = {
        {"UTF-16 LE",
         "\xFF\xFE" + AsciiToUtf16("[App]\r\n1=caf", false) + Bytes("\xE9\x00", 2) +
             AsciiToUtf16(" ", false) + Bytes("\x3D\xD8\x00\xDE", 4) + AsciiToUtf16("\r\n", false),
         cafe},
        {"UTF-16 BE",
         "\xFE\xFF" + AsciiToUtf16("[App]\r\n1=caf", true) + Bytes("\x00\xE9", 2) + AsciiToUtf16(" ", true) +
             Bytes("\xD8\x3D\xDE\x00", 4) + AsciiToUtf16("\r\n", true),
         cafe},
        {"UTF-8 with BOM", "\xEF\xBB\xBF[App]\r\n1=" + francais + "\r\n", francais},
        {"UTF-8", "[App]\r\n1=" + francais + "\r\n", francais},
        // A lone 0xE7 is not UTF-8: the file is Latin-1, where it is "ç".
        {"Latin-1",
         "[App]\r\n1=Fran\xE7"
         "ais\r\n",
         francais},
        // A lone surrogate becomes U+FFFD; half a code unit at the end is dropped.
        {"broken UTF-16",
         "\xFF\xFE" + AsciiToUtf16("[App]\r\n1=a", false) + Bytes("\x00\xD8", 2) +
             AsciiToUtf16("b\r\n", false) + "\x41",
         "a\xEF\xBF\xBD"
         "b"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Section s = Read(dir.Write("x.lug", c.bytes));
        ASSERT_EQ(s.count, 1);
        EXPECT_EQ(s.keys[0], "1");
        EXPECT_EQ(s.values[0], c.value);
    }
}

TEST(IniFile, LongEntriesAreCutAtTheEntryLimitOnCharacterBoundaries) {
    TempDir dir;
    // "1=" and 300 two-byte characters: the entry keeps 199 characters in all, 197 of them "é".
    std::string line = "1=";
    for (int i = 0; i < 300; ++i) {
        line += "\xC3\xA9";
    }
    const Section s = Read(dir.Write("long.lug", "[App]\r\n" + line + "\r\n2=next\r\n"));
    ASSERT_EQ(s.count, 2);
    EXPECT_EQ(s.values[0].size(), 197u * 2u);
    EXPECT_EQ(Utf8Length(s.values[0]), 197u);
    EXPECT_EQ(s.values[1], "next");

    // A key longer than the entry limit leaves the entry without "=": all key, empty value.
    const Section k = Read(dir.Write("key.lug", "[App]\r\n" + std::string(250, '7') + "=x\r\n"));
    ASSERT_EQ(k.count, 1);
    EXPECT_EQ(k.keys[0], std::string(199, '7'));
    EXPECT_EQ(k.values[0], "");
}

TEST(IniFile, ReadValueCutsAtTheValueLimitAndFindsTheFirstEqualKey) {
    TempDir dir;
    const auto file = dir.Write("v.lug", "[App]\r\n8888=" + std::string(400, 'n') + "\r\n8888=second\r\n");
    const std::string value = CIniFile(file.string()).ReadValue("App", "8888");
    EXPECT_EQ(value, std::string(259, 'n'));
    const auto other = dir.Write("w.lug", "[App]\r\n1=a\r\n8888= Deutsch\r\n");
    EXPECT_EQ(CIniFile(other.string()).ReadValue("App", "8888"), " Deutsch");
}

TEST(IniFile, SectionStopsBeforeTheEntryThatWouldPassTheSectionLimit) {
    TempDir dir;
    // Each entry "kkkk=" + 95 'v' is 100 characters plus its terminator: 101. With one final
    // terminator, 89 entries take 8990 characters and the 90th would need 9091.
    std::string text = "[App]\r\n";
    for (int i = 0; i < 120; ++i) {
        text += std::to_string(1000 + i) + "=" + std::string(95, 'v') + "\r\n";
    }
    const Section s = Read(dir.Write("big.lug", text));
    EXPECT_EQ(s.count, 89);
    EXPECT_EQ(s.keys.back(), "1088");
}

TEST(IniText, TruncateAndLengthCountCodePoints) {
    EXPECT_EQ(TruncateUtf8("ab\xC3\xA9"
                           "cd",
                           3),
              "ab\xC3\xA9");
    EXPECT_EQ(TruncateUtf8("abc", 10), "abc");
    EXPECT_EQ(TruncateUtf8("\xF0\x9F\x98\x80x", 1), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8Length("a\xC3\xA9\xF0\x9F\x98\x80"), 3u);
}

TEST(IniText, Utf16EncoderWritesSurrogatePairs) {
    EXPECT_EQ(EncodeUtf16Le("A\xC3\xA9\xF0\x9F\x98\x80"), std::string("A\x00\xE9\x00\x3D\xD8\x00\xDE", 8));
}

} // namespace
} // namespace tarnix
