// The pure parts of the document's setters: which values an enumerated setter accepts, and how a stored
// setting becomes the value the hardware block carries. The document stores, calls the driver and
// notifies; these functions decide.
#pragma once

#include <cstdint>

namespace tarnix {

// Enumerated fields of the settings record. A setter ignores a value outside the field's range and keeps
// the old one.
enum class EnumeratedField {
    kCoupling,        // 0..2
    kProbe,           // 0..3
    kVoltsPerDiv,     // 0..9
    kFilterMode,      // 0..2
    kInterpolation,   // 0..2
    kMathOperator,    // 0..3
    kMathSource,      // 0..1
    kTriggerSource,   // 0..4
    kTriggerMode,     // 0..1
    kSweep,           // 0..2
    kSlope,           // 0..1
    kDisplayFormat,   // 0..2
    kTimeDiv,         // 0..38, whatever the model's offset
    kBufferSize,      // 0..6
    kSamplingMode,    // 0..1
    kAcquisitionMode, // 0..2
};

// Number of values the field takes (its values are 0 .. count - 1).
int ValueCount(EnumeratedField field);
bool IsInRange(EnumeratedField field, int value);
// Stores `value` into `target` when it is in range; returns whether it did.
bool StoreIfInRange(std::uint16_t& target, EnumeratedField field, int value);

// Channel code of the hardware block: 2 with CH1 and CH2 on, 3 with only CH2 on, 0 otherwise.
std::uint16_t ChannelCode(bool ch1Enabled, bool ch2Enabled);

// A channel's zero level as the block takes it: clamped to 0..255, then truncated.
std::uint16_t ZeroLevelToBlock(float zeroLevel);
// A channel trigger level as the block takes it: truncated toward zero and not clamped, so a level off
// the code scale reaches the 16-bit block field as its low 16 bits (-1 becomes 65535).
std::uint16_t TriggerLevelToBlock(float level);
// The EXT trigger level as the block takes it: clamped to 0..255, then truncated.
std::uint16_t ExtLevelToBlock(float level);
// Horizontal position (1/50 division, 0..500) as the block's percent: 0 below 0, 100 above 500, else
// position / 5 with integer division.
std::uint16_t HorizontalPositionToBlock(std::int16_t position);

// Time/div one step faster: down by one while above 0. One step slower: up by one while below
// 38 - timeDivOffset. Both return the index to store.
int StepTimeDivFaster(int timeDivIndex);
int StepTimeDivSlower(int timeDivIndex, int timeDivOffset);

// Averaging keeps 1..128 frames.
inline constexpr int kMaxAverageCount = 128;

} // namespace tarnix
