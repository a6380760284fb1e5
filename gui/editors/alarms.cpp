#include "gui/editors/alarms.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app/prompter.h"
#include "core/catalogues/choice_lists.h"
#include "core/database/area_checks.h"
#include "core/database/controller_database.h"
#include "core/editors/field_help.h"
#include "gui/accessibility.h"

namespace kelp {

namespace {

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLineEdit* ownBox(QWidget* parent, const char* name, int maxLength) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(maxLength);
    const QFontMetrics metrics(box->font());
    box->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("No Prefix00")) + 8);
    return box;
}

void setText(QLineEdit* box, const std::string& value) {
    const QString text = QString::fromStdString(value);
    // Leave the box alone while it holds the value already, so typing keeps its cursor.
    if (box->text().trimmed() != text)
        box->setText(text);
}

void colourGroup(QButtonGroup* group, bool changed) {
    for (QAbstractButton* b : group->buttons())
        showChanged(b, changed);
}

void checkCode(QButtonGroup* group, const std::string& value) {
    QAbstractButton* target = nullptr;
    if (value.size() == 1 && value[0] >= '0' && value[0] <= '9')
        target = group->button(value[0] - '0');
    if (target != nullptr) {
        target->setChecked(true);
        return;
    }
    // "NONE": no button.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons()) b->setChecked(false);
    group->setExclusive(true);
}

}  // namespace

Alarms::Alarms(QWidget* parent)
    : EditorWindow(std::make_unique<AlarmsModel>(db()), QStringLiteral("Alarms"), parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());

    auto* top = new QHBoxLayout;
    top->addWidget(buildAlarmFrame());
    top->addWidget(buildRemoteSetupFrame());
    top->addStretch(1);
    layout->addLayout(top);
    layout->addWidget(buildMemoryFrame());
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* apply = new QPushButton(QStringLiteral("&Apply"), this);
    apply->setObjectName(QStringLiteral("Apply"));
    keepFocusOnClick(apply);
    connect(apply, &QPushButton::clicked, this, &Alarms::applyClickedHere);
    buttons->addWidget(apply);
    buttons->addWidget(cancelChangesButton());
    layout->addLayout(buttons);

    openWindow();
}

QWidget* Alarms::buildAlarmFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Logic Alarm Setup"), this);
    auto* grid = new QGridLayout(frame);
    alarmNumber_ = new QComboBox(frame);
    alarmNumber_->setObjectName(QStringLiteral("AlarmNumSet"));
    for (int n = 1; n <= AlarmsModel::kAlarms; ++n) alarmNumber_->addItem(QString::number(n));
    grid->addWidget(new QLabel(QStringLiteral("Alarm Number")), 0, 0);
    grid->addWidget(alarmNumber_, 0, 1, Qt::AlignLeft);

    // One page per alarm, so that every alarm keeps its own bound controls.
    alarmPages_ = new QStackedWidget(frame);
    for (int n = 1; n <= AlarmsModel::kAlarms; ++n) {
        auto* page = new QWidget(alarmPages_);
        auto* pageGrid = new QGridLayout(page);
        pageGrid->setContentsMargins(0, 0, 0, 0);
        QCheckBox* enabled =
            checkBox(indexed("LogicAlarmEnabled", n), QStringLiteral("Alarm Enabled"), "Alarm", n);
        pageGrid->addWidget(enabled, 0, 0, 1, 2);
        pageGrid->addWidget(new QLabel(QStringLiteral("Low-to-High Macro To Use")), 1, 0);
        pageGrid->addWidget(choiceList(indexed("UseLowMacroSet", n), "AlarmLowMacroNum", n,
                                       macroList().listEntries(), ListSelect::ByPosition),
                            1, 1, Qt::AlignLeft);
        pageGrid->addWidget(new QLabel(QStringLiteral("High-to-Low Macro To Use")), 2, 0);
        pageGrid->addWidget(choiceList(indexed("UseHighMacroSet", n), "AlarmHighMacroNum", n,
                                       macroList().listEntries(), ListSelect::ByPosition),
                            2, 1, Qt::AlignLeft);
        alarmPages_->addWidget(page);
    }
    grid->addWidget(alarmPages_, 1, 0, 1, 2);
    connect(alarmNumber_, qOverload<int>(&QComboBox::currentIndexChanged), alarmPages_,
            &QStackedWidget::setCurrentIndex);
    return frame;
}

