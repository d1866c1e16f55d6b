#include "files/csv_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "../support/temp_dir.h"
#include "../support/trace_values.h"

namespace tarnix {
namespace {

using namespace testing;

InstrumentSettings SettingsForModel(int model) {
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);
    settings.model = static_cast<std::uint16_t>(model);
    return settings;
}

struct CsvTest : ::testing::Test {
    TempDir dir;
    std::string path = dir.File("w.csv");
};

std::string CsvText(const std::string& clock, const std::string& count, int lines,
                    const char* value = "0.5") {
    std::string text = "#CLOCK=" + clock + "\r\n#SIZE=" + count + "\r\n";
    for (int i = 0; i < lines; ++i) {
        text += std::string(value) + ",0,0\r\n";
    }
    return text;
}

TEST_F(CsvTest, HeaderAndOneVoltLinePerSampleOfTheChosenChannel) {
    // Model 0, CH1 at 1.00V/div x1, zero level 64: code 191 is 0 V, each code 1/32 V.
    std::vector<std::uint16_t> record(10240, 191);
    record[0] = 223;
    record[1] = 0;
    record[10239] = 192;
    CsvSaveResult result = SaveCsvFile(path, SettingsForModel(0), 0, record);
    ASSERT_TRUE(result.ok && result.newDecimationSpan == 0);
    const std::string text = ReadAll(path);
    EXPECT_TRUE(text.ends_with("\r\n"));
    const std::vector<std::string> lines = SplitCrLf(text);
    ASSERT_EQ(lines.size(), 10242u);
    const std::vector<std::string> head{"#CLOCK=0.000040000", "#SIZE=10240", "1.000000,0,0", "-5.968750,0,0",
                                        "0.000000,0,0"};
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5), head);
    EXPECT_EQ(lines[10241], "0.031250,0,0");

    // CH2 at 0.2 V x10 = 2 V per division, zero 128: 0 V at code 127; 0.2 is stored as a single-precision
    // number, so the volts carry its rounding.
    InstrumentSettings settings = SettingsForModel(1);
    settings.ch(kCh2).voltsPerDivIndex = 4;
    settings.ch(kCh2).probe = 1;
    settings.ch(kCh2).zeroLevel = 128.0f;
    std::vector<std::uint16_t> ch2(10240, 127);
    ch2[0] = 143;
    ASSERT_TRUE(SaveCsvFile(path, settings, 1, ch2).ok);
    const std::vector<std::string> ch2Lines = SplitCrLf(ReadAll(path));
    ASSERT_EQ(ch2Lines.size(), 10242u);
    EXPECT_EQ(std::tuple(ch2Lines[2], ch2Lines[3]), std::tuple("1.000000,0,0", "0.000000,0,0"));

    // Models 3 to 5 write the clock line alone, which cannot be loaded back.
    for (int model : {3, 5}) {
        ASSERT_TRUE(SaveCsvFile(path, SettingsForModel(model), 0, record).ok);
        EXPECT_EQ(std::tuple(ReadAll(path), LoadCsvFile(path, SettingsForModel(1)).message),
                  std::tuple("#CLOCK=0.000040000\r\n", "This is not a CSV file!"));
    }
}

TEST_F(CsvTest, Model2BuildsMinMaxPairsInTimeOrder) {
    // 512k record, trigger position 250: trigger sample 262144, the window starts 256000 before it.
    std::vector<std::uint16_t> record(524288, 100);
    const std::size_t first = 262144 - 256000;
    for (std::size_t g = 0; g < 5120; ++g) {
        const std::size_t base = first + g * 100;
        if (g % 2 == 0) {
            record[base + 3] = 5; // minimum first; an equal later minimum does not move it
            record[base + 7] = 200;
            record[base + 9] = 5;
        } else {
            record[base + 2] = 250; // maximum first; an equal later maximum does not move it
            record[base + 90] = 1;
            record[base + 95] = 250;
        }
    }
    record[first + 4 * 100 + 50] =
        0xFFFF; // -1 as a signed sample: the new minimum of group 4, after its maximum
    std::vector<std::uint16_t> out = BuildModel2ExportRecord(record, 250);
    ASSERT_EQ(out.size(), 10240u);
    const std::vector<std::uint16_t> head{5, 200, 250, 1, 5, 200, 250, 1, 200, 0xFFFF};
    EXPECT_EQ(std::vector<std::uint16_t>(out.begin(), out.begin() + 10), head);
    EXPECT_EQ(Pick(out, {10238, 10239}), (std::vector<int>{250, 1}));

    std::vector<std::uint16_t> flat(10240, 42);
    EXPECT_EQ(BuildModel2ExportRecord(flat, 0), flat); // a 10k record is exported as it is
    // A 32k record cannot fill a 512,000-sample window: the missing samples count as 0.
    out = BuildModel2ExportRecord(std::vector<std::uint16_t>(32768, 42), 0);
    ASSERT_EQ(out.size(), 10240u);
    EXPECT_EQ(Pick(out, {0, 1, 10239}), (std::vector<int>{42, 42, 0}));

    InstrumentSettings settings = SettingsForModel(2);
    settings.ch(kCh1).recordLength = 524288;
    CsvSaveResult result = SaveCsvFile(path, settings, 0, record);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.newDecimationSpan, 25000);
    const std::vector<std::string> lines = SplitCrLf(ReadAll(path));
    EXPECT_TRUE(lines.size() == 10242u && lines[1] == "#SIZE=10240");
}

