// View menu: toolbar, sidebar and full screen; and the context menu's Window Mode and Information.
#include <QToolBar>

#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "ui/command_table.h"
#include "ui/menu_ex.h"
#include "ui/tarnix_view.h"

namespace tarnix {
namespace {
constexpr int kTextInformationOn = 4013;
constexpr int kTextInformationOff = 4014;
} // namespace

void CCommandTable::ToggleFullScreen() {
    if (view_ == nullptr) {
        return;
    }
    if (view_->IsFullScreen()) {
        view_->LeaveFullScreen();
    } else {
        view_->EnterFullScreen();
    }
}

void CCommandTable::RegisterViewCommands() {
    Add(
        cmd::kViewToolbar,
        [this] {
            if (toolBar_ != nullptr) {
                toolBar_->setVisible(!ToolBarShown());
            }
        },
        [this](CommandUI& ui) { ui.SetCheck(ToolBarShown()); });
    if (view_ == nullptr) {
        for (int id : {cmd::kViewSidebar, cmd::kViewFullScreen, cmd::kViewFullScreenAlt, cmd::kWindowMode}) {
            AddUnavailable(id);
        }
        return;
    }
    Add(cmd::kViewSidebar, [this] { view_->SetSidebarShown(!view_->SidebarShown()); });
    Add(cmd::kViewFullScreen, [this] { ToggleFullScreen(); });
    Add(cmd::kViewFullScreenAlt, [this] { ToggleFullScreen(); });
}

void CCommandTable::RegisterContextCommands() {
    if (view_ != nullptr) {
        Add(cmd::kWindowMode, [this] {
            if (view_->IsFullScreen()) {
                view_->LeaveFullScreen();
            }
        });
    }
    Add(
        cmd::kInformationOnOff,
        [this] {
            if (screen_ != nullptr) {
                screen_->SetInformationOn(!screen_->GetInformationOn());
            }
        },
        [this](CommandUI& ui) {
            const bool on = screen_ != nullptr && screen_->GetInformationOn();
            ui.SetText(Text(on ? kTextInformationOff : kTextInformationOn));
        });
}

} // namespace tarnix
