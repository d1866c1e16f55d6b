#include "document/tarnix_doc.h"

#include "ui/fft_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "analysis/spectrum_engine.h"
#include "files/file_result.h"
#include "language/control_ids.h"
#include "language/language_table.h"
#include "ui/command_table.h"
#include "ui/relabel.h"
#include "ui/widget_helpers.h"

namespace tarnix {

namespace {

constexpr int kFftTemplate = 211;     // the title's language key
constexpr int kStartLabelKey = 32872; // the button toggles between the "Start" and "Stop" texts
constexpr int kStopLabelKey = 32876;

constexpr std::array<std::string_view, 4> kWindowLabels = {"Rectangle", "Hanning", "Hamming", "Blackman"};
constexpr std::array<std::string_view, 2> kScaleLabels = {"dB", "Linear"};
constexpr std::array<std::string_view, kFftRows> kRowCaptions = {"Fundamental", "Harmonic 1", "Harmonic 2",
                                                                 "Harmonic 3",  "Harmonic 4", "Harmonic 5"};

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString ToDialogFilter(std::string_view filter) {
    // Pairs of (name, pattern) separated by '|'; the dialog shows the names, which carry the patterns.
    QStringList names;
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (!parts[i].isEmpty()) {
            names << parts[i];
        }
    }
    return names.join(QStringLiteral(";;"));
}

QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& suffix) {
    return QString::fromStdString(ChooseFileWithDialog(parent, {true, title, suffix, filter}));
}

QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& filter, const QString& suffix) {
    return QString::fromStdString(ChooseFileWithDialog(parent, {false, title, suffix, filter}));
}

void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::warning(parent, caption, text);
}

QString PanelText(const CLanguageTable* language, int key, std::string_view fallback) {
    if (language != nullptr) {
        const std::string text = language->LookupText(key);
        if (!text.empty()) {
            return QString::fromStdString(text);
        }
    }
    return Q(fallback);
}

QLabel* PanelCaption(const CLanguageTable* language, int controlId, std::string_view fallback,
                     QWidget* parent) {
    auto* label = new QLabel(PanelText(language, controlId, fallback), parent);
    SetControlId(label, controlId);
    return label;
}

CFftWindow::CFftWindow(CTarnixDoc& doc, QWidget* parent)
    : QDialog(parent), doc_(doc), settings_(doc.fftSettings), results_(doc.fftResults),
      language_(&doc.language) {
    setModal(false);
    setWindowTitle(PanelText(language_, kFftTemplate, "FFT"));
    BuildLayout();
    FillFixedLists();
    Refresh();
}

