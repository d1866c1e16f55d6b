// The Pass/Fail panel: a modeless window created once by the view. It edits the mask settings, builds
// the mask from the current trace, starts and stops the test, shows the fail/pass/total counters after
// every tested frame, and saves and loads the mask settings as .psf files. Closing it ends the test
// and leaves the acquisition running.
#pragma once

#include <QDialog>
#include <QSpinBox>
#include <QString>

#include "analysis/pass_fail.h"
#include "ui/fft_window.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace tarnix {

class CLanguageTable;
class CTarnixDoc;

// A tolerance edit with spin buttons: at most three digits may be typed, and a typed value beyond the
// range is replaced by the nearest end of it when the edit is left.
class CToleranceEdit : public QSpinBox {
    Q_OBJECT

public:
    CToleranceEdit(int maximum, QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
};

class CPassFailWindow : public QDialog {
    Q_OBJECT

public:
    // Works on the document's Pass/Fail object, its settings and its language table.
    explicit CPassFailWindow(CTarnixDoc& doc, QWidget* parent = nullptr);

    // Reloads the controls from the stored state (start-up, Load Setups, Factory Setup).
    void Refresh();
    // Language change: captions, the title, the list texts.
    void Relabel();
    // After the tick's test of one frame: the counters, and the controls when the output stopped it.
    void OnFrameTested(const FrameTestResult& result);
    // Utility/Pass/Fail: marks the panel shown, centres it over `screen` and shows it.
    void ShowCentredOver(const QWidget* screen);

    // The buttons' actions.
    void CreateMask();
    void StartTest();
    void StopTest();
    void SaveMask();
    void LoadMask();
    // Closing the window (its close button or Escape) ends the test and restarts the acquisition.
    void ClosePanel();

    SaveFileChooser chooseSaveFile = ChooseSaveFile;
    SaveFileChooser chooseOpenFile = ChooseOpenFile;
    MessageShower showMessage = ShowMessageBox;

    QComboBox* SourceList() const { return source_; }
    QComboBox* OutputList() const { return output_; }
    QCheckBox* StopWhenOutputBox() const { return stopWhenOutput_; }
    CToleranceEdit* VerticalEdit() const { return vertical_; }
    CToleranceEdit* HorizontalEdit() const { return horizontal_; }
    QPushButton* CreateButton() const { return create_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* StopButton() const { return stop_; }
    QLabel* FailCount() const { return fail_; }
    QLabel* PassCount() const { return pass_; }
    QLabel* TotalCount() const { return total_; }

signals:
    // The acquisition was started or stopped by the panel: the view shows the run state.
    void runStateChanged();
    // "Create" switched the source channel on: the sidebar shows it.
    void channelSwitchedOn(int channel);
    // The panel was closed: the sidebar's format list is enabled again.
    void panelClosed();

protected:
    // The close button and Escape both end here.
    void reject() override;

private:
    void BuildLayout();
    void FillLists();
    void ShowCounts();
    void ShowZeroCounts();
    void ShowStoredSettings();
    void ApplyControls();
    int EditValue(CToleranceEdit* edit) const;

    CTarnixDoc& doc_;
    CPassFail& passFail_;
    const CLanguageTable* language_;

    QComboBox* source_ = nullptr;
    QComboBox* output_ = nullptr;
    QCheckBox* stopWhenOutput_ = nullptr;
    CToleranceEdit* vertical_ = nullptr;
    CToleranceEdit* horizontal_ = nullptr;
    QPushButton* create_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* fail_ = nullptr;
    QLabel* pass_ = nullptr;
    QLabel* total_ = nullptr;
};

} // namespace tarnix
