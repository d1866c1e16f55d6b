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
#include "language/datalog_texts.h"
#include "language/language_table.h"
#include "ui/command_table.h"
#include "ui/image_export.h"
#include "ui/main_frame.h"
#include "ui/statistics_overlay.h"
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

// In unit symbols, which read the same in every language.
QString Size(std::uint64_t bytes) {
    return bytes < 10 * 1024 ? QStringLiteral("%1 B").arg(bytes)
                             : QStringLiteral("%1 KB").arg(static_cast<double>(bytes) / 1024.0, 0, 'f', 0);
}

} // namespace

CLogPanel::CLogPanel(CTarnixDoc& doc, std::string settingsPath, QWidget* parent)
    : QDialog(parent), doc_(doc), settingsPath_(std::move(settingsPath)) {
    setModal(false);
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    fileLabel_ = new QLabel(this);
    fileRow->addWidget(fileLabel_);
    file_ = new QLineEdit(this);
    fileRow->addWidget(file_, 1);
    browse_ = new QPushButton(this);
    browse_->setAutoDefault(false);
    fileRow->addWidget(browse_);
    layout->addLayout(fileRow);
    connect(browse_, &QPushButton::clicked, this, [this] {
        const std::string path = ChooseFileWithDialog(
            this, {true, windowTitle(), QStringLiteral("csv"), QStringLiteral("CSV File(*.csv)")});
        if (!path.empty()) {
            file_->setText(QString::fromStdString(path));
        }
    });

    items_ = new QTableWidget(kRows, 3, this);
    items_->verticalHeader()->hide();
    items_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int row = 0; row < kRows; ++row) {
        auto* name = new QTableWidgetItem;
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        name->setCheckState(Qt::Unchecked);
        items_->setItem(row, 0, name);
        items_->setItem(row, 1, new QTableWidgetItem);
        items_->setItem(row, 2, new QTableWidgetItem);
    }
    layout->addWidget(items_, 1);

    auto* intervalRow = new QHBoxLayout;
    intervalLabel_ = new QLabel(this);
    intervalRow->addWidget(intervalLabel_);
    intervalMode_ = new QComboBox(this);
    intervalMode_->addItems({QString(), QString()});
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
    actionsLabel_ = new QLabel(this);
    actionsRow->addWidget(actionsLabel_);
    beep_ = new QCheckBox(this);
    stop_ = new QCheckBox(this);
    saveImage_ = new QCheckBox(this);
    for (QCheckBox* box : {beep_, stop_, saveImage_}) {
        actionsRow->addWidget(box);
    }
    layout->addLayout(actionsRow);

    auto* buttonRow = new QHBoxLayout;
    startStop_ = new QPushButton(this);
    startStop_->setAutoDefault(false);
    buttonRow->addWidget(startStop_, 1);
    trendButton_ = new QPushButton(this);
    trendButton_->setAutoDefault(false);
    buttonRow->addWidget(trendButton_);
    layout->addLayout(buttonRow);
    connect(trendButton_, &QPushButton::clicked, this, [this] {
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
        const auto answer = QMessageBox::question(this, windowTitle(), Text(dtx::kAskAppend).arg(path),
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
    Relabel();
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
        return Text(dtx::kChooseFile).toStdString();
    }
    if (!settingsPath_.empty()) {
        settingsFailure_ = SaveLogSettings(settingsPath_, choices);
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
        return Text(dtx::kNotLogging);
    }
    QString text = Text(s.running ? dtx::kLogging : dtx::kStopped) + QStringLiteral(": ") +
                   Text(dtx::kProgress)
                       .arg(static_cast<double>(s.elapsedMs) / 1000.0, 0, 'f', 1)
                       .arg(s.rows)
                       .arg(Size(s.bytes));
    if (s.violationRows > 0) {
        text += QStringLiteral(", ") + Text(dtx::kViolations).arg(s.violationRows);
    }
    const std::vector<LogColumn>& columns = log.Options().columns;
    for (std::size_t i = 0; i < columns.size() && i < s.lastValues.size(); ++i) {
        text += QStringLiteral("\n%1: %2")
                    .arg(QString::fromStdString(ItemTitle(doc_.language, columns[i].item)),
                         s.lastValues[i] ? QString::number(*s.lastValues[i], 'g', 6) : QStringLiteral("-"));
    }
    if (!s.stopReason.empty()) {
        text += QStringLiteral("\n") + Text(dtx::kLogStopped).arg(QString::fromStdString(s.stopReason));
    }
    if (!settingsFailure_.empty()) { // the log runs; only the panel's choices were not kept
        text += QStringLiteral("\n") + QString::fromStdString(settingsFailure_);
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
    startStop_->setText(Text(running ? dtx::kStop : dtx::kStart));
    for (QWidget* w :
         std::initializer_list<QWidget*>{file_, browse_, items_, intervalMode_, beep_, stop_, saveImage_}) {
        w->setEnabled(!running);
    }
    interval_->setEnabled(!running && intervalMode_->currentIndex() == 1);
    if (isVisible() || !running) {
        status_->setText(StatusText());
    }
}

QString CLogPanel::Text(int key) const {
    return QString::fromStdString(TextOrDefault(doc_.language, key));
}

void CLogPanel::Relabel() {
    setWindowTitle(Text(dtx::kLogTitle));
    fileLabel_->setText(Text(dtx::kFile));
    browse_->setText(Text(dtx::kBrowse));
    items_->setHorizontalHeaderLabels({Text(dtx::kMeasurement), Text(dtx::kLowLimit), Text(dtx::kHighLimit)});
    intervalLabel_->setText(Text(dtx::kInterval));
    intervalMode_->setItemText(0, Text(dtx::kEveryCapture));
    intervalMode_->setItemText(1, Text(dtx::kEverySeconds));
    actionsLabel_->setText(Text(dtx::kOutOfLimits));
    beep_->setText(Text(dtx::kBeep));
    stop_->setText(Text(dtx::kStopAcquisition));
    saveImage_->setText(Text(dtx::kSaveImage));
    trendButton_->setText(Text(dtx::kTrendButton));
    for (int row = 0; row < kRows; ++row) {
        const MeasureItem item = ItemOfRow(row);
        items_->item(row, 0)->setText(QString::fromStdString(ItemTitle(doc_.language, item) + " (" +
                                                             std::string(ItemUnit(item)) + ")"));
    }
    if (trend_ != nullptr) {
        trend_->Relabel();
    }
    RefreshStatus();
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
            (*panel)->stoppedByItself = [&doc, &frame](const QString& reason) {
                frame.statusBar()->showMessage(
                    QString::fromStdString(TextOrDefault(doc.language, dtx::kLogStopped)).arg(reason), 15000);
            };
        }
        (*panel)->ShowCentredOver(screen);
    };
    panels.relabelWindows = [previous = panels.relabelWindows, panel] {
        if (previous) {
            previous();
        }
        if (!panel->isNull()) {
            (*panel)->Relabel();
        }
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
