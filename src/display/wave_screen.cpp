#include "display/wave_screen.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QResizeEvent>
#include <QRunnable>
#include <QSemaphore>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "acquisition/persist_history.h"
#include "display/info_strip_geometry.h"
#include "display/status_text.h"
#include "model/instrument_settings.h"

namespace tarnix {

namespace {

constexpr std::uint32_t kPositionMarkerColour = Rgb(250, 170, 100);
constexpr std::uint32_t kExtColour = Rgb(255, 0, 255);
const QColor kCursorColour(0, 200, 255);

// Marker index of the trigger-level marker for level slot 0 (CH1), 1 (CH2), 2 (EXT).
constexpr int LevelMarkerOf(int slot) {
    return kMarkerLevelCh1 + slot;
}

QPolygon ToPolygon(const MarkerShape& s) {
    QPolygon poly;
    for (const Pt& p : s.polygon) {
        poly << QPoint(p.x, p.y);
    }
    return poly;
}

void FillShape(QPainter& p, const MarkerShape& shape, const QColor& colour) {
    p.setPen(QPen(colour, 1));
    p.setBrush(colour);
    p.drawPolygon(ToPolygon(shape));
    p.setBrush(Qt::NoBrush);
}

void DrawArrow(QPainter& p, const ArrowShape& a, const QColor& colour) {
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    const QPoint line[3] = {QPoint(a.polyline[0].x, a.polyline[0].y),
                            QPoint(a.polyline[1].x, a.polyline[1].y),
                            QPoint(a.polyline[2].x, a.polyline[2].y)};
    p.drawPolyline(line, 3);
    p.drawLine(QPoint(a.segment[0].x, a.segment[0].y), QPoint(a.segment[1].x, a.segment[1].y));
}

void Label(QPainter& p, Pt at, const QString& text, const QFont& font) {
    p.setFont(font);
    p.setPen(Qt::black);
    DrawTextAt(p, at.x, at.y, text);
}

} // namespace

CWaveScreen::CWaveScreen(IScreenHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    scratch_.reserve(8192);
    showMessage = [this](const QString& caption, const QString& text) {
        // Queued, so the box never opens inside a paint event.
        QTimer::singleShot(0, this, [this, caption, text] { QMessageBox::warning(this, caption, text); });
    };
}

// ---- Display settings ---------------------------------------------------------------------------

void CWaveScreen::SetGridOn(bool on) {
    gridOn_ = on ? 1u : 0u;
    update();
}

void CWaveScreen::SetGridIntensity(int value) {
    gridIntensity_ = ClampToByte(value);
}

void CWaveScreen::SetWaveIntensity(int value) {
    if (value == waveIntensity_) {
        return;
    }
    const int v = ClampToByte(value);
    waveIntensity_ = v;
    InstrumentSettings& s = host_.Settings();
    s.ch(kMath).colour = Rgb(v, 0, 0);
    s.ch(kRef).colour = Rgb(0, v, v);
}

void CWaveScreen::SetDrawType(int type) {
    if (type == 0 || type == 1) {
        dotsMode_ = type;
    }
}

void CWaveScreen::SetCursorType(int type) {
    if (type < kCursorNone || type > kCursorHorizontal) {
        return;
    }
    cursorType_ = type;
    cursorsShown_ = 0;
    update();
}

void CWaveScreen::SetCursorSource(int source) {
    if (source != kCursorSrcCh1 && source != kCursorSrcCh2 && source != kCursorSrcMath &&
        source != kCursorSrcFft) {
        return;
    }
    cursorSource_ = source;
    // The spectrum has no time or volt differences: only the Trace crosshair reads it.
    if (source == kCursorSrcFft && cursorType_ != kCursorNone && cursorType_ != kCursorTrace) {
        SetCursorType(kCursorNone);
    }
    update();
}

std::uint32_t CWaveScreen::GetChannelColour(int index) {
    const InstrumentSettings& s = host_.Settings();
    if (index == 1) {
        return s.ch(kCh2).colour;
    }
    if (index == 2) {
        return s.ch(kMath).colour;
    }
    return s.ch(kCh1).colour;
}

// ---- Repaint ------------------------------------------------------------------------------------

PaintParams CWaveScreen::MakeParams() const {
    const InstrumentSettings& s = const_cast<IScreenHost&>(host_).Settings();
    PaintParams p;
    p.clientWidth = width();
    p.clientHeight = height();
    p.fullScreen = host_.FullScreen();
    p.geometry = ComputeScreenGeometry(p.clientWidth, p.clientHeight, p.fullScreen);
    p.gridOn = gridOn_ != 0;
    p.gridIntensity = gridIntensity_;
    p.waveIntensity = waveIntensity_;
    p.dotsMode = dotsMode_;
    p.running = s.acquire.running != 0;
    p.persistenceOn = s.persistenceOn != 0;
    return p;
}

void CWaveScreen::ReportNullRect() {
    if (!nullRectReported_ && showMessage) {
        nullRectReported_ = true;
        showMessage(QStringLiteral("Error"), QStringLiteral("DC or Rect is Null"));
    }
}

const QImage& CWaveScreen::RenderFrame() {
    PaintParams params = MakeParams();
    geometry_ = params.geometry;
    params.scale.ratio = devicePixelRatioF();
    const QSize pixels(params.scale.Pos(params.clientWidth), params.scale.Pos(params.clientHeight));
    if (raster_.isNull() || raster_.size() != pixels) {
        raster_ = pixels.isEmpty() ? QImage() : QImage(pixels, QImage::Format_RGB32);
    }
    if (raster_.isNull()) {
        ReportNullRect();
        return raster_;
    }
    raster_.setDevicePixelRatio(params.scale.ratio);
    RenderInto(raster_, params);
    return raster_;
}

QImage CWaveScreen::RenderPicture(double ratio) {
    PaintParams params = MakeParams();
    geometry_ = params.geometry;
    params.scale.ratio = ratio > 0.0 ? ratio : 1.0;
    const QSize pixels(params.scale.Pos(params.clientWidth), params.scale.Pos(params.clientHeight));
    if (pixels.isEmpty()) {
        return {};
    }
    QImage picture(pixels, QImage::Format_RGB32);
    picture.setDevicePixelRatio(params.scale.ratio);
    RenderInto(picture, params);
    return picture;
}

void CWaveScreen::RenderPictureInto(QImage& picture) {
    PaintParams params = MakeParams();
    geometry_ = params.geometry;
    params.scale.ratio = picture.devicePixelRatio();
    if (picture.size() ==
        QSize(params.scale.Pos(params.clientWidth), params.scale.Pos(params.clientHeight))) {
        RenderInto(picture, params);
    }
}

void CWaveScreen::RenderInto(QImage& image, const PaintParams& params, const QRect& clip, Into into) {
    UpdateMarkers();
    // Everything is drawn at the image's own pixels: the pixel layers directly, the others (markers,
    // texts, measurement texts) through a painter scaled by the ratio, which draws them at full density.
    QImage pixels(image.bits(), image.width(), image.height(), image.bytesPerLine(), image.format());
    const DeviceScale& d = params.scale;
    RasterTarget target{reinterpret_cast<std::uint32_t*>(pixels.bits()),
                        static_cast<int>(pixels.bytesPerLine() / 4), pixels.width(), pixels.height(),
                        d.Line()};
    QPainter p(&pixels);
    QRect part = pixels.rect();
    if (!clip.isEmpty() && clip != rect()) {
        part = QRect(QPoint(d.Pos(clip.left()), d.Pos(clip.top())),
                     QPoint(d.Pos(clip.right() + 1) - 1, d.Pos(clip.bottom() + 1) - 1))
                   .intersected(pixels.rect());
        p.setClipRect(part);
        // The traces are written straight into the pixels: they keep to the part being repainted too,
        // or they would land on the frame lines around it, which this repaint does not redraw.
        target.pixels += static_cast<std::ptrdiff_t>(part.top()) * target.stride + part.left();
        target.width = part.width();
        target.height = part.height();
        target.originX = part.left();
        target.originY = part.top();
    }
    if (into == Into::Picture) {
        PaintLayers(p, target, params);
        return;
    }
    // The window keeps its last frame: outside the rows that held moving content (traces, texts), it
    // shows the still layers as they are now, so only those rows need them again.
    StillState now = StillStateOf(params, pixels);
    now.mask = still_.mask;
    const bool fromStill = into == Into::Capture && movingRowsValid_ && now == still_ && !params.fullScreen &&
                           !levelLineShown_ && !(cursorsShown_ != 0 && cursorType_ == kCursorTrace) &&
                           movingRows_.size() == static_cast<std::size_t>(pixels.height());
    if (fromStill) {
        // One rectangle clip per run of rows: a painter clipped to a many-rectangle region draws the
        // graticule far more slowly.
        runs_.clear();
        for (int y = part.top(); y <= part.bottom(); ++y) {
            if (movingRows_[static_cast<std::size_t>(y)] != 0) {
                const int top = y;
                while (y < part.bottom() && movingRows_[static_cast<std::size_t>(y + 1)] != 0) {
                    ++y;
                }
                runs_.push_back(QRect(part.left(), top, part.width(), y - top + 1));
            }
        }
        if (runs_.empty()) {
            runs_.push_back(
                QRect(part.topLeft(), QSize(1, 1))); // the mask is still asked for its fingerprint
        }
        for (const QRect& run : runs_) {
            RasterFill(target, run.x(), run.y(), run.width(), run.height(), 0);
            p.setClipRect(run);
            now.mask = PaintStillLayers(p, target, params, false);
        }
        p.setClipRect(part);
        if (now.mask != still_.mask) {
            // The mask changed where the last frame's rows do not reach: the whole part again.
            p.end();
            movingRowsValid_ = false;
            RenderInto(image, params, clip, Into::Window);
            return;
        }
    } else {
        now.mask = PaintStillLayers(p, target, params);
    }
    movingRows_.assign(static_cast<std::size_t>(pixels.height()), 0);
    target.touchedRows = movingRows_.data() + part.top();
    const QRect texts = PaintMovingLayers(p, target, params);
    if (!texts.isEmpty()) {
        // A pixel either side: antialiased text edges at a fractional ratio.
        const int top = std::max(d.Pos(texts.top()) - 1, part.top());
        const int bottom = std::min(d.Pos(texts.bottom() + 1), part.bottom());
        if (top <= bottom) {
            std::fill(movingRows_.begin() + top, movingRows_.begin() + bottom + 1, std::uint8_t{1});
        }
    }
    still_ = now;
    movingRowsValid_ = clip.isEmpty() || clip.contains(LiveArea());
}

CWaveScreen::StillState CWaveScreen::StillStateOf(const PaintParams& params, const QImage& pixels) const {
    StillState s;
    s.settings = const_cast<IScreenHost&>(host_).Settings();
    s.plot = params.geometry.plot;
    s.ratio = params.scale.ratio;
    s.pixels = pixels.constBits();
    s.bytesPerLine = pixels.bytesPerLine();
    s.size = pixels.size();
    s.screen = {static_cast<int>(gridOn_),
                gridIntensity_,
                waveIntensity_,
                dotsMode_,
                cursorType_,
                cursorSource_,
                topMarker_,
                positionMarkerState_,
                static_cast<int>(cursorsShown_)};
    s.cursorA = cursorA_;
    s.cursorB = cursorB_;
    s.points = point_;
    s.levelStates = levelState_;
    s.dragging = dragging_;
    return s;
}

void CWaveScreen::PaintLayers(QPainter& p, const RasterTarget& target, const PaintParams& params) {
    PaintStillLayers(p, target, params);
    PaintMovingLayers(p, target, params);
}

std::uint64_t CWaveScreen::PaintStillLayers(QPainter& p, const RasterTarget& target,
                                            const PaintParams& params, bool border) {
    const DeviceScale& d = params.scale;
    // The painter's own transform (a caller's placement of a vector picture) is kept under ours.
    const QTransform base = p.worldTransform();
    bool drawn = !border || PaintBorder(p, params, &target);
    const std::uint64_t mask = maskLayer ? maskLayer(p, d.Plot(params.geometry.plot)) : 0;
    drawn = PaintGraticule(p, params) && drawn;
    if (!drawn) {
        ReportNullRect();
    } else {
        nullRectReported_ = false;
    }
    p.setWorldTransform(QTransform::fromScale(d.ratio, d.ratio) * base);
    DrawMarkers(p, params);
    p.setWorldTransform(base);
    DrawCursors(p, params);
    return mask;
}

QRect CWaveScreen::PaintMovingLayers(QPainter& p, const RasterTarget& target, const PaintParams& params) {
    const DeviceScale& d = params.scale;
    const QTransform base = p.worldTransform();
    DrawTraces(target, params);
    DrawLevelLine(p, params);
    PaintFrame(p, params);
    p.setWorldTransform(QTransform::fromScale(d.ratio, d.ratio) * base);
    QRect texts = measureLayer ? measureLayer(p, params.geometry.plot) : QRect();
    texts |= DrawAverageNote(p, params);
    if (params.fullScreen) {
        DrawScaleLabels(p, params);
        if (informationOn_) {
            DrawInformation(p, params);
        }
    }
    p.setWorldTransform(base);
    return texts;
}

void CWaveScreen::PaintVector(QPainter& painter) {
    UpdateMarkers();
    PaintParams params = MakeParams();
    geometry_ = params.geometry;
    params.vector = &painter;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    PaintLayers(painter, RasterTarget{}, params);
    painter.restore();
}

QRect CWaveScreen::LiveArea() const {
    const bool full = host_.FullScreen();
    const ScreenGeometry g = ComputeScreenGeometry(width(), height(), full);
    if (full || g.plot.IsNull()) {
        return rect();
    }
    const FillRect inside = ComputeBorderRects(width(), height(), g.marginX, g.marginY).background;
    return QRect(inside.x, inside.y, inside.width, inside.height);
}

bool CWaveScreen::RenderIntoBackingStore(QPainter& window, const QRegion& region) {
    // The window's backing store is normally a plain 32-bit image: drawing the frame straight into it
    // spares copying a full-screen picture 33 times a second.
    QPaintEngine* engine = window.paintEngine();
    QPaintDevice* device = engine != nullptr ? engine->paintDevice() : nullptr;
    if (device == nullptr || device->devType() != QInternal::Image) {
        return false;
    }
    auto* store = static_cast<QImage*>(device);
    const QImage::Format format = store->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) {
        return false;
    }
    const QTransform& toDevice = window.deviceTransform();
    const double ratio = store->devicePixelRatio();
    if (toDevice.type() > QTransform::TxScale || ratio <= 0.0 || std::abs(toDevice.m11() - ratio) > 1e-6 ||
        std::abs(toDevice.m22() - ratio) > 1e-6) {
        return false;
    }
    PaintParams params = MakeParams();
    params.scale.ratio = ratio;
    const QPoint origin = toDevice.map(QPointF(0, 0)).toPoint();
    const QRect area(origin, QSize(params.scale.Pos(width()), params.scale.Pos(height())));
    if (area.isEmpty() || !store->rect().contains(area)) {
        return false;
    }
    geometry_ = params.geometry;
    // constBits: the store is not to be detached; the view writes into its pixels in place.
    auto* first = const_cast<uchar*>(store->constBits()) +
                  static_cast<qsizetype>(origin.y()) * store->bytesPerLine() +
                  static_cast<qsizetype>(origin.x()) * 4;
    QImage view(first, area.width(), area.height(), store->bytesPerLine(), format);
    const QRect live = LiveArea();
    const bool capture = region == QRegion(live);
    // A region that leaves out part of the live area paints a frame whose rows cannot be known.
    const QRect clip = QRegion(live).subtracted(region).isEmpty() ? region.boundingRect() : QRect();
    if (clip.isEmpty()) {
        movingRowsValid_ = false;
        RenderInto(view, params, region.boundingRect(), Into::Picture);
        return true;
    }
    RenderInto(view, params, clip, capture ? Into::Capture : Into::Window);
    return true;
}

