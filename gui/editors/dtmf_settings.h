// The DTMF window (tab "DTMF" of the main window): the DTMF memories on the tabs "1 - 20",
// "21 -40" and "41-50", the regeneration duration and delay on "All Memories / Parameters",
// and the list of the sixteen DTMF digits, whose double-click adds a digit to the memory
// box entered last.
#pragma once

#include <string>
#include <vector>

#include "core/editors/dtmf_settings_model.h"
#include "gui/editors/editor_window.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;

namespace kelp {

class DtmfSettings : public EditorWindow {
    Q_OBJECT
  public:
    explicit DtmfSettings(QWidget* parent = nullptr);

    DtmfSettingsModel& dtmf() const { return static_cast<DtmfSettingsModel&>(model()); }
    // The tab control SSTab1: "1 - 20", "21 -40", "41-50", "All Memories / Parameters".
    QTabWidget* memoryTabs() const { return sstab_; }
    QListWidget* digitList() const { return digits_; }
    // The memory box entered last (0 before any was entered).
    int lastMemory() const { return lastMemory_; }

  protected:
    // Memory boxes show their stored form whenever they are not being typed in.
    void updateEnabledStates() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildMemoryTab(int first, int last);
    QWidget* buildParametersTab();
    int memoryOf(const QObject* widget) const;
    // Puts the memory's shown form into its box without counting it as typing.
    void showMemory(int memory);
    void enterMemory(int memory, bool moving);
    void leaveMemory(int memory);
    void addDigit(QListWidgetItem* item);

    QTabWidget* sstab_ = nullptr;
    QListWidget* digits_ = nullptr;
    std::vector<QLineEdit*> memoryBoxes_;  // by memory 1-50; [0] unused
    int lastMemory_ = 0;
};

}  // namespace kelp
