// The sidebar, the knobs, the info strip and the small dialogs driven as a user would: list choices,
// box clicks, pointer drags on a knob, typing into the edits; with a document in demo mode and a
// notifier that records the message boxes.
#include "document/tarnix_doc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "display/info_strip_geometry.h"
#include "display/knob_geometry.h"
#include "document/user_notifier.h"
#include "language/control_ids.h"
#include "model/instrument_settings.h"
#include "model/model_table.h"
#include "ui/color_swatch.h"
#include "ui/device_dialogs.h"
#include "ui/info_strip.h"
#include "ui/knob.h"
#include "ui/relabel.h"
#include "ui/sidebar_form.h"
#include "ui/small_dialogs.h"

using namespace tarnix;

namespace {

struct RecordingNotifier : IUserNotifier {
    struct Shown {
        std::string caption;
        std::string text;
    };
    std::vector<Shown> shown;
    void ShowMessage(std::string_view caption, std::string_view text) override {
        shown.push_back({std::string(caption), std::string(text)});
    }
};

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

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
    RecordingNotifier notifier_;
    std::unique_ptr<CTarnixDoc> doc_;
    QTemporaryDir languageDir_;

    CLanguageTable& Language() { return doc_->language; }

    std::unique_ptr<CSidebarForm> MakeSidebar() {
        auto sidebar = std::make_unique<CSidebarForm>(*doc_, Language());
        sidebar->SetNotifier(&notifier_);
        return sidebar;
    }

private slots:
    void init() {
        notifier_.shown.clear();
        DocumentServices services;
        services.notifier = &notifier_;
        doc_ = std::make_unique<CTarnixDoc>(services);
        doc_->ApplyFactoryDefaults();
        doc_->settings.model = 0;
        doc_->settings.timebase.timeDivOffset = static_cast<std::uint16_t>(ModelTable(0).timeDivOffset);
        doc_->settings.demoMode = 1;
        doc_->settings.acquire.running = 1;
        QVERIFY(languageDir_.isValid());
        QVERIFY(Language().WriteDefaultLanguage(languageDir_.path().toStdString()));
        Language().LoadLanguage(kLanguageDefaultIndex);
        QCOMPARE(Language().LookupText(8030000), std::string("Edge"));
    }

    void cleanup() { doc_.reset(); }

    // ---- Sidebar ----

    void sidebarListsForModelZero() {
        auto sidebar = MakeSidebar();
        const QComboBox* time = sidebar->List(ctl::kSideTimeDivList);
        QCOMPARE(time->count(), 38);
        QCOMPARE(time->itemText(0), QStringLiteral("4.00ns"));
        QCOMPARE(time->itemText(37), QStringLiteral("1.00h"));
        QCOMPARE(Items(sidebar->List(ctl::kSideTriggerSourceList)),
                 (QStringList{QStringLiteral("CH1"), QStringLiteral("CH2"), QStringLiteral("ALT"),
                              QStringLiteral("EXT")}));
        const QComboBox* volts = sidebar->List(ctl::kSideCh1VoltsList);
        QCOMPARE(volts->count(), 9);
        QCOMPARE(volts->itemText(8), QStringLiteral("5.00V"));
        QCOMPARE(volts->toolTip(), QStringLiteral("CH1 Volt/DIV"));
        // The selections are the settings'.
        QCOMPARE(time->currentIndex(), static_cast<int>(doc_->settings.timebase.timeDivIndex));
        QCOMPARE(volts->currentIndex(), static_cast<int>(doc_->settings.ch(kCh1).voltsPerDivIndex));
        // Model 4 reaches 2.00ns, Pulse and the tenth volts/div step; no EXT/10 either.
        doc_->settings.model = 4;
        doc_->settings.timebase.timeDivOffset = 0;
        sidebar->FillLists();
        QCOMPARE(time->count(), 39);
        QCOMPARE(time->itemText(0), QStringLiteral("2.00ns"));
        QCOMPARE(sidebar->List(ctl::kSideTriggerSourceList)->count(), 4);
        QCOMPARE(volts->count(), 10);
        QCOMPARE(volts->itemText(9), QStringLiteral("10.0V"));
    }

