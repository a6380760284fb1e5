#include "gui/editors/macros.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/app/prompter.h"
#include "core/catalogues/choice_lists.h"
#include "core/catalogues/macro_functions.h"
#include "core/database/controller_database.h"

namespace kelp {

namespace {

using Kind = MacrosModel::Kind;
using Macro = MacrosModel::Macro;

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLabel* bold(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QComboBox* numberList(const QString& name, int last, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    for (int n = 1; n <= last; ++n) list->addItem(QString::number(n), n);
    list->setMaxVisibleItems(15);
    return list;
}

}  // namespace

Macros::Macros(QWidget* parent)
    : EditorWindow(std::make_unique<MacrosModel>(db()), QStringLiteral("Macros"), parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());
    auto* body = new QHBoxLayout;
    layout->addLayout(body, 1);

    sstab_ = new QTabWidget(this);
    sstab_->setObjectName(QStringLiteral("SSTab1"));
    sstab_->addTab(buildLongTab(1), QStringLiteral("1-10"));
    sstab_->addTab(buildLongTab(11), QStringLiteral("11-20"));
    sstab_->addTab(buildLongTab(21), QStringLiteral("21-30"));
    sstab_->addTab(buildLongTab(31), QStringLiteral("31-40"));
    sstab_->addTab(buildShortTab(1, 20, nullptr), QStringLiteral("41-60"));
    sstab_->addTab(buildShortTab(21, 40, nullptr), QStringLiteral("61-80"));
    sstab_->addTab(buildShortTab(41, 50, buildAssignments()),
                   QStringLiteral("81-90/Port Restrictions/RcvMacro"));
    bindTabs(sstab_);
    body->addWidget(sstab_, 1);

    // A pick list: moving to it is not leaving the box, which keeps its caret.
    auto* side = new QVBoxLayout;
    auto* listLabel = new QLabel(QStringLiteral("Function List"), this);
    listLabel->setObjectName(QStringLiteral("FunctionLabel"));
    side->addWidget(listLabel);
    auto* columns = new QHBoxLayout;
    columns->addWidget(bold(QStringLiteral("Number"), this));
    columns->addSpacing(8);
    columns->addWidget(bold(QStringLiteral("Descriptiion"), this), 1);
    side->addLayout(columns);
    functions_ = new QListWidget(this);
    functions_->setObjectName(QStringLiteral("FunctionList"));
    functions_->setToolTip(QStringLiteral(
        "Double-click a function, or press Enter on it, to insert it into the macro entered last"));
    for (const ListEntry& e : macroFunctions().pickList()) {
        auto* item = new QListWidgetItem(QString::fromStdString(e.text), functions_);
        item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(e.itemData));
    }
    functions_->setMinimumWidth(functions_->fontMetrics().horizontalAdvance(
                                    QStringLiteral("597 Outdoor Temp High (since Midnight)")) +
                                40);
    listLabel->setBuddy(functions_);
    pickList(functions_, [this](QListWidgetItem* item) { insertFunction(item); });
    side->addWidget(functions_, 1);

    auto* counterRow = new QHBoxLayout;
    auto* counterLabel = new QLabel(QStringLiteral("Function Counter"), this);
    counter_ = new QLineEdit(this);
    counter_->setObjectName(QStringLiteral("CharCounter"));
    counter_->setReadOnly(true);
    counter_->setFocusPolicy(Qt::NoFocus);
    counter_->setFixedWidth(counter_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    counterLabel->setBuddy(counter_);
    counterRow->addWidget(counterLabel);
    counterRow->addWidget(counter_);
    counterRow->addStretch(1);
    side->addLayout(counterRow);

    auto* erase = new QPushButton(QStringLiteral("E&rase All Macros"), this);
    erase->setObjectName(QStringLiteral("Erase"));
    erase->setAutoDefault(false);
    connect(erase, &QPushButton::clicked, this, &Macros::eraseClicked);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(erase);
    buttons->addStretch(1);
    buttons->addWidget(applyButton());
    buttons->addWidget(cancelChangesButton(QStringLiteral("&Cancel Changes")));
    side->addLayout(buttons);
    auto* note = new QLabel(QStringLiteral("All Ports / Port Restriction"), this);
    note->setAlignment(Qt::AlignRight);
    side->addWidget(note);
    body->addLayout(side);

    openWindow();
    showMacroNumber(1);
    showReceivePort(1);
    refreshCounter();
}

void Macros::addMacroRow(QWidget* page, QGridLayout* grid, int row, int column, Macro macro) {
    const bool isLong = macro.kind == Kind::Long;
    // Room for a function too many, so that it is refused in words.
    QLineEdit* functions = textBox(indexed(isLong ? "MacroSet" : "ShortMacroSet", macro.index),
                                   macro.functionsKey(), macro.index, isLong ? 80 : 40);
    const int chars = isLong ? 62 : 20;
    functions->setFixedWidth(functions->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars +
                             12);
    QLineEdit* code = textBox(indexed(isLong ? "MacroCodeSet" : "ShortMacroCodeSet", macro.index),
                              macro.codeKey(), macro.index, 12);
    code->setFixedWidth(code->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 12);
    boxes_[functions] = {macro, true};
    boxes_[code] = {macro, false};
    auto* label = new QLabel(QString::number(macro.number()), page);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(functions);
    grid->addWidget(label, row, column);
    grid->addWidget(functions, row, column + 1);
    grid->addWidget(code, row, column + 2);
}

QWidget* Macros::buildLongTab(int first) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addWidget(bold(QStringLiteral("Functions"), page), 0, 1);
    grid->addWidget(bold(QStringLiteral("Code"), page), 0, 2);
    for (int n = first; n < first + 10; ++n)
        addMacroRow(page, grid, n - first + 1, 0, Macro{Kind::Long, n});
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(11, 1);
    return page;
}

