// The document's share of the statistics and the measurement log: new captures go in, limit actions
// come out.
#include "analysis/analysis_inputs.h"
#include "document/tarnix_doc.h"

namespace tarnix {

void CTarnixDoc::FeedDatalog() {
    LogRowResult row;
    if (captureCount != fedCaptureCount_) {
        // Every capture feeds the statistics, so this path allocates nothing.
        std::array<MeasureItem, kMeasureSlotCount> screen;
        row = datalog.OnCapture(settings, MeasureChannelsFrom(settings, frames),
                                SecondsPerDiv(settings.timebase), CDataLog::ScreenItems(measures, screen));
    }
    fedCaptureCount_ = captureCount;
    const LogRowResult tick = datalog.OnTick();
    if (!row.violation && !tick.violation) {
        return;
    }
    if (datalog.actions.beep && hooks.beep) {
        hooks.beep();
    }
    if (datalog.actions.saveImage && datalog.saveImage) {
        datalog.saveImage();
    }
    if (datalog.actions.stopAcquisition) {
        Stop();
    }
}

} // namespace tarnix
