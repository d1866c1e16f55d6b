#include "files/csv_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "../support/temp_dir.h"

namespace tarnix {
namespace {

using testing::ReadAll;
using testing::SplitCrLf;
using testing::TempDir;
using testing::WriteAll;

InstrumentSettings SettingsForModel(int model) {
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);
    settings.model = static_cast<std::uint16_t>(model);
    return settings;
}

std::string CsvText(const std::string& clock, int count, int lines, const std::string& value = "0.000000") {
    std::string text = "#CLOCK=" + clock + "\r\n#SIZE=" + std::to_string(count) + "\r\n";
    for (int i = 0; i < lines; ++i) {
        text += value + ",0,0\r\n";
    }
    return text;
}

TEST(CsvSave, Model0WritesHeaderAndOneVoltLinePerSample) {
    TempDir dir;
    InstrumentSettings settings = SettingsForModel(0);
    // CH1 at 1.00V/div x1, zero level 64: code 191 is 0 V, each code 1/32 V.
    std::vector<std::uint16_t> record(10240, 191);
    record[0] = 223; // +1 division
    record[1] = 0;   // (0 - 191) / 32 = -5.96875 V
    record[10239] = 192;
    const std::string path = dir.File("a.csv");
    CsvSaveResult result = SaveCsvFile(path, settings, 0, record);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.newDecimationSpan, 0);

    const std::string text = ReadAll(path);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> lines = SplitCrLf(text);
    ASSERT_EQ(lines.size(), 10242u);
    EXPECT_EQ(lines[0], "#CLOCK=0.000040000");
    EXPECT_EQ(lines[1], "#SIZE=10240");
    EXPECT_EQ(lines[2], "1.000000,0,0");
    EXPECT_EQ(lines[3], "-5.968750,0,0");
    EXPECT_EQ(lines[4], "0.000000,0,0");
    EXPECT_EQ(lines[10241], "0.031250,0,0");
}

TEST(CsvSave, ChannelChoiceAndProbeScaleTheVolts) {
    TempDir dir;
    InstrumentSettings settings = SettingsForModel(1);
    settings.ch(kCh2).voltsPerDivIndex = 4; // 0.2 V
    settings.ch(kCh2).probe = 1;            // x10: 2 V per division
    settings.ch(kCh2).zeroLevel = 128.0f;   // 0 V at code 127
    std::vector<std::uint16_t> record(10240, 127);
    record[0] = 143; // half a division up: +1 V
    const std::string path = dir.File("b.csv");
    ASSERT_TRUE(SaveCsvFile(path, settings, 1, record).ok);
    const std::vector<std::string> lines = SplitCrLf(ReadAll(path));
    ASSERT_EQ(lines.size(), 10242u);
    // 0.2 is stored as a single-precision number, so the volts carry its rounding.
    EXPECT_EQ(lines[2], "1.000000,0,0");
    EXPECT_EQ(lines[3], "0.000000,0,0");
}

TEST(CsvSave, OtherModelsWriteTheClockLineAlone) {
    TempDir dir;
    for (int model : {3, 4, 5}) {
        InstrumentSettings settings = SettingsForModel(model);
        std::vector<std::uint16_t> record(10240, 100);
        const std::string path = dir.File("m" + std::to_string(model) + ".csv");
        ASSERT_TRUE(SaveCsvFile(path, settings, 0, record).ok);
        const std::string text = ReadAll(path);
        EXPECT_EQ(text.rfind("#CLOCK=", 0), 0u) << text;
        EXPECT_EQ(SplitCrLf(text).size(), 1u);
        // Such a file cannot be loaded back.
        CsvLoadResult loaded = LoadCsvFile(path, SettingsForModel(1));
        EXPECT_FALSE(loaded.ok);
        EXPECT_EQ(loaded.message, "This is not a CSV file!");
    }
}

TEST(CsvExport, Model2BuildsMinMaxPairsInTimeOrder) {
    // 512k record, trigger position 250: trigger sample 262144, the window starts 256000 before it.
    const std::size_t n = 524288;
    std::vector<std::uint16_t> record(n, 100);
    const std::size_t first = 262144 - 256000;
    for (std::size_t g = 0; g < 5120; ++g) {
        const std::size_t base = first + g * 100;
        if (g % 2 == 0) {
            record[base + 3] = 5; // minimum first
            record[base + 7] = 200;
        } else {
            record[base + 2] = 250; // maximum first
            record[base + 90] = 1;
        }
    }
    record[first + 4 * 100 + 50] = 0xFFFF; // -1 as a signed sample: the new minimum of group 4
    std::vector<std::uint16_t> out = BuildModel2ExportRecord(record, 250);
    ASSERT_EQ(out.size(), 10240u);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[1], 200);
    EXPECT_EQ(out[2], 250);
    EXPECT_EQ(out[3], 1);
    // Group 4: minimum -1 at 50 comes after the maximum at 7, so the maximum is first.
    EXPECT_EQ(out[8], 200);
    EXPECT_EQ(out[9], 0xFFFF);
    EXPECT_EQ(out[10238], 250);
    EXPECT_EQ(out[10239], 1);
}