QWidget* Alarms::buildRemoteSetupFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Remote Base Setup"), this);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("Radio Type")), 0, 0);
    grid->addWidget(choiceList(QStringLiteral("RadioType"), "RadioType", 0,
                               AlarmsModel::radioTypes(), ListSelect::ByItemData),
                    0, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Yaesu Type")), 1, 0);
    grid->addWidget(choiceList(QStringLiteral("YaesuType"), "YaesuType", 0,
                               AlarmsModel::yaesuTypes(), ListSelect::ByItemData),
                    1, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Remote Base Prefix")), 2, 0);
    prefix_ = ownBox(frame, "RemoteBasePrefixSet", 9);
    prefix_->installEventFilter(this);
    connect(prefix_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (showing_)
            return;
        alarms().editText("RemoteBasePrefix", 0,
                          AlarmsModel::prefixValue(text.trimmed().toStdString()));
        showOwnControls();
    });
    grid->addWidget(prefix_, 2, 1, Qt::AlignLeft);
    return frame;
}

QButtonGroup* Alarms::buttonGroup(QWidget* parent, QLayout* layout,
                                  const std::vector<std::pair<QString, QString>>& buttons,
                                  int firstCode) {
    auto* group = new QButtonGroup(parent);
    int code = firstCode;
    for (const auto& [name, text] : buttons) {
        auto* b = new QRadioButton(text, parent);
        b->setObjectName(name);
        group->addButton(b, code++);
        layout->addWidget(b);
    }
    return group;
}

QWidget* Alarms::buildMemoryFrame() {
    memoryFrame_ = new QGroupBox(QStringLiteral("Remote Base Memories"), this);
    auto* outer = new QHBoxLayout(memoryFrame_);

    auto* left = new QGridLayout;
    memoryNumber_ = new QComboBox(memoryFrame_);
    memoryNumber_->setObjectName(QStringLiteral("OtherMemoryNum"));
    memoryNumber_->setMaxVisibleItems(15);
    fillMemoryCount();
    left->addWidget(new QLabel(QStringLiteral("Memory Number")), 0, 0);
    left->addWidget(memoryNumber_, 0, 1, Qt::AlignLeft);
    left->addWidget(new QLabel(QStringLiteral("Frequency")), 1, 0);
    // Six digits: the controller reads a seventh as the offset.
    frequency_ = ownBox(memoryFrame_, "OtherFreqStringSet", 6);
    left->addWidget(frequency_, 1, 1, Qt::AlignLeft);
    // Memories above 10 may be out of use; this sets every part of the shown one to "NONE".
    notInUse_ = new QPushButton(QStringLiteral("Not in &Use"), memoryFrame_);
    notInUse_->setObjectName(QStringLiteral("OtherNotInUse"));
    notInUse_->setToolTip(QStringLiteral(
        "Take this memory out of use: it is stored as NONE and not uploaded (memories 11-40)"));
    left->addWidget(notInUse_, 2, 0, 1, 2, Qt::AlignLeft);
    left->setRowStretch(3, 1);
    outer->addLayout(left);

    auto* offsetFrame = new QGroupBox(QStringLiteral("Offset"), memoryFrame_);
    auto* offsetLayout = new QVBoxLayout(offsetFrame);
    offset_ = buttonGroup(offsetFrame, offsetLayout,
                          {{QStringLiteral("OtherMinus"), QStringLiteral("- Minus")},
                           {QStringLiteral("OtherSimplex"), QStringLiteral("Simplex")},
                           {QStringLiteral("OtherPlus"), QStringLiteral("+ Plus")}},
                          1);
    outer->addWidget(offsetFrame, 0, Qt::AlignTop);

    auto* plFrame = new QGroupBox(QStringLiteral("PL"), memoryFrame_);
    auto* plLayout = new QVBoxLayout(plFrame);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(new QLabel(QStringLiteral("CTCSS Code")));
    ctcss_ = ownBox(plFrame, "OtherCTCSSSet", 6);
    codeRow->addWidget(ctcss_);
    plLayout->addLayout(codeRow);
    ctcssMode_ = buttonGroup(plFrame, plLayout,
                             {{QStringLiteral("OtherNoPL"), QStringLiteral("Off")},
                              {QStringLiteral("OtherEncode"), QStringLiteral("Encode")},
                              {QStringLiteral("OtherDecode"), QStringLiteral("Decode")}},
                             0);
    outer->addWidget(plFrame, 0, Qt::AlignTop);

    auto* modeFrame = new QGroupBox(QStringLiteral("Mode"), memoryFrame_);
    auto* modeLayout = new QVBoxLayout(modeFrame);
    radioMode_ = buttonGroup(modeFrame, modeLayout,
                             {{QStringLiteral("LSBSet"), QStringLiteral("LSB")},
                              {QStringLiteral("USBSet"), QStringLiteral("USB")},
                              {QStringLiteral("CWSet"), QStringLiteral("CW")},
                              {QStringLiteral("FMSet"), QStringLiteral("FM")},
                              {QStringLiteral("AMSet"), QStringLiteral("AM")}},
                             1);
    outer->addWidget(modeFrame, 0, Qt::AlignTop);
    outer->addStretch(1);

    frequency_->installEventFilter(this);
    ctcss_->installEventFilter(this);
    connect(memoryNumber_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int) { showOwnControls(); });
    connect(frequency_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (showing_)
            return;
        alarms().editFrequency(shownMemory(), text.toStdString());
        showOwnControls();
    });
    connect(ctcss_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (showing_)
            return;
        alarms().editCtcss(shownMemory(), text.toStdString());
        showOwnControls();
    });
    connect(notInUse_, &QPushButton::clicked, this, [this] {
        alarms().clearMemory(shownMemory());
        showOwnControls();
    });
    connect(offset_, &QButtonGroup::idClicked, this, [this](int code) {
        alarms().editOffset(shownMemory(), code);
        showOwnControls();
    });
    connect(ctcssMode_, &QButtonGroup::idClicked, this, [this](int code) {
        alarms().editChoice("CTCSSMode", shownMemory(), code);
        showOwnControls();
    });
    connect(radioMode_, &QButtonGroup::idClicked, this, [this](int code) {
        alarms().editChoice("RadioMode", shownMemory(), code);
        showOwnControls();
    });
    return memoryFrame_;
}

