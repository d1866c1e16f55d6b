#include "document/tarnix_doc.h"

#include "ui/tarnix_view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QResizeEvent>
#include <QTabWidget>
#include <algorithm>
#include <array>

#include "display/measure_texts.h"
#include "display/spectrum_painter.h"
#include "display/status_strip.h"
#include "display/status_text.h"
#include "display/wave_render.h"
#include "display/wave_screen.h"
#include "ui/statistics_overlay.h"

namespace tarnix {

// ---- CDocScreenHost -----------------------------------------------------------------------------

InstrumentSettings& CDocScreenHost::Settings() {
    return doc_.settings;
}

TraceView CDocScreenHost::Trace(int channel) const {
    const int ch = std::clamp(channel, 0, kChannelCount - 1);
    const WaveFrame& frame = doc_.frames[static_cast<std::size_t>(ch)];
    TraceView view{frame.display.data(), frame.pointCount, frame.firstIndex, frame.lastIndex};
    if (ch == kMath) {
        // MATH has no window of its own: it shows the part its source A has filled.
        const int source = doc_.settings.ch(kMath).math.sourceA == 0 ? kCh1 : kCh2;
        const WaveFrame& a = doc_.frames[static_cast<std::size_t>(source)];
        view.firstIndex = a.firstIndex;
        view.lastIndex = a.lastIndex;
    }
    return view;
}

XYRecordView CDocScreenHost::XYRecord() const {
    const WaveFrame& ch1 = doc_.frames[kCh1];
    const WaveFrame& ch2 = doc_.frames[kCh2];
    const std::size_t length = std::min({static_cast<std::size_t>(doc_.settings.ch(kCh1).recordLength),
                                         ch1.processed.size(), ch2.processed.size()});
    return XYRecordView{ch1.processed.data(), ch2.processed.data(), static_cast<int>(length)};
}

SpectrumView CDocScreenHost::Spectrum() const {
    return MakeSpectrumView(doc_.fftSettings, doc_.fftResults);
}

int CDocScreenHost::StatusTicks() const {
    return doc_.statusTicks;
}

int CDocScreenHost::StoppedPosition() const {
    return doc_.stoppedPosition;
}

std::string CDocScreenHost::Text(int key, const char* fallback) const {
    if (doc_.hooks.lookupText) {
        std::string text = doc_.hooks.lookupText(key);
        if (!text.empty()) {
            return text;
        }
    }
    return fallback;
}

void CDocScreenHost::SetZeroLevel(int channel, float level) {
    if (channel == kCh1 || channel == kCh2) {
        doc_.SetZeroLevel(channel, level);
    } else if (channel == kMath || channel == kRef) {
        doc_.settings.ch(channel).zeroLevel = level;
    }
}

void CDocScreenHost::SetTriggerLevel(int levelMarker, float level) {
    if (levelMarker == 2) {
        doc_.SetExtTriggerLevel(level);
    } else {
        doc_.SetTriggerLevel(levelMarker == 0 ? kCh1 : kCh2, level);
    }
}

void CDocScreenHost::SetHorizontalPosition(int position) {
    doc_.SetHorizontalPosition(position);
}

void CDocScreenHost::ZoomStep(bool zoomIn) {
    if (zoomIn) {
        doc_.TimeDivFaster();
    } else {
        doc_.TimeDivSlower();
    }
    if (timeBaseStepped) {
        timeBaseStepped();
    }
}

// ---- CSunkenPanel -------------------------------------------------------------------------------

CSunkenPanel::CSunkenPanel(QWidget* child, QWidget* parent) : QFrame(parent), child_(child) {
    child_->setParent(this);
    SetEdge(true);
}

void CSunkenPanel::SetChild(QWidget* child) {
    delete child_;
    child_ = child;
    child_->setParent(this);
    child_->setGeometry(contentsRect());
    child_->setVisible(true);
}

void CSunkenPanel::Place(const QRect& rect) {
    // Also while hidden, when Qt holds the resize event back until the panel is shown.
    setGeometry(rect);
    child_->setGeometry(contentsRect());
}

void CSunkenPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    child_->setGeometry(contentsRect());
}

