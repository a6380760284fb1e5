// The ID Messages window's model: each port's three voice IDs, two CW IDs with their speed
// and tones, the speech-ID and constant-ID switches, and the extra spoken with each voice ID.
//
// Voice and CW IDs are word lists: the working value is upper case, and leaving the box
// tidies it to single spaces before it is checked. An emptied ID box is refused as it is
// (it never becomes "0", which would be a valid CW character); an emptied CW speed or tone
// box takes that setting's default instead of 0. Both rules are the fields' own, so Apply's
// re-check of the box edited last follows them too.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/editors/editor_model.h"

namespace kelp {

class IdentificationModel : public EditorModel {
  public:
    explicit IdentificationModel(ControllerDatabase& database);

    enum class IdKind { None, Voice, Cw };
    // Which word list a field's box takes: voice IDs, CW IDs, or neither.
    static IdKind idKind(const std::string& key);
    static bool isExtras(const std::string& key);

    // After the framework stored a typed ID text (trimmed): the value in upper case.
    void upperCaseId(const std::string& key, int port);
    // The character counter: words of a voice ID, characters of a CW ID.
    int count(const std::string& key, int port) const;

    // Choosing an ID extra stores its code but leaves the change marker as it was: a new
    // extra alone does not hold the operator on this tab. The window calls this after the
    // framework stored the choice; chooseExtra() does both.
    void restoreMarkerAfterExtra();
    void chooseExtra(int id, int port, int code);

    // A double-click on a word list: the word inserted into `text` at the caret (selection
    // start) `caret`, replacing `selection` characters, with a space on each side that needs
    // one. Returns the new text and caret.
    struct Insertion {
        std::string text;
        int caret = 0;
    };
    static Insertion insertWord(const std::string& text, int caret, int selection,
                                const std::string& word);

  protected:
    bool storesEdit(const std::string& key, int index) const override;
    // A flag of this area still waiting for the controller (from this Apply or an earlier
    // one) keeps the database marked unsaved.
    void afterApply() override;

  private:
    mutable std::int16_t markerBeforeChoice_ = -1;
};

// The field list of the ID Messages window.
std::vector<FieldSpec> identificationFields();

}  // namespace kelp
