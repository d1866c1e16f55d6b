#include "files/setup_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <unistd.h>

#include "files/file_io.h"
#include "model/safe_file.h"

namespace tarnix {

namespace {

constexpr char16_t kMagic[] = u"MRV-OSC";
constexpr std::size_t kMagicChars = 7;
constexpr float kLevelLimit = 32767.0f; // trigger levels may lie off screen, not beyond the 16-bit scale

// ---- field ranges -------------------------------------------------------------------------------

bool IsFlag(std::int32_t v) {
    return v == 0 || v == 1;
}
bool InZeroRange(float v) {
    return std::isfinite(v) && v >= 0.0f && v <= 255.0f;
}
bool InLevelRange(float v) {
    return std::isfinite(v) && v >= -kLevelLimit && v <= kLevelLimit;
}
bool IsColour(std::uint32_t v) {
    return (v & 0xFF000000u) == 0;
}
bool IsMarker(std::uint16_t v) {
    return v == kMarkerOnScreen || v == kMarkerAboveTop || v == kMarkerBelowBottom;
}
bool IsCursorSource(std::uint16_t v) {
    return v <= 2 || v == 6;
}
bool IsFftBins(std::uint16_t v) {
    return v == 256 || v == 512 || v == 1024 || v == 2048 || v == 4096;
}
bool IsFftZoom(std::uint16_t v) {
    return v == 1 || v == 2 || v == 4 || v == 8 || v == 16;
}

bool IsFftVertical(std::uint16_t scale, double v) {
    if (!std::isfinite(v)) {
        return false;
    }
    if (scale == 0) { // dB: 5, 10, ... 60
        for (int step = 1; step <= 12; ++step) {
            if (v == 5.0 * step) {
                return true;
            }
        }
        return false;
    }
    static constexpr double kLinear[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5};
    return std::find(std::begin(kLinear), std::end(kLinear), v) != std::end(kLinear);
}

int LastTimeDiv(const SetupLimits& limits) {
    return kTimePerDivCount - 1 - std::clamp(limits.timeDivOffset, 0, 1);
}

bool IsRecordLength(std::int32_t v, const SetupLimits& limits) {
    if (v <= 0 || static_cast<std::uint32_t>(v) > limits.sampleCapacity) {
        return false;
    }
    for (int i = 0; i < kBufferSizeCount; ++i) {
        if (BufferSizeRecordLength(i) == static_cast<std::uint32_t>(v)) {
            return true;
        }
    }
    return false;
}

bool IsBufferSize(std::uint16_t v, const SetupLimits& limits) {
    return v < kBufferSizeCount && BufferSizeRecordLength(v) <= limits.sampleCapacity;
}

bool IsRefLength(std::int32_t v, const SetupLimits& limits) {
    return v >= 1 && static_cast<std::uint32_t>(v) <= limits.refCapacity;
}

// `value` when it passes `valid`, else `fallback`: a range-checking setter that keeps the old value.
template <class T, class Valid> T Checked(T value, T fallback, Valid valid) {
    return valid(value) ? value : fallback;
}

template <class T> T AtMost(T value, T limit, T fallback) {
    return value <= limit ? value : fallback;
}

// ---- writing ------------------------------------------------------------------------------------

void WriteHeader(ByteWriter& out, const SetupImage& image) {
    for (std::size_t i = 0; i < kMagicChars; ++i) {
        out.U16(static_cast<std::uint16_t>(kMagic[i]));
    }
    out.U16(image.model);
    out.I32(image.languageIndex);
}

void WriteChannel(ByteWriter& out, const SetupChannelBlock& c) {
    out.I32(c.enabled);
    out.U16(c.voltsPerDivIndex);
    out.U16(c.coupling);
    out.U16(c.probe);
    out.U16(c.filterMode);
    out.I32(c.invert);
    out.I32(c.bandwidthLimit);
    out.F32(c.zeroLevel);
    out.U16(c.interpolation);
    out.I32(c.recordLength);
    out.U32(c.colour);
}

// ---- reading ------------------------------------------------------------------------------------

SetupChannelBlock ReadChannel(ByteReader& in, const SetupChannelBlock& old, const SetupLimits& limits) {
    SetupChannelBlock c;
    c.enabled = Checked(in.I32(), old.enabled, IsFlag);
    c.voltsPerDivIndex = AtMost<std::uint16_t>(in.U16(), 9, old.voltsPerDivIndex);
    c.coupling = AtMost<std::uint16_t>(in.U16(), 2, old.coupling);
    c.probe = AtMost<std::uint16_t>(in.U16(), 3, old.probe);
    c.filterMode = AtMost<std::uint16_t>(in.U16(), 2, old.filterMode);
    c.invert = Checked(in.I32(), old.invert, IsFlag);
    c.bandwidthLimit = Checked(in.I32(), old.bandwidthLimit, IsFlag);
    c.zeroLevel = Checked(in.F32(), old.zeroLevel, InZeroRange);
    c.interpolation = AtMost<std::uint16_t>(in.U16(), 2, old.interpolation);
    c.recordLength =
        Checked(in.I32(), old.recordLength, [&](std::int32_t v) { return IsRecordLength(v, limits); });
    c.colour = Checked(in.U32(), old.colour, IsColour);
    return c;
}

bool ChannelInRange(const SetupChannelBlock& c, const SetupLimits& limits) {
    return IsFlag(c.enabled) && c.voltsPerDivIndex <= 9 && c.coupling <= 2 && c.probe <= 3 &&
           c.filterMode <= 2 && IsFlag(c.invert) && IsFlag(c.bandwidthLimit) && InZeroRange(c.zeroLevel) &&
           c.interpolation <= 2 && IsRecordLength(c.recordLength, limits) && IsColour(c.colour);
}

// Cross-field limits of the recorder: the play frames lie within the recorded count.
void HoldRecorderFrames(SetupRecorderBlock& r) {
    r.playEndFrame = std::min(r.playEndFrame, r.recordedCount);
    const std::uint16_t last = std::max<std::uint16_t>(r.playEndFrame, 1);
    r.playStartFrame = std::clamp<std::uint16_t>(r.playStartFrame, 1, last);
    r.currentFrame = std::clamp<std::uint16_t>(r.currentFrame, 1, last);
}

} // namespace

// ---- public -------------------------------------------------------------------------------------

std::size_t SetupFileSize(const SetupImage& image) {
    std::size_t size = kSetupBaseBytes;
    if (image.ref.empty == 0 && image.ref.recordLength > 0) {
        size += 2 * static_cast<std::size_t>(image.ref.recordLength);
    }
    if (image.acquire.recordingEmpty == 0) {
        size += kSetupRecorderStoreBytes;
    }
    return size;
}

std::vector<std::uint8_t> SerializeSetup(const SetupImage& image) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(SetupFileSize(image));
    ByteWriter out(bytes);
    WriteHeader(out, image);
    WriteChannel(out, image.ch1);
    WriteChannel(out, image.ch2);