void CFftWindow::BuildLayout() {
    auto* top = new QVBoxLayout(this);

    auto* settingGroup = new QGroupBox(PanelText(language_, ctl::kFftSettingGroup, "FFT Setting"), this);
    SetControlId(settingGroup, ctl::kFftSettingGroup);
    auto* grid = new QGridLayout(settingGroup);
    source_ = new QComboBox(settingGroup);
    window_ = new QComboBox(settingGroup);
    bins_ = new QComboBox(settingGroup);
    scale_ = new QComboBox(settingGroup);
    vertical_ = new QComboBox(settingGroup);
    horizontal_ = new QComboBox(settingGroup);
    grid->addWidget(PanelCaption(language_, ctl::kSourceLabel, "Source", settingGroup), 0, 0);
    grid->addWidget(source_, 0, 1);
    grid->addWidget(PanelCaption(language_, ctl::kFftWindowLabel, "Window", settingGroup), 1, 0);
    grid->addWidget(window_, 1, 1);
    grid->addWidget(PanelCaption(language_, ctl::kFftBinsLabel, "NO.of Freq Bins", settingGroup), 2, 0);
    grid->addWidget(bins_, 2, 1);
    grid->addWidget(PanelCaption(language_, ctl::kFftScaleLabel, "Scale", settingGroup), 3, 0);
    grid->addWidget(scale_, 3, 1);
    grid->addWidget(PanelCaption(language_, ctl::kVerticalLabel, "Vertical", settingGroup), 4, 0);
    grid->addWidget(vertical_, 4, 1);
    grid->addWidget(PanelCaption(language_, ctl::kFftPerDivUnit, "/DIV", settingGroup), 4, 2);
    grid->addWidget(PanelCaption(language_, ctl::kSideHorizontalGroup, "Horizontal", settingGroup), 5, 0);
    grid->addWidget(horizontal_, 5, 1);

    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(this);
    save_ = new QPushButton(PanelText(language_, ctl::kSaveButton, "Save"), this);
    SetControlId(save_, ctl::kSaveButton);
    start_->setAutoDefault(false);
    save_->setAutoDefault(false);
    buttons->addWidget(start_);
    buttons->addWidget(save_);
    grid->addLayout(buttons, 6, 0, 1, 3);
    top->addWidget(settingGroup);

    auto* harmonicsGroup =
        new QGroupBox(PanelText(language_, ctl::kFftHarmonicsGroup, "Harmonics Infomation"), this);
    SetControlId(harmonicsGroup, ctl::kFftHarmonicsGroup);
    auto* table = new QGridLayout(harmonicsGroup);
    table->addWidget(PanelCaption(language_, ctl::kFftHarmonicColumn, "Harmonic", harmonicsGroup), 0, 0);
    table->addWidget(PanelCaption(language_, ctl::kFrequencyCaption, "Frequency", harmonicsGroup), 0, 1);
    table->addWidget(PanelCaption(language_, ctl::kAmplitudeCaption, "Amplitude", harmonicsGroup), 0, 2);
    for (int row = 0; row < kFftRows; ++row) {
        const int id =
            row == 0 ? ctl::kFftFundamental : ctl::kFftHarmonicRow[static_cast<std::size_t>(row - 1)];
        const auto r = static_cast<std::size_t>(row);
        table->addWidget(PanelCaption(language_, id, kRowCaptions[r], harmonicsGroup), row + 1, 0);
        rowFrequency_[r] = new QLabel(harmonicsGroup);
        rowValue_[r] = new QLabel(harmonicsGroup);
        table->addWidget(rowFrequency_[r], row + 1, 1);
        table->addWidget(rowValue_[r], row + 1, 2);
    }
    top->addWidget(harmonicsGroup);

    auto* measureGroup =
        new QGroupBox(PanelText(language_, ctl::kFftMeasureGroup, "Measurement Information"), this);
    SetControlId(measureGroup, ctl::kFftMeasureGroup);
    auto* figures = new QGridLayout(measureGroup);
    for (int i = 0; i < kFftFigureCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        figures->addWidget(PanelCaption(language_, ctl::kFftFigure[k], kFftFigureNames[k], measureGroup), i,
                           0);
        figure_[k] = new QLabel(measureGroup);
        figures->addWidget(figure_[k], i, 1);
    }
    top->addWidget(measureGroup);

    connect(source_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            settings_.source = static_cast<std::uint16_t>(index);
        }
    });
    connect(window_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            settings_.window = static_cast<std::uint16_t>(index);
        }
    });
    connect(bins_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            settings_.bins = static_cast<std::uint16_t>(kFftBinChoices[static_cast<std::size_t>(index)]);
        }
    });
    connect(scale_, &QComboBox::currentIndexChanged, this, &CFftWindow::OnScaleChosen);
    connect(vertical_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) {
            return;
        }
        const auto& steps = settings_.scale == kFftScaleDb ? kFftDbSteps : kFftVoltSteps;
        settings_.verticalScale = steps[static_cast<std::size_t>(index)];
        emit settingsChanged();
    });
    connect(horizontal_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            settings_.horizontalZoom =
                static_cast<std::uint16_t>(kFftZoomChoices[static_cast<std::size_t>(index)]);
            emit settingsChanged();
        }
    });
    connect(start_, &QPushButton::clicked, this, &CFftWindow::ToggleRunning);
    connect(save_, &QPushButton::clicked, this, &CFftWindow::SaveSpectrum);
}

void CFftWindow::FillFixedLists() {
    const QSignalBlocker b1(source_);
    const QSignalBlocker b2(window_);
    const QSignalBlocker b3(bins_);
    const QSignalBlocker b4(scale_);
    const QSignalBlocker b5(horizontal_);
    source_->addItems({QStringLiteral("CH1"), QStringLiteral("CH2")});
    for (std::string_view label : kWindowLabels) {
        window_->addItem(Q(label));
    }
    for (int bins : kFftBinChoices) {
        bins_->addItem(QString::number(bins));
    }
    for (std::string_view label : kScaleLabels) {
        scale_->addItem(Q(label));
    }
    for (int zoom : kFftZoomChoices) {
        horizontal_->addItem(QStringLiteral("x%1").arg(zoom));
    }
}

