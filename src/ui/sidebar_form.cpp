#include "document/tarnix_doc.h"

#include "ui/sidebar_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>

#include "display/knob_geometry.h"
#include "display/wave_screen.h"
#include "document/user_notifier.h"
#include "language/control_ids.h"
#include "language/language_table.h"
#include "model/instrument_settings.h"
#include "model/model_table.h"
#include "ui/knob.h"
#include "ui/relabel.h"
#include "ui/widget_helpers.h"

namespace tarnix {

namespace {

// Language keys of the run-time list texts and the tooltips.
inline constexpr int kKeyEdge = 8030000;
inline constexpr int kKeyPulse = 8030001;
inline constexpr int kKeySweepFirst = 8030100;
inline constexpr int kKeyCh1CouplingFirst = 802000200;
inline constexpr int kKeyCh2CouplingFirst = 802010200;
inline constexpr std::array<int, 6> kTooltipKeys = {4003, 4004, 4005, 4006, 4007, 4008};
inline constexpr std::array<int, 6> kTooltipControls = {ctl::kSideCh1VoltsList,    ctl::kSideCh1CouplingList,
                                                        ctl::kSideCh1ProbeList,    ctl::kSideCh2VoltsList,
                                                        ctl::kSideCh2CouplingList, ctl::kSideCh2ProbeList};

inline constexpr int kListHeight = 22;
inline constexpr int kListWidth = CSidebarForm::kWidth - kKnobWidth - 6; // up to the knobs

int VoltsListId(int channel) {
    return channel == kCh2 ? ctl::kSideCh2VoltsList : ctl::kSideCh1VoltsList;
}
int CouplingListId(int channel) {
    return channel == kCh2 ? ctl::kSideCh2CouplingList : ctl::kSideCh1CouplingList;
}
int ProbeListId(int channel) {
    return channel == kCh2 ? ctl::kSideCh2ProbeList : ctl::kSideCh1ProbeList;
}

void FillFixed(QComboBox* list, std::initializer_list<const char*> texts) {
    for (const char* text : texts) {
        list->addItem(QString::fromLatin1(text));
    }
}

} // namespace

CSidebarForm::CSidebarForm(CTarnixDoc& doc, const CLanguageTable& language, CWaveScreen* screen,
                           QWidget* parent)
    : QWidget(parent), doc_(doc), language_(language), screen_(screen) {
    setFixedWidth(kWidth);
    setMinimumHeight(kMinHeight);

    // Horizontal.
    auto* horizontal = new QGroupBox(QStringLiteral("Horizontal"), this);
    SetControlId(horizontal, ctl::kSideHorizontalGroup);
    horizontal->setGeometry(0, 0, kWidth, 104);
    AddLabel(horizontal, ctl::kSideTimeDivLabel, "Time / DIV", 6, 18, kListWidth);
    AddList(horizontal, ctl::kSideTimeDivList, 4, 34, kListWidth);
    AddLabel(horizontal, ctl::kSideFormatLabel, "Format", 6, 58, kListWidth);
    QComboBox* format = AddList(horizontal, ctl::kSideFormatList, 4, 74, kListWidth);
    FillFixed(format, {"Y - T", "Roll", "X - Y"});
    timeKnob_ = new CKnob(horizontal);
    SetControlId(timeKnob_, ctl::kSideTimeDivKnob);
    timeKnob_->move(kWidth - kKnobWidth - 2, 14);

    // Channel.
    auto* channel = new QGroupBox(QStringLiteral("Vertical"), this);
    SetControlId(channel, ctl::kSideChannelGroup);
    channel->setGeometry(0, 106, kWidth, 214);
    const std::array<int, 2> boxIds = {ctl::kSideCh1On, ctl::kSideCh2On};
    const std::array<int, 2> knobIds = {ctl::kSideCh1Knob, ctl::kSideCh2Knob};
    const std::array<const char*, 2> boxTexts = {"CH1 ON", "CH2 ON"};
    for (int c : {kCh1, kCh2}) {
        const auto i = static_cast<std::size_t>(c);
        const int top = 16 + c * 98;
        auto* box = new QCheckBox(QString::fromLatin1(boxTexts[i]), channel);
        SetControlId(box, boxIds[i]);
        box->setGeometry(6, top, kListWidth, 20);
        box->installEventFilter(this);
        connect(box, &QCheckBox::clicked, this, [this, c](bool checked) { OnChannelBox(c, checked); });
        channelBoxes_[i] = box;
        AddList(channel, VoltsListId(c), 4, top + 22, kListWidth);
        AddList(channel, CouplingListId(c), 4, top + 46, kListWidth);
        QComboBox* probe = AddList(channel, ProbeListId(c), 4, top + 70, kListWidth);
        FillFixed(probe, {"x 1", "x 10", "x 100", "x 1000"});
        auto* knob = new CKnob(channel);
        SetControlId(knob, knobIds[i]);
        knob->move(kWidth - kKnobWidth - 2, top + 4);
        voltsKnobs_[i] = knob;
    }

    // Trigger. Two columns of labels that wrap onto a second line rather than run into each other.
    auto* trigger = new QGroupBox(QStringLiteral("Trigger"), this);
    SetControlId(trigger, ctl::kSideTriggerGroup);
    trigger->setGeometry(0, 322, kWidth, 126);
    const int half = (kWidth - 12) / 2;
    const int gap = 6;
    const int twoLines = 2 * kLabelHeight - 2;
    AddLabel(trigger, ctl::kSideTriggerModeLabel, "Trigger Mode", 6, 14, half - gap, twoLines);
    AddList(trigger, ctl::kSideTriggerModeList, 4, 42, half);
    AddLabel(trigger, ctl::kSideTriggerSweepLabel, "Trigger Sweep", 8 + half, 14, half - gap, twoLines);
    AddList(trigger, ctl::kSideSweepList, 6 + half, 42, half);
    AddLabel(trigger, ctl::kSideTriggerSourceLabel, "Trigger Source", 6, 68, half - gap, twoLines);
    AddList(trigger, ctl::kSideTriggerSourceList, 4, 96, half);
    AddLabel(trigger, ctl::kSideTriggerSlopeLabel, "Trigger Slope", 8 + half, 68, half - gap, twoLines);
    QComboBox* slope = AddList(trigger, ctl::kSideSlopeList, 6 + half, 96, half);
    FillFixed(slope, {"+", "-"});

    timeKnob_->SetKind(kKnobTimeDiv);
    voltsKnobs_[0]->SetKind(kKnobCh1Volts);
    voltsKnobs_[1]->SetKind(kKnobCh2Volts);
    timeKnob_->SetDocument(&doc_);
    voltsKnobs_[0]->SetDocument(&doc_);
    voltsKnobs_[1]->SetDocument(&doc_);
    // A knob asks for an index; the same handler as its list carries it out.
    connect(timeKnob_, &CKnob::indexRequested, this, &CSidebarForm::OnTimeDivSelected);
    connect(voltsKnobs_[0], &CKnob::indexRequested, this,
            [this](int index) { OnVoltsSelected(kCh1, index); });
    connect(voltsKnobs_[1], &CKnob::indexRequested, this,
            [this](int index) { OnVoltsSelected(kCh2, index); });

    // activated() comes only from the user, so selecting an index from code runs no handler.
    auto on = [this](int id, auto handler) { connect(lists_.at(id), &QComboBox::activated, this, handler); };
    on(ctl::kSideTimeDivList, [this](int i) { OnTimeDivSelected(i); });
    on(ctl::kSideFormatList, [this](int i) { OnFormatSelected(i); });
    on(ctl::kSideCh1VoltsList, [this](int i) { OnVoltsSelected(kCh1, i); });
    on(ctl::kSideCh2VoltsList, [this](int i) { OnVoltsSelected(kCh2, i); });
    on(ctl::kSideCh1CouplingList, [this](int i) { OnCouplingSelected(kCh1, i); });
    on(ctl::kSideCh2CouplingList, [this](int i) { OnCouplingSelected(kCh2, i); });
    on(ctl::kSideCh1ProbeList, [this](int i) { OnProbeSelected(kCh1, i); });
    on(ctl::kSideCh2ProbeList, [this](int i) { OnProbeSelected(kCh2, i); });
    on(ctl::kSideTriggerModeList, [this](int i) { OnTriggerModeSelected(i); });
    on(ctl::kSideSweepList, [this](int i) { OnSweepSelected(i); });
    on(ctl::kSideTriggerSourceList, [this](int i) { OnTriggerSourceSelected(i); });
    on(ctl::kSideSlopeList, [this](int i) { OnSlopeSelected(i); });
    TakeWheelOnlyWithFocus(this);

    FillLists();
    SyncFromSettings();
}

QComboBox* CSidebarForm::AddList(QWidget* parent, int controlId, int x, int y, int width) {
    auto* list = new QComboBox(parent);
    SetControlId(list, controlId);
    list->setGeometry(x, y, width, kListHeight);
    list->setMaxVisibleItems(20);
    list->installEventFilter(this);
    lists_[controlId] = list;
    return list;
}

QLabel* CSidebarForm::AddLabel(QWidget* parent, int controlId, const char* text, int x, int y, int width,
                               int height) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    SetControlId(label, controlId);
    // A long translation wraps; its last line stays right above the list it names.
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    label->setGeometry(x, y, width, height);
    return label;
}

