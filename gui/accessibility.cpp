#include "gui/accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QWhatsThis>
#include <cmath>

namespace kelp {

namespace {

const char* const kPictureProperty = "kelpPicture";
// The tool tip describe() gave, so that a later describe() may replace it while a tool tip
// the program set itself is kept.
const char* const kHelpTipProperty = "kelpHelpTip";

// A list named by its label. Qt's own interface for QComboBox on Linux answers its current
// entry as its name (and ignores accessibleName), so a screen reader announced "90" or
// "After COS" for every list; the current entry is its value.
// Its entry is also its text, read-only, as a screen reader reads the value of a list.
class NamedComboBox : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit NamedComboBox(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    // The current entry as read-only text.
    QString text(int start, int end) const override { return list()->currentText().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(list()->currentText().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = *end = 0;
        return {};
    }

    QComboBox* list() const { return static_cast<QComboBox*>(object()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return list()->currentText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return list()->view() != nullptr ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && list()->view() != nullptr
                   ? QAccessible::queryAccessibleInterface(list()->view())
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == list()->view() ? 0 : -1;
    }
    QStringList actionNames() const override {
        return {QAccessibleActionInterface::showMenuAction(),
                QAccessibleActionInterface::pressAction()};
    }
    void doAction(const QString& action) override {
        if (action == QAccessibleActionInterface::showMenuAction() ||
            action == QAccessibleActionInterface::pressAction())
            list()->showPopup();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* kelpAccessible(const QString& className, QObject* object) {
    if (object == nullptr || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (widget->property(kPictureProperty).toBool())
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (className == QLatin1String("QComboBox"))
        return new NamedComboBox(static_cast<QComboBox*>(widget));
    return nullptr;
}

// F1 shows the focused control's help, as Shift+F1 does by Qt itself.
class HelpKey : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            QWidget* focus = QApplication::focusWidget();
            if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier &&
                focus != nullptr && watched == focus && !focus->whatsThis().isEmpty()) {
                QWhatsThis::showText(focus->mapToGlobal(QPoint(0, focus->height())),
                                     focus->whatsThis(), focus);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

QString withoutMnemonics(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.simplified();
}

double luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
           0.0722 * channel(c.blueF());
}

// The position of a widget in the layouts of its parent, or nothing.
bool findInLayout(QLayout* layout, const QWidget* widget, QLayout*& holder, int& index) {
    if (layout == nullptr)
        return false;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget) {
            holder = layout;
            index = i;
            return true;
        }
        if (item->layout() != nullptr && findInLayout(item->layout(), widget, holder, index))
            return true;
    }
    return false;
}

// The label a control is read with: a label whose buddy it is, else the label before it in
// its row of a grid or in its row of boxes.
QString labelOf(const QWidget* control, const QWidget* top) {
    for (const QLabel* label : top->findChildren<QLabel*>())
        if (label->buddy() == control)
            return withoutMnemonics(label->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return withoutMnemonics(button->text());
    QWidget* parent = control->parentWidget();
    QLayout* holder = nullptr;
    int index = -1;
    if (parent == nullptr || !findInLayout(parent->layout(), control, holder, index))
        return {};
    if (auto* grid = qobject_cast<QGridLayout*>(holder)) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        for (int c = column - 1; c >= 0; --c) {
            QLayoutItem* item = grid->itemAtPosition(row, c);
            if (item == nullptr)
                continue;
            if (auto* label = qobject_cast<QLabel*>(item->widget()))
                return withoutMnemonics(label->text());
            break;
        }
        return {};
    }
    if (qobject_cast<QBoxLayout*>(holder) != nullptr) {
        for (int i = index - 1; i >= 0; --i) {
            QLayoutItem* item = holder->itemAt(i);
            if (item->spacerItem() != nullptr)
                continue;
            if (auto* label = qobject_cast<QLabel*>(item->widget()))
                return withoutMnemonics(label->text());
            break;
        }
    }
    return {};
}

// Controls a screen reader reaches, less the parts Qt builds inside lists, spin boxes and
// tab bars.
bool isNamedControl(const QWidget* w, const QWidget* top) {
    if (qobject_cast<const QLineEdit*>(w) == nullptr && qobject_cast<const QComboBox*>(w) == nullptr &&
        qobject_cast<const QAbstractButton*>(w) == nullptr &&
        qobject_cast<const QAbstractItemView*>(w) == nullptr &&
        qobject_cast<const QProgressBar*>(w) == nullptr &&
        qobject_cast<const QAbstractSpinBox*>(w) == nullptr)
        return false;
    for (const QWidget* p = w->parentWidget(); p != nullptr && p != top; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p) != nullptr ||
            qobject_cast<const QAbstractSpinBox*>(p) != nullptr ||
            qobject_cast<const QTabBar*>(p) != nullptr ||
            qobject_cast<const QAbstractItemView*>(p) != nullptr)
            return false;
    return true;
}

}  // namespace

void installAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(kelpAccessible);
    qApp->installEventFilter(new HelpKey(qApp));
}

void describe(QWidget* control, const QString& name, const QString& description) {
    if (control == nullptr)
        return;
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
    const QString ours = control->property(kHelpTipProperty).toString();
    if (!description.isEmpty() && (control->toolTip().isEmpty() || control->toolTip() == ours)) {
        control->setToolTip(description);
        control->setProperty(kHelpTipProperty, description);
    }
    control->setWhatsThis(description.isEmpty()
                              ? name.toHtmlEscaped()
                              : QStringLiteral("<p><b>%1</b></p><p>%2</p>")
                                    .arg(name.toHtmlEscaped(), description.toHtmlEscaped()));
}

void describe(QWidget* control, const FieldHelp& help) {
    describe(control, QString::fromStdString(help.name), QString::fromStdString(help.description));
}

void markPicture(QWidget* picture, const QString& name, const QString& description) {
    picture->setProperty(kPictureProperty, true);
    picture->setAccessibleName(name);
    picture->setAccessibleDescription(description);
}

QString contextName(const QWidget* control, const QString& label, const QWidget* top) {
    QStringList parts;
    for (const QWidget* w = control->parentWidget(); w != nullptr && w != top;
         w = w->parentWidget()) {
        if (const auto* frame = qobject_cast<const QGroupBox*>(w)) {
            if (!frame->title().isEmpty())
                parts.prepend(withoutMnemonics(frame->title()));
            continue;
        }
        // A page of a tab control: its tab's caption.
        const QWidget* stack = w->parentWidget();
        const auto* tabs = stack != nullptr ? qobject_cast<const QTabWidget*>(stack->parentWidget())
                                            : nullptr;
        if (tabs != nullptr && qobject_cast<const QStackedWidget*>(stack) != nullptr) {
            const int i = tabs->indexOf(const_cast<QWidget*>(w));
            if (i >= 0)
                parts.prepend(withoutMnemonics(tabs->tabText(i)));
        }
    }
    const QString own = withoutMnemonics(label);
    if (!own.isEmpty() && (parts.isEmpty() || parts.back() != own))
        parts.append(own);
    return parts.join(QStringLiteral(", "));
}

void nameUnnamedControls(QWidget* top) {
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->accessibleName().isEmpty() || !isNamedControl(w, top))
            continue;
        // Buttons already read their own text; a button inside a frame gets the frame too only
        // when it has no text.
        const auto* button = qobject_cast<const QAbstractButton*>(w);
        if (button != nullptr && qobject_cast<const QLineEdit*>(w) == nullptr &&
            !button->text().isEmpty() && qobject_cast<const QRadioButton*>(w) == nullptr &&
            qobject_cast<const QCheckBox*>(w) == nullptr)
            continue;
        const QString name = contextName(w, labelOf(w, top), top);
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
}

