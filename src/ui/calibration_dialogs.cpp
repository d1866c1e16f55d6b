#include "document/tarnix_doc.h"
#include "document/zero_calibration.h"
#include "language/control_ids.h"

#include "ui/calibration_dialogs.h"
#include "ui/widget_helpers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnix {

namespace {

// Every captioned control carries its ID, so a language change relabels it like any other window.
constexpr char kControlIdProperty[] = "tarnixControlId";

template <typename Widget> Widget* Labelled(Widget* widget, int controlId) {
    widget->setProperty(kControlIdProperty, controlId);
    return widget;
}

QString FromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString DocText(const CTarnixDoc& doc, int key, const char* fallback) {
    const std::string text = doc.language.LookupText(key);
    return text.empty() ? QString::fromUtf8(fallback) : FromStd(text);
}

QString DocControlText(const CTarnixDoc& doc, int controlId, const char* fallback) {
    const std::optional<std::string> text = doc.language.FindControlText(controlId);
    return text ? FromStd(*text) : QString::fromUtf8(fallback);
}

} // namespace

// ---- Zero Calibration ----

CZeroCalibrationDialog::CZeroCalibrationDialog(CTarnixDoc& doc, CZeroCalibration& calibration,
                                               QWidget* parent)
    : QDialog(parent), doc_(doc), calibration_(calibration) {
    setModal(true);
    setWindowTitle(Text(kTemplateId, "Zero Calibration"));

    auto* caution = Labelled(new QGroupBox(ControlText(ctl::kSearchCautionGroup, "Caution"), this),
                             ctl::kSearchCautionGroup);
    auto* cautionText = Labelled(
        new QLabel(
            ControlText(ctl::kCalCaution,
                        "Short the inputs of the channels to be calibrated to ground, then press Start."),
            caution),
        ctl::kCalCaution);
    cautionText->setWordWrap(true);
    auto* cautionLayout = new QVBoxLayout(caution);
    cautionLayout->addWidget(cautionText);

    auto* progressLabel =
        Labelled(new QLabel(ControlText(ctl::kCalProgressLabel, "Calibration Progress"), this),
                 ctl::kCalProgressLabel);
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::NoSelection);

    ch1_ = Labelled(new QCheckBox(ControlText(ctl::kCh1Caption, "CH1"), this), ctl::kCh1Caption);
    ch2_ = Labelled(new QCheckBox(ControlText(ctl::kCh2Caption, "CH2"), this), ctl::kCh2Caption);
    ch1_->setChecked(true);
    ch2_->setChecked(true);
    // The Start button's caption changes with the state; it is relabelled from the texts 32872/32876.
    start_ = new QPushButton(Text(kTextCalibrationStart, "Start"), this);
    close_ = Labelled(new QPushButton(ControlText(ctl::kClose, "Close"), this), ctl::kClose);
    start_->setAutoDefault(false);
    close_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ch1_);
    buttons->addWidget(ch2_);
    buttons->addStretch(1);
    buttons->addWidget(start_);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caution);
    layout->addWidget(progressLabel);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    AddLine(kCalibrationPrepareLine);
    AddLine(kCalibrationPleaseStartLine);

    timer_.setInterval(kTimerMs);
    connect(&timer_, &QTimer::timeout, this, &CZeroCalibrationDialog::OnProgressTimer);
    connect(start_, &QPushButton::clicked, this, &CZeroCalibrationDialog::OnStartStop);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
}

QString CZeroCalibrationDialog::Text(int key, const char* fallback) const {
    return DocText(doc_, key, fallback);
}

QString CZeroCalibrationDialog::ControlText(int controlId, const char* fallback) const {
    return DocControlText(doc_, controlId, fallback);
}

QStringList CZeroCalibrationDialog::Lines() const {
    QStringList lines;
    for (int i = 0; i < list_->count(); ++i) {
        lines.append(list_->item(i)->text());
    }
    return lines;
}

void CZeroCalibrationDialog::AddLine(const char* line) {
    list_->addItem(QString::fromUtf8(line));
}

void CZeroCalibrationDialog::SetLines(const std::vector<std::string>& lines) {
    list_->clear();
    for (const std::string& line : lines) {
        list_->addItem(FromStd(line));
    }
}

