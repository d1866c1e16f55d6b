#include "ui/trend_view.h"

#include <QHBoxLayout>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "display/trend_painter.h"
#include "document/tarnix_doc.h"
#include "ui/command_table.h"

namespace tarnix {

namespace {

constexpr int kRefreshMs = 1000;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Paints with the canvas widget's size.
class CTrendCanvas : public QWidget {
public:
    CTrendCanvas(const CTrendWindow& window, const CTarnixDoc& doc, QWidget* parent)
        : QWidget(parent), window_(window), doc_(doc) {
        setMinimumSize(480, 320);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        PaintTrend(
            painter, rect(), window_.Series(),
            {doc_.settings.ch(kCh1).colour, doc_.settings.ch(kCh2).colour, doc_.settings.ch(kMath).colour});
    }

private:
    const CTrendWindow& window_;
    const CTarnixDoc& doc_;
};

} // namespace

CTrendWindow::CTrendWindow(CTarnixDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setWindowTitle(QStringLiteral("Trend"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    canvas_ = new CTrendCanvas(*this, doc_, this);
    layout->addWidget(canvas_, 1);
    auto* buttons = new QHBoxLayout;
    auto* live = new QPushButton(QStringLiteral("Live"), this);
    auto* open = new QPushButton(QStringLiteral("Open Log..."), this);
    auto* exportPng = new QPushButton(QStringLiteral("Export PNG..."), this);
    for (QPushButton* b : {live, open, exportPng}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(live, &QPushButton::clicked, this, &CTrendWindow::ShowLive);
    connect(open, &QPushButton::clicked, this, [this] {
        const std::string path =
            ChooseFileWithDialog(this, {false, QStringLiteral("Open Log"), QStringLiteral("csv"),
                                        QStringLiteral("CSV File(*.csv)")});
        if (!path.empty()) {
            if (const std::string refusal = OpenLog(path); !refusal.empty()) {
                QMessageBox::warning(this, windowTitle(), Q(refusal));
            }
        }
    });
    connect(exportPng, &QPushButton::clicked, this, [this] {
        const std::string path =
            ChooseFileWithDialog(this, {true, QStringLiteral("Export PNG"), QStringLiteral("png"),
                                        QStringLiteral("PNG File(*.png)")});
        if (!path.empty() && !ExportPng(path, canvas_->width(), canvas_->height())) {
            QMessageBox::warning(this, windowTitle(), QStringLiteral("Cann't save file: %1").arg(Q(path)));
        }
    });
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (live_ && isVisible()) {
            canvas_->update();
        }
    });
    timer_.start();
    resize(900, 600);
}

const CTrendSeries& CTrendWindow::Series() const {
    return live_ ? doc_.datalog.trend : loaded_;
}

std::string CTrendWindow::OpenLog(const std::string& path) {
    CTrendSeries series;
    std::string refusal = LoadTrendFile(path, series);
    if (refusal.empty()) {
        loaded_ = std::move(series);
        live_ = false;
        canvas_->update();
    }
    return refusal;
}

void CTrendWindow::ShowLive() {
    live_ = true;
    canvas_->update();
}

bool CTrendWindow::ExportPng(const std::string& path, int width, int height) const {
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PaintTrend(
            painter, image.rect(), Series(),
            {doc_.settings.ch(kCh1).colour, doc_.settings.ch(kCh2).colour, doc_.settings.ch(kMath).colour});
    }
    return image.save(Q(path), "PNG");
}

} // namespace tarnix