QComboBox* CSidebarForm::List(int controlId) const {
    const auto it = lists_.find(controlId);
    return it != lists_.end() ? it->second : nullptr;
}

QCheckBox* CSidebarForm::ChannelBox(int channel) const {
    return channel == kCh1 || channel == kCh2 ? channelBoxes_[static_cast<std::size_t>(channel)] : nullptr;
}

CKnob* CSidebarForm::Knob(int controlId) const {
    switch (controlId) {
    case ctl::kSideTimeDivKnob:
        return timeKnob_;
    case ctl::kSideCh1Knob:
        return voltsKnobs_[0];
    case ctl::kSideCh2Knob:
        return voltsKnobs_[1];
    default:
        return nullptr;
    }
}

std::string CSidebarForm::Text(int key) const {
    return language_.LookupText(key);
}

void CSidebarForm::Select(QComboBox* list, int index) {
    if (list != nullptr && index >= 0 && index < list->count()) {
        list->setCurrentIndex(index);
    }
}

void CSidebarForm::FillLists() {
    const InstrumentSettings& s = doc_.settings;
    const ModelInfo& model = ModelTable(s.model);

    QComboBox* time = List(ctl::kSideTimeDivList);
    time->clear();
    for (int row = model.offers2ns ? 0 : 1; row < kTimePerDivCount; ++row) {
        time->addItem(FromView(TimePerDivLabel(row)));
    }

    QComboBox* source = List(ctl::kSideTriggerSourceList);
    source->clear();
    FillFixed(source, {"CH1", "CH2", "ALT", "EXT"});
    if (model.offersExt10) {
        source->addItem(QStringLiteral("EXT/10"));
    }

    QComboBox* mode = List(ctl::kSideTriggerModeList);
    mode->clear();
    mode->addItem(QString::fromStdString(Text(kKeyEdge)));
    if (model.offersPulse) {
        mode->addItem(QString::fromStdString(Text(kKeyPulse)));
    }

    RefillVoltsPerDiv(kCh1);
    RefillVoltsPerDiv(kCh2);

    QComboBox* sweep = List(ctl::kSideSweepList);
    sweep->clear();
    for (int i = 0; i < 3; ++i) {
        sweep->addItem(QString::fromStdString(Text(kKeySweepFirst + i)));
    }

    for (int c : {kCh1, kCh2}) {
        QComboBox* coupling = List(CouplingListId(c));
        coupling->clear();
        const int first = c == kCh1 ? kKeyCh1CouplingFirst : kKeyCh2CouplingFirst;
        for (int i = 0; i < 3; ++i) {
            coupling->addItem(QString::fromStdString(Text(first + i)));
        }
    }

    for (std::size_t i = 0; i < kTooltipKeys.size(); ++i) {
        List(kTooltipControls[i])->setToolTip(QString::fromStdString(Text(kTooltipKeys[i])));
    }
}

