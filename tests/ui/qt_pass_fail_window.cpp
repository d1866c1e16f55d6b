// The Pass/Fail panel: refresh, the enables of its controls, Create/Start/Stop, the counters after
// frames tested by a CPassFail, stop on output, closing, and .psf save and load through its dialogs.
#include "document/tarnix_doc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <array>
#include <memory>
#include <tuple>

#include "analysis/pass_fail.h"
#include "ui/pass_fail_window.h"

using namespace tarnix;

class TestPassFailWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTarnixDoc> doc_;
    CPassFail* passFail_ = nullptr;
    std::unique_ptr<CPassFailWindow> window_;
    int beeps_ = 0;

    // Settings and test enables while idle or while testing.
    void ExpectIdleControls(bool idle) const {
        QCOMPARE(std::tuple(window_->StartButton()->isEnabled(), !window_->StopButton()->isEnabled(),
                            window_->SourceList()->isEnabled(), window_->VerticalEdit()->isEnabled(),
                            window_->HorizontalEdit()->isEnabled(), window_->CreateButton()->isEnabled()),
                 std::tuple(idle, idle, idle, idle, idle, idle));
    }
    QStringList Counts() const {
        return {window_->FailCount()->text(), window_->PassCount()->text(), window_->TotalCount()->text()};
    }

