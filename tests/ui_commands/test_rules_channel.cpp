// Update rules and handlers of the Channel, Trigger and Horizontal menus.
#include "rig.h"

#include <QTest>
#include <cmath>

#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "model/instrument_settings.h"
#include "test_commands.h"
#include "ui/tarnix_view.h"

using namespace tarnix;
using tarnix::test::Checked;
using tarnix::test::Rig;
using tarnix::test::RigOptions;

void TestCommands::channelTurnOffTextFollowsState() {
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
    QCOMPARE(rig.TextOf(cmd::kCh1VoltsPerDivFirst), std::string("100mV"));
    QCOMPARE(rig.TextOf(cmd::kCh1VoltsPerDivFirst + 9), std::string("100V"));
    // CH2 keeps its own probe column.
    QCOMPARE(rig.TextOf(cmd::kCh2VoltsPerDivFirst), std::string("10.0mV"));
    rig.Table().Execute(cmd::kCh2ProbeFirst + 3); // x 1000
    QCOMPARE(rig.TextOf(cmd::kCh2VoltsPerDivFirst + 9), std::string("10.0kV"));
    // A probe value outside 0..3 shows the x 1 column.
    rig.Settings().ch(kCh1).probe = 7;
    QCOMPARE(rig.TextOf(cmd::kCh1VoltsPerDivFirst + 2), std::string("50.0mV"));
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
    QVERIFY(rig.Updated(cmd::kCh2TurnOnOff)->isEnabled());

    // Coupling: the same value again is a no-op, a new one goes to the document and the sidebar.
    std::vector<int> selected;
    rig.Table().Sidebar().select = [&](SidebarList, int index) { selected.push_back(index); };
    rig.Table().Execute(cmd::kCh1CouplingFirst + s.ch(kCh1).coupling);
    QVERIFY(selected.empty());
    rig.Table().Execute(cmd::kCh1CouplingFirst + kCouplingGnd);
    QCOMPARE(s.ch(kCh1).coupling, std::uint16_t{kCouplingGnd});
    QVERIFY(selected == std::vector<int>{kCouplingGnd});
    QVERIFY(Checked(rig.Updated(cmd::kCh1CouplingFirst + kCouplingGnd)));
    rig.Table().Execute(cmd::kCh1Invert);
    QVERIFY(Checked(rig.Updated(cmd::kCh1Invert)));
    rig.Table().Execute(cmd::kCh1FilterFirst + kFilterHigher);
    QCOMPARE(s.ch(kCh1).filterMode, std::uint16_t{kFilterHigher});
}

void TestCommands::bandwidthAndHfRejectionDisabledInDemo() {
    for (const bool demo : {false, true}) {
        RigOptions options;
        options.demo = demo;
        Rig rig(options);
        rig.Table().Execute(cmd::kCh1BandwidthLimit);
        rig.Table().Execute(cmd::kTrigHfRejection);
        rig.Settings().ch(kCh1).bandwidthLimit = 1;
        rig.Settings().trigger.hfRejection = 1;
        for (int id : {cmd::kCh1BandwidthLimit, cmd::kTrigHfRejection}) {
            QAction* action = rig.Updated(id);
            QCOMPARE(action->isEnabled(), !demo);
            QCOMPARE(Checked(action), !demo);
        }
    }
}

void TestCommands::channelResetClampsTriggerLevelAndCentres() {
    // Reset brings the trigger level onto the code scale; its marker says where it was.
    struct Row {
        int channel;
        float level;
        float levelAfter;
        int markerAfter;
    };
    for (const Row row :
         {Row{kCh1, -20.0f, 0.0f, 2}, Row{kCh1, 300.0f, 256.0f, 3}, Row{kCh1, 100.0f, 100.0f, 0},
          Row{kCh1, 256.0f, 256.0f, 0}, Row{kCh2, -50.0f, -50.0f, -1}}) {
        Rig rig;
        InstrumentSettings& s = rig.Settings();
        QCOMPARE(s.trigger.triggerSource, std::uint16_t{kTrigCh1});
        float& level = row.channel == kCh1 ? s.trigger.levelCh1 : s.trigger.levelCh2;
        level = row.level;
        s.ch(row.channel).zeroLevel = 40.0f;
        rig.Table().Execute(row.channel == kCh1 ? cmd::kCh1Reset : cmd::kCh2Reset);
        QCOMPARE(level, row.levelAfter);
        if (row.markerAfter >= 0) {
            QCOMPARE(int(s.trigger.levelMarkerCh1), row.markerAfter);
        }
        QCOMPARE(s.ch(row.channel).zeroLevel, 128.0f);
    }
}

