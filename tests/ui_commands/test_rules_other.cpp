// Update rules and handlers of the Cursor, Measure, Display, Acquire, Utility and View menus, the
// toolbar and the full-screen context menu.
#include "rig.h"

#include <QTest>
#include <QToolBar>

#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "model/instrument_settings.h"
#include "test_commands.h"
#include "ui/tarnix_view.h"

using namespace tarnix;
using tarnix::test::Checked;
using tarnix::test::Rig;
using tarnix::test::RigOptions;

void TestCommands::cursorTypesAndMouseModesExclude() {
    Rig rig;
    AcquireSettings& acq = rig.Settings().acquire;
    CWaveScreen& screen = rig.Frame().View().Screen();
    QVERIFY(!rig.Updated(cmd::kAcqZoomIn)->isEnabled()); // running
    rig.Doc().Stop();
    QVERIFY(rig.Updated(cmd::kAcqZoomIn)->isEnabled());

    screen.SetCursorType(1);
    rig.Table().Execute(cmd::kAcqZoomIn);
    QCOMPARE(acq.zoomIn, 1u);
    QCOMPARE(screen.GetCursorType(), 0);
    rig.Table().Execute(cmd::kAcqDrag);
    QCOMPARE(acq.drag, 1u);
    QCOMPARE(acq.zoomIn, 0u);
    QVERIFY(Checked(rig.Updated(cmd::kAcqDrag)));
    QVERIFY(!Checked(rig.Updated(cmd::kAcqZoomIn)));
    rig.Table().Execute(cmd::kAcqDrag);
    QCOMPARE(acq.drag, 0u);
    rig.Table().Execute(cmd::kAcqZoomOut);
    QCOMPARE(acq.zoomOut, 1u);

    // A cursor type clears the three mouse modes.
    rig.Table().Execute(cmd::kCursorCross);
    QCOMPARE(screen.GetCursorType(), 1);
    QCOMPARE(acq.zoomOut + acq.zoomIn + acq.drag, 0u);
    QVERIFY(Checked(rig.Updated(cmd::kCursorCross)));
    QVERIFY(!Checked(rig.Updated(cmd::kCursorNone)));

    // The FFT source needs a running FFT; with it, time cursors are off and refused.
    QVERIFY(!rig.Updated(cmd::kCursorSourceFft)->isEnabled());
    rig.Doc().fftSettings.running = 1;
    QVERIFY(rig.Updated(cmd::kCursorSourceFft)->isEnabled());
    rig.Table().Execute(cmd::kCursorSourceFft);
    QCOMPARE(screen.GetCursorSource(), 6);
    QCOMPARE(screen.GetCursorType(), 0);
    QVERIFY(Checked(rig.Updated(cmd::kCursorSourceFft)));
    QVERIFY(!rig.Updated(cmd::kCursorVertical)->isEnabled());
    rig.Table().Execute(cmd::kCursorVertical);
    QCOMPARE(screen.GetCursorType(), 0);
    rig.Table().Execute(cmd::kCursorTrace);
    QCOMPARE(screen.GetCursorType(), 2);
    rig.Table().Execute(cmd::kCursorSourceCh2);
    QCOMPARE(screen.GetCursorSource(), 1);
    QVERIFY(Checked(rig.Updated(cmd::kCursorSourceCh2)));
}

void TestCommands::measureCommandsReachTheMeasurementSet() {
    Rig rig;
    CMeasureSet& measures = rig.Doc().measures;
    rig.Table().Execute(cmd::kMeasureSourceMath);
    QCOMPARE(measures.GetMeasureSource(), 2);
    QVERIFY(Checked(rig.Updated(cmd::kMeasureSourceMath)));
    QVERIFY(!Checked(rig.Updated(cmd::kMeasureSourceCh1)));
    rig.Table().Execute(cmd::kMeasureByType[13]); // Frequency
    rig.Table().Execute(cmd::kMeasureByType[9]);  // RMS
    QCOMPARE(measures.ItemCount(), 2);
    QCOMPARE(int(measures.Slot(0).kind), 13);
    QCOMPARE(int(measures.Slot(0).source), 2);
    QCOMPARE(int(measures.Slot(1).kind), 9);
    rig.Table().Execute(cmd::kMeasureClear);
    QCOMPARE(measures.ItemCount(), 0);
}