TEST(CsvExport, Model2FlatGroupsAndShortRecordsStayInside) {
    std::vector<std::uint16_t> flat(10240, 42);
    EXPECT_EQ(BuildModel2ExportRecord(flat, 0), flat); // a 10k record is exported as it is
    // A 32k record cannot fill a 512,000-sample window: the missing samples count as 0.
    std::vector<std::uint16_t> shortRecord(32768, 42);
    std::vector<std::uint16_t> out = BuildModel2ExportRecord(shortRecord, 0);
    ASSERT_EQ(out.size(), 10240u);
    EXPECT_EQ(out[0], 42); // first group lies inside: all equal, so (max, min)
    EXPECT_EQ(out[1], 42);
    EXPECT_EQ(out[10239], 0);

    TempDir dir;
    InstrumentSettings settings = SettingsForModel(2);
    settings.ch(kCh1).recordLength = 524288;
    std::vector<std::uint16_t> big(524288, 191);
    CsvSaveResult result = SaveCsvFile(dir.File("m2.csv"), settings, 0, big);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.newDecimationSpan, 25000);
    const std::vector<std::string> lines = SplitCrLf(ReadAll(dir.File("m2.csv")));
    ASSERT_EQ(lines.size(), 10242u);
    EXPECT_EQ(lines[1], "#SIZE=10240");
}

TEST(CsvLoad, RoundTripFromCh2IntoCh1CompletesTheLoad) {
    TempDir dir;
    InstrumentSettings settings = SettingsForModel(1);
    settings.timebase.timeDivIndex = 20; // row 21: 20.0ms
    settings.timebase.bufferSizeIndex = 0;
    settings.ch(kCh1).zeroLevel = 100.0f;
    settings.ch(kCh2).zeroLevel = 100.0f;
    std::vector<std::uint16_t> record(32768);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint16_t>(i % 256);
    }
    settings.ch(kCh2).recordLength = 32768;
    const std::string path = dir.File("Wave.CSV"); // the extension test ignores case
    ASSERT_TRUE(SaveCsvFile(path, settings, 1, record).ok);

    InstrumentSettings target = settings;
    target.timebase.timeDivIndex = 5;
    CsvLoadResult loaded = LoadCsvFile(path, target);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(loaded.timeDivIndex, 20);
    EXPECT_EQ(loaded.pointCount, 32768u);
    EXPECT_EQ(loaded.samples, record);

    CsvLoadCompletion plan = PlanCsvLoadCompletion(target, loaded.pointCount);
    EXPECT_EQ(plan.bufferSizeIndex, 3);
    EXPECT_TRUE(plan.switchCh2Off);
}

TEST(CsvLoad, ClockLineSelectsTheFirstTimeBaseWithinANanosecond) {
    TempDir dir;
    const std::string path = dir.File("c.csv");
    struct Case {
        std::string clock;
        int expected;
    };
    // Offset 1: timeDivIndex i shows row i + 1.
    const Case cases[] = {
        {"0.000040000", 12},       // 40.0us
        {"  0.400000000 \t ", 24}, // 400ms, blanks around the number
        {"3600.000000000", 37},    // 1.00h, the slowest selector entry
        {"0.000000004", 0},        // 4.00ns
        {"0.0000000045", 0},       // within 1 ns of 4 ns
        {"0.000000123", 0},        // matches nothing
        {"0.000000000", 0},        // 0 s is not a time base of the selector
        {"abc", 0},                // does not parse: 0
    };
    for (const Case& c : cases) {
        WriteAll(path, CsvText(c.clock, 10240, 10240));
        CsvLoadResult loaded = LoadCsvFile(path, SettingsForModel(1));
        EXPECT_TRUE(loaded.ok) << c.clock;
        EXPECT_EQ(loaded.timeDivIndex, c.expected) << c.clock;
    }
    // A model without the offset lists 2.00ns first.
    InstrumentSettings model4 = SettingsForModel(4);
    model4.timebase.timeDivOffset = 0;
    WriteAll(path, CsvText("0.000000002", 10240, 10240));
    EXPECT_EQ(LoadCsvFile(path, model4).timeDivIndex, 0);
    WriteAll(path, CsvText("0.000000004", 10240, 10240));
    EXPECT_EQ(LoadCsvFile(path, model4).timeDivIndex, 1);
}

