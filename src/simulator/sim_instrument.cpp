#include "simulator/sim_instrument.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <numbers>
#include <optional>
#include <string_view>

#include "acquisition/processing_steps.h"
#include "model/instrument_settings.h"
#include "model/model_table.h"

namespace tarnix {

namespace {

constexpr int kSimModel = 1;
constexpr int kSimTimeDivOffset = 1;
constexpr int kFirstRollRow = 26;       // 1.00s/div: from here on the program rolls
constexpr int kLastStretchedIndex = 10; // faster time/div indexes are stretched by the program
constexpr double kRollPointsPerDiv = 500.0;
constexpr double kMinMaxPairsPerScreen = 2500.0;
constexpr double kDivisions = 10.0;
constexpr double kCodesPerVolt = 1.0 / 0.03125; // per volt at 1 V/div: 32 codes per division
constexpr int kWordsPerChannel = kCalibrationWords / 2;
constexpr int kCalibratedSteps = 9; // volts/div indexes 0..8 have words of their own
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Each volts/div step has its own analog offset: the offset word that puts 0 V at code 0 (bottom) and
// at code 255 (top). The spread between steps is what makes a zero calibration necessary.
constexpr std::array<std::array<int, kCalibratedSteps>, 2> kTrueBottom{{
    {148, 121, 116, 150, 123, 115, 147, 124, 117},
    {146, 125, 118, 149, 122, 116, 145, 126, 119},
}};
constexpr std::array<std::array<int, kCalibratedSteps>, 2> kTrueSpan{{
    {452, 447, 461, 439, 455, 449, 458, 444, 451},
    {448, 457, 443, 460, 451, 446, 454, 441, 459},
}};
// An uncalibrated instrument's words are this far off.
constexpr int kUncalibratedBottomError = 9;
constexpr int kUncalibratedTopError = -15;
// First-order filters: the input's bandwidth limit and the trigger path's HF rejection.
constexpr double kBandwidthLimitHz = 20e6;
constexpr double kHfRejectionHz = 50e3;
// The bandwidth limit keeps about half of the front end's wideband noise.
constexpr double kBandwidthLimitNoiseFactor = 0.5;

double LowPassGain(double frequencyHz, double cutoffHz) {
    const double ratio = frequencyHz / cutoffHz;
    return 1.0 / std::sqrt(1.0 + ratio * ratio);
}

int StepOf(int voltsIndex) {
    return std::clamp(voltsIndex, 0, kCalibratedSteps - 1);
}

// "150MS/s" -> 150e6; 0 when the text is not a rate.
double ParseRateLabel(std::string_view label) {
    if (!label.ends_with("S/s")) {
        return 0.0;
    }
    label.remove_suffix(3);
    double multiplier = 1.0;
    if (label.ends_with('M')) {
        multiplier = 1e6;
        label.remove_suffix(1);
    } else if (label.ends_with('K')) {
        multiplier = 1e3;
        label.remove_suffix(1);
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(label.data(), label.data() + label.size(), value);
    if (ec != std::errc{} || ptr != label.data() + label.size()) {
        return 0.0;
    }
    return value * multiplier;
}

double Clip(double code) {
    return std::clamp(code, 0.0, 255.0);
}

// A change of the file's time or size counts as a change; a missing file has no stamp.
std::optional<FileStamp> StampOf(const std::string& path) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    if (error) {
        return std::nullopt;
    }
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        return std::nullopt;
    }
    return FileStamp{static_cast<std::int64_t>(time.time_since_epoch().count()),
                     static_cast<std::uint64_t>(size)};
}

} // namespace

CSimInstrument::CSimInstrument(IClock& clock, const SimConfig& config)
    : clock_(clock), originMs_(clock.NowMs()), config_(config), noise_(config.seed) {
    for (int index = 0; index < kSlotCount; ++index) {
        Slot& slot = At(index);
        slot.present = config_.slots[static_cast<std::size_t>(index)].present;
        LoadMemoryFromConfig(slot, index);
    }
}

