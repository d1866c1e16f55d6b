#include "document/tarnix_doc.h"

#include "ui/view_panels.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

#include "display/status_strip.h"
#include "display/wave_screen.h"
#include "document/autoset.h"
#include "document/zero_calibration.h"
#include "language/command_ids.h"
#include "ui/autoset_window.h"
#include "ui/calibration_dialogs.h"
#include "ui/command_table.h"
#include "ui/fft_window.h"
#include "ui/image_export.h"
#include "ui/info_strip.h"
#include "ui/log_panel.h"
#include "ui/main_frame.h"
#include "ui/pass_fail_window.h"
#include "ui/record_dialog.h"
#include "ui/report_printer.h"
#include "ui/save_dialog.h"
#include "ui/shell_dialogs.h"
#include "ui/sidebar_form.h"
#include "ui/small_dialogs.h"
#include "ui/tarnix_view.h"
#include "ui/widget_helpers.h"

namespace tarnix {
namespace {

// The sidebar's scroll bar: a fixed width that the sidebar's layout leaves room for, and a dark handle
// on a light track, so that a column that scrolls is plainly seen to.
const char* const kSidebarScrollBarSheet =
    "QScrollBar:vertical { width: 12px; background: #dcdcdc; margin: 0; }"
    "QScrollBar::handle:vertical { background: #808080; min-height: 24px; border-radius: 4px; margin: 2px; }"
    "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
    "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }";

} // namespace

CViewPanels::CViewPanels(CMainFrame& frame, CTarnixDoc& doc, CCommandTable& table, IUserNotifier* notifier)
    : QObject(&frame), frame_(frame), view_(frame.View()), doc_(doc), table_(table), notifier_(notifier) {
    viewAlive_ = &view_;
    CWaveScreen& screen = view_.Screen();
    const CLanguageTable& language = doc_.language;

    sidebar_ = new CSidebarForm(doc_, language, &screen);
    sidebar_->SetNotifier(notifier_);
    // A window too short for the whole sidebar scrolls it rather than cutting its Trigger group off.
    auto* scroll = new QScrollArea;
    scroll->verticalScrollBar()->setStyleSheet(QString::fromLatin1(kSidebarScrollBarSheet));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(sidebar_);
    view_.SidebarTabs().addTab(scroll, QStringLiteral("Control"));
    sidebar_->BindSync(table_.Sidebar());
    infoStrip_ = new CInfoStrip(doc_, language);
    view_.SetInfoStrip(infoStrip_);

    // The modeless dialogs are children of the view's window, hidden until their command shows them.
    intensity_ = new CIntensityDialog(doc_, language, &screen, &view_.Persistence(), &view_);
    average_ = new CAverageDialog(doc_, language, &view_);
    fft_ = new CFftWindow(doc_, &view_);
    passFail_ = new CPassFailWindow(doc_, &view_);
    waveformColor_ = new CWaveformColorDialog(doc_, language, &view_);
    calibrateData_ = new CCalibrateDataDialog(doc_, &view_);
    demoSetting_ = new CDemoSettingDialog(doc_, language, &view_);
    for (QWidget* dialog : std::initializer_list<QWidget*>{intensity_, average_, fft_, passFail_,
                                                           waveformColor_, calibrateData_, demoSetting_}) {
        TakeWheelOnlyWithFocus(dialog);
    }

    autoset_ = std::make_unique<CAutoset>(doc_);
    autoset_->Attach();
    AttachAutosetWindow(*autoset_, &view_, [this] { sidebar_->SyncFromSettings(); });
    calibration_ = std::make_unique<CZeroCalibration>(doc_);
    calibration_->Attach();
    calibration_->hooks.setMainWindowMaximized = [this](bool maximized) {
        if (maximized) {
            frame_.showMaximized();
        } else {
            frame_.showNormal();
        }
    };
    calibration_->hooks.refreshSidebar = [this] { sidebar_->SyncFromSettings(); };

    connect(sidebar_, &CSidebarForm::settingsChanged, this, &CViewPanels::RepaintView);
    connect(waveformColor_, &CWaveformColorDialog::channelColourChanged, this, [this](int channel) {
        if (channel == 0) {
            sidebar_->RepaintKnob(SidebarKnob::kCh1Volts);
        } else if (channel == 1) {
            sidebar_->RepaintKnob(SidebarKnob::kCh2Volts);
        }
        RepaintView();
    });
    connect(fft_, &CFftWindow::analysisStopped, this, [this] { view_.Screen().SetCursorSource(0); });
    connect(fft_, &CFftWindow::settingsChanged, this, &CViewPanels::RepaintView);
    connect(passFail_, &CPassFailWindow::runStateChanged, this, &CViewPanels::RepaintView);
    connect(passFail_, &CPassFailWindow::channelSwitchedOn, this,
            [this](int channel) { sidebar_->SetChannelOn(channel, true); });
    connect(passFail_, &CPassFailWindow::panelClosed, this, [this] { sidebar_->EnableFormatList(true); });

    BindDocumentHooks();
    BindCommandHooks();
}

CViewPanels::~CViewPanels() {
    doc_.hooks.refreshSidebar = nullptr;
    doc_.hooks.startAcquisitionTimer = nullptr;
    doc_.hooks.stopAcquisitionTimer = nullptr;
    doc_.hooks.passFailTick = nullptr;
    doc_.hooks.fftTick = nullptr;
    doc_.hooks.beep = nullptr;
    doc_.hooks.captureScreenSetup = nullptr;
    doc_.hooks.applyScreenSetup = nullptr;
    doc_.hooks.resetSubsystems = nullptr;
    doc_.hooks.triggerSourceChanged = nullptr;
    if (viewAlive_) {
        view_.Host().timeBaseStepped = nullptr;
    }
    doc_.hooks.autosetTick = nullptr;
    doc_.hooks.autosetFinish = nullptr;
    doc_.hooks.calibrationTick = nullptr;
    doc_.datalog.saveImage = nullptr;
}

void CViewPanels::BindDocumentHooks() {
    doc_.hooks.refreshSidebar = [this] { sidebar_->SyncFromSettings(); };
    doc_.hooks.startAcquisitionTimer = [this] { view_.Timer().start(); };
    doc_.hooks.stopAcquisitionTimer = [this] { view_.Timer().stop(); };
    doc_.hooks.passFailTick = [this] { passFail_->OnFrameTested(doc_.passFailResult); };
    doc_.hooks.fftTick = [this] { fft_->RefreshResults(); };
    doc_.hooks.beep = [] { QApplication::beep(); };
    doc_.hooks.resetSubsystems = [this] { autoset_->ResetNoSignalFlags(); };
    doc_.hooks.triggerSourceChanged = [this] {
        if (viewAlive_) {
            view_.Screen().UpdateMarkers();
        }
    };
    view_.Host().timeBaseStepped = [this] { sidebar_->SyncFromSettings(); };
    doc_.hooks.captureScreenSetup = [this](ScreenSetup& setup) {
        const CWaveScreen& screen = view_.Screen();
        setup.display.cursorSource = static_cast<std::uint16_t>(screen.GetCursorSource());
        setup.display.cursorType = static_cast<std::uint16_t>(screen.GetCursorType());
        setup.display.dotsMode = static_cast<std::uint16_t>(screen.GetDrawType());
        setup.display.gridOn = screen.GetGridOn() ? 1 : 0;
        setup.display.gridIntensity = static_cast<std::uint16_t>(screen.GetGridIntensity());
        setup.display.waveIntensity = static_cast<std::uint16_t>(screen.GetWaveIntensity());
        // The trigger-level marker's pixel offset from its channel's zero marker, as the screen shows it.
        const int source = doc_.settings.trigger.triggerSource;
        if (source == kTrigCh1 || source == kTrigCh2 || source == kTrigAlt) {
            const bool ch2 = source == kTrigCh2;
            setup.levelOffset =
                static_cast<float>(screen.MarkerPoint(ch2 ? kMarkerLevelCh2 : kMarkerLevelCh1).y -
                                   screen.MarkerPoint(ch2 ? kMarkerCh2 : kMarkerCh1).y);
        } else {
            setup.levelOffset = 0.0f;
        }
    };
    doc_.hooks.applyScreenSetup = [this](const ScreenSetup& setup) {
        CWaveScreen& screen = view_.Screen();
        screen.SetGridOn(setup.display.gridOn != 0);
        screen.SetGridIntensity(setup.display.gridIntensity);
        screen.SetWaveIntensity(setup.display.waveIntensity);
        screen.SetDrawType(setup.display.dotsMode);
        screen.SetCursorType(setup.display.cursorType);
        screen.SetCursorSource(setup.display.cursorSource);
        // Traces of the old setup must not linger as persistence: the Intensity dialog's setter empties
        // the queues.
        view_.Persistence().SetPersistenceDepth(doc_.settings.persistenceDepth);
        screen.UpdateMarkers();
        screen.update();
    };
}

void CViewPanels::BindCommandHooks() {
    PanelHooks& panels = table_.Panels();
    const QWidget* screen = &view_.Screen();
    panels.showIntensity = [this, screen] { ShowCentredOver(*intensity_, screen); };
    panels.showAverage = [this, screen] { ShowCentredOver(*average_, screen); };
    panels.showWaveformColor = [this, screen] { ShowCentredOver(*waveformColor_, screen); };
    panels.showDemoSetting = [this, screen] { ShowCentredOver(*demoSetting_, screen); };
    panels.showFft = [this, screen] { fft_->ShowCentredOver(screen); };
    panels.showPassFail = [this, screen] { passFail_->ShowCentredOver(screen); };
    panels.showCalibrateData = [this] { calibrateData_->ShowCentredOn(&view_.Screen()); };
    panels.startAutoset = [this] { autoset_->Start(); };
    panels.runZeroCalibration = [this] {
        CZeroCalibrationDialog dialog(doc_, *calibration_, &frame_);
        dialog.exec();
        sidebar_->SyncFromSettings();
        RepaintView();
    };
    panels.runRecord = [this] {
        RunRecordDialog(doc_, &frame_, notifier_);
        sidebar_->SyncFromSettings();
        RepaintView();
    };
    panels.chooseSaveChannel = [this] { return RunSaveDialog(doc_, &frame_); };
    panels.showAbout = [this] {
        CAboutDialog dialog(doc_.language, &frame_);
        dialog.exec();
    };
    panels.refreshDialogs = [this] { RefreshDialogs(); };
    panels.relabelWindows = [this] { RelabelWindows(); };
    AttachLogPanel(doc_, frame_, panels, &view_, screen); // after relabelWindows, which it extends

    table_.Register(cmd::kHelpContents, [this] { OpenHelpFile(doc_.language, &frame_, notifier_); });
    table_.Register(cmd::kFileSaveImage, [this] { SaveWindowImage(&frame_, notifier_); });
    const auto reportSource = [this] {
        ReportSource source;
        source.doc = &doc_;
        source.gridOn = view_.Screen().GetGridOn();
        source.stopAcquisition = [this] { table_.Execute(cmd::kAcqStop); };
        source.startAcquisition = [this] { table_.Execute(cmd::kAcqStart); };
        return source;
    };
    table_.Register(cmd::kFilePrint, [this, reportSource] { PrintReport(&frame_, reportSource()); });
    table_.Register(cmd::kFilePrintPreview, [this, reportSource] { PreviewReport(&frame_, reportSource()); });
    table_.Register(cmd::kFileSaveScreenSvg,
                    [this] { SaveScreenSvgCommand(view_.Screen(), &frame_, notifier_); });
    table_.Register(cmd::kFileExportReportPdf,
                    [this, reportSource] { ExportReportPdfCommand(&frame_, reportSource(), notifier_); });
}

void CViewPanels::RepaintView() {
    view_.Screen().UpdateMarkers();
    view_.Screen().update();
    view_.Strip().update();
    infoStrip_->update();
}

void CViewPanels::RefreshDialogs() {
    intensity_->Refresh();
    average_->Refresh();
    passFail_->Refresh();
    fft_->Refresh();
    waveformColor_->Refresh();
    demoSetting_->Refresh();
    calibrateData_->Refresh();
}

void CViewPanels::RelabelWindows() {
    sidebar_->Relabel();
    intensity_->Relabel();
    average_->Relabel();
    passFail_->Relabel();
    fft_->Relabel();
    waveformColor_->Relabel();
    demoSetting_->Relabel();
    RefreshDialogs();
    RepaintView();
}

void CViewPanels::ShowDemoSettingIfDemo() {
    if (doc_.settings.demoMode != 0) {
        ShowCentredOver(*demoSetting_, &view_.Screen());
    }
}

} // namespace tarnix
