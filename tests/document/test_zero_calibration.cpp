// Zero calibration against the simulated instrument, whose calibration memory starts with wrong words:
// the run must find words that put 0 V at the screen edges, write them only when it completes, and
// leave the other channel's words alone. Also the Calibrate Data level edit and the dialog's texts.
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../acquisition/fake_services.h"
#include "document/tarnix_doc.h"
#include "document/zero_calibration.h"
#include "simulator/sim_instrument.h"

namespace tarnix {
namespace {

// Passes every entry to the simulated instrument and counts the writes to its memory.
class CCountingDriver final : public IDriverLibrary {
public:
    explicit CCountingDriver(CSimInstrument& sim) : sim_(sim) {}
    int calibrationWrites = 0;
    std::vector<int> levelWrites;

    int IsPresent(int slot) override { return sim_.IsPresent(slot); }
    int ReadDeviceId(int slot, std::uint16_t* id) override { return sim_.ReadDeviceId(slot, id); }
    int WriteDeviceId(int slot, int id) override { return sim_.WriteDeviceId(slot, id); }
    int ReadCalibration(int slot, std::uint16_t* values, int count) override {
        return sim_.ReadCalibration(slot, values, count);
    }
    int WriteCalibration(int slot, const std::uint16_t* values, int count) override {
        ++calibrationWrites;
        return sim_.WriteCalibration(slot, values, count);
    }
    int ReadCalibrationLevel(int slot, std::uint16_t* level) override {
        return sim_.ReadCalibrationLevel(slot, level);
    }
    int WriteCalibrationLevel(int slot, int level) override {
        levelWrites.push_back(level);
        return sim_.WriteCalibrationLevel(slot, level);
    }
    int SetTimebaseTrigger(int slot, int slope, const HardwareBlock* block) override {
        return sim_.SetTimebaseTrigger(slot, slope, block);
    }
    int SetChannels(int slot, int v1, int v2, int c1, int c2, int source) override {
        return sim_.SetChannels(slot, v1, v2, c1, c2, source);
    }
    int SetLevels(int slot, const HardwareLevels* levels, int v1, int v2, int source,
                  const std::uint16_t* table) override {
        return sim_.SetLevels(slot, levels, v1, v2, source, table);
    }
    int SetFilters(int slot, int bw1, int bw2, int hf) override {
        return sim_.SetFilters(slot, bw1, bw2, hf);
    }
    int StartCapture(int slot) override { return sim_.StartCapture(slot); }
    int EnableTrigger(int slot) override { return sim_.EnableTrigger(slot); }
    int ForceTrigger(int slot) override { return sim_.ForceTrigger(slot); }
    int GetCaptureState(int slot, std::uint32_t* address) override {
        return sim_.GetCaptureState(slot, address);
    }
    int ReadCapture(int slot, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* block,
                    std::uint32_t address, int level) override {
        return sim_.ReadCapture(slot, ch1, ch2, block, address, level);
    }

private:
    CSimInstrument& sim_;
};

struct Rig {
    testing::CFakeClock clock;
    testing::CFakeRandom random;
    CSimInstrument sim;
    CCountingDriver driver{sim};
    CTarnixDoc doc{DocumentServices{&driver, &clock, &random, nullptr, nullptr}};
    CZeroCalibration calibration{doc};
    std::vector<bool> maximized;
    std::array<std::uint16_t, kCalibrationWords> memoryBefore{};

    static SimConfig Grounded() {
        SimConfig config;
        config.calibrated = false; // the instrument's words are off by several steps
        for (SimSignal& signal : config.signals) {
            signal = SimSignal{SimShape::kDc, 1000.0, 0.0, 0.0, 0.0};
        }
        return config;
    }

    Rig() : sim(clock, Grounded()) {
        calibration.Attach();
        calibration.hooks.setMainWindowMaximized = [this](bool on) { maximized.push_back(on); };
        doc.StartUp();
        memoryBefore = Memory();
    }

