// The two modal choices of start-up: Searching Device when the search found no instrument (Close ends
// the program, Ignore, Escape or the close box go on in demo mode) and Device List when it found
// several (tick one, change IDs, OK or Cancel). CStartupChooser answers the document's start-up
// questions with them.
#pragma once

#include <QDialog>
#include <array>
#include <optional>

#include "document/user_notifier.h"

class QCheckBox;
class QPushButton;

namespace tarnix {

class CTarnixDoc;
class CLanguageTable;
class CClampedSpinBox;

class CSearchingDeviceDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 217;
    static constexpr int kTitleKey = 217;
    // Accepted (the OK result) is Close; rejected (Cancel) is Ignore, Escape or the close box.
    CSearchingDeviceDialog(const CLanguageTable& language, QWidget* parent = nullptr);

    QPushButton* CloseButton() const { return close_; }
    QPushButton* IgnoreButton() const { return ignore_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* close_ = nullptr;
    QPushButton* ignore_ = nullptr;
};

class CDeviceListDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 218;
    static constexpr int kTitleKey = 217;
    // Slots with an instrument are those the document's link marks present; `notifier` null: message
    // boxes.
    CDeviceListDialog(CTarnixDoc& doc, const CLanguageTable& language, IUserNotifier* notifier = nullptr,
                      QWidget* parent = nullptr);

    // The slot chosen by OK (0..3); -1 before OK.
    int SelectedSlot() const { return selectedSlot_; }

    QCheckBox* DeviceBox(int slot) const { return boxes_[static_cast<std::size_t>(slot)]; }
    CClampedSpinBox* IdEdit(int slot) const { return edits_[static_cast<std::size_t>(slot)]; }
    QPushButton* ModifyButton(int slot) const { return modify_[static_cast<std::size_t>(slot)]; }

    // Modify ID of a slot: writes the edit's ID to that instrument; the stored ID follows on success.
    void ModifyId(int slot);
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Tick(int slot, bool on);
    void Message(std::string_view text);

    CTarnixDoc& doc_;
    IUserNotifier* notifier_;
    std::array<QCheckBox*, 4> boxes_{};
    std::array<CClampedSpinBox*, 4> edits_{};
    std::array<QPushButton*, 4> modify_{};
    int selectedSlot_ = -1;
};

// The document's start-up chooser with the dialogs above, parented to `parent` (may be null: the
// main window is not shown yet).
class CStartupChooser : public IStartupChooser {
public:
    CStartupChooser(CTarnixDoc& doc, const CLanguageTable& language, QWidget* parent = nullptr,
                    IUserNotifier* notifier = nullptr);

    std::optional<int> ChooseDevice(std::span<const FoundDevice> devices) override;
    NoDeviceChoice NoDeviceFound() override;

private:
    CTarnixDoc& doc_;
    const CLanguageTable& language_;
    QWidget* parent_;
    IUserNotifier* notifier_;
};

} // namespace tarnix
