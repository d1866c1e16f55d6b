// Update rules and handlers of the Channel, Trigger and Horizontal menus.
#include "rig.h"

#include <QTest>
#include <array>

#include "language/command_ids.h"
#include "model/instrument_settings.h"
#include "test_commands.h"

using namespace tarnix;
using tarnix::test::Checked;
using tarnix::test::Rig;
using tarnix::test::RigOptions;

void TestCommands::channelTurnOffTextFollowsStateAndLanguage() {
    Rig rig;
    QCOMPARE(rig.TextOf(cmd::kCh1TurnOnOff), std::string("Turn Off#Ctrl+1"));
    rig.Table().Execute(cmd::kCh1TurnOnOff);
    QCOMPARE(rig.Settings().ch(kCh1).enabled, 0u);
    QCOMPARE(rig.TextOf(cmd::kCh1TurnOnOff), std::string("Turn On#Ctrl+1"));
    QCOMPARE(rig.TextOf(cmd::kMathTurnOnOff), std::string("Turn On#Ctrl+M"));
    QCOMPARE(rig.TextOf(cmd::kRefTurnOnOff), std::string("Turn On#Ctrl+R"));
}

void TestCommands::voltsPerDivLabelsFollowTheProbe() {
    Rig rig;
    std::vector<std::pair<int, int>> selected;
    std::vector<int> relabelled;
    rig.Table().Sidebar().select = [&](SidebarList list, int index) {
        selected.emplace_back(static_cast<int>(list), index);
    };
    rig.Table().Sidebar().relabelVoltsList = [&](int channel) { relabelled.push_back(channel); };

    rig.Table().Execute(cmd::kCh1ProbeFirst + 1); // x 10
    QCOMPARE(rig.Settings().ch(kCh1).probe, std::uint16_t{1});
    QVERIFY(selected == (std::vector<std::pair<int, int>>{{static_cast<int>(SidebarList::kCh1Probe), 1}}));
    QVERIFY(relabelled == std::vector<int>{kCh1});
    const std::array<const char*, 10> x10 = {"100mV", "200mV", "500mV", "1.00V", "2.00V",
                                             "5.00V", "10.0V", "20.0V", "50.0V", "100V"};
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(rig.TextOf(cmd::kCh1VoltsPerDivFirst + i), std::string(x10[static_cast<std::size_t>(i)]));
    }
    // CH2 keeps its own probe column.
    QCOMPARE(rig.TextOf(cmd::kCh2VoltsPerDivFirst), std::string("10.0mV"));
    rig.Table().Execute(cmd::kCh2ProbeFirst + 3); // x 1000
    QCOMPARE(rig.TextOf(cmd::kCh2VoltsPerDivFirst + 9), std::string("10.0kV"));
    QCOMPARE(rig.TextOf(cmd::kCh2VoltsPerDivFirst + 3), std::string("100V"));
    // A probe value outside 0..3 shows the x 1 column.
    rig.Settings().ch(kCh1).probe = 7;
    QCOMPARE(rig.TextOf(cmd::kCh1VoltsPerDivFirst + 2), std::string("50.0mV"));
    // MATH labels follow the MATH probe.
    rig.Settings().ch(kMath).enabled = 1;
    rig.Table().Execute(cmd::kMathProbeFirst + 2); // x 100
    QCOMPARE(rig.TextOf(cmd::kMathVoltsPerDivFirst + 4), std::string("20.0V"));
}

