#include "gui/network_port_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/app/busy_state.h"
#include "core/link/connection_test.h"
#include "core/link/telnet_com_port.h"
#include "gui/busy_follower.h"

namespace kelp {

namespace {

// The kinds of address, in the order of the box: scheme and what it means at the site.
struct Scheme {
    const char* prefix;
    const char* text;
};
constexpr Scheme kSchemes[] = {
    {"tcp://", "tcp://  raw TCP (the server sets the line)"},
    {"rfc2217://", "rfc2217://  Telnet COM-PORT (Kelp sets the line and drives DTR/RTS)"},
    {"tcp+tls://", "tcp+tls://  raw TCP inside TLS"},
    {"rfc2217+tls://", "rfc2217+tls://  Telnet COM-PORT inside TLS"},
};
constexpr int kDefaultServerPort = 2000;  // the README's ser2net example

}  // namespace

NetworkPortDialog::NetworkPortDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmNetworkPort"));
    setWindowTitle(QStringLiteral("Network Port"));

    entry_ = new QComboBox(this);
    entry_->setObjectName(QStringLiteral("cboComEntry"));
    for (int n = 1; n <= kComPortCount; ++n) entry_->addItem(QStringLiteral("Com%1").arg(n), n);
    scheme_ = new QComboBox(this);
    scheme_->setObjectName(QStringLiteral("cboScheme"));
    for (const Scheme& scheme : kSchemes) scheme_->addItem(QString::fromLatin1(scheme.text));
    host_ = new QLineEdit(this);
    host_->setObjectName(QStringLiteral("txtHost"));
    host_->setPlaceholderText(QStringLiteral("site.example.org or 192.0.2.10"));
    port_ = new QSpinBox(this);
    port_->setObjectName(QStringLiteral("txtPort"));
    port_->setRange(1, 65535);
    port_->setValue(kDefaultServerPort);
    caFile_ = new QLineEdit(this);
    caFile_->setObjectName(QStringLiteral("txtCaFile"));
    caFile_->setPlaceholderText(QStringLiteral("the system's authorities"));
    browse_ = new QPushButton(QStringLiteral("&Browse..."), this);
    browse_->setObjectName(QStringLiteral("cmdBrowse"));
    fingerprint_ = new QLineEdit(this);
    fingerprint_->setObjectName(QStringLiteral("txtFingerprint"));
    fingerprint_->setPlaceholderText(QStringLiteral("SHA-256, AB:CD:... (a self-made certificate)"));
    address_ = new QLabel(this);
    address_->setObjectName(QStringLiteral("lblAddress"));
    address_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* test = new QPushButton(QStringLiteral("&Test Connection"), this);
    test->setObjectName(QStringLiteral("cmdTest"));
    pin_ = new QPushButton(QStringLiteral("P&in This Certificate"), this);
    pin_->setObjectName(QStringLiteral("cmdPin"));
    pin_->setVisible(false);
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("lblTestResult"));
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    result_->setMinimumWidth(460);
    useNow_ = new QCheckBox(QStringLiteral("&Use this Com entry for the controller"), this);
    useNow_->setObjectName(QStringLiteral("chkUseNow"));
    useNow_->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Com &entry:"), entry_);
    form->addRow(QStringLiteral("&Kind:"), scheme_);
    form->addRow(QStringLiteral("&Host:"), host_);
    form->addRow(QStringLiteral("&Port:"), port_);
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(caFile_, 1);
    caRow->addWidget(browse_);
    auto* caLabel = new QLabel(QStringLiteral("Certificate &file:"), this);
    caLabel->setBuddy(caFile_);
    form->addRow(caLabel, caRow);
    form->addRow(QStringLiteral("Fin&gerprint:"), fingerprint_);
    form->addRow(QStringLiteral("Address:"), address_);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(test);
    testRow->addWidget(pin_);
    testRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(testRow);
    layout->addWidget(result_);
    layout->addWidget(useNow_);
    layout->addWidget(buttons);
    const QList<QLabel*> labels = findChildren<QLabel*>();
    for (QLabel* label : labels)
        if (label->buddy() != nullptr)
            label->buddy()->setAccessibleName(label->text().remove(QLatin1Char('&')).chopped(1));

    connect(entry_, &QComboBox::currentIndexChanged, this,
            [this](int index) { showEntry(index + 1); });
    connect(scheme_, &QComboBox::currentIndexChanged, this, &NetworkPortDialog::refresh);
    connect(host_, &QLineEdit::textChanged, this, &NetworkPortDialog::refresh);
    connect(port_, &QSpinBox::valueChanged, this, &NetworkPortDialog::refresh);
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, QStringLiteral("Certificate of the site server or its authority"),
            caFile_->text(), QStringLiteral("Certificates (*.pem *.crt);;All files (*)"));
        if (!file.isEmpty())
            caFile_->setText(file);
    });
    connect(test, &QPushButton::clicked, this, &NetworkPortDialog::testConnection);
    connect(pin_, &QPushButton::clicked, this, [this] {
        fingerprint_->setText(offered_);
        fingerprint_->setCursorPosition(0);
        pin_->setVisible(false);
        showResult(QString());  // the refusal was of the certificate now pinned
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &NetworkPortDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NetworkPortDialog::reject);
    // The test is an operation of its own: nothing here is pressed twice while it runs.
    new BusyFollower(this);

    // Start at the entry that reaches the controller now, else the first with an address.
    int start = linkPreferences().ComPort;
    if (start < 1 || start > kComPortCount) {
        start = 1;
        for (int n = kComPortCount; n >= 1; --n)
            if (isNetworkDevice(comDevice(n)))
                start = n;
    }
    entry_->setCurrentIndex(start - 1);
    showEntry(start);
}

