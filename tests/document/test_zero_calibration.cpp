// Zero calibration against the simulated instrument, whose calibration memory starts with wrong words:
// the run must find words that put 0 V at the screen edges, write them only when it completes, and
// leave the other channel's words alone. Then the search's steps and word limits against captures of
// chosen codes, the Calibrate Data level edit and the dialog's texts.
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "doc_fixture.h"
#include "document/tarnix_doc.h"
#include "document/zero_calibration.h"
#include "simulator/sim_instrument.h"

namespace tarnix {
namespace {

struct Rig {
    testing::CFakeClock clock;
    testing::CFakeRandom random;
    CSimInstrument sim;
    CTarnixDoc doc{DocumentServices{&sim, &clock, &random, nullptr, nullptr}};
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
    const auto words = rig.Memory();
    for (int w = 0; w < kCalibrationWordsPerChannel; ++w) {
        EXPECT_EQ(words[static_cast<std::size_t>(w)], rig.memoryBefore[static_cast<std::size_t>(w)]) << w;
    }
    ExpectChannelCalibrated(words, 1);
}

TEST(ZeroCalibration, StartNeedsAChannelAndAnInstrument) {
    Rig rig;
    EXPECT_FALSE(rig.calibration.Start(false, false));
    EXPECT_EQ(rig.doc.calibrationStep, kCalibrationIdle);
    rig.doc.settings.demoMode = 1;
    EXPECT_FALSE(rig.calibration.Start(true, true));
    EXPECT_EQ(rig.doc.calibrationStep, kCalibrationIdle);
}

TEST(CalibrationRules, StartWordsLevelsAndAvailability) {
    EXPECT_EQ(CalibrationStartWord(1, 0, 3), 160);
    EXPECT_EQ(CalibrationStartWord(0, 1, 8), 128);
    EXPECT_EQ(CalibrationStartWord(2, 1, 4), 210);
    EXPECT_EQ(CalibrationWordIndex(1, 2), 22);

    // Models 0, 1 and 3 take 0..10, model 2 takes 0..20: each limit kept, one past it clamped.
    const struct {
        int model, value, stored;
    } levels[] = {{1, 10, 10}, {1, 11, 10}, {0, 11, 10}, {3, 11, 10}, {2, 20, 20},
                  {2, 21, 20}, {1, 0, 0},   {1, -1, 0},  {2, -1, 0}};
    for (const auto& l : levels) {
        EXPECT_EQ(ClampCalibrationLevel(l.model, l.value), l.stored) << l.model << " " << l.value;
    }

    InstrumentSettings settings;
    EXPECT_TRUE(CalibrationAvailable(settings, false));
    EXPECT_FALSE(CalibrationAvailable(settings, true));
    settings.demoMode = 1;
    EXPECT_FALSE(CalibrationAvailable(settings, false));
}

// Every test capture of a constant code has that code as its mean; the word moves by the step its mean
// earns, and each search ends at its edge code or its word limit.
using CalibrationSearchTest = testing::DocTest;

TEST_F(CalibrationSearchTest, StepsChangeAtTheirThresholdsAndTheWordsStopAtTheirLimits) {
    ASSERT_EQ(Start(), StartupResult::kConnected);
    driver.idleState = kCaptureComplete;
    CZeroCalibration calibration(*doc);
    calibration.Attach();
    const std::size_t bottom = 0;
    const std::size_t top = 1;
    int word = 0;
    // One test capture of a constant code; how far it moved the word.
    const auto capture = [&](int code, std::size_t index) {
        driver.captureCode = static_cast<std::uint16_t>(code);
        Tick();
        EXPECT_EQ(calibration.LastMean(), code);
        const int moved = calibration.WorkingTable()[index] - word;
        word = calibration.WorkingTable()[index];
        return moved;
    };
    const auto begin = [&] {
        calibration.Finish();
        ASSERT_TRUE(calibration.Start(true, false));
        Tick(); // phase 0: the bottom search starts from the model's word
        word = calibration.WorkingTable()[bottom];
        ASSERT_EQ(word, 160);
        EXPECT_EQ(doc->settings.ch(kCh1).zeroLevel, 255.0f); // 0 V searched at the bottom edge
    };
    const auto searchTop = [&] {
        Tick(); // phase 2: the top search starts from the bottom word
        ASSERT_EQ(calibration.Phase(), 3);
        ASSERT_EQ(calibration.WorkingTable()[top], word);
        EXPECT_EQ(doc->settings.ch(kCh1).zeroLevel, 0.0f);
    };

    // Thresholds: the mean is how far the trace is from the edge; code 0 (bottom) or 255 (top) ends it.
    begin();
    const std::pair<int, int> bottomSteps[] = {{31, -5}, {30, -4}, {16, -4}, {15, -2},
                                               {11, -2}, {10, -1}, {1, -1}, {0, 0}};
    for (const auto& [code, moved] : bottomSteps) {
        EXPECT_EQ(capture(code, bottom), moved) << "bottom, mean " << code;
        EXPECT_EQ(calibration.Phase(), code == 0 ? 2 : 1) << "bottom, mean " << code;
    }
    searchTop();
    const std::pair<int, int> topSteps[] = {{199, 5}, {200, 4}, {229, 4}, {230, 2},
                                            {240, 2}, {241, 1}, {254, 1}, {255, 0}};
    for (const auto& [code, moved] : topSteps) {
        EXPECT_EQ(capture(code, top), moved) << "top, mean " << code;
        EXPECT_EQ(calibration.Phase(), code == 255 ? 4 : 3) << "top, mean " << code;
    }

    // Limits: a trace that never reaches the edge; the bottom word still steps at 6, not at 5, and the
    // top word steps below 1001, not at it.
    begin();
    for (int i = 0; i < 100 && word > 6; ++i) {
        capture(word - 6 >= 5 ? 31 : 30, bottom);
    }
    ASSERT_EQ(word, 6);
    EXPECT_EQ(capture(1, bottom), -1);
    EXPECT_EQ(calibration.Phase(), 1);
    EXPECT_EQ(capture(1, bottom), 0);
    EXPECT_EQ(calibration.Phase(), 2);
    searchTop();
    for (int i = 0; i < 300 && word < 1000; ++i) {
        capture(0, top);
    }
    ASSERT_EQ(word, 1000);
    EXPECT_EQ(capture(254, top), 1);
    EXPECT_EQ(calibration.Phase(), 3);
    EXPECT_EQ(capture(254, top), 0);
    EXPECT_EQ(calibration.Phase(), 4);
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