    const SetupMathBlock& m = image.math;
    out.I32(m.enabled);
    out.U16(m.voltsPerDivIndex);
    out.U16(m.probe);
    out.U16(m.sourceA);
    out.U16(m.sourceB);
    out.U16(m.mathOperator);
    out.I32(m.invert);
    out.F32(m.zeroLevel);
    out.U16(m.interpolation);
    out.I32(m.recordLength);
    out.U32(m.colour);

    const SetupRefBlock& r = image.ref;
    out.I32(r.enabled);
    out.I32(r.empty);
    out.F32(r.zeroLevel);
    out.F32(r.zeroLevelAtStop);
    out.U16(r.voltsPerDivIndex);
    out.U16(r.voltsPerDivIndexAtStop);
    out.I32(r.recordLength);
    out.U16(r.timeDivIndex);
    out.U16(r.horizontalPosition);
    out.F32(r.storedPosition);
    out.U32(r.colour);
    if (r.empty == 0 && r.recordLength > 0) {
        const auto n = static_cast<std::size_t>(r.recordLength);
        const std::size_t have = std::min(n, r.samples.size());
        out.U16Array(std::span<const std::uint16_t>(r.samples).first(have));
        for (std::size_t i = have; i < n; ++i) {
            out.U16(0);
        }
    }

    const SetupTriggerBlock& t = image.trigger;
    out.U16(t.triggerMode);
    out.U16(t.sweep);
    out.U16(t.triggerSource);
    out.U16(t.slope);
    out.F32(t.levelCh1);
    out.F32(t.levelCh2);
    out.F32(t.levelExt);
    out.F32(t.voltsCh1);
    out.F32(t.voltsCh2);
    out.F32(t.voltsExt);
    out.I32(t.hfRejection);
    out.U16(t.levelMarkerCh1);
    out.U16(t.levelMarkerCh2);
    out.U16(t.levelMarkerExt);
    out.F32(t.levelOffset);

    const SetupTimebaseBlock& tb = image.timebase;
    out.U16(tb.timeDivIndex);
    out.U16(tb.bufferSizeIndex);
    out.U16(tb.displayFormat);
    out.U16(std::min<std::uint16_t>(tb.horizontalPosition, 500));
    out.U16(tb.samplingMode);

    const SetupDisplayBlock& d = image.display;
    out.U16(d.cursorSource);
    out.U16(d.cursorType);
    out.U16(d.dotsMode);
    out.I32(d.gridOn);
    out.U16(d.gridIntensity);
    out.U16(d.waveIntensity);

    const SetupAcquireBlock& a = image.acquire;
    out.U16(a.persistenceDepth);
    out.I32(a.persistenceOn);
    out.U16(a.acquisitionMode);
    out.U16(a.averageCount);
    out.U16(a.saveChannel);
    out.I32(a.recordingEmpty);