void CWaveScreen::paintEvent(QPaintEvent* event) {
    QPainter window(this);
    if (RenderIntoBackingStore(window, event->region())) {
        return;
    }
    const QImage& image = RenderFrame();
    if (!image.isNull()) {
        window.drawImage(0, 0, image);
    }
}

void CWaveScreen::resizeEvent(QResizeEvent* event) {
    raster_ = QImage();
    movingRowsValid_ = false;
    cursorsShown_ = 0;
    QWidget::resizeEvent(event);
    update();
}

// Draws the right-hand columns of a large frame's traces on a pool thread while the painting thread
// draws the left-hand ones. Kept for the screen's life, so starting it allocates nothing.
class CWaveScreen::TraceHalf final : public QRunnable {
public:
    TraceHalf() { setAutoDelete(false); }
    void run() override {
        PaintTraces(target, *params, *layer, scratch);
        done.release();
    }
    RasterTarget target;
    const PaintParams* params = nullptr;
    const TraceLayer* layer = nullptr;
    std::vector<RasterPoint> scratch;
    QSemaphore done;
};

CWaveScreen::~CWaveScreen() = default;

void CWaveScreen::DrawTraces(const RasterTarget& target, const PaintParams& params) {
    const TraceLayer layer = GatherTraceLayer(host_);
    // The traces' cost is memory traffic, which grows with the lines (persistence) and the pixels: a
    // heavy frame on a high-density screen halves its wait on a second core. A light one is not worth
    // waking a thread for.
    int lines = 0;
    for (int ch = kCh1; ch < kChannelCount && !layer.xy; ++ch) {
        if (layer.enabled[static_cast<std::size_t>(ch)]) {
            const bool history = params.running && params.persistenceOn && layer.persistence != nullptr;
            lines += 1 + (history ? layer.persistence->PersistCount(ch) : 0);
        }
    }
    const long long pixels = static_cast<long long>(target.width) * target.height;
    if (!splitTraces_ || params.vector != nullptr || pixels < 4'000'000 ||
        lines * target.thickness * target.thickness < 48) {
        PaintTraces(target, params, layer, scratch_);
        return;
    }
    if (!traceHalf_) {
        traceHalf_ = std::make_unique<TraceHalf>();
    }
    TraceHalf& half = *traceHalf_;
    const int leftWidth = target.width / 2;
    RasterTarget left = target;
    left.width = leftWidth;
    half.target = target;
    half.target.pixels += leftWidth;
    half.target.width -= leftWidth;
    half.target.originX += leftWidth;
    // Rows are flagged from the points' heights alone, so the left half flags them all.
    half.target.touchedRows = nullptr;
    half.params = &params;
    half.layer = &layer;
    if (!QThreadPool::globalInstance()->tryStart(&half)) {
        PaintTraces(target, params, layer, scratch_);
        return;
    }
    PaintTraces(left, params, layer, scratch_);
    half.done.acquire();
}

