// The test report page as layout data: frames, texts, legend, note lines and traces on a page whose width and
// height differ, so that a mixed-up axis shows.
#include "files/report_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace tarnix {
namespace {

constexpr int kW = 2000;
constexpr int kH = 3000;

std::string English(int key) {
    static const std::map<int, std::string> texts{{4018, "Time"},           {4019, "Test Report"},
                                                  {4020, "Date"},           {4021, "Sampling Rate"},
                                                  {4022, "Input Coupling"}, {4023, "Note"}};
    const auto found = texts.find(key);
    return found == texts.end() ? std::string() : found->second;
}

struct Fixture {
    std::array<std::vector<std::int16_t>, kChannelCount> traces;
    ReportInput input;

    Fixture() {
        for (auto& t : traces) {
            t.assign(5000, 128);
        }
        input.now = {2026, 12, 5, 16, 7, 9};
        input.lookupText = English;
        Bind();
    }
    void Bind() {
        for (int c = 0; c < kChannelCount; ++c) {
            input.traces[static_cast<std::size_t>(c)] = traces[static_cast<std::size_t>(c)];
        }
    }
    ReportLayout Layout() const { return ComputeReportLayout(input, kW, kH); }
};

// The text with `role` (for `channel`, or any) says `text` at `at`.
void ExpectText(const ReportLayout& layout, ReportTextRole role, int channel, const std::string& text,
                ReportPoint at) {
    const ReportText* found = layout.Find(role, channel);
    ASSERT_NE(found, nullptr) << text;
    EXPECT_EQ(found->text, text);
    EXPECT_EQ(found->at, at);
}

TEST(ReportLayout, FramesTitleTextsAndNoteLines) {
    Fixture f; // factory settings: model 1, CH1 and CH2 shown
    const ReportLayout layout = f.Layout();
    // (10, 30)..(W - 10, H - 10) thousandths and the three inner frames.
    EXPECT_EQ(
        layout.frames,
        (std::array<ReportRect, 4>{
            {{20, 90, 1980, 2970}, {30, 105, 1970, 2955}, {32, 108, 1968, 2952}, {34, 111, 1966, 2949}}}));

    const ReportText* title = layout.Find(ReportTextRole::kTitle);
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->text == "Test Report" && title->centred && title->font == ReportFont::kTitle);
    // The text lines use the font the labels left selected: "Arial Bold Italic" at 25/1000.
    EXPECT_EQ(std::tuple(title->box, layout.titleFont.cellHeight, layout.labelFont.cellHeight,
                         layout.textFont.cellHeight, layout.textFont.bold, layout.textFont.italic),
              std::tuple(ReportRect{40, 120, 1960, 2940}, 150, 75, 75, true, true));

    ExpectText(layout, ReportTextRole::kModel, -1, "MV-A2 USB", {1400, 300});
    ExpectText(layout, ReportTextRole::kDateTime, -1, "Date = 05-12-2026     Time = 16:07:09", {100, 390});
    ExpectText(layout, ReportTextRole::kNote, -1, "Note :", {100, 2610});
    // Model 1, 40.0us (row 13), 10k buffer in the block: "25MS/s".
    ExpectText(layout, ReportTextRole::kSamplingRate, -1, "Sampling Rate = 25MS/s", {100, 2220});
    ExpectText(layout, ReportTextRole::kTimebase, -1, "Time/DIV =40.0us/div", {1000, 2220});
    const std::array<int, 3> noteY{2670, 2790, 2910};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(std::pair(layout.noteLines[i].from, layout.noteLines[i].to),
                  std::pair(ReportPoint{400, noteY[i]}, ReportPoint{1900, noteY[i]}));
    }
}