void CSidebarForm::RefillVoltsPerDiv(int channel) {
    if (channel != kCh1 && channel != kCh2) {
        return;
    }
    const ChannelSettings& ch = doc_.settings.ch(channel);
    const int count = ModelTable(doc_.settings.model).offersVolts10 ? 10 : 9;
    QComboBox* list = List(VoltsListId(channel));
    list->clear();
    for (int i = 0; i < count; ++i) {
        list->addItem(FromView(ProbeVoltLabels(i + 3 * ch.probe)));
    }
    Select(list, ch.voltsPerDivIndex);
}

void CSidebarForm::SetChannelOn(int channel, bool on) {
    if (channel != kCh1 && channel != kCh2) {
        return;
    }
    const auto i = static_cast<std::size_t>(channel);
    channelBoxes_[i]->setChecked(on);
    List(VoltsListId(channel))->setEnabled(on);
    List(CouplingListId(channel))->setEnabled(on);
    List(ProbeListId(channel))->setEnabled(on);
    voltsKnobs_[i]->update();
}

void CSidebarForm::SyncFromSettings() {
    const InstrumentSettings& s = doc_.settings;
    timeKnob_->SetKind(kKnobTimeDiv);
    voltsKnobs_[0]->SetKind(kKnobCh1Volts);
    voltsKnobs_[1]->SetKind(kKnobCh2Volts);
    for (int c : {kCh1, kCh2}) {
        const ChannelSettings& ch = s.ch(c);
        channelBoxes_[static_cast<std::size_t>(c)]->setChecked(ch.enabled != 0);
        Select(List(CouplingListId(c)), ch.coupling);
        Select(List(VoltsListId(c)), ch.voltsPerDivIndex);
        Select(List(ProbeListId(c)), ch.probe);
    }
    Select(List(ctl::kSideTimeDivList), s.timebase.timeDivIndex);
    Select(List(ctl::kSideFormatList), s.timebase.displayFormat);
    Select(List(ctl::kSideTriggerModeList), s.trigger.triggerMode);
    Select(List(ctl::kSideTriggerSourceList), s.trigger.triggerSource);
    Select(List(ctl::kSideSweepList), s.trigger.sweep);
    Select(List(ctl::kSideSlopeList), s.trigger.slope);
    // The probe may have changed with a loaded setup: the labels follow it.
    RefillVoltsPerDiv(kCh1);
    RefillVoltsPerDiv(kCh2);
    SetChannelOn(kCh1, s.ch(kCh1).enabled != 0);
    SetChannelOn(kCh2, s.ch(kCh2).enabled != 0);
    EnableFormatList(s.acquire.running != 0);
    timeKnob_->update();
}

