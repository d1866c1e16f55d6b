// The recorder and the player behind the Record And Play Back panel. The panel (a Qt dialog) forwards its
// controls here and shows `Panel()`; its own timer calls OnTimer(). Everything the recorder does to the
// rest of the program goes through IRecorderHost, so it runs in tests with a fake host and a fake timer.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "files/file_result.h"
#include "model/instrument_settings.h"
#include "recorder/frame_store.h"
#include "recorder/recorder_settings.h"

namespace tarnix {

// Language keys of the panel's button labels.
inline constexpr int kTextStart = 32872;
inline constexpr int kTextStop = 32876;
inline constexpr int kTextPlay = 1125;

// The panel's window timer (timer 1 of the panel).
class IPanelTimer {
public:
    virtual ~IPanelTimer() = default;
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
};

// What the recorder asks of the document and the view.
class IRecorderHost {
public:
    virtual ~IRecorderHost() = default;
    virtual const InstrumentSettings& Settings() const = 0;
    // The 5000-point display trace of CH1 (0) or CH2 (1).
    virtual std::span<const std::int16_t> DisplayTrace(int channel) const = 0;
    // How many captures have arrived so far; a recording takes a frame only when it has grown.
    virtual std::uint32_t CaptureCount() const = 0;
    // Copies a recorded frame into the display trace of CH1 (0) or CH2 (1).
    virtual void ShowFrame(int channel, std::span<const std::int16_t> frame) = 0;
    // Switches CH1 (0) or CH2 (1) on or off through the document and shows it in the sidebar.
    virtual void SetChannelEnabled(int channel, bool on) = 0;
    // Applies the recording's context to the recorded channel (position, volts/div, coupling, probe,
    // bandwidth limit) and to the time base (trigger position, time/div); updates the sidebar and markers.
    virtual void ApplyPlaybackContext(int channel, const RecorderSettings& context) = 0;
    // The buffer size (`BufferSizeTable` index) through the document's setter.
    virtual void SetBufferSize(int index) = 0;
    virtual void SetRunStatus(std::uint16_t status) = 0;
    virtual void StartAcquisitionTimer() = 0; // the view's timer 1 at 30 ms
    virtual void StopAcquisitionTimer() = 0;
    virtual void Redraw() = 0;
};

// What the panel shows: its edit boxes, the "Record :" count, button labels (language keys) and which
// controls are enabled.
struct RecorderPanel {
    int source = 0;            // Source list selection, 0 CH1, 1 CH2
    int recordEndFrame = 1000; // edit boxes
    int recordInterval = 1;
    int playInterval = 1;
    int startFrame = 1;
    int playEndFrame = 1000;
    int currentFrame = 1;
    bool repeat = false;
    int recordedCount = 0; // "Record :" field
    int startFrameSpinMax = 1000;
    int playEndSpinMax = 1000;
    int currentFrameSpinMax = 1000;
    int recordButtonText = kTextStart;
    int playButtonText = kTextPlay;
    bool saveEnabled = false;
    bool playEnabled = false;
    bool controlsEnabled = true; // everything but the running button while recording or playing
};

class CRecorder {
public:
    CRecorder() = default;

    // Factory defaults: store zeroed, nothing held, default settings.
    void Reset();

    // ---- panel ---------------------------------------------------------------------------------
    // Opening notes the states of CH1 and CH2 (a recording restores them) and refreshes the panel.
    // Nothing plays while the panel is closed, so a playing flag left by a setup file is cleared.
    void OpenPanel(IRecorderHost& host);
    // Closing the panel ends a running recording or playback, as its Stop buttons would, and after a
    // playback brings back live acquisition with the settings it had before.
    void ClosePanel(IRecorderHost& host, IPanelTimer& timer);
    void Refresh();
    const RecorderPanel& Panel() const { return panel_; }

    // Edit boxes and controls; each returns the value the box shows afterwards.
    void SetSource(int source);
    int SetRecordEndFrame(int frames); // above 1000 becomes 1000
    int SetRecordInterval(int ms);     // above 20000 becomes 20000
    int SetPlayInterval(int ms);       // stored at once
    int SetStartFrame(int frame);      // at most the play end frame; stored at once
    int SetPlayEndFrame(int frame);    // at most N; lowers the start frame with it
    // At most the play end frame; the frame is shown at once in the Source list's channel.
    int SetCurrentFrame(IRecorderHost& host, int frame);
    void SetRepeat(bool on);

    // The record button ("Start"/"Stop") and the play button ("Play"/"Stop").
    void PressRecord(IRecorderHost& host, IPanelTimer& timer);
    void PressPlay(IRecorderHost& host, IPanelTimer& timer);
    // One tick of the panel timer.
    void OnTimer(IRecorderHost& host, IPanelTimer& timer);

    // ".rec" files. Save writes the header and the N frames held. Load ignores a path not ending in
    // ".rec" (not ok, no message); on success the panel shows the loaded recording.
    FileResult SaveRec(const std::string& path) const;
    FileResult LoadRec(const std::string& path, int timeDivOffset);

    // ---- state ----------------------------------------------------------------------------------
    RecorderSettings settings;
    CFrameStore store;
    std::int32_t recordingEmpty = 1; // 0 while a recording is held
    bool Recording() const { return recording_; }
    bool Playing() const { return settings.playing != 0; }
    int PlayerPosition() const { return playerPosition_; }

private:
    void StartRecording(IRecorderHost& host, IPanelTimer& timer);
    void StopRecording(IPanelTimer& timer);
    void StartPlaying(IRecorderHost& host, IPanelTimer& timer);
    void StopPlaying(IRecorderHost& host, IPanelTimer& timer);
    void FinishPlaying(IRecorderHost& host, IPanelTimer& timer);
    void EndOfRecordingUpdate();
    int PlayEndLimit() const;
    void RestoreLive(IRecorderHost& host);

    RecorderPanel panel_;
    bool recording_ = false;
    int playerPosition_ = 0;
    std::uint32_t recordedCapture_ = 0; // the capture count at the last recorded frame (or the start)
    bool ch1OnAtOpen_ = true;
    bool ch2OnAtOpen_ = true;
    // The live settings that the first playback of a panel session replaced: both channels' enables
    // and contexts, the buffer size (a channel change while running may shrink it) and the run status.
    bool liveSaved_ = false;
    std::array<bool, 2> liveOn_{};
    std::array<RecorderSettings, 2> liveContext_{};
    std::uint16_t liveBufferSize_ = 0;
    std::uint16_t liveRunStatus_ = 0;
};

} // namespace tarnix
