// The ID Messages window (tab "ID" of the main window): each port's voice IDs, CW IDs, CW
// speed and tones, speech-ID and constant-ID switches and ID extras on the tabs "Port 1" to
// "Port 3", with the vocabulary and CW lists beside them. A double-click on a list inserts
// its word into the voice or CW ID box entered last, at the caret.
#pragma once

#include <array>
#include <string>

#include "core/editors/identification_model.h"
#include "gui/editors/editor_window.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;

namespace kelp {

class Identification : public EditorWindow {
    Q_OBJECT
  public:
    explicit Identification(QWidget* parent = nullptr);

    IdentificationModel& identification() const {
        return static_cast<IdentificationModel&>(model());
    }
    // The tab control SSTab1: "Port 1".."Port 3".
    QTabWidget* portTabs() const { return sstab_; }
    QListWidget* vocabList() const { return vocab_; }
    QListWidget* cwList() const { return cw_; }
    QLineEdit* charCounter() const { return counter_; }
    // The ID box entered last: its key ("VoiceID1".."CWID2").
    const std::string& focusedIdKey() const { return focusedKey_; }

  protected:
    void updateEnabledStates() override;
    void afterEdit(const std::string& key, int index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildPortTab(int port);
    QListWidget* wordList(const QString& name, const std::vector<ListEntry>& entries);
    // Which bound text box a widget is: its key and port, or an empty key.
    std::pair<std::string, int> boxOf(const QObject* widget) const;
    void enterIdBox(const std::string& key);
    void showIdValue(const std::string& key, int port);
    void refreshCounter();
    void insertFromList(QListWidgetItem* item, bool voice);

    QTabWidget* sstab_ = nullptr;
    QListWidget* vocab_ = nullptr;
    QListWidget* cw_ = nullptr;
    QLabel* vocabLabel_ = nullptr;
    QLabel* cwLabel_ = nullptr;
    QLabel* wordCharLabel_ = nullptr;
    QLabel* cwCharLabel_ = nullptr;
    QLineEdit* counter_ = nullptr;
    std::string focusedKey_ = "VoiceID1";
};

}  // namespace kelp