void TestCommands::averageTextAndAcquisitionModeRules() {
    Rig rig;
    int averageShown = 0;
    rig.Table().Panels().showAverage = [&] { ++averageShown; };
    rig.Doc().SetAverageCount(16);
    QCOMPARE(rig.TextOf(cmd::kAcqModeAverage), std::string("Average:16"));
    QVERIFY(rig.Updated(cmd::kAcqModeAverage)->isEnabled());
    QVERIFY(!Checked(rig.Updated(cmd::kAcqModeAverage)));
    QVERIFY(Checked(rig.Updated(cmd::kAcqModeNormal)));

    rig.Doc().Stop();
    QVERIFY(!rig.Updated(cmd::kAcqModeAverage)->isEnabled());
    QVERIFY(rig.Updated(cmd::kAcqModeNormal)->isEnabled());
    rig.Doc().Run();

    rig.Settings().acquire.averagedFrames = 5;
    rig.Table().Execute(cmd::kAcqModeAverage);
    QCOMPARE(rig.Settings().acquire.acquisitionMode, std::uint16_t{kAcqAverage});
    QCOMPARE(rig.Settings().acquire.averagedFrames, std::uint16_t{0});
    QCOMPARE(averageShown, 1);
    rig.Doc().Stop();
    QVERIFY(rig.Updated(cmd::kAcqModeAverage)->isEnabled());
    QVERIFY(Checked(rig.Updated(cmd::kAcqModeAverage)));
    QVERIFY(!rig.Updated(cmd::kAcqModeNormal)->isEnabled());
    QVERIFY(!Checked(rig.Updated(cmd::kAcqModeNormal)));

    RigOptions demo;
    demo.demo = true;
    Rig demoRig(demo);
    QVERIFY(!demoRig.Updated(cmd::kAcqModeAverage)->isEnabled());
    QCOMPARE(demoRig.TextOf(cmd::kAcqModeAverage), std::string("Average:1"));
}

void TestCommands::bufferSizeRulesWhileRunning() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    auto enabled = [&](int index) {
        return rig.Updated(cmd::kBufferSizeByIndex[static_cast<std::size_t>(index)])->isEnabled();
    };
    rig.Doc().ApplyChannelEnables();                                       // both channels on: channel code 2
    QCOMPARE(int(s.timebase.timeDivIndex + s.timebase.timeDivOffset), 13); // 40.0us
    QVERIFY(enabled(kBuffer10k));
    QVERIFY(enabled(kBuffer14k));
    QVERIFY(enabled(kBuffer32k));
    QVERIFY(!enabled(kBuffer64k)); // never with both channels
    QVERIFY(!enabled(kBuffer512k));
    QVERIFY(!enabled(kBuffer1M));
    QVERIFY(Checked(rig.Updated(cmd::kBufferSizeByIndex[0])));

    rig.Doc().SetTimeDiv(11); // 20.0us
    QVERIFY(!enabled(kBuffer32k));
    rig.Doc().SetChannelEnabled(kCh2, false); // one channel: 32k reaches down to 20us
    QVERIFY(enabled(kBuffer32k));
    QVERIFY(!enabled(kBuffer64k));
    rig.Doc().SetTimeDiv(15); // 400us
    QVERIFY(enabled(kBuffer64k));
    QVERIFY(enabled(kBuffer512k));
    QVERIFY(enabled(kBuffer1M));

    rig.Table().Execute(cmd::kBufferSizeByIndex[kBuffer32k]);
    QCOMPARE(s.timebase.bufferSizeIndex, std::uint16_t{kBuffer32k});
    QCOMPARE(s.ch(kCh1).recordLength, BufferSizeRecordLength(kBuffer32k));
    QVERIFY(Checked(rig.Updated(cmd::kBufferSizeByIndex[kBuffer32k])));

    // Stopped: only the current size is offered.
    rig.Doc().Stop();
    QVERIFY(enabled(kBuffer32k));
    QVERIFY(!enabled(kBuffer10k));
    QVERIFY(!enabled(kBuffer64k));
    QVERIFY(enabled(kBuffer14k));
    rig.Doc().Run();

    // A running FFT keeps the large records off.
    rig.Doc().fftSettings.running = 1;
    QVERIFY(!enabled(kBuffer64k));
    QVERIFY(enabled(kBuffer10k));

    RigOptions demo;
    demo.demo = true;
    Rig demoRig(demo);
    demoRig.Doc().SetTimeDiv(15);
    QVERIFY(!demoRig.Updated(cmd::kBufferSizeByIndex[kBuffer32k])->isEnabled());
    QVERIFY(!demoRig.Updated(cmd::kBufferSizeByIndex[kBuffer14k])->isEnabled());
    QVERIFY(demoRig.Updated(cmd::kBufferSizeByIndex[kBuffer10k])->isEnabled());
}

