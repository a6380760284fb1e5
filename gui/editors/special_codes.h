// The Special Codes window (tab "Special Codes/Autopatch"): the user DTMF regenerate codes,
// the autopatch with its autodial memories and toll restrictions, the pad test, pre-access
// and pre-command prefixes, the macro subset, the DTMF mute digit, the wind direction format
// and the DR1 mode, and the button that opens the unlock, lock and terminator window. There
// are no port tabs.
#pragma once

#include "core/editors/special_codes_model.h"
#include "gui/editors/editor_window.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kelp {

class SpecialCodes : public EditorWindow {
    Q_OBJECT
  public:
    explicit SpecialCodes(QWidget* parent = nullptr);

    SpecialCodesModel& codes() const { return static_cast<SpecialCodesModel&>(model()); }

  protected:
    // Also shows the window's own controls (the "NONE" boxes, the subset lists, the toll
    // list, the option buttons) after Apply, Cancel Changes and every edit.
    void updateEnabledStates() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildUserDtmfFrame();
    QWidget* buildAutopatchFrame();
    QWidget* buildTollFrame();
    QWidget* buildUnlockFrame();
    QWidget* buildPrefixFrames();
    QWidget* buildSubsetFrame();
    QWidget* buildSelectFrames();
    QLineEdit* preCodeBox(QWidget* parent, const char* name, const std::string& key);
    QButtonGroup* optionPair(QGroupBox* frame, const char* key,
                             const std::vector<std::tuple<QString, QString, int>>& buttons);
    void showOwnControls();
    void fillTollList();
    void addToll();
    void deleteToll();
    void applyHere();
    void refuseLater(QWidget* focusTarget, const Notice& notice);
    // "Change Unlock, Lock, Terminator Codes": the unlock window, modal.
    void openUnlockWindow();

    QLineEdit* preAccess_ = nullptr;
    QLineEdit* preCommand_ = nullptr;
    QComboBox* autoDialSlot_ = nullptr;
    QLineEdit* autoDialNumber_ = nullptr;
    QGroupBox* tollFrame_ = nullptr;
    QListWidget* tollList_ = nullptr;
    QLineEdit* tollEntry_ = nullptr;
    QComboBox* subsetStart_ = nullptr;
    QComboBox* subsetEnd_ = nullptr;
    QGroupBox* muteFrame_ = nullptr;
    QGroupBox* windFrame_ = nullptr;
    QButtonGroup* muteDigit_ = nullptr;
    QButtonGroup* windDirection_ = nullptr;
    bool showing_ = false;
    bool refusing_ = false;
};

}  // namespace kelp