TEST(CsvLoad, RefusalsKeepCh1AsItWas) {
    TempDir dir;
    InstrumentSettings settings = SettingsForModel(1);

    CsvLoadResult wrong = LoadCsvFile(dir.File("wave.txt"), settings);
    EXPECT_FALSE(wrong.ok);
    EXPECT_EQ(wrong.message, "This is not a CSV file!");

    CsvLoadResult missing = LoadCsvFile(dir.File("none.csv"), settings);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.message, std::string("Can not open file: ") + std::strerror(ENOENT));

    // Only the two record lengths load, and only with a line for every point announced.
    const std::string path = dir.File("d.csv");
    struct Case {
        std::string count;
        int lines;
        bool ok;
    };
    const Case cases[] = {
        {"10240", 10240, true},  {"10240", 10239, false},  {"10239", 10239, false}, {"10241", 10241, false},
        {"32768", 32768, true},  {"32768", 32767, false},  {"32767", 32767, false}, {"32769", 32769, false},
        {"+10240", 10240, true}, {"-10240", 10240, false}, {"14336", 14336, false}, {"0", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count + " with " + std::to_string(c.lines) + " lines");
        std::string text = "#CLOCK=0.001000000\r\n#SIZE=" + c.count + "\r\n";
        for (int i = 0; i < c.lines; ++i) {
            text += "0.5,0,0\r\n";
        }
        WriteAll(path, text);
        CsvLoadResult loaded = LoadCsvFile(path, settings);
        EXPECT_EQ(loaded.ok, c.ok);
        EXPECT_EQ(loaded.message, c.ok ? "" : "This is not a CSV file!");
        EXPECT_EQ(loaded.pointCount, c.ok ? static_cast<std::uint32_t>(c.lines) : 0u);
    }
    WriteAll(path, "");
    EXPECT_EQ(LoadCsvFile(path, settings).message, "This is not a CSV file!");
}

TEST(CsvLoad, ValuesConvertWithCh1ScaleAndBadNumbersReadAsZeroVolts) {
    TempDir dir;
    InstrumentSettings settings = SettingsForModel(1); // CH1 1.00V/div, zero 64: 0 V is code 191
    std::string text = "#CLOCK=0.000040000\n#SIZE= 10240 \n";
    text += "  1.0,0,0\n"; // code 223
    text += "\t-0.5\n";    // code 175
    text += "junk,0,0\n";  // 0 V
    text += "+1.0,0,0\n";  // code 223
    text += "-.5,0,0\n";   // code 175
    text += "- 1,0,0\n";   // a sign without a number: 0 V
    text += "+-1,0,0\n";   // 0 V
    text += "1e4,0,0\n";   // far above the screen: saturates at 32767
    text += "-1e6,0,0\n";  // saturates at -32768
    for (int i = 9; i < 10240; ++i) {
        text += "0.03125,0,0\n";
    }
    WriteAll(dir.File("e.csv"), text);
    CsvLoadResult loaded = LoadCsvFile(dir.File("e.csv"), settings);
    ASSERT_TRUE(loaded.ok);
    ASSERT_EQ(loaded.samples.size(), 10240u);
    EXPECT_EQ(loaded.samples[0], 223);
    EXPECT_EQ(loaded.samples[1], 175);
    EXPECT_EQ(loaded.samples[2], 191);
    EXPECT_EQ(loaded.samples[3], 223);
    EXPECT_EQ(loaded.samples[4], 175);
    EXPECT_EQ(loaded.samples[5], 191);
    EXPECT_EQ(loaded.samples[6], 191);
    EXPECT_EQ(loaded.samples[7], 32767);
    EXPECT_EQ(loaded.samples[8], 0x8000);
    EXPECT_EQ(loaded.samples[9], 192);

    // Completion on model 2 always needs the 10k buffer; other models leave the buffer alone.
    InstrumentSettings model2 = SettingsForModel(2);
    model2.timebase.bufferSizeIndex = 5;
    EXPECT_EQ(PlanCsvLoadCompletion(model2, 32768).bufferSizeIndex, 0);
    InstrumentSettings model4 = SettingsForModel(4);
    model4.timebase.bufferSizeIndex = 2;
    EXPECT_EQ(PlanCsvLoadCompletion(model4, 10240).bufferSizeIndex, -1);
    settings.ch(kCh2).enabled = 0;
    EXPECT_FALSE(PlanCsvLoadCompletion(settings, 10240).switchCh2Off);
    EXPECT_EQ(PlanCsvLoadCompletion(settings, 10240).bufferSizeIndex, -1); // already 10k
}

} // namespace
} // namespace tarnix
