#include "gui/editors/special_codes.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSet>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app/error_reporter.h"
#include "core/app/prompter.h"
#include "core/catalogues/choice_lists.h"
#include "core/database/controller_database.h"
#include "core/editors/field_help.h"
#include "gui/accessibility.h"
#include "gui/unlock/unlock_window.h"

namespace kelp {

namespace {

const char* const kToll = "TollRestrict";

QLabel* label(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

void widen(QLineEdit* box, const QString& sample) {
    const QFontMetrics metrics(box->font());
    box->setFixedWidth(metrics.horizontalAdvance(sample) + 12);
}

QComboBox* ownList(QWidget* parent, const char* name, const std::vector<ListEntry>& entries) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setMaxVisibleItems(15);
    for (const ListEntry& e : entries)
        list->addItem(QString::fromStdString(e.text), QVariant::fromValue<qlonglong>(e.itemData));
    return list;
}

// A frame's caption (and the option buttons inside it) red or black; the lists and boxes in
// the frame keep their own colours.
void colourFrame(QGroupBox* frame, bool changed) {
    showCaptionChanged(frame, changed);
}

}  // namespace

SpecialCodes::SpecialCodes(QWidget* parent)
    : EditorWindow(std::make_unique<SpecialCodesModel>(db()), QStringLiteral("Special Codes"),
                   parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildUserDtmfFrame());
    left->addWidget(buildAutopatchFrame());
    left->addStretch(1);
    columns->addLayout(left);
    auto* middle = new QVBoxLayout;
    middle->addWidget(buildTollFrame(), 1);
    middle->addWidget(buildUnlockFrame());
    columns->addLayout(middle);
    auto* right = new QVBoxLayout;
    right->addWidget(buildPrefixFrames());
    right->addWidget(buildSubsetFrame());
    right->addWidget(buildSelectFrames());
    right->addStretch(1);
    columns->addLayout(right);
    columns->addStretch(1);
    layout->addLayout(columns, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(label(QStringLiteral("All"), this));
    auto* apply = new QPushButton(QStringLiteral("&Apply"), this);
    apply->setObjectName(QStringLiteral("Apply"));
    keepFocusOnClick(apply);
    connect(apply, &QPushButton::clicked, this, &SpecialCodes::applyHere);
    buttons->addWidget(apply);
    buttons->addWidget(cancelChangesButton(QStringLiteral("&Cancel Changes")));
    layout->addLayout(buttons);

    try {
        openWindow();
    } catch (...) {
        reportError("SpecialCodes", "Form_Load");
    }
}

QWidget* SpecialCodes::buildUserDtmfFrame() {
    auto* frame = new QGroupBox(QStringLiteral("User DTMF Regenerate"), this);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(label(QStringLiteral("User DTMF Prefix"), frame), 0, 0);
    grid->addWidget(textBox(QStringLiteral("DTMFRegenPrefixSet"), "DTMFRegenPrefix", 0, 10), 0, 1,
                    Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("Send To Port"), frame), 1, 0);
    grid->addWidget(choiceList(QStringLiteral("DTMFPortSet"), "DTMFPort", 0,
                               portSetEntries(PortSetNone::NinetyNine), ListSelect::ByItemData),
                    1, 1, Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("Macro To Use"), frame), 2, 0);
    grid->addWidget(choiceList(QStringLiteral("DTMFSpeechSet"), "DTMFSpeech", 0,
                               SpecialCodesModel::userDtmfMacroEntries(), ListSelect::ByItemData),
                    2, 1, Qt::AlignLeft);
    return frame;
}

