// The small modeless window that shows how far Autoset has come. It exists only while Autoset runs:
// created with the first progress text, centred on the view, and destroyed at the finish.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <string_view>

class QLabel;

namespace tarnix {

class CAutoset;

class CAutosetWindow final : public QDialog {
    Q_OBJECT

public:
    explicit CAutosetWindow(QWidget* parent = nullptr);

    // Lines separated by '\n', as Autoset gives them.
    void SetText(std::string_view text);
    QString Text() const;

private:
    QLabel* label_ = nullptr;
};

// Connects Autoset's progress and sidebar hooks to a window over the view: the first text creates and
// centres it, later texts replace the shown one, the finish destroys it. refreshSidebar (may be empty)
// runs when Autoset changes the channel enables. The view must outlive the Autoset object's use.
void AttachAutosetWindow(CAutoset& autoset, QWidget* view, std::function<void()> refreshSidebar = {});

// The progress window currently over the view, nullptr when Autoset is not running.
CAutosetWindow* FindAutosetWindow(QWidget* view);

} // namespace tarnix
