// The Save dialog: which channel Save CSV and Save Reference write. Modal and created per use; it only
// offers the channels that are on, and OK stores the choice in the document's saveChannel.
#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

namespace tarnix {

class CTarnixDoc;

class CSaveDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 193;

    explicit CSaveDialog(CTarnixDoc& doc, QWidget* parent = nullptr);

    QRadioButton* Ch1Button() const { return ch1_; }
    QRadioButton* Ch2Button() const { return ch2_; }
    QPushButton* OkButton() const { return ok_; }

    // OK: saveChannel := 0 for CH1, 1 for CH2, 2 when neither is selected.
    void accept() override;

private:
    CTarnixDoc& doc_;
    QRadioButton* ch1_ = nullptr;
    QRadioButton* ch2_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// The commands' chooseSaveChannel: runs the dialog modally; true when it ended with OK.
bool RunSaveDialog(CTarnixDoc& doc, QWidget* parent);

} // namespace tarnix
