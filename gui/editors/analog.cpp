#include "gui/editors/analog.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

#include "core/catalogues/choice_lists.h"
#include "core/database/controller_database.h"

namespace kelp {

namespace {

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// The trip value box takes one leading "A" (or a minus sign, shown as "A") and digits.
class TripValueValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override {
        const auto shown = AnalogModel::tripValueEntry(input.toStdString());
        if (!shown)
            return Invalid;
        input = QString::fromStdString(*shown);
        return Acceptable;
    }
};

// One width for every caption column keeps the alarm fields under the alarm number list.
int captionWidth(const QWidget* window) {
    const QFontMetrics metrics(window->font());
    int width = 0;
    for (const char* text : {"Actual High Value", "Alarm Number", "Macro To Call"})
        width = std::max(width, metrics.horizontalAdvance(QLatin1String(text)));
    return width + 12;
}

QGridLayout* captionGrid(QWidget* parent) {
    auto* grid = new QGridLayout(parent);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(2, 1);
    return grid;
}

void addRow(QGridLayout* grid, const QString& text, QWidget* control, int width) {
    const int row = grid->rowCount();
    auto* caption = new QLabel(text);
    caption->setBuddy(control);
    caption->setMinimumWidth(width);
    grid->addWidget(caption, row, 0);
    grid->addWidget(control, row, 1, Qt::AlignLeft);
}

}  // namespace

Analog::Analog(QWidget* parent)
    : EditorWindow(std::make_unique<AnalogModel>(db()),
                   QStringLiteral("Analog Channels Configuration"), parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());

    sstab_ = new QTabWidget(this);
    sstab_->setObjectName(QStringLiteral("SSTab1"));
    for (int n = 1; n <= AnalogModel::kChannels; ++n)
        sstab_->addTab(buildChannelTab(n), QStringLiteral("Ch %1").arg(n));
    sstab_->addTab(buildAlarmsTab(), QStringLiteral("Reference / Meter Alarms"));
    bindTabs(sstab_);
    layout->addWidget(sstab_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(applyButton());
    buttons->addWidget(cancelChangesButton(QStringLiteral("&Cancel Changes")));
    layout->addLayout(buttons);

    openWindow();
}

QWidget* Analog::buildChannelTab(int n) {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* fields = new QWidget(page);
    QGridLayout* g = captionGrid(fields);
    const int width = captionWidth(this);
    addRow(g, QStringLiteral("Meter Type"),
           choiceList(indexed("MeterType", n), "Meter", n, meterTypeList().listEntries(),
                      ListSelect::ByItemData),
           width);
    addRow(g, QStringLiteral("Actual Low Value"),
           textBox(indexed("RealLowSetting", n), "RealLow", n), width);
    addRow(g, QStringLiteral("Meter Low Value"),
           textBox(indexed("MeterLowSetting", n), "MeterLow", n), width);
    addRow(g, QStringLiteral("Actual High Value"),
           textBox(indexed("RealHighSetting", n), "RealHigh", n), width);
    addRow(g, QStringLiteral("Meter High Value"),
           textBox(indexed("MeterHighSetting", n), "MeterHigh", n), width);
    outer->addWidget(fields);
    outer->addStretch(1);
    return page;
}

QWidget* Analog::buildAlarmsTab() {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    const int width = captionWidth(this);

    auto* reference = new QGroupBox(QStringLiteral("Reference Voltage"), page);
    {
        auto* row = new QHBoxLayout(reference);
        row->addWidget(textBox(QStringLiteral("VrefSetting"), "Vref", 0));
        row->addStretch(1);
    }
    outer->addWidget(reference);

    auto* alarms = new QGroupBox(QStringLiteral("Meter Alarms"), page);
    {
        auto* v = new QVBoxLayout(alarms);
        auto* chooser = new QWidget(alarms);
        QGridLayout* g = captionGrid(chooser);
        g->setContentsMargins(0, 0, 0, 0);
        alarmNumber_ = new QComboBox(chooser);
        alarmNumber_->setObjectName(QStringLiteral("MeterAlarmNumSet"));
        for (const ListEntry& e : meterNumberList().listEntries())
            alarmNumber_->addItem(QString::fromStdString(e.text),
                                  QVariant::fromValue<qlonglong>(e.itemData));
        // Turning the wheel over the list would hide a box that still holds the focus.
        alarmNumber_->installEventFilter(this);
        addRow(g, QStringLiteral("Alarm Number"), alarmNumber_, width);
        v->addWidget(chooser);

        alarmPages_ = new QStackedWidget(alarms);
        for (int a = 1; a <= AnalogModel::kAlarms; ++a) {
            auto* alarmPage = new QWidget;
            QGridLayout* ag = captionGrid(alarmPage);
            ag->setContentsMargins(0, 0, 0, 0);
            addRow(ag, QStringLiteral("Meter Number"),
                   choiceList(indexed("MeterNumSet", a), "MeterNum", a,
                              meterNumberList().listEntries(), ListSelect::ByItemData),
                   width);
            addRow(ag, QStringLiteral("Alarm Type"),
                   choiceList(indexed("MeterAlarmTypeSet", a), "MeterAlarmType", a,
                              meterAlarmTypeList().listEntries(), ListSelect::ByItemData),
                   width);
            // Seven characters: room for "A" and a value beyond the range, refused in words.
            QLineEdit* trip = textBox(indexed("MeterSetPointSet", a), "MeterSetPoint", a, 7);
            trip->setValidator(new TripValueValidator(trip));
            addRow(ag, QStringLiteral("Trip Value"), trip, width);
            addRow(ag, QStringLiteral("Macro To Call"),
                   choiceList(indexed("MeterMacroSet", a), "MeterMacro", a,
                              macroList().listEntries(), ListSelect::ByPosition),
                   width);
            alarmPages_->addWidget(alarmPage);
        }
        v->addWidget(alarmPages_);
        connect(alarmNumber_, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &Analog::alarmChosen);
    }
    outer->addWidget(alarms);
    outer->addStretch(1);
    return page;
}

void Analog::alarmChosen(int row) {
    if (row < 0)
        return;
    if (refusalPending()) {
        // The refused box is about to take the focus back: its alarm stays in front.
        const QSignalBlocker block(alarmNumber_);
        alarmNumber_->setCurrentIndex(analog().selectedAlarm() - 1);
        return;
    }
    analog().selectAlarm(row + 1);
    alarmPages_->setCurrentIndex(row);
}

bool Analog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == alarmNumber_ && event->type() == QEvent::Wheel && !alarmNumber_->hasFocus())
        return true;
    return EditorWindow::eventFilter(watched, event);
}

}  // namespace kelp
