#include "model/instrument_settings.h"
#include "model/model_table.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace tarnix {
namespace {

constexpr int kOneChannel = 0; // channel code: CH1 only
constexpr int kBoth = 2;

TEST(ModelTable, Rows) {
    struct Expected {
        int offset, defaultIndex;
        std::uint32_t capacity;
        int calibrationMax;
        bool labels;
    };
    const Expected expected[] = {{1, 12, 65536, 10, true},   {1, 12, 65536, 10, true},
                                 {1, 12, 1048576, 20, true}, {1, 12, 0, -1, false},
                                 {0, 13, 0, -1, false},      {0, 13, 0, -1, false}};
    for (int m = 0; m < kModelCount; ++m) {
        SCOPED_TRACE(m);
        const ModelInfo& info = ModelTable(m);
        EXPECT_EQ(info.timeDivOffset, expected[m].offset);
        EXPECT_EQ(info.defaultTimeDivIndex, expected[m].defaultIndex);
        EXPECT_EQ(info.sampleCapacity, expected[m].capacity);
        EXPECT_EQ(ModelSampleCapacity(m), expected[m].capacity);
        EXPECT_EQ(info.calibrationLevelMax, expected[m].calibrationMax);
        EXPECT_EQ(info.hasRateLabels, expected[m].labels);
        // Every model's default lands on 40.0us/div.
        EXPECT_EQ(TimePerDivLabel(info.defaultTimeDivIndex + info.timeDivOffset), "40.0us");
        // The fast-model capabilities go together.
        const bool fast = m >= 4;
        EXPECT_EQ(info.offersVolts10, fast);
        EXPECT_EQ(info.offersPulse, fast);
        EXPECT_EQ(info.offers2ns, fast);
        EXPECT_EQ(info.offersEts, fast);
    }
    EXPECT_EQ(&ModelTable(6), &ModelTable(1));
    EXPECT_EQ(&ModelTable(-1), &ModelTable(1));
    EXPECT_FALSE(kPeakDetectOffered);
}

TEST(ModelTable, BufferSizesAndExt10) {
    // Offered buffer sizes as a string of the seven indexes, 10k..1M.
    const char* offered[] = {"1001100", "1001100", "1000011", "1111111", "1110000", "1000011"};
    const bool ext10[] = {false, true, true, true, false, true};
    for (int m = 0; m < kModelCount; ++m) {
        std::string got;
        for (int b = 0; b < kBufferSizeCount; ++b) {
            got += IsBufferSizeOffered(m, b) ? '1' : '0';
        }
        EXPECT_EQ(got, offered[m]) << m;
        EXPECT_EQ(ModelTable(m).offersExt10, ext10[m]) << m;
        EXPECT_FALSE(IsBufferSizeOffered(m, 7));
        EXPECT_FALSE(IsBufferSizeOffered(m, -1));
    }
}

// Model 1's table: rows 12..25 by buffer column (b = 0, b = 3, other b).
const std::array<std::array<const char*, 3>, 14> kModel1Middle = {{
    {"50MS/s", "150MS/s", "150MS/s"},  // 12
    {"25MS/s", "75MS/s", "150MS/s"},   // 13
    {"10MS/s", "25MS/s", "50MS/s"},    // 14
    {"5MS/s", "10MS/s", "25MS/s"},     // 15
    {"2.5MS/s", "7.5MS/s", "10MS/s"},  // 16
    {"1MS/s", "3MS/s", "6MS/s"},       // 17
    {"500KS/s", "1.5MS/s", "3MS/s"},   // 18
    {"250KS/s", "750KS/s", "1.5MS/s"}, // 19
    {"100KS/s", "300KS/s", "600KS/s"}, // 20
    {"50KS/s", "150KS/s", "300KS/s"},  // 21
    {"25KS/s", "75KS/s", "150KS/s"},   // 22
    {"10KS/s", "30KS/s", "60KS/s"},    // 23
    {"5KS/s", "15KS/s", "30KS/s"},     // 24
    {"2.5KS/s", "7.5KS/s", "15KS/s"},  // 25
}};
const std::array<const char*, 13> kModel1Slow = {"50S/s",    "25S/s",    "12.5S/s", "5S/s",    "2.5S/s",
                                                 "1.25S/s",  "0.83S/s",  "0.42S/s", "0.21S/s", "0.083S/s",
                                                 "0.042S/s", "0.021S/s", "0.014S/s"};

std::string Model1Expected(int row, int buffer, bool both) {
    if (row == 0) {
        return "";
    }
    if (row <= 10) {
        return both ? "75MS/s" : "150MS/s";
    }
    if (row == 11) {
        return "75MS/s";
    }
    if (row <= 25) {
        const int column = buffer == 0 ? 0 : buffer == 3 ? 1 : 2;
        return kModel1Middle[static_cast<std::size_t>(row - 12)][static_cast<std::size_t>(column)];
    }
    return kModel1Slow[static_cast<std::size_t>(row - 26)];
}

TEST(SamplingRateLabel, EveryRowOfModelOneAtBothChannelStatesAndEveryBuffer) {
    for (int row = 0; row <= 38; ++row) {
        for (int buffer = 0; buffer < kBufferSizeCount; ++buffer) {
            for (bool both : {false, true}) {
                const int code = both ? kBoth : kOneChannel;
                EXPECT_EQ(SamplingRateLabel(1, row, buffer, code, kTrigCh1),
                          Model1Expected(row, buffer, both))
                    << "row " << row << " buffer " << buffer << " both " << both;
            }
        }
    }
}

TEST(SamplingRateLabel, BothChannelsMeansCodeTwoWithoutAlt) {
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, 2, kTrigCh2), "75MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, 2, kTrigExt), "75MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, 2, kTrigAlt), "150MS/s"); // ALT samples one channel at a time
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, 3, kTrigCh2), "150MS/s"); // only CH2
    EXPECT_EQ(SamplingRateLabel(1, 1, 0, 2, kTrigCh1), "75MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 10, 0, 0, kTrigCh1), "150MS/s");
}

