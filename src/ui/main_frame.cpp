#include "document/tarnix_doc.h"

#include "ui/main_frame.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <string>
#include <vector>

#include "display/cursor_readouts.h"
#include "display/wave_screen.h"
#include "ui/tarnix_view.h"

namespace tarnix {

namespace {

// The longest texts of a readout: volts of a trace at 10 kV/div (x 1000 probe) and seconds across
// ten divisions of 1 h reach five whole digits; every other unit stops below 1000.
std::vector<std::string> WidestTexts(ReadoutKind kind) {
    switch (kind) {
    case ReadoutKind::kFreq:
    case ReadoutKind::kSpectrumFreq:
        return {FormatFreqReadout(888.888e9), FormatFreqReadout(888.888e6), FormatFreqReadout(888.888e3)};
    case ReadoutKind::kTime:
        return {FormatTimeReadout(88888.888), FormatTimeReadout(888.888e-3), FormatTimeReadout(888.888e-6)};
    case ReadoutKind::kVoltDelta:
        return {FormatVoltDeltaReadout(-88.888e3), FormatVoltDeltaReadout(-888.888),
                FormatVoltDeltaReadout(-0.888888)};
    case ReadoutKind::kTraceVolt:
        return {FormatTraceVoltReadout(-88888.888), FormatTraceVoltReadout(0.888888)};
    case ReadoutKind::kSpectrumLevel:
        return {FormatSpectrumLevelReadout(-888.88, 0), FormatSpectrumLevelReadout(888.888, 1)};
    case ReadoutKind::kEmpty:
        break;
    }
    return {};
}

// A readout pane holds the widest text that any cursor type and source put into it.
int ReadoutPaneWidth(const QFontMetrics& metrics, int pane) {
    int width = 0;
    for (int type : {kCursorNone, kCursorCross, kCursorTrace, kCursorVertical, kCursorHorizontal}) {
        for (int source : {kCursorSrcCh1, kCursorSrcCh2, kCursorSrcMath, kCursorSrcFft}) {
            for (const std::string& text : WidestTexts(ReadoutPanesFor(type, source).pane[pane])) {
                width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(text)));
            }
        }
    }
    return width;
}

// A status pane as wide as its widest text while the window has room for it, and narrower only in
// a window too narrow for all the panes: never sized by its current text, so the panes never jump.
class CStatusPane : public QLabel {
public:
    CStatusPane(int minimumWidth, int width, QWidget* parent)
        : QLabel(parent), minimumWidth_(std::min(minimumWidth, width)), width_(width) {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return {width_, fontMetrics().height()}; }
    QSize minimumSizeHint() const override { return {minimumWidth_, fontMetrics().height()}; }

private:
    int minimumWidth_;
    int width_;
};

} // namespace

CMainFrame::CMainFrame(CTarnixDoc& doc, QWidget* parent) : QMainWindow(parent), doc_(doc) {
    setWindowTitle(QStringLiteral("MV-A2 USB(7.0.0.2)"));
    view_ = new CTarnixView(doc, this);
    setCentralWidget(view_);

    // Panes 61450, 61447, 61448, 61449, 61451 (stretching) and 61446.
    static constexpr int kWidths[6] = {100, 110, 110, 110, 1, 100};
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        // The status texts, the readouts and the clock fit whole in the font in use.
        const QFontMetrics metrics = statusBar()->fontMetrics();
        int width = kWidths[i];
        if (i == 0 || i == 5) {
            const QString widest =
                i == 0 ? QStringLiteral("Search Device......") : ClockText(28, 12, 2026, 23, 58);
            width = std::max(width, metrics.horizontalAdvance(widest) + 8);
        } else if (i != 4) {
            width = std::max(width, ReadoutPaneWidth(metrics, static_cast<int>(i) - 1) + 8);
        }
        // The status text and the clock keep their widths; the readout panes give way in a narrow window.
        QLabel* pane = i >= 1 && i <= 3 ? new CStatusPane(kWidths[i], width, this) : new QLabel(this);
        if (i == 4) {
            pane->setMinimumWidth(width);
        } else if (i == 0 || i == 5) {
            pane->setFixedWidth(width);
        }
        pane->setFrameShape(QFrame::NoFrame);
        statusBar()->addWidget(pane, i == 4 ? 1 : 0);
        panes_[i] = pane;
    }
    statusBar()->setSizeGripEnabled(true);

    resize(kStartWidth, kStartHeight);
    setMinimumSize(kMinWidth, kMinHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kStartWidth / 2, kStartHeight / 2));
    }

    // After the first tick's menus and language (connected to firstTick), before the demo dialog.
    connect(view_, &CTarnixView::windowReady, this, [this] { show(); });
    connect(view_, &CTarnixView::statusText, this, &CMainFrame::UpdateStatus);
    connect(view_, &CTarnixView::fullScreenChanged, this, &CMainFrame::SetFullScreen);
}

