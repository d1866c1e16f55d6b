// The menu bar table.
//
// Choices made where the positions of items are not fixed by a language key that is already in use
// (keys that translators' files depend on: 80000 File/Load CSV, 8020000 Channel/CH1/Turn Off,
// 8020004 Channel/CH1/Filter, 802000100 Channel/CH1/Volt/DIV/10.0mV, 802000200 CH1 coupling DC,
// 8030000 Trigger/Mode/Edge, 8030100 Trigger/Sweep/Auto, 8030300 Trigger/Slope/+, 80402
// Horizontal/50%, 804000000 the first nS time base, 804000100 Horizontal/Time/DIV/uS/1.00uS, 8080900
// Acquire/Buffer Size/10k, 8090800 Utility/Language/Default, 8090801 its separator, 8090802 the first
// language file, 81001 Help/About):
// - Separators, 24 in all, so that the default language holds 285 menu texts: File 4 (CSV | setups |
//   image and export | printing | Exit), View 1 (before Full Screen), CH1 and CH2 2 each (after
//   Filter, before Reset), MATH 3 (after Turn On, after Operate, before Invert), Reference 1 (before
//   Load Reference), Trigger 1 (before 50%), Measure 2 (around the 20 measurements), Display 1 (after
//   Grid), Acquire 3 (after Stop, after Zoom Out, after Interpolation), Utility 3 (after Pass/Fail,
//   after Calibration, after Factory Setup) and the one under Language/Default. Acquire needs exactly
//   two before Buffer Size (position 9) and Utility three before Language (position 8); Horizontal
//   and Help can have none before 80402 and 81001.
// - File: 32817 is Load Setups, 32820 Save Setups, 32809 Save Image (the three File IDs whose use
//   is not otherwise tied to an item).
// - Channel: CH1, CH2, MATH, Reference; inside CH1/CH2: Turn Off, Volt/DIV, Coupling, Probe, Filter
//   ("Digital Filter" here, "Filter" in the default language), Invert, BandWidth Limit, Reset.
// - Cursor: Source before Type; the types in the order None, Cross, Trace, Vertical, Horizontal.
// - Measure: the 20 items in the order of their type codes. After Clear Measure (80623), past the keys
//   of the shipped language files, a separator and the statistics and log items (80624..80627); a
//   language file without their keys leaves their texts as they are here.
// - Horizontal: Time/DIV, Format, 50%; Format lists Y - T, Roll, X - Y; Time/DIV holds the popups nS,
//   uS, mS, S, min, Hour.
// - Menu-bar titles carry "&" mnemonics; items carry none (their shortcut text follows "#").
// - Texts here are the menu's own; the default language replaces some of them (Filter, Zero, " +",
//   " -", "About...#F9", "Positive Overshoot", a blank before the time units).
#include "language/menu_table.h"

#include "language/command_ids.h"
#include "model/model_table.h"

#include <array>
#include <cstdint>
#include <tuple>

