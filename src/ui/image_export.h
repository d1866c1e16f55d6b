// File/Save Image: the main window's picture written as a PNG, BMP or JPEG file. The file dialog closes
// first; a one-shot 1 ms timer then takes the picture, so the dialog is not in it. File/Save Screen as
// SVG: the waveform screen as a vector drawing.
#pragma once

#include <QRect>
#include <QString>
#include <string>

#include "files/bmp_writer.h"
#include "files/file_result.h"

class QByteArray;
class QImage;
class QIODevice;
class QWidget;

namespace tarnix {

class IUserNotifier;

class CWaveScreen;

// The Save Image dialog: title, filters and default suffix. The file name's extension picks the format.
inline constexpr const char* kImageDialogTitle = "Save Data As...";
inline constexpr const char* kImageDialogFilter = "PNG File(*.png);;BMP File(*.bmp);;JPEG File(*.jpg)";
inline constexpr const char* kImageDialogSuffix = "png";

enum class PictureFormat { kPng, kBmp, kJpeg };
// ".png" PNG, ".jpg" or ".jpeg" JPEG (any case), anything else the bitmap layout.
PictureFormat PictureFormatOf(const std::string& path);
inline constexpr int kImageTimerMs = 1;

// The part of the window's rectangle that lies on the screen; empty when none does.
QRect VisibleWindowRect(const QRect& windowOnScreen, const QRect& screen);
// An image's pixels as the BMP writer takes them (alpha dropped).
PixelBuffer ToPixelBuffer(const QImage& image);
// The main window as the user sees it, clipped to its screen; empty when nothing of it is on the screen.
PixelBuffer CaptureWindow(QWidget* mainWindow);
// Colour depth of the window's screen (bits per pixel); 32 when it has no screen.
int ScreenDepth(const QWidget* window);

// The main window as the user sees it, clipped to its screen, at its device pixel ratio: a window on a
// 2x screen gives a picture twice its size in each direction.
QImage WindowPicture(QWidget* mainWindow);

// Takes the picture and writes it to `path` now, in the format of its extension: a PNG or JPEG at the
// device pixel ratio, or a bitmap.
FileResult SaveWindowImageNow(QWidget* mainWindow, const std::string& path);

// The waveform screen as an SVG drawing of its logical size: graticule, traces as polylines, markers
// and texts, which scales without loss.
FileResult SaveScreenSvg(CWaveScreen& screen, const std::string& path);
// The same drawing as the bytes of an SVG file.
QByteArray ScreenSvgBytes(CWaveScreen& screen);
// The whole Save Screen as SVG command: the save dialog, then the file.
void SaveScreenSvgCommand(CWaveScreen& screen, QWidget* parent, IUserNotifier* notifier = nullptr);
// A failure's text in a message box captioned "Error" (through `notifier` when given).
void ShowSaveFailure(QWidget* parent, IUserNotifier* notifier, const std::string& text);
// After the dialog: starts the one-shot 1 ms timer whose tick takes the picture and writes it. A failure
// ("Cann't save file: %s") goes to `notifier` captioned "Error", or to a message box when it is null.
void ScheduleWindowImage(QWidget* mainWindow, const std::string& path, IUserNotifier* notifier = nullptr);
// The whole command: the save dialog (asking before overwriting), then ScheduleWindowImage.
void SaveWindowImage(QWidget* mainWindow, IUserNotifier* notifier = nullptr);

} // namespace tarnix
