#include "document/tarnix_doc.h"

#include "ui/save_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/relabel.h"

namespace tarnix {
namespace {
constexpr int kIdChannelGroup = 1112;
constexpr int kIdCh1 = 1110;
constexpr int kIdCh2 = 1111;
constexpr int kIdOk = 1;
} // namespace

CSaveDialog::CSaveDialog(CTarnixDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setWindowTitle(QStringLiteral("Save"));
    auto* group = new QGroupBox(QStringLiteral("Channel"), this);
    SetControlId(group, kIdChannelGroup);
    ch1_ = new QRadioButton(QStringLiteral("CH1"), group);
    ch2_ = new QRadioButton(QStringLiteral("CH2"), group);
    SetControlId(ch1_, kIdCh1);
    SetControlId(ch2_, kIdCh2);
    // An explicit group so that "neither selected" is a state the dialog can start in.
    auto* buttons = new QButtonGroup(this);
    buttons->addButton(ch1_);
    buttons->addButton(ch2_);
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->addWidget(ch1_);
    groupLayout->addWidget(ch2_);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    SetControlId(ok_, kIdOk);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &CSaveDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(ok_, 0, Qt::AlignRight);

    RelabelWindow(this, doc_.language);
    RelabelTitle(this, kTemplateId, doc_.language);

    const bool ch1On = doc_.settings.ch(kCh1).enabled != 0;
    const bool ch2On = doc_.settings.ch(kCh2).enabled != 0;
    ch1_->setEnabled(ch1On);
    ch2_->setEnabled(ch2On);
    ok_->setEnabled(ch1On || ch2On);
    if (ch1On && ch2On) {
        (doc_.saveChannel == 0 ? ch1_ : ch2_)->setChecked(true);
    } else if (ch1On) {
        ch1_->setChecked(true);
    } else if (ch2On) {
        ch2_->setChecked(true);
    }
}

void CSaveDialog::accept() {
    if (ch1_->isChecked()) {
        doc_.saveChannel = 0;
    } else if (ch2_->isChecked()) {
        doc_.saveChannel = 1;
    } else {
        doc_.saveChannel = 2;
    }
    QDialog::accept();
}

bool RunSaveDialog(CTarnixDoc& doc, QWidget* parent) {
    CSaveDialog dialog(doc, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace tarnix