// ---- Markers ------------------------------------------------------------------------------------

void CWaveScreen::UpdateMarkers() {
    geometry_ = ComputeScreenGeometry(width(), height(), host_.FullScreen());
    const PlotRect& plot = geometry_.plot;
    InstrumentSettings& s = host_.Settings();
    const bool full = host_.FullScreen();

    const int hpos = s.timebase.horizontalPosition;
    if (!dragging_[kMarkerTrigPos]) {
        point_[kMarkerTrigPos] = Pt{static_cast<int>(PositionMarkerX(plot, hpos)), 0};
        if (hpos > 0 && hpos < 500) {
            positionMarkerState_ = kPosOnScreen;
        }
    }
    hit_[kMarkerTrigPos] = BoundingBox(PositionMarkerShape(point_[kMarkerTrigPos], positionMarkerState_));

    for (int ch = kCh1; ch < kChannelCount; ++ch) {
        const int m = kMarkerCh1 + ch;
        point_[static_cast<std::size_t>(m)] =
            Pt{full ? 0 : 2, static_cast<int>(ChannelMarkerY(plot, s.ch(ch).zeroLevel))};
        hit_[static_cast<std::size_t>(m)] =
            BoundingBox(ChannelMarkerShape(point_[static_cast<std::size_t>(m)], ch));
    }
    point_[kMarkerXYCh1] = Pt{static_cast<int>(XYMarkerX(plot, s.ch(kCh1).zeroLevel)), 0};
    hit_[kMarkerXYCh1] = BoundingBox(XYMarkerShape(point_[kMarkerXYCh1]));

    const float levels[3] = {s.trigger.levelCh1, s.trigger.levelCh2, s.trigger.levelExt};
    // The stored states change only by drags and zero-level moves: a level off the plot with a stored
    // state of 0 gets its off-screen shape without a change to the record, since the plot may not have
    // its final size yet.
    const std::uint16_t states[3] = {s.trigger.levelMarkerCh1, s.trigger.levelMarkerCh2,
                                     s.trigger.levelMarkerExt};
    for (int slot = 0; slot < 3; ++slot) {
        const LevelMarkerPlacement place =
            PlaceTriggerLevelMarker(plot, geometry_.marginX, levels[slot], states[slot]);
        levelState_[static_cast<std::size_t>(slot)] = place.state;
        const auto m = static_cast<std::size_t>(LevelMarkerOf(slot));
        point_[m] = place.markerPoint;
        hit_[m] = BoundingBox(TriggerLevelMarkerShape(place.markerPoint, place.state));
    }
}