    // The 36 words as the instrument holds them now.
    std::array<std::uint16_t, kCalibrationWords> Memory() {
        std::array<std::uint16_t, kCalibrationValues> bytes{};
        sim.ReadCalibration(0, bytes.data(), kCalibrationValues);
        std::array<std::uint16_t, kCalibrationWords> words{};
        for (std::size_t i = 0; i < words.size(); ++i) {
            words[i] = static_cast<std::uint16_t>(bytes[2 * i] * 256 + bytes[2 * i + 1]);
        }
        return words;
    }

    // Ticks until calibration has ended; the number of ticks, -1 past the limit.
    int RunToEnd(int limit = 5000) {
        for (int i = 1; i <= limit; ++i) {
            clock.Advance(30);
            doc.OnTick();
            if (doc.calibrationStep == kCalibrationIdle) {
                return i;
            }
        }
        return -1;
    }
};

// Where a word puts 0 V on the screen, in codes from the bottom edge, by the instrument's own mapping
// of its true bottom word to code 0 and its true top word to code 255.
double ZeroCodeOfWord(int channel, int voltsIndex, int word) {
    const double bottom = CSimInstrument::TrueBottomWord(channel, voltsIndex);
    const double top = CSimInstrument::TrueTopWord(channel, voltsIndex);
    return (word - bottom) * 255.0 / (top - bottom);
}

void ExpectChannelCalibrated(const std::array<std::uint16_t, kCalibrationWords>& words, int channel) {
    for (int i = 0; i < kCalibratedVoltsSteps; ++i) {
        const auto bottom = static_cast<std::size_t>(channel * kCalibrationWordsPerChannel + 2 * i);
        EXPECT_NEAR(ZeroCodeOfWord(channel, i, words[bottom]), 0.0, 2.0)
            << "channel " << channel << " step " << i;
        EXPECT_NEAR(ZeroCodeOfWord(channel, i, words[bottom + 1]), 255.0, 2.0)
            << "channel " << channel << " step " << i;
    }
}

TEST(ZeroCalibration, FullRunWritesWordsThatPutZeroVoltsAtBothEdges) {
    Rig rig;
    // The starting memory really is off, or the test would prove nothing.
    EXPECT_GT(std::abs(ZeroCodeOfWord(0, 0, rig.memoryBefore[0])), 3.0);
    rig.doc.SetChannelEnabled(kCh2, false);
    rig.doc.SetHorizontalPosition(100);
    rig.doc.SetZeroLevel(kCh1, 100.0f);

    ASSERT_TRUE(rig.calibration.Start(true, true));
    EXPECT_EQ(rig.doc.calibrationStep, kCalibrationCh1);
    EXPECT_EQ(rig.doc.settings.ch(kCh2).enabled, 1u); // on while it is calibrated
    EXPECT_EQ(rig.doc.settings.timebase.timeDivIndex, kCalibrationTimeDiv);
    ASSERT_GT(rig.RunToEnd(), 0);

    EXPECT_EQ(rig.driver.calibrationWrites, 1);
    const auto words = rig.Memory();
    ExpectChannelCalibrated(words, 0);
    ExpectChannelCalibrated(words, 1);
    for (std::size_t i = 0; i < words.size(); ++i) {
        EXPECT_EQ(rig.doc.link.calibration[i], words[i]) << i;
    }

    // The finish: enables as before, fixed positions and levels, the window back to normal size.
    EXPECT_EQ(rig.doc.settings.ch(kCh1).enabled, 1u);
    EXPECT_EQ(rig.doc.settings.ch(kCh2).enabled, 0u);
    EXPECT_EQ(rig.doc.settings.timebase.horizontalPosition, 250);
    EXPECT_EQ(rig.doc.settings.ch(kCh1).zeroLevel, 64.0f);
    EXPECT_EQ(rig.doc.settings.ch(kCh2).zeroLevel, 192.0f);
    EXPECT_EQ(rig.doc.settings.trigger.levelCh2, 192.0f);
    EXPECT_EQ(rig.maximized, (std::vector<bool>{true, false}));
}

TEST(ZeroCalibration, StopDuringCh2WritesNothingAndRestores) {
    Rig rig;
    rig.doc.SetChannelEnabled(kCh1, false);
    rig.doc.SetZeroLevel(kCh2, 30.0f);
    ASSERT_TRUE(rig.calibration.Start(true, true));
    int ticks = 0;
    while (rig.doc.calibrationStep != kCalibrationCh2 && ticks < 5000) {
        rig.clock.Advance(30);
        rig.doc.OnTick();
        ++ticks;
    }
    ASSERT_EQ(rig.doc.calibrationStep, kCalibrationCh2);
    EXPECT_EQ(rig.doc.settings.trigger.triggerSource, kTrigCh2);
    for (int i = 0; i < 40; ++i) {
        rig.clock.Advance(30);
        rig.doc.OnTick();
    }
    rig.calibration.Finish();

    EXPECT_EQ(rig.doc.calibrationStep, kCalibrationIdle);
    EXPECT_EQ(rig.driver.calibrationWrites, 0);
    EXPECT_EQ(rig.Memory(), rig.memoryBefore);
    // The table in use is the instrument's again, not the half-searched working copy.
    for (int w = 0; w < kCalibrationWords; ++w) {
        EXPECT_EQ(rig.doc.link.calibration[static_cast<std::size_t>(w)],
                  rig.memoryBefore[static_cast<std::size_t>(w)]);
    }
    EXPECT_EQ(rig.doc.settings.ch(kCh1).enabled, 0u);
    EXPECT_EQ(rig.doc.settings.ch(kCh2).enabled, 1u);
    EXPECT_EQ(rig.doc.settings.ch(kCh2).zeroLevel, 192.0f);
    EXPECT_EQ(rig.doc.settings.trigger.levelCh1, 64.0f);
    EXPECT_EQ(rig.doc.settings.timebase.horizontalPosition, 250);

    // Later ticks capture normally again.
    const std::uint32_t captures = rig.sim.CaptureCount(0);
    for (int i = 0; i < 10; ++i) {
        rig.clock.Advance(30);
        rig.doc.OnTick();
    }
    EXPECT_GT(rig.sim.CaptureCount(0), captures);
}

TEST(ZeroCalibration, Ch2AloneLeavesCh1WordsAndFinishesAfterCh2) {
    Rig rig;
    ASSERT_TRUE(rig.calibration.Start(false, true));
    EXPECT_EQ(rig.doc.calibrationStep, kCalibrationCh2);
    EXPECT_EQ(rig.doc.settings.trigger.triggerSource, kTrigCh2);
    std::vector<int> steps;
    for (int i = 0; i < 5000 && rig.doc.calibrationStep != kCalibrationIdle; ++i) {
        if (steps.empty() || steps.back() != rig.doc.calibrationStep) {
            steps.push_back(rig.doc.calibrationStep);
        }
        rig.clock.Advance(30);
        rig.doc.OnTick();
    }
    EXPECT_EQ(steps, (std::vector<int>{kCalibrationCh2, kCalibrationDone}));
    EXPECT_EQ(rig.driver.calibrationWrites, 1);
    const auto words = rig.Memory();
    for (int w = 0; w < kCalibrationWordsPerChannel; ++w) {
        EXPECT_EQ(words[static_cast<std::size_t>(w)], rig.memoryBefore[static_cast<std::size_t>(w)]) << w;
    }
    ExpectChannelCalibrated(words, 1);
}

TEST(ZeroCalibration, StartNeedsAChannelAndTheBottomSearchStartsFromTheModelsWord) {
    Rig rig;
    EXPECT_FALSE(rig.calibration.Start(false, false));
    EXPECT_EQ(rig.doc.calibrationStep, kCalibrationIdle);
    rig.doc.settings.demoMode = 1;
    EXPECT_FALSE(rig.calibration.Start(true, true));
    EXPECT_EQ(rig.doc.calibrationStep, kCalibrationIdle);
    rig.doc.settings.demoMode = 0;

    ASSERT_TRUE(rig.calibration.Start(true, false));
    rig.clock.Advance(30);
    rig.doc.OnTick(); // phase 0 of CH1 at 10 mV/div
    EXPECT_EQ(rig.calibration.Phase(), 1);
    EXPECT_EQ(rig.calibration.WorkingTable()[0], 160);
    EXPECT_EQ(rig.doc.settings.ch(kCh1).zeroLevel, 255.0f);
    rig.clock.Advance(30);
    // First test capture: 160 is 12 words above the true 148 of a 452-word span, so 0 V sits at
    // 12 x 255 / 452 = 6.8, sampled as code 7; a mean of 1..10 lowers the word by one.
    rig.doc.OnTick();
    EXPECT_EQ(rig.calibration.LastMean(), 7);
    EXPECT_EQ(rig.calibration.WorkingTable()[0], 159);
}

TEST(CalibrationRules, StartWordsLevelsAndAvailability) {
    EXPECT_EQ(CalibrationStartWord(1, 0, 3), 160);
    EXPECT_EQ(CalibrationStartWord(0, 1, 8), 128);
    EXPECT_EQ(CalibrationStartWord(2, 1, 4), 210);
    EXPECT_EQ(CalibrationWordIndex(1, 2), 22);

    EXPECT_EQ(ClampCalibrationLevel(1, 15), 10);
    EXPECT_EQ(ClampCalibrationLevel(2, 15), 15);
    EXPECT_EQ(ClampCalibrationLevel(2, 25), 20);
    EXPECT_EQ(ClampCalibrationLevel(0, -4), 0);

    InstrumentSettings settings;
    EXPECT_TRUE(CalibrationAvailable(settings, false));
    EXPECT_FALSE(CalibrationAvailable(settings, true));
    settings.demoMode = 1;
    EXPECT_FALSE(CalibrationAvailable(settings, false));
}

TEST(CalibrationRules, LevelEditOnModel1TurnsFifteenIntoTenAndWritesOnce) {
    Rig rig;
    ASSERT_EQ(rig.doc.link.calibrationLevel, 0);
    const CalibrationLevelEdit first = ApplyCalibrationLevelEdit(rig.doc.link, 1, 15);
    EXPECT_EQ(first.value, 10);
    EXPECT_TRUE(first.written);
    const CalibrationLevelEdit again = ApplyCalibrationLevelEdit(rig.doc.link, 1, 15);
    EXPECT_EQ(again.value, 10);
    EXPECT_FALSE(again.written);
    EXPECT_EQ(rig.driver.levelWrites, std::vector<int>{10});
    EXPECT_EQ(rig.doc.link.calibrationLevel, 10);
    std::uint16_t stored = 0;
    rig.sim.ReadCalibrationLevel(0, &stored);
    EXPECT_EQ(stored, 10);
}

TEST(CalibrationRules, ProgressLinesPerStep) {
    using Lines = std::vector<std::string>;
    const Lines head{"Prepare... OK!", "Please start calibration... OK!"};
    auto with = [&](Lines tail) {
        Lines all = head;
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    EXPECT_EQ(CalibrationProgressLines(0, true, true), with({"Calibrate CH1..."}));
    EXPECT_EQ(CalibrationProgressLines(1, true, true), with({"Calibrate CH1... OK!", "Calibrate CH2... "}));
    EXPECT_EQ(CalibrationProgressLines(1, false, true), with({"Calibrate CH2... "}));
    EXPECT_EQ(CalibrationProgressLines(2, true, true),
              with({"Calibrate CH1... OK!", "Calibrate CH2... OK!", "Calibrate OK!"}));
    EXPECT_EQ(CalibrationProgressLines(-1, false, true), with({"Calibrate CH2... OK!", "Calibrate OK!"}));
}

} // namespace
} // namespace tarnix
