#include "gui/editors/scheduler.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "core/app/error_reporter.h"
#include "core/catalogues/choice_lists.h"
#include "core/database/controller_database.h"
#include "core/editors/field_units.h"
#include "core/link/clock_set.h"
#include "gui/accessibility.h"

namespace kelp {

namespace {

// A note keeps its text as the program words it, runs of spaces included (plain text: rich
// text would show each run as one space), and the label wraps at its own width.
QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

// A colour of its own for each setpoint, so that one setpoint's marks read as one.
QColor setpointColour(int setpoint) {
    return QColor::fromHsv((setpoint * 67) % 360, 110, 215);
}

}  // namespace

// ---- the picture -------------------------------------------------------------------------

ScheduleWeekView::ScheduleWeekView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("WeekView"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize ScheduleWeekView::sizeHint() const {
    const int line = fontMetrics().height();
    return {7 * fontMetrics().horizontalAdvance(QStringLiteral("20: M90 5th")) + 60,
            25 * (line + 4)};
}

QSize ScheduleWeekView::minimumSizeHint() const {
    const int line = fontMetrics().height();
    return {7 * 48 + 40, 25 * (line + 1)};
}

void ScheduleWeekView::setMarks(std::vector<ScheduleMark> marks) {
    if (marks == marks_)
        return;
    marks_ = std::move(marks);
    update();
}

namespace {
// The picture's lettering, a little smaller than the window's.
QFont markFont(const QFont& font) {
    QFont small = font;
    small.setPointSizeF(small.pointSizeF() * 0.85);
    return small;
}
}  // namespace

ScheduleWeekView::Geometry ScheduleWeekView::geometry() const {
    const QFontMetrics fm(markFont(font()));
    Geometry g;
    g.top = fm.height() + 4;
    g.left = fm.horizontalAdvance(QStringLiteral("12 AM")) + 8;
    g.columnWidth = std::max(1.0, (width() - g.left - 1) / 7.0);
    g.rowHeight = std::max(1.0, (height() - g.top - 1) / 24.0);
    return g;
}

QRect ScheduleWeekView::cellRect(int day, int hour) const {
    const Geometry g = geometry();
    return QRect(g.x(day) + 1, g.y(hour) + 1, g.x(day + 1) - g.x(day) - 1,
                 g.y(hour + 1) - g.y(hour) - 1);
}

std::vector<std::pair<const ScheduleMark*, QRect>> ScheduleWeekView::layout() const {
    // Setpoints that share an hour of a day share its cell side by side.
    std::map<std::pair<int, int>, std::vector<const ScheduleMark*>> cells;
    for (const ScheduleMark& m : marks_) cells[{m.day, m.hour}].push_back(&m);
    std::vector<std::pair<const ScheduleMark*, QRect>> out;
    for (const auto& [cell, inCell] : cells) {
        const QRect area = cellRect(cell.first, cell.second);
        const int n = static_cast<int>(inCell.size());
        for (int i = 0; i < n; ++i)
            out.emplace_back(
                inCell[static_cast<std::size_t>(i)],
                QRect(area.left() + area.width() * i / n, area.top(),
                      area.width() * (i + 1) / n - area.width() * i / n, area.height()));
    }
    return out;
}

const ScheduleMark* ScheduleWeekView::markAt(const QPoint& point) const {
    for (const auto& [mark, r] : layout())
        if (r.contains(point))
            return mark;
    return nullptr;
}

bool ScheduleWeekView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const ScheduleMark* mark = markAt(help->pos()))
            QToolTip::showText(help->globalPos(), QString::fromStdString(markDescription(*mark)),
                               this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void ScheduleWeekView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFont small = markFont(font());
    p.setFont(small);
    const QFontMetrics fm(small);
    const Geometry g = geometry();
    const QColor text = palette().color(QPalette::Text);
    const QColor grid = palette().color(QPalette::Mid);

    p.fillRect(rect(), palette().color(QPalette::Base));
    p.setPen(text);
    const auto& days = weekDayNames();
    for (int d = 0; d < 7; ++d)
        p.drawText(QRect(g.x(d), 0, g.x(d + 1) - g.x(d), g.top), Qt::AlignCenter,
                   QString::fromStdString(days[static_cast<std::size_t>(d)]));
    for (int h = 0; h < 24; ++h) {
        // The hour list's own names, after its "Disabled" and "Every Hour" rows.
        const std::string& name = schedulerHourList().entry(h + 3).text;
        p.drawText(QRect(0, g.y(h), g.left - 4, g.y(h + 1) - g.y(h)),
                   Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(name));
    }
    p.setPen(grid);
    for (int d = 0; d <= 7; ++d) p.drawLine(g.x(d), g.top, g.x(d), g.y(24));
    for (int h = 0; h <= 24; ++h) p.drawLine(g.left, g.y(h), g.x(7), g.y(h));

    if (marks_.empty()) {
        p.setPen(text);
        p.drawText(QRect(g.left, g.top, g.x(7) - g.left, g.y(24) - g.top),
                   Qt::AlignCenter | Qt::TextWordWrap, QString::fromLatin1(kNoSetpointEnabledText));
        return;
    }
    for (const auto& [m, r] : layout()) {
        const QColor fill = setpointColour(m->setpoint);
        if (m->monthly) {
            p.setPen(QPen(fill.darker(160), 1, Qt::DashLine));
            p.setBrush(QBrush(fill, Qt::BDiagPattern));
        } else {
            p.setPen(fill.darker(140));
            p.setBrush(fill);
        }
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(text);
        const QString label = fm.elidedText(QString::fromStdString(markLabel(*m)), Qt::ElideRight,
                                            std::max(0, r.width() - 2));
        p.drawText(r, Qt::AlignCenter, label);
    }
}

// ---- the window --------------------------------------------------------------------------

Scheduler::Scheduler(QWidget* parent)
    : EditorWindow(std::make_unique<SchedulerModel>(db()),
                   QStringLiteral("Scheduler/Clock Configuration"), parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());
    auto* body = new QHBoxLayout;
    layout->addLayout(body, 1);

