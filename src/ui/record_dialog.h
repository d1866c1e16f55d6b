// The Record And Play Back panel: a modal dialog over the document's recorder. Every control forwards
// to the recorder and then shows the recorder's panel state again, so the control rules live in one
// place (recorder/recorder.h). Recording and playing run on the panel's own timer, which tests replace.
#pragma once

#include <QDialog>
#include <QSpinBox>
#include <QTimer>
#include <memory>

#include "recorder/recorder.h"
#include "ui/command_table.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace tarnix {

class CTarnixDoc;
class IUserNotifier;

// The panel's timer 1 on a QTimer.
class CQtPanelTimer final : public IPanelTimer {
public:
    explicit CQtPanelTimer(QTimer& timer) : timer_(timer) {}
    void Start(int intervalMs) override;
    void Stop() override;

private:
    QTimer& timer_;
};

// A frame or interval edit: at most `maxDigits` characters may be typed and any such number is taken
// (the recorder clamps it), while the spin buttons stay inside 1..spinMaximum.
class CRecorderEdit : public QSpinBox {
    Q_OBJECT

public:
    CRecorderEdit(int maxDigits, int spinMaximum, QWidget* parent = nullptr);
    void SetSpinMaximum(int maximum);
    int SpinMaximum() const { return spinMaximum_; }
    // Shows a value without reporting it as the user's.
    void Show(int value);
    void stepBy(int steps) override;

signals:
    // The user typed or stepped to a value.
    void userValue(int value);

protected:
    StepEnabled stepEnabled() const override;

private:
    int spinMaximum_;
    bool showing_ = false;
};

class CRecordDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 203;

    // `timer` null: the panel's own QTimer. `notifier` null: message boxes. `chooseFile` empty: the
    // platform file dialogs.
    CRecordDialog(CTarnixDoc& doc, QWidget* parent = nullptr, IPanelTimer* timer = nullptr,
                  IUserNotifier* notifier = nullptr, FileChooser chooseFile = {});
    ~CRecordDialog() override;

    // The buttons and the timer tick, as the user and the panel timer reach them.
    void OnRecordButton();
    void OnPlayButton();
    void OnPanelTimer();
    void OnSave();
    void OnLoad();
    // Brings every control into the state of the recorder's panel.
    void ShowPanel();

    QComboBox* SourceList() const { return source_; }
    CRecorderEdit* RecordEndEdit() const { return recordEnd_; }
    CRecorderEdit* RecordIntervalEdit() const { return recordInterval_; }
    CRecorderEdit* PlayIntervalEdit() const { return playInterval_; }
    CRecorderEdit* StartFrameEdit() const { return startFrame_; }
    CRecorderEdit* PlayEndEdit() const { return playEnd_; }
    CRecorderEdit* CurrentFrameEdit() const { return currentFrame_; }
    QCheckBox* RepeatBox() const { return repeat_; }
    QLabel* RecordedCount() const { return recorded_; }
    QPushButton* RecordButton() const { return record_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* PlayButton() const { return play_; }
    QPushButton* LoadButton() const { return load_; }

protected:
    // Closing in any way ends a running recording or playback.
    void done(int result) override;

private:
    void Message(const std::string& text);
    std::string ChooseFile(const FileDialogRequest& request);
    QString Text(int key, const char* fallback) const;

    CTarnixDoc& doc_;
    QTimer qtTimer_;
    std::unique_ptr<CQtPanelTimer> ownTimer_;
    IPanelTimer* timer_;
    IUserNotifier* notifier_;
    FileChooser chooseFile_;
    bool closed_ = false;

    QComboBox* source_ = nullptr;
    CRecorderEdit* recordEnd_ = nullptr;
    CRecorderEdit* recordInterval_ = nullptr;
    CRecorderEdit* playInterval_ = nullptr;
    CRecorderEdit* startFrame_ = nullptr;
    CRecorderEdit* playEnd_ = nullptr;
    CRecorderEdit* currentFrame_ = nullptr;
    QCheckBox* repeat_ = nullptr;
    QLabel* recorded_ = nullptr;
    QPushButton* record_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* load_ = nullptr;
};

// Utility/Record: the document's Y-T check, then the panel modally.
void RunRecordDialog(CTarnixDoc& doc, QWidget* parent, IUserNotifier* notifier = nullptr);

} // namespace tarnix
