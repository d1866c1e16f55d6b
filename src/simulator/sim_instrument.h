// A simulated instrument behind the driver boundary: up to four slots, each with its ID, calibration
// memory and calibration level, sampling the configured input signals the way the hardware would at
// the time base, buffer size and channel mode the program sends, with a trigger engine whose capture
// state advances with the (injected) clock. Tests use it in-process; libmorvlink-sim.so wraps one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "acquisition/clock.h"
#include "acquisition/driver_library.h"
#include "simulator/sim_config.h"

namespace tarnix {

// When a watched configuration file was last written, and its size.
struct FileStamp {
    std::int64_t time = 0;
    std::uint64_t size = 0;
    bool operator==(const FileStamp&) const = default;
};

class CSimInstrument final : public IDriverLibrary {
public:
    // The clock must outlive the instrument. Signal time 0 is the clock's time at construction.
    explicit CSimInstrument(IClock& clock, const SimConfig& config = SimConfig{});

    // Presence and signals take effect at once. IDs, calibration memory and level are the instrument's
    // own memory: they are taken from the configuration at construction, and later only where the
    // configured values for them changed (another ID: a different instrument plugged in).
    void ApplyConfig(const SimConfig& config);
    const SimConfig& Config() const { return config_; }
    void SetPresent(int slot, bool present); // unplug / replug
    void SetSignal(int channel, const SimSignal& signal);

    // Re-reads this file whenever it changed (checked when the program asks for presence), so a user can
    // unplug and replug an instrument by editing it. Keys left out take their defaults. The first read
    // also sets every slot's memory. Returns the errors of the first read.
    SimConfigResult WatchConfigFile(const std::string& path);

    // The words that place 0 V exactly at the bottom (zero level 255) and at the top edge (zero level 0)
    // for a channel (0, 1) and volts/div index; zero calibration should converge near them.
    static int TrueBottomWord(int channel, int voltsIndex);
    static int TrueTopWord(int channel, int voltsIndex);

    // What the slot samples at with its last time-base settings, in samples per second.
    double SampleRate(int slot) const;
    // Sample index of the trigger point in a record of the slot's current settings.
    std::uint32_t TriggerIndex(int slot) const;
    // Number of captures started on a slot (also what GetCaptureState reports as capture address).
    std::uint32_t CaptureCount(int slot) const;

    // Driver entries. The trigger source comes from the block of entry 3; the source arguments of
    // entries 4 and 5 are not used.
    int IsPresent(int slot) override;
    int ReadDeviceId(int slot, std::uint16_t* id) override;
    int WriteDeviceId(int slot, int id) override;
    int ReadCalibration(int slot, std::uint16_t* values, int count) override;
    int WriteCalibration(int slot, const std::uint16_t* values, int count) override;
    int ReadCalibrationLevel(int slot, std::uint16_t* level) override;
    int WriteCalibrationLevel(int slot, int level) override;
    int SetTimebaseTrigger(int slot, int slope, const HardwareBlock* block) override;
    int SetChannels(int slot, int ch1VoltsIndex, int ch2VoltsIndex, int ch1Coupling, int ch2Coupling,
                    int triggerSource) override;
    int SetLevels(int slot, const HardwareLevels* levels, int ch1VoltsIndex, int ch2VoltsIndex,
                  int triggerSource, const std::uint16_t* calibrationTable) override;
    int SetFilters(int slot, int ch1BandwidthLimit, int ch2BandwidthLimit, int hfRejection) override;
    int StartCapture(int slot) override;
    int EnableTrigger(int slot) override;
    int ForceTrigger(int slot) override;
    int GetCaptureState(int slot, std::uint32_t* captureAddress) override;
    int ReadCapture(int slot, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* block,
                    std::uint32_t captureAddress, int calibrationLevel) override;

private:
    enum class Phase { kIdle, kRunning, kComplete };

    // What a capture is taken with. Configuration entries change it until the capture completes;
    // a completed capture keeps its own copy, so ReadCapture returns what was captured.
    struct Settings {
        HardwareBlock block;
        int slope = 0;
        HardwareLevels levels{64, 192, 64, 192, 128};
        std::array<int, 2> voltsIndex{6, 6};
        std::array<int, 2> coupling{1, 1};
        std::array<std::uint16_t, kCalibrationWords> words{}; // the table sent with the levels
        std::array<bool, 2> bandwidthLimit{};
        bool hfRejection = false;
    };

    struct Slot {
        bool present = false;
        std::uint16_t deviceId = 0;
        std::array<std::uint16_t, kCalibrationValues> calibrationMemory{};
        std::uint16_t calibrationLevel = 0;

        Settings live;    // as last sent by the program
        Settings capture; // of the capture in progress or completed

        // Capture in progress, times in signal seconds.
        Phase phase = Phase::kIdle;
        double startTime = 0.0;
        bool enabled = false;
        double enableTime = 0.0;
        bool triggerKnown = false;
        double triggerTime = 0.0; // infinity when the signal never crosses the level
        bool forced = false;
        double forceTime = 0.0;
        int altChannel = 1; // with trigger source ALT in the block, the channel of the next capture
        std::uint32_t captureCount = 0;
        double rollTime = 0.0; // signal time of the next roll point
    };

    bool Usable(int slot) const;
    Slot& At(int slot) { return slots_[static_cast<std::size_t>(slot)]; }
    const Slot& At(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }
    void ApplyConfig(const SimConfig& config, bool reloadMemory);
    void LoadMemoryFromConfig(Slot& slot, int index);
    void CheckConfigFile();
    // A configuration entry changed `live`; a capture that has not completed follows it.
    void LiveChanged(Slot& slot);

    double Now() const;
    static double SampleRateOf(const Settings& settings);
    static std::uint32_t RecordLengthOf(const HardwareBlock& block);
    static std::uint32_t TriggerIndexOf(const Settings& settings, std::uint32_t recordLength);
    // The trigger channel: 0, 1, or -1 when the capture never triggers by itself (EXT, EXT/10).
    static int TriggerChannel(const Slot& slot);
    // Raw code position of the channel's 0 V, from the zero level and the calibration words sent.
    static double ZeroCode(const Settings& settings, int channel);
    // Clean input volts after coupling, before noise; waveGain scales the AC part (a filter's
    // attenuation at the signal's frequency).
    double InputVolts(const Settings& settings, int channel, double time, double waveGain) const;
    // The code the trigger comparator sees: through the bandwidth limit and the HF rejection filter.
    double TriggerCode(const Settings& settings, int channel, double time) const;
    // Attenuation of the channel's signal by its bandwidth limit (1 without).
    double BandwidthGain(const Settings& settings, int channel) const;
    double FindTrigger(const Slot& slot, double from) const;
    // Decides the capture's state at `now` and freezes its settings when it completes.
    void Advance(Slot& slot, double now) const;
    void Fill(const Settings& settings, int channel, std::uint16_t* samples, std::uint32_t count,
              double firstTime, double spacing, int calibrationLevel);

    IClock& clock_;
    std::int64_t originMs_;
    SimConfig config_;
    std::array<Slot, kSlotCount> slots_{};
    std::mt19937 noise_;

    std::string watchedPath_;
    std::optional<FileStamp> watchedStamp_;
};

} // namespace tarnix