void Alarms::fillMemoryCount() {
    const int count = alarms().memoryCount();
    for (int m = 1; m <= count; ++m) memoryNumber_->addItem(QString::number(m));
    memoryNumber_->setCurrentIndex(0);
}

int Alarms::shownMemory() const {
    return memoryNumber_->currentIndex() < 0 ? 1 : memoryNumber_->currentIndex() + 1;
}

void Alarms::updateEnabledStates() {
    showOwnControls();
}

void Alarms::showOwnControls() {
    if (prefix_ == nullptr || memoryNumber_ == nullptr || radioMode_ == nullptr)
        return;  // still building
    const bool wasShowing = showing_;
    showing_ = true;
    AlarmsModel& m = alarms();
    const int memory = shownMemory();

    const std::string prefix = m.value("RemoteBasePrefix");
    if (AlarmsModel::prefixValue(prefix_->text().trimmed().toStdString()) != prefix)
        prefix_->setText(QString::fromStdString(AlarmsModel::prefixShown(prefix)));
    showChanged(prefix_, m.differs("RemoteBasePrefix"));

    setText(frequency_, m.frequency(memory));
    showChanged(frequency_, m.frequencyDiffers(memory));
    setText(ctcss_, m.value("CTCSS", memory));
    showChanged(ctcss_, m.differs("CTCSS", memory));
    checkCode(offset_, m.offset(memory));
    colourGroup(offset_, m.offsetDiffers(memory));
    checkCode(ctcssMode_, m.value("CTCSSMode", memory));
    colourGroup(ctcssMode_, m.differs("CTCSSMode", memory));
    checkCode(radioMode_, m.value("RadioMode", memory));
    colourGroup(radioMode_, m.differs("RadioMode", memory));
    notInUse_->setEnabled(memory > kRequiredRemoteMemories);
    if (memory != describedMemory_)
        describeMemory(memory);

    // The Kenwood V7A and G707 keep the same memories under a frame of their own name.
    const std::string& radio = m.value("RadioType");
    memoryFrame_->setTitle(radio == "4" || radio == "7"
                               ? QStringLiteral("V7/G707 Remote Base Memories")
                               : QStringLiteral("Remote Base Memories"));
    showing_ = wasShowing;
}

