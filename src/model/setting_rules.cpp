// Pure parts of the setters.
#include "model/setting_rules.h"

#include "model/instrument_settings.h"

#include <algorithm>
#include <cmath>

namespace tarnix {

int ValueCount(EnumeratedField field) {
    switch (field) {
    case EnumeratedField::kCoupling:
        return 3;
    case EnumeratedField::kProbe:
        return 4;
    case EnumeratedField::kVoltsPerDiv:
        return kVoltsPerDivCount;
    case EnumeratedField::kFilterMode:
        return 3;
    case EnumeratedField::kInterpolation:
        return 3;
    case EnumeratedField::kMathOperator:
        return 4;
    case EnumeratedField::kMathSource:
        return 2;
    case EnumeratedField::kTriggerSource:
        return kTriggerSourceCount;
    case EnumeratedField::kTriggerMode:
        return 2;
    case EnumeratedField::kSweep:
        return 3;
    case EnumeratedField::kSlope:
        return 2;
    case EnumeratedField::kDisplayFormat:
        return 3;
    case EnumeratedField::kTimeDiv:
        return kTimePerDivCount;
    case EnumeratedField::kBufferSize:
        return kBufferSizeCount;
    case EnumeratedField::kSamplingMode:
        return 2;
    case EnumeratedField::kAcquisitionMode:
        return 3;
    }
    return 0;
}

bool IsInRange(EnumeratedField field, int value) {
    return value >= 0 && value < ValueCount(field);
}

bool StoreIfInRange(std::uint16_t& target, EnumeratedField field, int value) {
    if (!IsInRange(field, value)) {
        return false;
    }
    target = static_cast<std::uint16_t>(value);
    return true;
}

std::uint16_t ChannelCode(bool ch1Enabled, bool ch2Enabled) {
    if (ch1Enabled && ch2Enabled) {
        return 2;
    }
    if (ch2Enabled) {
        return 3;
    }
    return 0;
}

namespace {

std::uint16_t ClampToCodeScale(float level) {
    if (std::isnan(level)) {
        return 0;
    }
    return static_cast<std::uint16_t>(static_cast<int>(std::clamp(level, 0.0f, 255.0f)));
}

} // namespace

std::uint16_t ZeroLevelToBlock(float zeroLevel) {
    return ClampToCodeScale(zeroLevel);
}

std::uint16_t TriggerLevelToBlock(float level) {
    return static_cast<std::uint16_t>(TruncateToInt(static_cast<double>(level)));
}

std::uint16_t ExtLevelToBlock(float level) {
    return ClampToCodeScale(level);
}

std::uint16_t HorizontalPositionToBlock(std::int16_t position) {
    if (position < 0) {
        return 0;
    }
    if (position > 500) {
        return 100;
    }
    return static_cast<std::uint16_t>(position / 5);
}

int StepTimeDivFaster(int timeDivIndex) {
    return timeDivIndex > 0 ? timeDivIndex - 1 : timeDivIndex;
}

int StepTimeDivSlower(int timeDivIndex, int timeDivOffset) {
    return timeDivIndex < kTimePerDivCount - 1 - timeDivOffset ? timeDivIndex + 1 : timeDivIndex;
}

} // namespace tarnix
