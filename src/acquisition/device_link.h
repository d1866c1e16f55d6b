// The program's side of the instrument driver: the slots found by the search, the settings in the form
// the driver takes (HardwareBlock), the calibration table and level, and one thin method per entry.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "acquisition/driver_library.h"

namespace tarnix {

class CDeviceLink {
public:
    // nullptr means "no driver library": the search finds nothing and every entry is a no-op.
    // The link does not own the library; the document keeps the loaded one alive beside it.
    explicit CDeviceLink(IDriverLibrary* library);

    // Public data, in the order the instrument interface defines it.
    std::uint16_t deviceCount = 0;
    std::array<std::uint32_t, kSlotCount> present{}; // 32-bit flags filled by the search
    std::array<std::uint16_t, kSlotCount> deviceId{};
    std::uint16_t selectedSlot = 0; // 0..3; every entry below passes it
    HardwareBlock block;
    // 36 calibration words, then the two fixed words 0 and 254.
    std::array<std::uint16_t, kCalibrationTableSize> calibration{};
    std::uint16_t calibrationLevel = 0;
    std::uint32_t captureAddress = 0; // from GetCaptureState, handed back to ReadCapture

    bool HasLibrary() const { return library_ != nullptr; }
    // Replaces the library (e.g. after a late load); the search results are left as they are.
    void SetLibrary(IDriverLibrary* library) { library_ = library; }

    // Clears the count; marks each slot that answers present, reads its ID and counts it.
    int Search();

    bool IsPresent(); // selected slot
    bool IsPresent(int slot);
    bool ReadDeviceId(int slot); // into deviceId[slot]
    // The stored ID is replaced only when the instrument accepts it; id must be 0..255.
    bool WriteDeviceId(int slot, int id);

    // Entry 9: word i = min(value 2i, 50) x 256 + value 2i+1, then the words 0 and 254.
    // On failure the table is left zeroed (apart from the two fixed words) and false is returned.
    bool ReadCalibration();
    // Entry 10: the 36 words split back into high byte, low byte.
    bool WriteCalibration();
    // Entry 14: a level of 255 means "never written" and is stored as 0.
    bool ReadCalibrationLevel();
    bool WriteCalibrationLevel(int level); // stores the level on success

    // Configuration entries; their results are not relied upon, so they are passed through as is.
    int SetTimebaseTrigger(int slope); // with block
    int SetChannels(int ch1VoltsIndex, int ch2VoltsIndex, int ch1Coupling, int ch2Coupling,
                    int triggerSource);
    // With block.levels and the calibration table.
    int SetLevels(int ch1VoltsIndex, int ch2VoltsIndex, int triggerSource);
    // With another table of kCalibrationTableSize words (zero calibration tests its working table).
    int SetLevels(int ch1VoltsIndex, int ch2VoltsIndex, int triggerSource, const std::uint16_t* table);
    int SetFilters(int ch1BandwidthLimit, int ch2BandwidthLimit, int hfRejection);

    int StartCapture();
    int EnableTrigger();
    int ForceTrigger();
    // 0 waiting for a trigger, 1 triggered, 2 complete; fills captureAddress. 0 without a library.
    int GetCaptureState();
    // Fills both memories with the raw codes of the block's record length (BufferSizeRecordLength of
    // block.bufferSizeIndex); each must hold at least that many samples.
    int ReadCapture(std::uint16_t* ch1, std::uint16_t* ch2);
    // Checked form: refuses (returns 0, memories untouched) when a memory is shorter than the record.
    int ReadCapture(std::vector<std::uint16_t>& ch1, std::vector<std::uint16_t>& ch2);

    // Samples per channel that ReadCapture writes for the block's current buffer size.
    std::uint32_t CaptureLength() const;

private:
    static bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

    IDriverLibrary* library_ = nullptr;
};

} // namespace tarnix