TEST_F(CsvTest, RoundTripFromCh2IntoCh1CompletesTheLoad) {
    InstrumentSettings settings = SettingsForModel(1);
    settings.timebase.timeDivIndex = 20; // row 21: 20.0ms
    settings.ch(kCh1).zeroLevel = 100.0f;
    settings.ch(kCh2).zeroLevel = 100.0f;
    settings.ch(kCh2).recordLength = 32768;
    std::vector<std::uint16_t> record(32768);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint16_t>(i % 256);
    }
    path = dir.File("Wave.CSV"); // the extension test ignores case
    ASSERT_TRUE(SaveCsvFile(path, settings, 1, record).ok);

    InstrumentSettings target = settings;
    target.timebase.timeDivIndex = 5;
    CsvLoadResult loaded = LoadCsvFile(path, target);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_TRUE(loaded.timeDivIndex == 20 && loaded.samples == record);
    CsvLoadCompletion plan = PlanCsvLoadCompletion(target, loaded.pointCount);
    EXPECT_TRUE(plan.bufferSizeIndex == 3 && plan.switchCh2Off);
    // Completion on model 2 always needs the 10k buffer; other models leave a fitting buffer alone.
    for (const auto& [model, buffer, points, planned] :
         {std::tuple(2, 5, 32768, 0), std::tuple(4, 2, 10240, -1)}) {
        InstrumentSettings other = SettingsForModel(model);
        other.timebase.bufferSizeIndex = static_cast<std::uint16_t>(buffer);
        EXPECT_EQ(PlanCsvLoadCompletion(other, static_cast<std::uint32_t>(points)).bufferSizeIndex, planned)
            << model;
    }
    target.ch(kCh2).enabled = 0;
    target.timebase.bufferSizeIndex = 0;
    plan = PlanCsvLoadCompletion(target, 10240);
    EXPECT_TRUE(!plan.switchCh2Off && plan.bufferSizeIndex == -1);
}

TEST_F(CsvTest, ClockLineSelectsTheFirstTimeBaseWithinANanosecond) {
    // Offset 1: timeDivIndex i shows row i + 1; a model without the offset lists 2.00ns first.
    const std::tuple<std::string, int, int> cases[] = {
        {"0.000040000", 1, 12},    {"  0.400000000 \t ", 1, 24},
        {"3600.000000000", 1, 37}, {"0.000000004", 1, 0},
        {"0.0000000045", 1, 0},    {"0.000000123", 1, 0},
        {"0.000000000", 1, 0},     {"abc", 1, 0},
        {"0.000000002", 4, 0},     {"0.000000004", 4, 1},
    };
    for (const auto& [clock, model, expected] : cases) {
        InstrumentSettings settings = SettingsForModel(model);
        settings.timebase.timeDivOffset = model == 4 ? 0 : 1;
        WriteAll(path, CsvText(clock, "10240", 10240));
        CsvLoadResult loaded = LoadCsvFile(path, settings);
        EXPECT_TRUE(loaded.ok && loaded.timeDivIndex == expected) << clock << ": " << loaded.timeDivIndex;
    }
}

TEST_F(CsvTest, RefusalsKeepCh1AsItWas) {
    InstrumentSettings settings = SettingsForModel(1);
    EXPECT_EQ(LoadCsvFile(dir.File("none.csv"), settings).message,
              std::string("Can not open file: ") + std::strerror(ENOENT));
    // Only the two record lengths load, and only with a line for every point announced.
    const std::tuple<std::string, int, bool> cases[] = {
        {"10240", 10240, true},  {"10240", 10239, false},  {"10239", 10239, false}, {"10241", 10241, false},
        {"32768", 32768, true},  {"32768", 32767, false},  {"32767", 32767, false}, {"32769", 32769, false},
        {"+10240", 10240, true}, {"-10240", 10240, false}, {"14336", 14336, false}, {"0", 0, false},
    };
    for (const auto& [count, lines, ok] : cases) {
        SCOPED_TRACE(count + " with " + std::to_string(lines) + " lines");
        WriteAll(path, CsvText("0.001000000", count, lines));
        CsvLoadResult loaded = LoadCsvFile(path, settings);
        EXPECT_EQ(std::tuple(loaded.ok, loaded.message, loaded.pointCount),
                  std::tuple(ok, ok ? "" : "This is not a CSV file!", ok ? std::uint32_t(lines) : 0u));
    }
    WriteAll(path, "");
    EXPECT_EQ(LoadCsvFile(path, settings).message, "This is not a CSV file!");
}

TEST_F(CsvTest, ValuesConvertWithCh1ScaleAndBadNumbersReadAsZeroVolts) {
    // CH1 1.00V/div, zero 64: 0 V is code 191; far above or below the screen saturates.
    std::string text = "#CLOCK=0.000040000\n#SIZE= 10240 \n";
    for (const char* line : {"  1.0,0,0", "\t-0.5", "junk,0,0", "+1.0,0,0", "-.5,0,0", "- 1,0,0", "+-1,0,0",
                             "1e4,0,0", "-1e6,0,0"}) {
        text += std::string(line) + "\n";
    }
    for (int i = 9; i < 10240; ++i) {
        text += "0.03125,0,0\n";
    }
    text.resize((2u << 20) + 1, ' '); // blanks after the points, to an odd size past 2 MiB: read whole
    WriteAll(path, text);
    CsvLoadResult loaded = LoadCsvFile(path, SettingsForModel(1));
    ASSERT_TRUE(loaded.ok && loaded.samples.size() == 10240u);
    const std::vector<std::uint16_t> expected{223, 175, 191, 223, 175, 191, 191, 32767, 0x8000, 192};
    EXPECT_EQ(std::vector<std::uint16_t>(loaded.samples.begin(), loaded.samples.begin() + 10), expected);
}

} // namespace
} // namespace tarnix
