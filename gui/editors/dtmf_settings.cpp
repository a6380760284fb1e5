#include "gui/editors/dtmf_settings.h"

#include <QFocusEvent>
#include <QFontMetrics>
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
#include <QTimer>
#include <QVBoxLayout>

#include "core/app/prompter.h"
#include "core/catalogues/choice_lists.h"
#include "core/database/controller_database.h"
#include "core/editors/field_units.h"
#include "gui/accessibility.h"

namespace kelp {

namespace {

constexpr int kAllMemories = 50;
constexpr int kRowsPerColumn = 10;
const char* const kMemoryKey = "DTMF";

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

}  // namespace

DtmfSettings::DtmfSettings(QWidget* parent)
    : EditorWindow(std::make_unique<DtmfSettingsModel>(db()), QStringLiteral("DTMF"), parent) {
    memoryBoxes_.assign(kAllMemories + 1, nullptr);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());

    auto* body = new QHBoxLayout;
    layout->addLayout(body, 1);

    sstab_ = new QTabWidget(this);
    sstab_->setObjectName(QStringLiteral("SSTab1"));
    sstab_->addTab(buildMemoryTab(1, 20), QStringLiteral("1 - 20"));
    sstab_->addTab(buildMemoryTab(21, 40), QStringLiteral("21 -40"));
    sstab_->addTab(buildMemoryTab(41, 50), QStringLiteral("41-50"));
    sstab_->addTab(buildParametersTab(), QStringLiteral("All Memories / Parameters"));
    // Without the RTC option board the controller has memories 1-20 only.
    const int memories = dtmf().memories();
    for (int tab = 0; tab < DtmfSettingsModel::kParametersTab; ++tab)
        sstab_->setTabEnabled(tab, tab * DtmfSettingsModel::kMemoriesPerTab < memories);
    bindTabs(sstab_);
    body->addWidget(sstab_, 1);

    // The digit list sits beside the tabs, so that the memory box it adds to stays in view.
    // A pick list: a double-click or Enter adds to the box entered last.
    digits_ = new QListWidget(this);
    digits_->setObjectName(QStringLiteral("DTMFList"));
    describe(digits_, QStringLiteral("DTMF Digits"));
    digits_->setToolTip(QStringLiteral(
        "Double-click a digit, or press Enter on it, to add it to the memory box entered last"));
    for (const ListEntry& e : dtmfDigitList().listEntries()) {
        auto* item = new QListWidgetItem(QString::fromStdString(e.text), digits_);
        item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(e.itemData));
        item->setTextAlignment(Qt::AlignCenter);
    }
    const QFontMetrics metrics(digits_->font());
    digits_->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("00000")) + 24);
    digits_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    digits_->setFixedHeight(digits_->sizeHintForRow(0) * digits_->count() +
                            2 * digits_->frameWidth() + 4);
    pickList(digits_, [this](QListWidgetItem* item) { addDigit(item); });
    auto* side = new QVBoxLayout;
    // Level with the first row of memory boxes, below the tab strip.
    side->addSpacing(sstab_->tabBar()->sizeHint().height());
    side->addWidget(digits_);
    side->addStretch(1);
    body->addLayout(side);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(applyButton());
    buttons->addWidget(cancelChangesButton());
    layout->addLayout(buttons);

    openWindow();
}

QWidget* DtmfSettings::buildMemoryTab(int first, int last) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    const int memories = dtmf().memories();
    for (int n = first; n <= last; ++n) {
        const int row = (n - first) % kRowsPerColumn;
        const int column = (n - first) / kRowsPerColumn * 3;
        QLineEdit* box = nullptr;
        if (n <= memories) {
            // Room for eleven spaced digits, so that too long a string is refused in words.
            box = textBox(indexed("DTMFSet", n), kMemoryKey, n, 40);
        } else {
            box = new QLineEdit(page);
            box->setObjectName(indexed("DTMFSet", n));
            box->setEnabled(false);
        }
        box->setFixedWidth(
            box->fontMetrics().horizontalAdvance(QStringLiteral("NONE STORED 0000")) + 12);
        memoryBoxes_[static_cast<std::size_t>(n)] = box;
        auto* label = new QLabel(QString::number(n), page);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(box);
        grid->addWidget(label, row, column);
        grid->addWidget(box, row, column + 1);
    }
    grid->setColumnMinimumWidth(2, 24);
    grid->setColumnStretch(5, 1);
    grid->setRowStretch(kRowsPerColumn, 1);
    return page;
}

