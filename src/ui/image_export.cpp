#include "ui/image_export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>
#include <QScreen>
#include <QSvgGenerator>
#include <QTimer>
#include <QWidget>

#include "display/wave_screen.h"
#include "document/user_notifier.h"
#include "ui/command_table.h"

namespace tarnix {

void ShowSaveFailure(QWidget* parent, IUserNotifier* notifier, const std::string& text) {
    if (text.empty()) {
        return;
    }
    if (notifier != nullptr) {
        notifier->ShowMessage(kFileErrorCaption, text);
    } else {
        QMessageBox::warning(parent, QString::fromLatin1(kFileErrorCaption), QString::fromStdString(text));
    }
}

PictureFormat PictureFormatOf(const std::string& path) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        return PictureFormat::kPng;
    }
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        return PictureFormat::kJpeg;
    }
    return PictureFormat::kBmp;
}

QRect VisibleWindowRect(const QRect& windowOnScreen, const QRect& screen) {
    const QRect visible = windowOnScreen.intersected(screen);
    return visible.isValid() ? visible : QRect();
}

PixelBuffer ToPixelBuffer(const QImage& image) {
    PixelBuffer picture;
    if (image.isNull()) {
        return picture;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    picture.width = rgb.width();
    picture.height = rgb.height();
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        std::uint32_t* out =
            picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width);
        for (int x = 0; x < picture.width; ++x) {
            out[x] = static_cast<std::uint32_t>(line[x]) & 0x00FFFFFFu;
        }
    }
    return picture;
}

QImage WindowPicture(QWidget* mainWindow) {
    if (mainWindow == nullptr) {
        return {};
    }
    // The client area on the screen, clipped to the screen, then back in the window's own coordinates.
    const QRect onScreen(mainWindow->mapToGlobal(QPoint(0, 0)), mainWindow->size());
    const QScreen* screen = mainWindow->screen();
    const QRect visible = screen != nullptr ? VisibleWindowRect(onScreen, screen->geometry()) : onScreen;
    if (visible.isEmpty()) {
        return {};
    }
    return mainWindow->grab(visible.translated(-onScreen.topLeft())).toImage();
}

PixelBuffer CaptureWindow(QWidget* mainWindow) {
    return ToPixelBuffer(WindowPicture(mainWindow));
}

int ScreenDepth(const QWidget* window) {
    const QScreen* screen = window != nullptr ? window->screen() : nullptr;
    return screen != nullptr ? screen->depth() : 32;
}

FileResult SaveWindowImageNow(QWidget* mainWindow, const std::string& path) {
    const PictureFormat format = PictureFormatOf(path);
    if (format == PictureFormat::kBmp) {
        return SaveBmp(path, CaptureWindow(mainWindow), ScreenDepth(mainWindow));
    }
    const QImage picture = WindowPicture(mainWindow);
    if (picture.isNull()) {
        return FileResult::Refused();
    }
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) ||
        !picture.save(&file, format == PictureFormat::kPng ? "PNG" : "JPEG",
                      format == PictureFormat::kPng ? -1 : 95) ||
        !file.commit()) {
        return FileResult::Refused("Cann't save file: " + file.errorString().toStdString());
    }
    return FileResult::Success();
}

namespace {

bool WriteScreenSvg(CWaveScreen& screen, QIODevice& device) {
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setSize(screen.size());
    svg.setViewBox(QRect(QPoint(0, 0), screen.size()));
    svg.setTitle(QStringLiteral("Tarnix screen"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        return false;
    }
    screen.PaintVector(painter);
    return painter.end();
}

} // namespace

FileResult SaveScreenSvg(CWaveScreen& screen, const std::string& path) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || !WriteScreenSvg(screen, file) || !file.commit()) {
        return FileResult::Refused("Cann't save file: " + file.errorString().toStdString());
    }
    return FileResult::Success();
}

QByteArray ScreenSvgBytes(CWaveScreen& screen) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !WriteScreenSvg(screen, buffer)) {
        return {};
    }
    return bytes;
}

void SaveScreenSvgCommand(CWaveScreen& screen, QWidget* parent, IUserNotifier* notifier) {
    const std::string path =
        ChooseFileWithDialog(parent, {true, QStringLiteral("Save Screen as SVG"), QStringLiteral("svg"),
                                      QStringLiteral("SVG File(*.svg)")});
    if (!path.empty()) {
        const FileResult result = SaveScreenSvg(screen, path);
        if (!result.ok) {
            ShowSaveFailure(parent, notifier, result.message);
        }
    }
}

void ScheduleWindowImage(QWidget* mainWindow, const std::string& path, IUserNotifier* notifier) {
    if (mainWindow == nullptr || path.empty()) {
        return;
    }
    // The window is the timer's context: a window closed before the tick takes no picture.
    QTimer::singleShot(kImageTimerMs, mainWindow, [mainWindow, path, notifier] {
        const FileResult result = SaveWindowImageNow(mainWindow, path);
        if (!result.ok) {
            ShowSaveFailure(mainWindow, notifier, result.message);
        }
    });
}

void SaveWindowImage(QWidget* mainWindow, IUserNotifier* notifier) {
    const std::string path = ChooseFileWithDialog(mainWindow, {true, QString::fromLatin1(kImageDialogTitle),
                                                               QString::fromLatin1(kImageDialogSuffix),
                                                               QString::fromLatin1(kImageDialogFilter)});
    if (!path.empty()) {
        ScheduleWindowImage(mainWindow, path, notifier);
    }
}

} // namespace tarnix
