#include "gui/unlock/unlock_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app/error_reporter.h"
#include "core/database/controller_database.h"
#include "core/editors/field_help.h"
#include "gui/accessibility.h"
#include "gui/busy_follower.h"

namespace kelp {

namespace {

const char* const kModule = "frmUnlock";

struct Row {
    CodeBox box;
    const char* label;
    const char* currentName;
    const char* entryName;
    // The settings the two boxes show, and their entry (the port of an unlock code).
    const char* currentKey;
    const char* newKey;
    int index;
};

const std::array<Row, kCodeBoxCount> kRows{{
    {CodeBox::Unlock1, "Port 1 Unlock", "CurrentPortUnlock(1)", "NewPortUnlockSet(1)",
     "CurrentPortUnlock", "NewPortUnlock", 1},
    {CodeBox::Unlock2, "Port 2 Unlock", "CurrentPortUnlock(2)", "NewPortUnlockSet(2)",
     "CurrentPortUnlock", "NewPortUnlock", 2},
    {CodeBox::Unlock3, "Port 3 Unlock", "CurrentPortUnlock(3)", "NewPortUnlockSet(3)",
     "CurrentPortUnlock", "NewPortUnlock", 3},
    {CodeBox::Lock, "Global Lock", "CurrentLock", "NewLockSet", "Lock", "NewLock", 0},
    {CodeBox::Terminator, "Terminator", "CurrentTerminator", "NewTerminatorSet", "Terminator",
     "NewTerminator", 0},
}};

}  // namespace

UnlockWindow::UnlockWindow(ControllerDatabase& database, QWidget* parent,
                           UnlockCodes::TransportFactory transport)
    : QDialog(parent), codes_(database, std::move(transport)) {
    setObjectName(QStringLiteral("frmUnlock"));
    new BusyFollower(this);
    setWindowTitle(QString::fromLatin1(kUnlockWindowCaption));
    auto* grid = new QGridLayout;
    auto* currentHead = new QLabel(QStringLiteral("Current"));
    auto* newHead = new QLabel(QStringLiteral("New"));
    for (QLabel* head : {currentHead, newHead}) {
        QFont bold = head->font();
        bold.setBold(true);
        head->setFont(bold);
        head->setAlignment(Qt::AlignCenter);
    }
    grid->addWidget(currentHead, 0, 1);
    grid->addWidget(newHead, 0, 2);
    int line = 1;
    for (const Row& row : kRows) {
        const std::size_t b = static_cast<std::size_t>(row.box);
        auto* label = new QLabel(QString::fromLatin1(row.label));
        auto* current = new QLineEdit;
        current->setObjectName(QString::fromLatin1(row.currentName));
        current->setReadOnly(true);
        current->setFocusPolicy(Qt::NoFocus);
        auto* entry = new QLineEdit;
        entry->setObjectName(QString::fromLatin1(row.entryName));
        // Room for a code typed too long or with spaces: the check says what is wrong.
        entry->setMaxLength(16);
        label->setBuddy(entry);
        grid->addWidget(label, line, 0);
        grid->addWidget(current, line, 1);
        grid->addWidget(entry, line, 2);
        current_[b] = current;
        entries_[b] = entry;
        entry->installEventFilter(this);
        connect(entry, &QLineEdit::textEdited, this, [this, box = row.box] { typed(box); });
        ++line;
    }

    auto button = [this](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* send = button("cmdSend", "&Send to the controller NOW");
    QPushButton* save = button("cmdSave", "Save to send to the controller &LATER");
    QPushButton* record = button("cmdRecord", "&Record changes already made");
    QPushButton* cancel = button("cmdCancel", "Ca&ncel Changes");
    QPushButton* close = button("cmdClose", "&Close");
    connect(send, &QPushButton::clicked, this, &UnlockWindow::cmdSend_Click);
    connect(save, &QPushButton::clicked, this, &UnlockWindow::cmdSave_Click);
    connect(record, &QPushButton::clicked, this, &UnlockWindow::cmdRecord_Click);
    connect(cancel, &QPushButton::clicked, this, &UnlockWindow::cmdCancel_Click);
    connect(close, &QPushButton::clicked, this, &UnlockWindow::cmdClose_Click);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {send, save, record}) buttons->addWidget(b);
    auto* lower = new QHBoxLayout;
    lower->addWidget(cancel);
    lower->addWidget(close);
    buttons->addLayout(lower);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    showCodes();
    // Named as the codes are in the report: "Unlock/Lock/Terminator, Port 1 Unlock" for the
    // code in force, "…, Port 1 New Unlock" for the box the new one is typed into.
    for (const Row& row : kRows) {
        const std::size_t b = static_cast<std::size_t>(row.box);
        describe(current_[b],
                 QString::fromStdString(fieldHelp(row.currentKey, 0, row.index).name));
        describe(entries_[b], fieldHelp(row.newKey, 0, row.index));
    }
    nameUnnamedControls(this);
    entry(CodeBox::Unlock1)->setFocus(Qt::OtherFocusReason);
}

void UnlockWindow::showCodes() {
    for (const Row& row : kRows) {
        const std::size_t b = static_cast<std::size_t>(row.box);
        current_[b]->setText(QString::fromStdString(codes_.current(row.box)));
        entries_[b]->setText(QString::fromStdString(codes_.entered(row.box)));
        showChanged(entries_[b], codes_.highlighted(row.box));
    }
}

void UnlockWindow::typed(CodeBox box) {
    QLineEdit* e = entry(box);
    // A-D are digits too: shown as the controller takes them.
    const QString upper = e->text().toUpper();
    if (upper != e->text()) {
        const int at = e->cursorPosition();
        e->setText(upper);
        e->setCursorPosition(at);
    }
    codes_.typed(box, e->text().toStdString());
    showChanged(e, codes_.highlighted(box));
}

bool UnlockWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !checking_ && !closing_) {
        for (const Row& row : kRows) {
            if (watched == entry(row.box)) {
                leftBox_ = row.box;
                // The box is checked once the focus has settled, so that a warning box does
                // not open inside the focus change.
                QTimer::singleShot(0, this, &UnlockWindow::checkLeft);
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void UnlockWindow::checkLeft() {
    if (!leftBox_ || checking_)
        return;
    const CodeBox box = *leftBox_;
    leftBox_.reset();
    checking_ = true;
    bool passed = true;
    try {
        passed = codes_.leave(box);
    } catch (...) {
        reportError(kModule, "Validate");
    }
    if (!passed)
        entry(box)->setFocus(Qt::OtherFocusReason);
    checking_ = false;
}

void UnlockWindow::focusBox(std::optional<CodeBox> box) {
    if (box)
        entry(*box)->setFocus(Qt::OtherFocusReason);
}

void UnlockWindow::cmdSend_Click() {
    // The buttons run their own checks; a box left for the button is not checked twice.
    leftBox_.reset();
    checking_ = true;
    try {
        const UnlockCodes::SendResult result = codes_.send();
        focusBox(result.focus);
    } catch (...) {
        reportError(kModule, "cmdSend_Click");
    }
    checking_ = false;
    showCodes();
}

void UnlockWindow::cmdSave_Click() {
    leftBox_.reset();
    checking_ = true;
    try {
        focusBox(codes_.saveLater());
    } catch (...) {
        reportError(kModule, "cmdSave_Click");
    }
    checking_ = false;
    showCodes();
}

void UnlockWindow::cmdRecord_Click() {
    leftBox_.reset();
    try {
        codes_.record();
    } catch (...) {
        reportError(kModule, "cmdRecord_Click");
    }
    showCodes();
}

void UnlockWindow::cmdCancel_Click() {
    leftBox_.reset();
    checking_ = true;
    try {
        if (codes_.cancel())
            showCodes();
    } catch (...) {
        reportError(kModule, "cmdCancel_Click");
    }
    checking_ = false;
}

void UnlockWindow::cmdClose_Click() {
    leftBox_.reset();
    checking_ = true;
    const bool mayClose = codes_.close();
    checking_ = false;
    if (mayClose) {
        closing_ = true;
        QDialog::accept();
    }
}

void UnlockWindow::closeEvent(QCloseEvent* event) {
    // The close box is the Close button: unapplied changes keep the window open.
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    cmdClose_Click();
}

void UnlockWindow::reject() {
    // So is the Escape key.
    cmdClose_Click();
}

bool showUnlockWindow(QWidget* parent) {
    UnlockWindow window(db(), parent);
    window.exec();
    return true;
}

}  // namespace kelp
