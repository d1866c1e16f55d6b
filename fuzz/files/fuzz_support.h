// Shared by the loader fuzz targets: the input as a file the loader can open, and an independent check that
// every setting the loaders may touch lies within its range.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "model/instrument_settings.h"

namespace tarnix::fuzz {

inline constexpr std::uint32_t kCapacity = 65536; // model 1's sample memory

// Writes the input to a file named with `extension` in a folder private to this process.
inline std::string WriteInput(const std::uint8_t* data, std::size_t size, const char* extension) {
    static const std::string folder = [] {
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(base) + "/tarnix-fuzz-" + std::to_string(::getpid());
    }();
    static bool made = false;
    if (!made) {
        std::string command = folder;
        ::mkdir(command.c_str(), 0700);
        made = true;
    }
    std::string path = folder + "/input" + extension;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::abort();
    }
    if (size > 0) {
        std::fwrite(data, 1, size, f);
    }
    std::fclose(f);
    return path;
}

inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "setting out of range: %s\n", what);
        std::abort();
    }
}

inline bool IsLength(std::uint32_t v) {
    return v == 10240 || v == 14336 || v == 28672 || v == 32768 || v == 524288;
}

inline void RequireChannel(const ChannelSettings& c, bool isRef) {
    Require(c.enabled <= 1 && c.invert <= 1 && c.bandwidthLimit <= 1, "channel flags");
    Require(c.voltsPerDivIndex <= 9, "volts/div");
    Require(c.coupling <= 2 && c.probe <= 3 && c.filterMode <= 2 && c.interpolation <= 2, "channel choices");
    Require(std::isfinite(c.zeroLevel) && c.zeroLevel >= 0.0f && c.zeroLevel <= 255.0f, "zero level");
    if (isRef) {
        Require(c.recordLength >= 1 && c.recordLength <= kCapacity, "REF record length");
    } else {
        Require(IsLength(c.recordLength) && c.recordLength <= kCapacity, "record length");
    }
    Require((c.colour & 0xFF000000u) == 0, "colour");
}

// Every field of the record against its range, for model 1 (time-base offset 1).
inline void RequireSettingsInRange(const InstrumentSettings& s) {
    Require(s.model == 1, "model");
    for (int c = 0; c < kChannelCount; ++c) {
        RequireChannel(s.ch(c), c == kRef);
    }
    const MathSettings& m = s.ch(kMath).math;
    Require(m.mathOperator <= 3 && m.sourceA <= 1 && m.sourceB <= 1, "math");
    const TriggerSettings& t = s.trigger;
    Require(t.triggerSource <= 4 && t.triggerMode <= 1 && t.sweep <= 2 && t.slope <= 1 && t.hfRejection <= 1,
            "trigger choices");
    Require(std::isfinite(t.levelCh1) && std::isfinite(t.levelCh2) && std::isfinite(t.levelExt) &&
                std::fabs(t.levelCh1) <= 32767.0f && std::fabs(t.levelCh2) <= 32767.0f &&
                t.levelExt >= 0.0f && t.levelExt <= 255.0f,
            "trigger levels");
    for (std::uint16_t marker : {t.levelMarkerCh1, t.levelMarkerCh2, t.levelMarkerExt}) {
        Require(marker == 0 || marker == 2 || marker == 3, "level marker");
    }
    const TimebaseSettings& tb = s.timebase;
    Require(tb.timeDivOffset == 1 && tb.timeDivIndex <= 37, "time/div");
    Require(tb.displayFormat <= 2 && tb.horizontalPosition <= 500 && tb.samplingMode <= 1, "time base");
    Require(tb.bufferSizeIndex <= 4, "buffer size within model 1's memory");
    const AcquireSettings& a = s.acquire;
    Require(a.acquisitionMode <= 2 && a.averageCount >= 1 && a.averageCount <= 128 &&
                a.averagedFrames <= a.averageCount,
            "acquisition");
    Require(a.running <= 1 && s.runStatus <= 5, "run state");
    Require(s.persistenceOn <= 1 && s.persistenceDepth <= 15, "persistence");
}

inline InstrumentSettings Model1Defaults() {
    InstrumentSettings settings;
    ApplyFactoryDefaults(settings);
    return settings;
}

} // namespace tarnix::fuzz
