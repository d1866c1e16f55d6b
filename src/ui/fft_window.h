// The FFT panel: a modeless window created once by the view and only shown and hidden afterwards. Its
// lists store into the FFT settings at once; its tables show the harmonics and the dynamic-range figures
// of the last computation; "Save" exports the spectrum as text.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <string_view>

#include "analysis/fft_analysis.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tarnix {

class CLanguageTable;
class CTarnixDoc;

// Texts of the spectrum export's file dialog.
inline constexpr std::string_view kSpectrumSaveTitle = "Save Data As...";
inline constexpr std::string_view kSpectrumSaveExtension = ".txt";
inline constexpr std::string_view kSpectrumSaveFilter =
    "Text File(*.txt)|*.txt|Word File(*.doc)|*.doc|Excel File(*.xls)|*.xls||";

// Window-system filter "Name(*.x)|*.x|Other(*.y)|*.y||" as a file dialog's name filters,
// "Name(*.x);;Other(*.y)".
QString ToDialogFilter(std::string_view filter);

// A file dialog's answer: the chosen path, or empty when cancelled. Replaced by tests.
using SaveFileChooser = std::function<QString(QWidget* parent, const QString& title, const QString& filter,
                                              const QString& suffix)>;
using MessageShower = std::function<void(QWidget* parent, const QString& caption, const QString& text)>;

// Modal save dialog asking before overwriting, with a default suffix; and a warning box.
QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& suffix);
QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& filter, const QString& suffix);
void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text);

// A language text, or `fallback` when there is no table or it holds no text for the key.
QString PanelText(const CLanguageTable* language, int key, std::string_view fallback);
// A caption that carries its control ID, so a language change relabels it.
QLabel* PanelCaption(const CLanguageTable* language, int controlId, std::string_view fallback,
                     QWidget* parent);

class CFftWindow : public QDialog {
    Q_OBJECT

public:
    // Works on the document's FFT settings and results and its language table.
    explicit CFftWindow(CTarnixDoc& doc, QWidget* parent = nullptr);

    // Reloads every control from the settings (start-up, Load Setups, Factory Setup, language change):
    // the Start/Stop label, the lists with invalid values replaced, then the tables.
    void Refresh();
    // The harmonics table and the figures from the results; called after each computation.
    void RefreshResults();
    // Language change: control captions, the title and the Start/Stop label.
    void Relabel();
    // Utility/FFT: centres the window over `screen` and shows it.
    void ShowCentredOver(const QWidget* screen);

    // "Start"/"Stop" and "Save", as their buttons do.
    void ToggleRunning();
    void SaveSpectrum();

    SaveFileChooser chooseSaveFile = ChooseSaveFile;
    MessageShower showMessage = ShowMessageBox;

    // The controls, for the view's layout code and for tests.
    QComboBox* SourceList() const { return source_; }
    QComboBox* WindowList() const { return window_; }
    QComboBox* BinsList() const { return bins_; }
    QComboBox* ScaleList() const { return scale_; }
    QComboBox* VerticalList() const { return vertical_; }
    QComboBox* HorizontalList() const { return horizontal_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* SaveButton() const { return save_; }
    QLabel* RowFrequency(int row) const { return rowFrequency_[static_cast<std::size_t>(row)]; }
    QLabel* RowValue(int row) const { return rowValue_[static_cast<std::size_t>(row)]; }
    QLabel* Figure(int index) const { return figure_[static_cast<std::size_t>(index)]; }

signals:
    // The analysis was stopped: the screen's cursor source goes back to CH1.
    void analysisStopped();
    // The analysis was started or stopped, or a list changed a setting the screen draws with.
    void settingsChanged();

private:
    void BuildLayout();
    void FillFixedLists();
    void FillVerticalList();
    void UpdateStartLabel();
    void OnScaleChosen(int index);

    CTarnixDoc& doc_;
    FftSettings& settings_;
    const FftResults& results_;
    const CLanguageTable* language_;

    QComboBox* source_ = nullptr;
    QComboBox* window_ = nullptr;
    QComboBox* bins_ = nullptr;
    QComboBox* scale_ = nullptr;
    QComboBox* vertical_ = nullptr;
    QComboBox* horizontal_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* save_ = nullptr;
    std::array<QLabel*, kFftRows> rowFrequency_{};
    std::array<QLabel*, kFftRows> rowValue_{};
    std::array<QLabel*, kFftFigureCount> figure_{};
};

} // namespace tarnix