int CWaveScreen::LevelPointY(int slot) const {
    const InstrumentSettings& s = const_cast<IScreenHost&>(host_).Settings();
    const float levels[3] = {s.trigger.levelCh1, s.trigger.levelCh2, s.trigger.levelExt};
    const std::uint16_t states[3] = {s.trigger.levelMarkerCh1, s.trigger.levelMarkerCh2,
                                     s.trigger.levelMarkerExt};
    return PlaceTriggerLevelMarker(geometry_.plot, geometry_.marginX, levels[slot], states[slot])
        .levelPoint.y;
}

void CWaveScreen::MoveZeroLevel(int channel, float level) {
    if (channel < kCh1 || channel >= kChannelCount) {
        return;
    }
    geometry_ = ComputeScreenGeometry(width(), height(), host_.FullScreen());
    const PlotRect& plot = geometry_.plot;
    InstrumentSettings& s = host_.Settings();
    const float oldY = ChannelMarkerY(plot, s.ch(channel).zeroLevel);
    const float newY = ChannelMarkerY(plot, level);
    const int pointY = (channel == kCh1 || channel == kCh2) ? LevelPointY(channel) : 0;
    if (channel == kCh1 || channel == kCh2) {
        host_.SetZeroLevel(channel, level);
    } else {
        s.ch(channel).zeroLevel = level;
    }
    const int source = s.trigger.triggerSource;
    if ((channel == kCh1 || channel == kCh2) && (source == channel || source == kTrigAlt)) {
        const float oldLevel = channel == kCh1 ? s.trigger.levelCh1 : s.trigger.levelCh2;
        const LevelFollow f = FollowZeroLevel(plot, pointY, newY - oldY, oldLevel);
        if (f.level != oldLevel) {
            host_.SetTriggerLevel(channel, f.level);
        }
        (channel == kCh1 ? s.trigger.levelMarkerCh1 : s.trigger.levelMarkerCh2) =
            static_cast<std::uint16_t>(f.state);
    }
    UpdateMarkers();
    update();
}