    // The frames scroll when the screen is short (1024x768); Apply stays in view below them.
    auto* frames = new QWidget;
    auto* left = new QVBoxLayout(frames);
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(buildSetpointFrame());
    left->addWidget(buildClockFrame());
    auto* dateFormat = new QGroupBox(QStringLiteral("Date Format"), frames);
    auto* dateLayout = new QVBoxLayout(dateFormat);
    dateLayout->addWidget(
        note(QStringLiteral("Date Format is taken from the Windows Regional setting in your "
                            "computer (Control Panel | Regional and Language Options)"),
             dateFormat));
    left->addWidget(dateFormat);
    left->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("SchedulerScroll"));
    scroll->setWidget(frames);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(applyButton());
    buttons->addWidget(cancelChangesButton(QStringLiteral("&Cancel Changes")));
    buttons->addStretch(1);
    auto* leftPane = new QWidget(this);
    auto* paneLayout = new QVBoxLayout(leftPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->addWidget(scroll, 1);
    paneLayout->addLayout(buttons);
    paneLayout->addWidget(new QLabel(QStringLiteral("All Setpoints"), leftPane));
    // Wide enough that each note keeps to two or three lines.
    leftPane->setFixedWidth(350);
    body->addWidget(leftPane);

    auto* weekFrame = new QGroupBox(QStringLiteral("The Week's Schedule"), this);
    auto* weekLayout = new QVBoxLayout(weekFrame);
    week_ = new ScheduleWeekView(weekFrame);
    markPicture(week_, QStringLiteral("The Week's Schedule"));
    weekLayout->addWidget(week_, 1);
    body->addWidget(weekFrame, 1);

    openWindow();
    showSetpoint(1);
}

