// A document, the main window and its command table, as the program builds them, with the message
// boxes recorded and the language files in a temporary folder.
#pragma once

#include "document/tarnix_doc.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/user_notifier.h"
#include "model/model_table.h"
#include "ui/command_table.h"
#include "ui/main_frame.h"

namespace tarnix::test {

class RecordingNotifier : public IUserNotifier {
public:
    void ShowMessage(std::string_view caption, std::string_view text) override {
        messages.emplace_back(std::string(caption), std::string(text));
    }
    std::vector<std::pair<std::string, std::string>> messages;
};

struct RigOptions {
    int model = 1;
    bool demo = false;
    // Language files to create: path relative to the language folder, UTF-8 contents.
    std::vector<std::pair<std::string, std::string>> languageFiles;
};

bool ShowAndActivate(QWidget& window);

// The tick a menu or toolbar shows for an action.
inline bool Checked(QAction* action) {
    return action->isCheckable() && action->isChecked();
}

class Rig {
public:
    explicit Rig(const RigOptions& options = {});
    ~Rig();
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    CTarnixDoc& Doc() { return *doc_; }
    InstrumentSettings& Settings() { return doc_->settings; }
    CMainFrame& Frame() { return *frame_; }
    CCommandTable& Table() { return *table_; }
    const std::vector<std::pair<std::string, std::string>>& Messages() const { return notifier_.messages; }
    void ClearMessages() { notifier_.messages.clear(); }

    // The rule's state as a menu shows it: the action after its popup has been opened.
    QAction* Updated(int command);
    // Opens and closes a popup as the user would, which applies its items' rules.
    static void Open(QMenu* menu);
    // Text of an action as a menu text ("Turn Off#Ctrl+1").
    std::string TextOf(int command);
    // The popup reached from the menu bar by positions; nullptr when there is none.
    QMenu* Popup(std::initializer_list<int> positions);
    // Command IDs of a popup's items in order (0 separators, -1 popups).
    std::vector<int> Commands(QMenu* menu);

private:
    QTemporaryDir dir_;
    RecordingNotifier notifier_;
    std::unique_ptr<CTarnixDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    CCommandTable* table_ = nullptr;
};

} // namespace tarnix::test
