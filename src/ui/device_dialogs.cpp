#include "document/tarnix_doc.h"

#include "ui/device_dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "language/control_ids.h"
#include "language/language_table.h"
#include "ui/relabel.h"
#include "ui/widget_helpers.h"
#include "ui/small_dialogs.h"

namespace tarnix {

namespace {

inline constexpr std::string_view kErrorTitle = "Error";
inline constexpr std::string_view kIdRangeText = "Device ID between 0 and 255 !";
inline constexpr std::string_view kChooseText = "Please choose a device !";

void RaiseAbove(QDialog& dialog) {
    // Start-up dialogs come before the main window and must not hide behind the splash.
    dialog.raise();
    dialog.activateWindow();
}

} // namespace

// ---- Searching Device ----

CSearchingDeviceDialog::CSearchingDeviceDialog(const CLanguageTable& language, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Search Device"));
    auto* layout = new QVBoxLayout(this);
    auto* caution = new QGroupBox(QStringLiteral("Caution"), this);
    SetControlId(caution, ctl::kSearchCautionGroup);
    auto* cautionLayout = new QVBoxLayout(caution);
    cautionLayout->addWidget(
        NewLabel(ctl::kSearchNotFound, "Instrument not found,Possible causes are:", caution));
    cautionLayout->addWidget(NewLabel(ctl::kSearchNoDriver, "Driver is not found;", caution));
    cautionLayout->addWidget(NewLabel(ctl::kSearchNotConnected, "Instrument not connected to USB;", caution));
    layout->addWidget(caution);

    auto* buttons = new QHBoxLayout;
    close_ = NewButton(ctl::kClose, "Close", this);
    close_->setDefault(true);
    ignore_ = NewButton(ctl::kSearchIgnore, "Ignore", this);
    buttons->addStretch();
    buttons->addWidget(close_);
    buttons->addWidget(ignore_);
    layout->addLayout(buttons);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(ignore_, &QPushButton::clicked, this, &QDialog::reject);

    RelabelWindow(this, language);
    RelabelTitle(this, kTitleKey, language);
}

void CSearchingDeviceDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RaiseAbove(*this);
}

// ---- Device List ----

CDeviceListDialog::CDeviceListDialog(CTarnixDoc& doc, const CLanguageTable& language, IUserNotifier* notifier,
                                     QWidget* parent)
    : QDialog(parent), doc_(doc), notifier_(notifier) {
    setWindowTitle(QStringLiteral("Search Device"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(NewLabel(ctl::kDeviceColumn, "Device", this), 0, 0);
    layout->addWidget(NewLabel(ctl::kDeviceIdColumn, "Device ID", this), 0, 1);
    for (int slot = 0; slot < 4; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        auto* box = new QCheckBox(QStringLiteral("Device %1").arg(slot + 1), this);
        SetControlId(box, ctl::kDeviceCheck[i]);
        auto* edit = new CClampedSpinBox(0, 255, this);
        SetControlId(edit, ctl::kDeviceIdEdit[i]);
        edit->setButtonSymbols(QAbstractSpinBox::NoButtons);
        QPushButton* modify = NewButton(ctl::kDeviceModifyId[i], "Modify ID", this);
        layout->addWidget(box, slot + 1, 0);
        layout->addWidget(edit, slot + 1, 1);
        layout->addWidget(modify, slot + 1, 2);
        boxes_[i] = box;
        edits_[i] = edit;
        modify_[i] = modify;
        connect(box, &QCheckBox::clicked, this, [this, slot](bool on) { Tick(slot, on); });
        connect(modify, &QPushButton::clicked, this, [this, slot] { ModifyId(slot); });
    }
    layout->addWidget(NewLabel(ctl::kDeviceNote, "Note:   Device ID between 0 and 255 !", this), 5, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    QPushButton* ok = NewButton(ctl::kOk, "OK", this);
    ok->setDefault(true);
    QPushButton* cancel = NewButton(ctl::kCancel, "Cancel", this);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 6, 0, 1, 3);
    connect(ok, &QPushButton::clicked, this, &CDeviceListDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    RelabelWindow(this, language);
    RelabelTitle(this, kTitleKey, language);

    // The first slot with an instrument is ticked; absent slots cannot be used.
    bool ticked = false;
    for (int slot = 0; slot < 4; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        const bool present = doc_.link.present[i] != 0;
        if (present) {
            boxes_[i]->setChecked(!ticked);
            ticked = true;
            edits_[i]->setValue(doc_.link.deviceId[i]);
        }
        boxes_[i]->setEnabled(present);
        edits_[i]->setEnabled(present);
        modify_[i]->setEnabled(present);
    }
}

void CDeviceListDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RaiseAbove(*this);
}

void CDeviceListDialog::Tick(int slot, bool on) {
    if (!on) {
        return;
    }
    for (int other = 0; other < 4; ++other) {
        if (other != slot) {
            boxes_[static_cast<std::size_t>(other)]->setChecked(false);
        }
    }
}

void CDeviceListDialog::Message(std::string_view text) {
    if (notifier_ != nullptr) {
        notifier_->ShowMessage(kErrorTitle, text);
        return;
    }
    QMessageBox::warning(this, FromView(kErrorTitle), FromView(text));
}

void CDeviceListDialog::ModifyId(int slot) {
    if (slot < 0 || slot >= 4) {
        return;
    }
    CClampedSpinBox* edit = edits_[static_cast<std::size_t>(slot)];
    bool ok = false;
    const int id = edit->text().toInt(&ok);
    if (!ok || id < 0 || id > 255) {
        Message(kIdRangeText);
        return;
    }
    // The link stores the new ID itself when the instrument took it; a failed write stays silent.
    doc_.link.WriteDeviceId(slot, id);
}

void CDeviceListDialog::accept() {
    for (int slot = 0; slot < 4; ++slot) {
        if (boxes_[static_cast<std::size_t>(slot)]->isChecked()) {
            selectedSlot_ = slot;
            QDialog::accept();
            return;
        }
    }
    Message(kChooseText);
}

// ---- Start-up chooser ----

CStartupChooser::CStartupChooser(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent,
                                 IUserNotifier* notifier)
    : doc_(doc), language_(language), parent_(parent), notifier_(notifier) {}

std::optional<int> CStartupChooser::ChooseDevice(std::span<const FoundDevice> /*devices*/) {
    // The dialog reads presence and IDs from the link the search just filled.
    CDeviceListDialog dialog(doc_, language_, notifier_, parent_);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.SelectedSlot();
}

NoDeviceChoice CStartupChooser::NoDeviceFound() {
    CSearchingDeviceDialog dialog(language_, parent_);
    return dialog.exec() == QDialog::Accepted ? NoDeviceChoice::kClose : NoDeviceChoice::kIgnore;
}

} // namespace tarnix
