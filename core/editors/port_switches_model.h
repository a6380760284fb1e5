// The Port Switches window's model: each port's on/off switches and modes (transmitter,
// receiver, repeater mode, DTMF handling, monitor mix, kerchunk filter, speech overrides,
// access mode, tone encode control, ID timer start, DTMF evaluation on closure, tone encode
// polarity) and the global "speech with terminator" switch.
//
// Every control is a check box, an option button pair or a list, so nothing is typed or
// checked and Apply never refuses; every edit sets the change marker to 0.
#pragma once

#include "core/catalogues/choice_lists.h"
#include "core/editors/editor_model.h"

namespace kelp {

class PortSwitchesModel : public EditorModel {
  public:
    explicit PortSwitchesModel(ControllerDatabase& database);

    // Whether any of port p's switch flags waits for an upload.
    bool portSwitchesPending(int port) const;

  protected:
    // A port whose switches still wait for an upload (set now or by an earlier Apply) keeps
    // the database marked unsaved.
    void afterApply() override;
};

// The per-port switches in the order Apply walks them (ID timer start last), then
// AllowTerminatorSpeech.
std::vector<FieldSpec> portSwitchesFields();

// Access mode, filled into each port's AccessMode list: "Carrier" 0, "Tone & Carrier" 1.
const ChoiceList& accessModeList();

}  // namespace kelp