QWidget* SpecialCodes::buildAutopatchFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Autopatch"), this);
    auto* grid = new QGridLayout(frame);
    int row = 0;
    auto addBox = [&](const QString& caption, const char* name, const char* key, int maxLength) {
        grid->addWidget(label(caption, frame), row, 0);
        QLineEdit* box = textBox(QLatin1String(name), key, 0, maxLength);
        grid->addWidget(box, row++, 1, Qt::AlignLeft);
        return box;
    };
    addBox(QStringLiteral("Prefix"), "APPrefixSet", "APPrefix", 12);
    widen(addBox(QStringLiteral("Answer Code"), "AnswerCodeSet", "AnswerCode", 20),
          QStringLiteral("000000000000000"));
    addBox(QStringLiteral("Number of Rings to Answer"), "RingNumberSet", "RingNumber", 6);
    addBox(QStringLiteral("Timeout"), "APTimeOutSet", "APTimeOut", 8);
    grid->addWidget(label(QStringLiteral("Ports To Allow"), frame), row, 0);
    grid->addWidget(choiceList(QStringLiteral("EnablePatchSet"), "EnablePatch", 0,
                               portSetEntries(PortSetNone::Zero), ListSelect::ByItemData),
                    row++, 1, Qt::AlignLeft);
    grid->addWidget(
        checkBox(QStringLiteral("PatchMuteSet"), QStringLiteral("Patch Muting"), "PatchMute", 0),
        row++, 0, 1, 2);

    grid->addWidget(label(QStringLiteral("AutoDial Slot"), frame), row, 0);
    autoDialSlot_ = ownList(frame, "AutoDialSlotSet", SpecialCodesModel::autoDialSlotEntries());
    grid->addWidget(autoDialSlot_, row++, 1, Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("Phone Number"), frame), row, 0);
    autoDialNumber_ = textBox(QStringLiteral("AutoDialNumberSet"), "AutoDial", 1, 32);
    widen(autoDialNumber_, QStringLiteral("0000000000000000"));
    grid->addWidget(autoDialNumber_, row++, 1, Qt::AlignLeft);
    // Showing another slot's number is not an edit.
    connect(autoDialSlot_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i < 0)
            return;
        codes().selectAutoDialSlot(i + 1);
        rebind(autoDialNumber_, codes().autoDialSlot());
    });
    return frame;
}

QWidget* SpecialCodes::buildTollFrame() {
    tollFrame_ = new QGroupBox(QStringLiteral("Toll Restrict"), this);
    auto* box = new QVBoxLayout(tollFrame_);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* header = label(QStringLiteral("Pos  | Item"), tollFrame_);
    header->setObjectName(QStringLiteral("TollRestrictHeader"));
    header->setFont(fixed);
    box->addWidget(header);
    tollList_ = new QListWidget(tollFrame_);
    tollList_->setObjectName(QStringLiteral("TollRestrictList"));
    tollList_->setFont(fixed);
    const QFontMetrics metrics(fixed);
    tollList_->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("000 | 0000000000000")) +
                               30);
    box->addWidget(tollList_, 1);
    tollEntry_ = new QLineEdit(tollFrame_);
    tollEntry_->setObjectName(QStringLiteral("TollRestrictSet"));
    // The bar separates slot and text in the list: it can be neither typed nor pasted.
    tollEntry_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^|]*")), tollEntry_));
    tollEntry_->installEventFilter(this);
    box->addWidget(tollEntry_);
    auto* buttons = new QHBoxLayout;
    // Alt+A is Apply's and Alt+D the menu bar's DTMF Test Pad: Add is pressed from the keyboard
    // with Enter in the entry box, Delete takes L (E is the menu bar's Edit).
    auto* add = new QPushButton(QStringLiteral("Add"), tollFrame_);
    add->setObjectName(QStringLiteral("TollAdd"));
    add->setAutoDefault(false);
    auto* remove = new QPushButton(QStringLiteral("De&lete"), tollFrame_);
    remove->setObjectName(QStringLiteral("TollDelete"));
    remove->setAutoDefault(false);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    box->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, &SpecialCodes::addToll);
    connect(tollEntry_, &QLineEdit::returnPressed, this, &SpecialCodes::addToll);
    connect(remove, &QPushButton::clicked, this, &SpecialCodes::deleteToll);
    return tollFrame_;
}

QWidget* SpecialCodes::buildUnlockFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Unlock, Lock, Terminator"), this);
    auto* box = new QVBoxLayout(frame);
    auto* button = new QPushButton(QStringLiteral("Change Unlock, Lock, Terminator Codes"), frame);
    button->setObjectName(QStringLiteral("cmdUnlock"));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &SpecialCodes::openUnlockWindow);
    box->addWidget(button);
    auto* note = label(QStringLiteral("Unlock, Lock, and Terminator Codes are processed separately "
                                      "from all other changes"),
                       frame);
    note->setObjectName(QStringLiteral("lblUnlockNote"));
    note->setWordWrap(true);
    box->addWidget(note);
    return frame;
}

