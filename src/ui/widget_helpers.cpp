#include "ui/widget_helpers.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "ui/relabel.h"

namespace tarnix {

QLabel* NewLabel(int controlId, const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    SetControlId(label, controlId);
    return label;
}

QPushButton* NewButton(int controlId, const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    SetControlId(button, controlId);
    button->setAutoDefault(false);
    return button;
}

void CentreOver(QWidget& window, const QWidget* over) {
    if (!window.isVisible()) {
        window.adjustSize();
    }
    if (over != nullptr) {
        const QPoint centre = over->mapToGlobal(over->rect().center());
        window.move(centre - QPoint(window.width() / 2, window.height() / 2));
    }
}

void ShowCentredOver(QWidget& window, const QWidget* over) {
    CentreOver(window, over);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace tarnix
