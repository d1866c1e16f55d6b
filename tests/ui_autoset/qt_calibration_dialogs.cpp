// The Autoset progress window, the Zero Calibration dialog and the Calibrate Data dialog on the offscreen
// platform: which controls are enabled, what the list and the button read, and what reaches the driver.
#include "document/autoset.h"
#include "document/tarnix_doc.h"
#include "document/zero_calibration.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "../acquisition/fake_services.h"
#include "../support/stub_driver.h"
#include "ui/autoset_window.h"
#include "ui/calibration_dialogs.h"

namespace tarnix {
namespace {

// A grounded instrument whose 0 V line follows the zero level exactly, so each word search ends at its
// first test capture; it records the writes to its memory.
class CGroundedDriver final : public testing::CStubDriver {
public:
    int calibrationWrites = 0;
    std::vector<int> levelWrites;

    int ReadCalibration(int, std::uint16_t* values, int count) override {
        std::fill(values, values + count, std::uint16_t{1});
        return 1;
    }
    int WriteCalibration(int, const std::uint16_t*, int) override {
        ++calibrationWrites;
        return 1;
    }
    int WriteCalibrationLevel(int, int level) override {
        levelWrites.push_back(level);
        return 1;
    }
    int SetLevels(int, const HardwareLevels* levels, int, int, int, const std::uint16_t*) override {
        zero_ = {levels->ch1Zero, levels->ch2Zero};
        return 1;
    }
    int ReadCapture(int, std::uint16_t* ch1, std::uint16_t* ch2, const HardwareBlock* block, std::uint32_t,
                    int) override {
        const std::uint32_t length = BufferSizeRecordLength(block->bufferSizeIndex);
        std::fill(ch1, ch1 + length, Code(0));
        std::fill(ch2, ch2 + length, Code(1));
        return 1;
    }

private:
    std::uint16_t Code(int channel) const {
        return static_cast<std::uint16_t>(255 - std::min<int>(zero_[static_cast<std::size_t>(channel)], 255));
    }
    std::array<std::uint16_t, 2> zero_{64, 192};
};

} // namespace

class TestCalibrationDialogs : public QObject {
    Q_OBJECT

private:
    testing::CFakeClock clock_{1000};
    testing::CFakeRandom random_;
    std::unique_ptr<CGroundedDriver> driver_;
    std::unique_ptr<CTarnixDoc> doc_;
    std::unique_ptr<CZeroCalibration> calibration_;

    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            clock_.now += 30;
            doc_->OnTick();
        }
    }
    // Ticks the document until the calibration step differs from `step`.
    void TickWhileStep(int step) {
        for (int i = 0; i < 1000 && doc_->calibrationStep == step; ++i) {
            Tick();
        }
    }
    static QStringList Head() {
        return {QStringLiteral("Prepare... OK!"), QStringLiteral("Please start calibration... OK!")};
    }