QLineEdit* SpecialCodes::preCodeBox(QWidget* parent, const char* name, const std::string& key) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(8);
    widen(box, QStringLiteral("NONE00"));
    box->installEventFilter(this);
    connect(box, &QLineEdit::textChanged, this, [this, box, key](const QString& text) {
        if (showing_)
            return;
        codes().editPrefixBox(key, text.toStdString());
        showChanged(box, codes().differs(key));
    });
    return box;
}

QWidget* SpecialCodes::buildPrefixFrames() {
    auto* holder = new QWidget(this);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);

    auto* padTest = new QGroupBox(QStringLiteral("DTMF Pad Test"), holder);
    auto* padRow = new QHBoxLayout(padTest);
    padRow->addWidget(label(QStringLiteral("Prefix"), padTest));
    padRow->addWidget(textBox(QStringLiteral("DTMFTestPrefixSet"), "DTMFTestPrefix", 0, 10));
    padRow->addStretch(1);
    column->addWidget(padTest);

    auto* codesRow = new QHBoxLayout;
    auto* preAccess = new QGroupBox(QStringLiteral("Pre Access Code"), holder);
    auto* accessRow = new QHBoxLayout(preAccess);
    preAccess_ = preCodeBox(preAccess, "PreAccessSet", "PreAccessPrefix");
    accessRow->addWidget(preAccess_);
    codesRow->addWidget(preAccess);
    auto* preCommand = new QGroupBox(QStringLiteral("Pre Command Prefix"), holder);
    auto* commandRow = new QHBoxLayout(preCommand);
    preCommand_ = preCodeBox(preCommand, "PreProgramSet", "PreProgramPrefix");
    describe(preAccess_, fieldHelp("PreAccessPrefix", 0, 0));
    describe(preCommand_, fieldHelp("PreProgramPrefix", 0, 0));
    commandRow->addWidget(preCommand_);
    codesRow->addWidget(preCommand);
    column->addLayout(codesRow);
    return holder;
}

QWidget* SpecialCodes::buildSubsetFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Macro SubSet"), this);
    auto* grid = new QGridLayout(frame);
    subsetStart_ = ownList(frame, "cboMacroSubsetStart", SpecialCodesModel::macroNumberEntries());
    subsetEnd_ = ownList(frame, "cboMacroSubsetEnd", SpecialCodesModel::macroNumberEntries());
    grid->addWidget(label(QStringLiteral("Start"), frame), 0, 0);
    grid->addWidget(subsetStart_, 0, 1, Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("End"), frame), 0, 2);
    grid->addWidget(subsetEnd_, 0, 3, Qt::AlignLeft);
    grid->addWidget(checkBox(QStringLiteral("MacroSubsetEnable"), QStringLiteral("Enable"),
                             "MacroSubsetEnable", 0),
                    1, 0, 1, 4);
    connect(subsetStart_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (showing_ || i < 0)
            return;
        codes().editSubsetStart(i + 1);
        showOwnControls();
    });
    connect(subsetEnd_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (showing_ || i < 0)
            return;
        codes().editSubsetEnd(i + 1);
        showOwnControls();
    });
    return frame;
}

QButtonGroup* SpecialCodes::optionPair(
    QGroupBox* frame, const char* key,
    const std::vector<std::tuple<QString, QString, int>>& buttons) {
    auto* group = new QButtonGroup(frame);
    auto* row = new QHBoxLayout(frame);
    for (const auto& [name, text, code] : buttons) {
        auto* b = new QRadioButton(text, frame);
        b->setObjectName(name);
        group->addButton(b, code);
        row->addWidget(b);
    }
    row->addStretch(1);
    const std::string field = key;
    connect(group, &QButtonGroup::idClicked, this, [this, field](int code) {
        codes().editChoice(field, 0, code);
        showOwnControls();
    });
    return group;
}

