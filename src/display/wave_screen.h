// The waveform screen: border, graticule, markers, cursors, traces, frame and annotations, repainted
// from the document in a fixed layer order into an off-screen raster that is copied in one step.
#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/cursor_readouts.h"
#include "display/marker_geometry.h"
#include "display/screen_geometry.h"
#include "display/screen_host.h"
#include "display/wave_render.h"

namespace tarnix {

class CWaveScreen : public QWidget {
    Q_OBJECT

public:
    explicit CWaveScreen(IScreenHost& host, QWidget* parent = nullptr);
    ~CWaveScreen() override;

    // Large frames (a high-density screen) draw their traces on two threads, in two column halves.
    // False keeps every frame on the painting thread: the benchmarks compare the two.
    void SetSplitTraces(bool on) { splitTraces_ = on; }

    // ---- Display settings (saved with the setup) ----
    void SetGridOn(bool on);
    bool GetGridOn() const { return gridOn_ != 0; }
    void SetGridIntensity(int value); // clamped to 0..255, no repaint of its own
    int GetGridIntensity() const { return gridIntensity_; }
    // Also rewrites the MATH and REF colours to RGB(v,0,0) and RGB(0,v,v).
    void SetWaveIntensity(int value);
    int GetWaveIntensity() const { return waveIntensity_; }
    void SetDrawType(int type); // 0 Vectors, 1 Dots; other values ignored
    int GetDrawType() const { return dotsMode_; }
    // Stores the type and hides the cursors.
    void SetCursorType(int type);
    int GetCursorType() const { return cursorType_; }
    void SetCursorSource(int source);
    int GetCursorSource() const { return cursorSource_; }
    // The information line that stands in for the hidden strips in full-screen mode.
    void SetInformationOn(bool on);
    bool GetInformationOn() const { return informationOn_; }
    PlotRect GetPlotRect() const { return geometry_.plot; }
    int GetMarginX() const { return geometry_.marginX; }
    // 1 gives the CH2 colour, 2 the MATH colour, anything else the CH1 colour.
    std::uint32_t GetChannelColour(int index);
    void Redraw() { update(); }
    // What a new capture can change when nothing else did: the black area inside the border, or the
    // whole screen in full-screen mode, whose information line follows the traces.
    QRect LiveArea() const;

    // ---- Markers ----
    // Recomputes every marker position from the settings.
    void UpdateMarkers();
    // Moves a channel's zero level as a drag or a command does; the trigger level of that channel
    // follows by the same number of pixels when it is the trigger source (or the source is ALT).
    void MoveZeroLevel(int channel, float level);
    int TopMarker() const { return topMarker_; }
    int PositionMarkerState() const { return positionMarkerState_; }
    bool MarkerDragged(int marker) const { return dragging_[static_cast<std::size_t>(marker)]; }
    // Hit rectangle of a marker as last placed (for tests and the context menu).
    HitRect MarkerHitRect(int marker) const { return hit_[static_cast<std::size_t>(marker)]; }
    Pt MarkerPoint(int marker) const { return point_[static_cast<std::size_t>(marker)]; }

    // ---- Cursors ----
    bool CursorsShown() const { return cursorsShown_ != 0; }
    Pt CursorA() const { return cursorA_; }
    Pt CursorB() const { return cursorB_; }
    std::string FreqReadout();
    std::string TimeReadout();
    std::string VoltDeltaReadout();
    std::string TraceVoltReadout();
    std::string SpectrumFreqReadout();
    std::string SpectrumLevelReadout();

    // ---- Repaint ----
    // Draws every layer into the off-screen raster (created at the client size when missing) and
    // returns it; paintEvent copies it to the window unless it can draw into the backing store.
    const QImage& RenderFrame();
    // A picture of the screen at a device pixel ratio (the window's size times the ratio, in pixels),
    // drawn as the window at that ratio would show it.
    QImage RenderPicture(double ratio);
    // Draws the screen again into such a picture, at the picture's device pixel ratio.
    void RenderPictureInto(QImage& picture);
    // The screen as vectors on any painter (an SVG generator, a printer): rectangles, polygons, the
    // traces as polylines and the texts as text, in logical pixels.
    void PaintVector(QPainter& painter);
    const QImage& Raster() const { return raster_; }

