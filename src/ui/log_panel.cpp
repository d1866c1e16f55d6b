#include "ui/log_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

#include "analysis/measure_set.h"
#include "document/tarnix_doc.h"
#include "ui/command_table.h"
#include "ui/image_export.h"
#include "ui/main_frame.h"
#include "ui/trend_view.h"
#include "ui/widget_helpers.h"

namespace tarnix {

namespace {

constexpr int kRows = kMeasureSourceCount * kMeasureKindCount;
constexpr int kStatusMs = 500;

MeasureItem ItemOfRow(int row) {
    return {row / kMeasureKindCount, row % kMeasureKindCount};
}

int RowOfItem(const MeasureItem& item) {
    return item.source * kMeasureKindCount + item.kind;
}

QString LimitText(std::optional<double> limit) {
    return limit ? QString::number(*limit, 'g', 12) : QString();
}

std::optional<double> LimitOf(const QTableWidgetItem* cell) {
    bool ok = false;
    const double value = cell != nullptr ? cell->text().trimmed().toDouble(&ok) : 0.0;
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

QString Size(std::uint64_t bytes) {
    return bytes < 10 * 1024 ? QStringLiteral("%1 bytes").arg(bytes)
                             : QStringLiteral("%1 KB").arg(static_cast<double>(bytes) / 1024.0, 0, 'f', 0);
}

} // namespace

CLogPanel::CLogPanel(CTarnixDoc& doc, std::string settingsPath, QWidget* parent)
    : QDialog(parent), doc_(doc), settingsPath_(std::move(settingsPath)) {
    setWindowTitle(QStringLiteral("Log to File"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("File:"), this));
    file_ = new QLineEdit(this);
    fileRow->addWidget(file_, 1);
    browse_ = new QPushButton(QStringLiteral("Browse..."), this);
    browse_->setAutoDefault(false);
    fileRow->addWidget(browse_);
    layout->addLayout(fileRow);
    connect(browse_, &QPushButton::clicked, this, [this] {
        const std::string path =
            ChooseFileWithDialog(this, {true, QStringLiteral("Log to File"), QStringLiteral("csv"),
                                        QStringLiteral("CSV File(*.csv)")});
        if (!path.empty()) {
            file_->setText(QString::fromStdString(path));
        }
    });

    items_ = new QTableWidget(kRows, 3, this);
    items_->setHorizontalHeaderLabels(
        {QStringLiteral("Measurement"), QStringLiteral("Low limit"), QStringLiteral("High limit")});
    items_->verticalHeader()->hide();
    items_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int row = 0; row < kRows; ++row) {
        const MeasureItem item = ItemOfRow(row);
        auto* name = new QTableWidgetItem(
            QString::fromStdString(ItemName(item) + " (" + std::string(ItemUnit(item)) + ")"));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        name->setCheckState(Qt::Unchecked);
        items_->setItem(row, 0, name);
        items_->setItem(row, 1, new QTableWidgetItem);
        items_->setItem(row, 2, new QTableWidgetItem);
    }
    layout->addWidget(items_, 1);

    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(new QLabel(QStringLiteral("Interval:"), this));
    intervalMode_ = new QComboBox(this);
    intervalMode_->addItems(
        {QStringLiteral("Every capture"), QStringLiteral("Every N seconds (mean, min, max)")});
    intervalRow->addWidget(intervalMode_);
    interval_ = new QDoubleSpinBox(this);
    interval_->setRange(kLogMinIntervalSeconds, kLogMaxIntervalSeconds);
    interval_->setDecimals(1);
    interval_->setValue(1.0);
    interval_->setSuffix(QStringLiteral(" s"));
    intervalRow->addWidget(interval_);
    layout->addLayout(intervalRow);
    connect(intervalMode_, &QComboBox::currentIndexChanged, this,
            [this](int index) { interval_->setEnabled(index == 1); });