QWidget* SpecialCodes::buildSelectFrames() {
    auto* holder = new QWidget(this);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    muteFrame_ = new QGroupBox(QStringLiteral("DTMF Mute Select"), holder);
    muteDigit_ = optionPair(muteFrame_, "DTMFMuteDigitSelect",
                            {{QStringLiteral("FirstDigitSet"), QStringLiteral("1st Digit"), 1},
                             {QStringLiteral("SecondDigitSet"), QStringLiteral("2nd Digit"), 2}});
    column->addWidget(muteFrame_);
    windFrame_ = new QGroupBox(QStringLiteral("Wx Station Wind Direction Select"), holder);
    windDirection_ =
        optionPair(windFrame_, "WindDirectionSelect",
                   {{QStringLiteral("CompassSet"), QStringLiteral("Compass Heading"), 1},
                    {QStringLiteral("DegreesSet"), QStringLiteral("Degrees"), 0}});
    column->addWidget(windFrame_);
    auto* dr1 = new QGroupBox(QStringLiteral("DR1 Mode Select"), holder);
    auto* dr1Row = new QHBoxLayout(dr1);
    dr1Row->addWidget(checkBox(QStringLiteral("DR1ModeSelect"), QStringLiteral("DR1 Mode Enabled"),
                               "DR1Select", 0));
    column->addWidget(dr1);
    return holder;
}

void SpecialCodes::updateEnabledStates() {
    showOwnControls();
}

void SpecialCodes::showOwnControls() {
    if (preAccess_ == nullptr || preCommand_ == nullptr || tollList_ == nullptr ||
        subsetEnd_ == nullptr || windDirection_ == nullptr)
        return;  // still building
    const bool wasShowing = showing_;
    showing_ = true;
    SpecialCodesModel& m = codes();
    for (const auto& [box, key] :
         {std::pair<QLineEdit*, const char*>{preAccess_, "PreAccessPrefix"},
          {preCommand_, "PreProgramPrefix"}}) {
        // A box being typed in keeps its text while it means the working value; a working copy
        // just loaded (marker -1) shows every box in its stored form.
        if (m.marker() == -1 ||
            SpecialCodesModel::prefixValue(box->text().toStdString()) != m.value(key) ||
            (!box->hasFocus() && box->text().trimmed().isEmpty()))
            box->setText(QString::fromStdString(SpecialCodesModel::prefixShown(m.value(key))));
        showChanged(box, m.differs(key));
    }
    subsetStart_->setCurrentIndex(m.subsetStart() - 1);
    subsetEnd_->setCurrentIndex(m.subsetEnd() - 1);
    showChanged(subsetStart_, m.subsetStartDiffers());
    showChanged(subsetEnd_, m.subsetEndDiffers());
    for (const auto& [group, frame, key] : {std::tuple<QButtonGroup*, QGroupBox*, const char*>{
                                                muteDigit_, muteFrame_, "DTMFMuteDigitSelect"},
                                            {windDirection_, windFrame_, "WindDirectionSelect"}}) {
        const std::string& v = m.value(key);
        QAbstractButton* target =
            v.size() == 1 && v[0] >= '0' && v[0] <= '9' ? group->button(v[0] - '0') : nullptr;
        if (target != nullptr) {
            target->setChecked(true);
        } else {
            group->setExclusive(false);
            for (QAbstractButton* b : group->buttons()) b->setChecked(false);
            group->setExclusive(true);
        }
        colourFrame(frame, m.differs(key));
    }
    fillTollList();
    colourFrame(tollFrame_, m.tollFrameChanged());
    if (autoDialSlot_->currentIndex() != m.autoDialSlot() - 1)
        autoDialSlot_->setCurrentIndex(m.autoDialSlot() - 1);
    showing_ = wasShowing;
}

void SpecialCodes::fillTollList() {
    const std::vector<ListEntry> entries = codes().tollEntries();
    // Every edit of the window shows its controls again: a list that has not changed is left
    // alone, and a refilled one keeps the slots that were selected, so "De&lete" still has
    // its entry after the operator touched something else.
    bool same = tollList_->count() == static_cast<int>(entries.size());
    for (int i = 0; same && i < tollList_->count(); ++i)
        same = tollList_->item(i)->text() ==
               QString::fromStdString(entries[static_cast<std::size_t>(i)].text);
    if (same)
        return;
    QSet<qlonglong> selected;
    for (const QListWidgetItem* item : tollList_->selectedItems())
        selected.insert(item->data(Qt::UserRole).toLongLong());
    tollList_->clear();
    for (const ListEntry& e : entries) {
        auto* item = new QListWidgetItem(QString::fromStdString(e.text), tollList_);
        item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(e.itemData));
        item->setSelected(selected.contains(e.itemData));
    }
}

