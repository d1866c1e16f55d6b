// The instrument maker's driver library, seen as one method per numbered entry. The real library and
// the simulated instrument are reached through CDriverLoader; tests implement this interface directly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnix {

// Levels record handed to entry 5, code scale 0..255.
struct HardwareLevels {
    std::uint16_t ch1Zero = 0;
    std::uint16_t ch2Zero = 0;
    std::uint16_t ch1Trigger = 0;
    std::uint16_t ch2Trigger = 0;
    std::uint16_t extTrigger = 0;
};

// Parameters of the spectrum routine (entry 17), 24 bytes the library reads at fixed offsets.
struct FftParameters {
    std::uint16_t sourceChannel = 0; // 0 CH1, 1 CH2
    std::uint16_t windowType = 0;
    std::uint16_t binCount = 0;
    std::uint16_t unused = 0;
    double voltsPerDiv = 1.0; // of the source channel, times its probe factor
    double scale = 0.0;       // 0.0 dB, 1.0 linear
};
static_assert(offsetof(FftParameters, windowType) == 2 && offsetof(FftParameters, binCount) == 4 &&
              offsetof(FftParameters, voltsPerDiv) == 8 && offsetof(FftParameters, scale) == 16 &&
              sizeof(FftParameters) == 24);

// The settings in the form the driver takes; its address is passed to entries 3 and 16.
struct HardwareBlock {
    std::uint16_t triggerSource = 0;
    std::uint16_t channelCode = 0;  // 0 CH1 only or none, 2 both, 3 CH2 only
    std::uint16_t timeDivIndex = 0;
    std::uint16_t position = 50;  // horizontal position / 5, 0..100
    std::uint16_t bufferSizeIndex = 0;
    std::uint16_t altFlag = 0;
    HardwareLevels levels;
    FftParameters fft;
};

inline constexpr int kSlotCount = 4;
inline constexpr int kCalibrationWords = 36;
inline constexpr int kCalibrationTableSize = kCalibrationWords + 2;  // + the words 0 and 254
inline constexpr int kCalibrationValues = 72;                         // bytes exchanged with entries 9/10

enum CaptureState : int { kCaptureWaiting = 0, kCaptureTriggered = 1, kCaptureComplete = 2 };

// One method per driver entry; the entry number is in the comment. Every call names the slot.
class IDriverLibrary {
public:
    virtual ~IDriverLibrary() = default;

    virtual int IsPresent(int slot) = 0;                                                      // 8
    virtual int ReadDeviceId(int slot, std::uint16_t* id) = 0;                                // 20
    virtual int WriteDeviceId(int slot, int id) = 0;                                          // 21
    virtual int ReadCalibration(int slot, std::uint16_t* values, int count) = 0;              // 9
    virtual int WriteCalibration(int slot, const std::uint16_t* values, int count) = 0;       // 10
    virtual int ReadCalibrationLevel(int slot, std::uint16_t* level) = 0;                     // 14
    virtual int WriteCalibrationLevel(int slot, int level) = 0;                               // 15
    virtual int SetTimebaseTrigger(int slot, int slope, const HardwareBlock* block) = 0;      // 3
    virtual int SetChannels(int slot, int ch1VoltsIndex, int ch2VoltsIndex, int ch1Coupling,
                            int ch2Coupling, int triggerSource) = 0;                          // 4
    virtual int SetLevels(int slot, const HardwareLevels* levels, int ch1VoltsIndex, int ch2VoltsIndex,
                          int triggerSource, const std::uint16_t* calibrationTable) = 0;      // 5
    virtual int SetFilters(int slot, int ch1BandwidthLimit, int ch2BandwidthLimit,
                           int hfRejection) = 0;                                              // 13
    virtual int StartCapture(int slot) = 0;                                                   // 6
    virtual int EnableTrigger(int slot) = 0;                                                  // 7
    virtual int ForceTrigger(int slot) = 0;                                                   // 1
    virtual int GetCaptureState(int slot, std::uint32_t* captureAddress) = 0;                 // 2
    virtual int ReadCapture(int slot, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* block,
                            std::uint32_t captureAddress, int calibrationLevel) = 0;          // 16
};

}  // namespace tarnix
