// The printed test report as pure layout data: every frame, text, swatch, line and trace of the page in
// device units, computed from the settings, the display traces and a page size. The printer and the
// preview only draw what this says, so the page is tested without a printer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/instrument_settings.h"

namespace tarnix {

// Language keys of the report's texts.
inline constexpr int kTextTime = 4018;
inline constexpr int kTextTestReport = 4019;
inline constexpr int kTextDate = 4020;
inline constexpr int kTextSamplingRate = 4021;
inline constexpr int kTextInputCoupling = 4022;
inline constexpr int kTextNote = 4023;

struct ReportRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ReportRect&) const = default;
};

struct ReportPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ReportPoint&) const = default;
};

enum class ReportFont {
    kTitle, // "Arial Bold Italic" at 50/1000 of the page height
    kLabel, // "Arial Bold Italic" at 25/1000: model name, legend labels, "Note :"
    kText   // the text lines: date and time, sampling rate, time base, volts/div and coupling
};

struct ReportFontSpec {
    std::string family;
    int cellHeight = 0; // device units, internal leading included
    bool bold = false;
    bool italic = false;
};

// What a text is, so readers of the layout need not match its wording.
enum class ReportTextRole {
    kTitle,
    kModel,
    kLegend,
    kNote,
    kDateTime,
    kSamplingRate,
    kTimebase,
    kVolts,
    kCoupling,
    kMeasurement
};

struct ReportText {
    ReportTextRole role = ReportTextRole::kTitle;
    int channel = -1; // kCh1..kRef for legend, volts and coupling texts; -1 otherwise
    std::string text;
    ReportFont font = ReportFont::kText;
    ReportPoint at;       // top-left of the text cell
    bool centred = false; // instead: centred horizontally in `box`, at its top
    ReportRect box;
};

// A legend swatch: a filled four-corner polygon in the channel's colour.
struct ReportSwatch {
    int channel = 0;
    std::uint32_t colour = 0; // 0x00RRGGBB
    std::array<ReportPoint, 4> corners;
};

struct ReportLine {
    ReportPoint from;
    ReportPoint to;
};

// One shown channel's trace: one polyline through every point that holds data (columns without data
// are passed over), and the filled triangle at the left edge that points at the channel's 0 V line.
struct ReportTrace {
    int channel = 0;
    std::uint32_t colour = 0;
    std::vector<std::vector<ReportPoint>> runs;
    std::array<ReportPoint, 3> zeroMarker;
};

struct ReportLayout {
    int width = 0;
    int height = 0;
    std::array<ReportRect, 4> frames; // outermost first
    ReportFontSpec titleFont;
    ReportFontSpec labelFont;
    ReportFontSpec textFont;
    std::vector<ReportText> texts;
    std::vector<ReportSwatch> swatches;
    std::array<ReportLine, 3> noteLines;
    // The graticule of the screen's ticks drawn in black into this area, under solid grey division
    // lines (only with the grid on) and the two black centre axes; the traces follow in CH1, CH2,
    // MATH, REF order, then a black border around the area. Pens in device units.
    ReportRect waveArea;
    bool gridOn = true;
    std::vector<ReportLine> gridLines;
    std::array<ReportLine, 2> axisLines; // vertical, horizontal
    int gridPen = 1;
    int tracePen = 1;
    std::vector<ReportTrace> traces;

    // The first text with this role (and channel, when given); nullptr when there is none.
    const ReportText* Find(ReportTextRole role, int channel = -1) const;
};

struct ReportDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct ReportInput {
    InstrumentSettings settings;
    // The four display traces (CH1, CH2, MATH, REF): screen codes 0 bottom .. 255 top; any other value
    // marks a column without data. A channel that is shown with fewer points is drawn as far as it goes.
    std::array<std::span<const std::int16_t>, kChannelCount> traces;
    // The sampling-rate label reads the hardware block, not the settings.
    int blockBufferSizeIndex = 0;
    int blockChannelCode = 0;
    int blockTriggerSource = 0;
    bool gridOn = true;
    // The measurement texts shown on the screen, listed under the settings lines, four to a line.
    std::vector<std::string> measurements;
    ReportDateTime now;
    // Language text of a key; an empty function gives "" for every key.
    std::function<std::string(int key)> lookupText;
};

// A channel colour as it is printed: light colours (yellow, green, cyan) are darkened, keeping their
// hue, until they stand out on white paper as they do on the black screen; dark ones stay.
inline constexpr std::uint32_t kMaxPaperLuma = 110;
std::uint32_t PaperColour(std::uint32_t screenColour);

// "MV-A1 USB", "MV-A2 USB", "MV-A3 USB" for models 0..2; "" for the models the report names not.
std::string_view ReportModelName(int model);
std::string_view CouplingLabel(int coupling); // "DC", "AC", "GND"; "" outside 0..2
std::string_view MathOperatorLabel(int op);   // "A + B", "A - B", "A x B", "A / B"; "" outside 0..3

// The page of width x height device units (the printable area, origin at its top-left corner).
ReportLayout ComputeReportLayout(const ReportInput& input, int width, int height);

} // namespace tarnix
