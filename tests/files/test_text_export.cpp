#include "files/text_export.h"

#include <gtest/gtest.h>

#include <array>

#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using testing::ReadAll;
using testing::SplitCrLf;
using testing::TempDir;

struct TextExportTest : ::testing::Test {
    TextExportTest() {
        ApplyFactoryDefaults(settings);
        ch1.fill(191); // CH1: zero 64, 1.00V/div -> 0 V
        ch2.fill(63);  // CH2: zero 192 -> 0 V
    }
    InstrumentSettings settings;
    std::array<std::int16_t, 5000> ch1{};
    std::array<std::int16_t, 5000> ch2{};
    TempDir dir;
};

TEST_F(TextExportTest, BothChannelsOnGive5005And5006Lines) {
    ch1[0] = 223;                           // +1 V
    ch1[4999] = 0;                          // -5.96875 V
    settings.ch(kCh2).voltsPerDivIndex = 2; // 0.05 V/div as a single-precision number
    settings.ch(kCh2).probe = 1;            // x10: 0.5 V/div
    ch2[0] = 127;                           // two divisions up: +1 V
    ch2[1] = -1;                            // a column without data is converted like any other point
    const std::string path = dir.File("w.doc");
    ASSERT_TRUE(ExportWaveformText(path, settings, ch1, ch2).ok);
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1); // CR LF line ends
    const std::vector<std::string> lines = SplitCrLf(text);
    ASSERT_EQ(lines.size(), 5005u + 5006u);
    EXPECT_EQ(lines[0], "#CHANNEL:CH1");
    EXPECT_EQ(lines[1], "#CLOCK=0.000040000S");
    EXPECT_EQ(lines[2], "#SIZE=5000");
    EXPECT_EQ(lines[3], "#UNITS:V");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "1.000000");
    EXPECT_EQ(lines[6], "0.000000");
    EXPECT_EQ(lines[5004], "-5.968750");
    // CH2 block: its leading empty line, then a clock line without "S".
    EXPECT_EQ(lines[5005], "");
    EXPECT_EQ(lines[5006], "#CHANNEL:CH2");
    EXPECT_EQ(lines[5007], "#CLOCK=0.000040000");
    EXPECT_EQ(lines[5008], "#SIZE=5000");
    EXPECT_EQ(lines[5009], "#UNITS:V");
    EXPECT_EQ(lines[5010], "");
    EXPECT_EQ(lines[5011], "1.000000");
    // (-1 - 63) x 0.5 / 32 = -1 V, with the single-precision 0.05 behind it.
    EXPECT_EQ(lines[5012], "-1.000000");
    EXPECT_EQ(lines.back(), "0.000000");
}

TEST_F(TextExportTest, OffChannelsGiveTheirOffLines) {
    settings.ch(kCh1).enabled = 0;
    settings.ch(kCh2).enabled = 0;
    EXPECT_EQ(FormatWaveformText(settings, ch1, ch2), "CH1 OFF\r\n\r\n\r\n\r\nCH2 OFF\r\n\r\n");

    settings.ch(kCh2).enabled = 1;
    settings.timebase.timeDivIndex = 25; // 1.00s
    const std::string text = FormatWaveformText(settings, ch1, ch2);
    EXPECT_EQ(text.rfind("CH1 OFF\r\n\r\n\r\n#CHANNEL:CH2\r\n#CLOCK=1.000000000\r\n", 0), 0u);
    EXPECT_EQ(SplitCrLf(text).size(), 2u + 5006u);

    settings.ch(kCh1).enabled = 1;
    settings.ch(kCh2).enabled = 0;
    const std::string ch1Only = FormatWaveformText(settings, ch1, ch2);
    EXPECT_EQ(ch1Only.rfind("#CHANNEL:CH1\r\n#CLOCK=1.000000000S\r\n", 0), 0u);
    EXPECT_EQ(ch1Only.substr(ch1Only.size() - 15), "\r\n\r\nCH2 OFF\r\n\r\n");
}

TEST_F(TextExportTest, EveryExtensionGetsTheSameText) {
    ASSERT_TRUE(ExportWaveformText(dir.File("a.doc"), settings, ch1, ch2).ok);
    ASSERT_TRUE(ExportWaveformText(dir.File("a.xls"), settings, ch1, ch2).ok);
    ASSERT_TRUE(ExportWaveformText(dir.File("a.txt"), settings, ch1, ch2).ok);
    EXPECT_EQ(ReadAll(dir.File("a.doc")), ReadAll(dir.File("a.txt")));
    EXPECT_EQ(ReadAll(dir.File("a.xls")), ReadAll(dir.File("a.txt")));
}

} // namespace
} // namespace tarnix