void TestCommands::channelItemsDisabledWhileChannelOff() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    const int current = s.ch(kCh2).voltsPerDivIndex;
    QVERIFY(Checked(rig.Updated(cmd::kCh2VoltsPerDivFirst + current)));
    QVERIFY(!Checked(rig.Updated(cmd::kCh2VoltsPerDivFirst + (current + 1) % 9)));
    rig.Table().Execute(cmd::kCh2VoltsPerDivFirst + 2);
    QCOMPARE(s.ch(kCh2).voltsPerDivIndex, std::uint16_t{2});
    QVERIFY(Checked(rig.Updated(cmd::kCh2VoltsPerDivFirst + 2)));

    rig.Table().Execute(cmd::kCh2TurnOnOff);
    QCOMPARE(s.ch(kCh2).enabled, 0u);
    for (int id : {cmd::kCh2VoltsPerDivFirst + 2, cmd::kCh2CouplingFirst + s.ch(kCh2).coupling,
                   cmd::kCh2ProbeFirst, cmd::kCh2FilterFirst, cmd::kCh2Reset, cmd::kCh2Invert}) {
        QAction* action = rig.Updated(id);
        QVERIFY2(!action->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(!Checked(action));
    }
    // The Turn On item itself is always enabled.
    QVERIFY(rig.Updated(cmd::kCh2TurnOnOff)->isEnabled());

    // Coupling: the same value again is a no-op, a new one goes to the document and the sidebar.
    std::vector<int> selected;
    rig.Table().Sidebar().select = [&](SidebarList, int index) { selected.push_back(index); };
    const int coupling = s.ch(kCh1).coupling;
    rig.Table().Execute(cmd::kCh1CouplingFirst + coupling);
    QVERIFY(selected.empty());
    rig.Table().Execute(cmd::kCh1CouplingFirst + kCouplingGnd);
    QCOMPARE(s.ch(kCh1).coupling, std::uint16_t{kCouplingGnd});
    QVERIFY(selected == std::vector<int>{kCouplingGnd});
    QVERIFY(Checked(rig.Updated(cmd::kCh1CouplingFirst + kCouplingGnd)));
    rig.Table().Execute(cmd::kCh1Invert);
    QCOMPARE(s.ch(kCh1).invert, 1u);
    QVERIFY(Checked(rig.Updated(cmd::kCh1Invert)));
    rig.Table().Execute(cmd::kCh1FilterFirst + kFilterHigher);
    QCOMPARE(s.ch(kCh1).filterMode, std::uint16_t{kFilterHigher});
}

void TestCommands::bandwidthAndHfRejectionDisabledInDemo() {
    {
        Rig rig;
        rig.Table().Execute(cmd::kCh1BandwidthLimit);
        QCOMPARE(rig.Settings().ch(kCh1).bandwidthLimit, 1u);
        QAction* bw = rig.Updated(cmd::kCh1BandwidthLimit);
        QVERIFY(bw->isEnabled());
        QVERIFY(Checked(bw));
        rig.Table().Execute(cmd::kTrigHfRejection);
        QVERIFY(Checked(rig.Updated(cmd::kTrigHfRejection)));
    }
    RigOptions demo;
    demo.demo = true;
    Rig rig(demo);
    rig.Settings().ch(kCh1).bandwidthLimit = 1;
    rig.Settings().trigger.hfRejection = 1;
    for (int id : {cmd::kCh1BandwidthLimit, cmd::kTrigHfRejection}) {
        QAction* action = rig.Updated(id);
        QVERIFY(!action->isEnabled());
        QVERIFY(!Checked(action));
    }
}

void TestCommands::channelResetClampsTriggerLevelAndCentres() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    QCOMPARE(s.trigger.triggerSource, std::uint16_t{kTrigCh1});
    s.trigger.levelCh1 = -20.0f;
    s.ch(kCh1).zeroLevel = 40.0f;
    rig.Table().Execute(cmd::kCh1Reset);
    QCOMPARE(s.trigger.levelCh1, 0.0f);
    QCOMPARE(s.trigger.levelMarkerCh1, std::uint16_t{2});
    QCOMPARE(s.ch(kCh1).zeroLevel, 128.0f);

    s.trigger.levelCh1 = 300.0f;
    rig.Table().Execute(cmd::kCh1Reset);
    QCOMPARE(s.trigger.levelCh1, 256.0f);
    QCOMPARE(s.trigger.levelMarkerCh1, std::uint16_t{3});

    s.trigger.levelCh1 = 100.0f;
    rig.Table().Execute(cmd::kCh1Reset);
    QCOMPARE(s.trigger.levelCh1, 100.0f);
    QCOMPARE(s.trigger.levelMarkerCh1, std::uint16_t{0});

    // CH2 is not the trigger source: its level stays where it is.
    s.trigger.levelCh2 = -50.0f;
    s.ch(kCh2).zeroLevel = 10.0f;
    rig.Table().Execute(cmd::kCh2Reset);
    QCOMPARE(s.trigger.levelCh2, -50.0f);
    QCOMPARE(s.ch(kCh2).zeroLevel, 128.0f);
}