    // The coupling, trigger mode, sweep and slope lists as the user sees them, each choice stored.
    void sidebarFixedListsSetTheirSetting() {
        doc_->settings.model = 4; // offers Pulse
        doc_->settings.timebase.timeDivOffset = 0;
        auto sidebar = MakeSidebar();
        const TriggerSettings& t = doc_->settings.trigger;
        const QStringList couplings{QStringLiteral("DC"), QStringLiteral("AC"), QStringLiteral("GND")};
        struct Row {
            int list;
            QStringList items;
            std::function<int()> value;
        };
        const std::vector<Row> rows{
            {ctl::kSideCh1CouplingList, couplings, [&] { return int(doc_->settings.ch(kCh1).coupling); }},
            {ctl::kSideCh2CouplingList, couplings, [&] { return int(doc_->settings.ch(kCh2).coupling); }},
            {ctl::kSideTriggerModeList,
             {QStringLiteral("Edge"), QStringLiteral("Pulse")},
             [&] { return int(t.triggerMode); }},
            {ctl::kSideSweepList,
             {QStringLiteral("Auto"), QStringLiteral("Normal"), QStringLiteral("Single")},
             [&] { return int(t.sweep); }},
            {ctl::kSideSlopeList, {QStringLiteral("+"), QStringLiteral("-")}, [&] { return int(t.slope); }},
        };
        for (const Row& row : rows) {
            QComboBox* list = sidebar->List(row.list);
            QCOMPARE(Items(list), row.items);
            QCOMPARE(list->currentIndex(), row.value());
            QSignalSpy changed(sidebar.get(), &CSidebarForm::settingsChanged);
            for (int i = static_cast<int>(row.items.size()) - 1; i >= 0; --i) {
                Choose(list, row.items[i]);
                QVERIFY2(row.value() == i, qPrintable(row.items[i]));
            }
            QVERIFY(changed.count() >= row.items.size() - 1);
        }
    }

    void sidebarProbeChangeRelabelsAndKeepsPosition() {
        auto sidebar = MakeSidebar();
        QComboBox* volts = sidebar->List(ctl::kSideCh2VoltsList);
        Choose(volts, QStringLiteral("200mV"));
        QCOMPARE(doc_->settings.ch(kCh2).voltsPerDivIndex, std::uint16_t{4});
        Choose(sidebar->List(ctl::kSideCh2ProbeList), QStringLiteral("x 100"));
        QCOMPARE(doc_->settings.ch(kCh2).probe, std::uint16_t{2});
        QCOMPARE(volts->itemText(0), QStringLiteral("1.00V"));
        QCOMPARE(volts->currentIndex(), 4);
        QCOMPARE(volts->currentText(), QStringLiteral("20.0V"));
        // CH1 is untouched.
        QCOMPARE(sidebar->List(ctl::kSideCh1VoltsList)->itemText(0), QStringLiteral("10.0mV"));
        QVERIFY(notifier_.shown.empty());
    }

    void sidebarBuffer32kRefusesOutOfRangeWhileRunning() {
        doc_->settings.timebase.bufferSizeIndex = kBuffer32k;
        auto sidebar = MakeSidebar();
        QComboBox* time = sidebar->List(ctl::kSideTimeDivList);
        Choose(time, QStringLiteral("100us"));
        const std::uint16_t at100us = doc_->settings.timebase.timeDivIndex;
        QCOMPARE(time->currentText(), QStringLiteral("100us"));

        // Both channels on, source CH1: the range starts at 40.0us.
        Choose(time, QStringLiteral("20.0us"));
        QCOMPARE(notifier_.shown.size(), std::size_t{1});
        QCOMPARE(notifier_.shown[0].caption, std::string("Error"));
        QCOMPARE(notifier_.shown[0].text, std::string("32K Points Mode Range:40.0us/div ~ 400ms/div"));
        QCOMPARE(doc_->settings.timebase.timeDivIndex, at100us);
        QCOMPARE(time->currentText(), QStringLiteral("100us"));

        // With the ALT source the range starts at 20.0us, so it is taken.
        Choose(sidebar->List(ctl::kSideTriggerSourceList), QStringLiteral("ALT"));
        QCOMPARE(doc_->settings.trigger.triggerSource, std::uint16_t{kTrigAlt});
        QCOMPARE(doc_->link.block.altFlag, std::uint16_t{1});
        Choose(time, QStringLiteral("20.0us"));
        QCOMPARE(notifier_.shown.size(), std::size_t{1});
        QCOMPARE(time->currentText(), QStringLiteral("20.0us"));
        QCOMPARE(
            TimePerDivLabel(doc_->settings.timebase.timeDivIndex + doc_->settings.timebase.timeDivOffset),
            std::string_view("20.0us"));
    }

