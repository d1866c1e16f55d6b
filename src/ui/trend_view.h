// The trend view: the logged items against time, one strip per item with its own vertical scale and its
// limits, as the min/max envelope of each pixel column. Live from the running log, or from a log file.
#pragma once

#include <QDialog>
#include <QTimer>
#include <string>

#include "datalog/trend_series.h"
#include "display/trend_painter.h"

class QPushButton;
class QWidget;

namespace tarnix {

class CTarnixDoc;

class CTrendWindow : public QDialog {
    Q_OBJECT

public:
    explicit CTrendWindow(CTarnixDoc& doc, QWidget* parent = nullptr);

    // What is drawn: the running log's series, or a loaded file's.
    const CTrendSeries& Series() const;
    // Reads a log file and shows it (live view off); "" or why not.
    std::string OpenLog(const std::string& path);
    // Back to the running log.
    void ShowLive();
    // The view at `width` x `height` as a PNG file; false when it cannot be written.
    bool ExportPng(const std::string& path, int width, int height) const;
    // Puts in the current language's texts.
    void Relabel();
    // The strips' names and notes in the current language.
    TrendTexts Texts() const;

private:
    CTarnixDoc& doc_;
    CTrendSeries loaded_;
    bool live_ = true;
    QString Text(int key) const;

    QWidget* canvas_ = nullptr;
    QPushButton* liveButton_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QTimer timer_;
};

} // namespace tarnix