void CSidebarForm::Relabel() {
    RelabelWindow(this, language_);
    FillLists();
    SyncFromSettings();
}

void CSidebarForm::SelectList(SidebarList list, int index) {
    static const std::map<SidebarList, int> ids = {
        {SidebarList::kTimeDiv, ctl::kSideTimeDivList},
        {SidebarList::kFormat, ctl::kSideFormatList},
        {SidebarList::kCh1Volts, ctl::kSideCh1VoltsList},
        {SidebarList::kCh1Coupling, ctl::kSideCh1CouplingList},
        {SidebarList::kCh1Probe, ctl::kSideCh1ProbeList},
        {SidebarList::kCh2Volts, ctl::kSideCh2VoltsList},
        {SidebarList::kCh2Coupling, ctl::kSideCh2CouplingList},
        {SidebarList::kCh2Probe, ctl::kSideCh2ProbeList},
        {SidebarList::kTriggerMode, ctl::kSideTriggerModeList},
        {SidebarList::kSweep, ctl::kSideSweepList},
        {SidebarList::kTriggerSource, ctl::kSideTriggerSourceList},
        {SidebarList::kSlope, ctl::kSideSlopeList},
    };
    Select(List(ids.at(list)), index);
}

void CSidebarForm::RepaintKnob(SidebarKnob knob) {
    switch (knob) {
    case SidebarKnob::kTimeDiv:
        timeKnob_->update();
        break;
    case SidebarKnob::kCh1Volts:
        voltsKnobs_[0]->update();
        break;
    case SidebarKnob::kCh2Volts:
        voltsKnobs_[1]->update();
        break;
    }
}

void CSidebarForm::EnableFormatList(bool enabled) {
    List(ctl::kSideFormatList)->setEnabled(enabled);
}

void CSidebarForm::BindSync(SidebarSync& sync) {
    sync.select = [this](SidebarList list, int index) { SelectList(list, index); };
    sync.repaintKnob = [this](SidebarKnob knob) { RepaintKnob(knob); };
    sync.channelSwitched = [this](int channel, bool on) { SetChannelOn(channel, on); };
    sync.relabelVoltsList = [this](int channel) { RefillVoltsPerDiv(channel); };
    sync.enableFormatList = [this](bool enabled) { EnableFormatList(enabled); };
    sync.refreshFromSettings = [this] { Relabel(); };
}

