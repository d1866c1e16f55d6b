// Channel menu: CH1, CH2, MATH and Reference.
#include "document/tarnix_doc.h"

#include <algorithm>

#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "language/menu_table.h"
#include "model/instrument_settings.h"
#include "model/setting_rules.h"
#include "ui/command_table.h"

namespace tarnix {
namespace {

constexpr int kTextTurnOff = 4000;
constexpr int kTextTurnOn = 4001;

struct ChannelIds {
    int channel;
    int turnOnOff;
    int voltsFirst;
    int couplingFirst;
    int probeFirst;
    int filterFirst;
    int reset;
    int invert;
    int bandwidth;
    SidebarList voltsList;
    SidebarList couplingList;
    SidebarList probeList;
    SidebarKnob knob;
};

constexpr ChannelIds kChannels[] = {
    {kCh1, cmd::kCh1TurnOnOff, cmd::kCh1VoltsPerDivFirst, cmd::kCh1CouplingFirst, cmd::kCh1ProbeFirst,
     cmd::kCh1FilterFirst, cmd::kCh1Reset, cmd::kCh1Invert, cmd::kCh1BandwidthLimit, SidebarList::kCh1Volts,
     SidebarList::kCh1Coupling, SidebarList::kCh1Probe, SidebarKnob::kCh1Volts},
    {kCh2, cmd::kCh2TurnOnOff, cmd::kCh2VoltsPerDivFirst, cmd::kCh2CouplingFirst, cmd::kCh2ProbeFirst,
     cmd::kCh2FilterFirst, cmd::kCh2Reset, cmd::kCh2Invert, cmd::kCh2BandwidthLimit, SidebarList::kCh2Volts,
     SidebarList::kCh2Coupling, SidebarList::kCh2Probe, SidebarKnob::kCh2Volts},
};

} // namespace

void CCommandTable::ChannelVolts(int channel, int index) {
    InstrumentSettings& s = doc_.settings;
    if (s.ch(channel).voltsPerDivIndex == index) {
        return;
    }
    doc_.SetVoltsPerDiv(channel, index);
    SelectSidebar(channel == kCh1 ? SidebarList::kCh1Volts : SidebarList::kCh2Volts, index);
    RepaintKnob(channel == kCh1 ? SidebarKnob::kCh1Volts : SidebarKnob::kCh2Volts);
    UpdateMarkers();
}

void CCommandTable::ChannelReset(int channel) {
    InstrumentSettings& s = doc_.settings;
    const int source = s.trigger.triggerSource;
    const bool triggers = source == (channel == kCh1 ? kTrigCh1 : kTrigCh2) || source == kTrigAlt;
    if (triggers) {
        // The trigger level is brought back onto the code scale; its marker state says where it was.
        float& level = channel == kCh1 ? s.trigger.levelCh1 : s.trigger.levelCh2;
        std::uint16_t& marker = channel == kCh1 ? s.trigger.levelMarkerCh1 : s.trigger.levelMarkerCh2;
        if (level < 0.0f) {
            doc_.SetTriggerLevel(channel, 0.0f);
            marker = kMarkerAboveTop;
        } else if (level > 256.0f) {
            doc_.SetTriggerLevel(channel, 256.0f);
            marker = kMarkerBelowBottom;
        } else {
            marker = kMarkerOnScreen;
        }
    }
    doc_.SetZeroLevel(channel, 128.0f);
    UpdateMarkers();
    if (triggers) {
        UpdateMarkers();
    }
    RepaintScreen();
}

void CCommandTable::RegisterChannelCommands() {
    InstrumentSettings& s = doc_.settings;

    for (const ChannelIds& c : kChannels) {
        const int ch = c.channel;
        auto on = [&s, ch] { return s.ch(ch).enabled != 0; };

        Add(
            c.turnOnOff,
            [this, &s, ch] {
                if (Format() == kFormatXY) {
                    return;
                }
                const bool nowOn = s.ch(ch).enabled == 0;
                if (doc_.SetChannelEnabled(ch, nowOn)) {
                    if (sidebar_.channelSwitched) {
                        sidebar_.channelSwitched(ch, nowOn);
                    }
                    UpdateMarkers();
                    RepaintScreen();
                }
            },
            [this, on, id = c.turnOnOff](CommandUI& ui) {
                ui.SetText(WithShortcutText(Text(on() ? kTextTurnOff : kTextTurnOn), id));
            });

        for (int i = 0; i < cmd::kVoltsPerDivItemCount; ++i) {
            Add(
                c.voltsFirst + i, [this, ch, i] { ChannelVolts(ch, i); },
                [&s, on, ch, i](CommandUI& ui) {
                    ui.SetText(std::string(ProbeScaledLabel(i, s.ch(ch).probe)));
                    ui.Enable(on());
                    ui.SetCheck(on() && s.ch(ch).voltsPerDivIndex == i);
                });
        }
        for (int i = 0; i < 3; ++i) {
            Add(
                c.couplingFirst + i,
                [this, &s, ch, i, list = c.couplingList] {
                    if (s.ch(ch).coupling == i) {
                        return;
                    }
                    doc_.SetCoupling(ch, i);
                    SelectSidebar(list, i);
                },
                [&s, on, ch, i](CommandUI& ui) {
                    ui.Enable(on());
                    ui.SetCheck(on() && s.ch(ch).coupling == i);
                });
        }
        for (int i = 0; i < cmd::kProbeItemCount; ++i) {
            Add(
                c.probeFirst + i,
                [this, &s, ch, i, list = c.probeList] {
                    if (s.ch(ch).probe == i) {
                        return;
                    }
                    doc_.SetProbe(ch, i);
                    SelectSidebar(list, i);
                    if (sidebar_.relabelVoltsList) {
                        sidebar_.relabelVoltsList(ch);
                    }
                    UpdateMarkers();
                    RepaintScreen();
                },
                [&s, on, ch, i](CommandUI& ui) {
                    ui.Enable(on());
                    ui.SetCheck(on() && s.ch(ch).probe == i);
                });
        }
        for (int i = 0; i < 3; ++i) {
            Add(
                c.filterFirst + i,
                [&s, ch, i] { StoreIfInRange(s.ch(ch).filterMode, EnumeratedField::kFilterMode, i); },
                [&s, on, ch, i](CommandUI& ui) {
                    ui.Enable(on());
                    ui.SetCheck(on() && s.ch(ch).filterMode == i);
                });
        }
        Add(
            c.reset, [this, ch] { ChannelReset(ch); }, [on](CommandUI& ui) { ui.Enable(on()); });
        Add(
            c.invert, [this, &s, ch] { doc_.SetInvert(ch, s.ch(ch).invert == 0); },
            [&s, on, ch](CommandUI& ui) {
                ui.Enable(on());
                ui.SetCheck(on() && s.ch(ch).invert != 0);
            });
        Add(
            c.bandwidth, [this, &s, ch] { doc_.SetBandwidthLimit(ch, s.ch(ch).bandwidthLimit == 0); },
            [this, &s, on, ch](CommandUI& ui) {
                if (Demo()) {
                    ui.Enable(false);
                    ui.SetCheck(false);
                    return;
                }
                ui.Enable(on());
                ui.SetCheck(on() && s.ch(ch).bandwidthLimit != 0);
            });
    }

    // ---- MATH: display-only settings ----
    auto mathOn = [&s] { return s.ch(kMath).enabled != 0; };
    Add(
        cmd::kMathTurnOnOff,
        [this, &s] {
            if (Format() == kFormatXY) {
                ErrorBox();
                return;
            }
            doc_.SetChannelEnabled(kMath, s.ch(kMath).enabled == 0);
            UpdateMarkers();
            RepaintScreen();
        },
        [this, mathOn](CommandUI& ui) {
            ui.SetText(WithShortcutText(Text(mathOn() ? kTextTurnOff : kTextTurnOn), cmd::kMathTurnOnOff));
        });
    // Sources A and B: enabled iff MATH and the named channel are on.
    const struct {
        int id;
        bool sourceA;
        int value;
    } sources[] = {{cmd::kMathSourceACh1, true, 0},
                   {cmd::kMathSourceACh2, true, 1},
                   {cmd::kMathSourceBCh1, false, 0},
                   {cmd::kMathSourceBCh2, false, 1}};
    for (const auto& src : sources) {
        Add(
            src.id,
            [this, &s, a = src.sourceA, v = src.value] {
                const MathSettings& m = s.ch(kMath).math;
                if ((a ? m.sourceA : m.sourceB) == v) {
                    return;
                }
                doc_.SetMathSources(a ? v : m.sourceA, a ? m.sourceB : v);
            },
            [&s, mathOn, a = src.sourceA, v = src.value](CommandUI& ui) {
                const bool enabled = mathOn() && s.ch(v).enabled != 0;
                const MathSettings& m = s.ch(kMath).math;
                ui.Enable(enabled);
                ui.SetCheck(enabled && (a ? m.sourceA : m.sourceB) == v);
            });
    }
    for (int i = 0; i < 4; ++i) {
        Add(
            cmd::kMathOperateFirst + i,
            [this, &s, i] {
                if (s.ch(kMath).math.mathOperator != i) {
                    doc_.SetMathOperator(i);
                }
            },
            [&s, mathOn, i](CommandUI& ui) {
                ui.Enable(mathOn());
                ui.SetCheck(mathOn() && s.ch(kMath).math.mathOperator == i);
            });
    }
    for (int i = 0; i < cmd::kVoltsPerDivItemCount; ++i) {
        Add(
            cmd::kMathVoltsPerDivFirst + i,
            [this, &s, i] {
                if (StoreIfInRange(s.ch(kMath).voltsPerDivIndex, EnumeratedField::kVoltsPerDiv, i)) {
                    UpdateMarkers();
                    RepaintScreen();
                }
            },
            [&s, mathOn, i](CommandUI& ui) {
                ui.SetText(std::string(ProbeScaledLabel(i, s.ch(kMath).probe)));
                ui.Enable(mathOn());
                ui.SetCheck(mathOn() && s.ch(kMath).voltsPerDivIndex == i);
            });
    }
    for (int i = 0; i < cmd::kProbeItemCount; ++i) {
        Add(
            cmd::kMathProbeFirst + i,
            [this, &s, i] {
                if (s.ch(kMath).probe != i) {
                    doc_.SetProbe(kMath, i);
                    UpdateMarkers();
                    RepaintScreen();
                }
            },
            [&s, mathOn, i](CommandUI& ui) {
                ui.Enable(mathOn());
                ui.SetCheck(mathOn() && s.ch(kMath).probe == i);
            });
    }
    Add(
        cmd::kMathReset,
        [this, &s] {
            s.ch(kMath).zeroLevel = 128.0f;
            UpdateMarkers();
            RepaintScreen();
        },
        [mathOn](CommandUI& ui) { ui.Enable(mathOn()); });
    Add(
        cmd::kMathInvert, [this, &s] { doc_.SetInvert(kMath, s.ch(kMath).invert == 0); },
        [this, &s, mathOn](CommandUI& ui) {
            const bool enabled = mathOn() && Running();
            ui.Enable(enabled);
            ui.SetCheck(enabled && s.ch(kMath).invert != 0);
        });

    // ---- Reference: the document holds the stored waveform and its state ----
    auto refOn = [&s] { return s.ch(kRef).enabled != 0; };
    Add(
        cmd::kRefTurnOnOff,
        [this] {
            if (doc_.RefTurnOn() == RefTurnOnResult::kNeedsFile) {
                // An empty REF asks for a file first; it is switched on whether or not one loads.
                LoadReferenceFile();
                doc_.RefShowAfterDialog();
            }
            UpdateMarkers();
            RepaintScreen();
        },
        [this, refOn](CommandUI& ui) {
            ui.SetText(WithShortcutText(Text(refOn() ? kTextTurnOff : kTextTurnOn), cmd::kRefTurnOnOff));
        });
    for (int i = 0; i < cmd::kVoltsPerDivItemCount; ++i) {
        Add(
            cmd::kRefVoltsPerDivFirst + i,
            [this, &s, i] {
                if (s.ch(kRef).voltsPerDivIndex != i) {
                    doc_.SetRefVoltsPerDiv(i);
                    UpdateMarkers();
                }
            },
            [&s, refOn, i](CommandUI& ui) {
                ui.Enable(refOn());
                ui.SetCheck(refOn() && s.ch(kRef).voltsPerDivIndex == i);
            });
    }
    Add(
        cmd::kRefReset,
        [this] {
            doc_.ResetRefPosition();
            UpdateMarkers();
            RepaintScreen();
        },
        [refOn](CommandUI& ui) { ui.Enable(refOn()); });
    Add(
        cmd::kRefLoad,
        [this] {
            LoadReferenceFile();
            UpdateMarkers();
            RepaintScreen();
        },
        [refOn](CommandUI& ui) { ui.Enable(refOn()); });
    Add(
        cmd::kRefSave,
        [this] {
            if (!ChooseSaveChannel()) {
                return;
            }
            const std::string path =
                ChooseFile({true, QStringLiteral("Save Data As Reference File..."), QStringLiteral("rfc"),
                            QStringLiteral("Reference File(*.rfc)")});
            if (!path.empty()) {
                Message(doc_.SaveRef(path).message);
            }
        },
        [this](CommandUI& ui) {
            ui.Enable(Format() != kFormatRoll && static_cast<bool>(panels_.chooseSaveChannel));
        });
}

} // namespace tarnix
