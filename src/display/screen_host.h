// What the waveform screen and the status strip read from, and change in, the document. The view
// implements it over CTarnixDoc; tests and benchmarks implement it over plain arrays.
#pragma once

#include <cstdint>
#include <string>

#include "model/instrument_settings.h"

namespace tarnix {

class CPersistHistory;

// A channel's display trace: 5000 screen levels (0 bottom .. 255 top, negative = no data).
struct TraceView {
    const std::int16_t* points = nullptr;
    int pointCount = 5000;
    int firstIndex = 0;
    int lastIndex = 4999;
};

// The processed records of CH1 and CH2 that the X-Y figure plots against each other.
struct XYRecordView {
    const std::int16_t* ch1 = nullptr;
    const std::int16_t* ch2 = nullptr;
    int length = 0;
};

// The FFT analysis's spectrum as the screen draws it; displayOn false = no spectrum layer.
struct SpectrumView {
    bool displayOn = false;
    const double* values = nullptr;
    const std::int32_t* frequenciesHz = nullptr; // per point, for the cursor readout
    int pointCount = 0;
    int zoom = 1;
    double unitsPerDiv = 1.0;
    int scaleMode = 0; // 0 dB, 1 Linear
};

class IScreenHost {
public:
    virtual ~IScreenHost() = default;

    virtual InstrumentSettings& Settings() = 0;
    virtual TraceView Trace(int channel) const = 0;
    virtual XYRecordView XYRecord() const = 0;
    virtual const CPersistHistory* Persistence() const = 0;
    virtual SpectrumView Spectrum() const { return {}; }
    // Timer ticks spent in AUTO or WAIT; blinks the run state.
    virtual int StatusTicks() const = 0;
    // Horizontal position saved when the acquisition was stopped.
    virtual int StoppedPosition() const = 0;
    // The main window is in full-screen mode: no margins, arrow markers, the mouse is ignored.
    virtual bool FullScreen() const = 0;
    // A language text, or the fallback when the table has none.
    virtual std::string Text(int /*key*/, const char* fallback) const { return fallback; }

    // Marker drags. CH1 and CH2 zero levels and the trigger levels go through the document's setters
    // (which resend the levels to the instrument); MATH and REF zero levels are stored directly.
    virtual void SetZeroLevel(int channel, float level) = 0;
    // levelMarker: 0 CH1, 1 CH2, 2 EXT.
    virtual void SetTriggerLevel(int levelMarker, float level) = 0;
    virtual void SetHorizontalPosition(int position) = 0;
    // Zoom In / Zoom Out mouse modes: a click in the plot steps the time base.
    virtual void ZoomStep(bool zoomIn) { (void)zoomIn; }
};

} // namespace tarnix
