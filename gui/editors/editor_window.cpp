#include "gui/editors/editor_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>

#include "core/app/busy_state.h"
#include "core/app/prompter.h"
#include "core/database/field_checks.h"
#include "core/editors/field_help.h"
#include "gui/accessibility.h"

namespace kelp {

const QColor kChangedColour(255, 0, 0);

namespace {

// Opening a menu or another window moves the focus out of the window for a moment only.
bool movesWithinWindow(const QFocusEvent* event) {
    const auto reason = event->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason;
}

// Where Tab goes from `widget` in the window's focus chain, `skip` aside.
QWidget* nextTabStop(QWidget* widget, const QWidget* skip) {
    for (QWidget* w = widget->nextInFocusChain(); w != nullptr && w != widget;
         w = w->nextInFocusChain())
        if (w != skip && (w->focusPolicy() & Qt::TabFocus) != 0 && w->isVisible() &&
            w->isEnabled() && w->focusProxy() == nullptr)
            return w;
    return nullptr;
}

}  // namespace

bool EditorWindow::showsChanged(const QWidget* control) {
    return showsChangedColour(control);
}

EditorWindow::EditorWindow(std::unique_ptr<EditorModel> model, const QString& caption,
                           QWidget* parent)
    : QWidget(parent), model_(std::move(model)), caption_(caption) {
    setObjectName(caption);
    setWindowTitle(caption);
}

EditorWindow::~EditorWindow() {
    // The controls outlive this part of the window for a moment; their focus events must not
    // reach a model that is gone.
    filling_ = true;
    for (const Binding& b : bindings_)
        if (b.widget)
            b.widget->removeEventFilter(this);
    for (const PickList& pick : pickLists_)
        if (pick.list)
            pick.list->removeEventFilter(this);
}

QLabel* EditorWindow::captionLabel() {
    auto* label = new QLabel(caption_, this);
    label->setObjectName(QStringLiteral("lblCaption"));
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    label->setFont(font);
    return label;
}

const EditorWindow::Binding* EditorWindow::bindingOf(const QObject* widget) const {
    for (const Binding& b : bindings_)
        if (b.widget == widget)
            return &b;
    return nullptr;
}

QWidget* EditorWindow::control(const std::string& key, int index) const {
    for (const Binding& b : bindings_)
        if (b.key == key && b.index == index)
            return b.widget;
    return nullptr;
}

QLineEdit* EditorWindow::textBox(const QString& name, const std::string& key, int index,
                                 int maxLength) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    if (model_->field(key).numeric) {
        // Only digits can be typed or pasted into a numeric box.
        box->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    }
    box->setMaxLength(maxLength);
    const QFontMetrics metrics(box->font());
    // One width for every box of a window keeps the unit labels beside them in one column.
    box->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("0000000")) + 8);
    box->installEventFilter(this);
    bindings_.push_back(Binding{box, key, index, FieldKind::Text, ListSelect::ByItemData});
    const std::size_t slot = bindings_.size() - 1;
    describeBinding(bindings_[slot]);
    connect(box, &QLineEdit::textChanged, this, [this, slot](const QString& text) {
        if (!filling_)
            textEdited(bindings_[slot], text);
    });
    return box;
}

QComboBox* EditorWindow::choiceList(const QString& name, const std::string& key, int index,
                                    const std::vector<ListEntry>& entries, ListSelect select) {
    auto* list = new QComboBox(this);
    list->setObjectName(name);
    for (const ListEntry& e : entries)
        list->addItem(QString::fromStdString(e.text), QVariant::fromValue<qlonglong>(e.itemData));
    list->setMaxVisibleItems(15);
    bindings_.push_back(Binding{list, key, index, FieldKind::List, select});
    const std::size_t slot = bindings_.size() - 1;
    describeBinding(bindings_[slot]);
    connect(list, qOverload<int>(&QComboBox::currentIndexChanged), this, [this, slot, list](int i) {
        if (!filling_ && i >= 0)
            choiceEdited(bindings_[slot], static_cast<int>(list->itemData(i).toLongLong()));
    });
    return list;
}

QCheckBox* EditorWindow::checkBox(const QString& name, const QString& text, const std::string& key,
                                  int index) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(name);
    bindings_.push_back(Binding{box, key, index, FieldKind::Check, ListSelect::ByItemData});
    const std::size_t slot = bindings_.size() - 1;
    describeBinding(bindings_[slot]);
    connect(box, &QCheckBox::toggled, this, [this, slot](bool on) {
        if (!filling_)
            choiceEdited(bindings_[slot], on ? 1 : 0);
    });
    return box;
}

