// What the remote commands need from the program's windows, without depending on them: the menu
// commands with their update rules, the screen's marker moves, the FFT and Pass/Fail panels and the
// window image. The ui implements it by calling the real handlers; tests answer it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnix {

// Lists of the FFT window, each chosen by its position as the user would pick it.
enum class FftList { kSource, kWindow, kBins, kScale };

class IRemoteHost {
public:
    virtual ~IRemoteHost() = default;
    // The update rule's verdict: false when the menu would show the item disabled.
    virtual bool CommandEnabled(int command) = 0;
    // Runs a command as its menu item does. The caller checks CommandEnabled first.
    virtual void ExecuteCommand(int command) = 0;
    // Runs a File command whose dialogs are answered with `path` and, for Save CSV, the Save dialog
    // with `saveChannel` (0 CH1, 1 CH2).
    virtual void ExecuteFileCommand(int command, const std::string& path, int saveChannel) = 0;
    // The screen's moves, as a marker drag makes them: a channel's zero level (the trigger level
    // follows it), a trigger level (0 CH1, 1 CH2), the horizontal trigger position (0..500).
    virtual void MoveZeroLevel(int channel, float level) = 0;
    virtual void MoveTriggerLevel(int channel, float level) = 0;
    virtual void MoveHorizontalPosition(int position) = 0;
    // The Average dialog's OK with `count` (1..128).
    virtual void SetAverageCount(int count) = 0;
    // The FFT window's lists and its Start/Stop button.
    virtual void ChooseFftList(FftList list, int index) = 0;
    virtual void ToggleFftRunning() = 0;
    // The Pass/Fail panel's Create, Start and Stop buttons (the panel is open).
    virtual void CreatePassFailMask() = 0;
    virtual void StartPassFail() = 0;
    virtual void StopPassFail() = 0;
    // True while a modal dialog waits for the person at the window (a calibration, a file dialog, a
    // message box): remote commands then change nothing.
    virtual bool ModalDialogOpen() = 0;
    // The main window as a PNG file's bytes; empty when it cannot be grabbed.
    virtual std::vector<std::uint8_t> WindowImagePng() = 0;
    // The waveform screen as an SVG file's bytes; empty when the host cannot draw one.
    virtual std::vector<std::uint8_t> ScreenSvg() { return {}; }
};

} // namespace tarnix