void TestCommands::mathRulesAndXYRefusal() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    QVERIFY(!rig.Updated(cmd::kMathOperateFirst)->isEnabled());
    rig.Table().Execute(cmd::kMathTurnOnOff);
    QCOMPARE(s.ch(kMath).enabled, 1u);
    QCOMPARE(rig.TextOf(cmd::kMathTurnOnOff), std::string("Turn Off#Ctrl+M"));
    QVERIFY(rig.Updated(cmd::kMathOperateFirst)->isEnabled());
    rig.Table().Execute(cmd::kMathOperateFirst + kMathMul);
    QCOMPARE(s.ch(kMath).math.mathOperator, std::uint16_t{kMathMul});
    QVERIFY(Checked(rig.Updated(cmd::kMathOperateFirst + kMathMul)));

    // Source items need their channel on.
    rig.Table().Execute(cmd::kMathSourceACh2);
    QCOMPARE(s.ch(kMath).math.sourceA, std::uint16_t{1});
    QCOMPARE(s.ch(kMath).math.sourceB, std::uint16_t{1});
    QVERIFY(Checked(rig.Updated(cmd::kMathSourceACh2)));
    rig.Table().Execute(cmd::kCh2TurnOnOff);
    QAction* sourceA2 = rig.Updated(cmd::kMathSourceACh2);
    QVERIFY(!sourceA2->isEnabled());
    QVERIFY(!Checked(sourceA2));

    // Invert needs MATH on and a running acquisition.
    QVERIFY(rig.Updated(cmd::kMathInvert)->isEnabled());
    rig.Doc().Stop();
    QVERIFY(!rig.Updated(cmd::kMathInvert)->isEnabled());
    rig.Doc().Run();

    // In X-Y, MATH Turn On/Off shows the error box and changes nothing.
    rig.Table().Execute(cmd::kFormatXY);
    QCOMPARE(s.timebase.displayFormat, std::uint16_t{kFormatXY});
    rig.ClearMessages();
    const InstrumentSettings before = s;
    rig.Table().Execute(cmd::kMathTurnOnOff);
    QCOMPARE(rig.Messages().size(), std::size_t{1});
    QCOMPARE(rig.Messages()[0].first, std::string("Error"));
    QCOMPARE(rig.Messages()[0].second, std::string("Function not available!"));
    QVERIFY(s == before);
    // ... and Reference Turn On likewise.
    rig.Table().Execute(cmd::kRefTurnOnOff);
    QCOMPARE(rig.Messages().size(), std::size_t{2});
    QVERIFY(s == before);
}

void TestCommands::triggerSourceSelectOneOfN() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    std::vector<int> sources;
    rig.Table().Sidebar().select = [&](SidebarList list, int index) {
        if (list == SidebarList::kTriggerSource) {
            sources.push_back(index);
        }
    };
    rig.Doc().SetZeroLevel(kCh2, 100.0f);
    rig.Table().Execute(cmd::kTrigSourceFirst + kTrigCh2);
    QCOMPARE(s.trigger.triggerSource, std::uint16_t{kTrigCh2});
    QCOMPARE(s.trigger.levelCh2, 100.0f);
    QVERIFY(Checked(rig.Updated(cmd::kTrigSourceFirst + kTrigCh2)));
    QVERIFY(!Checked(rig.Updated(cmd::kTrigSourceFirst + kTrigCh1)));

    // The source that is already selected: nothing happens, the moved level stays.
    rig.Doc().SetTriggerLevel(kCh2, 50.0f);
    rig.Table().Execute(cmd::kTrigSourceFirst + kTrigCh2);
    QCOMPARE(s.trigger.levelCh2, 50.0f);
    QVERIFY(sources == std::vector<int>{kTrigCh2});

    // Back to CH1: its level goes onto CH1's zero line.
    s.trigger.levelCh1 = 3.0f;
    rig.Table().Execute(cmd::kTrigSourceFirst + kTrigCh1);
    QCOMPARE(s.trigger.levelCh1, s.ch(kCh1).zeroLevel);
    rig.Table().Execute(cmd::kTrigSourceFirst + kTrigExt);
    QCOMPARE(s.trigger.levelExt, 128.0f);
    QVERIFY((sources == std::vector<int>{kTrigCh2, kTrigCh1, kTrigExt}));

    rig.Table().Execute(cmd::kTrigSweepFirst + kSweepSingle);
    QCOMPARE(s.trigger.sweep, std::uint16_t{kSweepSingle});
    QVERIFY(Checked(rig.Updated(cmd::kTrigSweepFirst + kSweepSingle)));
    rig.Table().Execute(cmd::kTrigSlopeFalling);
    QCOMPARE(s.trigger.slope, std::uint16_t{kSlopeFalling});
    QVERIFY(Checked(rig.Updated(cmd::kTrigSlopeFalling)));
}

