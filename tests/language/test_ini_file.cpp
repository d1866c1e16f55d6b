#include "language/ini_file.h"

#include "test_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix {
namespace {

using namespace std::string_literals;
using test::AsciiToUtf16;
using testing::TempDir;

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
    EXPECT_TRUE(s.keys.empty());
    EXPECT_TRUE(s.values.empty());
    EXPECT_EQ(missing.ReadValue("App", "8888"), "");
}

TEST(IniText, DecodesEveryEncodingToUtf8) {
    const std::string cafe = "caf\u00E9 \U0001F600";
    const struct {
        const char* name;
        std::string bytes;
        std::string text;
    } cases[] = {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeTextBytes(c.bytes), c.text);
    }
}

TEST(IniText, EntriesAreCutAtTheEntryLimitOnCharacterBoundaries) {
    // "1=" and 300 two-byte characters: the entry keeps 199 characters in all, 197 of them "é".
    std::string line = "1=";
    for (int i = 0; i < 300; ++i) {
        line += "\u00E9";
    }
    const Section s = Parse("[App]\r\n" + line + "\r\n2=next\r\n");
    ASSERT_EQ(s.count, 2);
    EXPECT_EQ(s.values[0].size(), 197u * 2u);
    EXPECT_EQ(s.values[1], "next");
    // A key longer than the entry limit leaves the entry without "=": all key, empty value.
    const Section k = Parse("[App]\r\n" + std::string(250, '7') + "=x");
    ASSERT_EQ(k.count, 1);
    EXPECT_EQ(k.keys[0], std::string(199, '7'));
    EXPECT_EQ(k.values[0], "");
}

TEST(IniText, SectionStopsBeforeTheEntryThatWouldPassTheSectionLimit) {
    // Each entry "kkkk=" + 95 'v' is 100 characters plus its terminator: 101. With one final
    // terminator, 89 entries take 8990 characters and the 90th would need 9091.
    std::string text = "[App]\r\n";
    for (int i = 0; i < 120; ++i) {
        text += std::to_string(1000 + i) + "=" + std::string(95, 'v') + "\r\n";
    }
    const Section s = Parse(text);
    EXPECT_EQ(s.count, 89);
    EXPECT_EQ(s.keys.back(), "1088");
}

TEST(IniText, FourByteCharactersCountOnceAndEncodeAsSurrogatePairs) {
    EXPECT_EQ(TruncateUtf8("\U0001F600x", 1), "\U0001F600");
    EXPECT_EQ(EncodeUtf16Le("A\u00E9\U0001F600"), "A\x00\xE9\x00\x3D\xD8\x00\xDE"s);
}

} // namespace
} // namespace tarnix
