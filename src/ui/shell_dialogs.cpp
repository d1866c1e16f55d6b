#include "ui/shell_dialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>

#include "document/user_notifier.h"
#include "language/language_table.h"
#include "ui/menu_ex.h"
#include "ui/relabel.h"

namespace tarnix {
namespace {

constexpr int kIdOk = 1;
constexpr int kIdVersion = 1174;
constexpr int kIdLine1 = 1175;
constexpr int kIdLine2 = 1176;

QImage NewPicture(int width, int height, qreal dpr) {
    QImage image(static_cast<int>(std::lround(width * dpr)), static_cast<int>(std::lround(height * dpr)),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    return image;
}

// A small instrument screen: graticule of 10 x 8 divisions with a sine on CH1 and a square on CH2.
void PaintMiniScreen(QPainter& p, const QRectF& r) {
    p.fillRect(r, QColor(0, 0, 0));
    p.setPen(QPen(QColor(90, 90, 90), 0.6, Qt::DotLine));
    for (int i = 1; i < 10; ++i) {
        const qreal x = r.left() + r.width() * i / 10.0;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    for (int j = 1; j < 8; ++j) {
        const qreal y = r.top() + r.height() * j / 8.0;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    p.setPen(QPen(QColor(160, 160, 160), 1.0));
    p.drawRect(r);

    QPainterPath sine;
    QPainterPath square;
    const int steps = 400;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = static_cast<qreal>(i) / steps;
        const qreal x = r.left() + r.width() * t;
        const qreal ySine = r.top() + r.height() * (0.32 - 0.2 * std::sin(2.0 * std::numbers::pi * 2.5 * t));
        const qreal phase = std::fmod(t * 4.0, 1.0);
        const qreal ySquare = r.top() + r.height() * (phase < 0.5 ? 0.62 : 0.84);
        if (i == 0) {
            sine.moveTo(x, ySine);
            square.moveTo(x, ySquare);
        } else {
            sine.lineTo(x, ySine);
            square.lineTo(x, ySquare);
        }
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0, 255, 0), 1.6));
    p.drawPath(sine);
    p.setPen(QPen(QColor(255, 255, 0), 1.6));
    p.drawPath(square);
    p.setRenderHint(QPainter::Antialiasing, false);
}

void PaintBackground(QPainter& p, const QRectF& r) {
    QLinearGradient gradient(r.topLeft(), r.bottomRight());
    gradient.setColorAt(0.0, QColor(24, 40, 72));
    gradient.setColorAt(1.0, QColor(8, 14, 28));
    p.fillRect(r, gradient);
}

QFont Face(int pixelSize, bool bold, bool italic = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace

QImage PaintSplashPicture(qreal devicePixelRatio) {
    QImage image = NewPicture(kSplashWidth, kSplashHeight, devicePixelRatio);
    QPainter p(&image);
    const QRectF all(0, 0, kSplashWidth, kSplashHeight);
    PaintBackground(p, all);
    PaintMiniScreen(p, QRectF(16, 16, 200, 160));
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setPen(QColor(255, 255, 255));
    p.setFont(Face(40, true, true));
    p.drawText(QRectF(230, 30, 180, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tarnix"));
    p.setPen(QColor(0, 255, 255));
    p.setFont(Face(13, false));
    p.drawText(QRectF(232, 86, 180, 40), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Two-channel USB storage oscilloscope"));
    p.setPen(QColor(200, 200, 200));
    p.setFont(Face(12, false));
    p.drawText(QRectF(232, 140, 180, 20), Qt::AlignLeft, QStringLiteral("MV-A2 USB 7.0.0.2"));
    p.setPen(QColor(140, 150, 170));
    p.setFont(Face(11, false, true));
    p.drawText(QRectF(16, 190, 392, 20), Qt::AlignLeft, QStringLiteral("Searching for instruments..."));
    p.setPen(QPen(QColor(0, 255, 0), 1.0));
    p.drawLine(QPointF(232, 130), QPointF(408, 130));
    return image;
}

QImage PaintAboutPicture(qreal devicePixelRatio) {
    QImage image = NewPicture(kAboutPictureWidth, kAboutPictureHeight, devicePixelRatio);
    QPainter p(&image);
    const QRectF all(0, 0, kAboutPictureWidth, kAboutPictureHeight);
    PaintBackground(p, all);
    PaintMiniScreen(p, QRectF(23, 60, 300, 160));
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setPen(QColor(255, 255, 255));
    p.setFont(Face(30, true, true));
    p.drawText(QRectF(23, 10, 300, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tarnix"));
    p.setPen(QColor(0, 255, 255));
    p.setFont(Face(12, false));
    p.drawText(QRectF(150, 10, 173, 44), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("MV-A2 USB"));
    return image;
}

QImage PaintAppIcon(int sizePx) {
    QImage image(sizePx, sizePx, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const qreal s = sizePx;
    p.fillRect(QRectF(0, 0, s, s), QColor(24, 40, 72));
    PaintMiniScreen(p, QRectF(s * 0.1, s * 0.15, s * 0.8, s * 0.7));
    return image;
}

bool SplashEnabled(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        const QString a = argument.toLower();
        if (a == QLatin1String("--nosplash") || a == QLatin1String("-nosplash") ||
            a == QLatin1String("/nosplash") || a == QLatin1String("--no-splash")) {
            return false;
        }
    }
    return true;
}

// ---- CSplashWindow ------------------------------------------------------------------------------

CSplashWindow::CSplashWindow(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Never shown (no caption), but names the window for the desktop and for window lookups.
    setWindowTitle(QStringLiteral("Tarnix"));
    setFixedSize(kSplashWidth, kSplashHeight);
    setCursor(Qt::ArrowCursor);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        emit finished();
        close();
    });
}

void CSplashWindow::ShowCentred() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(kSplashWidth / 2, kSplashHeight / 2));
    }
    show();
    raise();
    timer_.start(kSplashMs);
}

void CSplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPointF(0, 0), PaintSplashPicture(devicePixelRatioF()));
    // The thin border of the popup.
    p.setPen(QColor(128, 128, 128));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---- CAboutDialog -------------------------------------------------------------------------------

CAboutDialog::CAboutDialog(const CLanguageTable& language, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    picture_ = new QLabel(this);
    SetControlId(picture_, kPictureId);
    const qreal dpr = devicePixelRatioF();
    picture_->setPixmap(QPixmap::fromImage(PaintAboutPicture(dpr)));
    picture_->setFixedSize(kAboutPictureWidth, kAboutPictureHeight);

    auto* version = new QLabel(QStringLiteral("MV-A2 USB Version 7.0.0.2"), this);
    auto* line1 = new QLabel(QStringLiteral("Two-channel USB storage oscilloscope"), this);
    auto* line2 = new QLabel(QStringLiteral("Tarnix oscilloscope front-end"), this);
    SetControlId(version, kIdVersion);
    SetControlId(line1, kIdLine1);
    SetControlId(line2, kIdLine2);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    SetControlId(ok, kIdOk);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(version);
    texts->addWidget(line1);
    texts->addWidget(line2);
    texts->addStretch(1);
    texts->addWidget(ok, 0, Qt::AlignRight);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture_);
    layout->addLayout(texts);

