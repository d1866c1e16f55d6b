#include "ui/image_export.h"

#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "document/user_notifier.h"
#include "ui/command_table.h"

namespace tarnix {

namespace {

void ShowFailure(QWidget* parent, IUserNotifier* notifier, const std::string& text) {
    if (text.empty()) {
        return;
    }
    if (notifier != nullptr) {
        notifier->ShowMessage(kFileErrorCaption, text);
    } else {
        QMessageBox::warning(parent, QString::fromLatin1(kFileErrorCaption), QString::fromStdString(text));
    }
}

} // namespace

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

PixelBuffer CaptureWindow(QWidget* mainWindow) {
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
    const QPixmap pixmap = mainWindow->grab(visible.translated(-onScreen.topLeft()));
    return ToPixelBuffer(pixmap.toImage());
}

int ScreenDepth(const QWidget* window) {
    const QScreen* screen = window != nullptr ? window->screen() : nullptr;
    return screen != nullptr ? screen->depth() : 32;
}

FileResult SaveWindowImageNow(QWidget* mainWindow, const std::string& path) {
    return SaveBmp(path, CaptureWindow(mainWindow), ScreenDepth(mainWindow));
}

void ScheduleWindowImage(QWidget* mainWindow, const std::string& path, IUserNotifier* notifier) {
    if (mainWindow == nullptr || path.empty()) {
        return;
    }
    // The window is the timer's context: a window closed before the tick takes no picture.
    QTimer::singleShot(kImageTimerMs, mainWindow, [mainWindow, path, notifier] {
        const FileResult result = SaveWindowImageNow(mainWindow, path);
        if (!result.ok) {
            ShowFailure(mainWindow, notifier, result.message);
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
