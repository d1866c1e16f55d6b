#include "document/tarnix_doc.h"

#include "ui/record_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "document/user_notifier.h"
#include "ui/menu_ex.h"
#include "ui/relabel.h"
#include "ui/widget_helpers.h"

namespace tarnix {
namespace {

constexpr int kMaxFrames = 1000;
constexpr int kFrameDigits = 4;
constexpr int kIntervalDigits = 5;

// Control IDs of the panel's captions (the language relabels them).
constexpr int kIdRecordGroup = 1159;
constexpr int kIdSource = 1113;
constexpr int kIdEndFrame = 1160;
constexpr int kIdTimeInterval = 1161;
constexpr int kIdMs = 1162;
constexpr int kIdRecordCount = 1163;
constexpr int kIdSave = 1116;
constexpr int kIdPlayGroup = 1164;
constexpr int kIdStartFrame = 1165;
constexpr int kIdCurrentFrame = 1166;
constexpr int kIdRepeat = 1167;
constexpr int kIdLoad = 1117;

QLabel* Caption(QWidget* parent, int id, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    SetControlId(label, id);
    return label;
}

int PowerOfTen(int digits) {
    int value = 1;
    for (int i = 0; i < digits; ++i) {
        value *= 10;
    }
    return value;
}

} // namespace

// ---- CQtPanelTimer ------------------------------------------------------------------------------

void CQtPanelTimer::Start(int intervalMs) {
    timer_.start(std::max(1, intervalMs));
}

void CQtPanelTimer::Stop() {
    timer_.stop();
}

// ---- CRecorderEdit ------------------------------------------------------------------------------

CRecorderEdit::CRecorderEdit(int maxDigits, int spinMaximum, QWidget* parent)
    : QSpinBox(parent), spinMaximum_(spinMaximum) {
    // Any number of the allowed length can be typed; the recorder decides what it becomes.
    setRange(0, PowerOfTen(maxDigits) - 1);
    lineEdit()->setMaxLength(maxDigits);
    // A typed value counts when it is confirmed, so partial numbers never reach the recorder.
    setKeyboardTracking(false);
    connect(this, &QSpinBox::valueChanged, this, [this](int value) {
        if (!showing_) {
            emit userValue(value);
        }
    });
}

void CRecorderEdit::SetSpinMaximum(int maximum) {
    spinMaximum_ = std::max(1, maximum);
}

void CRecorderEdit::Show(int value) {
    showing_ = true;
    setValue(value);
    showing_ = false;
}

void CRecorderEdit::stepBy(int steps) {
    const int next = std::clamp(value() + steps, 1, spinMaximum_);
    if (next != value()) {
        setValue(next);
    }
}

QAbstractSpinBox::StepEnabled CRecorderEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < spinMaximum_) {
        enabled |= StepUpEnabled;
    }
    if (value() > 1) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

// ---- CRecordDialog ------------------------------------------------------------------------------