    RelabelWindow(this, language);
    RelabelTitle(this, kTemplateId, language);
}

// ---- Help ---------------------------------------------------------------------------------------

namespace {

// The file itself, or the one in its folder whose name differs only in case (a language file
// "german.lug" finds "MorvlinkHelp-German.html"); empty when there is neither.
std::filesystem::path FindIgnoringCase(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error)) {
        return file;
    }
    const QString wanted = ToQString(file.filename().string());
    for (std::filesystem::directory_iterator it(file.parent_path(), error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error) &&
            ToQString(it->path().filename().string()).compare(wanted, Qt::CaseInsensitive) == 0) {
            return it->path();
        }
    }
    return {};
}

// Asks xdg-mime for a default application of each .chm type in turn, one second at most each, and
// hands the answer on without ever waiting on the GUI thread.
void QueryChmViewer(const std::function<void(bool)>& done, std::size_t typeIndex = 0) {
    static constexpr std::array<const char*, 2> kTypes = {"application/vnd.ms-htmlhelp", "application/x-chm"};
    if (typeIndex >= kTypes.size()) {
        done(false);
        return;
    }
    auto* query = new QProcess(QCoreApplication::instance());
    const auto next = [query, done, typeIndex](bool found) {
        query->deleteLater();
        if (found) {
            done(true);
        } else {
            QueryChmViewer(done, typeIndex + 1);
        }
    };
    QObject::connect(query, &QProcess::finished, query, [query, next](int code, QProcess::ExitStatus status) {
        next(status == QProcess::NormalExit && code == 0 &&
             !query->readAllStandardOutput().trimmed().isEmpty());
    });
    QObject::connect(query, &QProcess::errorOccurred, query, [next](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            next(false);
        }
    });
    // A query that hangs is ended; its finished signal then moves on.
    QTimer::singleShot(1000, query, [query] { query->kill(); });
    query->start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                              QString::fromLatin1(kTypes[typeIndex])});
}

} // namespace

std::filesystem::path ChooseHelpFile(const std::filesystem::path& chmFile, bool chmViewerAvailable) {
    const std::filesystem::path chm = FindIgnoringCase(chmFile);
    if (chmViewerAvailable && !chm.empty()) {
        return chm;
    }
    if (!chmViewerAvailable) {
        for (const char* extension : {".html", ".htm"}) {
            std::filesystem::path html = chmFile;
            html.replace_extension(extension);
            if (std::filesystem::path found = FindIgnoringCase(html); !found.empty()) {
                return found;
            }
        }
    }
    return chm.empty() ? chmFile : chm;
}

void OpenHelpFile(const CLanguageTable& language, QWidget* parent, IUserNotifier* notifier, UrlOpener open) {
    const std::filesystem::path chm = language.LanguageFolder() / language.HelpFileName();
    QueryChmViewer([chm, window = QPointer<QWidget>(parent), windowless = parent == nullptr, notifier,
                    open = std::move(open)](bool viewer) {
        if (!windowless && window.isNull()) {
            return;
        }
        const std::filesystem::path file = ChooseHelpFile(chm, viewer);
        const QString name = ToQString(file.string());
        QString problem;
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            problem = QStringLiteral("The help file %1 was not found.").arg(name);
        } else {
            // A .chm without a viewer would be handed to the desktop only to fail without a word.
            const QUrl url = QUrl::fromLocalFile(name);
            const bool opened =
                (file.extension() != ".chm" || viewer) && (open ? open(url) : QDesktopServices::openUrl(url));
            if (!opened) {
                problem = QStringLiteral("No program to show the help file %1 is installed.").arg(name);
            }
        }
        if (problem.isEmpty()) {
            return;
        }
        if (notifier != nullptr) {
            notifier->ShowMessage("Help", problem.toStdString());
        } else {
            QMessageBox::information(window, QStringLiteral("Help"), problem);
        }
    });
}

} // namespace tarnix
