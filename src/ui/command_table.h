// The command table: one QAction per command ID, shared by the menu bar, the toolbar, the accelerators
// and the full-screen context menu, each with its handler and its update rule (enable, tick, text).
// Rules run when a popup opens and, for the toolbar's actions, on every acquisition tick. Subsystems
// that have no window yet (the sidebar, the modeless panels, the file commands) join through the
// hook structs below; a command whose hook is empty stays disabled rather than pretending to work.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "language/language_table.h"
#include "model/instrument_settings.h"

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QShortcut;
class QToolBar;
class QWidget;

namespace tarnix {

class CTarnixDoc;
class CMainFrame;
class CTarnixView;
class CWaveScreen;
class CMenuEx;
class IUserNotifier;
struct MenuNode;

// What an update rule does to one item; an item without a rule stays enabled and unticked.
struct CommandUI {
    bool enabled = true;
    std::optional<bool> checked;
    std::optional<std::string> text; // menu text; the part after "#" is the right-aligned shortcut

    void Enable(bool on) { enabled = on; }
    void SetCheck(bool on) { checked = on; }
    void SetText(std::string value) { text = std::move(value); }
};

using CommandHandler = std::function<void()>;
using CommandRule = std::function<void(CommandUI&)>;

// Sidebar combo boxes the commands keep in step.
enum class SidebarList {
    kTimeDiv,
    kFormat,
    kCh1Volts,
    kCh1Coupling,
    kCh1Probe,
    kCh2Volts,
    kCh2Coupling,
    kCh2Probe,
    kTriggerMode,
    kSweep,
    kTriggerSource,
    kSlope,
};
enum class SidebarKnob { kTimeDiv, kCh1Volts, kCh2Volts };

// Calls into the sidebar and its knobs. Selecting an index sends no notification back.
struct SidebarSync {
    std::function<void(SidebarList list, int index)> select;
    std::function<void(SidebarKnob knob)> repaintKnob;
    std::function<void(int channel, bool on)> channelSwitched;
    std::function<void(int channel)> relabelVoltsList; // the probe changed: scaled labels
    std::function<void(bool enabled)> enableFormatList;
    std::function<void()> refreshFromSettings; // Factory Setup, language change
};

// Windows and actions of other subsystems. An empty member leaves its command disabled.
struct PanelHooks {
    std::function<void()> showIntensity;
    std::function<void()> showAverage;
    std::function<void()> showFft;
    std::function<void()> runRecord;
    std::function<void()> showPassFail; // also sets the document's Pass/Fail-open flag
    std::function<void()> runZeroCalibration;
    std::function<void()> showWaveformColor;
    std::function<void()> showDemoSetting;
    std::function<void()> showCalibrateData;
    std::function<void()> startAutoset;
    std::function<void()> showAbout;
    std::function<void()> showLogPanel; // Measure/Log to File...
    // The Save dialog's channel choice (stores the document's saveChannel); false for Cancel. Save CSV
    // and Save Reference are disabled without it.
    std::function<bool()> chooseSaveChannel;
    std::function<void()> refreshDialogs; // Factory Setup: Intensity, Average, Pass/Fail, FFT
    std::function<void()> relabelWindows; // language change: sidebar and modeless dialogs
};

// A platform file dialog: title, default extension and a Qt filter; the chosen path or "" for Cancel.
struct FileDialogRequest {
    bool save = false;
    QString title;
    QString defaultSuffix;
    QString filter;
};
using FileChooser = std::function<std::string(const FileDialogRequest& request)>;
// The platform file dialog for a request (asks before overwriting when saving); "" for Cancel. It
// opens in the folder where a file of the same kind (default extension) was last chosen in this run.
std::string ChooseFileWithDialog(QWidget* parent, const FileDialogRequest& request);

struct CommandTableOptions {
    IUserNotifier* notifier = nullptr;    // the error box and file messages; null: a QMessageBox
    std::filesystem::path languageFolder; // empty: <program folder>/language
    std::filesystem::path tempFolder;     // where default.lug goes; empty: PerUserTempFolder()
    FileChooser chooseFile;               // empty: QFileDialog
};

class CCommandTable : public QObject {
    Q_OBJECT

public:
    // Creates the table for the frame, binds the accelerators on it, adds the toolbar, and builds the
    // menus on the view's first timer tick (after the start-up has fixed the model and demo mode).
    static CCommandTable* Install(CMainFrame& frame, CTarnixDoc& doc, const CommandTableOptions& options);

    CCommandTable(CTarnixDoc& doc, QMainWindow& window, CTarnixView* view, CWaveScreen* screen,
                  const CommandTableOptions& options);
    ~CCommandTable() override;