    auto* actionsRow = new QHBoxLayout;
    actionsRow->addWidget(new QLabel(QStringLiteral("Out of limits:"), this));
    beep_ = new QCheckBox(QStringLiteral("Beep"), this);
    stop_ = new QCheckBox(QStringLiteral("Stop the acquisition"), this);
    saveImage_ = new QCheckBox(QStringLiteral("Save the screen image"), this);
    for (QCheckBox* box : {beep_, stop_, saveImage_}) {
        actionsRow->addWidget(box);
    }
    layout->addLayout(actionsRow);

    auto* buttonRow = new QHBoxLayout;
    startStop_ = new QPushButton(QStringLiteral("&Start"), this);
    startStop_->setAutoDefault(false);
    buttonRow->addWidget(startStop_, 1);
    auto* trend = new QPushButton(QStringLiteral("&Trend..."), this);
    trend->setAutoDefault(false);
    buttonRow->addWidget(trend);
    layout->addLayout(buttonRow);
    connect(trend, &QPushButton::clicked, this, [this] {
        if (trend_ == nullptr) {
            trend_ = new CTrendWindow(doc_, this);
        }
        trend_->show();
        trend_->raise();
    });
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    layout->addWidget(status_);
    connect(startStop_, &QPushButton::clicked, this, [this] {
        if (doc_.datalog.Log().Running()) {
            StopLog();
        } else if (const std::string refusal = StartLog(); !refusal.empty()) {
            status_->setText(QString::fromStdString(refusal));
        }
    });

    askAppend = [this](const QString& path) -> std::optional<bool> {
        const auto answer =
            QMessageBox::question(this, windowTitle(),
                                  QStringLiteral("%1 already exists. Append the new rows to it?\n"
                                                 "(No replaces it.)")
                                      .arg(path),
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel) {
            return std::nullopt;
        }
        return answer == QMessageBox::Yes;
    };