CRecordDialog::CRecordDialog(CTarnixDoc& doc, QWidget* parent, IPanelTimer* timer, IUserNotifier* notifier,
                             FileChooser chooseFile)
    : QDialog(parent), doc_(doc), timer_(timer), notifier_(notifier), chooseFile_(std::move(chooseFile)) {
    if (timer_ == nullptr) {
        ownTimer_ = std::make_unique<CQtPanelTimer>(qtTimer_);
        // A coarse timer may fire early; the interval is the least time between two frames.
        qtTimer_.setTimerType(Qt::PreciseTimer);
        timer_ = ownTimer_.get();
        connect(&qtTimer_, &QTimer::timeout, this, &CRecordDialog::OnPanelTimer);
    }
    setWindowTitle(QStringLiteral("Record And Play Back"));

    auto* recordGroup = new QGroupBox(QStringLiteral("Record Setup"), this);
    SetControlId(recordGroup, kIdRecordGroup);
    source_ = new QComboBox(recordGroup);
    source_->addItem(QStringLiteral("CH1"));
    source_->addItem(QStringLiteral("CH2"));
    recordEnd_ = new CRecorderEdit(kFrameDigits, kMaxFrames, recordGroup);
    recordInterval_ = new CRecorderEdit(kIntervalDigits, kMaxRecorderInterval, recordGroup);
    recorded_ = new QLabel(recordGroup);
    recorded_->setMinimumWidth(40);
    record_ = new QPushButton(recordGroup);
    save_ = new QPushButton(QStringLiteral("Save"), recordGroup);
    SetControlId(save_, kIdSave);
    auto* recordGrid = new QGridLayout(recordGroup);
    recordGrid->addWidget(Caption(recordGroup, kIdSource, "Source"), 0, 0);
    recordGrid->addWidget(source_, 0, 1);
    recordGrid->addWidget(Caption(recordGroup, kIdEndFrame, "End Frame"), 1, 0);
    recordGrid->addWidget(recordEnd_, 1, 1);
    recordGrid->addWidget(Caption(recordGroup, kIdTimeInterval, "Time Interval"), 2, 0);
    recordGrid->addWidget(recordInterval_, 2, 1);
    recordGrid->addWidget(Caption(recordGroup, kIdMs, "(ms)"), 2, 2);
    recordGrid->addWidget(Caption(recordGroup, kIdRecordCount, "Record :"), 3, 0);
    recordGrid->addWidget(recorded_, 3, 1);
    recordGrid->addWidget(record_, 4, 0);
    recordGrid->addWidget(save_, 4, 1);

    auto* playGroup = new QGroupBox(QStringLiteral("Play Back Setup"), this);
    SetControlId(playGroup, kIdPlayGroup);
    playInterval_ = new CRecorderEdit(kIntervalDigits, kMaxRecorderInterval, playGroup);
    startFrame_ = new CRecorderEdit(kFrameDigits, kMaxFrames, playGroup);
    playEnd_ = new CRecorderEdit(kFrameDigits, kMaxFrames, playGroup);
    currentFrame_ = new CRecorderEdit(kFrameDigits, kMaxFrames, playGroup);
    repeat_ = new QCheckBox(QStringLiteral("Repeat"), playGroup);
    SetControlId(repeat_, kIdRepeat);
    play_ = new QPushButton(playGroup);
    load_ = new QPushButton(QStringLiteral("Load"), playGroup);
    SetControlId(load_, kIdLoad);
    auto* playGrid = new QGridLayout(playGroup);
    playGrid->addWidget(Caption(playGroup, kIdTimeInterval, "Time Interval"), 0, 0);
    playGrid->addWidget(playInterval_, 0, 1);
    playGrid->addWidget(Caption(playGroup, kIdMs, "(ms)"), 0, 2);
    playGrid->addWidget(Caption(playGroup, kIdStartFrame, "Start Frame"), 1, 0);
    playGrid->addWidget(startFrame_, 1, 1);
    playGrid->addWidget(Caption(playGroup, kIdEndFrame, "End Frame"), 2, 0);
    playGrid->addWidget(playEnd_, 2, 1);
    playGrid->addWidget(Caption(playGroup, kIdCurrentFrame, "Current Frame"), 3, 0);
    playGrid->addWidget(currentFrame_, 3, 1);
    playGrid->addWidget(repeat_, 4, 0, 1, 2);
    playGrid->addWidget(play_, 5, 0);
    playGrid->addWidget(load_, 5, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(recordGroup);
    layout->addWidget(playGroup);

    CRecorder& recorder = doc_.recorder;
    connect(source_, &QComboBox::activated, this, [this, &recorder](int index) {
        recorder.SetSource(index);
        ShowPanel();
    });
    connect(recordEnd_, &CRecorderEdit::userValue, this,
            [this, &recorder](int v) { recordEnd_->Show(recorder.SetRecordEndFrame(v)); });
    connect(recordInterval_, &CRecorderEdit::userValue, this,
            [this, &recorder](int v) { recordInterval_->Show(recorder.SetRecordInterval(v)); });
    connect(playInterval_, &CRecorderEdit::userValue, this,
            [this, &recorder](int v) { playInterval_->Show(recorder.SetPlayInterval(v)); });
    connect(startFrame_, &CRecorderEdit::userValue, this, [this, &recorder](int v) {
        recorder.SetStartFrame(v);
        ShowPanel();
    });
    connect(playEnd_, &CRecorderEdit::userValue, this, [this, &recorder](int v) {
        recorder.SetPlayEndFrame(v);
        ShowPanel();
    });
    connect(currentFrame_, &CRecorderEdit::userValue, this, [this](int v) {
        doc_.SetRecorderCurrentFrame(v);
        ShowPanel();
    });
    connect(repeat_, &QCheckBox::clicked, this, [&recorder](bool on) { recorder.SetRepeat(on); });
    connect(record_, &QPushButton::clicked, this, &CRecordDialog::OnRecordButton);
    connect(play_, &QPushButton::clicked, this, &CRecordDialog::OnPlayButton);
    connect(save_, &QPushButton::clicked, this, &CRecordDialog::OnSave);
    connect(load_, &QPushButton::clicked, this, &CRecordDialog::OnLoad);

    // The panel relabels itself as it opens.
    RelabelWindow(this, doc_.language);
    RelabelTitle(this, kTemplateId, doc_.language);
    ShowPanel();
}

CRecordDialog::~CRecordDialog() {
    if (!closed_) {
        doc_.CloseRecorder(*timer_);
    }
}

QString CRecordDialog::Text(int key, const char* fallback) const {
    const std::string text = doc_.Text(key);
    return text.empty() ? QString::fromUtf8(fallback) : ToQString(text);
}

void CRecordDialog::ShowPanel() {
    const CRecorder& recorder = doc_.recorder;
    const RecorderPanel& panel = recorder.Panel();
    source_->setCurrentIndex(std::clamp(panel.source, 0, 1));
    recordEnd_->Show(panel.recordEndFrame);
    recordInterval_->Show(panel.recordInterval);
    playInterval_->Show(panel.playInterval);
    startFrame_->SetSpinMaximum(panel.startFrameSpinMax);
    startFrame_->Show(panel.startFrame);
    playEnd_->SetSpinMaximum(panel.playEndSpinMax);
    playEnd_->Show(panel.playEndFrame);
    currentFrame_->SetSpinMaximum(panel.currentFrameSpinMax);
    currentFrame_->Show(panel.currentFrame);
    repeat_->setChecked(panel.repeat);
    recorded_->setText(QString::number(panel.recordedCount));
    record_->setText(Text(panel.recordButtonText, panel.recordButtonText == kTextStart ? "Start" : "Stop"));
    play_->setText(Text(panel.playButtonText, panel.playButtonText == kTextPlay ? "Play" : "Stop"));

    // While recording or playing only the button that stops it stays usable.
    const bool idle = panel.controlsEnabled;
    for (QWidget* control :
         std::initializer_list<QWidget*>{source_, recordEnd_, recordInterval_, playInterval_, startFrame_,
                                         playEnd_, currentFrame_, repeat_, load_}) {
        control->setEnabled(idle);
    }
    record_->setEnabled(idle || recorder.Recording());
    play_->setEnabled((idle && panel.playEnabled) || recorder.Playing());
    save_->setEnabled(idle && panel.saveEnabled);
}

void CRecordDialog::OnRecordButton() {
    doc_.PressRecord(*timer_);
    ShowPanel();
}

void CRecordDialog::OnPlayButton() {
    doc_.PressPlay(*timer_);
    ShowPanel();
}

void CRecordDialog::OnPanelTimer() {
    doc_.RecorderTimerTick(*timer_);
    ShowPanel();
}

void CRecordDialog::OnSave() {
    const std::string path = ChooseFile({true, QStringLiteral("Save Record Data As..."),
                                         QStringLiteral("rec"), QStringLiteral("Record File(*.rec)")});
    if (!path.empty()) {
        Message(doc_.SaveRec(path).message);
    }
}

void CRecordDialog::OnLoad() {
    const std::string path = ChooseFile({false, QStringLiteral("Load Record File..."), QStringLiteral("rec"),
                                         QStringLiteral("Record File(*.rec);;All Files(*.*)")});
    if (path.empty()) {
        return;
    }
    Message(doc_.LoadRec(path).message);
    ShowPanel();
}

void CRecordDialog::done(int result) {
    if (!closed_) {
        closed_ = true;
        doc_.CloseRecorder(*timer_);
    }
    QDialog::done(result);
}

void CRecordDialog::Message(const std::string& text) {
    if (text.empty()) {
        return;
    }
    if (notifier_ != nullptr) {
        notifier_->ShowMessage("Error", text);
    } else {
        QMessageBox::warning(this, QStringLiteral("Error"), ToQString(text));
    }
}

std::string CRecordDialog::ChooseFile(const FileDialogRequest& request) {
    return chooseFile_ ? chooseFile_(request) : ChooseFileWithDialog(this, request);
}

void RunRecordDialog(CTarnixDoc& doc, QWidget* parent, IUserNotifier* notifier) {
    if (!doc.OpenRecorder()) {
        return;
    }
    CRecordDialog dialog(doc, parent, nullptr, notifier);
    TakeWheelOnlyWithFocus(&dialog);
    dialog.exec();
}

} // namespace tarnix