void NetworkPortDialog::showEntry(int n) {
    const std::string device = comDevice(n);
    const std::optional<NetworkAddress> stored =
        isNetworkDevice(device) ? parseNetworkAddress(device, nullptr) : std::nullopt;
    if (stored) {
        const bool telnet = stored->kind == NetworkAddress::Kind::Rfc2217;
        scheme_->setCurrentIndex((telnet ? 1 : 0) + (stored->tls ? 2 : 0));
        host_->setText(QString::fromStdString(stored->host));
        port_->setValue(stored->port);
        const TlsTrust trust = tlsTrust(device);
        caFile_->setText(QString::fromStdString(trust.caFile));
        fingerprint_->setText(QString::fromStdString(trust.fingerprint));
    } else {
        host_->clear();
        caFile_->clear();
        fingerprint_->clear();
    }
    showResult(QString());
    pin_->setVisible(false);
    refresh();
}

void NetworkPortDialog::showResult(const QString& text) {
    result_->setText(text);
    // The window fits the message: it grows instead of squeezing the rows above it, and
    // shrinks again when the message is shorter.
    const int needed = heightForWidth(width());
    if (needed <= 0)
        return;
    setMinimumHeight(needed);
    resize(width(), needed);
}

bool NetworkPortDialog::tls() const {
    return scheme_->currentIndex() >= 2;
}

void NetworkPortDialog::refresh() {
    caFile_->setEnabled(tls());
    browse_->setEnabled(tls());
    fingerprint_->setEnabled(tls());
    address_->setText(QString::fromStdString(address()));
}

int NetworkPortDialog::comEntry() const {
    return entry_->currentIndex() + 1;
}

std::string NetworkPortDialog::address() const {
    std::string host = host_->text().trimmed().toStdString();
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = "[" + host + "]";  // an IPv6 address
    return std::string(kSchemes[scheme_->currentIndex()].prefix) + host + ":" +
           std::to_string(port_->value());
}

TlsTrust NetworkPortDialog::trust() const {
    if (!tls())
        return TlsTrust{};
    return TlsTrust{caFile_->text().trimmed().toStdString(),
                    fingerprint_->text().trimmed().toStdString()};
}

bool NetworkPortDialog::useNow() const {
    return useNow_->isChecked();
}

void NetworkPortDialog::testConnection() {
    std::string why;
    if (!parseNetworkAddress(address(), &why)) {
        showResult(QString::fromStdString(why));
        return;
    }
    if (busyState().refuseWhileBusy())
        return;
    showResult(QStringLiteral("Asking the QZ740 at %1 ...").arg(address_->text()));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ConnectionTestResult outcome = kelp::testConnection(address(), trust());
    QApplication::restoreOverrideCursor();
    QString text = QString::fromStdString(outcome.text);
    // A server whose certificate no one vouches for told its fingerprint: offer to pin it, with
    // the button beside this message rather than the command line's words.
    const QRegularExpressionMatch offered =
        QRegularExpression(QStringLiteral("not trusted.*fingerprint ((?:[0-9A-F]{2}:){31}[0-9A-F]{2})"))
            .match(text);
    offered_ = offered.hasMatch() ? offered.captured(1) : QString();
    if (!offered_.isEmpty()) {
        text.remove(QRegularExpression(QStringLiteral(" ?If that is your site server's .*$")));
        text += QStringLiteral(
            " If that is your site server's certificate (compare it with the fingerprint noted "
            "at the site), press \"Pin This Certificate\" above, then test again.");
    }
    pin_->setVisible(!offered_.isEmpty());
    showResult(text);
}

void NetworkPortDialog::accept() {
    std::string why;
    if (!parseNetworkAddress(address(), &why)) {
        showResult(QString::fromStdString(why));
        host_->setFocus();
        return;
    }
    if (!trust().fingerprint.empty() && normalizedFingerprint(trust().fingerprint).empty()) {
        showResult(
            QStringLiteral("The fingerprint is not a SHA-256 fingerprint (64 hex digits, "
                           "with or without colons)."));
        fingerprint_->setFocus();
        return;
    }
    storeNetworkPort(comEntry(), address(), trust());
    QDialog::accept();
}

}  // namespace kelp
