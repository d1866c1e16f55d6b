#include "document/tarnix_doc.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "../support/fakes.h"
#include "../support/setup_image.h"
#include "../support/temp_dir.h"
#include "display/wave_screen.h"
#include "files/setup_file.h"
#include "language/command_ids.h"
#include "language/control_ids.h"
#include "recorder/recorder_settings.h"
#include "ui/command_table.h"
#include "ui/fft_window.h"
#include "ui/knob.h"
#include "ui/main_frame.h"
#include "ui/record_dialog.h"
#include "ui/save_dialog.h"
#include "ui/shell_dialogs.h"
#include "ui/sidebar_form.h"
#include "ui/small_dialogs.h"
#include "ui/tarnix_app.h"
#include "ui/tarnix_view.h"
#include "ui/view_panels.h"

using namespace tarnix;
using tarnix::testing::CFakeTimer;
using tarnix::testing::CRecordingNotifier;
using tarnix::testing::CScriptedChooser;
using tarnix::testing::ReadAll;
using tarnix::testing::UnusualSetupImage;

namespace {

// A demo document that has run a few ticks, so CH1 and CH2 hold traces.
void StartDemo(CTarnixDoc& doc) {
    doc.StartUp();
    for (int k = 0; k < 3; ++k) {
        doc.OnTick();
    }
}

// A folder and a chooser that outlive the program started with them.
struct DemoFolder {
    QTemporaryDir dir;
    CScriptedChooser chooser;
};

// The program in demo mode; started quietly in its folder or `folder`, its timer is stopped after one tick
// and the Demo Setting dialog put away.
struct DemoProgram : DemoFolder, CTarnixApp {
    bool StartQuietly(const QString& folder = {}) {
        if (!InitInstance((folder.isEmpty() ? dir.path() : folder).toStdString(),
                          {QStringLiteral("--nosplash")}, &chooser)) {
            return false;
        }
        Frame().View().Timer().stop();
        Frame().View().OnTimerTick();
        Panels().DemoSetting().hide();
        return true;
    }
};

// A language folder holding `guides`, and first on PATH until the returned PATH is put back, an xdg-mime that
// runs `script` (F1 asks it in the background whether this desktop has a .chm viewer).
QByteArray HelpFolder(const QTemporaryDir& dir, CTarnixDoc& doc, const std::string& script,
                      const std::vector<std::string>& guides) {
    const std::filesystem::path root(dir.path().toStdString());
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "language");
    std::ofstream(root / "bin" / "xdg-mime") << "#!/bin/sh\n" << script;
    QFile::setPermissions(dir.filePath(QStringLiteral("bin/xdg-mime")), QFile::ReadOwner | QFile::ExeOwner);
    for (const std::string& guide : guides) {
        std::ofstream(root / "language" / guide) << "help";
    }
    doc.language.FindLanguageFiles(root / "language");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.filePath(QStringLiteral("bin")).toLocal8Bit() + ':' + path);
    return path;
}

// Answers the next file dialog with `pick` once it is on the screen, noting the folder it opened in.
void AnswerFileDialog(QString& openedIn, const QString& pick) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, &openedIn, pick] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(window);
            if (dialog != nullptr && dialog->isVisible()) {
                poll->deleteLater();
                openedIn = dialog->directory().absolutePath();
                // Typed into the name field, as a user would: selectFile leaves a focused field as it is.
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(pick);
                QMetaObject::invokeMethod(dialog, "accept");
                return;
            }
        }
    });
    poll->start(10);
}

// A wheel turn over a widget's middle, in eighths of a degree (120 a notch; positive: away from the user).
void Wheel(QWidget* widget, int eighths) {
    const QPointF at(widget->width() / 2, widget->height() / 2);
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, eighths), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT

public slots:
    void OpenUrl(const QUrl& url) { openedUrls_.push_back(url); } // stands in for the desktop's "open"

protected:
    // Runs onShow_ when a widget this filters receives its show event.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && onShow_) {
            onShow_();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::vector<QUrl> openedUrls_;
    std::function<void()> onShow_;