QWidget* DtmfSettings::buildParametersTab() {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* frame = new QGroupBox(QStringLiteral("DTMF Parameters"), page);
    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(3, 1);
    const struct {
        const char* label;
        const char* name;
        const char* key;
    } rows[] = {{"Duration", "DTMFDurSet", "DTMFDur"}, {"Delay", "DTMFDelaySet", "DTMFDelay"}};
    int row = 0;
    for (const auto& r : rows) {
        QLineEdit* box = textBox(QLatin1String(r.name), r.key, 0);
        auto* label = new QLabel(QLatin1String(r.label), frame);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(new QLabel(QString::fromStdString(fieldUnit(r.key)), frame), row, 2);
        ++row;
    }
    outer->addWidget(frame);
    outer->addStretch(1);
    return page;
}

int DtmfSettings::memoryOf(const QObject* widget) const {
    if (widget == nullptr)
        return 0;
    const int memories = dtmf().memories();
    for (int n = 1; n <= memories; ++n)
        if (memoryBoxes_[static_cast<std::size_t>(n)] == widget)
            return n;
    return 0;
}

void DtmfSettings::showMemory(int memory) {
    QLineEdit* box = memoryBoxes_[static_cast<std::size_t>(memory)];
    const QSignalBlocker quiet(box);
    const QString shown =
        QString::fromStdString(DtmfSettingsModel::shownMemory(dtmf().value(kMemoryKey, memory)));
    if (box->text() != shown)
        box->setText(shown);
    showChanged(box, dtmf().differs(kMemoryKey, memory));
}

void DtmfSettings::updateEnabledStates() {
    const int memories = dtmf().memories();
    for (int n = 1; n <= memories; ++n)
        if (!memoryBoxes_[static_cast<std::size_t>(n)]->hasFocus())
            showMemory(n);
}

void DtmfSettings::enterMemory(int memory, bool moving) {
    // Coming back from another window is no new visit of the box it left.
    if (moving || lastMemory_ != memory) {
        lastMemory_ = memory;
    }
    QLineEdit* box = memoryBoxes_[static_cast<std::size_t>(memory)];
    const QString entered = QString::fromStdString(dtmf().enteredMemoryText(memory));
    if (entered.isEmpty() && box->text() != entered) {
        // Emptied for typing: not an edit, the memory is still "NONE STORED".
        const QSignalBlocker quiet(box);
        box->clear();
    }
}

void DtmfSettings::leaveMemory(int memory) {
    dtmf().tidyMemory(memory);
    showMemory(memory);
}

bool DtmfSettings::eventFilter(QObject* watched, QEvent* event) {
    const int memory = memoryOf(watched);
    const bool focusIn = event->type() == QEvent::FocusIn;
    const bool focusOut = event->type() == QEvent::FocusOut;
    const bool moving = (focusIn || focusOut) && focusLeavesBox(static_cast<QFocusEvent*>(event));
    // The main window may give a box the focus before the window is active: whatever the
    // reason, a box that gets the focus is ready for typing.
    if (memory > 0 && focusIn)
        enterMemory(memory, moving);
    // Tidied before the framework checks the box: an empty memory is "NONE STORED", not 0.
    if (memory > 0 && moving && focusOut)
        leaveMemory(memory);
    const bool wasPending = refusalPending();
    const bool handled = EditorWindow::eventFilter(watched, event);
    // Every visit that leaves a memory holding the terminator warns, changed or not: the
    // memory is lost at the next upload either way.
    if (memory > 0 && moving && focusOut && !wasPending && !refusalPending()) {
        if (const auto warning = dtmf().terminatorWarning(memory)) {
            // Shown once the focus has moved on: the value stays as it is.
            const Notice notice = *warning;
            QTimer::singleShot(0, this, [notice] {
                currentPrompter().message(notice.text, notice.title, MessageIcon::Exclamation);
            });
        }
    }
    return handled;
}

void DtmfSettings::addDigit(QListWidgetItem* item) {
    if (item == nullptr || lastMemory_ == 0 || refusalPending())
        return;
    const int position = static_cast<int>(item->data(Qt::UserRole).toLongLong());
    const auto added =
        DtmfSettingsModel::withDigitAdded(dtmf().value(kMemoryKey, lastMemory_), position);
    if (!added) {
        currentPrompter().beep();
        return;
    }
    QLineEdit* box = memoryBoxes_[static_cast<std::size_t>(lastMemory_)];
    if (!box->hasFocus()) {
        // Into the box first, so that leaving it later checks the new text.
        sstab_->setCurrentIndex((lastMemory_ - 1) / DtmfSettingsModel::kMemoriesPerTab);
        box->setFocus(Qt::OtherFocusReason);
        if (refusalPending())
            return;
    }
    // Through the box, so the framework records the edit and colours it.
    box->setText(QString::fromStdString(*added));
}

}  // namespace kelp
