#include "files/report_layout.h"

#include <algorithm>
#include <cstdio>

#include "model/model_table.h"

namespace tarnix {

namespace {

constexpr int kTracePoints = 5000;
// The zero-level triangle is as wide as 80 of the trace's x steps.
constexpr int kZeroMarkerSteps = 80;

// Positions given in thousandths of the page: x/1000 of W, truncated.
int Milli(int size, int thousandths) {
    return static_cast<int>(static_cast<std::int64_t>(size) * thousandths / 1000);
}

struct Page {
    int w;
    int h;
    int X(int thousandths) const { return Milli(w, thousandths); }
    int Y(int thousandths) const { return Milli(h, thousandths); }
    // "W - n": the page width minus n thousandths of it.
    int XFromRight(int thousandths) const { return w - Milli(w, thousandths); }
    int YFromBottom(int thousandths) const { return h - Milli(h, thousandths); }
    ReportRect Inset(int x, int y, int r, int b) const { return {X(x), Y(y), XFromRight(r), YFromBottom(b)}; }
};

std::string Lookup(const ReportInput& input, int key) {
    return input.lookupText ? input.lookupText(key) : std::string();
}

template <typename... Args> std::string Format(const char* format, Args... args) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n < 64 ? n : 63)) : std::string();
}

constexpr std::array<const char*, kChannelCount> kLegendLabels{"CH1 :", "CH2 :", "MATH :", "REF :"};
constexpr std::array<int, kChannelCount> kLegendX{50, 250, 500, 730};
constexpr std::array<const char*, kChannelCount> kVoltsPrefix{
    "CH1  VOLT DIV =", "CH2  VOLT DIV =", "MATH  VOLT DIV =", "REF  VOLT DIV ="};
constexpr std::array<int, kChannelCount> kVoltsLineY{760, 780, 800, 820};
// Swatch corners in thousandths: left, right, top, bottom.
constexpr std::array<std::array<int, 4>, kChannelCount> kSwatches{
    {{140, 240, 714, 731}, {340, 440, 713, 730}, {615, 715, 713, 730}, {820, 920, 714, 731}}};

bool Shown(const InstrumentSettings& settings, int channel) {
    return settings.ch(channel).enabled != 0;
}

ReportTrace LayoutTrace(const ReportInput& input, int channel, const ReportRect& area) {
    const ChannelSettings& ch = input.settings.ch(channel);
    ReportTrace trace;
    trace.channel = channel;
    trace.colour = PaperColour(ch.colour);
    const double xStep = static_cast<double>(area.Width()) / (kTracePoints - 1);
    const double yScale = static_cast<double>(area.Height()) / 255.0;

    const std::span<const std::int16_t> points = input.traces[static_cast<std::size_t>(channel)];
    const std::size_t count = points.size() < kTracePoints ? points.size() : kTracePoints;
    std::vector<ReportPoint> run;
    run.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int level = points[i];
        if (level < 0 || level > 255) { // a column without data: the line runs on to the next point
            continue;
        }
        run.push_back({static_cast<int>(area.left + static_cast<double>(i) * xStep),
                       static_cast<int>(area.top + (255 - level) * yScale)});
    }
    if (!run.empty()) {
        trace.runs.push_back(std::move(run));
    }

    const int zeroY = static_cast<int>(area.top + static_cast<double>(ch.zeroLevel) * yScale);
    const int width = static_cast<int>(kZeroMarkerSteps * xStep);
    const int half = width / 2;
    trace.zeroMarker = {ReportPoint{area.left, zeroY - half}, ReportPoint{area.left, zeroY + half},
                        ReportPoint{area.left + width, zeroY}};
    return trace;
}

} // namespace

std::uint32_t PaperColour(std::uint32_t screenColour) {
    const std::uint32_t r = (screenColour >> 16) & 0xFFu;
    const std::uint32_t g = (screenColour >> 8) & 0xFFu;
    const std::uint32_t b = screenColour & 0xFFu;
    const std::uint32_t luma = (299 * r + 587 * g + 114 * b) / 1000;
    if (luma <= kMaxPaperLuma) {
        return screenColour & 0x00FFFFFFu;
    }
    const auto darker = [luma](std::uint32_t v) { return v * kMaxPaperLuma / luma; };
    return darker(r) << 16 | darker(g) << 8 | darker(b);
}

