#include "document/tarnix_doc.h"

#include "ui/report_printer.h"

#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <vector>

#include "display/wave_render.h"
#include "display/wave_screen.h"
#include "ui/command_table.h"
#include "ui/image_export.h"

namespace tarnix {

namespace {

QFont ReportQFont(const ReportFontSpec& spec) {
    return ScreenFont(QString::fromStdString(spec.family), spec.cellHeight, spec.bold ? 700 : 400,
                      spec.italic);
}

QPolygon ToPolygon(const auto& points) {
    QPolygon polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const ReportPoint& p : points) {
        polygon.append(QPoint(p.x, p.y));
    }
    return polygon;
}

// An outline covering left..right - 1 and top..bottom - 1 with a one-unit pen.
void DrawOutline(QPainter& p, const ReportRect& r) {
    p.drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
}

void DrawFilled(QPainter& p, const QPolygon& polygon, std::uint32_t colour) {
    const QColor c = ToQColor(colour);
    p.setPen(QPen(c, 1));
    p.setBrush(c);
    p.drawPolygon(polygon);
    p.setBrush(Qt::NoBrush);
}

} // namespace

ReportInput MakeReportInput(const CTarnixDoc& doc, bool gridOn, const QDateTime& now) {
    ReportInput input;
    input.settings = doc.settings;
    for (int c = 0; c < kChannelCount; ++c) {
        input.traces[static_cast<std::size_t>(c)] = doc.frames[static_cast<std::size_t>(c)].display;
    }
    input.blockBufferSizeIndex = doc.link.block.bufferSizeIndex;
    input.blockChannelCode = doc.link.block.channelCode;
    input.blockTriggerSource = doc.link.block.triggerSource;
    input.gridOn = gridOn;
    const QDate date = now.date();
    const QTime time = now.time();
    input.now = {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
    input.lookupText = [&doc](int key) { return doc.Text(key); };
    // The measurement texts as the screen shows them; the placement on the screen does not matter here.
    std::array<MeasureTextItem, kMeasureSlotCount> items{};
    const int count = doc.measures.LayoutTexts(0, 0, 1000, 1000, {}, items);
    for (int k = 0; k < count; ++k) {
        input.measurements.emplace_back(items[static_cast<std::size_t>(k)].text);
    }
    return input;
}

void PaintReportLayout(QPainter& p, const ReportLayout& layout) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    const QPen black(Qt::black, 1, Qt::SolidLine);

    p.setPen(black);
    for (const ReportRect& frame : layout.frames) {
        DrawOutline(p, frame);
    }

    for (const ReportText& text : layout.texts) {
        const ReportFontSpec& spec = text.font == ReportFont::kTitle   ? layout.titleFont
                                     : text.font == ReportFont::kLabel ? layout.labelFont
                                                                       : layout.textFont;
        p.setFont(ReportQFont(spec));
        p.setPen(black);
        const QString s = QString::fromStdString(text.text);
        if (text.centred) {
            const ReportRect& b = text.box;
            p.drawText(QRect(b.left, b.top, b.Width(), b.Height()),
                       Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, s);
        } else {
            // The cell's top-left corner at the given point; the text may run to the page's right edge.
            const int width = std::max(1, layout.width - text.at.x);
            p.drawText(QRect(text.at.x, text.at.y, width, 2 * std::max(1, spec.cellHeight)),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, s);
        }
    }

    for (const ReportSwatch& swatch : layout.swatches) {
        DrawFilled(p, ToPolygon(swatch.corners), swatch.colour);
    }

    p.setPen(black);
    for (const ReportLine& line : layout.noteLines) {
        p.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);
    }

    // Solid division lines and centre axes, then the screen's ticks in black (grey level 0); the
    // screen's dotted grid would print as a few specks.
    const ReportRect& area = layout.waveArea;
    p.setPen(QPen(QColor(170, 170, 170), layout.gridPen, Qt::SolidLine, Qt::FlatCap));
    for (const ReportLine& line : layout.gridLines) {
        p.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);
    }
    p.setPen(QPen(Qt::black, layout.gridPen, Qt::SolidLine, Qt::FlatCap));
    for (const ReportLine& line : layout.axisLines) {
        p.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);
    }
    PaintParams params;
    params.geometry.plot = {area.left, area.top, area.right, area.bottom};
    params.gridOn = false;
    params.gridIntensity = 0;
    PaintGraticule(p, params);

    for (const ReportTrace& trace : layout.traces) {
        p.setPen(QPen(ToQColor(trace.colour), layout.tracePen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        for (const std::vector<ReportPoint>& run : trace.runs) {
            if (run.size() == 1) {
                p.drawPoint(run[0].x, run[0].y);
            } else {
                p.drawPolyline(ToPolygon(run));
            }
        }
        DrawFilled(p, ToPolygon(trace.zeroMarker), trace.colour);
    }

    p.setPen(black);
    p.setBrush(Qt::NoBrush);
    DrawOutline(p, area);
    p.restore();
}

void PaintReport(QPainter& painter, int width, int height, const CTarnixDoc& doc, bool gridOn,
                 const QDateTime& now) {
    PaintReportLayout(painter, ComputeReportLayout(MakeReportInput(doc, gridOn, now), width, height));
}

bool PrintReportTo(QPrinter& printer, const CTarnixDoc& doc, bool gridOn, const QDateTime& now) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    // The painter's origin is the top-left corner of the printable area.
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    PaintReport(painter, page.width(), page.height(), doc, gridOn, now);
    return painter.end();
}