    // Layers that later subsystems supply: the Pass/Fail mask, returning a fingerprint of what it drew
    // (0 for nothing), and the measurement texts, returning the rectangle (logical pixels) they keep
    // to. Empty hooks are skipped.
    std::function<std::uint64_t(QPainter&, const PlotRect&)> maskLayer;
    std::function<QRect(QPainter&, const PlotRect&)> measureLayer;
    // Shows a message box; replaced by tests. Defaults to a QMessageBox.
    std::function<void(const QString& caption, const QString& text)> showMessage;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PaintParams MakeParams() const;
    // What an image drawn by RenderInto is: a picture, or the window's pixels, which keep the last frame.
    // A capture repaint of the window's live area (the only part a capture changes) clears and redraws
    // only the rows that held moving content in the last frame, when the layers under it are unchanged.
    enum class Into { Picture, Window, Capture };
    // Draws every layer into image, which covers the widget at params.scale.
    // `clip` (in widget pixels) limits the drawing to the part being repainted; empty draws it all.
    void RenderInto(QImage& image, const PaintParams& params, const QRect& clip = QRect(),
                    Into into = Into::Picture);
    // paintEvent's way when the window's backing store is a 32-bit image: no off-screen copy.
    bool RenderIntoBackingStore(QPainter& window, const QRegion& region);
    // The layers in their order; the pixel layers go to `target` unless params.vector is set.
    void PaintLayers(QPainter& p, const RasterTarget& target, const PaintParams& params);
    // The layers under the moving content: border and background (unless `border` is false), mask,
    // graticule, markers and cursors. Returns the mask's fingerprint.
    std::uint64_t PaintStillLayers(QPainter& p, const RasterTarget& target, const PaintParams& params,
                                   bool border = true);
    // The traces and what lies over them; returns the rectangle (logical pixels) the texts keep to.
    QRect PaintMovingLayers(QPainter& p, const RasterTarget& target, const PaintParams& params);
    void HandleMouse(int x, int y);
    bool OnMarkerMouse(int x, int y);
    void DragMarker(int x, int y);
    void MoveDraggedMarker(int x, int y);
    bool OnCursorMouse(int x, int y);
    void DragWaveform(int dx);
    bool AnyMarkerDragged() const;
    void ReportNullRect();

    void DrawMarkers(QPainter& p, const PaintParams& params);
    void DrawMarkerGroup(QPainter& p, const PaintParams& params, int group);
    void DrawChannelMarker(QPainter& p, int channel, bool fullScreen);
    void DrawLevelMarker(QPainter& p, int marker, bool fullScreen);
    void DrawPositionMarker(QPainter& p, bool fullScreen);
    void DrawXYMarker(QPainter& p, bool fullScreen);
    void DrawCursors(QPainter& p, const PaintParams& params);
    void DrawTraceCrosshair(QPainter& p, const PaintParams& params);
    void DrawTraces(const RasterTarget& target, const PaintParams& params);
    void DrawLevelLine(QPainter& p, const PaintParams& params);
    QRect DrawAverageNote(QPainter& p, const PaintParams& params);
    void DrawScaleLabels(QPainter& p, const PaintParams& params);
    void DrawInformation(QPainter& p, const PaintParams& params);

    bool MarkerShown(int marker) const;
    int LevelPointY(int levelMarker) const;
    double SourceVoltsPerDiv() const;
    bool SourceChannelOn() const;
    int TraceIndexUnderB() const;

    IScreenHost& host_;
    ScreenGeometry geometry_;

    std::uint32_t gridOn_ = 1;
    int gridIntensity_ = 200;
    int waveIntensity_ = 255;
    int dotsMode_ = 0;
    int cursorType_ = kCursorNone;
    int cursorSource_ = kCursorSrcCh1;
    int topMarker_ = kTopCh1;
    bool informationOn_ = false;

    // Marker state.
    std::array<Pt, kMarkerCount> point_{};
    std::array<HitRect, kMarkerCount> hit_{};
    std::array<int, 3> levelState_{}; // CH1, CH2, EXT
    std::array<bool, kMarkerCount> dragging_{};
    int positionMarkerState_ = kPosOnScreen;
    int mouseEventCounter_ = 0;
    QPoint markerDragAt_; // where the dragged marker was last placed (the press point at first)
    bool levelLineShown_ = false;

    // Cursor state.
    std::uint32_t cursorsShown_ = 0;
    Pt cursorA_;
    Pt cursorB_;
    bool buttonDown_ = false;
    bool firstPointPending_ = false;
    bool mouseCaptured_ = false;
    int lastDragX_ = 0;
    // Drag mode: the trigger-position marker's x while the waveform is dragged, kept here because
    // the position's 1/50-division steps would round the marker away from the pointer.
    int waveDragX_ = 0;

    QImage raster_;
    std::vector<RasterPoint> scratch_;
    class TraceHalf;
    std::unique_ptr<TraceHalf> traceHalf_;
    bool splitTraces_ = true;

    // Everything the still layers are drawn from, and where the window's pixels are.
    struct StillState {
        InstrumentSettings settings;
        PlotRect plot;
        double ratio = 0.0;
        const uchar* pixels = nullptr;
        qsizetype bytesPerLine = 0;
        QSize size;
        std::uint64_t mask = 0;
        std::array<int, 9> screen{}; // the screen's own settings and marker and cursor states
        Pt cursorA;
        Pt cursorB;
        std::array<Pt, kMarkerCount> points{};
        std::array<int, 3> levelStates{};
        std::array<bool, kMarkerCount> dragging{};
        bool operator==(const StillState&) const = default;
    };
    StillState StillStateOf(const PaintParams& params, const QImage& pixels) const;
    StillState still_;
    // Rows of the window's pixels (the last frame) holding moving content; valid while that frame's
    // still layers are whole around them.
    std::vector<std::uint8_t> movingRows_;
    bool movingRowsValid_ = false;
    std::vector<QRect> runs_; // of moving rows, kept to spare an allocation per frame
    bool nullRectReported_ = false;
};

} // namespace tarnix
