#include "gui/editors/identification.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app/prompter.h"
#include "core/catalogues/choice_lists.h"
#include "core/catalogues/cw_table.h"
#include "core/catalogues/voice_vocabulary.h"
#include "core/database/controller_database.h"
#include "core/editors/field_units.h"
#include "gui/accessibility.h"

namespace kelp {

namespace {

using IdKind = IdentificationModel::IdKind;

const char* const kIdKeys[] = {"VoiceID1", "VoiceID2", "VoiceID3", "CWID1", "CWID2"};
const char* const kNumberKeys[] = {"CWSpeed", "CWTone1", "CWTone2"};

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

}  // namespace

Identification::Identification(QWidget* parent)
    : EditorWindow(std::make_unique<IdentificationModel>(db()), QStringLiteral("ID Messages"),
                   parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());

    auto* body = new QHBoxLayout;
    layout->addLayout(body, 1);

    sstab_ = new QTabWidget(this);
    sstab_->setObjectName(QStringLiteral("SSTab1"));
    for (int port = 1; port <= 3; ++port)
        sstab_->addTab(buildPortTab(port), QStringLiteral("Port %1").arg(port));
    bindTabs(sstab_);
    connect(sstab_, &QTabWidget::currentChanged, this, [this] { refreshCounter(); });
    body->addWidget(sstab_, 1);

    // Pick lists: moving to one is not leaving the ID box, which keeps its caret. Tab reaches
    // each after the last box it serves on the port showing.
    auto* side = new QVBoxLayout;
    side->addSpacing(sstab_->tabBar()->sizeHint().height());
    vocabLabel_ = new QLabel(QStringLiteral("Vocabulary List"), this);
    vocabLabel_->setObjectName(QStringLiteral("VocabLabel"));
    vocab_ = wordList(QStringLiteral("VocabList"), voiceVocabulary().listEntries());
    pickList(
        vocab_, [this](QListWidgetItem* item) { insertFromList(item, true); },
        [this] { return control("VoiceID3", identification().currentPort()); });
    cwLabel_ = new QLabel(QStringLiteral("CW List"), this);
    cwLabel_->setObjectName(QStringLiteral("CwLabel"));
    cw_ = wordList(QStringLiteral("CwList"), cwTable().listEntries());
    pickList(
        cw_, [this](QListWidgetItem* item) { insertFromList(item, false); },
        [this] { return control("CWID2", identification().currentPort()); });
    vocabLabel_->setBuddy(vocab_);
    cwLabel_->setBuddy(cw_);
    side->addWidget(vocabLabel_);
    side->addWidget(vocab_, 1);
    side->addWidget(cwLabel_);
    side->addWidget(cw_, 1);
    auto* counterLabel = new QLabel(QStringLiteral("Character Counter"), this);
    counterLabel->setObjectName(QStringLiteral("CharCounterLabel"));
    counter_ = new QLineEdit(this);
    counter_->setObjectName(QStringLiteral("CharCounter"));
    counter_->setReadOnly(true);
    counter_->setFocusPolicy(Qt::NoFocus);
    counter_->setFixedWidth(counter_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                            12);
    counterLabel->setBuddy(counter_);
    auto* counterRow = new QHBoxLayout;
    counterRow->addWidget(counterLabel);
    counterRow->addWidget(counter_);
    counterRow->addStretch(1);
    side->addLayout(counterRow);
    wordCharLabel_ = new QLabel(QStringLiteral("Words  (max 22)"), this);
    wordCharLabel_->setObjectName(QStringLiteral("WordCharLabel"));
    cwCharLabel_ = new QLabel(QStringLiteral("CW Characters (max 15)"), this);
    cwCharLabel_->setObjectName(QStringLiteral("CWCharLabel"));
    side->addWidget(wordCharLabel_);
    side->addWidget(cwCharLabel_);
    body->addLayout(side);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(new QLabel(QStringLiteral("All Ports"), this));
    buttons->addWidget(applyButton());
    buttons->addWidget(cancelChangesButton(QStringLiteral("&Cancel Changes")));
    layout->addLayout(buttons);

    openWindow();
    enterIdBox(focusedKey_);
    vocab_->setEnabled(false);
}

