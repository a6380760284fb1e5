// The Alarms window (tab "Logic Alarms/R Base"): the five logic alarms, the remote base
// radio and prefix, and the remote base memories. One alarm and one memory are shown at a
// time, chosen by the "Alarm Number" and "Memory Number" lists.
#pragma once

#include <array>

#include "core/editors/alarms_model.h"
#include "gui/editors/editor_window.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace kelp {

class Alarms : public EditorWindow {
    Q_OBJECT
  public:
    explicit Alarms(QWidget* parent = nullptr);

    AlarmsModel& alarms() const { return static_cast<AlarmsModel&>(model()); }

    // The memory shown in the memory frame (1-based).
    int shownMemory() const;

  protected:
    // Also refreshes the model's own controls (prefix, memory frame) after Apply, Cancel
    // Changes and every edit.
    void updateEnabledStates() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildAlarmFrame();
    QWidget* buildRemoteSetupFrame();
    QWidget* buildMemoryFrame();
    QButtonGroup* buttonGroup(QWidget* parent, QLayout* layout,
                              const std::vector<std::pair<QString, QString>>& buttons,
                              int firstCode);
    void fillMemoryCount();
    void showOwnControls();
    // Names the memory frame's controls for the memory shown.
    void describeMemory(int memory);
    void refuse(QLineEdit* box, const Notice& notice);
    void applyClickedHere();

    QComboBox* alarmNumber_ = nullptr;
    QStackedWidget* alarmPages_ = nullptr;
    QLineEdit* prefix_ = nullptr;
    QComboBox* memoryNumber_ = nullptr;
    QGroupBox* memoryFrame_ = nullptr;
    QLineEdit* frequency_ = nullptr;
    QLineEdit* ctcss_ = nullptr;
    QPushButton* notInUse_ = nullptr;
    QButtonGroup* offset_ = nullptr;
    QButtonGroup* ctcssMode_ = nullptr;
    QButtonGroup* radioMode_ = nullptr;
    bool showing_ = false;
    bool refusing_ = false;
    int describedMemory_ = 0;  // the memory the memory frame's controls are named for
};

}  // namespace kelp
