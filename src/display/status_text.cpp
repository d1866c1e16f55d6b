#include "display/status_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/instrument_settings.h"

namespace tarnix {

RunStateStyle RunStateFor(int runStatus) {
    constexpr std::uint32_t kGreen = Rgb(0, 255, 0);
    switch (runStatus) {
    case 0:
        return {"STOP", Rgb(255, 0, 0), 12, false};
    case 1:
        return {"RUN", kGreen, 14, false};
    case 2:
        return {"Trig'D", kGreen, 11, false};
    case 3:
        return {"AUTO", kGreen, 12, true};
    case 4:
        return {"WAIT", kGreen, 12, true};
    case 5:
        return {"PLAY", kGreen, 12, false};
    default:
        return {"AUTO", kGreen, 12, false};
    }
}

bool BlinkInverted(int statusTicks) {
    // The counter is reset at 40, so the phase repeats every 40 ticks.
    const int phase = statusTicks % 40;
    return phase >= 21 && phase < 40;
}

StripBoxes ComputeStripBoxes(int w) {
    StripBoxes b;
    b.run = PlotRect{2, 2, 52, 23};
    b.centre = PlotRect{w / 2 - 67, 0, w / 2 + 67, 23};
    b.trigger = PlotRect{w - 97, 2, w - 2, 23};
    return b;
}

std::string FormatTriggerLevel(double volts) {
    const double a = std::fabs(volts);
    double scaled = volts;
    const char* unit = "V";
    if (a >= 1000.0) {
        scaled = volts * 0.001;
        unit = "kV";
    } else if (a >= 1.0) {
        unit = "V";
    } else if (a >= 0.001) {
        scaled = volts * 1000.0;
        unit = "mV";
    } else {
        scaled = volts * 1e6;
        unit = "uV";
    }
    char text[64];
    int n = std::snprintf(text, sizeof text, "%f", scaled);
    const int sign = scaled < 0.0 ? 1 : 0;
    const char* refine = nullptr;
    if (n == 8 + sign) {
        refine = "%.2f";
    } else if (n == 9 + sign) {
        refine = "%.1f";
    } else if (n == 10 + sign) {
        refine = "%.0f";
    }
    if (refine != nullptr) {
        n = std::snprintf(text, sizeof text, refine, scaled);
    }
    (void)n;
    return std::string(text) + unit;
}

double TriggerLevelVolts(const InstrumentSettings& s, bool altShowsCh2) {
    int source = s.trigger.triggerSource;
    if (source == kTrigAlt) {
        source = altShowsCh2 ? kTrigCh2 : kTrigCh1;
    }
    switch (source) {
    case kTrigCh1:
        return ChannelVoltsPerDiv(s.ch(kCh1)) * (s.ch(kCh1).zeroLevel - s.trigger.levelCh1) / 32.0;
    case kTrigCh2:
        return ChannelVoltsPerDiv(s.ch(kCh2)) * (s.ch(kCh2).zeroLevel - s.trigger.levelCh2) / 32.0;
    case kTrigExt:
        return (128.0 - s.trigger.levelExt) * 0.03125;
    case kTrigExt10:
        return (128.0 - s.trigger.levelExt) * 0.03125 * 10.0;
    default:
        return 0.0;
    }
}

TriggerSourceLabel TriggerSourceLabelFor(const InstrumentSettings& s) {
    switch (s.trigger.triggerSource) {
    case kTrigCh1:
        return {"CH1", s.ch(kCh1).colour, 20};
    case kTrigCh2:
        return {"CH2", s.ch(kCh2).colour, 20};
    case kTrigAlt:
        return {"ALT", Rgb(250, 170, 100), 20};
    case kTrigExt:
        return {"EXT", Rgb(255, 0, 255), 20};
    case kTrigExt10:
        return {"EXT/10", Rgb(255, 0, 255), 15};
    default:
        return {"", 0, 20};
    }
}

std::uint32_t TriggerSourceColour(const InstrumentSettings& s, bool altShowsCh2) {
    switch (s.trigger.triggerSource) {
    case kTrigCh1:
        return s.ch(kCh1).colour;
    case kTrigCh2:
        return s.ch(kCh2).colour;
    case kTrigAlt:
        return altShowsCh2 ? s.ch(kCh2).colour : s.ch(kCh1).colour;
    default:
        return Rgb(255, 0, 255);
    }
}

int RecordPictureTriggerX(const PlotRect& box, int position) {
    if (position < 1) {
        return box.left + 1;
    }
    if (position >= 500) {
        return box.right - 6;
    }
    return box.left + 1 + (box.Width() - 7) * position / 500;
}

namespace {

// Record points behind one display point pair: the decimation group size.
int DecimationGroup(int model, int timeDivIndex, std::uint32_t recordLength) {
    if (recordLength == 10240) {
        return 4;
    }
    const int t = timeDivIndex;
    const bool tens = t == 13 || t == 16 || t == 19 || t == 22;
    switch (model) {
    case 0:
        if (tens) {
            return 10;
        }
        return (t >= 11 && t <= 24) ? 8 : 12;
    case 1:
        if (t == 11 || t == 12) {
            return 12;
        }
        return tens ? 10 : 8;
    case 2:
        return 200;
    default:
        return 8;
    }
}

} // namespace

VisibleColumns RecordPictureVisibleColumns(const InstrumentSettings& s, int position) {
    const double length = std::max<double>(s.ch(kCh1).recordLength, 1.0);
    const double span = 2500.0 * DecimationGroup(s.model, s.timebase.timeDivIndex, s.ch(kCh1).recordLength);
    const double shown = std::min(1.0, span / length);
    const double p = std::clamp(position, 0, 500) * 0.002;
    const double start = p * (1.0 - shown);
    VisibleColumns v;
    v.first = std::clamp(static_cast<int>(start * 128.0), 0, 127);
    v.last = std::clamp(static_cast<int>(std::ceil((start + shown) * 128.0)), v.first + 1, 128);
    return v;
}

std::array<InformationItem, 3> FullScreenInformation(const InstrumentSettings& s, std::string_view timeWord) {
    const RunStateStyle run = RunStateFor(s.runStatus);
    std::string time(timeWord);
    time += ' ';
    time += TimePerDivLabel(s.timebase.timeDivIndex + s.timebase.timeDivOffset);
    std::string trigger = TriggerSourceLabelFor(s).text;
    if (s.trigger.triggerMode == kTrigModePulse) {
        trigger += " Pulse ";
    } else {
        trigger += s.trigger.slope == kSlopeFalling ? " \u2193 " : " \u2191 ";
    }
    trigger += FormatTriggerLevel(TriggerLevelVolts(s, false));
    return {InformationItem{run.text, run.colour}, InformationItem{time, Rgb(255, 177, 100)},
            InformationItem{trigger, TriggerSourceColour(s, false)}};
}

} // namespace tarnix