void TestCommands::formatsFollowRunningAndXYFromRoll() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    QVERIFY(rig.Updated(cmd::kFormatYT)->isEnabled());
    QVERIFY(Checked(rig.Updated(cmd::kFormatYT)));
    rig.Doc().Stop();
    for (int id : {cmd::kFormatYT, cmd::kFormatRoll, cmd::kFormatXY}) {
        QVERIFY(!rig.Updated(id)->isEnabled());
        QVERIFY(!Checked(rig.Updated(id)));
    }
    rig.Doc().Run();

    rig.Table().Execute(cmd::kFormatRoll);
    QCOMPARE(s.timebase.displayFormat, std::uint16_t{kFormatRoll});
    QCOMPARE(int(s.timebase.timeDivIndex), TimeDivIndexOfLabel("1.00s", s.timebase.timeDivOffset));
    QVERIFY(Checked(rig.Updated(cmd::kFormatRoll)));

    std::vector<std::pair<int, bool>> switched;
    rig.Table().Sidebar().channelSwitched = [&](int channel, bool on) { switched.emplace_back(channel, on); };
    rig.Doc().SetChannelEnabled(kCh2, false);
    rig.Doc().SetChannelEnabled(kMath, true);
    s.ch(kRef).enabled = 1;
    rig.Table().Execute(cmd::kFormatXY);
    QCOMPARE(s.timebase.displayFormat, std::uint16_t{kFormatXY});
    QCOMPARE(int(s.timebase.timeDivIndex), TimeDivIndexOfLabel("40.0us", s.timebase.timeDivOffset));
    QCOMPARE(s.ch(kCh1).enabled, 1u);
    QCOMPARE(s.ch(kCh2).enabled, 1u);
    QCOMPARE(s.ch(kMath).enabled, 0u);
    QCOMPARE(s.ch(kRef).enabled, 0u);
    QCOMPARE(s.ch(kCh1).zeroLevel, 128.0f);
    QCOMPARE(s.ch(kCh2).zeroLevel, 128.0f);
    QCOMPARE(s.trigger.levelCh1, 128.0f);
    QCOMPARE(s.trigger.levelCh2, 128.0f);
    QVERIFY((switched == std::vector<std::pair<int, bool>>{{kCh2, true}}));

    // In X-Y, CH1/CH2 Turn On/Off and X - Y again are silently ignored.
    rig.ClearMessages();
    const InstrumentSettings before = s;
    rig.Table().Execute(cmd::kCh1TurnOnOff);
    rig.Table().Execute(cmd::kCh2TurnOnOff);
    rig.Table().Execute(cmd::kFormatXY);
    QVERIFY(s == before);
    QVERIFY(rig.Messages().empty());

    rig.Table().Execute(cmd::kHorizFiftyPercent);
    QCOMPARE(s.timebase.horizontalPosition, std::uint16_t{250});
}

void TestCommands::timeDivItemsTickAndLargeBufferRefusal() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    // Model 1 lists the table from row 1: the 2.00ns item has no position and is never ticked.
    QVERIFY(!Checked(rig.Updated(cmd::kTimeDivFirst)));
    const int row40us = 13;
    QCOMPARE(int(s.timebase.timeDivIndex + s.timebase.timeDivOffset), row40us);
    QVERIFY(Checked(rig.Updated(cmd::kTimeDivFirst + row40us)));
    QVERIFY(!Checked(rig.Updated(cmd::kTimeDivFirst + row40us + 1)));
    QVERIFY(rig.Updated(cmd::kTimeDivFirst + row40us + 1)->isEnabled());

    rig.Table().Execute(cmd::kTimeDivFirst + 14); // 100us
    QCOMPARE(int(s.timebase.timeDivIndex), 14 - 1);

    // 32k with both channels on while running: the menu refuses and keeps the time base.
    rig.Doc().ApplyChannelEnables();
    rig.Doc().SetBufferSize(kBuffer32k);
    rig.ClearMessages();
    const int before = s.timebase.timeDivIndex;
    rig.Table().Execute(cmd::kTimeDivFirst + 15); // 200us, inside the range: still refused from the menu
    QCOMPARE(int(s.timebase.timeDivIndex), before);
    QCOMPARE(rig.Messages().size(), std::size_t{1});
    QCOMPARE(rig.Messages()[0].first, std::string("Error"));
    QCOMPARE(rig.Messages()[0].second, std::string("32K Points Mode Range:40us/Div ~ 0.4s/Div"));
}
