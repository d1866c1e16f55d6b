// Measure/Log to File...: the non-modal panel that picks the file, the measurements, the interval, the
// limits and their actions, starts and stops the log, and shows how it goes. Its choices persist in a
// settings file of their own beside the setup file.
#pragma once

#include <QDialog>
#include <QTimer>
#include <string>

#include "datalog/log_settings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tarnix {

class CTarnixDoc;
class CTrendWindow;
class CMainFrame;
struct PanelHooks;

class CLogPanel : public QDialog {
    Q_OBJECT

public:
    // `settingsPath` is where the choices are kept ("" keeps them only for this run).
    CLogPanel(CTarnixDoc& doc, std::string settingsPath, QWidget* parent = nullptr);

    // Brings the status into step and shows the panel over `screen`.
    void ShowCentredOver(const QWidget* screen);
    // The choices as the controls hold them.
    LogPanelSettings Choices() const;
    // Start or Stop, as the button does. Appending to an existing file is asked through `askAppend`
    // (true: append; false: replace; nullopt: do not start). Returns the refusal text, "" on success.
    std::string StartLog();
    void StopLog();
    // Elapsed time, rows, file size, violations, last values, or why the log stopped.
    QString StatusText() const;
    // Puts in the current language's texts, here and in the trend view.
    void Relabel();

    std::function<std::optional<bool>(const QString& path)> askAppend;
    // Called once when the log stopped by itself (a disk error), with the reason for the status bar.
    std::function<void(const QString& reason)> stoppedByItself;

private:
    void Load(const LogPanelSettings& settings);
    void RefreshStatus();
    QString Text(int key) const;

    CTarnixDoc& doc_;
    std::string settingsPath_;
    QLabel* fileLabel_ = nullptr;
    QLabel* intervalLabel_ = nullptr;
    QLabel* actionsLabel_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* trendButton_ = nullptr;
    QTableWidget* items_ = nullptr; // one row per source and kind: log it, low and high limit
    QComboBox* intervalMode_ = nullptr;
    QDoubleSpinBox* interval_ = nullptr;
    QCheckBox* beep_ = nullptr;
    QCheckBox* stop_ = nullptr;
    QCheckBox* saveImage_ = nullptr;
    QPushButton* startStop_ = nullptr;
    QLabel* status_ = nullptr;
    std::string settingsFailure_; // why the panel's choices could not be saved at the last Start
    CTrendWindow* trend_ = nullptr;
    QTimer timer_;
    bool wasRunning_ = false;
};

// Binds Measure/Log to File... to a panel created at its first use (by then the setup file's folder is
// known; the choices live beside it in Datalog.ini), the limit action that saves the screen image
// next to the log, the status-bar message when the log stops by itself, and the panel's part of a
// language change (added to `panels.relabelWindows`, which must be bound before).
void AttachLogPanel(CTarnixDoc& doc, CMainFrame& frame, PanelHooks& panels, QWidget* view,
                    const QWidget* screen);

} // namespace tarnix
