// Zero calibration on a simulated instrument whose words start wrong; the search's steps and limits.
#include <array>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "../support/doc_fixture.h"
#include "document/zero_calibration.h"

namespace tarnix {
namespace {

using Words = std::array<std::uint16_t, kCalibrationWords>;

class ZeroCalibrationTest : public testing::DocTest {
protected:
    std::unique_ptr<CZeroCalibration> calibration;
    std::vector<bool> maximized;
    Words memoryBefore{};

    void StartCalibration(bool withSim = true) {
        SimConfig config;
        config.calibrated = false; // the instrument's words are off by several steps
        for (SimSignal& signal : config.signals) {
            signal = SimSignal{SimShape::kDc, 1000.0, 0.0, 0.0, 0.0};
        }
        ASSERT_EQ(withSim ? StartSim(config) : Start(), StartupResult::kConnected);
        calibration = std::make_unique<CZeroCalibration>(*doc);
        calibration->Attach();
        calibration->hooks.setMainWindowMaximized = [this](bool on) { maximized.push_back(on); };
        if (withSim) {
            memoryBefore = Memory();
        }
    }
    Words Memory() {
        std::array<std::uint16_t, kCalibrationValues> bytes{};
        sim->ReadCalibration(0, bytes.data(), kCalibrationValues);
        Words words{};
        for (std::size_t i = 0; i < words.size(); ++i) {
            words[i] = static_cast<std::uint16_t>(bytes[2 * i] * 256 + bytes[2 * i + 1]);
        }
        return words;
    }
    bool InUse(const Words& words) const {
        return std::equal(words.begin(), words.end(), doc->link.calibration.begin());
    }
    bool Idle() const { return doc->calibrationStep == kCalibrationIdle; }
};

// Where a word puts 0 V, in codes from the bottom, by the instrument's own mapping of its true words: 0..255.
double ZeroCodeOfWord(int channel, int voltsIndex, int word) {
    const double bottom = CSimInstrument::TrueBottomWord(channel, voltsIndex);
    const double top = CSimInstrument::TrueTopWord(channel, voltsIndex);
    return (word - bottom) * 255.0 / (top - bottom);
}

void ExpectChannelCalibrated(const Words& words, int channel) {
    for (int i = 0; i < kCalibratedVoltsSteps; ++i) {
        SCOPED_TRACE(::testing::Message() << "channel " << channel << " step " << i);
        const auto bottom = static_cast<std::size_t>(channel * kCalibrationWordsPerChannel + 2 * i);
        EXPECT_NEAR(ZeroCodeOfWord(channel, i, words[bottom]), 0.0, 2.0);
        EXPECT_NEAR(ZeroCodeOfWord(channel, i, words[bottom + 1]), 255.0, 2.0);
    }
}

TEST_F(ZeroCalibrationTest, RunsWriteWordsThatPutZeroVoltsAtBothEdges) {
    StartCalibration();
    EXPECT_GT(std::abs(ZeroCodeOfWord(0, 0, memoryBefore[0])), 3.0) << "the memory must start off";
    EXPECT_FALSE(calibration->Start(false, false));

    // CH2 alone: CH1's words stay as they were.
    ASSERT_TRUE(calibration->Start(false, true));
    ASSERT_GT(TickUntil([&] { return Idle(); }), 0);
    EXPECT_TRUE(std::equal(memoryBefore.begin(), memoryBefore.begin() + kCalibrationWordsPerChannel,
                           Memory().begin()));
    ExpectChannelCalibrated(Memory(), 1);

    doc->SetChannelEnabled(kCh2, false);
    doc->SetHorizontalPosition(100);
    doc->SetZeroLevel(kCh1, 100.0f);
    maximized.clear();
    ASSERT_TRUE(calibration->Start(true, true));
    EXPECT_EQ(doc->calibrationStep, kCalibrationCh1);
    EXPECT_EQ(Ch(kCh2).enabled, 1u); // on while it is calibrated
    EXPECT_EQ(doc->settings.timebase.timeDivIndex, kCalibrationTimeDiv);
    ASSERT_GT(TickUntil([&] { return Idle(); }), 0);
    const Words words = Memory();
    ExpectChannelCalibrated(words, 0);
    ExpectChannelCalibrated(words, 1);
    EXPECT_TRUE(InUse(words));
    // The finish: enables as before, fixed positions and levels, the window back to normal size.
    EXPECT_EQ(Enables(), std::pair(1, 0));
    EXPECT_EQ(std::tuple(doc->settings.timebase.horizontalPosition, Ch(kCh1).zeroLevel, Ch(kCh2).zeroLevel,
                         doc->settings.trigger.levelCh2),
              std::tuple(250, 64.0f, 192.0f, 192.0f));
    EXPECT_EQ(maximized, (std::vector<bool>{true, false}));
}

TEST_F(ZeroCalibrationTest, StopDuringCh2WritesNothingAndRestores) {
    StartCalibration();
    doc->SetChannelEnabled(kCh1, false);
    doc->SetZeroLevel(kCh2, 30.0f);
    ASSERT_TRUE(calibration->Start(true, true));
    ASSERT_GT(TickUntil([&] { return doc->calibrationStep == kCalibrationCh2; }), 0);
    EXPECT_EQ(doc->settings.trigger.triggerSource, kTrigCh2);
    Ticks(40);
    calibration->Finish();

    EXPECT_TRUE(Idle());
    EXPECT_EQ(Memory(), memoryBefore);
    EXPECT_TRUE(InUse(memoryBefore)) << "the instrument's table, not the half-searched copy";
    EXPECT_EQ(Enables(), std::pair(0, 1));
    EXPECT_EQ(std::pair(Ch(kCh2).zeroLevel, doc->settings.trigger.levelCh1), std::pair(192.0f, 64.0f));
}

// A capture of a constant code has that mean; the word moves by the step the mean earns, and a search ends at
// its edge code or word limit. The whole runs above show the steps converge on words giving 0 V at the edges.
TEST_F(ZeroCalibrationTest, StepsChangeAtTheirThresholdsAndTheWordsStopAtTheirLimits) {
    StartCalibration(false);
    driver.idleState = kCaptureComplete;
    const std::size_t bottom = 0, top = 1;
    int word = 0;
    // One test capture of a constant code, after which the search is in `phase`: how far it moved the word.
    const auto capture = [&](int code, std::size_t index, int phase) {
        driver.captureCode = static_cast<std::uint16_t>(code);
        Tick();
        EXPECT_EQ(calibration->LastMean(), code);
        EXPECT_EQ(calibration->Phase(), phase) << "mean " << code;
        const int moved = calibration->WorkingTable()[index] - word;
        word = calibration->WorkingTable()[index];
        return moved;
    };
    const auto begin = [&] {
        calibration->Finish();
        ASSERT_TRUE(calibration->Start(true, false));
        Tick(); // phase 0: the bottom search starts from the model's word
        word = calibration->WorkingTable()[bottom];
        EXPECT_EQ(Ch(kCh1).zeroLevel, 255.0f); // 0 V searched at the bottom edge
    };
    const auto searchTop = [&] {
        Tick(); // phase 2: the top search starts from the bottom word
        ASSERT_EQ(calibration->Phase(), 3);
        ASSERT_EQ(calibration->WorkingTable()[top], word);
        EXPECT_EQ(Ch(kCh1).zeroLevel, 0.0f);
    };

    // A trace far from the edge moves the word by five; code 0 (bottom) or 255 (top) ends the search.
    begin();
    EXPECT_EQ(capture(31, bottom, 1), -5);
    EXPECT_EQ(capture(0, bottom, 2), 0);
    searchTop();
    EXPECT_EQ(capture(199, top, 3), 5);
    EXPECT_EQ(capture(255, top, 4), 0);

    // Limits: a trace that never reaches the edge; the bottom word still steps at 6, not at 5, and the top
    // word steps below 1001, not at it.
    begin();
    for (int i = 0; i < 100 && word > 6; ++i) {
        capture(word - 6 >= 5 ? 31 : 30, bottom, 1);
    }
    ASSERT_EQ(word, 6);
    EXPECT_EQ(capture(1, bottom, 1), -1);
    EXPECT_EQ(capture(1, bottom, 2), 0);
    searchTop();
    for (int i = 0; i < 300 && word < 1000; ++i) {
        capture(0, top, 3);
    }
    ASSERT_EQ(word, 1000);
    EXPECT_EQ(capture(254, top, 3), 1);
    EXPECT_EQ(capture(254, top, 4), 0);
}

} // namespace
} // namespace tarnix
