// Cursor menu: the cursor source and type.
#include "document/tarnix_doc.h"

#include "display/wave_screen.h"
#include "language/command_ids.h"
#include "ui/command_table.h"

namespace tarnix {
namespace {
constexpr int kSourceFft = 6;
constexpr int kTypeNone = 0;
constexpr int kTypeCross = 1;
constexpr int kTypeTrace = 2;
constexpr int kTypeVertical = 3;
constexpr int kTypeHorizontal = 4;
} // namespace

void CCommandTable::RegisterCursorCommands() {
    if (screen_ == nullptr) {
        for (int id : {cmd::kCursorSourceCh1, cmd::kCursorSourceCh2, cmd::kCursorSourceMath,
                       cmd::kCursorSourceFft, cmd::kCursorNone, cmd::kCursorCross, cmd::kCursorTrace,
                       cmd::kCursorVertical, cmd::kCursorHorizontal}) {
            AddUnavailable(id);
        }
        return;
    }
    AcquireSettings& acquire = doc_.settings.acquire;

    const struct {
        int id;
        int source;
    } sources[] = {{cmd::kCursorSourceCh1, 0}, {cmd::kCursorSourceCh2, 1}, {cmd::kCursorSourceMath, 2}};
    for (const auto& src : sources) {
        Add(
            src.id,
            [this, v = src.source] {
                if (CursorSource() != v) {
                    screen_->SetCursorSource(v);
                    RepaintScreen();
                }
            },
            [this, v = src.source](CommandUI& ui) { ui.SetCheck(CursorSource() == v); });
    }
    Add(
        cmd::kCursorSourceFft,
        [this] {
            if (CursorSource() == kSourceFft) {
                return;
            }
            screen_->SetCursorSource(kSourceFft);
            // The spectrum has no time axis for crossing, vertical or horizontal cursors.
            const int type = CursorType();
            if (type == kTypeCross || type == kTypeVertical || type == kTypeHorizontal) {
                screen_->SetCursorType(kTypeNone);
            }
            RepaintScreen();
        },
        [this](CommandUI& ui) {
            const bool enabled = FftRunning();
            ui.Enable(enabled);
            ui.SetCheck(enabled && CursorSource() == kSourceFft);
        });

    Add(
        cmd::kCursorNone,
        [this] {
            if (CursorType() != kTypeNone) {
                screen_->SetCursorType(kTypeNone);
                RepaintScreen();
            }
        },
        [this](CommandUI& ui) { ui.SetCheck(CursorType() == kTypeNone); });

    // Choosing a cursor leaves the zoom and drag mouse modes.
    auto chooseType = [this, &acquire](int type) {
        screen_->SetCursorType(type);
        acquire.zoomIn = 0;
        acquire.zoomOut = 0;
        acquire.drag = 0;
        RepaintScreen();
    };
    Add(
        cmd::kCursorTrace,
        [this, chooseType] {
            if (CursorType() != kTypeTrace) {
                chooseType(kTypeTrace);
            }
        },
        [this](CommandUI& ui) { ui.SetCheck(CursorType() == kTypeTrace); });
    const struct {
        int id;
        int type;
    } timeCursors[] = {{cmd::kCursorCross, kTypeCross},
                       {cmd::kCursorVertical, kTypeVertical},
                       {cmd::kCursorHorizontal, kTypeHorizontal}};
    for (const auto& c : timeCursors) {
        Add(
            c.id,
            [this, chooseType, type = c.type] {
                if (CursorType() == type || CursorSource() == kSourceFft) {
                    return;
                }
                chooseType(type);
            },
            [this, type = c.type](CommandUI& ui) {
                const bool enabled = CursorSource() != kSourceFft;
                ui.Enable(enabled);
                ui.SetCheck(enabled && CursorType() == type);
            });
    }
}

} // namespace tarnix
