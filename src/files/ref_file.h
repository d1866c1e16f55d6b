// Reference waveforms: the binary ".rfc" files this program writes and the older text ".ref" files it still
// reads. Loaders validate the whole header before they touch anything, write the samples straight into
// REF's sample memory (never beyond it), and report the header for the document to apply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "files/file_result.h"
#include "model/instrument_settings.h"

namespace tarnix {

// Size of an .rfc header in bytes; N samples of 2 bytes follow.
inline constexpr std::size_t kRfcHeaderBytes = 18;
// Decimation span given to a layout-B .ref reference.
inline constexpr std::int32_t kOldRefDecimationSpan = 10000;
// Upper bound of a plausible decimation span (record samples across the screen).
inline constexpr std::int32_t kMaxDecimationSpan = 16 * 1024 * 1024;

// The REF state that lives beside the settings record (in the document and REF's frame).
struct ReferenceInfo {
    std::uint32_t empty = 1;       // non-zero while no reference is held
    float storedPosition = 128.0f; // REF position as stored in the reference file
    std::int32_t decimationSpan = 10000;
    std::uint16_t timeDivIndex = 12; // time base of the moment the reference was taken
    std::uint16_t horizontalPosition = 250;
};

// What a reference file says about the waveform it holds.
struct RefHeader {
    float position = 128.0f;       // becomes REF's zeroLevel
    float storedPosition = 128.0f; // becomes ReferenceInfo::storedPosition
    std::uint16_t voltsPerDivIndex = 6;
    std::int32_t recordLength = 0;
    std::int32_t decimationSpan = 0;
    std::uint16_t timeDivIndex = 0;
    std::uint16_t horizontalPosition = 250;
};

struct RefLoadResult : FileResult {
    RefHeader header;
    std::size_t samplesRead = 0; // samples written into REF's memory (an .rfc may end early)
};

// Writes an .rfc file from the channel named by `saveChannel` (0 CH1, else CH2): its position, volts/div,
// record length and decimation span, the current time base and trigger position, and its processed record.
FileResult SaveRefFile(const std::string& path, const InstrumentSettings& settings, std::uint16_t saveChannel,
                       std::span<const std::uint16_t> processedRecord, std::int32_t decimationSpan);

// Loads an .rfc file into `refSamples` (REF's sample memory; its size is the capacity). A file announcing
// more points than that, or a header out of range, is refused whole; a file that ends early loads the
// samples it holds and leaves the rest as they were.
RefLoadResult LoadRfcFile(const std::string& path, const InstrumentSettings& settings,
                          std::span<std::uint16_t> refSamples);

// Loads an older text ".ref" file (layouts A and B) into `refSamples`. Short files and files with more
// samples than the buffer holds are refused whole.
RefLoadResult LoadOldRefFile(const std::string& path, const InstrumentSettings& settings,
                             std::span<std::uint16_t> refSamples);

// Completes a successful load as the Load Reference command does: REF takes the header, is switched on and
// is no longer empty. (The document then copies the samples into REF's processed record and re-processes.)
void ApplyRefLoad(const RefHeader& header, InstrumentSettings& settings, ReferenceInfo& info);

// ---- Channel/Reference commands --------------------------------------------------------------------

// Whether a header's values are within their ranges for a REF buffer of `capacity` samples.
bool RefHeaderInRange(const RefHeader& header, int timeDivOffset, std::size_t capacity);

} // namespace tarnix