TEST(ReportLayout, ModelsWithoutNameOrRateAndMissingTexts) {
    Fixture f;
    f.input.settings.model = 3;
    f.input.lookupText = nullptr;
    f.input.blockChannelCode = 2;
    const ReportLayout layout = f.Layout();
    EXPECT_EQ(layout.Find(ReportTextRole::kModel), nullptr);
    EXPECT_EQ(std::tuple(layout.Find(ReportTextRole::kSamplingRate)->text,
                         layout.Find(ReportTextRole::kTitle)->text, layout.Find(ReportTextRole::kNote)->text),
              std::tuple(" = ", "", " :"));

    // Model 1 at 20.0us (row 12) with a 32k buffer: "150MS/s"; a short trace is drawn as far as it goes.
    Fixture g;
    g.input.settings.timebase.timeDivIndex = 11;
    g.input.blockBufferSizeIndex = 3;
    g.traces[kCh1].resize(100);
    g.Bind();
    const ReportLayout other = g.Layout();
    EXPECT_EQ(std::tuple(other.Find(ReportTextRole::kSamplingRate)->text,
                         other.Find(ReportTextRole::kTimebase)->text),
              std::tuple("Sampling Rate = 150MS/s", "Time/DIV =20.0us/div"));
    EXPECT_TRUE(other.traces[0].runs.size() == 1u && other.traces[0].runs[0].size() == 100u);
}

TEST(ReportLayout, AllFourChannelsWithTheirLabelsAndLines) {
    Fixture f;
    InstrumentSettings& s = f.input.settings;
    s.ch(kMath).enabled = 1;
    s.ch(kRef).enabled = 1;
    s.ch(kCh2).coupling = kCouplingDc;
    s.ch(kCh2).probe = 1; // x10
    s.ch(kCh2).voltsPerDivIndex = 0;
    s.ch(kMath).math.mathOperator = kMathMul;
    s.ch(kRef).voltsPerDivIndex = 9;
    const ReportLayout layout = f.Layout();

    ASSERT_TRUE(layout.swatches.size() == 4u && layout.traces.size() == 4u);
    const std::array<std::string, 4> legends{"CH1 :", "CH2 :", "MATH :", "REF :"};
    const std::array<int, 4> legendX{100, 500, 1000, 1460};
    const std::array<std::string, 4> volts{"CH1  VOLT DIV =1.00V/div", "CH2  VOLT DIV =100mV/div",
                                           "MATH  VOLT DIV =1.00V/div", "REF  VOLT DIV =10.0V/div"};
    for (int c = 0; c < kChannelCount; ++c) {
        const auto i = static_cast<std::size_t>(c);
        ExpectText(layout, ReportTextRole::kLegend, c, legends[i], {legendX[i], 2130});
        ExpectText(layout, ReportTextRole::kVolts, c, volts[i], {100, 2280 + 60 * c});
        EXPECT_TRUE(layout.swatches[i].channel == c && layout.traces[i].channel == c);
        EXPECT_EQ(layout.swatches[i].colour, layout.traces[i].colour) << "the legend's colour is its trace's";
    }
    ExpectText(layout, ReportTextRole::kCoupling, kCh1, "Input Coupling = AC", {1000, 2280});
    ExpectText(layout, ReportTextRole::kCoupling, kCh2, "Input Coupling = DC", {1000, 2340});
    ExpectText(layout, ReportTextRole::kCoupling, kMath, "A x B", {1000, 2400});
    EXPECT_EQ(layout.Find(ReportTextRole::kCoupling, kRef), nullptr);
    // Swatches in thousandths: CH1 x 140..240, y 714..731; MATH x 615..715, y 713..730; REF x 820..920.
    EXPECT_EQ(std::tuple(layout.swatches[0].corners[0], layout.swatches[0].corners[2],
                         layout.swatches[2].corners[0], layout.swatches[3].corners[2]),
              std::tuple(ReportPoint{280, 2142}, ReportPoint{480, 2193}, ReportPoint{1230, 2139},
                         ReportPoint{1840, 2193}));

    // A hidden channel gets no legend, swatch, lines or trace, and asking for it finds no other channel's.
    s.ch(kCh1).enabled = 0;
    const ReportLayout without = f.Layout();
    EXPECT_EQ(std::tuple(without.swatches.size(), without.traces.size()), std::tuple(3u, 3u));
    EXPECT_TRUE(without.swatches[0].channel == kCh2 && without.traces[0].channel == kCh2);
    for (ReportTextRole role : {ReportTextRole::kLegend, ReportTextRole::kVolts, ReportTextRole::kCoupling}) {
        EXPECT_EQ(without.Find(role, kCh1), nullptr);
    }
    ExpectText(without, ReportTextRole::kVolts, kCh2, volts[1], {100, 2340});
}

