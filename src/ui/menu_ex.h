// The flat owner-drawn look of the menus, by Qt means: a QProxyStyle that paints each item with an
// icon column, a tick box in place of the icon for ticked items, greyed text and icons, and the
// shortcut part of a "Text#Shortcut" menu text right-aligned. Qt's own tab convention carries the
// shortcut part (the action text is "Text\tShortcut"), so QMenu measures both columns and its width
// follows the texts whenever an action's text changes.
#pragma once

#include <QColor>
#include <QIcon>
#include <QProxyStyle>
#include <QString>
#include <string>
#include <string_view>

class QAction;
class QMenu;

namespace tarnix {

inline constexpr int kMenuIconSize = 20;
inline constexpr int kMenuSeparatorHeight = 10;

class CMenuEx : public QProxyStyle {
    Q_OBJECT

public:
    static QColor IconColumnColour() { return {236, 233, 216}; }
    static QColor HighlightBorderColour() { return {49, 106, 197}; }
    static QColor HighlightFillColour() { return {200, 220, 253}; }
    static QColor GreyedTextColour() { return {200, 200, 200}; }
    static QColor SeparatorColour() { return {197, 194, 184}; }

    CMenuEx();

    // Gives a popup (and the popups below it) this look.
    void Attach(QMenu* menu);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contentsSize,
                           const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

// Menu texts: "Load CSV#Ctrl+O" becomes the action text "Load CSV\tCtrl+O" (split at the first "#");
// the original is kept on the action so relabelling and tests can read it back.
QString ToQString(std::string_view text);
std::string ToStdString(const QString& text);
void SetMenuItemText(QAction* action, std::string_view menuText);
std::string MenuItemText(const QAction* action);

// The toolbar picture of a command (also the icon of its menu items); a null icon when it has none.
QIcon CommandIcon(int command);

} // namespace tarnix
