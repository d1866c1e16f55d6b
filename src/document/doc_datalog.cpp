// The document's share of the statistics and the measurement log: new captures go in, limit actions
// come out.
#include "analysis/analysis_inputs.h"
#include "document/tarnix_doc.h"

namespace tarnix {

void CTarnixDoc::FeedDatalog() {
    LogRowResult row;
    if (captureCount != fedCaptureCount_) {
        row = datalog.OnCapture(settings, MeasureChannelsFrom(settings, frames),
                                SecondsPerDiv(settings.timebase), CDataLog::ScreenItems(measures));
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