void TestCommands::interpolationFollowsTimeBase() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    // Model 1 lists the time bases from row 1, so 40.0ns is selector position 3.
    rig.Doc().SetTimeDiv(3);
    QVERIFY(rig.Updated(cmd::kInterpSinc)->isEnabled());
    QVERIFY(Checked(rig.Updated(cmd::kInterpSinc)));
    rig.Table().Execute(cmd::kInterpLinear);
    for (int c = 0; c < kChannelCount; ++c) {
        QCOMPARE(s.ch(c).interpolation, std::uint16_t{kInterpLinear});
    }
    QVERIFY(Checked(rig.Updated(cmd::kInterpLinear)));
    rig.Doc().SetTimeDiv(4); // 100ns
    QVERIFY(!rig.Updated(cmd::kInterpLinear)->isEnabled());
    QVERIFY(!Checked(rig.Updated(cmd::kInterpLinear)));
    rig.Doc().SetTimeDiv(3);
    rig.Table().Execute(cmd::kSamplingEts);
    QCOMPARE(s.timebase.samplingMode, std::uint16_t{1});
    QVERIFY(!rig.Updated(cmd::kInterpLinear)->isEnabled());
    QVERIFY(Checked(rig.Updated(cmd::kSamplingEts)));
}

void TestCommands::refusalsShowErrorAndChangeNothing() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    int fftShown = 0;
    int recordRuns = 0;
    int passFailShown = 0;
    rig.Table().Panels().showFft = [&] { ++fftShown; };
    rig.Table().Panels().runRecord = [&] { ++recordRuns; };
    rig.Table().Panels().showPassFail = [&] { ++passFailShown; };

    rig.Doc().SetBufferSize(kBuffer32k);
    QVERIFY(!rig.Updated(cmd::kUtilFft)->isEnabled());
    InstrumentSettings before = s;
    rig.Table().Execute(cmd::kUtilFft);
    QCOMPARE(rig.Messages().size(), std::size_t{1});
    QCOMPARE(rig.Messages()[0].second, std::string("Function not available!"));
    QCOMPARE(fftShown, 0);
    QVERIFY(s == before);
    rig.Doc().SetBufferSize(kBuffer10k);
    QVERIFY(rig.Updated(cmd::kUtilFft)->isEnabled());
    rig.Table().Execute(cmd::kUtilFft);
    QCOMPARE(fftShown, 1);
    QCOMPARE(rig.Messages().size(), std::size_t{1});

    rig.Doc().SelectDisplayFormat(kFormatRoll);
    rig.ClearMessages();
    before = s;
    rig.Table().Execute(cmd::kUtilRecord);
    rig.Table().Execute(cmd::kUtilPassFail);
    QCOMPARE(rig.Messages().size(), std::size_t{2});
    QCOMPARE(recordRuns + passFailShown, 0);
    QVERIFY(s == before);
    rig.Doc().SelectDisplayFormat(kFormatYT);
    rig.Table().Execute(cmd::kUtilRecord);
    rig.Table().Execute(cmd::kUtilPassFail);
    QCOMPARE(recordRuns, 1);
    QCOMPARE(passFailShown, 1);

    // Silently ignored: Start while running, Stop while stopped, Demo Setting outside demo mode.
    int demoShown = 0;
    rig.Table().Panels().showDemoSetting = [&] { ++demoShown; };
    rig.ClearMessages();
    before = s;
    rig.Table().Execute(cmd::kAcqStart);
    QVERIFY(s == before);
    rig.Table().Execute(cmd::kAcqStop);
    QCOMPARE(s.acquire.running, 0u);
    before = s;
    rig.Table().Execute(cmd::kAcqStop);
    QVERIFY(s == before);
    rig.Table().Execute(cmd::kDemoSetting);
    QCOMPARE(demoShown, 0);
    QVERIFY(!rig.Updated(cmd::kDemoSetting)->isEnabled());
    QVERIFY(rig.Messages().empty());
}