bool CSidebarForm::eventFilter(QObject* watched, QEvent* event) {
    // A list or box would claim keys such as Enter, Space and the arrows for itself; refusing the
    // override lets the main window's accelerators see every key first, as with a menu.
    if (event->type() == QEvent::ShortcutOverride) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Handlers ----

bool CSidebarForm::PassFailOpen() const {
    return doc_.passFail.State().panelShown != 0;
}

void CSidebarForm::UpdateMarkers() {
    if (screen_ != nullptr) {
        screen_->UpdateMarkers();
        screen_->update();
    }
}

void CSidebarForm::Message(std::string_view text) {
    if (notifier_ != nullptr) {
        notifier_->ShowMessage(kErrorCaption, text);
        return;
    }
    QMessageBox::warning(this, FromView(kErrorCaption), FromView(text));
}

// The time base and format as the settings hold them now (a rule may have moved both).
void CSidebarForm::FollowTimebase() {
    Select(List(ctl::kSideTimeDivList), doc_.settings.timebase.timeDivIndex);
    Select(List(ctl::kSideFormatList), doc_.settings.timebase.displayFormat);
    timeKnob_->update();
}

void CSidebarForm::OnChannelBox(int channel, bool checked) {
    const auto i = static_cast<std::size_t>(channel);
    if (doc_.settings.timebase.displayFormat == kFormatXY) {
        // X-Y needs both channels.
        channelBoxes_[i]->setChecked(true);
        return;
    }
    doc_.SetChannelEnabled(channel, checked);
    SetChannelOn(channel, doc_.settings.ch(channel).enabled != 0);
    FollowTimebase();
    UpdateMarkers();
    emit settingsChanged();
}

void CSidebarForm::OnVoltsSelected(int channel, int index) {
    const ChannelSettings& ch = doc_.settings.ch(channel);
    if (ch.enabled == 0 || index == ch.voltsPerDivIndex) {
        Select(List(VoltsListId(channel)), ch.voltsPerDivIndex);
        return;
    }
    doc_.SetVoltsPerDiv(channel, index);
    Select(List(VoltsListId(channel)), ch.voltsPerDivIndex);
    voltsKnobs_[static_cast<std::size_t>(channel)]->update();
    UpdateMarkers();
    emit settingsChanged();
}

void CSidebarForm::OnProbeSelected(int channel, int index) {
    if (index == doc_.settings.ch(channel).probe) {
        return;
    }
    doc_.SetProbe(channel, index);
    RefillVoltsPerDiv(channel);
    UpdateMarkers();
    emit settingsChanged();
}

void CSidebarForm::OnCouplingSelected(int channel, int index) {
    if (index == doc_.settings.ch(channel).coupling) {
        return;
    }
    doc_.SetCoupling(channel, index);
    emit settingsChanged();
}

void CSidebarForm::OnTriggerModeSelected(int index) {
    if (index != doc_.settings.trigger.triggerMode) {
        doc_.SetTriggerMode(index);
        emit settingsChanged();
    }
}

void CSidebarForm::OnSweepSelected(int index) {
    if (index != doc_.settings.trigger.sweep) {
        doc_.SetSweep(index);
        emit settingsChanged();
    }
}

void CSidebarForm::OnSlopeSelected(int index) {
    if (index != doc_.settings.trigger.slope) {
        doc_.SetSlope(index);
        emit settingsChanged();
    }
}

void CSidebarForm::OnTriggerSourceSelected(int index) {
    if (index == doc_.settings.trigger.triggerSource) {
        return;
    }
    // Unlike the menu, the channel levels stay where they are; only EXT starts at mid-scale.
    doc_.link.block.altFlag = index == kTrigAlt ? 1 : 0;
    doc_.SetTriggerSource(index);
    if (index == kTrigExt || index == kTrigExt10) {
        doc_.settings.trigger.levelMarkerExt = kMarkerOnScreen;
        doc_.SetExtTriggerLevel(128.0f);
    }
    doc_.ApplyChannelEnables();
    FollowTimebase();
    UpdateMarkers();
    emit settingsChanged();
}

void CSidebarForm::OnTimeDivSelected(int index) {
    TimebaseSettings& tb = doc_.settings.timebase;
    if (index == tb.timeDivIndex) {
        return;
    }
    doc_.ApplyDecision(TimebaseRequestFromSidebar(doc_.settings, index, PassFailOpen()));
    // A refusal puts the list back; a moved selection (400ms under Pass/Fail) shows where it went.
    FollowTimebase();
    UpdateMarkers();
    emit settingsChanged();
}

void CSidebarForm::OnFormatSelected(int format) {
    TimebaseSettings& tb = doc_.settings.timebase;
    if (format == tb.displayFormat) {
        return;
    }
    if (format == kFormatRoll) {
        // The position is centred first and stays so even when Roll is refused.
        doc_.SetHorizontalPosition(500);
        if (tb.bufferSizeIndex != kBuffer10k) {
            if (tb.bufferSizeIndex == kBuffer32k || tb.bufferSizeIndex == kBuffer64k) {
                Message(RangeMessage(tb.bufferSizeIndex, BothChannelsForRules(doc_.settings),
                                     RequestOrigin::kMenu));
            }
            Select(List(ctl::kSideFormatList), tb.displayFormat);
            UpdateMarkers();
            return;
        }
    }
    doc_.SelectDisplayFormat(format, CTarnixDoc::TriggerLevels::kKeep);
    if (format == kFormatXY) {
        SetChannelOn(kCh1, doc_.settings.ch(kCh1).enabled != 0);
        SetChannelOn(kCh2, doc_.settings.ch(kCh2).enabled != 0);
    }
    FollowTimebase();
    UpdateMarkers();
    emit settingsChanged();
}

} // namespace tarnix