int CSimInstrument::TrueBottomWord(int channel, int voltsIndex) {
    return kTrueBottom[static_cast<std::size_t>(std::clamp(channel, 0, 1))]
                      [static_cast<std::size_t>(StepOf(voltsIndex))];
}

int CSimInstrument::TrueTopWord(int channel, int voltsIndex) {
    const auto c = static_cast<std::size_t>(std::clamp(channel, 0, 1));
    const auto i = static_cast<std::size_t>(StepOf(voltsIndex));
    return kTrueBottom[c][i] + kTrueSpan[c][i];
}

void CSimInstrument::LoadMemoryFromConfig(Slot& slot, int index) {
    slot.deviceId = config_.slots[static_cast<std::size_t>(index)].deviceId;
    slot.calibrationLevel = config_.calibrationLevel;
    for (int channel = 0; channel < 2; ++channel) {
        for (int step = 0; step < kCalibratedSteps; ++step) {
            int bottom = TrueBottomWord(channel, step);
            int top = TrueTopWord(channel, step);
            if (!config_.calibrated) {
                bottom += kUncalibratedBottomError;
                top += kUncalibratedTopError;
            }
            const int word = channel * kWordsPerChannel + 2 * step;
            for (const auto& [position, value] : {std::pair{word, bottom}, std::pair{word + 1, top}}) {
                const auto at = static_cast<std::size_t>(2 * position);
                slot.calibrationMemory[at] = static_cast<std::uint16_t>(value / 256);
                slot.calibrationMemory[at + 1] = static_cast<std::uint16_t>(value % 256);
            }
        }
    }
    // Until the program sends a table, the instrument works with the words in its memory.
    for (std::size_t word = 0; word < slot.live.words.size(); ++word) {
        slot.live.words[word] = static_cast<std::uint16_t>(
            std::min<int>(slot.calibrationMemory[2 * word], 50) * 256 + slot.calibrationMemory[2 * word + 1]);
    }
    LiveChanged(slot);
}

void CSimInstrument::ApplyConfig(const SimConfig& config) {
    ApplyConfig(config, false);
}

void CSimInstrument::ApplyConfig(const SimConfig& config, bool reloadMemory) {
    const SimConfig previous = config_;
    config_ = config;
    const bool calibrationChanged =
        config.calibrated != previous.calibrated || config.calibrationLevel != previous.calibrationLevel;
    for (int index = 0; index < kSlotCount; ++index) {
        const auto i = static_cast<std::size_t>(index);
        SetPresent(index, config.slots[i].present);
        if (reloadMemory || calibrationChanged || config.slots[i].deviceId != previous.slots[i].deviceId) {
            LoadMemoryFromConfig(At(index), index);
        }
    }
    if (config.seed != previous.seed) {
        noise_.seed(config.seed);
    }
}

void CSimInstrument::SetPresent(int slot, bool present) {
    if (slot < 0 || slot >= kSlotCount) {
        return;
    }
    Slot& state = At(slot);
    config_.slots[static_cast<std::size_t>(slot)].present = present;
    if (state.present && !present) {
        // Unplugging loses whatever the instrument was doing; its memory (ID, calibration) stays.
        state.phase = Phase::kIdle;
    }
    state.present = present;
}

void CSimInstrument::SetSignal(int channel, const SimSignal& signal) {
    if (channel == 0 || channel == 1) {
        config_.signals[static_cast<std::size_t>(channel)] = signal;
    }
}

SimConfigResult CSimInstrument::WatchConfigFile(const std::string& path) {
    watchedPath_ = path;
    watchedStamp_ = StampOf(path);
    SimConfig config;
    SimConfigResult result = LoadSimConfigFile(path, config);
    if (result.fileRead) {
        ApplyConfig(config, true);
    }
    return result;
}

