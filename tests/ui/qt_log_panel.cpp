// The log panel: its choices start a log through the document, appending is asked, the status follows
// the log, the choices come back after a restart, and the texts follow the program's language.
#include "document/tarnix_doc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>

#include "ui/log_panel.h"

using namespace tarnix;

class TestLogPanel : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::unique_ptr<CTarnixDoc> doc_;

    QString File(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    std::unique_ptr<CLogPanel> Panel() const {
        return std::make_unique<CLogPanel>(*doc_, File("Datalog.ini").toStdString());
    }
    // The table row of a measurement: CH1's 20 kinds, then CH2's, then MATH's.
    static int Row(int source, int kind) { return source * kMeasureKindCount + kind; }

private slots:
    void init() {
        doc_ = std::make_unique<CTarnixDoc>();
        doc_->ApplyFactoryDefaults();
        QFile::remove(File("Datalog.ini"));
        QFile::remove(File("log.csv"));
    }

    void startsWithTheScreensMeasurementsAndKeepsTheChoicesForTheNextRun() {
        doc_->measures.AddMeasure(kMeasureFrequency);
        auto panel = Panel();
        QCOMPARE(panel->Choices().options.columns, (std::vector<LogColumn>{{{kCh1, kMeasureFrequency}, {}}}));

        panel->findChild<QLineEdit*>()->setText(File("log.csv"));
        auto* items = panel->findChild<QTableWidget*>();
        items->item(Row(kCh2, kMeasureVpp), 0)->setCheckState(Qt::Checked);
        items->item(Row(kCh2, kMeasureVpp), 2)->setText(QStringLiteral("1.5"));
        panel->findChild<QComboBox*>()->setCurrentIndex(1);
        QCOMPARE(panel->StartLog(), std::string());
        QCOMPARE(doc_->datalog.Log().Options().intervalSeconds, 1.0);
        QVERIFY(panel->StatusText().startsWith(QStringLiteral("Logging: ")));
        panel->StopLog();

        const LogPanelSettings kept = Panel()->Choices();
        QCOMPARE(kept, panel->Choices());
        QCOMPARE(kept.options.columns[1].limits.high, std::optional<double>(1.5));
    }

    void anExistingFileIsAppendedToOnlyWhenTheUserSaysSo() {
        doc_->measures.AddMeasure(kMeasureVpp);
        std::ofstream(File("log.csv").toStdString(), std::ios::binary) << "# earlier\r\n";
        auto panel = Panel();
        panel->findChild<QLineEdit*>()->setText(File("log.csv"));
        int asked = 0;
        for (const std::optional<bool> answer : {std::optional<bool>(), std::optional<bool>(true)}) {
            panel->askAppend = [&](const QString&) {
                ++asked;
                return answer;
            };
            QCOMPARE(panel->StartLog(), std::string());
            QCOMPARE(doc_->datalog.Log().Running(), answer.has_value());
        }
        panel->StopLog();
        QCOMPARE(asked, 2);
        QFile log(File("log.csv"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().startsWith("# earlier\r\n# Tarnix measurement log"));
    }

    void followsTheProgramsLanguage() {
        doc_->language.FindLanguageFiles(TARNIX_LANGUAGE_DIR); // the shipped German is the first
        doc_->language.SelectLanguage(0, 0);
        auto panel = Panel();
        const auto texts = [&panel] {
            return QStringList{
                panel->windowTitle(), panel->findChild<QCheckBox*>()->text(),
                panel->findChild<QTableWidget*>()->item(Row(kCh1, kMeasureFrequency), 0)->text()};
        };
        QCOMPARE(texts(), (QStringList{QStringLiteral("In Datei protokollieren"), QStringLiteral("Signalton"),
                                       QStringLiteral("CH1 Frequenz (Hz)")}));
        doc_->language.SelectLanguage(-1, 0);
        panel->Relabel();
        QCOMPARE(texts(), (QStringList{QStringLiteral("Log to File"), QStringLiteral("Beep"),
                                       QStringLiteral("CH1 Frequency (Hz)")}));
    }
};

QTEST_MAIN(TestLogPanel)

#include "qt_log_panel.moc"
