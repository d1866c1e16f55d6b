// The menus built for each model, the accelerators on the main window, the language files and the
// relabelling of menus and windows, and the flat menu look.
#include "rig.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolTip>

#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "model/instrument_settings.h"
#include "test_commands.h"
#include "ui/menu_ex.h"
#include "ui/relabel.h"
#include "ui/tarnix_view.h"

using namespace tarnix;
using tarnix::test::Rig;
using tarnix::test::RigOptions;
using tarnix::test::ShowAndActivate;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

bool Contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

void TestCommands::pruningPerModel_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<std::vector<int>>("buffers");
    QTest::addColumn<bool>("ext10");
    QTest::addColumn<bool>("fast"); // 10.0V, Pulse, 2.00nS and ETS
    const auto& b = cmd::kBufferSizeByIndex;
    QTest::newRow("model 0") << 0 << std::vector<int>{b[0], b[3], b[4]} << false << false;
    QTest::newRow("model 1") << 1 << std::vector<int>{b[0], b[3], b[4]} << true << false;
    QTest::newRow("model 2") << 2 << std::vector<int>{b[0], b[5], b[6]} << true << false;
    QTest::newRow("model 3") << 3 << std::vector<int>(b.begin(), b.end()) << true << false;
    QTest::newRow("model 4") << 4 << std::vector<int>{b[0], b[1], b[2]} << false << true;
    QTest::newRow("model 5") << 5 << std::vector<int>{b[0], b[5], b[6]} << true << true;
}

void TestCommands::pruningPerModel() {
    QFETCH(int, model);
    QFETCH(std::vector<int>, buffers);
    QFETCH(bool, ext10);
    QFETCH(bool, fast);
    RigOptions options;
    options.model = model;
    Rig rig(options);

    QVERIFY(rig.Commands(rig.Popup({8, 9})) == buffers);
    QCOMPARE(Contains(rig.Commands(rig.Popup({3, 2})), cmd::kTrigSourceFirst + kTrigExt10), ext10);
    QCOMPARE(Contains(rig.Commands(rig.Popup({3, 0})), cmd::kTrigModePulse), fast);
    QCOMPARE(Contains(rig.Commands(rig.Popup({8, 7})), cmd::kSamplingEts), fast);
    const std::size_t volts = fast ? 10 : 9;
    QCOMPARE(rig.Commands(rig.Popup({2, 0, 1})).size(), volts); // CH1
    QCOMPARE(rig.Commands(rig.Popup({2, 1, 1})).size(), volts); // CH2
    QCOMPARE(rig.Commands(rig.Popup({2, 2, 6})).size(), volts); // MATH
    QCOMPARE(rig.Commands(rig.Popup({2, 3, 1})).size(), volts); // Reference
    // Peak Detect is never offered.
    QVERIFY((rig.Commands(rig.Popup({8, 8})) == std::vector<int>{cmd::kAcqModeNormal, cmd::kAcqModeAverage}));

    QAction* first = rig.Popup({4, 0, 0})->actions().constFirst();
    QCOMPARE(first->property("tarnixCommand").toInt(), cmd::kTimeDivFirst + (fast ? 0 : 1));
    QCOMPARE(first->text(), fast ? QStringLiteral("2nS") : QStringLiteral("4nS"));
}

void TestCommands::demoSettingOnlyInDemo() {
    {
        Rig rig;
        QVERIFY(!Contains(rig.Commands(rig.Popup({8})), cmd::kDemoSetting));
    }
    RigOptions demo;
    demo.demo = true;
    Rig rig(demo);
    const std::vector<int> acquire = rig.Commands(rig.Popup({8}));
    QCOMPARE(acquire.back(), cmd::kDemoSetting);
    int shown = 0;
    rig.Table().Panels().showDemoSetting = [&] { ++shown; };
    QVERIFY(rig.Updated(cmd::kDemoSetting)->isEnabled());
    rig.Table().Execute(cmd::kDemoSetting);
    QCOMPARE(shown, 1);
}