bool CWaveScreen::MarkerShown(int marker) const {
    const InstrumentSettings& s = const_cast<IScreenHost&>(host_).Settings();
    const int format = s.timebase.displayFormat;
    switch (marker) {
    case kMarkerTrigPos:
        return format == kFormatYT;
    case kMarkerCh1:
        return s.ch(kCh1).enabled != 0 && format != kFormatXY;
    case kMarkerCh2:
    case kMarkerMath:
    case kMarkerRef:
        return s.ch(marker - kMarkerCh1).enabled != 0;
    case kMarkerXYCh1:
        return s.ch(kCh1).enabled != 0 && format == kFormatXY;
    default:
        return format == kFormatYT && LevelMarkerShown(marker, s.trigger.triggerSource);
    }
}

void CWaveScreen::DrawMarkers(QPainter& p, const PaintParams& params) {
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int group : MarkerDrawOrder(topMarker_)) {
        DrawMarkerGroup(p, params, group);
    }
}

void CWaveScreen::DrawMarkerGroup(QPainter& p, const PaintParams& params, int group) {
    const bool full = params.fullScreen;
    switch (group) {
    case kTopTrigPos:
        if (MarkerShown(kMarkerTrigPos)) {
            DrawPositionMarker(p, full);
        }
        break;
    case kTopCh1:
        if (MarkerShown(kMarkerCh1)) {
            DrawChannelMarker(p, kCh1, full);
        }
        if (MarkerShown(kMarkerXYCh1)) {
            DrawXYMarker(p, full);
        }
        break;
    case kTopCh2:
    case kTopMath:
    case kTopRef:
        if (MarkerShown(group)) {
            DrawChannelMarker(p, group - kMarkerCh1, full);
        }
        break;
    default:
        for (int m : {kMarkerLevelCh1, kMarkerLevelCh2, kMarkerLevelExt}) {
            if (MarkerShown(m)) {
                DrawLevelMarker(p, m, full);
            }
        }
        break;
    }
}

void CWaveScreen::DrawChannelMarker(QPainter& p, int channel, bool fullScreen) {
    const Pt at = point_[static_cast<std::size_t>(kMarkerCh1 + channel)];
    const QColor colour = ToQColor(host_.Settings().ch(channel).colour);
    if (fullScreen && (channel == kCh1 || channel == kCh2)) {
        DrawArrow(p, ChannelMarkerArrow(at), colour);
        return;
    }
    const MarkerShape shape = ChannelMarkerShape(at, channel);
    FillShape(p, shape, colour);
    static const QString kLabels[4] = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("M"),
                                       QStringLiteral("R")};
    const QFont font = channel <= kCh2 ? ScreenFont(QStringLiteral("MS PMincho"), 13)
                                       : ScreenFont(QStringLiteral("Arial"), 13);
    Label(p, shape.label, kLabels[channel], font);
}

void CWaveScreen::DrawXYMarker(QPainter& p, bool fullScreen) {
    const Pt at = point_[kMarkerXYCh1];
    const QColor colour = ToQColor(host_.Settings().ch(kCh1).colour);
    if (fullScreen) {
        DrawArrow(p, XYMarkerArrow(at), colour);
        return;
    }
    const MarkerShape shape = XYMarkerShape(at);
    FillShape(p, shape, colour);
    Label(p, shape.label, QStringLiteral("1"), ScreenFont(QStringLiteral("MS PMincho"), 12));
}

void CWaveScreen::DrawLevelMarker(QPainter& p, int marker, bool fullScreen) {
    const int slot = marker - kMarkerLevelCh1;
    const Pt at = point_[static_cast<std::size_t>(marker)];
    const int state = levelState_[static_cast<std::size_t>(slot)];
    const InstrumentSettings& s = host_.Settings();
    const QColor colour = ToQColor(slot == 0   ? s.ch(kCh1).colour
                                   : slot == 1 ? s.ch(kCh2).colour
                                               : kExtColour);
    if (fullScreen) {
        DrawArrow(p, TriggerLevelMarkerArrow(at, state), colour);
        return;
    }
    const MarkerShape shape = TriggerLevelMarkerShape(at, state);
    FillShape(p, shape, colour);
    Label(p, shape.label, QStringLiteral("T"), ScreenFont(QStringLiteral("Arial"), 14));
}

void CWaveScreen::DrawPositionMarker(QPainter& p, bool fullScreen) {
    const Pt at = point_[kMarkerTrigPos];
    const QColor colour = ToQColor(kPositionMarkerColour);
    if (fullScreen) {
        DrawArrow(p, PositionMarkerArrow(at, positionMarkerState_), colour);
        return;
    }
    const MarkerShape shape = PositionMarkerShape(at, positionMarkerState_);
    FillShape(p, shape, colour);
    Label(p, shape.label, QStringLiteral("T"), ScreenFont(QStringLiteral("Arial"), 13));
}

void CWaveScreen::DrawLevelLine(QPainter& p, const PaintParams& params) {
    if (!levelLineShown_) {
        return;
    }
    for (int m : {kMarkerLevelCh1, kMarkerLevelCh2, kMarkerLevelExt}) {
        if (dragging_[static_cast<std::size_t>(m)]) {
            const int y = hit_[static_cast<std::size_t>(m)].MiddleY();
            const PlotRect& plot = params.geometry.plot;
            const DeviceScale& d = params.scale;
            DrawPatternLine(p, d.Pos(plot.left + 1), d.Pos(y), d.Pos(plot.right), d.Pos(y),
                            QColor(250, 170, 100), d.Line(), {3, 2, 1, 2, 1, 2});
            return;
        }
    }
}