void TestCommands::mathRulesAndXYRefusal() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    QVERIFY(!rig.Updated(cmd::kMathOperateFirst)->isEnabled());
    rig.Table().Execute(cmd::kMathTurnOnOff);
    QCOMPARE(rig.TextOf(cmd::kMathTurnOnOff), std::string("Turn Off#Ctrl+M"));
    rig.Table().Execute(cmd::kMathOperateFirst + kMathMul);
    QCOMPARE(s.ch(kMath).math.mathOperator, std::uint16_t{kMathMul});
    QVERIFY(Checked(rig.Updated(cmd::kMathOperateFirst + kMathMul)));

    // Source items need their channel on.
    rig.Table().Execute(cmd::kMathSourceACh2);
    QCOMPARE(s.ch(kMath).math.sourceA, std::uint16_t{1});
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

    // In X-Y, MATH and Reference Turn On/Off show the error box and change nothing.
    rig.Table().Execute(cmd::kFormatXY);
    rig.ClearMessages();
    const InstrumentSettings before = s;
    rig.Table().Execute(cmd::kMathTurnOnOff);
    rig.Table().Execute(cmd::kRefTurnOnOff);
    QCOMPARE(rig.Messages().size(), std::size_t{2});
    QCOMPARE(rig.Messages()[0].first, std::string("Error"));
    QCOMPARE(rig.Messages()[1].second, std::string("Function not available!"));
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
    rig.Table().Execute(cmd::kTrigSourceFirst + kTrigExt);
    QCOMPARE(s.trigger.levelExt, 128.0f);
    QVERIFY((sources == std::vector<int>{kTrigCh2, kTrigExt}));

    rig.Table().Execute(cmd::kTrigSweepFirst + kSweepSingle);
    QVERIFY(Checked(rig.Updated(cmd::kTrigSweepFirst + kSweepSingle)));
    rig.Table().Execute(cmd::kTrigSlopeFalling);
    QCOMPARE(s.trigger.slope, std::uint16_t{kSlopeFalling});
    QVERIFY(Checked(rig.Updated(cmd::kTrigSlopeFalling)));
}

void TestCommands::triggerFiftyPercentCentresTheLevel() {
    // Square waves per channel; levels count down from the top of the screen, so the middle of codes
    // lo..hi is the level 255 - (lo + hi) / 2.
    struct Row {
        int source;
        bool rollWithKey; // Roll disables the menu item; Ctrl+T still reaches the handler
    };
    for (const Row row :
         {Row{kTrigCh1, false}, Row{kTrigCh2, false}, Row{kTrigAlt, false}, Row{kTrigCh1, true}}) {
        Rig rig;
        InstrumentSettings& s = rig.Settings();
        QVERIFY(tarnix::test::ShowAndActivate(rig.Frame()));
        rig.Table().Execute(cmd::kTrigSourceFirst + row.source);
        const int low[2] = {60, 100};
        const int high[2] = {200, 180};
        if (row.rollWithKey) {
            rig.Table().Execute(cmd::kFormatRoll);
            QVERIFY(!rig.Updated(cmd::kTrigFiftyPercent)->isEnabled());
        }
        // Written directly: a setter would clear the Roll record.
        s.trigger.levelCh1 = 10.0f;
        s.trigger.levelCh2 = 10.0f;
        for (int c : {kCh1, kCh2}) {
            s.ch(c).zeroLevel = 40.0f;
            auto& trace = rig.Doc().frames[c].display;
            for (std::size_t i = 0; i < trace.size(); ++i) {
                trace[i] = static_cast<std::int16_t>((i / 250) % 2 == 0 ? low[c] : high[c]);
            }
        }
        rig.Doc().screenSetup.levelOffset = 0.0f;
        if (row.rollWithKey) {
            QTest::keyClick(&rig.Frame(), Qt::Key_T, Qt::ControlModifier);
        } else {
            QVERIFY(rig.Updated(cmd::kTrigFiftyPercent)->isEnabled());
            rig.Table().Execute(cmd::kTrigFiftyPercent);
        }
        const float levels[2] = {s.trigger.levelCh1, s.trigger.levelCh2};
        for (int c : {kCh1, kCh2}) {
            const bool moves = row.source == kTrigAlt || row.source == (c == kCh1 ? kTrigCh1 : kTrigCh2);
            const float expected = moves ? 255.0f - (low[c] + high[c]) / 2.0f : 10.0f;
            QVERIFY2(std::abs(levels[c] - expected) <= 2.0f,
                     qPrintable(QStringLiteral("source %1 ch %2: %3").arg(row.source).arg(c).arg(levels[c])));
        }
        // The offset between the level and the trigger channel's zero line is recomputed, in pixels.
        const int channel = row.source == kTrigCh2 ? kCh2 : kCh1;
        const PlotRect plot = rig.Frame().View().Screen().GetPlotRect();
        const float offset = plot.Height() * (levels[channel] - 40.0f) / 256.0f;
        QVERIFY(std::abs(offset) > 50.0f);
        QVERIFY2(std::abs(rig.Doc().screenSetup.levelOffset - offset) <= 1.5f,
                 qPrintable(QString::number(rig.Doc().screenSetup.levelOffset)));
    }
}

void TestCommands::formatsFollowRunningAndXYFromRoll() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    QVERIFY(Checked(rig.Updated(cmd::kFormatYT)));
    rig.Doc().Stop();
    for (int id : {cmd::kFormatYT, cmd::kFormatRoll, cmd::kFormatXY}) {
        QVERIFY(!rig.Updated(id)->isEnabled());
        QVERIFY(!Checked(rig.Updated(id)));
    }
    rig.Doc().Run();

    rig.Table().Execute(cmd::kFormatRoll);
    QCOMPARE(int(s.timebase.timeDivIndex), TimeDivIndexOfLabel("1.00s", s.timebase.timeDivOffset));
    QVERIFY(Checked(rig.Updated(cmd::kFormatRoll)));

    // X-Y switches CH2 back on; the sidebar hears of it.
    std::vector<std::pair<int, bool>> switched;
    rig.Table().Sidebar().channelSwitched = [&](int channel, bool on) { switched.emplace_back(channel, on); };
    rig.Doc().SetChannelEnabled(kCh2, false);
    rig.Table().Execute(cmd::kFormatXY);
    QCOMPARE(s.timebase.displayFormat, std::uint16_t{kFormatXY});
    QCOMPARE(s.ch(kCh2).enabled, 1u);
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
    QCOMPARE(rig.Messages()[0].second, std::string("32K Points Mode Range:40us/Div ~ 0.4s/Div"));
}