const ReportText* ReportLayout::Find(ReportTextRole role, int channel) const {
    for (const ReportText& text : texts) {
        if (text.role == role && (channel < 0 || text.channel == channel)) {
            return &text;
        }
    }
    return nullptr;
}

std::string_view ReportModelName(int model) {
    switch (model) {
    case 0:
        return "MV-A1 USB";
    case 1:
        return "MV-A2 USB";
    case 2:
        return "MV-A3 USB";
    default:
        return {};
    }
}

std::string_view CouplingLabel(int coupling) {
    switch (coupling) {
    case kCouplingDc:
        return "DC";
    case kCouplingAc:
        return "AC";
    case kCouplingGnd:
        return "GND";
    default:
        return {};
    }
}

std::string_view MathOperatorLabel(int op) {
    switch (op) {
    case kMathAdd:
        return "A + B";
    case kMathSub:
        return "A - B";
    case kMathMul:
        return "A x B";
    case kMathDiv:
        return "A / B";
    default:
        return {};
    }
}

ReportLayout ComputeReportLayout(const ReportInput& input, int width, int height) {
    const Page page{width, height};
    const InstrumentSettings& s = input.settings;
    ReportLayout layout;
    layout.width = width;
    layout.height = height;

    layout.frames = {page.Inset(10, 30, 10, 10), page.Inset(15, 35, 15, 15), page.Inset(16, 36, 16, 16),
                     page.Inset(17, 37, 17, 17)};

    layout.titleFont = {"Arial", page.Y(50), true, true};
    layout.labelFont = {"Arial", page.Y(25), true, true};
    // The text lines are written in the font the labels left selected.
    layout.textFont = layout.labelFont;

    ReportText title;
    title.role = ReportTextRole::kTitle;
    title.text = Lookup(input, kTextTestReport);
    title.font = ReportFont::kTitle;
    title.centred = true;
    title.box = page.Inset(20, 40, 20, 20);
    title.at = {title.box.left, title.box.top};
    layout.texts.push_back(title);

    const auto add = [&](ReportTextRole role, int channel, std::string text, ReportFont font,
                         ReportPoint at) {
        ReportText t;
        t.role = role;
        t.channel = channel;
        t.text = std::move(text);
        t.font = font;
        t.at = at;
        layout.texts.push_back(std::move(t));
    };

    const std::string_view model = ReportModelName(s.model);
    if (!model.empty()) {
        add(ReportTextRole::kModel, -1, std::string(model), ReportFont::kLabel, {page.X(700), page.Y(100)});
    }
    for (int c = 0; c < kChannelCount; ++c) {
        if (Shown(s, c)) {
            const auto i = static_cast<std::size_t>(c);
            add(ReportTextRole::kLegend, c, kLegendLabels[i], ReportFont::kLabel,
                {page.X(kLegendX[i]), page.Y(710)});
        }
    }
    add(ReportTextRole::kNote, -1, Lookup(input, kTextNote) + " :", ReportFont::kLabel,
        {page.X(50), page.Y(870)});

    for (int c = 0; c < kChannelCount; ++c) {
        if (Shown(s, c)) {
            const std::array<int, 4>& r = kSwatches[static_cast<std::size_t>(c)];
            const int left = page.X(r[0]);
            const int right = page.X(r[1]);
            const int top = page.Y(r[2]);
            const int bottom = page.Y(r[3]);
            layout.swatches.push_back({c,
                                       PaperColour(s.ch(c).colour),
                                       {ReportPoint{left, top}, ReportPoint{right, top},
                                        ReportPoint{right, bottom}, ReportPoint{left, bottom}}});
        }
    }

    for (std::size_t i = 0; i < layout.noteLines.size(); ++i) {
        const int y = page.Y(890 + 40 * static_cast<int>(i));
        layout.noteLines[i] = {{page.X(200), y}, {page.X(950), y}};
    }

    // The fractions of the page (0.05 W, 0.74 H ...) are whole thousandths, taken exactly.
    const int textX = page.X(50);
    const int secondX = page.X(500);
    const ReportDateTime& now = input.now;
    add(ReportTextRole::kDateTime, -1,
        Lookup(input, kTextDate) + Format(" = %02d-%02d-%4d", now.day, now.month, now.year) + "     " +
            Lookup(input, kTextTime) + Format(" = %02d:%02d:%02d", now.hour, now.minute, now.second),
        ReportFont::kText, {textX, page.Y(130)});

    const int row = s.timebase.timeDivIndex + s.timebase.timeDivOffset;
    const int rateY = page.Y(740);
    add(ReportTextRole::kSamplingRate, -1,
        Lookup(input, kTextSamplingRate) + " = " +
            std::string(SamplingRateLabel(s.model, row, input.blockBufferSizeIndex, input.blockChannelCode,
                                          input.blockTriggerSource)),
        ReportFont::kText, {textX, rateY});
    add(ReportTextRole::kTimebase, -1,
        Lookup(input, kTextTime) + "/DIV =" + std::string(TimePerDivLabel(row)) + "/div", ReportFont::kText,
        {secondX, rateY});

    for (int c = 0; c < kChannelCount; ++c) {
        if (!Shown(s, c)) {
            continue;
        }
        const ChannelSettings& ch = s.ch(c);
        const auto i = static_cast<std::size_t>(c);
        const int y = page.Y(kVoltsLineY[i]);
        add(ReportTextRole::kVolts, c,
            std::string(kVoltsPrefix[i]) + std::string(ProbeScaledLabel(ch.voltsPerDivIndex, ch.probe)) +
                "/div",
            ReportFont::kText, {textX, y});
        if (c == kCh1 || c == kCh2) {
            add(ReportTextRole::kCoupling, c,
                Lookup(input, kTextInputCoupling) + " = " + std::string(CouplingLabel(ch.coupling)),
                ReportFont::kText, {secondX, y});
        } else if (c == kMath) {
            add(ReportTextRole::kCoupling, c, std::string(MathOperatorLabel(s.ch(kMath).math.mathOperator)),
                ReportFont::kText, {secondX, y});
        }
    }

    // Two lines between the last settings line (0.82 H) and the note (0.87 H).
    for (std::size_t k = 0; k < input.measurements.size() && k < 8; ++k) {
        const int column = static_cast<int>(k % 4);
        const int line = static_cast<int>(k / 4);
        add(ReportTextRole::kMeasurement, -1, input.measurements[k], ReportFont::kText,
            {page.X(50 + 225 * column), page.Y(838 + 16 * line)});
    }

    layout.waveArea = {page.X(50), page.Y(152), page.X(950), page.Y(700)};
    layout.gridOn = input.gridOn;
    // Pens of a printer's one device unit vanish on paper: the traces get a thousandth of the page
    // width, the division lines a third of that.
    layout.tracePen = std::max(1, page.X(1));
    layout.gridPen = std::max(1, layout.tracePen / 3);
    const ReportRect& area = layout.waveArea;
    for (int i = 1; i < 10; ++i) {
        const int x = area.left + area.Width() * i / 10;
        const ReportLine line{{x, area.top}, {x, area.bottom}};
        if (i == 5) {
            layout.axisLines[0] = line;
        } else if (layout.gridOn) {
            layout.gridLines.push_back(line);
        }
    }
    for (int j = 1; j < 8; ++j) {
        const int y = area.top + area.Height() * j / 8;
        const ReportLine line{{area.left, y}, {area.right, y}};
        if (j == 4) {
            layout.axisLines[1] = line;
        } else if (layout.gridOn) {
            layout.gridLines.push_back(line);
        }
    }
    for (int c = 0; c < kChannelCount; ++c) {
        if (Shown(s, c)) {
            layout.traces.push_back(LayoutTrace(input, c, layout.waveArea));
        }
    }
    return layout;
}

} // namespace tarnix