TEST(ReportLayout, TraceRunsOverColumnsWithoutData) {
    Fixture f;
    f.input.settings.ch(kCh2).enabled = 0;
    std::vector<std::int16_t>& t = f.traces[kCh1];
    t[0] = 255;
    t[2500] = 128;
    t[4999] = 0;
    t[10] = 11111;
    t[11] = -1;
    const ReportLayout layout = f.Layout();

    // Area (0.05 W, 0.152 H)..(0.95 W, 0.7 H) = (100, 456)..(1900, 2100).
    EXPECT_EQ(layout.waveArea, (ReportRect{100, 456, 1900, 2100}));
    ASSERT_EQ(layout.traces.size(), 1u);
    const ReportTrace& trace = layout.traces[0];
    // One line through every point with data: the two columns without data are passed over.
    ASSERT_TRUE(trace.runs.size() == 1u && trace.runs[0].size() == 5000u - 2);
    const std::vector<ReportPoint>& line = trace.runs[0];
    // i = 12 right after the gap: x = 100 + 12 x 1800 / 4999 = 104.3, level 128; i = 2500: x = 100 + 2500 x
    // 1800 / 4999 = 1000.18, y = 456 + 127 x 1644 / 255 = 1274.8.
    EXPECT_EQ(std::tuple(line[0], line[10], line[2500 - 2], line.back()),
              std::tuple(ReportPoint{100, 456}, ReportPoint{104, 1274}, ReportPoint{1000, 1274},
                         ReportPoint{1900, 2100}));

    // Zero level 64: y = 456 + 64 x 1644 / 255 = 868.6; 80 steps = 28.8 units wide.
    EXPECT_EQ(trace.zeroMarker[2], (ReportPoint{128, 868}));
    EXPECT_TRUE(trace.zeroMarker[0].x == 100 && trace.zeroMarker[0].y < 868 && trace.zeroMarker[1].x == 100 &&
                trace.zeroMarker[1].y > 868);
}

// On white paper the graticule is a set of solid lines and light trace colours are darkened.
TEST(ReportLayout, PaperGraticuleAndColoursStandOutOnWhite) {
    Fixture f;
    f.input.settings.ch(kMath).enabled = 1;
    const ReportLayout layout = f.Layout();
    const ReportRect& a = layout.waveArea;
    // Eight vertical and six horizontal division lines across the whole area, and the centre axes.
    ASSERT_EQ(layout.gridLines.size(), 14u);
    const int x = a.left + a.Width() / 10;
    const int y = a.top + a.Height() * 7 / 8;
    EXPECT_EQ(std::tuple(layout.gridLines[0].from, layout.gridLines[0].to, layout.gridLines.back().from,
                         layout.gridLines.back().to),
              std::tuple(ReportPoint{x, a.top}, ReportPoint{x, a.bottom}, ReportPoint{a.left, y},
                         ReportPoint{a.right, y}));
    EXPECT_EQ(std::tuple(layout.axisLines[0].from.x, layout.axisLines[1].from.y),
              std::tuple((a.left + a.right) / 2, (a.top + a.bottom) / 2));
    // A thousandth of the page for the traces, so they print as lines rather than hairs.
    EXPECT_GE(layout.tracePen, kW / 1000);

    const auto luma = [](std::uint32_t c) {
        return (299 * ((c >> 16) & 0xFF) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF)) / 1000;
    };
    ASSERT_EQ(layout.traces.size(), 3u);
    const std::uint32_t ch2 =
        layout.traces[1].colour; // yellow on the screen, still yellow: red = green, no blue
    EXPECT_TRUE(luma(ch2) <= 110u && ch2 >> 16 == ((ch2 >> 8) & 0xFF) && ch2 >> 16 > 0 && (ch2 & 0xFF) == 0)
        << std::hex << ch2;
    EXPECT_EQ(layout.traces[2].colour, 0xFF0000u); // MATH red already stands out

    f.input.gridOn = false;
    EXPECT_TRUE(f.Layout().gridLines.empty());
}

} // namespace
} // namespace tarnix
