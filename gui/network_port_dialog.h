// "Network Port": names a serial server at a repeater site as one of the "Com" entries. The
// address is built from its kind (raw TCP or Telnet COM-PORT, either inside TLS), host and
// port; a TLS address takes the certificate file or fingerprint that vouches for the server.
// "Test Connection" asks the controller behind it for its firmware version before anything is
// stored. OK stores the address as that entry's ComDevice(n) in kelp.ini.
#pragma once

#include <QDialog>
#include <string>

#include "core/link/link_preferences.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kelp {

class NetworkPortDialog : public QDialog {
    Q_OBJECT
  public:
    explicit NetworkPortDialog(QWidget* parent = nullptr);

    // The entry chosen, the address and its trust as the boxes now say.
    int comEntry() const;
    std::string address() const;
    TlsTrust trust() const;
    // "Use this Com entry for the controller" is checked.
    bool useNow() const;

  public slots:
    void accept() override;

  private:
    void showEntry(int n);
    void refresh();
    void testConnection();
    // Shows the test's message, the window growing to hold it.
    void showResult(const QString& text);
    bool tls() const;

    QComboBox* entry_ = nullptr;
    QComboBox* scheme_ = nullptr;
    QLineEdit* host_ = nullptr;
    QSpinBox* port_ = nullptr;
    QLineEdit* caFile_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLineEdit* fingerprint_ = nullptr;
    QLabel* address_ = nullptr;
    QLabel* result_ = nullptr;
    QPushButton* pin_ = nullptr;
    QCheckBox* useNow_ = nullptr;
    QString offered_;  // the fingerprint an untrusted server offered in the last test
};

}  // namespace kelp
