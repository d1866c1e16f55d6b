// Pass/Fail mask testing.
#include "analysis/pass_fail.h"

#include "model/instrument_settings.h"
#include "model/safe_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <unistd.h>

namespace tarnix {

namespace {

constexpr std::int16_t kMissingColumn = -1;

std::int16_t TracePoint(std::span<const std::int16_t> trace, int i) {
    return static_cast<std::size_t>(i) < trace.size() ? trace[static_cast<std::size_t>(i)] : kMissingColumn;
}

std::string FileError(std::string_view description) {
    return "Cann't save file: " + std::string(description);
}

bool EndsWithPsf(const std::string& path) {
    if (path.size() < kPsfExtension.size()) {
        return false;
    }
    const std::string_view tail = std::string_view(path).substr(path.size() - kPsfExtension.size());
    return std::equal(tail.begin(), tail.end(), kPsfExtension.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

void WriteU16(std::array<std::uint8_t, 10>& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// 1/4999 and 1/255 written out as the screen's scale factors, so pixel positions truncate the same way.
constexpr double kColumnScale = 0.00020004000800160032;
constexpr double kCodeScale = 0.00392156862745098;

void Region(const PassFailState& state, const std::array<std::int16_t, kMaskPoints>& limits, int left,
            int top, int right, int bottom, int edge, std::vector<MaskPoint>& out) {
    out.clear();
    const double kx = (right - left) * kColumnScale;
    const double ky = (bottom - top) * kCodeScale;
    const int h = state.horizontalTolerance;
    out.push_back({static_cast<int>(left + h * kx), edge});
    for (int j = h; j <= kMaskPoints - 1 - h; ++j) {
        const double y = top + (255 - limits[static_cast<std::size_t>(j)]) * ky;
        out.push_back({static_cast<int>(left + j * kx), static_cast<int>(y)});
    }
    out.push_back({static_cast<int>(left + (kMaskPoints - h) * kx), edge});
}

} // namespace

void BuildMask(std::span<const std::int16_t> trace, int horizontalPoints, int verticalSteps,
               std::array<std::int16_t, kMaskPoints>& upper, std::array<std::int16_t, kMaskPoints>& lower) {
    // Work in int: a no-data column (11111) plus the tolerance must not wrap before the final clamp.
    std::array<int, kMaskPoints> up{};
    std::array<int, kMaskPoints> down{};
    for (int i = 0; i < kMaskPoints; ++i) {
        const int s = TracePoint(trace, i);
        up[static_cast<std::size_t>(i)] = s + verticalSteps >= 256 ? 255 : s + verticalSteps;
        down[static_cast<std::size_t>(i)] = s - verticalSteps < 0 ? 0 : s - verticalSteps;
    }
    const int h = std::max(horizontalPoints, 0);
    auto widen = [&](int from, int to, int w) {
        for (int j = from; j <= to; ++j) {
            up[static_cast<std::size_t>(j)] = std::max(up[static_cast<std::size_t>(j)], w + verticalSteps);
            down[static_cast<std::size_t>(j)] =
                std::min(down[static_cast<std::size_t>(j)], w - verticalSteps);
        }
    };
    // Each point spreads its band over H columns either way; a side that would leave the record is
    // dropped whole, so the first and last H points widen one way only.
    for (int i = 0; i < kMaskPoints; ++i) {
        const int w = TracePoint(trace, i);
        if (i >= h) {
            widen(i - h, i, w);
        }
        if (i + h < kMaskPoints) {
            widen(i, i + h, w);
        }
    }
    for (int i = 0; i < kMaskPoints; ++i) {
        upper[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(std::clamp(up[static_cast<std::size_t>(i)], 0, 255));
        lower[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(std::clamp(down[static_cast<std::size_t>(i)], 0, 255));
    }
}

std::array<std::uint8_t, 10> EncodePsf(const PassFailState& state) {
    std::array<std::uint8_t, 10> bytes{};
    WriteU16(bytes, 0, state.source);
    WriteU16(bytes, 2, state.output);
    WriteU16(bytes, 4, static_cast<std::uint16_t>(static_cast<std::uint32_t>(state.stopWhenOutput) & 0xFFFF));
    WriteU16(bytes, 6, state.horizontalTolerance);
    WriteU16(bytes, 8, state.verticalTolerance);
    return bytes;
}

bool DecodePsf(std::span<const std::uint8_t> bytes, PassFailState& state) {
    if (bytes.size() != 10) {
        return false;
    }
    state.source = std::min<std::uint16_t>(ReadU16(bytes, 0), 1);
    state.output = std::min<std::uint16_t>(ReadU16(bytes, 2), kOutputPassBeep);
    state.stopWhenOutput = std::min<std::uint16_t>(ReadU16(bytes, 4), 1);
    state.horizontalTolerance = std::clamp<std::uint16_t>(ReadU16(bytes, 6), 1, kHorizontalPointsMax);
    state.verticalTolerance = std::clamp<std::uint16_t>(ReadU16(bytes, 8), 1, kVerticalPanelMax);
    return true;
}

std::string_view PassFailOutputLabel(int output) {
    switch (output) {
    case kOutputFail:
        return "FAIL";
    case kOutputFailBeep:
        return "FAIL + BEEPER";
    case kOutputPass:
        return "PASS";
    case kOutputPassBeep:
        return "PASS + BEEPER";
    default:
        return {};
    }
}

std::string_view PassFailSourceLabel(int source) {
    switch (source) {
    case 0:
        return "CH1";
    case 1:
        return "CH2";
    default:
        return {};
    }
}

CPassFail::CPassFail(IPassFailHost* host) : host_(host) {}

void CPassFail::Reset() {
    state_ = PassFailState{};
}

void CPassFail::CreateMask(const MaskSettings& settings, std::span<const std::int16_t> sourceTrace) {
    const int horizontal = std::clamp(settings.horizontalPanel, 1, kHorizontalPanelMax);
    state_.horizontalTolerance = static_cast<std::uint16_t>(horizontal * kPointsPerHorizontalUnit);
    state_.verticalTolerance =
        static_cast<std::uint16_t>(std::clamp(settings.verticalPanel, 1, kVerticalPanelMax));
    state_.source = static_cast<std::uint16_t>(std::clamp(settings.source, 0, 1));
    state_.output =
        static_cast<std::uint16_t>(std::clamp(settings.output, 0, static_cast<int>(kOutputPassBeep)));
    state_.stopWhenOutput = settings.stopWhenOutput ? 1 : 0;

    BuildMask(sourceTrace, state_.horizontalTolerance, state_.verticalTolerance, state_.upper, state_.lower);

    state_.failCount = 0;
    state_.passCount = 0;
    state_.totalCount = 0;
    state_.testing = 0;
}

bool CPassFail::Start(InstrumentSettings& settings) {
    state_.panelShown = 1;
    state_.failCount = 0;
    state_.passCount = 0;
    state_.totalCount = 0;
    bool started = false;
    if (settings.acquire.running == 0) {
        settings.acquire.running = 1;
        settings.runStatus = kStatusAuto;
        started = true;
    }
    state_.testing = 1;
    return started;
}

void CPassFail::EndTest() {
    state_.testing = 0;
    if (host_ != nullptr) {
        host_->StopAcquisition();
    }
}

void CPassFail::Stop() {
    EndTest();
}

void CPassFail::ClosePanel(InstrumentSettings& settings) {
    state_.panelShown = 0;
    EndTest();
    settings.acquire.running = 1;
    settings.runStatus = kStatusAuto;
}

FrameTestResult CPassFail::TestFrame(const InstrumentSettings& settings,
                                     std::span<const std::int16_t> sourceTrace) {
    FrameTestResult result;
    if (state_.testing != 1 || settings.timebase.displayFormat != kFormatYT) {
        return result;
    }
    result.tested = true;
    result.passed = true;
    for (int i = 0; i < kMaskPoints; ++i) {
        const std::int16_t s = TracePoint(sourceTrace, i);
        if (s < state_.lower[static_cast<std::size_t>(i)] || s > state_.upper[static_cast<std::size_t>(i)]) {
            result.passed = false;
            break;
        }
    }
    if (state_.totalCount == std::numeric_limits<std::uint64_t>::max()) {
        state_.failCount = 0;
        state_.passCount = 0;
        state_.totalCount = 0;
    }
    ++(result.passed ? state_.passCount : state_.failCount);
    ++state_.totalCount;

    if (state_.stopWhenOutput != 0) {
        const bool passOutput = state_.output == kOutputPass || state_.output == kOutputPassBeep;
        if (result.passed == passOutput) {
            EndTest();
            result.stopped = true;
            if (state_.output == kOutputFailBeep || state_.output == kOutputPassBeep) {
                if (host_ != nullptr) {
                    host_->Beep();
                }
                result.beeped = true;
            }
        }
    }
    return result;
}

PassFailControls CPassFail::Controls() const {
    const bool testing = state_.testing != 0;
    return {!testing, testing, !testing};
}

PsfResult CPassFail::SavePsf(const std::string& path) const {
    const std::array<std::uint8_t, 10> bytes = EncodePsf(state_);
    if (const int error = WriteFileSafely(path, bytes); error != 0) {
        return {PsfResult::Status::kFailed, FileError(std::strerror(error))};
    }
    return {};
}

PsfResult CPassFail::LoadPsf(const std::string& path) {
    if (!EndsWithPsf(path)) {
        return {PsfResult::Status::kIgnored, {}};
    }
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) {
        return {PsfResult::Status::kFailed, FileError(std::strerror(-fd))};
    }
    FilePtr file(::fdopen(fd, "rb"));
    if (!file) {
        const int error = errno;
        ::close(fd);
        return {PsfResult::Status::kFailed, FileError(std::strerror(error))};
    }
    // Read one byte more than the format holds, so a longer file is recognised and refused.
    std::array<std::uint8_t, 11> buffer{};
    const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), file.get());
    PassFailState loaded = state_;
    if (!DecodePsf(std::span<const std::uint8_t>(buffer.data(), count), loaded)) {
        return {PsfResult::Status::kFailed, FileError("not a Pass/Fail mask file (wrong size)")};
    }
    state_.source = loaded.source;
    state_.output = loaded.output;
    state_.stopWhenOutput = loaded.stopWhenOutput;
    state_.horizontalTolerance = loaded.horizontalTolerance;
    state_.verticalTolerance = loaded.verticalTolerance;
    EndTest();
    return {};
}

void CPassFail::UpperRegion(int left, int top, int right, int bottom, std::vector<MaskPoint>& out) const {
    Region(state_, state_.upper, left, top, right, bottom, top, out);
}

void CPassFail::LowerRegion(int left, int top, int right, int bottom, std::vector<MaskPoint>& out) const {
    Region(state_, state_.lower, left, top, right, bottom, bottom, out);
}

} // namespace tarnix
