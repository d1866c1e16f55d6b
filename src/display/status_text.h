// Pure texts, colours and geometry of the status strip above the screen: run state, blinking, the
// record picture, the trigger box and the trigger level in volts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "display/screen_geometry.h"

namespace tarnix {

struct InstrumentSettings;

struct RunStateStyle {
    const char* text = "";
    std::uint32_t colour = 0; // 0x00RRGGBB
    int x = 0;
    bool blinking = false;
};
RunStateStyle RunStateFor(int runStatus);

// Blinking texts are drawn inverted (black on green) for status ticks 21..39 of every 40.
bool BlinkInverted(int statusTicks);

struct StripBoxes {
    PlotRect run;
    PlotRect centre;
    PlotRect trigger;
};
StripBoxes ComputeStripBoxes(int stripWidth);

// Trigger level text: kV, V, mV or uV, with as many decimals as keep the "%f" text short.
std::string FormatTriggerLevel(double volts);

// Level of the trigger source in volts; for ALT the channel given by altShowsCh2.
double TriggerLevelVolts(const InstrumentSettings& settings, bool altShowsCh2);

// Source label of the trigger box, its background colour and x offset from the box's left edge.
struct TriggerSourceLabel {
    const char* text = "";
    std::uint32_t background = 0;
    int xOffset = 20;
};
TriggerSourceLabel TriggerSourceLabelFor(const InstrumentSettings& settings);
// Colour of the level text and the trigger symbol for the source (ALT: the channel being shown).
std::uint32_t TriggerSourceColour(const InstrumentSettings& settings, bool altShowsCh2);

// The ALT alternation: the strip's counter runs 0..41; below 20 the CH1 level is shown.
inline bool AltShowsCh2(int altCounter) {
    return altCounter >= 20;
}
inline int NextAltCounter(int altCounter) {
    return altCounter >= 41 ? 0 : altCounter + 1;
}

// Record picture of the centre box: x of the "T" for horizontal position p.
int RecordPictureTriggerX(const PlotRect& centreBox, int position);
// The part of the record shown on the screen as columns [first, last) of the 128-column sine.
struct VisibleColumns {
    int first = 0;
    int last = 128;
};
VisibleColumns RecordPictureVisibleColumns(const InstrumentSettings& settings, int position);

// Full screen hides both strips; with the information display on, the screen shows their essentials in
// one line instead: run state, time base (after timeWord, the "Time" text) and trigger.
struct InformationItem {
    std::string text;
    std::uint32_t colour = 0; // 0x00RRGGBB
};
std::array<InformationItem, 3> FullScreenInformation(const InstrumentSettings& settings,
                                                     std::string_view timeWord);

} // namespace tarnix
