// Putting the current language's texts into the menus and windows. Menus are walked by position (the
// language key of an item follows from its position, separators counted); windows by the control ID
// each widget carries as a property, compared numerically with the stored keys.
#pragma once

class QMenuBar;
class QWidget;

namespace tarnix {

class CLanguageTable;

// Name of the widget property that holds a control's ID (an int).
inline constexpr char kControlIdProperty[] = "tarnixControlId";
void SetControlId(QWidget* widget, int controlId);
// The control ID of a widget, or 0 when it has none.
int ControlId(const QWidget* widget);

// Every title and item of the menu bar down to the fourth level whose key the table holds gets that
// text; separators are skipped and items whose key is missing keep their text. Returns the number of
// texts put in.
int RelabelMenu(QMenuBar* menuBar, const CLanguageTable& table);

// Labels, buttons and group boxes of a window that carry a control ID get the text of the first
// stored key with that numeric value; others keep theirs. Group boxes are walked into (in Qt they are
// the parents of the controls they frame); combo boxes are never relabelled (their own code refills
// them) and other windows (dialogs parented to this one) are not entered. Returns the count relabelled.
int RelabelWindow(QWidget* window, const CLanguageTable& table);
// A dialog's title from its template number; kept when the table has no text for it.
void RelabelTitle(QWidget* window, int templateId, const CLanguageTable& table);

} // namespace tarnix