void CSimInstrument::CheckConfigFile() {
    if (watchedPath_.empty()) {
        return;
    }
    const std::optional<FileStamp> stamp = StampOf(watchedPath_);
    if (!stamp || stamp == watchedStamp_) {
        return; // unchanged, or missing while being replaced: keep the last configuration
    }
    watchedStamp_ = stamp;
    // A fresh parse from the defaults, so that removing a key restores its default. Bad lines are
    // skipped as on the first read.
    SimConfig config;
    if (LoadSimConfigFile(watchedPath_, config).fileRead) {
        ApplyConfig(config);
    }
}

double CSimInstrument::Now() const {
    return static_cast<double>(clock_.NowMs() - originMs_) / 1000.0;
}

bool CSimInstrument::Usable(int slot) const {
    return slot >= 0 && slot < kSlotCount && At(slot).present;
}

double CSimInstrument::SampleRateOf(const Settings& settings) {
    const int row = std::clamp(static_cast<int>(settings.block.timeDivIndex) + kSimTimeDivOffset, 1,
                               kTimePerDivCount - 1);
    const double secondsPerDiv = TimePerDivTable(row);
    if (row >= kFirstRollRow) {
        return kRollPointsPerDiv / secondsPerDiv; // each roll point is one display point
    }
    const int timeDivIndex = row - kSimTimeDivOffset;
    if (timeDivIndex > kLastStretchedIndex) {
        // Unstretched records are shown as 2500 min/max groups over the ten divisions: sampling at the
        // rate those groups imply is what makes a signal's period read true on the screen.
        const int group = DecimationGroup(kSimModel, timeDivIndex, RecordLengthOf(settings.block));
        return kMinMaxPairsPerScreen * group / (kDivisions * secondsPerDiv);
    }
    const double rate =
        ParseRateLabel(SamplingRateLabel(kSimModel, row, settings.block.bufferSizeIndex,
                                         settings.block.channelCode, settings.block.triggerSource));
    return rate > 0.0 ? rate : 1000.0 / secondsPerDiv;
}

std::uint32_t CSimInstrument::RecordLengthOf(const HardwareBlock& block) {
    std::uint32_t length = BufferSizeRecordLength(block.bufferSizeIndex);
    if (length == 0) {
        length = BufferSizeRecordLength(kBuffer10k);
    }
    // The instrument's memory per channel; larger sizes belong to other models.
    return std::min(length, ModelSampleCapacity(kSimModel));
}

std::uint32_t CSimInstrument::TriggerIndexOf(const Settings& settings, std::uint32_t recordLength) {
    const std::uint32_t percent = std::min<std::uint32_t>(settings.block.position, 100);
    const auto index = static_cast<std::uint32_t>(static_cast<std::uint64_t>(recordLength) * percent / 100);
    return std::min(index, recordLength - 1);
}

double CSimInstrument::SampleRate(int slot) const {
    return slot >= 0 && slot < kSlotCount ? SampleRateOf(At(slot).live) : 0.0;
}

std::uint32_t CSimInstrument::TriggerIndex(int slot) const {
    if (slot < 0 || slot >= kSlotCount) {
        return 0;
    }
    const Settings& live = At(slot).live;
    return TriggerIndexOf(live, RecordLengthOf(live.block));
}

std::uint32_t CSimInstrument::CaptureCount(int slot) const {
    return slot >= 0 && slot < kSlotCount ? At(slot).captureCount : 0;
}

int CSimInstrument::TriggerChannel(const Slot& slot) {
    switch (slot.capture.block.triggerSource) {
    case kTrigCh1:
        return 0;
    case kTrigCh2:
        return 1;
    case kTrigAlt:
        return slot.altChannel;
    default:
        return -1; // EXT and EXT/10 have no signal here
    }
}

double CSimInstrument::ZeroCode(const Settings& settings, int channel) {
    const int step = StepOf(settings.voltsIndex[static_cast<std::size_t>(channel)]);
    const auto word = static_cast<std::size_t>(channel * kWordsPerChannel + 2 * step);
    const double bottom = settings.words[word];
    const double top = settings.words[word + 1];
    const double zeroLevel =
        std::min<double>(channel == 0 ? settings.levels.ch1Zero : settings.levels.ch2Zero, 255);
    // The offset word the instrument applies moves from the bottom word (zero level 255) to the top
    // word (zero level 0); the true words of the step map it onto codes 0..255.
    const double offsetWord = bottom + (top - bottom) * (255.0 - zeroLevel) / 255.0;
    const double trueBottom = TrueBottomWord(channel, step);
    const double trueTop = TrueTopWord(channel, step);
    return (offsetWord - trueBottom) * 255.0 / (trueTop - trueBottom);
}

