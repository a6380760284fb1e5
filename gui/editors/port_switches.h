// The Port Switches window (last tab of the main window): the three ports' switches side by
// side in frames "Port 1" to "Port 3", the DTMF closure and tone encode polarity pairs of
// every port below them, and the global "Allow Speech w/Terminator".
#pragma once

#include <string>
#include <vector>

#include "core/editors/port_switches_model.h"
#include "gui/editors/editor_window.h"

class QGroupBox;
class QRadioButton;

namespace kelp {

class PortSwitches : public EditorWindow {
    Q_OBJECT
  public:
    explicit PortSwitches(QWidget* parent = nullptr);

    PortSwitchesModel& switches() const { return static_cast<PortSwitchesModel&>(model()); }

  protected:
    // Shows the option button pairs, which the framework does not bind: runs after every
    // value was shown and after every edit.
    void updateEnabledStates() override;

  private:
    // Two option buttons storing "0" (first) or "1" (second) into one setting of a port.
    struct OptionPair {
        QRadioButton* first = nullptr;
        QRadioButton* second = nullptr;
        std::string key;
        int port = 0;
    };

    QGroupBox* buildPortFrame(int port);
    QGroupBox* buildPairFrame(const QString& title, const char* key, const char* firstName,
                              const QString& firstText, const char* secondName,
                              const QString& secondText);
    void optionPair(QWidget* parent, const char* firstName, const QString& firstText,
                    const char* secondName, const QString& secondText, const std::string& key,
                    int port);
    void showPair(const OptionPair& pair);
    void colourPair(const OptionPair& pair);

    std::vector<OptionPair> pairs_;
    bool showingPairs_ = false;
};

}  // namespace kelp
