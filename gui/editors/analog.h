// The Analog window (fifth tab of the main window): each analog channel's meter type and
// scaling on the tabs "Ch 1" to "Ch 8", the reference voltage and the eight meter alarms on
// "Reference / Meter Alarms".
#pragma once

#include "core/editors/analog_model.h"
#include "gui/editors/editor_window.h"

class QComboBox;
class QStackedWidget;
class QTabWidget;

namespace kelp {

class Analog : public EditorWindow {
    Q_OBJECT
  public:
    explicit Analog(QWidget* parent = nullptr);

    AnalogModel& analog() const { return static_cast<AnalogModel&>(model()); }
    // The window's tab control SSTab1.
    QTabWidget* channelTabs() const { return sstab_; }
    // MeterAlarmNumSet: picks the alarm the alarm fields show; not a setting.
    QComboBox* alarmNumberList() const { return alarmNumber_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildChannelTab(int channel);
    QWidget* buildAlarmsTab();
    void alarmChosen(int row);

    QTabWidget* sstab_ = nullptr;
    QComboBox* alarmNumber_ = nullptr;
    // One page of alarm fields per alarm; the alarm number brings its page to the front.
    QStackedWidget* alarmPages_ = nullptr;
};

}  // namespace kelp
