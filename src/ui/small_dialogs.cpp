#include "document/tarnix_doc.h"

#include "ui/small_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "acquisition/demo_source.h"
#include "acquisition/persist_history.h"
#include "display/wave_screen.h"
#include "language/control_ids.h"
#include "language/language_table.h"
#include "model/setting_rules.h"
#include "ui/color_swatch.h"
#include "ui/relabel.h"
#include "ui/widget_helpers.h"

namespace tarnix {

namespace {

// The Waveform Color dialog's OK button has the standard ID and no language text.
inline constexpr int kStandardOkId = 1;

QColor FromRgb(std::uint32_t rgb) {
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

std::uint32_t ToRgb(const QColor& colour) {
    return (static_cast<std::uint32_t>(colour.red()) << 16) |
           (static_cast<std::uint32_t>(colour.green()) << 8) | static_cast<std::uint32_t>(colour.blue());
}

void RelabelDialog(QDialog& dialog, int templateId, const CLanguageTable& language) {
    RelabelWindow(&dialog, language);
    RelabelTitle(&dialog, templateId, language);
}

} // namespace

// ---- CClampedSpinBox ----

CClampedSpinBox::CClampedSpinBox(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    lineEdit()->setMaxLength(3);
}

QValidator::State CClampedSpinBox::validate(QString& input, int& pos) const {
    if (input.isEmpty()) {
        return QValidator::Intermediate;
    }
    if (input.size() > 3) {
        return QValidator::Invalid;
    }
    for (const QChar c : input) {
        if (!c.isDigit()) {
            return QValidator::Invalid;
        }
    }
    const int value = input.toInt();
    if (value < minimum() || value > maximum()) {
        input = QString::number(value < minimum() ? minimum() : maximum());
        pos = static_cast<int>(input.size());
    }
    return QValidator::Acceptable;
}

// ---- Intensity ----

CIntensityDialog::CIntensityDialog(CTarnixDoc& doc, const CLanguageTable& language, CWaveScreen* screen,
                                   CPersistHistory* persistence, QWidget* parent)
    : QDialog(parent), doc_(doc), language_(language), screen_(screen), history_(persistence) {
    setWindowTitle(QStringLiteral("Intensity"));
    setModal(false);

    auto* layout = new QGridLayout(this);
    auto addSlider = [this, layout](int row, int labelId, const char* text, int sliderId) {
        layout->addWidget(NewLabel(labelId, text, this), row, 0, 1, 3);
        auto* slider = new QSlider(Qt::Horizontal, this);
        SetControlId(slider, sliderId);
        slider->setRange(0, 255);
        slider->setMinimumWidth(200);
        layout->addWidget(NewLabel(ctl::kIntensityDark, "Dark", this), row + 1, 0);
        layout->addWidget(slider, row + 1, 1);
        layout->addWidget(NewLabel(ctl::kIntensityBright, "Bright", this), row + 1, 2);
        return slider;
    };
    grid_ = addSlider(0, ctl::kIntensityGridLabel, "Grid Intensity", ctl::kIntensityGridSlider);
    wave_ = addSlider(2, ctl::kIntensityWaveLabel, "Waveform Intensity", ctl::kIntensityWaveSlider);

    persistence_ = new QCheckBox(QStringLiteral("Persistence"), this);
    SetControlId(persistence_, ctl::kIntensityPersistence);
    layout->addWidget(persistence_, 4, 0, 1, 3);
    layout->addWidget(NewLabel(ctl::kIntensityPersistenceTimeLabel, "Persistence Time", this), 5, 0, 1, 2);
    depth_ = new QComboBox(this);
    SetControlId(depth_, ctl::kIntensityPersistenceList);
    for (const char* text : {"Min", "100mS", "200mS", "300mS", "400mS", "500mS", "600mS", "700mS", "800mS",
                             "900mS", "1.00 S", "2.00 S", "3.00 S", "4.00 S", "5.00 S", "10.0 S"}) {
        depth_->addItem(QString::fromLatin1(text));
    }
    layout->addWidget(depth_, 5, 2);
    QPushButton* ok = NewButton(ctl::kOk, "OK", this);
    ok->setDefault(true);
    layout->addWidget(ok, 6, 2);

    // A slider applies its position when released (or moved by the keyboard), never while dragged.
    connect(grid_, &QSlider::sliderReleased, this, &CIntensityDialog::ApplyGrid);
    connect(wave_, &QSlider::sliderReleased, this, &CIntensityDialog::ApplyWave);
    connect(grid_, &QSlider::valueChanged, this, [this] {
        if (!grid_->isSliderDown()) {
            ApplyGrid();
        }
    });
    connect(wave_, &QSlider::valueChanged, this, [this] {
        if (!wave_->isSliderDown()) {
            ApplyWave();
        }
    });
    connect(persistence_, &QCheckBox::clicked, this, [this](bool on) {
        if (history_ != nullptr) {
            history_->SetPersistenceOn(on);
        }
        doc_.settings.persistenceOn = on ? 1 : 0;
        depth_->setEnabled(on);
    });
    connect(depth_, &QComboBox::activated, this, [this](int index) {
        if (history_ != nullptr) {
            history_->SetPersistenceDepth(index);
        }
        doc_.settings.persistenceDepth = static_cast<std::uint16_t>(index);
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::hide);

    Refresh();
}

void CIntensityDialog::ApplyGrid() {
    if (screen_ != nullptr && screen_->GetGridIntensity() != grid_->value()) {
        screen_->SetGridIntensity(grid_->value());
        screen_->update();
    }
}

void CIntensityDialog::ApplyWave() {
    if (screen_ != nullptr && screen_->GetWaveIntensity() != wave_->value()) {
        screen_->SetWaveIntensity(wave_->value());
        screen_->update();
    }
}

void CIntensityDialog::Refresh() {
    const QSignalBlocker blockGrid(grid_);
    const QSignalBlocker blockWave(wave_);
    grid_->setRange(0, 255);
    wave_->setRange(0, 255);
    grid_->setValue(screen_ != nullptr ? screen_->GetGridIntensity() : 200);
    wave_->setValue(screen_ != nullptr ? screen_->GetWaveIntensity() : 255);
    const bool on = doc_.settings.persistenceOn != 0;
    persistence_->setChecked(on);
    depth_->setCurrentIndex(std::min<int>(doc_.settings.persistenceDepth, depth_->count() - 1));
    depth_->setEnabled(on);
}

void CIntensityDialog::Relabel() {
    RelabelDialog(*this, kTemplateId, language_);
}

// ---- Average ----

CAverageDialog::CAverageDialog(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent)
    : QDialog(parent), doc_(doc), language_(language) {
    setWindowTitle(QStringLiteral("Average"));
    setModal(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(NewLabel(ctl::kAverageLabel, "Average", this), 0, 0);
    edit_ = new CClampedSpinBox(1, kMaxAverageCount, this);
    SetControlId(edit_, ctl::kAverageEdit);
    layout->addWidget(edit_, 0, 1);
    layout->addWidget(NewLabel(ctl::kAverageRange, "(1 ~ 128)", this), 0, 2);
    QPushButton* ok = NewButton(ctl::kOk, "OK", this);
    ok->setDefault(true);
    QPushButton* cancel = NewButton(ctl::kCancel, "Cancel", this);
    layout->addWidget(ok, 1, 1);
    layout->addWidget(cancel, 1, 2);
    connect(ok, &QPushButton::clicked, this, &CAverageDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CAverageDialog::reject);

    Refresh();
}

void CAverageDialog::Refresh() {
    edit_->setValue(doc_.settings.acquire.averageCount);
}

void CAverageDialog::showEvent(QShowEvent* event) {
    Refresh();
    QDialog::showEvent(event);
}

void CAverageDialog::accept() {
    edit_->interpretText();
    // An unchanged count keeps the averaging in progress.
    if (edit_->value() != doc_.settings.acquire.averageCount) {
        doc_.SetAverageCount(edit_->value());
    }
    hide();
}

void CAverageDialog::reject() {
    Refresh();
    hide();
}

void CAverageDialog::Relabel() {
    RelabelDialog(*this, kTemplateId, language_);
}

// ---- Waveform Color ----

CWaveformColorDialog::CWaveformColorDialog(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent)
    : QDialog(parent), doc_(doc), language_(language) {
    setWindowTitle(QStringLiteral("Waveform Color"));
    setModal(false);

    auto* layout = new QGridLayout(this);
    const std::array<int, 4> labelIds = {ctl::kColorCh1Label, ctl::kColorCh2Label, ctl::kColorMathLabel,
                                         ctl::kColorRefLabel};
    const std::array<int, 4> swatchIds = {ctl::kColorCh1Swatch, ctl::kColorCh2Swatch, ctl::kColorMathSwatch,
                                          ctl::kColorRefSwatch};
    const std::array<const char*, 4> texts = {"CH1 Waveform Color", "CH2 Waveform Color",
                                              "Math Waveform Color", "REF Waveform Color"};
    for (int c = 0; c < 4; ++c) {
        const auto i = static_cast<std::size_t>(c);
        layout->addWidget(NewLabel(labelIds[i], texts[i], this), c, 0);
        auto* swatch = new CColorSwatch(this);
        SetControlId(swatch, swatchIds[i]);
        layout->addWidget(swatch, c, 1);
        swatches_[i] = swatch;
        connect(swatch, &CColorSwatch::colourChosen, this, [this](int channel, const QColor& colour) {
            if (channel >= 0 && channel < kChannelCount) {
                doc_.settings.ch(channel).colour = ToRgb(colour);
                emit channelColourChanged(channel);
            }
        });
    }
    QPushButton* ok = NewButton(kStandardOkId, "OK", this);
    ok->setDefault(true);
    layout->addWidget(ok, 4, 1);
    connect(ok, &QPushButton::clicked, this, &QDialog::hide);

    Refresh();
}

CColorSwatch* CWaveformColorDialog::Swatch(int channel) const {
    return channel >= 0 && channel < 4 ? swatches_[static_cast<std::size_t>(channel)] : nullptr;
}

void CWaveformColorDialog::Refresh() {
    for (int c = 0; c < 4; ++c) {
        CColorSwatch* swatch = swatches_[static_cast<std::size_t>(c)];
        swatch->SetChannel(c);
        swatch->SetColour(FromRgb(doc_.settings.ch(c).colour));
    }
}

void CWaveformColorDialog::Relabel() {
    RelabelDialog(*this, kTemplateId, language_);
}

// ---- Demo Setting ----

CDemoSettingDialog::CDemoSettingDialog(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent)
    : QDialog(parent), doc_(doc), language_(language) {
    setWindowTitle(QStringLiteral("Demo Setting"));
    setModal(false);

    auto* layout = new QHBoxLayout(this);

    auto* frequency = new QGroupBox(QStringLiteral("Frequency"), this);
    SetControlId(frequency, ctl::kFrequencyCaption);
    auto* frequencyLayout = new QVBoxLayout(frequency);
    auto* frequencyGroup = new QButtonGroup(this);
    for (std::size_t i = 0; i < frequency_.size(); ++i) {
        auto* button = new QRadioButton(FromView(kDemoFrequencyChoices[i].label), frequency);
        SetControlId(button, ctl::kDemoFrequency[i]);
        frequencyGroup->addButton(button, static_cast<int>(i));
        frequencyLayout->addWidget(button);
        frequency_[i] = button;
    }
    layout->addWidget(frequency);

    auto* amplitude = new QGroupBox(QStringLiteral("Amplitude"), this);
    SetControlId(amplitude, ctl::kAmplitudeCaption);
    auto* amplitudeLayout = new QVBoxLayout(amplitude);
    auto* amplitudeGroup = new QButtonGroup(this);
    for (std::size_t i = 0; i < amplitude_.size(); ++i) {
        auto* button = new QRadioButton(FromView(kDemoAmplitudeChoices[i].label), amplitude);
        SetControlId(button, ctl::kDemoAmplitude[i]);
        amplitudeGroup->addButton(button, static_cast<int>(i));
        amplitudeLayout->addWidget(button);
        amplitude_[i] = button;
    }
    dcPlus_ = new QCheckBox(QStringLiteral("DC +"), amplitude);
    SetControlId(dcPlus_, ctl::kDemoDcOffset);
    amplitudeLayout->addWidget(dcPlus_);
    layout->addWidget(amplitude);

    auto* function = new QGroupBox(QStringLiteral("Function"), this);
    SetControlId(function, ctl::kDemoFunctionGroup);
    auto* functionLayout = new QVBoxLayout(function);
    sweep_ = new QCheckBox(QStringLiteral("Sweep"), function);
    SetControlId(sweep_, ctl::kDemoSweep);
    functionLayout->addWidget(sweep_);
    auto* functionGroup = new QButtonGroup(this);
    const std::array<int, 3> functionIds = {ctl::kDemoNormal, ctl::kDemoNoise, ctl::kDemoRandom};
    for (std::size_t i = 0; i < function_.size(); ++i) {
        auto* button = new QRadioButton(FromView(kDemoFunctionLabels[i]), function);
        SetControlId(button, functionIds[i]);
        functionGroup->addButton(button, static_cast<int>(i));
        functionLayout->addWidget(button);
        function_[i] = button;
    }
    layout->addWidget(function);

    // Every click takes effect at once; there is no OK button.
    connect(frequencyGroup, &QButtonGroup::idClicked, this, [this](int id) {
        doc_.demo.SelectFrequency(id);
        doc_.OnSettingsChanged();
    });
    connect(amplitudeGroup, &QButtonGroup::idClicked, this, [this](int id) {
        doc_.demo.SelectAmplitude(id);
        doc_.OnSettingsChanged();
    });
    connect(functionGroup, &QButtonGroup::idClicked, this, [this](int id) {
        doc_.demo.SetFunction(id);
        doc_.OnSettingsChanged();
    });
    connect(dcPlus_, &QCheckBox::clicked, this, [this](bool on) {
        doc_.demo.SetDcPlus(on);
        doc_.OnSettingsChanged();
    });
    connect(sweep_, &QCheckBox::clicked, this, [this](bool on) {
        doc_.demo.SetSweep(on);
        doc_.OnSettingsChanged();
    });

    Refresh();
}

QRadioButton* CDemoSettingDialog::FrequencyButton(int choice) const {
    return choice >= 0 && choice < 5 ? frequency_[static_cast<std::size_t>(choice)] : nullptr;
}

QRadioButton* CDemoSettingDialog::AmplitudeButton(int choice) const {
    return choice >= 0 && choice < 4 ? amplitude_[static_cast<std::size_t>(choice)] : nullptr;
}

QRadioButton* CDemoSettingDialog::FunctionButton(int function) const {
    return function >= 0 && function < 3 ? function_[static_cast<std::size_t>(function)] : nullptr;
}

void CDemoSettingDialog::Refresh() {
    const CDemoSource& demo = doc_.demo;
    if (QRadioButton* button = FrequencyButton(demo.FrequencyChoice())) {
        button->setChecked(true);
    }
    if (QRadioButton* button = AmplitudeButton(demo.AmplitudeChoice())) {
        button->setChecked(true);
    }
    if (QRadioButton* button = FunctionButton(demo.function)) {
        button->setChecked(true);
    }
    dcPlus_->setChecked(demo.dcPlus);
    sweep_->setChecked(demo.sweep);
}

void CDemoSettingDialog::Relabel() {
    RelabelDialog(*this, kTemplateId, language_);
}

} // namespace tarnix