    // The QAction of a command (created on first use).
    QAction* Action(int command);
    bool HasCommand(int command) const;
    // Runs a command's handler, as a menu item, toolbar button, accelerator or context entry does.
    void Execute(int command);
    // Runs a command with its dialogs answered (remote control): the file dialog with `path`, the Save
    // dialog's channel choice with `saveChannel` (0 CH1, 1 CH2).
    void ExecuteWithAnswers(int command, const std::string& path, int saveChannel);
    // The update rule's verdict for a command.
    CommandUI Evaluate(int command) const;
    // Applies the rule of every command item of a popup (its aboutToShow).
    void UpdateMenu(QMenu* menu);
    void RefreshToolbarActions();

    // Replaces or adds a command, e.g. the file commands once their dialogs exist.
    void Register(int command, CommandHandler handler, CommandRule rule = {});

    // First tick: the language files, the menu bar for the model, the stored language.
    void OnFirstTick();
    // Writes default.lug and lists the language files; start-up calls it before the device search so
    // that its dialogs already speak the stored language. Runs once.
    void FindLanguages();
    void BuildMenus();
    QMenuBar* MenuBar() const { return menuBar_; }
    QToolBar* ToolBar() const { return toolBar_; }
    // Whether the toolbar is shown, or will be once the main window is: a window not yet shown hides
    // its children too, which must not untick View/Toolbar.
    bool ToolBarShown() const;
    // The Utility/Language popup's choice: the document loads the language, then the menus, the
    // toolbar and (through the hooks) the windows are relabelled. Returns the stored index.
    int SelectLanguage(int index);
    CLanguageTable& Language();
    const CLanguageTable& Language() const;
    std::string Text(int key) const;

    // The full-screen context menu for the model (menu 134); the caller owns it.
    QMenu* CreateContextMenu(QWidget* parent);
    // A right click or the context-menu key at `globalPos`: zoom steps outside full screen, the
    // context menu in it.
    void ContextRequest(const QPoint& globalPos);

    SidebarSync& Sidebar() { return sidebar_; }
    PanelHooks& Panels() { return panels_; }
    CMenuEx& MenuStyle() { return *menuStyle_; }

    // Called by the view's timer after each tick: refreshes the toolbar when something may have changed.
    void OnTick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        CommandHandler handler;
        CommandRule rule;
    };
    void Add(int command, CommandHandler handler, CommandRule rule = {});
    void AddUnavailable(int command);
    void ApplyRule(QAction* action, int command);

    // One registration function per menu (commands_*.cpp).
    void RegisterFileCommands();
    void RegisterViewCommands();
    void RegisterChannelCommands();
    void RegisterTriggerCommands();
    void RegisterHorizontalCommands();
    void RegisterCursorCommands();
    void RegisterMeasureCommands();
    void RegisterDisplayCommands();
    void RegisterAcquireCommands();
    void RegisterUtilityCommands();
    void RegisterHelpCommands();
    void RegisterContextCommands();
    void BindAccelerators();
    void BuildToolBar();

    // Shared steps of the handlers.
    void ErrorBox();
    void Message(const std::string& text);
    std::string ChooseFile(const FileDialogRequest& request);
    void LoadReferenceFile();
    bool ChooseSaveChannel();
    void SelectSidebar(SidebarList list, int index);
    void RepaintKnob(SidebarKnob knob);
    void UpdateMarkers();
    void RepaintScreen();
    bool Running() const;
    bool Demo() const;
    int Format() const;
    bool FftRunning() const;
    bool PassFailOpen() const;
    int CursorSource() const;
    int CursorType() const;
    void SetTimeDivFromMenu(int command);
    void ChannelVolts(int channel, int index);
    void ChannelReset(int channel);
    void RelabelToolbar();
    void ToggleFullScreen();

    CTarnixDoc& doc_;
    QMainWindow& window_;
    CTarnixView* view_ = nullptr;
    CWaveScreen* screen_ = nullptr;
    CommandTableOptions options_;
    InstrumentSettings toolbarSettings_; // as of the last toolbar refresh
    std::uint64_t toolbarInput_ = 0;
    int ticksSinceRefresh_ = 0;
    std::map<int, Entry> entries_;
    std::map<int, QAction*> actions_;
    std::vector<QShortcut*> shortcuts_;
    QMenuBar* menuBar_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    CMenuEx* menuStyle_ = nullptr;
    SidebarSync sidebar_;
    PanelHooks panels_;
    bool menusBuilt_ = false;
    bool languagesFound_ = false;
    struct DialogAnswers {
        std::string path;
        int saveChannel = 0;
    };
    std::optional<DialogAnswers> answers_; // set while ExecuteWithAnswers runs
};

} // namespace tarnix
