// The sidebar, the knobs and the small dialogs driven as a user would, on a demo-mode document.
#include "document/tarnix_doc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QtTest>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "../support/fakes.h"
#include "language/control_ids.h"
#include "model/model_table.h"
#include "ui/device_dialogs.h"
#include "ui/knob.h"
#include "ui/relabel.h"
#include "ui/sidebar_form.h"
#include "ui/small_dialogs.h"

using namespace tarnix;

namespace {

// A user's choice in a drop-down list: the list shows it, then reports it.
void Choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setCurrentIndex(index);
    emit list->activated(index);
}

// A point on a circle about the knob's centre at the scale position p (0..100, bottom-left to
// bottom-right clockwise): the inverse of the pointer mapping, worked out separately.
QPoint ScalePoint(double percent, double radius = 40.0) {
    const double theta = (percent * 3.0 / 4.0 - 37.5) * 2.0 * std::numbers::pi / 100.0;
    return QPoint(static_cast<int>(std::lround(43.5 + radius * std::sin(theta))),
                  static_cast<int>(std::lround(42.5 - radius * std::cos(theta))));
}

} // namespace

class TestControls : public QObject {
    Q_OBJECT

private:
    testing::CRecordingNotifier notifier_;
    std::unique_ptr<CTarnixDoc> doc_;
    QTemporaryDir languageDir_;

    CLanguageTable& Language() { return doc_->language; }
    TimebaseSettings& Timebase() { return doc_->settings.timebase; }

    std::unique_ptr<CSidebarForm> MakeSidebar() {
        auto sidebar = std::make_unique<CSidebarForm>(*doc_, Language());
        sidebar->SetNotifier(&notifier_);
        return sidebar;
    }

private slots:
    void init() {
        notifier_.messages.clear();
        DocumentServices services;
        services.notifier = &notifier_;
        doc_ = std::make_unique<CTarnixDoc>(services);
        doc_->ApplyFactoryDefaults();
        doc_->settings.model = 0;
        Timebase().timeDivOffset = static_cast<std::uint16_t>(ModelTable(0).timeDivOffset);
        doc_->settings.demoMode = 1;
        doc_->settings.acquire.running = 1;
        QVERIFY(Language().WriteDefaultLanguage(languageDir_.path().toStdString()));
        Language().LoadLanguage(kLanguageDefaultIndex);
    }

    void cleanup() { doc_.reset(); }

    // Model 4 reaches 2.00ns, the tenth volts/div step and Pulse; each fixed list's choice is stored.
    void sidebarListsFollowTheModelAndSetTheirSetting() {
        auto sidebar = MakeSidebar();
        QComboBox* time = sidebar->List(ctl::kSideTimeDivList);
        QCOMPARE(time->currentIndex(), static_cast<int>(Timebase().timeDivIndex));
        QCOMPARE(sidebar->List(ctl::kSideTriggerModeList)->count(), 1);
        doc_->settings.model = 4;
        Timebase().timeDivOffset = 0;
        sidebar = MakeSidebar();
        QCOMPARE(sidebar->List(ctl::kSideTimeDivList)->itemText(0), QStringLiteral("2.00ns"));
        QCOMPARE(sidebar->List(ctl::kSideCh1VoltsList)->itemText(9), QStringLiteral("10.0V"));
        QCOMPARE(sidebar->List(ctl::kSideTriggerSourceList)->count(), 4); // no EXT/10
        const TriggerSettings& t = doc_->settings.trigger;
        const std::vector<std::tuple<int, int, std::function<int()>>> rows{
            {ctl::kSideCh1CouplingList, 3, [&] { return int(doc_->settings.ch(kCh1).coupling); }},
            {ctl::kSideCh2CouplingList, 3, [&] { return int(doc_->settings.ch(kCh2).coupling); }},
            {ctl::kSideTriggerModeList, 2, [&] { return int(t.triggerMode); }},
            {ctl::kSideSweepList, 3, [&] { return int(t.sweep); }},
            {ctl::kSideSlopeList, 2, [&] { return int(t.slope); }},
        };
        for (const auto& [id, count, value] : rows) {
            QComboBox* list = sidebar->List(id);
            QCOMPARE(list->count(), count);
            QCOMPARE(list->currentIndex(), value());
            for (int i = count - 1; i >= 0; --i) {
                Choose(list, list->itemText(i));
                QCOMPARE(value(), i);
            }
        }
    }

