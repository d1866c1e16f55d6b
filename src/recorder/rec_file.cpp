#include "recorder/rec_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "files/file_io.h"
#include "model/safe_file.h"

namespace tarnix {

namespace {
constexpr const char* kNotRec = "This is not a record file!";
} // namespace

FileResult SaveRecFile(const std::string& path, const RecorderSettings& settings, const CFrameStore& store) {
    const int count = std::min<int>(settings.recordedCount, kRecorderFrames);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kRecHeaderBytes + static_cast<std::size_t>(count) * kFrameBytes);
    ByteWriter out(bytes);
    out.U16(settings.recordSource);
    out.U16(settings.voltsPerDivIndex);
    out.U16(settings.coupling);
    out.U16(settings.probe);
    out.U16(static_cast<std::uint16_t>(settings.bandwidthLimit & 0xFFFF));
    out.F32(settings.verticalPosition);
    out.U16(settings.timeDivIndex);
    out.I32(settings.reserved);
    out.U16(settings.horizontalPosition);
    out.U16(static_cast<std::uint16_t>(count));
    out.I16Array(store.Samples().first(static_cast<std::size_t>(count) * kFramePoints));
    if (int error = WriteFileSafely(path, bytes); error != 0) {
        return FileResult::Refused(CannotSaveMessage(error));
    }
    return FileResult::Success();
}

FileResult LoadRecFile(const std::string& path, RecorderSettings& settings, CFrameStore& store,
                       int timeDivOffset) {
    if (!HasExtension(path, ".rec")) {
        return FileResult::Refused(kNotRec);
    }
    // A file longer than 1000 frames is read only as far as the store reaches.
    FileBytes file = ReadFilePrefix(path, kRecHeaderBytes + kFrameStoreSamples * 2);
    if (!file.ok) {
        return FileResult::Refused(CouldNotOpenMessage(file.errorNumber));
    }

    ByteReader in(file.bytes);
    const std::uint16_t source = in.U16();
    const std::uint16_t voltsPerDiv = in.U16();
    const std::uint16_t coupling = in.U16();
    const std::uint16_t probe = in.U16();
    const std::uint16_t bandwidth = in.U16();
    const float position = in.F32();
    const std::uint16_t timeDiv = in.U16();
    const std::int32_t reserved = in.I32();
    const std::uint16_t horizontal = in.U16();
    const std::uint16_t count = in.U16();
    if (in.Failed()) {
        return FileResult::Refused(kNotRec); // shorter than its header
    }

    // The source is a signed field in files: 2 or more means CH2, a negative value CH1.
    settings.recordSource = static_cast<std::int16_t>(source) >= 1 ? 1 : 0;
    settings.voltsPerDivIndex = std::min<std::uint16_t>(voltsPerDiv, 9);
    settings.coupling = std::min<std::uint16_t>(coupling, 2);
    settings.probe = std::min<std::uint16_t>(probe, 3);
    settings.bandwidthLimit = std::min<std::uint16_t>(bandwidth, 1);
    settings.verticalPosition = std::isfinite(position) ? std::clamp(position, 0.0f, 255.0f) : 0.0f;
    settings.timeDivIndex =
        std::min<std::uint16_t>(timeDiv, static_cast<std::uint16_t>(38 - std::clamp(timeDivOffset, 0, 1)));
    settings.reserved = reserved;
    settings.horizontalPosition = std::min<std::uint16_t>(horizontal, 500);
    settings.recordedCount = std::min<std::uint16_t>(count, kRecorderFrames);
    in.I16Array(store.Samples().first(static_cast<std::size_t>(settings.recordedCount) * kFramePoints));
    return FileResult::Success();
}

} // namespace tarnix
