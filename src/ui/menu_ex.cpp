#include "ui/menu_ex.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <algorithm>
#include <array>

#include "language/command_ids.h"
#include "language/menu_table.h"

namespace tarnix {
namespace {

constexpr char kMenuTextProperty[] = "tarnixMenuText";
// Space between the icon column and the text, and the text's measuring allowance.
constexpr int kTextIndent = 10;
constexpr int kTextExtra = 25;
constexpr int kSubmenuArrowWidth = 14;

// Resource names of the 17 toolbar pictures, in toolbar order (cmd::kToolbarCommands).
constexpr std::array<const char*, 17> kIconNames = {
    "load_csv", "save_waveform", "print",       "cross_cursor", "clear_cursor", "reference",
    "fft",      "record",        "pass_fail",   "zoom_out",     "zoom_in",      "start",
    "stop",     "autoset",       "full_screen", "sidebar",      "help",
};

} // namespace

CMenuEx::CMenuEx() = default;

void CMenuEx::Attach(QMenu* menu) {
    if (menu == nullptr) {
        return;
    }
    menu->setStyle(this);
}

int CMenuEx::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if (qobject_cast<const QMenu*>(widget) != nullptr) {
        switch (metric) {
        case PM_SmallIconSize:
            return kMenuIconSize;
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 1;
        case PM_MenuPanelWidth:
            return 1;
        default:
            break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QSize CMenuEx::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contentsSize,
                                const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || item == nullptr) {
        return QProxyStyle::sizeFromContents(type, option, contentsSize, widget);
    }
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        // A zero width would make the size empty, and QMenu gives an empty item no row at all.
        return {1, kMenuSeparatorHeight};
    }
    // The text's extent plus the measuring allowance, then the icon cell (2 pixels of border).
    int width = contentsSize.width() + kTextExtra + kMenuIconSize + 2;
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        width += kSubmenuArrowWidth;
    }
    if (item->text.contains(QLatin1Char('\t'))) {
        width += kTextIndent; // gap before the right-aligned shortcut column
    }
    const int height = std::max(contentsSize.height(), kMenuIconSize) + 2;
    return {width, height};
}

void CMenuEx::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                          const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || item == nullptr) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    painter->save();
    const QRect r = item->rect;
    const int iconColumn = kMenuIconSize + 2;
    const bool enabled = (item->state & State_Enabled) != 0;
    const bool selected = (item->state & State_Selected) != 0;

    // 1. Background and icon column.
    painter->fillRect(r, item->palette.color(QPalette::Normal, QPalette::Base));
    painter->fillRect(QRect(r.left(), r.top(), iconColumn, r.height()), IconColumnColour());

    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->setPen(SeparatorColour());
        const int y = r.top() + r.height() / 2;
        painter->drawLine(r.left() + iconColumn + kTextIndent / 2, y, r.right(), y);
        painter->restore();
        return;
    }

    // 2. Selection rectangle over an enabled item.
    if (selected && enabled) {
        painter->setPen(HighlightBorderColour());
        painter->setBrush(HighlightFillColour());
        painter->drawRect(r.adjusted(0, 0, -1, -1));
    }

    // 3. Text: the part before the tab left-aligned, the part after it right-aligned.
    const QColor textColour = !enabled   ? GreyedTextColour()
                              : selected ? item->palette.color(QPalette::Text)
                                         : item->palette.color(QPalette::Text);
    painter->setPen(textColour);
    painter->setFont(item->font);
    const int tab = static_cast<int>(item->text.indexOf(QLatin1Char('\t')));
    const QString left = tab >= 0 ? item->text.left(tab) : item->text;
    const QString right = tab >= 0 ? item->text.mid(tab + 1) : QString();
    const int arrow = item->menuItemType == QStyleOptionMenuItem::SubMenu ? kSubmenuArrowWidth : 0;
    const QRect textRect(r.left() + kMenuIconSize + kTextIndent, r.top(),
                         r.width() - kMenuIconSize - kTextIndent - 4 - arrow, r.height());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, left);
    if (!right.isEmpty()) {
        painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter, right);
    }
    if (arrow > 0) {
        QStyleOption arrowOption = *item;
        arrowOption.rect = QRect(r.right() - arrow, r.top(), arrow - 2, r.height());
        arrowOption.palette.setColor(QPalette::ButtonText, textColour);
        arrowOption.palette.setColor(QPalette::WindowText, textColour);
        proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrowOption, painter, widget);
    }

    // 4. Tick box in place of the icon, else the icon (greyed from the disabled mode).
    const QRect cell(r.left() + 1, r.top() + 1, kMenuIconSize, std::min(kMenuIconSize, r.height() - 2));
    if (item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked) {
        painter->setPen(HighlightBorderColour());
        painter->setBrush(HighlightFillColour());
        painter->drawRect(cell.adjusted(0, 0, -1, -1));
        painter->setPen(enabled ? item->palette.color(QPalette::Text) : GreyedTextColour());
        painter->drawText(cell, Qt::AlignCenter, QString(QChar(0x221A)));
    } else if (!item->icon.isNull()) {
        const QIcon::Mode mode = !enabled ? QIcon::Disabled : selected ? QIcon::Active : QIcon::Normal;
        item->icon.paint(painter, cell, Qt::AlignCenter, mode, QIcon::Off);
    }
    painter->restore();
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStdString(const QString& text) {
    return text.toStdString();
}

void SetMenuItemText(QAction* action, std::string_view menuText) {
    if (action == nullptr) {
        return;
    }
    const MenuTextParts parts = SplitMenuText(menuText);
    QString text = ToQString(parts.label);
    if (menuText.find('#') != std::string_view::npos) {
        text += QLatin1Char('\t');
        text += ToQString(parts.shortcut);
    }
    action->setProperty(kMenuTextProperty, ToQString(menuText));
    if (action->text() != text) {
        action->setText(text);
    }
}

std::string MenuItemText(const QAction* action) {
    if (action == nullptr) {
        return {};
    }
    const QVariant raw = action->property(kMenuTextProperty);
    if (raw.isValid()) {
        return raw.toString().toStdString();
    }
    QString text = action->text();
    text.replace(QLatin1Char('\t'), QLatin1Char('#'));
    return text.toStdString();
}

QIcon CommandIcon(int command) {
    for (std::size_t i = 0; i < cmd::kToolbarCommands.size(); ++i) {
        if (cmd::kToolbarCommands[i] == command) {
            // The 40 x 40 picture, drawn at its own size, serves screens scaled above 1x.
            QIcon icon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(kIconNames[i])));
            icon.addFile(QStringLiteral(":/icons/%1@2x.png").arg(QLatin1String(kIconNames[i])));
            return icon;
        }
    }
    return {};
}

} // namespace tarnix