void EditorWindow::bindTabs(QTabWidget* tabs) {
    tabs_.push_back(tabs);
    connect(tabs, &QTabWidget::currentChanged, this, [this](int tab) { model_->selectTab(tab); });
}

QPushButton* EditorWindow::applyButton() {
    auto* button = new QPushButton(QStringLiteral("&Apply"), this);
    button->setObjectName(QStringLiteral("Apply"));
    keepFocusOnClick(button);
    connect(button, &QPushButton::clicked, this, &EditorWindow::applyClicked);
    return button;
}

void EditorWindow::keepFocusOnClick(QPushButton* apply) {
    apply->setAutoDefault(false);
    // A click does not take the focus from the box being typed in, so Apply judges the box as
    // it stands, as when Apply is pressed by its access key: the box's warning, then "APPLY
    // FAIL", and the box keeps the focus. Taking the focus would leave the box at the press,
    // and the box's warning, shown while the button is still held, swallows its release.
    apply->setFocusPolicy(Qt::TabFocus);
}

QPushButton* EditorWindow::cancelChangesButton(const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QStringLiteral("CancelChanges"));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &EditorWindow::cancelChangesClicked);
    return button;
}

void EditorWindow::showBinding(const Binding& b) {
    if (!b.widget)
        return;
    const bool wasFilling = filling_;
    filling_ = true;
    const std::string& value = model_->value(b.key, b.index);
    switch (b.kind) {
        case FieldKind::Text: {
            const FieldSpec& f = model_->field(b.key);
            static_cast<QLineEdit*>(b.widget.data())
                ->setText(QString::fromStdString(f.shown ? f.shown(*model_, b.index) : value));
            break;
        }
        case FieldKind::List: {
            auto* list = static_cast<QComboBox*>(b.widget.data());
            std::int64_t number = -1;
            if (!parseDigits(value, number))
                number = -1;
            int row = -1;
            if (b.select == ListSelect::ByPosition) {
                if (number >= 1 && number <= list->count())
                    row = static_cast<int>(number - 1);
            } else if (number >= 0) {
                row = list->findData(QVariant::fromValue<qlonglong>(number));
            }
            if (row >= 0 || b.select != ListSelect::ByItemDataOrKeep)
                list->setCurrentIndex(row);
            break;
        }
        case FieldKind::Check:
            static_cast<QCheckBox*>(b.widget.data())->setChecked(value == "1");
            break;
    }
    filling_ = wasFilling;
}

void EditorWindow::colour(const Binding& b) {
    if (b.widget)
        showChanged(b.widget, model_->differs(b.key, b.index));
}

void EditorWindow::describeBinding(const Binding& b) {
    if (!b.widget)
        return;
    int port = 0;
    int index = b.index;
    if (model_->field(b.key).indexing == FieldIndexing::Courtesy) {
        port = (b.index - 1) / kCourtesyTones + 1;
        index = (b.index - 1) % kCourtesyTones + 1;
    }
    std::vector<ListEntry> entries;
    if (auto* list = qobject_cast<QComboBox*>(b.widget.data()))
        for (int i = 0; i < list->count(); ++i)
            entries.push_back(ListEntry{list->itemText(i).toStdString(),
                                        static_cast<long>(list->itemData(i).toLongLong())});
    describe(b.widget, fieldHelp(b.key, port, index, b.kind, entries,
                                 b.select == ListSelect::ByPosition));
}

void EditorWindow::openWindow() {
    // Every control built by now that is no setting is named by its label and frames.
    nameUnnamedControls(this);
    for (QButtonGroup* group : findChildren<QButtonGroup*>()) tabStopOnChecked(group);
    model_->open();
    showWorkingCopy();
    for (QTabWidget* tabs : tabs_) tabs->setCurrentIndex(0);
    model_->selectTab(0);
    // Showing the values raised no edit, but a window's own hooks might have: start clean.
    model_->database().setChangeMarker(model_->area(), -1);
}

void EditorWindow::showWorkingCopy() {
    for (const Binding& b : bindings_) showBinding(b);
    // Every control black: the working copy was just loaded from the database.
    for (const Binding& b : bindings_)
        if (b.widget)
            showChanged(b.widget, false);
    updateEnabledStates();
}

void EditorWindow::rebind(QWidget* widget, int index) {
    for (Binding& b : bindings_) {
        if (b.widget != widget)
            continue;
        b.index = index;
        describeBinding(b);
        showBinding(b);
        colour(b);
        return;
    }
}