CPrintPause::CPrintPause(const ReportSource& source) : source_(source) {
    if (source_.doc == nullptr || source_.doc->settings.acquire.running == 0) {
        return;
    }
    if (source_.stopAcquisition) {
        source_.stopAcquisition();
    } else {
        source_.doc->Stop();
    }
    stopped_ = true;
}

CPrintPause::~CPrintPause() {
    // Started again only if nothing else started it meanwhile (the preview's own commands cannot).
    if (!stopped_ || source_.doc == nullptr || source_.doc->settings.acquire.running != 0) {
        return;
    }
    if (source_.startAcquisition) {
        source_.startAcquisition();
    } else {
        source_.doc->Run();
    }
}

bool PrintReport(QWidget* parent, const ReportSource& source) {
    if (source.doc == nullptr) {
        return false;
    }
    const CPrintPause pause(source);
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    return PrintReportTo(printer, *source.doc, source.gridOn, QDateTime::currentDateTime());
}

QPageSize ReportPageSize(const QLocale& locale) {
    return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                             : QPageSize::A4);
}

bool ExportReportPdf(const std::string& path, const CTarnixDoc& doc, bool gridOn, const QDateTime& now,
                     const QLocale& locale) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    printer.setPageSize(ReportPageSize(locale));
    printer.setCreator(QStringLiteral("Tarnix"));
    return PrintReportTo(printer, doc, gridOn, now);
}

void ExportReportPdfCommand(QWidget* parent, const ReportSource& source, IUserNotifier* notifier) {
    if (source.doc == nullptr) {
        return;
    }
    const std::string path =
        ChooseFileWithDialog(parent, {true, QStringLiteral("Export Report as PDF"), QStringLiteral("pdf"),
                                      QStringLiteral("PDF File(*.pdf)")});
    if (path.empty()) {
        return;
    }
    const CPrintPause pause(source);
    if (!ExportReportPdf(path, *source.doc, source.gridOn, QDateTime::currentDateTime(), QLocale::system())) {
        ShowSaveFailure(parent, notifier, "Cann't save file: " + path);
    }
}

void PreviewReport(QWidget* parent, const ReportSource& source) {
    if (source.doc == nullptr) {
        return;
    }
    const CPrintPause pause(source);
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&source](QPrinter* target) {
        PrintReportTo(*target, *source.doc, source.gridOn, QDateTime::currentDateTime());
    });
    preview.exec();
}

} // namespace tarnix
