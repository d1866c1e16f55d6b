#include "model/instrument_settings.h"
#include "model/model_table.h"

#include <gtest/gtest.h>

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

// Model 1 at the edges of each part of its table: the fixed fast rows, the first and last row whose
// rate depends on the buffer (10k, 32k, any other size), and the first and last slow row.
TEST(SamplingRateLabel, ModelOneAtTheEdgesOfEachPartOfTheTable) {
    struct Row {
        int row, buffer, code;
        const char* label;
    };
    const Row rows[] = {
        {0, 0, kOneChannel, ""},         {1, 0, kOneChannel, "150MS/s"},   {1, 3, kBoth, "75MS/s"},
        {10, 6, kOneChannel, "150MS/s"}, {10, 0, kBoth, "75MS/s"},         {11, 0, kOneChannel, "75MS/s"},
        {12, 0, kBoth, "50MS/s"},        {12, 3, kBoth, "150MS/s"},        {12, 5, kOneChannel, "150MS/s"},
        {13, 0, kBoth, "25MS/s"},        {13, 3, kOneChannel, "75MS/s"},   {13, 1, kBoth, "150MS/s"},
        {18, 4, kBoth, "3MS/s"},         {25, 0, kBoth, "2.5KS/s"},        {25, 3, kBoth, "7.5KS/s"},
        {25, 2, kOneChannel, "15KS/s"},  {26, 0, kBoth, "50S/s"},          {26, 6, kOneChannel, "50S/s"},
        {32, 3, kBoth, "0.83S/s"},       {38, 0, kOneChannel, "0.014S/s"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SamplingRateLabel(1, r.row, r.buffer, r.code, kTrigCh1), r.label)
            << "row " << r.row << " buffer " << r.buffer << " code " << r.code;
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
