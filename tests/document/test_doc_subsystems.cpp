// The Record And Play Back panel through the document: what the screen and the acquisition show once a
// playback is over and the panel is closed.
#include <utility>

#include "doc_fixture.h"
#include "model/model_table.h"

namespace tarnix::testing {
namespace {

class PlaybackTest : public DocTest {
protected:
    CFakeTimer timer;

    // Records a few frames of CH1 (0) or CH2 (1) in demo mode while the acquisition runs.
    void Record(int source) {
        Start(false);
        Ticks(3);
        ASSERT_TRUE(doc->OpenRecorder());
        doc->recorder.SetSource(source);
        doc->recorder.SetRecordEndFrame(4);
        doc->PressRecord(timer);
        while (timer.running) {
            Tick();
            doc->RecorderTimerTick(timer);
        }
        doc->CloseRecorder(timer);
    }
    // Opens the panel, plays the whole recording, runs `during` while the last frame is shown, closes.
    template <typename During> void PlayAndClose(During during) {
        ASSERT_TRUE(doc->OpenRecorder());
        doc->PressPlay(timer);
        while (timer.running) {
            doc->RecorderTimerTick(timer);
        }
        during();
        doc->CloseRecorder(timer);
    }
};

TEST_F(PlaybackTest, AStoppedScreenShowsItsRecordAgainAfterThePanelCloses) {
    Record(0);
    doc->SetZeroLevel(kCh1, 100.0f); // the played frames keep the position they were recorded at
    Ticks(2);
    doc->Stop();
    Tick();
    const auto stopped = doc->frames[kCh1].display;
    PlayAndClose([&] { ASSERT_FALSE(doc->frames[kCh1].display == stopped); });
    repaints = 0;
    Tick();
    EXPECT_TRUE(doc->frames[kCh1].display == stopped);
    EXPECT_GT(repaints, 0);
}

// Playing CH2 turns CH1 off, which shrinks a running 64k buffer; a Start or Stop during the playback
// (from a remote client) is what the status shows afterwards.
TEST_F(PlaybackTest, ClosingGivesTheBufferBackAndTheStatusFollowsTheRunState) {
    const struct {
        bool runningAtPlay;
        void (CTarnixDoc::*during)();
        bool runningAfter;
    } cases[] = {
        {true, nullptr, true},
        {true, &CTarnixDoc::Stop, false},
        {false, &CTarnixDoc::Run, true},
    };
    for (const auto& c : cases) {
        Record(1);
        doc->SetBufferSize(kBuffer64k);
        if (!c.runningAtPlay) {
            doc->Stop();
        }
        Ticks(2);
        const std::uint32_t length = Ch(kCh1).recordLength;
        PlayAndClose([&] {
            if (c.during != nullptr) {
                (doc.get()->*c.during)();
            }
        });
        EXPECT_EQ(doc->settings.timebase.bufferSizeIndex, kBuffer64k) << c.runningAtPlay;
        EXPECT_EQ(std::pair(Ch(kCh1).recordLength, Ch(kCh2).recordLength), std::pair(length, length));
        EXPECT_EQ(doc->settings.acquire.running != 0, c.runningAfter);
        EXPECT_EQ(RunStatus() == kStatusStopped, !c.runningAfter) << c.runningAtPlay << c.runningAfter;
    }
}

} // namespace
} // namespace tarnix::testing
