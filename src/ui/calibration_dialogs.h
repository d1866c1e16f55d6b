// The Zero Calibration dialog (modal, created per command) and the Calibrate Data dialog (modeless,
// created once with the view). Their rules live in document/zero_calibration.h; these only show them.
#pragma once

#include <QDialog>
#include <QTimer>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tarnix {

class CTarnixDoc;
class CZeroCalibration;

class CZeroCalibrationDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 207;
    static constexpr int kTimerMs = 500;

    CZeroCalibrationDialog(CTarnixDoc& doc, CZeroCalibration& calibration, QWidget* parent = nullptr);

    QStringList Lines() const;
    QCheckBox& Ch1Box() { return *ch1_; }
    QCheckBox& Ch2Box() { return *ch2_; }
    QPushButton& StartButton() { return *start_; }
    QPushButton& CloseButton() { return *close_; }
    const QTimer& ProgressTimer() const { return timer_; }

public slots:
    // Start, or Stop while calibration runs.
    void OnStartStop();
    // One tick of the 500 ms timer: rebuilds the list when the step changed, ends when it is over.
    void OnProgressTimer();

protected:
    // Closing the dialog in any way stops a calibration in progress (nothing is written then).
    void done(int result) override;

private:
    void Stopped();
    void SetRunningControls(bool running);
    void SetLines(const std::vector<std::string>& lines);
    void AddLine(const char* line);
    QString Text(int key, const char* fallback) const;
    QString ControlText(int controlId, const char* fallback) const;

    CTarnixDoc& doc_;
    CZeroCalibration& calibration_;
    QListWidget* list_ = nullptr;
    QCheckBox* ch1_ = nullptr;
    QCheckBox* ch2_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* close_ = nullptr;
    QTimer timer_;
    int shownStep_ = -1;
    bool running_ = false;
};

class CCalibrateDataDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 223;

    explicit CCalibrateDataDialog(CTarnixDoc& doc, QWidget* parent = nullptr);

    // Reloads the level and the model's range texts (after Factory Setup, a language change, a setup load
    // or a new instrument).
    void Refresh();
    // Centres the dialog on the waveform screen, refreshes it and shows it.
    void ShowCentredOn(QWidget* screen);

    QLineEdit& LevelEdit() { return *edit_; }
    QLabel& RangeLabel() { return *range_; }
    QLabel& NoteLabel() { return *note_; }

private slots:
    void OnLevelEdited(const QString& text);

private:
    CTarnixDoc& doc_;
    QLabel* levelLabel_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QLabel* range_ = nullptr;
    QLabel* note_ = nullptr;
    bool refreshing_ = false;
};

} // namespace tarnix
