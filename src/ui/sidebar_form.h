// The control panel at the right edge of the main view: time/div and format, volts/div, coupling,
// probe and on/off of CH1 and CH2, the trigger's mode, sweep, source and slope, and three knobs.
// Every control carries its control ID (relabel.h) so the language relabels it; its handlers change
// the settings through the document with the same rules as the menus.
#pragma once

#include <QWidget>
#include <array>
#include <map>

#include "ui/command_table.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;

namespace tarnix {

class CTarnixDoc;
class CLanguageTable;
class CWaveScreen;
class CKnob;
class IUserNotifier;

class CSidebarForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 178;
    static constexpr int kWidth = 172;     // beside a plain scroll bar in the view's 188-pixel column
    static constexpr int kMinHeight = 450; // below it the column scrolls
    static constexpr int kLabelHeight = 16;

    // The screen may be null (its markers are then left alone) and set later.
    CSidebarForm(CTarnixDoc& doc, const CLanguageTable& language, CWaveScreen* screen = nullptr,
                 QWidget* parent = nullptr);

    void SetScreen(CWaveScreen* screen) { screen_ = screen; }
    // Where the refused Roll message goes; null: a message box. (Time-base refusals go through the
    // document's own notifier, as the menus' do.)
    void SetNotifier(IUserNotifier* notifier) { notifier_ = notifier; }

    // Refills the run-time lists and the tooltips from the model and the language.
    void FillLists();
    // Puts every control into the state of the settings.
    void SyncFromSettings();
    // Ticks or clears a channel's box, enables its lists, repaints its knob.
    void SetChannelOn(int channel, bool on);
    // Refills a channel's volts/div list with probe-scaled labels and selects the current index.
    void RefillVoltsPerDiv(int channel);
    // Language change: captions by control ID, the lists, then the settings.
    void Relabel();

    // What the commands reach: select without running a handler, repaint a knob, enable the format.
    void SelectList(SidebarList list, int index);
    void RepaintKnob(SidebarKnob knob);
    void EnableFormatList(bool enabled);
    // Fills the command table's sidebar hooks with this form.
    void BindSync(SidebarSync& sync);

    // Controls by control ID (null for an unknown ID).
    QComboBox* List(int controlId) const;
    QCheckBox* ChannelBox(int channel) const;
    CKnob* Knob(int controlId) const;

    // ---- Control handlers: what a user's choice in a list, box or knob does ----
    void OnChannelBox(int channel, bool checked);
    void OnVoltsSelected(int channel, int index);
    void OnProbeSelected(int channel, int index);
    void OnCouplingSelected(int channel, int index);
    void OnTriggerModeSelected(int index);
    void OnSweepSelected(int index);
    void OnSlopeSelected(int index);
    void OnTriggerSourceSelected(int index);
    void OnTimeDivSelected(int index);
    void OnFormatSelected(int format);

signals:
    // A handler changed settings: the view repaints the screen and the info strip.
    void settingsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* AddList(QWidget* parent, int controlId, int x, int y, int width);
    QLabel* AddLabel(QWidget* parent, int controlId, const char* text, int x, int y, int width,
                     int height = kLabelHeight);
    void Select(QComboBox* list, int index);
    void FollowTimebase();
    void UpdateMarkers();
    void Message(std::string_view text);
    bool PassFailOpen() const;
    std::string Text(int key) const;

    CTarnixDoc& doc_;
    const CLanguageTable& language_;
    CWaveScreen* screen_ = nullptr;
    IUserNotifier* notifier_ = nullptr;

    std::map<int, QComboBox*> lists_;
    std::array<QCheckBox*, 2> channelBoxes_{};
    CKnob* timeKnob_ = nullptr;
    std::array<CKnob*, 2> voltsKnobs_{};
};

} // namespace tarnix