void SpecialCodes::addToll() {
    const SpecialCodesModel::TollAdd added =
        codes().addTollRestriction(tollEntry_->text().toStdString());
    if (added.refusal) {
        currentPrompter().message(added.refusal->text, added.refusal->title,
                                  MessageIcon::Exclamation);
        tollEntry_->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (added.slot == 0)
        return;
    showOwnControls();
    tollEntry_->clear();
    tollEntry_->setFocus(Qt::OtherFocusReason);
}

void SpecialCodes::deleteToll() {
    const QList<QListWidgetItem*> selected = tollList_->selectedItems();
    const int slot = selected.isEmpty()
                         ? 0
                         : static_cast<int>(selected.front()->data(Qt::UserRole).toLongLong());
    if (const std::optional<Notice> refusal = codes().deleteTollRestriction(slot)) {
        currentPrompter().message(refusal->text, refusal->title, MessageIcon::Exclamation);
        tollList_->setFocus(Qt::OtherFocusReason);
        return;
    }
    showOwnControls();
}

bool SpecialCodes::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tollEntry_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->text().contains(QLatin1Char('|'))) {
        QApplication::beep();
        return true;
    }
    if (!refusing_ && event->type() == QEvent::FocusOut &&
        focusLeavesBox(static_cast<const QFocusEvent*>(event)) &&
        (watched == preAccess_ || watched == preCommand_)) {
        auto* box = static_cast<QLineEdit*>(watched);
        const std::string key = box == preAccess_ ? "PreAccessPrefix" : "PreProgramPrefix";
        const std::optional<Notice> refusal = codes().leaveField(key, 0);
        if (box->text().trimmed().isEmpty()) {
            const bool wasShowing = showing_;
            showing_ = true;
            box->setText(
                QString::fromStdString(SpecialCodesModel::prefixShown(codes().value(key))));
            showing_ = wasShowing;
        }
        if (refusal)
            refuseLater(box, *refusal);
    }
    return EditorWindow::eventFilter(watched, event);
}

void SpecialCodes::refuseLater(QWidget* focusTarget, const Notice& notice) {
    // Shown once the click or key that left the box has been handled, so that the focus can
    // go back into the box afterwards.
    refusing_ = true;
    QTimer::singleShot(0, this, [this, focusTarget, notice] {
        currentPrompter().message(notice.text, notice.title, MessageIcon::Exclamation);
        focusTarget->setFocus(Qt::OtherFocusReason);
        refusing_ = false;
    });
}

void SpecialCodes::applyHere() {
    if (refusing_ || refusalPending())
        return;
    const SpecialCodesModel::ApplyResult result = codes().applyChanges();
    for (const Notice& n : result.notices)
        currentPrompter().message(n.text, n.title, MessageIcon::Exclamation);
    if (result.applied) {
        showWorkingCopy();
        return;
    }
    QWidget* target = nullptr;
    if (result.subsetRefused) {
        target = subsetStart_;
    } else if (codes().marker() == SpecialCodesModel::kPreAccessMarker) {
        target = preAccess_;
    } else if (codes().marker() == SpecialCodesModel::kPreCommandMarker) {
        target = preCommand_;
    } else {
        for (const FieldSpec& f : codes().fields())
            if (f.kind == FieldKind::Text && f.marker == codes().marker() && f.marker > 0)
                target = control(f.key, 0);
    }
    if (const auto& refused = codes().refusedEntry())
        if (QWidget* own = control(refused->key, refused->index))
            target = own;
    if (target != nullptr) {
        refusing_ = true;
        target->setFocus(Qt::OtherFocusReason);
        refusing_ = false;
    }
}

void SpecialCodes::openUnlockWindow() {
    // The codes are changed and sent apart from this window's working copy: modal, unloaded
    // when it closes.
    showUnlockWindow(this);
}

}  // namespace kelp
