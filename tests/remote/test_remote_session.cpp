// The remote command table on a demo-mode document: what a script sends, which menu command it runs,
// what it reads back, and what lands in the error queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "../document/doc_fixture.h"
#include "language/command_ids.h"
#include "remote/remote_host.h"
#include "remote/remote_session.h"

namespace tarnix::testing {
namespace {

// Records the menu commands a session runs; `disabled` ones are refused as a greyed item is.
class CRecordingHost final : public IRemoteHost {
public:
    std::vector<int> executed;
    std::set<int> disabled;
    std::vector<float> zeroLevels;
    std::vector<int> positions;

    bool CommandEnabled(int command) override { return disabled.count(command) == 0; }
    void ExecuteCommand(int command) override { executed.push_back(command); }
    void ExecuteFileCommand(int command, const std::string&, int) override { executed.push_back(command); }
    void MoveZeroLevel(int, float level) override { zeroLevels.push_back(level); }
    void MoveTriggerLevel(int, float) override {}
    void MoveHorizontalPosition(int position) override { positions.push_back(position); }
    void SetAverageCount(int) override {}
    void ChooseFftList(FftList, int) override {}
    void ToggleFftRunning() override {}
    void CreatePassFailMask() override {}
    void StartPassFail() override {}
    void StopPassFail() override {}
    std::vector<std::uint8_t> WindowImagePng() override { return {}; }
};

class RemoteSessionTest : public DocTest {
protected:
    CRecordingHost host;
    std::unique_ptr<CRemoteSession> session;

    void SetUp() override {
        ASSERT_EQ(Start(false), StartupResult::kDemo);
        session = std::make_unique<CRemoteSession>(*doc, host);
    }
    std::string Ask(const std::string& line) { return session->Query(line); }
    int NextErrorCode() { return std::atoi(Ask("SYST:ERR?").c_str()); }