    void sidebarStoppedAcceptsEveryTimebase() {
        doc_->settings.timebase.bufferSizeIndex = kBuffer32k;
        doc_->settings.acquire.running = 0;
        auto sidebar = MakeSidebar();
        QComboBox* time = sidebar->List(ctl::kSideTimeDivList);
        for (int i = time->count() - 1; i >= 0; --i) {
            Choose(time, time->itemText(i));
            QCOMPARE(static_cast<int>(doc_->settings.timebase.timeDivIndex), i);
        }
        QVERIFY(notifier_.shown.empty());
        QVERIFY(!sidebar->List(ctl::kSideFormatList)->isEnabled()); // format list off while stopped
    }

    void sidebarRollRefusalsAndTenK() {
        auto sidebar = MakeSidebar();
        QComboBox* format = sidebar->List(ctl::kSideFormatList);
        QVERIFY(format->isEnabled());

        doc_->settings.timebase.bufferSizeIndex = kBuffer512k;
        Choose(format, QStringLiteral("Roll"));
        QVERIFY(notifier_.shown.empty());
        QCOMPARE(doc_->settings.timebase.displayFormat, std::uint16_t{kFormatYT});
        QCOMPARE(format->currentText(), QStringLiteral("Y - T"));
        QCOMPARE(doc_->settings.timebase.horizontalPosition, std::uint16_t{500});

        doc_->settings.timebase.bufferSizeIndex = kBuffer32k;
        Choose(format, QStringLiteral("Roll"));
        QCOMPARE(notifier_.shown.size(), std::size_t{1});
        QCOMPARE(notifier_.shown[0].text, std::string("32K Points Mode Range:40us/Div ~ 0.4s/Div"));
        QCOMPARE(doc_->settings.timebase.displayFormat, std::uint16_t{kFormatYT});

        // 10k: Roll selects 1.00s; back to Y-T selects 40.0us.
        doc_->settings.timebase.bufferSizeIndex = kBuffer10k;
        QComboBox* time = sidebar->List(ctl::kSideTimeDivList);
        Choose(format, QStringLiteral("Roll"));
        QCOMPARE(doc_->settings.timebase.displayFormat, std::uint16_t{kFormatRoll});
        QCOMPARE(time->currentText(), QStringLiteral("1.00s"));
        Choose(format, QStringLiteral("Y - T"));
        QCOMPARE(time->currentText(), QStringLiteral("40.0us"));
        // A slow time base from the list switches to Roll by itself while running.
        Choose(time, QStringLiteral("2.00s"));
        QCOMPARE(format->currentText(), QStringLiteral("Roll"));
        QCOMPARE(notifier_.shown.size(), std::size_t{1});
    }

