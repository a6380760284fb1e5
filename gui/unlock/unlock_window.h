// frmUnlock, "Unlock, Lock, and Terminator": the unlock codes of the three ports, the lock
// code and the terminator digit the controller holds, and the new ones to send now, to save
// for the next complete upload, or to record as already made. The codes' rules and what each
// button does are UnlockCodes'; the window shows them and keeps the focus where a check
// stopped.
#pragma once

#include <QDialog>
#include <array>
#include <optional>

#include "core/link/unlock_codes.h"

class QLineEdit;
class QPushButton;

namespace kelp {

class UnlockWindow : public QDialog {
    Q_OBJECT
  public:
    explicit UnlockWindow(ControllerDatabase& database, QWidget* parent = nullptr,
                          UnlockCodes::TransportFactory transport = {});

    UnlockCodes& codes() { return codes_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void showCodes();
    void typed(CodeBox box);
    void checkLeft();
    void focusBox(std::optional<CodeBox> box);
    void cmdSend_Click();
    void cmdSave_Click();
    void cmdRecord_Click();
    void cmdCancel_Click();
    void cmdClose_Click();
    QLineEdit* entry(CodeBox box) const { return entries_[static_cast<std::size_t>(box)]; }

    UnlockCodes codes_;
    std::array<QLineEdit*, kCodeBoxCount> current_{};
    std::array<QLineEdit*, kCodeBoxCount> entries_{};
    std::optional<CodeBox> leftBox_;  // a box just left, its check still to run
    bool checking_ = false;
    bool closing_ = false;
};

// Shows the unlock window for the process database modally and returns when it has closed
// (true: it was shown).
bool showUnlockWindow(QWidget* parent);

}  // namespace kelp
