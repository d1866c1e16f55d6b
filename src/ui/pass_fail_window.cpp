#include "document/tarnix_doc.h"

#include "ui/pass_fail_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "files/file_result.h"
#include "language/control_ids.h"
#include "language/language_table.h"
#include "ui/relabel.h"
#include "ui/widget_helpers.h"

namespace tarnix {

namespace {

constexpr int kPassFailTemplate = 204; // the title's language key
constexpr int kToleranceDigits = 3;

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* Button(const CLanguageTable* language, int controlId, std::string_view fallback,
                    QWidget* parent) {
    auto* button = new QPushButton(PanelText(language, controlId, fallback), parent);
    SetControlId(button, controlId);
    button->setAutoDefault(false);
    return button;
}

QGroupBox* Group(const CLanguageTable* language, int controlId, std::string_view fallback, QWidget* parent) {
    auto* group = new QGroupBox(PanelText(language, controlId, fallback), parent);
    SetControlId(group, controlId);
    return group;
}

} // namespace

CToleranceEdit::CToleranceEdit(int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(1, maximum);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    lineEdit()->setMaxLength(kToleranceDigits);
}

QValidator::State CToleranceEdit::validate(QString& input, int& /*pos*/) const {
    // Any number of up to three digits may stand while typing; leaving the edit corrects it.
    if (input.isEmpty()) {
        return QValidator::Intermediate;
    }
    if (input.size() > kToleranceDigits ||
        !std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c.isDigit(); })) {
        return QValidator::Invalid;
    }
    const int value = input.toInt();
    return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

CPassFailWindow::CPassFailWindow(CTarnixDoc& doc, QWidget* parent)
    : QDialog(parent), doc_(doc), passFail_(doc.passFail), language_(&doc.language) {
    setModal(false);
    setWindowTitle(PanelText(language_, kPassFailTemplate, "Pass/Fail"));
    BuildLayout();
    Refresh();
}

void CPassFailWindow::BuildLayout() {
    auto* top = new QVBoxLayout(this);

    auto* control = Group(language_, ctl::kPfControlGroup, "Control Setting", this);
    auto* controlGrid = new QGridLayout(control);
    source_ = new QComboBox(control);
    output_ = new QComboBox(control);
    stopWhenOutput_ =
        new QCheckBox(PanelText(language_, ctl::kPfStopWhenOutput, "Stop When Output"), control);
    SetControlId(stopWhenOutput_, ctl::kPfStopWhenOutput);
    controlGrid->addWidget(PanelCaption(language_, ctl::kSourceLabel, "Source", control), 0, 0);
    controlGrid->addWidget(source_, 0, 1);
    controlGrid->addWidget(PanelCaption(language_, ctl::kPfOutputLabel, "Output", control), 1, 0);
    controlGrid->addWidget(output_, 1, 1);
    controlGrid->addWidget(stopWhenOutput_, 2, 0, 1, 2);
    top->addWidget(control);

    auto* mask = Group(language_, ctl::kPfMaskGroup, "Mask Setting", this);
    auto* maskGrid = new QGridLayout(mask);
    vertical_ = new CToleranceEdit(kVerticalPanelMax, mask);
    horizontal_ = new CToleranceEdit(kHorizontalPanelMax, mask);
    maskGrid->addWidget(PanelCaption(language_, ctl::kVerticalLabel, "Vertical", mask), 0, 0);
    maskGrid->addWidget(vertical_, 0, 1);
    maskGrid->addWidget(PanelCaption(language_, ctl::kPfVerticalUnit, "(DIV / 32)", mask), 0, 2);
    maskGrid->addWidget(PanelCaption(language_, ctl::kSideHorizontalGroup, "Horizontal", mask), 1, 0);
    maskGrid->addWidget(horizontal_, 1, 1);
    maskGrid->addWidget(PanelCaption(language_, ctl::kPfHorizontalUnit, "(DIV / 50)", mask), 1, 2);
    auto* maskButtons = new QHBoxLayout;
    create_ = Button(language_, ctl::kPfCreate, "Create", mask);
    save_ = Button(language_, ctl::kSaveButton, "Save", mask);
    load_ = Button(language_, ctl::kLoadButton, "Load", mask);
    maskButtons->addWidget(create_);
    maskButtons->addWidget(save_);
    maskButtons->addWidget(load_);
    maskGrid->addLayout(maskButtons, 2, 0, 1, 3);
    top->addWidget(mask);

    auto* info = Group(language_, ctl::kPfInfoGroup, "Information Display", this);
    auto* infoGrid = new QGridLayout(info);
    fail_ = new QLabel(info);
    pass_ = new QLabel(info);
    total_ = new QLabel(info);
    const std::array<QLabel*, 3> counts = {fail_, pass_, total_};
    const std::array<int, 3> ids = {ctl::kPfFailLabel, ctl::kPfPassLabel, ctl::kPfTotalLabel};
    const std::array<std::string_view, 3> captions = {"Fail :", "Pass :", "Total :"};
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const int row = static_cast<int>(i);
        counts[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        infoGrid->addWidget(PanelCaption(language_, ids[i], captions[i], info), row, 0);
        infoGrid->addWidget(counts[i], row, 1);
        infoGrid->addWidget(PanelCaption(language_, ctl::kPfFramesUnit, "wfs", info), row, 2);
    }
    top->addWidget(info);

    auto* operation = Group(language_, ctl::kPfOperationGroup, "Operation", this);
    auto* operationRow = new QHBoxLayout(operation);
    start_ = Button(language_, ctl::kStartButton, "Start", operation);
    stop_ = Button(language_, ctl::kStopButton, "Stop", operation);
    operationRow->addWidget(start_);
    operationRow->addWidget(stop_);
    top->addWidget(operation);

    FillLists();

    connect(output_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            passFail_.State().output = static_cast<std::uint16_t>(index);
        }
    });
    connect(stopWhenOutput_, &QCheckBox::toggled, this,
            [this](bool on) { passFail_.State().stopWhenOutput = on ? 1 : 0; });
    connect(create_, &QPushButton::clicked, this, &CPassFailWindow::CreateMask);
    connect(save_, &QPushButton::clicked, this, &CPassFailWindow::SaveMask);
    connect(load_, &QPushButton::clicked, this, &CPassFailWindow::LoadMask);
    connect(start_, &QPushButton::clicked, this, &CPassFailWindow::StartTest);
    connect(stop_, &QPushButton::clicked, this, &CPassFailWindow::StopTest);
}

