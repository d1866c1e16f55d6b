// Recording through the document: the panel's timer runs faster than captures arrive, and a
// recording holds each capture once.
#include <algorithm>
#include <deque>

#include "doc_fixture.h"

namespace tarnix {
namespace {

using RecordingTest = testing::DocTest;

TEST_F(RecordingTest, ARecordingHoldsEachNewCaptureOnce) {
    const struct Row {
        std::deque<int> states; // the instrument's answers, one per acquisition tick
        bool running;
        int frames; // the captures among them
    } rows[] = {
        {{kCaptureComplete, kCaptureComplete, kCaptureComplete, kCaptureComplete}, true, 4},
        {{kCaptureComplete, kCaptureWaiting, kCaptureWaiting, kCaptureComplete, kCaptureWaiting}, true, 2},
        {{kCaptureComplete, kCaptureComplete}, false, 0},
    };
    for (const Row& row : rows) {
        Start();
        doc->SetSweep(kSweepNormal);
        if (!row.running) {
            doc->Stop();
        }
        testing::CFakeTimer timer;
        ASSERT_TRUE(doc->OpenRecorder());
        doc->PressRecord(timer);
        driver.states = row.states;
        // At the 1 ms interval the panel's timer ticks many times per 30 ms acquisition tick.
        for (std::size_t tick = 0; tick < row.states.size(); ++tick) {
            Tick();
            for (int k = 0; k < 5; ++k) {
                doc->RecorderTimerTick(timer);
            }
        }
        doc->PressRecord(timer);
        const int count = doc->recorder.settings.recordedCount;
        EXPECT_EQ(count, row.frames);
        for (int k = 1; k < count; ++k) {
            const auto previous = doc->recorder.store.Frame(k - 1);
            EXPECT_FALSE(std::ranges::equal(previous, doc->recorder.store.Frame(k))) << "frame " << k;
        }
        doc->CloseRecorder(timer);
    }
}

} // namespace
} // namespace tarnix
