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

#include "display/cursor_readouts.h"
#include "display/wave_screen.h"
#include "ui/tarnix_view.h"

namespace tarnix {

namespace {

// The longest texts of each readout: volts of a trace at 10 kV/div (x 1000 probe) reach five whole
// digits, as do the seconds across ten divisions of 1 h; every other unit stops below 1000.
QStringList WidestReadouts() {
    QStringList texts;
    for (const std::string& text :
         {FormatTraceVoltReadout(-88888.888), FormatVoltDeltaReadout(-888.888),
          FormatVoltDeltaReadout(-0.888888), FormatVoltDeltaReadout(-888.888e3), FormatTimeReadout(88888.888),
          FormatTimeReadout(888.888e-6), FormatFreqReadout(888.888e9), FormatFreqReadout(888.888e6),
          FormatSpectrumLevelReadout(-888.88, 0)}) {
        texts.append(QString::fromStdString(text));
    }
    return texts;
}

} // namespace

CMainFrame::CMainFrame(CTarnixDoc& doc, QWidget* parent) : QMainWindow(parent), doc_(doc) {
    setWindowTitle(QStringLiteral("MV-A2 USB(7.0.0.2)"));
    view_ = new CTarnixView(doc, this);
    setCentralWidget(view_);

    // Panes 61450, 61447, 61448, 61449, 61451 (stretching) and 61446.
    static constexpr int kWidths[6] = {100, 110, 110, 110, 1, 100};
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        auto* pane = new QLabel(this);
        // Fixed widths, so that a long readout never pushes the clock and the other panes aside; the
        // status texts, the readouts and the clock always fit whole, whatever the font.
        int width = kWidths[i];
        QStringList widest;
        if (i == 0) {
            widest = {QStringLiteral("Search Device......")};
        } else if (i == 5) {
            widest = {ClockText(28, 12, 2026, 23, 58)};
        } else if (i != 4) {
            widest = WidestReadouts();
        }
        for (const QString& text : widest) {
            width = std::max(width, pane->fontMetrics().horizontalAdvance(text) + 8);
        }
        if (i == 4) {
            pane->setMinimumWidth(width);
        } else {
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
