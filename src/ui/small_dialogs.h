// The shell's modeless dialogs: Intensity, Average, Waveform Color and Demo Setting. Each is created
// once by the view, shown centred over the screen by its command, hidden (never destroyed) by OK or
// its close box, and reloaded from the settings by Refresh after Factory Setup, a language change or
// a setup load.
#pragma once

#include <QDialog>
#include <QSpinBox>
#include <array>

#include "ui/widget_helpers.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSlider;

namespace tarnix {

class CTarnixDoc;
class CLanguageTable;
class CWaveScreen;
class CPersistHistory;
class CColorSwatch;

// A number edit of at most three digits whose value is clamped into its range while it is typed
// (typing past the maximum shows the maximum, below the minimum the minimum); an empty edit is left
// alone so the user can retype.
class CClampedSpinBox : public QSpinBox {
    Q_OBJECT

public:
    CClampedSpinBox(int minimum, int maximum, QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
};

class CIntensityDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 184;
    // The screen and the persistence history may be null (tests of the controls alone).
    CIntensityDialog(CTarnixDoc& doc, const CLanguageTable& language, CWaveScreen* screen,
                     CPersistHistory* persistence, QWidget* parent = nullptr);

    void Refresh();
    void Relabel();

    QSlider* GridSlider() const { return grid_; }
    QSlider* WaveSlider() const { return wave_; }
    QCheckBox* PersistenceBox() const { return persistence_; }
    QComboBox* PersistenceList() const { return depth_; }

private:
    void ApplyGrid();
    void ApplyWave();

    CTarnixDoc& doc_;
    const CLanguageTable& language_;
    CWaveScreen* screen_;
    CPersistHistory* history_;
    QSlider* grid_ = nullptr;
    QSlider* wave_ = nullptr;
    QCheckBox* persistence_ = nullptr;
    QComboBox* depth_ = nullptr;
};

class CAverageDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 199;
    CAverageDialog(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent = nullptr);

    void Refresh();
    void Relabel();
    CClampedSpinBox* Edit() const { return edit_; }

    // OK: a changed count restarts the averaging; Cancel, Escape and the close box drop the edit.
    void accept() override;
    void reject() override;

protected:
    // Opening shows the stored count, whatever was typed before the dialog was last hidden.
    void showEvent(QShowEvent* event) override;

private:
    CTarnixDoc& doc_;
    const CLanguageTable& language_;
    CClampedSpinBox* edit_ = nullptr;
};

class CWaveformColorDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 227;
    CWaveformColorDialog(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent = nullptr);

    void Refresh();
    void Relabel();
    // Swatch of channel 0 CH1, 1 CH2, 2 MATH, 3 REF.
    CColorSwatch* Swatch(int channel) const;

signals:
    // A channel's colour was changed (CH1 and CH2 knobs and the screen repaint).
    void channelColourChanged(int channel);

private:
    CTarnixDoc& doc_;
    const CLanguageTable& language_;
    std::array<CColorSwatch*, 4> swatches_{};
};

class CDemoSettingDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 231;
    CDemoSettingDialog(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent = nullptr);

    void Refresh();
    void Relabel();

    QRadioButton* FrequencyButton(int choice) const;
    QRadioButton* AmplitudeButton(int choice) const;
    QRadioButton* FunctionButton(int function) const;
    QCheckBox* DcPlusBox() const { return dcPlus_; }
    QCheckBox* SweepBox() const { return sweep_; }

private:
    CTarnixDoc& doc_;
    const CLanguageTable& language_;
    std::array<QRadioButton*, 5> frequency_{};
    std::array<QRadioButton*, 4> amplitude_{};
    std::array<QRadioButton*, 3> function_{};
    QCheckBox* dcPlus_ = nullptr;
    QCheckBox* sweep_ = nullptr;
};

} // namespace tarnix