    const SetupRecorderBlock& rec = image.recorder;
    out.U16(rec.recordSource);
    out.U16(rec.recordEndFrame);
    out.U16(rec.recordInterval);
    out.U16(rec.recordedCount);
    out.U16(rec.timeDivIndex);
    out.U16(rec.voltsPerDivIndex);
    out.F32(rec.verticalPosition);
    out.U16(rec.coupling);
    out.U16(rec.probe);
    out.U16(static_cast<std::uint16_t>(rec.bandwidthLimit & 0xFFFF));
    out.I32(rec.playing);
    out.U16(rec.playStartFrame);
    out.U16(rec.horizontalPosition);
    out.I32(rec.reserved);
    out.U16(rec.playInterval);
    out.U16(rec.playEndFrame);
    out.U16(rec.currentFrame);
    out.I32(rec.repeat);
    if (a.recordingEmpty == 0) {
        const std::size_t have = std::min(kSetupRecorderStoreSamples, rec.frames.size());
        out.I16Array(std::span<const std::int16_t>(rec.frames).first(have));
        bytes.resize(bytes.size() + 2 * (kSetupRecorderStoreSamples - have), 0);
    }

    const SetupPassFailBlock& p = image.passFail;
    out.U16(p.horizontalTolerance);
    out.U16(p.verticalTolerance);
    out.U64(p.failCount);
    out.U64(p.passCount);
    out.U64(p.totalCount);
    out.U16(p.output);
    out.U16(p.source);
    out.I32(p.stopWhenOutput);
    out.I16Array(p.upper);
    out.I16Array(p.lower);

    const SetupMeasureBlock& ms = image.measure;
    out.U16(ms.itemCount);
    out.U16(ms.source);
    for (const SetupMeasureSlot& slot : ms.items) {
        out.I32(slot.used);
        out.U16(slot.source);
        out.U16(slot.kind);
    }

    const SetupFftBlock& f = image.fft;
    out.I32(f.running);
    out.U16(f.source);
    out.U16(f.window);
    out.U16(f.bins);
    out.U16(f.scale);
    out.F64(f.verticalScale);
    out.U16(f.horizontalZoom);
    return bytes;
}

