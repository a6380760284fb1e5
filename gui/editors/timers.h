// The Timers window (first tab of the main window): each port's timers and tail message
// program on the tabs "Port 1" to "Port 3", the global timers on "Global".
#pragma once

#include <array>

#include "core/editors/timers_model.h"
#include "gui/editors/editor_window.h"

class QGridLayout;
class QLabel;
class QTabWidget;

namespace kelp {

class Timers : public EditorWindow {
    Q_OBJECT
  public:
    explicit Timers(QWidget* parent = nullptr);

    TimersModel& timers() const { return static_cast<TimersModel&>(model()); }
    // The window's own tab control SSTab1: "Port 1".."Port 3", "Global".
    QTabWidget* portTabs() const { return sstab_; }

  protected:
    void updateEnabledStates() override;

  private:
    QWidget* buildPortTab(int port);
    QWidget* buildGlobalTab();

    QTabWidget* sstab_ = nullptr;
    struct TailLabels {
        QLabel* counter = nullptr;
        QLabel* timer = nullptr;
        QLabel* timerUnit = nullptr;
    };
    std::array<TailLabels, 4> tailLabels_{};  // by port 1-3
};

}  // namespace kelp