QString CMainFrame::ClockText(int day, int month, int year, int hour, int minute) {
    return QString::asprintf("%02d-%02d-%4d  %02d:%02d", day, month, year, hour, minute);
}

void CMainFrame::UpdateStatus(const QString& text) {
    panes_[0]->setText(text);
    CWaveScreen& screen = view_->Screen();
    const ReadoutPanes kinds = ReadoutPanesFor(screen.GetCursorType(), screen.GetCursorSource());
    for (int k = 0; k < 3; ++k) {
        std::string readout;
        switch (kinds.pane[k]) {
        case ReadoutKind::kFreq:
            readout = screen.FreqReadout();
            break;
        case ReadoutKind::kTime:
            readout = screen.TimeReadout();
            break;
        case ReadoutKind::kVoltDelta:
            readout = screen.VoltDeltaReadout();
            break;
        case ReadoutKind::kTraceVolt:
            readout = screen.TraceVoltReadout();
            break;
        case ReadoutKind::kSpectrumFreq:
            readout = screen.SpectrumFreqReadout();
            break;
        case ReadoutKind::kSpectrumLevel:
            readout = screen.SpectrumLevelReadout();
            break;
        case ReadoutKind::kEmpty:
            break;
        }
        panes_[static_cast<std::size_t>(k + 1)]->setText(QString::fromStdString(readout));
    }
    // The local time costs a time-zone lookup; the pane shows minutes, so once a minute is enough.
    const qint64 minute = QDateTime::currentMSecsSinceEpoch() / 60000;
    if (minute != clockMinute_) {
        clockMinute_ = minute;
        const QDateTime now = QDateTime::currentDateTime();
        panes_[5]->setText(ClockText(now.date().day(), now.date().month(), now.date().year(),
                                     now.time().hour(), now.time().minute()));
    }
}

QString CMainFrame::DefaultSetupPath() const {
    return defaultSetupPath_.isEmpty() ? QString::fromStdString(doc_.defaultSetupPath) : defaultSetupPath_;
}

void CMainFrame::SaveDefaultSetup() {
    const QString path = DefaultSetupPath();
    if (!path.isEmpty()) {
        // The program closes regardless, but the user learns that the state was not kept.
        const FileResult saved = doc_.SaveDefaultSetup(path.toStdString());
        if (!saved.ok && !saved.message.empty()) {
            doc_.Notify(kFileErrorCaption, saved.message);
        }
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    SaveDefaultSetup();
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        emit closed();
    }
}

QString CMainFrame::PaneText(int pane) const {
    return pane >= 0 && pane < 6 ? panes_[static_cast<std::size_t>(pane)]->text() : QString();
}

void CMainFrame::SetFullScreen(bool on) {
    if (on == fullScreen_) {
        return;
    }
    fullScreen_ = on;
    if (on) {
        savedPosition_ = pos();
        savedSize_ = size();
        savedMaximized_ = isMaximized();
        statusBar()->hide();
        if (menuBar() != nullptr) {
            menuBar()->hide();
        }
        for (QToolBar* bar : findChildren<QToolBar*>()) {
            bar->hide();
        }
        showFullScreen();
    } else {
        // The placement as it was, to the pixel: the frame's position and the client size, which
        // is how move() and resize() placed it, rather than a state blob the platform may adjust.
        if (savedMaximized_) {
            showMaximized();
        } else {
            showNormal();
            resize(savedSize_);
            move(savedPosition_);
        }
        statusBar()->show();
        if (menuBar() != nullptr) {
            menuBar()->show();
        }
        for (QToolBar* bar : findChildren<QToolBar*>()) {
            bar->show();
        }
    }
}

} // namespace tarnix