SetupParseResult ParseSetup(std::span<const std::uint8_t> bytes, const SetupImage& current,
                            const SetupLimits& limits) {
    SetupParseResult result;
    ByteReader in(bytes);
    for (std::size_t i = 0; i < kMagicChars; ++i) {
        if (in.U16() != static_cast<std::uint16_t>(kMagic[i])) {
            result.status = SetupParseStatus::kBadMagic;
            return result;
        }
    }
    const std::uint16_t model = in.U16();
    if (in.Failed()) {
        result.status = SetupParseStatus::kBadMagic;
        return result;
    }
    if (model != limits.model) {
        result.status = SetupParseStatus::kOtherModel;
        return result;
    }
    // The optional parts are sized by flags read on the way, so the layout is only known at the end.
    if (bytes.size() < kSetupBaseBytes) {
        return result;
    }

    SetupImage& img = result.image;
    const SetupImage& old = current;
    img.model = model;
    img.languageIndex = Checked(in.I32(), old.languageIndex, [](std::int32_t v) { return v >= -1; });
    img.ch1 = ReadChannel(in, old.ch1, limits);
    img.ch2 = ReadChannel(in, old.ch2, limits);

    SetupMathBlock& m = img.math;
    m.enabled = Checked(in.I32(), old.math.enabled, IsFlag);
    m.voltsPerDivIndex = AtMost<std::uint16_t>(in.U16(), 9, old.math.voltsPerDivIndex);
    m.probe = AtMost<std::uint16_t>(in.U16(), 3, old.math.probe);
    m.sourceA = AtMost<std::uint16_t>(in.U16(), 1, old.math.sourceA);
    m.sourceB = AtMost<std::uint16_t>(in.U16(), 1, old.math.sourceB);
    m.mathOperator = AtMost<std::uint16_t>(in.U16(), 3, old.math.mathOperator);
    m.invert = Checked(in.I32(), old.math.invert, IsFlag);
    m.zeroLevel = Checked(in.F32(), old.math.zeroLevel, InZeroRange);
    m.interpolation = AtMost<std::uint16_t>(in.U16(), 2, old.math.interpolation);
    m.recordLength =
        Checked(in.I32(), old.math.recordLength, [&](std::int32_t v) { return IsRecordLength(v, limits); });
    m.colour = Checked(in.U32(), old.math.colour, IsColour);

    SetupRefBlock& r = img.ref;
    r.enabled = Checked(in.I32(), old.ref.enabled, IsFlag);
    r.empty = in.I32() != 0 ? 1 : 0;
    r.zeroLevel = Checked(in.F32(), old.ref.zeroLevel, InZeroRange);
    r.zeroLevelAtStop = Checked(in.F32(), old.ref.zeroLevelAtStop, InZeroRange);
    r.voltsPerDivIndex = AtMost<std::uint16_t>(in.U16(), 9, old.ref.voltsPerDivIndex);
    r.voltsPerDivIndexAtStop = AtMost<std::uint16_t>(in.U16(), 9, old.ref.voltsPerDivIndexAtStop);
    const std::int32_t refLength = in.I32();
    r.timeDivIndex = AtMost<std::uint16_t>(in.U16(), static_cast<std::uint16_t>(LastTimeDiv(limits)),
                                           old.ref.timeDivIndex);
    r.horizontalPosition = AtMost<std::uint16_t>(in.U16(), 500, old.ref.horizontalPosition);
    r.storedPosition = Checked(in.F32(), old.ref.storedPosition, InZeroRange);
    r.colour = Checked(in.U32(), old.ref.colour, IsColour);
    if (r.empty == 0) {
        // The samples follow: their count must fit REF's memory, or the rest of the file cannot be read.
        if (!IsRefLength(refLength, limits)) {
            result.image = SetupImage{};
            return result;
        }
        r.recordLength = refLength;
        r.samples.clear();
        in.AppendU16(r.samples, static_cast<std::size_t>(refLength));
    } else {
        r.recordLength = IsRefLength(refLength, limits) ? refLength : old.ref.recordLength;
        r.samples.clear();
    }

    SetupTriggerBlock& t = img.trigger;
    const SetupTriggerBlock& ot = old.trigger;
    t.triggerMode = AtMost<std::uint16_t>(in.U16(), 1, ot.triggerMode);
    t.sweep = AtMost<std::uint16_t>(in.U16(), 2, ot.sweep);
    t.triggerSource = AtMost<std::uint16_t>(in.U16(), 4, ot.triggerSource);
    t.slope = AtMost<std::uint16_t>(in.U16(), 1, ot.slope);
    t.levelCh1 = Checked(in.F32(), ot.levelCh1, InLevelRange);
    t.levelCh2 = Checked(in.F32(), ot.levelCh2, InLevelRange);
    t.levelExt = Checked(in.F32(), ot.levelExt, InZeroRange);
    auto finite = [](float v) { return std::isfinite(v); };
    t.voltsCh1 = Checked(in.F32(), ot.voltsCh1, finite);
    t.voltsCh2 = Checked(in.F32(), ot.voltsCh2, finite);
    t.voltsExt = Checked(in.F32(), ot.voltsExt, finite);
    t.hfRejection = Checked(in.I32(), ot.hfRejection, IsFlag);
    t.levelMarkerCh1 = Checked(in.U16(), ot.levelMarkerCh1, IsMarker);
    t.levelMarkerCh2 = Checked(in.U16(), ot.levelMarkerCh2, IsMarker);
    t.levelMarkerExt = Checked(in.U16(), ot.levelMarkerExt, IsMarker);
    t.levelOffset = Checked(in.F32(), ot.levelOffset, InLevelRange);

    SetupTimebaseBlock& tb = img.timebase;
    const SetupTimebaseBlock& otb = old.timebase;
    tb.timeDivIndex =
        AtMost<std::uint16_t>(in.U16(), static_cast<std::uint16_t>(LastTimeDiv(limits)), otb.timeDivIndex);
    tb.bufferSizeIndex =
        Checked(in.U16(), otb.bufferSizeIndex, [&](std::uint16_t v) { return IsBufferSize(v, limits); });
    tb.displayFormat = AtMost<std::uint16_t>(in.U16(), 2, otb.displayFormat);
    tb.horizontalPosition = AtMost<std::uint16_t>(in.U16(), 500, otb.horizontalPosition);
    tb.samplingMode = AtMost<std::uint16_t>(in.U16(), 1, otb.samplingMode);

    SetupDisplayBlock& d = img.display;
    d.cursorSource = Checked(in.U16(), old.display.cursorSource, IsCursorSource);
    d.cursorType = AtMost<std::uint16_t>(in.U16(), 4, old.display.cursorType);
    d.dotsMode = AtMost<std::uint16_t>(in.U16(), 1, old.display.dotsMode);
    d.gridOn = Checked(in.I32(), old.display.gridOn, IsFlag);
    d.gridIntensity = std::min<std::uint16_t>(in.U16(), 255); // the setters hold intensities to 0..255
    d.waveIntensity = std::min<std::uint16_t>(in.U16(), 255);

    SetupAcquireBlock& a = img.acquire;
    a.persistenceDepth = AtMost<std::uint16_t>(in.U16(), 15, old.acquire.persistenceDepth);
    a.persistenceOn = Checked(in.I32(), old.acquire.persistenceOn, IsFlag);
    a.acquisitionMode = AtMost<std::uint16_t>(in.U16(), 2, old.acquire.acquisitionMode);
    a.averageCount =
        Checked(in.U16(), old.acquire.averageCount, [](std::uint16_t v) { return v >= 1 && v <= 128; });
    a.saveChannel = AtMost<std::uint16_t>(in.U16(), 2, old.acquire.saveChannel);
    a.recordingEmpty = in.I32() != 0 ? 1 : 0;

    SetupRecorderBlock& rec = img.recorder;
    const SetupRecorderBlock& orec = old.recorder;
    auto interval = [](std::uint16_t v) { return v >= 1 && v <= 20000; };
    rec.recordSource = AtMost<std::uint16_t>(in.U16(), 1, orec.recordSource);
    rec.recordEndFrame = AtMost<std::uint16_t>(in.U16(), 1000, orec.recordEndFrame);
    rec.recordInterval = Checked(in.U16(), orec.recordInterval, interval);
    rec.recordedCount = AtMost<std::uint16_t>(in.U16(), 1000, orec.recordedCount);
    rec.timeDivIndex =
        AtMost<std::uint16_t>(in.U16(), static_cast<std::uint16_t>(LastTimeDiv(limits)), orec.timeDivIndex);
    rec.voltsPerDivIndex = AtMost<std::uint16_t>(in.U16(), 9, orec.voltsPerDivIndex);
    rec.verticalPosition = Checked(in.F32(), orec.verticalPosition, InZeroRange);
    rec.coupling = AtMost<std::uint16_t>(in.U16(), 2, orec.coupling);
    rec.probe = AtMost<std::uint16_t>(in.U16(), 3, orec.probe);
    rec.bandwidthLimit =
        Checked<std::int32_t>(static_cast<std::int16_t>(in.U16()), orec.bandwidthLimit, IsFlag);
    rec.playing = Checked(in.I32(), orec.playing, IsFlag);
    rec.playStartFrame = in.U16();
    rec.horizontalPosition = AtMost<std::uint16_t>(in.U16(), 500, orec.horizontalPosition);
    rec.reserved = in.I32();
    rec.playInterval = Checked(in.U16(), orec.playInterval, interval);
    rec.playEndFrame = in.U16();
    rec.currentFrame = in.U16();
    rec.repeat = Checked(in.I32(), orec.repeat, IsFlag);
    HoldRecorderFrames(rec);
    if (a.recordingEmpty == 0) {
        rec.frames.clear();
        in.AppendI16(rec.frames, kSetupRecorderStoreSamples);
    } else {
        rec.frames.clear();
    }

    SetupPassFailBlock& p = img.passFail;
    const SetupPassFailBlock& op = old.passFail;
    p.horizontalTolerance =
        Checked(in.U16(), op.horizontalTolerance, [](std::uint16_t v) { return v >= 1 && v <= 2000; });
    p.verticalTolerance =
        Checked(in.U16(), op.verticalTolerance, [](std::uint16_t v) { return v >= 1 && v <= 128; });
    p.failCount = in.U64();
    p.passCount = in.U64();
    p.totalCount = in.U64();
    p.output = AtMost<std::uint16_t>(in.U16(), 3, op.output);
    p.source = AtMost<std::uint16_t>(in.U16(), 1, op.source);
    p.stopWhenOutput = Checked(in.I32(), op.stopWhenOutput, IsFlag);
    in.I16Array(p.upper);
    in.I16Array(p.lower);
    // A mask is built clamped to the screen's 0..255; anything else is held to it.
    for (auto* limit : {&p.upper, &p.lower}) {
        for (std::int16_t& v : *limit) {
            v = std::clamp<std::int16_t>(v, 0, 255);
        }
    }

    SetupMeasureBlock& ms = img.measure;
    ms.itemCount = AtMost<std::uint16_t>(in.U16(), 8, old.measure.itemCount);
    ms.source = AtMost<std::uint16_t>(in.U16(), 2, old.measure.source);
    for (std::size_t i = 0; i < ms.items.size(); ++i) {
        const SetupMeasureSlot& os = old.measure.items[i];
        ms.items[i].used = Checked(in.I32(), os.used, IsFlag);
        ms.items[i].source = AtMost<std::uint16_t>(in.U16(), 2, os.source);
        ms.items[i].kind = AtMost<std::uint16_t>(in.U16(), 19, os.kind);
    }

    SetupFftBlock& f = img.fft;
    f.running = Checked(in.I32(), old.fft.running, IsFlag);
    f.source = AtMost<std::uint16_t>(in.U16(), 1, old.fft.source);
    f.window = AtMost<std::uint16_t>(in.U16(), 3, old.fft.window);
    f.bins = Checked<std::uint16_t>(in.U16(), 256, IsFftBins); // any other value reads as 256
    f.scale = AtMost<std::uint16_t>(in.U16(), 1, old.fft.scale);
    const double vertical = in.F64();
    f.verticalScale = IsFftVertical(f.scale, vertical) ? vertical : (f.scale == 0 ? 60.0 : 0.5);
    f.horizontalZoom = Checked<std::uint16_t>(in.U16(), 1, IsFftZoom); // any other value reads as 1

    if (in.Failed() || in.Remaining() != 0) {
        result.image = SetupImage{};
        return result;
    }
    result.status = SetupParseStatus::kOk;
    return result;
}

