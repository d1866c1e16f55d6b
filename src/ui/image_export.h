// File/Save Image: the main window's picture written as a bitmap file. The file dialog closes first;
// a one-shot 1 ms timer then takes the picture, so the dialog is not in it.
#pragma once

#include <QRect>
#include <QString>
#include <string>

#include "files/bmp_writer.h"
#include "files/file_result.h"

class QImage;
class QWidget;

namespace tarnix {

class IUserNotifier;

// The Save Image dialog: title, filters (either one writes a bitmap) and default suffix.
inline constexpr const char* kImageDialogTitle = "Save Data As...";
inline constexpr const char* kImageDialogFilter = "BMP File(*.bmp);;JPEG File(*.jpg)";
inline constexpr const char* kImageDialogSuffix = "bmp";
inline constexpr int kImageTimerMs = 1;

// The part of the window's rectangle that lies on the screen; empty when none does.
QRect VisibleWindowRect(const QRect& windowOnScreen, const QRect& screen);
// An image's pixels as the BMP writer takes them (alpha dropped).
PixelBuffer ToPixelBuffer(const QImage& image);
// The main window as the user sees it, clipped to its screen; empty when nothing of it is on the screen.
PixelBuffer CaptureWindow(QWidget* mainWindow);
// Colour depth of the window's screen (bits per pixel); 32 when it has no screen.
int ScreenDepth(const QWidget* window);

// Takes the picture and writes it to `path` now. The file is a bitmap whatever the extension.
FileResult SaveWindowImageNow(QWidget* mainWindow, const std::string& path);
// After the dialog: starts the one-shot 1 ms timer whose tick takes the picture and writes it. A failure
// ("Cann't save file: %s") goes to `notifier` captioned "Error", or to a message box when it is null.
void ScheduleWindowImage(QWidget* mainWindow, const std::string& path, IUserNotifier* notifier = nullptr);
// The whole command: the save dialog (asking before overwriting), then ScheduleWindowImage.
void SaveWindowImage(QWidget* mainWindow, IUserNotifier* notifier = nullptr);

} // namespace tarnix