void TestCommands::acceleratorsDispatchOnTheMainWindow() {
    Rig rig;
    CMainFrame& frame = rig.Frame();
    QVERIFY(ShowAndActivate(frame));
    InstrumentSettings& s = rig.Settings();
    CWaveScreen& screen = frame.View().Screen();

    QTest::keyClick(&frame, Qt::Key_G, Qt::ControlModifier);
    QVERIFY(!screen.GetGridOn());
    QTest::keyClick(&frame, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(screen.GetDrawType(), 1);
    QTest::keyClick(&frame, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(s.ch(kCh1).enabled, 0u);
    QTest::keyClick(&frame, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(s.ch(kCh1).enabled, 1u);

    QTest::keyClick(&frame, Qt::Key_Space);
    QCOMPARE(s.acquire.running, 0u);
    QTest::keyClick(&frame, Qt::Key_Return);
    QCOMPARE(s.acquire.running, 1u);
    QTest::keyClick(&frame, Qt::Key_Space);
    QTest::keyClick(&frame, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(s.acquire.running, 1u);

    // F2 reaches the handler even though the item is disabled: it refuses on its own.
    rig.Table().Panels().showFft = [] {};
    rig.Doc().SetBufferSize(kBuffer32k);
    rig.Table().OnTick();
    QVERIFY(!rig.Table().Action(cmd::kUtilFft)->isEnabled());
    rig.ClearMessages();
    QTest::keyClick(&frame, Qt::Key_F2);
    QCOMPARE(rig.Messages().size(), std::size_t{1});
    QCOMPARE(rig.Messages()[0].second, std::string("Function not available!"));

    // In X-Y, Ctrl+1 does nothing and Ctrl+M shows the error box.
    rig.Table().Execute(cmd::kFormatXY);
    rig.ClearMessages();
    QTest::keyClick(&frame, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(s.ch(kCh1).enabled, 1u);
    QVERIFY(rig.Messages().empty());
    QTest::keyClick(&frame, Qt::Key_M, Qt::ControlModifier);
    QCOMPARE(rig.Messages().size(), std::size_t{1});
    QCOMPARE(s.ch(kMath).enabled, 0u);
}

void TestCommands::acceleratorsWorkInFullScreenAndWithSidebarFocus() {
    Rig rig;
    CMainFrame& frame = rig.Frame();
    CTarnixView& view = frame.View();
    auto* combo = new QComboBox;
    combo->addItems({QStringLiteral("a"), QStringLiteral("b")});
    view.SidebarTabs().addTab(combo, QStringLiteral("Sidebar"));
    QVERIFY(ShowAndActivate(frame));
    combo->setFocus();
    QVERIFY(QTest::qWaitFor([combo] { return combo->hasFocus(); }));

    QTest::keyClick(combo, Qt::Key_G, Qt::ControlModifier);
    QVERIFY(!view.Screen().GetGridOn());
    QTest::keyClick(combo, Qt::Key_Space);
    QCOMPARE(rig.Settings().acquire.running, 0u);

    QTest::keyClick(&frame, Qt::Key_Return, Qt::AltModifier);
    QVERIFY(view.IsFullScreen());
    QVERIFY(!rig.Table().MenuBar()->isVisible());
    QTest::keyClick(&frame, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(view.Screen().GetDrawType(), 1);
    QTest::keyClick(&frame, Qt::Key_Return, Qt::AltModifier);
    QVERIFY(!view.IsFullScreen());
}

void TestCommands::languageFileRelabelsAndDefaultRestores() {
    RigOptions options;
    options.languageFiles = {
        {"sub/Deutsch.lug",
         "[App]\r\n8888=Deutsch\r\n800=&Datei\r\n80000=CSV laden#Strg+O\r\n4000=Ausschalten\r\n"
         "199=Mittel\r\n32816=CSV-Datei laden\r\n8080901=32K Punkte\r\n"},
        {"alpha.lug", "[App]\r\n801=&Ansicht\r\n"},
    };
    Rig rig(options);
    QMenu* languages = rig.Popup({9, 8});
    QVERIFY(languages != nullptr);
    QVERIFY((rig.Commands(languages) == std::vector<int>{cmd::kLanguageDefault, 0, cmd::kLanguageItemFirst,
                                                         cmd::kLanguageItemFirst + 1}));
    QCOMPARE(languages->actions()[2]->text(), QStringLiteral("alpha"));
    QCOMPARE(languages->actions()[3]->text(), QStringLiteral("Deutsch"));
    QVERIFY(rig.Updated(cmd::kLanguageDefault)->isChecked());

    QMenu* file = rig.Popup({0});
    rig.Table().Execute(cmd::kLanguageItemFirst + 1);
    QCOMPARE(rig.Doc().languageIndex, 1);
    QCOMPARE(file->title(), QStringLiteral("&Datei"));
    QCOMPARE(file->actions()[0]->text(), QStringLiteral("CSV laden\tStrg+O"));
    QCOMPARE(rig.Popup({1})->title(), QStringLiteral("&View")); // no key: the text stays
    QCOMPARE(rig.TextOf(cmd::kCh1TurnOnOff), std::string("Ausschalten#Ctrl+1"));
    QCOMPARE(rig.TextOf(cmd::kAcqModeAverage), std::string("Mittel:1"));
    QCOMPARE(rig.Table().Action(cmd::kFileLoadCsv)->toolTip(), QStringLiteral("CSV-Datei laden"));
    QCOMPARE(rig.Popup({8, 9})->actions()[1]->text(), QStringLiteral("32K Punkte"));
    QVERIFY(rig.Updated(cmd::kLanguageItemFirst + 1)->isChecked());
    QVERIFY(!rig.Updated(cmd::kLanguageItemFirst)->isChecked());
    QVERIFY(!rig.Updated(cmd::kLanguageDefault)->isChecked());

    rig.Table().Execute(cmd::kLanguageItemFirst);
    QCOMPARE(rig.Popup({1})->title(), QStringLiteral("&Ansicht"));
    // alpha has no tooltip texts: the toolbar shows no tooltip rather than the item's text.
    QVERIFY(ShowAndActivate(rig.Frame()));
    QWidget* loadCsv = rig.Table().ToolBar()->widgetForAction(rig.Table().Action(cmd::kFileLoadCsv));
    QHelpEvent tip(QEvent::ToolTip, QPoint(4, 4), loadCsv->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(loadCsv, &tip);
    QVERIFY2(!QToolTip::isVisible(), qPrintable(QToolTip::text()));

    rig.Table().Execute(cmd::kLanguageDefault);
    QCOMPARE(rig.Doc().languageIndex, -1);
    QCOMPARE(file->title(), QStringLiteral("&File"));
    QCOMPARE(rig.Popup({1})->title(), QStringLiteral("&View"));
    QCOMPARE(file->actions()[0]->text(), QStringLiteral("Load CSV\tCtrl+O"));
    QCOMPARE(rig.TextOf(cmd::kCh1TurnOnOff), std::string("Turn Off#Ctrl+1"));
    QCOMPARE(rig.TextOf(cmd::kAcqModeAverage), std::string("Average:1"));
    QCOMPARE(rig.Table().Action(cmd::kFileLoadCsv)->toolTip(), QStringLiteral("Load *.csv"));
    // Resting on a toolbar button shows its fly-by help in the status bar.
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), loadCsv->mapToGlobal(QPointF(4, 4)));
    QApplication::sendEvent(loadCsv, &enter);
    QCOMPARE(rig.Frame().statusBar()->currentMessage(), QStringLiteral("Load *.csv"));
    QCOMPARE(rig.Popup({8, 9})->actions()[1]->text(), QStringLiteral("32k"));
    QCOMPARE(rig.Popup({4})->actions()[2]->text(), QStringLiteral("Zero\tCtrl+H"));
    QCOMPARE(rig.Popup({3, 3})->actions()[0]->text(), QStringLiteral(" +"));
    QVERIFY(rig.Updated(cmd::kLanguageDefault)->isChecked());
}

void TestCommands::relabelWindowByControlId() {
    RigOptions options;
    options.languageFiles = {
        {"x.lug", "[App]\r\n01084=Gut\r\n1095=Zeit\r\n1230=Abbrechen\r\n1113=Quelle\r\n"}};
    Rig rig(options);
    rig.Table().Execute(cmd::kLanguageItemFirst);
    const CLanguageTable& table = rig.Doc().language;
    QCOMPARE(table.LookupText(1084), std::string()); // the key is written "01084"

    QWidget window;
    auto* ok = new QLabel(QStringLiteral("OK"), &window);
    SetControlId(ok, 1084);
    auto* group = new QGroupBox(QStringLiteral("Horizontal"), &window);
    SetControlId(group, 1095);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), group);
    SetControlId(cancel, 1230);
    auto* combo = new QComboBox(&window);
    combo->addItem(QStringLiteral("CH1"));
    SetControlId(combo, 1113);
    auto* plain = new QLabel(QStringLiteral("keep"), &window);
    auto* dialog = new QDialog(&window);
    auto* inner = new QLabel(QStringLiteral("OK"), dialog);
    SetControlId(inner, 1084);

    QCOMPARE(RelabelWindow(&window, table), 3);
    QCOMPARE(ok->text(), QStringLiteral("Gut"));
    QCOMPARE(group->title(), QStringLiteral("Zeit"));
    QCOMPARE(cancel->text(), QStringLiteral("Abbrechen"));
    QCOMPARE(combo->currentText(), QStringLiteral("CH1"));
    QCOMPARE(combo->count(), 1);
    QCOMPARE(plain->text(), QStringLiteral("keep"));
    QCOMPARE(inner->text(), QStringLiteral("OK"));

    RelabelTitle(dialog, 199, table); // no key in this file: the title stays
    QCOMPARE(dialog->windowTitle(), QString());
    rig.Table().Execute(cmd::kLanguageDefault);
    RelabelTitle(dialog, 199, rig.Doc().language);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Average"));
}

namespace {

// Pixels of an area that satisfy `test`.
template <typename Test> int Count(const QImage& image, const QRect& area, Test test) {
    int count = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            count += test(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return count;
}

int CountColour(const QImage& image, const QRect& area, QColor colour) {
    return Count(image, area, [colour](const QColor& c) { return c.rgb() == colour.rgb(); });
}

// Neutral grey pixels no lighter than `level` (text drawn in a grey).
int CountGreyAtMost(const QImage& image, const QRect& area, int level) {
    return Count(image, area, [level](const QColor& c) {
        return c.red() == c.green() && c.green() == c.blue() && c.red() <= level;
    });
}

// Dark (text) pixels.
int CountDark(const QImage& image, const QRect& area) {
    return Count(image, area, [](const QColor& c) { return qGray(c.rgb()) < 110; });
}

} // namespace

void TestCommands::menuStylePaintsTicksGreyAndShortcuts() {
    CMenuEx style;
    QMenu menu;
    style.Attach(&menu);
    QAction* ticked = menu.addAction(CommandIcon(cmd::kAcqStart), QString());
    SetMenuItemText(ticked, "Start#Enter");
    ticked->setCheckable(true);
    ticked->setChecked(true);
    QAction* icon = menu.addAction(CommandIcon(cmd::kAcqStop), QString());
    SetMenuItemText(icon, "Stop#Space");
    QAction* greyed = menu.addAction(QString());
    SetMenuItemText(greyed, "Greyed Item");
    greyed->setEnabled(false);
    QAction* separator = menu.addSeparator();
    QAction* plain = menu.addAction(QStringLiteral("Plain"));
    menu.ensurePolished();
    menu.adjustSize();
    const QImage image = menu.grab().toImage().convertToFormat(QImage::Format_RGB32);

    const QRect tickedRow = menu.actionGeometry(ticked);
    const QRect tickCell(tickedRow.left(), tickedRow.top(), kMenuIconSize + 2, tickedRow.height());
    QVERIFY(CountColour(image, tickCell, CMenuEx::HighlightFillColour()) > 100);
    QVERIFY(CountColour(image, tickCell, QColor(0, 160, 0)) == 0); // the green Start picture is not drawn

    const QRect iconRow = menu.actionGeometry(icon);
    const QRect iconCell(iconRow.left(), iconRow.top(), kMenuIconSize + 2, iconRow.height());
    QCOMPARE(CountColour(image, iconCell, CMenuEx::HighlightFillColour()), 0);
    QVERIFY(CountColour(image, iconCell, QColor(210, 30, 30)) > 50); // the red Stop square
    QVERIFY(CountColour(image, iconCell, CMenuEx::IconColumnColour()) > 0);

    // The separator has its own row with a line across the text column.
    const QRect separatorRow = menu.actionGeometry(separator);
    QCOMPARE(separatorRow.height(), kMenuSeparatorHeight);
    QVERIFY(CountColour(image, separatorRow, CMenuEx::SeparatorColour()) > 20);

    // Greyed text: antialiased strokes of RGB(200, 200, 200), never darker.
    const QRect greyText = menu.actionGeometry(greyed).adjusted(kMenuIconSize + 4, 1, -2, -1);
    QCOMPARE(CountDark(image, greyText), 0);
    QVERIFY(CountGreyAtMost(image, greyText, 215) > 10);
    QCOMPARE(CountGreyAtMost(image, greyText, 199), 0);

    // "Start#Enter": the label on the left, the shortcut against the right edge, nothing between.
    const int width = tickedRow.width();
    const QRect right(tickedRow.left() + width * 3 / 4, tickedRow.top() + 1, width / 4 - 6,
                      tickedRow.height() - 2);
    const QRect left(tickedRow.left() + kMenuIconSize + 8, tickedRow.top() + 1, width / 3,
                     tickedRow.height() - 2);
    QVERIFY(CountDark(image, right) > 5);
    QVERIFY(CountDark(image, left) > 5);
    const QRect plainRight(menu.actionGeometry(plain).left() + width * 3 / 4,
                           menu.actionGeometry(plain).top() + 1, width / 4 - 6,
                           menu.actionGeometry(plain).height() - 2);
    QCOMPARE(CountDark(image, plainRight), 0);
}

void TestCommands::menuWidthFollowsTexts() {
    CMenuEx style;
    QMenu menu;
    style.Attach(&menu);
    QAction* action = menu.addAction(QString());
    SetMenuItemText(action, "Grid#Ctrl+G");
    const int narrow = menu.sizeHint().width();
    SetMenuItemText(action, "Gitternetzlinien anzeigen und verbergen#Strg+Umschalt+G");
    const int wide = menu.sizeHint().width();
    QVERIFY2(wide > narrow + 100, qPrintable(QStringLiteral("%1 -> %2").arg(narrow).arg(wide)));
    QCOMPARE(MenuItemText(action), std::string("Gitternetzlinien anzeigen und verbergen#Strg+Umschalt+G"));
    SetMenuItemText(action, "A#B#C");
    QCOMPARE(action->text(), QStringLiteral("A\tB#C"));
    SetMenuItemText(action, "Grid#Ctrl+G");
    QCOMPARE(menu.sizeHint().width(), narrow);
}