void EditorWindow::textEdited(const Binding& b, const QString& text) {
    model_->editText(b.key, b.index, text.toStdString());
    colour(b);
    afterEdit(b.key, b.index);
    updateEnabledStates();
}

void EditorWindow::choiceEdited(const Binding& b, int itemData) {
    model_->editChoice(b.key, b.index, itemData);
    colour(b);
    afterEdit(b.key, b.index);
    updateEnabledStates();
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
    for (const PickList& pick : pickLists_)
        if (pick.list == watched && pickListEvent(pick, event))
            return true;
    if (event->type() == QEvent::FocusIn && watched == heldBox_)
        heldBox_ = nullptr;  // back from its pick list
    if (event->type() == QEvent::FocusOut && !filling_ && !restoringFocus_ && !refusalPending()) {
        const auto* focus = static_cast<QFocusEvent*>(event);
        if (const Binding* b = bindingOf(watched); b != nullptr && b->kind == FieldKind::Text) {
            if (focusLeavesBox(focus))
                leaveTextBox(*b);
            else if (movesWithinWindow(focus))
                heldBox_ = static_cast<QLineEdit*>(b->widget.data());
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool EditorWindow::focusLeavesBox(const QFocusEvent* event) const {
    return movesWithinWindow(event) && !isPickList(QApplication::focusWidget());
}

bool EditorWindow::isPickList(const QObject* widget) const {
    for (const PickList& pick : pickLists_)
        if (pick.list != nullptr && pick.list == widget)
            return true;
    return false;
}

void EditorWindow::pickList(QListWidget* list, std::function<void(QListWidgetItem*)> insert,
                            std::function<QWidget*()> after) {
    if (pickLists_.empty()) {
        // One key for every list of the window: only one serves the box at a time.
        new QShortcut(QKeySequence(Qt::Key_F6), this, this, &EditorWindow::jumpToOrFromPickList,
                      Qt::WidgetWithChildrenShortcut);
    }
    list->setFocusPolicy(Qt::TabFocus);
    list->installEventFilter(this);
    connect(list, &QListWidget::itemDoubleClicked, this, insert);
    pickLists_.push_back(PickList{list, std::move(insert), std::move(after)});
}

bool EditorWindow::pickListEvent(const PickList& pick, QEvent* event) {
    QListWidget* list = pick.list;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        pick.insert(list->currentItem());
        // The focus stays in the list for the next entry (the insertion may have entered the box).
        if (list->isVisible() && list->isEnabled() && !list->hasFocus() && !refusalPending())
            list->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (event->type() != QEvent::FocusOut || heldBox_ == nullptr || filling_ || restoringFocus_ ||
        refusalPending())
        return false;
    const auto* focus = static_cast<QFocusEvent*>(event);
    QWidget* next = QApplication::focusWidget();
    if (!movesWithinWindow(focus) || next == heldBox_ || isPickList(next))
        return false;
    // The focus goes on from the list: the box it left for the list is left now.
    QLineEdit* box = heldBox_;
    heldBox_ = nullptr;
    QFocusEvent leaving(QEvent::FocusOut, focus->reason());
    eventFilter(box, &leaving);
    return false;
}

void EditorWindow::jumpToOrFromPickList() {
    if (isPickList(QApplication::focusWidget())) {
        if (heldBox_ != nullptr)
            heldBox_->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    for (const PickList& pick : pickLists_) {
        if (pick.list != nullptr && pick.list->isVisible() && pick.list->isEnabled()) {
            pick.list->setFocus(Qt::ShortcutFocusReason);
            return;
        }
    }
}

bool EditorWindow::focusNextPrevChild(bool next) {
    // A pick list placed after a box of the page showing: Tab goes box, list, the control
    // after the box; Shift+Tab the other way round.
    QWidget* focus = QApplication::focusWidget();
    for (const PickList& pick : pickLists_) {
        QWidget* after = pick.after ? pick.after() : nullptr;
        QListWidget* list = pick.list;
        if (after == nullptr || list == nullptr || !list->isVisible() || !list->isEnabled())
            continue;
        QWidget* target = nullptr;
        if (focus == after)
            target = next ? list : nullptr;
        else if (focus == list && next)
            target = nextTabStop(after, list);
        else if (focus == list)
            target = heldBox_ != nullptr ? static_cast<QWidget*>(heldBox_) : after;
        else if (!next && focus == nextTabStop(after, list))
            target = list;
        if (target != nullptr) {
            target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return QWidget::focusNextPrevChild(next);
}

void EditorWindow::leaveTextBox(const Binding& b) {
    auto* box = static_cast<QLineEdit*>(b.widget.data());
    if (box == nullptr)
        return;
    const std::string before = model_->value(b.key, b.index);
    const std::optional<Notice> refusal = model_->leaveField(b.key, b.index);
    if (model_->value(b.key, b.index) != before) {
        // Leaving tidied the text, or gave an emptied box the field's empty text ("0" for most);
        // a field may keep its emptied box empty.
        if (!(model_->field(b.key).emptyBoxStaysEmpty && box->text().trimmed().isEmpty())) {
            const bool wasFilling = filling_;
            filling_ = true;
            box->setText(QString::fromStdString(model_->value(b.key, b.index)));
            filling_ = wasFilling;
        }
        colour(b);
        afterEdit(b.key, b.index);
        updateEnabledStates();
    }
    if (!refusal)
        return;
    // The box is shown once the click or key that left the box has been handled, so that
    // the focus can go back into the box afterwards.
    pending_.box = box;
    pending_.notice = *refusal;
    QTimer::singleShot(0, this, &EditorWindow::showPendingRefusal);
}

void EditorWindow::showPendingRefusal() {
    const QPointer<QLineEdit> box = pending_.box;
    const Notice notice = pending_.notice;
    if (!box) {
        pending_ = Pending{};
        return;
    }
    reveal(box);
    currentPrompter().message(notice.text, notice.title, MessageIcon::Exclamation);
    pending_ = Pending{};
    if (box) {
        restoringFocus_ = true;
        box->setFocus(Qt::OtherFocusReason);
        restoringFocus_ = false;
    }
}

void EditorWindow::reveal(QWidget* widget) {
    for (QWidget* w = widget->parentWidget(); w != nullptr && w != this; w = w->parentWidget()) {
        auto* tabs = qobject_cast<QTabWidget*>(w);
        if (tabs == nullptr)
            continue;
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(widget))
                tabs->setCurrentIndex(i);
    }
}

void EditorWindow::showNotices(const std::vector<Notice>& notices) {
    for (const Notice& n : notices)
        currentPrompter().message(n.text, n.title, MessageIcon::Exclamation);
}

QLineEdit* EditorWindow::boxForMarker() const {
    const int marker = model_->marker();
    if (marker <= 0)
        return nullptr;
    for (const FieldSpec& f : model_->fields()) {
        if (f.kind != FieldKind::Text || f.marker != marker)
            continue;
        int index = 0;
        if (f.indexing == FieldIndexing::PerPort)
            index = model_->currentPort();
        if (f.indexing == FieldIndexing::Indexed || f.indexing == FieldIndexing::Courtesy)
            index = model_->rememberedIndex(marker);
        return qobject_cast<QLineEdit*>(control(f.key, index));
    }
    return nullptr;
}

void EditorWindow::applyClicked() {
    if (refusalPending()) {
        // Apply was clicked away from a box holding a refused value: the box's warning, then
        // Apply's own, as when Apply is pressed with the focus still in the box.
        showPendingRefusal();
        showNotices({Notice{kApplyFailTitle, kApplyFailText}});
        return;
    }
    const std::vector<Notice> notices = model_->apply();
    if (!notices.empty()) {
        // The area's own checks may have brought values into their stored form.
        updateEnabledStates();
        showNotices(notices);
        QWidget* box = boxForMarker();
        if (const auto& refused = model_->refusedEntry())
            if (QWidget* own = control(refused->key, refused->index))
                box = own;
        if (box != nullptr) {
            reveal(box);
            restoringFocus_ = true;
            box->setFocus(Qt::OtherFocusReason);
            restoringFocus_ = false;
        }
        return;
    }
    showWorkingCopy();
}

void EditorWindow::cancelChangesClicked() {
    if (refusalPending())
        return;
    const Notice question = model_->cancelQuestion();
    if (currentPrompter().message(question.text, question.title, MessageIcon::Question,
                                  MessageButtons::YesNo) != Answer::Yes)
        return;
    model_->cancelChanges();
    showWorkingCopy();
}

void EditorWindow::showStep(int tab) {
    model_->cancelChanges();
    showWorkingCopy();
    if (!tabs_.empty() && tab >= 0 && tab < tabs_.front()->count())
        tabs_.front()->setCurrentIndex(tab);
    else
        model_->selectTab(tab);
}

void EditorWindow::focusFirstControl() {
    for (const Binding& b : bindings_) {
        if (b.widget && b.widget->isVisibleTo(this) && b.widget->isEnabled()) {
            b.widget->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    setFocus(Qt::OtherFocusReason);
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (busyState().busy()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace kelp