double CSimInstrument::BandwidthGain(const Settings& settings, int channel) const {
    const auto c = static_cast<std::size_t>(channel);
    return settings.bandwidthLimit[c] ? LowPassGain(config_.signals[c].frequencyHz, kBandwidthLimitHz) : 1.0;
}

double CSimInstrument::InputVolts(const Settings& settings, int channel, double time, double waveGain) const {
    const int coupling = settings.coupling[static_cast<std::size_t>(channel)];
    if (coupling == kCouplingGnd) {
        return 0.0;
    }
    const SimSignal& signal = config_.signals[static_cast<std::size_t>(channel)];
    double wave = 0.0;
    if (signal.shape != SimShape::kDc) {
        const double cycles = time * signal.frequencyHz;
        const double phase = cycles - std::floor(cycles); // 0..1
        const double half = signal.amplitudeVpp / 2.0;
        switch (signal.shape) {
        case SimShape::kSine:
            wave = half * std::sin(2.0 * std::numbers::pi * phase);
            break;
        case SimShape::kSquare:
            wave = phase < 0.5 ? half : -half;
            break;
        case SimShape::kTriangle:
            wave = half * (phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase);
            break;
        case SimShape::kDc:
            break;
        }
    }
    // AC coupling blocks the DC component; all shapes are symmetric, so that is the offset.
    wave *= waveGain;
    return coupling == kCouplingAc ? wave : wave + signal.offsetVolts;
}

double CSimInstrument::TriggerCode(const Settings& settings, int channel, double time) const {
    const double voltsPerDiv = VoltsPerDivTable(settings.voltsIndex[static_cast<std::size_t>(channel)]);
    double gain = BandwidthGain(settings, channel);
    if (settings.hfRejection) {
        gain *= LowPassGain(config_.signals[static_cast<std::size_t>(channel)].frequencyHz, kHfRejectionHz);
    }
    return Clip(ZeroCode(settings, channel) +
                InputVolts(settings, channel, time, gain) * kCodesPerVolt / voltsPerDiv);
}

double CSimInstrument::FindTrigger(const Slot& slot, double from) const {
    const int channel = TriggerChannel(slot);
    if (channel < 0) {
        return kInfinity;
    }
    const Settings& settings = slot.capture;
    const SimSignal& signal = config_.signals[static_cast<std::size_t>(channel)];
    if (settings.coupling[static_cast<std::size_t>(channel)] == kCouplingGnd ||
        signal.shape == SimShape::kDc || signal.frequencyHz <= 0.0 || signal.amplitudeVpp <= 0.0) {
        return kInfinity; // a constant input never crosses a level
    }
    const double level = 255.0 - (channel == 0 ? settings.levels.ch1Trigger : settings.levels.ch2Trigger);
    const bool rising = settings.slope == kSlopeRising;
    const auto crossed = [&](double before, double after) {
        return rising ? (before < level && after >= level) : (before > level && after <= level);
    };
    // The input is periodic: if one period holds no crossing, none ever comes.
    constexpr int kScanSteps = 1024;
    const double period = 1.0 / signal.frequencyHz;
    const double step = period / kScanSteps;
    double previousTime = from;
    double previous = TriggerCode(settings, channel, from);
    for (int k = 1; k <= kScanSteps + 1; ++k) {
        const double time = from + k * step;
        const double code = TriggerCode(settings, channel, time);
        if (crossed(previous, code)) {
            double low = previousTime; // not yet across
            double high = time;        // across
            for (int i = 0; i < 60; ++i) {
                const double middle = (low + high) / 2.0;
                const double atMiddle = TriggerCode(settings, channel, middle);
                const bool across = rising ? atMiddle >= level : atMiddle <= level;
                (across ? high : low) = middle;
            }
            return high;
        }
        previousTime = time;
        previous = code;
    }
    return kInfinity;
}

