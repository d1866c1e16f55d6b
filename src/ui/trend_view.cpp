#include "ui/trend_view.h"

#include <QHBoxLayout>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "document/tarnix_doc.h"
#include "language/datalog_texts.h"
#include "language/language_table.h"
#include "ui/command_table.h"
#include "ui/statistics_overlay.h"

namespace tarnix {

namespace {

constexpr int kRefreshMs = 1000;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::array<std::uint32_t, 3> Colours(const CTarnixDoc& doc) {
    return {doc.settings.ch(kCh1).colour, doc.settings.ch(kCh2).colour, doc.settings.ch(kMath).colour};
}

// A file dialog's title: its button's text without the mnemonic and the dots.
QString DialogTitle(const QPushButton* button) {
    return button->text().remove(QLatin1Char('&')).remove(QStringLiteral("..."));
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
        PaintTrend(painter, rect(), window_.Series(), Colours(doc_), window_.Texts());
    }

private:
    const CTrendWindow& window_;
    const CTarnixDoc& doc_;
};

} // namespace

CTrendWindow::CTrendWindow(CTarnixDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    canvas_ = new CTrendCanvas(*this, doc_, this);
    layout->addWidget(canvas_, 1);
    auto* buttons = new QHBoxLayout;
    liveButton_ = new QPushButton(this);
    openButton_ = new QPushButton(this);
    exportButton_ = new QPushButton(this);
    for (QPushButton* b : {liveButton_, openButton_, exportButton_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(liveButton_, &QPushButton::clicked, this, &CTrendWindow::ShowLive);
    connect(openButton_, &QPushButton::clicked, this, [this] {
        const std::string path =
            ChooseFileWithDialog(this, {false, DialogTitle(openButton_), QStringLiteral("csv"),
                                        QStringLiteral("CSV File(*.csv)")});
        if (!path.empty()) {
            if (const std::string refusal = OpenLog(path); !refusal.empty()) {
                QMessageBox::warning(this, windowTitle(), Q(refusal));
            }
        }
    });
    connect(exportButton_, &QPushButton::clicked, this, [this] {
        const std::string path =
            ChooseFileWithDialog(this, {true, DialogTitle(exportButton_), QStringLiteral("png"),
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
    Relabel();
    resize(900, 600);
}

QString CTrendWindow::Text(int key) const {
    return QString::fromStdString(TextOrDefault(doc_.language, key));
}

TrendTexts CTrendWindow::Texts() const {
    TrendTexts texts{{}, Text(dtx::kNoValues)};
    for (const LogColumn& column : Series().Columns()) {
        texts.names.push_back(QString::fromStdString(ItemTitle(doc_.language, column.item)));
    }
    return texts;
}

void CTrendWindow::Relabel() {
    setWindowTitle(Text(dtx::kTrendTitle));
    liveButton_->setText(Text(dtx::kLive));
    openButton_->setText(Text(dtx::kOpenLog));
    exportButton_->setText(Text(dtx::kExportPng));
    canvas_->update();
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
        PaintTrend(painter, image.rect(), Series(), Colours(doc_), Texts());
    }
    return image.save(Q(path), "PNG");
}

} // namespace tarnix
