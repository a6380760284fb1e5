// The Macros window (tab "Macros" of the main window): the long macros 1-40 and the short
// macros 41-90 with their codes on seven tabs, the last also holding the macro port
// assignments and the receive macros; beside the tabs the function list, whose double-click
// inserts a function into the macro entered last, the function counter, Erase All Macros,
// Apply and Cancel Changes.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "core/editors/macros_model.h"
#include "gui/editors/editor_window.h"

class QComboBox;
class QGridLayout;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;

namespace kelp {

class Macros : public EditorWindow {
    Q_OBJECT
  public:
    explicit Macros(QWidget* parent = nullptr);

    MacrosModel& macros() const { return static_cast<MacrosModel&>(model()); }
    QTabWidget* macroTabs() const { return sstab_; }
    QListWidget* functionList() const { return functions_; }
    QLineEdit* charCounter() const { return counter_; }
    // The function box of a macro.
    QLineEdit* functionBox(MacrosModel::Macro macro) const;

  protected:
    void afterEdit(const std::string& key, int index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildLongTab(int first);
    QWidget* buildShortTab(int first, int last, QWidget* extra);
    QWidget* buildAssignments();
    void addMacroRow(QWidget* page, QGridLayout* grid, int row, int column,
                     MacrosModel::Macro macro);
    void insertFunction(QListWidgetItem* item);
    void showMacroNumber(int number);
    void showReceivePort(int port);
    void eraseClicked();
    void refreshCounter();

    QTabWidget* sstab_ = nullptr;
    QListWidget* functions_ = nullptr;
    QLineEdit* counter_ = nullptr;
    QComboBox* macroNum_ = nullptr;
    QComboBox* portToAllow_ = nullptr;
    QComboBox* rcvPort_ = nullptr;
    QComboBox* rcvActive_ = nullptr;
    QComboBox* rcvInactive_ = nullptr;
    // Every function and code box: its macro, and whether it is the function box.
    std::map<const QObject*, std::pair<MacrosModel::Macro, bool>> boxes_;
};

}  // namespace kelp