bool SetupImageInRange(const SetupImage& img, const SetupLimits& limits) {
    const int lastTimeDiv = LastTimeDiv(limits);
    const SetupMathBlock& m = img.math;
    const SetupRefBlock& r = img.ref;
    const SetupTriggerBlock& t = img.trigger;
    const SetupTimebaseBlock& tb = img.timebase;
    const SetupDisplayBlock& d = img.display;
    const SetupAcquireBlock& a = img.acquire;
    const SetupRecorderBlock& rec = img.recorder;
    const SetupPassFailBlock& p = img.passFail;
    const SetupMeasureBlock& ms = img.measure;
    const SetupFftBlock& f = img.fft;
    const auto inScreen = [](std::int16_t v) { return v >= 0 && v <= 255; };
    const std::uint16_t playLast = std::max<std::uint16_t>(rec.playEndFrame, 1);

    bool ok = img.model == limits.model && img.languageIndex >= -1 && ChannelInRange(img.ch1, limits) &&
              ChannelInRange(img.ch2, limits);
    ok = ok && IsFlag(m.enabled) && m.voltsPerDivIndex <= 9 && m.probe <= 3 && m.sourceA <= 1 &&
         m.sourceB <= 1 && m.mathOperator <= 3 && IsFlag(m.invert) && InZeroRange(m.zeroLevel) &&
         m.interpolation <= 2 && IsRecordLength(m.recordLength, limits) && IsColour(m.colour);
    ok = ok && IsFlag(r.enabled) && IsFlag(r.empty) && InZeroRange(r.zeroLevel) &&
         InZeroRange(r.zeroLevelAtStop) && r.voltsPerDivIndex <= 9 && r.voltsPerDivIndexAtStop <= 9 &&
         IsRefLength(r.recordLength, limits) && r.timeDivIndex <= lastTimeDiv &&
         r.horizontalPosition <= 500 && InZeroRange(r.storedPosition) && IsColour(r.colour) &&
         (r.empty != 0 ? r.samples.empty() : r.samples.size() == static_cast<std::size_t>(r.recordLength));
    ok = ok && t.triggerMode <= 1 && t.sweep <= 2 && t.triggerSource <= 4 && t.slope <= 1 &&
         InLevelRange(t.levelCh1) && InLevelRange(t.levelCh2) && InZeroRange(t.levelExt) &&
         std::isfinite(t.voltsCh1) && std::isfinite(t.voltsCh2) && std::isfinite(t.voltsExt) &&
         IsFlag(t.hfRejection) && IsMarker(t.levelMarkerCh1) && IsMarker(t.levelMarkerCh2) &&
         IsMarker(t.levelMarkerExt) && InLevelRange(t.levelOffset);
    ok = ok && tb.timeDivIndex <= lastTimeDiv && IsBufferSize(tb.bufferSizeIndex, limits) &&
         tb.displayFormat <= 2 && tb.horizontalPosition <= 500 && tb.samplingMode <= 1;
    ok = ok && IsCursorSource(d.cursorSource) && d.cursorType <= 4 && d.dotsMode <= 1 && IsFlag(d.gridOn) &&
         d.gridIntensity <= 255 && d.waveIntensity <= 255;
    ok = ok && a.persistenceDepth <= 15 && IsFlag(a.persistenceOn) && a.acquisitionMode <= 2 &&
         a.averageCount >= 1 && a.averageCount <= 128 && a.saveChannel <= 2 && IsFlag(a.recordingEmpty);
    ok = ok && rec.recordSource <= 1 && rec.recordEndFrame <= 1000 && rec.recordInterval >= 1 &&
         rec.recordInterval <= 20000 && rec.recordedCount <= 1000 && rec.timeDivIndex <= lastTimeDiv &&
         rec.voltsPerDivIndex <= 9 && InZeroRange(rec.verticalPosition) && rec.coupling <= 2 &&
         rec.probe <= 3 && IsFlag(rec.bandwidthLimit) && IsFlag(rec.playing) && rec.playStartFrame >= 1 &&
         rec.playStartFrame <= playLast && rec.horizontalPosition <= 500 && rec.playInterval >= 1 &&
         rec.playInterval <= 20000 && rec.playEndFrame <= rec.recordedCount && rec.currentFrame >= 1 &&
         rec.currentFrame <= playLast && IsFlag(rec.repeat) &&
         (a.recordingEmpty != 0 ? rec.frames.empty() : rec.frames.size() == kSetupRecorderStoreSamples);
    ok = ok && p.horizontalTolerance >= 1 && p.horizontalTolerance <= 2000 && p.verticalTolerance >= 1 &&
         p.verticalTolerance <= 128 && p.output <= 3 && p.source <= 1 && IsFlag(p.stopWhenOutput) &&
         std::all_of(p.upper.begin(), p.upper.end(), inScreen) &&
         std::all_of(p.lower.begin(), p.lower.end(), inScreen);
    ok = ok && ms.itemCount <= 8 && ms.source <= 2 &&
         std::all_of(ms.items.begin(), ms.items.end(), [](const SetupMeasureSlot& s) {
             return IsFlag(s.used) && s.source <= 2 && s.kind <= 19;
         });
    ok = ok && IsFlag(f.running) && f.source <= 1 && f.window <= 3 && IsFftBins(f.bins) && f.scale <= 1 &&
         IsFftVertical(f.scale, f.verticalScale) && IsFftZoom(f.horizontalZoom);
    return ok;
}