QListWidget* Identification::wordList(const QString& name, const std::vector<ListEntry>& entries) {
    auto* list = new QListWidget(this);
    list->setObjectName(name);
    list->setToolTip(
        QStringLiteral("Double-click, or press Enter, to insert into the ID box entered last"));
    for (const ListEntry& e : entries) {
        auto* item = new QListWidgetItem(QString::fromStdString(e.text), list);
        item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(e.itemData));
    }
    list->setFixedWidth(list->fontMetrics().horizontalAdvance(QStringLiteral("WORD_SPACE_XX")) +
                        32);
    list->setMinimumHeight(160);
    return list;
}

QWidget* Identification::buildPortTab(int port) {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    const struct {
        const char* name;
        const char* key;
        const char* label;
    } ids[] = {{"VoiceID1Set", "VoiceID1", "Voice ID 1"},
               {"VoiceID2Set", "VoiceID2", "Voice ID 2"},
               {"VoiceID3Set", "VoiceID3", "Voice ID 3"},
               {"CWID1Set", "CWID1", "CW ID 1"},
               {"CWID2Set", "CWID2", "CW ID 2"}};
    int row = 0;
    for (const auto& r : ids) {
        QLineEdit* box = textBox(indexed(r.name, port), r.key, port, 400);
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 36);
        box->setMaximumWidth(QWIDGETSIZE_MAX);
        box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        auto* label = new QLabel(QLatin1String(r.label), page);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1, 1, 2);
        ++row;
    }
    const struct {
        const char* name;
        const char* key;
        const char* label;
    } numbers[] = {{"CWSpeedSet", "CWSpeed", "CW Speed"},
                   {"CWTone1Set", "CWTone1", "CW Tone 1"},
                   {"CwTone2Set", "CWTone2", "CW Tone 2"}};
    for (const auto& r : numbers) {
        QLineEdit* box = textBox(indexed(r.name, port), r.key, port);
        auto* label = new QLabel(QLatin1String(r.label), page);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        auto* cell = new QHBoxLayout;
        cell->addWidget(box);
        cell->addWidget(new QLabel(QString::fromStdString(fieldUnit(r.key)), page));
        cell->addStretch(1);
        grid->addLayout(cell, row, 1);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    outer->addLayout(grid);

    auto* switches = new QHBoxLayout;
    auto* speech = new QGroupBox(QStringLiteral("Speech IDs"), page);
    auto* speechLayout = new QVBoxLayout(speech);
    speechLayout->addWidget(
        checkBox(indexed("SpeechEnabled", port), QStringLiteral("Enabled"), "SpeechEnable", port));
    speechLayout->addStretch(1);
    switches->addWidget(speech);
    auto* constant = new QGroupBox(QStringLiteral("Constant ID"), page);
    auto* constantLayout = new QVBoxLayout(constant);
    constantLayout->addWidget(
        checkBox(indexed("ConstantIDSet", port), QStringLiteral("Enabled"), "ConstantID", port));
    auto* note =
        new QLabel(QStringLiteral("Note:Enabling Constant IDs means that this Port will ID "
                                  "every Pending ID Timer interval regardless of actual "
                                  "repeater activity"),
                   constant);
    note->setWordWrap(true);
    constantLayout->addWidget(note);
    switches->addWidget(constant, 1);
    outer->addLayout(switches);

    auto* extras = new QGroupBox(QStringLiteral("ID Extras"), page);
    auto* extrasGrid = new QGridLayout(extras);
    extrasGrid->setColumnStretch(2, 1);
    const auto entries = idExtrasList().listEntries();
    for (int id = 1; id <= 3; ++id) {
        const std::string key = "ID" + std::to_string(id) + "Extras";
        const QString name = QStringLiteral("ID%1ExtrasSet(%2)").arg(id).arg(port);
        QComboBox* list = choiceList(name, key, port, entries, ListSelect::ByItemData);
        auto* label = new QLabel(QStringLiteral("Voice ID %1").arg(id), extras);
        label->setBuddy(list);
        extrasGrid->addWidget(label, id - 1, 0);
        extrasGrid->addWidget(list, id - 1, 1);
    }
    outer->addWidget(extras);
    outer->addStretch(1);
    return page;
}