QWidget* Macros::buildShortTab(int first, int last, QWidget* extra) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    // Ten macros a column, so that a tab stays low enough for small screens.
    const int columns = (last - first) / 10 + 1;
    for (int c = 0; c < columns; ++c) {
        grid->addWidget(bold(QStringLiteral("Functions"), page), 0, c * 4 + 1);
        grid->addWidget(bold(QStringLiteral("Code"), page), 0, c * 4 + 2);
        grid->setColumnMinimumWidth(c * 4 + 3, 16);
    }
    for (int n = first; n <= last; ++n)
        addMacroRow(page, grid, (n - first) % 10 + 1, (n - first) / 10 * 4, Macro{Kind::Short, n});
    if (extra != nullptr) {
        extra->setParent(page);
        grid->addWidget(extra, 0, 4, 12, 1, Qt::AlignTop);
    }
    grid->setColumnStretch(grid->columnCount(), 1);
    grid->setRowStretch(11, 1);
    return page;
}

QWidget* Macros::buildAssignments() {
    auto* holder = new QWidget;
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);

    auto* ports = new QGroupBox(QStringLiteral("Macro Port Assignments"), holder);
    auto* pg = new QGridLayout(ports);
    macroNum_ = numberList(QStringLiteral("MacroNum"), 90, ports);
    connect(macroNum_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i >= 0)
            showMacroNumber(i + 1);
    });
    portToAllow_ = choiceList(QStringLiteral("PortToAllow"), "PortToAllow", 1,
                              portSetEntries(PortSetNone::NotOffered), ListSelect::ByItemData);
    auto* numLabel = new QLabel(QStringLiteral("Macro Number"), ports);
    numLabel->setBuddy(macroNum_);
    auto* allowLabel = new QLabel(QStringLiteral("Ports Allowed To Run From"), ports);
    allowLabel->setBuddy(portToAllow_);
    pg->addWidget(numLabel, 0, 0);
    pg->addWidget(macroNum_, 1, 0);
    pg->addWidget(allowLabel, 2, 0);
    pg->addWidget(portToAllow_, 3, 0);
    column->addWidget(ports);

    auto* rcv = new QGroupBox(QStringLiteral("Rcv Macros"), holder);
    auto* rg = new QGridLayout(rcv);
    rcvPort_ = numberList(QStringLiteral("RcvMacroPortSet"), 3, rcv);
    connect(rcvPort_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i >= 0)
            showReceivePort(i + 1);
    });
    const auto macros = macroList().listEntries();
    rcvActive_ = choiceList(QStringLiteral("RcvMacroActiveSet"), "RcvMacroActive", 1, macros,
                            ListSelect::ByItemDataOrKeep);
    rcvInactive_ = choiceList(QStringLiteral("RcvMacroInactiveSet"), "RcvMacroInactive", 1, macros,
                              ListSelect::ByItemDataOrKeep);
    const struct {
        const char* text;
        QComboBox* list;
    } rows[] = {{"Port", rcvPort_}, {"Macro Active", rcvActive_}, {"Macro Inactive", rcvInactive_}};
    int r = 0;
    for (const auto& row : rows) {
        auto* label = new QLabel(QLatin1String(row.text), rcv);
        label->setBuddy(row.list);
        rg->addWidget(label, r, 0);
        rg->addWidget(row.list, r, 1);
        ++r;
    }
    column->addWidget(rcv);
    column->addStretch(1);
    return holder;
}

QLineEdit* Macros::functionBox(Macro macro) const {
    return qobject_cast<QLineEdit*>(control(macro.functionsKey(), macro.index));
}