    void sidebarBuffer32kRefusesOutOfRangeWhileRunning() {
        Timebase().bufferSizeIndex = kBuffer32k;
        auto sidebar = MakeSidebar();
        QComboBox* time = sidebar->List(ctl::kSideTimeDivList);
        Choose(time, QStringLiteral("100us"));
        const int at100us = Timebase().timeDivIndex;
        // Both channels on, source CH1: the range starts at 40.0us.
        Choose(time, QStringLiteral("20.0us"));
        QCOMPARE(notifier_.messages,
                 std::vector<std::string>{"Error: 32K Points Mode Range:40.0us/div ~ 400ms/div"});
        QVERIFY(int(Timebase().timeDivIndex) == at100us && time->currentText() == QStringLiteral("100us"));
        // With the ALT source the range starts at 20.0us, so it is taken.
        Choose(sidebar->List(ctl::kSideTriggerSourceList), QStringLiteral("ALT"));
        QCOMPARE(doc_->settings.trigger.triggerSource, std::uint16_t{kTrigAlt});
        Choose(time, QStringLiteral("20.0us"));
        QVERIFY(int(Timebase().timeDivIndex) == at100us - 2 && notifier_.messages.size() == 1);
    }

    void sidebarRollRefusalsAndTenK() {
        auto sidebar = MakeSidebar();
        QComboBox* format = sidebar->List(ctl::kSideFormatList);
        QComboBox* time = sidebar->List(ctl::kSideTimeDivList);
        Timebase().bufferSizeIndex = kBuffer512k; // refused without a message
        Choose(format, QStringLiteral("Roll"));
        QVERIFY(notifier_.messages.empty());
        QCOMPARE(format->currentText(), QStringLiteral("Y - T"));
        QCOMPARE(Timebase().horizontalPosition, std::uint16_t{500});
        Timebase().bufferSizeIndex = kBuffer32k;
        Choose(format, QStringLiteral("Roll"));
        QCOMPARE(notifier_.messages,
                 std::vector<std::string>{"Error: 32K Points Mode Range:40us/Div ~ 0.4s/Div"});
        // 10k: Roll selects 1.00s; back to Y-T selects 40.0us.
        Timebase().bufferSizeIndex = kBuffer10k;
        Choose(format, QStringLiteral("Roll"));
        QCOMPARE(Timebase().displayFormat, std::uint16_t{kFormatRoll});
        QCOMPARE(time->currentText(), QStringLiteral("1.00s"));
        Choose(format, QStringLiteral("Y - T"));
        QCOMPARE(time->currentText(), QStringLiteral("40.0us"));
        // A slow time base from the list switches to Roll by itself while running.
        Choose(time, QStringLiteral("2.00s"));
        QVERIFY(format->currentText() == QStringLiteral("Roll") && notifier_.messages.size() == 1);
    }

    void sidebarProbeRelabelsAndXYKeepsChannelsTicked() {
        auto sidebar = MakeSidebar();
        // A probe change relabels the volts list and keeps its position.
        QComboBox* volts = sidebar->List(ctl::kSideCh2VoltsList);
        Choose(volts, QStringLiteral("200mV"));
        Choose(sidebar->List(ctl::kSideCh2ProbeList), QStringLiteral("x 100"));
        QCOMPARE(std::tuple(int(doc_->settings.ch(kCh2).probe), int(doc_->settings.ch(kCh2).voltsPerDivIndex),
                            volts->itemText(0), volts->currentText()),
                 std::tuple(2, 4, QStringLiteral("1.00V"), QStringLiteral("20.0V")));
        QCheckBox* ch1 = sidebar->ChannelBox(kCh1);
        QCheckBox* ch2 = sidebar->ChannelBox(kCh2);
        ch2->click();
        QCOMPARE(doc_->settings.ch(kCh2).enabled, 0u);
        QVERIFY(!sidebar->List(ctl::kSideCh2VoltsList)->isEnabled());
        doc_->settings.trigger.levelCh1 = 40.0f;
        Choose(sidebar->List(ctl::kSideFormatList), QStringLiteral("X - Y"));
        QVERIFY(ch2->isChecked()); // X-Y turned CH2 back on
        QVERIFY(doc_->settings.ch(kCh2).enabled == 1u && doc_->settings.ch(kCh2).zeroLevel == 128.0f);
        // The sidebar centres the traces only; the trigger levels stay where the user put them.
        QCOMPARE(doc_->settings.trigger.levelCh1, 40.0f);
        // Neither channel can be switched off in X-Y.
        for (QCheckBox* box : {ch1, ch2}) {
            box->click();
            QVERIFY(box->isChecked());
        }
        QCOMPARE(doc_->settings.ch(kCh1).enabled, 1u);
    }

