// ManualSendData, "Manual Send Data To QZ740": one command typed by hand and sent with Enter
// or "&Send". Only the sixteen DTMF digits can be typed or pasted (upper case); anything else
// beeps. Tab and Escape work as in any window.
// The window's geometry is kept in [Manualsend] of kelp.ini.
#pragma once

#include <QDialog>

#include "core/session/preferences.h"
#include "core/link/manual_send.h"

class QLineEdit;

namespace kelp {

class ManualSendWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ManualSendWindow(QWidget* parent = nullptr);

    const ManualSend& command() const { return send_; }
    WindowPlacement placement() const;
    // Restores the remembered geometry, shows the window modally and returns when it closed.
    int execAsRemembered();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void cmdSend_Click();
    void Close_Click();
    void savePlacement();

    ManualSend send_;
    QLineEdit* box_ = nullptr;
    int rememberedState_ = 0;
    bool saved_ = false;
};

// The [Manualsend] section of kelp.ini.
extern const char* const kManualSendSection;  // "Manualsend"

}  // namespace kelp
