// File/Print and File/Print Preview: the test report page on Qt's printer, print dialog and preview.
// The page is the report layout (files/report_layout.h) drawn as it says; printing to a PDF file is
// the same path with a PDF printer.
#pragma once

#include <QDateTime>
#include <QPageSize>
#include <functional>
#include <string>

#include "files/report_layout.h"

class QLocale;
class QPainter;
class QPrinter;
class QWidget;

namespace tarnix {

class CTarnixDoc;
class CWaveScreen;
class IUserNotifier;

// What the report reads and how acquisition is paused around printing. Null functions fall back to the
// document's own Stop and Run; the commands pass their Stop and Start commands so that the sidebar and
// the menus follow.
struct ReportSource {
    CTarnixDoc* doc = nullptr;
    bool gridOn = true; // the screen's grid switch: the report's graticule shows division lines only with it
    std::function<void()> stopAcquisition;
    std::function<void()> startAcquisition;
};

// The document's state as the report layout takes it; the spans point into the document's frames.
ReportInput MakeReportInput(const CTarnixDoc& doc, bool gridOn, const QDateTime& now);

// Draws a computed layout: frames, texts, swatches, note lines, the graticule, the traces with
// their zero-level triangles, and the black border of the waveform area. Antialiasing stays off, so
// the lines fall on the computed device units.
void PaintReportLayout(QPainter& painter, const ReportLayout& layout);
// The report of `doc` on a page of width x height device units at the painter's origin.
void PaintReport(QPainter& painter, int width, int height, const CTarnixDoc& doc, bool gridOn,
                 const QDateTime& now);
// One page on a configured printer (a PDF printer included), sized to its printable area. False when
// painting on it could not begin.
bool PrintReportTo(QPrinter& printer, const CTarnixDoc& doc, bool gridOn, const QDateTime& now);

// Stops a running acquisition for the time of a print or a preview, and starts it again afterwards if
// it is still stopped then.
class CPrintPause {
public:
    explicit CPrintPause(const ReportSource& source);
    ~CPrintPause();
    CPrintPause(const CPrintPause&) = delete;
    CPrintPause& operator=(const CPrintPause&) = delete;
    bool StoppedIt() const { return stopped_; }

private:
    const ReportSource& source_;
    bool stopped_ = false;
};

// The Print command (Ctrl+P): Qt's print dialog, then the page. True when a page was printed.
bool PrintReport(QWidget* parent, const ReportSource& source);
// The report's paper: Letter where the locale measures in inches (the US), A4 elsewhere.
QPageSize ReportPageSize(const QLocale& locale);
// The report written straight to a PDF file (vector, one page), without a print dialog. False when the
// file could not be written.
bool ExportReportPdf(const std::string& path, const CTarnixDoc& doc, bool gridOn, const QDateTime& now,
                     const QLocale& locale);
// The Export Report as PDF command: a save dialog, then the file, acquisition paused meanwhile.
void ExportReportPdfCommand(QWidget* parent, const ReportSource& source, IUserNotifier* notifier);
// The Print Preview command: Qt's preview of the page, which can print from there.
void PreviewReport(QWidget* parent, const ReportSource& source);

} // namespace tarnix