    void sidebarXYKeepsChannelsTicked() {
        auto sidebar = MakeSidebar();
        QCheckBox* ch1 = sidebar->ChannelBox(kCh1);
        QCheckBox* ch2 = sidebar->ChannelBox(kCh2);
        ch2->click();
        QVERIFY(!ch2->isChecked());
        QCOMPARE(doc_->settings.ch(kCh2).enabled, 0u);
        QVERIFY(!sidebar->List(ctl::kSideCh2VoltsList)->isEnabled());

        doc_->settings.trigger.levelCh1 = 40.0f;
        doc_->settings.trigger.levelCh2 = 200.0f;
        Choose(sidebar->List(ctl::kSideFormatList), QStringLiteral("X - Y"));
        QCOMPARE(doc_->settings.timebase.displayFormat, std::uint16_t{kFormatXY});
        QVERIFY(ch2->isChecked()); // X-Y turned CH2 back on
        QCOMPARE(doc_->settings.ch(kCh2).enabled, 1u);
        QCOMPARE(doc_->settings.ch(kCh1).zeroLevel, 128.0f);
        QCOMPARE(doc_->settings.ch(kCh2).zeroLevel, 128.0f);
        // The sidebar centres the traces only; the trigger levels stay where the user put them.
        QCOMPARE(doc_->settings.trigger.levelCh1, 40.0f);
        QCOMPARE(doc_->settings.trigger.levelCh2, 200.0f);

        ch1->click();
        QVERIFY(ch1->isChecked());
        QCOMPARE(doc_->settings.ch(kCh1).enabled, 1u);
        QVERIFY(sidebar->List(ctl::kSideCh1VoltsList)->isEnabled());
        ch2->click();
        QVERIFY(ch2->isChecked());
        QCOMPARE(doc_->settings.ch(kCh2).enabled, 1u);
    }

    // Every shipped language's labels fit their places in the sidebar: wrapped if need be, never
    // running into the label beside them.
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

    void sidebarCommandSyncSelectsWithoutHandlers() {
        auto sidebar = MakeSidebar();
        SidebarSync sync;
        sidebar->BindSync(sync);
        QSignalSpy changed(sidebar.get(), &CSidebarForm::settingsChanged);
        sync.select(SidebarList::kSweep, 2);
        QCOMPARE(sidebar->List(ctl::kSideSweepList)->currentIndex(), 2);
        QCOMPARE(doc_->settings.trigger.sweep, std::uint16_t{kSweepAuto}); // the command sets it itself
        sync.channelSwitched(kCh1, false);
        QVERIFY(!sidebar->ChannelBox(kCh1)->isChecked());
        QVERIFY(!sidebar->List(ctl::kSideCh1ProbeList)->isEnabled());
        sync.enableFormatList(false);
        QVERIFY(!sidebar->List(ctl::kSideFormatList)->isEnabled());
        QCOMPARE(changed.count(), 0);
    }