void CSunkenPanel::SetEdge(bool sunken) {
    setFrameStyle(sunken ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
    setLineWidth(sunken ? 1 : 0);
    child_->setGeometry(contentsRect());
}

// ---- CTarnixView --------------------------------------------------------------------------------

CTarnixView::CTarnixView(CTarnixDoc& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), persist_(doc.settings), host_(doc, persist_) {
    screen_ = new CWaveScreen(host_);
    strip_ = new CStatusStrip(host_);
    auto* info = new QWidget;
    info->setAutoFillBackground(true);
    QPalette palette = info->palette();
    palette.setColor(QPalette::Window, QColor(50, 50, 50));
    info->setPalette(palette);
    screenPanel_ = new CSunkenPanel(screen_, this);
    stripPanel_ = new CSunkenPanel(strip_, this);
    infoPanel_ = new CSunkenPanel(info, this);
    sidebarTabs_ = new QTabWidget(this);

    // The processing pass hands every finished trace to the persistence history.
    doc_.processor.hooks.addPersistFrame = [this](int ch) {
        const auto c = static_cast<std::size_t>(ch);
        persist_.AddPersistFrame(ch, doc_.frames[c].display.data(), doc_.settings.ch(ch).colour);
    };
    doc_.hooks.repaint = [this] { Invalidate(); };
    doc_.hooks.resetScreen = [this] { ResetScreen(); };
    // The Pass/Fail mask is the screen's third layer, under the graticule.
    screen_->maskLayer = [this](QPainter& painter, const PlotRect& plot) {
        return PaintMask(painter, plot, doc_.passFail, maskScratch_);
    };
    // The measurement texts are the screen's top layer, each in its source channel's colour.
    screen_->measureLayer = [this](QPainter& painter, const PlotRect& plot) {
        const std::array<std::uint32_t, kMeasureSourceCount> colours{
            doc_.settings.ch(kCh1).colour, doc_.settings.ch(kCh2).colour, doc_.settings.ch(kMath).colour};
        if (doc_.datalog.statisticsShown) {
            PaintStatisticsTable(painter, plot, doc_.datalog.statistics, colours, doc_.language);
            // Its text cells start inside the plot.
            return QRect(QPoint(plot.left, plot.top), QPoint(plot.right + 400, plot.bottom + 60));
        }
        std::array<MeasureTextItem, kMeasureSlotCount> items{};
        const int count =
            doc_.measures.LayoutTexts(plot.left, plot.top, plot.right, plot.bottom, colours, items);
        return PaintMeasureTexts(painter, std::span(items).first(static_cast<std::size_t>(count)));
    };
    doc_.hooks.showStatus = [this](std::string_view text) {
        status_ = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    };

    timer_.setInterval(kTimerMs);
    connect(&timer_, &QTimer::timeout, this, &CTarnixView::OnTimerTick);
    qApp->installEventFilter(this);
}

CTarnixView::~CTarnixView() {
    timer_.stop();
    doc_.processor.hooks.addPersistFrame = nullptr;
    doc_.hooks.repaint = nullptr;
    doc_.hooks.resetScreen = nullptr;
    doc_.hooks.showStatus = nullptr;
}

bool CTarnixView::OnInitialUpdate() {
    if (doc_.StartUp() == StartupResult::kClose) {
        return false;
    }
    LayoutView();
    timer_.start();
    return true;
}

void CTarnixView::OnTimerTick() {
    doc_.OnTick();
    // Every tick counts as a repaint of the strip, so the ALT level alternates at the same pace on a
    // running and on an idle stopped screen; the strip is redrawn when the level shown changes.
    const bool ch2Level = strip_->ShowsCh2Level();
    strip_->AdvanceAlt();
    if (strip_->ShowsCh2Level() != ch2Level) {
        strip_->update();
    }
    if (!firstTickDone_) {
        firstTickDone_ = true;
        LayoutView();
        emit firstTick();
        emit windowReady();
    }
    // After the tick, so a command's re-scaled frame is what gets drawn.
    if (userInput_) {
        userInput_ = false;
        Invalidate();
    }
    emit statusText(status_);
}

void CTarnixView::Invalidate() {
    const StripState strips{doc_.settings, host_.StoppedPosition(), BlinkInverted(doc_.statusTicks),
                            doc_.language.CurrentIndex()};
    const QRect live = screen_->LiveArea();
    // The border and the markers on it follow the settings, the language and the window's size; a
    // capture that changed none of them repaints only the area inside the border.
    if (strips == stripState_ && live == liveArea_) {
        screen_->update(live);
        return;
    }
    screen_->update();
    liveArea_ = live;
    if (strips != stripState_) {
        stripState_ = strips;
        strip_->update();
        infoPanel_->Child()->update();
    }
}

bool CTarnixView::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        userInput_ = true;
        ++inputCount_;
        break;
    case QEvent::MouseMove:
        if (static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton) {
            userInput_ = true;
            ++inputCount_;
        }
        break;
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Close:
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
            ++inputCount_;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void CTarnixView::ResetScreen() {
    screen_->SetGridOn(true);
    screen_->SetGridIntensity(200);
    screen_->SetWaveIntensity(255);
    screen_->SetDrawType(0);
    screen_->SetCursorSource(0);
    screen_->SetCursorType(0);
    screen_->UpdateMarkers();
}

void CTarnixView::SetInfoStrip(QWidget* strip) {
    infoPanel_->SetChild(strip);
}

void CTarnixView::SetSidebarShown(bool shown) {
    if (host_.fullScreen) {
        return;
    }
    sidebarShown_ = shown;
    sidebarWidth_ = shown ? kSidebarWidth : 0;
    LayoutView();
}

void CTarnixView::EnterFullScreen() {
    if (host_.fullScreen) {
        return;
    }
    sidebarShownBeforeFullScreen_ = sidebarShown_;
    sidebarWidth_ = 0;
    stripHeight_ = 0;
    sidebarShown_ = false;
    host_.fullScreen = true;
    screenPanel_->SetEdge(false);
    emit fullScreenChanged(true);
    LayoutView();
}

void CTarnixView::LeaveFullScreen() {
    if (!host_.fullScreen) {
        return;
    }
    host_.fullScreen = false;
    emit fullScreenChanged(false);
    screenPanel_->SetEdge(true);
    sidebarShown_ = sidebarShownBeforeFullScreen_;
    sidebarWidth_ = sidebarShown_ ? kSidebarWidth : 0;
    stripHeight_ = kStripHeight;
    LayoutView();
}

void CTarnixView::LayoutView() {
    const int w = width();
    const int h = height();
    const int s = sidebarWidth_;
    const int u = stripHeight_;
    const int l = stripHeight_;
    sidebarTabs_->setGeometry(w - s, 0, s, h);
    sidebarTabs_->setVisible(s > 0);
    stripPanel_->Place(QRect(0, 0, w - s, u));
    stripPanel_->setVisible(u > 0);
    infoPanel_->Place(QRect(0, h - l, w - s, l));
    infoPanel_->setVisible(l > 0);
    screenPanel_->Place(QRect(0, u, w - s, h - u - l));
}

void CTarnixView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!event->size().isEmpty()) {
        LayoutView();
    }
}

} // namespace tarnix
