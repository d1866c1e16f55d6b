// Small pieces every window of the shell builds with: text conversion, controls that carry their
// control ID for relabelling, and placing a top-level window over the waveform screen.
#pragma once

#include <QString>
#include <string_view>

class QLabel;
class QPushButton;
class QWidget;

namespace tarnix {

inline QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A label or push button with its language control ID; buttons never become the default button, so
// Enter in an edit does not press them.
QLabel* NewLabel(int controlId, const char* text, QWidget* parent);
QPushButton* NewButton(int controlId, const char* text, QWidget* parent);

// The lists and spin boxes under `root` take the mouse wheel only while they have the keyboard focus;
// otherwise the wheel scrolls the area they sit in, so a setting never changes under a passing pointer.
void TakeWheelOnlyWithFocus(QWidget* root);

// Moves a top-level window so that its centre lies on the centre of `over` (left where it is when
// `over` is null); a window that is not shown yet first takes its natural size.
void CentreOver(QWidget& window, const QWidget* over);
// CentreOver, then shows the window in front with the focus.
void ShowCentredOver(QWidget& window, const QWidget* over);

} // namespace tarnix