QWidget* Scheduler::buildSetpointFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Scheduler"), this);
    auto* grid = new QGridLayout(frame);
    setpoint_ = new QComboBox(frame);
    setpoint_->setObjectName(QStringLiteral("SetPointNumSet"));
    for (int n = 1; n <= SchedulerModel::kSetpoints; ++n) setpoint_->addItem(QString::number(n), n);
    setpoint_->setMaxVisibleItems(20);
    connect(setpoint_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i >= 0)
            showSetpoint(setpoint_->itemData(i).toInt());
    });

    auto* dow = choiceList(QStringLiteral("DOWSet"), "DOW", 1, schedulerDayList().listEntries(),
                           ListSelect::ByItemDataOrKeep);
    auto* monthly = checkBox(QStringLiteral("DOMEnable"), QStringLiteral("Monthly"), "Monthly", 1);
    weekList_ = choiceList(QStringLiteral("WeekSet"), "Week", 1,
                           schedulerOccurrenceList().listEntries(), ListSelect::ByItemDataOrKeep);
    auto* hours = choiceList(QStringLiteral("HoursSet"), "Hours", 1,
                             schedulerHourList().listEntries(), ListSelect::ByItemDataOrKeep);
    auto* minutes = choiceList(QStringLiteral("MinutesSet"), "Minutes", 1,
                               schedulerMinuteList().listEntries(), ListSelect::ByItemDataOrKeep);
    auto* macro = choiceList(QStringLiteral("MacroSet"), "MacroToRun", 1, macroList().listEntries(),
                             ListSelect::ByItemDataOrKeep);
    setpointControls_ = {dow, monthly, weekList_, hours, minutes, macro};

    womLabel_ = note(QStringLiteral("Number of Occurance                    this month"), frame);
    womLabel_->setObjectName(QStringLiteral("WOMLabel"));
    womLabel_->setBuddy(weekList_);
    const struct {
        const char* text;
        QWidget* control;
    } rows[] = {
        {"Setpoint Number", setpoint_}, {"Day Of The Week", dow}, {nullptr, monthly},
        {nullptr, weekList_},           {"Start Hours", hours},   {"Start Minutes", minutes},
        {"Macro To Run", macro}};
    int r = 0;
    for (const auto& row : rows) {
        if (row.control == weekList_) {
            grid->addWidget(womLabel_, r, 0);
        } else if (row.text != nullptr) {
            auto* label = new QLabel(QLatin1String(row.text), frame);
            label->setBuddy(row.control);
            grid->addWidget(label, r, 0);
        }
        grid->addWidget(row.control, r, 1);
        ++r;
    }
    grid->setColumnStretch(1, 1);
    return frame;
}

QWidget* Scheduler::buildClockFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Real Time Clock"), this);
    auto* grid = new QGridLayout(frame);
    // Setting the clock is no edit: it goes to the controller at once and Cancel Changes
    // does not undo it.
    auto* clockSet = new QPushButton(QStringLiteral("Set Clock"), frame);
    clockSet->setObjectName(QStringLiteral("ClockSet"));
    clockSet->setAutoDefault(false);
    connect(clockSet, &QPushButton::clicked, this, [] {
        try {
            setControllerClock();
        } catch (...) {
            reportError("Scheduler", "ClockSet_Click");
        }
    });
    grid->addWidget(clockSet, 0, 0, 1, 3);
    grid->addWidget(note(QStringLiteral("Note: Setting the Clock will immediately set the QZ740 "
                                        "clock and calendar to your computer's system time"),
                         frame),
                    1, 0, 1, 3);
    const int first = 2;
    grid->addWidget(
        checkBox(QStringLiteral("SayYearSet"), QStringLiteral("Say Year"), "SayYear", 0), first, 0,
        1, 3);
    grid->addWidget(checkBox(QStringLiteral("TwentyFourSet"), QStringLiteral("24 Hour Readback"),
                             "TwentyFour", 0),
                    first + 1, 0, 1, 3);
    sayHours_ = checkBox(QStringLiteral("HoursSelect"), QStringLiteral("Say Hours"), "SayHour", 0);
    grid->addWidget(sayHours_, first + 2, 0, 1, 3);
    auto* correction = textBox(QStringLiteral("ClockCorrectionSet"), "ClockCorrection", 0, 6);
    auto* label = new QLabel(QStringLiteral("Clock Correction"), frame);
    label->setBuddy(correction);
    grid->addWidget(label, first + 3, 0);
    grid->addWidget(correction, first + 3, 1);
    grid->addWidget(new QLabel(QString::fromStdString(fieldUnit("ClockCorrection")), frame),
                    first + 3, 2);
    grid->addWidget(note(QStringLiteral("To enter a negative value, use a                    "
                                        "leading 'A'.                     For example, A3 for "
                                        "negative 3"),
                         frame),
                    first + 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return frame;
}

void Scheduler::showSetpoint(int setpoint) {
    scheduler().selectSetpoint(setpoint);
    for (QWidget* control : setpointControls_) rebind(control, setpoint);
    if (setpoint_->currentIndex() != setpoint - 1) {
        const QSignalBlocker quiet(setpoint_);
        setpoint_->setCurrentIndex(setpoint - 1);
    }
    updateEnabledStates();
}

void Scheduler::updateEnabledStates() {
    if (week_ == nullptr)
        return;  // still being built
    const bool monthly = scheduler().occurrenceEnabled(scheduler().selectedSetpoint());
    weekList_->setEnabled(monthly);
    womLabel_->setEnabled(monthly);
    sayHours_->setEnabled(scheduler().sayHoursEnabled());
    week_->setMarks(scheduleMarks(scheduler()));
    const QString summary = QString::fromStdString(weekSummary(week_->marks()));
    if (week_->accessibleDescription() != summary)
        describe(week_, week_->accessibleName(), summary);
}

}  // namespace kelp