void CSimInstrument::Advance(Slot& slot, double now) const {
    if (slot.phase != Phase::kRunning || !slot.enabled) {
        return;
    }
    const double rate = SampleRateOf(slot.capture);
    const std::uint32_t length = RecordLengthOf(slot.capture.block);
    const std::uint32_t triggerIndex = TriggerIndexOf(slot.capture, length);
    if (!slot.triggerKnown) {
        // The trigger is armed once the pre-trigger part of the record has filled.
        const double armed = std::max(slot.startTime + triggerIndex / rate, slot.enableTime);
        slot.triggerTime = FindTrigger(slot, armed);
        slot.triggerKnown = true;
    }
    if (now >= slot.triggerTime + (length - triggerIndex) / rate) {
        slot.phase = Phase::kComplete;
    }
}

void CSimInstrument::LiveChanged(Slot& slot) {
    if (slot.phase == Phase::kComplete) {
        return;
    }
    const double now = Now();
    const bool triggered = slot.triggerKnown && now >= slot.triggerTime;
    slot.capture = slot.live;
    if (!triggered) {
        // New level, slope or source: the trigger is looked for again from now on, not in the past.
        slot.triggerKnown = false;
        slot.enableTime = std::max(slot.enableTime, now);
    }
}

int CSimInstrument::IsPresent(int slot) {
    CheckConfigFile();
    return Usable(slot) ? 1 : 0;
}

int CSimInstrument::ReadDeviceId(int slot, std::uint16_t* id) {
    if (!Usable(slot) || id == nullptr) {
        return 0;
    }
    *id = At(slot).deviceId;
    return 1;
}

int CSimInstrument::WriteDeviceId(int slot, int id) {
    if (!Usable(slot) || id < 0 || id > 255) {
        return 0;
    }
    At(slot).deviceId = static_cast<std::uint16_t>(id);
    return 1;
}

int CSimInstrument::ReadCalibration(int slot, std::uint16_t* values, int count) {
    if (!Usable(slot) || values == nullptr || count != kCalibrationValues) {
        return 0;
    }
    std::copy(At(slot).calibrationMemory.begin(), At(slot).calibrationMemory.end(), values);
    return 1;
}

int CSimInstrument::WriteCalibration(int slot, const std::uint16_t* values, int count) {
    if (!Usable(slot) || values == nullptr || count != kCalibrationValues) {
        return 0;
    }
    std::copy(values, values + kCalibrationValues, At(slot).calibrationMemory.begin());
    return 1;
}

int CSimInstrument::ReadCalibrationLevel(int slot, std::uint16_t* level) {
    if (!Usable(slot) || level == nullptr) {
        return 0;
    }
    *level = At(slot).calibrationLevel;
    return 1;
}

int CSimInstrument::WriteCalibrationLevel(int slot, int level) {
    if (!Usable(slot) || level < 0 || level > 255) {
        return 0;
    }
    At(slot).calibrationLevel = static_cast<std::uint16_t>(level);
    return 1;
}

int CSimInstrument::SetTimebaseTrigger(int slot, int slope, const HardwareBlock* block) {
    if (!Usable(slot) || block == nullptr) {
        return 0;
    }
    Slot& state = At(slot);
    state.live.block = *block;
    state.live.slope = slope == kSlopeFalling ? kSlopeFalling : kSlopeRising;
    LiveChanged(state);
    return 1;
}

int CSimInstrument::SetChannels(int slot, int ch1VoltsIndex, int ch2VoltsIndex, int ch1Coupling,
                                int ch2Coupling, int /*triggerSource*/) {
    if (!Usable(slot)) {
        return 0;
    }
    Slot& state = At(slot);
    state.live.voltsIndex = {std::clamp(ch1VoltsIndex, 0, kVoltsPerDivCount - 1),
                             std::clamp(ch2VoltsIndex, 0, kVoltsPerDivCount - 1)};
    state.live.coupling = {std::clamp(ch1Coupling, 0, 2), std::clamp(ch2Coupling, 0, 2)};
    LiveChanged(state);
    return 1;
}

