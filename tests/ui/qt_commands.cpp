// The command table as built: rules as an opened menu shows them, handlers, model menus, keys, languages.
#include "document/tarnix_doc.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolTip>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../support/fakes.h"
#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "model/instrument_settings.h"
#include "model/model_table.h"
#include "ui/command_table.h"
#include "ui/main_frame.h"
#include "ui/tarnix_view.h"

using namespace tarnix;

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

bool Checked(QAction* action) {
    return action->isCheckable() && action->isChecked();
}

bool ShowAndActivate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// A document, the main window, its command table; message boxes recorded; language files (path, text).
class Rig {
public:
    explicit Rig(int model = 1, bool demo = false, const Files& languageFiles = {}) {
        DocumentServices services;
        services.notifier = &notifier;
        doc = std::make_unique<CTarnixDoc>(services);
        doc->ApplyFactoryDefaults();
        S().model = static_cast<std::uint16_t>(model);
        S().timebase.timeDivOffset = static_cast<std::uint16_t>(ModelTable(model).timeDivOffset);
        S().timebase.timeDivIndex = static_cast<std::uint16_t>(ModelTable(model).defaultTimeDivIndex);
        S().demoMode = demo ? 1 : 0;

        const std::filesystem::path root = dir.path().toStdString();
        std::filesystem::create_directories(root / "language");
        for (const auto& [name, text] : languageFiles) {
            std::filesystem::create_directories((root / "language" / name).parent_path());
            std::ofstream(root / "language" / name, std::ios::binary) << text;
        }
        std::filesystem::create_directories(root / "tmp");
        frame = std::make_unique<CMainFrame>(*doc);
        CommandTableOptions options;
        options.notifier = &notifier;
        options.languageFolder = root / "language";
        options.tempFolder = root / "tmp";
        options.chooseFile = [](const FileDialogRequest&) { return std::string(); };
        table = CCommandTable::Install(*frame, *doc, options);
        table->OnFirstTick();
        table->Sidebar().select = [this](SidebarList list, int index) { selected.emplace_back(list, index); };
    }

    InstrumentSettings& S() { return doc->settings; }
    void Exec(int command) { table->Execute(command); }

    // Opens and closes a popup as the user would, which applies its items' rules.
    static void Open(QMenu* menu) {
        menu->popup(QPoint(0, 0));
        menu->close();
    }
    // The action as a menu shows it, after a popup holding it has been opened.
    QAction* Updated(int command) {
        QAction* action = table->Action(command);
        for (QObject* user : action->associatedObjects()) {
            if (auto* menu = qobject_cast<QMenu*>(user)) {
                Open(menu);
                return action;
            }
        }
        // Pruned from this model's menus: only the rule itself can say what it would show.
        QMenu scratch;
        scratch.addAction(action);
        table->UpdateMenu(&scratch);
        return action;
    }
    bool Enabled(int command) { return Updated(command)->isEnabled(); }
    bool Ticked(int command) { return Checked(Updated(command)); }
    // The text as a menu text: "Turn Off#Ctrl+1".
    std::string TextOf(int command) {
        return Updated(command)->text().replace(QLatin1Char('\t'), QLatin1Char('#')).toStdString();
    }
    // The popup reached from the menu bar by positions; nullptr when there is none.
    QMenu* Popup(std::initializer_list<int> positions) {
        QList<QAction*> actions = table->MenuBar()->actions();
        QMenu* menu = nullptr;
        for (int p : positions) {
            if (p < 0 || p >= actions.size() || actions[p]->menu() == nullptr) {
                return nullptr;
            }
            menu = actions[p]->menu();
            actions = menu->actions();
        }
        return menu;
    }
    // Command IDs of a popup's items in order (0 separators, -1 popups).
    static std::vector<int> Commands(QMenu* menu) {
        std::vector<int> ids;
        for (QAction* action : menu != nullptr ? menu->actions() : QList<QAction*>()) {
            if (action->isSeparator()) {
                ids.push_back(0);
            } else {
                ids.push_back(action->menu() != nullptr ? -1 : action->property("tarnixCommand").toInt());
            }
        }
        return ids;
    }

    QTemporaryDir dir;
    tarnix::testing::CRecordingNotifier notifier;
    std::unique_ptr<CTarnixDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    CCommandTable* table = nullptr;
    std::vector<std::pair<SidebarList, int>> selected; // what the sidebar was told to show
};

