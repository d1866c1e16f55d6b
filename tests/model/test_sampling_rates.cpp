#include "model/instrument_settings.h"
#include "model/model_table.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnix {
namespace {

TEST(ModelTable, Rows) {
    const struct {
        int offset, defaultIndex;
        std::uint32_t capacity;
        int calibrationMax;
        bool labels, ext10;
        const char* buffers; // offered buffer sizes by index, 10k..1M
    } expected[] = {{1, 12, 65536, 10, true, false, "1001100"},  {1, 12, 65536, 10, true, true, "1001100"},
                    {1, 12, 1048576, 20, true, true, "1000011"}, {1, 12, 0, -1, false, true, "1111111"},
                    {0, 13, 0, -1, false, false, "1110000"},     {0, 13, 0, -1, false, true, "1000011"}};
    for (int m = 0; m < kModelCount; ++m) {
        SCOPED_TRACE(m);
        const ModelInfo& info = ModelTable(m);
        EXPECT_EQ(info.timeDivOffset, expected[m].offset);
        EXPECT_EQ(info.defaultTimeDivIndex, expected[m].defaultIndex);
        EXPECT_EQ(ModelSampleCapacity(m), expected[m].capacity);
        EXPECT_EQ(info.calibrationLevelMax, expected[m].calibrationMax);
        EXPECT_EQ(info.hasRateLabels, expected[m].labels);
        EXPECT_EQ(info.offersExt10, expected[m].ext10);
        std::string buffers;
        for (int b = 0; b < kBufferSizeCount; ++b) {
            buffers += IsBufferSizeOffered(m, b) ? '1' : '0';
        }
        EXPECT_EQ(buffers, expected[m].buffers);
        EXPECT_FALSE(IsBufferSizeOffered(m, -1));
        EXPECT_FALSE(IsBufferSizeOffered(m, kBufferSizeCount));
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
}

constexpr int kOneChannel = 0; // channel code: CH1 only
constexpr int kBoth = 2;

// Model 1 at the edges of each part of its table: the fixed fast rows, the first and last row whose
// rate depends on the buffer (10k, 32k, any other size), and the first and last slow row; then how
// the channels count (ALT samples one channel at a time; code 3 is CH2 alone), rows outside the table,
// and the models with other or no labels (model 0 is capped at its own fastest rate).
TEST(SamplingRateLabel, AtTheEdgesOfEachPartOfTheTable) {
    struct Row {
        int model, row, buffer, code;
        const char* label;
    };
    const Row rows[] = {{1, 0, 0, kOneChannel, ""},
                        {1, 1, 0, kOneChannel, "150MS/s"},
                        {1, 1, 3, kBoth, "75MS/s"},
                        {1, 10, 6, kOneChannel, "150MS/s"},
                        {1, 10, 0, kBoth, "75MS/s"},
                        {1, 11, 0, kOneChannel, "75MS/s"},
                        {1, 12, 0, kBoth, "50MS/s"},
                        {1, 12, 3, kBoth, "150MS/s"},
                        {1, 12, 5, kOneChannel, "150MS/s"},
                        {1, 13, 0, kBoth, "25MS/s"},
                        {1, 13, 3, kOneChannel, "75MS/s"},
                        {1, 13, 1, kBoth, "150MS/s"},
                        {1, 18, 4, kBoth, "3MS/s"},
                        {1, 25, 0, kBoth, "2.5KS/s"},
                        {1, 25, 3, kBoth, "7.5KS/s"},
                        {1, 25, 2, kOneChannel, "15KS/s"},
                        {1, 26, 0, kBoth, "50S/s"},
                        {1, 26, 6, kOneChannel, "50S/s"},
                        {1, 32, 3, kBoth, "0.83S/s"},
                        {1, 38, 0, kOneChannel, "0.014S/s"},
                        {1, -1, 0, 0, "0.00S/s"},
                        {1, 39, 0, 0, "0.00S/s"},
                        {0, 1, 0, kOneChannel, "100MS/s"},
                        {0, 10, 0, kBoth, "50MS/s"},
                        {0, 11, 0, kOneChannel, "50MS/s"},
                        {0, 12, 3, kOneChannel, "100MS/s"},
                        {0, 14, 0, kOneChannel, "10MS/s"},
                        {2, 1, 0, kOneChannel, "250MS/s"},
                        {2, 10, 0, kBoth, "125MS/s"},
                        {3, 5, 0, 0, ""},
                        {4, 40, 0, 0, ""},
                        {6, 5, 0, 0, ""},
                        {-1, 5, 0, 0, ""}};
    for (const auto& r : rows) {
        EXPECT_EQ(SamplingRateLabel(r.model, r.row, r.buffer, r.code, kTrigCh1), r.label)
            << "model " << r.model << " row " << r.row << " buffer " << r.buffer << " code " << r.code;
    }
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, kBoth, kTrigCh2), "75MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, kBoth, kTrigExt), "75MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, kBoth, kTrigAlt), "150MS/s");
    EXPECT_EQ(SamplingRateLabel(1, 5, 0, 3, kTrigCh2), "150MS/s");
}

} // namespace
} // namespace tarnix
