// The Scheduler window (tab "Scheduler/Clock" of the main window): the setpoint frame, which
// shows the setpoint chosen by number; beside it a picture of the week's schedule; the real
// time clock's speech options and correction; the date format note; Apply and Cancel Changes.
#pragma once

#include <vector>

#include "core/editors/scheduler_model.h"
#include "gui/editors/editor_window.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace kelp {

// The week as seven day columns of 24 hours, each run of an enabled setpoint a labelled
// mark in its hour (monthly runs hatched, with their occurrence in the label).
class ScheduleWeekView : public QWidget {
    Q_OBJECT
  public:
    explicit ScheduleWeekView(QWidget* parent = nullptr);
    void setMarks(std::vector<ScheduleMark> marks);
    const std::vector<ScheduleMark>& marks() const { return marks_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The mark drawn at a point of the view, or nullptr.
    const ScheduleMark* markAt(const QPoint& point) const;
    // Where a day (0 Sunday) meets an hour (0-23).
    QRect cellRect(int day, int hour) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    struct Geometry {
        int top, left;
        double columnWidth, rowHeight;
        int x(int day) const { return left + static_cast<int>(day * columnWidth); }
        int y(int hour) const { return top + static_cast<int>(hour * rowHeight); }
    };
    Geometry geometry() const;
    // Each mark with the rectangle it is drawn in.
    std::vector<std::pair<const ScheduleMark*, QRect>> layout() const;

    std::vector<ScheduleMark> marks_;
};

class Scheduler : public EditorWindow {
    Q_OBJECT
  public:
    explicit Scheduler(QWidget* parent = nullptr);

    SchedulerModel& scheduler() const { return static_cast<SchedulerModel&>(model()); }
    ScheduleWeekView* weekView() const { return week_; }

  protected:
    void updateEnabledStates() override;

  private:
    QWidget* buildSetpointFrame();
    QWidget* buildClockFrame();
    void showSetpoint(int setpoint);

    QComboBox* setpoint_ = nullptr;
    std::vector<QWidget*> setpointControls_;
    QComboBox* weekList_ = nullptr;
    QLabel* womLabel_ = nullptr;
    QCheckBox* sayHours_ = nullptr;
    ScheduleWeekView* week_ = nullptr;
};

}  // namespace kelp