private slots:
    void init() { qunsetenv("MORVLINK_LIBRARY"); }

    void fileDialogsOpenWhereThatKindWasLastChosen() {
        // Qt's own dialog, which the test can answer, whatever the platform would offer.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("waves")) &&
                QDir(dir.path()).mkpath(QStringLiteral("setups")));
        const QString wave = dir.filePath(QStringLiteral("waves/a.csv"));
        const QString setup = dir.filePath(QStringLiteral("setups/b.set"));
        std::ofstream(wave.toStdString()) << "1";
        std::ofstream(setup.toStdString()) << "1";
        const FileDialogRequest loadCsv{false, QStringLiteral("Load CSV File..."), QStringLiteral("csv"),
                                        QStringLiteral("CSV File(*.csv)")};
        const FileDialogRequest loadSetup{false, QStringLiteral("Load Setup File..."), QStringLiteral("set"),
                                          QStringLiteral("Setup File(*.set)")};
        QString openedIn;
        // The second time each kind of file opens where that kind was last chosen.
        for (int round = 0; round < 2; ++round) {
            for (const auto& [request, pick] : {std::pair(loadCsv, wave), std::pair(loadSetup, setup)}) {
                AnswerFileDialog(openedIn, pick);
                QCOMPARE(QString::fromStdString(ChooseFileWithDialog(nullptr, request)), pick);
                QVERIFY2(round == 0 || openedIn == QFileInfo(pick).path(), qPrintable(openedIn));
            }
        }
    }

    void closeAtTheSearchLeavesDefaultSetAsItWasInItsLanguage() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("language")));
        const QString path = dir.filePath(QStringLiteral("Default.set"));
        {
            // Without a Default.set the declined start writes none: the factory state is nobody's.
            CScriptedChooser chooser(NoDeviceChoice::kClose);
            CTarnixApp app;
            QVERIFY(!app.InitInstance(dir.path().toStdString(), {QStringLiteral("--nosplash")}, &chooser));
            QCOMPARE(chooser.noDeviceAsked, 1);
            QVERIFY(!QFile::exists(path));
        }
        // With the user's Default.set (REF, recording, measurements...) the file stays byte for byte, and
        // the Searching Device dialog already speaks its language (the first and only file found).
        std::ofstream(dir.filePath(QStringLiteral("language/Deutsch.lug")).toStdString())
            << "[App]\r\n8888=Deutsch\r\n4010=Demo-Betrieb\r\n";
        SetupImage image = UnusualSetupImage();
        image.languageIndex = 0;
        QVERIFY(SaveSetupFile(path.toStdString(), image, false).ok);
        const std::string stored = ReadAll(path.toStdString());
        CScriptedChooser chooser(NoDeviceChoice::kClose);
        CTarnixApp app;
        std::string textAtSearch;
        chooser.onNoDevice = [&] { textAtSearch = app.Document().Text(4010); };
        QVERIFY(!app.InitInstance(dir.path().toStdString(), {QStringLiteral("--nosplash")}, &chooser));
        QVERIFY(ReadAll(path.toStdString()) == stored);
        QCOMPARE(QString::fromStdString(textAtSearch), QStringLiteral("Demo-Betrieb"));
    }

    void demoStartShowsWindowMenusAndDemoDialogInOrder() {
        DemoProgram app;
        QVERIFY(app.InitInstance(app.dir.path().toStdString(), {QStringLiteral("--nosplash")}, &app.chooser));
        QVERIFY(app.Splash() == nullptr);
        CMainFrame& frame = app.Frame();
        CTarnixView& view = frame.View();
        QVERIFY(view.Timer().isActive());
        view.Timer().stop();
        QVERIFY(!frame.isVisible());

        // When the window appears its menus are already there; the demo dialog comes after it.
        bool menusAtShow = false;
        bool demoDialogAtShow = true;
        frame.installEventFilter(this);
        onShow_ = [&] {
            menusAtShow = frame.menuBar() != nullptr && !frame.menuBar()->actions().isEmpty();
            demoDialogAtShow = app.Panels().DemoSetting().isVisible();
        };
        view.OnTimerTick();
        QVERIFY(menusAtShow && !demoDialogAtShow && app.Panels().DemoSetting().isVisible());
    }

    // At the smallest window the sidebar scrolls (down to the Trigger group) with a plain scroll bar; the
    // wheel over it scrolls it, changes a list only when the list has the focus, turns a knob a step a notch.
    void wheelScrollsTheSidebarAndTurnsTheKnobs() {
        DemoProgram app;
        QVERIFY(app.StartQuietly());
        app.Frame().resize(CMainFrame::kMinWidth, CMainFrame::kMinHeight);
        app.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&app.Frame()));
        auto* column = qobject_cast<QScrollArea*>(app.Frame().View().SidebarTabs().widget(0));
        QScrollBar* bar = column->verticalScrollBar();
        QVERIFY(bar->isVisible() && bar->width() >= 10);
        for (const QWidget* control : column->widget()->findChildren<QWidget*>()) {
            QVERIFY(control->mapTo(column, QPoint(control->width(), 0)).x() <=
                    bar->mapTo(column, QPoint()).x());
        }
        CSidebarForm& sidebar = app.Panels().Sidebar();
        const ChannelSettings& ch1 = app.Document().settings.ch(kCh1);
        const int coupling = app.Document().settings.ch(kCh2).coupling;
        QComboBox* couplingList = sidebar.List(ctl::kSideCh2CouplingList);
        Wheel(couplingList, -120);
        QCOMPARE(int(app.Document().settings.ch(kCh2).coupling), coupling);
        QVERIFY(bar->value() > 0);
        couplingList->setFocus();
        Wheel(couplingList, -120);
        QCOMPARE(int(app.Document().settings.ch(kCh2).coupling), coupling + 1);
        // Away from the user one step clockwise (a lower index); half notches add up.
        const int volts = ch1.voltsPerDivIndex;
        for (const auto& [eighths, index] : {std::pair(120, volts - 1), std::pair(-240, volts + 1),
                                             std::pair(60, volts + 1), std::pair(60, volts)}) {
            Wheel(sidebar.Knob(ctl::kSideCh1Knob), eighths);
            QCOMPARE(int(ch1.voltsPerDivIndex), index);
        }
        QCOMPARE(sidebar.List(ctl::kSideCh1VoltsList)->currentIndex(), volts);
        bar->setValue(bar->maximum());
        const QWidget* slope = column->widget()->findChildren<QComboBox*>().constLast();
        QVERIFY(column->viewport()->rect().contains(
            QRect(slope->mapTo(column->viewport(), QPoint()), slope->size())));
    }

    void closeWritesDefaultSetAndNextStartRestoresIt() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Default.set"));
        QVERIFY(SaveSetupFile(path.toStdString(), UnusualSetupImage(), false).ok);
        const std::string stored = ReadAll(path.toStdString());
        {
            // Demo mode: the setup loads, runs, and its close rewrites only the header; the body stays.
            DemoProgram app;
            QVERIFY(app.StartQuietly(dir.path()));
            bool closed = false;
            connect(&app.Frame(), &CMainFrame::closed, this, [&] { closed = true; });
            app.Commands().Execute(cmd::kAppExit);
            QVERIFY(closed);
        }
        const std::string after = ReadAll(path.toStdString());
        QVERIFY(after.substr(20) == stored.substr(20)); // same length, same body
        // Deliver the quit that the close queued, outside any loop, so it cannot end the message box below.
        QCoreApplication::processEvents();

        // A save that fails at close is not dropped silently: the user sees the system's message.
        DemoProgram app;
        QVERIFY(app.StartQuietly(dir.path()));
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Default.set"))); // fails even for root
        QString shown;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
                    shown = box->text();
                    box->accept();
                }
            }
        });
        closer.start(10);
        app.Commands().Execute(cmd::kAppExit);
        QVERIFY2(shown.startsWith(QStringLiteral("Cann't save file: ")), qPrintable(shown));
    }

    void setupFilesCarryTheLiveScreenState() {
        DemoProgram app;
        QVERIFY(app.StartQuietly());
        CTarnixView& view = app.Frame().View();
        CTarnixDoc& doc = app.Document();
        doc.settings.demoMode = 0; // a full save and load, as with an instrument

        // A trigger level 16 codes (half a division) above CH1's zero line: the file holds its volts and the
        // marker's pixel offset as the screen shows them now.
        doc.SetTriggerLevel(kCh1, doc.settings.ch(kCh1).zeroLevel - 16.0f);
        view.Screen().UpdateMarkers();
        const std::string path = app.dir.filePath(QStringLiteral("live.set")).toStdString();
        QVERIFY(doc.SaveSetup(path).ok);
        const SetupImage saved = doc.CaptureSetup(false);
        QCOMPARE(saved.trigger.voltsCh1, static_cast<float>(0.5 * ChannelVoltsPerDiv(doc.settings.ch(kCh1))));
        QVERIFY(saved.trigger.levelOffset < 0.0f);

        // Loading a setup empties the persistence queues, as the Intensity dialog's depth does.
        CPersistHistory& persistence = view.Persistence();
        persistence.SetPersistenceOn(true);
        persistence.SetPersistenceDepth(3);
        persistence.AddPersistFrame(kCh1, doc.frames[kCh1].display.data(), 0x00FF00);
        QVERIFY(doc.LoadSetup(path).ok);
        QCOMPARE(persistence.PersistCount(kCh1), 0);
    }

    void defaultSetGoesToTheConfigFolderWhenTheProgramFolderIsNotWritable() {
        QTemporaryDir dir;
        QCOMPARE(DefaultSetupLocation(dir.path()), dir.filePath(QStringLiteral("Default.set")));
        // A folder that cannot take it (here: a missing one) sends it to the configuration folder, created.
        QStandardPaths::setTestModeEnabled(true);
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        const QString path = DefaultSetupLocation(dir.filePath(QStringLiteral("missing/bin")));
        QStandardPaths::setTestModeEnabled(false);
        QCOMPARE(path, QDir(config).filePath(QStringLiteral("Default.set")));
        QVERIFY(QFileInfo(config).isDir());
    }

    void fullScreenEnterAndLeaveRestoreGeometryAndSidebar() {
        DemoProgram app;
        QVERIFY(app.StartQuietly());
        CMainFrame& frame = app.Frame();
        frame.setGeometry(130, 90, 720, 540);
        CTarnixView& view = frame.View();
        QCoreApplication::processEvents();
        const QRect before = frame.geometry();
        const QList<QWidget*> bars = {frame.menuBar(), app.Commands().ToolBar(), frame.statusBar(),
                                      &view.SidebarTabs()};
        app.Commands().Execute(cmd::kViewFullScreen);
        QVERIFY(view.IsFullScreen() && std::ranges::all_of(bars, &QWidget::isHidden));
        // Window Mode (the context menu's way back) restores placement and sidebar; else it does nothing.
        for (int twice = 0; twice < 2; ++twice) {
            app.Commands().Execute(cmd::kWindowMode);
            QCoreApplication::processEvents();
            QVERIFY(!frame.IsFullScreen() && !frame.isFullScreen());
            QCOMPARE(frame.geometry(), before);
        }
        QVERIFY(std::ranges::all_of(bars, &QWidget::isVisible));
    }

    void fftStopPutsTheCursorsBackOnCh1() {
        DemoProgram app;
        QVERIFY(app.StartQuietly());
        CWaveScreen& screen = app.Frame().View().Screen();
        QPushButton* start = app.Panels().Fft().StartButton();
        start->click();
        app.Commands().Execute(cmd::kCursorSourceFft);
        QCOMPARE(screen.GetCursorSource(), int{kCursorSrcFft});
        start->click();
        QVERIFY(app.Document().fftSettings.running == 0 && screen.GetCursorSource() == int{kCursorSrcCh1});
    }

    // The shipped German file relabels the sidebar and the open dialogs; Default brings English back.
    void languageSwitchRelabelsSidebarAndDialogs() {
        DemoProgram app;
        QVERIFY(QDir(app.dir.path()).mkdir(QStringLiteral("language")));
        QVERIFY(QFile::copy(QStringLiteral(TARNIX_LANGUAGE_DIR "/German.lug"),
                            app.dir.filePath(QStringLiteral("language/German.lug"))));
        QVERIFY(app.StartQuietly());
        const auto sidebarHas = [&app](const QString& text) {
            const QList<QLabel*> labels = app.Panels().Sidebar().findChildren<QLabel*>();
            return std::any_of(labels.begin(), labels.end(),
                               [&text](QLabel* l) { return l->text() == text; });
        };
        const QComboBox* mode = app.Panels().Sidebar().List(ctl::kSideTriggerModeList);
        QWidget& demo = app.Panels().DemoSetting();
        demo.show();
        app.Commands().Execute(cmd::kLanguageItemFirst);
        QVERIFY(sidebarHas(QStringLiteral("Trigger-Modus")));
        QCOMPARE(mode->itemText(0), QStringLiteral("Flanke"));
        QCOMPARE(demo.windowTitle(), QStringLiteral("Demo-Einstellung"));

        app.Commands().Execute(cmd::kLanguageDefault);
        QVERIFY(sidebarHas(QStringLiteral("Trigger Mode")));
        QCOMPARE(mode->itemText(0), QStringLiteral("Edge"));
        QCOMPARE(demo.windowTitle(), QStringLiteral("Demo Setting"));
    }

    void saveDialogEnablesFollowTheChannels() {
        // The channel chosen last time is offered when it is on; a channel that is off cannot be chosen.
        // Offered -1: none, and OK is off.
        for (const auto& [ch1, ch2, last, offered] : {std::tuple(true, true, 1, 1),
                                                      {false, true, 0, 1},
                                                      {true, false, 1, 0},
                                                      {false, false, 0, -1}}) {
            CTarnixDoc doc;
            doc.settings.ch(kCh1).enabled = ch1 ? 1 : 0;
            doc.settings.ch(kCh2).enabled = ch2 ? 1 : 0;
            doc.saveChannel = last;
            CSaveDialog dialog(doc);
            QCOMPARE(std::tuple(dialog.Ch1Button()->isEnabled(), dialog.Ch2Button()->isEnabled(),
                                dialog.Ch1Button()->isChecked(), dialog.Ch2Button()->isChecked(),
                                dialog.OkButton()->isEnabled()),
                     std::tuple(ch1, ch2, offered == 0, offered == 1, offered >= 0));
            if (offered == 1 && ch1) {
                // OK stores the new choice.
                dialog.Ch1Button()->click();
                dialog.OkButton()->click();
                QVERIFY(dialog.result() == int(QDialog::Accepted) && doc.saveChannel == 0);
            }
        }
    }

    // The recorder's rules have their own tests; here the panel drives it on its timer, shows, saves, loads.
    void recordDialogRecordsPlaysSavesAndLoads() {
        CTarnixDoc doc;
        StartDemo(doc);
        QVERIFY(doc.OpenRecorder());
        CFakeTimer timer;
        CRecordingNotifier notifier;
        QTemporaryDir dir;
        std::vector<FileDialogRequest> requests;
        std::string answer = dir.filePath(QStringLiteral("three.rec")).toStdString();
        const auto chooser = [&](const FileDialogRequest& request) {
            requests.push_back(request);
            return answer;
        };
        CRecordDialog dialog(doc, nullptr, &timer, &notifier, chooser);
        QVERIFY(!dialog.PlayButton()->isEnabled());
        // Typing: at most four digits into a frame edit, five into an interval; the rules clamp.
        CRecorderEdit* end = dialog.RecordEndEdit();
        end->selectAll();
        QTest::keyClicks(end, QStringLiteral("12345"));
        QTest::keyClick(end, Qt::Key_Return);
        QCOMPARE(end->value(), 1000);
        CRecorderEdit* interval = dialog.RecordIntervalEdit();
        interval->selectAll();
        QTest::keyClicks(interval, QStringLiteral("987654"));
        QTest::keyClick(interval, Qt::Key_Return);
        QCOMPARE(interval->value(), 20000);
        end->stepBy(5);
        QCOMPARE(end->value(), 1000);

        dialog.SourceList()->setCurrentIndex(1);
        emit dialog.SourceList()->activated(1);
        end->setValue(3);
        interval->setValue(40);
        doc.settings.ch(kCh2).enabled = 0; // the recorded channel is switched on by Start
        dialog.RecordButton()->click();
        QVERIFY(timer.interval == 40 && doc.settings.ch(kCh2).enabled == 1u);
        // While recording only Stop is usable.
        QVERIFY(!dialog.LoadButton()->isEnabled() && !end->isEnabled());
        for (int k = 0; k < 3; ++k) {
            doc.frames[kCh2].display.fill(static_cast<std::int16_t>(10 * (k + 1))); // a new capture
            ++doc.captureCount;
            dialog.OnPanelTimer();
        }
        QVERIFY(!timer.running);
        QVERIFY(dialog.RecordedCount()->text() == QStringLiteral("3") && dialog.PlayEndEdit()->value() == 3);
        dialog.SaveButton()->click();

        dialog.PlayIntervalEdit()->setValue(25);
        dialog.StartFrameEdit()->setValue(2);
        dialog.PlayButton()->click();
        QVERIFY(timer.interval == 25 && doc.settings.runStatus == kStatusPlay);
        dialog.OnPanelTimer();
        QCOMPARE(doc.frames[kCh2].display[100], 20); // frame 2 first
        dialog.OnPanelTimer();
        QVERIFY(!timer.running);
        // Current Frame shows its frame at once; closing the panel while playing stops the player.
        dialog.CurrentFrameEdit()->setValue(1);
        QCOMPARE(doc.frames[kCh2].display[100], 10);
        dialog.RepeatBox()->click();
        dialog.PlayButton()->click();
        dialog.reject();
        QVERIFY(!timer.running);
        QCOMPARE(doc.recorder.settings.playing, 0);

        // Another panel loads the file back: three frames held, play-back ready.
        CTarnixDoc other;
        StartDemo(other);
        QVERIFY(other.OpenRecorder());
        CRecordDialog loader(other, nullptr, &timer, &notifier, chooser);
        loader.LoadButton()->click();
        QCOMPARE(loader.RecordedCount()->text(), QStringLiteral("3"));
        QVERIFY(requests.size() == 2 && requests[0].save && !requests[1].save && notifier.messages.empty());
        answer = dir.filePath(QStringLiteral("missing.rec")).toStdString();
        loader.LoadButton()->click();
        QCOMPARE(notifier.messages.size(), std::size_t{1});
        QVERIFY(
            QString::fromStdString(notifier.messages[0]).contains(QStringLiteral("Couldn't open file: ")));
    }

    void splashCanBeTurnedOffAndClosesItself() {
        QVERIFY(SplashEnabled({QStringLiteral("tarnix")}));
        for (const char* option : {"/NOSPLASH", "-nosplash"}) {
            QVERIFY(!SplashEnabled({QStringLiteral("tarnix"), QString::fromLatin1(option)}));
        }

        QPointer<CSplashWindow> window = new CSplashWindow;
        bool finished = false;
        connect(window, &CSplashWindow::finished, this, [&] { finished = true; });
        window->ShowCentred();
        QVERIFY(!finished);
        // It closes and deletes itself after 750 ms.
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 5000);
        QVERIFY(finished);
    }

    // F1 must not hold the window while the desktop is asked for a .chm viewer: here the desktop answers
    // only after OpenHelpFile has returned, and its answer still decides.
    void helpOpensOnceTheViewerQueryAnswers() {
        QTemporaryDir dir;
        const std::string answer = dir.filePath(QStringLiteral("answer")).toStdString();
        CTarnixDoc doc;
        const QByteArray path = HelpFolder(
            dir, doc, "while [ ! -f '" + answer + "' ]; do sleep 0.02; done\necho viewer.desktop\n",
            {"MorvlinkHelp-English.chm", "MorvlinkHelp-English.html"});
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "OpenUrl");
        OpenHelpFile(doc.language);
        qputenv("PATH", path);
        QVERIFY(openedUrls_.empty());
        std::ofstream(answer) << "yes";
        QVERIFY(QTest::qWaitFor([this] { return !openedUrls_.empty(); }, 5000));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(openedUrls_.front().toLocalFile(),
                 dir.filePath(QStringLiteral("language/MorvlinkHelp-English.chm")));
    }

    // F1 says why no help appears: no help file, or nothing on this desktop to show it. Without a .chm viewer
    // the HTML guide beside the .chm is shown.
    void helpTellsWhenThereIsNoGuideOrNoViewer_data() {
        QTest::addColumn<QString>("guide"); // the file in the language folder, "" for none
        QTest::addColumn<bool>("desktopOpens");
        QTest::addColumn<QString>("message"); // a part of the message, "" for none
        QTest::addColumn<int>("opens");
        QTest::newRow("no guide") << "" << true << "was not found" << 0;
        QTest::newRow("no browser") << "MorvlinkHelp-English.html" << false << "No program to show" << 1;
        QTest::newRow("no .chm viewer") << "MorvlinkHelp-English.chm" << true << "No program to show" << 0;
        QTest::newRow("shown") << "MorvlinkHelp-english.html" << true << "" << 1; // found in any case
    }
    void helpTellsWhenThereIsNoGuideOrNoViewer() {
        QFETCH(QString, guide);
        QFETCH(bool, desktopOpens);
        QFETCH(QString, message);
        QFETCH(int, opens);
        QTemporaryDir dir;
        CTarnixDoc doc;
        const QByteArray path =
            HelpFolder(dir, doc, "exit 1\n", // no .chm viewer
                       guide.isEmpty() ? std::vector<std::string>() : std::vector{guide.toStdString()});
        CRecordingNotifier notifier;
        int opened = 0;
        OpenHelpFile(doc.language, nullptr, &notifier, [&](const QUrl&) {
            ++opened;
            return desktopOpens;
        });
        const bool answered = QTest::qWaitFor([&] { return !notifier.messages.empty() || opened > 0; }, 5000);
        qputenv("PATH", path);
        QVERIFY(answered);
        QCOMPARE(opened, opens);
        QCOMPARE(notifier.messages.size(), std::size_t{message.isEmpty() ? 0u : 1u});
        QVERIFY(message.isEmpty() || QString::fromStdString(notifier.messages.front()).contains(message));
    }
};

QTEST_MAIN(TestShell)
#include "qt_shell.moc"
