// Command IDs: the one vocabulary of user actions. A menu item, a toolbar button, an accelerator and
// a context-menu entry carrying the same ID run the same handler. Toolbar buttons use their command ID
// as the language key of their tooltip, so these numbers are also part of the language-file format.
#pragma once

#include <array>

namespace tarnix::cmd {

// Framework-standard commands (kept at their customary numbers, which language files rely on).
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintDirect = 57608;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kEditUndo = 57643;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kViewToolbar = 59392;

// File.
inline constexpr int kFileLoadCsv = 32816;
inline constexpr int kFileLoadSetups = 32817;
inline constexpr int kFileSaveCsv = 33036;
inline constexpr int kFileSaveSetups = 32820;
inline constexpr int kFileSaveImage = 32809;
inline constexpr int kFileSaveWaveform = 32819;
inline constexpr int kFileSaveScreenSvg = 33090;
inline constexpr int kFileExportReportPdf = 33091;

// View.
inline constexpr int kViewSidebar = 32873;
inline constexpr int kViewFullScreen = 32823;
inline constexpr int kViewFullScreenAlt = 32771; // second ID of Full Screen, no menu item
inline constexpr int kWindowMode = 32772;        // context menu only

// Channel CH1 and CH2. Ranges are in menu order (position 0 first).
inline constexpr int kCh1TurnOnOff = 32777;
inline constexpr int kCh1VoltsPerDivFirst = 32905; // 10 items
inline constexpr int kCh1CouplingFirst = 32902;    // DC, AC, GND
inline constexpr int kCh1ProbeFirst = 32898;       // x 1 .. x 1000
inline constexpr int kCh1FilterFirst = 32918;      // None, Lower, Higher
inline constexpr int kCh1Reset = 32944;
inline constexpr int kCh1Invert = 32915;
inline constexpr int kCh1BandwidthLimit = 32916;

inline constexpr int kCh2TurnOnOff = 32778;
inline constexpr int kCh2VoltsPerDivFirst = 32922;
inline constexpr int kCh2CouplingFirst = 32932;
inline constexpr int kCh2ProbeFirst = 32935;
inline constexpr int kCh2FilterFirst = 32941;
inline constexpr int kCh2Reset = 32945;
inline constexpr int kCh2Invert = 32939;
inline constexpr int kCh2BandwidthLimit = 32940;

// MATH.
inline constexpr int kMathTurnOnOff = 32779;
inline constexpr int kMathSourceACh1 = 32962;
inline constexpr int kMathSourceACh2 = 32963;
inline constexpr int kMathSourceBCh1 = 32964;
inline constexpr int kMathSourceBCh2 = 32965;
inline constexpr int kMathOperateFirst = 32966; // A + B, A - B, A x B, A / B
inline constexpr int kMathVoltsPerDivFirst = 32947;
inline constexpr int kMathProbeFirst = 32957;
inline constexpr int kMathReset = 32971;
inline constexpr int kMathInvert = 32970;

// Reference.
inline constexpr int kRefTurnOnOff = 33038;
inline constexpr int kRefVoltsPerDivFirst = 33047;
inline constexpr int kRefReset = 33046;
inline constexpr int kRefLoad = 32821;
inline constexpr int kRefSave = 33037;

inline constexpr int kVoltsPerDivItemCount = 10;
inline constexpr int kProbeItemCount = 4;

// Trigger.
inline constexpr int kTrigModeEdge = 32973;
inline constexpr int kTrigModePulse = 32978;
inline constexpr int kTrigSweepFirst = 32975;  // Auto, Normal, Single
inline constexpr int kTrigSourceFirst = 32980; // CH1, CH2, ALT, EXT, EXT/10
inline constexpr int kTrigSlopeRising = 32985;
inline constexpr int kTrigSlopeFalling = 32986;
inline constexpr int kTrigFiftyPercent = 33031;
inline constexpr int kTrigHfRejection = 33061;

// Horizontal.
inline constexpr int kFormatYT = 32987;
inline constexpr int kFormatXY = 32988;
inline constexpr int kFormatRoll = 32989;
inline constexpr int kHorizFiftyPercent = 32990;
inline constexpr int kTimeDivFirst = 32991; // 39 items, "2.00ns" first
inline constexpr int kTimeDivCount = 39;
inline constexpr int kTimeDivLast = kTimeDivFirst + kTimeDivCount - 1;

// Cursor.
inline constexpr int kCursorSourceCh1 = 32881;
inline constexpr int kCursorSourceCh2 = 32882;
inline constexpr int kCursorSourceMath = 33041;
inline constexpr int kCursorSourceFft = 33062;
inline constexpr int kCursorNone = 32832;
inline constexpr int kCursorCross = 32833;
inline constexpr int kCursorTrace = 32836;
inline constexpr int kCursorVertical = 32835;
inline constexpr int kCursorHorizontal = 32834;

// Measure.
inline constexpr int kMeasureSourceCh1 = 33034;
inline constexpr int kMeasureSourceCh2 = 33035;
inline constexpr int kMeasureSourceMath = 33042;
inline constexpr int kMeasureClear = 33043;
// Statistics and the measurement log (after Clear Measure, in a range of their own).
inline constexpr int kMeasureResetStatistics = 33200;
inline constexpr int kMeasureStatistics = 33201;
inline constexpr int kMeasureLogToFile = 33202;
// The 20 measurement commands, indexed by the measurement type code they hand to the readout list.
inline constexpr std::array<int, 20> kMeasureByType = {
    32854, // 0 Peak To Peak
    32855, // 1 Maximum
    32856, // 2 Minimum
    32857, // 3 Amplitude
    32858, // 4 Top
    33044, // 5 Middle
    32859, // 6 Base
    32865, // 7 Mean
    33040, // 8 Cycle Mean
    32862, // 9 RMS
    32863, // 10 Positive OverShoot
    32864, // 11 Negative OverShoot
    32846, // 12 Period
    32847, // 13 Frequency
    32848, // 14 Rise Time
    32849, // 15 Fall Time
    32850, // 16 +Duty Cycle
    32851, // 17 -Duty Cycle
    32852, // 18 +Pulse Width
    32853, // 19 -Pulse Width
};

// Display.
inline constexpr int kDisplayVectors = 32797;
inline constexpr int kDisplayDots = 32798;
inline constexpr int kDisplayGrid = 32801;
inline constexpr int kDisplayIntensity = 32839;
inline constexpr int kDisplayIntensityAlt = 32802; // second ID, no menu item
inline constexpr int kDisplayWaveformColor = 33071;
inline constexpr int kInformationOnOff = 33063; // context menu only

// Acquire.
inline constexpr int kAcqStart = 32872;
inline constexpr int kAcqStop = 32876;
inline constexpr int kAcqDrag = 33045;
inline constexpr int kAcqZoomIn = 32878;
inline constexpr int kAcqZoomOut = 32877;
inline constexpr int kSamplingRealTime = 32786;
inline constexpr int kSamplingEts = 32785;
inline constexpr int kAcqModeNormal = 32788;
inline constexpr int kAcqModeAverage = 32789;
inline constexpr int kAcqModePeakDetect = 32790;
// Buffer Size items in menu order, indexed by bufferSizeIndex (10k, 14k, 28k, 32k, 64k, 512k, 1 M).
inline constexpr std::array<int, 7> kBufferSizeByIndex = {32840, 33032, 33033, 32841, 32842, 32843, 32844};
inline constexpr int kInterpStep = 33059;
inline constexpr int kInterpLinear = 33060;
inline constexpr int kInterpSinc = 33058;
inline constexpr int kAutoSetup = 32871;
inline constexpr int kDemoSetting = 33072;

// Utility.
inline constexpr int kUtilFft = 32870;
inline constexpr int kUtilRecord = 32792;
inline constexpr int kUtilPassFail = 32793;
inline constexpr int kUtilCalibration = 32794;
inline constexpr int kUtilFactorySetup = 32886;
inline constexpr int kLanguageDefault = 32891;
inline constexpr int kLanguageItemFirst = 9001; // 9001 + position in the language list

// Help.
inline constexpr int kHelpContents = 32796;

// Without a menu item.
inline constexpr int kCalibrateData = 33069;

// Menus loaded by number: the menu bar and the full-screen context menu.
inline constexpr int kMenuMainBar = 128;
inline constexpr int kMenuContext = 134;

// The 17 toolbar commands in toolbar order; the same order gives menu items their icon index.
inline constexpr std::array<int, 17> kToolbarCommands = {
    kFileLoadCsv, kFileSaveWaveform, kFilePrint,      kCursorCross, kCursorNone,   kRefTurnOnOff,
    kUtilFft,     kUtilRecord,       kUtilPassFail,   kAcqZoomOut,  kAcqZoomIn,    kAcqStart,
    kAcqStop,     kAutoSetup,        kViewFullScreen, kViewSidebar, kHelpContents,
};
// Toolbar layout: the 17 commands with separators (0) between the groups.
inline constexpr std::array<int, 23> kToolbarLayout = {
    kFileLoadCsv,
    kFileSaveWaveform,
    kFilePrint,
    0,
    kCursorCross,
    kCursorNone,
    0,
    kRefTurnOnOff,
    kUtilFft,
    kUtilRecord,
    kUtilPassFail,
    0,
    kAcqZoomOut,
    kAcqZoomIn,
    0,
    kAcqStart,
    kAcqStop,
    kAutoSetup,
    0,
    kViewFullScreen,
    kViewSidebar,
    0,
    kHelpContents,
};

} // namespace tarnix::cmd