void CZeroCalibrationDialog::SetRunningControls(bool running) {
    ch1_->setEnabled(!running);
    ch2_->setEnabled(!running);
    start_->setText(running ? Text(kTextCalibrationStop, "Stop") : Text(kTextCalibrationStart, "Start"));
}

void CZeroCalibrationDialog::OnStartStop() {
    if (running_) {
        Stopped();
        return;
    }
    if (!calibration_.Start(ch1_->isChecked(), ch2_->isChecked())) {
        return; // neither channel ticked
    }
    running_ = true;
    SetRunningControls(true);
    list_->clear();
    AddLine(kCalibrationPrepareLine);
    AddLine(kCalibrationStartedLine);
    shownStep_ = kCalibrationIdle;
    timer_.start();
}

void CZeroCalibrationDialog::OnProgressTimer() {
    const int step = doc_.calibrationStep;
    if (step != shownStep_) {
        shownStep_ = step;
        SetLines(CalibrationProgressLines(step, calibration_.Ch1Selected(), calibration_.Ch2Selected()));
        if (step == kCalibrationIdle) {
            SetRunningControls(false);
            timer_.stop();
        }
    }
    if (!calibration_.InProgress()) {
        Stopped();
    }
}

void CZeroCalibrationDialog::Stopped() {
    calibration_.Finish();
    timer_.stop();
    AddLine(kCalibrationStopLine);
    running_ = false;
    SetRunningControls(false);
}

void CZeroCalibrationDialog::done(int result) {
    if (running_) {
        Stopped();
    }
    QDialog::done(result);
}

// ---- Calibrate Data ----

CCalibrateDataDialog::CCalibrateDataDialog(CTarnixDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setModal(false);
    setWindowTitle(QStringLiteral("Calibrate Data"));
    levelLabel_ = Labelled(new QLabel(this), ctl::kCalDataLevelLabel);
    edit_ = new QLineEdit(this);
    edit_->setMaxLength(2);
    edit_->setValidator(new QIntValidator(0, 99, edit_));
    edit_->setFixedWidth(40);
    range_ = new QLabel(this);
    note_ = Labelled(new QLabel(this), ctl::kCalDataNegativeNote);

    auto* layout = new QGridLayout(this);
    layout->addWidget(levelLabel_, 0, 0);
    layout->addWidget(edit_, 0, 1);
    layout->addWidget(range_, 0, 2);
    layout->addWidget(note_, 1, 0, 1, 3);

    connect(edit_, &QLineEdit::textChanged, this, &CCalibrateDataDialog::OnLevelEdited);
    Refresh();
}

void CCalibrateDataDialog::Refresh() {
    const bool wide = CalibrationLevelMax(doc_.settings.model) > 10;
    levelLabel_->setText(DocControlText(doc_, ctl::kCalDataLevelLabel, "Calibration Level"));
    const int rangeId = wide ? ctl::kCalDataRange20 : ctl::kCalDataRange10;
    range_->setProperty(kControlIdProperty, rangeId);
    range_->setText(DocControlText(doc_, rangeId, wide ? "(0 ~ 20)" : "(0 ~ 10)"));
    note_->setText(DocControlText(doc_, ctl::kCalDataNegativeNote, "11 ~ 20 stand for -1 ~ -10"));
    note_->setVisible(wide);

    refreshing_ = true;
    edit_->setText(QString::number(doc_.link.calibrationLevel));
    refreshing_ = false;
}

void CCalibrateDataDialog::ShowCentredOn(QWidget* screen) {
    Refresh();
    ShowCentredOver(*this, screen);
}

void CCalibrateDataDialog::OnLevelEdited(const QString& text) {
    if (refreshing_ || text.isEmpty()) {
        return; // an emptied edit is a value being retyped, not a level of 0
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok) {
        return;
    }
    const CalibrationLevelEdit edit = ApplyCalibrationLevelEdit(doc_.link, doc_.settings.model, value);
    const QString shown = QString::number(edit.value);
    if (shown != text) {
        // The clamped value goes back into the edit; it equals the stored level, so nothing more is sent.
        refreshing_ = true;
        edit_->setText(shown);
        refreshing_ = false;
    }
}

} // namespace tarnix