    LogPanelSettings stored = settingsPath_.empty() ? LogPanelSettings{} : LoadLogSettings(settingsPath_);
    if (stored.options.columns.empty()) {
        // Nothing chosen yet: the measurements on the screen.
        for (const MeasureItem& item : CDataLog::ScreenItems(doc_.measures)) {
            stored.options.columns.push_back({item, {}});
        }
    }
    Load(stored);
    timer_.setInterval(kStatusMs);
    connect(&timer_, &QTimer::timeout, this, &CLogPanel::RefreshStatus);
    timer_.start();
}

void CLogPanel::Load(const LogPanelSettings& settings) {
    file_->setText(QString::fromStdString(settings.options.path));
    for (const LogColumn& column : settings.options.columns) {
        const int row = RowOfItem(column.item);
        items_->item(row, 0)->setCheckState(Qt::Checked);
        items_->item(row, 1)->setText(LimitText(column.limits.low));
        items_->item(row, 2)->setText(LimitText(column.limits.high));
    }
    intervalMode_->setCurrentIndex(settings.options.intervalSeconds > 0.0 ? 1 : 0);
    interval_->setEnabled(settings.options.intervalSeconds > 0.0);
    if (settings.options.intervalSeconds > 0.0) {
        interval_->setValue(settings.options.intervalSeconds);
    }
    beep_->setChecked(settings.actions.beep);
    stop_->setChecked(settings.actions.stopAcquisition);
    saveImage_->setChecked(settings.actions.saveImage);
}

LogPanelSettings CLogPanel::Choices() const {
    LogPanelSettings settings;
    settings.options.path = file_->text().trimmed().toStdString();
    for (int row = 0; row < kRows; ++row) {
        if (items_->item(row, 0)->checkState() == Qt::Checked) {
            settings.options.columns.push_back(
                {ItemOfRow(row), {LimitOf(items_->item(row, 1)), LimitOf(items_->item(row, 2))}});
        }
    }
    settings.options.intervalSeconds = intervalMode_->currentIndex() == 1 ? interval_->value() : 0.0;
    settings.actions = {beep_->isChecked(), stop_->isChecked(), saveImage_->isChecked()};
    return settings;
}

std::string CLogPanel::StartLog() {
    LogPanelSettings choices = Choices();
    if (choices.options.path.empty()) {
        return "Choose a file to log to";
    }
    if (!settingsPath_.empty()) {
        SaveLogSettings(settingsPath_, choices);
    }
    const QString path = QString::fromStdString(choices.options.path);
    if (QFileInfo::exists(path)) {
        const std::optional<bool> append = askAppend ? askAppend(path) : std::optional<bool>(false);
        if (!append) {
            return {};
        }
        choices.options.append = *append;
    }
    doc_.datalog.actions = choices.actions;
    const std::string refusal = doc_.datalog.StartLog(choices.options, doc_.settings);
    RefreshStatus();
    return refusal;
}

void CLogPanel::StopLog() {
    doc_.datalog.Log().Stop();
    RefreshStatus();
}

QString CLogPanel::StatusText() const {
    const CMeasureLog& log = doc_.datalog.Log();
    const LogStatus& s = log.Status();
    if (!s.running && s.rows == 0 && s.stopReason.empty()) {
        return QStringLiteral("Not logging.");
    }
    QString text = s.running ? QStringLiteral("Logging") : QStringLiteral("Stopped");
    text += QStringLiteral(": %1 s, %2 rows, %3")
                .arg(static_cast<double>(s.elapsedMs) / 1000.0, 0, 'f', 1)
                .arg(s.rows)
                .arg(Size(s.bytes));
    if (s.violationRows > 0) {
        text += QStringLiteral(", %1 rows out of limits").arg(s.violationRows);
    }
    const std::vector<LogColumn>& columns = log.Options().columns;
    for (std::size_t i = 0; i < columns.size() && i < s.lastValues.size(); ++i) {
        text += QStringLiteral("\n%1: %2")
                    .arg(QString::fromStdString(ItemName(columns[i].item)),
                         s.lastValues[i] ? QString::number(*s.lastValues[i], 'g', 6) : QStringLiteral("-"));
    }
    if (!s.stopReason.empty()) {
        text += QStringLiteral("\nThe log stopped: %1").arg(QString::fromStdString(s.stopReason));
    }
    return text;
}

void CLogPanel::RefreshStatus() {
    const CMeasureLog& log = doc_.datalog.Log();
    const bool running = log.Running();
    if (wasRunning_ && !running && !log.Status().stopReason.empty() && stoppedByItself) {
        stoppedByItself(QString::fromStdString(log.Status().stopReason));
    }
    wasRunning_ = running;
    startStop_->setText(running ? QStringLiteral("&Stop") : QStringLiteral("&Start"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{file_, browse_, items_, intervalMode_, beep_, stop_, saveImage_}) {
        w->setEnabled(!running);
    }
    interval_->setEnabled(!running && intervalMode_->currentIndex() == 1);
    if (isVisible() || !running) {
        status_->setText(StatusText());
    }
}

void CLogPanel::ShowCentredOver(const QWidget* screen) {
    RefreshStatus();
    tarnix::ShowCentredOver(*this, screen);
}

void AttachLogPanel(CTarnixDoc& doc, CMainFrame& frame, PanelHooks& panels, QWidget* view,
                    const QWidget* screen) {
    auto panel = std::make_shared<QPointer<CLogPanel>>();
    panels.showLogPanel = [&doc, &frame, view, screen, panel] {
        if (panel->isNull()) {
            const QString setup = frame.DefaultSetupPath();
            const std::string settings =
                setup.isEmpty()
                    ? std::string()
                    : QFileInfo(setup).dir().filePath(QStringLiteral("Datalog.ini")).toStdString();
            *panel = new CLogPanel(doc, settings, view);
            (*panel)->stoppedByItself = [&frame](const QString& reason) {
                frame.statusBar()->showMessage(QStringLiteral("The log stopped: %1").arg(reason), 15000);
            };
        }
        (*panel)->ShowCentredOver(screen);
    };
    doc.datalog.saveImage = [&doc, &frame] {
        const QFileInfo log(QString::fromStdString(doc.datalog.Log().Options().path));
        const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
        const QString path =
            log.dir().filePath(log.completeBaseName() + QStringLiteral("-") + stamp + QStringLiteral(".bmp"));
        SaveWindowImageNow(&frame, path.toStdString());
    };
}

} // namespace tarnix