void Alarms::describeMemory(int memory) {
    describedMemory_ = memory;
    describe(prefix_, fieldHelp("RemoteBasePrefix", 0, 0));
    describe(frequency_, fieldHelp("FreqString", 0, memory));
    describe(ctcss_, fieldHelp("CTCSS", 0, memory));
    // The option buttons: the setting, then the choice ("…, Memory Number 3, CTCSS Mode, Off").
    const std::string offset = fieldHelp("FreqString", 0, memory).name;
    for (const auto& [group, name] :
         {std::pair<QButtonGroup*, std::string>{
              offset_, offset.substr(0, offset.rfind(", ")) + ", " +
                           qobject_cast<QGroupBox*>(offset_->buttons().front()->parentWidget())
                               ->title()
                               .toStdString()},
          {ctcssMode_, fieldHelp("CTCSSMode", 0, memory).name},
          {radioMode_, fieldHelp("RadioMode", 0, memory).name}})
        for (QAbstractButton* b : group->buttons())
            describe(b, QString::fromStdString(name) + QStringLiteral(", ") + b->text());
}

bool Alarms::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !refusing_ &&
        (watched == prefix_ || watched == frequency_ || watched == ctcss_)) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            reason != Qt::MenuBarFocusReason) {
            auto* box = static_cast<QLineEdit*>(watched);
            AlarmsModel& m = alarms();
            std::optional<Notice> notice;
            bool refused = false;
            if (box == prefix_) {
                const AlarmsModel::PrefixLeave leave = m.leavePrefix();
                refused = leave.refused;
                // The terminator warning comes first; a refusal after it keeps the focus.
                for (std::size_t i = 0; i + (refused ? 1 : 0) < leave.notices.size(); ++i)
                    currentPrompter().message(leave.notices[i].text, leave.notices[i].title,
                                              MessageIcon::Exclamation);
                if (refused)
                    notice = leave.notices.back();
            } else {
                notice = box == frequency_ ? m.leaveFrequency(shownMemory())
                                           : m.leaveCtcss(shownMemory());
                refused = notice.has_value();
            }
            const bool wasShowing = showing_;
            showing_ = true;
            if (box == frequency_)
                box->setText(QString::fromStdString(m.frequency(shownMemory())));
            else if (box == ctcss_)
                box->setText(QString::fromStdString(m.value("CTCSS", shownMemory())));
            else
                box->setText(
                    QString::fromStdString(AlarmsModel::prefixShown(m.value("RemoteBasePrefix"))));
            showing_ = wasShowing;
            showOwnControls();
            if (notice) {
                if (refused)
                    refuse(box, *notice);
                else
                    currentPrompter().message(notice->text, notice->title,
                                              MessageIcon::Exclamation);
            }
        }
    }
    return EditorWindow::eventFilter(watched, event);
}

void Alarms::refuse(QLineEdit* box, const Notice& notice) {
    // The box is shown once the click or key that left the box has been handled, so that the
    // focus can go back into the box (and to the memory it belongs to) afterwards.
    refusing_ = true;
    const int memory = shownMemory();
    QTimer::singleShot(0, this, [this, box, notice, memory] {
        currentPrompter().message(notice.text, notice.title, MessageIcon::Exclamation);
        if (box != prefix_)
            memoryNumber_->setCurrentIndex(memory - 1);
        box->setFocus(Qt::OtherFocusReason);
        refusing_ = false;
    });
}

void Alarms::applyClickedHere() {
    if (refusing_)
        return;
    const AlarmsModel::ApplyResult result = alarms().applyChanges();
    for (const Notice& n : result.notices)
        currentPrompter().message(n.text, n.title, MessageIcon::Exclamation);
    if (result.applied) {
        showWorkingCopy();
        return;
    }
    QWidget* box = nullptr;
    switch (alarms().marker()) {
        case AlarmsModel::kPrefixMarker:
            box = prefix_;
            break;
        case AlarmsModel::kFrequencyMarker:
            box = frequency_;
            break;
        case AlarmsModel::kCtcssMarker:
            box = ctcss_;
            break;
        default:
            break;
    }
    // A value the next load would change names its own box, and its memory.
    if (const auto& refused = alarms().refusedEntry()) {
        if (refused->key == "RemoteBasePrefix") {
            box = prefix_;
        } else if (refused->key == "FreqString" || refused->key == "CTCSS") {
            box = refused->key == "CTCSS" ? ctcss_ : frequency_;
            memoryNumber_->setCurrentIndex(refused->index - 1);
        } else if (QWidget* own = control(refused->key, refused->index)) {
            box = own;
        }
    }
    if (box != nullptr) {
        refusing_ = true;
        box->setFocus(Qt::OtherFocusReason);
        refusing_ = false;
    }
}

}  // namespace kelp