std::pair<std::string, int> Identification::boxOf(const QObject* widget) const {
    for (int port = 1; port <= 3; ++port) {
        for (const char* k : kIdKeys)
            if (control(k, port) == widget)
                return {k, port};
        for (const char* k : kNumberKeys)
            if (control(k, port) == widget)
                return {k, port};
    }
    return {std::string(), 0};
}

void Identification::enterIdBox(const std::string& key) {
    focusedKey_ = key;
    const bool voice = IdentificationModel::idKind(key) == IdKind::Voice;
    vocab_->setEnabled(voice);
    vocab_->setVisible(voice);
    vocabLabel_->setVisible(voice);
    wordCharLabel_->setVisible(voice);
    cw_->setEnabled(!voice);
    cw_->setVisible(!voice);
    cwLabel_->setVisible(!voice);
    cwCharLabel_->setVisible(!voice);
    refreshCounter();
}

void Identification::refreshCounter() {
    counter_->setText(
        QString::number(identification().count(focusedKey_, identification().currentPort())));
}

void Identification::showIdValue(const std::string& key, int port) {
    auto* box = qobject_cast<QLineEdit*>(control(key, port));
    if (box == nullptr)
        return;
    const QString shown = QString::fromStdString(model().value(key, port));
    if (box->text() != shown) {
        const QSignalBlocker quiet(box);
        box->setText(shown);
    }
    showChanged(box, model().differs(key, port));
}

void Identification::updateEnabledStates() {
    if (counter_ != nullptr)
        refreshCounter();
}

void Identification::afterEdit(const std::string& key, int index) {
    if (IdentificationModel::isExtras(key)) {
        identification().restoreMarkerAfterExtra();
        return;
    }
    if (IdentificationModel::idKind(key) == IdKind::None)
        return;
    // The box keeps what was typed; the working value is its upper-case form.
    identification().upperCaseId(key, index);
    if (QWidget* box = control(key, index))
        showChanged(box, model().differs(key, index));
}

bool Identification::eventFilter(QObject* watched, QEvent* event) {
    const bool focusIn = event->type() == QEvent::FocusIn;
    const bool focusOut = event->type() == QEvent::FocusOut;
    if (!focusIn && !focusOut)
        return EditorWindow::eventFilter(watched, event);
    const auto [key, port] = boxOf(watched);
    if (key.empty())
        return EditorWindow::eventFilter(watched, event);
    const bool isId = IdentificationModel::idKind(key) != IdKind::None;
    if (focusIn) {
        if (isId)
            enterIdBox(key);
        return EditorWindow::eventFilter(watched, event);
    }
    if (!focusLeavesBox(static_cast<QFocusEvent*>(event)) || refusalPending())
        return EditorWindow::eventFilter(watched, event);
    // The framework tidies and checks the box (an emptied ID box is refused as it is).
    const bool handled = EditorWindow::eventFilter(watched, event);
    // The box keeps what was typed until it is left: then it shows the stored form.
    showIdValue(key, port);
    if (isId) {
        refreshCounter();
        if (!refusalPending())
            (IdentificationModel::idKind(key) == IdKind::Voice ? vocab_ : cw_)->setEnabled(false);
    }
    return handled;
}

void Identification::insertFromList(QListWidgetItem* item, bool voice) {
    if (item == nullptr || refusalPending())
        return;
    // The separator row of the vocabulary is not a word.
    if (item->data(Qt::UserRole).toLongLong() < 0)
        return;
    if ((IdentificationModel::idKind(focusedKey_) == IdKind::Voice) != voice)
        return;
    auto* box = qobject_cast<QLineEdit*>(control(focusedKey_, identification().currentPort()));
    if (box == nullptr)
        return;
    const int caret = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    const int selection = box->hasSelectedText() ? static_cast<int>(box->selectedText().size()) : 0;
    const auto inserted = IdentificationModel::insertWord(box->text().toStdString(), caret,
                                                          selection, item->text().toStdString());
    // Through the box's own change: the framework stores it as typing.
    box->setText(QString::fromStdString(inserted.text));
    box->setCursorPosition(inserted.caret);
    refreshCounter();
}

}  // namespace kelp