FileResult SaveSetupFile(const std::string& path, const SetupImage& image, bool demoMode) {
    if (demoMode) {
        // Without an instrument only the model and language of an existing setup change.
        std::vector<std::uint8_t> header;
        ByteWriter out(header);
        WriteHeader(out, image);
        if (int error = OverwriteFileStart(path, header); error != 0) {
            return FileResult::Refused(CannotSaveMessage(error));
        }
        return FileResult::Success();
    }
    const std::vector<std::uint8_t> bytes = SerializeSetup(image);
    if (int error = WriteFileSafely(path, bytes); error != 0) {
        return FileResult::Refused(CannotSaveMessage(error));
    }
    return FileResult::Success();
}

namespace {

constexpr const char* kNotSetup = "This is not a setup file!";
constexpr const char* kOtherModelSetup = "This setup file belongs to another model!";

SetupLoadResult Unreadable(SetupLoadResult& result, int errorNumber) {
    result.missing = errorNumber == ENOENT;
    result.unreadable = !result.missing;
    result.message = CannotOpenMessage(errorNumber);
    return result;
}

} // namespace

SetupLoadResult LoadSetupFile(const std::string& path, const SetupImage& current, const SetupLimits& limits,
                              bool demoMode) {
    SetupLoadResult result;
    if (!HasExtension(path, ".set")) {
        result.message = kNotSetup;
        return result;
    }
    if (demoMode) {
        FileBytes file = ReadFilePrefix(path, kSetupHeaderBytes);
        if (!file.ok) {
            return Unreadable(result, file.errorNumber);
        }
        if (file.bytes.size() < kSetupHeaderBytes) {
            result.message = kNotSetup;
            return result;
        }
        ByteReader in(file.bytes);
        for (std::size_t i = 0; i < kMagicChars; ++i) {
            if (in.U16() != static_cast<std::uint16_t>(kMagic[i])) {
                result.message = kNotSetup;
                return result;
            }
        }
        if (in.U16() != limits.model) {
            result.message = kOtherModelSetup;
            return result;
        }
        const std::int32_t language = in.I32();
        result.image = current;
        if (language >= -1) {
            result.image.languageIndex = language;
        }
        result.languageOnly = true;
        result.ok = true;
        return result;
    }
    const std::size_t largest =
        kSetupBaseBytes + 2 * static_cast<std::size_t>(limits.refCapacity) + kSetupRecorderStoreBytes;
    FileBytes file = ReadFileBytes(path, largest);
    if (!file.ok && !file.tooLarge) {
        return Unreadable(result, file.errorNumber);
    }
    SetupParseResult parsed;
    if (file.ok) {
        parsed = ParseSetup(file.bytes, current, limits);
    }
    if (parsed.status != SetupParseStatus::kOk) {
        result.message = parsed.status == SetupParseStatus::kOtherModel ? kOtherModelSetup : kNotSetup;
        return result;
    }
    result.image = std::move(parsed.image);
    result.ok = true;
    return result;
}