int CSimInstrument::SetLevels(int slot, const HardwareLevels* levels, int ch1VoltsIndex, int ch2VoltsIndex,
                              int /*triggerSource*/, const std::uint16_t* calibrationTable) {
    if (!Usable(slot) || levels == nullptr) {
        return 0;
    }
    Slot& state = At(slot);
    state.live.levels = *levels;
    state.live.voltsIndex = {std::clamp(ch1VoltsIndex, 0, kVoltsPerDivCount - 1),
                             std::clamp(ch2VoltsIndex, 0, kVoltsPerDivCount - 1)};
    if (calibrationTable != nullptr) {
        std::copy(calibrationTable, calibrationTable + kCalibrationWords, state.live.words.begin());
    }
    LiveChanged(state);
    return 1;
}

int CSimInstrument::SetFilters(int slot, int ch1BandwidthLimit, int ch2BandwidthLimit, int hfRejection) {
    if (!Usable(slot)) {
        return 0;
    }
    Slot& state = At(slot);
    state.live.bandwidthLimit = {ch1BandwidthLimit != 0, ch2BandwidthLimit != 0};
    state.live.hfRejection = hfRejection != 0;
    LiveChanged(state);
    return 1;
}

int CSimInstrument::StartCapture(int slot) {
    if (!Usable(slot)) {
        return 0;
    }
    Slot& state = At(slot);
    state.phase = Phase::kRunning;
    state.startTime = Now();
    state.enabled = false;
    state.triggerKnown = false;
    state.forced = false;
    state.capture = state.live;
    if (state.capture.block.triggerSource == kTrigAlt) {
        state.altChannel = 1 - state.altChannel;
    }
    ++state.captureCount;
    return 1;
}

int CSimInstrument::EnableTrigger(int slot) {
    if (!Usable(slot)) {
        return 0;
    }
    Slot& state = At(slot);
    if (state.phase == Phase::kRunning && !state.enabled) {
        state.enabled = true;
        state.enableTime = Now();
    }
    return 1;
}

int CSimInstrument::ForceTrigger(int slot) {
    if (!Usable(slot)) {
        return 0;
    }
    Slot& state = At(slot);
    const double now = Now();
    Advance(state, now);
    if (state.phase == Phase::kRunning) {
        state.phase = Phase::kComplete;
        state.forced = true;
        state.forceTime = now;
    }
    return 1;
}

int CSimInstrument::GetCaptureState(int slot, std::uint32_t* captureAddress) {
    if (!Usable(slot)) {
        return kCaptureWaiting;
    }
    Slot& state = At(slot);
    if (captureAddress != nullptr) {
        *captureAddress = state.captureCount;
    }
    const double now = Now();
    Advance(state, now);
    switch (state.phase) {
    case Phase::kIdle:
        return kCaptureWaiting;
    case Phase::kComplete:
        return kCaptureComplete;
    case Phase::kRunning:
        break;
    }
    return state.triggerKnown && now >= state.triggerTime ? kCaptureTriggered : kCaptureWaiting;
}

