// Setup files (".set" and Default.set): the complete instrument and front-end state as a raw little-endian
// dump of fields in a fixed order, with the UTF-16LE magic "MRV-OSC" in front.
//
// `SetupImage` mirrors the file block by block and field by field. The document fills one from its
// settings, screen, measurements, Pass/Fail, FFT and recorder to save, and applies one after a load. The
// reader checks everything: a file that is cut short, too long, or not a setup of this model is refused
// whole; a field outside its range keeps the value it had (as the range-checking setters do), so no
// setting ever leaves its range.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/file_result.h"
#include "model/instrument_settings.h"

namespace tarnix {

inline constexpr std::size_t kSetupHeaderBytes = 20;
// A setup without REF samples and without a recording.
inline constexpr std::size_t kSetupBaseBytes = 20412;
inline constexpr std::size_t kSetupRecorderStoreSamples = 5000000;
inline constexpr std::size_t kSetupRecorderStoreBytes = 2 * kSetupRecorderStoreSamples;
inline constexpr std::size_t kSetupMaskPoints = 5000;

struct SetupChannelBlock { // CH1 and CH2, 34 bytes
    std::int32_t enabled = 1;
    std::uint16_t voltsPerDivIndex = 6;
    std::uint16_t coupling = kCouplingAc;
    std::uint16_t probe = 0;
    std::uint16_t filterMode = kFilterNone;
    std::int32_t invert = 0;
    std::int32_t bandwidthLimit = 0;
    float zeroLevel = 128.0f;
    std::uint16_t interpolation = kInterpSinc;
    std::int32_t recordLength = 10240;
    std::uint32_t colour = 0; // 0x00BBGGRR
    bool operator==(const SetupChannelBlock&) const = default;
};

struct SetupMathBlock { // 32 bytes
    std::int32_t enabled = 0;
    std::uint16_t voltsPerDivIndex = 6;
    std::uint16_t probe = 0;
    std::uint16_t sourceA = 0;
    std::uint16_t sourceB = 1;
    std::uint16_t mathOperator = kMathAdd;
    std::int32_t invert = 0;
    float zeroLevel = 128.0f;
    std::uint16_t interpolation = kInterpSinc;
    std::int32_t recordLength = 10240;
    std::uint32_t colour = 0x0000FF; // 0x00BBGGRR
    bool operator==(const SetupMathBlock&) const = default;
};

struct SetupRefBlock { // 36 bytes, then N samples when `empty` is 0
    std::int32_t enabled = 0;
    std::int32_t empty = 1; // non-zero while no reference is held
    float zeroLevel = 128.0f;
    float zeroLevelAtStop = 128.0f;
    std::uint16_t voltsPerDivIndex = 6;
    std::uint16_t voltsPerDivIndexAtStop = 6;
    std::int32_t recordLength = 10240; // N
    std::uint16_t timeDivIndex = 12;
    std::uint16_t horizontalPosition = 250;
    float storedPosition = 128.0f;
    std::uint32_t colour = 0xFFFF00;    // 0x00BBGGRR
    std::vector<std::uint16_t> samples; // N samples when `empty` is 0
    bool operator==(const SetupRefBlock&) const = default;
};

struct SetupTriggerBlock { // 46 bytes
    std::uint16_t triggerMode = kTrigModeEdge;
    std::uint16_t sweep = kSweepAuto;
    std::uint16_t triggerSource = kTrigCh1;
    std::uint16_t slope = kSlopeRising;
    float levelCh1 = 64.0f;
    float levelCh2 = 192.0f;
    float levelExt = 128.0f;
    float voltsCh1 = 0.0f; // levels in volts as last shown by the status text
    float voltsCh2 = 0.0f;
    float voltsExt = 0.0f;
    std::int32_t hfRejection = 0;
    std::uint16_t levelMarkerCh1 = kMarkerOnScreen;
    std::uint16_t levelMarkerCh2 = kMarkerOnScreen;
    std::uint16_t levelMarkerExt = kMarkerOnScreen;
    float levelOffset = 0.0f; // the screen's trigger-level marker offset
    bool operator==(const SetupTriggerBlock&) const = default;
};

struct SetupTimebaseBlock { // 10 bytes
    std::uint16_t timeDivIndex = 12;
    std::uint16_t bufferSizeIndex = 0;
    std::uint16_t displayFormat = kFormatYT;
    std::uint16_t horizontalPosition = 250; // written held to 0..500
    std::uint16_t samplingMode = 0;
    bool operator==(const SetupTimebaseBlock&) const = default;
};

struct SetupDisplayBlock {          // 14 bytes
    std::uint16_t cursorSource = 0; // 0 CH1, 1 CH2, 2 MATH, 6 FFT
    std::uint16_t cursorType = 0;   // 0..4
    std::uint16_t dotsMode = 0;
    std::int32_t gridOn = 1;
    std::uint16_t gridIntensity = 200;
    std::uint16_t waveIntensity = 255;
    bool operator==(const SetupDisplayBlock&) const = default;
};

struct SetupAcquireBlock {              // 16 bytes
    std::uint16_t persistenceDepth = 0; // 0..15
    std::int32_t persistenceOn = 0;
    std::uint16_t acquisitionMode = kAcqNormal;
    std::uint16_t averageCount = 1;
    std::uint16_t saveChannel = 0;
    std::int32_t recordingEmpty = 1; // 0 when the recorder holds frames
    bool operator==(const SetupAcquireBlock&) const = default;
};

struct SetupRecorderBlock { // 44 bytes, then the frame store when the recording-empty flag is 0
    std::uint16_t recordSource = 0;
    std::uint16_t recordEndFrame = 1000;
    std::uint16_t recordInterval = 1;
    std::uint16_t recordedCount = 1000;
    std::uint16_t timeDivIndex = 0;
    std::uint16_t voltsPerDivIndex = 0;
    float verticalPosition = 0.0f;
    std::uint16_t coupling = 0;
    std::uint16_t probe = 0;
    std::int32_t bandwidthLimit = 0; // the file holds its low 16 bits; read back sign-extended
    std::int32_t playing = 0;
    std::uint16_t playStartFrame = 1;
    std::uint16_t horizontalPosition = 0;
    std::int32_t reserved = 0;
    std::uint16_t playInterval = 1;
    std::uint16_t playEndFrame = 1000;
    std::uint16_t currentFrame = 1;
    std::int32_t repeat = 0;
    std::vector<std::int16_t> frames; // 5,000,000 samples when the recording-empty flag is 0
    bool operator==(const SetupRecorderBlock&) const = default;
};

struct SetupPassFailBlock {                 // 20,036 bytes
    std::uint16_t horizontalTolerance = 10; // points, 1..2000
    std::uint16_t verticalTolerance = 1;    // 1..128
    std::uint64_t failCount = 0;
    std::uint64_t passCount = 0;
    std::uint64_t totalCount = 0;
    std::uint16_t output = 0; // 0..3
    std::uint16_t source = 0; // 0..1
    std::int32_t stopWhenOutput = 0;
    std::array<std::int16_t, kSetupMaskPoints> upper{};
    std::array<std::int16_t, kSetupMaskPoints> lower{};
    bool operator==(const SetupPassFailBlock&) const = default;
};

struct SetupMeasureSlot {
    std::int32_t used = 0;
    std::uint16_t source = 0; // 0..2
    std::uint16_t kind = 0;   // 0..19
    bool operator==(const SetupMeasureSlot&) const = default;
};

struct SetupMeasureBlock {       // 68 bytes
    std::uint16_t itemCount = 0; // 0..8
    std::uint16_t source = 0;    // 0..2
    std::array<SetupMeasureSlot, 8> items{};
    bool operator==(const SetupMeasureBlock&) const = default;
};

struct SetupFftBlock { // 22 bytes
    std::int32_t running = 0;
    std::uint16_t source = 0; // 0..1
    std::uint16_t window = 0; // 0..3
    std::uint16_t bins = 256; // 256, 512, 1024, 2048, 4096
    std::uint16_t scale = 1;  // 0 dB, 1 Linear
    double verticalScale = 0.5;
    std::uint16_t horizontalZoom = 1; // 1, 2, 4, 8, 16
    bool operator==(const SetupFftBlock&) const = default;
};

struct SetupImage {
    std::uint16_t model = 1;
    std::int32_t languageIndex = -1; // -1: the built-in language
    SetupChannelBlock ch1{.enabled = 1, .zeroLevel = 64.0f, .colour = 0x00FF00};
    SetupChannelBlock ch2{.enabled = 1, .zeroLevel = 192.0f, .colour = 0x00FFFF};
    SetupMathBlock math;
    SetupRefBlock ref;
    SetupTriggerBlock trigger;
    SetupTimebaseBlock timebase;
    SetupDisplayBlock display;
    SetupAcquireBlock acquire;
    SetupRecorderBlock recorder;
    SetupPassFailBlock passFail;
    SetupMeasureBlock measure;
    SetupFftBlock fft;
    bool operator==(const SetupImage&) const = default;
};

// What a loaded setup is checked against.
struct SetupLimits {
    std::uint16_t model = 1;              // the document's model: other models are refused
    int timeDivOffset = 1;                // the selector's first table row
    std::uint32_t sampleCapacity = 65536; // CH1/CH2/MATH sample memory: the largest record length allowed
    std::uint32_t refCapacity = 65536;    // REF sample memory: the most REF samples a file may carry
};

// The exact bytes of a setup file. REF samples are written only when `ref.empty` is 0 (N of them, 0 for
// any the image lacks), the recorder store only when `acquire.recordingEmpty` is 0.
std::vector<std::uint8_t> SerializeSetup(const SetupImage& image);
// The file's size for an image.
std::size_t SetupFileSize(const SetupImage& image);

enum class SetupParseStatus { kOk, kBadMagic, kOtherModel, kBadLayout };
struct SetupParseResult {
    SetupParseStatus status = SetupParseStatus::kBadLayout;
    SetupImage image;
};
// Parses a whole setup file. Fields outside their ranges take the value from `current`.
SetupParseResult ParseSetup(std::span<const std::uint8_t> bytes, const SetupImage& current,
                            const SetupLimits& limits);

// Whether every field of an image lies within its range (and the optional parts match their flags).
bool SetupImageInRange(const SetupImage& image, const SetupLimits& limits);

// SaveSetupFile: in demo mode only the 20-byte header is written over an existing file (a missing file is
// not created); otherwise the file is replaced atomically. Either way a failure gives "Cann't save file: %s".
FileResult SaveSetupFile(const std::string& path, const SetupImage& image, bool demoMode);

struct SetupLoadResult : FileResult {
    bool languageOnly = false; // demo mode: only `image.languageIndex` comes from the file
    bool missing = false;      // refused because there is no such file
    bool unreadable = false;   // refused because the file exists but could not be opened or read
    SetupImage image;          // on success; `current` with the file's values applied
};
// LoadSetupFile: "Can not open file: %s" for a file that cannot be read, "This setup file belongs to another
// model!" for another model's setup, and "This is not a setup file!" for any other path or content it
// refuses. A refusal changes nothing.
SetupLoadResult LoadSetupFile(const std::string& path, const SetupImage& current, const SetupLimits& limits,
                              bool demoMode);

// ---- Mapping to the settings record --------------------------------------------------------------

// Colours: the settings hold 0x00RRGGBB, the file 0x00BBGGRR.
std::uint32_t SwapRedBlue(std::uint32_t colour);

// Copies the fields the settings record owns into the image (channels, REF settings, trigger levels and
// choices, time base, acquisition mode, persistence). The rest is the document's to fill.
void CaptureSettings(const InstrumentSettings& settings, SetupImage& image);

// Applies a loaded image's settings fields to the record as the loader does: the buffer-size rule (a
// non-zero index sets the record length of CH1, CH2 and MATH), then the format correction.
void ApplySetupToSettings(const SetupImage& image, InstrumentSettings& settings);

// Format correction after a load: slower than 400ms with the 10k buffer shows Roll; Roll at 400ms or
// faster shows Y-T.
std::uint16_t CorrectedDisplayFormat(std::uint16_t timeDivIndex, std::uint16_t bufferSizeIndex,
                                     std::uint16_t displayFormat);

} // namespace tarnix
