// The Autoset progress window, the Zero Calibration and Calibrate Data dialogs on the offscreen platform.
#include "document/autoset.h"
#include "document/tarnix_doc.h"
#include "document/zero_calibration.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <memory>
#include <vector>

#include "../support/fake_services.h"
#include "../support/stub_driver.h"
#include "ui/autoset_window.h"
#include "ui/calibration_dialogs.h"

namespace tarnix {

class TestCalibrationDialogs : public QObject {
    Q_OBJECT

private:
    testing::CFakeClock clock_{1000};
    testing::CFakeRandom random_;
    std::unique_ptr<testing::CStubDriver> driver_;
    std::unique_ptr<CTarnixDoc> doc_;
    std::unique_ptr<CZeroCalibration> calibration_;

    void TickWhileStep(int step) {
        for (int i = 0; i < 1000 && doc_->calibrationStep == step; ++i) {
            clock_.now += 30;
            doc_->OnTick();
        }
    }
    static QStringList Lines(QStringList tail) {
        return QStringList{QStringLiteral("Prepare... OK!"),
                           QStringLiteral("Please start calibration... OK!")}
               << tail;
    }

private slots:
    void init() {
        // A grounded instrument whose 0 V line follows the zero level: each search ends at its first capture.
        driver_ = std::make_unique<testing::CStubDriver>();
        driver_->idleState = kCaptureComplete;
        driver_->sample = [](const HardwareBlock& block, int channel, std::uint32_t) {
            const int zero = channel == 0 ? block.levels.ch1Zero : block.levels.ch2Zero;
            return static_cast<std::uint16_t>(255 - std::min(zero, 255));
        };
        doc_ = std::make_unique<CTarnixDoc>(
            DocumentServices{driver_.get(), &clock_, &random_, nullptr, nullptr});
        doc_->StartUp();
        calibration_ = std::make_unique<CZeroCalibration>(*doc_);
        calibration_->Attach();
    }
    void cleanup() {
        calibration_.reset();
        doc_.reset();
        driver_.reset();
    }

    void zeroCalibrationRunsToOkAndWritesOnce() {
        CZeroCalibrationDialog dialog(*doc_, *calibration_);
        QCOMPARE(dialog.Lines(), (QStringList{QStringLiteral("Prepare... OK!"),
                                              QStringLiteral("Please start calibration...")}));
        QTest::mouseClick(&dialog.StartButton(), Qt::LeftButton);
        QCOMPARE(doc_->calibrationStep, 0);
        QVERIFY(!dialog.Ch1Box().isEnabled() && !dialog.Ch2Box().isEnabled());
        QVERIFY(dialog.StartButton().text() == QStringLiteral("Stop") && dialog.ProgressTimer().isActive());

        // Each timer tick shows the list of the step calibration is in.
        TickWhileStep(0);
        dialog.OnProgressTimer();
        QCOMPARE(dialog.Lines(),
                 Lines({QStringLiteral("Calibrate CH1... OK!"), QStringLiteral("Calibrate CH2... ")}));
        TickWhileStep(1);
        TickWhileStep(2);
        QCOMPARE(doc_->calibrationStep, -1);
        dialog.OnProgressTimer();
        QCOMPARE(dialog.Lines(),
                 Lines({QStringLiteral("Calibrate CH1... OK!"), QStringLiteral("Calibrate CH2... OK!"),
                        QStringLiteral("Calibrate OK!"), QStringLiteral("Calibrate Stop!")}));
        QVERIFY(dialog.Ch2Box().isEnabled() && !dialog.ProgressTimer().isActive());
        QCOMPARE(dialog.StartButton().text(), QStringLiteral("Start"));
        QCOMPARE(driver_->Count("WriteCalibration"), 1);
    }

    // CH2 alone starts at CH2; Stop, and Close while running, end without writing anything.
    void stopAndCloseEndWithoutWriting() {
        CZeroCalibrationDialog dialog(*doc_, *calibration_);
        dialog.Ch1Box().setChecked(false);
        QTest::mouseClick(&dialog.StartButton(), Qt::LeftButton);
        dialog.OnProgressTimer();
        QCOMPARE(dialog.Lines(), Lines({QStringLiteral("Calibrate CH2... ")}));
        QTest::mouseClick(&dialog.StartButton(), Qt::LeftButton);
        QCOMPARE(dialog.Lines().last(), QStringLiteral("Calibrate Stop!"));
        QTest::mouseClick(&dialog.StartButton(), Qt::LeftButton);
        QTest::mouseClick(&dialog.CloseButton(), Qt::LeftButton);
        QVERIFY(doc_->calibrationStep == -1 && driver_->Count("WriteCalibration") == 0);
    }

    // Models other than 2 take 0..10, model 2 takes 0..20; a level is written once per change.
    void calibrateDataClampsAndWritesOncePerChange() {
        CCalibrateDataDialog dialog(*doc_);
        QCOMPARE(dialog.LevelEdit().text(), QStringLiteral("0"));
        QVERIFY(dialog.RangeLabel().text() == QStringLiteral("(0 ~ 10)") && dialog.NoteLabel().isHidden());
        dialog.LevelEdit().setText(QStringLiteral("15"));
        QCOMPARE(dialog.LevelEdit().text(), QStringLiteral("10"));
        QCOMPARE(driver_->Last("WriteCalibrationLevel")->args[1], 10);
        dialog.LevelEdit().clear(); // the emptied edit in between sends nothing
        QTest::keyClicks(&dialog.LevelEdit(), QStringLiteral("7"));
        dialog.Refresh();
        QCOMPARE(driver_->Count("WriteCalibrationLevel"), 2);
        QCOMPARE(driver_->Last("WriteCalibrationLevel")->args[1], 7);

        doc_->settings.model = 2;
        CCalibrateDataDialog model2(*doc_);
        QVERIFY(model2.RangeLabel().text() == QStringLiteral("(0 ~ 20)") && !model2.NoteLabel().isHidden());
        model2.LevelEdit().setText(QStringLiteral("25"));
        QCOMPARE(model2.LevelEdit().text(), QStringLiteral("20"));
    }

    void autosetWindowLivesWhileAutosetRuns() {
        CTarnixDoc demo(DocumentServices{nullptr, &clock_, &random_, nullptr, nullptr});
        demo.StartUp();
        CAutoset autoset(demo);
        autoset.Attach();
        QWidget view;
        int sidebarRefreshes = 0;
        AttachAutosetWindow(autoset, &view, [&] { ++sidebarRefreshes; });
        QVERIFY(FindAutosetWindow(&view) == nullptr);
        autoset.Start();
        CAutosetWindow* window = FindAutosetWindow(&view);
        QVERIFY(window != nullptr && window->isVisible());
        QCOMPARE(window->Text(), QStringLiteral("Autoset CH1..."));
        for (int i = 0; i < 200 && demo.specialStep != -1; ++i) {
            clock_.now += 30;
            demo.OnTick();
        }
        QCOMPARE(demo.specialStep, -1);
        QVERIFY(FindAutosetWindow(&view) == nullptr);
        QCOMPARE(sidebarRefreshes, 1);
    }
};

} // namespace tarnix

QTEST_MAIN(tarnix::TestCalibrationDialogs)
#include "qt_calibration_dialogs.moc"