namespace tarnix {
namespace {

using P = MenuPresence;

constexpr MenuRow Pop(int level, const char* text) {
    return {level, MenuKind::Popup, 0, text, P::Always};
}
constexpr MenuRow Sep(int level) {
    return {level, MenuKind::Separator, 0, "", P::Always};
}
constexpr MenuRow Cmd(int level, int id, const char* text, MenuPresence presence = P::Always) {
    return {level, MenuKind::Command, id, text, presence};
}

// clang-format off
constexpr MenuRow kMenuBar[] = {
    Pop(0, "&File"),
        Cmd(1, cmd::kFileLoadCsv, "Load CSV#Ctrl+O"),
        Cmd(1, cmd::kFileSaveCsv, "Save CSV#Ctrl+S"),
        Sep(1),
        Cmd(1, cmd::kFileLoadSetups, "Load Setups"),
        Cmd(1, cmd::kFileSaveSetups, "Save Setups"),
        Sep(1),
        Cmd(1, cmd::kFileSaveImage, "Save Image"),
        Cmd(1, cmd::kFileSaveScreenSvg, "Save Screen as SVG"),
        Cmd(1, cmd::kFileSaveWaveform, "Save Waveform"),
        Sep(1),
        Cmd(1, cmd::kFilePrint, "Print#Ctrl+P"),
        Cmd(1, cmd::kFilePrintPreview, "Print Preview"),
        Cmd(1, cmd::kFileExportReportPdf, "Export Report as PDF"),
        Sep(1),
        Cmd(1, cmd::kAppExit, "Exit#Ctrl+X"),
    Pop(0, "&View"),
        Cmd(1, cmd::kViewToolbar, "Toolbar"),
        Cmd(1, cmd::kViewSidebar, "Sidebar"),
        Sep(1),
        Cmd(1, cmd::kViewFullScreen, "Full Screen#Alt+Enter"),
    Pop(0, "&Channel"),
        Pop(1, "CH1"),
            Cmd(2, cmd::kCh1TurnOnOff, "Turn Off#Ctrl+1"),
            Pop(2, "Volt/DIV"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 0, "10.0mV"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 1, "20.0mV"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 2, "50.0mV"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 3, "100mV"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 4, "200mV"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 5, "500mV"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 6, "1.00V"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 7, "2.00V"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 8, "5.00V"),
                Cmd(3, cmd::kCh1VoltsPerDivFirst + 9, "10.0V", P::Models45Only),
            Pop(2, "Coupling"),
                Cmd(3, cmd::kCh1CouplingFirst + 0, "DC"),
                Cmd(3, cmd::kCh1CouplingFirst + 1, "AC"),
                Cmd(3, cmd::kCh1CouplingFirst + 2, "GND"),
            Pop(2, "Probe"),
                Cmd(3, cmd::kCh1ProbeFirst + 0, "x 1"),
                Cmd(3, cmd::kCh1ProbeFirst + 1, "x 10"),
                Cmd(3, cmd::kCh1ProbeFirst + 2, "x 100"),
                Cmd(3, cmd::kCh1ProbeFirst + 3, "x 1000"),
            Pop(2, "Digital Filter"),
                Cmd(3, cmd::kCh1FilterFirst + 0, "None"),
                Cmd(3, cmd::kCh1FilterFirst + 1, "Lower"),
                Cmd(3, cmd::kCh1FilterFirst + 2, "Higher"),
            Sep(2),
            Cmd(2, cmd::kCh1Invert, "Invert"),
            Cmd(2, cmd::kCh1BandwidthLimit, "BandWidth Limit"),
            Sep(2),
            Cmd(2, cmd::kCh1Reset, "Reset"),
        Pop(1, "CH2"),
            Cmd(2, cmd::kCh2TurnOnOff, "Turn Off#Ctrl+2"),
            Pop(2, "Volt/DIV"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 0, "10.0mV"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 1, "20.0mV"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 2, "50.0mV"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 3, "100mV"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 4, "200mV"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 5, "500mV"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 6, "1.00V"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 7, "2.00V"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 8, "5.00V"),
                Cmd(3, cmd::kCh2VoltsPerDivFirst + 9, "10.0V", P::Models45Only),
            Pop(2, "Coupling"),
                Cmd(3, cmd::kCh2CouplingFirst + 0, "DC"),
                Cmd(3, cmd::kCh2CouplingFirst + 1, "AC"),
                Cmd(3, cmd::kCh2CouplingFirst + 2, "GND"),
            Pop(2, "Probe"),
                Cmd(3, cmd::kCh2ProbeFirst + 0, "x 1"),
                Cmd(3, cmd::kCh2ProbeFirst + 1, "x 10"),
                Cmd(3, cmd::kCh2ProbeFirst + 2, "x 100"),
                Cmd(3, cmd::kCh2ProbeFirst + 3, "x 1000"),
            Pop(2, "Digital Filter"),
                Cmd(3, cmd::kCh2FilterFirst + 0, "None"),
                Cmd(3, cmd::kCh2FilterFirst + 1, "Lower"),
                Cmd(3, cmd::kCh2FilterFirst + 2, "Higher"),
            Sep(2),
            Cmd(2, cmd::kCh2Invert, "Invert"),
            Cmd(2, cmd::kCh2BandwidthLimit, "BandWidth Limit"),
            Sep(2),
            Cmd(2, cmd::kCh2Reset, "Reset"),
        Pop(1, "MATH"),
            Cmd(2, cmd::kMathTurnOnOff, "Turn On#Ctrl+M"),
            Sep(2),
            Pop(2, "Source A"),
                Cmd(3, cmd::kMathSourceACh1, "CH1"),
                Cmd(3, cmd::kMathSourceACh2, "CH2"),
            Pop(2, "Source B"),
                Cmd(3, cmd::kMathSourceBCh1, "CH1"),
                Cmd(3, cmd::kMathSourceBCh2, "CH2"),
            Pop(2, "Operate"),
                Cmd(3, cmd::kMathOperateFirst + 0, "A + B"),
                Cmd(3, cmd::kMathOperateFirst + 1, "A - B"),
                Cmd(3, cmd::kMathOperateFirst + 2, "A x B"),
                Cmd(3, cmd::kMathOperateFirst + 3, "A / B"),
            Sep(2),
            Pop(2, "Volt/DIV"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 0, "10.0mV"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 1, "20.0mV"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 2, "50.0mV"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 3, "100mV"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 4, "200mV"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 5, "500mV"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 6, "1.00V"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 7, "2.00V"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 8, "5.00V"),
                Cmd(3, cmd::kMathVoltsPerDivFirst + 9, "10.0V", P::Models45Only),
            Pop(2, "Probe"),
                Cmd(3, cmd::kMathProbeFirst + 0, "x 1"),
                Cmd(3, cmd::kMathProbeFirst + 1, "x 10"),
                Cmd(3, cmd::kMathProbeFirst + 2, "x 100"),
                Cmd(3, cmd::kMathProbeFirst + 3, "x 1000"),
            Sep(2),
            Cmd(2, cmd::kMathInvert, "Invert"),
            Cmd(2, cmd::kMathReset, "Reset"),
        Pop(1, "Reference"),
            Cmd(2, cmd::kRefTurnOnOff, "Turn On#Ctrl+R"),
            Pop(2, "Volt/DIV"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 0, "10.0mV"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 1, "20.0mV"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 2, "50.0mV"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 3, "100mV"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 4, "200mV"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 5, "500mV"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 6, "1.00V"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 7, "2.00V"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 8, "5.00V"),
                Cmd(3, cmd::kRefVoltsPerDivFirst + 9, "10.0V", P::Models45Only),
            Cmd(2, cmd::kRefReset, "Reset"),
            Sep(2),
            Cmd(2, cmd::kRefLoad, "Load Reference"),
            Cmd(2, cmd::kRefSave, "Save Reference"),
    Pop(0, "&Trigger"),
        Pop(1, "Mode"),
            Cmd(2, cmd::kTrigModeEdge, "Edge"),
            Cmd(2, cmd::kTrigModePulse, "Pulse", P::Models45Only),
        Pop(1, "Sweep"),
            Cmd(2, cmd::kTrigSweepFirst + 0, "Auto"),
            Cmd(2, cmd::kTrigSweepFirst + 1, "Normal"),
            Cmd(2, cmd::kTrigSweepFirst + 2, "Single"),
        Pop(1, "Source"),
            Cmd(2, cmd::kTrigSourceFirst + 0, "CH1"),
            Cmd(2, cmd::kTrigSourceFirst + 1, "CH2"),
            Cmd(2, cmd::kTrigSourceFirst + 2, "ALT"),
            Cmd(2, cmd::kTrigSourceFirst + 3, "EXT"),
            Cmd(2, cmd::kTrigSourceFirst + 4, "EXT/10", P::NotModels0And4),
        Pop(1, "Slope"),
            Cmd(2, cmd::kTrigSlopeRising, "+"),
            Cmd(2, cmd::kTrigSlopeFalling, "-"),
        Sep(1),
        Cmd(1, cmd::kTrigFiftyPercent, "50%#Ctrl+T"),
        Cmd(1, cmd::kTrigHfRejection, "HF Rejection"),
    Pop(0, "&Horizontal"),
        Pop(1, "Time/DIV"),
            Pop(2, "nS"),
                Cmd(3, cmd::kTimeDivFirst + 0, "2.00nS", P::Models45Only),
                Cmd(3, cmd::kTimeDivFirst + 1, "4.00nS"),
                Cmd(3, cmd::kTimeDivFirst + 2, "10.0nS"),
                Cmd(3, cmd::kTimeDivFirst + 3, "20.0nS"),
                Cmd(3, cmd::kTimeDivFirst + 4, "40.0nS"),
                Cmd(3, cmd::kTimeDivFirst + 5, "100nS"),
                Cmd(3, cmd::kTimeDivFirst + 6, "200nS"),
                Cmd(3, cmd::kTimeDivFirst + 7, "400nS"),
            Pop(2, "uS"),
                Cmd(3, cmd::kTimeDivFirst + 8, "1.00uS"),
                Cmd(3, cmd::kTimeDivFirst + 9, "2.00uS"),
                Cmd(3, cmd::kTimeDivFirst + 10, "4.00uS"),
                Cmd(3, cmd::kTimeDivFirst + 11, "10.0uS"),
                Cmd(3, cmd::kTimeDivFirst + 12, "20.0uS"),
                Cmd(3, cmd::kTimeDivFirst + 13, "40.0uS"),
                Cmd(3, cmd::kTimeDivFirst + 14, "100uS"),
                Cmd(3, cmd::kTimeDivFirst + 15, "200uS"),
                Cmd(3, cmd::kTimeDivFirst + 16, "400uS"),
            Pop(2, "mS"),
                Cmd(3, cmd::kTimeDivFirst + 17, "1.00mS"),
                Cmd(3, cmd::kTimeDivFirst + 18, "2.00mS"),
                Cmd(3, cmd::kTimeDivFirst + 19, "4.00mS"),
                Cmd(3, cmd::kTimeDivFirst + 20, "10.0mS"),
                Cmd(3, cmd::kTimeDivFirst + 21, "20.0mS"),
                Cmd(3, cmd::kTimeDivFirst + 22, "40.0mS"),
                Cmd(3, cmd::kTimeDivFirst + 23, "100mS"),
                Cmd(3, cmd::kTimeDivFirst + 24, "200mS"),
                Cmd(3, cmd::kTimeDivFirst + 25, "400mS"),
            Pop(2, "S"),
                Cmd(3, cmd::kTimeDivFirst + 26, "1.00S"),
                Cmd(3, cmd::kTimeDivFirst + 27, "2.00S"),
                Cmd(3, cmd::kTimeDivFirst + 28, "4.00S"),
                Cmd(3, cmd::kTimeDivFirst + 29, "10.0S"),
                Cmd(3, cmd::kTimeDivFirst + 30, "20.0S"),
                Cmd(3, cmd::kTimeDivFirst + 31, "40.0S"),
            Pop(2, "min"),
                Cmd(3, cmd::kTimeDivFirst + 32, "1.00min"),
                Cmd(3, cmd::kTimeDivFirst + 33, "2.00min"),
                Cmd(3, cmd::kTimeDivFirst + 34, "4.00min"),
                Cmd(3, cmd::kTimeDivFirst + 35, "10.0min"),
                Cmd(3, cmd::kTimeDivFirst + 36, "20.0min"),
                Cmd(3, cmd::kTimeDivFirst + 37, "40.0min"),
            Pop(2, "Hour"),
                Cmd(3, cmd::kTimeDivFirst + 38, "1.00h"),
        Pop(1, "Format"),
            Cmd(2, cmd::kFormatYT, "Y - T"),
            Cmd(2, cmd::kFormatRoll, "Roll"),
            Cmd(2, cmd::kFormatXY, "X - Y"),
        Cmd(1, cmd::kHorizFiftyPercent, "50%#Ctrl+H"),
    Pop(0, "C&ursor"),
        Pop(1, "Source"),
            Cmd(2, cmd::kCursorSourceCh1, "CH1"),
            Cmd(2, cmd::kCursorSourceCh2, "CH2"),
            Cmd(2, cmd::kCursorSourceMath, "MATH"),
            Cmd(2, cmd::kCursorSourceFft, "FFT"),
        Pop(1, "Type"),
            Cmd(2, cmd::kCursorNone, "None"),
            Cmd(2, cmd::kCursorCross, "Cross"),
            Cmd(2, cmd::kCursorTrace, "Trace"),
            Cmd(2, cmd::kCursorVertical, "Vertical"),
            Cmd(2, cmd::kCursorHorizontal, "Horizontal"),
    Pop(0, "&Measure"),
        Pop(1, "Source"),
            Cmd(2, cmd::kMeasureSourceCh1, "CH1"),
            Cmd(2, cmd::kMeasureSourceCh2, "CH2"),
            Cmd(2, cmd::kMeasureSourceMath, "MATH"),
        Sep(1),
        Cmd(1, cmd::kMeasureByType[0], "Peak To Peak"),
        Cmd(1, cmd::kMeasureByType[1], "Maximum"),
        Cmd(1, cmd::kMeasureByType[2], "Minimum"),
        Cmd(1, cmd::kMeasureByType[3], "Amplitude"),
        Cmd(1, cmd::kMeasureByType[4], "Top"),
        Cmd(1, cmd::kMeasureByType[5], "Middle"),
        Cmd(1, cmd::kMeasureByType[6], "Base"),
        Cmd(1, cmd::kMeasureByType[7], "Mean"),
        Cmd(1, cmd::kMeasureByType[8], "Cycle Mean"),
        Cmd(1, cmd::kMeasureByType[9], "RMS"),
        Cmd(1, cmd::kMeasureByType[10], "Positive OverShoot"),
        Cmd(1, cmd::kMeasureByType[11], "Negative OverShoot"),
        Cmd(1, cmd::kMeasureByType[12], "Period"),
        Cmd(1, cmd::kMeasureByType[13], "Frequency"),
        Cmd(1, cmd::kMeasureByType[14], "Rise Time"),
        Cmd(1, cmd::kMeasureByType[15], "Fall Time"),
        Cmd(1, cmd::kMeasureByType[16], "+Duty Cycle"),
        Cmd(1, cmd::kMeasureByType[17], "-Duty Cycle"),
        Cmd(1, cmd::kMeasureByType[18], "+Pulse Width"),
        Cmd(1, cmd::kMeasureByType[19], "-Pulse Width"),
        Sep(1),
        Cmd(1, cmd::kMeasureClear, "Clear Measure"),
        Sep(1),
        Cmd(1, cmd::kMeasureResetStatistics, "Reset Statistics#Ctrl+Shift+R"),
        Cmd(1, cmd::kMeasureStatistics, "Statistics"),
        Cmd(1, cmd::kMeasureLogToFile, "Log to File..."),
    Pop(0, "&Display"),
        Pop(1, "Type"),
            Cmd(2, cmd::kDisplayVectors, "Vectors#Ctrl+V"),
            Cmd(2, cmd::kDisplayDots, "Dots#Ctrl+D"),
        Cmd(1, cmd::kDisplayGrid, "Grid#Ctrl+G"),
        Sep(1),
        Cmd(1, cmd::kDisplayIntensity, "Intensity#Ctrl+I"),
        Cmd(1, cmd::kDisplayWaveformColor, "Waveform Color"),
    Pop(0, "&Acquire"),
        Cmd(1, cmd::kAcqStart, "Start#Enter"),
        Cmd(1, cmd::kAcqStop, "Stop#Space"),
        Sep(1),
        Cmd(1, cmd::kAcqDrag, "Drag"),
        Cmd(1, cmd::kAcqZoomIn, "Zoom In"),
        Cmd(1, cmd::kAcqZoomOut, "Zoom Out"),
        Sep(1),
        Pop(1, "Sampling"),
            Cmd(2, cmd::kSamplingRealTime, "Real Time"),
            Cmd(2, cmd::kSamplingEts, "ETS", P::Models45Only),
        Pop(1, "Acquisition"),
            Cmd(2, cmd::kAcqModeNormal, "Normal"),
            Cmd(2, cmd::kAcqModeAverage, "Average:1"),
            Cmd(2, cmd::kAcqModePeakDetect, "Peak Detect", P::Never),
        Pop(1, "Buffer Size"),
            Cmd(2, cmd::kBufferSizeByIndex[0], "10k", P::BufferSize),
            Cmd(2, cmd::kBufferSizeByIndex[1], "14k", P::BufferSize),
            Cmd(2, cmd::kBufferSizeByIndex[2], "28k", P::BufferSize),
            Cmd(2, cmd::kBufferSizeByIndex[3], "32k", P::BufferSize),
            Cmd(2, cmd::kBufferSizeByIndex[4], "64k", P::BufferSize),
            Cmd(2, cmd::kBufferSizeByIndex[5], "512k", P::BufferSize),
            Cmd(2, cmd::kBufferSizeByIndex[6], "1 M", P::BufferSize),
        Pop(1, "Interpolation"),
            Cmd(2, cmd::kInterpStep, "Step"),
            Cmd(2, cmd::kInterpLinear, "Linear"),
            Cmd(2, cmd::kInterpSinc, "Sin(x)/x"),
        Sep(1),
        Cmd(1, cmd::kAutoSetup, "Auto Setup#Ctrl+A"),
        Cmd(1, cmd::kDemoSetting, "Demo Setting", P::DemoOnly),
    Pop(0, "U&tility"),
        Cmd(1, cmd::kUtilFft, "FFT#F2"),
        Cmd(1, cmd::kUtilRecord, "Record#F3"),
        Cmd(1, cmd::kUtilPassFail, "Pass/Fail#F4"),
        Sep(1),
        Cmd(1, cmd::kUtilCalibration, "Calibration"),
        Sep(1),
        Cmd(1, cmd::kUtilFactorySetup, "Factory Setup"),
        Sep(1),
        Pop(1, "Language"),
            Cmd(2, cmd::kLanguageDefault, "Default"),
            Sep(2),
    Pop(0, "&Help"),
        Cmd(1, cmd::kHelpContents, "Help Contents#F1"),
        Cmd(1, cmd::kAppAbout, "About..."),
};

// Internal time/div labels in command order (the sidebar's time/div list holds these).
constexpr std::array<std::string_view, cmd::kTimeDivCount> kTimeDivLabels = {
    "2.00ns", "4.00ns", "10.0ns", "20.0ns", "40.0ns", "100ns", "200ns", "400ns",
    "1.00us", "2.00us", "4.00us", "10.0us", "20.0us", "40.0us", "100us", "200us", "400us",
    "1.00ms", "2.00ms", "4.00ms", "10.0ms", "20.0ms", "40.0ms", "100ms", "200ms", "400ms",
    "1.00s", "2.00s", "4.00s", "10.0s", "20.0s", "40.0s",
    "1.00min", "2.00min", "4.00min", "10.0min", "20.0min", "40.0min", "1.00h",
};

constexpr Accelerator kAccelerators[] = {
    {kAccelCtrl, '1', cmd::kCh1TurnOnOff, "Ctrl+1"},
    {kAccelCtrl, '2', cmd::kCh2TurnOnOff, "Ctrl+2"},
    {kAccelCtrl, 'A', cmd::kAutoSetup, "Ctrl+A"},
    {kAccelCtrl | kAccelShift | kAccelAlt, 'C', cmd::kCalibrateData, "Ctrl+Shift+Alt+C"},
    {kAccelCtrl, 'D', cmd::kDisplayDots, "Ctrl+D"},
    {kAccelCtrl, 'G', cmd::kDisplayGrid, "Ctrl+G"},
    {kAccelCtrl, 'H', cmd::kHorizFiftyPercent, "Ctrl+H"},
    {kAccelCtrl, 'I', cmd::kDisplayIntensity, "Ctrl+I"},
    {kAccelCtrl, 'M', cmd::kMathTurnOnOff, "Ctrl+M"},
    {kAccelCtrl, 'O', cmd::kFileLoadCsv, "Ctrl+O"},
    {kAccelCtrl, 'P', cmd::kFilePrint, "Ctrl+P"},
    {kAccelCtrl, 'R', cmd::kRefTurnOnOff, "Ctrl+R"},
    {kAccelCtrl, 'S', cmd::kFileSaveCsv, "Ctrl+S"},
    {kAccelCtrl | kAccelShift, 'R', cmd::kMeasureResetStatistics, "Ctrl+Shift+R"},
    {kAccelCtrl, 'T', cmd::kTrigFiftyPercent, "Ctrl+T"},
    {kAccelCtrl, 'V', cmd::kDisplayVectors, "Ctrl+V"},
    {kAccelCtrl, 'X', cmd::kAppExit, "Ctrl+X"},
    {0, kAccelKeyF1, cmd::kHelpContents, "F1"},
    {0, kAccelKeyF2, cmd::kUtilFft, "F2"},
    {0, kAccelKeyF3, cmd::kUtilRecord, "F3"},
    {0, kAccelKeyF4, cmd::kUtilPassFail, "F4"},
    {0, kAccelKeyF9, cmd::kAppAbout, "F9"},
    {0, kAccelKeyEnter, cmd::kAcqStart, "Enter"},
    {kAccelAlt, kAccelKeyEnter, cmd::kViewFullScreen, "Alt+Enter"},
    {0, kAccelKeySpace, cmd::kAcqStop, "Space"},
};
// clang-format on

bool IsModel45(int model) {
    return model == 4 || model == 5;
}

MenuNode MakeNode(const MenuRow& row) {
    MenuNode node;
    node.kind = row.kind;
    node.command = row.kind == MenuKind::Popup ? -1 : row.command;
    node.text = row.text;
    return node;
}

int BufferIndexOf(int command) {
    for (std::size_t i = 0; i < cmd::kBufferSizeByIndex.size(); ++i) {
        if (cmd::kBufferSizeByIndex[i] == command) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Builds the children of the row at `index` - 1 (or the whole bar for level 0), advancing index past
// every row that belongs to them. Rows a filter leaves out take their whole subtree with them.
template <typename Keep>
std::vector<MenuNode> BuildLevel(std::span<const MenuRow> rows, std::size_t& index, int level, Keep keep) {
    std::vector<MenuNode> nodes;
    while (index < rows.size() && rows[index].level == level) {
        const MenuRow& row = rows[index++];
        MenuNode node = MakeNode(row);
        if (row.kind == MenuKind::Popup) {
            node.children = BuildLevel(rows, index, level + 1, keep);
        }
        if (keep(row)) {
            nodes.push_back(std::move(node));
        }
    }
    return nodes;
}

void AssignKeys(std::vector<MenuNode>& nodes, std::vector<int>& path) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        path.push_back(static_cast<int>(i));
        nodes[i].key = MenuKey(path).value_or(0);
        AssignKeys(nodes[i].children, path);
        path.pop_back();
    }
}

template <typename Keep> std::vector<MenuNode> BuildBar(Keep keep) {
    std::size_t index = 0;
    std::vector<MenuNode> bar = BuildLevel(MenuBarRows(), index, 0, keep);
    std::vector<int> path;
    AssignKeys(bar, path);
    return bar;
}

// Copies the items of a menu-bar popup (found by its path of positions in the full table).
std::vector<MenuNode> PopupItems(const std::vector<MenuNode>& bar, std::initializer_list<int> path) {
    const std::vector<MenuNode>* level = &bar;
    const MenuNode* node = nullptr;
    for (int p : path) {
        node = &(*level)[static_cast<std::size_t>(p)];
        level = &node->children;
    }
    std::vector<MenuNode> items = node != nullptr ? node->children : std::vector<MenuNode>{};
    for (MenuNode& item : items) {
        item.key = 0;
    }
    return items;
}

} // namespace

std::span<const MenuRow> MenuBarRows() {
    return kMenuBar;
}

bool IsMenuItemPresent(MenuPresence presence, int model, bool demoMode, int bufferIndex) {
    switch (presence) {
    case MenuPresence::Always:
        return true;
    case MenuPresence::Models45Only:
        return IsModel45(model);
    case MenuPresence::NotModels0And4:
        return model != 0 && model != 4;
    case MenuPresence::BufferSize:
        return IsBufferSizeOffered(model, bufferIndex);
    case MenuPresence::Never:
        return false;
    case MenuPresence::DemoOnly:
        return demoMode;
    }
    return true;
}

std::vector<MenuNode> BuildMenuBar() {
    return BuildBar([](const MenuRow&) { return true; });
}

std::vector<MenuNode> BuildMenuBar(int model, bool demoMode) {
    return BuildBar([model, demoMode](const MenuRow& row) {
        return IsMenuItemPresent(row.presence, model, demoMode, BufferIndexOf(row.command));
    });
}

std::optional<int> MenuKey(std::span<const int> positions) {
    if (positions.empty() || positions.size() > 4) {
        return std::nullopt;
    }
    std::int64_t key = 800;
    for (std::size_t level = 0; level < positions.size(); ++level) {
        if (positions[level] < 0) {
            return std::nullopt;
        }
        key = level == 0 ? key + positions[level] : key * 100 + positions[level];
        if (key > INT32_MAX) {
            return std::nullopt;
        }
    }
    return static_cast<int>(key);
}

std::vector<MenuNode> BuildContextMenu(int model) {
    // The popups repeat the menu bar's own items: Time/DIV flattened, CH1 and CH2 Volt/DIV.
    const std::vector<MenuNode> bar = BuildMenuBar(model, false);
    std::vector<MenuNode> menu;
    auto item = [](int command, int key, std::string text) {
        MenuNode node;
        node.command = command;
        node.key = key;
        node.text = std::move(text);
        return node;
    };
    menu.push_back(item(cmd::kWindowMode, 4012, "Window Mode"));
    menu.push_back(item(cmd::kInformationOnOff, 4013, "Information ON"));

    MenuNode timeDiv = item(-1, 4015, "Change Time/DIV");
    timeDiv.kind = MenuKind::Popup;
    for (const MenuNode& unit : PopupItems(bar, {4, 0})) {
        for (MenuNode child : unit.children) {
            child.key = 0;
            timeDiv.children.push_back(std::move(child));
        }
    }
    menu.push_back(std::move(timeDiv));

    for (const auto& [key, text, channel] :
         {std::tuple{4016, "Change CH1 Volt/DIV", 0}, std::tuple{4017, "Change CH2 Volt/DIV", 1}}) {
        MenuNode volts = item(-1, key, text);
        volts.kind = MenuKind::Popup;
        for (MenuNode child : PopupItems(bar, {2, channel, 1})) {
            child.key = 0;
            volts.children.push_back(std::move(child));
        }
        menu.push_back(std::move(volts));
    }
    return menu;
}

std::string_view TimeDivCommandLabel(int command) {
    if (command < cmd::kTimeDivFirst || command > cmd::kTimeDivLast) {
        return {};
    }
    return kTimeDivLabels[static_cast<std::size_t>(command - cmd::kTimeDivFirst)];
}

std::span<const Accelerator> Accelerators() {
    return kAccelerators;
}

const Accelerator* FindAccelerator(int command) {
    for (const Accelerator& a : kAccelerators) {
        if (a.command == command) {
            return &a;
        }
    }
    return nullptr;
}

MenuTextParts SplitMenuText(std::string_view text) {
    const std::size_t hash = text.find('#');
    if (hash == std::string_view::npos) {
        return {text, {}};
    }
    return {text.substr(0, hash), text.substr(hash + 1)};
}

std::string WithShortcutText(std::string_view text, int command) {
    std::string result(text);
    const Accelerator* accelerator = FindAccelerator(command);
    if (accelerator != nullptr && text.find('#') == std::string_view::npos) {
        result += '#';
        result += accelerator->text;
    }
    return result;
}

} // namespace tarnix