QRect CWaveScreen::DrawAverageNote(QPainter& p, const PaintParams& params) {
    const InstrumentSettings& s = host_.Settings();
    if (s.acquire.acquisitionMode != kAcqAverage) {
        return {};
    }
    const QString text = QStringLiteral("%1: %2")
                             .arg(QString::fromStdString(host_.Text(1108, "Average")))
                             .arg(s.acquire.averageCount);
    p.setFont(ScreenFont(QStringLiteral("Arial"), 15));
    p.setPen(QColor(225, 0, 225));
    const int x = params.geometry.plot.left + 6;
    const int y = params.geometry.plot.top + 6;
    DrawTextAt(p, x, y, text);
    return TextCell(x, y);
}

void CWaveScreen::DrawScaleLabels(QPainter& p, const PaintParams& params) {
    const InstrumentSettings& s = host_.Settings();
    const PlotRect& plot = params.geometry.plot;
    p.setFont(ScreenFont(QStringLiteral("Arial"), kScaleLabelHeight));
    const struct {
        int channel;
        int key;
        const char* fallback;
        int x;
    } labels[2] = {{kCh1, 80200, "CH1", plot.left + plot.Width() / 5},
                   {kCh2, 80201, "CH2", plot.left + 7 * (plot.Width() / 10)}};
    for (const auto& l : labels) {
        const ChannelSettings& c = s.ch(l.channel);
        if (c.enabled == 0) {
            continue;
        }
        const QString text =
            QStringLiteral("%1: %2/DIV")
                .arg(QString::fromStdString(host_.Text(l.key, l.fallback)))
                .arg(QString::fromLatin1(
                    ProbeScaledLabel(c.voltsPerDivIndex, c.probe).data(),
                    static_cast<qsizetype>(ProbeScaledLabel(c.voltsPerDivIndex, c.probe).size())));
        p.setPen(ToQColor(c.colour));
        DrawTextAt(p, l.x, plot.top + kScaleLabelsOffset, text);
    }
}

void CWaveScreen::SetInformationOn(bool on) {
    informationOn_ = on;
    update();
}

void CWaveScreen::DrawInformation(QPainter& p, const PaintParams& params) {
    const PlotRect& plot = params.geometry.plot;
    p.setFont(ScreenFont(QStringLiteral("Arial"), kInformationHeight));
    const QFontMetrics metrics(p.font());
    int x = plot.left + plot.Width() / 20;
    const int y = InformationLineTop(plot.top, plot.bottom);
    for (const InformationItem& item : FullScreenInformation(host_.Settings(), host_.Text(4018, "Time"))) {
        const QString text = QString::fromStdString(item.text);
        p.setPen(ToQColor(item.colour));
        DrawTextAt(p, x, y, text);
        x += metrics.horizontalAdvance(text) + plot.Width() / 12;
    }
}

// ---- Mouse --------------------------------------------------------------------------------------

void CWaveScreen::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    buttonDown_ = true;
    firstPointPending_ = true;
    const QPoint at = event->position().toPoint();
    markerDragAt_ = at;
    lastDragX_ = at.x();
    waveDragX_ = point_[kMarkerTrigPos].x;
    HandleMouse(at.x(), at.y());
    const InstrumentSettings& s = host_.Settings();
    if (!AnyMarkerDragged() && cursorType_ == kCursorNone && geometry_.plot.Contains(at.x(), at.y()) &&
        !host_.FullScreen()) {
        if (s.acquire.zoomIn != 0) {
            host_.ZoomStep(true);
        } else if (s.acquire.zoomOut != 0) {
            host_.ZoomStep(false);
        }
    }
}

void CWaveScreen::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    HandleMouse(at.x(), at.y());
}

void CWaveScreen::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    // The events skipped between every fourth would otherwise leave the marker short of the release.
    const QPoint at = event->position().toPoint();
    if (AnyMarkerDragged() && at != markerDragAt_ && !host_.FullScreen()) {
        geometry_ = ComputeScreenGeometry(width(), height(), false);
        MoveDraggedMarker(at.x(), at.y());
    }
    buttonDown_ = false;
    // The first set drag flag in this order ends.
    for (int m : {kMarkerTrigPos, kMarkerCh1, kMarkerCh2, kMarkerMath, kMarkerRef, kMarkerLevelCh1,
                  kMarkerLevelCh2, kMarkerLevelExt, kMarkerXYCh1}) {
        if (dragging_[static_cast<std::size_t>(m)]) {
            dragging_[static_cast<std::size_t>(m)] = false;
            break;
        }
    }
    levelLineShown_ = false;
    mouseCaptured_ = false;
    unsetCursor();
    update();
}

void CWaveScreen::HandleMouse(int x, int y) {
    if (host_.FullScreen()) {
        return;
    }
    geometry_ = ComputeScreenGeometry(width(), height(), false);
    OnMarkerMouse(x, y);
    DragMarker(x, y);
    if (!AnyMarkerDragged()) {
        OnCursorMouse(x, y);
    }
}

bool CWaveScreen::AnyMarkerDragged() const {
    return std::any_of(dragging_.begin(), dragging_.end(), [](bool d) { return d; });
}

bool CWaveScreen::OnMarkerMouse(int x, int y) {
    const InstrumentSettings& s = host_.Settings();
    if (AnyMarkerDragged() || (s.acquire.drag != 0 && buttonDown_)) {
        return false;
    }
    UpdateMarkers();
    HitTestInput in;
    in.displayFormat = s.timebase.displayFormat;
    in.running = s.acquire.running != 0;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        in.channelOn[static_cast<std::size_t>(ch)] = s.ch(ch).enabled != 0;
    }
    in.triggerSource = s.trigger.triggerSource;
    const HitTestOrder order = MarkerHitTestOrder(in);
    for (int k = 0; k < order.count; ++k) {
        const int m = order.markers[static_cast<std::size_t>(k)];
        if (!hit_[static_cast<std::size_t>(m)].Contains(x, y)) {
            continue;
        }
        setCursor(m >= kMarkerLevelCh1 && m <= kMarkerLevelExt ? Qt::SizeVerCursor : Qt::PointingHandCursor);
        // Hovering shows the drag pointer; the press grabs the marker.
        if (buttonDown_) {
            dragging_[static_cast<std::size_t>(m)] = true;
            topMarker_ = TopMarkerFor(m);
            mouseEventCounter_ = 0;
            if (m >= kMarkerLevelCh1 && m <= kMarkerLevelExt) {
                levelLineShown_ = true;
            }
        }
        return true;
    }
    if (!buttonDown_ && !mouseCaptured_) {
        unsetCursor();
    }
    return false;
}