    // Every shipped language's sidebar labels fit their places: wrapped if need be, never overlapping.
    void sidebarLabelsFitInEveryShippedLanguage() {
        auto sidebar = MakeSidebar();
        Language().FindLanguageFiles(TARNIX_LANGUAGE_DIR);
        QVERIFY(!Language().LanguageFiles().empty());
        for (int index = kLanguageDefaultIndex; index < static_cast<int>(Language().LanguageFiles().size());
             ++index) {
            Language().LoadLanguage(index);
            RelabelWindow(sidebar.get(), Language());
            const QList<QLabel*> labels = sidebar->findChildren<QLabel*>();
            QVERIFY(labels.size() >= 6);
            for (const QLabel* label : labels) {
                const QRect need = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000),
                                                                     Qt::TextWordWrap, label->text());
                QVERIFY2(need.width() <= label->width() && need.height() <= label->height(),
                         qPrintable(QStringLiteral("%1: \"%2\"").arg(index).arg(label->text())));
            }
        }
    }

    void knobTurnsTheListAndGreysWithItsChannel() {
        auto sidebar = MakeSidebar();
        CKnob* knob = sidebar->Knob(ctl::kSideCh1Knob);
        QComboBox* list = sidebar->List(ctl::kSideCh1VoltsList);
        // Fully clockwise is 10.0mV; a drag with the button held turns it counter-clockwise to the end.
        QTest::mousePress(knob, Qt::LeftButton, {}, ScalePoint(100));
        QCOMPARE(list->currentText(), QStringLiteral("10.0mV"));
        QTest::mouseMove(knob, ScalePoint(0));
        QTest::mouseRelease(knob, Qt::LeftButton, {}, ScalePoint(0));
        QCOMPARE(doc_->settings.ch(kCh1).voltsPerDivIndex, std::uint16_t{8});
        QCOMPARE(list->currentText(), QStringLiteral("5.00V"));
        // With its channel off the knob turns grey and ignores the pointer.
        QCOMPARE(knob->FaceColour(), QColor(0, 255, 0));
        sidebar->ChannelBox(kCh1)->click();
        QCOMPARE(std::pair(knob->Inert(), knob->FaceColour()), std::pair(true, QColor(155, 155, 155)));
        QSignalSpy requested(knob, &CKnob::indexRequested);
        QTest::mouseClick(knob, Qt::LeftButton, {}, ScalePoint(100));
        QTest::mouseClick(knob, Qt::LeftButton, {}, ScalePoint(0));
        QCOMPARE(requested.count(), 0);
    }

    void averageEditClampsAndRestartsOnANewCount() {
        doc_->settings.acquire.averageCount = 16;
        doc_->settings.acquire.averagedFrames = 5;
        CAverageDialog dialog(*doc_, Language());
        dialog.show();
        CClampedSpinBox* edit = dialog.Edit();
        const auto type = [edit](const char* text) {
            edit->selectAll();
            QTest::keyClicks(edit, QString::fromLatin1(text));
            return edit->text();
        };
        QVERIFY(type("300") == QStringLiteral("128") && type("0") == QStringLiteral("1"));
        dialog.reject(); // Cancel drops the typed value and keeps the count
        QCOMPARE(edit->text(), QStringLiteral("16"));
        dialog.show();
        dialog.accept(); // OK with the same count keeps the averaging in progress
        QCOMPARE(doc_->settings.acquire.averagedFrames, std::uint16_t{5});
        dialog.show();
        type("64");
        dialog.accept();
        QCOMPARE(doc_->settings.acquire.averageCount, std::uint16_t{64});
        QCOMPARE(doc_->settings.acquire.averagedFrames, std::uint16_t{0});
    }

    void deviceListWithSlotsOneAndThree() {
        doc_->link.present = {0, 1, 0, 1};
        doc_->link.deviceId = {0, 7, 0, 42};
        CDeviceListDialog dialog(*doc_, Language(), &notifier_);
        QVERIFY(dialog.DeviceBox(1)->isChecked() && !dialog.DeviceBox(2)->isEnabled());
        dialog.show();
        // Ticking Device 4 clears Device 2; nothing ticked refuses OK.
        dialog.DeviceBox(3)->click();
        QVERIFY(!dialog.DeviceBox(1)->isChecked());
        dialog.DeviceBox(3)->click();
        dialog.accept();
        QCOMPARE(notifier_.messages, std::vector<std::string>{"Error: Please choose a device !"});
        QVERIFY(dialog.isVisible());
        dialog.DeviceBox(3)->click();
        dialog.accept();
        QVERIFY(dialog.result() == int{QDialog::Accepted} && dialog.SelectedSlot() == 3);
    }
};

QTEST_MAIN(TestControls)
#include "qt_controls.moc"
