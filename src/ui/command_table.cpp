#include "document/tarnix_doc.h"

#include "ui/command_table.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include "display/wave_screen.h"
#include "document/user_notifier.h"
#include "language/command_ids.h"
#include "language/menu_table.h"
#include "model/instrument_settings.h"
#include "ui/main_frame.h"
#include "ui/menu_builder.h"
#include "ui/menu_ex.h"
#include "ui/relabel.h"
#include "ui/tarnix_view.h"

// Resources of a static library are registered by hand; Q_INIT_RESOURCE must be called outside any
// namespace.
static void InitCommandResources() {
    Q_INIT_RESOURCE(commands);
}

namespace tarnix {
namespace {

constexpr char kCommandProperty[] = "tarnixCommand";
constexpr int kMaxTooltipChars = 79;

int CommandOf(const QAction* action) {
    const QVariant id = action != nullptr ? action->property(kCommandProperty) : QVariant();
    return id.isValid() ? id.toInt() : 0;
}

// Qt keys of an accelerator; Enter means both Return and the keypad's Enter.
std::vector<QKeyCombination> KeysOf(const Accelerator& accelerator) {
    Qt::KeyboardModifiers modifiers;
    if ((accelerator.modifiers & kAccelCtrl) != 0U) {
        modifiers |= Qt::ControlModifier;
    }
    if ((accelerator.modifiers & kAccelShift) != 0U) {
        modifiers |= Qt::ShiftModifier;
    }
    if ((accelerator.modifiers & kAccelAlt) != 0U) {
        modifiers |= Qt::AltModifier;
    }
    const int key = accelerator.key;
    if (key == kAccelKeyEnter) {
        return {QKeyCombination(modifiers, Qt::Key_Return), QKeyCombination(modifiers, Qt::Key_Enter)};
    }
    if (key == kAccelKeySpace) {
        return {QKeyCombination(modifiers, Qt::Key_Space)};
    }
    if (key >= kAccelKeyF1 && key <= kAccelKeyF9) {
        return {QKeyCombination(modifiers, static_cast<Qt::Key>(Qt::Key_F1 + (key - kAccelKeyF1)))};
    }
    // Printable keys by their upper-case code, which is also Qt's key code.
    return {QKeyCombination(modifiers, static_cast<Qt::Key>(key))};
}

} // namespace

CCommandTable* CCommandTable::Install(CMainFrame& frame, CTarnixDoc& doc,
                                      const CommandTableOptions& options) {
    CTarnixView& view = frame.View();
    auto* table = new CCommandTable(doc, frame, &view, &view.Screen(), options);
    QObject::connect(&view, &CTarnixView::firstTick, table, &CCommandTable::OnFirstTick);
    QObject::connect(&view.Timer(), &QTimer::timeout, table, &CCommandTable::OnTick);
    return table;
}

CCommandTable::CCommandTable(CTarnixDoc& doc, QMainWindow& window, CTarnixView* view, CWaveScreen* screen,
                             const CommandTableOptions& options)
    : QObject(&window), doc_(doc), window_(window), view_(view), screen_(screen), options_(options) {
    InitCommandResources();
    menuStyle_ = new CMenuEx;
    menuStyle_->setParent(this);
    RegisterFileCommands();
    RegisterViewCommands();
    RegisterChannelCommands();
    RegisterTriggerCommands();
    RegisterHorizontalCommands();
    RegisterCursorCommands();
    RegisterMeasureCommands();
    RegisterDisplayCommands();
    RegisterAcquireCommands();
    RegisterUtilityCommands();
    RegisterHelpCommands();
    RegisterContextCommands();
    BindAccelerators();
    BuildToolBar();
    if (view_ != nullptr) {
        view_->installEventFilter(this);
    }
}

// The view (created before the table) may already be gone; Qt drops a destroyed event filter itself.
CCommandTable::~CCommandTable() = default;

void CCommandTable::Add(int command, CommandHandler handler, CommandRule rule) {
    entries_[command] = Entry{std::move(handler), std::move(rule)};
}

void CCommandTable::AddUnavailable(int command) {
    Add(
        command, [] {}, [](CommandUI& ui) { ui.Enable(false); });
}

void CCommandTable::Register(int command, CommandHandler handler, CommandRule rule) {
    Add(command, std::move(handler), std::move(rule));
    if (auto it = actions_.find(command); it != actions_.end()) {
        ApplyRule(it->second, command);
    }
}

bool CCommandTable::ToolBarShown() const {
    if (toolBar_ == nullptr) {
        return false;
    }
    QWidget* parent = toolBar_->parentWidget();
    return parent != nullptr ? toolBar_->isVisibleTo(parent) : !toolBar_->isHidden();
}

bool CCommandTable::HasCommand(int command) const {
    return entries_.count(command) != 0 || LanguageIndexForCommand(command).has_value();
}

QAction* CCommandTable::Action(int command) {
    if (auto it = actions_.find(command); it != actions_.end()) {
        return it->second;
    }
    auto* action = new QAction(this);
    action->setProperty(kCommandProperty, command);
    action->setIcon(CommandIcon(command));
    action->setIconVisibleInMenu(true);
    // Ticks come from the update rules alone; a click must not flip them on its own.
    connect(action, &QAction::triggered, this, [this, action, command] {
        Execute(command);
        ApplyRule(action, command);
    });
    actions_[command] = action;
    return action;
}

void CCommandTable::Execute(int command) {
    if (const std::optional<int> language = LanguageIndexForCommand(command)) {
        SelectLanguage(*language);
    } else if (auto it = entries_.find(command); it != entries_.end() && it->second.handler) {
        it->second.handler();
    }
    RefreshToolbarActions();
}

CommandUI CCommandTable::Evaluate(int command) const {
    CommandUI ui;
    if (command == cmd::kLanguageDefault) {
        ui.SetCheck(IsDefaultLanguageChecked(Language().CurrentIndex()));
        return ui;
    }
    if (const std::optional<bool> checked = IsLanguageItemChecked(command, Language().CurrentIndex())) {
        ui.SetCheck(*checked);
        return ui;
    }
    if (auto it = entries_.find(command); it != entries_.end() && it->second.rule) {
        it->second.rule(ui);
    }
    return ui;
}

void CCommandTable::ApplyRule(QAction* action, int command) {
    const CommandUI ui = Evaluate(command);
    action->setEnabled(ui.enabled);
    const bool checked = ui.checked.value_or(false);
    if (ui.checked.has_value() || action->isCheckable()) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
    if (ui.text.has_value()) {
        SetMenuItemText(action, *ui.text);
    }
}

void CCommandTable::UpdateMenu(QMenu* menu) {
    if (menu == nullptr) {
        return;
    }
    for (QAction* action : menu->actions()) {
        if (const int command = CommandOf(action); command != 0) {
            ApplyRule(action, command);
        }
    }
}

void CCommandTable::OnTick() {
    // The toolbar's states follow the settings and the user's input; the slow refresh in between catches
    // what changes on its own, such as a recording reaching its end.
    constexpr int kQuietRefreshTicks = 10;
    const std::uint64_t input = view_ != nullptr ? view_->InputCount() : 0;
    const bool quiet = input == toolbarInput_ && doc_.settings == toolbarSettings_;
    if (++ticksSinceRefresh_ < kQuietRefreshTicks && quiet) {
        return;
    }
    ticksSinceRefresh_ = 0;
    toolbarInput_ = input;
    toolbarSettings_ = doc_.settings;
    RefreshToolbarActions();
}

void CCommandTable::RefreshToolbarActions() {
    for (int command : cmd::kToolbarCommands) {
        if (auto it = actions_.find(command); it != actions_.end()) {
            ApplyRule(it->second, command);
        }
    }
}

void CCommandTable::BindAccelerators() {
    for (const Accelerator& accelerator : Accelerators()) {
        for (const QKeyCombination keys : KeysOf(accelerator)) {
            auto* shortcut = new QShortcut(QKeySequence(keys), &window_);
            shortcut->setContext(Qt::WindowShortcut);
            const int command = accelerator.command;
            // Accelerators reach the handler even when the item is disabled: the handler refuses.
            connect(shortcut, &QShortcut::activated, this, [this, command] { Execute(command); });
            shortcuts_.push_back(shortcut);
        }
    }
}

void CCommandTable::BuildToolBar() {
    toolBar_ = new QToolBar(&window_);
    toolBar_->setObjectName(QStringLiteral("toolbar"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(kMenuIconSize, kMenuIconSize));
    toolBar_->setProperty(kControlIdProperty, cmd::kViewToolbar);
    for (int command : cmd::kToolbarLayout) {
        if (command == 0) {
            toolBar_->addSeparator();
        } else {
            QAction* action = Action(command);
            toolBar_->addAction(action);
            if (QWidget* button = toolBar_->widgetForAction(action)) {
                button->installEventFilter(this); // tooltips of keys without a text
            }
        }
    }
    window_.addToolBar(Qt::TopToolBarArea, toolBar_);
    RelabelToolbar();
    RefreshToolbarActions();
}

void CCommandTable::RelabelToolbar() {
    for (int command : cmd::kToolbarCommands) {
        const QString tip = ToQString(Text(command)).left(kMaxTooltipChars);
        Action(command)->setToolTip(tip);
        // The fly-by help in the status bar while the pointer rests on the button.
        Action(command)->setStatusTip(tip);
    }
}

void CCommandTable::OnFirstTick() {
    if (menusBuilt_) {
        return;
    }
    FindLanguages();
    BuildMenus();
    SelectLanguage(doc_.languageIndex);
}

void CCommandTable::FindLanguages() {
    if (languagesFound_) {
        return;
    }
    languagesFound_ = true;
    std::filesystem::path folder = options_.languageFolder;
    if (folder.empty()) {
        folder = std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "language";
    }
    const std::filesystem::path temp =
        options_.tempFolder.empty() ? PerUserTempFolder() : options_.tempFolder;
    if (!temp.empty()) {
        Language().WriteDefaultLanguage(temp);
    }
    Language().FindLanguageFiles(folder);
}

void CCommandTable::BuildMenus() {
    std::vector<MenuNode> bar = BuildMenuBar(doc_.settings.model, doc_.settings.demoMode != 0);
    AppendLanguageItems(bar, Language());
    if (menuBar_ == nullptr) {
        menuBar_ = new QMenuBar(&window_);
        window_.setMenuBar(menuBar_);
    } else {
        menuBar_->clear();
    }
    FillMenuBar(menuBar_, bar, *this, *menuStyle_);
    menusBuilt_ = true;
}

CLanguageTable& CCommandTable::Language() {
    return doc_.language;
}

const CLanguageTable& CCommandTable::Language() const {
    return doc_.language;
}

std::string CCommandTable::Text(int key) const {
    return doc_.Text(key);
}

int CCommandTable::SelectLanguage(int index) {
    const int stored = doc_.SelectLanguage(index);
    RelabelMenu(menuBar_, Language());
    if (panels_.relabelWindows) {
        panels_.relabelWindows();
    }
    if (sidebar_.refreshFromSettings) {
        sidebar_.refreshFromSettings();
    }
    RelabelToolbar();
    if (screen_ != nullptr) {
        screen_->update();
    }
    return stored;
}

QMenu* CCommandTable::CreateContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menuStyle_->Attach(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
    FillMenu(menu, BuildContextMenu(doc_.settings.model), *this, *menuStyle_, &Language());
    return menu;
}

void CCommandTable::ContextRequest(const QPoint& globalPos) {
    if (view_ == nullptr) {
        return;
    }
    if (!view_->IsFullScreen()) {
        // Outside full screen a click steps the time base in the zoom modes.
        auto& acquire = doc_.settings.acquire;
        if (acquire.zoomIn == 0 && acquire.zoomOut == 0) {
            return;
        }
        if (acquire.zoomIn != 0) {
            doc_.TimeDivSlower();
        } else {
            doc_.TimeDivFaster();
        }
        SelectSidebar(SidebarList::kTimeDiv, doc_.settings.timebase.timeDivIndex);
        RepaintKnob(SidebarKnob::kTimeDiv);
        RepaintScreen();
        return;
    }
    QMenu* menu = CreateContextMenu(view_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

bool CCommandTable::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // Qt falls back to the action's text for an empty tooltip; a key without a text shows none.
        if (auto* button = qobject_cast<QToolButton*>(watched);
            button != nullptr && button->defaultAction() != nullptr &&
            Text(CommandOf(button->defaultAction())).empty()) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
    }
    if (watched == view_ && event->type() == QEvent::ContextMenu) {
        auto* context = static_cast<QContextMenuEvent*>(event);
        QPoint global = context->globalPos();
        if (context->reason() == QContextMenuEvent::Keyboard && screen_ != nullptr) {
            global = screen_->mapToGlobal(QPoint(5, 5));
        }
        ContextRequest(global);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// ---- Shared steps ----

void CCommandTable::ErrorBox() {
    Message(doc_.Text(kTextFunctionNotAvailable));
}

void CCommandTable::Message(const std::string& text) {
    if (text.empty()) {
        return;
    }
    if (options_.notifier != nullptr) {
        options_.notifier->ShowMessage("Error", text);
    } else {
        QMessageBox::warning(&window_, QStringLiteral("Error"), ToQString(text));
    }
}

void CCommandTable::ExecuteWithAnswers(int command, const std::string& path, int saveChannel) {
    answers_ = DialogAnswers{path, saveChannel};
    Execute(command);
    answers_.reset();
}

std::string CCommandTable::ChooseFile(const FileDialogRequest& request) {
    if (answers_) {
        return answers_->path;
    }
    return options_.chooseFile ? options_.chooseFile(request) : ChooseFileWithDialog(&window_, request);
}

std::string ChooseFileWithDialog(QWidget* parent, const FileDialogRequest& request) {
    static std::map<QString, QString> lastFolders; // by default extension, for this run
    QString& folder = lastFolders[request.defaultSuffix.toLower()];
    QFileDialog dialog(parent, request.title, folder, request.filter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    const QString chosen = dialog.selectedFiles().constFirst();
    folder = QFileInfo(chosen).absolutePath();
    return ToStdString(chosen);
}

void CCommandTable::SelectSidebar(SidebarList list, int index) {
    if (sidebar_.select) {
        sidebar_.select(list, index);
    }
}

void CCommandTable::RepaintKnob(SidebarKnob knob) {
    if (sidebar_.repaintKnob) {
        sidebar_.repaintKnob(knob);
    }
}

void CCommandTable::UpdateMarkers() {
    if (screen_ != nullptr) {
        screen_->UpdateMarkers();
    }
}

void CCommandTable::RepaintScreen() {
    if (screen_ != nullptr) {
        screen_->update();
    }
}

bool CCommandTable::Running() const {
    return doc_.settings.acquire.running != 0;
}

bool CCommandTable::Demo() const {
    return doc_.settings.demoMode != 0;
}

int CCommandTable::Format() const {
    return doc_.settings.timebase.displayFormat;
}

bool CCommandTable::FftRunning() const {
    return doc_.fftSettings.running != 0;
}

bool CCommandTable::PassFailOpen() const {
    return doc_.passFail.State().panelShown != 0;
}

int CCommandTable::CursorSource() const {
    return screen_ != nullptr ? screen_->GetCursorSource() : 0;
}

int CCommandTable::CursorType() const {
    return screen_ != nullptr ? screen_->GetCursorType() : 0;
}

} // namespace tarnix
