// Zero calibration: with the inputs grounded, searches for each channel and volts/div step 0..8 the
// offset word that puts 0 V at the bottom edge (zero level 255) and the one that puts it at the top edge
// (zero level 0), one phase per timer tick, and writes the table to the instrument when it completes.
// Also the rules of the Calibrate Data dialog's level edit and the Zero Calibration dialog's texts.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/driver_library.h"

namespace tarnix {

class CTarnixDoc;
class CDeviceLink;
struct InstrumentSettings;

// calibrationStep values.
enum CalibrationStep : std::int32_t {
    kCalibrationIdle = -1,
    kCalibrationCh1 = 0,
    kCalibrationCh2 = 1,
    kCalibrationDone = 2,
};

inline constexpr int kCalibratedVoltsSteps = 9; // volts/div indexes 0..8 have words of their own
inline constexpr int kCalibrationWordsPerChannel = 18;
inline constexpr int kCalibrationTimeDiv = 11;
// Word searches stop here even when the trace never reaches the edge.
inline constexpr int kBottomWordFloor = 6;   // below this the bottom search ends
inline constexpr int kTopWordCeiling = 1001; // at or above this the top search ends

// Language keys of the dialog's button.
inline constexpr int kTextCalibrationStart = 32872;
inline constexpr int kTextCalibrationStop = 32876;

// The word a search starts from for a model, channel (0, 1) and volts/div index 0..8.
std::uint16_t CalibrationStartWord(int model, int channel, int voltsIndex);

// Index into the calibration table of the bottom word of a channel and volts/div index; the top word
// follows it.
int CalibrationWordIndex(int channel, int voltsIndex);

// The largest calibration level a model accepts: 20 for model 2, 10 otherwise.
int CalibrationLevelMax(int model);
int ClampCalibrationLevel(int model, int value);

// One change of the Calibrate Data edit: the value clamped to the model's range, and whether it was
// new and therefore stored and written to the instrument.
struct CalibrationLevelEdit {
    int value = 0;
    bool written = false;
};
CalibrationLevelEdit ApplyCalibrationLevelEdit(CDeviceLink& link, int model, int value);

// The Zero Calibration dialog's list.
inline constexpr char kCalibrationPrepareLine[] = "Prepare... OK!";
inline constexpr char kCalibrationPleaseStartLine[] = "Please start calibration...";
inline constexpr char kCalibrationStartedLine[] = "Please start calibration... OK!";
inline constexpr char kCalibrationStopLine[] = "Calibrate Stop!";
// The list rebuilt for a calibrationStep while calibration runs or has just ended.
std::vector<std::string> CalibrationProgressLines(int step, bool ch1Selected, bool ch2Selected);

// What calibration needs from the windows; every member may stay empty.
struct CalibrationHooks {
    // The main window is maximised while calibration runs and returns to its normal size after it.
    std::function<void(bool maximized)> setMainWindowMaximized;
    // The channel enables changed: bring the sidebar into step.
    std::function<void()> refreshSidebar;
};

class CZeroCalibration {
public:
    explicit CZeroCalibration(CTarnixDoc& doc);
    CZeroCalibration(const CZeroCalibration&) = delete;
    CZeroCalibration& operator=(const CZeroCalibration&) = delete;

    CalibrationHooks hooks;

    // Points the document's calibrationTick hook at this object.
    void Attach();

    // The dialog's Start. Nothing happens (false) when neither channel is selected, or in demo mode.
    bool Start(bool ch1Selected, bool ch2Selected);
    // One phase (the document calls it once per tick while calibrationStep is not -1); at step 2 the
    // finish with writing.
    void Tick();
    // Ends calibration: writes the working table only when it completed (step 2), then restores the
    // channel enables, positions and levels. Also the dialog's Stop and close.
    void Finish();

    bool InProgress() const;
    int Step() const;
    int VoltsIndex() const { return voltsIndex_; }
    int Phase() const { return phase_; }
    int LastMean() const { return lastMean_; }
    bool Ch1Selected() const { return selected_[0]; }
    bool Ch2Selected() const { return selected_[1]; }
    const std::array<std::uint16_t, kCalibrationTableSize>& WorkingTable() const { return working_; }

private:
    void PhaseStep(int channel);
    // SetLevels with the working table, one single capture, and the mean display level of the channel.
    int CaptureMean(int channel);
    void ChannelDone(int channel);
    void SetZeroLevelQuietly(int channel, float level);

    CTarnixDoc& doc_;
    std::array<std::uint16_t, kCalibrationTableSize> working_{};
    std::array<bool, 2> selected_{};
    std::array<std::uint32_t, 2> savedEnables_{};
    int voltsIndex_ = 0;
    int phase_ = 0;
    int lastMean_ = 0;
};

} // namespace tarnix