    void sidebarKeysReachTheWindowAccelerators() {
        QWidget window;
        auto* sidebar = new CSidebarForm(*doc_, Language(), nullptr, &window);
        int fired = 0;
        auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), &window);
        connect(enter, &QShortcut::activated, [&fired] { ++fired; });
        auto* space = new QShortcut(QKeySequence(Qt::Key_Space), &window);
        connect(space, &QShortcut::activated, [&fired] { ++fired; });
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QComboBox* list = sidebar->List(ctl::kSideTimeDivList);
        const int before = list->currentIndex();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(fired, 1);
        sidebar->ChannelBox(kCh1)->setFocus();
        QTest::keyClick(sidebar->ChannelBox(kCh1), Qt::Key_Space);
        QCOMPARE(fired, 2);
        QVERIFY(sidebar->ChannelBox(kCh1)->isChecked()); // the box did not toggle
        // Keys without an accelerator still work the control.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentIndex(), before + 1);
        QCOMPARE(static_cast<int>(doc_->settings.timebase.timeDivIndex), before + 1);
    }

    // ---- Knobs ----

    void knobModelZeroHasNinePositions() {
        auto sidebar = MakeSidebar();
        CKnob* knob = sidebar->Knob(ctl::kSideCh1Knob);
        QCOMPARE(knob->MaxIndex(), 8);
        // Fully clockwise is 10.0mV, and the list follows the knob.
        QTest::mousePress(knob, Qt::LeftButton, {}, ScalePoint(100));
        QCOMPARE(doc_->settings.ch(kCh1).voltsPerDivIndex, std::uint16_t{0});
        QCOMPARE(sidebar->List(ctl::kSideCh1VoltsList)->currentText(), QStringLiteral("10.0mV"));
        // A drag with the button held turns it counter-clockwise to the end.
        QMouseEvent move(QEvent::MouseMove, QPointF(ScalePoint(0)), knob->mapToGlobal(QPointF(ScalePoint(0))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(knob, &move);
        QTest::mouseRelease(knob, Qt::LeftButton, {}, ScalePoint(0));
        QCOMPARE(doc_->settings.ch(kCh1).voltsPerDivIndex, std::uint16_t{8});
        QCOMPARE(sidebar->List(ctl::kSideCh1VoltsList)->currentText(), QStringLiteral("5.00V"));
    }

    void knobGreyAndInertWhenChannelOff() {
        auto sidebar = MakeSidebar();
        CKnob* knob = sidebar->Knob(ctl::kSideCh1Knob);
        QCOMPARE(knob->FaceColour(), QColor(0, 255, 0));
        sidebar->ChannelBox(kCh1)->click();
        QCOMPARE(doc_->settings.ch(kCh1).enabled, 0u);
        QVERIFY(knob->Inert());
        QCOMPARE(knob->FaceColour(), QColor(155, 155, 155));

        // A face pixel opposite the needle, drawn at 2x.
        const KnobPoint end = KnobNeedleEnd(knob->MaxIndex(), knob->CurrentIndex());
        const double length = std::hypot(end.x - kKnobNeedleX, end.y - kKnobNeedleY);
        const int fx = static_cast<int>(kKnobCentreX - 14.0 * (end.x - kKnobNeedleX) / length);
        const int fy = static_cast<int>(kKnobCentreY - 14.0 * (end.y - kKnobNeedleY) / length);
        const QImage two = knob->Render(2.0);
        QCOMPARE(two.size(), QSize(2 * kKnobWidth, 2 * kKnobHeight));
        QCOMPARE(two.pixelColor(2 * fx, 2 * fy), QColor(155, 155, 155));

        const std::uint16_t before = doc_->settings.ch(kCh1).voltsPerDivIndex;
        QSignalSpy requested(knob, &CKnob::indexRequested);
        QTest::mouseClick(knob, Qt::LeftButton, {}, ScalePoint(100));
        QTest::mouseClick(knob, Qt::LeftButton, {}, ScalePoint(0));
        QCOMPARE(requested.count(), 0);
        QCOMPARE(doc_->settings.ch(kCh1).voltsPerDivIndex, before);

        // The time/div knob is blue whatever the channels do.
        QCOMPARE(sidebar->Knob(ctl::kSideTimeDivKnob)->FaceColour(), QColor(50, 50, 255));
    }

    void timeKnobFollowsBufferRange() {
        doc_->settings.timebase.bufferSizeIndex = kBuffer64k;
        auto sidebar = MakeSidebar();
        CKnob* knob = sidebar->Knob(ctl::kSideTimeDivKnob);
        QCOMPARE(knob->MaxIndex(), 37);
        const std::uint16_t before = doc_->settings.timebase.timeDivIndex;
        // "20.0us" is index 11 on model 0: p in 71..72 gives 37 - p x 37 / 100 = 11.
        const QPoint at = ScalePoint(71.5);
        QCOMPARE(KnobIndexAt(at.x(), at.y(), 37), 11);
        QTest::mouseClick(knob, Qt::LeftButton, {}, at);
        QCOMPARE(notifier_.shown.size(), std::size_t{1});
        QCOMPARE(notifier_.shown[0].text, std::string("64K Points Mode Range:40.0us/div ~ 400ms/div"));
        QCOMPARE(doc_->settings.timebase.timeDivIndex, before);
        // Stopped, the same turn is taken and the list follows.
        doc_->settings.acquire.running = 0;
        QTest::mouseClick(knob, Qt::LeftButton, {}, at);
        QCOMPARE(notifier_.shown.size(), std::size_t{1});
        QCOMPARE(sidebar->List(ctl::kSideTimeDivList)->currentText(), QStringLiteral("20.0us"));
    }

    // ---- Info strip ----

    void infoStripBoxesAndBandwidthMark() {
        CInfoStrip strip(*doc_, Language());
        strip.resize(300, 25);
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        strip.resize(640, 25); // a resize recomputes the boxes before any paint
        QCOMPARE(strip.Boxes().time, (StripBox{542, 2, 640, 23}));
        const QImage plain = strip.Render(1.0);
        QCOMPARE(plain.pixelColor(96, 12), QColor(Qt::black));

        doc_->settings.ch(kCh1).bandwidthLimit = 1;
        const QImage limited = strip.Render(1.0);
        QCOMPARE(strip.Boxes().ch1.Width(), 86 + 12);
        QCOMPARE(strip.Boxes().ch2.Width(), 88);
        // The "B" sits on CH1's colour at left + 87; somewhere in its cell the background shows.
        bool green = false;
        for (int x = 89; x < 99; ++x) {
            green = green || limited.pixelColor(x, 8) == QColor(0, 255, 0);
        }
        QVERIFY(green);
        // A channel that is off shows nothing in its box.
        doc_->settings.ch(kCh2).enabled = 0;
        const QImage off = strip.Render(1.0);
        for (int x = 132; x < 220; x += 2) {
            QCOMPARE(off.pixelColor(x, 12), QColor(Qt::black));
        }
        QCOMPARE(strip.Render(2.0).size(), QSize(1280, 50));
    }

    // ---- Small dialogs ----

    void averageEditClamps() {
        doc_->settings.acquire.averageCount = 16;
        doc_->settings.acquire.averagedFrames = 5;
        CAverageDialog dialog(*doc_, Language());
        dialog.show();
        CClampedSpinBox* edit = dialog.Edit();
        QCOMPARE(edit->text(), QStringLiteral("16"));
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("300"));
        QCOMPARE(edit->text(), QStringLiteral("128"));
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("0"));
        QCOMPARE(edit->text(), QStringLiteral("1"));
        // Cancel drops the typed value.
        dialog.reject();
        QVERIFY(dialog.isHidden());
        QCOMPARE(edit->text(), QStringLiteral("16"));
        QCOMPARE(doc_->settings.acquire.averagedFrames, std::uint16_t{5});
        // OK with the same count keeps the averaging in progress.
        dialog.show();
        dialog.accept();
        QCOMPARE(doc_->settings.acquire.averagedFrames, std::uint16_t{5});
        // OK with a new count restarts it.
        dialog.show();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("64"));
        dialog.accept();
        QCOMPARE(doc_->settings.acquire.averageCount, std::uint16_t{64});
        QCOMPARE(doc_->settings.acquire.averagedFrames, std::uint16_t{0});
        QVERIFY(dialog.isHidden());
    }

    void intensityRefreshAndPersistence() {
        doc_->settings.persistenceOn = 0;
        doc_->settings.persistenceDepth = 3;
        CIntensityDialog dialog(*doc_, Language(), nullptr, nullptr);
        QCOMPARE(dialog.GridSlider()->maximum(), 255);
        QCOMPARE(dialog.PersistenceList()->count(), 16);
        QCOMPARE(dialog.PersistenceList()->currentText(), QStringLiteral("300mS"));
        QVERIFY(!dialog.PersistenceList()->isEnabled());
        dialog.PersistenceBox()->click();
        QCOMPARE(doc_->settings.persistenceOn, 1u);
        QVERIFY(dialog.PersistenceList()->isEnabled());
        Choose(dialog.PersistenceList(), QStringLiteral("10.0 S"));
        QCOMPARE(doc_->settings.persistenceDepth, std::uint16_t{15});
    }

    void waveformColorSetsChannelColour() {
        CWaveformColorDialog dialog(*doc_, Language());
        QSignalSpy changed(&dialog, &CWaveformColorDialog::channelColourChanged);
        CColorSwatch* swatch = dialog.Swatch(kCh1);
        QCOMPARE(swatch->Colour(), QColor(0, 255, 0));
        QColor offered;
        swatch->SetChooser([&offered](const QColor& initial, QWidget*) -> std::optional<QColor> {
            offered = initial;
            return QColor(255, 0, 255);
        });
        swatch->click();
        QCOMPARE(offered, QColor(0, 255, 0));
        QCOMPARE(doc_->settings.ch(kCh1).colour, 0xFF00FFu);
        QCOMPARE(swatch->Colour(), QColor(255, 0, 255));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), int{kCh1});
        // Cancelling the chooser changes nothing.
        dialog.Swatch(kRef)->SetChooser([](const QColor&, QWidget*) { return std::optional<QColor>(); });
        dialog.Swatch(kRef)->click();
        QCOMPARE(doc_->settings.ch(kRef).colour, kColourRef);
        QCOMPARE(changed.count(), 1);
    }

    void demoSettingOpensOnDefaultsAndAppliesClicks() {
        CDemoSettingDialog dialog(*doc_, Language());
        QVERIFY(dialog.FrequencyButton(4)->isChecked()); // 12.5 KHz
        QVERIFY(dialog.AmplitudeButton(1)->isChecked()); // 4.00 V
        QVERIFY(dialog.FunctionButton(0)->isChecked());  // Normal
        QVERIFY(dialog.DcPlusBox()->isChecked());
        QVERIFY(dialog.SweepBox()->isChecked());
        dialog.FrequencyButton(1)->click();
        QCOMPARE(doc_->demo.frequency, 800.0);
        dialog.AmplitudeButton(3)->click();
        QCOMPARE(doc_->demo.amplitudeVolts, 0.04);
        dialog.FunctionButton(1)->click();
        QCOMPARE(doc_->demo.function, int{kDemoNoise});
        dialog.SweepBox()->click();
        QVERIFY(!doc_->demo.sweep);
        dialog.DcPlusBox()->click();
        QVERIFY(!doc_->demo.dcPlus);
    }

    // ---- Start-up dialogs ----

    void deviceListWithSlotsOneAndThree() {
        doc_->link.present = {0, 1, 0, 1};
        doc_->link.deviceId = {0, 7, 0, 42};
        CDeviceListDialog dialog(*doc_, Language(), &notifier_);
        QVERIFY(!dialog.DeviceBox(0)->isChecked());
        QVERIFY(dialog.DeviceBox(1)->isChecked());
        QVERIFY(!dialog.DeviceBox(3)->isChecked());
        for (int slot : {0, 2}) {
            QVERIFY(!dialog.DeviceBox(slot)->isEnabled());
            QVERIFY(!dialog.IdEdit(slot)->isEnabled());
            QVERIFY(!dialog.ModifyButton(slot)->isEnabled());
        }
        QVERIFY(dialog.ModifyButton(3)->isEnabled());
        QCOMPARE(dialog.IdEdit(1)->text(), QStringLiteral("7"));
        QCOMPARE(dialog.IdEdit(3)->text(), QStringLiteral("42"));

        dialog.show();
        CClampedSpinBox* edit = dialog.IdEdit(3);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("300"));
        QCOMPARE(edit->text(), QStringLiteral("255"));
        // No driver: the write fails silently and the stored ID stays.
        dialog.ModifyButton(3)->click();
        QVERIFY(notifier_.shown.empty());
        QCOMPARE(doc_->link.deviceId[3], std::uint16_t{42});

        // Ticking Device 4 clears Device 2; nothing ticked refuses OK.
        dialog.DeviceBox(3)->click();
        QVERIFY(!dialog.DeviceBox(1)->isChecked());
        dialog.DeviceBox(3)->click();
        dialog.accept();
        QCOMPARE(notifier_.shown.size(), std::size_t{1});
        QCOMPARE(notifier_.shown[0].caption, std::string("Error"));
        QCOMPARE(notifier_.shown[0].text, std::string("Please choose a device !"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.SelectedSlot(), -1);
        dialog.DeviceBox(3)->click();
        dialog.accept();
        QCOMPARE(dialog.result(), int{QDialog::Accepted});
        QCOMPARE(dialog.SelectedSlot(), 3);
    }

    void searchingDeviceResults() {
        CSearchingDeviceDialog escape(Language());
        escape.show();
        QTest::keyClick(&escape, Qt::Key_Escape);
        QCOMPARE(escape.result(), int{QDialog::Rejected}); // Cancel: demo mode
        CSearchingDeviceDialog close(Language());
        close.show();
        close.CloseButton()->click();
        QCOMPARE(close.result(), int{QDialog::Accepted});
        QCOMPARE(close.windowTitle(), QStringLiteral("Search Device"));
        QCOMPARE(close.IgnoreButton()->text(), QStringLiteral("Ignore"));
    }
};

QTEST_MAIN(TestControls)
#include "qt_controls.moc"
