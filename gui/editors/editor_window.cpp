#include "gui/editors/editor_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTimer>

#include "core/app/busy_state.h"
#include "core/app/prompter.h"
#include "core/database/field_checks.h"
#include "core/editors/field_help.h"
#include "gui/accessibility.h"

namespace kelp {

const QColor kChangedColour(255, 0, 0);

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
    if (event->type() == QEvent::FocusOut && !filling_ && !restoringFocus_ && !refusalPending()) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Opening a menu or another window is not leaving the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            reason != Qt::MenuBarFocusReason) {
            if (const Binding* b = bindingOf(watched); b != nullptr && b->kind == FieldKind::Text)
                leaveTextBox(*b);
        }
    }
    return QWidget::eventFilter(watched, event);
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