namespace {

// Qt moves a group's Tab stop to whichever button last had the focus; each time the focus
// leaves the group it goes back to the checked button.
class CheckedTabStop : public QObject {
  public:
    explicit CheckedTabStop(QButtonGroup* group) : QObject(group), group_(group) {
        connect(group, &QButtonGroup::buttonToggled, this, &CheckedTabStop::follow);
        for (QAbstractButton* b : group->buttons()) b->installEventFilter(this);
        follow();
    }

  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::FocusOut)
            follow();
        return false;
    }

  private:
    void follow() {
        const QList<QAbstractButton*> buttons = group_->buttons();
        QAbstractButton* stop = group_->checkedButton();
        if (stop == nullptr && !buttons.isEmpty())
            stop = buttons.first();
        for (QAbstractButton* b : buttons)
            b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
    }

    QButtonGroup* group_;
};

}  // namespace

void tabStopOnChecked(QButtonGroup* group) {
    new CheckedTabStop(group);
}

QColor changedColour(const QColor& background) {
    // Pure red, the program's colour for a changed value, reads well on a light background;
    // on a dark one it is too dim, and a lighter red takes its place.
    if (luminance(background) >= 0.18)
        return QColor(255, 0, 0);
    return QColor(255, 110, 110);
}

namespace {

void paint(QWidget* control, bool changed, std::initializer_list<QPalette::ColorRole> roles) {
    const QPalette inherited =
        control->parentWidget() != nullptr ? control->parentWidget()->palette()
                                           : QApplication::palette(control);
    QPalette palette = control->palette();
    for (QPalette::ColorRole role : roles) {
        const QPalette::ColorRole ground = role == QPalette::Text         ? QPalette::Base
                                           : role == QPalette::ButtonText ? QPalette::Button
                                                                          : QPalette::Window;
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, role,
                             changed ? changedColour(inherited.color(group, ground))
                                     : inherited.color(group, role));
        }
    }
    control->setPalette(palette);
}

}  // namespace

void showChanged(QWidget* control, bool changed) {
    // Text boxes draw with Text, lists with ButtonText (or Text when open), check boxes with
    // WindowText: set them all so every kind of control turns red alike.
    paint(control, changed, {QPalette::Text, QPalette::ButtonText, QPalette::WindowText});
}

void showCaptionChanged(QWidget* frame, bool changed) {
    paint(frame, changed, {QPalette::WindowText});
}

bool showsChangedColour(const QWidget* control) {
    if (control == nullptr)
        return false;
    const QPalette& p = control->palette();
    return p.color(QPalette::Active, QPalette::Text) ==
           changedColour(p.color(QPalette::Active, QPalette::Base));
}

}  // namespace kelp
