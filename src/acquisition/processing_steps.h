// The single steps of waveform processing as free functions: conversion and stretching, trigger
// alignment, min/max decimation, invert, filter, MATH and the re-scaling of a stopped frame. The pass
// in CWaveProcessor strings them together; Autoset and the files code may call them on their own.
#pragma once

#include <cstdint>
#include <vector>

#include "acquisition/driver_library.h"
#include "acquisition/wave_frame.h"
#include "model/instrument_settings.h"

namespace tarnix {

// ---- Conversion ---------------------------------------------------------------------------------

// How the conversion of one channel treats its samples at the current time base.
struct StretchChoice {
    bool copy = true;    // sample memory copied unchanged
    double factor = 1.0; // output points per source point
    std::uint16_t interpolation = kInterpLinear;
};

// The block's channel state asks for the both-channel factors: channel code 2 without ALT.
bool UsesBothChannelFactors(const HardwareBlock& block);
// Factor and interpolation for a model (0..2; others count as 1) and a block time/div index; indexes
// 0..3 use the channel's own interpolation, 4..10 Linear, the rest copy.
StretchChoice ChooseStretch(int model, int timeDivIndex, bool bothChannels,
                            std::uint16_t channelInterpolation);

// Source trigger index of a stretch for a block position p (percent): trunc(p x 102.4), at least 40,
// 10239 at 100.
int StretchSourceTrigger(int positionPercent);

// The three interpolations. source holds at least sourceSize samples (the first 10240 carry the
// record); out receives outLength points (32768 below time/div index 5, else 10240).
void StretchStep(const std::uint16_t* source, int sourceSize, std::int16_t* out, int outLength, double factor,
                 int positionPercent);
void StretchLinear(const std::uint16_t* source, int sourceSize, std::int16_t* out, int outLength,
                   double factor, int positionPercent);
// Always writes 32768 points. The table (kSincRows x kSincTaps) is rebuilt only when factor differs
// from tableFactor, which is then updated.
void StretchSinc(const std::uint16_t* source, int sourceSize, std::int16_t* out, double factor,
                 int positionPercent, std::vector<double>& table, double& tableFactor);
// Rows j = 1 .. (while j < factor), taps k = -10..10: sin((j/f - k)pi) / ((j/f - k)pi).
void BuildSincTable(double factor, std::vector<double>& table);

// Sample memory into processed record for one channel: GND flat line, copy or stretch. Returns the
// number of points written.
int ConvertChannel(const ChannelSettings& channel, int model, const HardwareBlock& block, WaveFrame& frame);

// ---- Trigger alignment --------------------------------------------------------------------------

// Nominal record index of the trigger for a horizontal position 0..500: trunc(pos x 0.2 x 102.4),
// at most 10239.
int NominalTriggerIndex(int horizontalPosition);
// Searches a 32768-point stretched record for the first crossing of levelCode (bottom-up code scale)
// with the given slope; returns the nominal index when none matches.
int FindTriggerCrossing(const std::int16_t* record, int horizontalPosition, int levelCode,
                        std::uint16_t slope);
// Rewrites the first 10240 points so that record[crossing] lands at the nominal index (and the one
// before it).
void ShiftToTrigger(std::int16_t* record, int crossing, int horizontalPosition);

// ---- Decimation ---------------------------------------------------------------------------------

// Record points per min/max pair: 4 for a 10240-point record, else by model and time/div index.
int DecimationGroup(int model, int timeDivIndex, std::uint32_t recordLength);
// Writes the pair of one group (or of any run of n >= 1 points) in time order: (min, max) when the
// maximum came later, else (max, min). Ties keep the earlier point.
void MinMaxPair(const std::int16_t* points, int n, std::int16_t& first, std::int16_t& second);
// Decimates recordLength points of record into the display trace around the trigger point of the
// horizontal position (0..500); sets span and drag range. Reads are held inside the record.
void DecimateRecord(const std::int16_t* record, int recordLength, int group, int horizontalPosition,
                    WaveFrame& frame);

// ---- Point operations (on firstIndex..lastIndex; kNoData columns are left alone) ----------------

// v -> trunc(2 x (255 - zeroLevel) - v).
void InvertTrace(WaveFrame& frame, float zeroLevel);
// Lower: trunc((v - z) x 0.999 + z), Higher: x 0.998, with z = 255 - zeroLevel; then clip to 0..255.
void FilterAndClip(WaveFrame& frame, std::uint16_t filterMode, float zeroLevel);

// ---- MATH ---------------------------------------------------------------------------------------

// Builds the MATH trace from the CH1 and CH2 traces and settings (sources forced to the channel that
// is on when only one is), with its point count and index range.
void ComputeMath(const InstrumentSettings& settings, const WaveFrame& ch1, const WaveFrame& ch2,
                 WaveFrame& math);

// ---- Re-scaling of a stopped frame and of REF --------------------------------------------------

struct RescaleParams {
    int recordLength = kBaseRecordLength; // points of the record that hold data
    int baseSpan = 10000;                 // record points across the screen at ratio 1
    bool zoomable = true;                 // false: other record lengths keep their layout
    double ratio = 1.0;                   // seconds/div at stop (or of REF) / current seconds/div
    int stoppedPosition = 250;            // horizontal position of the record's trigger point
    int currentPosition = 250;            // column position the trigger point lands on (x 10)
    double voltsPerDivAtStop = 1.0;       // rounded to single precision by the caller
    float zeroLevelAtStop = 128.0f;
    double voltsPerDivNow = 1.0;
    float zeroLevelNow = 128.0f;
    int firstValidPoint = 0; // record points before this one hold no data (a Roll screen not yet full)
};
// Record points across the screen at ratio 1 for a record length: 10000 for 10240 points, the
// frame's span for 32768 and 524288 points (and for other lengths, which do not zoom).
RescaleParams BaseRescaleParams(std::uint32_t recordLength, std::int32_t span);
// Fits record into the display trace at the given ratio and positions, marks columns without a
// record point with kNoData, sets first/last index and point count, then re-scales every point
// from the stopped volts/div and zero level to the current ones.
void RescaleRecord(const std::int16_t* record, const RescaleParams& params, WaveFrame& frame);

} // namespace tarnix
