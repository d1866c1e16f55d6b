// Pass/Fail mask testing: a tolerance mask built around one display trace of CH1 or CH2, the test of
// every following Y-T frame against it with fail/pass/total counters, the stop-on-output choices, the
// .psf file of the mask settings, and the mask regions the screen draws. The panel (ui) and the
// document drive this class; it holds no widget and no file dialog.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

struct InstrumentSettings;

inline constexpr int kMaskPoints = 5000; // one limit per display-trace column

enum PassFailOutput : std::uint16_t {
    kOutputFail = 0,
    kOutputFailBeep = 1,
    kOutputPass = 2,
    kOutputPassBeep = 3,
};

// Panel ranges: Vertical in DIV / 32 (one sample step), Horizontal in DIV / 50 (ten display points).
inline constexpr int kVerticalPanelMax = 128;
inline constexpr int kHorizontalPanelMax = 200;
inline constexpr int kPointsPerHorizontalUnit = 10;
// Ranges a .psf file is clamped to on load.
inline constexpr int kHorizontalPointsMax = 2000;

inline constexpr std::uint32_t kMaskColour = 0x968000; // RGB(150, 128, 0)

// The whole Pass/Fail state, as the document keeps it and the setup file stores it.
struct PassFailState {
    std::array<std::int16_t, kMaskPoints> upper{}; // per column, 0..255 once created
    std::array<std::int16_t, kMaskPoints> lower{};
    std::uint16_t horizontalTolerance = 10; // display points: the panel value x 10
    std::uint16_t verticalTolerance = 1;    // sample steps: the panel value
    std::uint64_t failCount = 0;
    std::uint64_t passCount = 0;
    std::uint64_t totalCount = 0;
    std::uint16_t source = 0; // 0 CH1, 1 CH2
    std::uint16_t output = kOutputFail;
    std::int32_t stopWhenOutput = 0;
    std::int32_t testing = 0;    // 1 while a test runs
    std::int32_t panelShown = 0; // the screen draws the mask while this is 1

    bool operator==(const PassFailState&) const = default;
};

// What the test needs from its surroundings.
class IPassFailHost {
public:
    virtual ~IPassFailHost() = default;
    // The document's Stop action (running and runStatus 0, re-process, redraw).
    virtual void StopAcquisition() = 0;
    // The system's default beep.
    virtual void Beep() = 0;
};

// The panel's "Create" inputs: the values of its controls.
struct MaskSettings {
    int verticalPanel = 1;   // DIV / 32
    int horizontalPanel = 1; // DIV / 50
    int source = 0;
    int output = kOutputFail;
    bool stopWhenOutput = false;
};

struct FrameTestResult {
    bool tested = false; // false: not testing, or the format is not Y-T
    bool passed = false;
    bool stopped = false; // the output stopped the test and the acquisition
    bool beeped = false;
};

// Which controls the panel enables; Stop is enabled exactly while testing.
struct PassFailControls {
    bool startEnabled = true;
    bool stopEnabled = false;
    bool settingsEnabled = true; // source list, both edits and spin buttons, "Create"
};

struct PsfResult {
    enum class Status { kDone, kIgnored, kFailed };
    Status status = Status::kDone;
    std::string message; // for kFailed: the text of the error box
};

// One point of a mask region, in the screen's pixel coordinates.
struct MaskPoint {
    int x = 0;
    int y = 0;
    bool operator==(const MaskPoint&) const = default;
};

class CPassFail {
public:
    // host may be null: then nothing stops and nothing beeps (tests of the mask alone).
    explicit CPassFail(IPassFailHost* host = nullptr);

    PassFailState& State() { return state_; }
    const PassFailState& State() const { return state_; }

    // Factory defaults: limits and counters zeroed, source CH1, output "FAIL", stop-when-output off,
    // not testing, panel hidden, H 10 points, V 1.
    void Reset();

    // "Create": stores the tolerances and options (clamped to the panel's ranges), builds the mask from
    // the source channel's display trace and clears the counters; a running test ends without stopping
    // the acquisition. The caller switches the source channel on. Columns missing from a short trace
    // count as "no data" (-1).
    void CreateMask(const MaskSettings& settings, std::span<const std::int16_t> sourceTrace);

    // "Start" (also shows the panel): counters to 0, testing 1. Starts the acquisition (running 1,
    // runStatus 3) when it was stopped; returns true then, so the view shows the running state.
    bool Start(InstrumentSettings& settings);
    // "Stop": ends the test and stops the acquisition through the host.
    void Stop();
    // Closing the panel: hides the mask, stops as "Stop" does, then sets the acquisition running again.
    void ClosePanel(InstrumentSettings& settings);
    // The Utility/Pass/Fail command showed the panel.
    void ShowPanel() { state_.panelShown = 1; }

    // The tick's test of one frame: runs only while testing in the Y-T format. The trace is the display
    // trace of State().source.
    FrameTestResult TestFrame(const InstrumentSettings& settings, std::span<const std::int16_t> sourceTrace);

    PassFailControls Controls() const;
    // Edit-box values the panel shows: H / 10 and V.
    int HorizontalPanelValue() const { return state_.horizontalTolerance / kPointsPerHorizontalUnit; }
    int VerticalPanelValue() const { return state_.verticalTolerance; }

    // ".psf": the 10 bytes of the mask settings. Save writes them (error: "Cann't save file: %s");
    // Load ignores a path not ending in ".psf" (any case), clamps the fields, then stops the test as
    // "Stop" does. The counters keep their values although the panel shows "0" after a load.
    PsfResult SavePsf(const std::string& path) const;
    PsfResult LoadPsf(const std::string& path);

    // The mask as two filled regions in the plot rectangle left, top, right, bottom (drawn with
    // kMaskColour while the panel is shown). `out` is reused between repaints.
    void UpperRegion(int left, int top, int right, int bottom, std::vector<MaskPoint>& out) const;
    void LowerRegion(int left, int top, int right, int bottom, std::vector<MaskPoint>& out) const;

private:
    void EndTest();

    IPassFailHost* host_;
    PassFailState state_;
};

// The mask around trace s with tolerances V (steps) and H (points): s[i] +/- V, widened by every point
// within H columns on the side that stays inside the record, clamped to 0..255.
void BuildMask(std::span<const std::int16_t> trace, int horizontalPoints, int verticalSteps,
               std::array<std::int16_t, kMaskPoints>& upper, std::array<std::int16_t, kMaskPoints>& lower);

// The 10-byte .psf image and its reading with the load clamps; false when `bytes` is not 10 bytes long.
std::array<std::uint8_t, 10> EncodePsf(const PassFailState& state);
bool DecodePsf(std::span<const std::uint8_t> bytes, PassFailState& state);

// Labels of the panel's lists.
std::string_view PassFailOutputLabel(int output); // "FAIL", "FAIL + BEEPER", "PASS", "PASS + BEEPER"
std::string_view PassFailSourceLabel(int source); // "CH1", "CH2"

// Texts of the panel's file dialogs.
inline constexpr std::string_view kPsfSaveTitle = "Save PassFail Mask As...";
inline constexpr std::string_view kPsfLoadTitle = "Load PassFail Mask File...";
inline constexpr std::string_view kPsfExtension = ".psf";
inline constexpr std::string_view kPsfSaveFilter = "PassFail File(*.psf)|*.psf||";
inline constexpr std::string_view kPsfLoadFilter = "PassFail File(*.psf)|*.psf|All Files(*.*)|*.*||";

} // namespace tarnix
