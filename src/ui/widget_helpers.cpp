#include "ui/widget_helpers.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>

#include "ui/relabel.h"

namespace tarnix {

namespace {

class CWheelGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* control = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Wheel || control == nullptr || control->hasFocus()) {
            return false;
        }
        auto* wheel = static_cast<QWheelEvent*>(event);
        QWidget* up = control->parentWidget();
        while (up != nullptr && qobject_cast<QAbstractScrollArea*>(up) == nullptr) {
            up = up->parentWidget();
        }
        if (auto* area = qobject_cast<QAbstractScrollArea*>(up); area != nullptr) {
            // The area's own handling of a wheel over its viewport: its scroll bar moves.
            QScrollBar* bar =
                wheel->angleDelta().y() != 0 ? area->verticalScrollBar() : area->horizontalScrollBar();
            const QPointF at = bar->mapFromGlobal(wheel->globalPosition());
            QWheelEvent forwarded(at, wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                                  wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted(),
                                  wheel->source());
            QCoreApplication::sendEvent(bar, &forwarded);
            return true;
        }
        // Nothing to scroll: the control lets the wheel pass on to its window.
        event->ignore();
        return true;
    }
};

} // namespace

void TakeWheelOnlyWithFocus(QWidget* root) {
    auto* guard = new CWheelGuard(root);
    QList<QWidget*> controls;
    for (QComboBox* list : root->findChildren<QComboBox*>()) {
        controls.append(list);
    }
    for (QAbstractSpinBox* spin : root->findChildren<QAbstractSpinBox*>()) {
        controls.append(spin);
    }
    for (QWidget* control : controls) {
        // A click or Tab gives the focus; the wheel alone never does.
        control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(guard);
    }
}

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