private slots:
    void init() {
        window_.reset();
        doc_ = std::make_unique<CTarnixDoc>();
        doc_->ApplyFactoryDefaults(); // Y-T, where Pass/Fail tests frames
        doc_->settings.acquire.running = 0;
        doc_->frames[kCh1].display.fill(128);
        doc_->frames[kCh2].display.fill(60);
        beeps_ = 0;
        doc_->hooks.beep = [this] { ++beeps_; };
        passFail_ = &doc_->passFail;
        window_ = std::make_unique<CPassFailWindow>(*doc_);
    }

    void RefreshShowsTheStoredState() {
        PassFailState& s = passFail_->State();
        s.output = kOutputPassBeep;
        s.stopWhenOutput = 1;
        s.horizontalTolerance = 57; // shown as 57 / 10 = 5
        s.failCount = 3;
        s.passCount = 18446744073709551610ULL;
        s.totalCount = 18446744073709551613ULL;
        window_->Refresh();
        QCOMPARE(std::tuple(window_->OutputList()->currentText(), window_->StopWhenOutputBox()->isChecked(),
                            window_->HorizontalEdit()->value()),
                 std::tuple(QStringLiteral("PASS + BEEPER"), true, 5));
        QCOMPARE(Counts(), (QStringList{QStringLiteral("3"), QStringLiteral("18446744073709551610"),
                                        QStringLiteral("18446744073709551613")}));
    }

    void TypedTolerancesAreLimited() {
        QLineEdit* vertical = window_->VerticalEdit()->findChild<QLineEdit*>();
        QLineEdit* horizontal = window_->HorizontalEdit()->findChild<QLineEdit*>();
        QVERIFY(vertical != nullptr && horizontal != nullptr);
        vertical->selectAll();
        QTest::keyClicks(vertical, QStringLiteral("3000"));
        QCOMPARE(vertical->text(), QStringLiteral("300")); // three characters at most
        horizontal->selectAll();
        QTest::keyClicks(horizontal, QStringLiteral("250"));
        window_->CreateButton()->click();
        QCOMPARE(std::pair(passFail_->State().verticalTolerance, passFail_->State().horizontalTolerance),
                 std::pair(std::uint16_t{128}, std::uint16_t{2000}));
    }

    void CreateBuildsTheMaskAndSwitchesTheSourceOn() {
        doc_->settings.ch(kCh2).enabled = 0;
        QSignalSpy switched(window_.get(), &CPassFailWindow::channelSwitchedOn);
        passFail_->State().failCount = 9;
        window_->SourceList()->setCurrentIndex(1);
        window_->VerticalEdit()->setValue(5);
        window_->HorizontalEdit()->setValue(2);
        window_->OutputList()->setCurrentIndex(kOutputPass);
        window_->CreateButton()->click();
        QCOMPARE(std::pair(doc_->settings.ch(kCh2).enabled, switched.at(0).at(0).toInt()),
                 std::pair(1u, static_cast<int>(kCh2)));
        const PassFailState& s = passFail_->State(); // the mask built from CH2's flat trace at 60
        QCOMPARE(std::pair(s.horizontalTolerance, s.upper[2500]),
                 std::pair(std::uint16_t{20}, std::int16_t{65}));
        QCOMPARE(Counts(), (QStringList{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}));
    }

    void StartTestsFramesAndCounts() {
        window_->VerticalEdit()->setValue(4);
        window_->CreateButton()->click();
        QSignalSpy runState(window_.get(), &CPassFailWindow::runStateChanged);
        window_->StartButton()->click();
        QCOMPARE(std::pair(doc_->settings.runStatus, runState.count()),
                 std::pair(std::uint16_t{3}, qsizetype{1}));
        ExpectIdleControls(false);

        // The frame the mask was built from passes; one point 5 steps off fails.
        window_->OnFrameTested(passFail_->TestFrame(doc_->settings, doc_->frames[kCh1].display));
        doc_->frames[kCh1].display[1234] = 133;
        window_->OnFrameTested(passFail_->TestFrame(doc_->settings, doc_->frames[kCh1].display));
        window_->OnFrameTested(passFail_->TestFrame(doc_->settings, doc_->frames[kCh1].display));
        QCOMPARE(Counts(), (QStringList{QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("3")}));

        window_->StopButton()->click();
        QCOMPARE(std::pair(passFail_->State().testing, doc_->settings.acquire.running), std::pair(0, 0u));
    }

    void StopOnOutputEndsTheTestAndBeeps() {
        // Output and Stop When Output are stored at once; the source list only by Create.
        window_->OutputList()->setCurrentIndex(kOutputFailBeep);
        QCOMPARE(passFail_->State().output, std::uint16_t{kOutputFailBeep});
        window_->StopWhenOutputBox()->setChecked(true);
        QCOMPARE(passFail_->State().stopWhenOutput, 1);
        window_->SourceList()->setCurrentIndex(1);
        QCOMPARE(passFail_->State().source, std::uint16_t{0});
        window_->SourceList()->setCurrentIndex(0);
        window_->CreateButton()->click();
        window_->StartButton()->click();
        window_->OnFrameTested(passFail_->TestFrame(doc_->settings, doc_->frames[kCh1].display));
        ExpectIdleControls(false); // a pass does not stop a FAIL output
        QSignalSpy runState(window_.get(), &CPassFailWindow::runStateChanged);
        doc_->frames[kCh1].display[0] = 0;
        window_->OnFrameTested(passFail_->TestFrame(doc_->settings, doc_->frames[kCh1].display));
        QCOMPARE(std::pair(beeps_, runState.count()), std::pair(1, qsizetype{1}));
        ExpectIdleControls(true);
    }

    void ClosingEndsTheTestAndKeepsRunning() {
        QWidget screen;
        screen.resize(400, 300);
        screen.show();
        window_->ShowCentredOver(&screen);
        QCOMPARE(passFail_->State().panelShown, 1);
        window_->StartButton()->click();
        QSignalSpy closed(window_.get(), &CPassFailWindow::panelClosed);
        QTest::keyClick(window_.get(), Qt::Key_Escape);
        QCOMPARE(std::tuple(closed.count(), passFail_->State().panelShown, passFail_->State().testing,
                            doc_->settings.acquire.running),
                 std::tuple(qsizetype{1}, 0, 0, 1u));
    }

    void SaveAndLoadThroughTheDialogs() {
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("MASK.PSF"));
        const auto chooser = [&](QWidget*, const QString&, const QString&, const QString&) { return path; };
        window_->chooseSaveFile = chooser;
        window_->chooseOpenFile = chooser;
        QString message;
        window_->showMessage = [&](QWidget*, const QString&, const QString& text) { message = text; };
        window_->SourceList()->setCurrentIndex(1);
        window_->OutputList()->setCurrentIndex(kOutputPassBeep);
        window_->HorizontalEdit()->setValue(30);
        window_->CreateButton()->click();
        window_->SaveButton()->click();
        QCOMPARE(QFileInfo(path).size(), qint64{10});

        // Loading while testing stops the test and shows the file's settings with zero counts.
        init();
        window_->chooseOpenFile = chooser;
        window_->showMessage = [&](QWidget*, const QString&, const QString& text) { message = text; };
        window_->CreateButton()->click();
        window_->StartButton()->click();
        window_->OnFrameTested(passFail_->TestFrame(doc_->settings, doc_->frames[kCh1].display));
        QSignalSpy runState(window_.get(), &CPassFailWindow::runStateChanged);
        window_->LoadButton()->click();
        QCOMPARE(std::tuple(window_->SourceList()->currentText(), window_->HorizontalEdit()->value(),
                            Counts().join(u' '), runState.count()),
                 std::tuple(QStringLiteral("CH2"), 30, QStringLiteral("0 0 0"), qsizetype{1}));
        ExpectIdleControls(true);
        QVERIFY(message.isEmpty());

        path = dir.filePath(QStringLiteral("absent.psf"));
        window_->LoadButton()->click();
        QCOMPARE(message, QStringLiteral("Cann't save file: No such file or directory"));
    }
};

QTEST_MAIN(TestPassFailWindow)

#include "qt_pass_fail_window.moc"