void TestCommands::commandsWithoutTheirWindowAreDisabled() {
    Rig rig;
    for (int id :
         {cmd::kDisplayIntensity, cmd::kDisplayWaveformColor, cmd::kUtilFft, cmd::kUtilRecord,
          cmd::kUtilPassFail, cmd::kUtilCalibration, cmd::kAutoSetup, cmd::kAppAbout, cmd::kFileSaveImage,
          cmd::kFilePrint, cmd::kFilePrintPreview, cmd::kFileSaveCsv, cmd::kRefSave, cmd::kCalibrateData}) {
        QVERIFY2(!rig.Updated(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    for (int id : {cmd::kFileLoadCsv, cmd::kFileLoadSetups, cmd::kFileSaveSetups, cmd::kFileSaveWaveform,
                   cmd::kUtilFactorySetup, cmd::kHelpContents, cmd::kAppExit}) {
        QVERIFY2(rig.Updated(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    int intensityShown = 0;
    rig.Table().Panels().showIntensity = [&] { ++intensityShown; };
    QVERIFY(rig.Updated(cmd::kDisplayIntensity)->isEnabled());
    rig.Table().Execute(cmd::kDisplayIntensity);
    rig.Table().Execute(cmd::kDisplayIntensityAlt);
    QCOMPARE(intensityShown, 2);

    // Factory Setup: defaults back, sidebar and dialogs refreshed.
    int refreshed = 0;
    rig.Table().Sidebar().refreshFromSettings = [&] { ++refreshed; };
    rig.Table().Panels().refreshDialogs = [&] { ++refreshed; };
    rig.Table().Execute(cmd::kCh1TurnOnOff);
    rig.Frame().View().Screen().SetGridOn(false);
    rig.Table().Execute(cmd::kUtilFactorySetup);
    QCOMPARE(rig.Settings().ch(kCh1).enabled, 1u);
    QVERIFY(rig.Frame().View().Screen().GetGridOn());
    QCOMPARE(refreshed, 2);
}

void TestCommands::toolbarActionsFollowTheState() {
    Rig rig;
    QToolBar* toolbar = rig.Table().ToolBar();
    std::vector<int> commands;
    for (QAction* action : toolbar->actions()) {
        if (!action->isSeparator()) {
            commands.push_back(action->property("tarnixCommand").toInt());
            QVERIFY(!action->icon().isNull());
        }
    }
    QVERIFY(std::equal(commands.begin(), commands.end(), cmd::kToolbarCommands.begin(),
                       cmd::kToolbarCommands.end()));

    // View/Toolbar hides and shows it; the tick follows, even before the window is shown.
    rig.Table().Execute(cmd::kViewToolbar);
    QVERIFY(toolbar->isHidden());
    QVERIFY(!Checked(rig.Updated(cmd::kViewToolbar)));
    rig.Table().Execute(cmd::kViewToolbar);
    QVERIFY(!toolbar->isHidden());

    // One QAction per ID: the menu item and the toolbar button are the same object.
    QAction* start = rig.Table().Action(cmd::kAcqStart);
    QVERIFY(toolbar->actions().contains(start));
    QVERIFY(rig.Popup({8})->actions().contains(start));

    rig.Doc().Stop();
    rig.Table().OnTick();
    QVERIFY(!Checked(start));
    QVERIFY(Checked(rig.Table().Action(cmd::kAcqStop)));

    // A change that neither a setting nor the user's input shows reaches the toolbar within ten ticks.
    rig.Table().Panels().showFft = [] {};
    for (int tick = 0; tick < 9; ++tick) {
        rig.Table().OnTick();
    }
    QVERIFY(!rig.Table().Action(cmd::kUtilFft)->isEnabled());
    rig.Table().OnTick();
    QVERIFY(rig.Table().Action(cmd::kUtilFft)->isEnabled());
    rig.Doc().SetBufferSize(kBuffer32k);
    rig.Table().OnTick();
    QVERIFY(!rig.Table().Action(cmd::kUtilFft)->isEnabled());

    // A click on a toolbar button runs the handler; the tick comes from the rule, not from the click.
    rig.Doc().Run();
    rig.Table().OnTick();
    start->trigger();
    QVERIFY(Checked(start));
    QCOMPARE(rig.Settings().acquire.running, 1u);
}

// The menu bar applies the rules when the user opens a menu, not only on the timer.
void TestCommands::menuBarClickShowsTheRulesState() {
    Rig rig;
    QVERIFY(tarnix::test::ShowAndActivate(rig.Frame()));
    QMenuBar* bar = rig.Table().MenuBar();
    const auto open = [&](int position) {
        QAction* title = bar->actions()[position];
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
        QMenu* popup = title->menu();
        const bool shown = popup->isVisible();
        popup->close();
        return shown;
    };
    QAction* drag = rig.Table().Action(cmd::kAcqDrag);
    QAction* grid = rig.Table().Action(cmd::kDisplayGrid);
    rig.Doc().Stop();
    rig.Settings().acquire.drag = 1;
    QVERIFY(open(8));
    QVERIFY(drag->isEnabled());
    QVERIFY(Checked(drag));
    rig.Doc().Run();
    QVERIFY(open(8));
    QVERIFY(!drag->isEnabled());

    CWaveScreen& screen = rig.Frame().View().Screen();
    screen.SetGridOn(false);
    QVERIFY(open(7));
    QVERIFY(!Checked(grid));
    rig.Table().Execute(cmd::kDisplayGrid);
    QVERIFY(screen.GetGridOn());
    QVERIFY(open(7));
    QVERIFY(Checked(grid));
    rig.Table().Execute(cmd::kDisplayDots);
    QCOMPARE(screen.GetDrawType(), 1);
    QVERIFY(Checked(rig.Updated(cmd::kDisplayDots)));
    QVERIFY(!Checked(rig.Updated(cmd::kDisplayVectors)));
}

void TestCommands::contextMenuItemsAndZoomClicks() {
    Rig rig;
    InstrumentSettings& s = rig.Settings();
    CTarnixView& view = rig.Frame().View();

    // Outside full screen without a zoom mode nothing happens; in the zoom modes the time base steps.
    const int index = s.timebase.timeDivIndex;
    rig.Table().ContextRequest(QPoint(10, 10));
    QCOMPARE(int(s.timebase.timeDivIndex), index);
    rig.Doc().Stop();
    rig.Table().Execute(cmd::kAcqZoomIn);
    rig.Table().ContextRequest(QPoint(10, 10));
    QCOMPARE(int(s.timebase.timeDivIndex), index + 1);
    rig.Table().Execute(cmd::kAcqZoomOut);
    rig.Table().ContextRequest(QPoint(10, 10));
    rig.Table().ContextRequest(QPoint(10, 10));
    QCOMPARE(int(s.timebase.timeDivIndex), index - 1);

    // The context menu shares the menu bar's actions and must leave their language texts alone.
    QMenu* nanoseconds = rig.Popup({4, 0, 0});
    QCOMPARE(nanoseconds->actions()[0]->text(), QStringLiteral("4nS"));
    std::unique_ptr<QMenu> menu(rig.Table().CreateContextMenu(&view));
    QCOMPARE(nanoseconds->actions()[0]->text(), QStringLiteral("4nS"));
    QCOMPARE(menu->actions()[2]->menu()->actions()[0]->text(), QStringLiteral("4nS"));
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), qsizetype{5});
    rig.Open(menu.get());
    QCOMPARE(items[0]->text(), QStringLiteral("Window Mode"));
    QCOMPARE(items[1]->text(), QStringLiteral("Information ON"));
    QCOMPARE(items[2]->text(), QStringLiteral("Change Time/DIV"));
    QCOMPARE(items[3]->text(), QStringLiteral("Change CH1 Volt/DIV"));
    QCOMPARE(items[4]->text(), QStringLiteral("Change CH2 Volt/DIV"));
    items[1]->trigger();
    QVERIFY(view.Screen().GetInformationOn());
    rig.Open(menu.get());
    QCOMPARE(items[1]->text(), QStringLiteral("Information OFF"));
    // Opening the menu, not the click, sets the text.
    view.Screen().SetInformationOn(false);
    rig.Open(menu.get());
    QCOMPARE(items[1]->text(), QStringLiteral("Information ON"));

    // Model 1: 38 time bases (no 2.00nS), nine volts/div steps (no 10.0V); ticks by command ID.
    QMenu* times = items[2]->menu();
    QCOMPARE(times->actions().size(), qsizetype{38});
    QCOMPARE(times->actions()[0]->property("tarnixCommand").toInt(), cmd::kTimeDivFirst + 1);
    rig.Open(times);
    const int row = s.timebase.timeDivIndex + s.timebase.timeDivOffset;
    for (qsizetype i = 0; i < times->actions().size(); ++i) {
        QCOMPARE(Checked(times->actions()[i]), i + 1 == row);
    }
    QMenu* ch1 = items[3]->menu();
    QCOMPARE(ch1->actions().size(), qsizetype{9});
    rig.Doc().SetChannelEnabled(kCh1, false);
    rig.Open(ch1);
    for (QAction* action : ch1->actions()) {
        QVERIFY(!action->isEnabled());
        QVERIFY(!Checked(action));
    }

    // Window Mode leaves full screen.
    view.EnterFullScreen();
    QVERIFY(view.IsFullScreen());
    items[0]->trigger();
    QVERIFY(!view.IsFullScreen());
}
