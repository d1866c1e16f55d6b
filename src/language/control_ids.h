// Control IDs of the dialogs whose captions come from the language table. A control's ID is also the
// language key of its caption, so these numbers are part of the language-file format. Controls that
// show the same caption in several dialogs share one ID (as OK and Cancel do).
#pragma once

#include <array>

namespace tarnix::ctl {

// Shared by several dialogs.
inline constexpr int kOk = 1084;
inline constexpr int kCancel = 1230;
inline constexpr int kClose = 1269; // Searching Device, Zero Calibration

// Sidebar (template 178).
inline constexpr int kSideHorizontalGroup = 1095; // also the "Horizontal" labels of FFT and Pass/Fail
inline constexpr int kSideTimeDivLabel = 1232;
inline constexpr int kSideFormatLabel = 1233;
inline constexpr int kSideTimeDivList = 1058;
inline constexpr int kSideFormatList = 1059;
inline constexpr int kSideTimeDivKnob = 1081;
inline constexpr int kSideChannelGroup = 1104;
inline constexpr int kSideCh1On = 1040;
inline constexpr int kSideCh1VoltsList = 1047;
inline constexpr int kSideCh1CouplingList = 1048;
inline constexpr int kSideCh1ProbeList = 1043;
inline constexpr int kSideCh1Knob = 1082;
inline constexpr int kSideCh2On = 1045;
inline constexpr int kSideCh2VoltsList = 1051;
inline constexpr int kSideCh2CouplingList = 1052;
inline constexpr int kSideCh2ProbeList = 1050;
inline constexpr int kSideCh2Knob = 1083;
inline constexpr int kSideTriggerGroup = 1072;
inline constexpr int kSideTriggerModeLabel = 1067;
inline constexpr int kSideTriggerSweepLabel = 1066;
inline constexpr int kSideTriggerSourceLabel = 1074;
inline constexpr int kSideTriggerSlopeLabel = 1075;
inline constexpr int kSideTriggerModeList = 1107;
inline constexpr int kSideSweepList = 1108;
inline constexpr int kSideTriggerSourceList = 1073;
inline constexpr int kSideSlopeList = 1076;

// About (template 100).
inline constexpr int kAboutPicture = 1231;
inline constexpr int kAboutProduct = 1174;
inline constexpr int kAboutDescription = 1175;
inline constexpr int kAboutCopyright = 1176;

// Searching Device (template 217).
inline constexpr int kSearchCautionGroup = 1244; // also the caution group of Zero Calibration
inline constexpr int kSearchNotFound = 1245;
inline constexpr int kSearchNoDriver = 1246;
inline constexpr int kSearchNotConnected = 1247;
inline constexpr int kSearchIgnore = 1268;

// Device List (template 218).
inline constexpr std::array<int, 4> kDeviceCheck = {1263, 1264, 1266, 1267};
inline constexpr std::array<int, 4> kDeviceIdEdit = {1255, 1256, 1257, 1258};
inline constexpr std::array<int, 4> kDeviceModifyId = {1259, 1260, 1261, 1262};
inline constexpr int kDeviceNote = 1265;
inline constexpr int kDeviceColumn = 1172;
inline constexpr int kDeviceIdColumn = 1173;

// Intensity (template 184).
inline constexpr int kIntensityGridSlider = 1087;
inline constexpr int kIntensityPersistence = 1088;
inline constexpr int kIntensityWaveSlider = 1089;
inline constexpr int kIntensityPersistenceList = 1298;
inline constexpr int kIntensityGridLabel = 1121;
inline constexpr int kIntensityWaveLabel = 1122;
inline constexpr int kIntensityPersistenceTimeLabel = 1123;
inline constexpr int kIntensityDark = 1177;
inline constexpr int kIntensityBright = 1178;

// Average (template 199).
inline constexpr int kAverageLabel = 1108; // the screen's average note uses this text too
inline constexpr int kAverageEdit = 1109;
inline constexpr int kAverageRange = 1124;

// Waveform Color (template 227); its OK button has the standard ID 1 and no language text.
inline constexpr int kColorCh1Label = 1275;
inline constexpr int kColorCh2Label = 1276;
inline constexpr int kColorMathLabel = 1294;
inline constexpr int kColorRefLabel = 1295;
inline constexpr int kColorCh1Swatch = 1277;
inline constexpr int kColorCh2Swatch = 1278;
inline constexpr int kColorMathSwatch = 1296;
inline constexpr int kColorRefSwatch = 1297;

// Demo Setting (template 231).
inline constexpr std::array<int, 5> kDemoFrequency = {1281, 1282, 1283, 1284, 1285};
inline constexpr std::array<int, 4> kDemoAmplitude = {1286, 1287, 1288, 1289};
inline constexpr int kDemoDcOffset = 1290;
inline constexpr int kDemoSweep = 1291;
inline constexpr int kDemoNormal = 1069;
inline constexpr int kDemoNoise = 1070;
inline constexpr int kDemoRandom = 1071;
inline constexpr int kFrequencyCaption = 1118; // Demo Setting group, FFT harmonics column
inline constexpr int kAmplitudeCaption = 1119; // Demo Setting group, FFT harmonics column
inline constexpr int kDemoFunctionGroup = 1120;

// Save channel choice (template 193), also used by Save Reference; CH1/CH2 also Zero Calibration.
inline constexpr int kCh1Caption = 1110;
inline constexpr int kCh2Caption = 1111;
inline constexpr int kChannelGroup = 1112;

// Captions shared by the FFT, Pass/Fail, Record and Zero Calibration panels.
inline constexpr int kSourceLabel = 1113;
inline constexpr int kStartButton = 1114;
inline constexpr int kStopButton = 1115;
inline constexpr int kSaveButton = 1116;
inline constexpr int kLoadButton = 1117;
inline constexpr int kVerticalLabel = 1179; // FFT and Pass/Fail

// Zero Calibration (template 207).
inline constexpr int kCalCaution = 1126;
inline constexpr int kCalProgressLabel = 1127;

// FFT (template 211).
inline constexpr int kFftSettingGroup = 1128;
inline constexpr int kFftWindowLabel = 1129;
inline constexpr int kFftBinsLabel = 1130;
inline constexpr int kFftScaleLabel = 1131;
inline constexpr int kFftMeasureGroup = 1132;
inline constexpr int kFftHarmonicColumn = 1133;
inline constexpr int kFftFundamental = 1134;
inline constexpr std::array<int, 5> kFftHarmonicRow = {1135, 1136, 1137, 1138, 1139};
inline constexpr std::array<int, 6> kFftFigure = {1140, 1141, 1142, 1143, 1144, 1145}; // SNR .. TotalPower
inline constexpr int kFftHarmonicsGroup = 1197;
inline constexpr int kFftPerDivUnit = 1238;
inline constexpr int kPlayButton = 1125; // Record: "Play"

// Pass/Fail (template 204).
inline constexpr int kPfControlGroup = 1146;
inline constexpr int kPfOutputLabel = 1147;
inline constexpr int kPfStopWhenOutput = 1148;
inline constexpr int kPfMaskGroup = 1149;
inline constexpr int kPfVerticalUnit = 1150;
inline constexpr int kPfHorizontalUnit = 1151;
inline constexpr int kPfCreate = 1152;
inline constexpr int kPfInfoGroup = 1153;
inline constexpr int kPfFailLabel = 1154;
inline constexpr int kPfPassLabel = 1155;
inline constexpr int kPfTotalLabel = 1156;
inline constexpr int kPfFramesUnit = 1157;
inline constexpr int kPfOperationGroup = 1158;

// Record And Play Back (template 203).
inline constexpr int kRecSetupGroup = 1159;
inline constexpr int kRecEndFrameLabel = 1160;
inline constexpr int kRecIntervalLabel = 1161;
inline constexpr int kRecMsUnit = 1162;
inline constexpr int kRecCountLabel = 1163;
inline constexpr int kRecPlayGroup = 1164;
inline constexpr int kRecStartFrameLabel = 1165;
inline constexpr int kRecCurrentFrameLabel = 1166;
inline constexpr int kRecRepeat = 1167;

// Calibrate Data (template 223). The range text shown depends on the model.
inline constexpr int kCalDataLevelLabel = 1168;
inline constexpr int kCalDataRange10 = 1169;
inline constexpr int kCalDataRange20 = 1170;
inline constexpr int kCalDataNegativeNote = 1171;

// Every control ID that has a caption in the built-in default language, ascending.
inline constexpr std::array<int, 120> kCaptionedControls = {
    1040, 1045, 1066, 1067, 1069, 1070, 1071, 1072, 1074, 1075, 1084, 1088, 1095, 1104, 1108,
    1110, 1111, 1112, 1113, 1114, 1115, 1116, 1117, 1118, 1119, 1120, 1121, 1122, 1123, 1124,
    1125, 1126, 1127, 1128, 1129, 1130, 1131, 1132, 1133, 1134, 1135, 1136, 1137, 1138, 1139,
    1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149, 1150, 1151, 1152, 1153, 1154,
    1155, 1156, 1157, 1158, 1159, 1160, 1161, 1162, 1163, 1164, 1165, 1166, 1167, 1168, 1169,
    1170, 1171, 1172, 1173, 1174, 1175, 1176, 1177, 1178, 1179, 1197, 1230, 1232, 1233, 1238,
    1244, 1245, 1246, 1247, 1259, 1260, 1261, 1262, 1263, 1264, 1265, 1266, 1267, 1268, 1269,
    1275, 1276, 1281, 1282, 1283, 1284, 1285, 1286, 1287, 1288, 1289, 1290, 1291, 1294, 1295,
};

} // namespace tarnix::ctl
