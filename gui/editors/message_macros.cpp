#include "gui/editors/message_macros.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/catalogues/voice_vocabulary.h"
#include "core/database/controller_database.h"

namespace kelp {

namespace {

const char* const kKey = "MessageMacro";

}  // namespace

MessageMacros::MessageMacros(QWidget* parent)
    : EditorWindow(std::make_unique<MessageMacrosModel>(db()), QStringLiteral("Message Macros"),
                   parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());
    auto* body = new QHBoxLayout;
    layout->addLayout(body, 1);

    sstab_ = new QTabWidget(this);
    sstab_->setObjectName(QStringLiteral("SSTab1"));
    for (int tab = 0; tab < 7; ++tab) {
        const int first = tab * MessageMacrosModel::kMessagesPerTab + 1;
        sstab_->addTab(buildTab(first), QStringLiteral("%1-%2").arg(first).arg(first + 9));
        sstab_->setTabEnabled(tab, messages().tabEnabled(tab));
    }
    bindTabs(sstab_);
    body->addWidget(sstab_, 1);

    // A pick list: moving to it is not leaving the box, which keeps its caret.
    auto* side = new QVBoxLayout;
    auto* listLabel =
        new QLabel(QStringLiteral("Vocabulary List      (NOTE: There is no DVR20)"), this);
    listLabel->setObjectName(QStringLiteral("VocabListLabel"));
    side->addWidget(listLabel);
    vocab_ = new QListWidget(this);
    vocab_->setObjectName(QStringLiteral("VocabList"));
    vocab_->setToolTip(QStringLiteral(
        "Double-click a word, or press Enter on it, to insert it into the message entered last"));
    for (const ListEntry& e : voiceVocabulary().listEntries()) {
        auto* item = new QListWidgetItem(QString::fromStdString(e.text), vocab_);
        item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(e.itemData));
    }
    listLabel->setBuddy(vocab_);
    pickList(vocab_, [this](QListWidgetItem* item) { insertWord(item); });
    side->addWidget(vocab_, 1);

    auto* counterRow = new QHBoxLayout;
    auto* counterLabel = new QLabel(QStringLiteral("Word Counter"), this);
    counter_ = new QLineEdit(this);
    counter_->setObjectName(QStringLiteral("CharCounter"));
    counter_->setReadOnly(true);
    counter_->setFocusPolicy(Qt::NoFocus);
    counter_->setFixedWidth(counter_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    counterLabel->setBuddy(counter_);
    counterRow->addWidget(counterLabel);
    counterRow->addWidget(counter_);
    counterRow->addWidget(new QLabel(QStringLiteral("(9 Max)"), this));
    counterRow->addStretch(1);
    side->addLayout(counterRow);
    side->addWidget(buildRecorder());

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("All Macros"), this));
    buttons->addStretch(1);
    buttons->addWidget(applyButton());
    buttons->addWidget(cancelChangesButton(QStringLiteral("&Cancel Changes")));
    side->addLayout(buttons);
    body->addLayout(side);

    openWindow();
    refreshCounter();
}

QWidget* MessageMacros::buildTab(int first) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    for (int m = first; m < first + MessageMacrosModel::kMessagesPerTab; ++m) {
        const int row = m - first;
        auto* label = new QLabel(QString::number(m), page);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(label, row, 0);
        if (m > messages().messageCount()) {
            // Without the RTC option board these messages do not exist.
            auto* none = new QLineEdit(page);
            none->setEnabled(false);
            grid->addWidget(none, row, 1);
            continue;
        }
        // Room for a word too many, so that it is refused in words.
        QLineEdit* box = textBox(QStringLiteral("MessageSet(%1)").arg(m), kKey, m, 200);
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 30);
        box->setMaximumWidth(QWIDGETSIZE_MAX);
        box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        label->setBuddy(box);
        boxes_[box] = m;
        grid->addWidget(box, row, 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(MessageMacrosModel::kMessagesPerTab, 1);
    return page;
}

