// TTPad, "DTMF Dialer": sixteen buttons that play their DTMF tone, the digits dialed so far,
// and "Tx"/"Rx" to key and release the transmitter by hand. The transmitter is never left
// keyed: closing the pad, however it is closed, releases it.
#pragma once

#include <QDialog>
#include <optional>

#include "core/link/dtmf_tones.h"

class QLineEdit;
class QPushButton;

namespace kelp {

class TTPad : public QDialog {
    Q_OBJECT
  public:
    explicit TTPad(QWidget* parent = nullptr);
    ~TTPad() override;

    // True after "Tx" keyed the transmitter and until it is released.
    bool keyed() const { return key_.has_value(); }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void cmdNum_Click(int index, const QString& caption);
    void TxSet_Click();
    void RxSet_Click();
    void release();
    void afterDigit();

    QLineEdit* txtNum_ = nullptr;
    std::optional<TransmitterKey> key_;
};

}  // namespace kelp
