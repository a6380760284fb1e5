#include "gui/manual/manual_send_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

#include "core/app/app_folder.h"
#include "core/app/error_reporter.h"
#include "core/app/prompter.h"
#include "gui/accessibility.h"
#include "gui/busy_follower.h"
#include "gui/window_placement.h"

namespace kelp {

const char* const kManualSendSection = "Manualsend";

namespace {
const char* const kModule = "ManualSendData";

// A paste or a drop goes through the same filter as typing: the DTMF digits are kept,
// upper-cased, and the box beeps for whatever it dropped.
class DtmfDigitsOnly : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        const std::string text = input.toStdString();
        const std::string kept = manualSendText(text);
        if (kept.size() < text.size())
            currentPrompter().beep();
        if (kept != text) {
            pos = static_cast<int>(manualSendText(input.left(pos).toStdString()).size());
            input = QString::fromStdString(kept);
        }
        return Acceptable;
    }
};

}  // namespace

ManualSendWindow::ManualSendWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::fromLatin1(kModule));
    new BusyFollower(this);
    setWindowTitle(QString::fromLatin1(kManualSendCaption));
    box_ = new QLineEdit(this);
    box_->setObjectName(QStringLiteral("ManualSendData"));
    box_->installEventFilter(this);
    box_->setValidator(new DtmfDigitsOnly(box_));
    QFont mono = box_->font();
    mono.setFamily(QStringLiteral("monospace"));
    mono.setPointSize(mono.pointSize() + 2);
    box_->setFont(mono);
    connect(box_, &QLineEdit::textChanged, this,
            [this](const QString& text) { send_.textChanged(text.toStdString()); });
    auto* send = new QPushButton(QStringLiteral("&Send"), this);
    send->setObjectName(QStringLiteral("cmdSend"));
    send->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("Close"));
    close->setAutoDefault(false);
    connect(send, &QPushButton::clicked, this, &ManualSendWindow::cmdSend_Click);
    connect(close, &QPushButton::clicked, this, &ManualSendWindow::Close_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(send);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box_);
    layout->addLayout(buttons);
    describe(box_, windowTitle(),
             QStringLiteral("A command line of DTMF digits: 0 to 9, *, #, A to D"));
    resize(420, sizeHint().height());
    try {
        const auto remembered =
            Preferences(preferencesFile().string()).readWindowPlacement(kManualSendSection);
        if (remembered) {
            setGeometry(restoredRect(*remembered, minimumSizeHint()));
            rememberedState_ = remembered->state;
        }
    } catch (...) {
        reportError(kModule, "Form_Load", "restore window geometry", preferencesFile().string());
    }
}

WindowPlacement ManualSendWindow::placement() const {
    return placementOf(*this);
}

int ManualSendWindow::execAsRemembered() {
    // A minimised modal window would leave nothing to click: it opens normal, or maximised.
    if (static_cast<WindowState>(rememberedState_) == WindowState::Maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
    return exec();
}

bool ManualSendWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != box_ || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        cmdSend_Click();
        return true;
    }
    const QString text = key->text();
    // Keys that carry no printable character (editing and moving keys, Tab, Escape) and
    // shortcuts do what they do anywhere: Tab moves on, Escape closes the window.
    if (text.isEmpty() || !text.at(0).isPrint() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0)
        return QDialog::eventFilter(watched, event);
    const QByteArray latin = text.toLatin1();
    const std::optional<char> accepted = latin.size() == 1 ? manualSendKey(latin[0]) : std::nullopt;
    if (!accepted) {
        currentPrompter().beep();
        return true;
    }
    box_->insert(QString(QChar::fromLatin1(*accepted)));
    return true;
}

void ManualSendWindow::cmdSend_Click() {
    try {
        send_.send();
    } catch (...) {
        reportError(kModule, "cmdSend_Click");
    }
    box_->clear();
    send_.textChanged(std::string());
    box_->setFocus(Qt::OtherFocusReason);
}

void ManualSendWindow::savePlacement() {
    if (saved_)
        return;
    saved_ = true;
    try {
        Preferences(preferencesFile().string())
            .writeWindowPlacement(kManualSendSection, placement());
    } catch (...) {
        reportError(kModule, "Close_Click", "save window geometry", preferencesFile().string());
    }
}

void ManualSendWindow::Close_Click() {
    savePlacement();
    QDialog::accept();
}

void ManualSendWindow::closeEvent(QCloseEvent* event) {
    savePlacement();
    event->accept();
}

void ManualSendWindow::reject() {
    savePlacement();
    QDialog::reject();
}

}  // namespace kelp
