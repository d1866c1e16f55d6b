// The remote commands on a demo-mode document: the menu command each runs, answers, the error queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "../support/doc_fixture.h"
#include "../support/temp_dir.h"
#include "document/zero_calibration.h"
#include "language/command_ids.h"
#include "remote/remote_host.h"
#include "remote/remote_session.h"

namespace tarnix::testing {
namespace {

// Records the menu commands a session runs, every item enabled.
class CRecordingHost final : public IRemoteHost {
public:
    std::vector<int> executed;
    std::vector<float> zeroLevels;
    std::vector<int> positions;
    std::vector<std::string> paths;
    std::vector<int> fftChoices;
    bool modal = false;
    std::function<void(int)> apply; // carries a menu command out on the document

    bool CommandEnabled(int) override { return true; }
    void ExecuteCommand(int command) override {
        executed.push_back(command);
        if (apply) {
            apply(command);
        }
    }
    void ExecuteFileCommand(int command, const std::string& path, int) override {
        executed.push_back(command);
        paths.push_back(path);
    }
    void MoveZeroLevel(int, float level) override { zeroLevels.push_back(level); }
    void MoveTriggerLevel(int, float) override {}
    void MoveHorizontalPosition(int position) override { positions.push_back(position); }
    void SetAverageCount(int) override {}
    void ChooseFftList(FftList list, int index) override {
        fftChoices.push_back(static_cast<int>(list) * 10 + index);
    }
    void ToggleFftRunning() override {}
    void CreatePassFailMask() override {}
    void StartPassFail() override {}
    void StopPassFail() override {}
    bool ModalDialogOpen() override { return modal; }
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
    const std::pair<const char*, std::vector<int>> rows[] = {
        {"TIM:SCAL 1.1e-3", {cmd::kTimeDivFirst + 17}},      // 1.00ms
        {"timebase:scale 300us", {cmd::kTimeDivFirst + 16}}, // 400us is nearer than 200us on a log scale
        {"TIM:SCAL 1e-12", {cmd::kTimeDivFirst + 1}},        // 4.00ns: this model offers no 2.00ns
        {"TIM:SCAL 1E6", {cmd::kTimeDivFirst + 38}},         // 1.00h
        {"CHAN2:SCAL 12mV", {cmd::kCh2VoltsPerDivFirst + 0}},
        {"CHAN2:COUP gnd", {cmd::kCh2CouplingFirst + 2}},
        {"CHAN1:PROB 100", {cmd::kCh1ProbeFirst + 2}},
        {"TRIG:SOUR EXT", {cmd::kTrigSourceFirst + 3}},
        {"TRIG:SLOP FALL", {cmd::kTrigSlopeFalling}},
        {"ACQ:MODE PEAK", {cmd::kAcqModePeakDetect}},
        {"AUT", {cmd::kAutoSetup}},
        {"*RST", {cmd::kUtilFactorySetup}},
        // After a semicolon a header continues the branch; a colon starts it from the root.
        {"CHAN2:COUP DC;PROB 10;:TIM:SCAL 1ms;CHAN1:SCAL 1",
         {cmd::kCh2CouplingFirst, cmd::kCh2ProbeFirst + 1, cmd::kTimeDivFirst + 17,
          cmd::kCh1VoltsPerDivFirst + 6}},
    };
    for (const auto& [line, commands] : rows) {
        host.executed.clear();
        EXPECT_EQ(Ask(line), "") << line;
        EXPECT_EQ(host.executed, commands) << line;
        EXPECT_EQ(NextErrorCode(), 0) << line;
    }
}

TEST_F(RemoteSessionTest, BadCommandsQueueTheirCodesAndAnswerNothing) {
    doc->settings.trigger.triggerSource = kTrigExt;
    const std::pair<std::string, int> rows[] = {
        {"FOO:BAR?", -113},       {"CHAN3:SCAL 1", -114},
        {"TIM:SCAL abc", -120},   {"TIM:SCAL 5V", -131},
        {"TIM:SCAL", -109},       {"*IDN? 5", -108},
        {"CHAN1:COUP XYZ", -224}, {"CHAN1:OFFS 100", -222},
        {"CHAN1:PROB 3", -222},   {"ACQ:AVER 129", -222},
        {"TIM:POS 1", -222},      {"TRIG:LEV?", -221},
        {"FFT:BINS 300", -222},   {"WAV:SOUR MATH;DATA?", -221},
        {"MEAS:FREQ", -113},      {"TIM:SCAL 1ms\x01", -101},
        {"TIM:SCAL? junk", -108}, {"MMEM:LOAD:SET x.set", -151},
        {"TRIG:MODE PULS", -221}, // this model has no Pulse trigger
    };
    for (const auto& [line, code] : rows) {
        host.executed.clear();
        EXPECT_EQ(Ask(line), "") << line;
        EXPECT_TRUE(host.executed.empty()) << line;
        EXPECT_EQ(NextErrorCode(), code) << line;
        EXPECT_EQ(NextErrorCode(), 0) << line;
    }
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
    s.trigger.slope = kSlopeFalling;
    EXPECT_EQ(Ask("TRIG:LEV?;SOUR?;SLOP?"), "1.000000E+00;CHAN1;NEG\n");

    EXPECT_EQ(Ask("CHAN1:OFFS -1"), "");
    EXPECT_EQ(host.zeroLevels, std::vector<float>{160.0f});
    host.zeroLevels.clear(); // the screen's top and bottom edges are offsets like any other
    EXPECT_EQ(Ask("CHAN1:OFFS 4;OFFS -3.96875"), "");
    EXPECT_EQ(host.zeroLevels, (std::vector<float>{0.0f, 255.0f}));
    EXPECT_EQ(Ask("TIM:POS -40us"), "");
    EXPECT_EQ(host.positions, std::vector<int>{200});
}

TEST_F(RemoteSessionTest, MeasurementsOfAKnownSquareWave) {
    LoadSquareWave();
    // 40 us/div: 500 points are one division, so the period is 40 us.
    const std::pair<const char*, double> rows[] = {
        {"MEAS:FREQ? CHAN1", 25e3}, {"MEAS:PER?", 40e-6},       {"MEAS:VPP? CHANnel1", 3.0},
        {"MEAS:VMAX?", 2.0},        {"MEAS:VMIN?", -1.0},       {"MEAS:PDUT?", 50.0},
        {"MEAS:VAV?", 0.5},         {"measure:pwidth?", 20e-6},
    };
    for (const auto& [line, value] : rows) {
        const std::string reply = Ask(line);
        ASSERT_FALSE(reply.empty()) << line;
        EXPECT_NEAR(std::strtod(reply.c_str(), nullptr), value, std::fabs(value) * 0.02) << line;
    }
    doc->settings.ch(kCh2).enabled = 0;
    EXPECT_EQ(Ask("MEAS:FREQ? CHAN2"), "9.910000E+37\n");
    EXPECT_EQ(NextErrorCode(), 0);
    doc->frames[kCh1].display[7] = 255; // a trace at the top edge is measured, and flagged
    EXPECT_EQ(Ask("MEAS:VMAX?"), "4.000000E+00\n");
    EXPECT_EQ(NextErrorCode(), -231);
}

// The fundamental is a number only while the analysis runs on live frames.
TEST_F(RemoteSessionTest, FftFundamentalOnlyWhileTheAnalysisRuns) {
    doc->SetFftRunning(true);
    Ticks(5);
    const double running = std::atof(Ask("FFT:FUND?").c_str());
    EXPECT_TRUE(running > 0.0 && running < 1e9) << running;
    doc->SetFftRunning(false);
    EXPECT_GT(std::atof(Ask("FFT:FUND?").c_str()), 9e37);
}

TEST_F(RemoteSessionTest, WaveformBlockAndPreambleGiveVoltsAndSeconds) {
    LoadSquareWave();
    // Format, type, points, count, x increment, x origin, x reference, y increment, y origin, y reference.
    std::istringstream preamble(Ask("WAV:SOUR CHAN1;FORM WORD;PRE?"));
    std::vector<double> f;
    for (double field = 0; preamble >> field; preamble.ignore()) {
        f.push_back(field);
    }
    ASSERT_EQ(f.size(), 10U);
    EXPECT_EQ(f[2], 5000);
    // Type and count: normal 0 and 1, peak detect 1 and 1, average 2 and the number averaged.
    doc->settings.acquire.averageCount = 16;
    for (const auto& [mode, fields] :
         {std::pair{kAcqNormal, "0,5000,1,"}, {kAcqPeakDetect, "1,5000,1,"}, {kAcqAverage, "2,5000,16,"}}) {
        doc->settings.acquire.acquisitionMode = static_cast<std::uint16_t>(mode);
        EXPECT_EQ(Ask("WAV:PRE?").substr(2, std::string(fields).size()), fields) << mode;
    }
    doc->settings.acquire.acquisitionMode = kAcqNormal;
    EXPECT_NEAR(f[4] * 5000, 10 * 40e-6, 1e-12);
    // A client's time of point i is (i - x ref) * x increment + x origin: the trigger (t = 0) is the centre.
    EXPECT_NEAR((2500 - f[6]) * f[4] + f[5], 0.0, 1e-12);
    EXPECT_NEAR((191 - f[9]) * f[7] + f[8], 2.0, 1e-9);
    EXPECT_NEAR((95 - f[9]) * f[7] + f[8], -1.0, 1e-9);

    const std::string ascii = Ask("WAV:FORM ASC;DATA?");
    EXPECT_EQ(ascii.substr(0, 8), "191,191,");
    EXPECT_EQ(std::count(ascii.begin(), ascii.end(), ','), 4999);

    doc->frames[kCh1].display[0] = kNoData; // BYTE sends it as 0; WORD sends it, high byte first or last
    const std::string bytes = Ask("WAV:FORM BYTE;FORM?;PRE?;DATA?");
    EXPECT_EQ(bytes.substr(0, 7), "BYTE;0,");
    const std::size_t start = bytes.find(";#45000") + 7;
    EXPECT_EQ(bytes.size(), start + 5000 + 1);
    EXPECT_EQ(bytes.substr(start, 2), std::string("\0\xBF", 2));
    EXPECT_EQ(Ask("WAV:FORM WORD;BYT MSBF;BYT?;DATA?").substr(0, 16),
              std::string("MSBF;#510000\x2B\x67\0\xBF", 16));
    const std::string words = Ask("WAV:BYT LSBF;DATA?");
    EXPECT_EQ(words.substr(0, 11), std::string("#510000\x67\x2B\xBF\0", 11));
    EXPECT_EQ(words.size(), 7U + 10000U + 1U);
}

TEST_F(RemoteSessionTest, StatusRegistersFollowIeee488) {
    const std::pair<const char*, const char*> rows[] = {
        {"*idn?;SYST:ERR?\r", "Tarnix,MV-A2 USB,DEMO,7.0.0.2;0,\"No error\"\n"}, // common, then from the root
        {"*ESE 36;*ESE?;*SRE 32;*SRE?;:SYST:VERS?;*TST?", "36;32;1999.0;0\n"},
        {"FOO;*ESR?;*ESR?;:CHAN1:OFFS 100;*ESR?",
         "32;0;16\n"}, // a command error read once; an execution error
        {"FOO;*ESE 32;*SRE 0;*STB?;*SRE 32;*STB?", "36;100\n"}, // an error queued, an enabled event; service
        {"*ESE 0;*SRE 0;*ESE 256;:SYST:ERR?", "-222,\"Data out of range\"\n"},
    };
    for (const auto& [line, reply] : rows) {
        EXPECT_EQ(Ask(line), reply) << line;
        Ask("*CLS");
    }
}

TEST_F(RemoteSessionTest, NewSettingsAndFormatsWithoutDialogs) {
    doc->settings.ch(kCh1).enabled = 1;
    // ACQ:MODE AVER sets the mode without the menu item, which would open the Average dialog.
    Ask("TIM:MODE ROLL;MODE xy;:ACQ:MODE AVER");
    EXPECT_EQ(host.executed, (std::vector<int>{cmd::kFormatRoll, cmd::kFormatXY}));
    EXPECT_EQ(doc->settings.acquire.acquisitionMode, kAcqAverage);
    doc->settings.timebase.displayFormat = kFormatRoll;
    doc->fftSettings.scale = kFftScaleDb;
    EXPECT_EQ(Ask("TIM:MODE?;:FFT:SCAL?;:ACQ:MODE?"), "ROLL;DB;AVER\n");
    Ask("FFT:SCAL LIN;SCAL DB");
    EXPECT_EQ(host.fftChoices, (std::vector<int>{31, 30}));
    EXPECT_EQ(NextErrorCode(), 0);
}

TEST_F(RemoteSessionTest, WhileADialogWaitsSettingsAreRefusedAndQueriesAnswer) {
    host.modal = true;
    for (const char* line : {"CHAN1:SCAL 1", "*RST", "ACQ:MODE AVER", "MMEM:STOR:SET \"a.set\"", "DIG"}) {
        EXPECT_EQ(Ask(line), "") << line;
        EXPECT_TRUE(host.executed.empty()) << line;
        EXPECT_EQ(Ask("SYST:ERR?"), "-221,\"Settings conflict;a dialog is open\"\n") << line;
    }
    EXPECT_EQ(doc->settings.acquire.acquisitionMode, kAcqNormal);
    EXPECT_EQ(Ask("WAV:SOUR CHAN2;SOUR?;:TIM:MODE?"), "CHAN2;YT\n");
}

TEST_F(RemoteSessionTest, FilesStayInsideTheRemoteFolder) {
    TempDir outside;
    TempDir folder;
    // Links that lead out of the folder, to a folder or to a file not yet written.
    std::filesystem::create_symlink(outside.Path(), folder.Path() / "out");
    std::filesystem::create_symlink(outside.Path() / "new.set", folder.Path() / "dangling.set");
    session = std::make_unique<CRemoteSession>(*doc, host, folder.Path().string());
    doc->settings.ch(kCh1).enabled = 1;
    doc->settings.ch(kCh2).enabled = 0;
    // Code 0: the command ran, with its path inside the folder.
    const std::pair<std::string, int> rows[] = {
        {"MMEM:STOR:SET \"a.set\"", 0},
        {"MMEM:LOAD:SET \"sub/b.set\"", 0},
        {"MMEM:STOR:CSV \"c.CSV\"", 0},
        {"MMEM:STOR:CSV \"c\"", -257},                     // no .csv
        {"WAV:SOUR CHAN2;:MMEM:STOR:CSV \"c.csv\"", -221}, // a channel that is off
        {"MMEM:STOR:SET \"" + outside.File("x.set") + "\"", -257},
        {"MMEM:STOR:SET \"a/../../x.set\"", -257},
        {"MMEM:STOR:SET \"sub/../x.set\"", -257},
        {"MMEM:STOR:SET \"out/x.set\"", -257},
        {"MMEM:STOR:SET \"dangling.set\"", -257},
    };
    for (const auto& [line, code] : rows) {
        host.paths.clear();
        Ask(line + ";:WAV:SOUR CHAN1");
        EXPECT_EQ(NextErrorCode(), code) << line;
        EXPECT_EQ(host.paths.size(), code == 0 ? 1U : 0U) << line;
        EXPECT_TRUE(host.paths.empty() || host.paths[0].rfind(folder.File(""), 0) == 0) << line;
    }
}

// A document on the simulated instrument whose menu commands take effect, for the waits of *OPC?,
// *WAI and DIGitize: what a script reads after them was taken under the settings it sent.
class RemoteWaitTest : public RemoteSessionTest {
protected:
    std::unique_ptr<CZeroCalibration> calibration;