void CPassFailWindow::FillLists() {
    const QSignalBlocker b1(source_);
    const QSignalBlocker b2(output_);
    const int source = source_->currentIndex();
    const int output = output_->currentIndex();
    source_->clear();
    output_->clear();
    for (int i = 0; i <= 1; ++i) {
        source_->addItem(Q(PassFailSourceLabel(i)));
    }
    for (int i = kOutputFail; i <= kOutputPassBeep; ++i) {
        output_->addItem(Q(PassFailOutputLabel(i)));
    }
    source_->setCurrentIndex(std::max(source, 0));
    output_->setCurrentIndex(std::max(output, 0));
}

void CPassFailWindow::ShowCounts() {
    const PassFailState& s = passFail_.State();
    fail_->setText(QString::number(static_cast<qulonglong>(s.failCount)));
    pass_->setText(QString::number(static_cast<qulonglong>(s.passCount)));
    total_->setText(QString::number(static_cast<qulonglong>(s.totalCount)));
}

void CPassFailWindow::ShowZeroCounts() {
    fail_->setText(QStringLiteral("0"));
    pass_->setText(QStringLiteral("0"));
    total_->setText(QStringLiteral("0"));
}

void CPassFailWindow::ShowStoredSettings() {
    const PassFailState& s = passFail_.State();
    const QSignalBlocker b1(source_);
    const QSignalBlocker b2(output_);
    const QSignalBlocker b3(stopWhenOutput_);
    source_->setCurrentIndex(s.source <= 1 ? s.source : 0);
    output_->setCurrentIndex(s.output <= kOutputPassBeep ? s.output : 0);
    stopWhenOutput_->setChecked(s.stopWhenOutput != 0);
    vertical_->setValue(passFail_.VerticalPanelValue());
    horizontal_->setValue(passFail_.HorizontalPanelValue());
}

void CPassFailWindow::ApplyControls() {
    const PassFailControls controls = passFail_.Controls();
    start_->setEnabled(controls.startEnabled);
    stop_->setEnabled(controls.stopEnabled);
    for (QWidget* w : {static_cast<QWidget*>(source_), static_cast<QWidget*>(vertical_),
                       static_cast<QWidget*>(horizontal_), static_cast<QWidget*>(create_)}) {
        w->setEnabled(controls.settingsEnabled);
    }
}

