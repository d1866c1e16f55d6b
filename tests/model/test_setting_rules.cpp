#include "model/setting_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace tarnix {
namespace {

TEST(EnumeratedSetters, RangesAndIgnoredValues) {
    struct Case {
        EnumeratedField field;
        int count;
    };
    const Case cases[] = {
        {EnumeratedField::kCoupling, 3},      {EnumeratedField::kProbe, 4},
        {EnumeratedField::kVoltsPerDiv, 10},  {EnumeratedField::kFilterMode, 3},
        {EnumeratedField::kInterpolation, 3}, {EnumeratedField::kMathOperator, 4},
        {EnumeratedField::kMathSource, 2},    {EnumeratedField::kTriggerSource, 5},
        {EnumeratedField::kTriggerMode, 2},   {EnumeratedField::kSweep, 3},
        {EnumeratedField::kSlope, 2},         {EnumeratedField::kDisplayFormat, 3},
        {EnumeratedField::kTimeDiv, 39},      {EnumeratedField::kBufferSize, 7},
        {EnumeratedField::kSamplingMode, 2},  {EnumeratedField::kAcquisitionMode, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.field));
        EXPECT_EQ(ValueCount(c.field), c.count);
        EXPECT_TRUE(IsInRange(c.field, 0));
        EXPECT_FALSE(IsInRange(c.field, -1));
        std::uint16_t stored = 1;
        EXPECT_FALSE(StoreIfInRange(stored, c.field, c.count));
        EXPECT_FALSE(StoreIfInRange(stored, c.field, -65535)); // would wrap to 1 if cast before the test
        EXPECT_EQ(stored, 1);
        EXPECT_TRUE(StoreIfInRange(stored, c.field, c.count - 1));
        EXPECT_EQ(stored, c.count - 1);
    }
}

TEST(BlockFields, ChannelCodeLevelsAndPosition) {
    EXPECT_EQ(ChannelCode(true, true), 2);
    EXPECT_EQ(ChannelCode(false, true), 3);
    EXPECT_EQ(ChannelCode(true, false), 0);
    EXPECT_EQ(ChannelCode(false, false), 0);
    // The zero level is clamped to 0..255, then truncated.
    EXPECT_EQ(ZeroLevelToBlock(64.99f), 64);
    EXPECT_EQ(ZeroLevelToBlock(255.0f), 255);
    EXPECT_EQ(ZeroLevelToBlock(300.0f), 255);
    EXPECT_EQ(ZeroLevelToBlock(-0.5f), 0);
    EXPECT_EQ(ZeroLevelToBlock(std::numeric_limits<float>::quiet_NaN()), 0);
    // The trigger level is truncated toward zero, not clamped: -1 wraps in the 16-bit field.
    EXPECT_EQ(TriggerLevelToBlock(300.2f), 300);
    EXPECT_EQ(TriggerLevelToBlock(-0.9f), 0);
    EXPECT_EQ(TriggerLevelToBlock(-1.5f), 65535);
    EXPECT_EQ(ExtLevelToBlock(128.9f), 128);
    EXPECT_EQ(ExtLevelToBlock(400.0f), 255);
    EXPECT_EQ(ExtLevelToBlock(-3.0f), 0);
    // The horizontal position 0..500 goes as a percentage.
    EXPECT_EQ(HorizontalPositionToBlock(501), 100);
    EXPECT_EQ(HorizontalPositionToBlock(500), 100);
    EXPECT_EQ(HorizontalPositionToBlock(499), 99);
    EXPECT_EQ(HorizontalPositionToBlock(-5), 0);
}

TEST(TimeDivSteps, StopAtTheEndsOfTheModelsSelector) {
    EXPECT_EQ(StepTimeDivFaster(0), 0);
    EXPECT_EQ(StepTimeDivFaster(1), 0);
    EXPECT_EQ(StepTimeDivSlower(36, 1), 37); // offset 1: the last selector entry is 37
    EXPECT_EQ(StepTimeDivSlower(37, 1), 37);
    EXPECT_EQ(StepTimeDivSlower(37, 0), 38);
    EXPECT_EQ(StepTimeDivSlower(38, 0), 38);
}

} // namespace
} // namespace tarnix
