// The view's children from the other parts of the shell, created once at start-up and only shown and
// hidden afterwards: the sidebar in its tab, the info strip, the modeless dialogs and panels, Autoset
// and zero calibration. Binds them to the command table's hooks and the document's hooks, so a
// command, a setup load or a language change reaches every window.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

namespace tarnix {

class CTarnixDoc;
class CMainFrame;
class CTarnixView;
class CCommandTable;
class IUserNotifier;
class CSidebarForm;
class CInfoStrip;
class CIntensityDialog;
class CAverageDialog;
class CWaveformColorDialog;
class CDemoSettingDialog;
class CFftWindow;
class CPassFailWindow;
class CCalibrateDataDialog;
class CAutoset;
class CZeroCalibration;

class CViewPanels : public QObject {
    Q_OBJECT

public:
    // `notifier` may be null (message boxes).
    CViewPanels(CMainFrame& frame, CTarnixDoc& doc, CCommandTable& table, IUserNotifier* notifier);
    ~CViewPanels() override;

    CSidebarForm& Sidebar() { return *sidebar_; }
    CInfoStrip& InfoStrip() { return *infoStrip_; }
    CDemoSettingDialog& DemoSetting() { return *demoSetting_; }
    CFftWindow& Fft() { return *fft_; }
    CPassFailWindow& PassFail() { return *passFail_; }

    // Reloads the modeless dialogs from the settings (Factory Setup, a setup load).
    void RefreshDialogs();
    // Language change: captions and titles of the sidebar and the modeless dialogs.
    void RelabelWindows();
    // The first tick in demo mode: the Demo Setting dialog over the screen.
    void ShowDemoSettingIfDemo();

private:
    void BindDocumentHooks();
    void BindCommandHooks();
    void RepaintView();

    CMainFrame& frame_;
    CTarnixView& view_;
    // The frame may delete the view before the panels; then there is no hook left to unbind.
    QPointer<CTarnixView> viewAlive_;
    CTarnixDoc& doc_;
    CCommandTable& table_;
    IUserNotifier* notifier_;

    CSidebarForm* sidebar_ = nullptr;
    CInfoStrip* infoStrip_ = nullptr;
    CIntensityDialog* intensity_ = nullptr;
    CAverageDialog* average_ = nullptr;
    CWaveformColorDialog* waveformColor_ = nullptr;
    CDemoSettingDialog* demoSetting_ = nullptr;
    CFftWindow* fft_ = nullptr;
    CPassFailWindow* passFail_ = nullptr;
    CCalibrateDataDialog* calibrateData_ = nullptr;
    std::unique_ptr<CAutoset> autoset_;
    std::unique_ptr<CZeroCalibration> calibration_;
};

} // namespace tarnix
