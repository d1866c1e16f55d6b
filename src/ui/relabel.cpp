#include "ui/relabel.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QVariant>
#include <vector>

#include "language/language_table.h"
#include "language/menu_table.h"
#include "ui/menu_ex.h"

namespace tarnix {
namespace {

// Items of one popup at `path`; recursion stops after the fourth level, where keys end.
int RelabelPopup(QMenu* menu, std::vector<int>& path, const CLanguageTable& table) {
    int count = 0;
    const QList<QAction*> actions = menu->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
        QAction* action = actions[i];
        if (action->isSeparator()) {
            continue;
        }
        path.push_back(static_cast<int>(i));
        if (const std::optional<int> key = MenuKey(path)) {
            if (const std::optional<std::string> text = table.FindText(*key)) {
                SetMenuItemText(action, *text);
                ++count;
            }
        }
        if (QMenu* sub = action->menu(); sub != nullptr && path.size() < 4) {
            count += RelabelPopup(sub, path, table);
        }
        path.pop_back();
    }
    return count;
}

bool Relabel(QWidget* widget, const std::string& text) {
    const QString value = ToQString(text);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
        return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
        return true;
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(value);
        return true;
    }
    return false;
}

int RelabelChildren(QWidget* parent, const CLanguageTable& table) {
    int count = 0;
    for (QObject* object : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        if (widget == nullptr || widget->isWindow() || qobject_cast<QComboBox*>(widget) != nullptr) {
            continue;
        }
        if (const int id = ControlId(widget); id != 0) {
            if (const std::optional<std::string> text = table.FindControlText(id)) {
                count += Relabel(widget, *text) ? 1 : 0;
            }
        }
        // Controls sit inside group boxes and plain layout containers; other controls have no
        // relabelled parts of their own.
        if (qobject_cast<QGroupBox*>(widget) != nullptr || ControlId(widget) == 0) {
            count += RelabelChildren(widget, table);
        }
    }
    return count;
}

} // namespace

void SetControlId(QWidget* widget, int controlId) {
    if (widget != nullptr) {
        widget->setProperty(kControlIdProperty, controlId);
    }
}

int ControlId(const QWidget* widget) {
    const QVariant id = widget != nullptr ? widget->property(kControlIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : 0;
}

int RelabelMenu(QMenuBar* menuBar, const CLanguageTable& table) {
    if (menuBar == nullptr) {
        return 0;
    }
    int count = 0;
    std::vector<int> path;
    const QList<QAction*> titles = menuBar->actions();
    for (qsizetype t = 0; t < titles.size(); ++t) {
        QAction* title = titles[t];
        if (title->isSeparator()) {
            continue;
        }
        path.assign(1, static_cast<int>(t));
        if (const std::optional<std::string> text = table.FindText(MenuKey(path).value_or(0))) {
            title->setText(ToQString(*text));
            ++count;
        }
        if (QMenu* popup = title->menu()) {
            count += RelabelPopup(popup, path, table);
        }
    }
    return count;
}

int RelabelWindow(QWidget* window, const CLanguageTable& table) {
    return window != nullptr ? RelabelChildren(window, table) : 0;
}

void RelabelTitle(QWidget* window, int templateId, const CLanguageTable& table) {
    if (window == nullptr) {
        return;
    }
    if (const std::optional<std::string> text = table.FindText(templateId)) {
        window->setWindowTitle(ToQString(*text));
    }
}

} // namespace tarnix