void CWaveScreen::DragMarker(int x, int y) {
    if (!AnyMarkerDragged()) {
        return;
    }
    // A fast mouse would otherwise flood the instrument with new levels.
    if (++mouseEventCounter_ < 4) {
        return;
    }
    mouseEventCounter_ = 0;
    if (buttonDown_) {
        MoveDraggedMarker(x, y);
    }
}

void CWaveScreen::MoveDraggedMarker(int x, int y) {
    markerDragAt_ = QPoint(x, y);
    const PlotRect& plot = geometry_.plot;
    InstrumentSettings& s = host_.Settings();
    if (dragging_[kMarkerTrigPos]) {
        const PositionDrag d = DragPositionMarker(plot, x);
        point_[kMarkerTrigPos].x = d.markerX;
        positionMarkerState_ = d.state;
        host_.SetHorizontalPosition(d.horizontalPosition);
    } else if (dragging_[kMarkerXYCh1]) {
        host_.SetZeroLevel(kCh1, XYZeroLevelFromX(plot, x));
    } else if (dragging_[kMarkerCh1] || dragging_[kMarkerCh2] || dragging_[kMarkerMath] ||
               dragging_[kMarkerRef]) {
        int ch = kCh1;
        while (!dragging_[static_cast<std::size_t>(kMarkerCh1 + ch)]) {
            ++ch;
        }
        MoveZeroLevel(ch, LevelFromY(plot, std::clamp(y, plot.top, plot.bottom)));
    } else {
        for (int slot = 0; slot < 3; ++slot) {
            if (!dragging_[static_cast<std::size_t>(LevelMarkerOf(slot))]) {
                continue;
            }
            host_.SetTriggerLevel(slot, LevelFromY(plot, std::clamp(y, plot.top, plot.bottom)));
            std::uint16_t* state[3] = {&s.trigger.levelMarkerCh1, &s.trigger.levelMarkerCh2,
                                       &s.trigger.levelMarkerExt};
            *state[slot] = kMarkerOnScreen;
            break;
        }
    }
    UpdateMarkers();
    update();
}

