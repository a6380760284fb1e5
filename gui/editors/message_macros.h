// The Message Macros window (tab "Messages" of the main window): the message macros on
// seven tabs of ten (the three upper tabs only with the RTC option board); beside them the
// vocabulary list, whose double-click inserts a word into the message entered last, the word
// counter, the voice recorder frame, Apply and Cancel Changes.
#pragma once

#include <map>
#include <string>

#include "core/editors/message_macros_model.h"
#include "gui/editors/editor_window.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;

namespace kelp {

class MessageMacros : public EditorWindow {
    Q_OBJECT
  public:
    explicit MessageMacros(QWidget* parent = nullptr);

    MessageMacrosModel& messages() const { return static_cast<MessageMacrosModel&>(model()); }
    QTabWidget* messageTabs() const { return sstab_; }
    QListWidget* vocabList() const { return vocab_; }
    QLineEdit* charCounter() const { return counter_; }
    QLineEdit* messageBox(int message) const;

  protected:
    void afterEdit(const std::string& key, int index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildTab(int first);
    QWidget* buildRecorder();
    void insertWord(QListWidgetItem* item);
    void refreshCounter();
    void loadWavClicked();
    void sendClicked();
    void showChosenFile();

    QTabWidget* sstab_ = nullptr;
    QListWidget* vocab_ = nullptr;
    QLineEdit* counter_ = nullptr;
    QComboBox* track_ = nullptr;
    QLabel* fileLabel_ = nullptr;
    QPushButton* send_ = nullptr;
    std::map<const QObject*, int> boxes_;  // message box -> its message number
};

}  // namespace kelp
