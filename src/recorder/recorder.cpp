#include "recorder/recorder.h"

#include <algorithm>

#include "recorder/rec_file.h"

namespace tarnix {

namespace {

// A channel's scale and the time base, as a recording stores them with its frames.
void CaptureChannelContext(const InstrumentSettings& s, int channel, RecorderSettings& context) {
    const ChannelSettings& ch = s.ch(channel);
    context.verticalPosition = ch.zeroLevel;
    context.voltsPerDivIndex = ch.voltsPerDivIndex;
    context.coupling = ch.coupling;
    context.probe = ch.probe;
    context.bandwidthLimit = static_cast<std::int32_t>(ch.bandwidthLimit);
    context.timeDivIndex = s.timebase.timeDivIndex;
    context.horizontalPosition = s.timebase.horizontalPosition;
}

} // namespace

namespace {

int OtherChannel(int channel) {
    return channel == 0 ? 1 : 0;
}

// "RUN": running, no capture seen yet.
constexpr std::uint16_t kStatusStarted = 1;

} // namespace

void CRecorder::Reset() {
    settings = RecorderSettings{};
    store.Clear();
    recordingEmpty = 1;
    recording_ = false;
    playerPosition_ = 0;
    panel_ = RecorderPanel{};
    Refresh();
}

// ---- panel ----------------------------------------------------------------------------------------

void CRecorder::OpenPanel(IRecorderHost& host) {
    settings.playing = 0;
    panel_.playButtonText = kTextPlay;
    panel_.controlsEnabled = !recording_;
    ch1OnAtOpen_ = host.Settings().ch(kCh1).enabled != 0;
    ch2OnAtOpen_ = host.Settings().ch(kCh2).enabled != 0;
    Refresh();
}

void CRecorder::ClosePanel(IRecorderHost& host, IPanelTimer& timer) {
    if (recording_) {
        PressRecord(host, timer);
    } else if (Playing()) {
        StopPlaying(host, timer);
    }
    RestoreLive(host);
}

void CRecorder::RestoreLive(IRecorderHost& host) {
    if (!liveSaved_) {
        return;
    }
    liveSaved_ = false;
    for (int channel : {0, 1}) {
        const auto i = static_cast<std::size_t>(channel);
        host.SetChannelEnabled(channel, liveOn_[i]);
        host.ApplyPlaybackContext(channel, liveContext_[i]);
    }
    if (host.Settings().timebase.bufferSizeIndex != liveBufferSize_) {
        host.SetBufferSize(liveBufferSize_);
    }
    // The status follows the acquisition as it is now: a Stop or a Start during the playback holds.
    const bool running = host.Settings().acquire.running != 0;
    const bool wasRunning = liveRunStatus_ != kStatusStopped && liveRunStatus_ != kStatusPlay;
    host.SetRunStatus(running ? (wasRunning ? liveRunStatus_ : kStatusStarted)
                              : std::uint16_t{kStatusStopped});
    host.StartAcquisitionTimer();
}

void CRecorder::Refresh() {
    panel_.source = settings.recordSource;
    panel_.recordEndFrame = settings.recordEndFrame;
    panel_.recordInterval = settings.recordInterval;
    panel_.playInterval = settings.playInterval;
    panel_.startFrame = settings.playStartFrame;
    panel_.playEndFrame = settings.playEndFrame;
    panel_.currentFrame = settings.currentFrame;
    panel_.repeat = settings.repeat != 0;
    panel_.startFrameSpinMax = std::max<int>(settings.playEndFrame, 1);
    panel_.playEndSpinMax = kRecorderFrames;
    panel_.currentFrameSpinMax = kRecorderFrames;
    const bool held = recordingEmpty == 0;
    panel_.saveEnabled = held;
    panel_.playEnabled = held;
    if (held) {
        panel_.recordedCount = settings.playEndFrame;
    }
}

void CRecorder::SetSource(int source) {
    panel_.source = source == 0 ? 0 : 1;
}

int CRecorder::SetRecordEndFrame(int frames) {
    panel_.recordEndFrame = std::clamp(frames, 1, kRecorderFrames);
    return panel_.recordEndFrame;
}

int CRecorder::SetRecordInterval(int ms) {
    panel_.recordInterval = std::clamp(ms, 1, kMaxRecorderInterval);
    return panel_.recordInterval;
}

int CRecorder::SetPlayInterval(int ms) {
    settings.playInterval = static_cast<std::uint16_t>(std::clamp(ms, 1, kMaxRecorderInterval));
    panel_.playInterval = settings.playInterval;
    return panel_.playInterval;
}

int CRecorder::PlayEndLimit() const {
    return std::max<int>(settings.playEndFrame, 1);
}

int CRecorder::SetStartFrame(int frame) {
    settings.playStartFrame = static_cast<std::uint16_t>(std::clamp(frame, 1, PlayEndLimit()));
    panel_.startFrame = settings.playStartFrame;
    return panel_.startFrame;
}

int CRecorder::SetPlayEndFrame(int frame) {
    const int count = std::min<int>(settings.recordedCount, kRecorderFrames);
    settings.playEndFrame = static_cast<std::uint16_t>(std::min(std::max(frame, 1), count));
    panel_.playEndFrame = settings.playEndFrame;
    panel_.startFrameSpinMax = PlayEndLimit();
    if (settings.playStartFrame > PlayEndLimit()) {
        settings.playStartFrame = static_cast<std::uint16_t>(PlayEndLimit());
        panel_.startFrame = settings.playStartFrame;
    }
    if (settings.currentFrame > PlayEndLimit()) {
        settings.currentFrame = static_cast<std::uint16_t>(PlayEndLimit());
        panel_.currentFrame = settings.currentFrame;
    }
    return panel_.playEndFrame;
}

int CRecorder::SetCurrentFrame(IRecorderHost& host, int frame) {
    // Frame 0 names no frame; it shows the first one.
    settings.currentFrame = static_cast<std::uint16_t>(std::clamp(frame, 1, PlayEndLimit()));
    panel_.currentFrame = settings.currentFrame;
    host.ShowFrame(panel_.source, store.Frame(settings.currentFrame - 1));
    host.Redraw();
    return panel_.currentFrame;
}

void CRecorder::SetRepeat(bool on) {
    settings.repeat = on ? 1 : 0;
    panel_.repeat = on;
}

// ---- recording ------------------------------------------------------------------------------------

void CRecorder::PressRecord(IRecorderHost& host, IPanelTimer& timer) {
    if (Playing()) {
        return; // the button is disabled while playing
    }
    recordingEmpty = 0;
    if (recording_) {
        StopRecording(timer);
    } else {
        StartRecording(host, timer);
    }
}

void CRecorder::StartRecording(IRecorderHost& host, IPanelTimer& timer) {
    RestoreLive(host); // a recording after a playback starts from the live settings
    host.SetChannelEnabled(0, ch1OnAtOpen_);
    host.SetChannelEnabled(1, ch2OnAtOpen_);
    host.StartAcquisitionTimer();

    recording_ = true;
    settings.recordedCount = 0;
    settings.recordSource = static_cast<std::uint16_t>(panel_.source);
    settings.recordEndFrame =
        static_cast<std::uint16_t>(std::clamp(panel_.recordEndFrame, 1, kRecorderFrames));
    settings.recordInterval =
        static_cast<std::uint16_t>(std::clamp(panel_.recordInterval, 1, kMaxRecorderInterval));

    const int channel = settings.recordSource;
    if (host.Settings().ch(channel).enabled == 0) {
        host.SetChannelEnabled(channel, true);
    }
    CaptureChannelContext(host.Settings(), channel, settings);
    // The screen at the start is an old capture: the first frame is the next one to arrive.
    recordedCapture_ = host.CaptureCount();

    host.SetRunStatus(kStatusAuto);
    panel_.recordedCount = 0;
    panel_.recordButtonText = kTextStop;
    panel_.controlsEnabled = false;
    timer.Start(settings.recordInterval);
}

void CRecorder::StopRecording(IPanelTimer& timer) {
    timer.Stop();
    recording_ = false;
    panel_.recordButtonText = kTextStart;
    EndOfRecordingUpdate();
}

void CRecorder::EndOfRecordingUpdate() {
    const std::uint16_t count = settings.recordedCount;
    settings.recordEndFrame = count;
    settings.playInterval = settings.recordInterval;
    settings.playStartFrame = 1;
    settings.playEndFrame = count;
    settings.currentFrame = 1;
    panel_.recordEndFrame = count;
    panel_.playInterval = settings.playInterval;
    panel_.startFrame = 1;
    panel_.playEndFrame = count;
    panel_.currentFrame = 1;
    panel_.startFrameSpinMax = std::max<int>(count, 1);
    panel_.playEndSpinMax = std::max<int>(count, 1);
    panel_.currentFrameSpinMax = std::max<int>(count, 1);
    panel_.controlsEnabled = true;
    panel_.saveEnabled = recordingEmpty == 0;
    panel_.playEnabled = recordingEmpty == 0;
}

// ---- playing --------------------------------------------------------------------------------------

void CRecorder::PressPlay(IRecorderHost& host, IPanelTimer& timer) {
    if (Playing()) {
        StopPlaying(host, timer);
    } else if (!recording_ && recordingEmpty == 0 && settings.recordedCount > 0) {
        StartPlaying(host, timer);
    }
}

void CRecorder::StartPlaying(IRecorderHost& host, IPanelTimer& timer) {
    if (!liveSaved_) {
        const InstrumentSettings& live = host.Settings();
        for (int channel : {0, 1}) {
            const auto i = static_cast<std::size_t>(channel);
            const ChannelSettings& ch = live.ch(channel);
            liveOn_[i] = ch.enabled != 0;
            CaptureChannelContext(live, channel, liveContext_[i]);
        }
        liveBufferSize_ = live.timebase.bufferSizeIndex;
        liveRunStatus_ = live.runStatus;
        liveSaved_ = true;
    }
    host.StopAcquisitionTimer();
    host.SetRunStatus(kStatusPlay);

    const int channel = settings.recordSource;
    panel_.source = channel;
    panel_.recordEndFrame = settings.recordedCount;
    panel_.recordInterval = settings.recordInterval;

    host.SetChannelEnabled(channel, true);
    host.SetChannelEnabled(OtherChannel(channel), false);
    host.ApplyPlaybackContext(channel, settings);

    settings.playing = 1;
    playerPosition_ = std::max(settings.playStartFrame - 1, 0);
    panel_.playButtonText = kTextStop;
    panel_.controlsEnabled = false;
    timer.Start(settings.playInterval);
}

void CRecorder::StopPlaying(IRecorderHost& host, IPanelTimer& timer) {
    timer.Stop();
    host.SetRunStatus(kStatusStopped);
    host.Redraw();
    settings.playing = 0;
    panel_.playButtonText = kTextPlay;
    panel_.controlsEnabled = true;
}

void CRecorder::FinishPlaying(IRecorderHost& host, IPanelTimer& timer) {
    timer.Stop();
    playerPosition_ = std::max(settings.playStartFrame - 1, 0);
    settings.playing = 0;
    panel_.playButtonText = kTextPlay;
    panel_.controlsEnabled = true;
    host.SetRunStatus(kStatusStopped);
}

void CRecorder::OnTimer(IRecorderHost& host, IPanelTimer& timer) {
    if (recording_) {
        // A tick without a new capture records nothing, so the interval is the least time between
        // two frames and no frame is a copy of the one before.
        if (host.CaptureCount() == recordedCapture_) {
            return;
        }
        recordedCapture_ = host.CaptureCount();
        const int frame = settings.recordedCount;
        if (frame < kRecorderFrames) {
            std::span<const std::int16_t> trace = host.DisplayTrace(settings.recordSource);
            auto target = store.Frame(frame);
            const std::size_t n = std::min<std::size_t>(trace.size(), target.size());
            std::copy_n(trace.begin(), n, target.begin());
            settings.recordedCount = static_cast<std::uint16_t>(frame + 1);
            panel_.recordedCount = settings.recordedCount;
        }
        if (settings.recordedCount >= settings.recordEndFrame || settings.recordedCount >= kRecorderFrames) {
            StopRecording(timer);
        }
        return;
    }
    if (!Playing()) {
        return;
    }
    const int end = std::clamp<int>(settings.playEndFrame, 1, std::max<int>(settings.recordedCount, 1));
    host.ShowFrame(panel_.source, store.Frame(playerPosition_));
    ++playerPosition_;
    settings.currentFrame = static_cast<std::uint16_t>(playerPosition_);
    panel_.currentFrame = playerPosition_;
    if (playerPosition_ >= end) {
        if (settings.repeat != 0) {
            playerPosition_ = std::max(settings.playStartFrame - 1, 0);
        } else {
            FinishPlaying(host, timer);
        }
    }
    host.Redraw();
}

// ---- files ----------------------------------------------------------------------------------------

FileResult CRecorder::SaveRec(const std::string& path) const {
    return SaveRecFile(path, settings, store);
}

FileResult CRecorder::LoadRec(const std::string& path, int timeDivOffset) {
    FileResult result = LoadRecFile(path, settings, store, timeDivOffset);
    if (!result.ok) {
        return result;
    }
    recordingEmpty = 0;
    Refresh();
    EndOfRecordingUpdate();
    panel_.recordedCount = settings.recordedCount;
    return result;
}

} // namespace tarnix