bool CWaveScreen::OnCursorMouse(int x, int y) {
    const PlotRect& plot = geometry_.plot;
    const InstrumentSettings& s = host_.Settings();
    if (cursorType_ == kCursorNone) {
        const bool zoom = s.acquire.zoomIn != 0 || s.acquire.zoomOut != 0;
        const bool drag = s.acquire.drag != 0;
        if (!(zoom || drag) || !plot.Contains(x, y)) {
            if (mouseCaptured_) {
                unsetCursor();
                mouseCaptured_ = false;
            }
            return false;
        }
        mouseCaptured_ = true;
        if (zoom) {
            setCursor(s.acquire.zoomIn != 0 ? Qt::CrossCursor : Qt::PointingHandCursor);
        } else {
            setCursor(buttonDown_ ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
            if (buttonDown_ && x != lastDragX_) {
                DragWaveform(x - lastDragX_);
                lastDragX_ = x;
                update();
            }
        }
        return true;
    }
    if (!plot.Contains(x, y)) {
        if (mouseCaptured_) {
            unsetCursor();
            mouseCaptured_ = false;
        }
        return false;
    }
    setCursor(Qt::CrossCursor);
    mouseCaptured_ = true;
    if (buttonDown_) {
        if (firstPointPending_) {
            cursorA_ = Pt{x, y};
            cursorsShown_ = 1;
            firstPointPending_ = false;
        }
        cursorB_ = Pt{x, y};
    }
    update();
    return true;
}

// The held button moves the trigger point (and with it the stopped frame's window) with the pointer.
void CWaveScreen::DragWaveform(int dx) {
    const PlotRect& plot = geometry_.plot;
    waveDragX_ = std::clamp(waveDragX_ + dx, plot.left, plot.right);
    const int width = std::max(plot.Width(), 1);
    const int position = std::min((waveDragX_ - plot.left + 1) * 500 / width, 500);
    host_.SetHorizontalPosition(position);
    UpdateMarkers();
}

// ---- Cursors ------------------------------------------------------------------------------------

void CWaveScreen::DrawCursors(QPainter& p, const PaintParams& params) {
    if (cursorsShown_ == 0 || cursorType_ == kCursorNone) {
        return;
    }
    const PlotRect& plot = params.geometry.plot;
    cursorA_ = ClampCursorPoint(plot, cursorA_);
    cursorB_ = ClampCursorPoint(plot, cursorB_);
    const Pt a = cursorA_;
    const Pt b = cursorB_;
    const DeviceScale& d = params.scale;
    const int w = d.Line();
    const int left = d.Pos(plot.left + 1);
    const int right = d.Pos(plot.right);
    const int top = d.Pos(plot.top + 1);
    const int bottom = d.Pos(plot.bottom);
    const auto dottedH = [&](int y) {
        DrawPatternLine(p, left, d.Pos(y), right, d.Pos(y), kCursorColour, w, {1, 2});
    };
    const auto dottedV = [&](int x) {
        DrawPatternLine(p, d.Pos(x), top, d.Pos(x), bottom, kCursorColour, w, {1, 2});
    };
    const auto solidH = [&](int y) { DrawAxisLine(p, left, d.Pos(y), right, d.Pos(y), kCursorColour, w); };
    const auto solidV = [&](int x) { DrawAxisLine(p, d.Pos(x), top, d.Pos(x), bottom, kCursorColour, w); };
    switch (cursorType_) {
    case kCursorCross:
        dottedH(b.y);
        dottedV(b.x);
        solidH(a.y);
        solidV(a.x);
        break;
    case kCursorVertical:
        dottedV(b.x);
        solidV(a.x);
        break;
    case kCursorHorizontal:
        dottedH(b.y);
        solidH(a.y);
        break;
    case kCursorTrace:
        DrawTraceCrosshair(p, params);
        break;
    default:
        break;
    }
}

void CWaveScreen::DrawTraceCrosshair(QPainter& p, const PaintParams& params) {
    const PlotRect& plot = params.geometry.plot;
    const InstrumentSettings& s = host_.Settings();
    int x = 0;
    int y = plot.top;
    const SpectrumView spectrum = host_.Spectrum();
    if (cursorSource_ == kCursorSrcFft && spectrum.displayOn && spectrum.values != nullptr) {
        const int n = SpectrumCursorIndex(plot, cursorB_.x, spectrum.pointCount, spectrum.zoom);
        if (n < 0) {
            return;
        }
        x = SpectrumCursorX(plot, n, spectrum.pointCount, spectrum.zoom);
        const SpectrumMapper map(plot, spectrum.pointCount, spectrum.zoom, spectrum.unitsPerDiv,
                                 spectrum.scaleMode);
        y = map.Y(spectrum.values[n]);
    } else {
        const int n = TraceIndexUnderB();
        if (n < 0) {
            return;
        }
        x = TraceCursorX(plot, n);
        if (cursorSource_ <= kCursorSrcMath && s.ch(cursorSource_).enabled != 0) {
            const TraceView trace = host_.Trace(cursorSource_);
            if (trace.points != nullptr) {
                y = TraceMapper(plot).Y(trace.points[n]);
            }
        }
    }
    const Crosshair c = ComputeCrosshair(plot, x, y);
    const DeviceScale& d = params.scale;
    const int w = d.Line();
    DrawAxisLine(p, d.Pos(c.segmentFrom.x), d.Pos(c.segmentFrom.y), d.Pos(c.segmentTo.x),
                 d.Pos(c.segmentTo.y), kCursorColour, w);
    DrawAxisLine(p, d.Pos(c.lineFrom.x), d.Pos(c.lineFrom.y), d.Pos(c.lineTo.x), d.Pos(c.lineTo.y),
                 kCursorColour, w);
    const QRect box(QPoint(d.Pos(c.boxTopLeft.x), d.Pos(c.boxTopLeft.y)),
                    QPoint(d.Pos(c.boxBottomRight.x) - 1, d.Pos(c.boxBottomRight.y) - 1));
    p.fillRect(box, Qt::black);
    for (const QRect& edge : {QRect(box.left(), box.top(), box.width(), w),
                              QRect(box.left(), box.bottom() - w + 1, box.width(), w),
                              QRect(box.left(), box.top(), w, box.height()),
                              QRect(box.right() - w + 1, box.top(), w, box.height())}) {
        p.fillRect(edge, kCursorColour);
    }
}

int CWaveScreen::TraceIndexUnderB() const {
    return TraceCursorIndex(geometry_.plot, cursorB_.x);
}

double CWaveScreen::SourceVoltsPerDiv() const {
    const InstrumentSettings& s = const_cast<IScreenHost&>(host_).Settings();
    return ChannelVoltsPerDiv(s.ch(std::clamp(cursorSource_, 0, 2)));
}

bool CWaveScreen::SourceChannelOn() const {
    const InstrumentSettings& s = const_cast<IScreenHost&>(host_).Settings();
    return cursorSource_ <= kCursorSrcMath && s.ch(cursorSource_).enabled != 0;
}

std::string CWaveScreen::FreqReadout() {
    const double dt = CursorDeltaTime(SecondsPerDiv(host_.Settings().timebase), geometry_.plot.Width(),
                                      cursorA_.x, cursorB_.x);
    return FormatFreqReadout(dt > 0.0 ? 1.0 / dt : 0.0);
}

std::string CWaveScreen::TimeReadout() {
    return FormatTimeReadout(CursorDeltaTime(SecondsPerDiv(host_.Settings().timebase), geometry_.plot.Width(),
                                             cursorA_.x, cursorB_.x));
}

std::string CWaveScreen::VoltDeltaReadout() {
    const double dv = SourceChannelOn() ? CursorDeltaVolts(SourceVoltsPerDiv(), geometry_.plot.Height(),
                                                           cursorA_.y, cursorB_.y)
                                        : 0.0;
    return FormatVoltDeltaReadout(dv);
}

std::string CWaveScreen::TraceVoltReadout() {
    const int n = TraceIndexUnderB();
    double v = 0.0;
    if (n >= 0 && SourceChannelOn()) {
        const TraceView trace = host_.Trace(cursorSource_);
        if (trace.points != nullptr) {
            v = CodeToVolts(host_.Settings().ch(cursorSource_), trace.points[n]);
        }
    }
    return FormatTraceVoltReadout(v);
}

std::string CWaveScreen::SpectrumFreqReadout() {
    const SpectrumView spectrum = host_.Spectrum();
    const int n = SpectrumCursorIndex(geometry_.plot, cursorB_.x, spectrum.pointCount, spectrum.zoom);
    const double f = (n >= 0 && spectrum.frequenciesHz != nullptr) ? spectrum.frequenciesHz[n] : 0.0;
    return FormatFreqReadout(f);
}

std::string CWaveScreen::SpectrumLevelReadout() {
    const SpectrumView spectrum = host_.Spectrum();
    const int n = SpectrumCursorIndex(geometry_.plot, cursorB_.x, spectrum.pointCount, spectrum.zoom);
    const double v = (n >= 0 && spectrum.values != nullptr) ? spectrum.values[n] : 0.0;
    return FormatSpectrumLevelReadout(v, spectrum.scaleMode);
}

} // namespace tarnix