private slots:
    void init() {
        driver_ = std::make_unique<CGroundedDriver>();
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

    void zeroCalibrationOpensReadyToStart() {
        CZeroCalibrationDialog dialog(*doc_, *calibration_);
        QCOMPARE(dialog.Lines(), (QStringList{QStringLiteral("Prepare... OK!"),
                                              QStringLiteral("Please start calibration...")}));
        QVERIFY(dialog.Ch1Box().isChecked());
        QVERIFY(dialog.Ch2Box().isChecked());
        QVERIFY(dialog.Ch1Box().isEnabled());
        QCOMPARE(dialog.StartButton().text(), QStringLiteral("Start"));
        QVERIFY(!dialog.ProgressTimer().isActive());
        QVERIFY(dialog.isModal());
    }

    void startWithNoChannelDoesNothing() {
        CZeroCalibrationDialog dialog(*doc_, *calibration_);
        dialog.Ch1Box().setChecked(false);
        dialog.Ch2Box().setChecked(false);
        QTest::mouseClick(&dialog.StartButton(), Qt::LeftButton);
        QCOMPARE(doc_->calibrationStep, -1);
        QVERIFY(!dialog.ProgressTimer().isActive());
        QCOMPARE(dialog.StartButton().text(), QStringLiteral("Start"));
        QCOMPARE(dialog.Lines().size(), 2);
    }

    void completedRunEndsWithOkThenStop() {
        CZeroCalibrationDialog dialog(*doc_, *calibration_);
        QTest::mouseClick(&dialog.StartButton(), Qt::LeftButton);
        QCOMPARE(doc_->calibrationStep, 0);
        QVERIFY(!dialog.Ch1Box().isEnabled());
        QVERIFY(!dialog.Ch2Box().isEnabled());
        QCOMPARE(dialog.StartButton().text(), QStringLiteral("Stop"));
        QVERIFY(dialog.ProgressTimer().isActive());
        QCOMPARE(dialog.ProgressTimer().interval(), 500);
        QCOMPARE(dialog.Lines(), Head());

        // Each timer tick shows the list of the step calibration is in.
        TickWhileStep(0);
        QCOMPARE(doc_->calibrationStep, 1);
        dialog.OnProgressTimer();
        QCOMPARE(dialog.Lines(),
                 Head() << QStringLiteral("Calibrate CH1... OK!") << QStringLiteral("Calibrate CH2... "));

        TickWhileStep(1);
        TickWhileStep(2);
        QCOMPARE(doc_->calibrationStep, -1);
        QCOMPARE(driver_->calibrationWrites, 1);
        dialog.OnProgressTimer();
        QCOMPARE(dialog.Lines(),
                 Head() << QStringLiteral("Calibrate CH1... OK!") << QStringLiteral("Calibrate CH2... OK!")
                        << QStringLiteral("Calibrate OK!") << QStringLiteral("Calibrate Stop!"));
        QVERIFY(dialog.Ch1Box().isEnabled());
        QCOMPARE(dialog.StartButton().text(), QStringLiteral("Start"));
        QVERIFY(!dialog.ProgressTimer().isActive());
        QCOMPARE(driver_->calibrationWrites, 1);
    }

    void stopAndCloseEndWithoutWriting() {
        {
            CZeroCalibrationDialog dialog(*doc_, *calibration_);
            QTest::mouseClick(&dialog.StartButton(), Qt::LeftButton);
            Tick(3);
            QTest::mouseClick(&dialog.StartButton(), Qt::LeftButton); // Stop
            QCOMPARE(doc_->calibrationStep, -1);
            QCOMPARE(dialog.Lines().last(), QStringLiteral("Calibrate Stop!"));
            QVERIFY(!dialog.ProgressTimer().isActive());
            QCOMPARE(dialog.StartButton().text(), QStringLiteral("Start"));
            QVERIFY(dialog.Ch2Box().isEnabled());
        }
        {
            CZeroCalibrationDialog dialog(*doc_, *calibration_);
            dialog.Ch1Box().setChecked(false);
            QTest::mouseClick(&dialog.StartButton(), Qt::LeftButton);
            QCOMPARE(doc_->calibrationStep, 1); // CH2 alone starts at CH2
            Tick(3);
            QTest::mouseClick(&dialog.CloseButton(), Qt::LeftButton);
            QCOMPARE(doc_->calibrationStep, -1);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(driver_->calibrationWrites, 0);
    }

    void calibrateDataClampsAndWritesOncePerChange() {
        CCalibrateDataDialog dialog(*doc_);
        QCOMPARE(dialog.LevelEdit().text(), QStringLiteral("0"));
        QCOMPARE(dialog.LevelEdit().maxLength(), 2);
        QCOMPARE(dialog.RangeLabel().text(), QStringLiteral("(0 ~ 10)"));
        QVERIFY(dialog.NoteLabel().isHidden());
        QVERIFY(driver_->levelWrites.empty()); // showing the stored level sends nothing

        dialog.LevelEdit().setText(QStringLiteral("15"));
        QCOMPARE(dialog.LevelEdit().text(), QStringLiteral("10"));
        QCOMPARE(driver_->levelWrites, std::vector<int>{10});
        QCOMPARE(int(doc_->link.calibrationLevel), 10);

        // Typing: "7" is new, the emptied edit in between sends nothing.
        dialog.LevelEdit().clear();
        QTest::keyClicks(&dialog.LevelEdit(), QStringLiteral("7"));
        QCOMPARE(driver_->levelWrites, (std::vector<int>{10, 7}));

        dialog.Refresh();
        QCOMPARE(driver_->levelWrites.size(), std::size_t{2});
    }

    void calibrateDataOnModel2AllowsTwenty() {
        doc_->settings.model = 2;
        CCalibrateDataDialog dialog(*doc_);
        QCOMPARE(dialog.RangeLabel().text(), QStringLiteral("(0 ~ 20)"));
        QVERIFY(!dialog.NoteLabel().isHidden());
        dialog.LevelEdit().setText(QStringLiteral("15"));
        QCOMPARE(dialog.LevelEdit().text(), QStringLiteral("15"));
        dialog.LevelEdit().setText(QStringLiteral("25"));
        QCOMPARE(dialog.LevelEdit().text(), QStringLiteral("20"));
        QCOMPARE(driver_->levelWrites, (std::vector<int>{15, 20}));
    }

    void autosetWindowLivesWhileAutosetRuns() {
        // Demo mode: the document without a library.
        CTarnixDoc demo(DocumentServices{nullptr, &clock_, &random_, nullptr, nullptr});
        demo.StartUp();
        CAutoset autoset(demo);
        autoset.Attach();
        QWidget view;
        view.resize(800, 600);
        int sidebarRefreshes = 0;
        AttachAutosetWindow(autoset, &view, [&] { ++sidebarRefreshes; });
        QVERIFY(FindAutosetWindow(&view) == nullptr);

        autoset.Start();
        CAutosetWindow* window = FindAutosetWindow(&view);
        QVERIFY(window != nullptr);
        QVERIFY(window->isVisible());
        QVERIFY(!window->isModal());
        QCOMPARE(window->Text(), QStringLiteral("Autoset CH1..."));

        for (int i = 0; i < 200 && demo.specialStep != -1; ++i) {
            clock_.now += 30;
            demo.OnTick();
            if (demo.specialStep == 3) {
                QVERIFY(FindAutosetWindow(&view) != nullptr);
                QVERIFY(
                    FindAutosetWindow(&view)->Text().endsWith(QStringLiteral("Autoset Horizontal... OK!")));
            }
        }
        QCOMPARE(demo.specialStep, -1);
        QVERIFY(FindAutosetWindow(&view) == nullptr);
        QCOMPARE(sidebarRefreshes, 1);
    }
};

} // namespace tarnix

QTEST_MAIN(tarnix::TestCalibrationDialogs)
#include "qt_calibration_dialogs.moc"