void CSimInstrument::Fill(const Settings& settings, int channel, std::uint16_t* samples, std::uint32_t count,
                          double firstTime, double spacing, int calibrationLevel) {
    const double zero = ZeroCode(settings, channel);
    const double codesPerVolt =
        kCodesPerVolt / VoltsPerDivTable(settings.voltsIndex[static_cast<std::size_t>(channel)]);
    // The calibration level trims the read-out: 1..10 raise the codes, 11..20 lower them by 1..10.
    const double trim = calibrationLevel <= 10   ? calibrationLevel
                        : calibrationLevel <= 20 ? 10 - calibrationLevel
                                                 : 0;
    const bool grounded = settings.coupling[static_cast<std::size_t>(channel)] == kCouplingGnd;
    const bool limited = settings.bandwidthLimit[static_cast<std::size_t>(channel)];
    const double noise = grounded ? 0.0
                                  : config_.signals[static_cast<std::size_t>(channel)].noiseVpp *
                                        (limited ? kBandwidthLimitNoiseFactor : 1.0);
    const double waveGain = BandwidthGain(settings, channel);
    // A sine comes from a rotating phasor, re-anchored every 256 samples: one sin/cos pair per block
    // instead of one per sample, with an error far below one code.
    const SimSignal& signal = config_.signals[static_cast<std::size_t>(channel)];
    const bool phasor = signal.shape == SimShape::kSine && !grounded;
    const double half = signal.amplitudeVpp / 2.0 * waveGain;
    const double dc =
        settings.coupling[static_cast<std::size_t>(channel)] == kCouplingAc ? 0.0 : signal.offsetVolts;
    const double turn = 2.0 * std::numbers::pi * signal.frequencyHz * spacing;
    const double turnCos = std::cos(turn);
    const double turnSin = std::sin(turn);
    double sine = 0.0;
    double cosine = 1.0;
    for (std::uint32_t k = 0; k < count; ++k) {
        const double time = firstTime + k * spacing;
        double volts = 0.0;
        if (!phasor) {
            volts = InputVolts(settings, channel, time, waveGain);
        } else {
            if (k % 256 == 0) {
                const double cycles = time * signal.frequencyHz;
                const double angle = 2.0 * std::numbers::pi * (cycles - std::floor(cycles));
                sine = std::sin(angle);
                cosine = std::cos(angle);
            }
            volts = half * sine + dc;
            const double next = sine * turnCos + cosine * turnSin;
            cosine = cosine * turnCos - sine * turnSin;
            sine = next;
        }
        if (noise > 0.0) {
            // One 32-bit draw, uniform over -0.5..0.5.
            volts += noise * (static_cast<double>(noise_()) * 0x1p-32 - 0.5);
        }
        // Clipped first, so adding a half and truncating rounds as std::round does.
        samples[k] = static_cast<std::uint16_t>(Clip(zero + trim + volts * codesPerVolt) + 0.5);
    }
}

int CSimInstrument::ReadCapture(int slot, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* block,
                                std::uint32_t /*captureAddress*/, int calibrationLevel) {
    if (!Usable(slot) || ch1 == nullptr || ch2 == nullptr) {
        return 0;
    }
    Slot& state = At(slot);
    const double now = Now();
    Advance(state, now);
    const bool completed = state.phase == Phase::kComplete;
    const Settings& settings = completed ? state.capture : state.live;
    // The program's memories are sized for the record of its own block.
    const std::uint32_t length = RecordLengthOf(block != nullptr ? *block : settings.block);
    const double rate = SampleRateOf(settings);
    const std::uint32_t triggerIndex = TriggerIndexOf(settings, length);
    const int row = settings.block.timeDivIndex + kSimTimeDivOffset;

    double firstTime = now - length / rate; // the latest record, for a capture that has not completed
    if (row >= kFirstRollRow) {
        // Rolling: consecutive points, as many per read as the program moves the trace per roll step.
        const int stepPoints = row <= kFirstRollRow + 1 ? 15 : 10;
        firstTime = state.rollTime;
        state.rollTime += stepPoints / rate;
    } else if (completed && state.forced) {
        firstTime = state.forceTime - triggerIndex / rate;
    } else if (completed && std::isfinite(state.triggerTime)) {
        firstTime = state.triggerTime - triggerIndex / rate;
    }

    // Channel code 0 samples CH1 only and 3 CH2 only; the other memory keeps its last record, which
    // is how ALT shows each channel from its own capture.
    const int code = settings.block.channelCode;
    if (code != 3) {
        Fill(settings, 0, ch1, length, firstTime, 1.0 / rate, calibrationLevel);
    }
    if (code != 0) {
        Fill(settings, 1, ch2, length, firstTime, 1.0 / rate, calibrationLevel);
    }
    return 1;
}

} // namespace tarnix
