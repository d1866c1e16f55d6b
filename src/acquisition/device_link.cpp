#include "acquisition/device_link.h"

#include <algorithm>

#include "model/instrument_settings.h"

namespace tarnix {

namespace {

// The two words behind the 36 calibration words; the driver reads the table as 38 words.
constexpr std::uint16_t kTableTailLow = 0;
constexpr std::uint16_t kTableTailHigh = 254;
// The instrument stores a high byte above 50 only when its memory is corrupt; it is capped on reading.
constexpr std::uint16_t kCalibrationHighByteCap = 50;
constexpr std::uint16_t kUnwrittenCalibrationLevel = 255;

} // namespace

CDeviceLink::CDeviceLink(IDriverLibrary* library) : library_(library) {
    calibration[kCalibrationWords] = kTableTailLow;
    calibration[kCalibrationWords + 1] = kTableTailHigh;
}

int CDeviceLink::Search() {
    deviceCount = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        if (IsPresent(slot)) {
            present[index] = 1;
            ReadDeviceId(slot);
            ++deviceCount;
        } else {
            present[index] = 0;
        }
    }
    return deviceCount;
}

bool CDeviceLink::IsPresent() {
    return IsPresent(selectedSlot);
}

bool CDeviceLink::IsPresent(int slot) {
    if (library_ == nullptr || !ValidSlot(slot)) {
        return false;
    }
    return library_->IsPresent(slot) != 0;
}

bool CDeviceLink::ReadDeviceId(int slot) {
    if (library_ == nullptr || !ValidSlot(slot)) {
        return false;
    }
    std::uint16_t id = 0;
    const int result = library_->ReadDeviceId(slot, &id);
    deviceId[static_cast<std::size_t>(slot)] = id;
    return result != 0;
}

bool CDeviceLink::WriteDeviceId(int slot, int id) {
    if (library_ == nullptr || !ValidSlot(slot) || id < 0 || id > 255) {
        return false;
    }
    if (library_->WriteDeviceId(slot, id) == 0) {
        return false;
    }
    deviceId[static_cast<std::size_t>(slot)] = static_cast<std::uint16_t>(id);
    return true;
}

bool CDeviceLink::ReadCalibration() {
    std::fill(calibration.begin(), calibration.end(), std::uint16_t{0});
    calibration[kCalibrationWords] = kTableTailLow;
    calibration[kCalibrationWords + 1] = kTableTailHigh;
    if (library_ == nullptr) {
        return false;
    }
    std::array<std::uint16_t, kCalibrationValues> values{};
    if (library_->ReadCalibration(selectedSlot, values.data(), kCalibrationValues) == 0) {
        return false;
    }
    for (std::size_t word = 0; word < static_cast<std::size_t>(kCalibrationWords); ++word) {
        const std::uint16_t high = std::min(values[2 * word], kCalibrationHighByteCap);
        calibration[word] = static_cast<std::uint16_t>(high * 256u + values[2 * word + 1]);
    }
    return true;
}

bool CDeviceLink::WriteCalibration() {
    if (library_ == nullptr) {
        return false;
    }
    std::array<std::uint16_t, kCalibrationValues> values{};
    for (std::size_t word = 0; word < static_cast<std::size_t>(kCalibrationWords); ++word) {
        values[2 * word] = static_cast<std::uint16_t>(calibration[word] >> 8);
        values[2 * word + 1] = static_cast<std::uint16_t>(calibration[word] & 0xFFu);
    }
    return library_->WriteCalibration(selectedSlot, values.data(), kCalibrationValues) != 0;
}

bool CDeviceLink::ReadCalibrationLevel() {
    if (library_ == nullptr) {
        return false;
    }
    std::uint16_t level = 0;
    if (library_->ReadCalibrationLevel(selectedSlot, &level) == 0) {
        return false;
    }
    calibrationLevel = level == kUnwrittenCalibrationLevel ? std::uint16_t{0} : level;
    return true;
}

bool CDeviceLink::WriteCalibrationLevel(int level) {
    if (library_ == nullptr || level < 0 || level > 255) {
        return false;
    }
    if (library_->WriteCalibrationLevel(selectedSlot, level) == 0) {
        return false;
    }
    calibrationLevel = static_cast<std::uint16_t>(level);
    return true;
}

int CDeviceLink::SetTimebaseTrigger(int slope) {
    return library_ != nullptr ? library_->SetTimebaseTrigger(selectedSlot, slope, &block) : 0;
}

int CDeviceLink::SetChannels(int ch1VoltsIndex, int ch2VoltsIndex, int ch1Coupling, int ch2Coupling,
                             int triggerSource) {
    return library_ != nullptr ? library_->SetChannels(selectedSlot, ch1VoltsIndex, ch2VoltsIndex,
                                                       ch1Coupling, ch2Coupling, triggerSource)
                               : 0;
}

int CDeviceLink::SetLevels(int ch1VoltsIndex, int ch2VoltsIndex, int triggerSource) {
    return SetLevels(ch1VoltsIndex, ch2VoltsIndex, triggerSource, calibration.data());
}

int CDeviceLink::SetLevels(int ch1VoltsIndex, int ch2VoltsIndex, int triggerSource,
                           const std::uint16_t* table) {
    if (library_ == nullptr || table == nullptr) {
        return 0;
    }
    return library_->SetLevels(selectedSlot, &block.levels, ch1VoltsIndex, ch2VoltsIndex, triggerSource,
                               table);
}

int CDeviceLink::SetFilters(int ch1BandwidthLimit, int ch2BandwidthLimit, int hfRejection) {
    return library_ != nullptr
               ? library_->SetFilters(selectedSlot, ch1BandwidthLimit, ch2BandwidthLimit, hfRejection)
               : 0;
}

int CDeviceLink::StartCapture() {
    return library_ != nullptr ? library_->StartCapture(selectedSlot) : 0;
}

int CDeviceLink::EnableTrigger() {
    return library_ != nullptr ? library_->EnableTrigger(selectedSlot) : 0;
}

int CDeviceLink::ForceTrigger() {
    return library_ != nullptr ? library_->ForceTrigger(selectedSlot) : 0;
}

int CDeviceLink::GetCaptureState() {
    if (library_ == nullptr) {
        return kCaptureWaiting;
    }
    return library_->GetCaptureState(selectedSlot, &captureAddress);
}

int CDeviceLink::ReadCapture(std::uint16_t* ch1, std::uint16_t* ch2) {
    if (library_ == nullptr || ch1 == nullptr || ch2 == nullptr) {
        return 0;
    }
    return library_->ReadCapture(selectedSlot, ch1, ch2, &block, captureAddress, calibrationLevel);
}

int CDeviceLink::ReadCapture(std::vector<std::uint16_t>& ch1, std::vector<std::uint16_t>& ch2) {
    const std::size_t length = CaptureLength();
    if (ch1.size() < length || ch2.size() < length) {
        return 0;
    }
    return ReadCapture(ch1.data(), ch2.data());
}

std::uint32_t CDeviceLink::CaptureLength() const {
    return BufferSizeRecordLength(block.bufferSizeIndex);
}

} // namespace tarnix