TEST(SamplingRateLabel, OutOfTableRows) {
    EXPECT_EQ(SamplingRateLabel(1, -1, 0, 0, 0), "0.00S/s");
    EXPECT_EQ(SamplingRateLabel(1, 39, 0, 0, 0), "0.00S/s");
    EXPECT_EQ(SamplingRateLabel(1, 0, 0, 0, 0), "");
}

TEST(SamplingRateLabel, ModelsZeroAndTwoAndUnlabelledModels) {
    EXPECT_EQ(SamplingRateLabel(0, 1, 0, kOneChannel, kTrigCh1), "100MS/s");
    EXPECT_EQ(SamplingRateLabel(0, 10, 0, kBoth, kTrigCh1), "50MS/s");
    EXPECT_EQ(SamplingRateLabel(0, 11, 0, kOneChannel, kTrigCh1), "50MS/s");
    EXPECT_EQ(SamplingRateLabel(2, 1, 0, kOneChannel, kTrigCh1), "250MS/s");
    EXPECT_EQ(SamplingRateLabel(2, 10, 0, kBoth, kTrigCh1), "125MS/s");
    // Model 0 cannot report more than its own fastest rate.
    EXPECT_EQ(SamplingRateLabel(0, 12, 3, kOneChannel, kTrigCh1), "100MS/s");
    EXPECT_EQ(SamplingRateLabel(0, 14, 0, kOneChannel, kTrigCh1), "10MS/s");
    for (int model : {3, 4, 5, 6, -1}) {
        EXPECT_EQ(SamplingRateLabel(model, 5, 0, 0, 0), "") << model;
        EXPECT_EQ(SamplingRateLabel(model, 40, 0, 0, 0), "") << model;
    }
}

} // namespace
} // namespace tarnix
