#include "files/text_export.h"

#include <gtest/gtest.h>

#include <array>

#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using testing::ReadAll;
using testing::SplitCrLf;

TEST(TextExport, ChannelBlocksOrOffLinesWhateverTheExtension) {
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);
    std::array<std::int16_t, 5000> ch1{};
    std::array<std::int16_t, 5000> ch2{};
    ch1.fill(191); // CH1: zero 64, 1.00V/div -> 0 V; +1 V first, -5.96875 V last
    ch2.fill(63);  // CH2: zero 192 -> 0 V
    ch1[0] = 223;
    ch1[4999] = 0;
    settings.ch(kCh2).voltsPerDivIndex = 2; // 0.05 V/div as a single-precision number
    settings.ch(kCh2).probe = 1;            // x10: 0.5 V/div
    ch2[1] = -1; // a column without data is converted like any other point: (-1 - 63) x 0.5 / 32 = -1 V
    testing::TempDir dir;
    ASSERT_TRUE(ExportWaveformText(dir.File("w.doc"), settings, ch1, ch2).ok);
    ASSERT_TRUE(ExportWaveformText(dir.File("w.xls"), settings, ch1, ch2).ok);
    const std::string text = ReadAll(dir.File("w.doc"));
    EXPECT_TRUE(ReadAll(dir.File("w.xls")) == text && text.ends_with("\r\n"));
    const std::vector<std::string> lines = SplitCrLf(text);
    ASSERT_EQ(lines.size(), 5005u + 5006u);
    // CH2's block starts with an empty line and its clock line has no "S".
    const std::vector<std::string> heads{
        "#CHANNEL:CH1", "#CLOCK=0.000040000S", "#SIZE=5000", "#UNITS:V", "", "1.000000", "0.000000"};
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 7), heads);
    EXPECT_EQ(lines[5004], "-5.968750");
    const std::vector<std::string> ch2Heads{
        "", "#CHANNEL:CH2", "#CLOCK=0.000040000", "#SIZE=5000", "#UNITS:V", "", "0.000000", "-1.000000"};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 5005, lines.begin() + 5013), ch2Heads);
    EXPECT_EQ(lines.back(), "0.000000");

    settings.ch(kCh1).enabled = 0;
    settings.ch(kCh2).enabled = 0;
    EXPECT_EQ(FormatWaveformText(settings, ch1, ch2), "CH1 OFF\r\n\r\n\r\n\r\nCH2 OFF\r\n\r\n");
    settings.ch(kCh2).enabled = 1;
    settings.timebase.timeDivIndex = 25; // 1.00s
    const std::string ch2Only = FormatWaveformText(settings, ch1, ch2);
    EXPECT_EQ(ch2Only.rfind("CH1 OFF\r\n\r\n\r\n#CHANNEL:CH2\r\n#CLOCK=1.000000000\r\n", 0), 0u);
    EXPECT_EQ(SplitCrLf(ch2Only).size(), 2u + 5006u);
    settings.ch(kCh1).enabled = 1;
    settings.ch(kCh2).enabled = 0;
    const std::string ch1Only = FormatWaveformText(settings, ch1, ch2);
    EXPECT_EQ(ch1Only.rfind("#CHANNEL:CH1\r\n#CLOCK=1.000000000S\r\n", 0), 0u);
    EXPECT_EQ(ch1Only.substr(ch1Only.size() - 15), "\r\n\r\nCH2 OFF\r\n\r\n");
}

} // namespace
} // namespace tarnix