void CFftWindow::FillVerticalList() {
    const QSignalBlocker blocker(vertical_);
    vertical_->clear();
    const bool db = settings_.scale == kFftScaleDb;
    for (double value : db ? kFftDbSteps : kFftVoltSteps) {
        vertical_->addItem(QString::fromStdString(FftVerticalLabel(settings_.scale, value)));
    }
    const auto& steps = db ? kFftDbSteps : kFftVoltSteps;
    const auto it = std::find(steps.begin(), steps.end(), settings_.verticalScale);
    vertical_->setCurrentIndex(it == steps.end() ? -1 : static_cast<int>(it - steps.begin()));
}

void CFftWindow::OnScaleChosen(int index) {
    if (index < 0) {
        return;
    }
    SetFftScale(settings_, index);
    FillVerticalList();
    emit settingsChanged();
}

void CFftWindow::UpdateStartLabel() {
    start_->setText(settings_.running != 0 ? PanelText(language_, kStopLabelKey, "Stop")
                                           : PanelText(language_, kStartLabelKey, "Start"));
}

void CFftWindow::Refresh() {
    NormalizeFftSettings(settings_);
    UpdateStartLabel();
    {
        const QSignalBlocker b1(source_);
        const QSignalBlocker b2(window_);
        const QSignalBlocker b3(scale_);
        const QSignalBlocker b4(bins_);
        const QSignalBlocker b5(horizontal_);
        source_->setCurrentIndex(settings_.source <= 1 ? settings_.source : 0);
        window_->setCurrentIndex(settings_.window < kWindowLabels.size() ? settings_.window : 0);
        scale_->setCurrentIndex(settings_.scale == kFftScaleDb ? 0 : 1);
        bins_->setCurrentIndex(std::max(FftSizeIndex(settings_.bins), 0));
        const auto zoom = std::find(kFftZoomChoices.begin(), kFftZoomChoices.end(), settings_.horizontalZoom);
        horizontal_->setCurrentIndex(
            zoom == kFftZoomChoices.end() ? 0 : static_cast<int>(zoom - kFftZoomChoices.begin()));
    }
    FillVerticalList();
    RefreshResults();
}

void CFftWindow::RefreshResults() {
    // The Roll format computes with 256 bins whatever was chosen; the list shows what is used.
    const int binsIndex = FftSizeIndex(settings_.bins);
    if (binsIndex >= 0 && binsIndex != bins_->currentIndex()) {
        const QSignalBlocker blocker(bins_);
        bins_->setCurrentIndex(binsIndex);
    }
    for (std::size_t row = 0; row < rowFrequency_.size(); ++row) {
        const FftHarmonicRow& shown = results_.rows[row];
        rowFrequency_[row]->setText(shown.frequency.empty() ? Q(kFftNotShown)
                                                            : QString::fromStdString(shown.frequency));
        rowValue_[row]->setText(shown.value.empty() ? Q(kFftNotShown) : QString::fromStdString(shown.value));
    }
    for (std::size_t i = 0; i < figure_.size(); ++i) {
        const std::string& text = results_.figures.text[i];
        figure_[i]->setText(text.empty() ? Q(kFftNotShown) : QString::fromStdString(text));
    }
}

void CFftWindow::Relabel() {
    if (language_ != nullptr) {
        RelabelWindow(this, *language_);
        RelabelTitle(this, kFftTemplate, *language_);
    }
    UpdateStartLabel();
}

void CFftWindow::ShowCentredOver(const QWidget* screen) {
    tarnix::ShowCentredOver(*this, screen);
}

void CFftWindow::ToggleRunning() {
    if (settings_.running == 0) {
        settings_.running = 1;
        UpdateStartLabel();
    } else {
        settings_.running = 0;
        UpdateStartLabel();
        emit analysisStopped();
    }
    emit settingsChanged();
}

void CFftWindow::SaveSpectrum() {
    const QString path = chooseSaveFile(this, Q(kSpectrumSaveTitle), ToDialogFilter(kSpectrumSaveFilter),
                                        Q(kSpectrumSaveExtension.substr(1)));
    if (path.isEmpty()) {
        return;
    }
    const FileResult result = doc_.ExportSpectrum(path.toStdString());
    if (!result.ok && !result.message.empty()) {
        showMessage(this, QString::fromUtf8(kFileErrorCaption), QString::fromStdString(result.message));
    }
}

} // namespace tarnix