// ---- settings record ----------------------------------------------------------------------------

std::uint32_t SwapRedBlue(std::uint32_t colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

namespace {

void CaptureChannel(const ChannelSettings& c, SetupChannelBlock& b) {
    b.enabled = static_cast<std::int32_t>(c.enabled);
    b.voltsPerDivIndex = c.voltsPerDivIndex;
    b.coupling = c.coupling;
    b.probe = c.probe;
    b.filterMode = c.filterMode;
    b.invert = static_cast<std::int32_t>(c.invert);
    b.bandwidthLimit = static_cast<std::int32_t>(c.bandwidthLimit);
    b.zeroLevel = c.zeroLevel;
    b.interpolation = c.interpolation;
    b.recordLength = static_cast<std::int32_t>(c.recordLength);
    b.colour = SwapRedBlue(c.colour);
}

void ApplyChannel(const SetupChannelBlock& b, ChannelSettings& c) {
    c.enabled = static_cast<std::uint32_t>(b.enabled);
    c.voltsPerDivIndex = b.voltsPerDivIndex;
    c.coupling = b.coupling;
    c.probe = b.probe;
    c.filterMode = b.filterMode;
    c.invert = static_cast<std::uint32_t>(b.invert);
    c.bandwidthLimit = static_cast<std::uint32_t>(b.bandwidthLimit);
    c.zeroLevel = b.zeroLevel;
    c.interpolation = b.interpolation;
    c.recordLength = static_cast<std::uint32_t>(b.recordLength);
    c.colour = SwapRedBlue(b.colour);
}

} // namespace

void CaptureSettings(const InstrumentSettings& s, SetupImage& image) {
    image.model = s.model;
    CaptureChannel(s.ch(kCh1), image.ch1);
    CaptureChannel(s.ch(kCh2), image.ch2);

    const ChannelSettings& math = s.ch(kMath);
    image.math.enabled = static_cast<std::int32_t>(math.enabled);
    image.math.voltsPerDivIndex = math.voltsPerDivIndex;
    image.math.probe = math.probe;
    image.math.sourceA = math.math.sourceA;
    image.math.sourceB = math.math.sourceB;
    image.math.mathOperator = math.math.mathOperator;
    image.math.invert = static_cast<std::int32_t>(math.invert);
    image.math.zeroLevel = math.zeroLevel;
    image.math.interpolation = math.interpolation;
    image.math.recordLength = static_cast<std::int32_t>(math.recordLength);
    image.math.colour = SwapRedBlue(math.colour);

    const ChannelSettings& ref = s.ch(kRef);
    image.ref.enabled = static_cast<std::int32_t>(ref.enabled);
    image.ref.zeroLevel = ref.zeroLevel;
    image.ref.voltsPerDivIndex = ref.voltsPerDivIndex;
    image.ref.recordLength = static_cast<std::int32_t>(ref.recordLength);
    image.ref.colour = SwapRedBlue(ref.colour);

    const TriggerSettings& t = s.trigger;
    image.trigger.triggerMode = t.triggerMode;
    image.trigger.sweep = t.sweep;
    image.trigger.triggerSource = t.triggerSource;
    image.trigger.slope = t.slope;
    image.trigger.levelCh1 = t.levelCh1;
    image.trigger.levelCh2 = t.levelCh2;
    image.trigger.levelExt = t.levelExt;
    image.trigger.hfRejection = static_cast<std::int32_t>(t.hfRejection);
    image.trigger.levelMarkerCh1 = t.levelMarkerCh1;
    image.trigger.levelMarkerCh2 = t.levelMarkerCh2;
    image.trigger.levelMarkerExt = t.levelMarkerExt;

    image.timebase.timeDivIndex = s.timebase.timeDivIndex;
    image.timebase.bufferSizeIndex = s.timebase.bufferSizeIndex;
    image.timebase.displayFormat = s.timebase.displayFormat;
    image.timebase.horizontalPosition = s.timebase.horizontalPosition;
    image.timebase.samplingMode = s.timebase.samplingMode;

    image.acquire.persistenceDepth = s.persistenceDepth;
    image.acquire.persistenceOn = static_cast<std::int32_t>(s.persistenceOn);
    image.acquire.acquisitionMode = s.acquire.acquisitionMode;
    image.acquire.averageCount = s.acquire.averageCount;
}

std::uint16_t CorrectedDisplayFormat(std::uint16_t timeDivIndex, std::uint16_t bufferSizeIndex,
                                     std::uint16_t displayFormat) {
    if (timeDivIndex > 24 && displayFormat != kFormatRoll && bufferSizeIndex == 0) {
        return kFormatRoll;
    }
    if (timeDivIndex <= 24 && displayFormat == kFormatRoll) {
        return kFormatYT;
    }
    return displayFormat;
}

void ApplySetupToSettings(const SetupImage& image, InstrumentSettings& s) {
    ApplyChannel(image.ch1, s.ch(kCh1));
    ApplyChannel(image.ch2, s.ch(kCh2));

    ChannelSettings& math = s.ch(kMath);
    math.enabled = static_cast<std::uint32_t>(image.math.enabled);
    math.voltsPerDivIndex = image.math.voltsPerDivIndex;
    math.probe = image.math.probe;
    math.math.sourceA = image.math.sourceA;
    math.math.sourceB = image.math.sourceB;
    math.math.mathOperator = image.math.mathOperator;
    math.invert = static_cast<std::uint32_t>(image.math.invert);
    math.zeroLevel = image.math.zeroLevel;
    math.interpolation = image.math.interpolation;
    math.recordLength = static_cast<std::uint32_t>(image.math.recordLength);
    math.colour = SwapRedBlue(image.math.colour);

    ChannelSettings& ref = s.ch(kRef);
    ref.enabled = static_cast<std::uint32_t>(image.ref.enabled);
    ref.zeroLevel = image.ref.zeroLevel;
    ref.voltsPerDivIndex = image.ref.voltsPerDivIndex;
    ref.recordLength = static_cast<std::uint32_t>(image.ref.recordLength);
    ref.colour = SwapRedBlue(image.ref.colour);

    TriggerSettings& t = s.trigger;
    t.triggerMode = image.trigger.triggerMode;
    t.sweep = image.trigger.sweep;
    t.triggerSource = image.trigger.triggerSource;
    t.slope = image.trigger.slope;
    t.levelCh1 = image.trigger.levelCh1;
    t.levelCh2 = image.trigger.levelCh2;
    t.levelExt = image.trigger.levelExt;
    t.hfRejection = static_cast<std::uint32_t>(image.trigger.hfRejection);
    t.levelMarkerCh1 = image.trigger.levelMarkerCh1;
    t.levelMarkerCh2 = image.trigger.levelMarkerCh2;
    t.levelMarkerExt = image.trigger.levelMarkerExt;

    TimebaseSettings& tb = s.timebase;
    tb.timeDivIndex = image.timebase.timeDivIndex;
    const std::uint16_t buffer = image.timebase.bufferSizeIndex;
    if (buffer != 0) {
        const std::uint32_t length = BufferSizeRecordLength(buffer);
        for (int c : {kCh1, kCh2, kMath}) {
            s.ch(c).recordLength = length;
        }
    }
    tb.bufferSizeIndex = buffer;
    tb.displayFormat = image.timebase.displayFormat;
    tb.horizontalPosition = image.timebase.horizontalPosition;
    tb.samplingMode = image.timebase.samplingMode;

    s.persistenceDepth = image.acquire.persistenceDepth;
    s.persistenceOn = static_cast<std::uint32_t>(image.acquire.persistenceOn);
    s.acquire.acquisitionMode = image.acquire.acquisitionMode;
    if (s.acquire.averageCount != image.acquire.averageCount) {
        s.acquire.averagedFrames = 0; // a new count restarts the average
    }
    s.acquire.averageCount = image.acquire.averageCount;

    tb.displayFormat = CorrectedDisplayFormat(tb.timeDivIndex, tb.bufferSizeIndex, tb.displayFormat);
}

} // namespace tarnix
