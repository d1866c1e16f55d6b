#include "ui/autoset_window.h"

#include <QLabel>
#include <QVBoxLayout>
#include <memory>

#include "document/autoset.h"
#include "ui/widget_helpers.h"

namespace tarnix {

namespace {

constexpr char kWindowName[] = "tarnixAutosetWindow";

} // namespace

CAutosetWindow::CAutosetWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QLatin1String(kWindowName));
    setWindowTitle(QStringLiteral("Autoset"));
    setModal(false);
    label_ = new QLabel(this);
    label_->setMinimumWidth(200);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
}

void CAutosetWindow::SetText(std::string_view text) {
    label_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

QString CAutosetWindow::Text() const {
    return label_->text();
}

CAutosetWindow* FindAutosetWindow(QWidget* view) {
    if (view == nullptr) {
        return nullptr;
    }
    return view->findChild<CAutosetWindow*>(QLatin1String(kWindowName), Qt::FindDirectChildrenOnly);
}

void AttachAutosetWindow(CAutoset& autoset, QWidget* view, std::function<void()> refreshSidebar) {
    QPointer<QWidget> guardedView(view);
    autoset.hooks.showProgress = [guardedView](std::string_view text) {
        if (guardedView.isNull()) {
            return;
        }
        CAutosetWindow* window = FindAutosetWindow(guardedView.data());
        const bool created = window == nullptr;
        if (created) {
            window = new CAutosetWindow(guardedView.data());
        }
        window->SetText(text);
        if (created) {
            CentreOver(*window, guardedView.data());
            window->show();
        }
    };
    autoset.hooks.closeProgress = [guardedView] {
        if (guardedView.isNull()) {
            return;
        }
        // Deleted at once: the finish runs inside the timer tick, not inside the window's own events.
        delete FindAutosetWindow(guardedView.data());
    };
    autoset.hooks.refreshSidebar = std::move(refreshSidebar);
}

} // namespace tarnix