    // CH1 on at 1 V/div, probe x1, 0 V at screen code 127, and a square wave of 500-point period
    // between codes 191 (+2 V) and 95 (-1 V).
    void LoadSquareWave() {
        ChannelSettings& ch1 = doc->settings.ch(kCh1);
        ch1.enabled = 1;
        ch1.voltsPerDivIndex = 6;
        ch1.probe = 0;
        ch1.zeroLevel = 128.0f;
        auto& trace = doc->frames[kCh1].display;
        for (std::size_t i = 0; i < trace.size(); ++i) {
            trace[i] = static_cast<std::int16_t>((i / 250) % 2 == 0 ? 191 : 95);
        }
    }
};

TEST_F(RemoteSessionTest, SettingsRunTheMenuCommandOfTheNearestTableEntry) {
    const struct {
        const char* line;
        int command;
    } rows[] = {
        {"TIM:SCAL 1.1e-3", cmd::kTimeDivFirst + 17},      // 1.00ms
        {"timebase:scale 300us", cmd::kTimeDivFirst + 16}, // 400us is nearer than 200us on a log scale
        {"TIM:SCAL 1e-12", cmd::kTimeDivFirst + 1},        // 4.00ns: this model offers no 2.00ns
        {"TIM:SCAL 1E6", cmd::kTimeDivFirst + 38},         // 1.00h
        {"CHAN2:SCAL 12mV", cmd::kCh2VoltsPerDivFirst + 0},
        {"CHAN2:COUP gnd", cmd::kCh2CouplingFirst + 2},
        {"CHAN1:PROB 100", cmd::kCh1ProbeFirst + 2},
        {"TRIG:SOUR EXT", cmd::kTrigSourceFirst + 3},
        {"TRIG:SLOP FALL", cmd::kTrigSlopeFalling},
        {"ACQ:MODE PEAK", cmd::kAcqModePeakDetect},
        {"AUT", cmd::kAutoSetup},
        {"*RST", cmd::kUtilFactorySetup},
    };
    for (const auto& row : rows) {
        host.executed.clear();
        EXPECT_EQ(Ask(row.line), "") << row.line;
        EXPECT_EQ(host.executed, std::vector<int>{row.command}) << row.line;
        EXPECT_EQ(NextErrorCode(), 0) << row.line;
    }
}

TEST_F(RemoteSessionTest, HeadersAfterSemicolonContinueTheBranchOrStartFromTheRoot) {
    EXPECT_EQ(Ask("*idn?;*OPC?\r"), "Tarnix,MV-A2 USB,DEMO,7.0.0.2;1\n");
    EXPECT_EQ(Ask("CHAN2:COUP DC;PROB 10;:TIM:SCAL 1ms;CHAN1:SCAL 1"), "");
    EXPECT_EQ(host.executed, (std::vector<int>{cmd::kCh2CouplingFirst, cmd::kCh2ProbeFirst + 1,
                                               cmd::kTimeDivFirst + 17, cmd::kCh1VoltsPerDivFirst + 6}));
    EXPECT_EQ(NextErrorCode(), 0);
}

TEST_F(RemoteSessionTest, BadCommandsQueueTheirCodesAndAnswerNothing) {
    doc->settings.trigger.triggerSource = kTrigExt;
    const struct {
        std::string line;
        int code;
    } rows[] = {
        {"FOO:BAR?", -113},       {"CHAN3:SCAL 1", -114},
        {"TIM:SCAL abc", -120},   {"TIM:SCAL 5V", -131},
        {"TIM:SCAL", -109},       {"*IDN? 5", -108},
        {"CHAN1:COUP XYZ", -224}, {"CHAN1:OFFS 100", -222},
        {"CHAN1:PROB 3", -222},   {"ACQ:AVER 129", -222},
        {"TIM:POS 1", -222},      {"TRIG:LEV?", -221},
        {"FFT:BINS 300", -222},   {"WAV:SOUR MATH;DATA?", -221},
        {"MEAS:FREQ", -113},      {"TIM:SCAL 1ms\x01", -101},
        {"TIM:SCAL? junk", -108}, {"MMEM:LOAD:SET x.set", -151},
    };
    for (const auto& row : rows) {
        host.executed.clear();
        EXPECT_EQ(Ask(row.line), "") << row.line;
        EXPECT_TRUE(host.executed.empty()) << row.line;
        EXPECT_EQ(NextErrorCode(), row.code) << row.line;
        EXPECT_EQ(NextErrorCode(), 0) << row.line;
    }
}

TEST_F(RemoteSessionTest, RefusalsBecomeSettingsConflictsAndMessagesExecutionErrors) {
    host.disabled.insert(cmd::kAcqStart);
    EXPECT_EQ(Ask("RUN"), "");
    EXPECT_TRUE(host.executed.empty());
    EXPECT_EQ(Ask("SYST:ERR?"), "-221,\"Settings conflict;Function not available!\"\n");

    session->ShowMessage("Error", "Function not available!");
    session->ShowMessage("Error", "This is not a setup file!");
    EXPECT_EQ(Ask("SYST:ERR?;SYST:ERR?"),
              "-221,\"Settings conflict;Function not available!\";-200,\"Execution error;This is not a setup "
              "file!\"\n");
}

TEST_F(RemoteSessionTest, QueriesReadTheSettingsInForce) {
    InstrumentSettings& s = doc->settings;
    s.ch(kCh2).voltsPerDivIndex = 4; // 0.2 V at x1
    s.ch(kCh2).probe = 1;            // x10
    s.ch(kCh2).zeroLevel = 64.0f;    // two divisions above the centre
    s.ch(kCh2).coupling = kCouplingGnd;
    s.timebase.horizontalPosition = 300; // one division right of the centre
    EXPECT_EQ(Ask("CHAN2:SCAL?;COUP?;PROB?;OFFS?"), "2.000000E+00;GND;10;4.000000E+00\n");
    EXPECT_EQ(Ask("TIM:SCAL?;POS?"), "4.000000E-05;4.000000E-05\n");
    // Zero level of CH1 (1 V/div) at 128 puts a level code 32 higher on the screen at +1 V.
    s.ch(kCh1).voltsPerDivIndex = 6;
    s.ch(kCh1).zeroLevel = 128.0f;
    s.trigger.triggerSource = kTrigCh1;
    s.trigger.levelCh1 = 96.0f;
    EXPECT_EQ(Ask("TRIG:LEV?;SOUR?"), "1.000000E+00;CHAN1\n");

    host.zeroLevels.clear();
    EXPECT_EQ(Ask("CHAN1:OFFS -1"), "");
    EXPECT_EQ(host.zeroLevels, std::vector<float>{160.0f});
    EXPECT_EQ(Ask("TIM:POS -40us"), "");
    EXPECT_EQ(host.positions, std::vector<int>{200});
}

TEST_F(RemoteSessionTest, MeasurementsOfAKnownSquareWave) {
    LoadSquareWave();
    // 40 us/div: 500 points are one division, so the period is 40 us.
    const struct {
        const char* line;
        double value;
    } rows[] = {
        {"MEAS:FREQ? CHAN1", 25e3}, {"MEAS:PER?", 40e-6},       {"MEAS:VPP? CHANnel1", 3.0},
        {"MEAS:VMAX?", 2.0},        {"MEAS:VMIN?", -1.0},       {"MEAS:PDUT?", 50.0},
        {"MEAS:VAV?", 0.5},         {"measure:pwidth?", 20e-6},
    };
    for (const auto& row : rows) {
        const std::string reply = Ask(row.line);
        ASSERT_FALSE(reply.empty()) << row.line;
        EXPECT_NEAR(std::strtod(reply.c_str(), nullptr), row.value, std::fabs(row.value) * 0.02) << row.line;
    }
    doc->settings.ch(kCh2).enabled = 0;
    EXPECT_EQ(Ask("MEAS:FREQ? CHAN2"), "9.910000E+37\n");
    EXPECT_EQ(NextErrorCode(), 0);
    doc->frames[kCh1].display[7] = 255; // a trace at the top edge is measured, and flagged
    EXPECT_EQ(Ask("MEAS:VMAX?"), "4.000000E+00\n");
    EXPECT_EQ(NextErrorCode(), -231);
}

TEST_F(RemoteSessionTest, WaveformBlockAndPreambleGiveVoltsAndSeconds) {
    LoadSquareWave();
    const std::string preamble = Ask("WAV:SOUR CHAN1;FORM WORD;PRE?");
    std::vector<double> fields;
    for (const char* p = preamble.c_str(); *p != '\0';) {
        char* end = nullptr;
        fields.push_back(std::strtod(p, &end));
        p = (*end == ',') ? end + 1 : end + std::strlen(end);
    }
    ASSERT_EQ(fields.size(), 10U);
    EXPECT_EQ(fields[2], 5000);
    const double xIncrement = fields[4];
    const double xOrigin = fields[5];
    const double yIncrement = fields[7];
    const double yOrigin = fields[8];
    const double yReference = fields[9];
    EXPECT_NEAR(xIncrement * 5000, 10 * 40e-6, 1e-12);
    EXPECT_NEAR(xOrigin, -5 * 40e-6, 1e-12); // trigger point at the centre
    EXPECT_NEAR((191 - yReference) * yIncrement + yOrigin, 2.0, 1e-9);
    EXPECT_NEAR((95 - yReference) * yIncrement + yOrigin, -1.0, 1e-9);

    const std::string block = Ask("WAV:DATA?");
    ASSERT_EQ(block.substr(0, 7), "#510000");
    ASSERT_EQ(block.size(), 7U + 10000U + 1U);
    const auto word = [&block](std::size_t i) {
        return static_cast<std::int16_t>(static_cast<std::uint8_t>(block[7 + 2 * i]) |
                                         static_cast<std::uint8_t>(block[8 + 2 * i]) << 8);
    };
    EXPECT_EQ(word(249), 191);
    EXPECT_EQ(word(4999), 95);

    const std::string ascii = Ask("WAV:FORM ASC;DATA?");
    EXPECT_EQ(ascii.substr(0, 8), "191,191,");
    EXPECT_EQ(std::count(ascii.begin(), ascii.end(), ','), 4999);
}

} // namespace
} // namespace tarnix::testing