int CPassFailWindow::EditValue(CToleranceEdit* edit) const {
    // The typed text counts even when the edit still has the focus; out of range it is replaced by the
    // nearest end of the range, as leaving the edit would.
    bool ok = false;
    const int typed = edit->text().toInt(&ok);
    const int value = ok ? std::clamp(typed, edit->minimum(), edit->maximum()) : edit->value();
    edit->setValue(value);
    return value;
}

void CPassFailWindow::Refresh() {
    FillLists();
    ShowStoredSettings();
    ShowCounts();
    start_->setEnabled(true);
    stop_->setEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(source_), static_cast<QWidget*>(vertical_),
                       static_cast<QWidget*>(horizontal_), static_cast<QWidget*>(create_)}) {
        w->setEnabled(true);
    }
}

void CPassFailWindow::Relabel() {
    if (language_ != nullptr) {
        RelabelWindow(this, *language_);
        RelabelTitle(this, kPassFailTemplate, *language_);
    }
    FillLists();
}

void CPassFailWindow::OnFrameTested(const FrameTestResult& result) {
    if (!result.tested) {
        return;
    }
    ShowCounts();
    if (result.stopped) {
        ApplyControls();
        emit runStateChanged();
    }
}

void CPassFailWindow::ShowCentredOver(const QWidget* screen) {
    passFail_.ShowPanel();
    tarnix::ShowCentredOver(*this, screen);
}

void CPassFailWindow::CreateMask() {
    MaskSettings mask;
    mask.verticalPanel = EditValue(vertical_);
    mask.horizontalPanel = EditValue(horizontal_);
    mask.source = std::max(source_->currentIndex(), 0);
    mask.output = std::max(output_->currentIndex(), 0);
    mask.stopWhenOutput = stopWhenOutput_->isChecked();
    const int channel = mask.source == 1 ? kCh2 : kCh1;
    const bool wasOff = doc_.settings.ch(channel).enabled == 0;
    doc_.CreatePassFailMask(mask);
    if (wasOff && doc_.settings.ch(channel).enabled != 0) {
        emit channelSwitchedOn(channel);
    }
    ShowZeroCounts();
    ApplyControls();
}

void CPassFailWindow::StartTest() {
    const bool started = doc_.StartPassFail();
    ShowStoredSettings();
    ShowZeroCounts();
    ApplyControls();
    if (started) {
        emit runStateChanged();
    }
}

void CPassFailWindow::StopTest() {
    doc_.StopPassFail();
    ApplyControls();
    emit runStateChanged();
}

void CPassFailWindow::ClosePanel() {
    doc_.ClosePassFailPanel();
    ApplyControls();
    emit runStateChanged();
    emit panelClosed();
}

void CPassFailWindow::reject() {
    if (isVisible()) {
        ClosePanel();
    }
    QDialog::reject();
}

void CPassFailWindow::SaveMask() {
    const QString path =
        chooseSaveFile(this, Q(kPsfSaveTitle), ToDialogFilter(kPsfSaveFilter), Q(kPsfExtension.substr(1)));
    if (path.isEmpty()) {
        return;
    }
    const PsfResult result = passFail_.SavePsf(path.toStdString());
    if (result.status == PsfResult::Status::kFailed) {
        showMessage(this, QString::fromUtf8(kFileErrorCaption), QString::fromStdString(result.message));
    }
}

void CPassFailWindow::LoadMask() {
    const QString path =
        chooseOpenFile(this, Q(kPsfLoadTitle), ToDialogFilter(kPsfLoadFilter), Q(kPsfExtension.substr(1)));
    if (path.isEmpty()) {
        return;
    }
    const PsfResult result = passFail_.LoadPsf(path.toStdString());
    if (result.status == PsfResult::Status::kIgnored) {
        return;
    }
    if (result.status == PsfResult::Status::kFailed) {
        showMessage(this, QString::fromUtf8(kFileErrorCaption), QString::fromStdString(result.message));
        return;
    }
    ShowZeroCounts();
    ShowStoredSettings();
    ApplyControls();
    emit runStateChanged();
}

} // namespace tarnix
