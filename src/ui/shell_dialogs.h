// The application's own windows around the main frame: the start-up splash, the About box, their
// pictures (drawn here, crisp at any device pixel ratio) and the help file of the current language.
#pragma once

#include <QDialog>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>

class QLabel;
class QUrl;

namespace tarnix {

class CLanguageTable;
class IUserNotifier;

inline constexpr int kSplashWidth = 424;
inline constexpr int kSplashHeight = 221;
inline constexpr int kSplashMs = 750;
inline constexpr int kAboutPictureWidth = 346;
inline constexpr int kAboutPictureHeight = 241;

// The pictures at their logical sizes, rendered at `devicePixelRatio`.
QImage PaintSplashPicture(qreal devicePixelRatio);
QImage PaintAboutPicture(qreal devicePixelRatio);

// The main window's icon: a small instrument screen.
QImage PaintAppIcon(int sizePx);

// False when the command line carries one of the usual no-splash switches (--nosplash, -nosplash,
// /nosplash, --no-splash).
bool SplashEnabled(const QStringList& arguments);

// A captionless window holding the splash picture; it closes and deletes itself after 750 ms.
class CSplashWindow : public QWidget {
    Q_OBJECT

public:
    explicit CSplashWindow(QWidget* parent = nullptr);
    // Shows it centred on the primary screen and starts its timer.
    void ShowCentred();
    bool TimerActive() const { return timer_.isActive(); }

signals:
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
};

class CAboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 100;
    static constexpr int kPictureId = 1231;

    CAboutDialog(const CLanguageTable& language, QWidget* parent = nullptr);
    QLabel* Picture() const { return picture_; }

private:
    QLabel* picture_ = nullptr;
};

// Help/Contents: which file to open. The .chm of the language when a viewer for it is installed;
// otherwise an HTML file of the same stem (.html, then .htm) when one exists; else the .chm anyway.
// Names are matched without regard to case.
std::filesystem::path ChooseHelpFile(const std::filesystem::path& chmFile, bool chmViewerAvailable);
// The desktop's "open" of a file URL; false when nothing could open it.
using UrlOpener = std::function<bool(const QUrl&)>;
// Opens the help file of the table's current language in its language folder once the desktop has
// said whether it has a .chm viewer (xdg-mime, asked in the background). When there is no help file,
// or nothing can show it, a message says so: through `notifier`, else in a box over `parent` (no
// message once `parent` is gone). `open` empty: QDesktopServices.
void OpenHelpFile(const CLanguageTable& language, QWidget* parent = nullptr,
                  IUserNotifier* notifier = nullptr, UrlOpener open = {});

} // namespace tarnix