QWidget* MessageMacros::buildRecorder() {
    auto* frame = new QGroupBox(QStringLiteral("DVR Wave Record"), this);
    auto* grid = new QGridLayout(frame);
    track_ = new QComboBox(frame);
    track_->setObjectName(QStringLiteral("DVRTrackSet"));
    for (int t = 1; t <= kRecorderTracks; ++t) track_->addItem(QString::number(t), t);
    track_->setMaxVisibleItems(19);
    connect(track_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i >= 0)
            messages().selectTrack(track_->itemData(i).toInt());
    });
    auto* trackLabel = new QLabel(QStringLiteral("DVR Track"), frame);
    trackLabel->setBuddy(track_);
    auto* load = new QPushButton(QStringLiteral("&Load Wav"), frame);
    load->setObjectName(QStringLiteral("GetFile"));
    load->setAutoDefault(false);
    connect(load, &QPushButton::clicked, this, &MessageMacros::loadWavClicked);
    send_ = new QPushButton(QStringLiteral("&Send to QZ740"), frame);
    send_->setObjectName(QStringLiteral("SendToQZ740"));
    send_->setAutoDefault(false);
    connect(send_, &QPushButton::clicked, this, &MessageMacros::sendClicked);
    fileLabel_ = new QLabel(frame);
    fileLabel_->setObjectName(QStringLiteral("WavFileName"));
    fileLabel_->setTextFormat(Qt::PlainText);
    grid->addWidget(trackLabel, 0, 0);
    grid->addWidget(track_, 0, 1);
    grid->addWidget(load, 0, 2);
    grid->addWidget(send_, 0, 3);
    grid->addWidget(fileLabel_, 1, 0, 1, 4);
    grid->setColumnStretch(4, 1);
    showChosenFile();
    return frame;
}

QLineEdit* MessageMacros::messageBox(int message) const {
    return qobject_cast<QLineEdit*>(control(kKey, message));
}

void MessageMacros::refreshCounter() {
    counter_->setText(QString::number(messages().wordCount(messages().focusedMessage())));
}

void MessageMacros::afterEdit(const std::string& /*key*/, int index) {
    if (index == messages().focusedMessage())
        refreshCounter();
}

bool MessageMacros::eventFilter(QObject* watched, QEvent* event) {
    const auto found = boxes_.find(watched);
    if (found == boxes_.end())
        return EditorWindow::eventFilter(watched, event);
    const int m = found->second;
    auto* box = static_cast<QLineEdit*>(watched);
    if (event->type() == QEvent::FocusIn && !refusalPending()) {
        messages().enterBox(m);
        const QString shown = QString::fromStdString(messages().enteredText(m));
        if (box->text() != shown) {
            // Emptied for typing: not an edit, the message still holds "NONE STORED".
            const QSignalBlocker quiet(box);
            box->setText(shown);
        }
        refreshCounter();
        return EditorWindow::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusOut && focusLeavesBox(static_cast<QFocusEvent*>(event)) &&
        !refusalPending()) {
        const bool handled = EditorWindow::eventFilter(watched, event);
        const QString shown = QString::fromStdString(messages().shownText(m));
        if (box->text() != shown) {
            // A box emptied for typing and left untouched shows "NONE STORED" again.
            const QSignalBlocker quiet(box);
            box->setText(shown);
        }
        refreshCounter();
        return handled;
    }
    return EditorWindow::eventFilter(watched, event);
}

void MessageMacros::insertWord(QListWidgetItem* item) {
    if (item == nullptr || refusalPending())
        return;
    QLineEdit* box = messageBox(messages().focusedMessage());
    if (box == nullptr)
        return;
    const std::string word = item->text().toStdString();
    const long code = item->data(Qt::UserRole).toLongLong();
    if (code < 0)
        return;  // the separator row
    if (!box->hasFocus()) {
        // Into the box first, so that leaving it later checks the new word.
        for (int i = 0; i < sstab_->count(); ++i)
            if (sstab_->widget(i)->isAncestorOf(box))
                sstab_->setCurrentIndex(i);
        box->setFocus(Qt::OtherFocusReason);
        if (refusalPending())
            return;
    }
    const int caret = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    const int selection = box->hasSelectedText() ? static_cast<int>(box->selectedText().size()) : 0;
    const auto inserted =
        MessageMacrosModel::insertWord(box->text().toStdString(), caret, selection, word, code);
    if (!inserted)
        return;
    // Through the box's own change: the framework stores it as typing.
    box->setText(QString::fromStdString(inserted->text));
    box->setCursorPosition(inserted->caret);
    refreshCounter();
}

void MessageMacros::showChosenFile() {
    const auto& file = messages().chosenFile();
    fileLabel_->setText(file
                            ? QStringLiteral("File: %1")
                                  .arg(QFileInfo(QString::fromStdString(file->string())).fileName())
                            : QStringLiteral("No file loaded"));
    fileLabel_->setToolTip(file ? QString::fromStdString(file->string()) : QString());
}

void MessageMacros::loadWavClicked() {
    if (refusalPending())
        return;
    messages().loadWav();
    showChosenFile();
}

void MessageMacros::sendClicked() {
    if (refusalPending() || !send_->isEnabled())
        return;
    // Playing the file turns the event loop: a second click must not start a second run.
    send_->setEnabled(false);
    messages().sendToController();
    send_->setEnabled(true);
}

}  // namespace kelp
