#include "files/ref_file.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "files/file_io.h"
#include "model/safe_file.h"

namespace tarnix {

namespace {

constexpr const char* kNotRfc = "This is not a reference file!";
constexpr const char* kNotRef = "This is not a ref file!";
constexpr std::size_t kMaxRefTextBytes = 64u * 1024u * 1024u;
// The old format reads each line into a 255-character buffer.
constexpr std::size_t kRefLineChars = 255;

bool ValidPosition(float position) {
    return std::isfinite(position) && position >= 0.0f && position <= 255.0f;
}

std::string_view Clip(std::string_view line) {
    return line.substr(0, std::min(line.size(), kRefLineChars));
}

} // namespace

bool RefHeaderInRange(const RefHeader& header, int timeDivOffset, std::size_t capacity) {
    const int lastTimeDiv = kTimePerDivCount - 1 - std::clamp(timeDivOffset, 0, 1);
    return ValidPosition(header.position) && ValidPosition(header.storedPosition) &&
           header.voltsPerDivIndex < kVoltsPerDivCount && header.recordLength >= 1 &&
           static_cast<std::size_t>(header.recordLength) <= capacity && header.decimationSpan >= 1 &&
           header.decimationSpan <= kMaxDecimationSpan && header.timeDivIndex <= lastTimeDiv &&
           header.horizontalPosition <= 500;
}

FileResult SaveRefFile(const std::string& path, const InstrumentSettings& settings, std::uint16_t saveChannel,
                       std::span<const std::uint16_t> processedRecord, std::int32_t decimationSpan) {
    const ChannelSettings& channel = settings.ch(saveChannel == 0 ? kCh1 : kCh2);
    const std::size_t count = std::min<std::size_t>(channel.recordLength, processedRecord.size());
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kRfcHeaderBytes + 2 * count);
    ByteWriter out(bytes);
    out.F32(channel.zeroLevel);
    out.U16(channel.voltsPerDivIndex);
    out.I32(static_cast<std::int32_t>(count));
    out.I32(decimationSpan);
    out.U16(settings.timebase.timeDivIndex);
    out.U16(settings.timebase.horizontalPosition);
    out.U16Array(processedRecord.first(count));
    if (int error = WriteFileSafely(path, bytes); error != 0) {
        return FileResult::Refused(CannotSaveMessage(error));
    }
    return FileResult::Success();
}

RefLoadResult LoadRfcFile(const std::string& path, const InstrumentSettings& settings,
                          std::span<std::uint16_t> refSamples) {
    RefLoadResult result;
    if (!HasExtension(path, ".rfc")) {
        result.message = kNotRfc;
        return result;
    }
    FileBytes file = ReadFileBytes(path, kRfcHeaderBytes + 2 * refSamples.size());
    if (!file.ok) {
        result.message = file.tooLarge ? kNotRfc : CannotOpenMessage(file.errorNumber);
        return result;
    }
    ByteReader in(file.bytes);
    RefHeader& header = result.header;
    header.position = in.F32();
    header.storedPosition = header.position;
    header.voltsPerDivIndex = in.U16();
    header.recordLength = in.I32();
    header.decimationSpan = in.I32();
    header.timeDivIndex = in.U16();
    header.horizontalPosition = in.U16();
    if (in.Failed() || !RefHeaderInRange(header, settings.timebase.timeDivOffset, refSamples.size())) {
        result.message = kNotRfc;
        return result;
    }
    result.samplesRead = in.U16Array(refSamples.first(static_cast<std::size_t>(header.recordLength)));
    result.ok = true;
    return result;
}

RefLoadResult LoadOldRefFile(const std::string& path, const InstrumentSettings& settings,
                             std::span<std::uint16_t> refSamples) {
    RefLoadResult result;
    if (!HasExtension(path, ".ref")) {
        result.message = kNotRef;
        return result;
    }
    FileBytes file = ReadFileBytes(path, kMaxRefTextBytes);
    if (!file.ok) {
        result.message = file.tooLarge ? kNotRef : CannotOpenMessage(file.errorNumber);
        return result;
    }
    const std::string_view text(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size());
    const std::vector<std::string_view> lines = SplitLines(text);
    auto value = [&](std::size_t line) { return ParseLeadingInt(Clip(lines[line])); };
    if (lines.empty()) {
        result.message = kNotRef;
        return result;
    }

    RefHeader& header = result.header;
    std::size_t firstSample = 0;
    std::size_t count = 0;
    const int first = value(0);
    if (first > 255) {
        // Layout A: N, N samples, time base, volts/div, trigger position / 5, position, decimation span.
        count = static_cast<std::size_t>(first);
        firstSample = 1;
        if (count > refSamples.size() || lines.size() < 1 + count + 5) {
            result.message = kNotRef;
            return result;
        }
        const std::size_t tail = 1 + count;
        header.timeDivIndex = static_cast<std::uint16_t>(std::clamp(value(tail), 0, 0xFFFF));
        header.voltsPerDivIndex = static_cast<std::uint16_t>(std::clamp(value(tail + 1), 0, 0xFFFF));
        header.horizontalPosition = static_cast<std::uint16_t>(std::clamp(value(tail + 2), 0, 0x3333) * 5);
        header.position = static_cast<float>(value(tail + 3));
        header.decimationSpan = value(tail + 4);
    } else {
        // Layout B: samples from the first line on, up to a line holding a "."; then volts/div, trigger
        // position / 5 and position. The time base is the current one.
        std::size_t end = 1;
        while (end < lines.size() && Clip(lines[end]).find('.') == std::string_view::npos) {
            ++end;
        }
        count = end;
        if (end >= lines.size() || count > refSamples.size() || lines.size() < end + 4) {
            result.message = kNotRef;
            return result;
        }
        header.voltsPerDivIndex = static_cast<std::uint16_t>(std::clamp(value(end + 1), 0, 0xFFFF));
        header.horizontalPosition = static_cast<std::uint16_t>(std::clamp(value(end + 2), 0, 0x3333) * 5);
        header.position = static_cast<float>(value(end + 3));
        header.timeDivIndex = settings.timebase.timeDivIndex;
        header.decimationSpan = kOldRefDecimationSpan;
    }
    header.storedPosition = header.position;
    header.recordLength = static_cast<std::int32_t>(count);
    if (!RefHeaderInRange(header, settings.timebase.timeDivOffset, refSamples.size())) {
        result.message = kNotRef;
        return result;
    }
    for (std::size_t i = 0; i < count; ++i) {
        // Stored as a 16-bit value, as the old program did.
        refSamples[i] = static_cast<std::uint16_t>(value(firstSample + i));
    }
    result.samplesRead = count;
    result.ok = true;
    return result;
}

void ApplyRefLoad(const RefHeader& header, InstrumentSettings& settings, ReferenceInfo& info) {
    ChannelSettings& ref = settings.ch(kRef);
    ref.zeroLevel = header.position;
    ref.voltsPerDivIndex = header.voltsPerDivIndex;
    ref.recordLength = static_cast<std::uint32_t>(header.recordLength);
    ref.enabled = 1;
    info.storedPosition = header.storedPosition;
    info.decimationSpan = header.decimationSpan;
    info.timeDivIndex = header.timeDivIndex;
    info.horizontalPosition = header.horizontalPosition;
    info.empty = 0;
}

} // namespace tarnix