const std::string kNotAvailable = "Error: Function not available!";

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    void channelItemsFollowTheChannelAndItsProbe() {
        Rig rig;
        InstrumentSettings& s = rig.S();
        std::vector<int> relabelled;
        rig.table->Sidebar().relabelVoltsList = [&](int channel) { relabelled.push_back(channel); };
        s.ch(kCh1).bandwidthLimit = 1;
        QVERIFY(rig.Enabled(cmd::kCh1BandwidthLimit) && rig.Ticked(cmd::kCh1BandwidthLimit));

        // A probe relabels its own channel's Volt/DIV items; a probe code outside 0..3 shows the x 1 column.
        rig.Exec(cmd::kCh1ProbeFirst + 1);
        QVERIFY((rig.selected == std::vector<std::pair<SidebarList, int>>{{SidebarList::kCh1Probe, 1}}));
        QVERIFY(relabelled == std::vector<int>{kCh1});
        QCOMPARE(rig.TextOf(cmd::kCh1VoltsPerDivFirst), std::string("100mV"));
        QCOMPARE(rig.TextOf(cmd::kCh2VoltsPerDivFirst), std::string("10.0mV"));
        s.ch(kCh1).probe = 7;
        QCOMPARE(rig.TextOf(cmd::kCh1VoltsPerDivFirst + 2), std::string("50.0mV"));
        s.ch(kMath).enabled = 1;
        rig.Exec(cmd::kMathProbeFirst + 2);
        QCOMPARE(rig.TextOf(cmd::kMathVoltsPerDivFirst + 4), std::string("20.0V"));

        rig.Exec(cmd::kCh2VoltsPerDivFirst + 2);
        QVERIFY(rig.Ticked(cmd::kCh2VoltsPerDivFirst + 2) && !rig.Ticked(cmd::kCh2VoltsPerDivFirst + 3));
        // With the channel off its items are greyed and unticked; only Turn On stays.
        rig.Exec(cmd::kCh2TurnOnOff);
        QCOMPARE(rig.TextOf(cmd::kCh2TurnOnOff), std::string("Turn On#Ctrl+2"));
        for (int id : {cmd::kCh2VoltsPerDivFirst + 2, cmd::kCh2ProbeFirst, cmd::kCh2Reset}) {
            QVERIFY2(!rig.Enabled(id) && !rig.Ticked(id), qPrintable(QString::number(id)));
        }

        // Coupling: the same value again is a no-op, a new one goes to the document and the sidebar.
        rig.selected.clear();
        rig.Exec(cmd::kCh1CouplingFirst + s.ch(kCh1).coupling);
        QVERIFY(rig.selected.empty());
        rig.Exec(cmd::kCh1CouplingFirst + kCouplingGnd);
        QCOMPARE(rig.selected.at(0).second, int{kCouplingGnd});
        QVERIFY(rig.Ticked(cmd::kCh1CouplingFirst + kCouplingGnd));
    }

    void mathRulesFollowChannelsAndRunning() {
        Rig rig;
        InstrumentSettings& s = rig.S();
        QVERIFY(!rig.Enabled(cmd::kMathOperateFirst));
        rig.Exec(cmd::kMathTurnOnOff);
        QCOMPARE(rig.TextOf(cmd::kMathTurnOnOff), std::string("Turn Off#Ctrl+M"));
        rig.Exec(cmd::kMathOperateFirst + kMathMul);
        QVERIFY(rig.Ticked(cmd::kMathOperateFirst + kMathMul));
        // Source items need their channel on; Invert needs a running acquisition.
        rig.Exec(cmd::kMathSourceACh2);
        QCOMPARE(s.ch(kMath).math.sourceA, std::uint16_t{1});
        rig.Exec(cmd::kCh2TurnOnOff);
        QVERIFY(!rig.Enabled(cmd::kMathSourceACh2) && !rig.Ticked(cmd::kMathSourceACh2));
        QVERIFY(rig.Enabled(cmd::kMathInvert));
        rig.doc->Stop();
        QVERIFY(!rig.Enabled(cmd::kMathInvert));
    }

    void triggerSourceSetsItsLevelOnce() {
        Rig rig;
        InstrumentSettings& s = rig.S();
        rig.doc->SetZeroLevel(kCh2, 100.0f);
        rig.Exec(cmd::kTrigSourceFirst + kTrigCh2);
        QCOMPARE(s.trigger.levelCh2, 100.0f);
        // The source that is already selected: nothing happens, the moved level stays.
        rig.doc->SetTriggerLevel(kCh2, 50.0f);
        rig.Exec(cmd::kTrigSourceFirst + kTrigCh2);
        QCOMPARE(s.trigger.levelCh2, 50.0f);
        rig.Exec(cmd::kTrigSourceFirst + kTrigExt);
        QCOMPARE(s.trigger.levelExt, 128.0f);
        QVERIFY((rig.selected ==
                 std::vector<std::pair<SidebarList, int>>{{SidebarList::kTriggerSource, kTrigCh2},
                                                          {SidebarList::kTriggerSource, kTrigExt}}));
    }

    void triggerFiftyPercentCentresTheLevel() {
        // Square waves per channel; levels count down from the top of the screen, so the middle of codes
        // lo..hi is the level 255 - (lo + hi) / 2. ALT moves both channels' levels.
        // rollWithKey: Roll disables the menu item; Ctrl+T still reaches the handler.
        for (const auto& [source, rollWithKey] :
             {std::pair(kTrigCh1, false), {kTrigCh2, false}, {kTrigAlt, false}, {kTrigCh1, true}}) {
            Rig rig;
            InstrumentSettings& s = rig.S();
            QVERIFY(ShowAndActivate(*rig.frame));
            rig.Exec(cmd::kTrigSourceFirst + source);
            const int low[2] = {60, 100};
            const int high[2] = {200, 180};
            if (rollWithKey) {
                rig.Exec(cmd::kFormatRoll);
                QVERIFY(!rig.Enabled(cmd::kTrigFiftyPercent));
            }
            // Written directly: a setter would clear the Roll record.
            s.trigger.levelCh1 = 10.0f;
            s.trigger.levelCh2 = 10.0f;
            for (int c : {kCh1, kCh2}) {
                s.ch(c).zeroLevel = 40.0f;
                rig.doc->frames[c].rollPosition = 5000; // a Roll screen measures what has rolled in
                auto& trace = rig.doc->frames[c].display;
                for (std::size_t i = 0; i < trace.size(); ++i) {
                    trace[i] = static_cast<std::int16_t>((i / 250) % 2 == 0 ? low[c] : high[c]);
                }
            }
            rig.doc->screenSetup.levelOffset = 0.0f;
            if (rollWithKey) {
                QTest::keyClick(rig.frame.get(), Qt::Key_T, Qt::ControlModifier);
            } else {
                QVERIFY(rig.Enabled(cmd::kTrigFiftyPercent));
                rig.Exec(cmd::kTrigFiftyPercent);
            }
            const float levels[2] = {s.trigger.levelCh1, s.trigger.levelCh2};
            for (int c : {kCh1, kCh2}) {
                const bool moves = source == kTrigAlt || source == (c == kCh1 ? kTrigCh1 : kTrigCh2);
                const float expected = moves ? 255.0f - (low[c] + high[c]) / 2.0f : 10.0f;
                QVERIFY2(std::abs(levels[c] - expected) <= 2.0f, qPrintable(QString::number(levels[c])));
            }
            // The offset between the level and the trigger channel's zero line is recomputed, in pixels.
            const int channel = source == kTrigCh2 ? kCh2 : kCh1;
            const PlotRect plot = rig.frame->View().Screen().GetPlotRect();
            const float offset = plot.Height() * (levels[channel] - 40.0f) / 256.0f;
            QVERIFY(std::abs(offset) > 50.0f);
            QVERIFY2(std::abs(rig.doc->screenSetup.levelOffset - offset) <= 1.5f,
                     qPrintable(QString::number(rig.doc->screenSetup.levelOffset)));
        }
    }

    void formatsFollowRunningAndXYRefusesChannelItems() {
        Rig rig;
        InstrumentSettings& s = rig.S();
        QVERIFY(rig.Ticked(cmd::kFormatYT));
        rig.doc->Stop();
        QVERIFY(!rig.Enabled(cmd::kFormatYT) && !rig.Ticked(cmd::kFormatYT));
        rig.doc->Run();
        rig.Exec(cmd::kFormatRoll);
        QCOMPARE(int(s.timebase.timeDivIndex), TimeDivIndexOfLabel("1.00s", s.timebase.timeDivOffset));

        // X-Y switches CH2 back on and tells the sidebar; then CH1/CH2 Turn On/Off and X - Y are ignored.
        std::vector<std::pair<int, bool>> switched;
        rig.table->Sidebar().channelSwitched = [&](int channel, bool on) {
            switched.emplace_back(channel, on);
        };
        rig.doc->SetChannelEnabled(kCh2, false);
        rig.Exec(cmd::kFormatXY);
        QCOMPARE(s.timebase.displayFormat, std::uint16_t{kFormatXY});
        QVERIFY((switched == std::vector<std::pair<int, bool>>{{kCh2, true}}));
        // MATH and Reference Turn On/Off show the error box; all of them change nothing.
        const InstrumentSettings before = s;
        for (int id : {cmd::kCh1TurnOnOff, cmd::kCh2TurnOnOff, cmd::kFormatXY, cmd::kMathTurnOnOff,
                       cmd::kRefTurnOnOff}) {
            rig.Exec(id);
        }
        QVERIFY(s == before);
        QVERIFY(rig.notifier.messages == std::vector<std::string>(2, kNotAvailable));
        rig.Exec(cmd::kHorizFiftyPercent);
        QCOMPARE(s.timebase.horizontalPosition, std::uint16_t{250});
    }

    void timeDivItemsTickAndLargeBufferRefusal() {
        Rig rig;
        InstrumentSettings& s = rig.S();
        // Model 1 lists the table from row 1: the 2.00ns item has no position and is never ticked.
        QVERIFY(!rig.Ticked(cmd::kTimeDivFirst));
        const int row40us = 13;
        QVERIFY(rig.Ticked(cmd::kTimeDivFirst + row40us) && !rig.Ticked(cmd::kTimeDivFirst + row40us + 1));
        rig.Exec(cmd::kTimeDivFirst + 14); // 100us
        QCOMPARE(int(s.timebase.timeDivIndex), 14 - 1);

        // 32k with both channels on while running: the menu refuses even inside the range.
        rig.doc->ApplyChannelEnables();
        rig.doc->SetBufferSize(kBuffer32k);
        rig.notifier.messages.clear();
        rig.Exec(cmd::kTimeDivFirst + 15);
        QCOMPARE(int(s.timebase.timeDivIndex), 14 - 1);
        QVERIFY(rig.notifier.messages ==
                std::vector<std::string>{"Error: 32K Points Mode Range:40us/Div ~ 0.4s/Div"});
    }

    void cursorTypesAndMouseModesExclude() {
        Rig rig;
        AcquireSettings& acq = rig.S().acquire;
        CWaveScreen& screen = rig.frame->View().Screen();
        QVERIFY(!rig.Enabled(cmd::kAcqZoomIn)); // running
        rig.doc->Stop();
        // A mouse mode turns the cursors off and the other modes; a second click turns it off.
        screen.SetCursorType(1);
        rig.Exec(cmd::kAcqZoomIn);
        QVERIFY(acq.zoomIn == 1u && screen.GetCursorType() == 0);
        rig.Exec(cmd::kAcqDrag);
        QVERIFY(rig.Ticked(cmd::kAcqDrag) && !rig.Ticked(cmd::kAcqZoomIn));
        rig.Exec(cmd::kAcqDrag);
        QCOMPARE(acq.drag, 0u);
        rig.Exec(cmd::kAcqZoomOut);
        // A cursor type clears the three mouse modes.
        rig.Exec(cmd::kCursorCross);
        QVERIFY(screen.GetCursorType() == 1 && acq.zoomOut + acq.zoomIn + acq.drag == 0u);
        QVERIFY(rig.Ticked(cmd::kCursorCross) && !rig.Ticked(cmd::kCursorNone));

        // The FFT source needs a running FFT; with it, time cursors are off and refused.
        QVERIFY(!rig.Enabled(cmd::kCursorSourceFft));
        rig.doc->fftSettings.running = 1;
        rig.Exec(cmd::kCursorSourceFft);
        QVERIFY(screen.GetCursorSource() == 6 && screen.GetCursorType() == 0);
        QVERIFY(!rig.Enabled(cmd::kCursorVertical));
        rig.Exec(cmd::kCursorVertical);
        QCOMPARE(screen.GetCursorType(), 0);
        rig.Exec(cmd::kCursorTrace);
        QCOMPARE(screen.GetCursorType(), 2);

        // Measurement items go to the measurement set.
        rig.Exec(cmd::kMeasureSourceMath);
        rig.Exec(cmd::kMeasureByType[13]); // Frequency
        rig.Exec(cmd::kMeasureByType[9]);  // RMS
        QCOMPARE(rig.doc->measures.ItemCount(), 2);
        QCOMPARE(int(rig.doc->measures.Slot(0).source), 2);
        QCOMPARE(int(rig.doc->measures.Slot(1).kind), 9);
        rig.Exec(cmd::kMeasureClear);
        QCOMPARE(rig.doc->measures.ItemCount(), 0);
    }

    // The menu bar applies the rules when the user opens a menu, not only on the timer.
    void menuBarClickShowsTheRulesState() {
        Rig rig;
        QVERIFY(ShowAndActivate(*rig.frame));
        QMenuBar* bar = rig.table->MenuBar();
        const auto open = [&](int position) {
            QAction* title = bar->actions()[position];
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
            QMenu* popup = title->menu();
            const bool shown = popup->isVisible();
            popup->close();
            return shown;
        };
        QAction* drag = rig.table->Action(cmd::kAcqDrag);
        rig.doc->Stop();
        rig.S().acquire.drag = 1;
        QVERIFY(open(8) && drag->isEnabled() && Checked(drag));
        rig.doc->Run();
        QVERIFY(open(8) && !drag->isEnabled());
    }

    void bufferSizeRules() {
        Rig rig;
        InstrumentSettings& s = rig.S();
        auto enabled = [&](int index) { return rig.Enabled(cmd::kBufferSizeByIndex[std::size_t(index)]); };
        rig.doc->ApplyChannelEnables(); // both channels on, 40.0us
        QVERIFY(enabled(kBuffer10k) && enabled(kBuffer14k) && enabled(kBuffer32k));
        QVERIFY(!enabled(kBuffer64k)); // never with both channels
        rig.doc->SetTimeDiv(11);       // 20.0us
        QVERIFY(!enabled(kBuffer32k));
        rig.doc->SetChannelEnabled(kCh2, false); // one channel: 32k reaches down to 20us
        QVERIFY(enabled(kBuffer32k) && !enabled(kBuffer64k));
        rig.doc->SetTimeDiv(15); // 400us
        QVERIFY(enabled(kBuffer64k) && enabled(kBuffer512k) && enabled(kBuffer1M));

        rig.Exec(cmd::kBufferSizeByIndex[kBuffer32k]);
        QCOMPARE(s.ch(kCh1).recordLength, BufferSizeRecordLength(kBuffer32k));
        // Stopped: only the current size is offered, and 14k, which only demo mode withholds.
        rig.doc->Stop();
        QVERIFY(enabled(kBuffer32k) && enabled(kBuffer14k) && !enabled(kBuffer10k) && !enabled(kBuffer64k));
        rig.doc->Run();
        // A running FFT keeps the large records off.
        rig.doc->fftSettings.running = 1;
        QVERIFY(!enabled(kBuffer64k) && enabled(kBuffer10k));
    }

    void refusalsShowErrorAndChangeNothing() {
        Rig rig;
        InstrumentSettings& s = rig.S();
        int shown = 0;
        for (auto* hook : {&rig.table->Panels().showFft, &rig.table->Panels().runRecord,
                           &rig.table->Panels().showPassFail, &rig.table->Panels().showDemoSetting}) {
            *hook = [&] { ++shown; };
        }
        // FFT refuses the large records; Record and Pass/Fail refuse Roll.
        rig.doc->SetBufferSize(kBuffer32k);
        QVERIFY(!rig.Enabled(cmd::kUtilFft));
        rig.Exec(cmd::kUtilFft);
        rig.doc->SetBufferSize(kBuffer10k);
        rig.doc->SelectDisplayFormat(kFormatRoll);
        InstrumentSettings before = s;
        rig.Exec(cmd::kUtilRecord);
        rig.Exec(cmd::kUtilPassFail);
        QVERIFY(s == before);
        QVERIFY(rig.notifier.messages == std::vector<std::string>(3, kNotAvailable));
        QCOMPARE(shown, 0);
        rig.doc->SelectDisplayFormat(kFormatYT);
        for (int id : {cmd::kUtilFft, cmd::kUtilRecord, cmd::kUtilPassFail}) {
            rig.Exec(id);
        }
        QCOMPARE(shown, 3);

        // Silently ignored: Start while running, Stop while stopped, Demo Setting outside demo mode.
        rig.notifier.messages.clear();
        rig.Exec(cmd::kAcqStop);
        before = s;
        rig.Exec(cmd::kAcqStop);
        QVERIFY(s == before);
        rig.Exec(cmd::kDemoSetting);
        QCOMPARE(shown, 3);
        QVERIFY(std::ranges::count(rig.Commands(rig.Popup({8})), cmd::kDemoSetting) == 0);
        QVERIFY(rig.notifier.messages.empty());
    }

    void commandsWithoutTheirWindowAreDisabled() {
        Rig rig;
        QVERIFY(!rig.Enabled(cmd::kDisplayIntensity) && !rig.Enabled(cmd::kFileSaveImage) &&
                rig.Enabled(cmd::kFileSaveWaveform));
        int shown = 0;
        rig.table->Panels().showIntensity = [&] { ++shown; };
        QVERIFY(rig.Enabled(cmd::kDisplayIntensity));
        rig.Exec(cmd::kDisplayIntensity);
        rig.Exec(cmd::kDisplayIntensityAlt);
        QCOMPARE(shown, 2);

        // Factory Setup: defaults back, sidebar and dialogs refreshed.
        rig.table->Sidebar().refreshFromSettings = [&] { ++shown; };
        rig.table->Panels().refreshDialogs = [&] { ++shown; };
        rig.Exec(cmd::kCh1TurnOnOff);
        rig.frame->View().Screen().SetGridOn(false);
        QVERIFY(!rig.Ticked(cmd::kDisplayGrid));
        rig.Exec(cmd::kUtilFactorySetup);
        QCOMPARE(rig.S().ch(kCh1).enabled, 1u);
        QVERIFY(rig.frame->View().Screen().GetGridOn() && rig.Ticked(cmd::kDisplayGrid));
        QCOMPARE(shown, 4);
    }

    void toolbarActionsFollowTheState() {
        Rig rig;
        QToolBar* toolbar = rig.table->ToolBar();
        // View/Toolbar hides and shows it; the tick follows, even before the window is shown.
        rig.Exec(cmd::kViewToolbar);
        QVERIFY(toolbar->isHidden() && !rig.Ticked(cmd::kViewToolbar));

        // The toolbar's Start button shows the run state.
        QAction* start = rig.table->Action(cmd::kAcqStart);
        QVERIFY(toolbar->actions().contains(start));
        // Every button has a picture of its own for a 2x screen, not an enlargement of the 20 x 20 one.
        for (QAction* action : toolbar->actions()) {
            QVERIFY(action->isSeparator() ||
                    action->icon().pixmap(QSize(20, 20), 2.0).size() == QSize(40, 40));
        }
        rig.doc->Stop();
        rig.table->OnTick();
        QVERIFY(!Checked(start));

        // A change that neither a setting nor the user's input shows reaches the toolbar within ten ticks.
        QAction* fft = rig.table->Action(cmd::kUtilFft);
        rig.table->Panels().showFft = [] {};
        for (int tick = 0; tick < 9; ++tick) {
            rig.table->OnTick();
        }
        QVERIFY(!fft->isEnabled());
        rig.table->OnTick();
        QVERIFY(fft->isEnabled());

        // A click on a toolbar button runs the handler.
        start->trigger();
        QCOMPARE(rig.S().acquire.running, 1u);
    }

    void contextMenuItemsAndZoomClicks() {
        Rig rig;
        InstrumentSettings& s = rig.S();
        CTarnixView& view = rig.frame->View();
        // Outside full screen without a zoom mode nothing happens; in the zoom modes the time base steps.
        const int index = s.timebase.timeDivIndex;
        rig.table->ContextRequest(QPoint(10, 10));
        QCOMPARE(int(s.timebase.timeDivIndex), index);
        rig.doc->Stop();
        rig.Exec(cmd::kAcqZoomIn);
        rig.table->ContextRequest(QPoint(10, 10));
        QCOMPARE(int(s.timebase.timeDivIndex), index + 1);
        rig.Exec(cmd::kAcqZoomOut);
        rig.table->ContextRequest(QPoint(10, 10));
        rig.table->ContextRequest(QPoint(10, 10));
        QCOMPARE(int(s.timebase.timeDivIndex), index - 1);

        // The context menu shares the menu bar's actions and must leave their language texts alone.
        QMenu* nanoseconds = rig.Popup({4, 0, 0});
        std::unique_ptr<QMenu> menu(rig.table->CreateContextMenu(&view));
        QCOMPARE(nanoseconds->actions()[0]->text(), QStringLiteral("4nS"));
        const QList<QAction*> items = menu->actions();
        rig.Open(menu.get());
        QCOMPARE(items[1]->text(), QStringLiteral("Information ON"));
        items[1]->trigger();
        rig.Open(menu.get());
        QCOMPARE(items[1]->text(), QStringLiteral("Information OFF"));
        // Opening the menu sets the text from the screen, however the screen was changed.
        view.Screen().SetInformationOn(false);
        rig.Open(menu.get());
        QCOMPARE(items[1]->text(), QStringLiteral("Information ON"));

        // Model 1 has no 2.00nS: the tick goes by command ID, onto the item of the time base in force.
        QMenu* times = items[2]->menu();
        rig.Open(times);
        const int row = s.timebase.timeDivIndex + s.timebase.timeDivOffset;
        QVERIFY(!Checked(times->actions()[row - 2]) && Checked(times->actions()[row - 1]) &&
                !Checked(times->actions()[row]));
        // Window Mode leaves full screen.
        view.EnterFullScreen();
        items[0]->trigger();
        QVERIFY(!view.IsFullScreen());
    }

    // Which items each model keeps is the menu table's; the menu bar is built from the pruned table.
    void pruningPerModel() {
        Rig model1(1);
        Rig model4(4);
        const auto& b = cmd::kBufferSizeByIndex;
        QVERIFY((model1.Commands(model1.Popup({8, 9})) == std::vector<int>{b[0], b[3], b[4]}));
        QVERIFY((model4.Commands(model4.Popup({8, 9})) == std::vector<int>{b[0], b[1], b[2]}));
        QVERIFY(std::ranges::count(model4.Commands(model4.Popup({8, 7})), cmd::kSamplingEts) == 1);
        QCOMPARE(model1.Commands(model1.Popup({2, 3, 1})).size(), std::size_t{9});
        QCOMPARE(model4.Commands(model4.Popup({2, 3, 1})).size(), std::size_t{10});
        QCOMPARE(model1.Popup({4, 0, 0})->actions().constFirst()->text(), QStringLiteral("4nS"));
        QCOMPARE(model4.Popup({4, 0, 0})->actions().constFirst()->text(), QStringLiteral("2nS"));
    }

    // An item whose command nothing handles would do nothing when clicked.
    void everyMenuItemRunsACommandTheWindowHandles() {
        Rig rig;
        QList<QAction*> items = rig.table->MenuBar()->actions();
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (QMenu* menu = items[i]->menu()) {
                items.append(menu->actions());
            } else if (!items[i]->isSeparator()) {
                const int command = items[i]->property("tarnixCommand").toInt();
                QVERIFY2(rig.table->HasCommand(command), qPrintable(items[i]->text()));
            }
        }
    }

    void acceleratorsDispatchOnTheMainWindow() {
        Rig rig;
        CMainFrame& frame = *rig.frame;
        CTarnixView& view = frame.View();
        InstrumentSettings& s = rig.S();
        // Keys reach the commands also while a sidebar control has the focus.
        auto* combo = new QComboBox;
        view.SidebarTabs().addTab(combo, QStringLiteral("Sidebar"));
        QVERIFY(ShowAndActivate(frame));
        combo->setFocus();
        QVERIFY(QTest::qWaitFor([combo] { return combo->hasFocus(); }));
        QTest::keyClick(combo, Qt::Key_G, Qt::ControlModifier);
        QVERIFY(!view.Screen().GetGridOn());
        QTest::keyClick(combo, Qt::Key_Space);
        QCOMPARE(s.acquire.running, 0u);
        QTest::keyClick(&frame, Qt::Key_Return);
        QCOMPARE(s.acquire.running, 1u);

        // In full screen the menu bar is hidden and the keys still work.
        QTest::keyClick(&frame, Qt::Key_Return, Qt::AltModifier);
        QVERIFY(view.IsFullScreen() && !rig.table->MenuBar()->isVisible());
        QTest::keyClick(&frame, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(view.Screen().GetDrawType(), 1);

        // F2 reaches the handler even though the item is disabled: it refuses on its own.
        rig.table->Panels().showFft = [] {};
        rig.doc->SetBufferSize(kBuffer32k);
        rig.table->OnTick();
        QTest::keyClick(&frame, Qt::Key_F2);
        QVERIFY(rig.notifier.messages == std::vector<std::string>{kNotAvailable});
    }

    void languageFileRelabelsAndDefaultRestores() {
        Rig rig(1, false,
                {{"sub/Deutsch.lug",
                  "[App]\r\n8888=Deutsch\r\n800=&Datei\r\n80000=CSV laden#Strg+O\r\n"
                  "4000=Ausschalten\r\n199=Mittel\r\n32816=CSV-Datei laden\r\n8080901=32K Punkte\r\n"},
                 {"alpha.lug", "[App]\r\n801=&Ansicht\r\n"}});
        // Files in sub-folders too, sorted by name, after Default and a separator.
        QMenu* languages = rig.Popup({9, 8});
        QVERIFY(
            (rig.Commands(languages) == std::vector<int>{cmd::kLanguageDefault, 0, cmd::kLanguageItemFirst,
                                                         cmd::kLanguageItemFirst + 1}));
        QCOMPARE(languages->actions()[3]->text(), QStringLiteral("Deutsch"));

        QMenu* file = rig.Popup({0});
        rig.Exec(cmd::kLanguageItemFirst + 1);
        QCOMPARE(file->title(), QStringLiteral("&Datei"));
        QCOMPARE(file->actions()[0]->text(), QStringLiteral("CSV laden\tStrg+O"));
        QCOMPARE(rig.Popup({1})->title(), QStringLiteral("&View")); // no key: the text stays
        QCOMPARE(rig.TextOf(cmd::kCh1TurnOnOff), std::string("Ausschalten#Ctrl+1"));
        QCOMPARE(rig.TextOf(cmd::kAcqModeAverage), std::string("Mittel:1"));
        QCOMPARE(rig.table->Action(cmd::kFileLoadCsv)->toolTip(), QStringLiteral("CSV-Datei laden"));
        QCOMPARE(rig.Popup({8, 9})->actions()[1]->text(), QStringLiteral("32K Punkte"));
        QVERIFY(rig.Ticked(cmd::kLanguageItemFirst + 1) && !rig.Ticked(cmd::kLanguageDefault));

        rig.Exec(cmd::kLanguageItemFirst);
        QCOMPARE(rig.Popup({1})->title(), QStringLiteral("&Ansicht"));
        // alpha has no tooltip texts: the toolbar shows no tooltip rather than the item's text.
        QVERIFY(ShowAndActivate(*rig.frame));
        QWidget* loadCsv = rig.table->ToolBar()->widgetForAction(rig.table->Action(cmd::kFileLoadCsv));
        QHelpEvent tip(QEvent::ToolTip, QPoint(4, 4), loadCsv->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(loadCsv, &tip);
        QVERIFY2(!QToolTip::isVisible(), qPrintable(QToolTip::text()));

        rig.Exec(cmd::kLanguageDefault);
        QCOMPARE(rig.Popup({1})->title(), QStringLiteral("&View"));
        QCOMPARE(file->actions()[0]->text(), QStringLiteral("Load CSV\tCtrl+O"));
        QCOMPARE(rig.TextOf(cmd::kAcqModeAverage), std::string("Average:1"));
        QCOMPARE(rig.Popup({8, 9})->actions()[1]->text(), QStringLiteral("32k"));
        // Resting on a toolbar button shows its fly-by help in the status bar.
        QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), loadCsv->mapToGlobal(QPointF(4, 4)));
        QApplication::sendEvent(loadCsv, &enter);
        QCOMPARE(rig.frame->statusBar()->currentMessage(), QStringLiteral("Load *.csv"));
    }
};

QTEST_MAIN(TestCommands)
#include "qt_commands.moc"
