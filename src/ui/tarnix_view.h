// The main form view: lays out the status strip, the waveform screen, the info strip and the sidebar
// column, and runs the 30 ms timer that ticks the acquisition cycle. The screen and the two painted
// strips are redrawn after a capture step and after the user changed something, never on a bare tick.
#pragma once

#include <QFrame>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "acquisition/persist_history.h"
#include "display/mask_painter.h"
#include "display/screen_host.h"
#include "model/instrument_settings.h"

class QTabWidget;

namespace tarnix {

class CTarnixDoc;
class CWaveScreen;
class CStatusStrip;

// The document as the screen and the status strip see it.
class CDocScreenHost : public IScreenHost {
public:
    CDocScreenHost(CTarnixDoc& doc, CPersistHistory& persist) : doc_(doc), persist_(persist) {}

    InstrumentSettings& Settings() override;
    TraceView Trace(int channel) const override;
    XYRecordView XYRecord() const override;
    const CPersistHistory* Persistence() const override { return &persist_; }
    SpectrumView Spectrum() const override;
    int StatusTicks() const override;
    int StoppedPosition() const override;
    bool FullScreen() const override { return fullScreen; }
    std::string Text(int key, const char* fallback) const override;
    void SetZeroLevel(int channel, float level) override;
    void SetTriggerLevel(int levelMarker, float level) override;
    void SetHorizontalPosition(int position) override;
    void ZoomStep(bool zoomIn) override;

    bool fullScreen = false;
    // After a zoom click: the sidebar's time/div selector and knob follow the new time base.
    std::function<void()> timeBaseStepped;

private:
    CTarnixDoc& doc_;
    CPersistHistory& persist_;
};

// A panel with a sunken edge around one child that fills it.
class CSunkenPanel : public QFrame {
public:
    explicit CSunkenPanel(QWidget* child, QWidget* parent = nullptr);
    void SetEdge(bool sunken);
    // Moves the panel and fits the child inside its edge.
    void Place(const QRect& rect);
    // Replaces (and deletes) the child.
    void SetChild(QWidget* child);
    QWidget* Child() const { return child_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* child_;
};

class CTarnixView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSidebarWidth = 188;
    static constexpr int kStripHeight = 30;
    static constexpr int kTimerMs = 30;

    explicit CTarnixView(CTarnixDoc& doc, QWidget* parent = nullptr);
    ~CTarnixView() override;

    // Start-up of the cycle: defaults, device search and choice, demo mode or configuration, then the
    // 30 ms timer. False when the user chose to close at the device choice.
    bool OnInitialUpdate();
    // One tick of the timer: the acquisition cycle, then the status panes; the screen and the strips
    // when the cycle or the user changed what they show.
    void OnTimerTick();
    // Invalidates the screen, the status strip and the info strip together.
    void Invalidate();

    CTarnixDoc& Document() { return doc_; }
    CWaveScreen& Screen() { return *screen_; }
    CStatusStrip& Strip() { return *strip_; }
    CPersistHistory& Persistence() { return persist_; }
    CDocScreenHost& Host() { return host_; }
    // The column the sidebar issue fills, and the place of the info strip.
    QTabWidget& SidebarTabs() { return *sidebarTabs_; }
    void SetInfoStrip(QWidget* strip);
    QTimer& Timer() { return timer_; }
    // Counts the user's input and the windows shown or closed: what may change a command's state.
    std::uint64_t InputCount() const { return inputCount_; }

    // View layout state.
    bool SidebarShown() const { return sidebarShown_; }
    void SetSidebarShown(bool shown);
    bool IsFullScreen() const { return host_.fullScreen; }
    // The view's part of entering and leaving full-screen mode; the frame does the window's part.
    void EnterFullScreen();
    void LeaveFullScreen();
    void LayoutView();
    // Back to the screen's display defaults (grid, intensities, vectors, no cursors).
    void ResetScreen();

signals:
    // Emitted on the first timer tick: the menus are built and the stored language applied.
    void firstTick();
    // Right after firstTick: the frame shows itself, then the demo mode's dialog opens.
    void windowReady();
    // The acquisition cycle's status text for the status bar, every tick.
    void statusText(const QString& text);
    void fullScreenChanged(bool on);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Watches the application's input: a click, key or drag anywhere may have changed what is shown.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CTarnixDoc& doc_;
    CPersistHistory persist_;
    CDocScreenHost host_;
    CWaveScreen* screen_ = nullptr;
    CStatusStrip* strip_ = nullptr;
    CSunkenPanel* screenPanel_ = nullptr;
    CSunkenPanel* stripPanel_ = nullptr;
    CSunkenPanel* infoPanel_ = nullptr;
    QTabWidget* sidebarTabs_ = nullptr;
    MaskScratch maskScratch_;
    QTimer timer_;
    bool firstTickDone_ = false;
    bool userInput_ = false; // input since the last tick; the tick after it redraws
    // What the two strips showed when last redrawn: they draw only settings, the run state's blinking
    // and the language's texts, so an unchanged picture is not drawn again.
    struct StripState {
        InstrumentSettings settings;
        int stoppedPosition = 0;
        bool blinkInverted = false;
        int language = 0;
        bool operator==(const StripState&) const = default;
    };
    std::optional<StripState> stripState_;
    QRect liveArea_; // the screen's live area at its last full repaint
    std::uint64_t inputCount_ = 0;
    bool sidebarShown_ = true;
    int sidebarWidth_ = kSidebarWidth;
    int stripHeight_ = kStripHeight;
    bool sidebarShownBeforeFullScreen_ = true;
    QString status_;
};

} // namespace tarnix