void Macros::showMacroNumber(int number) {
    macros().selectMacroNumber(number);
    rebind(portToAllow_, number);
    if (macroNum_->currentIndex() != number - 1) {
        const QSignalBlocker quiet(macroNum_);
        macroNum_->setCurrentIndex(number - 1);
    }
}

void Macros::showReceivePort(int port) {
    macros().selectReceivePort(port);
    rebind(rcvActive_, port);
    rebind(rcvInactive_, port);
    if (rcvPort_->currentIndex() != port - 1) {
        const QSignalBlocker quiet(rcvPort_);
        rcvPort_->setCurrentIndex(port - 1);
    }
}

void Macros::refreshCounter() {
    counter_->setText(QString::number(macros().slotSize(macros().focusedMacro())));
}

void Macros::afterEdit(const std::string& key, int index) {
    if (MacrosModel::isFunctionsKey(key) &&
        macros().focusedMacro() == Macro{*MacrosModel::kindOfKey(key), index})
        refreshCounter();
}

bool Macros::eventFilter(QObject* watched, QEvent* event) {
    const auto found = boxes_.find(watched);
    if (found == boxes_.end())
        return EditorWindow::eventFilter(watched, event);
    const std::optional<Macro> macro = found->second.first;
    const bool isFunctions = found->second.second;

    if (event->type() == QEvent::ToolTip && isFunctions) {
        auto* edit = static_cast<QLineEdit*>(watched);
        edit->setToolTip(QString::fromStdString(MacrosModel::toolTip(edit->text().toStdString())));
        return EditorWindow::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusIn && !refusalPending()) {
        macros().enterBox(*macro);
        if (isFunctions) {
            auto* edit = static_cast<QLineEdit*>(watched);
            const QString shown = QString::fromStdString(macros().enteredFunctionsText(*macro));
            if (edit->text() != shown) {
                // Emptied for typing: not an edit, the macro still holds "NONE STORED".
                const QSignalBlocker quiet(edit);
                edit->setText(shown);
            }
        }
        refreshCounter();
        return EditorWindow::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusOut && isFunctions &&
        focusLeavesBox(static_cast<QFocusEvent*>(event)) && !refusalPending()) {
        const bool handled = EditorWindow::eventFilter(watched, event);
        auto* edit = static_cast<QLineEdit*>(watched);
        const QString stored =
            QString::fromStdString(model().value(macro->functionsKey(), macro->index));
        if (edit->text() != stored) {
            // A box emptied for typing and left untouched shows "NONE STORED" again.
            const QSignalBlocker quiet(edit);
            edit->setText(stored);
        }
        refreshCounter();
        return handled;
    }
    return EditorWindow::eventFilter(watched, event);
}

void Macros::insertFunction(QListWidgetItem* item) {
    if (item == nullptr || refusalPending())
        return;
    const Macro macro = macros().focusedMacro();
    QLineEdit* box = functionBox(macro);
    if (box == nullptr)
        return;
    const int caret = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    const int selection = box->hasSelectedText() ? static_cast<int>(box->selectedText().size()) : 0;
    const auto inserted = MacrosModel::insertFunction(box->text().toStdString(), caret, selection,
                                                      item->data(Qt::UserRole).toLongLong());
    if (!inserted)
        return;  // a blank row of the list
    if (!box->hasFocus()) {
        // Into the box first, so that leaving it later checks the new functions.
        for (int i = 0; i < sstab_->count(); ++i)
            if (sstab_->widget(i)->isAncestorOf(box))
                sstab_->setCurrentIndex(i);
        box->setFocus(Qt::OtherFocusReason);
        if (refusalPending())
            return;
        // Entering the box may have emptied it ("NONE STORED"): insert into what it shows.
        const auto again = MacrosModel::insertFunction(box->text().toStdString(), caret, selection,
                                                       item->data(Qt::UserRole).toLongLong());
        box->setText(QString::fromStdString(again->text));
        box->setCursorPosition(again->caret);
        return;
    }
    // Through the box's own change: the framework stores it as typing.
    box->setText(QString::fromStdString(inserted->text));
    box->setCursorPosition(inserted->caret);
}

void Macros::eraseClicked() {
    if (refusalPending())
        return;
    if (!macros().eraseAllMacros())
        return;
    // Every erased value shown again; an unapplied macro code keeps its red.
    for (const Kind kind : {Kind::Long, Kind::Short}) {
        const int count = kind == Kind::Long ? MacrosModel::kLongMacros : MacrosModel::kShortMacros;
        for (int n = 1; n <= count; ++n) {
            const Macro m{kind, n};
            rebind(control(m.functionsKey(), n), n);
            rebind(control(m.codeKey(), n), n);
        }
    }
    showMacroNumber(macros().selectedMacroNumber());
    showReceivePort(macros().selectedReceivePort());
    refreshCounter();
}

}  // namespace kelp
