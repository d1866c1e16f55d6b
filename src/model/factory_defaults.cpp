// Factory Setup for the settings record.
#include "model/instrument_settings.h"
#include "model/model_table.h"

namespace tarnix {

void ApplyFactoryDefaults(InstrumentSettings& settings) {
    // 1. Identity and run state. The program runs as model 1; every channel carries a copy of it.
    settings.model = 1;
    settings.acquire.running = 1;
    settings.runStatus = kStatusAuto;
    settings.acquire.zoomOut = 0;
    settings.acquire.zoomIn = 0;
    settings.acquire.drag = 0;
    settings.persistenceOn = 0;
    for (ChannelSettings& channel : settings.channel) {
        channel.model = settings.model;
    }

    // 2. Channels.
    for (int i = 0; i < kChannelCount; ++i) {
        ChannelSettings& channel = settings.ch(i);
        channel.enabled = (i == kCh1 || i == kCh2) ? 1 : 0;
        channel.colour = DefaultChannelColour(i);
        channel.voltsPerDivIndex = 6;
        channel.interpolation = kInterpSinc;
        if (i == kCh1 || i == kCh2) {
            channel.coupling = kCouplingAc;
        }
        if (i != kRef) {
            channel.probe = 0;
            channel.invert = 0;
            channel.bandwidthLimit = 0;
            channel.filterMode = kFilterNone;
        }
    }
    MathSettings& math = settings.ch(kMath).math;
    math.mathOperator = kMathAdd;
    math.sourceA = kCh1;
    math.sourceB = kCh2;

    // 3. Zero levels on the code scale (0 = top edge).
    settings.ch(kCh1).zeroLevel = 64.0f;
    settings.ch(kCh2).zeroLevel = 192.0f;
    settings.ch(kMath).zeroLevel = 128.0f;
    settings.ch(kRef).zeroLevel = 128.0f;

    // 4. Time base; the index and offset come from the model so that every model starts at 40.0us/div.
    TimebaseSettings& timebase = settings.timebase;
    timebase.bufferSizeIndex = 0;
    timebase.displayFormat = kFormatYT;
    timebase.horizontalPosition = 250;
    timebase.samplingMode = 0;
    const ModelInfo& info = ModelTable(settings.model);
    timebase.timeDivIndex = static_cast<std::uint16_t>(info.defaultTimeDivIndex);
    timebase.timeDivOffset = static_cast<std::uint16_t>(info.timeDivOffset);

    // 5. Trigger.
    TriggerSettings& trigger = settings.trigger;
    trigger.levelCh1 = 64.0f;
    trigger.levelCh2 = 192.0f;
    trigger.levelExt = 128.0f;
    trigger.levelMarkerCh1 = kMarkerOnScreen;
    trigger.levelMarkerCh2 = kMarkerOnScreen;
    trigger.levelMarkerExt = kMarkerOnScreen;
    trigger.triggerSource = kTrigCh1;
    trigger.triggerMode = kTrigModeEdge;
    trigger.slope = kSlopeRising;
    trigger.sweep = kSweepAuto;
    trigger.hfRejection = 0;

    // 6. (measurements, Pass/Fail, recorder, FFT: reset by the caller.)

    // 7. Record length of the 10k buffer.
    for (ChannelSettings& channel : settings.channel) {
        channel.recordLength = BufferSizeRecordLength(0);
    }

    // 8. Acquisition.
    settings.acquire.acquisitionMode = kAcqNormal;
    settings.acquire.averagedFrames = 0;
    settings.acquire.averageCount = 1;
}

} // namespace tarnix
