#include "gui/manual/tt_pad.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "gui/accessibility.h"
#include "gui/busy_follower.h"

namespace kelp {

namespace {

const char* const kModule = "TTPad";

// The keypad as a telephone shows it, with the fourth column A-D; each button's index is the
// tone token it plays.
struct Key {
    const char* caption;
    int index;
};
const Key kKeys[4][4] = {
    {{"1", 1}, {"2", 2}, {"3", 3}, {"A", 13}},
    {{"4", 4}, {"5", 5}, {"6", 6}, {"B", 14}},
    {{"7", 7}, {"8", 8}, {"9", 9}, {"C", 15}},
    {{"*", 11}, {"0", 0}, {"#", 12}, {"D", 16}},
};

}  // namespace

TTPad::TTPad(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TTPad"));
    new BusyFollower(this);
    setWindowTitle(QStringLiteral("DTMF Dialer"));
    txtNum_ = new QLineEdit(this);
    txtNum_->setObjectName(QStringLiteral("txtNum"));
    txtNum_->setReadOnly(true);
    txtNum_->setFocusPolicy(Qt::NoFocus);
    QFont big = txtNum_->font();
    big.setPointSize(big.pointSize() + 4);
    txtNum_->setFont(big);

    auto* grid = new QGridLayout;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const Key& k = kKeys[r][c];
            const QString caption = QString::fromLatin1(k.caption);
            auto* b = new QPushButton(caption, this);
            b->setObjectName(QStringLiteral("cmdNum(%1)").arg(k.index));
            b->setFixedSize(48, 40);
            b->setFont(big);
            b->setAutoDefault(false);
                connect(b, &QPushButton::clicked, this,
                    [this, index = k.index, caption] { cmdNum_Click(index, caption); });
            grid->addWidget(b, r, c);
        }
    }
    auto button = [this](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* tx = button("TxSet", "Tx");
    QPushButton* rx = button("RxSet", "Rx");
    QPushButton* clear = button("Clear", "&Clear");
    QPushButton* exit = button("Exit", "C&lose");
    tx->setToolTip(QStringLiteral("Key the transmitter (after the key-up delay)"));
    rx->setToolTip(QStringLiteral("Release the transmitter"));
    connect(tx, &QPushButton::clicked, this, &TTPad::TxSet_Click);
    connect(rx, &QPushButton::clicked, this, &TTPad::RxSet_Click);
    connect(clear, &QPushButton::clicked, txtNum_, &QLineEdit::clear);
    connect(exit, &QPushButton::clicked, this, &TTPad::close);
    auto* side = new QVBoxLayout;
    for (QPushButton* b : {tx, rx, clear, exit}) side->addWidget(b);
    side->addStretch();
    auto* pad = new QHBoxLayout;
    pad->addLayout(grid);
    pad->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtNum_);
    layout->addLayout(pad);
    describe(txtNum_, QStringLiteral("Digits played"));
    nameUnnamedControls(this);
    setFocusPolicy(Qt::StrongFocus);
}

TTPad::~TTPad() {
    release();
}

void TTPad::cmdNum_Click(int index, const QString& caption) {
    try {
        BusyGuard busy("The DTMF test pad");
        SendTone(std::to_string(index));
    } catch (...) {
        reportError(kModule, "cmdNum_Click");
    }
    txtNum_->setText(txtNum_->text() + caption);
    afterDigit();
}

void TTPad::afterDigit() {
    // A digit that went wrong ends the keying by hand, so that its box does not wait for the
    // operator with the transmitter on the air.
    if (key_ && key_->holdsBoxes())
        release();
}

void TTPad::keyPressEvent(QKeyEvent* event) {
    const QByteArray typed = event->text().toLatin1();
    if (typed.size() != 1 || event->key() == Qt::Key_Escape ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
        QDialog::keyPressEvent(event);
        return;
    }
    const char c = typed[0];
    if (c < ' ' || c > '~') {
        QDialog::keyPressEvent(event);
        return;
    }
    // The character as typed: a lower-case letter plays nothing but is still shown.
    try {
        BusyGuard busy("The DTMF test pad");
        SendTone(std::string(1, c));
    } catch (...) {
        reportError(kModule, "Form_KeyPress");
    }
    txtNum_->setText(txtNum_->text() + QChar::fromLatin1(c));
    afterDigit();
}

void TTPad::TxSet_Click() {
    try {
        BusyGuard busy("The DTMF test pad");
        // The transmitter is keyed once its key-up delay has passed, as every keying does.
        currentClock().sleepMs(linkPreferences().TxTemp);
        if (!key_)
            key_.emplace();
        if (!key_->keyed())
            key_.reset();
    } catch (...) {
        reportError(kModule, "TxSet_Click");
    }
}

void TTPad::RxSet_Click() {
    try {
        key_.reset();
        KeyTransmitter("unkey");
    } catch (...) {
        reportError(kModule, "RxSet_Click");
    }
}

void TTPad::release() {
    key_.reset();  // releasing never throws: TransmitterKey keeps its own failures
}

void TTPad::closeEvent(QCloseEvent* event) {
    release();
    event->accept();
}

void TTPad::reject() {
    release();
    QDialog::reject();
}

}  // namespace kelp