    void SetUp() override { Begin(SimConfig{}); }
    void Begin(const SimConfig& config) {
        ASSERT_EQ(StartSim(config), StartupResult::kConnected);
        calibration = std::make_unique<CZeroCalibration>(*doc);
        calibration->Attach();
        session = std::make_unique<CRemoteSession>(*doc, host);
        host.apply = [this](int command) {
            if (command >= cmd::kTimeDivFirst && command <= cmd::kTimeDivLast) {
                doc->SetTimeDiv(command - cmd::kTimeDivFirst);
                doc->OnSettingsChanged();
            } else if (command >= cmd::kCh1VoltsPerDivFirst &&
                       command < cmd::kCh1VoltsPerDivFirst + kVoltsPerDivCount) {
                doc->SetVoltsPerDiv(kCh1, command - cmd::kCh1VoltsPerDivFirst);
            } else if (command >= cmd::kTrigSweepFirst && command <= cmd::kTrigSweepFirst + kSweepSingle) {
                doc->SetSweep(command - cmd::kTrigSweepFirst);
            } else if (command == cmd::kAcqStart || command == cmd::kAcqStop) {
                command == cmd::kAcqStart ? doc->Run() : doc->Stop();
            }
        };
        Ticks(40);
    }
    // Runs a line to its end, ticking the acquisition while it waits.
    std::string RunLine(const std::string& line) {
        std::string reply;
        session->Feed(line);
        for (int step = 0; step < 10000 && session->Step(reply) != CRemoteSession::Progress::kIdle; ++step) {
            if (session->Waiting()) {
                Tick();
            }
        }
        return reply;
    }
};

TEST_F(RemoteWaitTest, ReadingsAfterAWaitComeFromCapturesUnderTheNewSettings) {
    const std::tuple<bool, const char*, const char*, const char*> rows[] = {
        {false, "TIM:SCAL 100us", "*WAI", "MEAS:FREQ? CHAN1"},
        {true, "CHAN1:SCAL 2", "*OPC?", "MEAS:VPP? CHAN1"}, // stopped: the frame shown again
        {false, "TIM:SCAL 1ms", "DIG", "MEAS:PER? CHAN1"},
        {true, "TIM:SCAL 1ms", "DIG", "MEAS:PER? CHAN1"},
    };
    const auto value = [](const std::string& r) {
        return std::strtod(r.c_str() + r.rfind(';') + 1, nullptr);
    };
    for (const auto& [stopped, change, wait, reading] : rows) {
        SetUp();
        if (stopped) {
            doc->Stop();
            Ticks(2);
        }
        const double before = value(Ask(reading));
        const std::string reply = RunLine(std::string(change) + ";" + wait + ";:" + reading);
        EXPECT_NEAR(value(reply), before, before * 0.03) << change << ";" << wait << ": " << reply;
        EXPECT_EQ(std::string(wait) == "*OPC?", reply.rfind("1;", 0) == 0) << reply;
        EXPECT_EQ(doc->settings.acquire.running == 0, stopped || std::string(wait) == "DIG") << wait;
        EXPECT_EQ(NextErrorCode(), 0);
    }
}

TEST_F(RemoteWaitTest, OpcWaitsForCalibrationAndTheSingleCapture) {
    const SimSignal dc{SimShape::kDc, 1000.0, 0.0, 0.0, 0.0};
    const SimConfig level{.signals = {dc, dc}, .calibrated = false}; // zero calibration has work to do
    std::uint64_t shown = 0;
    // What is waited for, on which instrument, how it starts, and when it has finished.
    const std::tuple<const char*, SimConfig, std::function<void()>, std::function<bool()>> rows[] = {
        {"zero calibration", level, [this] { calibration->Start(true, false); },
         [this] { return !calibration->InProgress(); }},
        {"Single", SimConfig{}, [&] { shown = doc->shownSerial, Ask("SING"); },
         [&] { return doc->settings.acquire.running == 0 && doc->shownSerial > shown; }},
    };
    for (const auto& [name, config, start, finished] : rows) {
        Begin(config);
        start();
        ASSERT_FALSE(finished()) << name;
        EXPECT_EQ(RunLine("*OPC?"), "1\n") << name;
        EXPECT_TRUE(finished()) << name;
    }
}

TEST_F(RemoteWaitTest, AWaitGivesUpWithAnErrorAndTheLineGoesOn) {
    session->Feed("*OPC?;*IDN?");
    std::string reply;
    clock.Advance(kOperationWaitMs - 1);
    EXPECT_EQ(session->Step(reply), CRemoteSession::Progress::kWaiting); // no capture came: no tick ran
    clock.Advance(3600 * 1000);
    while (session->Step(reply) == CRemoteSession::Progress::kRan) {
    }
    EXPECT_EQ(reply.substr(0, 9), "0;Tarnix,");
    EXPECT_EQ(Ask("SYST:ERR?").substr(0, 5), "-200,");
}

TEST_F(RemoteWaitTest, ALogAndTheStatisticsCountTheSameCaptures) {
    TempDir folder;
    session = std::make_unique<CRemoteSession>(*doc, host, folder.Path().string());
    const std::pair<std::string, int> refusals[] = {
        {"LOG:STAR", -221}, // no file yet
        {"MEAS:STAT?", -109},       {"MEAS:STAT? NOPE", -224},         {"MEAS:STAT? VPP,CHAN3", -224},
        {"LOG:FILE run.csv", -151}, {"LOG:FILE \"../run.csv\"", -257}, {"LOG:ITEM \"FREQ CHAN1,\"", -224},
        {"LOG:INT 0.01", -222},
    };
    for (const auto& [line, code] : refusals) {
        EXPECT_EQ(Ask(line), "") << line;
        EXPECT_EQ(NextErrorCode(), code) << line;
    }
    RunLine("TIM:SCAL 200us;*OPC?");
    EXPECT_EQ(Ask("MEAS:STAT? FREQ"), "9.910000E+37,9.910000E+37,9.910000E+37,9.910000E+37,9.910000E+37,0\n");
    EXPECT_EQ(Ask("LOG:FILE \"run.csv\";ITEM \"freq chan1,VPP\";INT 0.5;INT CAPT;ITEM?;INT?"),
              "\"FREQ CHAN1,VPP CHAN1\";CAPT\n");
    Ticks(3); // figures before the reset
    Ask("MEAS:STAT:RES;:LOG:STAR");
    Ticks(30);
    const std::string reply = Ask("LOG:STOP;COUN?;STAT?;:MEAS:STAT? FREQ,CHAN1");
    long rows = 0, count = 0;
    double current = 0.0, mean = 0.0;
    ASSERT_EQ(std::sscanf(reply.c_str(), "%ld;0;%lf,%lf,%*f,%*f,%*f,%ld", &rows, &current, &mean, &count), 4)
        << reply;
    EXPECT_GT(rows, 5);
    EXPECT_EQ(count, rows);
    EXPECT_NEAR(mean, SimConfig{}.signals[0].frequencyHz, 50.0);
    Ask("LOG:STAR");
    EXPECT_EQ(NextErrorCode(), -257); // an existing file is never replaced unasked
    host.modal = true;
    for (const char* line : {"LOG:STAR", "LOG:STOP", "MEAS:STAT:RES"}) {
        Ask(line);
        EXPECT_EQ(NextErrorCode(), -221) << line;
    }
}

} // namespace
} // namespace tarnix::testing
