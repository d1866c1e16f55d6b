// The top-level window: fixed title, start and minimum size, the six-pane status bar with the cycle's
// status text, the cursor readouts and the clock, the window's part of full-screen mode, and the save
// of Default.set when it closes.
#pragma once

#include <QMainWindow>
#include <QRect>
#include <QString>
#include <array>

class QLabel;

namespace tarnix {

class CTarnixDoc;
class CTarnixView;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kStartWidth = 800;
    static constexpr int kStartHeight = 600;
    static constexpr int kMinWidth = 600;
    static constexpr int kMinHeight = 450;

    explicit CMainFrame(CTarnixDoc& doc, QWidget* parent = nullptr);

    CTarnixView& View() { return *view_; }
    // Fills the status panes: the cycle's text, the three cursor readouts, the date and time.
    void UpdateStatus(const QString& text);
    QString PaneText(int pane) const;
    // The window's part of full-screen mode: bars and caption off, placement saved and restored.
    void SetFullScreen(bool on);
    bool IsFullScreen() const { return fullScreen_; }

    static QString ClockText(int day, int month, int year, int hour, int minute);

    // Where the close saves the settings (the document's defaultSetupPath when empty); nothing is
    // saved when both are empty.
    void SetDefaultSetupPath(const QString& path) { defaultSetupPath_ = path; }
    QString DefaultSetupPath() const;
    // The close's first step, also used when start-up ends before the window was shown.
    void SaveDefaultSetup();

signals:
    // The window was closed (after Default.set was saved): the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CTarnixDoc& doc_;
    CTarnixView* view_ = nullptr;
    QString defaultSetupPath_;
    std::array<QLabel*, 6> panes_{};
    qint64 clockMinute_ = -1; // the minute the clock pane shows
    bool fullScreen_ = false;
    QPoint savedPosition_;
    QSize savedSize_;
    bool savedMaximized_ = false;
};

} // namespace tarnix
